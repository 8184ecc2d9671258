// The metaball and Ferguson globes: distances worked out by hand, the dish's
// map at its centre and edge, sphere tracing against a dense fixed-step
// march, and the accelerated metaball march (ball cache, Hilbert squares,
// sphere history) against brute force, sample by sample.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <random>

#include "records/TransformationReply.h"
#include "records/data.h"
#include "records/parameters.h"
#include "records/vort.h"
#include "records/work_area.h"
#include "render/globes/ferguson.h"
#include "render/globes/globe_render.h"
#include "render/globes/metaball.h"
#include "tests/render/globe_rig.h"

namespace {

tumbletype Twirl(float a1, float a2, float a3) {
    tumbletype t;
    const float d[3] = {a1, a2, a3};
    BrickTumble(&t, d);
    return t;
}

double Len(double x, double y, double z) { return std::sqrt(x * x + y * y + z * z); }

TEST(Ferguson, DistancesWorkedOutByHand) {
    struct Case {
        double p[3];
        double distance;
        int32_t region;
    } cases[] = {
        // Above the plate's corner, clear of the dish and the ball: the plate alone.
        {{0.82, 0.82, 0.175}, 0.1, kFergPlate},
        // The dish's rim on the plate's top: on the surface.
        {{0.809543, 0.0, 0.075}, 0.0, kFergPlate},
        // Below the cut: the cut's plane wins.
        {{0.0, 0.0, -0.5}, 0.325, kFergCut},
    };
    for (const Case& c : cases) {
        int32_t region = -1;
        EXPECT_NEAR(getSdf_ferg(c.p, &region), c.distance, 1e-5) << c.p[0] << "," << c.p[1] << "," << c.p[2];
        if (c.distance != 0.0) EXPECT_EQ(region, c.region);
    }
    // High over the dish's centre: the dish's carving sphere is further
    // than the plate, and the ball below blends in (by hand: ball 0.825 -
    // 0.42, carved 1.184 - 0.439, e = ball - carved, h = 0.5 + e / 0.9).
    const double p[3] = {0.0, 0.0, 0.5};
    const double ball = 0.825 - double(0.42f), carved = double(1.184f) - 0.439;
    const double h = 0.5 + (ball - carved) / 0.9;
    int32_t region;
    EXPECT_NEAR(getSdf_ferg(p, &region), ball + h * (carved - ball) - 0.45 * h * (1 - h), 1e-9);
    EXPECT_EQ(region, kFergDishInner);
    EXPECT_EQ(bowlRegionForPoint(0.39, 0.0), kFergDishOuter);
}

TEST(Ferguson, DishCentreIsAPoleAndItsEdgeTheOther) {
    double d[3];
    getFergusonMapPointFromIntersection(d, 0.0, 0.0, 0.3);
    EXPECT_NEAR(d[0], 0.0, 1e-9);
    EXPECT_NEAR(d[1], 1.0, 1e-9);
    EXPECT_NEAR(d[2], 0.0, 1e-9);
    EXPECT_NEAR(fergLatitudeCorrection(1.0), 1.0, 1e-6);
    getFergusonMapPointFromIntersection(d, 0.0, 0.809543, 0.0);
    EXPECT_NEAR(d[1], -1.0, 1e-5);
    // Halfway out lies near the equator, its longitude from the angle.
    getFergusonMapPointFromIntersection(d, 0.3, 0.0, 0.0);
    EXPECT_NEAR(Len(d[0], d[1], d[2]), 1.0, 1e-9);
}

// A dense fixed-step march: the first t where the distance turns negative
// or small, or -1.
template <typename F>
double DenseHit(const marchray& r, F f, double far) {
    for (double t = 0.0; t < far; t += 0.0005) {
        const double p[3] = {r.origin[0] + t * r.direction[0], r.origin[1] + t * r.direction[1],
                             r.origin[2] + t * r.direction[2]};
        if (f(p) < 0.0005) return t;
    }
    return -1.0;
}

marchray RandomRay(std::mt19937& rng, double spread) {
    std::uniform_real_distribution<double> U(-1.0, 1.0);
    marchray r{};
    double d[3] = {U(rng), U(rng), U(rng)};
    const double len = Len(d[0], d[1], d[2]);
    for (int i = 0; i < 3; ++i) {
        r.direction[i] = d[i] / len;
        r.origin[i] = -3.0 * r.direction[i] + spread * U(rng);
    }
    return r;
}

TEST(Ferguson, SphereTracingFindsEveryHitADenseMarchFinds) {
    FergStructure m;
    const tumbletype t = Twirl(0, 0, 0);
    CreateFergusonModel(&m, &t);
    std::mt19937 rng(3);
    int hits = 0;
    for (int i = 0; i < 300; ++i) {
        const marchray r = RandomRay(rng, 1.0);
        const double dense = DenseHit(r, [&](const double* p) {
            int32_t region;
            return getSdf_ferg(p, &region);
        }, 6.0);
        FergusonHit hit;
        castFergusonRay(&m, r, &hit);
        if (dense < 0) continue;
        ++hits;
        ASSERT_EQ(hit.result, 1) << i << " dense t " << dense;
        const double p[3] = {r.origin[0] + dense * r.direction[0], r.origin[1] + dense * r.direction[1],
                             r.origin[2] + dense * r.direction[2]};
        EXPECT_LT(Len(hit.point[0] - p[0], hit.point[1] - p[1], hit.point[2] - p[2]), 0.002) << i;
    }
    EXPECT_GT(hits, 60);
}

TEST(Metaball, ModelFollowsTheDensity) {
    const tumbletype t = Twirl(0, 0, 0);
    for (double density : {-1.0, 0.0, 0.33, 1.0, 2.0}) {
        MetaballStructure m{};
        CreateMetaballModel(&m, &t, density);
        const int64_t n = int64_t(125.0 * std::pow(std::clamp(density, 0.0, 1.0), 2) + 6.0);
        ASSERT_EQ(m.count, n);
        EXPECT_NEAR(m.radius, 0.2 * std::sqrt(78.0 / n), 1e-12);
        EXPECT_NEAR(m.floorOffset, 2 * m.radius + 1, 1e-12);
        for (int64_t i = 0; i < n; ++i) {
            EXPECT_NEAR(Len(m.balls[3 * i], m.balls[3 * i + 1], m.balls[3 * i + 2]), 1.0, 1e-12);
            EXPECT_FALSE(std::isnan(m.balls[3 * i + 2]));
        }
        // First and last balls at the poles.
        EXPECT_NEAR(m.balls[2], 1.0, 1e-12);
        EXPECT_NEAR(m.balls[3 * (n - 1) + 2], -1.0, 1e-12);
        DestroyMetaballModel(&m);
    }
    EXPECT_EQ(MetaballCount(0), 6);
    EXPECT_EQ(MetaballCount(1), 131);
}

TEST(Metaball, DistanceAndCache) {
    const tumbletype t = Twirl(0, 0, 0);
    MetaballStructure m{};
    CreateMetaballModel(&m, &t, 0.5);
    metaballCache empty;
    initMetaballCache(&empty);
    // No cached ball: the core alone.
    const double onCore[3] = {m.core, 0, 0};
    EXPECT_EQ(getSdf(onCore, &empty, &m), 0.0);
    // The smooth minimum by hand.
    EXPECT_DOUBLE_EQ(SmoothMin(1.0, 0.2, 0.3), 0.2);
    EXPECT_DOUBLE_EQ(SmoothMin(0.2, 1.0, 0.3), 0.2);
    const double h = 0.5 + 0.1 * (0.5 / 0.3);
    EXPECT_DOUBLE_EQ(SmoothMin(0.5, 0.6, 0.3), 0.6 + h * (0.5 - 0.6) - 0.3 * h * (1 - h));
    // The cache keeps what lies near the ray; kept while within tolerance.
    metaballCache c;
    initMetaballCache(&c);
    marchray r{};
    r.origin[0] = 0.1, r.origin[2] = 3.0;
    r.direction[2] = -1.0;
    EXPECT_TRUE(makeBallCacheCurrent_with_Tolerance(&m, &c, r, 0.2));
    const double reach = 1.3 * (m.radius + m.blend) + 0.2;
    int64_t near = 0;
    for (int64_t i = 0; i < m.count; ++i)
        near += DistanceFromInfiniteLineToPoint(m.balls + 3 * i, r.origin, r.direction) < reach;
    EXPECT_EQ(c.count, near);
    EXPECT_LT(c.count, m.count);
    marchray next = r;
    next.origin[0] += 0.15;
    EXPECT_FALSE(makeBallCacheCurrent_with_Tolerance(&m, &c, next, 0.2));
    next.origin[0] += 0.1;
    EXPECT_TRUE(makeBallCacheCurrent_with_Tolerance(&m, &c, next, 0.2));
    DestroyMetaballModel(&m);
}

TEST(Metaball, HistoryStartsWhereTheChainOfSpheresEnds) {
    sphereHistory h;
    initSphereHistory(&h);
    h.count = 2;
    const double c0[3] = {0, 0, 3}, c1[3] = {0, 0, 2};
    for (int i = 0; i < 3; ++i) h.centres[0][i] = c0[i], h.centres[1][i] = c1[i];
    h.radii[0] = 1.0;
    h.radii[1] = 0.5;
    marchray r{};
    r.origin[2] = 3.0;
    r.direction[2] = -1.0;
    EXPECT_NEAR(historySteppingForwardFrom(0, &h, r), 1.5, 1e-12);
    // A ray that leaves the first sphere sideways starts at 0.
    marchray side = r;
    side.origin[0] = 1.2;
    EXPECT_EQ(historySteppingForwardFrom(0, &h, side), 0.0);
    // One that runs through the first but misses the second stops at the first's far side.
    marchray off = r;
    off.origin[0] = 0.6;
    EXPECT_NEAR(historySteppingForwardFrom(0, &h, off), std::sqrt(1.0 - 0.36), 1e-12);
}

// The accelerated march of the render against brute force, sample by
// sample over Hilbert-sized squares: hit or miss alike, hit points (their
// directions) within the march's tolerance.
TEST(Metaball, AcceleratedMarchAgreesWithBruteForce) {
    GlobeContextRig rig(395);
    vort* c = rig.context.get();
    struct Case {
        int32_t percentage;
        float twirl[3];
    } cases[] = {{33, {0, 0, 0}}, {100, {30, 40, 10}}, {0, {-60, 10, 0}}, {70, {80, 0, 0}}};
    for (const Case& k : cases) {
        c->percentageWord = k.percentage;
        for (int i = 0; i < 3; ++i) c->angles[i + 1] = k.twirl[i];
        const int side = 32, squares = 3;
        const double step = 2.4 / double(side * 4);
        std::vector<float> fast, slow;
        std::vector<int> fastHit, slowHit;
        for (bool brute : {false, true}) {
            ASSERT_TRUE(rig.Prepare(brute));
            auto& dirs = brute ? slow : fast;
            auto& hits = brute ? slowHit : fastHit;
            for (int sy = 0; sy < squares; ++sy)
                for (int sx = 0; sx < squares; ++sx) {
                    const double x0 = -1.2 + sx * side * step, y0 = -1.2 + sy * side * step;
                    DoOncePerHilbertSquareSetup(c, x0 - step, y0 - step, x0 + side * step, y0 + side * step);
                    for (int j = 0; j < side; ++j)
                        for (int i = 0; i < side; ++i) {
                            TransformationReply reply{};
                            float d[3] = {0, 0, 0};
                            hits.push_back(c->globeMarch(c, 0, x0 + i * step, y0 + j * step, &reply, d));
                            dirs.insert(dirs.end(), d, d + 3);
                        }
                    DestroyOncePerHilbertSquareSetup(c);
                }
        }
        ASSERT_EQ(fast.size(), slow.size());
        int64_t hitCount = 0;
        for (size_t s = 0; s < fastHit.size(); ++s) {
            ASSERT_EQ(fastHit[s], slowHit[s]) << "sample " << s << " percentage " << k.percentage;
            if (!fastHit[s]) continue;
            ++hitCount;
            const float* a = &fast[3 * s];
            const float* b = &slow[3 * s];
            EXPECT_LT(Len(a[0] - b[0], a[1] - b[1], a[2] - b[2]), 2e-3) << "sample " << s;
        }
        EXPECT_GT(hitCount, 500);
    }
}

TEST(Metaball, BruteForceFindsEveryHitADenseMarchFinds) {
    const tumbletype t = Twirl(20, 30, 0);
    MetaballStructure m{};
    CreateMetaballModel(&m, &t, 0.6);
    metaballCache cache, shadow;
    initMetaballCache(&cache);
    initMetaballCache(&shadow);
    FillCacheWithEveryBall(&m, &cache);
    std::mt19937 rng(11);
    int hits = 0;
    for (int i = 0; i < 200; ++i) {
        const marchray r = RandomRay(rng, 1.2);
        metaballCache all;
        initMetaballCache(&all);
        FillCacheWithEveryBall(&m, &all);
        double planeT = -1;
        const double dense = DenseHit(r, [&](const double* p) {
            double blob;
            return getSdfWithPlaneSeparated(p, &all, &m, &blob);
        }, 8.0);
        if (dense >= 0) {
            const double p[3] = {r.origin[0] + dense * r.direction[0], r.origin[1] + dense * r.direction[1],
                                 r.origin[2] + dense * r.direction[2]};
            if (sdPlane(p, &m) < 0.001) planeT = dense;
        }
        MetaballHit hit;
        castMetaballRay_adjustable_omega(&m, r, &cache, &shadow, 0.0, true, &hit);
        if (dense < 0 || planeT >= 0) continue;  // nothing, or the floor (a miss)
        ++hits;
        ASSERT_EQ(hit.result, 1) << i;
        EXPECT_NEAR(hit.t, dense, 0.002) << i;
        EXPECT_GE(hit.light, 0.0);
        EXPECT_LE(hit.light, 1.0);
    }
    EXPECT_GT(hits, 40);
    DestroyMetaballModel(&m);
}

}  // namespace
