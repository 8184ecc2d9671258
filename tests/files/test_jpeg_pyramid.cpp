#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "files/exif.h"
#include "files/iptc.h"
#include "files/jpeg_codec.h"
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

// The picture a stream decodes to, through the plug-in's decoder.
RGBPicture Decode(const std::vector<uint8_t>& stream) {
    Collected rows;
    EXPECT_EQ(DecompressJPEGRows(stream.data(), stream.size(), CollectRows, &rows), kJPEGOK);
    return rows.picture;
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

    const RGBPicture decoded = Decode(stream);
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

    const RGBPicture decoded = Decode(stream);
    EXPECT_LT(Compare(picture, decoded, 128, 128).mean, 2.0);

    if (ToolAvailable("djpeg")) {
        TempDir dir;
        ASSERT_TRUE(WriteFile(dir.File("p.jpg"), stream));
        RGBPicture reference;
        ASSERT_TRUE(ParsePPM(RunTool("djpeg -pnm '" + dir.File("p.jpg") + "'"), &reference));
        EXPECT_EQ(reference.rgb, decoded.rgb);
        if (ToolAvailable("exiftool")) {
            EXPECT_EQ(RunTool("exiftool -s -s -s -Keywords -Software '" + dir.File("p.jpg") + "'"),
                      "Vornesk 2, preset\nVornesk 2\n");
        }
    }
}

// Float colours outside 0..1 (and NaN) are clamped before they become bytes.
TEST(JPEGPyramid, FloatPyramidColoursAreClamped) {
    PyramidHolder holder(16, 16, kPyrColourFloat);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (long y = 0; y < 16; ++y)
        for (long x = 0; x < 16; ++x)
            set_pyramid_sample_point128bit_floats(x, y, holder.pyr, 0, x < 8 ? 2.0f : -1.0f,
                                                  y < 8 ? nan : 0.5f, 1.0f, 1.0f);
    int result = -1;
    const RGBPicture seen = Decode(WriteToMemory(holder.pyr, false, 99, &result));
    ASSERT_EQ(result, kJPEGOK);
    EXPECT_NEAR(seen.at(2, 2)[0], 255, 3);
    EXPECT_NEAR(seen.at(2, 2)[1], 0, 3);
    EXPECT_NEAR(seen.at(13, 13)[0], 0, 3);
    EXPECT_NEAR(seen.at(13, 13)[1], 127, 3);
    EXPECT_NEAR(seen.at(13, 13)[2], 255, 3);
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
        const RGBPicture seen = Decode(jpeg);
        const int expected[3][3] = {{255, 255, 255}, {255, 127, 127}, {0, 0, 255}};
        for (int part = 0; part < 3; ++part)
            for (int k = 0; k < 3; ++k) EXPECT_NEAR(seen.at(8 + 16 * part, 8)[k], expected[part][k], 4) << part;
    }
}

}  // namespace
