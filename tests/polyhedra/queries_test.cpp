// Read-only queries: solid corners, face centroids and normals, face groups,
// with their answers for bad indices.
#include <gtest/gtest.h>

#include "poly_fixture.h"
#include "polyhedra/poly_queries.h"

namespace {

TEST(PolyQueries, CubeCornersFacesAndBadIndices) {
    PolyPtr p = MakePoly();
    ASSERT_TRUE(p);
    SetUpReallyGeneralPolyhedron(p.get(), 18, 0, 0, 0, nullptr, 1, 0.0f);
    // Each face's centroid lies on its axis, half a unit out; the normal is that axis.
    for (int64_t f = 0; f < 6; ++f) {
        const triplex c = FetchCentroidOf3DFace(p.get(), f), n = FetchNormalOf3DFace(p.get(), f);
        EXPECT_NEAR(Tmagnitude(c), 0.5, 1e-12);
        EXPECT_NEAR(n.x * c.x + n.y * c.y + n.z * c.z, 0.5, 1e-12);
        EXPECT_NEAR(Tmagnitude(Tsub(grab_coordinatesOf3DFace(p.get(), f, 3), grab_coordinatesOf3DFace(p.get(), f, 0))),
                    1.0, 1e-12);
    }
    // A corner or face past the table reads as the origin.
    EXPECT_EQ(Tmagnitude(grab_coordinatesOf3DFace(p.get(), 0, 4)), 0);
    EXPECT_EQ(Tmagnitude(FetchCentroidOf3DFace(p.get(), 6)), 0);
    EXPECT_EQ(Tmagnitude(FetchNormalOf3DFace(p.get(), -1)), 0);
    // Face groups: the net face itself when the shape has no group table.
    EXPECT_EQ(FacegroupOf2DFace(3, p.get()), 3);
    EXPECT_EQ(FacegroupOf2DFace(-1, p.get()), -1);
    EXPECT_EQ(FacegroupOf2DFace(3, nullptr), 0);
}

}  // namespace
