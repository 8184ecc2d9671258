// Ear clipping: the triangles of each net face are disjoint, lie inside it
// and add up to its shoelace area, for convex, concave and clockwise faces;
// the triangle records agree with their face and its 3D face.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "hand_net.h"
#include "nets/net_triangles.h"

namespace {

Polygon2 Reversed(Polygon2 p) {
    std::reverse(p.begin(), p.end());
    return p;
}

TEST(EarClip, FacesOfEveryShapeAreCoveredExactlyInBothTurns) {
    struct Case {
        const char* name;
        Polygon2 corners;
        int64_t triangles;
    } cases[] = {
        {"triangle", {{0, 0}, {1, 0}, {0, 1}}, 1},
        {"square", {{0, 0}, {1, 0}, {1, 1}, {0, 1}}, 2},
        {"L hexagon", {{0, 0}, {2, 0}, {2, 1}, {1, 1}, {1, 2}, {0, 2}}, 4},
        {"arrow", {{0, 0}, {2, 1}, {0, 2}, {0.5, 1}}, 2},
        {"comb", {{0, 0}, {5, 0}, {5, 3}, {4, 3}, {4, 1}, {3, 1}, {3, 3}, {2, 3}, {2, 1}, {0, 1}}, 8},
        {"star", {{0, 3}, {1, 1}, {3, 1}, {1.4, -0.4}, {2, -2.5}, {0, -1}, {-2, -2.5}, {-1.4, -0.4}, {-3, 1}, {-1, 1}},
         8},
        {"dart with reflex corner first", {{1, 1}, {0, 0}, {3, 1}, {0, 2}}, 2},
        {"square with a corner on an edge", {{0, 0}, {1, 0}, {2, 0}, {2, 2}, {0, 2}}, 3},
        {"U", {{0, 0}, {3, 0}, {3, 3}, {2, 3}, {2, 1}, {1, 1}, {1, 3}, {0, 3}}, 6},
    };
    for (const Case& c : cases)
        for (bool clockwise : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (clockwise ? " clockwise" : ""));
            PolyPtr p = MakeEmptyNet();
            ASSERT_TRUE(p);
            const Polygon2 corners = clockwise ? Reversed(c.corners) : c.corners;
            const int64_t f = AddHandFace(p.get(), corners);
            EarClip(f, p.get());
            EXPECT_EQ(CheckCover(p.get(), f, corners), c.triangles);
            EXPECT_EQ(p->status, kPolyStatusGood);
        }
}

TEST(EarClip, RandomStarShapedFacesAreCoveredExactly) {
    std::mt19937 rng(27);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (int trial = 0; trial < 400; ++trial) {
        const int n = 4 + trial % 7;
        // One corner per sector of the circle keeps the face simple.
        std::vector<double> angles;
        for (int k = 0; k < n; ++k) angles.push_back((k + 0.9 * unit(rng)) * 2 * M_PI / n);
        Polygon2 corners;
        for (double a : angles) {
            const double r = 0.2 + unit(rng);
            corners.push_back({r * std::cos(a), r * std::sin(a)});
        }
        if (trial % 2) corners = Reversed(corners);
        SCOPED_TRACE(trial);
        PolyPtr p = MakeEmptyNet();
        ASSERT_TRUE(p);
        const int64_t f = AddHandFace(p.get(), corners);
        EarClip(f, p.get());
        EXPECT_EQ(CheckCover(p.get(), f, corners), n - 2);
    }
}

TEST(EarClip, PartOrderOfEarsAndDegenerateFaces) {
    PolyPtr p = MakeEmptyNet();
    ASSERT_TRUE(p);
    Polygon2 pentagon;
    for (int k = 0; k < 5; ++k) pentagon.push_back({std::cos(2 * M_PI * k / 5), std::sin(2 * M_PI * k / 5)});
    const int64_t f = AddHandFace(p.get(), pentagon);
    EarClip(f, p.get());
    ASSERT_EQ(p->netTriangleCount, 3);
    const uint16_t expected[3][3] = {{3, 4, 0}, {2, 3, 0}, {0, 1, 2}};
    for (int t = 0; t < 3; ++t)
        for (int k = 0; k < 3; ++k) EXPECT_EQ(p->netTriangle[t].faceCorner[k], expected[t][k]) << t << " " << k;
    // An L hexagon is first clipped at a convex corner beside its reflex corner.
    const int64_t l = AddHandFace(p.get(), {{0, 0}, {2, 0}, {2, 1}, {1, 1}, {1, 2}, {0, 2}});
    EarClip(l, p.get());
    EXPECT_EQ(p->netTriangle[3].faceCorner[1], 2);
    // All corners on one line: no triangle.
    const int64_t line = AddHandFace(p.get(), {{0, 5}, {1, 5}, {2, 5}, {3, 5}});
    const int64_t before = p->netTriangleCount;
    EarClip(line, p.get());
    EXPECT_EQ(p->netTriangleCount, before);
    EXPECT_EQ(p->netFace[line].triangleCount, 0);
}

TEST(EarClip, FullTableSetsStatusSevenAndWritesNothing) {
    PolyPtr p = MakeEmptyNet();
    ASSERT_TRUE(p);
    const int64_t f = AddHandFace(p.get(), {{0, 0}, {1, 0}, {1, 1}, {0, 1}});
    p->netTriangleCount = kMaxNetTriangles - 1;
    EarClip(f, p.get());
    EXPECT_EQ(p->netTriangleCount, kMaxNetTriangles);
    EXPECT_EQ(p->status, kPolyStatusNetTrianglesExhausted);
    EXPECT_EQ(p->netFace[f].triangleCount, 1);
}

TEST(NetTriangles, RecordsAgreeWithTheirFaceAndThe3DFace) {
    PolyPtr p = MakeEmptyNet();
    ASSERT_TRUE(p);
    // A 3D pentagon whose edges 1 and 3 have neighbours 7 and 9.
    p->faceCount3D = 10;
    PolyFace3D& F = p->face3D[4];
    F = p->blankFace3D;
    F.count = 5;
    F.neighbour[1] = 7;
    F.neighbour[3] = 9;
    Polygon2 pentagon;
    for (int k = 0; k < 5; ++k) pentagon.push_back({std::cos(2 * M_PI * k / 5), std::sin(2 * M_PI * k / 5)});
    const int64_t f = AddHandFace(p.get(), pentagon, 4);
    PolyNetFace& nf = p->netFace[f];
    nf.vertexOffset = 2;
    nf.fragment = 3;
    nf.creviceRegion = 5;
    nf.faceMark = 9;
    for (int k = 0; k < 5; ++k) nf.tabFlag[k] = 1;
    EarClip(f, p.get());
    ASSERT_EQ(nf.triangleCount, 3);
    EXPECT_EQ(nf.firstTriangle, 0);
    for (int64_t t = 0; t < 3; ++t) {
        const PolyNetTriangle& tri = p->netTriangle[t];
        EXPECT_EQ(tri.tag, 0);
        EXPECT_EQ(tri.isTab, 0);
        EXPECT_EQ(tri.fragment, 3);
        EXPECT_EQ(tri.creviceRegion, 5);
        EXPECT_EQ(tri.faceMark, 9);
        EXPECT_EQ(tri.twisted, 0);
        for (int e = 0; e < 3; ++e) {
            const int64_t a = tri.faceCorner[e], b = tri.faceCorner[(e + 1) % 3];
            EXPECT_EQ(tri.vertex[e], nf.vertex[a]);
            EXPECT_EQ(tri.solidCorner[e], (a + 2) % 5);
            const bool outline = (a + 1) % 5 == b;
            EXPECT_EQ(tri.outlineFlag[e], outline ? 1 : 0);
            EXPECT_EQ(tri.tabFlag[e], outline ? 1 : 0);
            const int64_t glue = !outline ? -1 : (a + 2) % 5 == 1 ? 7 : (a + 2) % 5 == 3 ? 9 : -1;
            EXPECT_EQ(tri.glueUnder[e], glue) << t << " " << e;
        }
    }
}

TEST(NetTriangles, TheCubeCrossNetIsCoveredTwoTrianglesAFace) {
    PolyPtr p = MakePoly();
    ASSERT_TRUE(p);
    SetUpReallyGeneralPolyhedron(p.get(), 18, 1, 0, 0, nullptr, 1, 0.0f);
    ASSERT_EQ(p->netFaceCount, 6);
    EXPECT_EQ(p->netTriangleCount, 12);
    int64_t next = 0;
    for (int64_t f = 0; f < p->netFaceCount; ++f) {
        SCOPED_TRACE(f);
        Polygon2 face;
        for (int64_t k = 0; k < p->netFace[f].count; ++k) {
            const int64_t v = p->netFace[f].vertex[k];
            face.push_back({p->coords2D[v][0], p->coords2D[v][1]});
        }
        EXPECT_EQ(p->netFace[f].firstTriangle, next);
        EXPECT_EQ(CheckCover(p.get(), f, face), 2);
        next += 2;
    }
}

}  // namespace
