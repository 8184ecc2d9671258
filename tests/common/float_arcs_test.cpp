#include "common/float_arcs.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <numbers>
#include <random>

namespace {

// How far the true angle t lies from the nearest midpoint between two
// floats, relative to t. The arcs work in double and round once, so they
// may miss the nearest float only where this is below double's own
// rounding (a few 1e-16).
long double MidpointDistance(long double t) {
    const float f = static_cast<float>(t);
    const float next = std::nextafter(f, t > f ? std::numeric_limits<float>::infinity()
                                                : -std::numeric_limits<float>::infinity());
    const long double mid = (static_cast<long double>(f) + next) / 2;
    return std::fabs(t - mid) / std::fabs(t);
}

// Tallies one argument: the arc's float against the float nearest to the
// long-double angle, and the C library's float against the same.
struct Tally {
    long long arguments = 0, misses = 0, libraryMisses = 0;
    void Check(float ours, float library, long double exact, const char* what, float a, float b) {
        ++arguments;
        const float nearest = static_cast<float>(exact);
        libraryMisses += library != nearest;
        if (ours == nearest) return;
        ++misses;
        EXPECT_LT(MidpointDistance(exact), 1e-15L)
            << what << "(" << a << ", " << b << ") = " << ours << ", nearest float " << nearest;
    }
};

// Over ten million directions: uniform in the square, spread over many
// magnitudes, and next to the axes and diagonals where the arctangent's
// reduction changes branch. Each answer is the float nearest to atan2l's;
// the C library's atan2f, for comparison, misses it now and then.
TEST(FloatArcs, ArctangentIsTheNearestFloatToTheLongDoubleAngle) {
    std::mt19937_64 rng(60);
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
    std::uniform_real_distribution<float> exponent(-40.0f, 40.0f);
    std::uniform_int_distribution<int> ulps(-64, 64);
    Tally tally;
    constexpr int kArguments = 10'000'000;
    for (int i = 0; i < kArguments; ++i) {
        float y = unit(rng), x = unit(rng);
        switch (i % 4) {
            case 1:  // many magnitudes
                y *= std::exp2(exponent(rng));
                x *= std::exp2(exponent(rng));
                break;
            case 2: {  // by a diagonal, a few units in the last place off
                const float d = std::nextafter(x, 2.0f) - x;
                y = std::copysign(std::fabs(x) + d * float(ulps(rng)), y);
                break;
            }
            case 3:  // by an axis or one of the eighths the reduction starts from
                y = x * (float(i % 17) / 8.0f) + unit(rng) * 1e-6f * x;
                break;
        }
        if (i % 2) std::swap(x, y);
        tally.Check(Atan2Float(y, x), std::atan2(y, x), atan2l(y, x), "Atan2Float", y, x);
    }
    EXPECT_LE(tally.misses, 10);
    std::printf("arctangent: %lld arguments, %lld not the nearest float; atan2f %lld\n", tally.arguments,
                tally.misses, tally.libraryMisses);
}

// Over ten million cosines: uniform in [-1, 1], crowded next to +-1 (where
// the arccosine is steepest and takes its square-root branch) and next to
// +-1/2 where the branches meet.
TEST(FloatArcs, ArccosineIsTheNearestFloatToTheLongDoubleAngle) {
    std::mt19937_64 rng(61);
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
    std::uniform_real_distribution<float> exponent(-24.0f, 0.0f);
    std::uniform_int_distribution<int> ulps(-100, 100);
    Tally tally;
    constexpr int kArguments = 10'000'000;
    for (int i = 0; i < kArguments; ++i) {
        float x = unit(rng);
        if (i % 3 == 1) x = std::copysign(1.0f - std::exp2(exponent(rng)), x);
        if (i % 3 == 2) x = std::copysign(0.5f + float(ulps(rng)) * 6e-8f, x);
        tally.Check(AcosFloat(x), std::acos(x), acosl(x), "AcosFloat", x, 0.0f);
    }
    EXPECT_LE(tally.misses, 10);
    std::printf("arccosine: %lld arguments, %lld not the nearest float; acosf %lld\n", tally.arguments, tally.misses,
                tally.libraryMisses);
}

// The edges of both: signed zeros and the half turns they choose, the
// axes, arguments far apart in size, infinities, NaN and cosines beyond
// one. Finite arguments give the nearest float to the long-double angle
// (where atan2f, for -2.25 and -1, misses it), the others what atan2f gives.
TEST(FloatArcs, EdgesAnswerAsTheLibraryDoes) {
    const float inf = std::numeric_limits<float>::infinity(), nan = std::numeric_limits<float>::quiet_NaN();
    const float values[] = {0.0f, -0.0f, 1.0f, -1.0f, 3.5f, -2.25f, 1e-30f, -1e30f, inf, -inf, nan};
    for (float y : values)
        for (float x : values) {
            const float ours = Atan2Float(y, x);
            const bool finite = std::isfinite(x) && std::isfinite(y);
            const float theirs = finite ? static_cast<float>(atan2l(y, x)) : std::atan2(y, x);
            if (std::isnan(theirs)) {
                EXPECT_TRUE(std::isnan(ours)) << y << ", " << x;
                continue;
            }
            EXPECT_EQ(ours, theirs) << y << ", " << x;
            EXPECT_EQ(std::signbit(ours), std::signbit(theirs)) << y << ", " << x;
        }
    EXPECT_EQ(AcosFloat(1.0f), 0.0f);
    EXPECT_EQ(AcosFloat(-1.0f), static_cast<float>(std::numbers::pi));
    EXPECT_EQ(AcosFloat(0.0f), static_cast<float>(std::numbers::pi / 2));
    EXPECT_EQ(AcosFloat(-0.0f), static_cast<float>(std::numbers::pi / 2));
    for (float x : {std::nextafter(1.0f, 2.0f), -1.5f, inf, -inf, nan}) EXPECT_TRUE(std::isnan(AcosFloat(x))) << x;
}

}  // namespace
