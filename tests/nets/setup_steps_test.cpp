// The set-up's smaller net steps: a selected face takes its tabs from the
// whole net's build, and the points of other pieces are gathered for a page.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <tuple>
#include <vector>

#include "common/halfspace.h"
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
