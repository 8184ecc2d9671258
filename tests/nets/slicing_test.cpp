// The cutting rules: the measures against hand-made faces, the side rules'
// edge cases, and each solid's rule set through the set-up, checked on the
// flags from both sides of every edge and on the net it grows.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <set>
#include <vector>

#include "edge_cuts.h"
#include "net_solids.h"
#include "nets/edge_flags.h"
#include "nets/slicing.h"
#include "polyhedra/face_geometry.h"
#include "polyhedra/face_links.h"
#include "polyhedra/poly_store.h"
#include "tests/polyhedra/poly_fixture.h"

namespace {

// A record holding the given faces over the given points (links built).
PolyPtr HandSolid(const std::vector<triplex>& points, const std::vector<std::vector<int64_t>>& faces) {
    PolyPtr p = MakePoly();
    GetDefaultPolySettings(p.get());
    getPolyStorageEtc(p.get());
    for (const triplex& t : points) AddNew3DDVertToPolyhedron(p.get(), t);
    for (const auto& f : faces) Add3DFaceToPolyhedron_macro(p.get(), f.data(), int32_t(f.size()), -1, 1, 0, 0, -1, -1, -1);
    Calc3DAngles(p.get());
    Build3DConnectivity(p.get());
    return p;
}

TEST(SlicingMeasures, SidesOfTrianglesAndFaces) {
    // Equilateral; sides 3, 1.5, 2 (side 0 longest, side 1 shortest); a 1 by 2 rectangle.
    const double x = (9 + 4 - 2.25) / 6, y = std::sqrt(4 - x * x);  // corner 2 at distance 2 from 0, 1.5 from 1
    PolyPtr p = HandSolid({{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {10, 0, 0}, {13, 0, 0}, {10 + x, y, 0},
                           {20, 0, 0}, {21, 0, 0}, {21, 2, 0}, {20, 2, 0}},
                          {{0, 1, 2}, {3, 4, 5}, {6, 7, 8, 9}});
    ASSERT_EQ(p->faceCount3D, 3);
    struct Case {
        int64_t face, shortest, middle, longest;
        int floppy;
    };
    for (const Case c : {Case{0, 0, 1, 0, 0}, Case{1, 1, 2, 0, 1}}) {
        int64_t s, m, l;
        get_short_mid_long_sides_of_3D_triangle(p.get(), c.face, &s, &m, &l);
        EXPECT_EQ(s, c.shortest) << c.face;
        EXPECT_EQ(m, c.middle) << c.face;
        EXPECT_EQ(l, c.longest) << c.face;
        EXPECT_EQ(checkFloppinessOf3DTriangle(p.get(), c.face), c.floppy) << c.face;
    }
    EXPECT_NEAR(LengthOf3DEdge(p.get(), 1, 1), 1.5, 1e-12);
    EXPECT_EQ(longestSideOf3DFace(p.get(), 2), 1);
    EXPECT_EQ(shortestSideOf3DFace(p.get(), 2), 0);
    int64_t low, high;
    findHighAndLowTriangles(p.get(), &low, &high);
    EXPECT_EQ(low, 0);
    EXPECT_EQ(high, 1);
    PolyPtr q = HandSolid({{20, 0, 0}, {21, 0, 0}, {21, 2, 0}, {20, 2, 0}}, {{0, 1, 2, 3}});
    findHighAndLowTriangles(q.get(), &low, &high);
    EXPECT_EQ(low, -1);
    EXPECT_EQ(high, -1);
}

TEST(SlicingRules, SideRulesOnATetrahedronOfUnequalSides) {
    // Four triangles, every edge shared: a tetrahedron with all six edges different.
    PolyPtr p = HandSolid({{0, 0, 0}, {3, 0, 0}, {0.4, 2, 0}, {1, 0.7, 1.9}},
                          {{0, 2, 1}, {0, 1, 3}, {1, 2, 3}, {2, 0, 3}});
    ASSERT_EQ(p->faceCount3D, 4);
    for (int64_t f = 0; f < 4; ++f)
        for (int64_t e = 0; e < 3; ++e) ASSERT_GE(p->face3D[f].neighbour[e], 0);
    permit_joining_everywhere(p.get());
    forbid_shortest_sides_of_all_triangles(p.get());
    // The last face's shortest side is forbidden with no priority; its other
    // sides are preferred unless another face forbade them.
    const int64_t s = shortestSideOf3DFace(p.get(), 3);
    EXPECT_EQ(p->face3D[3].edgeFlags[s], uint32_t(kEdgeCut));
    // Flags agree on both sides of every edge.
    for (int64_t f = 0; f < 4; ++f)
        for (int64_t e = 0; e < 3; ++e) EXPECT_EQ(p->face3D[f].edgeFlags[e], MirrorEdgeFlags(p.get(), f, e));

    // A later rule wins on an edge an earlier one marked.
    permit_joining_everywhere(p.get());
    prefer_longest_sides_of_all_triangles(p.get());
    disdain_shortest_sides_of_all_triangles(p.get());
    for (int64_t f = 0; f < 4; ++f) {
        const int64_t sh = shortestSideOf3DFace(p.get(), f);
        EXPECT_TRUE(p->face3D[f].edgeFlags[sh] & kEdgeDisdain);
        EXPECT_FALSE(p->face3D[f].edgeFlags[sh] & kEdgePrefer);
    }

    // Equal Norse labels change nothing; different ones cut.
    for (int64_t f = 0; f < 4; ++f)
        for (uint32_t& w : p->face3D[f].edgeFlags) w = 0;
    for (PolyFace3D& f : p->face3D) f.cutLabel = 7;
    handle_dissimilar_norse_labels(p.get(), 0);
    for (int64_t f = 0; f < 4; ++f)
        for (int64_t e = 0; e < 3; ++e) EXPECT_EQ(p->face3D[f].edgeFlags[e], 0u);
    p->face3D[2].cutLabel = 1;
    slice_dissimilar_norse_labels(p.get());
    for (int64_t f = 0; f < 4; ++f)
        for (int64_t e = 0; e < 3; ++e)
            EXPECT_EQ(!JoinableEdge(p.get(), f, e), f == 2 || p->face3D[f].neighbour[e] == 2) << f << " " << e;
}

TEST(SlicingRules, QuadRuleAndHeartLabels) {
    // A square pyramid: the apex has valence 4, the base corners 3.
    PolyPtr p = HandSolid({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0.5, 0.5, 1}},
                          {{3, 2, 1, 0}, {0, 1, 4}, {1, 2, 4}, {2, 3, 4}, {3, 0, 4}});
    int64_t hearts[40], count;
    for (PolyFace3D& f : p->face3D) f.cutLabel = -1;
    labelHeartsHavingValence(4, p.get(), &count, hearts);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(hearts[0], 4);
    EXPECT_EQ(hearts[1], -1);
    EXPECT_EQ(p->face3D[0].cutLabel, -1);
    for (int64_t f = 1; f < 5; ++f) EXPECT_EQ(p->face3D[f].cutLabel, 0);
    // No vertex of valence 5: every label stays -1 and nothing is cut.
    p->slicingMode = 13;
    AddSlicingTo_stellation_3(p.get());
    for (int64_t f = 0; f < 5; ++f)
        for (int64_t e = 0; e < p->face3D[f].count; ++e) EXPECT_TRUE(JoinableEdge(p.get(), f, e));
    // The square's four equal sides: side 3 permitted, 0, 1 and 2 forbidden.
    AddSlicingTo_stellation_4(p.get());
    EXPECT_TRUE(JoinableEdge(p.get(), 0, 3));
    for (int64_t e = 0; e < 3; ++e) EXPECT_FALSE(JoinableEdge(p.get(), 0, e));
}

// Every solid with a cutting rule: flags agree from both sides, and the net
// grown through the set-up honours them.
class SlicedSolid : public ::testing::TestWithParam<NetSolid> {};

TEST_P(SlicedSolid, FlagsAgreeFromBothSides) {
    PolyPtr p = MakePoly();
    SetUpReallyGeneralPolyhedron(p.get(), GetParam().code, 1, 0, 0, nullptr, 1, 0.0f);
    ASSERT_EQ(p->status, kPolyStatusGood);
    for (int64_t f = 0; f < p->faceCount3D; ++f)
        for (int64_t e = 0; e < p->face3D[f].count; ++e)
            if (p->face3D[f].neighbour[e] >= 0)
                EXPECT_EQ(p->face3D[f].edgeFlags[e] & (kEdgeCut | kEdgePrefer | kEdgeDisdain),
                          MirrorEdgeFlags(p.get(), f, e) & (kEdgeCut | kEdgePrefer | kEdgeDisdain))
                    << GetParam().name << " face " << f << " edge " << e;
}

INSTANTIATE_TEST_SUITE_P(Rules, SlicedSolid,
                         ::testing::Values(NetSolid{82, "RH_A"}, NetSolid{83, "RH_B"}, NetSolid{305, "four_cubes"},
                                           NetSolid{306, "triambic"}, NetSolid{307, "five_octahedra"},
                                           NetSolid{310, "rhombicosacron"}, NetSolid{311, "Waterman"}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

namespace {

// What each rule set leaves: every fragment of the grown net lies within one
// Norse label or weirdo group, and the labels and groups come in the counts
// the solid's symmetry gives.
TEST(SlicingRules, FragmentsFollowLabelsAndGroups) {
    struct Case {
        int64_t code;
        bool byGroup;          // fragments follow weirdo groups, else Norse labels
        int64_t parts, size;   // groups or labels, and the faces of each (0: any)
        int64_t fragments;     // fragments of the net (0: not pinned)
    };
    for (const Case c : {Case{82, true, 10, 6, 10}, Case{83, true, 12, 5, 12}, Case{305, false, 6, 0, 6},
                         Case{310, false, 20, 6, 20}}) {
        PolyPtr p = MakePoly();
        SetUpReallyGeneralPolyhedron(p.get(), c.code, 1, 0, 0, nullptr, 1, 0.0f);
        ASSERT_EQ(p->status, kPolyStatusGood) << c.code;
        std::map<int64_t, int64_t> parts;
        std::map<int64_t, std::set<int64_t>> partsOfFragment;
        for (int64_t n = 0; n < p->netFaceCount; ++n) {
            const PolyFace3D& F = p->face3D[p->netFace[n].face3D];
            const int64_t part = c.byGroup ? F.group : F.cutLabel;
            ++parts[part];
            partsOfFragment[p->netFace[n].fragment].insert(part);
        }
        EXPECT_EQ(int64_t(parts.size()), c.parts) << c.code;
        for (auto [part, faces] : parts)
            if (c.size) EXPECT_EQ(faces, c.size) << c.code << " part " << part;
        for (const auto& [fragment, in] : partsOfFragment) EXPECT_EQ(in.size(), 1u) << c.code << " fragment " << fragment;
        if (c.fragments) EXPECT_EQ(p->fragmentCount, c.fragments) << c.code;
    }
    // The compound's six bands, one fragment each: two of four units with
    // their squares, four without. (The squares hinge on concave hexagons,
    // whose inside point the overlap test once took outside them.)
    PolyPtr p = MakePoly();
    SetUpReallyGeneralPolyhedron(p.get(), 305, 1, 0, 0, nullptr, 1, 0.0f);
    std::map<int32_t, int> band;
    for (int64_t f = 0; f < p->faceCount3D; ++f) ++band[p->face3D[f].cutLabel];
    EXPECT_EQ(band, (std::map<int32_t, int>{{1, 24}, {2, 24}, {3, 12}, {4, 12}, {5, 12}, {6, 12}}));
}

// The fixed walks read the generated tables' face order: Waterman's chain
// opens from face 4, a hexagon (the generator lists hexagons first), and
// the net grows whole; the triambic icosahedron's five links start at face
// 0 and mark four faces each.
TEST(SlicingRules, FixedWalksFindTheFacesTheyNeed) {
    PolyPtr w = MakePoly();
    SetUpReallyGeneralPolyhedron(w.get(), 311, 1, 0, 0, nullptr, 1, 0.0f);
    ASSERT_EQ(w->status, kPolyStatusGood);
    EXPECT_EQ(w->face3D[4].count, 6);
    int64_t opened = 0;
    for (int64_t e = 0; e < 6; ++e) opened += JoinableEdge(w.get(), 4, e);
    EXPECT_GE(opened, 2);
    for (int64_t f = 0; f < w->faceCount3D; ++f) EXPECT_LT(CutEdges(w.get(), f), w->face3D[f].count) << f;
    EXPECT_EQ(w->fragmentCount, 1);

    PolyPtr t = MakePoly();
    SetUpReallyGeneralPolyhedron(t.get(), 306, 1, 0, 0, nullptr, 1, 0.0f);
    ASSERT_EQ(t->status, kPolyStatusGood);
    int64_t linked = 0;
    for (int64_t f = 0; f < t->faceCount3D; ++f) linked += t->face3D[f].cutLabel == 2;
    EXPECT_EQ(t->face3D[0].cutLabel, 2);
    EXPECT_EQ(linked, 20);
    EXPECT_EQ(t->fragmentCount, 1);
}

}  // namespace

namespace {

// The medial hexagonal hexecontahedron: its table cuts each visible region
// of a face plane into faces of at most ten corners in that plane. The net
// keeps a region whole (every seam between faces in one plane is a fold,
// the two faces laid side by side across it) and lays the solid as twelve
// pieces alike, one about each heart: five quadrilaterals and five regions.
TEST(SlicingRules, MedialHexagonalHexecontahedronFoldsItsRegionsWholeInTwelvePieces) {
    PolyPtr p = MakePoly();
    SetUpReallyGeneralPolyhedron(p.get(), 309, 1, 0, 0, nullptr, 1, 0.0f);
    ASSERT_EQ(p->status, kPolyStatusGood);
    ASSERT_EQ(p->faceCount3D, 300);
    EXPECT_EQ(p->netFaceCount, 300);
    EXPECT_EQ(p->fragmentCount, 12);
    std::map<int64_t, int> faces;
    for (int64_t n = 0; n < p->netFaceCount; ++n) ++faces[p->netFace[n].fragment];
    EXPECT_EQ(faces.size(), 12u);
    for (const auto& [fragment, count] : faces) EXPECT_EQ(count, 25) << fragment;
    auto normal = [&](int64_t f) {  // Newell's sum: corners on a straight run add nothing
        const PolyFace3D& F = p->face3D[f];
        triplex n{0, 0, 0};
        for (int64_t k = 0; k < F.count; ++k)
            n = Tadd(n, Tcross_product(p->coords3D[F.vertex[k]], p->coords3D[F.vertex[(k + 1) % F.count]]));
        return Tnormalize(n);
    };
    int seams = 0;
    for (int64_t f = 0; f < p->faceCount3D; ++f) {
        EXPECT_LE(p->face3D[f].count, 10);
        for (int64_t e = 0; e < p->face3D[f].count; ++e) {
            const int64_t g = p->face3D[f].neighbour[e];
            if (g <= f || std::fabs(Tdot_product(normal(f), normal(g)) - 1.0) > 1e-6) continue;
            ++seams;
            // Folded: the net faces of f and g are neighbours across it.
            const PolyNetFace& nf = p->netFace[p->face3D[f].netFace];
            bool folded = false;
            for (int64_t k = 0; k < nf.count; ++k) folded = folded || nf.neighbour[k] == p->face3D[g].netFace;
            EXPECT_TRUE(folded) << f << " " << g;
        }
    }
    // Six seams in each of the 60 regions: the three diagonals that cut it
    // into four faces and the cracks it holds (lines other faces meet it
    // along, with the region going on at both sides).
    EXPECT_EQ(seams, 360);
}

}  // namespace
