// Files made to hurt the readers: each is refused with exit status 3 and one
// line, from its header or its first damaged bytes, with the old OUTPUT
// intact and no temporary file left. The peak memory and time of each run
// are printed as figures (the host's tests assert memory only loosely).
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include <zlib.h>

#include "tests/cli/spawn_host.h"
#include "cli/document.h"
#include "cli/image_files.h"

namespace {

std::string BigEndian(uint32_t v, int bytes) {
    std::string s;
    for (int i = bytes - 1; i >= 0; --i) s += char(v >> (8 * i));
    return s;
}

std::string LittleEndian(uint32_t v, int bytes) {
    std::string s;
    for (int i = 0; i < bytes; ++i) s += char(v >> (8 * i));
    return s;
}

// ---- PNG

// A chunk; `length` overrides the length field (the data stays as given).
std::string PngChunk(const std::string& type, const std::string& data, int64_t length = -1) {
    const std::string body = type + data;
    const uint32_t crc = uint32_t(crc32(0, reinterpret_cast<const Bytef*>(body.data()), uInt(body.size())));
    return BigEndian(uint32_t(length < 0 ? int64_t(data.size()) : length), 4) + body + BigEndian(crc, 4);
}

std::string Deflated(const std::string& raw) {
    uLongf size = compressBound(uLong(raw.size()));
    std::string out(size, '\0');
    compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(raw.data()), uLong(raw.size()),
              9);
    out.resize(size);
    return out;
}

// IHDR, then `middle` (chunks), then an IDAT of `rows` zero rows and IEND.
std::string Png(uint32_t width, uint32_t height, int depth, int colourType, const std::string& middle, uint32_t rows) {
    const std::string header = BigEndian(width, 4) + BigEndian(height, 4) + char(depth) + char(colourType) +
                               std::string(3, '\0');
    const size_t rowBytes = 1 + (size_t(width) * (colourType == 2 ? 3 : 1) * depth + 7) / 8;
    return std::string("\x89PNG\r\n\x1a\n", 8) + PngChunk("IHDR", header) + middle +
           PngChunk("IDAT", Deflated(std::string(rowBytes * rows, '\0'))) + PngChunk("IEND", "");
}

// ---- JPEG

// Replaces the frame's size (any SOFn) of a JPEG stream.
std::string WithFrameSize(std::string jpeg, uint16_t width, uint16_t height) {
    for (size_t i = 2; i + 9 < jpeg.size(); ++i) {
        const uint8_t m = uint8_t(jpeg[i + 1]);
        if (uint8_t(jpeg[i]) == 0xFF && m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC) {
            jpeg.replace(i + 5, 4, BigEndian(height, 2) + BigEndian(width, 2));
            break;
        }
    }
    return jpeg;
}

// Comment segments of `bytes` in all, to go after the start of image.
std::string Comments(size_t bytes) {
    std::string out;
    for (size_t n; bytes > 0; bytes -= n) {
        n = std::min<size_t>(bytes, 65533);
        out += "\xFF\xFE" + BigEndian(uint32_t(n + 2), 2) + std::string(n, 'c');
    }
    return out;
}

// ---- TIFF

struct TiffEntry {
    uint16_t tag;
    uint16_t type;   // 3 short, 4 long
    std::vector<uint32_t> values;
};

// A little-endian TIFF: the header, `data` as its one strip (or tile, when
// the entries give a tile size), then the directory and its long values.
std::string Tiff(std::vector<TiffEntry> entries, const std::string& data, uint32_t claimedBytes = 0) {
    bool tiled = false;
    for (const TiffEntry& e : entries) tiled = tiled || e.tag == 322;
    entries.push_back({uint16_t(tiled ? 324 : 273), 4, {8}});
    entries.push_back({uint16_t(tiled ? 325 : 279), 4, {claimedBytes ? claimedBytes : uint32_t(data.size())}});
    std::sort(entries.begin(), entries.end(), [](const TiffEntry& a, const TiffEntry& b) { return a.tag < b.tag; });
    const uint32_t directory = uint32_t(8 + data.size() + (data.size() & 1));
    uint32_t spill = directory + 2 + 12 * uint32_t(entries.size()) + 4;
    std::string head = std::string("II*\0", 4) + LittleEndian(directory, 4), ifd = LittleEndian(uint32_t(entries.size()), 2), values;
    for (const TiffEntry& e : entries) {
        const int size = e.type == 3 ? 2 : 4;
        std::string packed;
        for (uint32_t v : e.values) packed += LittleEndian(v, size);
        ifd += LittleEndian(e.tag, 2) + LittleEndian(e.type, 2) + LittleEndian(uint32_t(e.values.size()), 4);
        if (packed.size() <= 4) {
            ifd += packed + std::string(4 - packed.size(), '\0');
        } else {
            ifd += LittleEndian(spill + uint32_t(values.size()), 4);
            values += packed;
        }
    }
    return head + data + std::string(data.size() & 1, '\0') + ifd + LittleEndian(0, 4) + values;
}

// The entries of a width x height picture of `bits` bits and `samples`
// samples, coded with `compression`, in the given photometric.
std::vector<TiffEntry> TiffPicture(uint32_t width, uint32_t height, uint16_t bits, uint16_t samples,
                                   uint16_t compression, uint16_t photometric) {
    return {{256, 4, {width}},      {257, 4, {height}},         {258, 3, std::vector<uint32_t>(samples, bits)},
            {259, 3, {compression}}, {262, 3, {photometric}},   {277, 3, {samples}},
            {278, 4, {height}}};
}

std::string Noise(size_t bytes) {
    std::string s(bytes, '\0');
    uint32_t state = 77;
    for (char& c : s) c = char((state = state * 1664525u + 1013904223u) >> 24);
    return s;
}

// ---- the runs

struct Hostile {
    std::string name;   // the file's name in the folder
    std::string bytes;
    const char* says;   // a part of the one line the host prints
    bool asMask = false;
};

// Runs the host on each file (as INPUT, or as the --mask of a small
// picture) over an OUTPUT that must stay as it was; prints the figures.
void ExpectRefused(const TempDir& folder, const std::vector<Hostile>& cases) {
    {
        HostDocument small;
        std::string error;
        ASSERT_TRUE(AllocateDocument(&small, 9, 7, 3, false, 8, &error));
        ASSERT_TRUE(WriteImageFile(folder / "small.png", ImageFormat::PNG, small, &error)) << error;
    }
    const std::string out = folder / "out.png";
    for (const Hostile& c : cases) {
        std::ofstream(folder / c.name, std::ios::binary) << c.bytes;
        std::ofstream(out) << "precious";
        std::vector<std::string> args = {VORNESK_HOST_PROGRAM, "--plugin", VORNESK_TEST_PLUGIN};
        if (c.asMask) {
            args.insert(args.end(), {folder / "small.png", "--mask", folder / c.name});
        } else {
            args.push_back(folder / c.name);
        }
        args.insert(args.end(), {"-o", out});
        const HostResult r = SpawnHost(folder.path, args);
        EXPECT_EQ(r.status, 3) << c.name << ": " << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << c.name << ": " << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << c.name << ": " << r.err;
        EXPECT_TRUE(ReadAll(out) == "precious") << c.name << ": the old OUTPUT was replaced";
        EXPECT_FALSE(folder.HasTemporaryFile()) << c.name;
        // Far below what the claims would take; sanitizers add their own.
        EXPECT_LT(r.peakKilobytes, 200 * 1024) << c.name;
        std::printf("%-28s %7zu bytes  peak %6.1f MB  %5.2f s  %s", c.name.c_str(), c.bytes.size(), r.peakKilobytes / 1024.0,
                    r.seconds, r.err.c_str());
        // The same file read in-process, held to 64 MB: the document it
        // would have filled is left as it was, even where the damage lies
        // past the first rows.
        if (!c.asMask) {
            HostDocument doc;
            doc.width = 2;
            doc.height = 1;
            doc.colourPlanes = 1;
            doc.samples.assign(2, 77);
            std::string error;
            EXPECT_FALSE(ReadImageFile(folder / c.name, &doc, &error, 64 << 20)) << c.name;
            EXPECT_FALSE(error.empty());
            EXPECT_TRUE(doc.width == 2 && doc.height == 1 && doc.colourPlanes == 1 && doc.depth == 8 &&
                        doc.samples == SampleBytes(2, 77))
                << c.name << ": a refused file changed the document";
        }
    }
}

// Whole files made by our writer and libjpeg's tools.
std::string PictureFile(const TempDir& folder, const std::string& name, int32_t w, int32_t h) {
    HostDocument doc;
    std::string error;
    EXPECT_TRUE(AllocateDocument(&doc, w, h, 3, false, 8, &error));
    for (size_t i = 0; i < doc.samples.size(); ++i) doc.samples[i] = uint8_t((i * 7 + i / 97 * 13) & 0xFF);
    EXPECT_TRUE(WriteImageFile(folder / name, ImageFormatFromName(name), doc, &error)) << error;
    return ReadAll(folder / name);
}

HostDocument ReadBack(const std::string& path) {
    HostDocument doc;
    std::string error;
    EXPECT_TRUE(ReadImageFile(path, &doc, &error)) << path << ": " << error;
    return doc;
}

bool Jpegtran(const TempDir& folder, const std::string& options, const std::string& from, const std::string& to) {
    return std::system(("jpegtran " + options + " -outfile '" + (folder / to) + "' '" + (folder / from) +
                        "' 2>/dev/null").c_str()) == 0;
}

TEST(HostileFiles, PngChunksAndClaimsAreBoundedByTheFile) {
    TempDir folder;
    const uint32_t most = 0x7fffffff;
    const std::string palette = PngChunk("PLTE", std::string("\0\0\0\xff\xff\xff", 6));
    std::vector<Hostile> cases;
    for (const char* type : {"tEXt", "zTXt", "iTXt", "sPLT", "iCCP"}) {
        const std::string name = std::string("chunk-") + type + ".png";
        cases.push_back({name, Png(4, 4, 8, 2, PngChunk(type, "a\0b", most), 4), "damaged PNG file"});
    }
    cases.push_back({"mask-tEXt.png", Png(9, 7, 8, 2, PngChunk("tEXt", "a\0b", most), 7), "damaged PNG file", true});
    // A picture's chunk claiming what the file lacks.
    cases.push_back({"long-PLTE.png", Png(4, 4, 8, 3, PngChunk("PLTE", "abc", most), 4), "damaged PNG file"});
    // 50 KB that hold no pixels do not stretch what the few rows of data may claim.
    cases.push_back({"padded-1-bit.png", Png(20000, 20000, 1, 3, palette + PngChunk("vpAd", Noise(50000)), 100),
                     "damaged PNG file: too short for the 20000 x 20000 picture"});
    ExpectRefused(folder, cases);
}

TEST(HostileFiles, JpegClaimsAndDamageAreRefused) {
    TempDir folder;
    const std::string plain = PictureFile(folder, "plain.jpg", 256, 256);
    std::vector<Hostile> cases;
    // Comments hold no pixels: padding does not stretch the claim.
    cases.push_back({"padded.jpg", WithFrameSize(plain.substr(0, 2) + Comments(790000) + plain.substr(2), 16000, 16000),
                     "damaged JPEG file: too short for the 16000 x 16000 picture"});
    // 200 garbled bytes in mid-scan.
    std::string garbled = plain;
    garbled.replace(garbled.size() / 2, 200, Noise(200));
    cases.push_back({"garbled.jpg", garbled, "damaged JPEG file"});
    if (Jpegtran(folder, "-arithmetic", "plain.jpg", "arith.jpg") &&
        Jpegtran(folder, "-arithmetic -progressive", "plain.jpg", "arithp.jpg") &&
        Jpegtran(folder, "-arithmetic -restart 1", "plain.jpg", "arithr.jpg")) {
        const std::string arith = ReadAll(folder / "arith.jpg"), restarts = ReadAll(folder / "arithr.jpg");
        // A few kilobytes of arithmetic-coded data cannot stand for 16000 x 16000.
        cases.push_back({"arith-claim.jpg", WithFrameSize(arith, 16000, 16000), "damaged JPEG file: the data"});
        cases.push_back({"arith-progressive-claim.jpg", WithFrameSize(ReadAll(folder / "arithp.jpg"), 16000, 16000),
                         "damaged JPEG file: the data"});
        // Cut short where a restart marker should come.
        cases.push_back({"arith-cut.jpg", restarts.substr(0, restarts.size() / 2) + "\xFF\xD9", "damaged JPEG file"});
        std::string arithGarbled = arith;
        arithGarbled.replace(arith.size() / 2, 200, Noise(200));
        cases.push_back({"arith-garbled.jpg", arithGarbled, "damaged JPEG file"});
        // Whole arithmetic-coded files read, a flat stretch at the end too.
        for (const char* whole : {"arith.jpg", "arithp.jpg", "arithr.jpg", "flat.jpg"}) {
            if (std::string(whole) == "flat.jpg") {
                HostDocument flat = ReadBack(folder / "plain.jpg");
                std::fill(flat.samples.begin() + long(flat.samples.size() / 4), flat.samples.end(), 0);
                std::string error;
                ASSERT_TRUE(WriteImageFile(folder / "flatin.jpg", ImageFormat::JPEG, flat, &error)) << error;
                ASSERT_TRUE(Jpegtran(folder, "-arithmetic", "flatin.jpg", "flat.jpg"));
            }
            EXPECT_EQ(ReadBack(folder / whole).width, 256) << whole;
        }
    }
    ExpectRefused(folder, cases);
}

TEST(HostileFiles, TiffClaimsTilesAndDamageAreRefused) {
    TempDir folder;
    std::vector<Hostile> cases;
    // Fax codings spend at least a bit on a row.
    cases.push_back({"g4-claim.tif", Tiff(TiffPicture(65511, 12671, 1, 1, 4, 0), std::string(300, '\0')),
                     "damaged TIFF file: too short for the 65511 x 12671 picture"});
    cases.push_back({"g3-claim.tif", Tiff(TiffPicture(65511, 12671, 1, 1, 3, 0), std::string(300, '\0')),
                     "too short for the 65511 x 12671 picture"});
    // Tiles far beyond a 16 x 16 picture.
    auto tiled = TiffPicture(16, 16, 8, 1, 1, 1);
    tiled.push_back({322, 4, {16384}});
    tiled.push_back({323, 4, {16384}});
    cases.push_back({"huge-tiles.tif", Tiff(tiled, Noise(4096)), "tiles are larger than the picture"});
    // Grey with 63231 extra samples a pixel: the document keeps two planes,
    // but each strip would decode to 57 GB.
    cases.push_back({"many-samples.tif", Tiff(TiffPicture(65293, 7, 16, 63232, 3, 1), Noise(300)),
                     "more than a read may take"});
    // Garbled strips in the kinds libtiff converts (palette, CMYK, 1-bit,
    // G3, G4) and in a kind read directly (grey).
    std::vector<uint32_t> colourMap(3 * 256);
    for (size_t i = 0; i < colourMap.size(); ++i) colourMap[i] = uint32_t(i * 97 % 65536);
    auto palette = TiffPicture(64, 64, 8, 1, 5, 3);
    palette.push_back({320, 3, colourMap});
    const std::string lzwNoise = "\x80" + Noise(999);
    cases.push_back({"palette-garbled.tif", Tiff(palette, lzwNoise), "damaged or unsupported TIFF file"});
    cases.push_back({"cmyk-garbled.tif", Tiff(TiffPicture(64, 64, 8, 4, 5, 5), lzwNoise), "TIFF file"});
    cases.push_back({"bilevel-garbled.tif", Tiff(TiffPicture(256, 64, 1, 1, 5, 1), lzwNoise), "TIFF file"});
    cases.push_back({"g3-garbled.tif", Tiff(TiffPicture(64, 64, 1, 1, 3, 0), Noise(200)), "TIFF file"});
    cases.push_back({"g4-garbled.tif", Tiff(TiffPicture(64, 64, 1, 1, 4, 0), Noise(200)), "TIFF file"});
    cases.push_back({"grey-garbled.tif", Tiff(TiffPicture(64, 64, 8, 1, 5, 1), lzwNoise), "TIFF file"});
    ExpectRefused(folder, cases);
}

// A mask's size is compared from its header: a file of another size is
// refused as such, however it goes on.
TEST(HostileFiles, MaskSizeIsComparedFromTheHeader) {
    TempDir folder;
    const std::string jpeg = PictureFile(folder, "m.jpg", 64, 48), tiff = PictureFile(folder, "m.tif", 64, 48);
    std::string garbledJpeg = jpeg;
    garbledJpeg.replace(jpeg.size() / 2, 200, Noise(200));
    std::vector<Hostile> cases = {
        {"claim.png", Png(40000, 40000, 8, 2, "", 10), "the mask is 40000 x 40000, the picture 9 x 7", true},
        {"garbled.jpg", garbledJpeg, "the mask is 64 x 48, the picture 9 x 7", true},
        {"claim.jpg", WithFrameSize(jpeg, 30000, 30000), "the mask is 30000 x 30000, the picture 9 x 7", true},
        {"claim.tif", Tiff(TiffPicture(65511, 12671, 1, 1, 4, 0), std::string(300, '\0')),
         "the mask is 65511 x 12671, the picture 9 x 7", true},
        {"other.tif", tiff, "the mask is 64 x 48, the picture 9 x 7", true},
        {"claim.pfm", "PF\n30000 30000\n-1.0\n" + std::string(1000, '\0'), "the mask is 30000 x 30000", true},
    };
    ExpectRefused(folder, cases);
}

}  // namespace
