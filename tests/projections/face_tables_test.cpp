// The checked-in face and equal-area tables against what defines them: where
// corners and sides land, conformality of the face tables (the composite
// from the flat piece to the sphere), the forward face integral evaluated by
// Simpson's rule over every vertex of the solid, and the equal-area square's
// closed form and constant area element. Nothing here shares code with the
// generator.
#include <algorithm>
#include <cmath>
#include <array>
#include <complex>
#include <vector>

#include <gtest/gtest.h>

#include "projections/caches.h"
#include "projections/freezedried.h"

namespace {

using cd = std::complex<double>;
constexpr double kPi = 3.14159265358979323846;

// ---- the solids, seen from one face centre ----

// The stereographic coordinate of a direction given by its gnomonic point g
// on the tangent plane at the face centre.
cd StereoOfGnomonic(cd g) { return g / (1.0 + std::sqrt(1.0 + std::norm(g))); }

struct SolidView {
    const char* name;
    int sides;                   // of a face
    double vertexRadius;         // gnomonic distance of a face vertex from the face centre
    std::vector<cd> vertices;    // stereographic coordinates of every vertex but one at infinity
};

// Vertices given in 3D; the face centre is turned onto +z with a face vertex
// in the direction pi/sides.
SolidView View(const char* name, int sides, std::vector<std::array<double, 3>> vs, std::array<double, 3> centre,
               std::array<double, 3> faceVertex) {
    auto unit = [](std::array<double, 3> v) {
        const double m = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
        return std::array<double, 3>{v[0] / m, v[1] / m, v[2] / m};
    };
    auto dot = [](std::array<double, 3> a, std::array<double, 3> b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; };
    auto cross = [](std::array<double, 3> a, std::array<double, 3> b) {
        return std::array<double, 3>{a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
    };
    const auto c = unit(centre), f = unit(faceVertex);
    const double fc = dot(f, c);
    const auto radial = unit({f[0] - fc * c[0], f[1] - fc * c[1], f[2] - fc * c[2]});
    const auto across = cross(c, radial);
    SolidView s{name, sides, std::tan(std::acos(fc)), {}};
    for (const auto& raw : vs) {
        const auto v = unit(raw);
        const double z = dot(v, c);
        if (z < -1.0 + 1e-12) continue;
        // Azimuth measured from the face vertex, then put the vertex at pi/sides.
        const cd inPlane(dot(v, radial), dot(v, across));
        s.vertices.push_back(inPlane * std::polar(1.0, kPi / sides) / (1.0 + z));
    }
    return s;
}

const double kGold = 0.5 * (1.0 + std::sqrt(5.0));

SolidView TetrahedronView() {
    return View("tetrahedron", 3, {{1, 1, 1}, {1, -1, -1}, {-1, 1, -1}, {-1, -1, 1}}, {-1, -1, -1}, {1, -1, -1});
}
SolidView OctahedronView() {
    return View("octahedron", 3, {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}}, {1, 1, 1},
                {0, 0, 1});
}
SolidView IcosahedronView() {
    std::vector<std::array<double, 3>> v;
    for (double a : {-1.0, 1.0})
        for (double b : {-kGold, kGold}) v.insert(v.end(), {{0, a, b}, {a, b, 0}, {b, 0, a}});
    return View("icosahedron", 3, v, {kGold, 0, 1 + 2 * kGold}, {kGold, 0, 1});
}
SolidView DodecahedronView() {
    std::vector<std::array<double, 3>> v;
    const double h = 1.0 / kGold;
    for (double a : {-1.0, 1.0})
        for (double b : {-1.0, 1.0}) {
            for (double c : {-1.0, 1.0}) v.push_back({a, b, c});
            v.insert(v.end(), {{0, a * h, b * kGold}, {a * h, b * kGold, 0}, {b * kGold, 0, a * h}});
        }
    return View("dodecahedron", 5, v, {0, kGold, 1}, {1, 1, 1});
}

// The forward face map by Simpson's rule on the ray from 0 to t: the product
// over every vertex, normalised so that the edge midpoint lands on the face's
// edge.
struct ForwardFaceMap {
    const SolidView& s;
    double scale = 1.0;
    explicit ForwardFaceMap(const SolidView& view) : s(view) {
        const double edgeAngle = std::atan(s.vertexRadius * std::cos(kPi / s.sides));
        scale = std::tan(edgeAngle) / Integral(std::tan(0.5 * edgeAngle)).real();
    }
    cd Density(cd t) const {
        cd d = 1.0;
        const double alpha = 2.0 / (s.vertices.size() + (s.name[0] == 't' ? 1 : 0));
        for (cd tj : s.vertices) d *= std::pow(1.0 - t / tj, -alpha);
        return d;
    }
    cd Integral(cd t, int intervals = 2000) const {
        cd sum = Density(0.0) + Density(t);
        for (int i = 1; i < intervals; ++i) sum += (i % 2 ? 4.0 : 2.0) * Density(t * (double(i) / intervals));
        return sum * t / (3.0 * intervals);
    }
    cd operator()(cd t) const { return scale * Integral(t); }
};

// The triangle's disc map by Simpson's rule on the ray from 0 to t.
template <class F>
cd RayIntegralTriangle(F density, cd t, int intervals = 4000) {
    cd sum = density(0.0) + density(t);
    for (int i = 1; i < intervals; ++i) sum += (i % 2 ? 4.0 : 2.0) * density(t * (double(i) / intervals));
    return sum * t / (3.0 * intervals);
}

// ---- the tables, read as maps of the flat piece ----

struct FaceTable {
    const char* name;
    SolidView (*view)();
    int grid;
    // Corners: the table's weights (first lookup, second lookup, the rest) belong to these.
    cd P0, P1, P2;
    // The flat point of a cell, false for a cell the table does not hold; the
    // image's gnomonic point.
    bool (*cell)(int col, int row, double* first, double* second);
    cd (*image)(const struct FaceTable& t, int col, int row);
    const float* values;
};

int FaceIndex(int col, int row) { return row * 50 - row * (row - 1) / 2 + col; }  // col + row < 50 by rows
int TetIndex(int col, int row) {  // col + row <= 50
    int index = 0;
    for (int r = 0; r < row; ++r) index += std::min(50, 51 - r);
    return index + col;
}
int DodecIndex(int col, int row) {                                                 // stored bottom-up
    int index = 0;
    for (int r = 29; r > row; --r) index += 30 - r;
    return index + col;
}

// Whole faces: (b2, b0) = (col, row) / 49, entry (b2', b0'); P0 = V2, P1 = V0, P2 = V1.
cd WholeFaceImage(const FaceTable& t, int col, int row) {
    const float* e = t.values + 2 * FaceIndex(col, row);
    return double(e[0]) * t.P0 + double(e[1]) * t.P1 + (1.0 - e[0] - e[1]) * t.P2;
}
// Sextant: (w_O, w_A) = (col, row)/49, entry (w_O', w_A').
cd TetImage(const FaceTable& t, int col, int row) {
    const float* e = t.values + 2 * TetIndex(col, row);
    return double(e[0]) * t.P0 + double(e[1]) * t.P1 + (1.0 - e[0] - e[1]) * t.P2;
}
// Decant: (w_O, w_A) = (col, row)/29, entry (w_A', w_O').
cd DodecImage(const FaceTable& t, int col, int row) {
    const float* e = t.values + 2 * DodecIndex(col, row);
    return double(e[1]) * t.P0 + double(e[0]) * t.P1 + (1.0 - e[0] - e[1]) * t.P2;
}

cd Corner(double radius, double angle) { return std::polar(radius, angle); }

std::vector<FaceTable> Tables() {
    const double rt = TetrahedronView().vertexRadius, ro = OctahedronView().vertexRadius,
                 ri = IcosahedronView().vertexRadius, rd = DodecahedronView().vertexRadius;
    return {
        {"icoface", IcosahedronView, 50, Corner(ri, -kPi / 3), Corner(ri, kPi / 3), Corner(ri, kPi),
         [](int c, int r, double*, double*) { return c < 50 && c + r < 50; }, WholeFaceImage, complete_icoface_freezedried},
        {"octaface", OctahedronView, 50, Corner(ro, -kPi / 3), Corner(ro, kPi / 3), Corner(ro, kPi),
         [](int c, int r, double*, double*) { return c < 50 && c + r < 50; }, WholeFaceImage, octahedron_face_freezedried},
        {"tetface sextant", TetrahedronView, 50, 0.0, Corner(rt, kPi / 3), rt * std::cos(kPi / 3),
         [](int c, int r, double*, double*) { return c < 50 && c + r <= 50; }, TetImage, tetface_sextant_freezedried},
        {"dodecface decant", DodecahedronView, 30, 0.0, Corner(rd, kPi / 5), rd * std::cos(kPi / 5),
         [](int c, int r, double*, double*) { return c < 30 && c + r < 30; }, DodecImage, dodecface_decant_freezedried},
    };
}

cd FlatPoint(const FaceTable& t, int col, int row) {
    const double a = col / double(t.grid - 1), b = row / double(t.grid - 1);
    return a * t.P0 + b * t.P1 + (1.0 - a - b) * t.P2;
}

}  // namespace

TEST(FaceTables, CornersAndSidesLandOnTheirPlaces) {
    for (const FaceTable& t : Tables()) {
        SCOPED_TRACE(t.name);
        const int last = t.grid - 1;
        // The three corners stay.
        EXPECT_LT(std::abs(t.image(t, 0, 0) - t.P2), 1e-6);
        EXPECT_LT(std::abs(t.image(t, last, 0) - t.P0), 1e-6);
        EXPECT_LT(std::abs(t.image(t, 0, last) - t.P1), 1e-5);
        // Each side onto itself, in order.
        auto side = [](cd a, cd b, cd p) {  // distance from the line ab, and the position along it
            const cd u = (p - a) / (b - a);
            return std::pair<double, double>{u.imag() * std::abs(b - a), u.real()};
        };
        double previous[3] = {-1, -1, -1};
        for (int i = 0; i <= last; ++i) {
            const auto s0 = side(t.P2, t.P0, t.image(t, i, 0));          // second weight 0
            const auto s1 = side(t.P2, t.P1, t.image(t, 0, i));          // first weight 0
            const auto s2 = side(t.P0, t.P1, t.image(t, last - i, i));   // third weight 0
            EXPECT_NEAR(s0.first, 0.0, 2e-6) << i;
            EXPECT_NEAR(s1.first, 0.0, 2e-6) << i;
            EXPECT_NEAR(s2.first, 0.0, 2e-6) << i;
            EXPECT_GT(s0.second, previous[0]);
            EXPECT_GT(s1.second, previous[1]);
            EXPECT_GT(s2.second, previous[2]);
            previous[0] = s0.second, previous[1] = s1.second, previous[2] = s2.second;
        }
    }
}

TEST(FaceTables, WholeFacesKeepTheFaceMirror) {
    // The mirror through V1 swaps the first two weights: (b2, b0) and (b0, b2).
    for (const FaceTable& t : Tables()) {
        if (t.image != WholeFaceImage) continue;
        SCOPED_TRACE(t.name);
        for (int row = 0; row < 50; row += 3)
            for (int col = 0; col + row < 50; col += 3) {
                const float* a = t.values + 2 * FaceIndex(col, row);
                const float* b = t.values + 2 * FaceIndex(row, col);
                EXPECT_NEAR(a[0], b[1], 1e-6);
                EXPECT_NEAR(a[1], b[0], 1e-6);
            }
    }
}

// The composite from the flat piece to the sphere, on the stereographic
// coordinate of the image: Cauchy-Riemann in the affine grid frame (fourth-
// order differences), away from the face vertex where the map is singular.
TEST(FaceTables, FlatPieceToSphereIsConformal) {
    for (const FaceTable& t : Tables()) {
        SCOPED_TRACE(t.name);
        const double h = 1.0 / (t.grid - 1);
        const cd e1 = t.P0 - t.P2, e2 = t.P1 - t.P2;
        auto g = [&](int c, int r) { return StereoOfGnomonic(t.image(t, c, r)); };
        double worst = 0.0;
        int checked = 0;
        for (int row = 2; row < t.grid; ++row)
            for (int col = 2; col < t.grid; ++col) {
                if (!t.cell(col + 2, row, nullptr, nullptr) || !t.cell(col, row + 2, nullptr, nullptr)) continue;
                if (std::hypot(col, row - (t.grid - 1)) < t.grid / 6.0) continue;  // the vertex P1
                if (t.image == WholeFaceImage && (std::hypot(col - (t.grid - 1), row) < 8 || std::hypot(col, row) < 8))
                    continue;  // the other two vertices of a whole face
                const cd gx = (g(col - 2, row) - 8.0 * g(col - 1, row) + 8.0 * g(col + 1, row) - g(col + 2, row)) / (12 * h);
                const cd gy = (g(col, row - 2) - 8.0 * g(col, row - 1) + 8.0 * g(col, row + 1) - g(col, row + 2)) / (12 * h);
                const cd a = gx / e1, b = gy / e2;
                worst = std::max(worst, std::abs(a - b) / std::abs(a));
                ++checked;
            }
        EXPECT_GT(checked, 50);
        EXPECT_LT(worst, 2e-4);
    }
}

TEST(FaceTables, ForwardIntegralReturnsTheFlatPoint) {
    for (const FaceTable& t : Tables()) {
        SCOPED_TRACE(t.name);
        const SolidView view = t.view();
        const ForwardFaceMap forward(view);
        double worst = 0.0;
        int checked = 0;
        for (int row = 0; row < t.grid; row += 2)
            for (int col = 0; t.cell(col, row, nullptr, nullptr); col += 2) {
                const cd flat = FlatPoint(t, col, row);
                if (std::abs(flat - t.P1) < 0.25 * std::abs(t.P1 - t.P2)) continue;  // Simpson near a vertex
                if (t.image == WholeFaceImage &&
                    (std::abs(flat - t.P0) < 0.25 * std::abs(t.P1 - t.P2) || std::abs(flat - t.P2) < 0.25 * std::abs(t.P1 - t.P2)))
                    continue;
                worst = std::max(worst, std::abs(forward(StereoOfGnomonic(t.image(t, col, row))) - flat));
                ++checked;
            }
        EXPECT_GT(checked, 30);
        EXPECT_LT(worst, 2e-6 * view.vertexRadius);
    }
}

// The lookups the conformal polyhedra make, through the caches: the whole
// faces' corners and the sextant's edge midpoint come back unchanged.
TEST(FaceTables, CachesReadTheirTables) {
    ProjectionCacheStore* store = NewProjectionCacheStore();
    ASSERT_NE(store, nullptr);
    struct {
        int64_t tag;
        fcomplex (*fetch)(PyramidDescriptor*, double, double);
    } caches[] = {{kCacheTagIcoface, FetchFromCache_icoface},
                  {kCacheTagOctaface, FetchFromCache_octaface},
                  {kCacheTagTetfaceSextant, FetchFromCache_tetfacesextant},
                  {kCacheTagDodecDecant, FetchFromCache_ConformalDodecDecant}};
    for (const auto& c : caches) {
        SCOPED_TRACE(c.tag);
        PyramidDescriptor* pyr = ProjectionCache(store, c.tag);
        const fcomplex o = c.fetch(pyr, 0.0, 0.0);
        EXPECT_EQ(pyr->contentTag, c.tag);
        EXPECT_NEAR(o.re, 0.0, 1e-6);
        EXPECT_NEAR(o.im, 0.0, 1e-6);
        const fcomplex x = c.fetch(pyr, 1.0, 0.0);
        const fcomplex y = c.fetch(pyr, 0.0, 1.0);
        const bool swapped = c.tag == kCacheTagDodecDecant;  // its entries are (second, first)
        EXPECT_NEAR(swapped ? x.im : x.re, 1.0, 1e-6);
        EXPECT_NEAR(swapped ? y.re : y.im, 1.0, 1e-6);
        // A quarter along the first side the image is not the flat point: the
        // map moves points towards the singular corners.
        const fcomplex m = c.fetch(pyr, 0.25, 0.0);
        EXPECT_GT(std::fabs((swapped ? m.im : m.re) - 0.25), 1e-3);
    }
    DisposeProjectionCacheStore(&store);
}

// ---- the equal-area square ----

namespace {

// Octahedral equal-area square, written with longitude and height: on the
// level diamond of radius r the height is 1 - r^2 (r = x + y inside the
// diamond x + y <= 1; 2 - x - y and negative height outside) and the
// longitude from the x axis runs evenly from 0 to 90 degrees along it.
void EqualAreaClosedForm(double x, double y, double p[3]) {
    const bool inner = x + y <= 1.0;
    const double r = inner ? x + y : 2.0 - x - y;
    const double longitude = r == 0.0 ? kPi / 4 : kPi / 2 * (inner ? y / r : (1.0 - x) / r);
    const double height = inner ? 1.0 - r * r : r * r - 1.0;
    const double ring = std::sqrt(1.0 - height * height);
    p[0] = ring * std::cos(longitude), p[1] = ring * std::sin(longitude), p[2] = height;
}

// Area of the spherical triangle of three unit vectors (Van Oosterom and Strackee).
double SphericalArea(const double* a, const double* b, const double* c) {
    const double triple = a[0] * (b[1] * c[2] - b[2] * c[1]) - a[1] * (b[0] * c[2] - b[2] * c[0]) +
                          a[2] * (b[0] * c[1] - b[1] * c[0]);
    auto dot = [](const double* u, const double* v) { return u[0] * v[0] + u[1] * v[1] + u[2] * v[2]; };
    return 2.0 * std::atan2(std::fabs(triple), 1.0 + dot(a, b) + dot(b, c) + dot(c, a));
}

}  // namespace

TEST(EqualAreaSquare, TableIsTheClosedForm) {
    EXPECT_NEAR([] { double p[3]; EqualAreaClosedForm(1, 1, p); return p[2]; }(), -1.0, 1e-15);
    double worst = 0.0;
    for (int row = 0; row < 50; ++row)
        for (int col = 0; col < 50; ++col) {
            double p[3];
            EqualAreaClosedForm(col / 49.0, row / 49.0, p);
            const float* e = peirceoid_quad_freezedried + 3 * (row * 50 + col);
            for (int k = 0; k < 3; ++k) worst = std::max(worst, std::fabs(e[k] - p[k]));
            EXPECT_NEAR(std::hypot(e[0], e[1], e[2]), 1.0, 1e-6);
        }
    EXPECT_LT(worst, 1e-7);
}

// The quadrant is a quarter sphere, and every cell of the cache covers pi
// times its area. The cells next to the centre and the corner are left out:
// there the map is a cone (each level diamond onto a circle), which the
// interpolation follows with chords.
TEST(EqualAreaSquare, AreaElementIsConstant) {
    ProjectionCacheStore* store = NewProjectionCacheStore();
    ASSERT_NE(store, nullptr);
    PyramidDescriptor* pyr = ProjectionCache(store, kCacheTagEqualsquarea);
    auto at = [&](double x, double y, double* p) {
        FetchFromCache_Equalsquarea(pyr, x, y, p);
        const double m = std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]);
        for (int k = 0; k < 3; ++k) p[k] /= m;
    };
    // Cells of the cache, each cut into 4 x 4 squares of two triangles (split
    // as the lookup splits them, so each lies in one interpolation triangle).
    const int n = 49, sub = 4;
    const double h = 1.0 / (n * sub);
    double total = 0.0, worst = 0.0;
    for (int J = 0; J < n; ++J)
        for (int I = 0; I < n; ++I) {
            double cell = 0.0;
            for (int j = J * sub; j < (J + 1) * sub; ++j)
                for (int i = I * sub; i < (I + 1) * sub; ++i) {
                    double a[3], b[3], c[3], d[3];
                    at(i * h, j * h, a), at((i + 1) * h, j * h, b), at(i * h, (j + 1) * h, c);
                    at((i + 1) * h, (j + 1) * h, d);
                    cell += SphericalArea(a, b, c) + SphericalArea(b, d, c);
                }
            total += cell;
            const double r = (I + J + 1.0) / n;  // the cell centre's |x| + |y|
            if (std::min(r, 2.0 - r) > 0.15) worst = std::max(worst, std::fabs(cell * n * n / kPi - 1.0));
        }
    EXPECT_NEAR(total, kPi, 1e-3);
    EXPECT_LT(worst, 0.01);
    DisposeProjectionCacheStore(&store);
}

// ---- the Reuleaux cell tables ----

namespace {

// The cell's sixth as the tables hold it: net triangle O = 0, V = the corner
// at -60 degrees, T on the real axis at the corner's radius 1/sqrt 2;
// (w_O, w_V) = (col, row) / 50 for col + row <= 51.
constexpr int kReuleauxN = 51;
const double kCornerRadius = 1.0 / std::sqrt(2.0);
const cd kV = std::polar(kCornerRadius, -kPi / 3), kT = kCornerRadius;

int ReuleauxIndex(int col, int row) {
    int index = 0;
    for (int r = 0; r < row; ++r) index += std::min(kReuleauxN, kReuleauxN + 1 - r);
    return index + col;
}
cd ReuleauxEntry(const float* table, int col, int row) {
    const float* e = table + 2 * ReuleauxIndex(col, row);
    return cd(e[0], e[1]);
}
cd ReuleauxSource(double wO, double wV) { return wV * kV + (1.0 - wO - wV) * kT; }

// Inside the tetrahedron's vertex cell about (0, 0, 1): the direction of P
// is nearer (0, 0, 1) than the three other vertices.
bool InCell(cd P) {
    const double r2 = std::norm(P);
    const double d[3] = {2 * P.real() / (1 + r2), -2 * P.imag() / (1 + r2), (1 - r2) / (1 + r2)};
    const double v[3][3] = {{std::sqrt(8.0) / 3, 0, -1.0 / 3}, {-std::sqrt(2.0) / 3, std::sqrt(6.0) / 3, -1.0 / 3},
                            {-std::sqrt(2.0) / 3, -std::sqrt(6.0) / 3, -1.0 / 3}};
    for (const auto& k : v)
        if (d[0] * k[0] + d[1] * k[1] + d[2] * k[2] > d[2]) return false;
    return true;
}

struct ReuleauxTable {
    const char* name;
    const float* values;
    cd vertex, edgeMidpoint;  // where V and M land
    // The target as a stereographic coordinate (for the conformality check)
    // and its flat point (vertex radius 1, vertex at 60 degrees, edge midpoint
    // on the real axis) by the forward integral.
    cd (*stereo)(cd entry);
    cd (*flat)(cd entry);
};

// Orthographic disc point of the octahedron's face to its stereographic
// coordinate.
cd OrthoToStereo(cd e) { return e / (1.0 + std::sqrt(1.0 - std::norm(e))); }

std::vector<ReuleauxTable> ReuleauxTables() {
    return {
        {"to octahedron face", Reuleaux_sextant_freezedried, std::sqrt(2.0 / 3.0),
         std::polar(1.0 / std::sqrt(3.0), kPi / 3), OrthoToStereo,
         [](cd e) {
             static const SolidView octa = OctahedronView();
             static const ForwardFaceMap forward(octa);
             // Into the face map's frame: the mirror in the 30 degree line.
             return forward(OrthoToStereo(std::conj(e) * std::polar(1.0, kPi / 3))) / octa.vertexRadius;
         }},
        {"to circle", Reuleaux_to_circle_freezedried, 1.0, std::polar(1.0, kPi / 3), [](cd e) { return e; },
         [](cd e) {
             auto density = [](cd t) { return std::pow(1.0 + std::pow(t, 3), -2.0 / 3.0); };
             static const double c = std::cos(kPi / 3) / RayIntegralTriangle(density, 1.0).real();
             return c * RayIntegralTriangle(density, std::conj(e) * std::polar(1.0, kPi / 3));
         }},
    };
}

}  // namespace

TEST(ReuleauxTables, CornersAndSidesLandOnTheSixth) {
    for (const ReuleauxTable& t : ReuleauxTables()) {
        SCOPED_TRACE(t.name);
        EXPECT_LT(std::abs(ReuleauxEntry(t.values, 50, 0)), 1e-7);                 // O
        EXPECT_LT(std::abs(ReuleauxEntry(t.values, 0, 50) - t.vertex), 1e-5);       // V
        for (int i = 0; i <= 50; ++i) {
            EXPECT_NEAR(ReuleauxEntry(t.values, i, 50 - i).imag(), 0.0, 1e-6) << "OV on the vertex ray " << i;
            if (i < 50) EXPECT_NEAR(std::arg(ReuleauxEntry(t.values, i, 0)), kPi / 3, 1e-5) << "OT on the edge ray " << i;
        }
    }
    // Through the cache: the arc midpoint M, and the arc MV onto the face's
    // edge (the octahedron's edge great circle; the unit circle).
    ProjectionCacheStore* store = NewProjectionCacheStore();
    ASSERT_NE(store, nullptr);
    const double arcRadius = std::sqrt(1.5);
    const cd arcCentre = -kCornerRadius;
    const double mRadius = arcRadius - kCornerRadius;
    auto weights = [](cd P, double* wO, double* wV) {  // of P in O, V, T
        *wV = P.imag() / kV.imag();
        const double wT = (P.real() - *wV * kV.real()) / kT.real();
        *wO = 1.0 - *wV - wT;
    };
    for (int k = 0; k <= 10; ++k) {
        const double a = std::asin(kV.imag() / arcRadius) * k / 10.0;  // kV below the real axis  // from M (k = 0) to V (k = 10)
        const cd P = arcCentre + std::polar(arcRadius, a);
        double wO, wV;
        weights(P, &wO, &wV);
        const fcomplex o = FetchFromCache_ReuleauxSextantToOctoface(ProjectionCache(store, kCacheTagReuleauxOctoface), wO, wV);
        const fcomplex c = FetchFromCache_ReuleauxSextantToCircle(ProjectionCache(store, kCacheTagReuleauxCircle), wO, wV);
        EXPECT_NEAR(std::hypot(c.re, c.im), 1.0, 2e-3) << k;
        // On the octahedron's edge: the great circle through the vertex
        // A = (sqrt(2/3), 0, 1/sqrt 3) and the edge midpoint
        // B = (cos 60, sin 60, sqrt 2) / sqrt 3, normal A x B.
        const double z = std::sqrt(1.0 - o.re * o.re - o.im * o.im);
        const double A[3] = {std::sqrt(2.0 / 3.0), 0.0, 1.0 / std::sqrt(3.0)};
        const double B[3] = {0.5 / std::sqrt(3.0), 0.5, std::sqrt(2.0 / 3.0)};
        const double n[3] = {A[1] * B[2] - A[2] * B[1], A[2] * B[0] - A[0] * B[2], A[0] * B[1] - A[1] * B[0]};
        EXPECT_NEAR((o.re * n[0] + o.im * n[1] + z * n[2]) / std::hypot(n[0], n[1], n[2]), 0.0, 2e-3) << k;
        if (k == 0) {
            EXPECT_NEAR(wO, 1.0 - mRadius / kCornerRadius, 1e-12);
            EXPECT_LT(std::abs(cd(o.re, o.im) - std::polar(1.0 / std::sqrt(3.0), kPi / 3)), 2e-3);
            EXPECT_LT(std::abs(cd(c.re, c.im) - std::polar(1.0, kPi / 3)), 2e-3);
        }
    }
    DisposeProjectionCacheStore(&store);
}

// The composite from the cell's plane to the target keeps angles (and turns
// the same way), inside the cell and away from the corner V.
TEST(ReuleauxTables, CellToTargetIsConformal) {
    const double h = 1.0 / 50;
    const cd e1 = -kT, e2 = kV - kT;  // steps of w_O and w_V
    for (const ReuleauxTable& t : ReuleauxTables()) {
        SCOPED_TRACE(t.name);
        auto g = [&](int c, int r) { return t.stereo(ReuleauxEntry(t.values, c, r)); };
        double worst = 0.0;
        int checked = 0;
        for (int row = 2; row + 2 <= 50; ++row)
            for (int col = 2; col + row + 2 <= 51; ++col) {
                if (!InCell(ReuleauxSource(col * h, row * h))) continue;
                if (std::hypot(col, row - 50) < 10) continue;  // the corner V
                const cd gx = (g(col - 2, row) - 8.0 * g(col - 1, row) + 8.0 * g(col + 1, row) - g(col + 2, row)) / (12 * h);
                const cd gy = (g(col, row - 2) - 8.0 * g(col, row - 1) + 8.0 * g(col, row + 1) - g(col, row + 2)) / (12 * h);
                worst = std::max(worst, std::abs(gx / e1 - gy / e2) / std::abs(gx / e1));
                ++checked;
            }
        EXPECT_GT(checked, 300);
        EXPECT_LT(worst, 2e-4);
    }
}

// Both tables send a cell point to the target point with the same flat
// image: the dual tetrahedron's forward integral on the source side, the
// target's own forward integral on the other (Simpson's rule; all vertices).
TEST(ReuleauxTables, ForwardIntegralsAgree) {
    const SolidView tet = TetrahedronView();
    const ForwardFaceMap forward(tet);
    for (const ReuleauxTable& t : ReuleauxTables()) {
        SCOPED_TRACE(t.name);
        double worst = 0.0;
        int checked = 0;
        for (int row = 0; row <= 50; row += 3)
            for (int col = 0; col + row <= 51 && col <= 50; col += 3) {
                const cd P = ReuleauxSource(col / 50.0, row / 50.0);
                if (!InCell(P) || std::abs(P - kV) < 0.2) continue;
                const cd source = std::conj(forward(P)) / tet.vertexRadius;
                worst = std::max(worst, std::abs(t.flat(ReuleauxEntry(t.values, col, row)) - source));
                ++checked;
            }
        EXPECT_GT(checked, 40);
        EXPECT_LT(worst, 2e-6);
    }
}
