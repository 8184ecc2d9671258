// The alpha-weighted mix of two colours.
#include <gtest/gtest.h>

#include "pyramid/colour_mixing.h"

namespace {

void ExpectColour(const float* c, float r, float g, float b, float a, float tol = 1e-6f) {
    EXPECT_NEAR(c[0], r, tol);
    EXPECT_NEAR(c[1], g, tol);
    EXPECT_NEAR(c[2], b, tol);
    EXPECT_NEAR(c[3], a, tol);
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
}

}  // namespace
