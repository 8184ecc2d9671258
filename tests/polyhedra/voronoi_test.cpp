// Voronoi cells on the sphere, the point-list face writer and the small CSG
// kernel, checked against brute force and qconvex.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <random>
#include <sstream>

#include "common/halfspace.h"
#include "polyhedra/baby_csg.h"
#include "polyhedra/face_geometry.h"
#include "polyhedra/face_links.h"
#include "polyhedra/solid_support.h"
#include "polyhedra/voronoi_cells.h"
#include "polyhedra/voronoi_sites.h"
#include "tests/polyhedra/poly_fixture.h"
#include "tests/polyhedra/solid_checks.h"

namespace {

using solid_checks::Cross;
using solid_checks::Dot;
using solid_checks::Len;

struct List {
    HALFSPACE head;
    List() { InitEmptyList(&head); }
    ~List() { DisposeListExceptForHead(&head); }
    List(const List&) = delete;
    List& operator=(const List&) = delete;
};

std::vector<triplex> RandomUnitPoints(int n, unsigned seed) {
    std::mt19937 rng(seed);
    std::normal_distribution<double> g;
    std::vector<triplex> pts;
    while (int(pts.size()) < n) {
        const triplex p = UnitOrUp({g(rng), g(rng), g(rng)});
        bool near = false;
        for (const triplex& q : pts) near = near || Tdistance(p, q) < 0.05;
        if (!near) pts.push_back(p);
    }
    return pts;
}

std::vector<triplex> IcosahedronVertices() {
    const double t = (1 + std::sqrt(5.0)) / 2;
    std::vector<triplex> v;
    for (double a : {-1.0, 1.0})
        for (double b : {-t, t}) {
            v.push_back(UnitOrUp({0, a, b}));
            v.push_back(UnitOrUp({a, b, 0}));
            v.push_back(UnitOrUp({b, 0, a}));
        }
    return v;
}

void FillSites(List& l, const std::vector<triplex>& pts) {
    // Inserted after the head: add backwards so the list runs in the given order, ids 0..n-1.
    for (int i = int(pts.size()) - 1; i >= 0; --i) ASSERT_TRUE(AddSiteToList(&l.head, pts[size_t(i)], i, 0.002));
}

VoronoiHandlingOptions Options() {
    VoronoiHandlingOptions o{};
    GetDefaultVoronoiHandlingOptions(&o);
    return o;
}

// The spherical Voronoi vertices of site i by brute force: circumcentres of
// site triples holding i that no site lies nearer to.
std::vector<triplex> BruteForceCorners(const std::vector<triplex>& s, size_t i) {
    std::vector<triplex> out;
    for (size_t j = 0; j < s.size(); ++j)
        for (size_t k = j + 1; k < s.size(); ++k) {
            if (j == i || k == i) continue;
            triplex c = UnitOrUp(Cross(Tsub(s[j], s[i]), Tsub(s[k], s[i])));
            if (Dot(c, s[i]) < 0) c = Tnegative(c);
            const double mine = Dot(c, s[i]);
            bool nearer = false;
            for (const triplex& q : s) nearer = nearer || Dot(c, q) > mine + 1e-12;
            if (nearer) continue;
            bool listed = false;
            for (const triplex& q : out) listed = listed || Tdistance(q, c) < 1e-9;
            if (!listed) out.push_back(c);
        }
    return out;
}

// Each point of a has one in b within the tolerance, and the other way.
void ExpectSameSets(const std::vector<triplex>& a, const std::vector<triplex>& b, double tol, const std::string& what) {
    EXPECT_EQ(a.size(), b.size()) << what;
    for (const triplex& p : a) {
        double best = 1e300;
        for (const triplex& q : b) best = std::min(best, Tdistance(p, q));
        EXPECT_LT(best, tol) << what << " (" << p.x << ", " << p.y << ", " << p.z << ")";
    }
    for (const triplex& p : b) {
        double best = 1e300;
        for (const triplex& q : a) best = std::min(best, Tdistance(p, q));
        EXPECT_LT(best, tol) << what;
    }
}

std::vector<triplex> CellDirections(HALFSPACE* site, HALFSPACE* sites, VoronoiHandlingOptions* o) {
    List face;
    Build_one_vface_driver(site, sites, &face.head, o);
    std::vector<triplex> out;
    for (HALFSPACE* n = face.head.next; n != &face.head; n = n->next) out.push_back(UnitOrUp(n->point));
    return out;
}

TEST(VoronoiCells, CornersAreTheBruteForceVoronoiVerticesWhateverTheOrder) {
    for (unsigned seed : {1u, 2u, 3u}) {
        const std::vector<triplex> pts = RandomUnitPoints(40, seed);
        List sites;
        FillSites(sites, pts);
        VoronoiHandlingOptions o = Options();
        // Exact corners: no two merged.
        o.mergeDistance = 1e-9;
        size_t i = 0;
        for (HALFSPACE* s = sites.head.next; s != &sites.head; s = s->next, ++i) {
            reset_node(s);
            const std::vector<triplex> cell = CellDirections(s, &sites.head, &o);
            ExpectSameSets(cell, BruteForceCorners(pts, i), 1e-9, "seed " + std::to_string(seed));
            // Hints put far sites first: the cell stays the same.
            s->userLinks[0] = reinterpret_cast<int64_t>(sites.head.prev);
            s->userLinks[1] = reinterpret_cast<int64_t>(sites.head.prev->prev);
            ExpectSameSets(CellDirections(s, &sites.head, &o), cell, 1e-9, "hinted");
            reset_node(s);
        }
    }
}

// Corners of every pattern's cells: no site nearer than the cell's own and
// at least three sites at that distance.
TEST(VoronoiCells, PatternCellsCornersAreEquidistantFromThreeNearestSites) {
    struct Pattern {
        const char* name;
        void (*lay)(HALFSPACE*, VoronoiHandlingOptions*);
    } patterns[] = {
        {"rind", [](HALFSPACE* s, VoronoiHandlingOptions* o) { Build_voronoi_sites_rind(s, o, 2.0, 0.5); }},
        {"baseball", [](HALFSPACE* s, VoronoiHandlingOptions* o) { Build_voronoi_sites_baseball(s, o); }},
        {"gores", [](HALFSPACE* s, VoronoiHandlingOptions* o) {
             crap_Build_voronoi_sites_globegores(s, o, 30, 3, 2, -2.0, -0.8, 0.3);
         }},
        {"curvy cube", [](HALFSPACE* s, VoronoiHandlingOptions* o) { Build_voronoi_sites_curvycube(s, o); }},
        {"truchet cube", [](HALFSPACE* s, VoronoiHandlingOptions* o) {
             o->patternCode = 560;
             Build_voronoi_sites_truchet_cube(s, o, 12);
         }},
        {"truchet arcs on the octahedron", [](HALFSPACE* s, VoronoiHandlingOptions* o) {
             PolyPtr base = MakePoly();
             ASSERT_TRUE(BuildBaseSolid(base.get(), 19));
             o->patternCode = 393378737;
             Build_voronoi_sites_truchet_polyhedron(s, o, 12, base.get());
         }},
        {"truchet donut", [](HALFSPACE* s, VoronoiHandlingOptions* o) {
             PolyPtr cube = MakePoly();
             ASSERT_TRUE(BuildBaseSolid(cube.get(), 18));
             o->patternCode = 73649096;
             Build_voronoi_sites_truchet_donut_on_cube(s, o, 12, cube.get());
         }},
    };
    for (const Pattern& p : patterns) {
        List sites;
        VoronoiHandlingOptions o = Options();
        p.lay(&sites.head, &o);
        // Exact corners: none merged, none kept within a tolerance.
        o.mergeDistance = 1e-9;
        o.planeTolerance = 1e-13;
        std::vector<triplex> pts;
        for (HALFSPACE* s = sites.head.next; s != &sites.head; s = s->next) {
            reset_node(s);
            pts.push_back(s->point);
        }
        // The cell lies in the site's plane: its corners are as near the
        // site as the nearest other sites, three at least (the patterns'
        // sites stand off the unit sphere by rounding, so distances, not
        // angles).
        int64_t corners = 0;
        for (HALFSPACE* s = sites.head.next; s != &sites.head; s = s->next) {
            List face;
            Build_one_vface_driver(s, &sites.head, &face.head, &o);
            ASSERT_GE(GetElementCount(&face.head), 3) << p.name;
            for (HALFSPACE* n = face.head.next; n != &face.head; n = n->next) {
                const triplex c = n->point;
                double best = 1e300;
                for (const triplex& q : pts) best = std::min(best, Tdistance(c, q));
                int ties = 0;
                for (const triplex& q : pts) ties += Tdistance(c, q) < best + 1e-7;
                EXPECT_LT(Tdistance(c, s->point) - best, 1e-9) << p.name;
                EXPECT_GE(ties, 3) << p.name;
                ++corners;
            }
        }
        EXPECT_GT(corners, 0) << p.name;
    }
}

TEST(VoronoiCells, IcosahedronSitesGiveADodecahedronAsFansOrWholeFaces) {
    for (uint8_t whole : {0, 1}) {
        List sites;
        FillSites(sites, IcosahedronVertices());
        VoronoiHandlingOptions o = Options();
        o.wholeFaces = whole;
        PolyPtr p = MakePoly();
        ASSERT_TRUE(getPolyStorageEtc(p.get()));
        make_poly_from_voronoi_sites(p.get(), 0, &o, &sites.head, nullptr);
        Calc3DAngles(p.get());
        Build3DConnectivity(p.get());
        EXPECT_EQ(p->status, kPolyStatusGood);
        EXPECT_EQ(p->vertexCount3D, 20);
        EXPECT_EQ(p->faceCount3D, whole ? 12 : 36);
        solid_checks::ExpectClosedAndOriented(p.get(), "dodecahedron");
        // Corners of the regular dodecahedron about the unit sphere: the
        // reciprocals of the unit icosahedron's inradius.
        const double R = 1.0 / std::sqrt((5.0 + 2.0 * std::sqrt(5.0)) / 15.0);
        for (int64_t v = 0; v < p->vertexCount3D; ++v) EXPECT_NEAR(Len(p->coords3D[v]), R, 1e-9);
        for (int64_t f = 0; f < p->faceCount3D; ++f) {
            EXPECT_GE(p->face3D[f].siteLabel, 0);
            EXPECT_GT(Dot(solid_checks::Normal(p.get(), f), p->face3D[f].sitePoint), 0.999);
        }
    }
}

TEST(VoronoiCells, WriterOrdersShavesAndChoosesFaceOrFan) {
    // A ring given in scrambled order comes out counter-clockwise from outside.
    auto ring = [](int n, double z) {
        std::vector<triplex> pts;
        for (int k = 0; k < n; ++k) {
            const double a = 2 * M_PI * k / n;
            pts.push_back({std::cos(a), std::sin(a), z});
        }
        return pts;
    };
    struct Case {
        int n;
        uint8_t whole, shave;
        int64_t faces;
    } cases[] = {{3, 1, 0, 1}, {5, 0, 0, 3}, {5, 1, 0, 1}, {10, 1, 0, 1}, {11, 1, 0, 9}, {3, 0, 1, 1}};
    for (const Case& c : cases) {
        std::vector<triplex> pts = ring(c.n, 3.0);
        std::mt19937 rng(c.n);
        std::shuffle(pts.begin(), pts.end(), rng);
        List face;
        for (const triplex& q : pts) AddPointToEndOfList(q, &face.head, 0);
        HALFSPACE owner{};
        owner.point = {0, 0, 1};
        owner.id = 77;
        owner.userTag = 4;
        VoronoiHandlingOptions o = Options();
        o.wholeFaces = c.whole;
        o.shave = c.shave;
        PolyPtr p = MakePoly();
        ASSERT_TRUE(getPolyStorageEtc(p.get()));
        DumpPointListIntoPolyhedron(&face.head, &owner, p.get(), &o);
        ASSERT_EQ(p->faceCount3D, c.faces) << c.n;
        for (int64_t f = 0; f < p->faceCount3D; ++f) {
            EXPECT_GT(solid_checks::Normal(p.get(), f).z, 0.99) << c.n;
            EXPECT_EQ(p->face3D[f].siteLabel, 77);
            EXPECT_EQ(Tdistance(p->face3D[f].sitePoint, {0, 0, 1}), 0.0);
        }
    }
    // A nearly straight corner is shaved off as its own triangle.
    List face;
    for (const triplex& q : std::vector<triplex>{{1, 0, 3}, {0, 1, 3}, {-1, 0, 3}, {-0.5, -0.49, 3}, {0, -1, 3}})
        AddPointToEndOfList(q, &face.head, 0);
    VoronoiHandlingOptions o = Options();
    o.shave = 1;
    o.wholeFaces = 1;
    PolyPtr p = MakePoly();
    ASSERT_TRUE(getPolyStorageEtc(p.get()));
    DumpPointListIntoPolyhedron(&face.head, nullptr, p.get(), &o);
    ASSERT_EQ(p->faceCount3D, 2);
    EXPECT_EQ(p->face3D[0].count, 3);
    EXPECT_EQ(p->face3D[0].option[0], 1);  // the shaved triangle's marker
    EXPECT_EQ(p->face3D[1].count, 4);
    EXPECT_EQ(p->face3D[1].siteLabel, -1);
}

TEST(VoronoiCells, ASiteWithNoCellFailsTheBuild) {
    // Sites within the merge distance of each other are one site; two that
    // stand on one point anyway have no cell.
    List sites;
    ASSERT_TRUE(AddSiteToList(&sites.head, {0, 0, 1}, 0, 0.002));
    EXPECT_EQ(AddSiteToList(&sites.head, {0, 0.001, 0.9999995}, 1, 0.002), nullptr);
    List merged;
    AddSiteToList(&merged.head, {1, 0, 0}, 0, 0.0);
    AddSiteToList(&merged.head, {1, 0, 0}, 1, 0.0);
    VoronoiHandlingOptions o = Options();
    PolyPtr p = MakePoly();
    ASSERT_TRUE(getPolyStorageEtc(p.get()));
    make_poly_from_voronoi_sites(p.get(), 0, &o, &merged.head, nullptr);
    EXPECT_EQ(p->status, kPolyStatusEmptyCell);
}

// ---- the CSG kernel ----

// qconvex's facets n·x + offset = 0 of the points, as polar points n / -offset.
std::vector<triplex> QconvexPolarPoints(const std::vector<triplex>& pts) {
    std::vector<triplex> out;
    if (!solid_checks::Have("qconvex")) return out;
    std::istringstream in(solid_checks::Qconvex(pts, "n"));
    int dim = 0, count = 0;
    in >> dim >> count;
    for (int i = 0; i < count; ++i) {
        double a, b, c, d;
        in >> a >> b >> c >> d;
        out.push_back(Tscale(triplex{a, b, c}, -1.0 / d));
    }
    return out;
}

std::vector<triplex> VerticesOf(const polyhedron* p) {
    return std::vector<triplex>(p->coords3D, p->coords3D + p->vertexCount3D);
}

TEST(BabyCSG, TangentPlaneSolidHasTheQhullPolarPointsAsVertices) {
    if (!solid_checks::Have("qconvex")) GTEST_SKIP() << "qconvex missing";
    std::vector<std::vector<triplex>> sets = {IcosahedronVertices(), RandomUnitPoints(30, 7), RandomUnitPoints(60, 8)};
    for (size_t k = 0; k < sets.size(); ++k) {
        List sites;
        FillSites(sites, sets[k]);
        VoronoiHandlingOptions o = Options();
        // Whole faces merge their corners at 0.002 whatever the options say:
        // the random sets go as fans at a merge distance that keeps every corner.
        o.wholeFaces = k == 0;
        o.mergeDistance = 1e-9;
        PolyPtr p = MakePoly();
        make_poly_from_voronoi_sites_via_CSG(p.get(), 0, &o, &sites.head);
        EXPECT_EQ(p->status, kPolyStatusGood);
        solid_checks::ExpectClosedAndOriented(p.get(), "csg " + std::to_string(k));
        ExpectSameSets(VerticesOf(p.get()), QconvexPolarPoints(sets[k]), 1e-9, "set " + std::to_string(k));
        // Each face lies in its site's tangent plane and remembers it.
        for (int64_t f = 0; f < p->faceCount3D; ++f) {
            const PolyFace3D& face = p->face3D[f];
            ASSERT_GE(face.siteLabel, 0);
            EXPECT_LT(Tdistance(face.sitePoint, sets[k][size_t(face.siteLabel)]), 1e-15);
            for (int64_t c = 0; c < face.count; ++c)
                EXPECT_NEAR(Dot(solid_checks::V(p.get(), f, c), face.sitePoint), 1.0, 1e-9);
        }
        if (k == 0) {
            EXPECT_EQ(p->faceCount3D, 12);
            for (int64_t f = 0; f < p->faceCount3D; ++f) EXPECT_EQ(p->face3D[f].count, 5);
        }
        // The cell-by-cell solid is the same solid.
        List again;
        FillSites(again, sets[k]);
        PolyPtr q = MakePoly();
        ASSERT_TRUE(getPolyStorageEtc(q.get()));
        make_poly_from_voronoi_sites(q.get(), 0, &o, &again.head, nullptr);
        ExpectSameSets(VerticesOf(q.get()), VerticesOf(p.get()), 1e-9, "cells against csg");
    }
}

TEST(BabyCSG, PlanesMissingOrTouchingChangeNothing) {
    List sites;
    FillSites(sites, IcosahedronVertices());
    VoronoiHandlingOptions o = Options();
    BabyCSG* csg = createBabyCSG(&o);
    ASSERT_TRUE(csg);
    for (HALFSPACE* s = sites.head.next; s != &sites.head; s = s->next) reset_node(s);
    SlicePlanesAway(csg, &sites.head);
    const std::vector<BabyCSGFace> before = csg->faces;
    ASSERT_EQ(before.size(), 12u);
    // A plane far out, and one through a vertex of the solid.
    const triplex corner = before[0].points[0];
    HALFSPACE far{}, touching{};
    BuildPlane(&far.plane, 0, 0, 1, -5);
    const triplex n = UnitOrUp(corner);
    BuildPlane(&touching.plane, n.x, n.y, n.z, -Len(corner));
    for (HALFSPACE* cut : {&far, &touching}) {
        SliceOnePlaneAway(csg, cut);
        ASSERT_EQ(csg->faces.size(), before.size());
        for (size_t f = 0; f < before.size(); ++f) {
            ASSERT_EQ(csg->faces[f].points.size(), before[f].points.size());
            for (size_t i = 0; i < before[f].points.size(); ++i)
                EXPECT_LT(Tdistance(csg->faces[f].points[i], before[f].points[i]), 1e-12);
        }
    }
    // A plane cutting one corner off adds one capping triangle remembering it.
    HALFSPACE chop{};
    BuildPlane(&chop.plane, n.x, n.y, n.z, -0.99 * Len(corner));
    chop.point = {1, 2, 3};
    chop.id = 99;
    SliceOnePlaneAway(csg, &chop);
    ASSERT_EQ(csg->faces.size(), 13u);
    EXPECT_TRUE(csg->faces.back().capped);
    EXPECT_EQ(csg->faces.back().siteId, 99);
    EXPECT_EQ(csg->faces.back().points.size(), 3u);
    destroyBabyCSG(&csg);
}

}  // namespace
