// Joining flags on the cube: every setter writes both sides, so the flag
// words agree from either face, and the masks keep what they should.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "edge_cuts.h"
#include "tests/polyhedra/poly_fixture.h"

namespace {

struct Mirror {
    int64_t face, edge;
};

Mirror MirrorOf(const polyhedron* p, int64_t f, int64_t e) {
    const PolyFace3D& F = p->face3D[f];
    const int64_t g = F.neighbour[e], n = p->face3D[g].count;
    return {g, (F.neighbourEdge[e] + n - 1) % n};
}

TEST(EdgeFlags, SettersWriteBothSides) {
    PolyPtr p = BuildSolid(18);
    ASSERT_TRUE(p);
    std::mt19937 rng(3);
    for (int step = 0; step < 400; ++step) {
        const int64_t f = rng() % p->faceCount3D, e = rng() % p->face3D[f].count;
        switch (rng() % 6) {
            case 0: forbid_joining(p.get(), f, e); break;
            case 1: disdain_joining(p.get(), f, e); break;
            case 2: EXPECT_EQ(prefer_joining(p.get(), f, e), 1); break;
            case 3: EXPECT_EQ(permit_joining(p.get(), f, e), 1); break;
            case 4: SetSlicingFlag(p.get(), f, e, 1u << (rng() % 6)); break;
            case 5: KillSlicingPriority(p.get(), f, e); break;
        }
        for (int64_t a = 0; a < p->faceCount3D; ++a)
            for (int64_t k = 0; k < p->face3D[a].count; ++k) {
                const Mirror m = MirrorOf(p.get(), a, k);
                EXPECT_EQ(p->face3D[a].edgeFlags[k], p->face3D[m.face].edgeFlags[m.edge]);
                EXPECT_EQ(MirrorEdgeFlags(p.get(), a, k), p->face3D[m.face].edgeFlags[m.edge]);
            }
    }
}

TEST(EdgeFlags, MasksAndEdgeCases) {
    PolyPtr p = BuildSolid(18);
    ASSERT_TRUE(p);
    const Mirror m = MirrorOf(p.get(), 0, 0);
    // Prefer on a forbidden edge: forbidden and preferred.
    forbid_joining(p.get(), 0, 0);
    prefer_joining(p.get(), 0, 0);
    EXPECT_FALSE(JoinableEdge(p.get(), 0, 0));
    EXPECT_EQ(p->face3D[m.face].edgeFlags[m.edge], uint32_t(kEdgeCut | kEdgePrefer));
    // Disdain after prefer replaces the priority.
    disdain_joining(p.get(), 0, 0);
    EXPECT_EQ(p->face3D[0].edgeFlags[0], uint32_t(kEdgeCut | kEdgeDisdain));
    EXPECT_EQ(p->face3D[m.face].edgeFlags[m.edge], uint32_t(kEdgeCut | kEdgeDisdain));
    EXPECT_EQ(permit_joining(p.get(), -1, 0), 0);
    EXPECT_EQ(permit_joining(p.get(), 0, 0), 1);
    EXPECT_EQ(p->face3D[0].edgeFlags[0], uint32_t(kEdgeDisdain));
    // An edge index of 10 or more writes nothing.
    const PolyFace3D before = p->face3D[1];
    forbid_joining(p.get(), 1, 10);
    EXPECT_EQ(std::memcmp(before.edgeFlags, p->face3D[1].edgeFlags, sizeof before.edgeFlags), 0);
    // A square with all four edges forbidden joins nothing.
    for (int64_t e = 0; e < 4; ++e) forbid_joining(p.get(), 2, e);
    EXPECT_EQ(CutEdges(p.get(), 2), 4);
    // A start hint marks its own side only; the neighbour reads it through
    // the mirror.
    ApplyStartHint(p.get(), 3, 1, 1, 1, 0);
    EXPECT_EQ(p->face3D[3].arcStart, 1);
    EXPECT_EQ(p->hasArcStarts, 1);
    constexpr uint32_t hint = kEdgeArcStart | kEdgeStartHint;
    EXPECT_EQ(p->face3D[3].edgeFlags[1] & hint, hint);
    const Mirror a = MirrorOf(p.get(), 3, 1);
    EXPECT_EQ(p->face3D[a.face].edgeFlags[a.edge] & hint, 0u);
    EXPECT_EQ(MirrorEdgeFlags(p.get(), a.face, a.edge) & hint, hint);
    forbid_joining_everywhere(p.get());
    for (int64_t f = 0; f < 6; ++f) EXPECT_EQ(CutEdges(p.get(), f), 4);
    permit_joining_everywhere(p.get());
    for (int64_t f = 0; f < 6; ++f) EXPECT_EQ(CutEdges(p.get(), f), 0);
}

}  // namespace
