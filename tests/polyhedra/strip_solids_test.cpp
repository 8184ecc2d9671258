// The balls cut into strips and bands (rind, odd, thirty-degree, tattoo) and
// the sliver tetrahedra, built through the set-up as the dispatcher builds
// them. Counts, heights and positions are worked out here from the sphere's
// fractions; the closed solids go through admesh.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <set>
#include <vector>

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

// The solid angle the faces cover, seen from the centre (each face's
// counted as it stands, or by its size: then faces that fold back over
// others add to it instead of cancelling).
double CoveredSolidAngle(const polyhedron* p, bool bySize = false) {
    double total = 0;
    for (int64_t f = 0; f < p->faceCount3D; ++f)
        for (int64_t k = 1; k + 1 < p->face3D[f].count; ++k) {
            const triplex a = V(p, f, 0), b = V(p, f, k), c = V(p, f, k + 1);
            const double la = Len(a), lb = Len(b), lc = Len(c);
            const double omega = 2 * std::atan2(Dot(a, Cross(b, c)),
                                                la * lb * lc + Dot(a, b) * lc + Dot(a, c) * lb + Dot(b, c) * la);
            total += bySize ? std::fabs(omega) : omega;
        }
    return total;
}

TEST(StripSolids, RindWarpIsFlatAtBothEnds) {
    EXPECT_EQ(rind_warp(0.0005f), 0.0f);
    EXPECT_EQ(rind_warp(0.5f), 0.5f);
    EXPECT_EQ(rind_warp(0.9995f), 1.0f);
    for (float x = 0.01f; x < 0.5f; x += 0.01f) EXPECT_NEAR(rind_warp(x) + rind_warp(1 - x), 1.0f, 1e-6f);
}

// The points the balls place, in their order, each one already within 0.002
// of a placed one falling onto it, as the vertex store does.
struct Placed {
    std::vector<triplex> points;
    void Add(triplex p) {
        for (const triplex& q : points)
            if (Len(Tsub(p, q)) < 0.002) return;
        points.push_back(p);
    }
};

// Every vertex of a closed ball is one of the places worked out here, each
// of them a vertex, but for the few vertices a triangle that took points in
// on two of its edges was fanned from (on the sphere too).
void ExpectVerticesArePlaced(const polyhedron* p, const Placed& placed, double radius, const std::string& what) {
    int64_t middles = 0;
    for (int64_t v = 0; v < p->vertexCount3D; ++v) {
        EXPECT_NEAR(Len(p->coords3D[v]), radius, 1e-6 * radius) << what;
        double best = 1e9;
        for (const triplex& q : placed.points) best = std::min(best, Len(Tsub(q, p->coords3D[v])));
        middles += best > 1e-5 * radius;
    }
    EXPECT_EQ(p->vertexCount3D - middles, int64_t(placed.points.size())) << what;
    EXPECT_LT(middles, 20) << what;
}

// The rind ball: 49 triangles at each pole over the first and last turns and
// a strip of M = d x 50 x (turns - 1) steps between the turns (two turns,
// fine strip: d = 6, M = 300, 600 triangles; four turns coarse: d = 2). The
// caps and the two sides of the strip meet along the spiral at differently
// spaced points; the ball is closed edge to edge with every triangle that
// meets points of the other side along its spiral edge fanned into
// triangles through them, so it has more triangles than that.
TEST(StripSolids, RindBall) {
    for (int64_t code : {25, 26, 27, 51, 52, 53}) {
        ASSERT_TRUE(ShapecodeCanBeBuilt(code));
        PolyPtr p = BuildSolid(code);  // the set-up's flag is 1: the fine strip
        ASSERT_TRUE(p);
        const std::string what = "code " + std::to_string(code);
        ASSERT_EQ(p->status, kPolyStatusGood) << what;
        const int64_t turns = code <= 27 ? code - 23 : code - 49, N = 50, T = N * turns;
        const int64_t d = turns == 2 ? 6 : turns == 3 ? 3 : 2, span = N * (turns - 1), M = d * span;
        if (turns == 2) EXPECT_EQ(M, 300);
        const double o = turns % 2 ? 0.5 : 0.0;
        auto S = [&](double a) { return OnSphere(a / N + o, a / T, 10); };
        Placed placed;
        for (int64_t k = 1; k <= N - 1; ++k)
            for (double a : {0.0, double(k), double(k + 1)}) placed.Add(S(a));
        auto warp = [](double x) {
            const float f = float(x);
            if (f < 0.001f) return 0.0;
            if (f > 0.999f) return 1.0;
            return f < 0.5f ? double(0.5f * std::pow(2.0f * f, 2.321928f))
                            : double(1.0f - 0.5f * std::pow(2.0f * (1.0f - f), 2.321928f));
        };
        for (int64_t s = 0; s < M; ++s) {
            const double a0 = span * warp(double(s) / M), a1 = span * warp(double(s + 1) / M);
            for (double a : {a0 + N, a1 + N, a1, a0}) placed.Add(S(a));
        }
        for (int64_t k = 0; k <= N - 2; ++k)
            for (double a : {double(span + k), double(T), double(span + k + 1)}) placed.Add(S(a));
        ExpectVerticesArePlaced(p.get(), placed, 10, what);
        for (int64_t f = 0; f < p->faceCount3D; ++f) EXPECT_EQ(p->face3D[f].count, 3) << what;
        ExpectOutward(p.get(), what);
        EXPECT_NEAR(CoveredSolidAngle(p.get()), 4 * kPi, 1e-9) << what;
        ExpectClosedAndOriented(p.get(), what);
        if (code == 25) ExpectAdmeshClosed(p.get(), what);
        // The net lays every face.
        PolyPtr net = MakePoly();
        SetUpReallyGeneralPolyhedron(net.get(), code, 6, 0, 0, nullptr, 1, 0.0f);
        EXPECT_EQ(net->netFaceCount, net->faceCount3D) << what;
    }
    PolyPtr coarse = MakePoly();
    ASSERT_TRUE(coarse);
    BuildRindBall3D(coarse.get(), 0, 4, 0);
    ExpectClosedAndOriented(coarse.get(), "four turns, coarse strip");
}

TEST(StripSolids, OddBall) {
    PolyPtr p = BuildSolid(84);
    ASSERT_TRUE(p);
    // The fan of 20 from the north pole over the curve, the same fan from the
    // south pole, and the two flat triangles that join the curve's ends
    // (one meridian with both poles), which the net leaves out.
    EXPECT_EQ(p->faceCount3D, 42);
    EXPECT_EQ(p->vertexCount3D, 2 + 21);
    EXPECT_EQ(p->wedgeVertex[0], -1);
    EXPECT_EQ((FaceKinds(p.get()).at({3, -1, 1})), 40);
    for (int64_t k = 0; k <= 20; ++k)
        EXPECT_NEAR(Len(Tsub(p->coords3D[2 + k], OnSphere(k / 20.0, (k / 20.0 + 1) / 3, 10))), 0, 1e-5);
    ExpectClosedAndOriented(p.get(), "odd ball");
    ExpectAdmeshClosed(p.get(), "odd ball");
    int64_t walls = 0;
    for (int64_t f = 0; f < p->faceCount3D; ++f) {
        if (!p->face3D[f].noSeed) continue;
        ++walls;
        for (int k = 0; k < 3; ++k) EXPECT_NEAR(V(p.get(), f, k).x, 0, 1e-5);  // in the meridian's plane
    }
    EXPECT_EQ(walls, 2);
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
        ASSERT_EQ(p->status, kPolyStatusGood) << what;
        auto Zu = [&](double a) {
            const double w = a / 80.0 * 0.5, g = 2 * (w - std::floor(w));
            const double there = (g > 1 ? 2 - g : g) + 0.5;
            return OnSphere(there - std::floor(there), a / T, 1);
        };
        // The places: every step of the zig-zag, then each wedge's warped
        // steps on its two half-turns, even wedges first.
        Placed placed;
        for (int64_t a = 0; a <= T; ++a) placed.Add(Zu(double(a)));
        auto warp = [](int64_t s) {
            const float f = float(double(s) / 80.0);
            return f < 0.001f ? 0.0 : f > 0.999f ? 1.0
                 : f < 0.5f ? double(0.5f * std::pow(2.0f * f, 2.321928f))
                            : double(1.0f - 0.5f * std::pow(2.0f * (1.0f - f), 2.321928f));
        };
        for (int64_t parity = 0; parity < 2; ++parity)
            for (int64_t h = parity; h + 1 < halfTurns; h += 2)
                for (int64_t s = 0; s < 80; ++s) {
                    const double x0 = 80 * warp(s), x1 = 80 * warp(s + 1);
                    for (double a : {80.0 * h + 160 - x0, 80.0 * h + 160 - x1, 80.0 * h + x1, 80.0 * h + x0})
                        placed.Add(Zu(a));
                }
        ExpectVerticesArePlaced(p.get(), placed, 1, what);
        // Tags: 1 the north cap, 2 + h wedge h, halfTurns + 1 the south cap.
        std::set<int> tags;
        for (int64_t f = 0; f < p->faceCount3D; ++f) tags.insert(p->face3D[f].group);
        EXPECT_EQ(int64_t(tags.size()), halfTurns + 1) << what;
        EXPECT_EQ(*tags.begin(), 1) << what;
        EXPECT_EQ(*tags.rbegin(), halfTurns + 1) << what;
        ExpectOutward(p.get(), what);
        ExpectClosedAndOriented(p.get(), what);
        if (code == 78) ExpectAdmeshClosed(p.get(), what);
        // The pieces meet edge to edge on the meridian of the turns: no flat
        // wall closes a gap between them, the faces cover the sphere once
        // (none folds back over another) and the net lays every face.
        int64_t walls = 0;
        for (int64_t f = 0; f < p->faceCount3D; ++f) walls += p->face3D[f].noSeed;
        EXPECT_EQ(walls, 0) << what;
        EXPECT_NEAR(CoveredSolidAngle(p.get()), 4 * kPi, 1e-9) << what;
        EXPECT_NEAR(CoveredSolidAngle(p.get(), true), 4 * kPi, 1e-9) << what;
        PolyPtr net = MakePoly();
        SetUpReallyGeneralPolyhedron(net.get(), code, 6, 0, 0, nullptr, 1, 0.0f);
        EXPECT_EQ(net->netFaceCount, net->faceCount3D) << what;
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

// Where the net lays two of the tattoo balls' pieces against each other,
// the seam shows one line of the sphere on both sides: along every stretch
// of a piece's outline that another piece's outline covers, the point of the
// solid either side shows, seen from the centre, is the same direction. Once
// a wedge's first rung, a chord across two half-turns, lay against a cap's
// chord across one: the picture jumped across the seam by up to 21.8°.
TEST(StripSolids, TattooPiecesLaidSideBySideShowOneSphereAcrossTheSeam) {
    for (int64_t code : {78, 79}) {
        SCOPED_TRACE(code);
        PolyPtr p = MakePoly();
        SetUpReallyGeneralPolyhedron(p.get(), code, 6, 0, 0, nullptr, 1, 0.0f);
        ASSERT_EQ(p->status, kPolyStatusGood);
        // The outline edges of every piece: net edges with no neighbour in
        // their own fragment, each with its net ends and solid ends.
        struct Edge {
            double ax, ay, bx, by;
            triplex A, B;
            int fragment;
        };
        std::map<std::pair<int64_t, int64_t>, int> uses;
        for (int64_t n = 0; n < p->netFaceCount; ++n)
            for (int64_t k = 0; k < p->netFace[n].count; ++k) {
                const int64_t a = p->netFace[n].vertex[k], b = p->netFace[n].vertex[(k + 1) % p->netFace[n].count];
                ++uses[{std::min(a, b), std::max(a, b)}];
            }
        std::vector<Edge> outline;
        for (int64_t n = 0; n < p->netFaceCount; ++n)
            for (int64_t k = 0; k < p->netFace[n].count; ++k) {
                const int64_t a = p->netFace[n].vertex[k], b = p->netFace[n].vertex[(k + 1) % p->netFace[n].count];
                if (uses[{std::min(a, b), std::max(a, b)}] != 1) continue;
                outline.push_back({p->coords2D[a][0], p->coords2D[a][1], p->coords2D[b][0], p->coords2D[b][1],
                                   p->coords3D[p->netVertexSolid[a]], p->coords3D[p->netVertexSolid[b]],
                                   p->netFace[n].fragment});
            }
        double longest = 0;
        for (const Edge& e : outline) longest = std::max(longest, std::hypot(e.bx - e.ax, e.by - e.ay));
        const double near = 1e-6 * longest;
        double worst = 0, laid = 0;
        for (const Edge& e : outline) {
            const double len = std::hypot(e.bx - e.ax, e.by - e.ay);
            if (len <= near) continue;
            const double ux = (e.bx - e.ax) / len, uy = (e.by - e.ay) / len;
            for (const Edge& o : outline) {
                if (o.fragment == e.fragment) continue;
                // o on e's line, its span along e overlapping e's.
                auto across = [&](double x, double y) { return (x - e.ax) * -uy + (y - e.ay) * ux; };
                auto along = [&](double x, double y) { return (x - e.ax) * ux + (y - e.ay) * uy; };
                if (std::fabs(across(o.ax, o.ay)) > near || std::fabs(across(o.bx, o.by)) > near) continue;
                const double t0 = along(o.ax, o.ay), t1 = along(o.bx, o.by);
                const double lo = std::max(0.0, std::min(t0, t1)), hi = std::min(len, std::max(t0, t1));
                if (hi - lo <= near) continue;
                laid += hi - lo;
                for (int i = 0; i <= 20; ++i) {
                    const double t = lo + (hi - lo) * i / 20.0;
                    const triplex here = Tadd(e.A, Tscale(Tsub(e.B, e.A), t / len));
                    const triplex there = Tadd(o.A, Tscale(Tsub(o.B, o.A), (t - t0) / (t1 - t0)));
                    const double c = Dot(here, there) / (Len(here) * Len(there));
                    worst = std::max(worst, std::acos(std::min(1.0, c)) * 180 / kPi);
                }
            }
        }
        EXPECT_GT(laid, 0.0) << "no pieces laid against each other";
        EXPECT_LT(worst, 1e-3) << "degrees across a seam";
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
