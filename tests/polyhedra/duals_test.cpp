// The primal-dual form: vertex i at the centroid of primal face i, face v the
// primal faces round primal vertex v, counter-clockwise from outside.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <vector>

#include "common/halfspace.h"
#include "poly_fixture.h"
#include "polyhedra/duals.h"
#include "polyhedra/face_geometry.h"
#include "polyhedra/face_links.h"
#include "polyhedra/geodesic.h"
#include "polyhedra/poly_store.h"
#include "solid_checks.h"

namespace {

using namespace solid_checks;

std::vector<int64_t> Cycle(const polyhedron* p, int64_t f) {
    return std::vector<int64_t>(p->face3D[f].vertex, p->face3D[f].vertex + p->face3D[f].count);
}

// Equal up to where the cycle starts.
bool SameCycle(std::vector<int64_t> a, const std::vector<int64_t>& b) {
    if (a.size() != b.size()) return false;
    for (size_t r = 0; r < a.size(); ++r) {
        if (a == b) return true;
        std::rotate(a.begin(), a.begin() + 1, a.end());
    }
    return false;
}

std::set<int64_t> FacesAt(const polyhedron* p, int64_t v) {
    std::set<int64_t> faces;
    for (int64_t f = 0; f < p->faceCount3D; ++f)
        for (int64_t k = 0; k < p->face3D[f].count; ++k)
            if (p->face3D[f].vertex[k] == v) faces.insert(f);
    return faces;
}

// Face v lists exactly the primal faces at primal vertex v, and vertex i is
// primal face i's centroid.
void ExpectDualOf(const polyhedron* primal, const polyhedron* dual, const std::string& what) {
    ASSERT_EQ(dual->status, kPolyStatusGood) << what;
    EXPECT_EQ(dual->vertexCount3D, primal->faceCount3D) << what;
    ASSERT_EQ(dual->faceCount3D, primal->vertexCount3D) << what;
    for (int64_t v = 0; v < dual->faceCount3D; ++v) {
        const std::vector<int64_t> c = Cycle(dual, v);
        EXPECT_EQ(std::set<int64_t>(c.begin(), c.end()), FacesAt(primal, v)) << what << " face " << v;
    }
    for (int64_t i = 0; i < dual->vertexCount3D; ++i)
        EXPECT_NEAR(Len(Tsub(dual->coords3D[i], FetchCentroidOf3DFace(primal, i))), 0, 1e-12) << what;
    ExpectClosedAndOriented(dual, what);
}

TEST(Duals, TetrahedronCubeAndOctahedron) {
    for (int64_t code : {16, 18, 19, 9, 17}) {
        PolyPtr primal = BuildSolid(code), dual = MakePoly(), back = MakePoly();
        ASSERT_TRUE(primal && dual && back);
        const std::string what = "code " + std::to_string(code);
        BuildDualFromPolyhedron_for_primal_dual(dual.get(), primal.get());
        ExpectDualOf(primal.get(), dual.get(), what);
        if (code == 17) ExpectAdmeshClosed(dual.get(), "dual of the icosahedron");
        // Counter-clockwise seen from outside: each face's normal points away from the centre.
        for (int64_t f = 0; f < dual->faceCount3D; ++f) EXPECT_GT(Dot(Normal(dual.get(), f), V(dual.get(), f, 0)), 0);
        // The dual of the dual is the primal, face for face and corner order kept.
        BuildDualFromPolyhedron_for_primal_dual(back.get(), dual.get());
        ASSERT_EQ(back->faceCount3D, primal->faceCount3D) << what;
        for (int64_t f = 0; f < back->faceCount3D; ++f)
            EXPECT_TRUE(SameCycle(Cycle(back.get(), f), Cycle(primal.get(), f))) << what << " face " << f;
    }
    // The cube's dual is an octahedron: 8 triangles, 4 at every corner.
    PolyPtr cube = BuildSolid(18), octa = MakePoly();
    ASSERT_TRUE(cube && octa);
    BuildDualFromPolyhedron_for_primal_dual(octa.get(), cube.get());
    for (int64_t f = 0; f < octa->faceCount3D; ++f) EXPECT_EQ(octa->face3D[f].count, 3);
    for (int64_t v = 0; v < octa->vertexCount3D; ++v) EXPECT_EQ(FacesAt(octa.get(), v).size(), 4u);
}

// A vertex no face uses is dropped first, so dual face v still stands for
// primal vertex v and no slot is left unwritten.
TEST(Duals, AnUnusedVertexIsDroppedFirst) {
    PolyPtr tetra = BuildSolid(16), primal = MakePoly(), dual = MakePoly();
    ASSERT_TRUE(tetra && primal && dual && getPolyStorageEtc(primal.get()));
    AddNew3DDVertToPolyhedron(primal.get(), triplex{5, 5, 5});  // vertex 0, used by no face
    for (int64_t f = 0; f < tetra->faceCount3D; ++f) {
        int64_t list[3];
        for (int k = 0; k < 3; ++k) list[k] = AddNew3DDVertToPolyhedron(primal.get(), V(tetra.get(), f, k));
        Add3DFaceToPolyhedron_macro(primal.get(), list, 3, -1, 1, 0, 0, -1, -1, -1);
    }
    Calc3DAngles(primal.get());
    Build3DConnectivity(primal.get());
    ASSERT_EQ(primal->vertexCount3D, 5);
    BuildDualFromPolyhedron_for_primal_dual(dual.get(), primal.get());
    EXPECT_EQ(primal->vertexCount3D, 4);
    ExpectDualOf(primal.get(), dual.get(), "tetrahedron with a stray vertex");
}

// One dual vertex per primal face: a primal of more faces than the vertex
// store holds is refused with status 5, the target left empty.
TEST(Duals, APrimalOfTooManyFacesIsRefused) {
    PolyPtr ico = BuildSolid(17), primal = MakePoly(), dual = MakePoly();
    ASSERT_TRUE(ico && primal && dual && getPolyStorageEtc(primal.get()));
    for (int64_t f = 0; f < ico->faceCount3D; ++f) geodesate_one_face(ico.get(), primal.get(), 26, f);
    ASSERT_EQ(primal->faceCount3D, 20 * 26 * 26);
    ASSERT_GT(primal->faceCount3D, kMax3DVertices);
    BuildDualFromPolyhedron_for_primal_dual(dual.get(), primal.get());
    EXPECT_EQ(dual->status, kPolyStatus3DVertexTableFull);
    EXPECT_EQ(dual->vertexCount3D, 0);
    EXPECT_EQ(dual->faceCount3D, 0);
}

TEST(Duals, SitePointsAndVisitedMarks) {
    PolyPtr cube = BuildSolid(18);
    ASSERT_TRUE(cube);
    CopyStandardFaceInfoIntoVoronoiStructures(cube.get(), 1);
    for (int64_t f = 0; f < 6; ++f) {
        EXPECT_NEAR(Len(cube->face3D[f].sitePoint), 1, 1e-12);
        EXPECT_NEAR(Len(Tsub(cube->face3D[f].sitePoint, Tnormalize(FetchCentroidOf3DFace(cube.get(), f)))), 0, 1e-12);
        EXPECT_EQ(cube->face3D[f].siteLabel, -1);
    }
    CopyStandardFaceInfoIntoVoronoiStructures(cube.get(), 0);
    // Half the edge from the centre.
    const double half = Len(Tsub(V(cube.get(), 0, 0), V(cube.get(), 0, 1))) / 2;
    for (int64_t f = 0; f < 6; ++f) EXPECT_NEAR(Len(cube->face3D[f].sitePoint), half, 1e-12);
    cube->face3D[2].visited[3] = 1;
    PreparePolyForDualizing(cube.get());
    EXPECT_EQ(cube->face3D[2].visited[3], 0);
}

// The site dual's walk: once round each vertex, the site points of the
// faces there, neighbouring sites closer than the tolerance as one.
TEST(Duals, SitesCollectedRoundEachVertexOnce) {
    PolyPtr cube = BuildSolid(18);
    ASSERT_TRUE(cube);
    CopyStandardFaceInfoIntoVoronoiStructures(cube.get(), 1);
    PreparePolyForDualizing(cube.get());
    HALFSPACE list;
    InitEmptyList(&list);
    int walks = 0;
    for (int64_t f = 0; f < cube->faceCount3D; ++f)
        for (int64_t c = 0; c < 4; ++c) {
            if (cube->face3D[f].visited[c]) continue;
            ASSERT_EQ(CollectSitesRoundVertex(cube.get(), f, c, &list, 0.002), 3);
            ++walks;
            // The vertex at the end of the edge: its three faces' unit normals.
            const int64_t b = cube->face3D[f].vertex[(c + 1) % 4];
            const std::set<int64_t> faces = FacesAt(cube.get(), b);
            ASSERT_EQ(GetElementCount(&list), 3);
            for (const HALFSPACE* n = list.next; n != &list; n = n->next) {
                bool found = false;
                for (int64_t g : faces) found = found || Len(Tsub(n->point, cube->face3D[g].sitePoint)) < 1e-12;
                EXPECT_TRUE(found) << "walk " << walks;
                EXPECT_NEAR(Len(n->point), 1, 1e-12);
            }
            DisposeListExceptForHead(&list);
        }
    EXPECT_EQ(walks, 8);
    for (int64_t f = 0; f < cube->faceCount3D; ++f)
        for (int64_t c = 0; c < 4; ++c) EXPECT_EQ(cube->face3D[f].visited[c], 1);
    // Two neighbouring site points closer than 0.002 become one corner.
    PreparePolyForDualizing(cube.get());
    const int64_t g = cube->face3D[0].neighbour[0];
    cube->face3D[g].sitePoint = Tadd(cube->face3D[0].sitePoint, triplex{0.001, 0, 0});
    EXPECT_EQ(CollectSitesRoundVertex(cube.get(), 0, 0, &list, 0.002), 3);
    EXPECT_EQ(GetElementCount(&list), 2);
    DisposeListExceptForHead(&list);
}

}  // namespace
