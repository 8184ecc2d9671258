// Settings files: round trips, files of old versions built here from the
// word table, refusals of damaged and hostile files, previews.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "platform/host/filter_record.h"
#include "pyramid/pixels.h"
#include "pyramid/pyramid.h"
#include "shell/mode_catalogue.h"
#include "records/parameters.h"
#include "shell/defaults.h"
#include "shell/settings_file.h"
#include "shell/settings_files.h"

namespace {

// ---- a temporary file ----

struct TempFile {
    std::string path;
    TempFile() {
        char tmpl[] = "/tmp/vornesk-settings-XXXXXX";
        int fd = mkstemp(tmpl);
        close(fd);
        path = tmpl;
    }
    ~TempFile() { unlink(path.c_str()); }
    int Write() const { return open(path.c_str(), O_WRONLY | O_TRUNC); }
    int Read() const { return open(path.c_str(), O_RDONLY); }
    void Put(const std::vector<uint8_t>& bytes) const {
        FILE* f = std::fopen(path.c_str(), "wb");
        if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
    std::vector<uint8_t> Get() const {
        std::vector<uint8_t> bytes;
        FILE* f = std::fopen(path.c_str(), "rb");
        int c;
        while ((c = std::fgetc(f)) != EOF) bytes.push_back(uint8_t(c));
        std::fclose(f);
        return bytes;
    }
};

std::unique_ptr<Parameters> Factory() {
    auto p = std::make_unique<Parameters>();
    std::memset(static_cast<void*>(p.get()), 0, sizeof(Parameters));
    GrabDefaultSettings(p.get());
    p->version = kVersionAfterDefaults;
    return p;
}

int32_t ReadInto(const TempFile& file, Parameters* p, std::string* error = nullptr, bool take = true,
                 PyramidDescriptor* preview = nullptr, uint8_t* hasPreview = nullptr) {
    int fd = file.Read();
    int32_t r = ReadSettingsFile(fd, p, take, preview, hasPreview, error);
    close(fd);
    return r;
}

// Every saved field, as the writer and reader see them.
void ExpectSameSettings(const Parameters& a, const Parameters& b) {
    auto same = [](RGBColor x, RGBColor y) { return x.red == y.red && x.green == y.green && x.blue == y.blue; };
    EXPECT_TRUE(same(a.tab_color, b.tab_color));
    EXPECT_TRUE(same(a.background_color, b.background_color));
    EXPECT_TRUE(same(a.line_color, b.line_color));
    EXPECT_TRUE(same(a.auxColor4, b.auxColor4));
    EXPECT_TRUE(same(a.auxColor5, b.auxColor5));
    EXPECT_TRUE(same(a.auxColor6, b.auxColor6));
    EXPECT_TRUE(same(a.auxColor7, b.auxColor7));
    EXPECT_TRUE(same(a.auxColor8, b.auxColor8));
    EXPECT_TRUE(same(a.auxColor9, b.auxColor9));
    const int32_t Parameters::*ints[] = {
        &Parameters::inputMode, &Parameters::reservedInt1, &Parameters::reservedInt2, &Parameters::reservedInt3,
        &Parameters::latitudeDegrees, &Parameters::spinDegrees, &Parameters::reservedInt4, &Parameters::reservedInt5,
        &Parameters::reservedInt6, &Parameters::reservedInt7, &Parameters::outputMode, &Parameters::flip,
        &Parameters::hqpr, &Parameters::reservedInt8, &Parameters::longitudeDegrees, &Parameters::tabsInteger,
        &Parameters::reservedInt17, &Parameters::renderIntA, &Parameters::renderIntB, &Parameters::reservedInt10,
        &Parameters::fovDegrees, &Parameters::reservedInt9, &Parameters::graticuleLevel, &Parameters::glueMode,
        &Parameters::reservedInt11, &Parameters::reservedInt12, &Parameters::faces, &Parameters::renderIntC,
        &Parameters::reservedInt14, &Parameters::randomSeed, &Parameters::reservedInt13, &Parameters::lego_layers,
        &Parameters::reservedInt16, &Parameters::legoFlag1, &Parameters::legoFlag2, &Parameters::cubemap_pixels,
        &Parameters::legoFlag3, &Parameters::lego_diffuse_colors, &Parameters::legoBrickMask,
        &Parameters::lego_plates, &Parameters::export_pixels, &Parameters::sharpenInteger,
        &Parameters::transparent_gaps, &Parameters::edges, &Parameters::anamorph, &Parameters::dehalo,
        &Parameters::grid, &Parameters::previewquality, &Parameters::indicatrix};
    for (size_t i = 0; i < std::size(ints); ++i) EXPECT_EQ(a.*ints[i], b.*ints[i]) << "field " << i;
    const float Parameters::*floats[] = {&Parameters::latitude, &Parameters::longitude, &Parameters::spin,
                                         &Parameters::FOV,      &Parameters::tabs,      &Parameters::sharpen};
    for (size_t i = 0; i < std::size(floats); ++i) EXPECT_EQ(a.*floats[i], b.*floats[i]) << "float " << i;
    for (int i = 0; i < 6; ++i) EXPECT_FLOAT_EQ(a.reservedFloats[i], b.reservedFloats[i]);
}

// A record with a different value in every saved field.
std::unique_ptr<Parameters> Distinct() {
    auto p = Factory();
    int32_t n = 2;
    auto colour = [&n]() {
        RGBColor c{uint16_t(n * 997), uint16_t(65535 - n), uint16_t(0xABCD + n)};
        ++n;
        return c;
    };
    p->tab_color = colour();
    p->background_color = colour();
    p->line_color = colour();
    p->auxColor4 = colour();
    p->auxColor5 = colour();
    p->auxColor6 = colour();
    p->auxColor7 = colour();
    p->auxColor8 = colour();
    p->auxColor9 = colour();
    int32_t* ints[] = {&p->reservedInt1, &p->reservedInt2, &p->reservedInt3, &p->latitudeDegrees, &p->spinDegrees,
                       &p->reservedInt4, &p->reservedInt5, &p->reservedInt6, &p->reservedInt7, &p->reservedInt8,
                       &p->longitudeDegrees, &p->tabsInteger, &p->reservedInt17, &p->renderIntA, &p->renderIntB,
                       &p->reservedInt10, &p->fovDegrees, &p->reservedInt9, &p->graticuleLevel,
                       &p->reservedInt11, &p->reservedInt12, &p->renderIntC, &p->reservedInt14, &p->randomSeed,
                       &p->reservedInt13, &p->reservedInt16, &p->legoBrickMask, &p->sharpenInteger};
    for (int32_t* i : ints) *i = -1000 + 37 * n++;
    p->inputMode = 17;
    p->outputMode = 1048;
    p->glueMode = 69;
    p->grid = 7;
    p->previewquality = 2;
    p->lego_layers = 99;
    p->cubemap_pixels = 1024;
    p->export_pixels = 30000;
    for (int32_t* flag : {&p->flip, &p->hqpr, &p->faces, &p->legoFlag1, &p->legoFlag3, &p->lego_plates,
                          &p->edges, &p->dehalo})
        *flag = 1;
    for (int32_t* flag : {&p->legoFlag2, &p->lego_diffuse_colors, &p->transparent_gaps, &p->anamorph,
                          &p->indicatrix})
        *flag = 0;
    p->latitude = -12.345f;
    p->longitude = 170.5f;
    p->spin = 1e-3f;
    p->FOV = 97.25f;
    p->tabs = 0.1f;
    p->sharpen = 55.5f;
    const float hundredths[6] = {1.25f, -3.5f, 0.0f, 1000.01f, -0.07f, 42.0f};
    std::memcpy(p->reservedFloats, hundredths, sizeof hundredths);
    return p;
}

TEST(SettingsFile, RoundTrip) {
    TempFile file;
    auto out = Distinct();
    int fd = file.Write();
    ASSERT_EQ(WriteSettingsFile(out.get(), fd, nullptr, false), 0);
    close(fd);
    // Version and 98 words, the preview block being the one word 0.
    const std::vector<uint8_t> bytes = file.Get();
    EXPECT_EQ(bytes.size(), 99u * 4);
    EXPECT_EQ(bytes[3], 48);

    auto in = Factory();
    std::string error;
    ASSERT_EQ(ReadInto(file, in.get(), &error), kSettingsFileOK) << error;
    EXPECT_EQ(in->version, 48);
    EXPECT_EQ(in->reservedInt15, 0);  // carried by words 70 and 71, written as -1
    ExpectSameSettings(*out, *in);
}

// ---- files of old versions, built from the word table ----

// The first version that carries each word 1..98 (word 66 is the old
// preview block, one word 0 when empty).
int Since(int word) {
    if (word <= 36) return 1;
    if (word <= 42) return 2;
    if (word <= 44) return 3;
    if (word <= 47) return 4;
    if (word <= 49) return 5;
    if (word <= 55) return 8;
    const std::map<int, int> table = {{56, 12}, {57, 14}, {58, 16}, {59, 17}, {66, 22}, {72, 31}, {73, 31},
                                      {74, 31}, {75, 31}, {76, 33}, {81, 36}, {82, 37}, {83, 38}, {84, 38},
                                      {85, 41}, {86, 42}, {87, 43}, {88, 44}, {89, 46}};
    if (auto it = table.find(word); it != table.end()) return it->second;
    if (word <= 65) return 18;
    if (word <= 69) return 23;
    if (word <= 71) return 26;
    if (word <= 80) return 35;
    if (word <= 95) return 47;
    return 48;
}

// Word values by word number; absent words are 0. The JPEG preview block
// (versions 40 on) is the one word 0.
std::vector<uint8_t> OldFile(int version, const std::map<int, int32_t>& words) {
    std::vector<int32_t> w = {version};
    for (int n = 2; n <= 98; ++n) {
        if (Since(n) > version) continue;
        if (version == 30 && n > 66) break;
        auto it = words.find(n);
        w.push_back(it == words.end() ? 0 : it->second);
        if (n == 84 && version >= 40) w.push_back(0);
    }
    std::vector<uint8_t> bytes;
    for (int32_t v : w)
        for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back(uint8_t(uint32_t(v) >> shift));
    return bytes;
}

// Words that name valid values in every version (modes, graticule kind).
std::map<int, int32_t> SaneWords() {
    return {{2, 1000}, {3, 2000}, {4, 3000}, {11, 1}, {21, 1}, {43, 1}, {87, 1}, {88, 3}, {76, 256}, {81, 500},
            {72, 20}, {40, 120}, {93, 0x42F00000}};   // field of view 120, as integer and float
}

struct OldCase {
    int version;
    std::map<int, int32_t> words;   // on top of SaneWords
    void (*check)(const Parameters&);
};

TEST(SettingsFile, OldVersionsLoadWithTheirFixUps) {
    const OldCase cases[] = {
        {1, {{11, 2}, {21, 7}, {15, 40}, {25, 30}, {16, 3}, {26, 9}},
         [](const Parameters& p) {
             EXPECT_EQ(p.outputMode, 54);   // set to 50, then renumbered 51, 52, 53, 54
             EXPECT_EQ(p.inputMode, 6);     // 2 / 0.3
             EXPECT_EQ(p.auxColor7.red, 1000);
             EXPECT_EQ(p.auxColor7.blue, 3000);
             EXPECT_EQ(p.spinDegrees, 57);
             EXPECT_EQ(p.tabsInteger, 0);
             EXPECT_EQ(p.fovDegrees, 50);
             EXPECT_EQ(p.renderIntC, 100);
             EXPECT_EQ(p.longitudeDegrees, 70);   // stored as 100 - value
             EXPECT_EQ(p.graticuleLevel, 0);      // no such word yet
             EXPECT_EQ(p.glueMode, 1);
             EXPECT_FLOAT_EQ(p.latitude, 40);     // the integer angles become the floats
             EXPECT_FLOAT_EQ(p.longitude, 70);
             EXPECT_FLOAT_EQ(p.FOV, 50);
         }},
        {6, {{21, 200}, {42, 1}, {43, 4}, {49, 30}, {47, 1}},
         [](const Parameters& p) {
             EXPECT_EQ(p.outputMode, 54);
             EXPECT_EQ(p.graticuleLevel, 2);      // stored one lower
             EXPECT_EQ(p.glueMode, 4);
             EXPECT_EQ(p.reservedInt14, 70);      // stored as 100 - value
             EXPECT_EQ(p.faces, 0);
         }},
        {23, {{11, 3}, {21, 20}, {16, 45}, {26, 12}, {40, 90}, {45, 9}, {56, 77}, {67, 5}, {47, 1}},
         [](const Parameters& p) {
             EXPECT_EQ(p.outputMode, 22);   // +1, then +1 for 16 and above
             EXPECT_EQ(p.inputMode, 10);
             EXPECT_EQ(p.spinDegrees, 45);
             EXPECT_EQ(p.tabsInteger, 12);
             EXPECT_EQ(p.fovDegrees, 90);
             EXPECT_EQ(p.reservedInt11, 0);
             EXPECT_EQ(p.randomSeed, 77);
             EXPECT_EQ(p.auxColor8.red, 5);
             EXPECT_EQ(p.faces, 0);
         }},
        {30, {{11, 5}, {21, 14}, {40, 90}, {59, 4}, {47, 1}},
         [](const Parameters& p) {
             // The rectilinear view's old field of view: atan(tan(45°) / 2) doubled.
             EXPECT_EQ(p.outputMode, 14);
             EXPECT_EQ(p.fovDegrees, 53);
             EXPECT_FLOAT_EQ(p.FOV, 53);
             EXPECT_EQ(p.inputMode, 5);
             EXPECT_EQ(p.reservedInt15, 4);   // no words 70 and 71 in this version
             EXPECT_EQ(p.faces, 1);
         }},
        {39, {{21, 34}, {83, 0}, {84, 1}, {82, 44}},
         [](const Parameters& p) {
             EXPECT_EQ(p.outputMode, 38);   // 35, which became 38
             EXPECT_EQ(p.fovDegrees, 33);
             EXPECT_EQ(p.edges, 1);
             EXPECT_EQ(p.transparent_gaps, 0);
             EXPECT_EQ(p.sharpenInteger, 44);
             EXPECT_FLOAT_EQ(p.sharpen, 44);
         }},
        {44, {{21, 35}, {87, 3}, {88, 2}, {85, 1}, {70, 3 * 65536}, {71, 5 * 65536 + 100}},
         [](const Parameters& p) {
             EXPECT_EQ(p.outputMode, 38);
             EXPECT_EQ(p.grid, 3);
             EXPECT_EQ(p.previewquality, 2);
             EXPECT_EQ(p.anamorph, 1);
             EXPECT_EQ(p.reservedInt15, 5);
         }},
        {46, {{21, 35}, {89, 1}, {15, -20}},
         [](const Parameters& p) {
             EXPECT_EQ(p.outputMode, 35);
             EXPECT_EQ(p.indicatrix, 1);
             EXPECT_FLOAT_EQ(p.latitude, -20);
         }},
        {47, {{21, 35}, {15, -20}, {90, int32_t(0xC1480000)}, {93, int32_t(0x42C80000)}},
         [](const Parameters& p) {
             EXPECT_EQ(p.outputMode, 35);
             EXPECT_FLOAT_EQ(p.latitude, -12.5f);   // the float wins from version 47 on
             EXPECT_FLOAT_EQ(p.FOV, 100.0f);
             EXPECT_EQ(p.line_color.red, 0);
         }},
        {48, {{21, 1050}, {96, 0xABCD}, {97, 7}},
         [](const Parameters& p) {
             EXPECT_EQ(p.outputMode, 1050);
             EXPECT_EQ(p.line_color.red, 0xABCD);
             EXPECT_EQ(p.line_color.green, 7);
         }},
    };
    for (const OldCase& c : cases) {
        SCOPED_TRACE("version " + std::to_string(c.version));
        std::map<int, int32_t> words = SaneWords();
        for (auto [n, v] : c.words) words[n] = v;
        TempFile file;
        file.Put(OldFile(c.version, words));
        auto p = Factory();
        std::string error;
        uint8_t hasPreview = 9;
        ASSERT_EQ(ReadInto(file, p.get(), &error, true, nullptr, &hasPreview), kSettingsFileOK) << error;
        EXPECT_EQ(p->version, c.version);
        EXPECT_EQ(hasPreview, 0);
        EXPECT_TRUE(IsValidOutputMode(p->outputMode));
        c.check(*p);
    }
}

// A file opened from the disk is read over the whole factory block, so the
// words an older file lacks (the plates and the third brick flag came with
// version 35) take their factory values, not the ones the settings held.
TEST(SettingsFile, AFileReadFromDiskStartsFromTheFactorySettings) {
    TempFile file;
    file.Put(OldFile(30, SaneWords()));
    auto p = Factory();
    p->lego_plates = 1;
    p->legoFlag3 = 1;
    p->legoBrickMask = 5;
    p->export_pixels = 77;
    ASSERT_EQ(FileZerp_ReadSettingsFileInto(file.path, p.get()), 0);
    EXPECT_EQ(p->version, 30);
    EXPECT_EQ(p->lego_plates, 0);
    EXPECT_EQ(p->legoFlag3, 0);
    EXPECT_EQ(p->legoBrickMask, 63);
    EXPECT_EQ(p->export_pixels, 500);
}

// ---- refusals ----

// The bytes of a file written with the settings (left in `file`).
std::vector<uint8_t> WrittenBytes(const Parameters& p, const TempFile& file) {
    int fd = file.Write();
    WriteSettingsFile(&p, fd, nullptr, false);
    close(fd);
    return file.Get();
}

TEST(SettingsFile, RefusedFilesLeaveTheSettingsAlone) {
    auto good = Distinct();
    TempFile file;
    const std::vector<uint8_t> whole = WrittenBytes(*good, file);

    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        int32_t result;
    };
    auto withWord = [&whole](int word, int32_t v) {
        std::vector<uint8_t> b = whole;
        for (int k = 0; k < 4; ++k) b[size_t(word - 1) * 4 + size_t(k)] = uint8_t(uint32_t(v) >> (24 - 8 * k));
        return b;
    };
    std::vector<Case> cases = {
        {"empty", {}, kSettingsFileEndsEarly},
        {"version 49", withWord(1, 49), kSettingsFileBadVersion},
        {"version 0", withWord(1, 0), kSettingsFileBadVersion},
        {"version -5", withWord(1, -5), kSettingsFileBadVersion},
        {"output mode 1044", withWord(21, 1044), kSettingsFileBadValue},
        {"output mode 1", withWord(21, 16777216), kSettingsFileBadValue},
        {"input mode 42", withWord(11, 42), kSettingsFileBadValue},
        {"glue mode 70", withWord(43, 70), kSettingsFileBadValue},
        {"graticule 0", withWord(88, 0), kSettingsFileBadValue},   // word 87 follows the preview word
        {"latitude NaN", withWord(91, 0x7FC00000), kSettingsFileBadValue},
        // A colour component beyond 16 bits is refused, not cut to its low half.
        {"line colour 0x1ABCD", withWord(97, 0x1ABCD), kSettingsFileBadValue},
        {"background colour -1", withWord(5, -1), kSettingsFileBadValue},
        {"field of view 0", withWord(94, 0), kSettingsFileBadValue},
        {"preview kind 7", withWord(85, 7), kSettingsFileBadPreview},
        {"preview of 2 GB", [&] {
             std::vector<uint8_t> b(whole.begin(), whole.begin() + 84 * 4);
             for (int32_t v : {1, 128, 128, 0x7FFFFFFF})
                 for (int k = 0; k < 4; ++k) b.push_back(uint8_t(uint32_t(v) >> (24 - 8 * k)));
             b.resize(b.size() + 1000, 0);
             return b;
         }(), kSettingsFileEndsEarly},
        // Old input modes were divided by 0.3, which takes 13 beyond 41.
        {"version 20, input 13", OldFile(20, {{11, 13}, {21, 1}, {43, 1}}), kSettingsFileBadValue},
    };
    // Every file that ends early: the rest must not load byte-swapped.
    for (size_t n = 1; n < whole.size(); n += (n < 40 ? 1 : 7))
        cases.push_back({"truncated", std::vector<uint8_t>(whole.begin(), whole.begin() + long(n)),
                         kSettingsFileEndsEarly});
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.what) + ", " + std::to_string(c.bytes.size()) + " bytes");
        file.Put(c.bytes);
        auto p = Factory();
        p->outputMode = 77;
        const auto before = std::make_unique<Parameters>(*p);
        std::string error;
        EXPECT_EQ(ReadInto(file, p.get(), &error), c.result);
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(std::memcmp(p.get(), before.get(), sizeof(Parameters)), 0);
        p->version = 0;
        EXPECT_EQ(ReadInto(file, p.get(), nullptr, false), c.result);   // preview-only reading too
        EXPECT_EQ(p->version, 0);
    }

    // Words after the last are ignored; a version-30 file reports no preview.
    std::vector<uint8_t> longer = whole;
    longer.resize(longer.size() + 4096, 0xEE);
    file.Put(longer);
    auto p = Factory();
    EXPECT_EQ(ReadInto(file, p.get()), kSettingsFileOK);
    ExpectSameSettings(*good, *p);
}

BufferProcs gHostBufferProcs{};   // the pyramids only need to carry some

struct PreviewPyramid {
    PyramidDescriptor* pyr;
    explicit PreviewPyramid(int64_t side) { pyr = AllocateDynamicPyramid(side, side, kPyrColour8, 0, 0, &gHostBufferProcs); }
    ~PreviewPyramid() { DisposeDynamicPyramid(&pyr); }
};

// Random and mutated files: each loads with modes in range or is refused
// with a reason, leaving the settings as they were.
TEST(SettingsFile, FuzzedFilesLoadSoundlyOrAreRefused) {
    auto good = Distinct();
    TempFile file;
    const std::vector<uint8_t> whole = WrittenBytes(*good, file);
    // The same with a JPEG preview, read into a preview pyramid.
    PreviewPyramid preview(kPreviewSide);
    for (int64_t y = 0; y < kPreviewSide; ++y)
        for (int64_t x = 0; x < kPreviewSide; ++x) set_pyramid_sample_point4(x, y, preview.pyr, 0, x, y, x ^ y, 255);
    int fd = file.Write();
    ASSERT_EQ(WriteSettingsFile(good.get(), fd, preview.pyr, true), 0);
    close(fd);
    const std::vector<uint8_t> withPreview = file.Get();
    ASSERT_GT(withPreview.size(), whole.size() + 100);
    std::mt19937 rng(20261209);
    int loaded = 0, refused = 0;
    for (int round = 0; round < 1600; ++round) {
        std::vector<uint8_t> bytes;
        switch (round % 4) {
            case 3: {   // a preview with damaged bytes in its stream or header
                bytes = withPreview;
                for (int k = int(rng() % 6); k >= 0; --k) bytes[84 * 4 + rng() % (bytes.size() - 84 * 4 - 14 * 4)] = uint8_t(rng());
                break;
            }
            case 0: {   // noise, sometimes with a plausible version first
                bytes.resize(rng() % 600);
                for (uint8_t& b : bytes) b = uint8_t(rng());
                if (bytes.size() >= 4 && rng() % 2) {
                    bytes[0] = bytes[1] = bytes[2] = 0;
                    bytes[3] = uint8_t(1 + rng() % 48);
                }
                break;
            }
            case 1: {   // a good file with a few words changed
                bytes = whole;
                for (int k = int(rng() % 4); k >= 0; --k) {
                    size_t word = 1 + rng() % (bytes.size() / 4 - 1);
                    uint32_t v = rng() % 3 ? rng() % 2000 : uint32_t(rng());
                    for (int i = 0; i < 4; ++i) bytes[word * 4 + size_t(i)] = uint8_t(v >> (24 - 8 * i));
                }
                break;
            }
            default: {  // an old version of a good file, cut or padded
                bytes = whole;
                bytes[3] = uint8_t(1 + rng() % 48);
                bytes.resize(rng() % (whole.size() + 200), uint8_t(rng()));
                break;
            }
        }
        file.Put(bytes);
        auto p = Factory();
        const auto before = std::make_unique<Parameters>(*p);
        std::string error;
        uint8_t hasPreview = 0;
        const int32_t r = ReadInto(file, p.get(), &error, true, round % 4 == 3 ? preview.pyr : nullptr, &hasPreview);
        if (r == kSettingsFileOK) {
            ++loaded;
            EXPECT_TRUE(IsValidInputMode(p->inputMode)) << round;
            EXPECT_TRUE(IsValidOutputMode(p->outputMode)) << round;
            EXPECT_TRUE(IsValidGlueMode(p->glueMode)) << round;
            EXPECT_TRUE(p->grid >= 1 && p->grid <= kGraticuleKindCount) << round;
            EXPECT_TRUE(std::isfinite(p->latitude) && std::isfinite(p->FOV)) << round;
            EXPECT_GE(p->cubemap_pixels, 2);
            EXPECT_LE(p->export_pixels, 30000);
        } else {
            ++refused;
            EXPECT_FALSE(error.empty()) << round;
            EXPECT_EQ(std::memcmp(p.get(), before.get(), sizeof(Parameters)), 0) << round;
        }
    }
    EXPECT_GT(loaded, 50);
    EXPECT_GT(refused, 50);
}

// ---- previews ----

// The old uncompressed preview (word 66) is read by its own side, so the
// words after it keep their places whether or not it is shown.
TEST(SettingsFile, OldUncompressedPreview) {
    std::map<int, int32_t> words = SaneWords();
    words[67] = 5;
    words[72] = 42;
    const std::vector<uint8_t> base = OldFile(35, words);
    auto withPreview = [&base](int32_t side) {
        std::vector<uint8_t> b(base.begin(), base.begin() + 65 * 4);
        for (int32_t v : {1, 0, side})
            for (int k = 0; k < 4; ++k) b.push_back(uint8_t(uint32_t(v) >> (24 - 8 * k)));
        for (int32_t i = 0; i < side * side; ++i) b.insert(b.end(), {200, 100, 50});
        b.insert(b.end(), base.begin() + 66 * 4, base.end());
        return b;
    };
    TempFile file;
    file.Put(withPreview(10));
    for (bool shown : {false, true}) {
        PyramidDescriptor* preview = shown ? AllocateDynamicPyramid(kPreviewSide, kPreviewSide, kPyrColour8, 0, 0, nullptr)
                                           : nullptr;
        auto p = Factory();
        std::string error;
        uint8_t hasPreview = 9;
        ASSERT_EQ(ReadInto(file, p.get(), &error, true, preview, &hasPreview), kSettingsFileOK) << error;
        EXPECT_EQ(p->auxColor8.red, 5);
        EXPECT_EQ(p->lego_layers, 42);
        // A preview painted is a preview reported, as with the JPEG ones.
        EXPECT_EQ(hasPreview, shown ? 1 : 0);
        if (preview) {
            EXPECT_EQ(get_pyramid_sample_point4_raw(100, 7, preview, 0), 0xC86432FFu);
            DisposeDynamicPyramid(&preview);
        }
    }
    file.Put(withPreview(129));
    auto p = Factory();
    std::string error;
    EXPECT_EQ(ReadInto(file, p.get(), &error), kSettingsFileBadPreview);
    EXPECT_NE(error.find("129"), std::string::npos);
}


TEST(SettingsFile, JPEGPreviewRoundTrip) {
    PreviewPyramid out(kPreviewSide);
    ASSERT_NE(out.pyr, nullptr);
    for (int64_t y = 0; y < kPreviewSide; ++y)
        for (int64_t x = 0; x < kPreviewSide; ++x) set_pyramid_sample_point4(x, y, out.pyr, 0, 2 * x, 2 * y, 128, 255);
    auto settings = Distinct();
    TempFile file;
    int fd = file.Write();
    ASSERT_EQ(WriteSettingsFile(settings.get(), fd, out.pyr, true), 0);
    close(fd);
    EXPECT_GT(file.Get().size(), 99u * 4 + 16);

    // Reading the preview alone changes no setting but the version.
    PreviewPyramid in(kPreviewSide);
    auto p = Factory();
    const auto before = std::make_unique<Parameters>(*p);
    uint8_t hasPreview = 0;
    ASSERT_EQ(ReadInto(file, p.get(), nullptr, false, in.pyr, &hasPreview), kSettingsFileOK);
    EXPECT_EQ(hasPreview, 1);
    EXPECT_EQ(p->version, 48);
    p->version = before->version;
    EXPECT_EQ(std::memcmp(p.get(), before.get(), sizeof(Parameters)), 0);
    double worst = 0;
    for (int64_t y = 0; y < kPreviewSide; y += 5)
        for (int64_t x = 0; x < kPreviewSide; x += 5) {
            uint32_t w = get_pyramid_sample_point4_raw(x, y, in.pyr, 0);
            worst = std::max({worst, std::fabs(double(w >> 24) - 2 * x), std::fabs(double((w >> 16) & 255) - 2 * y)});
        }
    EXPECT_LT(worst, 24);

    // And the settings come through a file with a preview just the same.
    auto q = Factory();
    ASSERT_EQ(ReadInto(file, q.get()), kSettingsFileOK);
    ExpectSameSettings(*settings, *q);

    // A preview whose picture is not the size its header says is dropped;
    // the settings still load.
    std::vector<uint8_t> bytes = file.Get();
    const size_t header = 84 * 4;
    bytes[header + 7] = 64;   // width 64
    file.Put(bytes);
    hasPreview = 1;
    ASSERT_EQ(ReadInto(file, q.get(), nullptr, true, in.pyr, &hasPreview), kSettingsFileOK);
    EXPECT_EQ(hasPreview, 0);

    // A longer preview than the reader takes is passed over by its length.
    std::vector<uint8_t> big(bytes.begin(), bytes.begin() + long(header));
    for (int32_t v : {1, 128, 128, int32_t(kLargestPreviewBytes + 8)})
        for (int k = 0; k < 4; ++k) big.push_back(uint8_t(uint32_t(v) >> (24 - 8 * k)));
    big.resize(big.size() + size_t(kLargestPreviewBytes + 8), 0x55);
    const std::vector<uint8_t> tail(bytes.end() - 14 * 4, bytes.end());
    big.insert(big.end(), tail.begin(), tail.end());
    file.Put(big);
    hasPreview = 1;
    auto r = Factory();
    std::string error;
    ASSERT_EQ(ReadInto(file, r.get(), &error, true, in.pyr, &hasPreview), kSettingsFileOK) << error;
    EXPECT_EQ(hasPreview, 0);
    ExpectSameSettings(*settings, *r);

    // A file refused after its preview (a colour component beyond 16 bits in
    // the last word) paints nothing: the preview stays as it was.
    bytes[header + 7] = 128;
    bytes[bytes.size() - 2] = 0x01;
    bytes[bytes.size() - 3] = 0x01;
    file.Put(bytes);
    for (int64_t y = 0; y < kPreviewSide; ++y)
        for (int64_t x = 0; x < kPreviewSide; ++x) set_pyramid_sample_point4_raw(x, y, in.pyr, 0, 0x12345678u);
    hasPreview = 9;
    error.clear();
    EXPECT_EQ(ReadInto(file, r.get(), &error, true, in.pyr, &hasPreview), kSettingsFileBadValue);
    EXPECT_NE(error.find("65535"), std::string::npos) << error;
    EXPECT_EQ(hasPreview, 9);
    int painted = 0;
    for (int64_t y = 0; y < kPreviewSide; ++y)
        for (int64_t x = 0; x < kPreviewSide; ++x) painted += get_pyramid_sample_point4_raw(x, y, in.pyr, 0) != 0x12345678u;
    EXPECT_EQ(painted, 0);
}

TEST(SettingsFile, ParametersWithoutAPreviewPyramidWriteNoPreview) {
    auto settings = Distinct();
    TempFile file;
    int fd = file.Write();
    EXPECT_EQ(WriteSettingsFile(settings.get(), fd, nullptr, true), 0);
    close(fd);
    EXPECT_EQ(file.Get().size(), 99u * 4);
}

}  // namespace
