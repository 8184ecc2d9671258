#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "files/jpeg_codec.h"
#include "jpeg_test_support.h"

using namespace jpegtest;

namespace {

// Streams made with libjpeg's own API, for the kinds our encoder never writes.
struct Fixture {
    J_COLOR_SPACE space = JCS_RGB;
    int components = 3;
    bool progressive = false;
    bool manyScans = false;  // a legal progressive script of more than 256 scans
    long width = 32, height = 24;
};

std::vector<uint8_t> MakeWithLibjpeg(const Fixture& f) {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &out, &size);
    cinfo.image_width = JDIMENSION(f.width);
    cinfo.image_height = JDIMENSION(f.height);
    cinfo.input_components = f.components;
    cinfo.in_color_space = f.space;
    jpeg_set_defaults(&cinfo);
    if (f.space == JCS_CMYK) jpeg_set_colorspace(&cinfo, JCS_YCCK);
    std::vector<jpeg_scan_info> script;
    if (f.progressive) jpeg_simple_progression(&cinfo);
    if (f.manyScans) {
        // DC of each component, then every AC coefficient on its own, first
        // at half precision and then refined.
        for (int c = 0; c < 3; ++c) script.push_back({1, {c}, 0, 0, 0, 0});
        for (int c = 0; c < 3; ++c)
            for (int k = 1; k < 64; ++k) {
                script.push_back({1, {c}, k, k, 0, 1});
                script.push_back({1, {c}, k, k, 1, 0});
            }
        cinfo.scan_info = script.data();
        cinfo.num_scans = int(script.size());
    }
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<uint8_t> row(size_t(f.width * f.components));
    while (cinfo.next_scanline < cinfo.image_height) {
        for (long x = 0; x < f.width; ++x)
            for (int k = 0; k < f.components; ++k)
                row[size_t(x * f.components + k)] = uint8_t((x * 8 + cinfo.next_scanline * 4 + k * 60) & 255);
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&cinfo, &r, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::vector<uint8_t> bytes(out, out + size);
    free(out);
    return bytes;
}

struct Outcome {
    int result;
    Collected rows;
    JPEGImageInfo info;
    std::string message;
};

Outcome Decode(const std::vector<uint8_t>& stream, long stopAfter = -1) {
    Outcome o;
    o.rows.stopAfter = stopAfter;
    char message[JMSG_LENGTH_MAX];
    o.result = DecompressJPEGRows(stream.data(), stream.size(), CollectRows, &o.rows, &o.info, message);
    o.message = message;
    return o;
}

// Offset of the first byte after a marker's code (its length word).
size_t FindMarker(const std::vector<uint8_t>& s, int code) {
    for (size_t i = 2; i + 1 < s.size(); ++i)
        if (s[i] == 0xFF && s[i + 1] == code) return i + 2;
    return 0;
}

void SetFrameSize(std::vector<uint8_t>& s, unsigned width, unsigned height) {
    size_t sof = FindMarker(s, 0xC0);
    if (!sof) sof = FindMarker(s, 0xC2);
    ASSERT_NE(sof, 0u);
    s[sof + 3] = uint8_t(height >> 8);
    s[sof + 4] = uint8_t(height);
    s[sof + 5] = uint8_t(width >> 8);
    s[sof + 6] = uint8_t(width);
}

TEST(JPEGDecoder, RoundTripsPreviewsAndOddSizes) {
    struct Case {
        long width, height, quality;
    };
    for (const Case c : {Case{128, 128, 90}, Case{127, 33, 90}, Case{17, 129, 75}, Case{1, 1, 90},
                         Case{128, 128, 30}, Case{300, 200, 99}}) {
        SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
        const RGBPicture picture = MakeTestPicture(c.width, c.height);
        const std::vector<uint8_t> stream = Encode(picture, c.quality);
        const Outcome o = Decode(stream);
        ASSERT_EQ(o.result, kJPEGOK) << o.message;
        const long w = c.width < 16 ? 16 : c.width, h = c.height < 16 ? 16 : c.height;
        EXPECT_EQ(o.info.width, w);
        EXPECT_EQ(o.info.height, h);
        EXPECT_EQ(o.info.components, 3);
        EXPECT_EQ(o.info.warnings, 0);
        ASSERT_EQ(o.rows.picture.height, h);
        const Difference d = Compare(picture, o.rows.picture, c.width, c.height);
        EXPECT_LT(d.mean, c.quality >= 50 ? 2.0 : 4.0);
        EXPECT_LT(d.largest, 48);

        // djpeg decodes the same stream to the same pixels.
        if (ToolAvailable("djpeg")) {
            TempDir dir;
            ASSERT_TRUE(WriteFile(dir.File("s.jpg"), stream));
            RGBPicture reference;
            ASSERT_TRUE(ParsePPM(RunTool("djpeg -pnm '" + dir.File("s.jpg") + "'"), &reference));
            EXPECT_EQ(reference.rgb, o.rows.picture.rgb);
        }
    }
}

// Streams longer than one 4096-byte chunk, of every length modulo the chunk,
// are read to the end: the last chunk is delivered short.
TEST(JPEGDecoder, StreamsOfAnyLengthAreReadWhole) {
    for (uint32_t seed = 1; seed <= 4; ++seed) {
        const RGBPicture picture = MakeNoisePicture(60 + seed, 40, seed);
        const std::vector<uint8_t> stream = Encode(picture, 99);
        ASSERT_GT(stream.size(), 4096u);
        const Outcome o = Decode(stream);
        EXPECT_EQ(o.result, kJPEGOK) << stream.size() << " bytes: " << o.message;
        EXPECT_EQ(o.rows.rowsSeen, 40);
    }
    // A stream at the start of a larger zero-filled buffer, as a settings
    // file reader holds it, decodes the same.
    std::vector<uint8_t> held = Encode(MakeTestPicture(128, 128), 90);
    const Outcome alone = Decode(held);
    held.resize(49152, 0);
    const Outcome inBuffer = Decode(held);
    EXPECT_EQ(inBuffer.result, kJPEGOK) << inBuffer.message;
    EXPECT_EQ(inBuffer.rows.picture.rgb, alone.rows.picture.rgb);
}

TEST(JPEGDecoder, GreyProgressiveAndColourFixtures) {
    // Grey: one component.
    Fixture grey;
    grey.space = JCS_GRAYSCALE;
    grey.components = 1;
    Outcome o = Decode(MakeWithLibjpeg(grey));
    ASSERT_EQ(o.result, kJPEGOK) << o.message;
    EXPECT_EQ(o.info.components, 1);
    EXPECT_EQ(o.rows.rowsSeen, grey.height);

    // Progressive decodes like baseline, within JPEG error.
    Fixture baseline, progressive;
    progressive.progressive = true;
    const Outcome a = Decode(MakeWithLibjpeg(baseline));
    const Outcome b = Decode(MakeWithLibjpeg(progressive));
    ASSERT_EQ(a.result, kJPEGOK) << a.message;
    ASSERT_EQ(b.result, kJPEGOK) << b.message;
    EXPECT_LT(Compare(a.rows.picture, b.rows.picture, 32, 24).mean, 2.0);
}

TEST(JPEGDecoder, FourComponentStreamsAreRefused) {
    for (const J_COLOR_SPACE space : {JCS_CMYK}) {
        Fixture f;
        f.space = space;
        f.components = 4;
        const std::vector<uint8_t> cmyk = MakeWithLibjpeg(f);  // written as YCCK
        const Outcome o = Decode(cmyk);
        EXPECT_EQ(o.result, kJPEGLibraryError);
        EXPECT_EQ(o.rows.rowsSeen, 0);
        EXPECT_NE(o.message, "");
    }
}

TEST(JPEGDecoder, EmptyGarbageAndTruncatedStreamsAreRefused) {
    EXPECT_EQ(DecompressJPEGRows(nullptr, 100, CollectRows, nullptr), kJPEGLibraryError);
    std::vector<uint8_t> empty;
    EXPECT_EQ(Decode(empty).result, kJPEGLibraryError);
    EXPECT_EQ(Decode(empty).message, "Empty input file");
    EXPECT_EQ(Decode(MakeNoisePicture(10, 10).rgb).result, kJPEGLibraryError);

    // Cut anywhere, a stream is refused; rows before the cut may have arrived.
    const std::vector<uint8_t> whole = Encode(MakeTestPicture(48, 40), 85);
    for (size_t cut = 0; cut < whole.size(); cut += 1 + cut / 8) {
        SCOPED_TRACE(cut);
        const Outcome o = Decode(std::vector<uint8_t>(whole.begin(), whole.begin() + long(cut)));
        EXPECT_EQ(o.result, kJPEGLibraryError);
        EXPECT_LE(o.rows.rowsSeen, 40);
    }
    const Outcome last = Decode(std::vector<uint8_t>(whole.begin(), whole.end() - 2));  // no EOI
    EXPECT_EQ(last.result, kJPEGLibraryError);
    EXPECT_EQ(last.message, "Premature end of input file");
}

// Every byte of the headers set to 0x00 or 0xFF, and a scatter of damage in
// the coded data: each stream is refused or decoded, never read out of bounds
// (the sanitizer build watches).
TEST(JPEGDecoder, CorruptStreamsAreRefusedOrDecodedSafely) {
    for (const bool progressive : {false, true}) {
        Fixture f;
        f.progressive = progressive;
        const std::vector<uint8_t> good = MakeWithLibjpeg(f);
        const size_t sos = FindMarker(good, 0xDA);
        ASSERT_NE(sos, 0u);
        long refused = 0, decoded = 0;
        for (size_t i = 2; i < sos + 12 && i < good.size(); ++i) {
            for (const uint8_t value : {uint8_t(0x00), uint8_t(0xFF), uint8_t(good[i] ^ 0x5A)}) {
                std::vector<uint8_t> bad = good;
                bad[i] = value;
                const Outcome o = Decode(bad);
                (o.result == kJPEGOK ? decoded : refused)++;
                if (o.result == kJPEGOK) {
                    EXPECT_LE(o.rows.rowsSeen, o.info.height);
                }
            }
        }
        uint32_t seed = 7;
        for (int trial = 0; trial < 200; ++trial) {
            std::vector<uint8_t> bad = good;
            for (int k = 0; k < 4; ++k) {
                seed = seed * 1664525u + 1013904223u;
                bad[sos + (seed >> 8) % (good.size() - sos - 2)] = uint8_t(seed >> 24);
            }
            const Outcome o = Decode(bad);
            (o.result == kJPEGOK ? decoded : refused)++;
        }
        EXPECT_GT(refused, 0);
        EXPECT_GT(decoded, 0);
    }
}

TEST(JPEGDecoder, OversizedStreamsAreRefusedOrCutShort) {
    std::vector<uint8_t> stream = Encode(MakeTestPicture(32, 32), 80);
    // Sides beyond what a pyramid holds: refused before any row.
    for (const unsigned side : {32768u, 40000u, 65500u}) {
        std::vector<uint8_t> big = stream;
        SetFrameSize(big, side, 32);
        Outcome o = Decode(big);
        EXPECT_EQ(o.result, kJPEGBadSize);
        EXPECT_EQ(o.rows.rowsSeen, 0);
        SetFrameSize(big, 32, side);
        o = Decode(big);
        EXPECT_EQ(o.result, kJPEGBadSize);
    }
    // A frame larger than its body, but not beyond what its bytes could
    // code (at most three blocks for each 8 x 8 pixels, one bit each):
    // decoding stops as soon as the receiver has the rows it wants, the
    // missing data showing as warnings.
    const unsigned wide = unsigned(8 * stream.size() / (3 * 8)) * 8;
    ASSERT_GT(wide, 64u);
    std::vector<uint8_t> large = stream;
    SetFrameSize(large, wide, 64);
    Outcome o = Decode(large, 16);
    EXPECT_EQ(o.result, kJPEGOK) << o.message;
    EXPECT_EQ(o.rows.rowsSeen, 16);
    EXPECT_EQ(o.info.width, long(wide));
    // Without its end marker it is refused once the data runs out.
    large.resize(large.size() - 2);
    o = Decode(large);
    EXPECT_EQ(o.result, kJPEGLibraryError);
    EXPECT_LT(o.rows.rowsSeen, 64);
    // A progressive frame that large needs more working memory than allowed.
    Fixture f;
    f.progressive = true;
    std::vector<uint8_t> progressive = MakeWithLibjpeg(f);
    SetFrameSize(progressive, 30000, 30000);
    o = Decode(progressive);
    EXPECT_EQ(o.result, kJPEGLibraryError);
    EXPECT_EQ(o.message, "JPEG stream needs more memory than allowed");
    EXPECT_EQ(o.rows.rowsSeen, 0);
}

// A short stream claiming a huge frame used to be decoded whole, grey block
// after grey block once its data ran out. Its bytes cannot code that many
// blocks, so it is refused before any row; a picture that does code them
// (flat, optimised Huffman tables: two bits a block) still decodes whole.
TEST(JPEGDecoder, StreamsTooShortForTheirFrameAreRefused) {
    struct Case {
        bool grey;
        unsigned width, height;
    };
    for (const Case c : {Case{true, 22000, 22000}, Case{false, 22000, 22000}, Case{false, 32767, 16},
                         Case{true, 16, 32767}}) {
        SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height) + (c.grey ? " grey" : " colour"));
        Fixture f;
        f.width = f.height = 16;
        if (c.grey) {
            f.space = JCS_GRAYSCALE;
            f.components = 1;
        }
        std::vector<uint8_t> stream = MakeWithLibjpeg(f);
        SetFrameSize(stream, c.width, c.height);
        ASSERT_LT(stream.size(), 700u);
        const Outcome o = Decode(stream);
        EXPECT_EQ(o.result, kJPEGLibraryError);
        EXPECT_EQ(o.rows.rowsSeen, 0);
        EXPECT_EQ(o.message, "JPEG stream of " + std::to_string(stream.size()) + " bytes is too short for " +
                                 std::to_string(c.width) + " x " + std::to_string(c.height) + " pixels");
    }
    RGBPicture flat;
    flat.width = flat.height = 1024;
    flat.rgb.assign(size_t(1024 * 1024 * 3), 90);
    ASSERT_TRUE(EncoderOptimisesHuffman(1024, 1024, 90));
    const std::vector<uint8_t> stream = Encode(flat, 90);
    EXPECT_LT(stream.size() * 8, 3u * 16384 * 3);  // under 3 bits for each of at most 3 x 16,384 blocks
    const Outcome o = Decode(stream);
    ASSERT_EQ(o.result, kJPEGOK) << o.message;
    EXPECT_EQ(o.rows.rowsSeen, 1024);
    EXPECT_LT(Compare(flat, o.rows.picture, 1024, 1024).largest, 2);
}

TEST(JPEGDecoder, TooManyScansAreRefused) {
    Fixture f;
    f.width = f.height = 16;
    f.manyScans = true;
    const Outcome o = Decode(MakeWithLibjpeg(f));
    EXPECT_EQ(o.result, kJPEGLibraryError);
    EXPECT_EQ(o.message, "JPEG stream has too many scans");
    EXPECT_EQ(o.rows.rowsSeen, 0);
}

TEST(JPEGDecoder, PixelConversions) {
    const uint8_t mixed[3] = {10, 20, 30};
    EXPECT_EQ(PackedRGBAFromJPEGPixel(mixed, 0, 3), 0x0A141EFFu);
    const uint8_t greys[2] = {7, 200};
    EXPECT_EQ(PackedRGBAFromJPEGPixel(greys, 1, 1), 0xC8C8C8FFu);
}

}  // namespace
