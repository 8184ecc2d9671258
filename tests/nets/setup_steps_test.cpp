// The set-up's smaller net steps: a selected face takes its tabs from the
// whole net's build, the joining flags are wiped, the joined Voronoi face's
// centre is found, and the points of other pieces are gathered for a page.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <tuple>
#include <vector>

#include "common/halfspace.h"
#include "nets/net_triangles.h"
#include "nets/slicing.h"
#include "solids/cramming.h"
#include "tests/polyhedra/poly_fixture.h"

namespace {

PolyPtr Build(int64_t code, int64_t kind, int64_t selectedFace, float tabSize = 0.165f) {
    PolyPtr p(NewPolyhedron(0.5f, tabSize));
    if (!p) return p;
    p->selectedFace = selectedFace;
    SetUpReallyGeneralPolyhedron(p.get(), code, kind, 0, 0, nullptr, 1, 0.0f);
    return p;
}

using Corners = std::vector<std::tuple<long, long, long, long, long, long>>;

// The tab triangles' corners, rounded to 1e-9 and sorted.
Corners TabCorners(const polyhedron* p) {
    Corners out;
    const auto r = [](double v) { return std::lround(v * 1e9); };
    for (int64_t t = 0; t < p->netTriangleCount; ++t) {
        const PolyNetTriangle& T = p->netTriangle[t];
        if (!T.isTab) continue;
        const double* a = p->coords2D[T.vertex[0]];
        const double* b = p->coords2D[T.vertex[1]];
        const double* c = p->coords2D[T.vertex[2]];
        out.emplace_back(r(a[0]), r(a[1]), r(b[0]), r(b[1]), r(c[0]), r(c[1]));
    }
    std::sort(out.begin(), out.end());
    return out;
}

TEST(SetupSteps, SelectedFaceTakesTheWholeNetsTabs) {
    for (int64_t code : {18, 9, 305}) {
        for (int64_t kind : {1, 3}) {
            PolyPtr whole = Build(code, kind, -1);
            PolyPtr selected = Build(code, kind, 0);
            ASSERT_TRUE(whole && selected);
            EXPECT_EQ(selected->status, kPolyStatusGood) << code;
            const Corners want = TabCorners(whole.get());
            EXPECT_FALSE(want.empty()) << code;
            EXPECT_EQ(TabCorners(selected.get()), want) << code << " kind " << kind;
            // They are detached copies: no glue-under face.
            for (int64_t t = 0; t < selected->netTriangleCount; ++t)
                if (selected->netTriangle[t].isTab) EXPECT_EQ(selected->netTriangle[t].glueUnder[0], -1);
        }
    }
}

TEST(SetupSteps, WipeSlicingInfoAndTheJoinedFacesCentre) {
    PolyPtr p = Build(305, 1, -1);
    ASSERT_TRUE(p);
    int64_t flagged = 0;
    for (int64_t f = 0; f < p->faceCount3D; ++f)
        for (uint32_t w : p->face3D[f].edgeFlags) flagged += w != 0;
    EXPECT_GT(flagged, 0);
    WipeSlicingInfo(p.get());
    for (const PolyFace3D& F : p->face3D)
        for (uint32_t w : F.edgeFlags) ASSERT_EQ(w, 0u);

    double x, y;
    guessAt2DCenterPointOfVoronoi(p.get(), &x, &y);
    EXPECT_EQ(x, -2);
    EXPECT_EQ(y, -2);
    // Two faces must be joined: the later one's net face centre.
    p->face3D[3].siteLabel = kSiteMustJoin;
    p->face3D[7].siteLabel = kSiteMustJoin;
    const PolyNetFace& N = p->netFace[p->face3D[7].netFace];
    double sx = 0, sy = 0;
    for (int64_t k = 0; k < N.count; ++k) sx += p->coords2D[N.vertex[k]][0], sy += p->coords2D[N.vertex[k]][1];
    guessAt2DCenterPointOfVoronoi(p.get(), &x, &y);
    EXPECT_NEAR(x, sx / double(N.count), 1e-12);
    EXPECT_NEAR(y, sy / double(N.count), 1e-12);

    // Site comparisons: tolerance 0 is identity; a must-join mark on either face.
    p->face3D[0].siteLabel = 5, p->face3D[1].siteLabel = 6;
    EXPECT_FALSE(SitesAreIdentical(p.get(), 0, 1));
    EXPECT_EQ(SitesAreConsecutiveish(p.get(), 0, 1, 0), SitesAreIdentical(p.get(), 0, 1));
    EXPECT_TRUE(SitesAreConsecutiveish(p.get(), 0, 1, 1));
    EXPECT_TRUE(SitesMustJoin(p.get(), 0, 3));
    EXPECT_FALSE(SitesMustJoin(p.get(), 0, 1));
}

TEST(SetupSteps, PointsOfOtherPiecesAreGatheredOnceEach) {
    PolyPtr p = Build(9, 3, -1, 0.0f);  // dodecahedron, no tabs
    ASSERT_TRUE(p);
    HALFSPACE head;
    InitEmptyList(&head);
    // Face 0's page: every corner of the other faces, each position once.
    GrabSome2DRenderingVertsIntoAList(p.get(), 0, 0, &head);
    std::set<std::pair<long, long>> want;
    for (int64_t t = 0; t < p->netTriangleCount; ++t)
        if (p->netTriangle[t].netFace != 0)
            for (int64_t v : p->netTriangle[t].vertex)
                want.insert({std::lround(p->coords2D[v][0] * 1e6), std::lround(p->coords2D[v][1] * 1e6)});
    EXPECT_EQ(GetElementCount(&head), int64_t(want.size()));
    for (HALFSPACE* n = head.next; n && n != &head; n = n->next) {
        EXPECT_EQ(n->point.z, 0);
        EXPECT_TRUE(want.count({std::lround(n->point.x * 1e6), std::lround(n->point.y * 1e6)}));
    }
    DisposeListExceptForHead(&head);
    // The whole net and a negative piece gather nothing.
    GrabSome2DRenderingVertsIntoAList(p.get(), 0, 2, &head);
    GrabSome2DRenderingVertsIntoAList(p.get(), -1, 0, &head);
    EXPECT_EQ(GetElementCount(&head), 0);
}

}  // namespace
