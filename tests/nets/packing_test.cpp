// Packing a net's fragments: pieces of a hand-made net come out moved
// rigidly and kept apart by their tabs' reach and the gap (measured as the
// distance between the moved polygons), a packing kept in a memo gives a
// net packed again exactly what a fresh search gives, and the packed nets of
// the solids that pack theirs come out the same whether the search runs on
// one thread or on several, and again, without a search, from the packings
// kept for the process.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "hand_net.h"
#include "nets/net_grow.h"
#include "nets/net_packing.h"
#include "polyhedra/poly_store.h"
#include "solids/poly_setup.h"

namespace {

// Four convex pieces of different sizes, one face each, far apart.
const std::vector<Polygon2> kPieces = {
    {{0, 0}, {4, 0}, {4, 4}, {0, 4}},
    {{10, 0}, {13, 0}, {10, 2}},
    {{20, 0}, {21, 0}, {21, 1}, {20, 1}},
    {{30, 0}, {36, 0}, {36, 0.5}, {30, 0.5}},
    {{40, 0}, {42, 1}, {41, 3}},
};
const double kReach[] = {0, 0.3, 0.1, 0.2, 0, 0.15};  // by fragment number (1..5)

PolyPtr PieceNet() {
    PolyPtr p = MakeEmptyNet();
    if (!p) return p;
    for (size_t i = 0; i < kPieces.size(); ++i) {
        const int64_t f = AddHandFace(p.get(), kPieces[i]);
        p->netFace[f].fragment = int16_t(i + 1);
        for (int64_t k = 0; k < p->netFace[f].count; ++k) p->netVertexTag[p->netFace[f].vertex[k]] = int16_t(i + 1);
    }
    p->fragmentCount = int64_t(kPieces.size());
    return p;
}

Polygon2 FaceAt(const polyhedron* p, int64_t f) {
    Polygon2 out;
    for (int64_t k = 0; k < p->netFace[f].count; ++k) {
        const double* q = p->coords2D[p->netFace[f].vertex[k]];
        out.push_back({q[0], q[1]});
    }
    return out;
}

double PointSegment(std::pair<double, double> p, std::pair<double, double> a, std::pair<double, double> b) {
    const double dx = b.first - a.first, dy = b.second - a.second;
    double t = ((p.first - a.first) * dx + (p.second - a.second) * dy) / (dx * dx + dy * dy);
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(p.first - (a.first + t * dx), p.second - (a.second + t * dy));
}

// Whether an edge normal of either convex polygon separates them.
bool Separated(const Polygon2& a, const Polygon2& b) {
    for (const Polygon2* p : {&a, &b})
        for (size_t k = 0; k < p->size(); ++k) {
            const auto& u = (*p)[k];
            const auto& v = (*p)[(k + 1) % p->size()];
            const double nx = v.second - u.second, ny = u.first - v.first;
            double amin = 1e300, amax = -1e300, bmin = 1e300, bmax = -1e300;
            for (const auto& q : a) amin = std::min(amin, q.first * nx + q.second * ny), amax = std::max(amax, q.first * nx + q.second * ny);
            for (const auto& q : b) bmin = std::min(bmin, q.first * nx + q.second * ny), bmax = std::max(bmax, q.first * nx + q.second * ny);
            if (amax < bmin || bmax < amin) return true;
        }
    return false;
}

// The distance between two disjoint convex polygons.
double Distance(const Polygon2& a, const Polygon2& b) {
    double d = 1e300;
    for (int pass = 0; pass < 2; ++pass) {
        const Polygon2& p = pass ? b : a;
        const Polygon2& q = pass ? a : b;
        for (const auto& point : p)
            for (size_t k = 0; k < q.size(); ++k) d = std::min(d, PointSegment(point, q[k], q[(k + 1) % q.size()]));
    }
    return d;
}

std::vector<double> UsedPositions(const polyhedron* p) {
    std::vector<double> out;
    for (int64_t v = 0; v < p->netVertexCount; ++v) out.insert(out.end(), {p->coords2D[v][0], p->coords2D[v][1]});
    return out;
}

bool BitForBit(const std::vector<double>& a, const std::vector<double>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0;
}

TEST(NetPacking, PiecesMoveWholeAndKeepTheirTabsReachAndTheGapApart) {
    PolyPtr p = PieceNet();
    ASSERT_NE(p, nullptr);
    double total = 0;
    for (const Polygon2& piece : kPieces) total += std::fabs(ShoelaceArea(piece));
    double fill = 0;
    ASSERT_TRUE(PackFragments(p.get(), 1, int64_t(kPieces.size()), kReach, &fill));
    EXPECT_GT(fill, 0.0);
    EXPECT_LE(fill, 1.0);
    const double gap = 0.005 * std::sqrt(total);
    for (size_t i = 0; i < kPieces.size(); ++i) {
        // Turned and shifted: every distance between corners kept.
        const Polygon2 moved = FaceAt(p.get(), int64_t(i));
        for (size_t a = 0; a < moved.size(); ++a)
            for (size_t b = a + 1; b < moved.size(); ++b)
                EXPECT_NEAR(std::hypot(moved[a].first - moved[b].first, moved[a].second - moved[b].second),
                            std::hypot(kPieces[i][a].first - kPieces[i][b].first, kPieces[i][a].second - kPieces[i][b].second),
                            1e-9);
        for (size_t j = i + 1; j < kPieces.size(); ++j) {
            SCOPED_TRACE(testing::Message() << "pieces " << i + 1 << " and " << j + 1);
            const Polygon2 other = FaceAt(p.get(), int64_t(j));
            ASSERT_TRUE(Separated(moved, other));
            EXPECT_GE(Distance(moved, other), gap + 0.5 * (kReach[i + 1] + kReach[j + 1]) - 1e-9);
        }
    }
}

TEST(NetPacking, ANetPackedBeforeIsPackedFromTheMemoAsAFreshSearchPacksIt) {
    PolyPtr fresh = PieceNet(), kept = PieceNet();
    ASSERT_NE(fresh, nullptr);
    ASSERT_NE(kept, nullptr);
    const std::vector<double> start = UsedPositions(kept.get());
    ForgetKeptPackings();
    ASSERT_TRUE(PackFragments(fresh.get(), 1, int64_t(kPieces.size()), kReach));
    const std::vector<double> searched = UsedPositions(fresh.get());
    PackingMemo memo;
    ASSERT_TRUE(PackFragments(kept.get(), 1, int64_t(kPieces.size()), kReach, nullptr, &memo));
    EXPECT_EQ(memo.entries.size(), 1u);
    EXPECT_TRUE(BitForBit(UsedPositions(kept.get()), searched));
    // The same net again: taken from the memo, to the same bits.
    for (int64_t v = 0; v < kept->netVertexCount; ++v)
        for (int i = 0; i < 2; ++i) kept->coords2D[v][i] = start[size_t(2 * v + i)];
    ASSERT_TRUE(PackFragments(kept.get(), 1, int64_t(kPieces.size()), kReach, nullptr, &memo));
    EXPECT_EQ(memo.entries.size(), 1u);
    EXPECT_TRUE(BitForBit(UsedPositions(kept.get()), searched));
    // Another reach is another net: searched, as a fresh search packs it.
    double wider[6];
    std::copy(std::begin(kReach), std::end(kReach), wider);
    wider[2] = 0.6;
    PolyPtr other = PieceNet(), otherFresh = PieceNet();
    ASSERT_TRUE(PackFragments(other.get(), 1, int64_t(kPieces.size()), wider, nullptr, &memo));
    ForgetKeptPackings();
    ASSERT_TRUE(PackFragments(otherFresh.get(), 1, int64_t(kPieces.size()), wider));
    EXPECT_EQ(memo.entries.size(), 2u);
    EXPECT_TRUE(BitForBit(UsedPositions(other.get()), UsedPositions(otherFresh.get())));
    EXPECT_FALSE(BitForBit(UsedPositions(other.get()), searched));
}

// The solid of the shape code with tabs, its net grown and packed.
PolyPtr PackedSolid(int64_t code) {
    PolyPtr p(NewPolyhedron(0.5f, 0.165f));
    if (!p) return p;
    SetUpReallyGeneralPolyhedron(p.get(), code, 7, 0, 0, nullptr, 1, 0.0f);
    Build2DNet(p.get());
    return p;
}

TEST(NetPacking, OneThreadAndSeveralPackTheSameNetAndABuildAgainSearchesNothing) {
    // The dodecadodecahedron and the great icosidodecahedron, with tabs.
    for (const int64_t code : {20, 21}) {
        SCOPED_TRACE(code);
        std::vector<double> positions[2];
        int64_t fragments[2] = {0, 0};
        for (int threads : {1, 4}) {
            setenv("VORNESK_ACTIVE_PROCESSORS", std::to_string(threads).c_str(), 1);
            ForgetKeptPackings();
            const int64_t searches = PackingSearches();
            PolyPtr p = PackedSolid(code);
            ASSERT_TRUE(p);
            EXPECT_GT(PackingSearches(), searches);
            const size_t k = threads > 1;
            positions[k] = UsedPositions(p.get());
            fragments[k] = p->fragmentCount;
        }
        unsetenv("VORNESK_ACTIVE_PROCESSORS");
        EXPECT_GT(fragments[0], 1);
        EXPECT_EQ(fragments[0], fragments[1]);
        EXPECT_TRUE(BitForBit(positions[0], positions[1]));
        // Built once more: every packing taken from those kept, the same net.
        const int64_t searches = PackingSearches();
        PolyPtr again = PackedSolid(code);
        ASSERT_TRUE(again);
        EXPECT_EQ(PackingSearches(), searches);
        EXPECT_TRUE(BitForBit(UsedPositions(again.get()), positions[0]));
    }
}

}  // namespace
