// Outline walking and bearings, against hand-built nets and closed forms.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <utility>

#include "hand_net.h"
#include "nets/net_queries.h"
#include "nets/outline_walk.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

TEST(OutlineWalk, SingleTriangleAndTwoTriangles) {
    PolyPtr p = MakeEmptyNet();
    ASSERT_TRUE(p);
    AddHandFace(p.get(), {{0, 0}, {1, 0}, {0, 1}});
    int64_t f = 0, e = 0;
    NextAroundNet(p.get(), &f, &e);
    EXPECT_EQ(f, 0);
    EXPECT_EQ(e, 1);
    f = 0, e = 0;
    PrevAroundNet(p.get(), &f, &e);
    EXPECT_EQ(e, 2);

    // Two triangles over the diagonal of a square: four cut edges, visited
    // in turn forward, and backward in the reverse order.
    PolyPtr q = MakeEmptyNet();
    AddHandFace(q.get(), {{0, 0}, {1, 0}, {1, 1}});
    AddHandFace(q.get(), {{0, 0}, {1, 1}, {0, 1}});
    LinkHandFaces(q.get());
    ASSERT_EQ(q->netFace[0].neighbour[2], 1);
    std::set<std::pair<int64_t, int64_t>> seen;
    f = 0, e = 0;
    std::vector<std::pair<int64_t, int64_t>> forward;
    for (int i = 0; i < 4; ++i) {
        forward.push_back({f, e});
        EXPECT_LT(q->netFace[f].neighbour[e], 0);
        seen.insert({f, e});
        NextAroundNet(q.get(), &f, &e);
        // The step starts where the last edge ended.
        const auto& [pf, pe] = forward.back();
        EXPECT_EQ(q->netFace[f].vertex[e], q->netFace[pf].vertex[(pe + 1) % 3]);
    }
    EXPECT_EQ(seen.size(), 4u);
    EXPECT_EQ(std::make_pair(f, e), forward[0]);
    for (int i = 3; i >= 0; --i) {
        PrevAroundNet(q.get(), &f, &e);
        EXPECT_EQ(std::make_pair(f, e), forward[size_t(i)]);
    }

    // Searches: the first unwalked cut edge.
    EXPECT_EQ(FindANeighborless2DEdgeThatsUnconsidered(q.get(), &f, &e), 1);
    EXPECT_EQ(f, 0);
    EXPECT_EQ(e, 0);
    q->netFace[0].walked[0] = q->netFace[0].walked[1] = 1;
    EXPECT_EQ(FindANeighborless2DEdgeThatsUnconsidered(q.get(), &f, &e), 1);
    EXPECT_EQ(f, 1);
}

TEST(OutlineWalk, ClosedSurfaceHasNoCutEdgeAndCyclingPivotsStop) {
    // Two triangles glued along all three edges (a closed surface).
    PolyPtr p = MakeEmptyNet();
    AddHandFace(p.get(), {{0, 0}, {1, 0}, {0, 1}});
    AddHandFace(p.get(), {{0, 0}, {0, 1}, {1, 0}});
    LinkHandFaces(p.get());
    int64_t f = -1, e = -1;
    EXPECT_EQ(FindANeighborless2DEdgeThatsUnconsidered(p.get(), &f, &e), 0);
    f = 0, e = 0;
    NextAroundNet(p.get(), &f, &e);  // pivots forever on an unbounded walk
    EXPECT_EQ(f, -1);
}

TEST(NetHelpers, Bearings) {
    struct Case {
        double x, y, bearing;
    };
    for (const Case c : {Case{0, 1, kPi}, Case{0, -1, 2 * kPi}, Case{1, 0, 1.5 * kPi}, Case{-1, 0, 0.5 * kPi},
                         Case{0, 0, 0.5 * kPi}, Case{1, 1, 1.25 * kPi}, Case{-1, -1, 0.25 * kPi}})
        EXPECT_NEAR(BearingOf2DVector(c.x, c.y), c.bearing, 1e-6) << c.x << " " << c.y;
}

}  // namespace
