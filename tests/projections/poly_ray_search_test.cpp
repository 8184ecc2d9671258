// The ray search against a brute-force Moller-Trumbore test over every
// triangle: random rays and rays along edges and through vertices of every
// solid are all hit, by a triangle the brute force also hits, at the same
// point. A ray in a rounding-sized crack is taken by the nearer triangle; a
// ray through a real gap misses.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

#include "polyhedra/poly_storage.h"
#include "projections/poly_ray_search.h"
#include "records/renderhinttype.h"
#include "solids/poly_setup.h"
#include "tests/nets/net_solids.h"

namespace {

struct PolyDeleter {
    void operator()(polyhedron* p) const { FreePolyhedron(&p); }
};
using PolyPtr = std::unique_ptr<polyhedron, PolyDeleter>;

triplex Sub(triplex a, triplex b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
triplex Crs(triplex a, triplex b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
double Dt(triplex a, triplex b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

// Two-sided Moller-Trumbore from the origin along d: distance t and the
// weights of b and c, when the ray meets the triangle within `slack`.
bool MollerTrumbore(triplex d, triplex a, triplex b, triplex c, double slack, double* t, double* u, double* v) {
    const triplex e1 = Sub(b, a), e2 = Sub(c, a);
    const triplex p = Crs(d, e2);
    const double det = Dt(e1, p);
    if (std::fabs(det) < 1e-14) return false;
    const double inv = 1.0 / det;
    const triplex s = {-a.x, -a.y, -a.z};
    *u = Dt(s, p) * inv;
    const triplex q = Crs(s, e1);
    *v = Dt(d, q) * inv;
    *t = Dt(e2, q) * inv;
    return *u >= -slack && *v >= -slack && *u + *v <= 1.0 + slack && *t > 0.0;
}

PolyPtr InputNet(int64_t code) {
    PolyPtr p(NewPolyhedron(0.5f, 0.0f));
    if (p) SetUpReallyGeneralPolyhedron(p.get(), code, 6, 0, 0, nullptr, 1, 0.0f);
    return p;
}

// Checks one ray against the brute force. Where the brute force hits no
// triangle (a crack of a rounding between faces whose corners do not quite
// meet), the search must have taken a triangle the ray misses by at most the
// slack; such rays are counted in `cracks`.
void CheckRay(const polyhedron* poly, renderhinttype* hint, triplex d, const char* what, int64_t* cracks) {
    const double ray[3] = {d.x, d.y, d.z};
    unsigned char outside = 9;
    double b[3] = {1.0, 0.0, 0.0};
    const int64_t t = IntersectRayWithPoly_core(ray, poly, &outside, hint, b);
    const double b0 = b[0], b1 = b[1], b2 = b[2];
    ASSERT_GE(t, 0) << what << " ray (" << d.x << ", " << d.y << ", " << d.z << ") missed";
    EXPECT_EQ(outside, 0);
    EXPECT_EQ(hint->triangle, t);
    EXPECT_EQ(hint->faceFound, 1);
    bool anyHit = false;
    double mt, u, v;
    for (int64_t i = 0; i < poly->netTriangleCount && !anyHit; ++i) {
        const PolyNetTriangle& q = poly->netTriangle[i];
        anyHit = !q.isTab && MollerTrumbore(d, q.cornerPoint[0], q.cornerPoint[1], q.cornerPoint[2], 1e-9, &mt, &u, &v);
    }
    const double slack = anyHit ? 1e-9 : 1e-6;
    if (!anyHit) ++*cracks;
    const PolyNetTriangle& tri = poly->netTriangle[t];
    EXPECT_FALSE(tri.isTab);
    ASSERT_TRUE(MollerTrumbore(d, tri.cornerPoint[0], tri.cornerPoint[1], tri.cornerPoint[2], slack, &mt, &u, &v))
        << what << ": the brute force does not hit triangle " << t;
    // The weights are ratios of triple products; on faces whose planes pass
    // near the centre they carry a few more ulps than the brute force's.
    const double weightSlack = std::fmax(slack, 1e-8);
    EXPECT_NEAR(b1, u, weightSlack);
    EXPECT_NEAR(b2, v, weightSlack);
    EXPECT_GE(std::fmin(b0, std::fmin(b1, b2)), 0.0);
    EXPECT_NEAR(b0 + b1 + b2, 1.0, 1e-12);
    const triplex hit = {d.x * mt, d.y * mt, d.z * mt};
    EXPECT_NEAR(hint->lastPoint[0], hit.x, 10 * weightSlack);
    EXPECT_NEAR(hint->lastPoint[1], hit.y, 10 * weightSlack);
    EXPECT_NEAR(hint->lastPoint[2], hit.z, 10 * weightSlack);
}

TEST(RaySearch, EveryDirectionOfEverySolidIsHitWhereTheBruteForceHits) {
    std::mt19937 rng(29);
    std::normal_distribution<double> gauss;
    for (const NetSolid& s : kNetSolids) {
        SCOPED_TRACE(s.name);
        PolyPtr p = InputNet(s.code);
        ASSERT_TRUE(p);
        ASSERT_EQ(p->status, kPolyStatusGood);
        ASSERT_GT(p->netTriangleCount, 0);
        renderhinttype hint{};
        InitPolyHints(&hint);
        int64_t rays = 0, cracks = 0;
        for (int i = 0; i < 400; ++i) {
            const triplex d = {gauss(rng), gauss(rng), gauss(rng)};
            CheckRay(p.get(), &hint, d, "random", &cracks);
            ++rays;
        }
        // Along every edge and through every corner of every triangle, at a
        // few places each, with the hint left by the last ray.
        for (int64_t t = 0; t < p->netTriangleCount; ++t) {
            const PolyNetTriangle& tri = p->netTriangle[t];
            if (tri.isTab) continue;
            for (int k = 0; k < 3; ++k) {
                const triplex a = tri.cornerPoint[k], b = tri.cornerPoint[(k + 1) % 3];
                for (double f : {0.0, 0.5, 0.2371}) {
                    const triplex d = {a.x + f * (b.x - a.x), a.y + f * (b.y - a.y), a.z + f * (b.z - a.z)};
                    CheckRay(p.get(), &hint, d, f == 0.0 ? "vertex" : "edge", &cracks);
                    ++rays;
                }
            }
            if (HasFatalFailure()) return;
        }
        EXPECT_EQ(hint.raySearch.hits, rays);
        EXPECT_EQ(hint.raySearch.misses, 0);
        // Cracks come only from rays along edges and through corners.
        EXPECT_LE(cracks, rays - 400);
        if (cracks) std::printf("%s: %lld of %lld rays taken across a crack\n", s.name, (long long)cracks, (long long)rays);
    }
}

TEST(RaySearch, TheNearestTriangleTakesARayInARoundingCrackButNotInAGap) {
    PolyPtr p(NewPolyhedron(0.5f, 0.0f));
    ASSERT_TRUE(p);
    // Two triangles meeting along x = 0 on the plane z = 1, the second one's
    // edge moved away by `gap`; and a tab covering the gap, which never hits.
    auto build = [&](double gap) {
        p->netTriangleCount = 3;
        PolyNetTriangle* t = p->netTriangle;
        for (int i = 0; i < 3; ++i) {
            t[i].isTab = 0;
            t[i].netFace = -1;
        }
        t[0].cornerPoint[0] = {0, -1, 1};
        t[0].cornerPoint[1] = {0, 1, 1};
        t[0].cornerPoint[2] = {-1, 0, 1};
        t[1].cornerPoint[0] = {gap, 1, 1};
        t[1].cornerPoint[1] = {gap, -1, 1};
        t[1].cornerPoint[2] = {1, 0, 1};
        t[2] = t[1];
        t[2].isTab = 1;
        t[2].cornerPoint[0] = {-1, 1, 1};
        t[2].cornerPoint[1] = {-1, -1, 1};
    };
    renderhinttype hint{};
    InitPolyHints(&hint);
    unsigned char outside = 0;
    build(1e-9);
    const double crack[3] = {0.7e-9, 0.1, 1.0};
    EXPECT_EQ(IntersectRayWithPoly_core(crack, p.get(), &outside, &hint, nullptr), 1);
    EXPECT_EQ(outside, 0);
    const double nearLeft[3] = {0.2e-9, 0.1, 1.0};
    EXPECT_EQ(IntersectRayWithPoly_core(nearLeft, p.get(), &outside, &hint, nullptr), 0);
    build(1e-3);
    const double gap[3] = {0.5e-3, 0.1, 1.0};
    EXPECT_EQ(IntersectRayWithPoly_core(gap, p.get(), &outside, &hint, nullptr), -1);
    EXPECT_EQ(outside, 1);
    EXPECT_EQ(hint.faceFound, 0);
    EXPECT_EQ(hint.triangle, -1);
    // The opposite ray passes through neither.
    const double back[3] = {-0.1, 0.1, -1.0};
    EXPECT_EQ(IntersectRayWithPoly_core(back, p.get(), &outside, &hint, nullptr), -1);
    EXPECT_EQ(hint.raySearch.hits, 2);
    EXPECT_EQ(hint.raySearch.misses, 2);
    EXPECT_EQ(hint.raySearch.walksRunOff, 4);
}

TEST(RaySearch, RecentTrianglesMoveToTheFrontWithoutRepeats) {
    recentTriangleType r;
    InitTriangleFindingHint(&r);
    for (int64_t t : {4, 7, 9, 7, 7, 4}) AddTriangleFindingHint(&r, t);
    EXPECT_EQ(r.triangles[0], 4);
    EXPECT_EQ(r.triangles[1], 7);
    EXPECT_EQ(r.triangles[2], 9);
    EXPECT_EQ(r.missed, 0);
}

}  // namespace
