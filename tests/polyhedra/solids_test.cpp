// Every built-in solid, built through the set-up with set-up mode 7, checked
// against things computed apart from the generator: closed and consistently
// oriented (our edge count and admesh reading an STL dump), V - E + F = 2,
// planar faces, qconvex's hull, edge lengths and dihedral angles in closed
// form, Catalan faces polar to Archimedean vertices, one crossing per ray
// from the centre, the mirror symmetry of the regular solids, and the
// cube's net where cube-map input samples.
#include <gtest/gtest.h>

#include <unistd.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "poly_fixture.h"
#include "solid_checks.h"
#include "polyhedra/poly_queries.h"
#include "projections/sphere_to_input.h"
#include "solids/shape_dispatch.h"

namespace {

using namespace solid_checks;

const double kPi = 3.14159265358979323846;
const double kPhi = (1 + std::sqrt(5.0)) / 2;

struct SolidCase {
    int64_t code;
    const char* name;
    int64_t faces;
    bool convex;
};

const SolidCase kSolids[] = {
    {16, "tetrahedron", 4, true},          {18, "cube", 6, true},
    {80, "cube without net", 6, true},     {19, "octahedron", 8, true},
    {9, "dodecahedron", 12, true},         {17, "icosahedron", 20, true},
    {23, "old icosahedron", 20, true},     {7, "cuboctahedron", 14, true},
    {1, "rhombicuboctahedron", 26, true},  {2, "truncated icosahedron", 32, true},
    {3, "icosidodecahedron", 32, true},    {4, "snub cube", 38, true},
    {6, "rhombicosidodecahedron", 62, true}, {0, "deltoidal icositetrahedron", 24, true},
    {12, "pentagonal icositetrahedron", 24, true}, {8, "rhombic triacontahedron", 30, true},
    {5, "deltoidal hexecontahedron", 60, true},
    {82, "rhombic hexecontahedron A", 60, false}, {83, "rhombic hexecontahedron B", 60, false},
    // Visible surfaces: each connected visible region of a face plane is a face.
    {13, "five tetrahedra", 60, false},    {20, "dodecadodecahedron", 72, false},
    {21, "great icosidodecahedron", 132, false},
    {305, "four cubes", 96, false},        // each cube face shows as 4 pieces
    {306, "small triambic icosahedron", 60, false},  // three triangles in each face plane
    {307, "five octahedra", 120, false},   // three triangles of each octahedron face
    // Each hexagon's plane shows a quadrilateral and a region of 23 corners,
    // the region cut into four faces of at most ten.
    {309, "medial hexagonal hexecontahedron", 300, false},
    {310, "rhombicosacron", 120, false},   // two pieces of each crossed quadrilateral
    // Waterman W5: 8 hexagons and 6 squares, each square split into four
    // triangles about its centre.
    {311, "Waterman W5", 32, true},
};

// Triangles of a planar face, counter-clockwise about its normal, by ear
// clipping (the visible-surface faces are not all convex).
std::vector<std::array<int64_t, 3>> Triangulate(const polyhedron* p, int64_t f) {
    const triplex n = Normal(p, f);
    const triplex u = Tnormalize(Tsub(V(p, f, 1), V(p, f, 0))), w = Cross(n, u);
    std::vector<int64_t> left;
    for (int64_t k = 0; k < p->face3D[f].count; ++k) left.push_back(k);
    auto at = [&](int64_t k) {
        const triplex q = V(p, f, k);
        return std::pair<double, double>{Dot(q, u), Dot(q, w)};
    };
    auto cross = [](std::pair<double, double> a, std::pair<double, double> b, std::pair<double, double> c) {
        return (b.first - a.first) * (c.second - a.second) - (b.second - a.second) * (c.first - a.first);
    };
    std::vector<std::array<int64_t, 3>> out;
    while (left.size() > 3) {
        bool cut = false;
        for (size_t i = 0; i < left.size() && !cut; ++i) {
            const int64_t a = left[(i + left.size() - 1) % left.size()], b = left[i], c = left[(i + 1) % left.size()];
            if (cross(at(a), at(b), at(c)) <= 1e-12) continue;
            bool empty = true;
            for (int64_t k : left) {
                if (k == a || k == b || k == c) continue;
                const auto q = at(k);
                if (cross(at(a), at(b), q) > -1e-12 && cross(at(b), at(c), q) > -1e-12 && cross(at(c), at(a), q) > -1e-12)
                    empty = false;
            }
            if (!empty) continue;
            out.push_back({a, b, c});
            left.erase(left.begin() + i);
            cut = true;
        }
        if (!cut) break;  // not a simple polygon: the checks below fail on it
    }
    if (left.size() == 3) out.push_back({left[0], left[1], left[2]});
    return out;
}

void WriteStl(const polyhedron* p, const std::string& path) {
    std::ofstream out(path);
    out.precision(17);
    out << "solid s\n";
    for (int64_t f = 0; f < p->faceCount3D; ++f)
        for (const auto& t : Triangulate(p, f)) {
            out << "facet normal 0 0 0\nouter loop\n";
            for (const triplex& q : {V(p, f, t[0]), V(p, f, t[1]), V(p, f, t[2])})
                out << "vertex " << q.x << " " << q.y << " " << q.z << "\n";
            out << "endloop\nendfacet\n";
        }
    out << "endsolid s\n";
}

class Solid : public ::testing::TestWithParam<SolidCase> {};

TEST_P(Solid, ClosedOrientedPlanarWithEulerCharacteristicTwo) {
    const SolidCase c = GetParam();
    PolyPtr p = BuildSolid(c.code);
    ASSERT_TRUE(p);
    ASSERT_EQ(p->status, kPolyStatusGood);
    EXPECT_EQ(p->faceCount3D, c.faces);
    std::map<std::pair<int64_t, int64_t>, int> directed;
    for (int64_t f = 0; f < p->faceCount3D; ++f) {
        const int64_t n = p->face3D[f].count;
        const triplex nrm = Normal(p.get(), f), c0 = V(p.get(), f, 0);
        for (int64_t k = 0; k < n; ++k) {
            ++directed[{p->face3D[f].vertex[k], p->face3D[f].vertex[(k + 1) % n]}];
            // Float face tables (codes from 305) hold single-precision corners.
            EXPECT_NEAR(Dot(Tsub(V(p.get(), f, k), c0), nrm), 0, c.code >= 305 ? 1e-6 : 1e-9)
                << "face " << f << " is not planar";
        }
        EXPECT_EQ(int64_t(Triangulate(p.get(), f).size()), n - 2) << "face " << f << " is not a simple polygon";
        // Counter-clockwise seen from outside: the normal points away from the centre.
        EXPECT_GT(Dot(nrm, FetchCentroidOf3DFace(p.get(), f)), 0) << f;
    }
    // Every edge is used once in each direction: closed and consistently oriented.
    for (const auto& [e, count] : directed) {
        EXPECT_EQ(count, 1);
        EXPECT_EQ(directed.count({e.second, e.first}), 1u);
    }
    const int64_t E = int64_t(directed.size()) / 2;
    EXPECT_EQ(p->vertexCount3D - E + p->faceCount3D, 2);
    EXPECT_GT(SignedVolume(p.get()), 0);
}

TEST_P(Solid, AdmeshReadsAClosedOrientedSolid) {
    if (!Have("admesh")) GTEST_SKIP() << "admesh is not installed";
    const SolidCase c = GetParam();
    PolyPtr p = BuildSolid(c.code);
    ASSERT_TRUE(p);
    const std::string path = TempPath("solid.stl");
    WriteStl(p.get(), path);
    const std::string report = RunCommand("admesh '" + path + "' 2>&1");
    std::remove(path.c_str());
    EXPECT_EQ(Field(report, "Number of parts"), 1) << report;
    EXPECT_EQ(Field(report, "Degenerate facets"), 0);
    EXPECT_EQ(Field(report, "Facets reversed"), 0);
    EXPECT_EQ(Field(report, "Backwards edges"), 0);
    EXPECT_EQ(Field(report, "Edges fixed"), 0);
    EXPECT_EQ(Field(report, "Total disconnected facets"), 0);
    EXPECT_NEAR(Field(report, "Volume"), SignedVolume(p.get()), 1e-4 * SignedVolume(p.get()));
}

TEST_P(Solid, ConvexSolidsEqualQconvexHull) {
    const SolidCase c = GetParam();
    if (!c.convex) GTEST_SKIP() << "not convex";
    if (!Have("qconvex")) GTEST_SKIP() << "qconvex is not installed";
    PolyPtr p = BuildSolid(c.code);
    ASSERT_TRUE(p);
    std::string input = "3\n" + std::to_string(p->vertexCount3D) + "\n";
    char line[128];
    for (int64_t v = 0; v < p->vertexCount3D; ++v) {
        std::snprintf(line, sizeof line, "%.17g %.17g %.17g\n", p->coords3D[v].x, p->coords3D[v].y, p->coords3D[v].z);
        input += line;
    }
    const std::string path = TempPath("points.txt");
    std::ofstream(path) << input;
    const std::string report = RunCommand("qconvex s FA < '" + path + "' 2>&1");
    std::remove(path.c_str());
    // Coplanar faces (the split squares of W5) count as one facet of the hull.
    std::vector<triplex> planes;
    for (int64_t f = 0; f < p->faceCount3D; ++f) {
        const triplex n = Normal(p.get(), f);
        bool seen = false;
        for (const triplex& q : planes) seen = seen || Len(Tsub(q, n)) < 1e-9;
        if (!seen) planes.push_back(n);
        // A supporting plane: no vertex outside it.
        const double d = Dot(n, V(p.get(), f, 0));
        for (int64_t v = 0; v < p->vertexCount3D; ++v) EXPECT_LE(Dot(n, p->coords3D[v]), d + 1e-9);
    }
    EXPECT_EQ(Field(report, "Number of facets"), double(planes.size())) << report;
    // Merged (non-simplicial) hulls report an "Approximate volume".
    double volume = Field(report, "Total volume");
    if (std::isnan(volume)) volume = Field(report, "Approximate volume");
    EXPECT_NEAR(volume, SignedVolume(p.get()), 1e-7 * SignedVolume(p.get()));
}

TEST_P(Solid, EachRayFromTheCentreMeetsTheSurfaceOnce) {
    const SolidCase c = GetParam();
    PolyPtr p = BuildSolid(c.code);
    ASSERT_TRUE(p);
    std::mt19937 rng(11);
    std::normal_distribution<double> g;
    for (int ray = 0; ray < 500; ++ray) {
        const triplex d = Tnormalize(triplex{g(rng), g(rng), g(rng)});
        int hits = 0;
        for (int64_t f = 0; f < p->faceCount3D; ++f)
            for (const auto& t : Triangulate(p.get(), f)) {
                const triplex a = V(p.get(), f, t[0]), b = V(p.get(), f, t[1]), e = V(p.get(), f, t[2]);
                // The ray crosses the triangle when it lies inside the cone of its corners
                // (a triangle facing the centre has a negative triple product and never counts).
                const double s1 = Dot(d, Cross(a, b)), s2 = Dot(d, Cross(b, e)), s3 = Dot(d, Cross(e, a));
                if (s1 > 0 && s2 > 0 && s3 > 0) ++hits;
            }
        ASSERT_EQ(hits, 1) << "ray " << ray;
    }
}

INSTANTIATE_TEST_SUITE_P(BuiltIn, Solid, ::testing::ValuesIn(kSolids),
                         [](const auto& info) { return "code" + std::to_string(info.param.code); });

// Edge lengths and dihedral angles, grouped by the face sizes on each side.
struct Measures {
    std::set<long> edgeLengths;  // in millionths
    std::map<std::pair<int64_t, int64_t>, std::set<long>> dihedrals;  // face sizes -> angles in micro-radians
    double circumradius = 0;
};

Measures Measure(const polyhedron* p) {
    Measures m;
    std::map<std::pair<int64_t, int64_t>, int64_t> faceOf;
    for (int64_t f = 0; f < p->faceCount3D; ++f)
        for (int64_t k = 0; k < p->face3D[f].count; ++k)
            faceOf[{p->face3D[f].vertex[k], p->face3D[f].vertex[(k + 1) % p->face3D[f].count]}] = f;
    for (const auto& [e, f] : faceOf) {
        const int64_t g = faceOf.at({e.second, e.first});
        m.edgeLengths.insert(std::lround(1e6 * Len(Tsub(p->coords3D[e.first], p->coords3D[e.second]))));
        const double angle = kPi - std::acos(std::fmax(-1.0, std::fmin(1.0, Dot(Normal(p, f), Normal(p, g)))));
        const int64_t a = p->face3D[f].count, b = p->face3D[g].count;
        m.dihedrals[{std::min(a, b), std::max(a, b)}].insert(std::lround(1e6 * angle));
    }
    for (int64_t v = 0; v < p->vertexCount3D; ++v) m.circumradius = std::fmax(m.circumradius, Len(p->coords3D[v]));
    return m;
}

void ExpectAngle(const Measures& m, int64_t a, int64_t b, double expected, const char* what) {
    auto it = m.dihedrals.find({a, b});
    ASSERT_NE(it, m.dihedrals.end()) << what;
    for (long micro : it->second) EXPECT_NEAR(micro * 1e-6, expected, 2e-6) << what << " " << a << "-" << b;
}

TEST(Solids, EdgesAndDihedralsMatchClosedForms) {
    const double tribonacci =
        (1 + std::cbrt(19 + 3 * std::sqrt(33.0)) + std::cbrt(19 - 3 * std::sqrt(33.0))) / 3;
    struct Case {
        int64_t code;
        double circumradiusOverEdge;
        std::vector<std::tuple<int, int, double>> dihedrals;
    } cases[] = {
        {16, std::sqrt(6.0) / 4, {{3, 3, std::acos(1.0 / 3)}}},
        {18, std::sqrt(3.0) / 2, {{4, 4, kPi / 2}}},
        {19, std::sqrt(2.0) / 2, {{3, 3, std::acos(-1.0 / 3)}}},
        {9, std::sqrt(3.0) * kPhi / 2, {{5, 5, std::acos(-1 / std::sqrt(5.0))}}},
        {17, std::sin(2 * kPi / 5), {{3, 3, std::acos(-std::sqrt(5.0) / 3)}}},
        {7, 1, {{3, 4, std::acos(-1 / std::sqrt(3.0))}}},
        {1, std::sqrt(5 + 2 * std::sqrt(2.0)) / 2, {{4, 4, 3 * kPi / 4}, {3, 4, std::acos(-std::sqrt(2.0 / 3))}}},
        {2, std::sqrt(58 + 18 * std::sqrt(5.0)) / 4,
         {{6, 6, std::acos(-std::sqrt(5.0) / 3)}, {5, 6, std::acos(-std::sqrt((5 + 2 * std::sqrt(5.0)) / 15))}}},
        {3, kPhi, {{3, 5, std::acos(-std::sqrt((5 + 2 * std::sqrt(5.0)) / 15))}}},
        {4, std::sqrt((3 - tribonacci) / (4 * (2 - tribonacci))), {}},
        {6, std::sqrt(11 + 4 * std::sqrt(5.0)) / 2,
         {{3, 4, std::acos(-(1 + std::sqrt(5.0)) / (2 * std::sqrt(3.0)))}, {4, 5, std::acos(-std::sqrt((5 + std::sqrt(5.0)) / 10))}}},
    };
    for (const Case& c : cases) {
        PolyPtr p = BuildSolid(c.code);
        ASSERT_TRUE(p);
        const Measures m = Measure(p.get());
        ASSERT_EQ(m.edgeLengths.size(), 1u) << "code " << c.code << ": edges of one length";
        const double edge = *m.edgeLengths.begin() * 1e-6;
        EXPECT_NEAR(m.circumradius / edge, c.circumradiusOverEdge, 1e-5) << c.code;
        for (const auto& [a, b, angle] : c.dihedrals) ExpectAngle(m, a, b, angle, "dihedral");
        if (c.code == 4) {
            // The snub cube has two kinds of edge between triangles and one beside squares.
            EXPECT_EQ(m.dihedrals.size(), 2u);
        }
    }
}

TEST(Solids, CatalanFacesArePolarToArchimedeanVertices) {
    const int64_t pairs[][2] = {{0, 1}, {12, 4}, {8, 3}, {5, 6}};
    const double dihedral[] = {std::acos(-(7 + 4 * std::sqrt(2.0)) / 17), -1, 4 * kPi / 5,
                               std::acos(-(19 + 8 * std::sqrt(5.0)) / 41)};
    for (int i = 0; i < 4; ++i) {
        PolyPtr cat = BuildSolid(pairs[i][0]), arch = BuildSolid(pairs[i][1]);
        ASSERT_TRUE(cat && arch);
        ASSERT_EQ(cat->faceCount3D, arch->vertexCount3D);
        // The Archimedean solid's midsphere: its edges touch it.
        const PolyFace3D& f0 = arch->face3D[0];
        const double rho = Len(Tscale(Tadd(arch->coords3D[f0.vertex[0]], arch->coords3D[f0.vertex[1]]), 0.5));
        std::set<int64_t> matched;
        for (int64_t f = 0; f < cat->faceCount3D; ++f) {
            const triplex n = Normal(cat.get(), f);
            const double d = Dot(n, V(cat.get(), f, 0));
            // The pole of the face plane n.x = d about the midsphere.
            const triplex pole = Tscale(n, rho * rho / d);
            int64_t hit = -1;
            for (int64_t v = 0; v < arch->vertexCount3D; ++v)
                if (Len(Tsub(arch->coords3D[v], pole)) < 1e-9) hit = v;
            EXPECT_GE(hit, 0) << "code " << pairs[i][0] << " face " << f;
            matched.insert(hit);
        }
        EXPECT_EQ(int64_t(matched.size()), arch->vertexCount3D);
        // Face-transitive: one dihedral angle throughout.
        const Measures m = Measure(cat.get());
        std::set<long> all;
        for (const auto& [k, angles] : m.dihedrals) all.insert(angles.begin(), angles.end());
        EXPECT_LE(*all.rbegin() - *all.begin(), 2) << pairs[i][0];
        if (dihedral[i] > 0) {
            EXPECT_NEAR(*all.begin() * 1e-6, dihedral[i], 2e-6) << pairs[i][0];
        }
    }
}

TEST(Solids, RhombicHexecontahedronHasGoldenRhombi) {
    PolyPtr p = BuildSolid(82);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->vertexCount3D, 62);
    for (int64_t f = 0; f < p->faceCount3D; ++f) {
        ASSERT_EQ(p->face3D[f].count, 4);
        const triplex a = V(p.get(), f, 0), b = V(p.get(), f, 1), c = V(p.get(), f, 2), d = V(p.get(), f, 3);
        const double side = Len(Tsub(b, a));
        for (const auto& [u, w] : {std::pair{b, c}, std::pair{c, d}, std::pair{d, a}}) EXPECT_NEAR(Len(Tsub(w, u)), side, 1e-9);
        const double long_ = std::fmax(Len(Tsub(c, a)), Len(Tsub(d, b))), short_ = std::fmin(Len(Tsub(c, a)), Len(Tsub(d, b)));
        EXPECT_NEAR(long_ / short_, kPhi, 1e-9);
    }
}

// The mirror planes of a regular solid read off its first face: through the
// centre and the first edge, through the edge's midpoint and the face
// centre, and through the face centre and the first vertex.
TEST(Solids, MirrorsFromTheFirstFaceMapRegularSolidsToThemselves) {
    for (int64_t code : {16, 17, 18, 19}) {
        PolyPtr p = BuildSolid(code);
        ASSERT_TRUE(p);
        const triplex A = V(p.get(), 0, 0), B = V(p.get(), 0, 1), M = Tscale(Tadd(A, B), 0.5),
                      K = FetchCentroidOf3DFace(p.get(), 0);
        for (const auto& [u, w] : {std::pair{A, M}, std::pair{M, K}, std::pair{K, A}}) {
            const triplex n = Tnormalize(Cross(u, w));
            for (int64_t v = 0; v < p->vertexCount3D; ++v) {
                const triplex q = p->coords3D[v], r = Tsub(q, Tscale(n, 2 * Dot(n, q)));
                double best = 1e9;
                for (int64_t w2 = 0; w2 < p->vertexCount3D; ++w2) best = std::fmin(best, Len(Tsub(r, p->coords3D[w2])));
                EXPECT_LT(best, 1e-9) << "code " << code << " vertex " << v;
            }
        }
    }
}

TEST(Solids, CubeNetIsWhereCubeMapInputSamples) {
    // Built as the cube-map cross (output mode 172) fits its net: into a box
    // of the cross's proportions, without border.
    PolyPtr p(NewPolyhedron(0.75f, 0.0f));
    ASSERT_TRUE(p);
    p->outputMode = 172;
    SetUpReallyGeneralPolyhedron(p.get(), 18, 0, 0, 0, nullptr, 1, 0.0f);
    ASSERT_EQ(p->status, kPolyStatusGood);
    ASSERT_EQ(p->netFaceCount, 6);
    EXPECT_NEAR(p->net.scale, 1.0, 1e-6);
    static const int kCell[6][2] = {{3, 1}, {2, 1}, {1, 2}, {1, 1}, {0, 1}, {1, 0}};
    std::mt19937 rng(3);
    std::uniform_real_distribution<double> u(0, 1);
    for (int64_t nf = 0; nf < p->netFaceCount; ++nf) {
        const PolyNetFace& face = p->netFace[nf];
        ASSERT_EQ(face.count, 4);
        for (int s = 0; s < 200; ++s) {
            double w[4] = {u(rng), u(rng), u(rng), u(rng)}, sum = w[0] + w[1] + w[2] + w[3];
            triplex q{0, 0, 0};
            double x = 0, y = 0;
            for (int k = 0; k < 4; ++k) {
                // Net corner k shows the solid face's corner k turned by the net face's offset.
                const int64_t f3 = face.face3D, corner = (k + face.secondIndex) % p->face3D[f3].count;
                q = Tadd(q, Tscale(V(p.get(), f3, corner), w[k] / sum));
                x += p->coords2D[face.vertex[k]][0] * w[k] / sum;
                y += p->coords2D[face.vertex[k]][1] * w[k] / sum;
            }
            const float dir[3] = {float(q.x), float(q.y), float(q.z)};
            float a, b;
            const int F = SphereToCubeFaceCoords(dir, &a, &b);
            // Input mode 27 samples face F's picture at (0.5 + a/2, 0.5 + b/2),
            // cut from cell (c, r) of the 4 x 3 cross; the net's cells are 1/4 wide.
            EXPECT_NEAR(x, (kCell[F][0] + 0.5 + 0.5 * a) / 4, 1e-6);
            EXPECT_NEAR(y, (kCell[F][1] + 0.5 + 0.5 * b) / 4, 1e-6);
        }
    }
}

}  // namespace
