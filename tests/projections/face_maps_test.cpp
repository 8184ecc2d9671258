// The layout maps on their own triangles (the pieces of their tables), one
// table of cases per property: the tags a layout uses cover the sphere once
// (areas sum to 4 pi, random directions fall in exactly one image), sides of
// neighbouring tags meet, the Reuleaux and octant maps are rotations of the
// cell they read, the cube maps and face warps are conformal, and the
// tumbles are rotations.
#include "projections/face_maps.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "polyhedra/polyhedron.h"
#include "projections/caches.h"
#include "projections/stereographic.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

struct V3 {
    double x, y, z;
};
V3 operator-(V3 a, V3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
V3 operator+(V3 a, V3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
V3 operator*(double s, V3 a) { return {s * a.x, s * a.y, s * a.z}; }
double Dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
V3 Cross(V3 a, V3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
double Norm(V3 a) { return std::sqrt(Dot(a, a)); }
V3 Unit(V3 a) { return (1.0 / Norm(a)) * a; }
V3 FromFloats(const float p[3]) { return {p[0], p[1], p[2]}; }

// Area of the spherical triangle of three unit vectors (Van Oosterom and Strackee).
double SphericalArea(V3 a, V3 b, V3 c) {
    return 2.0 * std::atan2(std::fabs(Dot(a, Cross(b, c))), 1.0 + Dot(a, b) + Dot(b, c) + Dot(c, a));
}
// Whether d lies inside the spherical triangle a, b, c (either orientation).
bool Inside(V3 d, V3 a, V3 b, V3 c) {
    const double s = Dot(a, Cross(b, c)) > 0 ? 1.0 : -1.0;
    return s * Dot(d, Cross(a, b)) >= 0 && s * Dot(d, Cross(b, c)) >= 0 && s * Dot(d, Cross(c, a)) >= 0;
}
// Distance from p to the chord ab (unit vectors; small angles).
double ChordDistance(V3 p, V3 a, V3 b) {
    const V3 ab = b - a;
    double s = Dot(p - a, ab) / std::max(Dot(ab, ab), 1e-300);
    s = std::clamp(s, 0.0, 1.0);
    return Norm(p - (a + s * ab));
}

// A zeroed polyhedron (tens of megabytes: on the heap) with net triangles.
struct Net {
    std::unique_ptr<polyhedron> poly{new polyhedron()};
    // Triangle i with the given tag and 3D corners.
    void Set(int64_t i, int tag, V3 a = {}, V3 b = {}, V3 c = {}) {
        PolyNetTriangle& t = poly->netTriangle[i];
        t.tag = static_cast<uint16_t>(tag);
        const V3 corners[3] = {a, b, c};
        for (int k = 0; k < 3; ++k) {
            t.vertex[k] = 3 * i + k;
            PolyNetVertex& v = poly->netVertex[3 * i + k];
            v.X = static_cast<float>(corners[k].x), v.Y = static_cast<float>(corners[k].y),
            v.Z = static_cast<float>(corners[k].z);
        }
        poly->netTriangleCount = std::max(poly->netTriangleCount, i + 1);
    }
};

// The caches every map here reads, built once.
class FaceMaps : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        store = NewProjectionCacheStore();
        for (int64_t tag : {kCacheTagDecant, kCacheTagSextant, kCacheTagDodecant, kCacheTagNuOctant,
                            kCacheTagSphereCube, kCacheTagTetfaceSextant, kCacheTagOctaface, kCacheTagIcoface,
                            kCacheTagDodecDecant, kCacheTagReuleauxOctoface, kCacheTagReuleauxCircle})
            ASSERT_TRUE(PrepareProjectionCache(store, tag)) << tag;
    }
    static void TearDownTestSuite() { DisposeProjectionCacheStore(&store); }
    static PyramidDescriptor* cache(int64_t tag) { return ProjectionCache(store, tag); }
    static ProjectionCacheStore* store;
};
ProjectionCacheStore* FaceMaps::store = nullptr;

// ---- star and chain layouts ----

// A map of one layout: (face, b0, b1, b2) to a direction.
using LayoutMap = std::function<V3(const polyhedron*, int64_t, double, double, double)>;

struct Layout {
    std::string name;
    int tags;  // the layout uses tags 0 to tags - 1
    LayoutMap map;
    bool reuleauxCell = false;  // the pieces are the curved sixths of the Reuleaux cell
};

// The Reuleaux cell's sixth as its net triangle holds it: b2 at the centre O,
// b0 at the corner V (at -60 degrees for odd tags, mirrored for even ones),
// b1 at T on the ray through the arc midpoint, at the corner's radius.
const double kCellCorner = 1.0 / std::sqrt(2.0);
const V3 kCellV{0.5 * kCellCorner, -0.8660254037844386 * kCellCorner, 0}, kCellT{kCellCorner, 0, 0};

// A point of the curved sixth: s from the centre to the arc, u along the arc
// from its midpoint (u = 0) to the corner (u = 1); its weights (b0, b1, b2).
// The arc is held back by 1e-5: on the arc itself the nearest tetrahedron
// vertex is a tie (and the net's corners are floats).
void CurvedSixth(double s, double u, double* b0, double* b1, double* b2) {
    s *= 1.0 - 1e-5;
    const double radius = std::sqrt(1.5), centre = -kCellCorner;
    const double a = std::asin(kCellV.y / radius) * u;
    const double x = s * (centre + radius * std::cos(a)), y = s * radius * std::sin(a);
    *b0 = y / kCellV.y;
    *b1 = (x - *b0 * kCellV.x) / kCellT.x;
    *b2 = 1.0 - *b0 - *b1;
}

std::vector<Layout> Layouts(ProjectionCacheStore* s) {
    PyramidDescriptor* decant = ProjectionCache(s, kCacheTagDecant);
    PyramidDescriptor* sextant = ProjectionCache(s, kCacheTagSextant);
    PyramidDescriptor* dodecant = ProjectionCache(s, kCacheTagDodecant);
    PyramidDescriptor* nuoctant = ProjectionCache(s, kCacheTagNuOctant);
    using Fn = void (*)(int64_t, float*, const polyhedron*, PyramidDescriptor*, int64_t*, double, double, double);
    using FnV = void (*)(int64_t, float*, const polyhedron*, PyramidDescriptor*, int64_t, int64_t*, double, double,
                         double);
    auto plain = [](Fn f, PyramidDescriptor* c) {
        return [f, c](const polyhedron* p, int64_t face, double b0, double b1, double b2) {
            float o[3];
            int64_t region = -1;
            f(face, o, p, c, &region, b0, b1, b2);
            return Unit(FromFloats(o));
        };
    };
    using FnR = void (*)(int64_t, float*, const polyhedron*, PyramidDescriptor*, int64_t*, unsigned char*, double,
                         double, double);
    auto reuleaux = [](FnR f, PyramidDescriptor* c) {
        return [f, c](const polyhedron* p, int64_t face, double b0, double b1, double b2) {
            float o[3];
            int64_t region = -1;
            unsigned char miss = 0;
            f(face, o, p, c, &region, &miss, b0, b1, b2);
            EXPECT_EQ(miss, 0);
            return Unit(FromFloats(o));
        };
    };
    auto reuleauxVariant = [](int64_t v, PyramidDescriptor* c) {
        return [v, c](const polyhedron* p, int64_t face, double b0, double b1, double b2) {
            float o[3];
            int64_t region = -1;
            unsigned char miss = 0;
            TotalReuleaux1Or2ToSphere(face, o, p, c, v, &region, &miss, b0, b1, b2);
            EXPECT_EQ(miss, 0);
            return Unit(FromFloats(o));
        };
    };
    PyramidDescriptor* toOctoface = ProjectionCache(s, kCacheTagReuleauxOctoface);
    PyramidDescriptor* toCircle = ProjectionCache(s, kCacheTagReuleauxCircle);
    auto variant = [](FnV f, PyramidDescriptor* c, int64_t v) {
        return [f, c, v](const polyhedron* p, int64_t face, double b0, double b1, double b2) {
            float o[3];
            int64_t region = -1;
            f(face, o, p, c, v, &region, b0, b1, b2);
            return Unit(FromFloats(o));
        };
    };
    return {
        {"five-star 0", 20, variant(TotalFivestarToSphere, decant, 0)},
        {"five-star 1", 10, variant(TotalFivestarToSphere, decant, 1)},
        {"five-star 2", 10, variant(TotalFivestarToSphere, decant, 2)},
        {"pentalene", 20, plain(TotalPentaleneToSphere, decant)},
        {"Adams diamonds", 16, plain(TotalAdamsdiamondsToSphere, nuoctant)},
        {"three-star 0", 12, variant(TotalThreestarToSphere, sextant, 0)},
        {"three-star 1", 6, variant(TotalThreestarToSphere, sextant, 1)},
        {"bipolar rhombus", 12, variant(TotalThreestarToSphere, sextant, 2)},
        {"rhombus", 4, plain(TotalRhombusToSphere, sextant)},
        {"six-star 0", 24, variant(TotalSixstarToSphere, dodecant, 0)},
        {"six-star 1", 12, variant(TotalSixstarToSphere, dodecant, 1)},
        {"pointy", 8, variant(TotalNEWPOINTYToSphere, dodecant, 0)},
        {"naphthalene", 24, plain(TotalNaphthaleneToSphere, dodecant)},
        {"phenalene", 36, plain(TotalPhenaleneToSphere, dodecant)},
        {"anthracene", 36, plain(TotalAnthraceneToSphere, dodecant)},
        {"Reuleaux 8", 48, reuleaux(TotalReuleaux8ToSphere, toOctoface), true},
        {"Reuleaux 1", 6, reuleauxVariant(1, toCircle), true},
        {"Reuleaux 2", 12, reuleauxVariant(2, toCircle), true},
    };
}

// The piece of every tag, cut into small triangles: grid (i, j) of the
// weights (b0, b2) = (i, j) / n with b0 + b2 <= 1 (b0 the cell centre's
// weight, b2 the vertex's, b1 the edge midpoint's).
struct Tessellation {
    int n;
    std::vector<std::vector<V3>> points;  // per tag, (i, j) at index j * (n + 1) + i
    V3 at(int tag, int i, int j) const { return points[tag][j * (n + 1) + i]; }
};

Tessellation Tessellate(const Layout& l, const polyhedron* poly, int n) {
    Tessellation t{n, {}};
    for (int tag = 0; tag < l.tags; ++tag) {
        t.points.emplace_back((n + 1) * (n + 1));
        for (int j = 0; j <= n; ++j)
            for (int i = 0; i + j <= n; ++i) {
                double b0 = double(i) / n, b2 = double(j) / n, b1 = 1.0 - b0 - b2;
                // The curved sixth: i + j from the centre to the arc, j / (i + j) along it.
                if (l.reuleauxCell) CurvedSixth(double(i + j) / n, i + j ? double(j) / (i + j) : 0.0, &b0, &b1, &b2);
                t.points[tag][j * (n + 1) + i] = l.map(poly, tag, b0, b1, b2);
            }
    }
    return t;
}

template <class F>
void ForEachSmallTriangle(const Tessellation& t, int tag, F f) {
    for (int j = 0; j < t.n; ++j)
        for (int i = 0; i + j < t.n; ++i) {
            f(t.at(tag, i, j), t.at(tag, i + 1, j), t.at(tag, i, j + 1));
            if (i + j + 1 < t.n) f(t.at(tag, i + 1, j), t.at(tag, i + 1, j + 1), t.at(tag, i, j + 1));
        }
}

Net TaggedNet(const Layout& l) {
    Net net;
    const V3 mirrored{kCellV.x, -kCellV.y, 0};
    for (int i = 0; i < l.tags; ++i) {
        if (l.reuleauxCell) net.Set(i, i, i & 1 ? kCellV : mirrored, kCellT, V3{0, 0, 0});
        else net.Set(i, i);
    }
    return net;
}

}  // namespace

namespace {

// The three sides of each tag's piece as polylines (b2 = 0, b0 = 0, b1 = 0),
// each with a ball around it for quick rejection; and a ball around each
// tag's image.
struct Ball {
    V3 centre;
    double radius;
};
Ball BallAround(const std::vector<V3>& points) {
    V3 c{0, 0, 0};
    for (const V3& p : points) c = c + p;
    c = (1.0 / points.size()) * c;
    double r = 0.0;
    for (const V3& p : points) r = std::max(r, Norm(p - c));
    return {c, r};
}

struct Sides {
    std::vector<std::vector<V3>> lines;  // tag * 3 + side
    std::vector<Ball> balls;
    Sides(const Tessellation& t, int tags) {
        for (int tag = 0; tag < tags; ++tag)
            for (int s = 0; s < 3; ++s) {
                std::vector<V3> line;
                for (int k = 0; k <= t.n; ++k)
                    line.push_back(s == 0 ? t.at(tag, k, 0) : s == 1 ? t.at(tag, 0, k) : t.at(tag, t.n - k, k));
                balls.push_back(BallAround(line));
                lines.push_back(std::move(line));
            }
    }
    // Distance from d to the nearest side other than `skip`.
    double DistanceTo(V3 d, size_t skip = size_t(-1)) const {
        double best = 1e9;
        for (size_t i = 0; i < lines.size(); ++i) {
            if (i == skip || Norm(d - balls[i].centre) - balls[i].radius > best) continue;
            for (size_t m = 0; m + 1 < lines[i].size(); ++m)
                best = std::min(best, ChordDistance(d, lines[i][m], lines[i][m + 1]));
        }
        return best;
    }
};

}  // namespace

// The small triangles of the pieces stand for their images; next to a seam
// the chords of two neighbours' sides (sampled at different places) leave
// slivers (widest where the rhombus cubes its disc), so directions within
// 0.005 of a side are not counted.
TEST_F(FaceMaps, LayoutTagsCoverTheSphereOnce) {
    std::mt19937 random(7);
    std::normal_distribution<double> gauss;
    std::vector<V3> samples(3000);
    for (V3& d : samples) d = Unit({gauss(random), gauss(random), gauss(random)});
    for (const Layout& l : Layouts(store)) {
        SCOPED_TRACE(l.name);
        const Net net = TaggedNet(l);
        const Tessellation t = Tessellate(l, net.poly.get(), 24);
        double area = 0.0;
        for (int tag = 0; tag < l.tags; ++tag)
            ForEachSmallTriangle(t, tag, [&](V3 a, V3 b, V3 c) { area += SphericalArea(a, b, c); });
        EXPECT_NEAR(area, 4.0 * kPi, 0.01);
        const Sides sides(t, l.tags);
        std::vector<Ball> images;
        for (int tag = 0; tag < l.tags; ++tag) images.push_back(BallAround(t.points[tag]));
        int wrong = 0, nearSeams = 0;
        for (const V3& d : samples) {
            int hits = 0;
            for (int tag = 0; tag < l.tags; ++tag) {
                // Far from the ball around the image's grid points (unused
                // grid slots hold the origin, which only widens it; the margin
                // covers the small triangles' bulge): no hit.
                if (Norm(d - images[tag].centre) > images[tag].radius + 0.05) continue;
                ForEachSmallTriangle(t, tag, [&](V3 a, V3 b, V3 c) { hits += Inside(d, a, b, c) ? 1 : 0; });
            }
            if (hits == 1) continue;
            if (sides.DistanceTo(d) < 5e-3) ++nearSeams;
            else ++wrong;
        }
        EXPECT_EQ(wrong, 0);
        EXPECT_LT(nearSeams, 5);
    }
}

// Along each side of each tag's piece, every point lies on a side of another
// tag of the layout: the images meet along their seams. (The five-star's
// variant 2 is left out: without the offset its lune's seam runs through the
// pieces, so a piece meets itself there.)
TEST_F(FaceMaps, LayoutSidesMeetTheirNeighbours) {
    for (const Layout& l : Layouts(store)) {
        if (l.name == "five-star 2") continue;
        SCOPED_TRACE(l.name);
        const Net net = TaggedNet(l);
        constexpr int n = 48;
        const Tessellation t = Tessellate(l, net.poly.get(), n);
        const Sides sides(t, l.tags);
        double worst = 0.0;
        for (size_t i = 0; i < sides.lines.size(); ++i)
            for (int k = 1; k < n; ++k) worst = std::max(worst, sides.DistanceTo(sides.lines[i][k], i));
        EXPECT_LT(worst, 1e-3);
    }
}

TEST_F(FaceMaps, StarEdgeCases) {
    Net net;
    for (int i = 0; i < 24; ++i) net.Set(i, i);
    float a[3], b[3];
    int64_t region = -1;
    // The sextant maps clamp b2 to 1 - b0 when b0 + b2 > 1.
    TotalThreestarToSphere(3, a, net.poly.get(), cache(kCacheTagSextant), 0, &region, 0.4, 0.0, 0.75);
    TotalThreestarToSphere(3, b, net.poly.get(), cache(kCacheTagSextant), 0, &region, 0.4, 0.0, 0.6);
    EXPECT_EQ(region, 3);
    for (int k = 0; k < 3; ++k) EXPECT_FLOAT_EQ(a[k], b[k]);
    TotalRhombusToSphere(1, a, net.poly.get(), cache(kCacheTagSextant), &region, 0.3, 0.0, 0.9);
    TotalRhombusToSphere(1, b, net.poly.get(), cache(kCacheTagSextant), &region, 0.3, 0.0, 0.7);
    for (int k = 0; k < 3; ++k) EXPECT_FLOAT_EQ(a[k], b[k]);
    // The five-star's 198 degree offset belongs to variants 0 and 1: variant 2
    // is variant 1 turned back by it about the disc's centre (the pole of the
    // lift, before the lune).
    TotalFivestarToSphere(0, a, net.poly.get(), cache(kCacheTagDecant), 1, &region, 0.0, 0.5, 0.5);
    TotalFivestarToSphere(0, b, net.poly.get(), cache(kCacheTagDecant), 2, &region, 0.0, 0.5, 0.5);
    EXPECT_GT(std::fabs(a[0] - b[0]) + std::fabs(a[1] - b[1]), 0.1);
    TotalFivestarToSphere(0, a, net.poly.get(), cache(kCacheTagDecant), 1, &region, 1.0, 0.0, 0.0);
    TotalFivestarToSphere(0, b, net.poly.get(), cache(kCacheTagDecant), 2, &region, 1.0, 0.0, 0.0);
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(a[k], b[k], 1e-6) << "the centre does not turn";
}

// ---- Reuleaux and octant layouts ----

namespace {

// The plane point whose direction about (0, 0, 1) is D (D = (2x, -2y,
// 1 - r^2) / (1 + r^2)).
V3 PlanePoint(V3 d) { return {d.x / (1.0 + d.z), -d.y / (1.0 + d.z), 0.0}; }

const V3 kTetrahedron[4] = {{0.9428090415820634, 0.0, -1.0 / 3.0},
                            {-0.4714045207910317, 0.816496580927726, -1.0 / 3.0},
                            {-0.4714045207910317, -0.816496580927726, -1.0 / 3.0},
                            {0.0, 0.0, 1.0}};
int Nearest(V3 d) {
    int best = 0;
    for (int i = 1; i < 4; ++i)
        if (Dot(d, kTetrahedron[i]) > Dot(d, kTetrahedron[best])) best = i;
    return best;
}
bool InVertexCell(V3 d) { return Nearest(d) == 3; }
// The octant the three discs of radius sqrt 3 cut out of the plane.
bool InDiscOctant(V3 d) {
    const V3 p = PlanePoint(d);
    const double c[3][2] = {{-std::sqrt(2.0), 0.0}, {std::sqrt(0.5), std::sqrt(1.5)}, {std::sqrt(0.5), -std::sqrt(1.5)}};
    for (const auto& k : c)
        if (std::hypot(p.x - k[0], p.y - k[1]) > std::sqrt(3.0)) return false;
    return true;
}

// The map of one group of a cell layout, as a matrix: the images of three
// directions inside the cell, put as single-point triangles.
struct Matrix {
    double m[3][3];
    V3 operator()(V3 v) const {
        return {m[0][0] * v.x + m[0][1] * v.y + m[0][2] * v.z, m[1][0] * v.x + m[1][1] * v.y + m[1][2] * v.z,
                m[2][0] * v.x + m[2][1] * v.y + m[2][2] * v.z};
    }
    V3 Transposed(V3 v) const {
        return {m[0][0] * v.x + m[1][0] * v.y + m[2][0] * v.z, m[0][1] * v.x + m[1][1] * v.y + m[2][1] * v.z,
                m[0][2] * v.x + m[1][2] * v.y + m[2][2] * v.z};
    }
};

using CellMap = std::function<void(const polyhedron*, int64_t, float*, int64_t*, unsigned char*)>;

// Reads the group's map as R with R d = the image of d, from three
// directions of the cell; the map is linear in d, so R is exact.
Matrix GroupMatrix(Net& net, int tag, const CellMap& map, const V3 (&dirs)[3]) {
    V3 images[3];
    for (int k = 0; k < 3; ++k) {
        net.Set(0, tag, PlanePoint(dirs[k]), PlanePoint(dirs[k]), PlanePoint(dirs[k]));
        float o[3];
        int64_t region = 0;
        unsigned char miss = 0;
        map(net.poly.get(), 0, o, &region, &miss);
        EXPECT_EQ(miss, 0);
        images[k] = FromFloats(o);
    }
    // R = [images] [dirs]^-1.
    const V3 &a = dirs[0], &b = dirs[1], &c = dirs[2];
    const double det = Dot(a, Cross(b, c));
    const V3 inv[3] = {(1.0 / det) * Cross(b, c), (1.0 / det) * Cross(c, a), (1.0 / det) * Cross(a, b)};  // rows
    Matrix R{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            const double img[3][3] = {{images[0].x, images[1].x, images[2].x},
                                      {images[0].y, images[1].y, images[2].y},
                                      {images[0].z, images[1].z, images[2].z}};
            const double col[3] = {j == 0 ? inv[0].x : j == 1 ? inv[0].y : inv[0].z,
                                    j == 0 ? inv[1].x : j == 1 ? inv[1].y : inv[1].z,
                                    j == 0 ? inv[2].x : j == 1 ? inv[2].y : inv[2].z};
            R.m[i][j] = img[i][0] * col[0] + img[i][1] * col[1] + img[i][2] * col[2];
        }
    return R;
}

struct CellLayout {
    const char* name;
    int groups;
    int mirroredFrom;  // groups from this one on are reflections
    bool (*inCell)(V3);
    V3 cellDirs[3];
    CellMap map;
};

}  // namespace

// Each group of tags turns the cell, and the groups' images tile the sphere:
// a direction lies in exactly one. The octant map only turns; the four-cell
// Reuleaux map turns its first cell and reflects the other three (the net's
// triangles of tags 6 to 23 carry mirrored plane points, or those cells show
// mirrored).
TEST_F(FaceMaps, CellLayoutsAreRotationsThatTileTheSphere) {
    const CellLayout layouts[] = {
        {"Reuleaux 4", 4, 1, InVertexCell,
         {Unit({0.1, 0.05, 1.0}), Unit({-0.2, 0.1, 1.0}), Unit({0.05, -0.3, 1.0})},
         [](const polyhedron* p, int64_t f, float* o, int64_t* r, unsigned char* m) {
             TotalReuleaux4ToSphere(f, o, p, r, m, 1.0, 0.0, 0.0);
         }},
        {"Octreleaux", 8, 8, InDiscOctant,
         {Unit({0.1, 0.05, 1.0}), Unit({-0.2, 0.1, 1.0}), Unit({0.05, -0.3, 1.0})},
         [](const polyhedron* p, int64_t f, float* o, int64_t* r, unsigned char* m) {
             TotalOctreleauxToSphere(f, o, p, r, m, 1.0, 0.0, 0.0);
         }},
    };
    std::mt19937 random(11);
    std::normal_distribution<double> gauss;
    for (const CellLayout& l : layouts) {
        SCOPED_TRACE(l.name);
        Net net;
        std::vector<Matrix> R;
        for (int g = 0; g < l.groups; ++g) {
            R.push_back(GroupMatrix(net, 6 * g + (g % 6), l.map, l.cellDirs));
            const Matrix& M = R.back();
            // Orthonormal with determinant +1.
            for (int i = 0; i < 3; ++i)
                for (int j = 0; j < 3; ++j) {
                    const double d = M.m[0][i] * M.m[0][j] + M.m[1][i] * M.m[1][j] + M.m[2][i] * M.m[2][j];
                    EXPECT_NEAR(d, i == j ? 1.0 : 0.0, 1e-6) << g;
                }
            const V3 c0{M.m[0][0], M.m[1][0], M.m[2][0]}, c1{M.m[0][1], M.m[1][1], M.m[2][1]},
                c2{M.m[0][2], M.m[1][2], M.m[2][2]};
            EXPECT_NEAR(Dot(c0, Cross(c1, c2)), g < l.mirroredFrom ? 1.0 : -1.0, 1e-6) << g;
            // Every tag of the group turns the same way.
            for (int k = 0; k < 6; ++k) {
                const Matrix S = GroupMatrix(net, 6 * g + k, l.map, l.cellDirs);
                for (int i = 0; i < 3; ++i)
                    for (int j = 0; j < 3; ++j) EXPECT_NEAR(S.m[i][j], M.m[i][j], 1e-6);
            }
        }
        int wrong = 0;
        for (int s = 0; s < 4000; ++s) {
            const V3 d = Unit({gauss(random), gauss(random), gauss(random)});
            int hits = 0;
            for (const Matrix& M : R) hits += l.inCell(M.Transposed(d)) ? 1 : 0;
            wrong += hits == 1 ? 0 : 1;
        }
        EXPECT_EQ(wrong, 0);
    }
}

TEST_F(FaceMaps, ReuleauxPointsOutsideTheirCellMiss) {
    Net net;
    std::mt19937 random(5);
    std::uniform_real_distribution<double> plane(-0.8, 0.8);
    int outsideDiscs = 0, outsideCell = 0;
    for (int s = 0; s < 3000; ++s) {
        const V3 p{plane(random), plane(random), 0.0};
        net.Set(0, 7, p, p, p);
        double D[3];
        const int discs = OutsideReuleaux(0, 1.0, 0.0, 0.0, D, net.poly.get(), 2);
        const V3 d{D[0], D[1], D[2]};
        EXPECT_NEAR(Norm(d), 1.0, 1e-12);
        EXPECT_LT(Norm(PlanePoint(d) - p), 1e-6);  // the net keeps floats
        EXPECT_EQ(discs == 1, !InDiscOctant(d));
        const int cell = OutsideReuleaux(0, 1.0, 0.0, 0.0, D, net.poly.get(), 1);
        EXPECT_EQ(cell == 1, !InVertexCell(d));
        EXPECT_EQ(OutsideReuleaux(0, 1.0, 0.0, 0.0, D, net.poly.get(), 0), 0);
        outsideDiscs += discs, outsideCell += cell;
        // Every Reuleaux map misses outside its cell with region -5 and (0, 0, 1).
        float o[3];
        int64_t region = 0;
        unsigned char miss = 0;
        TotalReuleaux4ToSphere(0, o, net.poly.get(), &region, &miss, 1.0, 0.0, 0.0);
        EXPECT_EQ(miss == 1, cell == 1);
        if (miss) {
            EXPECT_EQ(region, -5);
            EXPECT_EQ(o[2], 1.0f);
        } else {
            EXPECT_EQ(region, 1);
        }
        miss = 0;
        TotalOctreleauxToSphere(0, o, net.poly.get(), &region, &miss, 1.0, 0.0, 0.0);
        EXPECT_EQ(miss == 1, discs == 1);
    }
    // Both kinds of point occur.
    EXPECT_GT(outsideDiscs, 300);
    EXPECT_LT(outsideDiscs, 2700);
    EXPECT_GT(outsideCell, 300);
    EXPECT_LT(outsideCell, 2700);
}

TEST_F(FaceMaps, ReuleauxTagsAndHemispheres) {
    Net net;
    const V3 p{0.3, -0.2, 0.0};
    net.Set(0, 4, p, p, p);
    float o[3];
    int64_t region = -1;
    unsigned char miss = 0;
    TotalReuleaux4ToSphere(0, o, net.poly.get(), &region, &miss, 1.0, 0.0, 0.0);
    const double r2 = p.x * p.x + p.y * p.y;
    EXPECT_NEAR(o[0], 2.0 * p.y / (1.0 + r2), 1e-6);
    EXPECT_NEAR(o[1], 2.0 * p.x / (1.0 + r2), 1e-6);
    EXPECT_NEAR(o[2], (1.0 - r2) / (1.0 + r2), 1e-6);
    EXPECT_EQ(region, 0);
    // Tags 24 and up of the octant map take the second hemisphere's octants.
    net.Set(0, 1, p, p, p);
    float first[3], second[3];
    TotalOctreleauxToSphere(0, first, net.poly.get(), &region, &miss, 1.0, 0.0, 0.0);
    net.Set(0, 25, p, p, p);
    TotalOctreleauxToSphere(0, second, net.poly.get(), &region, &miss, 1.0, 0.0, 0.0);
    EXPECT_EQ(region, 4);
    EXPECT_LT(first[1] * second[1], 0.0);
    // So do those of the eight-lobed map, through its table.
    const V3 inside{0.2, -0.1, 0.0};
    for (int tag : {1, 25}) {
        net.Set(0, tag, inside, inside, inside);
        TotalReuleaux8ToSphere(0, tag == 1 ? first : second, net.poly.get(), cache(kCacheTagReuleauxOctoface), &region,
                               &miss, 0.3, 0.3, 0.4);
        EXPECT_EQ(region, tag / 6);
    }
    EXPECT_EQ(miss, 0);
    EXPECT_LT(first[1] * second[1], 0.0);
}

// ---- cube-based maps ----

namespace {

// Conformality of a map from a flat triangle to the sphere at (u, v) of the
// triangle's frame: the images of two perpendicular unit steps are
// perpendicular and of equal length.
double ConformalDefect(const std::function<V3(double, double)>& f, double u, double v, double h) {
    const V3 du = f(u + h, v) - f(u - h, v), dv = f(u, v + h) - f(u, v - h);
    return std::fabs(Dot(du, dv)) / (Norm(du) * Norm(dv)) + std::fabs(Norm(du) / Norm(dv) - 1.0);
}

}  // namespace

// The conformal cube map keeps right angles and proportions on both sides
// of a face's centre line.
TEST_F(FaceMaps, UnitCubeIsConformal) {
    PyramidDescriptor* cube = cache(kCacheTagSphereCube);
    auto unitCube = [&](double x, double y) {
        float p[3] = {static_cast<float>(x), static_cast<float>(y), 1.0f};
        ConformallyWarpUnitCube(p, cube);
        EXPECT_NEAR(std::hypot(p[0], p[1], p[2]), 1.0, 1e-6);
        return FromFloats(p);
    };
    double worst = 0.0;
    for (double x = 0.15; x < 0.85; x += 0.1)
        for (double y = 0.05; y < x - 0.05; y += 0.1) {
            worst = std::max(worst, ConformalDefect(unitCube, x, y, 0.01));
            worst = std::max(worst, ConformalDefect(unitCube, -x, y, 0.01));
        }
    EXPECT_LT(worst, 0.02);
    // Across the cube's edge x = z = 1 the unit-cube warp is continuous.
    for (double y = -0.9; y < 0.9; y += 0.3) {
        float a[3] = {1.0f, static_cast<float>(y), 0.999f}, b[3] = {0.999f, static_cast<float>(y), 1.0f};
        ConformallyWarpUnitCube(a, cube);
        ConformallyWarpUnitCube(b, cube);
        EXPECT_LT(Norm(FromFloats(a) - FromFloats(b)), 0.005) << y;
    }
}

TEST_F(FaceMaps, WaffleTakesTheHemisphereOfItsHalf) {
    Net net;
    net.Set(0, 9, {0, 0, 1}, {1, 0, 1}, {1, 1, 1});
    net.poly->netVertex[0].x = 0.5f;                                 // a
    net.poly->netVertex[0].y = 0.2f, net.poly->netVertex[28].y = 0.4f;  // mean 0.3
    PyramidDescriptor* cube = cache(kCacheTagSphereCube);
    auto at = [&](float t1, float t2, float o[3]) {
        int64_t region = -1;
        unsigned char miss = 0;
        TotalWaffleToSphere(0, o, net.poly.get(), cube, &region, &miss, 0.6, 0.3, 0.1, t1, t2);
        EXPECT_EQ(region, 9);
        EXPECT_NEAR(std::hypot(o[0], o[1], o[2]), 1.0, 1e-5);
    };
    float low[3], high[3], other[3];
    at(0.7f, 0.1f, low);    // below the mean: as it is
    at(0.7f, 0.9f, high);   // above it, a < t1: negated when X > 0
    at(0.3f, 0.9f, other);  // above it, a >= t1: negated when X <= 0
    const bool positive = low[0] > 0.0f;
    EXPECT_EQ(high[0], positive ? -low[0] : low[0]);
    EXPECT_EQ(high[2], positive ? -low[2] : low[2]);
    EXPECT_EQ(other[0], positive ? low[0] : -low[0]);
    EXPECT_EQ(high[1], low[1]);
}

// ---- conformal face warps ----

namespace {

struct FaceWarp {
    const char* name;
    void (*warp)(float*, float*, float*, PyramidDescriptor*);
    int64_t tag;
    V3 corner[3];  // where b0, b1, b2 sit on the solid's face (its gnomonic plane)
};

}  // namespace

// A net triangle placed on the flat face and warped goes to the sphere
// conformally (the composite of weights, warp, face point and direction).
TEST_F(FaceMaps, FaceWarpsAreConformal) {
    const double g = 0.5 * (1.0 + std::sqrt(5.0));
    // Face pieces: whole faces for the octahedron and icosahedron; for the
    // tetrahedron b2 at the face centre, b0 at a vertex, b1 at an edge
    // midpoint; for the dodecahedron b1 at the centre, b2 at a vertex, b0 at
    // an edge midpoint.
    const V3 tetCentre = (1.0 / 3.0) * (V3{1, 1, 1} + V3{1, -1, -1} + V3{-1, 1, -1});
    const V3 dodecCentre = (1.0 / 5.0) * (V3{1, 1, 1} + V3{-1, 1, 1} + V3{0, 1 / g, g} + V3{1 / g, g, 0} + V3{-1 / g, g, 0});
    const FaceWarp warps[] = {
        {"octahedron", WarpBarysForConformalOctahedron, kCacheTagOctaface, {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}},
        {"icosahedron", WarpBarysForConformalIcosahedron, kCacheTagIcoface, {{0, 1, g}, {0, -1, g}, {g, 0, 1}}},
        {"tetrahedron", WarpBarysForTetrahedron, kCacheTagTetfaceSextant,
         {{1, 1, 1}, 0.5 * (V3{1, 1, 1} + V3{1, -1, -1}), tetCentre}},
        {"dodecahedron", WarpBarysForConformalDodecahedron, kCacheTagDodecDecant,
         {0.5 * (V3{1, 1, 1} + V3{0, 1 / g, g}), dodecCentre, {1, 1, 1}}},
    };
    for (const FaceWarp& w : warps) {
        SCOPED_TRACE(w.name);
        PyramidDescriptor* c = cache(w.tag);
        // Frame: (x, y) = (b2, b0).
        auto map = [&](double x, double y) {
            float b0 = static_cast<float>(y), b2 = static_cast<float>(x), b1 = 1.0f - b0 - b2;
            w.warp(&b0, &b1, &b2, c);
            EXPECT_NEAR(b0 + b1 + b2, 1.0f, 1e-5);
            return Unit(double(b0) * w.corner[0] + double(b1) * w.corner[1] + double(b2) * w.corner[2]);
        };
        // The frame's steps are not perpendicular on the face: map the
        // equilateral or right-angled piece's own frame through an affine
        // change so that the finite differences see equal perpendicular steps.
        const V3 e1 = w.corner[2] - w.corner[1], e2 = w.corner[0] - w.corner[1];
        const double l1 = Norm(e1), cosA = Dot(e1, e2) / (l1 * Norm(e2)), l2 = Norm(e2);
        const double sinA = std::sqrt(1.0 - cosA * cosA);
        // Point (X, Y) in an orthonormal frame of the face: x = X/l1 - Y cosA/(sinA l1), y = Y/(sinA l2).
        auto inFrame = [&](double X, double Y) { return map(X / l1 - Y * cosA / (sinA * l1), Y / (sinA * l2)); };
        double worst = 0.0;
        int checked = 0;
        for (double x = 0.1; x < 0.8; x += 0.1)
            for (double y = 0.1; x + y < 0.8; y += 0.1) {
                const double X = x * l1 + y * l2 * cosA, Y = y * l2 * sinA;
                worst = std::max(worst, ConformalDefect(inFrame, X, Y, 0.01 * l1));
                ++checked;
            }
        EXPECT_GT(checked, 10);
        EXPECT_LT(worst, 0.02);
        // Without the warp the same piece is not conformal: the test sees it.
        auto flat = [&](double X, double Y) {
            const double x = X / l1 - Y * cosA / (sinA * l1), y = Y / (sinA * l2);
            return Unit(y * w.corner[0] + (1.0 - x - y) * w.corner[1] + x * w.corner[2]);
        };
        double flatWorst = 0.0;
        for (double x = 0.1; x < 0.8; x += 0.1)
            for (double y = 0.1; x + y < 0.8; y += 0.1)
                flatWorst = std::max(flatWorst, ConformalDefect(flat, x * l1 + y * l2 * cosA, y * l2 * sinA, 0.01 * l1));
        EXPECT_GT(flatWorst, 2.0 * worst);
    }
}

