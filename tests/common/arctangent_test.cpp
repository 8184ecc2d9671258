// The inline single-precision arctangents against long double arctangents
// computed here, and against the library for the arguments they hand on.
#include "common/arctangent.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>

namespace {

// Distance in units in the last place of the float nearest the true value.
double UlpsOff(float got, long double truth) {
    const float near = float(truth);
    const float ulp = std::nextafter(std::fabs(near), std::numeric_limits<float>::infinity()) - std::fabs(near);
    return double(std::fabs((long double)got - truth) / ulp);
}

TEST(Arctangent, WithinOneUnitInTheLastPlaceOnEveryInterval) {
    // Every reduction interval and its ends (7/16, 11/16, 19/16, 39/16), the
    // tiny and huge tails, both signs.
    std::mt19937 g(7);
    double worst = 0;
    auto check = [&](float x) {
        const float a = ArcTangentSingle(x);
        worst = std::max(worst, UlpsOff(a, std::atan((long double)x)));
        EXPECT_EQ(std::signbit(a), std::signbit(x)) << x;
        EXPECT_EQ(ArcTangentSingle(-x), -a) << x;
    };
    for (float edge : {0x1p-29f, 0.4375f, 0.6875f, 1.1875f, 2.4375f, 0x1p25f})
        for (float x = std::nextafter(edge, 0.0f), k = 0; k < 3; ++k, x = std::nextafter(x, 1e30f)) check(x);
    for (int i = 0; i < 200000; ++i) check(std::ldexp(std::uniform_real_distribution<float>(1.0f, 2.0f)(g), int(g() % 80) - 40));
    EXPECT_LE(worst, 1.0);
    EXPECT_EQ(ArcTangentSingle(0.0f), 0.0f);
    EXPECT_TRUE(std::signbit(ArcTangentSingle(-0.0f)));
    EXPECT_EQ(ArcTangentSingle(std::numeric_limits<float>::infinity()), std::numbers::pi_v<float> / 2);
    EXPECT_TRUE(std::isnan(ArcTangentSingle(std::numeric_limits<float>::quiet_NaN())));
}

TEST(Arctangent, TwoArgumentsTakeTheQuadrant) {
    std::mt19937 g(11);
    std::uniform_real_distribution<float> d(-1.0f, 1.0f);
    double worst = 0;
    for (int i = 0; i < 200000; ++i) {
        const float y = d(g), x = i % 7 == 0 ? 1.0f : d(g);
        const float a = ArcTangent2Single(y, x);
        worst = std::max(worst, UlpsOff(a, std::atan2((long double)y, (long double)x)));
    }
    EXPECT_LE(worst, 2.0);
    // The axes, zeros, infinities, NaN and quotients beyond 2^60 are the
    // library's own answers.
    const float inf = std::numeric_limits<float>::infinity(), nan = std::numeric_limits<float>::quiet_NaN();
    const float cases[][2] = {{0.0f, 1.0f}, {-0.0f, 1.0f}, {0.0f, -1.0f}, {-0.0f, -1.0f}, {1.0f, 0.0f}, {-1.0f, -0.0f},
                              {inf, 1.0f}, {1.0f, -inf}, {-inf, -inf}, {1e30f, 1e-30f}, {-1e-30f, -1e30f}, {2.0f, -3.0f}};
    for (const auto& c : cases)
        EXPECT_EQ(std::bit_cast<uint32_t>(ArcTangent2Single(c[0], c[1])), std::bit_cast<uint32_t>(std::atan2(c[0], c[1])))
            << c[0] << " " << c[1];
    EXPECT_TRUE(std::isnan(ArcTangent2Single(nan, 1.0f)));
    EXPECT_TRUE(std::isnan(ArcTangent2Single(1.0f, nan)));
    EXPECT_NEAR(ArcTangent2Single(1.0f, -1.0f), 3 * std::numbers::pi / 4, 3e-7);
    EXPECT_NEAR(ArcTangent2Single(-1.0f, -1.0f), -3 * std::numbers::pi / 4, 3e-7);
}

}  // namespace
