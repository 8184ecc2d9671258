// Glue tabs: the outline walk's alternation, one tab per glued pair, tab
// shapes on the outer side of faces of either turn, the size threshold and
// exhausted tables, and copied tabs.
#include <gtest/gtest.h>

#include <cmath>

#include "hand_net.h"
#include "nets/net_tabs.h"
#include "nets/outline_walk.h"
#include "nets/net_triangles.h"

namespace {

std::vector<int64_t> TabbedEdges(const polyhedron* poly, int64_t f) {
    std::vector<int64_t> out;
    for (int64_t e = 0; e < poly->netFace[f].count; ++e)
        if (poly->netFace[f].tabFlag[e]) out.push_back(e);
    return out;
}

Polygon2 Pentagon() {
    Polygon2 p;
    for (int k = 0; k < 5; ++k) p.push_back({std::cos(2 * M_PI * k / 5), std::sin(2 * M_PI * k / 5)});
    return p;
}

TEST(TabWalk, AlternationAlongOneOutlineByPhase) {
    struct Case {
        uint8_t phase;
        std::vector<int64_t> tabs;
    } cases[] = {{0, {0, 2, 4}}, {1, {0, 1, 3}}};
    for (const Case& c : cases) {
        PolyPtr p = MakeEmptyNet();
        ASSERT_TRUE(p);
        p->tabPhase = c.phase;
        const int64_t f = AddHandFace(p.get(), Pentagon());
        EXPECT_EQ(AddTabsViaEdgeWalking(p.get(), 1, 1), 1);
        EXPECT_EQ(AddTabsViaEdgeWalking(p.get(), 2, 1), 0);
        EXPECT_EQ(TabbedEdges(p.get(), f), c.tabs) << int(c.phase);
        EXPECT_EQ(p->netFace[f].outlineNumber, 1);
        EXPECT_EQ(p->netFace[f].fragment, 1) << "outline numbers keep their own field";
    }
}

TEST(TabWalk, TwoLinkedTrianglesMakeOneOutlineOfFourEdges) {
    PolyPtr p = MakeEmptyNet();
    ASSERT_TRUE(p);
    const int64_t a = AddHandFace(p.get(), {{0, 0}, {1, 0}, {0, 1}});
    const int64_t b = AddHandFace(p.get(), {{1, 0}, {1, 1}, {0, 1}});
    LinkHandFaces(p.get());
    ASSERT_EQ(p->netFace[a].neighbour[1], b);
    int64_t f = a, e = 0;
    for (int k = 0; k < 4; ++k) {
        NextAroundNet(p.get(), &f, &e);
        ASSERT_GE(f, 0);
        EXPECT_LT(p->netFace[f].neighbour[e], 0);
    }
    EXPECT_EQ(f, a);
    EXPECT_EQ(e, 0);
    EXPECT_EQ(AddTabsViaEdgeWalking(p.get(), 1, 1), 1);
    EXPECT_EQ(AddTabsViaEdgeWalking(p.get(), 2, 1), 0);
    EXPECT_EQ(TabbedEdges(p.get(), a).size() + TabbedEdges(p.get(), b).size(), 2u);
    EXPECT_EQ(p->netFace[a].tabFlag[1] + p->netFace[b].tabFlag[2], 0) << "the joined edge gets no tab";
}

// Net faces 0 and 1 show 3D squares 0 and 1, glued along 3D edge 1 of face 0
// and edge 3 of face 1; net face 1 shows its 3D face with offset 2.
PolyPtr TwoGluedSquares() {
    PolyPtr p = MakeEmptyNet();
    if (!p) return p;
    p->faceCount3D = 2;
    for (int F = 0; F < 2; ++F) {
        p->face3D[F] = p->blankFace3D;
        p->face3D[F].count = 4;
    }
    p->face3D[0].neighbour[1] = 1;
    p->face3D[0].neighbourEdge[1] = 0;  // face 1's edge 3, plus one
    p->face3D[1].neighbour[3] = 0;
    p->face3D[1].neighbourEdge[3] = 2;
    AddHandFace(p.get(), {{0, 0}, {1, 0}, {1, 1}, {0, 1}}, 0);
    AddHandFace(p.get(), {{3, 0}, {4, 0}, {4, 1}, {3, 1}}, 1);
    p->netFace[1].vertexOffset = 2;
    p->netFace[1].fragment = 2;
    p->fragmentCount = 2;
    return p;
}

TEST(ReconcileTabs, EachGluedPairKeepsOneTab) {
    struct Case {
        uint8_t first, second;
        uint8_t expectFirst, expectSecond;
    } cases[] = {{1, 1, 1, 0}, {0, 0, 0, 1}, {1, 0, 1, 0}, {0, 1, 0, 1}};
    for (const Case& c : cases) {
        PolyPtr p = TwoGluedSquares();
        ASSERT_TRUE(p);
        // Net edge 1 of face 0 is glued to net edge (3 - 2) = 1 of face 1.
        p->netFace[0].tabFlag[1] = c.first;
        p->netFace[1].tabFlag[1] = c.second;
        ReconcileTabs(p.get(), 1);
        EXPECT_EQ(p->netFace[0].tabFlag[1], c.expectFirst);
        EXPECT_EQ(p->netFace[1].tabFlag[1], c.expectSecond);
    }
}

TEST(ReconcileTabs, OneFragmentNetsAreLeftAsWalkedWithCutEdgesOnly) {
    PolyPtr p = TwoGluedSquares();
    ASSERT_TRUE(p);
    p->fragmentCount = 1;
    p->netFace[0].tabFlag[1] = p->netFace[1].tabFlag[1] = 1;
    ReconcileTabs(p.get(), 1);
    EXPECT_EQ(p->netFace[1].tabFlag[1], 1);
    ReconcileTabs(p.get(), 0);
    EXPECT_EQ(p->netFace[1].tabFlag[1], 0);
}

// The tab triangles' points, as (x, y).
Polygon2 TabPoints(const polyhedron* poly, int64_t firstTab) {
    Polygon2 out;
    for (int64_t t = firstTab; t < poly->netTriangleCount; ++t)
        for (const auto& q : TrianglePoints(poly, t)) out.push_back(q);
    return out;
}

TEST(FitTabs, ShapeOnTheOuterSideForEitherTurn) {
    struct Case {
        const char* name;
        float size;
        uint8_t steep;
        bool clockwise;
        int64_t triangles;
        double topLeft, topRight;  // x of the tab's far corners over the bottom edge 0..1
    } cases[] = {
        {"60 degree sides", 0.165f, 0, false, 2, 0.165 * kTabSlant, 1 - 0.165 * kTabSlant},
        {"clockwise face", 0.165f, 0, true, 2, 0.165 * kTabSlant, 1 - 0.165 * kTabSlant},
        {"steep sides", 0.3f, 1, false, 2, 0.3 * kSteepTabSlant, 1 - 0.3 * kSteepTabSlant},
        {"sides that would cross meet in the middle", 1.0f, 0, false, 1, 0.5, 0.5},
        {"steep sides that would cross", 0.6f, 1, true, 1, 0.5, 0.5},
        {"size 0.01 builds", 0.01f, 0, false, 2, 0.01 * kTabSlant, 1 - 0.01 * kTabSlant},
        {"size 0.009 builds nothing", 0.009f, 0, false, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PolyPtr p = MakeEmptyNet();
        ASSERT_TRUE(p);
        p->net.secondArgument = c.size;
        p->steepTabs = c.steep;
        const Polygon2 square = c.clockwise ? Polygon2{{0, 0}, {0, 1}, {1, 1}, {1, 0}}
                                            : Polygon2{{0, 0}, {1, 0}, {1, 1}, {0, 1}};
        const int64_t f = AddHandFace(p.get(), square);
        p->netFace[f].tabFlag[c.clockwise ? 3 : 0] = 1;  // the bottom edge
        EarClip(f, p.get());
        const int64_t tabs = p->netTriangleCount;
        FitTabsUponTriangles(p.get(), false);
        ASSERT_EQ(p->netTriangleCount - tabs, c.triangles);
        if (!c.triangles) continue;
        double height = c.size;
        if (c.triangles == 1) height = 0.5 / (c.steep ? kSteepTabSlant : kTabSlant);
        double left = 2, right = -2;
        for (const auto& q : TabPoints(p.get(), tabs)) {
            EXPECT_GE(q.first, -1e-12);
            EXPECT_LE(q.first, 1 + 1e-12);
            EXPECT_LE(q.second, 1e-12) << "tab inside the face";
            if (q.second < -1e-9) {
                EXPECT_NEAR(q.second, -height, 1e-6);
                left = std::min(left, q.first);
                right = std::max(right, q.first);
            }
        }
        EXPECT_NEAR(left, c.topLeft, 1e-6);
        EXPECT_NEAR(right, c.topRight, 1e-6);
        for (int64_t t = tabs; t < p->netTriangleCount; ++t) {
            const PolyNetTriangle& tri = p->netTriangle[t];
            EXPECT_EQ(tri.isTab, 1);
            EXPECT_EQ(tri.tag, 0xFFFF);
            EXPECT_EQ(tri.netFace, f);
            EXPECT_EQ(tri.fragment, 1);
        }
    }
}

TEST(CopyTabs, EveryTabOfAArrivesDetachedInB) {
    PolyPtr a = MakeEmptyNet();
    PolyPtr b = MakeEmptyNet();
    ASSERT_TRUE(a && b);
    a->net.secondArgument = 0.2f;
    const int64_t f = AddHandFace(a.get(), {{0, 0}, {1, 0}, {1, 1}, {0, 1}});
    a->netFace[f].tabFlag[0] = a->netFace[f].tabFlag[2] = 1;
    EarClip(f, a.get());
    FitTabsUponTriangles(a.get(), false);
    ASSERT_EQ(a->netTriangleCount, 6);
    CopyTabsFromAtoB(a.get(), b.get());
    ASSERT_EQ(b->netTriangleCount, 4);
    for (int64_t t = 0; t < 4; ++t) {
        EXPECT_EQ(b->netTriangle[t].isTab, 1);
        EXPECT_EQ(b->netTriangle[t].netFace, f);
        EXPECT_EQ(TrianglePoints(b.get(), t), TrianglePoints(a.get(), t + 2));
    }
}

}  // namespace

namespace {

// A triangle whose bottom edge (0, 0)-(1, 0) is flagged for a tab, and a
// second face `other` on the same page that the tab must clear.
struct FitCase {
    const char* name;
    Polygon2 other;
    int64_t unfitted;
};

TEST(FitTabs, NarrowGapsAtCornersAndEdgesWithAFaceAlongThem) {
    const FitCase cases[] = {
        // Meets the triangle only at its corner (1, 0), 20 degrees below
        // the edge: the outline walk passes it by, the narrowed tab fits.
        {"face at a corner", {{1, 0}, {0.2, -0.3}, {0.3, -0.8}}, 0},
        // Lies along the whole edge's outer side: no tab at all.
        {"face along the edge", {{0, 0}, {1, 0}, {0.5, -0.5}}, 1},
    };
    for (const FitCase& c : cases) {
        SCOPED_TRACE(c.name);
        PolyPtr p = MakeEmptyNet();
        ASSERT_TRUE(p);
        p->net.secondArgument = 0.165f;
        const int64_t a = AddHandFace(p.get(), {{0, 0}, {1, 0}, {0.5, 0.8}});
        Polygon2 other = c.other;
        if (ShoelaceArea(other) < 0) std::reverse(other.begin(), other.end());
        const int64_t b = AddHandFace(p.get(), other);
        for (int64_t f : {a, b}) EarClip(f, p.get());
        p->netFace[a].tabFlag[0] = 1;
        for (int k = 0; k < 3; ++k)
            if (p->netTriangle[0].faceCorner[k] == 0 && p->netTriangle[0].outlineFlag[k]) p->netTriangle[0].tabFlag[k] = 1;
        FitTabsUponTriangles(p.get(), false);
        EXPECT_EQ(p->unfittedTabs, c.unfitted);
        int64_t tabs = 0;
        for (int64_t t = 0; t < p->netTriangleCount; ++t) {
            if (!p->netTriangle[t].isTab) continue;
            ++tabs;
            const Polygon2 q = TrianglePoints(p.get(), t);
            for (int64_t u = 0; u < p->netTriangleCount; ++u)
                if (!p->netTriangle[u].isTab) EXPECT_FALSE(InteriorsOverlap(q, TrianglePoints(p.get(), u), 1e-9));
            for (const auto& pt : q) EXPECT_LE(pt.second, 1e-12);  // below the edge, outside the triangle
        }
        EXPECT_EQ(tabs > 0, c.unfitted == 0);
    }
}

}  // namespace

namespace {

// Three apart triangles, each with its bottom edge flagged, and room in the
// vertex table for two more corners: a tab of two corners each does not fit
// for all three, so the builder builds pointed tabs of one corner each
// instead; two of them fit, it stops cleanly at the limit and counts the
// seam left without a tab.
TEST(FitTabs, AFullVertexTableTakesPointedTabsAndCountsTheSeamsLeft) {
    PolyPtr p = MakeEmptyNet();
    ASSERT_TRUE(p);
    p->net.secondArgument = 0.165f;
    for (int i = 0; i < 3; ++i) {
        const double x = 3.0 * i;
        const int64_t f = AddHandFace(p.get(), {{x, 0}, {x + 1, 0}, {x + 0.5, 0.8}});
        EarClip(f, p.get());
        p->netFace[f].tabFlag[0] = 1;
    }
    for (int64_t t = 0; t < p->netTriangleCount; ++t)
        for (int k = 0; k < 3; ++k)
            if (p->netTriangle[t].faceCorner[k] == 0 && p->netTriangle[t].outlineFlag[k]) p->netTriangle[t].tabFlag[k] = 1;
    const int64_t faceTriangles = p->netTriangleCount;
    p->netVertexCount = kMax2DVertices - 3;
    FitTabsUponTriangles(p.get(), false);
    EXPECT_EQ(p->status, kPolyStatusTabVertexLimit);
    EXPECT_EQ(p->netVertexCount, kMax2DVertices - 1);
    EXPECT_EQ(p->netTriangleCount, faceTriangles + 2);
    EXPECT_EQ(p->tabsPastLimit, 1);
    EXPECT_EQ(p->unfittedTabs, 0);
    // Each a triangle standing on its edge, its point a tab's height (a
    // sixth of the edge) out over the edge's middle.
    for (int64_t t = faceTriangles; t < p->netTriangleCount; ++t) {
        const PolyNetTriangle& tri = p->netTriangle[t];
        EXPECT_EQ(tri.isTab, 1);
        const double* a = p->coords2D[tri.vertex[0]];
        const double* q = p->coords2D[tri.vertex[1]];
        const double* b = p->coords2D[tri.vertex[2]];
        EXPECT_NEAR(q[0], 0.5 * (a[0] + b[0]), 1e-9);
        EXPECT_NEAR(std::fabs(q[1] - a[1]), 0.165, 1e-6);
    }
    // Room for every tab: none is left out.
    // Room for every tab: none is left out.
    p->status = kPolyStatusGood;
    p->netTriangleCount = faceTriangles;
    p->netVertexCount = 9;
    FitTabsUponTriangles(p.get(), false);
    EXPECT_EQ(p->status, kPolyStatusGood);
    EXPECT_EQ(p->tabsPastLimit, 0);
    EXPECT_EQ(p->netTriangleCount, faceTriangles + 6);
}

}  // namespace
