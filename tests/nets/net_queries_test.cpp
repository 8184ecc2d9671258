// Net queries on a grown icosahedron: net and solid vertices map both ways
// consistently with the faces, and a fragment's box holds its vertices.
#include <gtest/gtest.h>

#include "nets/net_grow.h"
#include "nets/net_queries.h"
#include "tests/polyhedra/poly_fixture.h"

namespace {

TEST(NetQueries, VerticesMapBothWaysThroughTheFaces) {
    PolyPtr p = BuildSolid(17);
    ASSERT_TRUE(p);
    Build2DNet(p.get());
    for (int64_t n = 0; n < p->netFaceCount; ++n) {
        const PolyNetFace& N = p->netFace[n];
        const PolyFace3D& F = p->face3D[N.face3D];
        for (int64_t k = 0; k < N.count; ++k) {
            const int64_t v = N.vertex[k];
            EXPECT_EQ(Vert_Index_2D_to_3D(p.get(), v), F.vertex[(k + N.vertexOffset) % F.count]);
            const int64_t back = Vert_Index_3D_to_2D_Looking_Only_in_a_particular_2D_fragment(p.get(), F.vertex[k], N.fragment);
            ASSERT_GE(back, 0);
            EXPECT_EQ(Vert_Index_2D_to_3D(p.get(), back), F.vertex[k]);
        }
    }
    EXPECT_EQ(Vert_Index_3D_to_2D_Looking_Only_in_a_particular_2D_fragment(p.get(), 0, 99), -1);
    EXPECT_EQ(Vert_Index_2D_to_3D(p.get(), -1), -1);
    // A vertex listed by several 3D faces is reported with the last of them.
    int64_t face, position;
    Find3DFaceContainingAParticular3DVert(p.get(), 0, &face, &position);
    int64_t last = -1;
    for (int64_t f = 0; f < p->faceCount3D; ++f)
        for (int64_t k = 0; k < 3; ++k)
            if (p->face3D[f].vertex[k] == 0) last = f;
    EXPECT_EQ(face, last);
    EXPECT_EQ(p->face3D[face].vertex[position], 0);
    Find3DFaceContainingAParticular3DVert(p.get(), 99999, &face, &position);
    EXPECT_EQ(face, -1);
    // The box of fragment 1 holds its vertices; an empty fragment leaves it.
    float box[4] = {7, 7, 7, 7};
    Find2DBoundingBoxPointsAndFragment(p.get(), &box[0], &box[1], &box[2], &box[3], 1);
    for (int64_t v = 0; v < kMax2DVertices; ++v)
        if (p->netVertexUsed[v] && p->netVertexTag[v] == 1) {
            EXPECT_GE(float(p->coords2D[v][0]), box[0]);
            EXPECT_LE(float(p->coords2D[v][0]), box[1]);
        }
    float untouched[4] = {7, 7, 7, 7};
    Find2DBoundingBoxPointsAndFragment(p.get(), &untouched[0], &untouched[1], &untouched[2], &untouched[3], 20);
    EXPECT_EQ(untouched[0], 7);
    const int64_t used = p->netVertexCount;
    Cleanse2DVertList(p.get());
    EXPECT_EQ(p->netVertexCount, used);
}

}  // namespace
