// Geodesic spheres, the tented tetrahedron and the quad-faced solids, built
// through the set-up as the dispatcher builds them and checked against counts
// and chord lengths worked out here.
#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "common/memory.h"
#include "poly_fixture.h"
#include "polyhedra/geodesic.h"
#include "polyhedra/slivers.h"
#include "solids/shape_dispatch.h"
#include "solid_checks.h"

namespace {

using namespace solid_checks;

struct GeodesicCase {
    int64_t firstCode, lowest, highest;
    int64_t baseTriangles;  // after fanning every non-triangular face
};
// Tetrahedron, cube (6 squares, 4 triangles each), octahedron, dodecahedron
// (12 pentagons, 5 each), icosahedron.
const GeodesicCase kGeodesic[] = {{89, 2, 5, 4}, {93, 1, 5, 24}, {98, 2, 5, 8}, {102, 1, 5, 60}, {107, 2, 5, 20}};

TEST(Geodesic, EveryCodeIsAClosedSphereOfNSquaredTimesTheBaseTriangles) {
    for (const GeodesicCase& g : kGeodesic)
        for (int64_t N = g.lowest; N <= g.highest; ++N) {
            const int64_t code = g.firstCode + N - g.lowest;
            ASSERT_TRUE(ShapecodeCanBeBuilt(code));
            PolyPtr p = BuildSolid(code);
            ASSERT_TRUE(p);
            const std::string what = "code " + std::to_string(code);
            ASSERT_EQ(p->status, kPolyStatusGood) << what;
            EXPECT_EQ(p->faceCount3D, N * N * g.baseTriangles) << what;
            EXPECT_EQ(p->vertexCount3D, p->faceCount3D / 2 + 2) << what;
            for (int64_t v = 0; v < p->vertexCount3D; ++v) EXPECT_NEAR(Len(p->coords3D[v]), 1, 1e-12) << what;
            for (int64_t f = 0; f < p->faceCount3D; ++f) ASSERT_EQ(p->face3D[f].count, 3);
            ExpectClosedAndOriented(p.get(), what);
            EXPECT_TRUE(p->linksBuilt) << what;
        }
}

TEST(Geodesic, TextbookCountsAndChordFactors) {
    PolyPtr octa3 = BuildSolid(99);  // "geodesic 8 | 3"
    ASSERT_TRUE(octa3);
    EXPECT_EQ(octa3->faceCount3D, 72);
    EXPECT_EQ(octa3->vertexCount3D, 38);

    // Icosahedron at 2: edges from a vertex to an edge midpoint span a
    // quarter of the angle atan 2 between neighbouring vertices, on both
    // sides; edges between two midpoints are 1/phi long.
    PolyPtr ico2 = BuildSolid(108 - 1);
    ASSERT_TRUE(ico2);
    std::set<long> chords;
    for (int64_t f = 0; f < ico2->faceCount3D; ++f)
        for (int64_t k = 0; k < 3; ++k)
            chords.insert(std::lround(1e5 * Len(Tsub(V(ico2.get(), f, k), V(ico2.get(), f, (k + 1) % 3)))));
    const double a = 2 * std::sin(std::atan(2.0) / 4), b = 2 / (1 + std::sqrt(5.0));
    EXPECT_EQ(chords, (std::set<long>{std::lround(1e5 * a), std::lround(1e5 * b)}));
    EXPECT_EQ(chords, (std::set<long>{54653, 61803}));
    ExpectAdmeshClosed(BuildSolid(108).get(), "geodesic 20 | 3");
}

TEST(Geodesic, SubdivisionOfOneFace) {
    PolyPtr tetra = BuildSolid(16), target = MakePoly();
    ASSERT_TRUE(tetra && target);
    ASSERT_TRUE(getPolyStorageEtc(target.get()));
    geodesate_one_face(tetra.get(), target.get(), 0, 0);
    EXPECT_EQ(target->faceCount3D, 0);
    geodesate_one_face(tetra.get(), target.get(), 3, 0);
    EXPECT_EQ(target->faceCount3D, 9);
    EXPECT_EQ(target->vertexCount3D, 10);
    // The corners stay where they were, pushed onto the sphere: B first.
    EXPECT_NEAR(Len(Tsub(target->coords3D[0], Tnormalize(V(tetra.get(), 0, 1)))), 0, 1e-12);
}

TEST(Geodesic, TentsAndQuadsOnTheFaces) {
    PolyPtr tent = MakePoly();
    ASSERT_TRUE(tent);
    BuildTentedTet(tent.get());
    EXPECT_EQ(tent->faceCount3D, 12);
    EXPECT_EQ(tent->vertexCount3D, 8);
    ExpectClosedAndOriented(tent.get(), "tented tetrahedron");

    // 439: a quad at each corner of each tetrahedron face (the rhombic
    // dodecahedron's pattern), 440 the same on the icosahedron.
    struct {
        int64_t code, faces, vertices, corners, midpoints;
    } cases[] = {{439, 12, 14, 4, 6}, {440, 60, 62, 12, 30}};
    for (const auto& c : cases) {
        ASSERT_TRUE(ShapecodeCanBeBuilt(c.code));
        PolyPtr p = BuildSolid(c.code);
        ASSERT_TRUE(p);
        const std::string what = "code " + std::to_string(c.code);
        EXPECT_EQ(p->faceCount3D, c.faces) << what;
        EXPECT_EQ(p->vertexCount3D, c.vertices) << what;
        int inside = 0;
        for (int64_t f = 0; f < p->faceCount3D; ++f) {
            ASSERT_EQ(p->face3D[f].count, 4);
            // [midpoint, corner, midpoint, centre]: midpoints of unit chords, the rest on the sphere.
            EXPECT_LT(Len(V(p.get(), f, 0)), 1 - 1e-3);
            EXPECT_NEAR(Len(V(p.get(), f, 1)), 1, 1e-12);
            EXPECT_NEAR(Len(V(p.get(), f, 3)), 1, 1e-12);
        }
        for (int64_t v = 0; v < p->vertexCount3D; ++v) inside += Len(p->coords3D[v]) < 1 - 1e-3;
        EXPECT_EQ(inside, c.midpoints) << what;
        ExpectClosedAndOriented(p.get(), what);
        if (c.code == 439) ExpectAdmeshClosed(p.get(), what);
    }
}

// Whichever block the heap refuses (the target's storage, a scratch solid
// or its storage) in the builders on a base solid, the build either ends whole or says out of memory; it
// never ends as an empty solid reported as good, which would render blank.
TEST(Geodesic, ARefusedBlockFailsTheBuild) {
    for (int which = 0; which < 3; ++which)
        for (int64_t after = 0; after < 20; ++after) {
            PolyPtr p = MakePoly();
            ASSERT_TRUE(p);
            SetRobustNewPtrFailures(1, after);
            if (which == 0)
                BuildTentedTet(p.get());
            else if (which == 1)
                BuildGeodesicClass1(p.get(), 0, 1, 18);
            else
                BuildDevTet(p.get(), 0);
            SetRobustNewPtrFailures(0);
            const int64_t whole = which == 0 ? 12 : which == 1 ? 24 : 120;
            if (p->status == kPolyStatusGood)
                EXPECT_EQ(p->faceCount3D, whole) << which << " after " << after;
            else
                EXPECT_EQ(p->status, kPolyStatusOutOfMemory) << which << " after " << after;
        }
}

}  // namespace
