// The vertex and face store: index and scan agree, merging follows the
// tolerance, and every limit ends in its status code with
// nothing written past a table.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "common/memory.h"
#include "poly_fixture.h"
#include "polyhedra/poly_store.h"

namespace {

TEST(PolyStore, IndexAndScanAgreeOnRandomClouds) {
    PolyPtr p = MakePoly();
    ASSERT_TRUE(p && getPolyStorageEtc(p.get()));
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> u(-1, 1), jitter(-0.003, 0.003);
    std::vector<triplex> pts;
    for (int i = 0; i < 3000; ++i) {
        triplex q{u(rng), u(rng), u(rng)};
        // Clusters: many points land within the tolerance of earlier ones.
        if (i > 10 && i % 3 == 0) q = Tadd(pts[rng() % pts.size()], triplex{jitter(rng), jitter(rng), jitter(rng)});
        pts.push_back(q);
        AddNew3DDVertToPolyhedron(p.get(), q);
    }
    EXPECT_LT(p->vertexCount3D, 3000);
    for (int i = 0; i < 4000; ++i) {
        const triplex q = i % 2 ? triplex{u(rng), u(rng), u(rng)}
                                : Tadd(pts[rng() % pts.size()], triplex{jitter(rng), jitter(rng), jitter(rng)});
        const int64_t scan = AnyCloseMatch3D_old(p.get(), q, 0.002);
        const int64_t index = AnyCloseMatch3D_new(p.get(), q, 0.002);
        // Both answer a vertex within the tolerance, or both none.
        ASSERT_EQ(scan < 0, index < 0) << i;
        if (index >= 0) {
            const triplex d = Tsub(p->coords3D[index], q);
            EXPECT_LT(d.x * d.x + d.y * d.y + d.z * d.z, 0.002 * 0.002);
        }
    }
}

TEST(PolyStore, MergeTolerance) {
    PolyPtr p = MakePoly();
    ASSERT_TRUE(p && getPolyStorageEtc(p.get()));
    const int64_t a = AddNew3DDVertToPolyhedron(p.get(), {0.3, 0.2, 0.1});
    EXPECT_EQ(AddNew3DDVertToPolyhedron(p.get(), {0.3, 0.2, 0.1}), a);
    EXPECT_EQ(AddNew3DDVertToPolyhedron(p.get(), {0.3019, 0.2, 0.1}), a);
    EXPECT_NE(AddNew3DDVertToPolyhedron(p.get(), {0.3021, 0.2, 0.1}), a);
    EXPECT_EQ(p->vertexCount3D, 2);
}

TEST(PolyStore, FaceRulesAndStatuses) {
    PolyPtr p = MakePoly();
    ASSERT_TRUE(p && getPolyStorageEtc(p.get()));
    for (int i = 0; i < 6; ++i) AddNew3DDVertToPolyhedron(p.get(), {double(i), 0, 0});
    struct Case {
        std::vector<int64_t> list;
        int64_t status;
        int64_t faces;  // face count afterwards
    } cases[] = {
        {{0, 1, 2}, kPolyStatusGood, 1},
        {{1, 2, 0}, kPolyStatusDuplicateFace, 1},   // the same cycle from another corner
        {{2, 1, 0}, kPolyStatusGood, 2},            // the opposite direction is another face
        {{3, 3, 5}, kPolyStatusRepeatedVertex, 2},
        {{3, 4, 3}, kPolyStatusRepeatedVertex, 2},  // cyclically consecutive
        {{1, 2}, kPolyStatusBadVertexCount, 2},     // too few corners: refused, nothing read past the list
        {{0, 1, 2, 3, 4, 5, 0, 1, 2, 3, 4}, kPolyStatusBadVertexCount, 2},  // 11 corners: refused, not cut
        {{0, 1, 2, 3, 4, 5}, kPolyStatusGood, 3},
    };
    for (const Case& c : cases) {
        p->status = kPolyStatusGood;
        Add3DFaceToPolyhedron_macro(p.get(), c.list.data(), int32_t(c.list.size()), -1, 1, 1, 0, -1, -1, -1);
        EXPECT_EQ(p->status, c.status) << c.list.size();
        EXPECT_EQ(p->faceCount3D, c.faces);
    }
    EXPECT_EQ(p->face3D[2].count, 6);
}

TEST(PolyStore, TablesFullSetTheirStatus) {
    PolyPtr p = MakePoly();
    ASSERT_TRUE(p && getPolyStorageEtc(p.get()));
    for (int64_t i = 0; i < kMax3DVertices; ++i) ASSERT_EQ(AddNew3DDVertToPolyhedron(p.get(), {i * 0.01, 0, 0}), i);
    EXPECT_EQ(p->status, kPolyStatusGood);
    EXPECT_EQ(AddNew3DDVertToPolyhedron(p.get(), {-5, 0, 0}), -1);
    EXPECT_EQ(p->status, kPolyStatus3DVertexTableFull);
    EXPECT_EQ(p->vertexCount3D, kMax3DVertices);

    p->status = kPolyStatusGood;
    const int64_t tri[3] = {0, 1, 2};
    for (int64_t f = 0; f < kMax3DFaces; ++f) Add3DFaceToPolyhedron_macro(p.get(), tri, 3, -1, 1, 0, 0, -1, -1, -1);
    EXPECT_EQ(p->status, kPolyStatusGood);
    Add3DFaceToPolyhedron_macro(p.get(), tri, 3, -1, 1, 0, 0, -1, -1, -1);
    EXPECT_EQ(p->status, kPolyStatus3DFaceTableFull);
    EXPECT_EQ(p->faceCount3D, kMax3DFaces);

    p->status = kPolyStatusGood;
    for (int64_t i = 0; i < kMax2DVertices; ++i) {
        const PolyNetPoint v{i * 0.01, 0, -1, 0};
        ASSERT_EQ(AddNetVertex(p.get(), v), i);
    }
    const PolyNetPoint extra{-3, 0, -1, 0};
    EXPECT_EQ(AddNetVertex(p.get(), extra), -1);
    EXPECT_EQ(p->status, kPolyStatusNetVertexTableFull);

    p->status = kPolyStatusGood;
    EXPECT_EQ(Add2DFaceToPolyhedron(p.get(), tri, 3, 1, kMaxNetFaces, -1, -1), -1);
    EXPECT_EQ(p->status, kPolyStatusNetFaceTableFull);
}

TEST(PolyStorage, FailedAllocationLeavesNoStorageAndRefusesAdds) {
    PolyPtr p = MakePoly();
    ASSERT_TRUE(p);
    SetRobustNewPtrFailures(1);
    EXPECT_EQ(getPolyStorageEtc(p.get()), 0);
    SetRobustNewPtrFailures(0);
    EXPECT_EQ(p->status, kPolyStatusOutOfMemory);
    EXPECT_EQ(p->storageFlag, 0);
    EXPECT_EQ(p->coords3D, nullptr);
    EXPECT_EQ(p->vertexIndex2D, nullptr);
    EXPECT_EQ(AddNew3DDVertToPolyhedron(p.get(), {0, 0, 0}), -1);
    EXPECT_EQ(p->vertexCount3D, 0);

    ASSERT_TRUE(getPolyStorageEtc(p.get()));
    p->cachedBuildKey[0] = 5;
    DumpPolyStorage(p.get());
    DumpPolyStorage(p.get());
    EXPECT_EQ(p->coords3D, nullptr);
    EXPECT_EQ(p->faceList2D, nullptr);
    EXPECT_EQ(p->vertexIndex3D, nullptr);
    EXPECT_EQ(p->cachedBuildKey[0], -1);
}

// The deep wipe resets every net triangle any fill of the table reached,
// however often the table was emptied since, and leaves the triangles no
// fill reached as the allocation left them (all zero).
TEST(PolyStorage, DeepWipeResetsEveryTriangleEverFilledAndNoOther) {
    struct Case {
        std::vector<int64_t> fills;  // the table filled to each count in turn, emptied between
        int64_t reached;             // the most any fill reached
    } cases[] = {{{}, 0}, {{5}, 5}, {{40, 3}, 40}, {{3, 40, 7}, 40}, {{kMaxNetTriangles}, kMaxNetTriangles}};
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.fills));
        PolyPtr p = MakePoly();
        ASSERT_TRUE(p);
        for (size_t k = 0; k < c.fills.size(); ++k) {
            if (k > 0) EmptyNetTriangles(p.get());
            for (int64_t t = 0; t < c.fills[k]; ++t) {
                PolyNetTriangle& tri = p->netTriangle[t];
                tri.vertex[0] = tri.vertex[1] = tri.vertex[2] = 7;
                tri.netFace = tri.tabOwner = 3;
                tri.exportable = 1;
            }
            p->netTriangleCount = c.fills[k];
        }
        EXPECT_EQ(NetTrianglesWritten(p.get()), c.reached);
        WipeRenderingTriangleInfo_deep(p.get());
        EXPECT_EQ(p->netTriangleCount, 0);
        EXPECT_EQ(NetTrianglesWritten(p.get()), c.reached);
        for (int64_t t = 0; t < kMaxNetTriangles; ++t) {
            const PolyNetTriangle& tri = p->netTriangle[t];
            const bool reset = t < c.reached;
            ASSERT_EQ(tri.vertex[0], reset ? -1 : 0) << t;
            ASSERT_EQ(tri.netFace, reset ? -1 : 0) << t;
            ASSERT_EQ(tri.faceGroup, reset ? -1 : 0) << t;
            ASSERT_EQ(tri.tabOwner, reset ? -1 : 0) << t;
            ASSERT_EQ(tri.faceCorner[2], reset ? 65535 : 0) << t;
            ASSERT_EQ(tri.exportable, 0) << t;
        }
    }
}

TEST(PolyStore, FloatTableFacesSplitSquaresWithCodeOne) {
    static const float table[] = {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0, -999, 0, 0,  // a square
                                  0, 0, 0, 0, 0, 1, 1, 0, 0, -999, 0, 0,         // a triangle
                                  -999, 0, 0};
    PolyPtr p = MakePoly();
    ASSERT_TRUE(p && getPolyStorageEtc(p.get()));
    int64_t cursor = 0;
    int faces = 0;
    while (try_to_add_3D_face_using_array_with_codes(p.get(), &cursor, table, 0, 1)) ++faces;
    EXPECT_EQ(faces, 2);
    EXPECT_EQ(p->faceCount3D, 5);     // four triangles around the centre, then the triangle
    EXPECT_EQ(p->vertexCount3D, 6);   // four corners, the centre, one more corner
    EXPECT_EQ(p->face3D[0].vertex[2], 4);
    EXPECT_EQ(cursor, 3 * 10);
}

}  // namespace
