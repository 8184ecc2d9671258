// The downhill simplex: its kinds, limits and stopping rules, and that it
// really finds minima away from the origin (its shrink step goes towards the
// best vertex).
#include "projections/simplex.h"

#include <gtest/gtest.h>

#include <cmath>

#include "projections/forward_maps.h"

namespace {

double DistanceToFive(void*, double x) { return std::fabs(x - 5.0); }
double ParabolaAt03(void* record, double x) {
    ++*static_cast<int*>(record);
    return (x - 0.3) * (x - 0.3);
}

TEST(Simplex, Strebe1995KindInvertsTheForwardMap) {
    for (double lat : {-1.2, -0.5, 0.0, 0.4, 1.1})
        for (double lon : {-2.9, -1.0, 0.3, 2.0}) {
            double x, y;
            strebe1995forward(lon, lat, &x, &y);
            SimplexState s;
            long rounds = -1;
            const fcomplex r = SimplexInverse_core(&s, kSimplexStrebe1995, nullptr, &rounds, x, y, 0, 1e-14);
            // Fifty rounds bring the search within about 1e-4 of the answer.
            EXPECT_NEAR(r.re, lon, 1e-4) << lon << " " << lat;
            EXPECT_NEAR(r.im, lat, 1e-4) << lon << " " << lat;
            EXPECT_LE(rounds, 50);
        }
}

TEST(Simplex, Strebe1995KindStartsFromThePreviousSolution) {
    double x, y;
    strebe1995forward(1.0, 0.5, &x, &y);
    SimplexContext ctx{};
    ctx.havePrevious = true;
    ctx.previousX = 1.001;
    ctx.previousY = 0.499;
    ctx.previousTargetX = 1.0;
    ctx.previousTargetY = 0.5;
    SimplexState s;
    long rounds = -1;
    const fcomplex r = SimplexInverse_core(&s, kSimplexStrebe1995, &ctx, &rounds, x, y, 0, 1e-16);
    EXPECT_NEAR(r.re, 1.0, 1e-6);
    EXPECT_NEAR(r.im, 0.5, 1e-6);
}

TEST(Simplex, Strebe1995KindGivesUpOffTheMap) {
    SimplexState s;
    long rounds = 0;
    // Far above the top of the map: the search runs past the pole.
    const fcomplex r = SimplexInverse_core(&s, kSimplexStrebe1995, nullptr, &rounds, 0.0, 2.5, 0, 1e-14);
    EXPECT_EQ(rounds, kSimplexGaveUpRounds);
    EXPECT_EQ(r.re, 0.0);
    EXPECT_EQ(r.im, 0.0);
}

TEST(Simplex, GenericKindsNeedTheirContext) {
    SimplexState s;
    long rounds = -1;
    const fcomplex r = SimplexInverse_core(&s, kSimplexGeneric, nullptr, &rounds, 3, 4, 0, 1e-9);
    EXPECT_EQ(rounds, 0);
    EXPECT_EQ(r.re, 0.0);
    // Their error is 0: with a context they stop at once, at the start vertex.
    SimplexContext ctx{};
    ctx.roundLimit = 10;
    ctx.startSize = 0.3;
    const fcomplex q = SimplexInverse_core(&s, kSimplexSizedStart, &ctx, &rounds, 3, 4, 0, 1e-9);
    EXPECT_EQ(rounds, 0);
    EXPECT_NEAR(q.re, 3 - 0.1, 1e-12);
    EXPECT_NEAR(q.im, 4 - 0.1, 1e-12);
    EXPECT_EQ(ctx.finalError, 0.0);
}

TEST(Simplex, FindsAMinimumFarFromTheOriginThroughShrinks) {
    SimplexContext ctx{};
    ctx.objective = DistanceToFive;
    SimplexState s;
    long rounds = 0;
    const fcomplex r = SimplexInverse_core(&s, kSimplexBestSpin, &ctx, &rounds, 4.0, 0.0, 0, 1e-9);
    // The best spin clamps its trial angle to [-π, π]: the minimum is at π.
    EXPECT_NEAR(std::fmin(std::fabs(r.re), M_PI), M_PI, 1e-6);
    EXPECT_NEAR(ctx.finalError, 5.0 - M_PI, 1e-6);
    EXPECT_LE(rounds, 100);
}

TEST(Simplex, HingeKindStopsBelowItsToleranceOrAtTheRoundLimit) {
    int calls = 0;
    SimplexContext ctx{};
    ctx.objective = ParabolaAt03;
    ctx.record = &calls;
    SimplexState s;
    long rounds = 0;
    const fcomplex r = SimplexInverse_core(&s, kSimplexHingeAngle, &ctx, &rounds, 0, 0, 0, 1e-21);
    EXPECT_NEAR(r.re, 0.3, 1e-9);
    EXPECT_LT(ctx.finalError, 1e-21);
    EXPECT_LT(rounds, 6000);
    EXPECT_GT(calls, 3);
    // A tolerance it cannot reach stops at the limit.
    const fcomplex q = SimplexInverse_core(&s, kSimplexHingeAngle, &ctx, &rounds, 0, 0, 0, -1.0);
    EXPECT_EQ(rounds, 6000);
    EXPECT_NEAR(q.re, 0.3, 1e-9);
}

TEST(Simplex, EqualErrorsKeepTheirOrder) {
    SimplexState s{{{1, 2, 0.5}, {3, 4, 0.5}, {5, 6, 0.5}}};
    SimplexContext ctx{};
    ctx.roundLimit = 0;
    long rounds = -1;
    const fcomplex r = DownhillSimplex(&s, kSimplexGeneric, &ctx, &rounds, 0, 0, 0, 0.1);
    EXPECT_EQ(r.re, 1.0);
    EXPECT_EQ(s.vertex[1][0], 3.0);
    EXPECT_EQ(s.vertex[2][0], 5.0);
}

}  // namespace
