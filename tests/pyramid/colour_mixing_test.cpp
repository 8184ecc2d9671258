// Colour mixing, brightness limits and the fixed-point table interpolators.
#include <gtest/gtest.h>

#include <cmath>

#include "pyramid/colour_mixing.h"

namespace {

void ExpectColour(const float* c, float r, float g, float b, float a, float tol = 1e-6f) {
    EXPECT_NEAR(c[0], r, tol);
    EXPECT_NEAR(c[1], g, tol);
    EXPECT_NEAR(c[2], b, tol);
    EXPECT_NEAR(c[3], a, tol);
}

TEST(ColourMixing, CompositingOverAndUnder) {
    const float opaque[4] = {0.2f, 0.4f, 0.6f, 1.0f};
    float b[4] = {0.9f, 0.1f, 0.5f, 0.3f};
    CompositeAoverB(opaque, b);
    ExpectColour(b, 0.2f, 0.4f, 0.6f, 1.0f);
    const float half[4] = {1.0f, 0.0f, 0.0f, 0.5f};
    float clear[4] = {0.0f, 1.0f, 0.0f, 0.0f};
    CompositeAoverB(half, clear);
    ExpectColour(clear, 1.0f, 0.0f, 0.0f, 0.5f);
    float under[4] = {0.0f, 0.0f, 1.0f, 0.5f};
    CompositeAoverB(half, under);   // w = 0.5 / 0.75
    ExpectColour(under, 2.0f / 3, 0.0f, 1.0f / 3, 0.75f);
    float keep[4] = {0.0f, 0.0f, 1.0f, 0.25f};
    CompositeAoverOpaquePortionOfB(half, keep);
    ExpectColour(keep, 0.5f, 0.0f, 0.5f, 0.25f);
    const float none[4] = {1.0f, 1.0f, 1.0f, 0.0f};
    CompositeAoverB(none, keep);
    ExpectColour(keep, 0.5f, 0.0f, 0.5f, 0.25f);
}

TEST(ColourMixing, AlphaWeightedMix) {
    const float x[4] = {1.0f, 0.0f, 0.0f, 0.5f}, y[4] = {0.0f, 0.0f, 1.0f, 1.0f};
    const float clearX[4] = {1.0f, 1.0f, 1.0f, 0.0f}, clearY[4] = {0.5f, 0.5f, 0.5f, 0.0f};
    float r[4];
    AGetsColorMixtureBC4(r, clearX, clearY, 0.5f);
    ExpectColour(r, 0, 0, 0, 0);
    AGetsColorMixtureBC4(r, x, y, 0.0f);
    ExpectColour(r, 1, 0, 0, 0.5f);
    AGetsColorMixtureBC4(r, x, y, 1.0f);
    ExpectColour(r, 0, 0, 1, 1);
    AGetsColorMixtureBC4(r, x, y, 0.5f);   // alpha 0.75, Y weighs 0.5 / 0.75
    ExpectColour(r, 1.0f / 3, 0, 2.0f / 3, 0.75f);
    float s[4] = {9, 9, 9, 9};
    AGetsSquareRGBLerpBC(s, x, y, 0.5f);
    ExpectColour(s, 0.25f, 0.0f, 0.25f, 9.0f);
}

TEST(ColourMixing, BrightnessIsCorralledKeepingHue) {
    float a[3] = {2.0f, 0.0f, 0.0f};
    CorralBrightness(a);
    EXPECT_NEAR(a[0], 1.0f, 1e-6f);
    EXPECT_NEAR(a[1], 0.6f, 1e-6f);
    EXPECT_NEAR(a[2], 0.6f, 1e-6f);
    float b[3] = {0.5f, 0.2f, 0.1f};
    CorralBrightness(b);
    EXPECT_EQ(b[0], 0.5f);
    EXPECT_EQ(b[2], 0.1f);
    float c[3] = {-1.0f, 0.5f, 0.5f};
    CorralBrightness(c);
    EXPECT_EQ(c[0], 0.0f);
    EXPECT_EQ(c[1], 0.5f);
    // Every channel beyond 1 by the same amount: excess luma weights sum to 1.
    float w[3] = {1.25f, 1.25f, 1.25f};
    CorralBrightness(w);
    EXPECT_NEAR(w[0], 1.0f, 1e-6f);
    int64_t r = 510, g = 0, bl = 0;
    CorralBrightness255(&r, &g, &bl);
    EXPECT_EQ(r, 255);
    EXPECT_NEAR(g, 153, 1);
    int64_t r2 = 65536, g2 = 0, b2 = 0;
    CorralBrightnessMAXIMUM(&r2, &g2, &b2, 100.0f, 1.0f / 32768.0f);
    EXPECT_EQ(r2, 100);
    EXPECT_NEAR(g2, 60, 1);
}

TEST(ColourMixing, FixedPointTableInterpolation) {
    int32_t longs[256];
    for (int i = 0; i < 256; ++i) longs[i] = 1000 + 3 * i;
    EXPECT_EQ(Magicterp_longs(longs, 32768), 128 * longs[255]);
    EXPECT_EQ(Magicterp_longs(longs, 127), longs[0] + 127 * longs[1]);
    EXPECT_EQ(Magicterp_longs(longs, 128), 128 * longs[1]);
    EXPECT_EQ(Magicterp_longs(longs, -5), 128 * longs[0]);
    int32_t negative[256];
    for (int32_t& v : negative) v = -7;
    EXPECT_EQ(Magicterp_longs(negative, 300), 0);

    uint8_t bytes[1024];
    for (int i = 0; i < 1024; ++i) bytes[i] = uint8_t(i * 7);
    EXPECT_EQ(Magicterp(bytes, 64 + 128 * 10, 2, 1), 64 * bytes[10 * 4 + 2] + 64 * bytes[11 * 4 + 2]);
    EXPECT_EQ(Magicterp(bytes, 64 + 128 * 10, 2, 0), 64 * bytes[2 * 256 + 10] + 64 * bytes[2 * 256 + 11]);
    EXPECT_EQ(Magicterp(bytes, 99999, 1, 1), 128 * bytes[255 * 4 + 1]);

    uint8_t circle[360];
    for (int i = 0; i < 360; ++i) circle[i] = uint8_t(i % 200 + 10);
    EXPECT_EQ(Magicterp_orient(circle, 46079, 0, 0), 1 * circle[359] + 127 * circle[0]);
    EXPECT_EQ(Magicterp_orient(circle, 45952, 0, 0), 128 * circle[359]);
    EXPECT_EQ(Magicterp_orient(circle, 128 * 5 + 32, 0, 0), 96 * circle[5] + 32 * circle[6]);
    EXPECT_EQ(Magicterp_orient(circle, 17, 0, 1), circle[17]);
    EXPECT_EQ(Magicterp_orient(circle, 365, 0, 1), circle[5]);
}

}  // namespace
