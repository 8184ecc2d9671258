// Reattaching stray fragments: a square cut off the cube is hung back on by
// the first rule that finds an edge, the method recorded; large fragments
// and fragments without a face across their outline are left alone.
#include <gtest/gtest.h>

#include "edge_cuts.h"
#include "nets/fragment_revision.h"
#include "nets/net_grow.h"
#include "tests/polyhedra/poly_fixture.h"

namespace {

// The cube with face 5 cut off on all sides: two fragments.
PolyPtr CubeWithStray() {
    PolyPtr p = BuildSolid(18);
    if (!p) return p;
    for (int64_t e = 0; e < 4; ++e) forbid_joining(p.get(), 5, e);
    Build2DNet(p.get());
    return p;
}

TEST(FragmentRevision, AStrayFaceIsHungBackOn) {
    PolyPtr p = CubeWithStray();
    ASSERT_TRUE(p);
    ASSERT_EQ(p->fragmentCount, 2);
    const int64_t stray = p->netFace[p->face3D[5].netFace].fragment;
    EXPECT_EQ(p->fragmentFaceCount[stray], 1);

    // Limit 0: nothing is touched.
    ReviseFragmentation(p.get());
    EXPECT_EQ(p->reattachMethod[stray], -1);
    EXPECT_EQ(CutEdges(p.get(), 5), 4);

    // Limit 1: the stray square is revised (all neighbours equal: the tiny-face rule).
    p->smallFragmentLimit = 1;
    ReviseFragmentation(p.get());
    EXPECT_EQ(p->reattachMethod[stray], 2);
    EXPECT_EQ(CutEdges(p.get(), 5), 3);
    const int64_t big = 3 - stray;
    EXPECT_EQ(p->reattachMethod[big], -1);  // five faces: above the limit
    Build2DNet(p.get());
    EXPECT_EQ(p->fragmentCount, 1);
    EXPECT_EQ(p->netFaceCount, 6);
}

TEST(FragmentRevision, RulesInOrder) {
    PolyPtr p = CubeWithStray();
    ASSERT_TRUE(p);
    const int64_t stray = p->netFace[p->face3D[5].netFace].fragment;
    // An arc-middle edge on the outline wins when the curved flag is set.
    ApplyStartHint(p.get(), 5, 2, 0, 0, 1);
    p->curvedRevision = 1;
    EXPECT_EQ(AttemptToReattachedFragment(p.get(), stray), 1);
    EXPECT_EQ(p->reattachMethod[stray], 5);
    EXPECT_TRUE(JoinableEdge(p.get(), 5, 2));
    EXPECT_EQ(CutEdges(p.get(), 5), 3);
    // A fragment number with no face: nothing found.
    EXPECT_EQ(AttemptToReattachedFragment(p.get(), 7), 0);
    EXPECT_EQ(p->reattachMethod[7], -1);
}

}  // namespace
