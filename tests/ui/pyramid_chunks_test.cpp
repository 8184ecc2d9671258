// Memory chunks of pyramid levels, half floats against Python's IEEE half
// packing, images drawn into pyramids with and without flip, and PyrMinMax.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "platform/cg_image.h"
#include "pyramid/pixels.h"
#include "pyramid/pyramid.h"
#include "tests/pyramid/pyramid_fixture.h"
#include "ui/pyramid_chunks.h"

namespace {

TEST(CGPyramid, ChunksAlphaFirstTopRowFirst) {
    TestPyramid one(1, 1, kPyrColour8, 0);
    ASSERT_TRUE(one.ok);
    set_pyramid_sample_point4(0, 0, one.get(), 0, 10, 20, 30, 40);
    uint8_t argb[4] = {};
    CopyPyr4ToARGBMemchunk(one.get(), 0, argb);
    EXPECT_EQ(std::vector<uint8_t>(argb, argb + 4), (std::vector<uint8_t>{40, 10, 20, 30}));

    // Rows: the chunk's first row is the pyramid's last.
    TestPyramid g(2, 3, kPyrGrey8, 0);
    ASSERT_TRUE(g.ok);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 2; ++x) set_pyramid_sample_point1(x, y, g.get(), 0, 10 * y + x);
    uint8_t grey[24] = {};
    CopyPyr1ToGreyMemchunk(g.get(), 0, grey);
    EXPECT_EQ(std::vector<uint8_t>(grey, grey + 8), (std::vector<uint8_t>{255, 20, 20, 20, 255, 21, 21, 21}));
    EXPECT_EQ(grey[16 + 1], 0);
    EXPECT_EQ(grey[20 + 1], 1);

    // Floats: clamped, truncated.
    TestPyramid f(3, 1, kPyrGreyFloat, 0);
    ASSERT_TRUE(f.ok);
    const float values[3] = {1.5f, -0.2f, 0.5f};
    for (int x = 0; x < 3; ++x) set_pyramid_sample_point_float(x, 0, f.get(), 0, values[x]);
    uint8_t fg[12] = {};
    CopyPyrFloatToGreyMemchunk(f.get(), 0, fg);
    EXPECT_EQ(fg[0], 255);
    EXPECT_EQ(fg[1], 255);
    EXPECT_EQ(fg[5], 0);
    EXPECT_EQ(fg[9], 127);

    // Other kinds, missing levels and null pyramids write nothing.
    uint8_t untouched[4] = {7, 7, 7, 7};
    CopyPyr4ToARGBMemchunk(g.get(), 0, untouched);
    CopyPyr1ToGreyMemchunk(g.get(), 9, untouched);
    CopyPyrFloatToGreyMemchunk(nullptr, 0, untouched);
    PyramidDescriptor empty{};
    CopyPyr1ToGreyMemchunk(&empty, 0, untouched);
    EXPECT_EQ(std::vector<uint8_t>(untouched, untouched + 4), (std::vector<uint8_t>{7, 7, 7, 7}));
}

TEST(CGPyramid, HalfFloatsMatchIEEEHalfPacking) {
    // 1.0, the largest half, overflow, the smallest subnormal, other
    // subnormals, a halfway case that rounds to even, negatives.
    const std::vector<float> values = {1.0f,     65504.0f, 65519.0f,  65520.0f, 1.0e6f,  -1.0e6f,    5.9604645e-8f,
                                       1.0e-5f,  2.9802322e-8f, 6.0e-5f, -2.5f,   0.1f,       0.0f,         -0.0f};
    TestPyramid f(int64_t(values.size()), 1, kPyrGreyFloat, 0);
    ASSERT_TRUE(f.ok);
    for (size_t x = 0; x < values.size(); ++x) set_pyramid_sample_point_float(int64_t(x), 0, f.get(), 0, values[x]);
    std::vector<uint16_t> half(values.size(), 0xABCD);
    CopyPyrFloatToFloat16Memchunk(f.get(), 0, half.data());
    // Python packs IEEE halves itself ('e'); values too large for a half are
    // infinities by the standard's rounding, which struct refuses to pack.
    std::ostringstream list;
    for (float v : values) list << std::hexfloat << double(v) << ",";
    const std::string command = "python3 -c \"import struct,sys\n"
                                "for t in sys.argv[1].split(',')[:-1]:\n"
                                "  v=float.fromhex(t)\n"
                                "  try: print(struct.unpack('<H',struct.pack('<e',v))[0])\n"
                                "  except OverflowError: print(0x7C00 | (0x8000 if v<0 else 0))\n\" " +
                                list.str();
    FILE* p = popen(command.c_str(), "r");
    ASSERT_NE(p, nullptr);
    for (size_t i = 0; i < values.size(); ++i) {
        unsigned expected = 0;
        ASSERT_EQ(std::fscanf(p, "%u", &expected), 1);
        EXPECT_EQ(half[i], expected) << values[i];
    }
    EXPECT_EQ(pclose(p), 0);
    EXPECT_EQ(half[3], 0x7C00);  // overflow is infinity
    EXPECT_EQ(half[6], 0x0001);  // the smallest subnormal
}

TEST(CGPyramid, PyrMinMax) {
    TestPyramid f(4, 2, kPyrGreyFloat, 0);
    ASSERT_TRUE(f.ok);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x) set_pyramid_sample_point_float(x, y, f.get(), 0, float(x - y) * 5.0f);
    float lo = 0, hi = 0;
    ASSERT_TRUE(getMinAndMaxFromFloatPyr(f.get(), &lo, &hi));
    EXPECT_EQ(lo, -5.0f);
    EXPECT_EQ(hi, 15.0f);
    PyramidDescriptor* stretched = createContrastStretchedColorPyrFromFloatPyr(f.get());
    ASSERT_NE(stretched, nullptr);
    EXPECT_EQ(get_pyramid_sample_point4_raw(2, 0, stretched, 0), 0x666666FFu);  // 10 / 25 of 255, truncated
    EXPECT_EQ(get_pyramid_sample_point4_raw(0, 1, stretched, 0), 0x000000FFu);  // negative is black
    DisposeDynamicPyramid(&stretched);
    PyramidDescriptor* normalised = createContrastNormalizedColorPyrFromFloatPyr(f.get());
    ASSERT_NE(normalised, nullptr);
    EXPECT_EQ(get_pyramid_sample_point4_raw(0, 1, normalised, 0), 0x000000FFu);
    EXPECT_EQ(get_pyramid_sample_point4_raw(3, 0, normalised, 0), 0xFFFFFFFFu);
    DisposeDynamicPyramid(&normalised);
    FitFloatsIntoUnityRange(f.get());
    EXPECT_EQ(get_pyramid_sample_point_float(0, 1, f.get(), 0), 0.0f);
    EXPECT_EQ(get_pyramid_sample_point_float(3, 0, f.get(), 0), 1.0f);
    EXPECT_EQ(get_pyramid_sample_point_float(1, 0, f.get(), 0), 0.5f);
    // All equal: everything 0.
    TestPyramid flat(3, 3, kPyrGreyFloat, 0);
    ASSERT_TRUE(flat.ok);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x) set_pyramid_sample_point_float(x, y, flat.get(), 0, 7.0f);
    FitFloatsIntoUnityRange(flat.get());
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x) EXPECT_EQ(get_pyramid_sample_point_float(x, y, flat.get(), 0), 0.0f);
    addWhiteNoiseTo(flat.get(), 0.5f);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x) {
            EXPECT_GE(get_pyramid_sample_point_float(x, y, flat.get(), 0), 0.0f);
            EXPECT_LE(get_pyramid_sample_point_float(x, y, flat.get(), 0), 0.5f);
        }
    TestPyramid colour(2, 2, kPyrColour8, 0);
    ASSERT_TRUE(colour.ok);
    EXPECT_FALSE(getMinAndMaxFromFloatPyr(colour.get(), &lo, &hi));
    EXPECT_EQ(createContrastNormalizedColorPyrFromFloatPyr(colour.get()), nullptr);
}

TEST(CGPyramid, ImagesFromPyramidsAndBitmapContexts) {
    TestPyramid a(5, 4, kPyrColour8, 0);
    ASSERT_TRUE(a.ok);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x) set_pyramid_sample_point4(x, y, a.get(), 0, 40 * x, 60 * y, 7, y == 3 ? 128 : 255);
    uint8_t* buffer = nullptr;
    CGImageRef image = CGImageCreateFromPyr_and_allocate_memory(a.get(), &buffer);
    ASSERT_NE(image, nullptr);
    EXPECT_NE(buffer, nullptr);
    EXPECT_EQ(CGImageGetWidth(image), 5u);
    // The image's top row is the pyramid's last, each pixel red, green, blue, alpha.
    const uint8_t* pixels = CGImageGetRGBA8Pixels(image);
    ASSERT_NE(pixels, nullptr);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x) {
            const uint8_t* p = pixels + ((3 - y) * 5 + x) * 4;
            const uint8_t want[4] = {uint8_t(40 * x), uint8_t(60 * y), 7, uint8_t(y == 3 ? 128 : 255)};
            EXPECT_EQ(std::vector<uint8_t>(p, p + 4), std::vector<uint8_t>(want, want + 4)) << x << "," << y;
        }
    // A colour context holds the image premultiplied, alpha first.
    CGContextRef colour = CreateARGBBitmapContext(image, true);
    ASSERT_NE(colour, nullptr);
    CGContextDrawImage(colour, image);
    const uint8_t* top = CGBitmapContextGetData(colour);  // pyramid row 3: alpha 128
    EXPECT_EQ(top[4 * 2 + 0], 128);
    EXPECT_EQ(top[4 * 2 + 1], (80 * 128 + 127) / 255);
    CGContextRelease(colour);
    CGContextRef grey = CreateARGBBitmapContextOfDimensions(5, 4, false);
    ASSERT_NE(grey, nullptr);
    CGContextDrawImage(grey, image);
    EXPECT_EQ(CGBitmapContextGetData(grey)[4 * 5 * 3 + 0], (30 * 0 + 59 * 0 + 11 * 7 + 50) / 100);  // bottom row, x 0
    CGContextRelease(grey);
    CGImageRelease(image);  // frees buffer
    testing::internal::CaptureStderr();
    EXPECT_EQ(CreateARGBBitmapContextOfDimensions(0, 4, true), nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");   // a trace only when asked for
    // Only kind 3 for the first; kinds 0, 3 and 5 for the second.
    TestPyramid f(2, 2, kPyrGreyFloat, 0);
    ASSERT_TRUE(f.ok);
    EXPECT_EQ(CGImageCreateFromPyr_and_allocate_memory(f.get(), &buffer), nullptr);
    EXPECT_EQ(buffer, nullptr);
    set_pyramid_sample_point_float(1, 1, f.get(), 0, 0.5f);
    CGImageRef g = CGImageCreateFromPyr_and_allocate_memory_iphone(f.get(), true);
    ASSERT_NE(g, nullptr);
    const uint8_t* rgba = CGImageGetRGBA8Pixels(g);
    EXPECT_EQ(rgba[4 * 1 + 0], 127);  // pyramid (1, 1) is the image's top right
    EXPECT_EQ(rgba[4 * 1 + 3], 255);
    CGImageRelease(g);
    TestPyramid c16(2, 2, kPyrColour16, 0);
    ASSERT_TRUE(c16.ok);
    EXPECT_EQ(CGImageCreateFromPyr_and_allocate_memory_iphone(c16.get(), false), nullptr);
}

}  // namespace
