// The test pattern in each pixel kind.
#include <gtest/gtest.h>

#include "pyramid/level_paint.h"
#include "pyramid_fixture.h"

namespace {

TEST(LevelPaint, TestPatternInEachKind) {
    TestPyramid c(20, 20, kPyrColour8, 0), q(20, 20, kPyrColourFloat, 0), f(20, 20, kPyrGreyFloat, 0);
    ASSERT_TRUE(c.ok && q.ok && f.ok);
    PaintTestPattern(c.get());
    EXPECT_EQ(get_pyramid_sample_point4_raw(5, 3, c.get(), 0), 0x065BB0FFu);   // 6, 91, 176, 255
    PaintTestPattern(q.get());
    float v[4];
    get_pyramid_sample_point128bit_floats(5, 3, q.get(), 0, v);
    EXPECT_FLOAT_EQ(v[0], 6 / 255.0f);
    EXPECT_FLOAT_EQ(v[1], 91 / 255.0f);
    EXPECT_FLOAT_EQ(v[2], 176 / 255.0f);
    PaintTestPattern(f.get());
    EXPECT_FLOAT_EQ(get_pyramid_sample_point_float(19, 2, f.get(), 0), 17 / 255.0f);
}

}  // namespace
