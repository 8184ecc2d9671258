// Whole-level painting and conversion. Under AddressSanitizer the fills of
// the narrow kinds also show that nothing is written beyond their tiles.
#include <gtest/gtest.h>

#include <cmath>

#include "pyramid/level_paint.h"
#include "pyramid_fixture.h"

namespace {

TEST(LevelPaint, SolidFillsWriteEachKindInItsOwnWidth) {
    TestPyramid c(530, 20, kPyrColour8, 0), g(530, 20, kPyrGrey8, 0), s(530, 20, kPyrGrey16, 0), w(30, 20, kPyrColour16, 0);
    ASSERT_TRUE(c.ok && g.ok && s.ok && w.ok);
    PaintLevelSolidColor(c.get(), 0, 1, 2, 3, 4);
    // Kind 3 fills whole tiles, also past the level's right edge.
    const MemTile& edge = c->tiles[c->firstTile[0] + 1];
    EXPECT_EQ(static_cast<uint32_t*>(edge.pixels)[511], 0x01020304u);
    PaintLevelSolidColor_32bit_color(g.get(), 0, 9, 0, 0, 0);   // bytes: through the setter
    EXPECT_EQ(get_pyramid_sample_point1(529, 19, g.get(), 0), 9);
    PaintLevelSolidColor1(g.get(), 0, 77);
    EXPECT_EQ(static_cast<uint8_t*>(g->tiles[g->firstTile[0] + 1].pixels)[511], 77);
    PaintLevelSolidColor2(s.get(), 0, 30000);
    EXPECT_EQ(get_pyramid_sample_point16bit(529, 19, s.get(), 0), 30000);
    PaintLevelSolidColor2(g.get(), 0, 0xABCD);   // one-byte pixels take no shorts
    EXPECT_EQ(get_pyramid_sample_point1(3, 3, g.get(), 0), 77);
    PaintLevelSolidColor_32bit_color(w.get(), 0, 100, 200, 300, 32768);
    int64_t v[4];
    get_pyramid_sample_point64bit(29, 19, w.get(), 0, &v[0], &v[1], &v[2], &v[3]);
    EXPECT_EQ(v[2], 300);
    EXPECT_EQ(v[3], 32768);
}

TEST(LevelPaint, StripesStayInsideTheLevel) {
    TestPyramid c(10, 6, kPyrColour8, 0);
    ASSERT_TRUE(c.ok);
    PaintLevelWords(c.get(), 0);
    PaintHStripe(2, 7, 100, 0xFFu, c.get());
    PaintHStripe(3, 5, 4, 0xFFu, c.get());   // x1 < x0: nothing
    PaintVStripe(1, -4, 2, 0xEEu, c.get());
    int64_t painted = 0;
    for (int64_t y = 0; y < 6; ++y)
        for (int64_t x = 0; x < 10; ++x) painted += get_pyramid_sample_point4_raw(x, y, c.get(), 0) != 0;
    EXPECT_EQ(painted, 3 + 3);
    EXPECT_EQ(get_pyramid_sample_point4_raw(9, 2, c.get(), 0), 0xFFu);
    EXPECT_EQ(get_pyramid_sample_point4_raw(1, 0, c.get(), 0), 0xEEu);
}

TEST(LevelPaint, LinesAreDotsOnePixelApart) {
    TestPyramid c(16, 16, kPyrColourFloat, 0);
    ASSERT_TRUE(c.ok);
    FillLevel(c.get(), 0, [](int64_t, int64_t, float* k) { k[0] = k[1] = k[2] = k[3] = 0.0f; });
    const float white[4] = {1, 1, 1, 1};
    PaintLineColor(c.get(), 0, white, 0, 0, 3, 4);   // length 5: six dots at 0, 1, ... 5 along the line
    float sum = 0;
    for (int64_t y = 0; y < 16; ++y)
        for (int64_t x = 0; x < 16; ++x) {
            float k[4];
            get_intcoord_unitary_color(x, y, c.get(), 0, k);
            sum += k[3];
        }
    EXPECT_GT(sum, 4.0f);
    EXPECT_LE(sum, 6.0f);
    float end[4];
    get_intcoord_unitary_color(3, 4, c.get(), 0, end);
    EXPECT_EQ(end[3], 1.0f);
    TestPyramid d(8, 8, kPyrColourFloat, 0);
    FillLevel(d.get(), 0, [](int64_t, int64_t, float* k) { k[0] = k[1] = k[2] = k[3] = 0.0f; });
    PaintLineColor(d.get(), 0, white, 0, 0, 40001, 0);
    PaintLineColor(d.get(), 0, white, NAN, 0, 1, 1);
    get_intcoord_unitary_color(1, 0, d.get(), 0, end);
    EXPECT_EQ(end[3], 0.0f);
}

TEST(LevelPaint, AverageColourLeavesTheLevelAndKeepsItsScale) {
    TestPyramid c(7, 5, kPyrColour8, 0), w(7, 5, kPyrColour16, 0);
    ASSERT_TRUE(c.ok && w.ok);
    PaintLevelWords(c.get(), 0x10204080u);
    set_pyramid_sample_point4(0, 0, c.get(), 0, 51, 32, 64, 128);
    int64_t a[4];
    GetAverageColorOfLevel(c.get(), 0, &a[0], &a[1], &a[2], &a[3]);
    EXPECT_EQ(a[0], (34 * 16 + 51) / 35);
    EXPECT_EQ(a[2], 64);
    EXPECT_EQ(get_pyramid_sample_point4_raw(0, 3, c.get(), 0), 0x10204080u);
    FillLevel(w.get(), 0, [](int64_t, int64_t, float* k) { k[0] = 0.5f, k[1] = 0.25f, k[2] = 1.0f, k[3] = 1.0f; });
    GetAverageColorOfLevel(w.get(), 0, &a[0], &a[1], &a[2], &a[3]);
    EXPECT_EQ(a[0], 16384);
    EXPECT_EQ(a[2], 32768);
    int64_t k[4];
    get_pyramid_sample_point64bit(0, 2, w.get(), 0, &k[0], &k[1], &k[2], &k[3]);
    EXPECT_EQ(k[0], 16384);
}

TEST(LevelPaint, BrightnessOfWhiteIsOne) {
    TestPyramid c(6, 4, kPyrColour8, 0), f(6, 4, kPyrGreyFloat, 0), q(6, 4, kPyrColourFloat, 0), s(6, 4, kPyrGrey16, 0);
    ASSERT_TRUE(c.ok && f.ok && q.ok && s.ok);
    PaintLevelWords(c.get(), 0xFFFFFFFFu);
    set_pyramid_sample_point4(1, 1, c.get(), 0, 255, 0, 0, 255);
    PaintBrightnessColortoFloatOr128bit(c.get(), f.get(), 0, VRect{-3, -3, 99, 99});
    EXPECT_FLOAT_EQ(get_pyramid_sample_point_float(0, 0, f.get(), 0), 1.0f);
    EXPECT_NEAR(get_pyramid_sample_point_float(1, 1, f.get(), 0), 0.31f / 0.99f, 1e-6f);
    PaintBrightnessColortoFloatOr128bit(c.get(), q.get(), 0, VRect{0, 0, 4, 6});
    float v[4];
    get_pyramid_sample_point128bit_floats(5, 3, q.get(), 0, v);
    EXPECT_FLOAT_EQ(v[0], 1.0f);
    EXPECT_EQ(v[3], 1.0f);
    PaintBrightness32to16(c.get(), s.get());
    EXPECT_EQ(get_pyramid_sample_point16bit(0, 0, s.get(), 0), 1020);
    EXPECT_EQ(get_pyramid_sample_point16bit(1, 1, s.get(), 0), 255);
}

TEST(LevelPaint, PatternsAndConversions) {
    TestPyramid c(20, 20, kPyrColour8, 0), g(20, 20, kPyrGrey8, 0), f(20, 20, kPyrGreyFloat, 0);
    ASSERT_TRUE(c.ok && g.ok && f.ok);
    PaintTestPattern(c.get());
    EXPECT_EQ(get_pyramid_sample_point4_raw(5, 3, c.get(), 0), 0x065BB0FFu);   // 6, 91, 176, 255
    PaintTestPatternGrayStripes(c.get(), 0);
    EXPECT_EQ(get_pyramid_sample_point4_raw(8, 0, c.get(), 0), 0xEEEEEEFFu);
    EXPECT_EQ(get_pyramid_sample_point4_raw(0, 0, c.get(), 0), 0xFFFFFFFFu);
    PaintTestPatternGrayStripes(c.get(), 9);   // above the top: nothing
    PaintGridPattern1(g.get());
    EXPECT_EQ(get_pyramid_sample_point1(5, 5, g.get(), 0), 0);
    PaintTestPattern1(g.get());
    EXPECT_EQ(get_pyramid_sample_point1(5, 3, g.get(), 0), 6);
    for (int64_t y = 0; y < 20; ++y)
        for (int64_t x = 0; x < 20; ++x) set_pyramid_sample_point_grey32_as_long(x, y, f.get(), 0, uint32_t(int32_t(x - 10)));
    ConvertLongPyrToFloatPyr(f.get(), 0, 0.25f);
    EXPECT_FLOAT_EQ(get_pyramid_sample_point_float(2, 0, f.get(), 0), -2.0f);
    ClampFloatPyrToUnity(f.get());
    EXPECT_EQ(get_pyramid_sample_point_float(2, 0, f.get(), 0), 0.0f);
    EXPECT_EQ(get_pyramid_sample_point_float(19, 0, f.get(), 0), 1.0f);
    EXPECT_FLOAT_EQ(get_pyramid_sample_point_float(13, 0, f.get(), 0), 0.75f);
}

}  // namespace
