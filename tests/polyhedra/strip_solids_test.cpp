// The balls cut into strips and bands (rind, odd, thirty-degree, tattoo) and
// the sliver tetrahedra, built through the set-up as the dispatcher builds
// them. Counts, heights and positions are worked out here from the sphere's
// fractions; the closed solids go through admesh.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <set>

#include "poly_fixture.h"
#include "polyhedra/balls.h"
#include "solids/shape_dispatch.h"
#include "polyhedra/slivers.h"
#include "solid_checks.h"

namespace {

using namespace solid_checks;

const double kPi = 3.14159265358979323846;

triplex OnSphere(double u, double v, double r) {
    const double lat = -kPi * (v - 0.5), lon = 2 * kPi * (u - 0.5);
    return triplex{r * std::cos(lat) * std::sin(lon), r * std::sin(lat), r * std::cos(lat) * std::cos(lon)};
}

// Faces of each kind: (count, cut edge, tag) -> number of faces.
std::map<std::tuple<int64_t, int, int>, int> FaceKinds(const polyhedron* p) {
    std::map<std::tuple<int64_t, int, int>, int> kinds;
    for (int64_t f = 0; f < p->faceCount3D; ++f) {
        int cut = -1;
        for (int k = p->face3D[f].count - 1; k >= 0; --k)
            if (p->face3D[f].edgeFlags[k] & kEdgeCut) cut = k;
        ++kinds[{p->face3D[f].count, cut, p->face3D[f].group}];
    }
    return kinds;
}

// Every face turns outward (seen from outside its corners run counter-
// clockwise). A triangle with a pole at one corner and its other two on one
// meridian lies edge-on to the centre and turns neither way.
void ExpectOutward(const polyhedron* p, const std::string& what) {
    int inward = 0;
    for (int64_t f = 0; f < p->faceCount3D; ++f) {
        const triplex n = Tnormalize(Cross(Tsub(V(p, f, 1), V(p, f, 0)), Tsub(V(p, f, 2), V(p, f, 0))));
        if (Dot(n, V(p, f, 0)) < -1e-3 * Len(V(p, f, 0))) ++inward;
    }
    EXPECT_EQ(inward, 0) << what;
}

// The solid angle the faces cover, seen from the centre.
double CoveredSolidAngle(const polyhedron* p) {
    double total = 0;
    for (int64_t f = 0; f < p->faceCount3D; ++f)
        for (int64_t k = 1; k + 1 < p->face3D[f].count; ++k) {
            const triplex a = V(p, f, 0), b = V(p, f, k), c = V(p, f, k + 1);
            const double la = Len(a), lb = Len(b), lc = Len(c);
            total += 2 * std::atan2(Dot(a, Cross(b, c)),
                                    la * lb * lc + Dot(a, b) * lc + Dot(a, c) * lb + Dot(b, c) * la);
        }
    return total;
}

TEST(StripSolids, RindWarpIsFlatAtBothEnds) {
    EXPECT_EQ(rind_warp(0.0005f), 0.0f);
    EXPECT_EQ(rind_warp(0.5f), 0.5f);
    EXPECT_EQ(rind_warp(0.9995f), 1.0f);
    for (float x = 0.01f; x < 0.5f; x += 0.01f) EXPECT_NEAR(rind_warp(x) + rind_warp(1 - x), 1.0f, 1e-6f);
}

// Two turns of 50 steps, fine strip: 49 triangles at each pole and 300 strip
// steps of two triangles (edge 0 cut), less the few whose corners fall within
// 0.002 of one another near the poles (they cover nothing).
TEST(StripSolids, RindBall) {
    for (int64_t code : {25, 26, 27, 51, 52, 53}) {
        ASSERT_TRUE(ShapecodeCanBeBuilt(code));
        PolyPtr p = BuildSolid(code);  // the set-up's flag is 1: the fine strip
        ASSERT_TRUE(p);
        const std::string what = "code " + std::to_string(code);
        const int64_t turns = code <= 27 ? code - 23 : code - 49, N = 50;
        const int64_t d = turns == 2 ? 6 : turns == 3 ? 3 : 2, span = N * (turns - 1), M = d * span;
        if (turns == 2) EXPECT_EQ(M, 300);
        const auto kinds = FaceKinds(p.get());
        const int64_t strip = kinds.at({3, 0, -1});
        EXPECT_LE(strip, 2 * M) << what;
        EXPECT_GE(strip, 2 * M - 16) << what;
        EXPECT_EQ(kinds.at({3, 1, -1}), 49) << what;      // north cap, edge 1 cut
        EXPECT_EQ(kinds.at({3, 2, -1}), 49) << what;      // south cap, edge 2 cut
        EXPECT_EQ(p->status, kPolyStatusGood) << what;
        for (int64_t v = 0; v < p->vertexCount3D; ++v) EXPECT_NEAR(Len(p->coords3D[v]), 10, 1e-6);
        // Strip triangles carry their quadrilateral's fourth corner.
        int withReference = 0;
        for (int64_t f = 0; f < p->faceCount3D; ++f) withReference += p->face3D[f].referenceVertex >= 0;
        EXPECT_GT(withReference, strip - 12) << what;
        ExpectOutward(p.get(), what);
        // The caps meet the strip and the turns meet one another at
        // differently spaced points along the spiral, so the surface is not
        // closed edge to edge; it still covers the sphere once.
        EXPECT_NEAR(CoveredSolidAngle(p.get()), 4 * kPi, 1e-2) << what;
    }
    PolyPtr coarse = MakePoly();
    ASSERT_TRUE(coarse);
    BuildRindBall3D(coarse.get(), 0, 4, 0);
    EXPECT_LE(FaceKinds(coarse.get()).at({3, 0, -1}), 600);  // d = 2: M = 300 steps
    EXPECT_GE(FaceKinds(coarse.get()).at({3, 0, -1}), 584);
}

TEST(StripSolids, OddBall) {
    PolyPtr p = BuildSolid(84);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->faceCount3D, 20);
    EXPECT_EQ(p->vertexCount3D, 2 + 21);
    EXPECT_EQ(p->wedgeVertex[0], -1);
    EXPECT_EQ((FaceKinds(p.get()).at({3, -1, 1})), 20);
    for (int64_t k = 0; k <= 20; ++k)
        EXPECT_NEAR(Len(Tsub(p->coords3D[2 + k], OnSphere(k / 20.0, (k / 20.0 + 1) / 3, 10))), 0, 1e-5);
    double u, v;
    PolyPtr q = MakePoly();
    ASSERT_TRUE(q && getPolyStorageEtc(q.get()));
    const int64_t south = BuildOddballVertex(q.get(), &u, &v, -2, 7, 0, 0.3);
    EXPECT_NEAR(Len(Tsub(q->coords3D[south], triplex{0, -10, 0})), 0, 1e-9);
}

TEST(StripSolids, ThirtyDegreeSphere) {
    ASSERT_TRUE(ShapecodeCanBeBuilt(81));
    PolyPtr p = BuildSolid(81);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->vertexCount3D, 62);
    EXPECT_EQ(p->faceCount3D, 72);
    const auto kinds = FaceKinds(p.get());
    EXPECT_EQ(kinds.at({3, -1, 1}), 24);
    EXPECT_EQ(kinds.at({4, -1, 1}), 48);
    std::set<long> heights;
    for (int64_t v = 0; v < p->vertexCount3D; ++v) {
        heights.insert(std::lround(1e6 * p->coords3D[v].y));
        EXPECT_NEAR(Len(p->coords3D[v]), 10, 1e-6);
    }
    std::set<long> expected;
    for (int deg : {-90, -60, -30, 0, 30, 60, 90}) expected.insert(std::lround(1e7 * std::sin(deg * kPi / 180)));
    EXPECT_EQ(heights, expected);
    ExpectClosedAndOriented(p.get(), "thirtysphere");
    ExpectAdmeshClosed(p.get(), "thirtysphere");
}

TEST(StripSolids, TattooBall) {
    PolyPtr probe = MakePoly();
    ASSERT_TRUE(probe && getPolyStorageEtc(probe.get()));
    const double expectedU[] = {0.5, 0, 0.5, 0, 0.5};
    for (int i = 0; i < 5; ++i) {
        double u, v;
        BuildTattooVertex(probe.get(), &u, &v, 40.0 * i, 80, 240, 0);
        EXPECT_NEAR(u, expectedU[i], 1e-12) << i;
        EXPECT_NEAR(v, 40.0 * i / 240, 1e-12);
    }
    for (int64_t code : {78, 79, 159}) {
        ASSERT_TRUE(ShapecodeCanBeBuilt(code));
        PolyPtr p = BuildSolid(code);
        ASSERT_TRUE(p);
        const std::string what = "code " + std::to_string(code);
        const int64_t halfTurns = code == 78 ? 3 : 5, T = 80 * halfTurns;
        const auto kinds = FaceKinds(p.get());
        EXPECT_EQ(kinds.at({3, 1, 1}), 79) << what;              // north cap
        EXPECT_EQ(kinds.at({3, 2, halfTurns + 1}), 79) << what;  // south cap
        for (int64_t h = 0; h + 1 < halfTurns; ++h) EXPECT_GE(kinds.at({3, 0, 2 + h}), 140) << what;
        EXPECT_EQ(int64_t(kinds.size()), 2 + halfTurns - 1) << what;
        for (int64_t v = 0; v < p->vertexCount3D; ++v) EXPECT_NEAR(Len(p->coords3D[v]), 1, 1e-6);
        ExpectOutward(p.get(), what);
        EXPECT_NEAR(CoveredSolidAngle(p.get()), 4 * kPi, 1e-2) << what;
        // The wedge list: the north pole and the end of the first half-turn,
        // each wedge's open end (even wedges first), then the last half-turn's
        // start and the south pole.
        auto Z = [&](int64_t a) {
            const double w = a / 80.0 * 0.5, g = 2 * (w - std::floor(w));
            return OnSphere(std::fmod((g > 1 ? 2 - g : g) + 0.5, 1.0), double(a) / T, 1);
        };
        std::vector<int64_t> ends = {0, 80};
        for (int64_t parity = 0; parity < 2; ++parity)
            for (int64_t h = parity; h + 1 < halfTurns; h += 2) ends.insert(ends.end(), {80 * h, 80 * h + 160});
        ends.insert(ends.end(), {80 * (halfTurns - 1), T});
        for (size_t i = 0; i < 12; ++i) {
            if (i >= ends.size()) {
                EXPECT_EQ(p->wedgeVertex[i], -1) << what;
                continue;
            }
            ASSERT_GE(p->wedgeVertex[i], 0) << what << " slot " << i;
            EXPECT_NEAR(Len(Tsub(p->coords3D[p->wedgeVertex[i]], Z(ends[i]))), 0, 1e-5) << what << " slot " << i;
        }
    }
}

TEST(StripSolids, SliverTetrahedra) {
    struct {
        int64_t code, slivers, uncut;
        const char* name;
    } cases[] = {{85, 120, 0, "devtet"}, {86, 360, 6, "conictet"}};
    for (const auto& c : cases) {
        ASSERT_TRUE(ShapecodeCanBeBuilt(c.code));
        PolyPtr p = BuildSolid(c.code);
        ASSERT_TRUE(p);
        EXPECT_EQ(p->status, kPolyStatusGood) << c.name;
        EXPECT_EQ(p->faceCount3D, c.slivers) << c.name;
        const auto kinds = FaceKinds(p.get());
        EXPECT_EQ(kinds.at({3, 1, -1}), c.slivers - c.uncut) << c.name;  // the arc edges are cut
        if (c.uncut) EXPECT_EQ(kinds.at({3, -1, -1}), c.uncut) << c.name;
        ExpectClosedAndOriented(p.get(), c.name);
        ExpectAdmeshClosed(p.get(), c.name);
    }
    EXPECT_FALSE(ShapecodeCanBeBuilt(87));
}

TEST(StripSolids, MakeLieOnConeFixesConePoints) {
    const triplex apex = Tnormalize(triplex{0.3, 0.8, -0.5});
    const triplex side = Tnormalize(Cross(apex, triplex{1, 0, 0})), side2 = Cross(apex, side);
    for (int i = 0; i < 12; ++i) {
        const double t = 2 * kPi * i / 12;
        const triplex across = Tadd(Tscale(side, std::cos(t)), Tscale(side2, std::sin(t)));
        // 60 degrees from the line toward the centre, 0.2 along it.
        const triplex onCone =
            Tadd(apex, Tscale(Tadd(Tscale(apex, -std::cos(kPi / 3)), Tscale(across, std::sin(kPi / 3))), 0.2));
        triplex out{9, 9, 9};
        EXPECT_EQ(MakeLieOnCone(apex, onCone, &out, kPi / 3), 1);
        EXPECT_NEAR(Len(Tsub(out, onCone)), 0, 1e-12) << i;
        // A point further out along the same ray comes back onto the cone.
        EXPECT_EQ(MakeLieOnCone(apex, Tscale(onCone, 1.7), &out, kPi / 3), 1);
        EXPECT_NEAR(Len(Tsub(out, onCone)), 0, 1e-12) << i;
    }
    // A ray that runs along the cone's line never meets it: the point stays.
    const triplex along = Tadd(apex, Tadd(Tscale(apex, -std::cos(kPi / 3)), Tscale(side, std::sin(kPi / 3))));
    const triplex parallel = Tsub(along, apex);
    triplex out{9, 9, 9};
    EXPECT_EQ(MakeLieOnCone(apex, Tscale(parallel, 3), &out, kPi / 3), 0);
    EXPECT_EQ(Len(Tsub(out, Tscale(parallel, 3))), 0);
}

}  // namespace
