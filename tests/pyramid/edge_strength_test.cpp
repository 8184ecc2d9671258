// The Laplacian of luminance in alpha, against a brute-force reference that
// wraps or clamps neighbours by hand.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "pyramid/edge_strength.h"
#include "pyramid_fixture.h"

namespace {

TEST(EdgeStrength, SinglePixelOnBlackAndFlatAreas) {
    TestPyramid p(9, 9, kPyrColour8, 0);
    ASSERT_TRUE(p.ok);
    PaintLevelWords(p.get(), 0x404040FFu);
    EXPECT_EQ(StashEdgesInAlpha(p.get(), 0, 0).right, 9);
    for (int64_t y = 0; y < 9; ++y)
        for (int64_t x = 0; x < 9; ++x) ASSERT_EQ(get_pyramid_sample_point4_raw(x, y, p.get(), 0), 0x40404000u);
    PaintLevelWords(p.get(), 0x000000FFu);
    set_pyramid_sample_point4(4, 4, p.get(), 0, 100, 100, 100, 255);
    StashEdgesInAlpha(p.get(), 0, 0);
    EXPECT_EQ(get_pyramid_sample_point4_raw(4, 4, p.get(), 0), 0x646464FFu);   // |-4 * 99| capped
    for (auto [x, y] : {std::pair{3, 4}, {5, 4}, {4, 3}, {4, 5}})
        EXPECT_EQ(get_pyramid_sample_point4_raw(x, y, p.get(), 0) & 255, 99u);
    EXPECT_EQ(get_pyramid_sample_point4_raw(3, 3, p.get(), 0) & 255, 0u);
}

TEST(EdgeStrength, MatchesBruteForceWithEveryEdgeRule) {
    for (int64_t edge : {0, 1, 2}) {
        TestPyramid p(13, 11, kPyrColour16, edge);
        ASSERT_TRUE(p.ok);
        std::mt19937 rng(uint32_t(edge) + 3);
        std::vector<int64_t> Y(13 * 11);
        FillLevel(p.get(), 0, [&](int64_t x, int64_t y, float* c) {
            for (int k = 0; k < 3; ++k) c[k] = float(rng() % 1000) / 1000.0f;
            c[3] = 1.0f;
            (void)x, (void)y;
        });
        for (int64_t y = 0; y < 11; ++y)
            for (int64_t x = 0; x < 13; ++x) {
                int64_t c[4];
                get_pyramid_sample_point64bit(x, y, p.get(), 0, &c[0], &c[1], &c[2], &c[3]);
                Y[y * 13 + x] = (77 * c[0] + 150 * c[1] + 28 * c[2]) >> 8;
            }
        auto at = [&](int64_t x, int64_t y) {
            if (edge == 1 || edge == 2) x = (x + 13) % 13;
            else x = std::clamp<int64_t>(x, 0, 12);
            y = edge == 1 ? (y + 11) % 11 : std::clamp<int64_t>(y, 0, 10);
            return Y[y * 13 + x];
        };
        StashEdgesInAlphaPart(p.get(), 0, 0, 3, VRect{-5, -5, 50, 50});
        for (int64_t y = 0; y < 11; ++y)
            for (int64_t x = 0; x < 13; ++x) {
                const int64_t e = 3 * (at(x - 1, y) + at(x + 1, y) + at(x, y - 1) + at(x, y + 1) - 4 * at(x, y));
                int64_t c[4];
                get_pyramid_sample_point64bit(x, y, p.get(), 0, &c[0], &c[1], &c[2], &c[3]);
                ASSERT_EQ(c[3], std::min<int64_t>(std::abs(e), 32768)) << "edge " << edge << " " << x << "," << y;
            }
    }
}

TEST(EdgeStrength, DoublingScalesByTheLevelAndEmptyRectanglesDoNothing) {
    TestPyramid p(64, 64, kPyrColour8, 0);
    ASSERT_TRUE(p.ok);
    PaintLevelWords(p.get(), 0x000000FFu);
    set_pyramid_sample_point4(3, 3, p.get(), 3, 6, 6, 6, 255);   // Y = 5
    StashEdgesInAlphaPart(p.get(), 3, 0, 1, VRect{4, 4, 2, 2});
    EXPECT_EQ(get_pyramid_sample_point4_raw(2, 3, p.get(), 3) & 255, 255u);
    StashEdgesInAlphaPart(p.get(), 3, 1, 1, VRect{0, 0, 8, 8});
    EXPECT_EQ(get_pyramid_sample_point4_raw(2, 3, p.get(), 3) & 255, 40u);    // 5 × 2^3
    EXPECT_EQ(get_pyramid_sample_point4_raw(3, 3, p.get(), 3) & 255, 160u);   // 20 × 8
    EXPECT_EQ(StashEdgesInAlpha(p.get(), 9, 0).bottom, 0);
}

TEST(EdgeStrength, GreySourceIntoColourAlphaAndAlphaScaling) {
    TestPyramid grey(6, 6, kPyrGrey8, 0), colour(5, 8, kPyrColour8, 0), none;
    ASSERT_TRUE(grey.ok && colour.ok);
    for (int64_t y = 0; y < 6; ++y)
        for (int64_t x = 0; x < 6; ++x) set_pyramid_sample_point1(x, y, grey.get(), 0, x == 2 && y == 2 ? 50 : 0);
    PaintLevelWords(colour.get(), 0x11223377u);
    StashEdgesInAlphaPart_1_to_4(grey.get(), 0, 1, VRect{0, 0, 6, 6}, colour.get());
    EXPECT_EQ(get_pyramid_sample_point4_raw(2, 2, colour.get(), 0), 0x112233C8u);   // 200
    EXPECT_EQ(get_pyramid_sample_point4_raw(2, 1, colour.get(), 0) & 255, 50u);
    EXPECT_EQ(get_pyramid_sample_point4_raw(0, 0, colour.get(), 0) & 255, 0u);
    EXPECT_EQ(get_pyramid_sample_point4_raw(1, 7, colour.get(), 0) & 255, 0x77u);   // outside the grey rectangle
    StashEdgesInAlphaPart_1_to_4(none.get(), 0, 1, VRect{0, 0, 8, 8}, colour.get());
    EXPECT_EQ(get_pyramid_sample_point4_raw(4, 7, colour.get(), 0), 0x11223300u);

    set_pyramid_sample_point4_raw(1, 1, colour.get(), 0, 0x112233C9u);
    multiply_alpha(1, 1, colour.get(), 0, 256);
    EXPECT_EQ(get_pyramid_sample_point4_raw(1, 1, colour.get(), 0), 0x112233C9u);
    multiply_alpha(1, 1, colour.get(), 0, 128);
    EXPECT_EQ(get_pyramid_sample_point4_raw(1, 1, colour.get(), 0), 0x11223364u);
}

}  // namespace
