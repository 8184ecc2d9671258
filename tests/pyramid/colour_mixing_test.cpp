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

}  // namespace
