// Error diffusion to a palette: the weight table against the published rows,
// palettes of one entry, nearest entries without diffusion, the mean kept,
// and every pixel kind written in its own width.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "pyramid/dither.h"
#include "pyramid_fixture.h"

namespace {

// A palette block with the given 8-bit colours (stored as 16-bit values).
std::vector<uint8_t> Palette(const std::vector<std::array<int, 3>>& colours) {
    std::vector<uint8_t> block(size_t(kPaletteEntriesOffset + kPaletteEntryBytes * int64_t(colours.size())), 0);
    const int16_t countMinusOne = int16_t(colours.size()) - 1;
    std::memcpy(&block[kPaletteCountOffset], &countMinusOne, 2);
    for (size_t i = 0; i < colours.size(); ++i)
        for (int k = 0; k < 3; ++k) {
            const uint16_t v = uint16_t(colours[i][k] * 257);
            std::memcpy(&block[size_t(kPaletteEntriesOffset) + i * kPaletteEntryBytes + 2 + 2 * k], &v, 2);
        }
    return block;
}

TEST(DitherTable, HoldsThePublishedRows) {
    const int16_t expected[][4] = {{0, 13, 0, 5}, {2, 21, 0, 10}, {11, 501, 224, 211}, {127, 4, 1, 1}};
    for (const auto& row : expected)
        for (int k = 0; k < 3; ++k) EXPECT_EQ(kOstromoukhovWeights[row[0]][k], row[k + 1]) << "row " << row[0];
    for (int64_t i = 0; i < kOstromoukhovRows; ++i) {
        const auto& w = kOstromoukhovWeights[i];
        EXPECT_TRUE(w[0] >= 0 && w[1] >= 0 && w[2] >= 0 && w[0] + w[1] + w[2] > 0) << "row " << i;
        // Forward diffusion carries the largest share everywhere in the table.
        EXPECT_GE(w[0], w[2]) << "row " << i;
    }
}

TEST(Dither, OneEntryPaletteTurnsEveryPixelIntoIt) {
    TestPyramid p(37, 29, kPyrColour8, 0);
    ASSERT_TRUE(p.ok);
    FillLevel(p.get(), 0, [](int64_t x, int64_t y, float* c) {
        c[0] = float(x % 7) / 7, c[1] = float(y % 5) / 5, c[2] = 0.3f, c[3] = 0.5f;
    });
    const auto palette = Palette({{200, 100, 50}});
    DitherPyrLevel(p.get(), 0, palette.data(), 0, 1);
    for (int64_t y = 0; y < 29; ++y)
        for (int64_t x = 0; x < 37; ++x) ASSERT_EQ(get_pyramid_sample_point4_raw(x, y, p.get(), 0), 0xC864327Fu);
}

TEST(Dither, WithoutDiffusionEachPixelTakesItsNearestEntry) {
    TestPyramid p(16, 16, kPyrColour8, 0);
    ASSERT_TRUE(p.ok);
    FillLevel(p.get(), 0, [](int64_t x, int64_t y, float* c) {
        c[0] = float(x * 16) / 255, c[1] = float(y * 16) / 255, c[2] = float((x + y) * 8) / 255, c[3] = 1;
    });
    const std::vector<std::array<int, 3>> colours = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {128, 128, 128}, {255, 255, 255}};
    const auto palette = Palette(colours);
    DitherPyrLevel(p.get(), 0, palette.data(), 1, 0);
    for (int64_t y = 0; y < 16; ++y)
        for (int64_t x = 0; x < 16; ++x) {
            const int r = int(x * 16), g = int(y * 16), b = int((x + y) * 8);
            int64_t best = 0, bestD = 70000;
            for (size_t i = 0; i < colours.size(); ++i) {
                const int64_t d = int64_t(r - colours[i][0]) * (r - colours[i][0]) +
                                  int64_t(g - colours[i][1]) * (g - colours[i][1]) +
                                  int64_t(b - colours[i][2]) * (b - colours[i][2]);
                if (d < bestD) bestD = d, best = int64_t(i);
            }
            int64_t c[4];
            get_pyramid_sample_point4(x, y, p.get(), 0, &c[0], &c[1], &c[2], &c[3]);
            ASSERT_EQ(c[0], colours[size_t(best)][0]) << x << "," << y;
            ASSERT_EQ(c[1], colours[size_t(best)][1]);
            ASSERT_EQ(c[3], best);   // the index in the fourth component
        }
}

class DitherMean : public ::testing::TestWithParam<std::pair<int64_t, int>> {};

TEST_P(DitherMean, FlatGreyKeepsItsMeanInBlackAndWhite) {
    const auto [kind, grey] = GetParam();
    TestPyramid p(64, 48, kind, 0);
    ASSERT_TRUE(p.ok);
    FillLevel(p.get(), 0, [g = grey](int64_t, int64_t, float* c) { c[0] = c[1] = c[2] = float(g) / 255, c[3] = 1; });
    const auto palette = Palette({{0, 0, 0}, {255, 255, 255}});
    DitherPyrLevel(p.get(), 0, palette.data(), 0, 1);
    double sum = 0;
    for (int64_t y = 0; y < 48; ++y)
        for (int64_t x = 0; x < 64; ++x) {
            float c[4];
            get_intcoord_unitary_color(x, y, p.get(), 0, c);
            ASSERT_TRUE(c[0] < 0.001f || c[0] > 0.999f);
            sum += c[0];
        }
    EXPECT_NEAR(sum / (64 * 48) * 255, grey, 3.0);
}

INSTANTIATE_TEST_SUITE_P(KindsAndGreys, DitherMean,
                         ::testing::Values(std::pair<int64_t, int>{kPyrColour8, 64}, std::pair<int64_t, int>{kPyrColour8, 128},
                                           std::pair<int64_t, int>{kPyrColour8, 200}, std::pair<int64_t, int>{kPyrColour16, 100},
                                           std::pair<int64_t, int>{kPyrGrey8, 30}, std::pair<int64_t, int>{kPyrGrey16, 170}));

TEST(Dither, EmptyPaletteOrUnsupportedKindChangesNothing) {
    TestPyramid p(8, 8, kPyrColour8, 0), f(8, 8, kPyrColourFloat, 0);
    ASSERT_TRUE(p.ok && f.ok);
    PaintLevelWords(p.get(), 0x10203040u);
    auto palette = Palette({{255, 255, 255}});
    const int16_t none = -1;
    std::memcpy(&palette[kPaletteCountOffset], &none, 2);
    DitherPyrLevel(p.get(), 0, palette.data(), 0, 1);
    EXPECT_EQ(get_pyramid_sample_point4_raw(3, 3, p.get(), 0), 0x10203040u);
    FillLevel(f.get(), 0, [](int64_t, int64_t, float* c) { c[0] = c[1] = c[2] = c[3] = 0.25f; });
    DitherPyrLevel(f.get(), 0, Palette({{0, 0, 0}}).data(), 0, 1);
    float c[4];
    get_pyramid_sample_point128bit_floats(2, 2, f.get(), 0, c);
    EXPECT_EQ(c[0], 0.25f);
}

}  // namespace
