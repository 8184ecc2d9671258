#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "files/exif.h"
#include "files/iptc.h"
#include "files/jpeg_pyramid.h"
#include "jpeg_test_support.h"
#include "platform/host/filter_record.h"
#include "platform/host/host_types.h"
#include "pyramid/pixels.h"
#include "pyramid/pyramid.h"

using namespace jpegtest;

namespace {

BufferProcs gHostProcs{};  // stands in for the host's buffer procedures

struct PyramidHolder {
    PyramidDescriptor* pyr = nullptr;
    PyramidHolder(int64_t w, int64_t h, int64_t kind, BufferProcs* procs = &gHostProcs) {
        pyr = AllocateDynamicPyramid(w, h, kind, 0, 0, procs);
    }
    ~PyramidHolder() { DisposeDynamicPyramid(&pyr); }
};

void Paint(PyramidDescriptor* pyr, const RGBPicture& p) {
    for (long y = 0; y < p.height; ++y)
        for (long x = 0; x < p.width; ++x) {
            const uint8_t* c = p.at(x, y);
            set_pyramid_sample_point4(x, y, pyr, 0, c[0], c[1], c[2], 255);
        }
}

RGBPicture Read(const PyramidDescriptor* pyr) {
    RGBPicture p;
    p.width = pyr->width[0];
    p.height = pyr->height[0];
    p.rgb.resize(size_t(p.width * p.height) * 3);
    for (long y = 0; y < p.height; ++y)
        for (long x = 0; x < p.width; ++x) {
            float c[4];
            get_intcoord_unitary_color(x, y, pyr, 0, c);
            for (int k = 0; k < 3; ++k) p.rgb[size_t(y * p.width + x) * 3 + k] = uint8_t(std::lround(c[k] * 255));
        }
    return p;
}

std::vector<uint8_t> WriteToMemory(const PyramidDescriptor* pyr, bool header, long quality, int* result,
                                   TIPTCThing* iptc = nullptr, TEXIFThing* exif = nullptr) {
    TempDir dir;
    const std::string path = dir.File("out.bin");
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    *result = WritePyrToJFIF(pyr, fd, header, quality, 0, nullptr, iptc, exif);
    close(fd);
    return ReadFile(path);
}

TEST(JPEGPyramid, MissingPyramidTilesOrProcsAreRefused) {
    int result = -1;
    EXPECT_TRUE(WriteToMemory(nullptr, true, 80, &result).empty());
    EXPECT_EQ(result, kJPEGNoPyramid);

    PyramidDescriptor bare{};
    InitPyramidProcs(&bare, &gHostProcs);
    EXPECT_TRUE(WriteToMemory(&bare, true, 80, &result).empty());
    EXPECT_EQ(result, kJPEGNoTiles);

    PyramidHolder noProcs(20, 20, kPyrColour8, nullptr);
    ASSERT_NE(noProcs.pyr, nullptr);
    EXPECT_TRUE(WriteToMemory(noProcs.pyr, true, 80, &result).empty());
    EXPECT_EQ(result, kJPEGNoBufferProcs);

    const uint8_t byte = 0;
    EXPECT_EQ(DecompressJPEG(nullptr, nullptr, &byte, 1), kJPEGNoPyramid);
    EXPECT_EQ(DecompressJPEG(&bare, nullptr, &byte, 1), kJPEGNoTiles);
    size_t length = 99;
    uint8_t out[16];
    EXPECT_EQ(CompressJPEG(&bare, VRect{0, 0, 16, 16}, out, sizeof out, 80, false, &length, 0, nullptr,
                           nullptr, nullptr),
              kJPEGNoTiles);
    EXPECT_EQ(length, 0u);
}

// A 10 x 10 pyramid becomes a 16 x 16 preview whose padding repeats the edge.
TEST(JPEGPyramid, SmallPyramidIsWrittenAsSixteenSquarePreview) {
    PyramidHolder holder(10, 10, kPyrColour8);
    const RGBPicture picture = MakeTestPicture(10, 10);
    Paint(holder.pyr, picture);
    int result = -1;
    const std::vector<uint8_t> bytes = WriteToMemory(holder.pyr, true, 90, &result);
    ASSERT_EQ(result, kJPEGOK);
    ASSERT_GT(bytes.size(), 16u);
    const std::vector<uint8_t> header(bytes.begin(), bytes.begin() + 12);
    EXPECT_EQ(header, (std::vector<uint8_t>{0, 0, 0, 1, 0, 0, 0, 16, 0, 0, 0, 16}));
    const size_t length = size_t(bytes[12]) << 24 | size_t(bytes[13]) << 16 | size_t(bytes[14]) << 8 | bytes[15];
    ASSERT_EQ(length, bytes.size() - 16);
    const std::vector<uint8_t> stream(bytes.begin() + 16, bytes.end());
    // The same pixels on a plain buffer encode to the same stream.
    EXPECT_EQ(stream, Encode(picture, 90));

    PyramidHolder back(16, 16, kPyrColour8);
    ASSERT_EQ(DecompressJPEG(back.pyr, nullptr, stream.data(), stream.size()), kJPEGOK);
    const RGBPicture decoded = Read(back.pyr);
    EXPECT_LT(Compare(picture, decoded, 10, 10).mean, 2.0);
    // Column 15 repeats column 9, row 15 row 9, within JPEG error.
    for (long i = 0; i < 10; ++i) {
        EXPECT_NEAR(decoded.at(15, i)[0], picture.at(9, i)[0], 12);
        EXPECT_NEAR(decoded.at(i, 15)[1], picture.at(i, 9)[1], 12);
    }
}

TEST(JPEGPyramid, PreviewRoundTripAndTools) {
    PyramidHolder holder(128, 128, kPyrColour8);
    const RGBPicture picture = MakeTestPicture(128, 128);
    Paint(holder.pyr, picture);
    TIPTCThing iptc;
    InitIPTC(&iptc);
    AddIPTCKeyword(&iptc, "preset");
    TEXIFThing exif;
    InitEXIF(&exif);
    int result = -1;
    const std::vector<uint8_t> stream = WriteToMemory(holder.pyr, false, 85, &result, &iptc, &exif);
    ASSERT_EQ(result, kJPEGOK);
    dispose_IPTC_resource_memory(&iptc, 0);
    dispose_EXIF_resource_memory(&exif, 0);

    PyramidHolder back(128, 128, kPyrColour8);
    ASSERT_EQ(DecompressJPEG(back.pyr, nullptr, stream.data(), stream.size()), kJPEGOK);
    EXPECT_LT(Compare(picture, Read(back.pyr), 128, 128).mean, 2.0);
    for (long y : {0L, 77L, 127L})
        EXPECT_EQ(get_pyramid_sample_point4_raw(5, y, back.pyr, 0) & 255, 255u);  // opaque

    if (ToolAvailable("djpeg")) {
        TempDir dir;
        ASSERT_TRUE(WriteFile(dir.File("p.jpg"), stream));
        RGBPicture reference;
        ASSERT_TRUE(ParsePPM(RunTool("djpeg -pnm '" + dir.File("p.jpg") + "'"), &reference));
        EXPECT_EQ(reference.rgb, Read(back.pyr).rgb);
        if (ToolAvailable("exiftool")) {
            EXPECT_EQ(RunTool("exiftool -s -s -s -Keywords -Software '" + dir.File("p.jpg") + "'"),
                      "Vornesk 2, preset\nVornesk 2\n");
        }
    }
}

TEST(JPEGPyramid, DecodingFillsOnlyThePyramidsArea) {
    const RGBPicture picture = MakeTestPicture(40, 30);
    const std::vector<uint8_t> stream = Encode(picture, 90);

    // Larger stream than pyramid: the pyramid's area only.
    PyramidHolder small(25, 12, kPyrColour8);
    ASSERT_EQ(DecompressJPEG(small.pyr, nullptr, stream.data(), stream.size()), kJPEGOK);
    EXPECT_LT(Compare(picture, Read(small.pyr), 25, 12).mean, 2.0);

    // Smaller stream than pyramid: the rest keeps what it held.
    PyramidHolder large(64, 48, kPyrColour8);
    for (long y = 0; y < 48; ++y)
        for (long x = 0; x < 64; ++x) set_pyramid_sample_point4_raw(x, y, large.pyr, 0, 0x12345678u);
    ASSERT_EQ(DecompressJPEG(large.pyr, nullptr, stream.data(), stream.size()), kJPEGOK);
    EXPECT_LT(Compare(picture, Read(large.pyr), 40, 30).mean, 2.0);
    EXPECT_EQ(get_pyramid_sample_point4_raw(40, 0, large.pyr, 0), 0x12345678u);
    EXPECT_EQ(get_pyramid_sample_point4_raw(0, 30, large.pyr, 0), 0x12345678u);
    EXPECT_EQ(get_pyramid_sample_point4_raw(63, 47, large.pyr, 0), 0x12345678u);

    // Grey pyramid: the weighted sum of the decoded colours.
    PyramidHolder grey(40, 30, kPyrGrey8);
    ASSERT_EQ(DecompressJPEG(grey.pyr, nullptr, stream.data(), stream.size()), kJPEGOK);
    PyramidHolder colour(40, 30, kPyrColour8);
    ASSERT_EQ(DecompressJPEG(colour.pyr, nullptr, stream.data(), stream.size()), kJPEGOK);
    for (long y = 0; y < 30; y += 7)
        for (long x = 0; x < 40; x += 9) {
            const uint32_t w = get_pyramid_sample_point4_raw(x, y, colour.pyr, 0);
            EXPECT_EQ(get_pyramid_sample_point1(x, y, grey.pyr, 0),
                      (77 * (w >> 24) + 150 * ((w >> 16) & 255) + 28 * ((w >> 8) & 255)) >> 8);
        }

    // A float pyramid takes unit colours.
    PyramidHolder floats(40, 30, kPyrColourFloat);
    ASSERT_EQ(DecompressJPEG(floats.pyr, nullptr, stream.data(), stream.size()), kJPEGOK);
    float c[4];
    get_intcoord_unitary_color(3, 4, floats.pyr, 0, c);
    const uint32_t w = get_pyramid_sample_point4_raw(3, 4, colour.pyr, 0);
    EXPECT_FLOAT_EQ(c[0], float(w >> 24) / 255.0f);
    EXPECT_FLOAT_EQ(c[3], 1.0f);
}

TEST(JPEGPyramid, CorruptStreamLeavesThePyramidSafe) {
    PyramidHolder holder(32, 32, kPyrColour8);
    std::vector<uint8_t> stream = Encode(MakeTestPicture(32, 32), 80);
    stream.resize(stream.size() / 2);
    EXPECT_EQ(DecompressJPEG(holder.pyr, nullptr, stream.data(), stream.size()), kJPEGLibraryError);
    EXPECT_EQ(DecompressJPEG(holder.pyr, nullptr, nullptr, 0), kJPEGLibraryError);
}

// Float colours outside 0..1 (and NaN) are clamped before they become bytes.
TEST(JPEGPyramid, FloatPyramidColoursAreClamped) {
    PyramidHolder holder(16, 16, kPyrColourFloat);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (long y = 0; y < 16; ++y)
        for (long x = 0; x < 16; ++x)
            set_pyramid_sample_point128bit_floats(x, y, holder.pyr, 0, x < 8 ? 2.0f : -1.0f,
                                                  y < 8 ? nan : 0.5f, 1.0f, 1.0f);
    std::vector<uint8_t> out(20000);
    size_t length = 0;
    ASSERT_EQ(CompressJPEG(holder.pyr, VRect{0, 0, 16, 16}, out.data(), out.size(), 99, false, &length, 0,
                           nullptr, nullptr, nullptr),
              kJPEGOK);
    ASSERT_GT(length, 0u);
    out.resize(length);
    PyramidHolder back(16, 16, kPyrColour8);
    ASSERT_EQ(DecompressJPEG(back.pyr, nullptr, out.data(), out.size()), kJPEGOK);
    const uint32_t a = get_pyramid_sample_point4_raw(2, 2, back.pyr, 0);
    const uint32_t b = get_pyramid_sample_point4_raw(13, 13, back.pyr, 0);
    EXPECT_NEAR(double(a >> 24), 255, 3);
    EXPECT_NEAR(double((a >> 16) & 255), 0, 3);
    EXPECT_NEAR(double(b >> 24), 0, 3);
    EXPECT_NEAR(double((b >> 16) & 255), 127, 3);
    EXPECT_NEAR(double((b >> 8) & 255), 255, 3);

    // The same into a buffer too small: refused, nothing reported written.
    std::vector<uint8_t> tiny(64);
    EXPECT_EQ(CompressJPEG(holder.pyr, VRect{0, 0, 16, 16}, tiny.data(), tiny.size(), 99, false, &length, 0,
                           nullptr, nullptr, nullptr),
              kJPEGLibraryError);
    EXPECT_EQ(length, 0u);
}

// JPEG has no transparency: the writer lays a picture's transparent parts
// on white, as the command line flattens a result for JPEG, so a gallery's
// thumbnail of a net shows the net on white, not on the black a transparent
// pixel holds. Covered in part, a colour lies partly over white; opaque, as
// it is. In 8-bit and float pictures alike.
TEST(JPEGPyramid, TransparentPartsLieOnWhite) {
    for (const int64_t kind : {int64_t(kPyrColour8), int64_t(kPyrColourFloat)}) {
        SCOPED_TRACE(kind);
        PyramidHolder holder(48, 16, kind);
        for (long y = 0; y < 16; ++y)
            for (long x = 0; x < 48; ++x) {
                // Clear black, red half covered, opaque blue.
                const float c[3][4] = {{0, 0, 0, 0}, {1, 0, 0, 128 / 255.0f}, {0, 0, 1, 1}};
                set_intcoord_unitary_color(x, y, holder.pyr, 0, c[x / 16]);
            }
        int result = 0;
        const std::vector<uint8_t> jpeg = WriteToMemory(holder.pyr, false, 95, &result);
        ASSERT_EQ(result, kJPEGOK);
        PyramidHolder back(48, 16, kPyrColour8);
        ASSERT_EQ(DecompressJPEG(back.pyr, nullptr, jpeg.data(), jpeg.size()), kJPEGOK);
        const RGBPicture seen = Read(back.pyr);
        const int expected[3][3] = {{255, 255, 255}, {255, 127, 127}, {0, 0, 255}};
        for (int part = 0; part < 3; ++part)
            for (int k = 0; k < 3; ++k) EXPECT_NEAR(seen.at(8 + 16 * part, 8)[k], expected[part][k], 4) << part;
    }
}

}  // namespace
