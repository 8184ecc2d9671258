// Net queries on a grown icosahedron: net vertices fold onto the solid
// vertices their faces show.
#include <gtest/gtest.h>

#include "nets/net_grow.h"
#include "nets/net_queries.h"
#include "tests/polyhedra/poly_fixture.h"

namespace {

TEST(NetQueries, NetVerticesFoldOntoTheirFacesSolidVertices) {
    PolyPtr p = BuildSolid(17);
    ASSERT_TRUE(p);
    Build2DNet(p.get());
    for (int64_t n = 0; n < p->netFaceCount; ++n) {
        const PolyNetFace& N = p->netFace[n];
        const PolyFace3D& F = p->face3D[N.face3D];
        for (int64_t k = 0; k < N.count; ++k) {
            const int64_t v = N.vertex[k];
            EXPECT_EQ(Vert_Index_2D_to_3D(p.get(), v), F.vertex[(k + N.vertexOffset) % F.count]);
        }
    }
    EXPECT_EQ(Vert_Index_2D_to_3D(p.get(), -1), -1);
}

}  // namespace
