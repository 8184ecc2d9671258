// The set-up: equal calls build once, a changed key rebuilds; shape codes
// this build has no table or builder for are reported, never half built;
// the checked-in tables are what the generator writes today.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <vector>

#include "../generated_source.h"
#include "common/memory.h"
#include "polyhedra/builtin_shapes.h"
#include "polyhedra/polyhedron_params.h"
#include "solids/poly_setup.h"
#include "solids/shape_dispatch.h"
#include "tests/polyhedra/poly_fixture.h"

namespace {

TEST(PolySetup, EqualCallsBuildOnceAndAChangedKeyRebuilds) {
    PolyPtr p = MakePoly();
    ASSERT_TRUE(p);
    HooBoyPolySetup(7, p.get(), 0, 1, 0, nullptr, 1, 1.0f, 0.5f, 0.0f);
    ASSERT_EQ(p->faceCount3D, 6);
    const double x = p->coords3D[0].x;
    // A mark that only a rebuild removes.
    p->coords3D[0].x = 42;
    HooBoyPolySetup(7, p.get(), 0, 1, 0, nullptr, 1, 1.0f, 0.5f, 0.0f);
    EXPECT_EQ(p->coords3D[0].x, 42);
    struct Change {
        int64_t mode, second, first;
        float a, b, angle;
    } changes[] = {{7, 0, 1, 1.0f, 0.5f, 0.25f}, {7, 1, 1, 1.0f, 0.5f, 0.0f}, {7, 0, 3, 1.0f, 0.5f, 0.0f},
                   {7, 0, 1, 0.9f, 0.5f, 0.0f},  {7, 0, 1, 1.0f, 0.4f, 0.0f}, {25, 0, 1, 1.0f, 0.5f, 0.0f}};
    for (const Change& c : changes) {
        HooBoyPolySetup(7, p.get(), 0, 1, 0, nullptr, 1, 1.0f, 0.5f, 0.0f);
        p->coords3D[0].x = 42;
        HooBoyPolySetup(c.mode, p.get(), c.second, c.first, 0, nullptr, 1, c.a, c.b, c.angle);
        EXPECT_NE(p->coords3D[0].x, 42) << c.mode << " " << c.second << " " << c.first << " " << c.angle;
    }
    HooBoyPolySetup(7, p.get(), 0, 1, 0, nullptr, 1, 1.0f, 0.5f, 0.0f);
    EXPECT_EQ(p->coords3D[0].x, x);
}

TEST(PolySetup, ModeWithoutSolidLeavesTheRecordAlone) {
    PolyPtr p = MakePoly();
    ASSERT_TRUE(p);
    SetUpReallyGeneralPolyhedron(p.get(), 18, 7, 0, 0, nullptr, 1, 0.0f);
    SetUpReallyGeneralPolyhedron(p.get(), -1, 7, 0, 0, nullptr, 1, 0.0f);
    EXPECT_EQ(p->faceCount3D, 6);
    EXPECT_EQ(p->shapeCode, 18);
}

TEST(PolySetup, UnbuiltShapesAreReportedAndEmpty) {
    PolyPtr p = MakePoly();
    ASSERT_TRUE(p);
    for (int64_t code : {10, 22, 87, 308}) {
        EXPECT_FALSE(ShapecodeCanBeBuilt(code)) << code;
        SetUpReallyGeneralPolyhedron(p.get(), 18, 7, 0, 0, nullptr, 1, 0.0f);
        SetUpReallyGeneralPolyhedron(p.get(), code, 1, 0, 0, nullptr, 1, 0.0f);
        EXPECT_EQ(p->status, kPolyStatusUnbuilt) << code;
        EXPECT_EQ(p->faceCount3D, 0) << code;
        EXPECT_EQ(p->vertexCount3D, 0) << code;
        EXPECT_EQ(p->netFaceCount, 0) << code;
    }
    for (int64_t code : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 12, 13, 16, 17, 18, 19, 20, 21, 23, 24, 80, 82, 83, 89, 110, 305, 306,
                         307, 309, 310, 311, 313, 390, 438, 439, 440, 171, 196})
        EXPECT_TRUE(ShapecodeCanBeBuilt(code)) << code;
}

// The tetrahedron strip's solid: its 8 net triangles fold onto the
// tetrahedron, each face shown twice and wound outward like the solid's.
TEST(PolySetup, TilingTetrahedronCoversEachFaceTwice) {
    PolyPtr p = MakePoly();
    ASSERT_TRUE(p);
    SetUpReallyGeneralPolyhedron(p.get(), 24, 5, 0, 0, nullptr, 1, 0.0f);
    ASSERT_EQ(p->faceCount3D, 8);
    EXPECT_EQ(p->netFaceCount, 8);
    std::map<std::set<int64_t>, int> shown;
    for (int64_t f = 0; f < 8; ++f) {
        const PolyFace3D& face = p->face3D[f];
        ASSERT_EQ(face.count, 3);
        const triplex a = p->coords3D[face.vertex[0]], b = p->coords3D[face.vertex[1]], c = p->coords3D[face.vertex[2]];
        const double u[3] = {b.x - a.x, b.y - a.y, b.z - a.z}, v[3] = {c.x - a.x, c.y - a.y, c.z - a.z};
        const double n[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
        EXPECT_GT(n[0] * (a.x + b.x + c.x) + n[1] * (a.y + b.y + c.y) + n[2] * (a.z + b.z + c.z), 0.0) << f;
        ++shown[{face.vertex[0], face.vertex[1], face.vertex[2]}];
    }
    EXPECT_EQ(shown.size(), 4u);
    for (const auto& [corners, times] : shown) EXPECT_EQ(times, 2);
}

// What a net triangle holds once the set-up is done, every field.
std::vector<double> TriangleFields(const PolyNetTriangle& t) {
    std::vector<double> out{double(t.netFace), double(t.tag),     double(t.faceGroup),         double(t.fragment),
                            double(t.isTab),   double(t.creviceRegion), double(t.twisted),     double(t.faceMark),
                            double(t.fancy),   double(t.hidden),  double(t.tabOwner),          double(t.inverseDeterminant),
                            double(t.minX),    double(t.maxX),    double(t.minY),              double(t.maxY),
                            double(t.exportable)};
    for (int k = 0; k < 3; ++k) {
        out.insert(out.end(), {double(t.vertex[k]), double(t.tabFlag[k]), double(t.outlineFlag[k]),
                               double(t.glueUnder[k]), double(t.faceCorner[k]), double(t.solidCorner[k]),
                               t.cornerPoint[k].x, t.cornerPoint[k].y, t.cornerPoint[k].z});
    }
    return out;
}

// A record that held a larger net, its triangles marked as an export marks
// them, builds the next solid's net triangle for triangle as a fresh record
// does: nothing of the earlier net shows through.
TEST(PolySetup, ARecordBuiltBeforeBuildsTheTrianglesOfAFreshOne) {
    constexpr float kAspect = 0.5f, kTabs = 0.165f;
    struct Case {
        int64_t before, mode;
    } cases[] = {{497, 7}, {497, 25}};
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.before << " then " << c.mode);
        PolyPtr used(NewPolyhedron(kAspect, kTabs)), fresh(NewPolyhedron(kAspect, kTabs));
        ASSERT_TRUE(used && fresh);
        HooBoyPolySetup(c.before, used.get(), 0, 1, 0, nullptr, 0, kAspect, kTabs, 0.0f);
        const int64_t earlier = used->netTriangleCount;
        for (int64_t t = 0; t < earlier; ++t) used->netTriangle[t].exportable = 1;
        HooBoyPolySetup(c.mode, used.get(), 0, 1, 0, nullptr, 0, kAspect, kTabs, 0.0f);
        HooBoyPolySetup(c.mode, fresh.get(), 0, 1, 0, nullptr, 0, kAspect, kTabs, 0.0f);
        ASSERT_GT(fresh->netTriangleCount, 0);
        ASSERT_GT(earlier, fresh->netTriangleCount);
        ASSERT_EQ(used->netTriangleCount, fresh->netTriangleCount);
        for (int64_t t = 0; t < fresh->netTriangleCount; ++t)
            ASSERT_EQ(TriangleFields(used->netTriangle[t]), TriangleFields(fresh->netTriangle[t])) << "triangle " << t;
    }
}

TEST(PolySetup, FailedStorageGivesNoPartialSolid) {
    PolyPtr p = MakePoly();
    ASSERT_TRUE(p);
    for (int64_t code : {18, 82, 311}) {
        SetRobustNewPtrFailures(3);
        SetUpReallyGeneralPolyhedron(p.get(), code, 7, 0, 0, nullptr, 1, 0.0f);
        SetRobustNewPtrFailures(0);
        EXPECT_EQ(p->status, kPolyStatusOutOfMemory) << code;
        EXPECT_EQ(p->faceCount3D, 0) << code;
        EXPECT_EQ(p->storageFlag, 0) << code;
        p->status = kPolyStatusGood;
    }
}

TEST(PolySetup, BuiltInTablesAreCopiedIntoOwnedStorage) {
    PolyPtr p = MakePoly();
    ASSERT_TRUE(p);
    SetUpReallyGeneralPolyhedron(p.get(), 18, 0, 0, 0, nullptr, 1, 0.0f);
    EXPECT_EQ(p->builtIn, 1);
    EXPECT_EQ(p->storageFlag, 1);
    // Writing the record's copy leaves the next build's table untouched.
    const double x = p->coords3D[0].x;
    p->coords3D[0].x = 9;
    SetUpReallyGeneralPolyhedron(p.get(), 18, 0, 0, 0, nullptr, 1, 0.0f);
    EXPECT_EQ(p->coords3D[0].x, x);
}

// Whether the mode's solid, built as it stands, has a concave edge.
bool BuildsConcave(int64_t mode) {
    polyhedron_params params;
    get_polyhedron_params_from_output_mode(mode, &params);
    if (params.shapeCode == -1) return false;
    PolyPtr p = MakePoly();
    if (!p) return false;
    SetUpReallyGeneralPolyhedron(p.get(), params.shapeCode, 4, params.secondParameter, 0, nullptr, 0,
                                 params.floatParameter);
    return p->allConvex == 0 && p->status == kPolyStatusGood;
}

TEST(PolySetup, SolidsKnowWhetherTheyAreConcave) {
    EXPECT_FALSE(BuildsConcave(7));    // the cube
    EXPECT_TRUE(BuildsConcave(403));   // four cubes
    EXPECT_FALSE(BuildsConcave(408));  // Waterman W5
    EXPECT_FALSE(BuildsConcave(405));  // not built: no answer from a solid
}

TEST(GeneratedPolyhedra, TablesAreCurrent) {
    ExpectGeneratedSourceIsCurrent("gen_polyhedra", "polyhedra/generated/builtin_shapes.cpp");
}

}  // namespace

namespace {

// A tetrahedron given only by its net: a big triangle of four small ones,
// six net vertices folding onto four solid vertices (the big triangle's
// corners all fold onto the apex, solid vertex 4).
const double kTetCoords3D[] = {1, 1, 1, 1, -1, -1, -1, 1, -1, -1, -1, 1};
const double kTetCoords2D[] = {0, 0, 2, 0, 4, 0, 1, 1.7320508, 3, 1.7320508, 2, 3.4641016};
const uint16_t kTetFaces2D[] = {1, 2, 4, 0, 2, 3, 5, 0, 4, 5, 6, 0, 2, 5, 4, 0};
const uint16_t kTetNetToSolid[] = {4, 1, 4, 3, 2, 4};

TEST(BuiltInTables, NetToSolidMapGivesTheSolidFaces) {
    BuiltInShape shape{-1, "net only", kTetCoords3D, 4, nullptr, 4, kTetCoords2D, 6, kTetFaces2D, kTetNetToSolid};
    PolyPtr p = MakePoly();
    ASSERT_TRUE(p);
    LoadBuiltInShape(p.get(), &shape);
    EXPECT_EQ(p->status, kPolyStatusGood);
    ASSERT_EQ(p->faceCount3D, 4);
    ASSERT_EQ(p->netFaceCount, 4);
    // Net face 0 (net vertices 1, 2, 4) is solid face (4, 1, 3), counted from 0.
    EXPECT_EQ(p->face3D[0].vertex[0], 3);
    EXPECT_EQ(p->face3D[0].vertex[1], 0);
    EXPECT_EQ(p->face3D[0].vertex[2], 2);
    for (int64_t v = 0; v < 6; ++v) EXPECT_EQ(p->netVertexSolid[v], kTetNetToSolid[v] - 1);
    // Every solid edge is used once each way: the map made a closed solid.
    int uses[4][4] = {};
    for (int64_t f = 0; f < 4; ++f)
        for (int64_t k = 0; k < 3; ++k) ++uses[p->face3D[f].vertex[k]][p->face3D[f].vertex[(k + 1) % 3]];
    for (int a = 0; a < 4; ++a)
        for (int b = 0; b < 4; ++b) EXPECT_EQ(uses[a][b], a == b ? 0 : 1) << a << " " << b;
}

TEST(BuiltInTables, BrokenFaceCountsAreRefusedWhole) {
    static const uint16_t twoCorners[] = {1, 2, 3, 0, 1, 2, 0, 1, 3, 4, 0, 2, 4, 3, 0};
    static const uint16_t elevenCorners[] = {1, 2, 3, 4, 1, 2, 3, 4, 1, 2, 3, 0, 1, 2, 3, 0,
                                             1, 3, 4, 0, 2, 4, 3, 0};
    static const uint16_t outOfRange[] = {1, 2, 9, 0, 1, 2, 4, 0, 1, 3, 4, 0, 2, 4, 3, 0};
    struct Case {
        const uint16_t* faces;
        int64_t status;
    } cases[] = {{twoCorners, kPolyStatusBadVertexCount},
                 {elevenCorners, kPolyStatusBadVertexCount},
                 {outOfRange, kPolyStatusVertexIndexOutOfRange}};
    for (const Case& c : cases) {
        BuiltInShape shape{-1, "broken", kTetCoords3D, 4, c.faces, 4, nullptr, 0, nullptr, nullptr};
        PolyPtr p = MakePoly();
        ASSERT_TRUE(p);
        LoadBuiltInShape(p.get(), &shape);
        EXPECT_EQ(p->status, c.status);
        EXPECT_EQ(p->faceCount3D, 0);
        EXPECT_EQ(p->vertexCount3D, 0);
    }
}

}  // namespace
