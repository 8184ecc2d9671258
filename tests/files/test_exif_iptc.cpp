#include <gtest/gtest.h>

#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "files/exif.h"
#include "files/iptc.h"
#include "files/psd_doc.h"
#include "shell/mode_catalogue.h"

namespace {

std::vector<uint8_t> Bytes(const uint8_t* p, int64_t n) { return std::vector<uint8_t>(p, p + n); }

std::vector<std::string> Keywords(const TIPTCThing& b) {
    std::vector<std::string> out;
    for (int64_t i = 0; i < b.keywordCount; ++i) out.emplace_back(b.keywords[i]);
    return out;
}

// Walks the IIM tags of a tag area: dataset and text of each tag of the
// application record, after the envelope's one tag saying the text is UTF-8.
std::vector<std::pair<int, std::string>> ParseTags(const uint8_t* p, size_t n) {
    std::vector<std::pair<int, std::string>> tags;
    const uint8_t utf8[8] = {0x1C, 1, 90, 0, 3, 0x1B, '%', 'G'};
    EXPECT_TRUE(n >= 8 && std::memcmp(p, utf8, 8) == 0);
    size_t i = 8;
    while (i + 5 <= n && p[i] == 0x1C) {
        EXPECT_EQ(p[i + 1], 2);
        const size_t len = size_t(p[i + 3]) << 8 | p[i + 4];
        tags.emplace_back(p[i + 2], std::string(reinterpret_cast<const char*>(p + i + 5), len));
        i += 5 + len;
    }
    // Only a pad byte may follow the tags.
    EXPECT_LE(n - i, 1u);
    return tags;
}

std::string TodayUTC() {
    char d[16];
    const time_t now = time(nullptr);
    struct tm utc {};
    gmtime_r(&now, &utc);
    strftime(d, sizeof d, "%Y%m%d", &utc);
    return d;
}

TEST(EXIFBlock, JPEGAndPSDFormsHoldTheSoftwareEntry) {
    TEXIFThing jpeg, psd;
    InitEXIF(&jpeg);
    InitEXIF(&psd);
    EXPECT_EQ(build_EXIF_resource(&jpeg, true, true), 42);
    EXPECT_EQ(jpeg.buffer, nullptr);  // measuring allocates nothing
    EXPECT_EQ(build_EXIF_resource(&jpeg, true, false), 42);
    EXPECT_EQ(build_EXIF_resource(&psd, false, false), 36);
    const uint8_t expected[36] = {'M', 'M', 0, 42, 0, 0, 0, 8, 0, 1, 0x01, 0x31, 0, 2, 0, 0, 0, 10,
                                  0,   0,   0, 26, 0, 0, 0, 0, 'V', 'o', 'r', 'n', 'e', 's', 'k', ' ',
                                  '2', 0};
    EXPECT_EQ(Bytes(psd.buffer, psd.length), Bytes(expected, 36));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(jpeg.buffer), 6), std::string("Exif\0\0", 6));
    EXPECT_EQ(Bytes(jpeg.buffer + 6, 36), Bytes(expected, 36));

    // A built block is left alone: same buffer, same bytes.
    uint8_t* before = jpeg.buffer;
    EXPECT_EQ(build_EXIF_resource(&jpeg, false, false), 42);
    EXPECT_EQ(jpeg.buffer, before);
    EXPECT_EQ(jpeg.length, 42);

    dispose_EXIF_resource_memory(&jpeg, 1);  // kept
    EXPECT_EQ(jpeg.buffer, before);
    dispose_EXIF_resource_memory(&jpeg, 0);
    dispose_EXIF_resource_memory(&psd, 0);
    EXPECT_EQ(jpeg.buffer, nullptr);
    EXPECT_EQ(build_EXIF_resource(nullptr, true, false), 0);
}

TEST(EXIFBlock, AppendersWriteNothingWithoutABuffer) {
    TEXIFThing b;
    InitEXIF(&b);
    EXPECT_EQ(append_2bytes_to_EXIF_resource(&b, 7, true), 2);
    EXPECT_EQ(append_2bytes_to_EXIF_resource(&b, 7, false), 0);
    EXPECT_EQ(appendCstringWithTrailingNull_to_EXIF_resource(&b, "abc", true), 4);
    EXPECT_EQ(b.length, 0);
}

TEST(IPTCKeywords, PrefixesInAnyCaseAreRefusedExtensionsTaken) {
    TIPTCThing b;
    InitIPTC(&b);
    AddIPTCKeyword(&b, "panorama");
    for (const char* again : std::initializer_list<const char*>{"panorama", "PANORAMA", "PanOrama", "pan", "P", nullptr, ""})
        AddIPTCKeyword(&b, again);
    EXPECT_EQ(Keywords(b), std::vector<std::string>{"panorama"});
    AddIPTCKeyword(&b, "panoramas");
    AddIPTCKeyword(&b, std::string(49, 'x').c_str());
    AddIPTCKeyword(&b, std::string(50, 'y').c_str());  // too long
    EXPECT_EQ(Keywords(b), (std::vector<std::string>{"panorama", "panoramas", std::string(49, 'x')}));
    // Letters beyond ASCII are compared as they are.
    AddIPTCKeyword(&b, "\xc3\xa9t\xc3\xa9");
    AddIPTCKeyword(&b, "\xc3\x89T\xc3\x89");
    EXPECT_EQ(b.keywordCount, 5);
}

TEST(IPTCKeywords, AtMostNineteenAreStored) {
    TIPTCThing b;
    InitIPTC(&b);
    for (int i = 0; i < 25; ++i) AddIPTCKeyword(&b, ("k" + std::to_string(100 + i)).c_str());
    EXPECT_EQ(b.keywordCount, kIPTCKeywordsStored);
    EXPECT_EQ(Keywords(b).back(), "k118");
}

TEST(IPTCBlock, TagSizesFollowTheirContents) {
    TIPTCThing b;
    InitIPTC(&b);
    const int64_t L = int64_t(std::strlen(kVorneskMakerAddress));
    // The character set (8 bytes), version, source, date, caption, "Vornesk 2".
    int64_t bare = 8 + 7 + (5 + L) + 13 + 24 + 14;
    bare += bare & 1;
    EXPECT_EQ(append_all_iptc_tags(&b, true), bare);
    AddIPTCKeyword(&b, "cube");
    int64_t one = 8 + 7 + (5 + L) + 13 + 24 + 14 + 9;
    one += one & 1;
    EXPECT_EQ(append_all_iptc_tags(&b, true), one);
    EXPECT_EQ(append_all_iptc_tags(&b, false), 0);  // no buffer: nothing written
}

TEST(IPTCBlock, JPEGFormCarriesThePhotoshopResource) {
    TIPTCThing b;
    InitIPTC(&b);
    AddIPTCKeyword(&b, "panorama");
    AddIPTCKeyword(&b, "cube");
    const int64_t measured = build_IPTC_resource(&b, true, true);
    EXPECT_EQ(b.buffer, nullptr);
    ASSERT_EQ(build_IPTC_resource(&b, true, false), measured);
    ASSERT_NE(b.buffer, nullptr);
    const uint8_t* p = b.buffer;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(p), 14), std::string("Photoshop 3.0\0", 14));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(p + 14), 4), "8BIM");
    EXPECT_EQ(p[18], 0x04);
    EXPECT_EQ(p[19], 0x04);
    EXPECT_EQ(p[20], 0);
    EXPECT_EQ(p[21], 0);
    const size_t tagLength = size_t(p[22]) << 24 | size_t(p[23]) << 16 | size_t(p[24]) << 8 | p[25];
    EXPECT_EQ(int64_t(26 + tagLength), measured);
    EXPECT_EQ(tagLength % 2, 0u);

    const auto tags = ParseTags(p + 26, tagLength);
    ASSERT_EQ(tags.size(), 7u);
    EXPECT_EQ(tags[0], std::make_pair(0, std::string("\0\2", 2)));
    EXPECT_EQ(tags[1], std::make_pair(115, std::string(kVorneskMakerAddress)));
    EXPECT_EQ(tags[2], std::make_pair(55, TodayUTC()));
    EXPECT_EQ(tags[3], std::make_pair(120, std::string("Made with Vornesk 2")));
    EXPECT_EQ(tags[4], std::make_pair(25, std::string("Vornesk 2")));
    EXPECT_EQ(tags[5], std::make_pair(25, std::string("panorama")));
    EXPECT_EQ(tags[6], std::make_pair(25, std::string("cube")));

    // Built once: a second build, in either form, changes nothing.
    const uint8_t* before = b.buffer;
    EXPECT_EQ(build_IPTC_resource(&b, false, false), measured);
    EXPECT_EQ(b.buffer, before);
    dispose_IPTC_resource_memory(&b, 0);
    EXPECT_EQ(b.buffer, nullptr);
    // The PSD form is the resource alone.
    EXPECT_EQ(build_IPTC_resource(&b, false, false), measured - 14);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(b.buffer), 4), "8BIM");
    dispose_IPTC_resource_memory(&b, 0);
}

// Nineteen keywords of 49 characters need more than the customary 1000-byte
// buffer; the block must hold them all and stay within its buffer.
TEST(IPTCBlock, LongestKeywordsFitTheBuffer) {
    TIPTCThing b;
    InitIPTC(&b);
    for (int i = 0; i < kIPTCKeywordsStored; ++i) {
        std::string k(49, char('a' + i));
        AddIPTCKeyword(&b, k.c_str());
    }
    ASSERT_EQ(b.keywordCount, 19);
    const int64_t measured = build_IPTC_resource(&b, true, true);
    EXPECT_GT(measured, 1000);
    ASSERT_EQ(build_IPTC_resource(&b, true, false), measured);
    EXPECT_LE(b.length, b.capacity);
    const auto tags = ParseTags(b.buffer + 26, size_t(b.length - 26));
    ASSERT_EQ(tags.size(), 5u + 19u);
    EXPECT_EQ(tags.back().second, std::string(49, char('a' + 18)));
    dispose_IPTC_resource_memory(&b, 0);
}

TEST(IPTCKeywords, TaskKeywordsByDocumentAndExportKind) {
    struct Case {
        int64_t kind, cubeFace, bytesPerComponent, outputMode, exportKind;
        std::vector<std::string> expected;
    };
    const std::vector<Case> cases = {
        {0, -1, 1, -1, 0, {"panorama", "lego", "sphere"}},
        {4, -1, 4, -1, 4, {"HDR", "high dynamic range", "panorama", "3D", "texturemap", "obj"}},
        {1, 3, 1, -1, 1, {"panorama", "cube", "cubemap", "left", "270"}},
        {1, 6, 1, -1, 1, {"panorama", "cube", "cubemap", "front", "0"}},
        {1, 2, 1, -1, 1, {"panorama", "cube", "cubemap", "top"}},
        {1, 9, 1, -1, 1, {"panorama", "cube", "cubemap"}},
        {2, -1, 2, 62, 2, {"Mercator", "panorama", "polyhedron"}},
        {3, -1, 1, -1, 5, {"panorama", "gallery", "preset"}},
    };
    for (const Case& c : cases) {
        TIPTCThing b;
        InitIPTC(&b);
        PSDdoc doc;
        initPSDdoc(&doc);
        doc.exportKind = c.kind;
        doc.cubeFace = c.cubeFace;
        doc.bytesPerComponent = c.bytesPerComponent;
        doc.outputModeForTags = c.outputMode;
        doc.modeWords = CatalogueModeWords();
        AddTaskSpecificKeywords(&b, &doc, c.exportKind);
        EXPECT_EQ(Keywords(b), c.expected) << "document kind " << c.kind;
    }
    TIPTCThing b;
    InitIPTC(&b);
    AddTaskSpecificKeywords(&b, nullptr, 4);
    EXPECT_EQ(Keywords(b), (std::vector<std::string>{"panorama", "texturemap", "3D", "obj"}));
}

TEST(IPTCKeywords, SettingsKeywords) {
    const ModeWordsSource words = CatalogueModeWords();
    TIPTCThing b;
    InitIPTC(&b);
    // Mercator's name, its synonym and its class word from the catalogue.
    AddSettingsSpecificKeywords(&b, 3, &words, 62, false, 2, true, 4);
    EXPECT_EQ(Keywords(b), (std::vector<std::string>{"Mercator", "loximuthal", "conformal", "grid",
                                                     "graticule", "anamorphic", "difference"}));
    InitIPTC(&b);
    AddSettingsSpecificKeywords(&b, 0, &words, 62, true, 1, false, 1);
    EXPECT_EQ(Keywords(b), std::vector<std::string>{"plates"});
    InitIPTC(&b);
    AddSettingsSpecificKeywords(&b, 0, &words, 1, false, 0, false, 1);
    EXPECT_EQ(Keywords(b), std::vector<std::string>{"bricks"});
    InitIPTC(&b);
    AddSettingsSpecificKeywords(&b, 1, &words, 1, false, 0, false, 70);  // no such glue mode
    EXPECT_EQ(b.keywordCount, 0);
    // Without a source of mode words the settings' own words still come.
    InitIPTC(&b);
    AddSettingsSpecificKeywords(&b, 3, nullptr, 62, false, 2, false, 1);
    EXPECT_EQ(Keywords(b), (std::vector<std::string>{"grid", "graticule"}));
    InitIPTC(&b);
    const ModeWordsSource none;
    AddSettingsSpecificKeywords(&b, 3, &none, 62, false, 0, false, 1);
    EXPECT_EQ(b.keywordCount, 0);
}

}  // namespace
