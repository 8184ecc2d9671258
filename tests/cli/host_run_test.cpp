// The command-line host driving the inverting test plug-in end to end, and
// its errors: pictures go in through files, come back through files, and
// must come back inverted exactly.
#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <zlib.h>

#include "tests/cli/spawn_host.h"
#include "cli/document.h"
#include "cli/image_files.h"

namespace {

// The test plug-in's controls ("cont=true", "fail=-108"...) travel in its
// environment variable: the host passes only the real plug-in's keys.
bool IsTestControl(const std::string& item) {
    for (const char* key : {"chnk=", "cont=", "self=", "big =", "fail=", "fsel=", "msg =", "slow=", "mark="})
        if (item.rfind(key, 0) == 0) return true;
    return false;
}

std::string TestControls(const std::vector<std::string>& items) {
    std::string value;
    for (const std::string& item : items) value += (value.empty() ? "" : ";") + item;
    return "VORNESK_TEST_INVERT=" + value;
}

// Runs build/vornesk with the test plug-in (unless args name another);
// "--set CONTROL" pairs of the test plug-in go to its environment variable.
// extraEnv entries ("NAME=value") are added to the program's environment.
HostResult RunHost(const TempDir& dir, std::vector<std::string> args, bool withPlugin = true,
                   std::vector<std::string> extraEnv = {}) {
    std::vector<std::string> controls;
    for (size_t i = 0; i + 1 < args.size();) {
        if (args[i] == "--set" && IsTestControl(args[i + 1])) {
            controls.push_back(args[i + 1]);
            args.erase(args.begin() + long(i), args.begin() + long(i) + 2);
        } else {
            ++i;
        }
    }
    extraEnv.push_back(TestControls(controls));
    if (withPlugin) args.insert(args.begin(), {"--plugin", VORNESK_TEST_PLUGIN});
    args.insert(args.begin(), VORNESK_HOST_PROGRAM);
    return SpawnHost(dir.path, args, extraEnv);
}

// A picture whose samples differ everywhere: each plane its own ramp.
HostDocument MakePicture(int32_t w, int32_t h, int16_t colour, bool alpha, int32_t depth) {
    HostDocument doc;
    std::string error;
    EXPECT_TRUE(AllocateDocument(&doc, w, h, colour, alpha, depth, &error)) << error;
    const int planes = doc.Planes();
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            for (int p = 0; p < planes; ++p) {
                size_t i = (size_t(y) * w + x) * planes + p;
                double v = std::fmod((x * 7 + y * 13 + p * 50) / 255.0, 1.0);
                SetUnitSample(&doc, i, v);
            }
    return doc;
}

HostDocument ReadBack(const std::string& path) {
    HostDocument doc;
    std::string error;
    EXPECT_TRUE(ReadImageFile(path, &doc, &error)) << path << ": " << error;
    return doc;
}

void Write(const std::string& path, const HostDocument& doc) {
    std::string error;
    ASSERT_TRUE(WriteImageFile(path, ImageFormatFromName(path), doc, &error)) << error;
}

// The inverse the plug-in must produce at the document's depth; alpha kept.
HostDocument Inverted(const HostDocument& doc) {
    HostDocument out = doc;
    const int planes = doc.Planes();
    for (size_t i = 0; i < doc.SampleCount(); ++i)
        if (int(i % planes) < doc.colourPlanes) SetUnitSample(&out, i, 1.0 - GetUnitSample(doc, i));
    return out;
}

void ExpectSamePicture(const HostDocument& a, const HostDocument& b, double tolerance, const std::string& what) {
    ASSERT_EQ(a.width, b.width) << what;
    ASSERT_EQ(a.height, b.height) << what;
    ASSERT_EQ(a.Planes(), b.Planes()) << what;
    ASSERT_EQ(a.depth, b.depth) << what;
    int bad = 0;
    for (size_t i = 0; i < a.SampleCount() && bad < 5; ++i) {
        double x = GetUnitSample(a, i), y = GetUnitSample(b, i);
        if (std::fabs(x - y) > tolerance) {
            ADD_FAILURE() << what << ": sample " << i << " is " << y << ", expected " << x;
            ++bad;
        }
    }
}

struct RoundTrip {
    int16_t colour;
    bool alpha;
    int32_t depth;
    const char* extension;
};

// 67 x 45 is no multiple of the plug-in's 61 x 40 chunks nor of anything else.
TEST(HostRoundTrip, EveryDepthAndLayoutComesBackInverted) {
    const RoundTrip cases[] = {
        {1, false, 8, ".png"},  {3, false, 8, ".png"},  {1, true, 8, ".png"},  {3, true, 8, ".png"},
        {1, false, 16, ".png"}, {3, false, 16, ".png"}, {1, true, 16, ".png"}, {3, true, 16, ".png"},
        {1, false, 32, ".tif"}, {3, false, 32, ".tif"}, {1, true, 32, ".tif"}, {3, true, 32, ".tif"},
        {1, false, 32, ".pfm"}, {3, false, 32, ".pfm"},
    };
    TempDir dir;
    for (const RoundTrip& c : cases) {
        for (const char* protocol : {"cont=false", "cont=true"}) {
            std::string what = std::to_string(c.depth) + "-bit " + (c.colour == 1 ? "grey" : "RGB") +
                               (c.alpha ? " with alpha " : " ") + c.extension + " " + protocol;
            HostDocument picture = MakePicture(67, 45, c.colour, c.alpha, c.depth);
            std::string in = dir / (std::string("in") + c.extension), out = dir / (std::string("out") + c.extension);
            Write(in, picture);
            HostResult r = RunHost(dir, {in, "-o", out, "--set", protocol, "--print-descriptor"});
            ASSERT_EQ(r.status, 0) << what << ": " << r.err;
            EXPECT_EQ(r.err, "") << what;
            EXPECT_NE(r.out.find("pixl=3015\n"), std::string::npos) << what << ": " << r.out;
            // The record described the document as the plug-in API numbers it.
            int mode = c.depth == 8 ? (c.colour == 1 ? 1 : 3) : c.depth == 16 ? (c.colour == 1 ? 10 : 11)
                                                                              : (c.colour == 1 ? 17 : 16);
            EXPECT_NE(r.out.find("mode=" + std::to_string(mode) + "\n"), std::string::npos) << what;
            EXPECT_NE(r.out.find("case=" + std::string(c.alpha ? "4" : "1") + "\n"), std::string::npos) << what;
            ExpectSamePicture(Inverted(ReadBack(in)), ReadBack(out), 1e-9, what);
        }
    }
}

TEST(HostRoundTrip, SixteenBitSamplesTravelAsZeroTo32768) {
    EXPECT_EQ(Document16FromFile(0), 0);
    EXPECT_EQ(Document16FromFile(65535), 32768);
    EXPECT_EQ(File16FromDocument(32768), 65535);
    EXPECT_EQ(File16FromDocument(16384), 32768);   // 0.5 of full scale, rounded
    for (uint32_t v = 0; v <= 65535; v += 17) {
        EXPECT_NEAR(Document16FromFile(uint16_t(v)), v * 32768.0 / 65535.0, 0.5) << v;
        EXPECT_NEAR(File16FromDocument(Document16FromFile(uint16_t(v))), v, 1) << v;
    }
}

// ImageMagick reads what we write and writes what we read.
TEST(HostRoundTrip, FilesAgreeWithImageMagick) {
    if (std::system("convert -version >/dev/null 2>&1") != 0) GTEST_SKIP() << "ImageMagick not installed";
    TempDir dir;
    HostDocument p16 = MakePicture(5, 3, 3, true, 16);
    Write(dir / "a.png", p16);
    std::string cmd = "convert '" + (dir / "a.png") + "' -depth 16 txt:- > '" + (dir / "a.txt") + "'";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    std::string txt = ReadAll(dir / "a.txt");
    // Pixel (4, 2): ImageMagick prints "4,2: (r,g,b,a)" in 0..65535.
    size_t at = txt.find("4,2: (");
    ASSERT_NE(at, std::string::npos) << txt;
    unsigned r, g, b, a;
    ASSERT_EQ(std::sscanf(txt.c_str() + at, "4,2: (%u,%u,%u,%u", &r, &g, &b, &a), 4) << txt.substr(at, 60);
    size_t i = (2 * 5 + 4) * 4;
    for (unsigned v : {r, g, b, a}) EXPECT_NEAR(v, GetUnitSample(p16, i++) * 65535.0, 1.0);

    // A float picture from ImageMagick reads back with its values.
    cmd = "convert -size 4x2 xc:'rgb(25%,50%,75%)' -depth 32 '" + (dir / "b.pfm") + "'";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    HostDocument f = ReadBack(dir / "b.pfm");
    ASSERT_EQ(f.depth, 32);
    ASSERT_EQ(f.colourPlanes, 3);
    EXPECT_NEAR(GetUnitSample(f, f.SampleCount() - 3), 0.25, 1e-4);
    EXPECT_NEAR(GetUnitSample(f, f.SampleCount() - 1), 0.75, 1e-4);
    // And ImageMagick reads our float TIFF and PFM.
    HostDocument ours = MakePicture(3, 2, 1, false, 32);
    for (const char* name : {"c.tif", "c.pfm"}) {
        Write(dir / name, ours);
        cmd = "convert '" + (dir / name) + "' -depth 16 txt:- > '" + (dir / "c.txt") + "'";
        ASSERT_EQ(std::system(cmd.c_str()), 0) << name;
        txt = ReadAll(dir / "c.txt");
        at = txt.find("2,1: (");
        ASSERT_NE(at, std::string::npos) << txt;
        unsigned grey;
        ASSERT_EQ(std::sscanf(txt.c_str() + at, "2,1: (%u", &grey), 1);
        EXPECT_NEAR(grey, GetUnitSample(ours, 5) * 65535.0, 2.0) << name;
    }
}

// TIFF strips are deflated on several threads, more than one round of them:
// ImageMagick reads every sample we wrote, and so do we.
TEST(HostRoundTrip, TiffStripsDeflatedInRoundsReadBack) {
    if (std::system("convert -version >/dev/null 2>&1") != 0) GTEST_SKIP() << "ImageMagick not installed";
    TempDir dir;
    // 64 KiB rows: four to a strip, 67 strips.
    HostDocument picture = MakePicture(8192, 266, 3, true, 16);
    Write(dir / "a.tif", picture);
    const std::string cmd = "convert '" + (dir / "a.tif") + "' -depth 16 -endian MSB rgba:'" + (dir / "a.raw") + "'";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    const std::string raw = ReadAll(dir / "a.raw");
    ASSERT_EQ(raw.size(), picture.SampleCount() * 2);
    int bad = 0;
    for (size_t i = 0; i < picture.SampleCount() && bad < 5; ++i) {
        uint16_t s;
        std::memcpy(&s, &picture.samples[i * 2], 2);
        const uint32_t theirs = uint32_t(uint8_t(raw[i * 2])) << 8 | uint8_t(raw[i * 2 + 1]);
        if (theirs != File16FromDocument(s)) {
            ADD_FAILURE() << "sample " << i << " is " << theirs << ", expected " << File16FromDocument(s);
            ++bad;
        }
    }
    EXPECT_TRUE(ReadBack(dir / "a.tif").samples == picture.samples);
}

// The filter a row of the file gets: the one whose bytes, taken as signed,
// sum to the least absolute value, the first of equals. `row` and `above`
// hold the file's bytes (zeros above the first row).
int LeastSumFilter(const std::vector<uint8_t>& row, const std::vector<uint8_t>& above, size_t bpp) {
    uint64_t best = UINT64_MAX;
    int chosen = 0;
    for (int type = 0; type < 5; ++type) {
        uint64_t sum = 0;
        for (size_t i = 0; i < row.size(); ++i) {
            const int a = i >= bpp ? row[i - bpp] : 0, b = above[i], c = i >= bpp ? above[i - bpp] : 0;
            const int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
            const int paeth = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
            const int predicted[5] = {0, a, b, (a + b) / 2, paeth};
            const uint8_t v = uint8_t(row[i] - predicted[type]);
            sum += v < 128 ? v : 256 - v;
        }
        if (sum < best) best = sum, chosen = type;
    }
    return chosen;
}

// PNG rows are filtered on several threads and deflated into one zlib
// stream: every chunk's CRC holds, zlib inflates the joined IDAT data with
// its Adler-32 checked to exactly the filtered rows, each row carries the
// filter of least sum, and ImageMagick reads the samples we wrote. Rows
// narrower and wider than a vector of 16 bytes, of every kind.
TEST(HostRoundTrip, BandedPngIsOneValidZlibStream) {
    if (std::system("convert -version >/dev/null 2>&1") != 0) GTEST_SKIP() << "ImageMagick not installed";
    TempDir dir;
    struct Case { int16_t colour; bool alpha; int32_t depth; const char* raw; int32_t width; };
    for (const Case& c : {Case{3, true, 16, "rgba", 61}, Case{1, false, 8, "gray", 61}, Case{3, false, 8, "rgb", 61},
                          Case{3, false, 8, "rgb", 5}, Case{1, false, 8, "gray", 1}, Case{3, true, 8, "rgba", 37},
                          Case{1, false, 16, "gray", 19}, Case{3, false, 16, "rgb", 3}}) {
        const std::string what = std::string(c.raw) + " " + std::to_string(c.depth) + " " + std::to_string(c.width);
        HostDocument picture = MakePicture(c.width, 300, c.colour, c.alpha, c.depth);
        // Noise in the lower half, so that the bands compress differently.
        uint32_t seed = 7;
        for (size_t i = picture.samples.size() / 2; i < picture.samples.size(); ++i)
            picture.samples[i] = uint8_t((seed = seed * 1103515245u + 12345u) >> 24) & (c.depth == 16 ? 0x7f : 0xff);
        Write(dir / "a.png", picture);
        const std::string file = ReadAll(dir / "a.png");
        ASSERT_GT(file.size(), 8u) << what;
        std::string idat;
        int idatChunks = 0;
        for (size_t at = 8; at + 12 <= file.size();) {
            auto u32 = [&](size_t i) {
                return uint32_t(uint8_t(file[i])) << 24 | uint32_t(uint8_t(file[i + 1])) << 16 |
                       uint32_t(uint8_t(file[i + 2])) << 8 | uint32_t(uint8_t(file[i + 3]));
            };
            const uint32_t length = u32(at);
            ASSERT_LE(at + 12 + length, file.size()) << what;
            const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(file.data() + at + 4), uInt(length + 4));
            EXPECT_EQ(uint32_t(crc), u32(at + 8 + length)) << what << " chunk at " << at;
            if (file.compare(at + 4, 4, "IDAT") == 0) {
                idat.append(file, at + 8, length);
                ++idatChunks;
            }
            at += 12 + length;
        }
        EXPECT_GE(idatChunks, 1) << what;
        const size_t rowBytes = size_t(c.width) * picture.Planes() * (c.depth / 8) + 1;
        std::vector<uint8_t> rows(rowBytes * 300 + 1);
        uLongf size = uLongf(rows.size());
        ASSERT_EQ(uncompress(rows.data(), &size, reinterpret_cast<const Bytef*>(idat.data()), uLong(idat.size())), Z_OK)
            << what;
        EXPECT_EQ(size_t(size), rowBytes * 300) << what;
        // The file's bytes of each row: big-endian 16-bit samples.
        auto fileRow = [&](int32_t y) {
            std::vector<uint8_t> row(rowBytes - 1);
            const size_t first = size_t(y) * c.width * picture.Planes();
            for (size_t i = 0; i < size_t(c.width) * picture.Planes(); ++i) {
                if (c.depth == 8) {
                    row[i] = picture.samples[first + i];
                    continue;
                }
                uint16_t s;
                std::memcpy(&s, &picture.samples[(first + i) * 2], 2);
                const uint16_t v = File16FromDocument(s);
                row[i * 2] = uint8_t(v >> 8), row[i * 2 + 1] = uint8_t(v);
            }
            return row;
        };
        std::vector<uint8_t> above(rowBytes - 1, 0);
        int wrongFilters = 0;
        for (int32_t y = 0; y < 300; ++y) {
            const std::vector<uint8_t> row = fileRow(y);
            if (rows[size_t(y) * rowBytes] != LeastSumFilter(row, above, size_t(picture.Planes()) * (c.depth / 8)) &&
                wrongFilters++ < 3)
                ADD_FAILURE() << what << ": row " << y << " has filter " << int(rows[size_t(y) * rowBytes]);
            above = row;
        }

        const std::string cmd = "convert '" + (dir / "a.png") + "' -depth " + std::to_string(c.depth) +
                                " -endian MSB " + c.raw + ":'" + (dir / "a.raw") + "'";
        ASSERT_EQ(std::system(cmd.c_str()), 0) << what;
        const std::string raw = ReadAll(dir / "a.raw");
        ASSERT_EQ(raw.size(), picture.SampleCount() * size_t(c.depth / 8)) << what;
        int bad = 0;
        for (size_t i = 0; i < picture.SampleCount() && bad < 5; ++i) {
            uint32_t theirs = uint8_t(raw[i * (c.depth / 8)]), ours = picture.samples[i];
            if (c.depth == 16) {
                theirs = theirs << 8 | uint8_t(raw[i * 2 + 1]);
                uint16_t s;
                std::memcpy(&s, &picture.samples[i * 2], 2);
                ours = File16FromDocument(s);
            }
            if (theirs != ours) {
                ADD_FAILURE() << what << ": sample " << i << " is " << theirs << ", expected " << ours;
                ++bad;
            }
        }
    }
}

// ImageMagick's reading of a picture, 0..65535 per sample, pixel by pixel
// in rows ("x,y: (v,v,v,a)"; grey comes as three equal values).
std::vector<std::vector<double>> ImageMagickPixels(const TempDir& dir, const std::string& path) {
    const std::string cmd = "convert '" + path + "' -depth 16 txt:- > '" + (dir / "im.txt") + "' 2>/dev/null";
    EXPECT_EQ(std::system(cmd.c_str()), 0) << path;
    std::vector<std::vector<double>> pixels;
    std::istringstream lines(ReadAll(dir / "im.txt"));
    for (std::string line; std::getline(lines, line);) {
        const size_t open = line.find(": ("), close = line.find(')');
        if (line[0] == '#' || open == std::string::npos || close == std::string::npos) continue;
        std::vector<double> values;
        std::istringstream numbers(line.substr(open + 3, close - open - 3));
        for (std::string v; std::getline(numbers, v, ',');) values.push_back(std::atof(v.c_str()));
        pixels.push_back(values);
    }
    return pixels;
}

// Our reading of a TIFF file agrees with ImageMagick's, colour compared as
// multiplied by alpha (what survives associated alpha).
void ExpectAgreesWithImageMagick(const TempDir& dir, const HostDocument& doc, const std::string& path,
                                 double tolerance, const std::string& what) {
    const auto im = ImageMagickPixels(dir, path);
    ASSERT_EQ(im.size(), size_t(doc.width) * doc.height) << what;
    const int planes = doc.Planes();
    int bad = 0;
    for (size_t i = 0; i < im.size() && bad < 5; ++i) {
        const bool imAlpha = im[i].size() == 4 || im[i].size() == 2;
        ASSERT_EQ(imAlpha, doc.hasAlpha) << what;
        const double a = doc.hasAlpha ? GetUnitSample(doc, i * planes + doc.colourPlanes) : 1.0;
        const double imA = doc.hasAlpha ? im[i].back() / 65535 : 1.0;
        for (int p = 0; p < doc.colourPlanes; ++p) {
            const double ours = std::clamp(GetUnitSample(doc, i * planes + p), 0.0, 1.0) * a * 65535;
            if (std::fabs(ours - im[i][size_t(p)] * imA) > tolerance && ++bad)
                ADD_FAILURE() << what << ": pixel " << i << " plane " << p << " is " << ours << ", ImageMagick "
                              << im[i][size_t(p)] * imA;
        }
        if (doc.hasAlpha && std::fabs(a * 65535 - im[i].back()) > tolerance && ++bad)
            ADD_FAILURE() << what << ": alpha of pixel " << i << " is " << a * 65535 << ", ImageMagick " << im[i].back();
    }
}

// TIFF at every depth, grey or RGB, with or without alpha: ImageMagick reads
// what we write, and we read what it writes in its compressions and layouts.
TEST(HostRoundTrip, TiffAgreesWithImageMagick) {
    if (std::system("convert -version >/dev/null 2>&1") != 0) GTEST_SKIP() << "ImageMagick not installed";
    TempDir dir;
    for (int32_t depth : {8, 16, 32})
        for (int16_t colour : {1, 3})
            for (bool alpha : {false, true}) {
                const std::string what = "ours, " + std::to_string(depth) + "-bit " + (colour == 1 ? "grey" : "RGB") +
                                         (alpha ? " with alpha" : "");
                const HostDocument picture = MakePicture(37, 23, colour, alpha, depth);
                Write(dir / "ours.tif", picture);
                const HostDocument back = ReadBack(dir / "ours.tif");
                ExpectSamePicture(picture, back, 0, what);
                const std::string cmd = "identify -format '%z' '" + (dir / "ours.tif") + "' > '" + (dir / "z") + "'";
                ASSERT_EQ(std::system(cmd.c_str()), 0);
                EXPECT_EQ(ReadAll(dir / "z"), std::to_string(depth)) << what;
                ExpectAgreesWithImageMagick(dir, picture, dir / "ours.tif", 1.01, what);
            }
    const struct {
        int16_t colour;
        bool alpha;
        const char* options;
        int32_t depth;        // as we read it
        int16_t planes;       // colour planes as we read them
        double tolerance;     // in 0..65535
    } theirs[] = {
        {3, false, "-type TrueColor -depth 8 -compress LZW", 8, 3, 1},
        {3, true, "-type TrueColorAlpha -depth 8 -compress None", 8, 3, 1},
        {3, true, "-type TrueColorAlpha -depth 16 -compress Zip", 16, 3, 2},
        {3, false, "-type TrueColor -define quantum:format=floating-point -depth 32 -compress LZW", 32, 3, 1},
        {1, false, "-type Grayscale -depth 16 -compress None", 16, 1, 2},
        {1, true, "-type GrayscaleAlpha -depth 8 -define tiff:alpha=associated -compress Zip", 8, 1, 258},
        {3, false, "-type TrueColor -depth 8 -compress JPEG -quality 90", 8, 3, 258},
        {3, true, "-type TrueColorAlpha -depth 16 -define tiff:tile-geometry=16x16 -compress Zip", 16, 3, 2},
        {3, false, "-type TrueColor -depth 8 -interlace Plane -compress RLE", 8, 3, 1},
        {3, false, "-type Palette -depth 8 -colors 20", 8, 3, 258},
        {1, false, "-type Bilevel -depth 1 -compress Group4", 8, 1, 1},
    };
    for (const auto& c : theirs) {
        Write(dir / "source.png", MakePicture(37, 23, c.colour, c.alpha, 16));
        const std::string cmd =
            "convert '" + (dir / "source.png") + "' " + c.options + " '" + (dir / "theirs.tif") + "' 2>/dev/null";
        ASSERT_EQ(std::system(cmd.c_str()), 0) << c.options;
        const HostDocument doc = ReadBack(dir / "theirs.tif");
        EXPECT_EQ(doc.depth, c.depth) << c.options;
        EXPECT_EQ(doc.colourPlanes, c.planes) << c.options;
        ExpectAgreesWithImageMagick(dir, doc, dir / "theirs.tif", c.tolerance, c.options);
    }
}

// A plain TIFF read and resized in one go, its rows taken from the file by
// the resize, gives the picture a read and then a resize give; so do files
// the one-go read leaves to the whole read, and the picture's own size.
TEST(HostResize, ReadingResizedEqualsReadingThenResizing) {
    if (std::system("convert -version >/dev/null 2>&1") != 0) GTEST_SKIP() << "ImageMagick not installed";
    TempDir dir;
    const struct {
        int16_t colour;
        bool alpha;
        const char* options;
    } files[] = {
        {3, false, "-type TrueColor -depth 8 -compress None -define tiff:rows-per-strip=7"},
        {1, false, "-type Grayscale -depth 8 -compress None"},
        {3, true, "-type TrueColorAlpha -depth 8 -compress None -define tiff:rows-per-strip=5"},
        {3, false, "-type TrueColor -depth 8 -compress LZW"},
        {3, true, "-type TrueColorAlpha -depth 16 -compress None"},
    };
    for (const auto& f : files) {
        Write(dir / "source.png", MakePicture(61, 43, f.colour, f.alpha, 8));
        const std::string cmd =
            "convert '" + (dir / "source.png") + "' " + f.options + " '" + (dir / "in.tif") + "' 2>/dev/null";
        ASSERT_EQ(std::system(cmd.c_str()), 0) << f.options;
        for (auto [w, h] : {std::pair{30, 21}, std::pair{97, 50}, std::pair{61, 43}, std::pair{7, 90}}) {
            HostDocument whole = ReadBack(dir / "in.tif"), once;
            std::string error;
            ASSERT_TRUE(ResizeDocument(&whole, w, h, &error)) << error;
            bool readFailed = false;
            ASSERT_TRUE(ReadImageFileResized(dir / "in.tif", w, h, &once, &error, &readFailed)) << error;
            EXPECT_EQ(once.width, w);
            EXPECT_EQ(once.height, h);
            EXPECT_EQ(once.colourPlanes, whole.colourPlanes) << f.options;
            EXPECT_EQ(once.hasAlpha, whole.hasAlpha) << f.options;
            EXPECT_EQ(once.depth, whole.depth) << f.options;
            EXPECT_TRUE(once.samples == whole.samples) << f.options << " " << w << " x " << h;
        }
    }
    // A file that cannot be opened is a failed read.
    HostDocument doc;
    std::string error;
    bool readFailed = false;
    EXPECT_FALSE(ReadImageFileResized(dir / "missing.tif", 10, 10, &doc, &error, &readFailed));
    EXPECT_TRUE(readFailed);
}

// JPEG keeps no transparency: the colours are flattened onto white.
TEST(HostRoundTrip, JpegPutsTransparentPartsOnWhite) {
    TempDir dir;
    HostDocument doc;
    std::string error;
    ASSERT_TRUE(AllocateDocument(&doc, 16, 8, 3, true, 8, &error)) << error;
    // Left half opaque dark blue, right half a transparent red at 25 %.
    for (int32_t y = 0; y < 8; ++y)
        for (int32_t x = 0; x < 16; ++x) {
            const size_t at = (size_t(y) * 16 + x) * 4;
            const double rgba[2][4] = {{0.0, 0.0, 0.4, 1.0}, {1.0, 0.0, 0.0, 0.25}};
            for (int p = 0; p < 4; ++p) SetUnitSample(&doc, at + p, rgba[x >= 8][p]);
        }
    Write(dir / "flat.jpg", doc);
    HostDocument back = ReadBack(dir / "flat.jpg");
    ASSERT_EQ(back.colourPlanes, 3);
    ASSERT_FALSE(back.hasAlpha);
    // Far from the seam, where JPEG's blocks hold one colour.
    const double left[3] = {0.0, 0.0, 0.4}, right[3] = {1.0, 0.75, 0.75};
    for (int p = 0; p < 3; ++p) {
        EXPECT_NEAR(GetUnitSample(back, (4 * 16 + 1) * 3 + p), left[p], 0.03) << p;
        EXPECT_NEAR(GetUnitSample(back, (4 * 16 + 14) * 3 + p), right[p], 0.03) << p;
    }
}

// Interlaced, palette and 1-bit PNG files read as their plain twins.
TEST(HostRoundTrip, PngVariantsReadLikeTheirPlainTwins) {
    if (std::system("convert -version >/dev/null 2>&1") != 0) GTEST_SKIP() << "ImageMagick not installed";
    TempDir dir;
    auto im = [&](const std::string& args) {
        std::string cmd = "cd '" + dir.path + "' && convert " + args + " 2>/dev/null";
        ASSERT_EQ(std::system(cmd.c_str()), 0) << args;
    };
    im("-size 7x5 gradient:red-blue PNG24:rgb.png");
    im("rgb.png -interlace PNG PNG24:interlaced.png");
    im("rgb.png -colors 16 PNG8:palette.png");
    im("palette.png PNG24:palette24.png");
    im("-size 9x3 pattern:checkerboard -colorspace gray -define png:bit-depth=1 -define png:color-type=0 mono.png");
    im("mono.png -define png:bit-depth=8 -define png:color-type=0 grey.png");
    const std::pair<const char*, const char*> twins[] = {
        {"interlaced.png", "rgb.png"}, {"palette.png", "palette24.png"}, {"mono.png", "grey.png"}};
    for (auto [variant, plain] : twins) {
        HostDocument a = ReadBack(dir / variant), b = ReadBack(dir / plain);
        EXPECT_EQ(a.colourPlanes, b.colourPlanes) << variant;
        ExpectSamePicture(b, a, 0, variant);
    }
}

TEST(HostRoundTrip, SelectionMaskLimitsTheEffectByHostOrPlugin) {
    TempDir dir;
    HostDocument picture = MakePicture(23, 17, 3, false, 8);
    HostDocument mask = MakePicture(23, 17, 1, false, 8);
    Write(dir / "in.png", picture);
    Write(dir / "mask.png", mask);
    HostDocument expected = picture;
    for (size_t i = 0; i < picture.SampleCount(); ++i) {
        double m = GetUnitSample(mask, i / 3), v = GetUnitSample(picture, i);
        SetUnitSample(&expected, i, v + m * ((1.0 - v) - v));
    }
    for (const char* who : {"self=false", "self=true"}) {
        HostResult r = RunHost(dir, {dir / "in.png", "-o", dir / "out.png", "--mask", dir / "mask.png", "--set", who,
                                     "--print-descriptor"});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_NE(r.out.find("case=2\n"), std::string::npos) << r.out;
        ExpectSamePicture(expected, ReadBack(dir / "out.png"), 1.5 / 255, who);
    }
}

TEST(HostRoundTrip, WideDocumentsUseThirtyTwoBitCoordinates) {
    TempDir dir;
    HostDocument picture = MakePicture(40000, 2, 1, false, 8);
    Write(dir / "wide.png", picture);
    HostResult r = RunHost(dir, {dir / "wide.png", "-o", dir / "out.png", "--set", "big =true", "--set", "chnk=9000"});
    ASSERT_EQ(r.status, 0) << r.err;
    ExpectSamePicture(Inverted(picture), ReadBack(dir / "out.png"), 0, "40000 x 2");
}

TEST(HostOptions, SizeThreadsAndSettingsReachThePlugin) {
    TempDir dir;
    HostDocument picture;
    std::string error;
    ASSERT_TRUE(AllocateDocument(&picture, 40, 30, 3, false, 8, &error));
    for (size_t i = 0; i < picture.SampleCount(); ++i) picture.samples[i] = uint8_t(40 + i % 3 * 50);
    Write(dir / "in.png", picture);
    HostResult r = RunHost(dir, {dir / "in.png", "-o", dir / "out.jpg", "--size", "17x9", "--threads", "3",
                                 "--input-mode", "17", "--output-mode=16", "--set", "0034=-2.5",
                                 "--print-descriptor", "--quiet"});
    ASSERT_EQ(r.status, 0) << r.err;
    // The picture goes whole; the result's size travels in the descriptor.
    for (const char* line : {"thrd=3", "pixl=153", "Fiky=Fity:Fi18", "Foky=Foty:Fo70", "0034=-2.5",
                             "sig =Sign:VkCL", "RsWd=17", "RsHt=9"})
        EXPECT_NE(r.out.find(std::string(line) + "\n"), std::string::npos) << line << " in\n" << r.out;
    HostDocument out = ReadBack(dir / "out.jpg");
    ASSERT_EQ(out.width, 17);
    ASSERT_EQ(out.height, 9);
    // A flat picture stays flat through the resampling; JPEG is near enough.
    EXPECT_NEAR(out.samples[0], 255 - 40, 3);
    EXPECT_NEAR(out.samples[1], 255 - 90, 3);
    EXPECT_NEAR(out.samples[(9 * 17 - 1) * 3 + 2], 255 - 140, 3);
}

// With --size the plug-in reads the picture at its own size and writes a
// result of that size: the test plug-in inverts each result pixel's nearest
// picture pixel, read through input rectangles of the picture while its
// output rectangles address the result.
TEST(HostOptions, SizeAsksForAResultOfItsOwnSize) {
    TempDir dir;
    const HostDocument picture = MakePicture(40, 30, 3, false, 8);
    Write(dir / "in.png", picture);
    for (const char* size : {"20x10", "73x51", "40x30"}) {
        SCOPED_TRACE(size);
        // A mirror ball is kept whole whatever the result.
        HostResult r = RunHost(dir, {dir / "in.png", "-o", dir / "out.png", "--size", size, "--input-mode", "2",
                                     "--set", "chnk=7"});
        ASSERT_EQ(r.status, 0) << r.err;
        const HostDocument out = ReadBack(dir / "out.png");
        const int32_t W = std::atoi(size), H = std::atoi(std::strchr(size, 'x') + 1);
        ASSERT_EQ(out.width, W);
        ASSERT_EQ(out.height, H);
        int mismatches = 0;
        for (int32_t y = 0; y < H; ++y)
            for (int32_t x = 0; x < W; ++x) {
                const int32_t sx = int32_t(int64_t(2 * x + 1) * 40 / (2 * W)), sy = int32_t(int64_t(2 * y + 1) * 30 / (2 * H));
                for (int p = 0; p < 3; ++p)
                    mismatches += out.samples[(size_t(y) * W + x) * 3 + p] !=
                                  255 - picture.samples[(size_t(sy) * 40 + sx) * 3 + p];
            }
        EXPECT_EQ(mismatches, 0);
    }
}

struct BadRun {
    std::vector<std::string> args;   // "IN" and "OUT" stand for files of the test
    int status;
    const char* message;             // part of the one line on standard error
};

TEST(HostErrors, BadArgumentsAndFilesGiveOneLineAndAnExitCode) {
    TempDir dir;
    Write(dir / "in.png", MakePicture(9, 7, 3, false, 8));
    Write(dir / "small.png", MakePicture(3, 3, 1, false, 8));
    std::ofstream(dir / "junk.png") << "not a picture";
    std::string png = ReadAll(dir / "in.png"), jpeg = ReadAll(std::string(VORNESK_SOURCE_DIR) + "/samples/earth-2048x1024.jpg");
    std::ofstream(dir / "cut.png") << png.substr(0, png.size() - 30);
    std::ofstream(dir / "cut.jpg") << jpeg.substr(0, 5000);
    // Headers that claim far more than the file holds.
    std::ofstream(dir / "cut.pfm") << "PF\n46000 46000\n-1.0\n" << std::string(100, 'x');
    // A scale that gives no byte order.
    for (const char* scale : {"nan", "-inf", "0"})
        std::ofstream(dir / (std::string("scale-") + scale + ".pfm")) << "Pf\n2 2\n" << scale << "\n"
                                                                       << std::string(16, '\0');
    std::string tiff("II*\0\x08\0\0\0\x06\0", 10);
    auto entry = [&](uint16_t tag, uint16_t type, uint32_t value) {
        char e[12] = {char(tag), char(tag >> 8), char(type), 0, 1, 0, 0, 0,
                      char(value), char(value >> 8), char(value >> 16), char(value >> 24)};
        tiff.append(e, 12);
    };
    entry(256, 4, 65536);   // width
    entry(257, 4, 65536);   // height
    entry(258, 3, 32);      // bits per sample
    entry(273, 4, 8);       // strip offset
    entry(279, 4, 4);       // strip bytes
    entry(339, 3, 3);       // float samples
    std::ofstream(dir / "cut.tif") << tiff << std::string(8, '\0');
    // An uncompressed 16 x 16 RGB picture whose one strip ends 10 bytes early:
    // the file is long enough for the claim, its strip is not.
    tiff.assign("II*\0\x08\0\0\0\x08\0", 10);
    entry(256, 3, 16);      // width
    entry(257, 3, 16);      // height
    entry(258, 3, 8);       // bits per sample
    entry(262, 3, 2);       // RGB
    entry(273, 4, 128);     // strip offset
    entry(277, 3, 3);       // samples per pixel
    entry(278, 3, 16);      // rows per strip
    entry(279, 4, 768);     // strip bytes
    tiff.resize(128, '\0');
    std::ofstream(dir / "cut-strip.tif") << tiff << std::string(758, '\x7f');
    // Settings from a newer release (version 49) and a text file given as settings.
    std::ofstream(dir / "settings-newer.q2q") << std::string("\0\0\0\x31", 4) << std::string(400, '\0');
    std::ofstream(dir / "settings-text.q2q") << "these are my favourite settings\n";
    const BadRun runs[] = {
        {{}, 2, "no input picture"},
        {{"IN"}, 2, "no output file"},
        {{"IN", "-o", "OUT", "--frobnicate"}, 2, "unknown option --frobnicate"},
        {{"IN", "-o", "OUT", "--size", "12"}, 2, "--size takes WIDTHxHEIGHT"},
        {{"IN", "-o", "OUT", "--size", "0x5"}, 2, "--size takes WIDTHxHEIGHT"},
        {{"IN", "-o", "OUT", "--size", "100000x100000"}, 2,
         "--size 100000x100000 is too large: at most 2147483648 pixels in all (46340x46340 for a square)"},
        {{"IN", "-o", "OUT", "--threads", "zero"}, 2, "--threads takes a number"},
        {{"IN", "-o", "OUT", "--set", "toolong=1"}, 2, "\"toolong\" is neither a setting name nor a four-character key"},
        {{"IN", "-o", "OUT", "--set", "latitude=north"}, 2, "--latitude takes a number"},
        {{"IN", "-o", "--quiet"}, 2, "-o needs a value"},
        {{"IN", "-o", "OUT", "--set", "0034=soon"}, 2, "is not a number"},
        {{"IN", "-o", "OUT", "--set", "name=\"two words\""}, 2, "\"name\" is neither a setting name nor a key"},
        {{"IN", "-o", "OUT", "--set", "Zork=1"}, 2, "\"Zork\" is neither a setting name nor a key"},
        {{"IN", "-o", "OUT", "--output-mode", "548"}, 2,
         "there is no output mode 548 (vornesk --list-modes lists the output modes)"},
        {{"IN", "-o", "OUT", "--output-mode", "qqqqqqqqqqxxxxxxxx"}, 2,
         "there is no output mode \"qqqqqqqqqqxxxxxxxx\" (vornesk --list-modes lists the output modes)\n"},
        {{"IN", "-o", "OUT", "--output-mode", " "}, 2, "give the output mode's name or number, not an empty word"},
        {{"IN", "-o", "OUT", "--latitude", "4e9"}, 2, "--latitude takes a number from -1000000000 to 1000000000"},
        {{"IN", "-o", "OUT", "--settings", dir / "settings-newer.q2q"}, 2,
         "settings version 49 comes from a newer Vornesk 2; this one reads versions 1 to 48"},
        {{"IN", "-o", "OUT", "--settings", dir / "settings-text.q2q"}, 2,
         "does not exist (versions are 1 to 48): these are not Vornesk 2 settings, or they are damaged"},
        {{"IN", "-o", "OUT", "--input-mode", "equi"}, 2, "nearest: \"equirectangular\" (1)"},
        {{"IN", "-o", "OUT", "--quiet=yes"}, 2, "--quiet takes no value"},
        {{"IN", "-o", "OUT", "--mask"}, 2, "--mask needs a value"},
        {{"IN", "-o", dir / "out.gif"}, 2, "cannot tell the format"},
        {{"IN", "IN", "-o", "OUT"}, 2, "one input picture expected"},
        {{dir / "missing.png", "-o", "OUT"}, 3, "No such file or directory"},
        {{dir.path, "-o", "OUT"}, 3, "it is a folder, not a picture"},
        {{"IN", "-o", "OUT", "--settings", dir.path}, 2, ": it is a folder"},
        {{"IN", "-o", "OUT", "--mask", dir.path}, 3, "it is a folder, not a picture"},
        {{dir / "junk.png", "-o", "OUT"}, 3, "not a PNG, JPEG, PFM or TIFF file"},
        {{dir / "cut.png", "-o", "OUT"}, 3, "damaged PNG file"},
        {{dir / "cut.jpg", "-o", "OUT"}, 3, "damaged JPEG file"},
        {{dir / "cut.pfm", "-o", "OUT"}, 3, "PFM file is shorter than its header says"},
        {{dir / "scale-nan.pfm", "-o", "OUT"}, 3, "its scale is not a finite number other than 0"},
        {{dir / "scale--inf.pfm", "-o", "OUT"}, 3, "its scale is not a finite number other than 0"},
        {{dir / "scale-0.pfm", "-o", "OUT"}, 3, "its scale is not a finite number other than 0"},
        // A yes-or-no setting takes no other number.
        {{"IN", "-o", "OUT", "--set", "0011=2"}, 2, "the value under 0011 is a yes or no (true, false, 1 or 0), not 2"},
        {{"IN", "-o", "OUT", "--set", "0017=-1"}, 2, "the value under 0017 is a yes or no (true, false, 1 or 0), not -1"},
        {{dir / "cut.tif", "-o", "OUT"}, 3, "damaged TIFF file: too short for the 65536 x 65536 picture"},
        {{dir / "cut-strip.tif", "-o", "OUT"}, 3, "damaged or unsupported TIFF file: Read error"},
        {{"IN", "-o", "OUT", "--mask", dir / "small.png"}, 3, "the mask is 3 x 3, the picture 9 x 7"},
        {{"IN", "-o", dir / "no/such/folder/out.png"}, 4, "cannot write"},
        {{"IN", "-o", "OUT", "--set", "fail=-108"}, 1, "the plug-in failed at start: out of memory (-108)"},
        {{"IN", "-o", "OUT", "--set", "fail=-30904", "--set", "msg =\"the moon is in the way\""},
         1, "the plug-in failed at start: the moon is in the way"},
        {{"IN", "-o", "OUT", "--set", "cont=true", "--set", "fail=-30100", "--set", "fsel=4"},
         1, "the plug-in failed at continue: bad parameters (-30100)"},
        {{"IN", "-o", "OUT", "--set", "fail=-20", "--set", "fsel=5"}, 1, "failed at finish: write error (-20)"},
        {{"IN", "-o", "OUT", "--set", "fail=7777"}, 1, "unknown error (7777)"},
    };
    for (const BadRun& run : runs) {
        std::vector<std::string> args;
        for (const std::string& a : run.args) args.push_back(a == "IN" ? dir / "in.png" : a == "OUT" ? dir / "out.png" : a);
        std::string what;
        for (const std::string& a : run.args) what += a + " ";
        HostResult r = RunHost(dir, args);
        EXPECT_EQ(r.status, run.status) << what << "\n" << r.err;
        EXPECT_NE(r.err.find(run.message), std::string::npos) << what << "\n" << r.err;
        EXPECT_EQ(r.err.rfind("vornesk: ", 0), 0u) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        // Nothing is left behind: no output, no temporary file.
        for (const std::string& f : dir.Files())
            EXPECT_TRUE(f == "in.png" || f == "small.png" || f.rfind("junk", 0) == 0 || f.rfind("cut", 0) == 0 ||
                        f.rfind("settings-", 0) == 0 || f.rfind("scale-", 0) == 0)
                << what << " left " << f;
    }
}

// A PNG of the given size whose data is a few rows of zeros.
std::string TinyPngClaiming(uint32_t width, uint32_t height) {
    auto chunk = [](const char* type, const std::string& data) {
        std::string c;
        for (int s = 24; s >= 0; s -= 8) c += char(data.size() >> s);
        c += std::string(type, 4) + data;
        uint32_t crc = uint32_t(crc32(0, reinterpret_cast<const Bytef*>(c.data() + 4), uInt(c.size() - 4)));
        for (int s = 24; s >= 0; s -= 8) c += char(crc >> s);
        return c;
    };
    std::string header;
    for (uint32_t v : {width, height})
        for (int s = 24; s >= 0; s -= 8) header += char(v >> s);
    header += std::string("\x08\x02\0\0\0", 5);   // 8-bit RGB
    Bytef packed[64];
    uLongf packedSize = sizeof packed;
    const Bytef zeros[10] = {};
    compress(packed, &packedSize, zeros, sizeof zeros);
    return std::string("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", header) +
           chunk("IDAT", std::string(reinterpret_cast<char*>(packed), packedSize)) + chunk("IEND", "");
}

// The first `keep` bytes of a JPEG stream with its frame size replaced,
// ended by an end-of-image marker.
std::string JpegClaiming(std::string jpeg, uint16_t width, uint16_t height, size_t keep) {
    for (size_t i = 2; i + 9 < jpeg.size(); ++i)
        if (uint8_t(jpeg[i]) == 0xFF && (uint8_t(jpeg[i + 1]) == 0xC0 || uint8_t(jpeg[i + 1]) == 0xC2)) {
            jpeg[i + 5] = char(height >> 8), jpeg[i + 6] = char(height);
            jpeg[i + 7] = char(width >> 8), jpeg[i + 8] = char(width);
            break;
        }
    return jpeg.substr(0, keep) + "\xFF\xD9";
}

// Headers that claim far more than their files hold are refused from the
// header, with memory to spare, also as a selection mask.
TEST(HostErrors, GiantHeadersAreRefusedBeforeAllocating) {
    TempDir dir;
    Write(dir / "in.png", MakePicture(9, 7, 3, false, 8));
    const std::string earth = ReadAll(std::string(VORNESK_SOURCE_DIR) + "/samples/earth-2048x1024.jpg");
    std::ofstream(dir / "giant.png") << TinyPngClaiming(40000, 40000);
    std::ofstream(dir / "giant.jpg") << JpegClaiming(earth, 30000, 30000, 15000);
    ASSERT_EQ(ReadAll(dir / "giant.png").size(), 68u);
    bool progressive = std::system(("jpegtran -progressive -outfile '" + (dir / "p.jpg") + "' '" + VORNESK_SOURCE_DIR +
                                    "/samples/earth-2048x1024.jpg' 2>/dev/null").c_str()) == 0;
    if (progressive) std::ofstream(dir / "giantp.jpg") << JpegClaiming(ReadAll(dir / "p.jpg"), 30000, 30000, 15000);
    // A deflated TIFF given a giant size by libtiff's own tool.
    Write(dir / "giant.tif", MakePicture(64, 64, 1, false, 8));
    const bool tiff = std::system(("f='" + (dir / "giant.tif") + "'; tiffset -s 256 40000 \"$f\" && tiffset -s 257 "
                                   "40000 \"$f\" && tiffset -s 278 40000 \"$f\" 2>/dev/null").c_str()) == 0;
    const std::vector<std::string> cases[] = {
        {tiff ? dir / "giant.tif" : dir / "giant.png", "-o", dir / "out.png"},
        {dir / "giant.png", "-o", dir / "out.png"},
        {dir / "giant.jpg", "-o", dir / "out.png"},
        {progressive ? dir / "giantp.jpg" : dir / "giant.jpg", "-o", dir / "out.png"},
    };
    for (const auto& args : cases) {
        HostResult r = RunHost(dir, args);
        EXPECT_EQ(r.status, 3) << args[0] << r.err;
        EXPECT_NE(r.err.find(" file: too short for the"), std::string::npos) << r.err;
        EXPECT_LT(r.peakKilobytes, 300 * 1024) << args[0];
        EXPECT_EQ(access((dir / "out.png").c_str(), F_OK), -1);
    }
}

// A JPEG whose data stops before the picture is whole is damaged, not a
// picture with a grey bottom: cut inside a scan, or between the scans of a
// progressive file, both with a proper end marker.
TEST(HostErrors, JpegWhoseDataEndsEarlyIsDamaged) {
    TempDir dir;
    Write(dir / "noise.jpg", MakePicture(96, 64, 3, false, 8));
    const std::string whole = ReadAll(dir / "noise.jpg");
    std::ofstream(dir / "cut.jpg") << whole.substr(0, whole.size() / 2) << "\xFF\xD9";
    std::vector<std::string> damaged = {dir / "cut.jpg"};
    if (std::system(("jpegtran -progressive -outfile '" + (dir / "p.jpg") + "' '" + (dir / "noise.jpg") +
                     "' 2>/dev/null").c_str()) == 0) {
        // End the progressive file before its fourth scan.
        std::string p = ReadAll(dir / "p.jpg");
        size_t at = 0;
        for (int scan = 0; scan < 4 && at != std::string::npos; ++scan) at = p.find("\xFF\xDA", at + 1);
        ASSERT_NE(at, std::string::npos);
        std::ofstream(dir / "pcut.jpg") << p.substr(0, at) << "\xFF\xD9";
        damaged.push_back(dir / "pcut.jpg");
        EXPECT_EQ(ReadBack(dir / "p.jpg").width, 96) << "the whole progressive file reads";
    }
    for (const std::string& file : damaged) {
        HostResult r = RunHost(dir, {file, "-o", dir / "out.png"});
        EXPECT_EQ(r.status, 3) << file << r.err;
        EXPECT_NE(r.err.find("damaged JPEG file"), std::string::npos) << r.err;
        EXPECT_EQ(access((dir / "out.png").c_str(), F_OK), -1);
    }
}

TEST(HostErrors, WideDocumentNeedsThirtyTwoBitCoordinates) {
    TempDir dir;
    Write(dir / "wide.png", MakePicture(33000, 1, 1, false, 8));
    HostResult r = RunHost(dir, {dir / "wide.png", "-o", dir / "out.png"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("does not use 32-bit coordinates"), std::string::npos) << r.err;
    EXPECT_EQ(access((dir / "out.png").c_str(), F_OK), -1);
}

// --plugin, then $VORNESK_PLUGIN, then Vornesk2.so beside the program.
TEST(HostOptions, PluginIsFoundByOptionEnvironmentOrBesideTheProgram) {
    TempDir dir;
    Write(dir / "in.png", MakePicture(5, 4, 3, false, 8));
    HostResult r = RunHost(dir, {dir / "in.png", "-o", dir / "out.png", "--print-descriptor"}, false,
                           {std::string("VORNESK_PLUGIN=") + VORNESK_TEST_PLUGIN});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("pixl=20\n"), std::string::npos) << r.out;
    r = RunHost(dir, {dir / "in.png", "-o", dir / "out.png", "--plugin", dir / "none.so"}, false,
                {std::string("VORNESK_PLUGIN=") + VORNESK_TEST_PLUGIN});
    EXPECT_EQ(r.status, 5) << "the option comes first";
    std::string beside = std::string(VORNESK_HOST_PROGRAM);
    beside = beside.substr(0, beside.rfind('/')) + "/Vornesk2.so";
    if (access(beside.c_str(), R_OK) != 0) GTEST_SKIP() << "the plug-in module is not built";
    // The real plug-in keeps its settings files in the test's folder.
    r = RunHost(dir, {dir / "in.png", "-o", dir / "out.png", "--quiet"}, false,
                {"VORNESK_PLUGIN=", "VORNESK_SUPPORT_DIR=" + dir.path});
    EXPECT_EQ(r.status, 0) << r.err;
}

// Modules export PluginMain and nothing else.
TEST(HostOptions, PluginModulesExportOnlyTheirEntry) {
    std::string beside = std::string(VORNESK_HOST_PROGRAM);
    beside = beside.substr(0, beside.rfind('/')) + "/Vornesk2.so";
    for (std::string module : {std::string(VORNESK_TEST_PLUGIN), beside}) {
        if (access(module.c_str(), R_OK) != 0) continue;
        TempDir dir;
        std::string cmd = "nm -D --defined-only '" + module + "' > '" + (dir / "symbols") + "' 2>/dev/null";
        if (std::system(cmd.c_str()) != 0) GTEST_SKIP() << "nm not available";
        std::istringstream symbols(ReadAll(dir / "symbols"));
        std::vector<std::string> names;
        for (std::string line; std::getline(symbols, line);)
            if (!line.empty()) names.push_back(line.substr(line.rfind(' ') + 1));
        EXPECT_EQ(names, std::vector<std::string>{"PluginMain"}) << module;
    }
}

TEST(HostErrors, PluginThatCannotBeLoaded) {
    TempDir dir;
    Write(dir / "in.png", MakePicture(4, 4, 1, false, 8));
    HostResult r = RunHost(dir, {dir / "in.png", "-o", dir / "out.png", "--plugin", dir / "none.so"}, false);
    EXPECT_EQ(r.status, 5);
    EXPECT_NE(r.err.find("cannot load the plug-in"), std::string::npos) << r.err;
    // A module without the entry: the C library is one.
    r = RunHost(dir, {dir / "in.png", "-o", dir / "out.png", "--plugin", "libm.so.6"}, false);
    EXPECT_EQ(r.status, 5);
    r = RunHost(dir, {dir / "in.png", "-o", dir / "out.png", "--plugin", "/lib/x86_64-linux-gnu/libm.so.6"}, false);
    if (access("/lib/x86_64-linux-gnu/libm.so.6", R_OK) == 0) {
        EXPECT_EQ(r.status, 5);
        EXPECT_NE(r.err.find("has no PluginMain"), std::string::npos) << r.err;
    }
}

TEST(HostErrors, FailedRunKeepsAnExistingOutput) {
    TempDir dir;
    Write(dir / "in.png", MakePicture(6, 5, 3, false, 8));
    std::ofstream(dir / "out.png") << "precious";
    HostResult r = RunHost(dir, {dir / "in.png", "-o", dir / "out.png", "--set", "fail=-128"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("cancelled (-128)"), std::string::npos) << r.err;
    EXPECT_EQ(ReadAll(dir / "out.png"), "precious");
}

TEST(HostErrors, CtrlCCancelsWithoutOutput) {
    TempDir dir;
    Write(dir / "in.png", MakePicture(200, 200, 3, false, 8));
    std::string in = dir / "in.png", out = dir / "out.png", mark = dir / "working";
    std::vector<std::string> args = {VORNESK_HOST_PROGRAM, "--plugin", VORNESK_TEST_PLUGIN, in, "-o", out};
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::string controls = TestControls({"slow=40", "chnk=20", "mark=\"" + mark + "\""});
    std::vector<char*> env = {controls.data()};
    for (char** e = environ; *e; ++e) env.push_back(*e);
    env.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid;
    ASSERT_EQ(posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), env.data()), 0);
    posix_spawn_file_actions_destroy(&actions);
    // Interrupt once the plug-in is at work (the host is slow to start under sanitizers).
    for (int i = 0; i < 600 && access(mark.c_str(), F_OK) != 0; ++i) usleep(50 * 1000);
    EXPECT_EQ(access(mark.c_str(), F_OK), 0) << "the plug-in never started";
    kill(pid, SIGINT);
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 130);
    EXPECT_EQ(access(out.c_str(), F_OK), -1);
}

// A write-protected OUTPUT is refused before the run and stays as it was;
// a symbolic link is written through, to the file it names.
TEST(HostErrors, ProtectedOutputIsRefusedAndLinksAreWrittenThrough) {
    TempDir dir;
    const HostDocument picture = MakePicture(6, 5, 3, false, 8);
    Write(dir / "in.png", picture);
    std::ofstream(dir / "out.png") << "precious";
    chmod((dir / "out.png").c_str(), 0444);
    HostResult r = RunHost(dir, {dir / "in.png", "-o", dir / "out.png"});
    EXPECT_EQ(r.status, 4) << r.err;
    EXPECT_NE(r.err.find("cannot write " + (dir / "out.png") + ": the file is write-protected"), std::string::npos)
        << r.err;
    EXPECT_EQ(ReadAll(dir / "out.png"), "precious");

    ASSERT_EQ(mkdir((dir / "real").c_str(), 0755), 0);
    for (const char* target : {"real/target.png", "real/new.png"}) {   // an existing file, then none yet
        if (std::string(target) == "real/target.png") std::ofstream(dir / target) << "old";
        unlink((dir / "link.png").c_str());
        ASSERT_EQ(symlink(target, (dir / "link.png").c_str()), 0);
        r = RunHost(dir, {dir / "in.png", "-o", dir / "link.png"});
        ASSERT_EQ(r.status, 0) << r.err;
        struct stat st {};
        ASSERT_EQ(lstat((dir / "link.png").c_str(), &st), 0);
        EXPECT_TRUE(S_ISLNK(st.st_mode)) << target << ": the link was replaced";
        ExpectSamePicture(Inverted(picture), ReadBack(dir / target), 0, target);
    }
    // Through a link too, a protected file stays.
    chmod((dir / "real/target.png").c_str(), 0444);
    unlink((dir / "link.png").c_str());
    ASSERT_EQ(symlink("real/target.png", (dir / "link.png").c_str()), 0);
    const std::string before = ReadAll(dir / "real/target.png");
    r = RunHost(dir, {dir / "in.png", "-o", dir / "link.png"});
    EXPECT_EQ(r.status, 4) << r.err;
    EXPECT_EQ(ReadAll(dir / "real/target.png"), before);
}

// Only regular files are written: a FIFO, a folder or a link to either is
// refused before the run (which would fail, were it reached) and stays.
TEST(HostErrors, OutputThatIsNoRegularFileIsRefused) {
    TempDir dir;
    Write(dir / "in.png", MakePicture(6, 5, 3, false, 8));
    ASSERT_EQ(mkfifo((dir / "fifo.png").c_str(), 0666), 0);
    ASSERT_EQ(mkdir((dir / "folder.png").c_str(), 0755), 0);
    ASSERT_EQ(symlink("fifo.png", (dir / "tofifo.png").c_str()), 0);
    ASSERT_EQ(symlink("folder.png", (dir / "tofolder.png").c_str()), 0);
    ASSERT_EQ(symlink("loop.png", (dir / "loop.png").c_str()), 0);
    for (const char* name : {"fifo.png", "folder.png", "tofifo.png", "tofolder.png", "loop.png"}) {
        HostResult r = RunHost(dir, {dir / "in.png", "-o", dir / name, "--set", "fail=-108"});
        EXPECT_EQ(r.status, 4) << name << ": " << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_NE(r.err.find("cannot write " + (dir / name)), std::string::npos) << r.err;
    }
    struct stat st {};
    EXPECT_TRUE(lstat((dir / "fifo.png").c_str(), &st) == 0 && S_ISFIFO(st.st_mode));
    EXPECT_TRUE(lstat((dir / "folder.png").c_str(), &st) == 0 && S_ISDIR(st.st_mode));
    EXPECT_TRUE(lstat((dir / "tofifo.png").c_str(), &st) == 0 && S_ISLNK(st.st_mode));
    EXPECT_FALSE(dir.HasTemporaryFile());
}

// A signal that ends the program while it writes OUTPUT leaves neither
// OUTPUT nor the hidden temporary file behind, and one line naming it; a
// file-size limit is a write error (exit 4) with the same clean-up.
TEST(HostErrors, FatalSignalsDuringTheWriteLeaveNoTemporaryFile) {
    TempDir dir;
    // Noise compresses slowly, which keeps the write going long enough.
    HostDocument noise;
    std::string error;
    ASSERT_TRUE(AllocateDocument(&noise, 1500, 1500, 3, true, 16, &error)) << error;
    uint32_t state = 12345;
    for (uint8_t& b : noise.samples) b = uint8_t((state = state * 1664525u + 1013904223u) >> 24);
    for (size_t i = 1; i < noise.samples.size(); i += 2) noise.samples[i] &= 0x7F;
    Write(dir / "in.png", noise);
    const std::string out = dir / "out.png", err = dir / "err";
    const std::pair<int, std::string> signals[] = {
        {SIGTERM, "SIGTERM"}, {SIGHUP, "SIGHUP"},     {SIGQUIT, "SIGQUIT"},     {SIGXCPU, "SIGXCPU"},
        {SIGUSR1, "SIGUSR1"}, {SIGUSR2, "SIGUSR2"},   {SIGALRM, "SIGALRM"},     {SIGVTALRM, "SIGVTALRM"},
        {SIGPROF, "SIGPROF"}, {SIGRTMIN + 2, "SIGRTMIN+2"}};
    for (const auto& [signal, name] : signals) {
        std::vector<std::string> args = {VORNESK_HOST_PROGRAM, "--plugin", VORNESK_TEST_PLUGIN, dir / "in.png", "-o", out};
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        pid_t pid;
        ASSERT_EQ(posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        int waited = 0;
        for (; waited < 120000 && !dir.HasTemporaryFile(); ++waited) usleep(500);
        EXPECT_TRUE(dir.HasTemporaryFile()) << "the write never started";
        kill(pid, signal);
        int status = 0;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << name << " " << status;
        EXPECT_FALSE(dir.HasTemporaryFile()) << name;
        EXPECT_EQ(access(out.c_str(), F_OK), -1);
        EXPECT_EQ(ReadAll(err), "vornesk: stopped by " + name + "\n");
    }
    // The shell's file-size limit counts blocks of 512 bytes.
    const std::string cmd = "ulimit -f 8; exec '" + std::string(VORNESK_HOST_PROGRAM) + "' --plugin '" +
                            VORNESK_TEST_PLUGIN + "' '" + (dir / "in.png") + "' -o '" + out + "' 2>'" +
                            (dir / "err") + "'";
    const int status = std::system(("/bin/sh -c \"" + cmd + "\"").c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 4) << status;
    EXPECT_NE(ReadAll(dir / "err").find("File too large"), std::string::npos) << ReadAll(dir / "err");
    EXPECT_FALSE(dir.HasTemporaryFile());
    EXPECT_EQ(access(out.c_str(), F_OK), -1);
}

TEST(HostOptions, HelpAndVersion) {
    TempDir dir;
    HostResult r = RunHost(dir, {"--help"}, false);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.rfind("usage: vornesk INPUT -o OUTPUT", 0), 0u) << r.out;
    r = RunHost(dir, {"--version"}, false);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.rfind("vornesk 2.", 0), 0u) << r.out;
}

}  // namespace
