// Hole filling: every pixel of the levels below the top ends opaque, opaque
// pixels keep their colour exactly, holes take colours from around them.
#include <gtest/gtest.h>

#include <array>
#include <random>

#include "pyramid/push_pull.h"
#include "pyramid_fixture.h"

namespace {

uint32_t Word(const PyramidDescriptor* p, int64_t L, int64_t x, int64_t y) {
    return get_pyramid_sample_point4_raw(x, y, p, L);
}

class PushPullKinds : public ::testing::TestWithParam<int64_t> {};

TEST_P(PushPullKinds, LeavesNoHoleAndNeverChangesAnOpaquePixel) {
    TestPyramid p(83, 61, GetParam(), 0);
    ASSERT_TRUE(p.ok);
    std::mt19937 rng(21);
    // Random colours; a third of the pixels transparent, some in large blocks,
    // some faintly transparent.
    FillAllLevels(p.get(), [&](int64_t x, int64_t y, float* c) {
        for (int k = 0; k < 3; ++k) c[k] = float(rng() % 256) / 255.0f;
        const uint32_t r = rng() % 6;
        c[3] = (x > 20 && x < 50 && y > 10 && y < 40) || r < 2 ? 0.0f : (r == 2 ? 0.5f : 1.0f);
    });
    std::vector<std::array<float, 4>> before(83 * 61);
    for (int64_t y = 0; y < 61; ++y)
        for (int64_t x = 0; x < 83; ++x) get_intcoord_unitary_color(x, y, p.get(), 0, before[y * 83 + x].data());
    paint_pushpull_of_pyramid_above(p.get(), 2);
    for (int64_t L = 0; L < p->topLevel; ++L)
        for (int64_t y = 0; y < p->height[L]; ++y)
            for (int64_t x = 0; x < p->width[L]; ++x) {
                float c[4];
                get_intcoord_unitary_color(x, y, p.get(), L, c);
                ASSERT_EQ(c[3], 1.0f) << "level " << L << " " << x << "," << y;
                if (L > 0) continue;
                const auto& b = before[y * 83 + x];
                if (b[3] > 0.0f) {
                    for (int k = 0; k < 3; ++k) ASSERT_EQ(c[k], b[k]) << x << "," << y;
                } else {
                    // Integer kinds are limited to 0..1; floats may ring a little above 1.
                    const float top = GetParam() == kPyrColourFloat ? 1.5f : 1.0f;
                    for (int k = 0; k < 3; ++k) ASSERT_TRUE(c[k] >= 0.0f && c[k] <= top) << c[k];
                }
            }
}

INSTANTIATE_TEST_SUITE_P(ColourKinds, PushPullKinds, ::testing::Values(kPyrColour8, kPyrColour16, kPyrColourFloat));

TEST(PushPull, SingleHoleTakesTheAverageOfItsFourNeighbours) {
    TestPyramid p(8, 8, kPyrColour8, 0);
    ASSERT_TRUE(p.ok);
    PaintLevelWords(p.get(), 0xFFFFFFFFu);
    set_pyramid_sample_point4(3, 4, p.get(), 0, 200, 200, 200, 0);
    set_pyramid_sample_point4(3, 3, p.get(), 0, 100, 0, 0, 255);
    set_pyramid_sample_point4(2, 4, p.get(), 0, 0, 100, 0, 255);
    set_pyramid_sample_point4(4, 4, p.get(), 0, 0, 0, 100, 255);
    set_pyramid_sample_point4(3, 5, p.get(), 0, 40, 40, 40, 255);
    CongealLevel(p.get(), 0, 1);
    int64_t c[4];
    StoredComponents(3, 4, p.get(), 0, c);
    EXPECT_NEAR(c[0], 35, 1);
    EXPECT_NEAR(c[1], 35, 1);
    EXPECT_NEAR(c[2], 35, 1);
    EXPECT_EQ(c[3], 255);
}

// A hole takes the next level's colour at its own place: with every level
// holding the ramp of its pixels' level-0 positions, a filled hole holds its
// own position, at levels that halve exactly and at rounded-up ones alike.
TEST(PushPull, HoleTakesTheColourBelowAtItsOwnPlace) {
    for (int64_t w : {int64_t{1024}, kOddWidth}) {
        TestPyramid p(w, kOddHeight, kPyrColourFloat, 0);
        ASSERT_TRUE(p.ok);
        for (int64_t L = 0; L <= p->topLevel; ++L)
            FillLevel(p.get(), L, [L](int64_t x, int64_t y, float* c) { c[0] = RampAt(x, L), c[1] = RampAt(y, L), c[2] = 0, c[3] = 1; });
        for (int64_t L = 0; L <= 2; ++L) {
            const int64_t holes[][2] = {{11, 9}, {int64_t(p->unitScaleX[L]) * 3 / 4, int64_t(p->unitScaleY[L]) / 2},
                                        {int64_t(p->unitScaleX[L]) - 12, int64_t(p->unitScaleY[L]) - 9}};
            for (const auto& h : holes) set_intcoord_unitary_color(h[0], h[1], p.get(), L, std::array<float, 4>{0, 0, 0, 0}.data());
            PullPaintLevel(p.get(), L);
            // The kernel's sub-positions lie about 0.05 pixel of level L + 1
            // to one side.
            const float tol = 0.1f * float(int64_t{2} << L);
            for (const auto& h : holes) {
                float c[4];
                get_intcoord_unitary_color(h[0], h[1], p.get(), L, c);
                EXPECT_NEAR(c[0], RampAt(h[0], L), tol) << "width " << w << " level " << L << " x " << h[0];
                EXPECT_NEAR(c[1], RampAt(h[1], L), tol) << "width " << w << " level " << L << " y " << h[1];
                EXPECT_EQ(c[3], 1.0f);
            }
        }
    }
}

TEST(PushPull, FaintAlphasCountAsHolesAndOthersAsOpaque) {
    TestPyramid p(4, 4, kPyrColourFloat, 0);
    ASSERT_TRUE(p.ok);
    FillLevel(p.get(), 0, [](int64_t x, int64_t, float* c) {
        c[0] = 0.5f, c[1] = 0.25f, c[2] = 0.75f;
        c[3] = x < 2 ? 0.01f : 0.03f;
    });
    CongealLevel(p.get(), 0, 0);   // no passes: nothing at all
    float c[4];
    get_pyramid_sample_point128bit_floats(0, 0, p.get(), 0, c);
    EXPECT_FLOAT_EQ(c[3], 0.01f);
    // 0.01 is below 1/63: a hole, and its neighbours' 0.03 is too little to
    // fill it; 0.03 counts and becomes opaque.
    CongealLevel(p.get(), 0, 1);
    for (int64_t y = 0; y < 4; ++y)
        for (int64_t x = 0; x < 4; ++x) {
            get_pyramid_sample_point128bit_floats(x, y, p.get(), 0, c);
            EXPECT_EQ(c[3], x < 2 ? 0.0f : 1.0f) << x << "," << y;
            EXPECT_FLOAT_EQ(c[0], 0.5f);
        }
}

TEST(PushPull, FullyTransparentPictureEndsBlackAndOpaque) {
    TestPyramid p(16, 12, kPyrColour8, 0);
    ASSERT_TRUE(p.ok);
    PaintLevelWords(p.get(), 0x80808000u);
    paint_pushpull_of_pyramid_above(p.get(), 2);
    for (int64_t y = 0; y < 12; ++y)
        for (int64_t x = 0; x < 16; ++x) ASSERT_EQ(Word(p.get(), 0, x, y), 0x000000FFu);
}

TEST(PushPull, OneOpaquePixelColoursEveryLevelBelowTheTop) {
    // The second-smallest level must be filled from the 1 x 1 average.
    TestPyramid p(8, 8, kPyrColour8, 0);
    ASSERT_TRUE(p.ok);
    PaintLevelWords(p.get(), 0);
    set_pyramid_sample_point4(6, 1, p.get(), 0, 240, 120, 60, 255);
    paint_pushpull_of_pyramid_above(p.get(), 2);
    for (int64_t L = 0; L < p->topLevel; ++L)
        for (int64_t y = 0; y < p->height[L]; ++y)
            for (int64_t x = 0; x < p->width[L]; ++x) {
                int64_t c[4];
                StoredComponents(x, y, p.get(), L, c);
                ASSERT_NEAR(c[0], 240, 2) << L << ": " << x << "," << y;
                ASSERT_NEAR(c[1], 120, 2);
                ASSERT_NEAR(c[2], 60, 2);
                ASSERT_EQ(c[3], 255);
            }
}

}  // namespace
