// Net-to-solid correspondence: a grown net keeps the faces it was grown
// with; a net whose faces are forgotten gets them back by the anchor search,
// checked apart from it: each net face's edge lengths equal its 3D face's
// through the offset, and net neighbours show 3D neighbours.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "net_solids.h"
#include "nets/correspondence.h"
#include "tests/polyhedra/poly_fixture.h"

namespace {

PolyPtr BuildNet(int64_t code) {
    PolyPtr p = MakePoly();
    if (p) SetUpReallyGeneralPolyhedron(p.get(), code, 1, 0, 0, nullptr, 1, 0.0f);
    return p;
}

// Count of tie errors of net face n: lengths through the offset (in the
// net's own scale: a table's net is drawn at its own size), and each net
// neighbour showing the 3D neighbour across the matching edge.
int TieErrors(const polyhedron* p, int64_t n, double scale = 1.0) {
    const PolyNetFace& N = p->netFace[n];
    if (N.face3D < 0) return 1;
    const PolyFace3D& F = p->face3D[N.face3D];
    if (F.count != N.count) return 1;
    int errors = 0;
    for (int64_t k = 0; k < N.count; ++k) {
        const int64_t e = (k + N.vertexOffset) % F.count;
        const double l3 = scale * Tdistance(p->coords3D[F.vertex[e]], p->coords3D[F.vertex[(e + 1) % F.count]]);
        const double* a = p->coords2D[N.vertex[k]];
        const double* b = p->coords2D[N.vertex[(k + 1) % N.count]];
        if (std::fabs(std::hypot(b[0] - a[0], b[1] - a[1]) - l3) > 1e-5 * l3) ++errors;
        const int64_t g = N.neighbour[k];
        if (g >= 0 && p->netFace[g].face3D >= 0 && p->netFace[g].face3D != F.neighbour[e]) ++errors;
    }
    return errors;
}

class Correspondence : public ::testing::TestWithParam<NetSolid> {};

TEST_P(Correspondence, GrownNetIsGivenAndSearchRecoversAConsistentTie) {
    const NetSolid c = GetParam();
    PolyPtr p = BuildNet(c.code);
    ASSERT_TRUE(p);
    ASSERT_EQ(p->status, kPolyStatusGood) << c.name;
    EXPECT_EQ(p->correspondenceGiven, 1);
    EXPECT_EQ(p->correspondenceFailed, 0);
    // The net's scale: a grown net is drawn at the solid's size, a table's at
    // its own.
    const PolyNetFace& N0 = p->netFace[0];
    const PolyFace3D& F0 = p->face3D[N0.face3D];
    const double* a0 = p->coords2D[N0.vertex[0]];
    const double* b0 = p->coords2D[N0.vertex[1]];
    const double scale =
        std::hypot(b0[0] - a0[0], b0[1] - a0[1]) /
        Tdistance(p->coords3D[F0.vertex[N0.vertexOffset % F0.count]], p->coords3D[F0.vertex[(N0.vertexOffset + 1) % F0.count]]);
    for (int64_t n = 0; n < p->netFaceCount; ++n)
        EXPECT_EQ(TieErrors(p.get(), n, scale), 0) << c.name << " face " << n;

    // Forget the faces and search. The anchor's fragment is tied whole and
    // consistently; nothing outside it is tied.
    for (int64_t n = 0; n < p->netFaceCount; ++n) p->netFace[n].face3D = -1;
    p->correspondenceGiven = 0;
    // The net of heart groups (83) offers only anchor edges from a heart,
    // whose net use counts (5, 2) neither equal nor bracket the solid's
    // (5, 4): the search finds no anchor and ties nothing.
    const int64_t found = DetermineCorrespondence(p.get());
    if (c.code == 83) {
        EXPECT_EQ(found, 0);
        for (int64_t n = 0; n < p->netFaceCount; ++n) EXPECT_EQ(p->netFace[n].face3D, -1);
        return;
    }
    ASSERT_EQ(found, 1) << c.name;
    EXPECT_EQ(p->correspondenceFailed, 0) << c.name;
    int16_t fragment = -1;
    for (int64_t n = 0; n < p->netFaceCount; ++n)
        if (p->netFace[n].face3D >= 0) fragment = p->netFace[n].fragment;
    ASSERT_GE(fragment, 0);
    std::vector<int> shown(size_t(p->faceCount3D), 0);
    for (int64_t n = 0; n < p->netFaceCount; ++n) {
        const PolyNetFace& N = p->netFace[n];
        if (N.fragment != fragment) {
            EXPECT_EQ(N.face3D, -1);
            continue;
        }
        EXPECT_EQ(TieErrors(p.get(), n, scale), 0) << c.name << " face " << n;
        if (N.face3D >= 0) ++shown[size_t(N.face3D)];
    }
    for (int s : shown) EXPECT_LE(s, 1) << c.name;
}

INSTANTIATE_TEST_SUITE_P(Solids, Correspondence, ::testing::ValuesIn(kNetSolids), [](const auto& info) {
    std::string s = info.param.name;
    for (char& ch : s)
        if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
    return s;
});

TEST(Correspondence, TiedFacesAreNotTiedAgainAndMismatchesRaiseTheFlag) {
    PolyPtr p = BuildNet(18);  // cube
    ASSERT_TRUE(p);
    p->correspondenceGiven = 0;
    // A face keeps a deliberately wrong tie; spreading from net face 0 goes
    // round it.
    const int64_t anchor3D = p->netFace[0].face3D, anchorOffset = p->netFace[0].vertexOffset;
    for (int64_t n = 0; n < p->netFaceCount; ++n) p->netFace[n].face3D = -1;
    // A face away from the anchor (net face 0) and its neighbours.
    int64_t wrong = -1;
    for (int64_t n = 1; n < p->netFaceCount && wrong < 0; ++n) {
        bool nearAnchor = false;
        for (int64_t k = 0; k < p->netFace[0].count; ++k) nearAnchor |= p->netFace[0].neighbour[k] == n;
        if (!nearAnchor) wrong = n;
    }
    ASSERT_GE(wrong, 0);
    p->netFace[wrong].face3D = 0;
    p->netFace[wrong].vertexOffset = 3;
    p->netFace[0].face3D = anchor3D;
    p->netFace[0].vertexOffset = anchorOffset;
    Propagate(0, p.get());
    for (int64_t n = 0; n < p->netFaceCount; ++n) EXPECT_GE(p->netFace[n].face3D, 0);
    EXPECT_EQ(p->netFace[wrong].face3D, 0);
    EXPECT_EQ(p->netFace[wrong].vertexOffset, 3);
    EXPECT_EQ(p->correspondenceFailed, 0);

    // Spreading onto a 3D face with other angles (a corner angle changed)
    // ties it all the same and raises the flag.
    int64_t g = -1;
    for (int64_t k = 0; k < p->netFace[0].count && g < 0; ++k) g = p->netFace[0].neighbour[k];
    ASSERT_GE(g, 0);
    const int64_t shown = p->netFace[g].face3D;
    for (int64_t n = 1; n < p->netFaceCount; ++n) p->netFace[n].face3D = -1;
    p->face3D[shown].angle[1] += 0.01f;
    EXPECT_FALSE(faces_are_congruent(g, 0, shown, 0, p.get()));
    Propagate(0, p.get());
    EXPECT_EQ(p->netFace[g].face3D, shown);
    EXPECT_EQ(p->correspondenceFailed, 1);
}

TEST(Correspondence, FacesOfOtherAnglesNeverAnchorAndRelaxedModeWantsUnequalUses) {
    PolyPtr p = BuildNet(18);
    ASSERT_TRUE(p);
    // Every 3D face's angles changed: no anchor, nothing tied.
    for (int64_t f = 0; f < p->faceCount3D; ++f)
        for (int64_t k = 0; k < p->face3D[f].count; ++k) p->face3D[f].angle[k] *= 0.9f;
    for (int64_t n = 0; n < p->netFaceCount; ++n) p->netFace[n].face3D = -1;
    p->correspondenceGiven = 0;
    EXPECT_EQ(DetermineCorrespondence(p.get()), 0);
    for (int64_t n = 0; n < p->netFaceCount; ++n) EXPECT_EQ(p->netFace[n].face3D, -1);

    // Strict mode matches the cube's net corners by use counts; relaxed mode
    // refuses a corner whose use counts equal the 3D ones.
    PolyPtr q = BuildNet(18);
    ASSERT_TRUE(q);
    int64_t n = 0, k = -1;
    for (; n < q->netFaceCount && k < 0; ++n)
        for (int64_t e = 0; e < q->netFace[n].count; ++e)
            if (q->netFace[n].neighbour[e] >= 0) {
                k = e;
                break;
            }
    --n;
    ASSERT_GE(k, 0);
    const int64_t g = q->netFace[n].neighbour[k], m = q->netFace[n].neighbourEdge[k];
    for (int64_t v = 0; v < kMax2DVertices; ++v) q->netVertexUses[v] = 3;
    for (int64_t v = 0; v < q->vertexCount3D; ++v) q->linkCount3D[v] = 3;
    int64_t j = -1;
    EXPECT_GE(FindSimilarAmong3DNeighbors(0, n, k, g, m, &j, q.get(), 1), 0);
    EXPECT_EQ(FindSimilarAmong3DNeighbors(0, n, k, g, m, &j, q.get(), 0), -1);
    for (int64_t v = 0; v < kMax2DVertices; ++v) q->netVertexUses[v] = 2;
    EXPECT_GE(FindSimilarAmong3DNeighbors(0, n, k, g, m, &j, q.get(), 0), 0);
}

}  // namespace
