// Read-only queries: face lists, net and solid corners, highest indices and
// face groups, with their answers for bad indices.
#include <gtest/gtest.h>

#include "poly_fixture.h"
#include "polyhedra/poly_queries.h"

namespace {

TEST(PolyQueries, FaceListReading) {
    static const uint16_t list[] = {1, 2, 3, 0, 0, 4, 5, 6, 7, 0};
    int64_t out[kMaxFaceVertices];
    EXPECT_EQ(grab_polyface3D(0, list, out), 3);
    EXPECT_EQ(out[2], 2);
    EXPECT_EQ(out[3], -1);
    // An empty face answers 0 and leaves every place at -1.
    EXPECT_EQ(grab_polyface3D(1, list, out), 0);
    for (int64_t v : out) EXPECT_EQ(v, -1);
    EXPECT_EQ(grab_polyface3D(2, list, out), 4);
    EXPECT_EQ(out[0], 3);
    EXPECT_EQ(grab_polyface3D(0, nullptr, out), 0);
    EXPECT_EQ(highest_3D_vertex_no_poly(list, 3), 6);
}

TEST(PolyQueries, CubeCornersFacesAndBadIndices) {
    PolyPtr empty = MakePoly();
    ASSERT_TRUE(empty);
    EXPECT_EQ(highest_3D_vertex(empty.get()), -1);
    EXPECT_EQ(highest_2D_vertex_excluding_tabs(empty.get()), -1);

    PolyPtr p = MakePoly();
    ASSERT_TRUE(p);
    SetUpReallyGeneralPolyhedron(p.get(), 18, 0, 0, 0, nullptr, 1, 0.0f);
    EXPECT_EQ(highest_3D_vertex(p.get()), 7);
    EXPECT_EQ(highest_2D_vertex_excluding_tabs(p.get()), 13);
    // Each face's centroid lies on its axis, half a unit out; the normal is that axis.
    for (int64_t f = 0; f < 6; ++f) {
        const triplex c = FetchCentroidOf3DFace(p.get(), f), n = FetchNormalOf3DFace(p.get(), f);
        EXPECT_NEAR(Tmagnitude(c), 0.5, 1e-12);
        EXPECT_NEAR(n.x * c.x + n.y * c.y + n.z * c.z, 0.5, 1e-12);
        EXPECT_NEAR(Tmagnitude(grab3DEdgeAsVector(p.get(), f, 3)), 1.0, 1e-12);
    }
    // Net corner k of net face f shows solid corner k of face f, and back.
    int64_t face, corner, netFace, netCorner;
    Face_and_Index_2D_to_3D(4, 2, &face, &corner, p.get());
    EXPECT_EQ(face, 4);
    EXPECT_EQ(corner, 2);
    Face_and_Index_3D_to_2D(4, 2, &netFace, &netCorner, p.get());
    EXPECT_EQ(netFace, 4);
    EXPECT_EQ(netCorner, 2);
    Face_and_Index_3D_to_2D(kMax3DFaces, 0, &netFace, &netCorner, p.get());
    EXPECT_EQ(netFace, 0);
    EXPECT_EQ(netCorner, 0);
    // Net coordinates of an index past the table: zeros and status 10.
    double x = 5, y = 5;
    grab_coordinates2DD(kMax2DVertices, p.get(), &x, &y);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
    EXPECT_EQ(p->status, kPolyStatusVertexIndexOutOfRange);
    // Face groups: the net face itself when the shape has no group table.
    EXPECT_EQ(FacegroupOf2DFace(3, p.get()), 3);
    EXPECT_EQ(FacegroupOf2DFace(-1, p.get()), -1);
    EXPECT_EQ(FacegroupOf2DFace(3, nullptr), 0);
    EXPECT_EQ(NewCountFacegroupsInPoly(p.get()), 6);
    // The mirror byte negates x, the y scale stretches y.
    p->mirror = 1;
    p->yScale = 2;
    const triplex t = grab_as_transformed(0, p.get()), raw = p->coords3D[0];
    EXPECT_EQ(t.x, -raw.x);
    EXPECT_EQ(t.y, 2 * raw.y);
    EXPECT_EQ(t.z, raw.z);
}

// Strict, and either turn: a mirrored net cell winds clockwise.
TEST(PolyQueries, InsideTriangleIsStrict) {
    const double a[2] = {0, 0}, b[2] = {1, 0}, c[2] = {0, 1};
    const double in[2] = {0.2, 0.2}, edge[2] = {0.5, 0}, out[2] = {0.6, 0.6}, corner[2] = {0, 0};
    for (bool mirrored : {false, true}) {
        const double* q = mirrored ? c : b;
        const double* r = mirrored ? b : c;
        EXPECT_TRUE(InsideTriangle(in, a, q, r)) << mirrored;
        EXPECT_FALSE(InsideTriangle(edge, a, q, r)) << mirrored;
        EXPECT_FALSE(InsideTriangle(out, a, q, r)) << mirrored;
        EXPECT_FALSE(InsideTriangle(corner, a, q, r)) << mirrored;
    }
    const double flat[2] = {2, 0};  // a triangle with no inside
    EXPECT_FALSE(InsideTriangle(edge, a, b, flat));
}

TEST(PolyQueries, CountingFacesBuildsTheMode) {
    PolyPtr p = MakePoly();
    ASSERT_TRUE(p);
    EXPECT_EQ(NewCountFacesInPoly(47, nullptr, p.get(), 1), 20);
    EXPECT_EQ(NewCountFacesInPoly(54, nullptr, p.get(), 1), 72);
    EXPECT_EQ(NewCountFacesInPoly(408, nullptr, p.get(), 1), 32);
}

}  // namespace
