// Face links against a brute-force edge map on every solid, edge kinds on
// convex and star solids, and the face geometry against textbook values of
// the regular solids; the hand-made cases of one edge over three faces,
// coplanar neighbours and corners on a straight run.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <utility>
#include <vector>

#include "poly_fixture.h"
#include "polyhedra/face_geometry.h"
#include "polyhedra/face_links.h"
#include "polyhedra/poly_store.h"

namespace {

const double kPi = 3.14159265358979323846;

struct LinkCase {
    int64_t code;
    bool convex;
};

const LinkCase kLinkCases[] = {{16, true},  {18, true},  {19, true},  {9, true},   {17, true},  {7, true},
                               {1, true},   {2, true},   {3, true},   {4, true},   {6, true},   {0, true},
                               {12, true},  {8, true},   {5, true},   {311, true}, {82, false}, {83, false},
                               {13, false}, {20, false}, {21, false}, {305, false}, {306, false}, {307, false},
                               {310, false}};

class FaceLinks : public ::testing::TestWithParam<LinkCase> {};

TEST_P(FaceLinks, AgreeWithABruteForceEdgeMap) {
    const LinkCase c = GetParam();
    PolyPtr p = BuildSolid(c.code);
    ASSERT_TRUE(p);
    ASSERT_EQ(p->status, kPolyStatusGood);
    EXPECT_EQ(p->linksBuilt, 1);
    // Undirected edge -> the faces and edges that use it.
    std::map<std::pair<int64_t, int64_t>, std::vector<std::pair<int64_t, int64_t>>> uses;
    std::map<int64_t, int> cornersAt;
    for (int64_t f = 0; f < p->faceCount3D; ++f) {
        const PolyFace3D& F = p->face3D[f];
        for (int64_t e = 0; e < F.count; ++e) {
            const int64_t a = F.vertex[e], b = F.vertex[(e + 1) % F.count];
            uses[{std::min(a, b), std::max(a, b)}].push_back({f, e});
            ++cornersAt[a];
        }
    }
    int64_t halfEdges = 0;
    for (const auto& [edge, list] : uses) {
        ASSERT_EQ(list.size(), 2u) << "a closed solid uses each edge twice";
        for (int side = 0; side < 2; ++side) {
            const auto [f, e] = list[side];
            const auto [g, m] = list[1 - side];
            const PolyFace3D &F = p->face3D[f], &G = p->face3D[g];
            EXPECT_EQ(F.neighbour[e], g);
            // The neighbour's position of this edge's first vertex.
            EXPECT_EQ(G.vertex[F.neighbourEdge[e]], F.vertex[e]);
            // So the edge before it there is this edge, linked back.
            EXPECT_EQ((F.neighbourEdge[e] + G.count - 1) % G.count, m);
            EXPECT_EQ(G.neighbour[m], f);
            ++halfEdges;
        }
    }
    EXPECT_EQ(p->vertexCount3D - halfEdges / 2 + p->faceCount3D, 2);
    for (const auto& [v, n] : cornersAt) EXPECT_EQ(p->linkCount3D[v], n) << v;

    // Kinds: every fold of a convex solid is outward; star solids have valleys.
    int concave = 0;
    for (int64_t f = 0; f < p->faceCount3D; ++f)
        for (int64_t e = 0; e < p->face3D[f].count; ++e) {
            const uint32_t k = p->face3D[f].edgeKind[e];
            ASSERT_TRUE(k == 2 || k == 3);
            // Coplanar neighbours (the Waterman solid's split squares) count as
            // concave; a convex solid has no other concave edge.
            const double dot = Tdot_product(p->face3D[f].normal, p->face3D[p->face3D[f].neighbour[e]].normal);
            concave += k == 3 && dot < 1 - 1e-6;
            if (dot >= 1 - 1e-6) EXPECT_EQ(k, 3u);
        }
    if (c.convex) {
        EXPECT_EQ(concave, 0);
        EXPECT_EQ(p->hasConcaveEdge, c.code == 311);
    } else {
        EXPECT_GT(concave, 0);
        EXPECT_EQ(p->hasConcaveEdge, 1);
    }
}

INSTANTIATE_TEST_SUITE_P(Solids, FaceLinks, ::testing::ValuesIn(kLinkCases),
                         [](const auto& info) { return "code" + std::to_string(info.param.code); });

// Regular solids: face count n-gons, corners (n - 2) pi / n, normals along
// the face centroid, and the oriented normal equal to the normal (the faces
// lie flat counter-clockwise).
TEST(FaceGeometry, RegularSolidsMatchTextbookValues) {
    for (int64_t code : {16, 18, 19, 9, 17}) {
        PolyPtr p = BuildSolid(code);
        ASSERT_TRUE(p);
        for (int64_t f = 0; f < p->faceCount3D; ++f) {
            const PolyFace3D& F = p->face3D[f];
            const int64_t n = F.count;
            const triplex normal = normalOf3DPolygon(p.get(), f);
            triplex centroid{0, 0, 0};
            for (int64_t k = 0; k < n; ++k) centroid = Tadd(centroid, p->coords3D[F.vertex[k]]);
            const triplex dir = Tnormalize(centroid);
            EXPECT_NEAR(Tdot_product(normal, dir), 1, 1e-12) << code << " face " << f;
            EXPECT_NEAR(Tdot_product(F.normal, dir), 1, 1e-12);
            EXPECT_NEAR(Tdot_product(F.orientedNormal, dir), 1, 1e-12);
            EXPECT_NEAR(F.plane.n.x * dir.x + F.plane.n.y * dir.y + F.plane.n.z * dir.z, 1, 1e-9);
            for (int64_t k = 0; k < n; ++k) {
                EXPECT_NEAR(F.angle[k], (n - 2) * kPi / double(n), 1e-6);
                EXPECT_EQ(F.convexity[k], 2);
            }
        }
    }
}

// A record holding the given points and faces, linked.
PolyPtr HandMade(const std::vector<triplex>& points, const std::vector<std::vector<int64_t>>& faces) {
    PolyPtr p = MakePoly();
    if (!p || !getPolyStorageEtc(p.get())) return nullptr;
    std::vector<int64_t> index;
    for (const triplex& q : points) index.push_back(AddNew3DDVertToPolyhedron(p.get(), q));
    for (const auto& face : faces) {
        std::vector<int64_t> list;
        for (int64_t k : face) list.push_back(index[size_t(k)]);
        Add3DFaceToPolyhedron_macro(p.get(), list.data(), int32_t(list.size()), -1, 1, 0, 0, -1, -1, -1);
    }
    Calc3DAngles(p.get());
    Build3DConnectivity(p.get());
    return p;
}

TEST(FaceLinks, ThreeFacesOnOneEdgeAndCoplanarNeighbours) {
    // Faces 0, 1 and 2 all use the edge (0, 1).
    PolyPtr p = HandMade({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {0, -1, 0}},
                         {{0, 1, 2}, {1, 0, 3}, {0, 1, 4}});
    ASSERT_TRUE(p);
    EXPECT_EQ(p->face3D[1].neighbour[0], 0);  // the second links to the first
    EXPECT_EQ(p->face3D[2].neighbour[0], 0);  // the third links to the first...
    EXPECT_EQ(p->face3D[0].neighbour[0], 2);  // ...which now points at the third

    // Two coplanar squares: their shared edge is concave (kind 3).
    PolyPtr q = HandMade({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {2, 0, 0}, {2, 1, 0}},
                         {{0, 1, 2, 3}, {1, 4, 5, 2}});
    ASSERT_TRUE(q);
    EXPECT_EQ(q->face3D[0].neighbour[1], 1);
    EXPECT_EQ(q->face3D[0].edgeKind[1], 3u);
    EXPECT_EQ(q->hasConcaveEdge, 1);
    EXPECT_EQ(q->face3D[0].neighbour[0], -1);  // no neighbour there

    q->face3D[3].cutLabel = 7;
    EXPECT_EQ(GetNorseLabelOfFace3D(3, q.get()), 7);
    EXPECT_EQ(GetNorseLabelOfFace3D(kMax3DFaces, q.get()), -1);
    EXPECT_EQ(GetNorseLabelOfFace3D(-1, q.get()), -1);
}

TEST(FaceGeometry, StraightRunsAndNearlyCollinearCorners) {
    // A pentagon in the plane z = 1 whose extreme corner (greatest x, then
    // y) sits on a straight run: the normal must still be +z.
    PolyPtr p = HandMade({{1, 0, 1}, {1, 0.5, 1}, {1, 1, 1}, {0, 1, 1}, {0, 0, 1}}, {{0, 1, 2, 3, 4}});
    ASSERT_TRUE(p);
    const PolyFace3D& F = p->face3D[0];
    EXPECT_NEAR(F.normal.z, 1, 1e-12);
    EXPECT_EQ(F.convexity[1], 1);  // the straight corner
    EXPECT_NEAR(F.angle[1], kPi, 1e-6);
    // A corner turning by rounding noise only: a finite angle, not NaN.
    PolyPtr q = HandMade({{0, 0, 0}, {1, 1e-9, 0}, {2, 0, 0}, {1, 1, 0}}, {{0, 1, 2, 3}});
    ASSERT_TRUE(q);
    for (int k = 0; k < 4; ++k) EXPECT_TRUE(std::isfinite(q->face3D[0].angle[k]));
    EXPECT_NEAR(q->face3D[0].angle[1], kPi, 1e-6);
}

}  // namespace
