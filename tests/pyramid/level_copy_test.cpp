// Level copies and scaling against references
// computed here: exact pixels where a copy must be exact, closed forms of
// linear ramps (which the symmetric kernels reproduce) where it filters.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "pyramid/level_copy.h"
#include "pyramid/mipmap.h"
#include "pyramid_fixture.h"

namespace {

// Red and green ramps in x and y, blue constant, opaque.
void PaintRamp(PyramidDescriptor* p, float dx, float dy) {
    for (int64_t y = 0; y < p->height[0]; ++y)
        for (int64_t x = 0; x < p->width[0]; ++x)
            set_pyramid_sample_point4(x, y, p, 0, int64_t(20 + dx * x), int64_t(30 + dy * y), 77, 255);
}

void PaintRandom(PyramidDescriptor* p, uint32_t seed) {
    std::mt19937 rng(seed);
    FillLevel(p, 0, [&](int64_t, int64_t, float* c) {
        for (int k = 0; k < 4; ++k) c[k] = float(rng() % 256) / 255.0f;
    });
}

uint32_t Word(const PyramidDescriptor* p, int64_t L, int64_t x, int64_t y) {
    return get_pyramid_sample_point4_raw(x, y, p, L);
}

TEST(LevelCopy, EqualSizesCopyLevelZeroExactlyAndRebuildTheRest) {
    TestPyramid a(70, 45, kPyrColour8, 0), b(70, 45, kPyrColour8, 0);
    ASSERT_TRUE(a.ok && b.ok);
    PaintRandom(a.get(), 3);
    CopyOrScalePyrToPyr(a.get(), b.get());
    for (int64_t y = 0; y < 45; ++y)
        for (int64_t x = 0; x < 70; ++x) ASSERT_EQ(Word(b.get(), 0, x, y), Word(a.get(), 0, x, y));
    EXPECT_EQ(b->mipmapState, 2);
    // The smaller levels are what the standard reduction makes of level 0.
    paint_mipmap_of_pyramid(a.get());
    for (int64_t L = 1; L <= a->topLevel; ++L)
        for (int64_t y = 0; y < a->height[L]; ++y)
            for (int64_t x = 0; x < a->width[L]; ++x) ASSERT_EQ(Word(b.get(), L, x, y), Word(a.get(), L, x, y));
}

TEST(LevelCopy, DestinationWithoutSmallerLevelsKeepsThemAfterAScale) {
    TestPyramid a(64, 64, kPyrColour8, 0), b(32, 32, kPyrColour8, -1);
    ASSERT_TRUE(a.ok && b.ok);
    PaintRandom(a.get(), 4);
    paint_mipmap_of_pyramid(a.get());
    set_pyramid_sample_point4_raw(0, 0, b.get(), 1, 0x12345678u);
    CopyOrScalePyrToPyr(a.get(), b.get());
    EXPECT_EQ(Word(b.get(), 1, 0, 0), 0x12345678u);
    EXPECT_EQ(b->mipmapState, 1);
}

TEST(LevelCopy, SlowCopyConvertsBetweenKinds) {
    TestPyramid rgb(9, 7, kPyrColour8, 0), grey(9, 7, kPyrGrey16, 0), wide(9, 7, kPyrColour16, 0), flt(5, 4, kPyrColourFloat, 0);
    ASSERT_TRUE(rgb.ok && grey.ok && wide.ok && flt.ok);
    set_pyramid_sample_point4(2, 3, rgb.get(), 0, 255, 0, 0, 255);
    set_pyramid_sample_point4(4, 1, rgb.get(), 0, 51, 102, 204, 128);
    CopyLevelToLevel(rgb.get(), grey.get(), 0);   // colour to grey: 0.3 R + 0.59 G + 0.11 B
    EXPECT_NEAR(get_pyramid_sample_point16bit(2, 3, grey.get(), 0), 0.3 * 32768, 1.0);
    EXPECT_NEAR(get_pyramid_sample_point16bit(4, 1, grey.get(), 0), (0.3 * 51 + 0.59 * 102 + 0.11 * 204) / 255 * 32768, 2.0);
    CopyLevelToLevel(grey.get(), wide.get(), 0);   // grey to colour: (g, g, g, 1)
    int64_t c[4];
    StoredComponents(2, 3, wide.get(), 0, c);
    EXPECT_EQ(c[0], c[1]);
    EXPECT_EQ(c[1], c[2]);
    EXPECT_NEAR(c[0], 0.3 * 32768, 2.0);
    EXPECT_EQ(c[3], 32768);
    CopyLevelToLevel(rgb.get(), flt.get(), 0);     // over the common extent only
    float f[4];
    get_pyramid_sample_point128bit_floats(4, 1, flt.get(), 0, f);
    EXPECT_FLOAT_EQ(f[2], 204.0f / 255.0f);
    EXPECT_NEAR(f[3], 128.0f / 255.0f, 1e-6);
}

TEST(LevelCopy, ScaledCopyMatchesTheRampItSamples) {
    TestPyramid a(64, 64, kPyrColour8, 0), b(32, 32, kPyrColour8, 0);
    ASSERT_TRUE(a.ok && b.ok);
    PaintRamp(a.get(), 3.0f, 2.0f);
    paint_mipmap_of_pyramid(a.get());
    CopyOrScalePyrToPyr(a.get(), b.get());
    for (int64_t y = 3; y < 29; ++y)
        for (int64_t x = 3; x < 29; ++x) {
            // Destination pixel x covers source pixels 2x and 2x + 1.
            const double sx = 2.0 * x + 0.5, sy = 2.0 * y + 0.5;
            int64_t c[4];
            StoredComponents(x, y, b.get(), 0, c);
            ASSERT_NEAR(c[0], 20 + 3.0 * sx, 2.0) << x << "," << y;
            ASSERT_NEAR(c[1], 30 + 2.0 * sy, 2.0) << x << "," << y;
            ASSERT_NEAR(c[2], 77, 1.0);
            ASSERT_NEAR(c[3], 255, 1.0);
        }
}

}  // namespace
