// Placing faces: the overlap test on hand-made squares (shared edge,
// exact cover, a face inside another, touching at a corner), the growth's
// limits, edge order and repeatability, the layout's gaps, and the hull
// against qconvex with the minimum width against brute force.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "nets/edge_flags.h"
#include "nets/edge_order.h"
#include "nets/net_grow.h"
#include "nets/net_layout.h"
#include "nets/net_queries.h"
#include "nets/temp_face.h"
#include "polyhedra/poly_store.h"
#include "solids/poly_setup.h"
#include "tests/polyhedra/poly_fixture.h"

namespace {

// A record with storage and one net square [0, 1] x [0, 1] in fragment 1.
PolyPtr OneSquare() {
    PolyPtr p = MakePoly();
    if (!p || !getPolyStorageEtc(p.get())) return nullptr;
    const double xy[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    int64_t corners[4];
    for (int k = 0; k < 4; ++k) {
        const PolyNetPoint q{xy[k][0], xy[k][1], -1, 1};
        corners[k] = AddNetVertex(p.get(), q);
    }
    const int64_t f = Add2DFaceToPolyhedron(p.get(), corners, 4, 0, -1, 0, 0);
    if (f != 0) return nullptr;
    p->netFace[0].fragment = 1;
    return p;
}

temp2Dface Square(double x0, double y0, double side) {
    temp2Dface t{};
    t.count = 4;
    t.face3D = -1;
    const double xy[4][2] = {{x0, y0}, {x0 + side, y0}, {x0 + side, y0 + side}, {x0, y0 + side}};
    for (int k = 0; k < 4; ++k) t.vertex[k] = TempVertex{xy[k][0], xy[k][1], -1, 1, -1, k, 0};
    return t;
}

TEST(Overlap, CasesOfTwoSquares) {
    PolyPtr p = OneSquare();
    ASSERT_TRUE(p);
    struct Case {
        const char* name;
        double x, y, side;
        bool overlaps;
    } cases[] = {
        {"shares an edge", 1, 0, 1, false},
        {"touches at a corner", 1, 1, 1, false},
        {"exactly covers", 0, 0, 1, true},
        {"lies inside", 0.25, 0.25, 0.5, true},
        {"holds it inside", -1, -1, 3, true},
        {"crosses an edge", 0.5, 0.5, 1, true},
        {"lies apart", 2, 2, 1, false},
        {"overlaps a sliver of a tenth", 0.9, 0, 1, true},
    };
    for (const Case& c : cases) {
        temp2Dface t = Square(c.x, c.y, c.side);
        EXPECT_EQ(ProposedFace2DConflictsWithFacesAlreadyInFragment(&t, p.get(), -1, -1), c.overlaps) << c.name;
        t.vertex[0].fragment = 2;  // another fragment is never tested
        EXPECT_FALSE(ProposedFace2DConflictsWithFacesAlreadyInFragment(&t, p.get(), -1, -1)) << c.name;
    }
    p->overlapTestOff = 1;
    temp2Dface t = Square(0, 0, 1);
    EXPECT_FALSE(ProposedFace2DConflictsWithFacesAlreadyInFragment(&t, p.get(), -1, -1));
}

TEST(Overlap, PointTests) {
    temp2Dface t = Square(0, 0, 1);
    const double in[2] = {0.5, 0.5}, out[2] = {1.5, 0.5}, edge[2] = {1.0, 0.3};
    EXPECT_TRUE(point_in_polygon(in, &t));
    EXPECT_FALSE(point_in_polygon(out, &t));
    EXPECT_TRUE(PointIsOnEdgeOfTempface(edge, &t, 1e-4));
    EXPECT_FALSE(PointIsOnEdgeOfTempface(in, &t, 1e-4));
    temp2Dface none{};
    EXPECT_FALSE(point_in_polygon(in, &none));
}

// All edges cut: one fragment per face, and status 9 only when a face that
// could seed a 25th fragment is left.
TEST(Growth, FragmentLimitAndStatus) {
    struct Case {
        int64_t code, faces;
        int64_t status;
    } cases[] = {{18, 6, kPolyStatusGood}, {0, 24, kPolyStatusGood}, {1, 26, kPolyStatusTooManyFragments}};
    for (const Case& c : cases) {
        PolyPtr p = BuildSolid(c.code);
        ASSERT_TRUE(p);
        ASSERT_EQ(p->faceCount3D, c.faces);
        forbid_joining_everywhere(p.get());
        Build2DNet(p.get());
        EXPECT_EQ(p->fragmentCount, std::min<int64_t>(c.faces, 24)) << c.code;
        EXPECT_EQ(p->netFaceCount, std::min<int64_t>(c.faces, 24)) << c.code;
        EXPECT_EQ(p->status, c.status) << c.code;
        EXPECT_EQ(p->fragmentTally, 0);
    }
    PolyPtr empty = MakePoly();
    ASSERT_TRUE(empty && getPolyStorageEtc(empty.get()));
    Build2DNet(empty.get());
    EXPECT_EQ(empty->netBuilt, 0);
}

TEST(Growth, ForbidOnOneSideIsHonouredAndSeedsGiveIdenticalNets) {
    PolyPtr p = BuildSolid(17);
    ASSERT_TRUE(p);
    // Bit 1 on one side of every edge of face 0: face 0 is a fragment alone.
    for (int64_t e = 0; e < 3; ++e) p->face3D[0].edgeFlags[e] |= kEdgeCut;
    Build2DNet(p.get());
    const int64_t n0 = p->face3D[0].netFace;
    ASSERT_GE(n0, 0);
    for (int64_t e = 0; e < 3; ++e) EXPECT_EQ(p->netFace[n0].neighbour[e], -1);
    int inFragment = 0;
    for (int64_t n = 0; n < p->netFaceCount; ++n) inFragment += p->netFace[n].fragment == p->netFace[n0].fragment;
    EXPECT_EQ(inFragment, 1);

    // Each build seeds its edge indices anew: the nets are the same.
    PolyPtr a = BuildSolid(6), b = BuildSolid(6);
    ASSERT_TRUE(a && b);
    Build2DNet(a.get());
    Build2DNet(b.get());
    ASSERT_EQ(a->netFaceCount, b->netFaceCount);
    for (int64_t n = 0; n < a->netFaceCount; ++n) {
        EXPECT_EQ(a->netFace[n].face3D, b->netFace[n].face3D);
        for (int64_t k = 0; k < a->netFace[n].count; ++k) {
            EXPECT_EQ(a->netFace[n].neighbour[k], b->netFace[n].neighbour[k]);
            const int64_t va = a->netFace[n].vertex[k], vb = b->netFace[n].vertex[k];
            EXPECT_EQ(a->coords2D[va][0], b->coords2D[vb][0]);
            EXPECT_EQ(a->coords2D[va][1], b->coords2D[vb][1]);
        }
    }
}

TEST(Growth, EdgeOrderListsPreferredFirstDisdainedLastAndBothTwice) {
    PolyPtr p = BuildSolid(9);  // pentagons
    ASSERT_TRUE(p);
    Build2DNet(p.get());
    const int64_t n = p->face3D[0].netFace;
    ASSERT_GE(n, 0);
    prefer_joining(p.get(), 0, 3);
    disdain_joining(p.get(), 0, 1);
    // Edge 4 preferred on one side, disdained on the other.
    const PolyFace3D& F = p->face3D[0];
    const int64_t g = F.neighbour[4], m = (F.neighbourEdge[4] + 4) % 5;
    p->face3D[0].edgeFlags[4] |= kEdgePrefer;
    p->face3D[g].edgeFlags[m] |= kEdgeDisdain;
    int64_t order[kEdgeOrderEntries];
    const int64_t count = BuildPrioritizedVertList(p.get(), n, order);
    ASSERT_EQ(count, 6);
    const std::vector<int64_t> got(order, order + count), want{3, 4, 0, 2, 1, 4};
    EXPECT_EQ(got, want);
}

TEST(Layout, RowStartsAtTheOriginWithThreePercentGaps) {
    PolyPtr p = BuildSolid(18);
    ASSERT_TRUE(p);
    // Cut the cube into two fragments of three faces.
    forbid_joining_everywhere(p.get());
    for (int64_t f = 0; f < 6; ++f)
        for (int64_t e = 0; e < 4; ++e) {
            const int64_t g = p->face3D[f].neighbour[e];
            if ((f < 3) == (g < 3)) permit_joining(p.get(), f, e);
        }
    Build2DNet(p.get());
    ASSERT_EQ(p->status, kPolyStatusGood);
    std::vector<double> minX(p->fragmentCount + 1, 1e9), maxX(p->fragmentCount + 1, -1e9),
        minY(p->fragmentCount + 1, 1e9), maxY(p->fragmentCount + 1, -1e9);
    for (int64_t v = 0; v < kMax2DVertices; ++v) {
        if (!p->netVertexUsed[v]) continue;
        const int64_t f = p->netVertexTag[v];
        minX[f] = std::fmin(minX[f], p->coords2D[v][0]), maxX[f] = std::fmax(maxX[f], p->coords2D[v][0]);
        minY[f] = std::fmin(minY[f], p->coords2D[v][1]), maxY[f] = std::fmax(maxY[f], p->coords2D[v][1]);
    }
    ASSERT_GE(p->fragmentCount, 2);
    EXPECT_NEAR(minX[1], 0, 1e-6);
    for (int64_t f = 1; f < p->fragmentCount; ++f) {
        const double gap = minX[f + 1] - maxX[f];
        const double wider = std::fmax(maxX[f] - minX[f], maxX[f + 1] - minX[f + 1]);
        EXPECT_NEAR(gap, 0.03 * wider, 1e-5) << f;
    }
    // Centred on the row's middle height.
    double H = 0;
    for (int64_t f = 1; f <= p->fragmentCount; ++f) H = std::fmax(H, maxY[f] - minY[f]);
    for (int64_t f = 1; f <= p->fragmentCount; ++f) EXPECT_NEAR((minY[f] + maxY[f]) / 2, H / 2, 1e-5);
}

// The grown solids of the set-up: each 3D face in the net once, the status clear.
TEST(Growth, SetUpGrowsTheNetsOfSolidsWithoutATable) {
    for (int64_t code : {82, 83, 305, 306, 307, 310, 311}) {
        PolyPtr p = MakePoly();
        ASSERT_TRUE(p);
        SetUpReallyGeneralPolyhedron(p.get(), code, 4, 0, 0, nullptr, 1, 0.0f);
        EXPECT_EQ(p->status, kPolyStatusGood) << code;
        EXPECT_EQ(p->netFaceCount, p->faceCount3D) << code;
        EXPECT_GE(p->fragmentCount, 1);
        EXPECT_LE(p->fragmentCount, 24);
        std::set<int64_t> shown;
        for (int64_t n = 0; n < p->netFaceCount; ++n) shown.insert(p->netFace[n].face3D);
        EXPECT_EQ(int64_t(shown.size()), p->faceCount3D) << code;
    }
}

TEST(Measure, HullMatchesQconvexAndWidthMatchesBruteForce) {
    if (std::system("command -v qconvex >/dev/null 2>&1") != 0) GTEST_SKIP() << "qconvex is not installed";
    for (int64_t code : {9, 2, 17}) {
        PolyPtr p = BuildSolid(code);
        ASSERT_TRUE(p);
        Build2DNet(p.get());
        std::vector<std::array<double, 2>> pts;
        for (int64_t v = 0; v < kMax2DVertices; ++v)
            if (p->netVertexUsed[v] && p->netVertexTag[v] == 1) pts.push_back({p->coords2D[v][0], p->coords2D[v][1]});
        const std::string path = std::string(VORNESK_BINARY_DIR) + "/hull_points.txt";
        {
            std::ofstream out(path);
            out.precision(17);
            out << "2\n" << pts.size() << "\n";
            for (const auto& q : pts) out << q[0] << " " << q[1] << "\n";
        }
        FILE* pipe = popen(("qconvex Fx < '" + path + "'").c_str(), "r");
        ASSERT_TRUE(pipe);
        int count = 0;
        ASSERT_EQ(fscanf(pipe, "%d", &count), 1);
        std::set<std::pair<double, double>> want;
        std::vector<int> order;
        for (int i = 0, k; i < count && fscanf(pipe, "%d", &k) == 1; ++i) {
            want.insert({pts[k][0], pts[k][1]});
            order.push_back(k);
        }
        pclose(pipe);
        ASSERT_EQ(int(order.size()), count);
        std::vector<double> buf(2 * pts.size() + 2);
        auto* hull = reinterpret_cast<double(*)[2]>(buf.data());
        const int64_t n = BuildConvexHullOfFragment(p.get(), 1, hull, int64_t(pts.size()));
        std::set<std::pair<double, double>> got;
        for (int64_t i = 0; i < n; ++i) got.insert({hull[i][0], hull[i][1]});
        // qconvex drops corners on a straight run within its precision; ours
        // may keep them, on the boundary of qconvex's hull.
        for (const auto& w : want) EXPECT_TRUE(got.count(w)) << code << " misses " << w.first << ", " << w.second;
        for (const auto& g : got) {
            if (want.count(g)) continue;
            double nearest = 1e30;
            for (size_t i = 0; i < order.size(); ++i)
                for (size_t j = 0; j < order.size(); ++j) {
                    if (i == j) continue;
                    const auto &a = pts[size_t(order[i])], &b = pts[size_t(order[j])];
                    const double len = std::hypot(b[0] - a[0], b[1] - a[1]);
                    const double t = ((g.first - a[0]) * (b[0] - a[0]) + (g.second - a[1]) * (b[1] - a[1])) / (len * len);
                    if (t < 0 || t > 1) continue;
                    nearest = std::fmin(nearest, std::fabs((g.first - a[0]) * (b[1] - a[1]) - (g.second - a[1]) * (b[0] - a[0])) / len);
                }
            EXPECT_LT(nearest, 1e-9) << code;
        }

        // Width by brute force: the least extent across the direction of any
        // pair of points (the narrowest direction lies across a hull edge).
        double best = 1e30;
        for (const auto& a : pts)
            for (const auto& b : pts) {
                const double len = std::hypot(b[0] - a[0], b[1] - a[1]);
                if (len < 1e-9) continue;
                const double nx = -(b[1] - a[1]) / len, ny = (b[0] - a[0]) / len;
                double lo = 1e30, hi = -1e30;
                for (const auto& q : pts) lo = std::fmin(lo, q[0] * nx + q[1] * ny), hi = std::fmax(hi, q[0] * nx + q[1] * ny);
                best = std::fmin(best, hi - lo);
            }
        CaliperResult r;
        BuildConvexHullOfFragmentAndMeasureIt(p.get(), 1, &r);
        EXPECT_NEAR(r.minWidth, best, 1e-9 * best) << code;
        double diameter = 0;
        for (const auto& a : pts)
            for (const auto& b : pts) diameter = std::fmax(diameter, std::hypot(a[0] - b[0], a[1] - b[1]));
        EXPECT_NEAR(r.diameter, diameter, 1e-12);
    }
}

}  // namespace

namespace {

// Two squares: [0, 1]^2 in fragment 1 over solid vertices 0..3, and
// [5, 7]^2 in fragment 2 over solid vertices 10..13.
PolyPtr TwoWedgeSquares() {
    PolyPtr p = MakePoly();
    if (!p || !getPolyStorageEtc(p.get())) return nullptr;
    const double xy[2][4][2] = {{{0, 0}, {1, 0}, {1, 1}, {0, 1}}, {{5, 5}, {7, 5}, {7, 7}, {5, 7}}};
    for (int s = 0; s < 2; ++s) {
        int64_t corners[4];
        for (int k = 0; k < 4; ++k) {
            const PolyNetPoint q{xy[s][k][0], xy[s][k][1], 10 * s + k, s + 1};
            corners[k] = AddNetVertex(p.get(), q);
        }
        Add2DFaceToPolyhedron(p.get(), corners, 4, 0, -1, 0, 0);
        p->netFace[s].fragment = int16_t(s + 1);
    }
    return p;
}

// The net vertex of the fragment over the solid vertex, -1 none.
int64_t NetVertexOf(const polyhedron* p, int64_t solid, int64_t fragment) {
    for (int64_t v = 0; v < kMax2DVertices; ++v)
        if (p->netVertexUsed[v] && p->netVertexTag[v] == fragment && p->netVertexSolid[v] == solid) return v;
    return -1;
}

void ExpectAt(const polyhedron* p, int64_t solid, int64_t fragment, double x, double y) {
    const int64_t v = NetVertexOf(p, solid, fragment);
    ASSERT_GE(v, 0);
    EXPECT_NEAR(p->coords2D[v][0], x, 1e-6) << solid;
    EXPECT_NEAR(p->coords2D[v][1], y, 1e-6) << solid;
}

TEST(FragmentAlignment, AnEdgeLandsOnAnotherAndAMissingVertexMovesNothing) {
    // The second square's edge 10-11 onto the upper half of the first's edge
    // 1-2: the whole fragment follows, turned and scaled.
    PolyPtr p = TwoWedgeSquares();
    ASSERT_TRUE(p);
    const int64_t mid = AddNetVertex(p.get(), PolyNetPoint{1, 0.5, -1, 1});
    ASSERT_GE(mid, 0);
    const int64_t two = NetVertexOf(p.get(), 2, 1), ten = NetVertexOf(p.get(), 10, 2), eleven = NetVertexOf(p.get(), 11, 2);
    AlignFragments(p.get(), mid, two, ten, eleven, 2);
    ExpectAt(p.get(), 10, 2, 1, 0.5);
    ExpectAt(p.get(), 11, 2, 1, 1);
    ExpectAt(p.get(), 13, 2, 0.5, 0.5);  // the square keeps its shape, a quarter the size
    ExpectAt(p.get(), 1, 1, 1, 0);       // the first square does not move

    // A missing vertex: nothing moves.
    PolyPtr r = TwoWedgeSquares();
    ASSERT_TRUE(r);
    AlignFragments(r.get(), -1, NetVertexOf(r.get(), 2, 1), NetVertexOf(r.get(), 10, 2), NetVertexOf(r.get(), 11, 2), 2);
    ExpectAt(r.get(), 11, 2, 7, 5);
    ExpectAt(r.get(), 13, 2, 5, 7);
}

}  // namespace
