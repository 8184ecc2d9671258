// The set-up's smaller net steps: a selected face takes its tabs from the
// whole net's build.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <tuple>
#include <vector>

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

}  // namespace
