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
#include "polyhedra/voronoi_cells.h"
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

// Each face's site point its centroid (on the unit sphere when asked), its
// site id -1.
void GiveFacesCentroidSites(polyhedron* p, bool unit) {
    for (int64_t f = 0; f < p->faceCount3D; ++f) {
        const triplex c = FetchCentroidOf3DFace(p, f);
        p->face3D[f].sitePoint = unit ? Tnormalize(c) : c;
        p->face3D[f].siteLabel = -1;
    }
}

// The site dual of a primal whose faces carry their centroids as sites, as
// the Truchet duals build theirs: the faces, then measured and linked.
void SiteDualOfCentroids(polyhedron* primal, polyhedron* target, const VoronoiHandlingOptions& o, bool unit) {
    ASSERT_TRUE(getPolyStorageEtc(target));
    GiveFacesCentroidSites(primal, unit);
    PreparePolyForDualizing(primal);
    ASSERT_TRUE(BuildSiteDualFaces(primal, target, &o));
    Calc3DAngles(target);
    Build3DConnectivity(target);
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

TEST(Duals, PreparingClearsTheVisitedMarks) {
    PolyPtr cube = BuildSolid(18);
    ASSERT_TRUE(cube);
    cube->face3D[2].visited[3] = 1;
    PreparePolyForDualizing(cube.get());
    EXPECT_EQ(cube->face3D[2].visited[3], 0);
}

// The site dual's walk: once round each vertex, the site points of the
// faces there, neighbouring sites closer than the tolerance as one.
TEST(Duals, SitesCollectedRoundEachVertexOnce) {
    PolyPtr cube = BuildSolid(18);
    ASSERT_TRUE(cube);
    GiveFacesCentroidSites(cube.get(), true);
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

// The site dual: each vertex a face whose corners are the site points of the
// faces round it. With faces of up to 10 corners kept whole, V* = F and
// F* = V, each dual face as many corners as its vertex has faces, and the
// dual of the dual is the primal again: its vertex at primal vertex v (the
// site point of the dual face that stands for v) and its faces the primal's.
TEST(Duals, SiteDualCountsAndTheDualOfTheDual) {
    VoronoiHandlingOptions whole{};
    GetDefaultVoronoiHandlingOptions(&whole);
    whole.wholeFaces = 1;
    for (int64_t code : {16, 18, 19, 9, 17}) {
        PolyPtr primal = BuildSolid(code), dual = MakePoly(), back = MakePoly();
        ASSERT_TRUE(primal && dual && back);
        const std::string what = "code " + std::to_string(code);
        SiteDualOfCentroids(primal.get(), dual.get(), whole, true);
        ASSERT_EQ(dual->status, kPolyStatusGood) << what;
        EXPECT_EQ(dual->vertexCount3D, primal->faceCount3D) << what;
        EXPECT_EQ(dual->faceCount3D, primal->vertexCount3D) << what;
        ExpectClosedAndOriented(dual.get(), what);
        for (int64_t v = 0; v < dual->vertexCount3D; ++v) EXPECT_NEAR(Len(dual->coords3D[v]), 1, 1e-12) << what;
        // Dual face of vertex p: as many corners as faces at p, each the
        // unit centroid of one of them.
        for (int64_t f = 0; f < dual->faceCount3D; ++f) {
            int64_t p = -1;
            for (int64_t v = 0; v < primal->vertexCount3D; ++v)
                if (Len(Tsub(primal->coords3D[v], dual->face3D[f].sitePoint)) < 1e-12) p = v;
            ASSERT_GE(p, 0) << what;
            const std::set<int64_t> faces = FacesAt(primal.get(), p);
            ASSERT_EQ(size_t(dual->face3D[f].count), faces.size()) << what;
            for (int64_t k = 0; k < dual->face3D[f].count; ++k) {
                bool found = false;
                for (int64_t g : faces)
                    found = found || Len(Tsub(V(dual.get(), f, k), Tnormalize(FetchCentroidOf3DFace(primal.get(), g)))) < 1e-12;
                EXPECT_TRUE(found) << what << " face " << f;
            }
        }
        // The dual of the dual, keeping the dual's site points.
        ASSERT_TRUE(getPolyStorageEtc(back.get()));
        PreparePolyForDualizing(dual.get());
        ASSERT_TRUE(BuildSiteDualFaces(dual.get(), back.get(), &whole));
        Calc3DAngles(back.get());
        Build3DConnectivity(back.get());
        ASSERT_EQ(back->vertexCount3D, primal->vertexCount3D) << what;
        ASSERT_EQ(back->faceCount3D, primal->faceCount3D) << what;
        std::vector<int64_t> to(size_t(back->vertexCount3D), -1);
        for (int64_t v = 0; v < back->vertexCount3D; ++v)
            for (int64_t w = 0; w < primal->vertexCount3D; ++w)
                if (Len(Tsub(back->coords3D[v], primal->coords3D[w])) < 1e-9) to[size_t(v)] = w;
        std::set<std::vector<int64_t>> backFaces, primalFaces;
        auto Canonical = [](std::vector<int64_t> c) {
            std::rotate(c.begin(), std::min_element(c.begin(), c.end()), c.end());
            return c;
        };
        for (int64_t f = 0; f < back->faceCount3D; ++f) {
            std::vector<int64_t> c;
            for (int64_t k = 0; k < back->face3D[f].count; ++k) c.push_back(to[size_t(back->face3D[f].vertex[k])]);
            backFaces.insert(Canonical(c));
            primalFaces.insert(Canonical(Cycle(primal.get(), f)));
        }
        EXPECT_EQ(backFaces, primalFaces) << what;
    }
    // The cube's site dual is the regular octahedron: 8 triangles, 6 unit
    // vertices, 4 at each; without normalising its vertices lie at the face
    // centres, half the cube's edge from the centre.
    PolyPtr cube = BuildSolid(18), octa = MakePoly(), plain = MakePoly();
    ASSERT_TRUE(cube && octa && plain);
    VoronoiHandlingOptions triangles{};
    GetDefaultVoronoiHandlingOptions(&triangles);
    SiteDualOfCentroids(cube.get(), octa.get(), triangles, true);
    EXPECT_EQ(octa->faceCount3D, 8);
    EXPECT_EQ(octa->vertexCount3D, 6);
    for (int64_t v = 0; v < 6; ++v) EXPECT_EQ(FacesAt(octa.get(), v).size(), 4u);
    for (int64_t f = 0; f < 8; ++f)
        for (int k = 0; k < 3; ++k)
            EXPECT_NEAR(Len(Tsub(V(octa.get(), f, k), V(octa.get(), f, (k + 1) % 3))), std::sqrt(2.0), 1e-12);
    ExpectAdmeshClosed(octa.get(), "site dual of the cube");
    SiteDualOfCentroids(cube.get(), plain.get(), triangles, false);
    const double half = Len(Tsub(V(cube.get(), 0, 0), V(cube.get(), 0, 1))) / 2;
    for (int64_t v = 0; v < plain->vertexCount3D; ++v) EXPECT_NEAR(Len(plain->coords3D[v]), half, 1e-12);
    // Triangles only: the octahedron's dual is the cube as 12 triangles.
    PolyPtr fan = MakePoly();
    SiteDualOfCentroids(octa.get(), fan.get(), triangles, true);
    EXPECT_EQ(fan->faceCount3D, 12);
    EXPECT_EQ(fan->vertexCount3D, 8);
    ExpectClosedAndOriented(fan.get(), "cube of triangles");
}

// A vertex shared by 12 faces: its site-dual face has 12 corners, a fan of
// triangles since no face has more than 10.
TEST(Duals, TwelveFacesRoundOneVertex) {
    PolyPtr primal = MakePoly(), dual = MakePoly();
    ASSERT_TRUE(primal && dual && getPolyStorageEtc(primal.get()));
    const double kPi = 3.14159265358979323846;
    // A bipyramid of 12 sides: 24 triangles, the poles of valence 12.
    const int64_t north = AddNew3DDVertToPolyhedron(primal.get(), triplex{0, 1, 0});
    const int64_t south = AddNew3DDVertToPolyhedron(primal.get(), triplex{0, -1, 0});
    int64_t ring[12];
    for (int k = 0; k < 12; ++k)
        ring[k] = AddNew3DDVertToPolyhedron(primal.get(), triplex{std::sin(2 * kPi * k / 12), 0, std::cos(2 * kPi * k / 12)});
    for (int k = 0; k < 12; ++k) {
        const int64_t up[3] = {north, ring[k], ring[(k + 1) % 12]}, down[3] = {south, ring[(k + 1) % 12], ring[k]};
        Add3DFaceToPolyhedron_macro(primal.get(), up, 3, -1, 1, 0, 0, -1, -1, -1);
        Add3DFaceToPolyhedron_macro(primal.get(), down, 3, -1, 1, 0, 0, -1, -1, -1);
    }
    Calc3DAngles(primal.get());
    Build3DConnectivity(primal.get());
    ExpectClosedAndOriented(primal.get(), "bipyramid");
    VoronoiHandlingOptions whole{};
    GetDefaultVoronoiHandlingOptions(&whole);
    whole.wholeFaces = 1;
    SiteDualOfCentroids(primal.get(), dual.get(), whole, true);
    ASSERT_EQ(dual->status, kPolyStatusGood);
    // 12 squares at the ring, and each pole's 12 corners as 10 triangles.
    EXPECT_EQ(dual->vertexCount3D, 24);
    EXPECT_EQ(dual->faceCount3D, 12 + 2 * 10);
    int64_t poleTriangles = 0;
    for (int64_t f = 0; f < dual->faceCount3D; ++f)
        poleTriangles += std::fabs(std::fabs(dual->face3D[f].sitePoint.y) - 1) < 1e-12 && dual->face3D[f].count == 3;
    EXPECT_EQ(poleTriangles, 20);
    ExpectClosedAndOriented(dual.get(), "dual of the bipyramid");
}

}  // namespace
