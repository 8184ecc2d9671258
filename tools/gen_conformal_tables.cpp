// Writes projections/generated/conformal_tables.cpp: the conformal lookup
// tables of the projection caches, computed from their definitions.
//
//   build/generators/gen_conformal_tables > projections/generated/conformal_tables.cpp
//
// Every table samples one map of the form
//
//     z(w) = c * integral from 0 to w of D(t) dt,
//
// a Schwarz-Christoffel-type integral with dihedral symmetry, real on the real
// axis, whose symmetry-vertex lies in the direction pi/n:
//
//   regular n-gon:  D(t) = (1 + t^n)^(-2/n).  The unit disc goes onto the
//                   regular n-gon with edge midpoints in the directions
//                   2 pi k / n and vertices in the directions pi/n + 2 pi k / n.
//   cube face:      D(t) = (1 + 14 t^4 + t^8)^(-1/4), t the stereographic
//                   coordinate (x + i y) / (1 + z) of the unit sphere. This is
//                   the conformal map of the cube face |x/z|, |y/z| <= 1 onto
//                   the flat square (its derivative follows from the
//                   octahedral invariants: with T = t (t^4 - 1) and
//                   W = t^8 + 14 t^4 + 1, the quotient of W^3 / (108 T^4) by
//                   the integral of the flat triangle's Schwarz-Christoffel
//                   form reduces to W^(-1/4)).
//
// The tables hold the inverse map (polygon or square to disc or sphere).
// For each grid point z the inverse w is found by integrating
// dw/dz = 1 / (c D(w)) from 0 to z with fourth-order Runge-Kutta, then refined
// by Newton steps on z(w) - z = 0, where z(w) is integrated along the ray from
// 0 to w by tanh-sinh quadrature (which copes with the integrable singularity
// at the vertices). Points beyond a polygon's edge (only the triangle's grid
// reaches past one) use the reflection principle: w(z) = 1 / conj(w(z*)), z*
// the mirror image of z in that edge. Vertices take their exact images.
//
// Frames of the tables, inferred from their readers:
//
// Peirce_octant_freezedried (tag 1, 50 x 50, cells with column <= row):
//   grid (column, row) / 49 is the point x + i y of the square [-1, 1]^2;
//   the entry is the disc point (p, q) of the conformal map of that square
//   onto the unit disc that keeps the centre, sends the edge midpoint (1, 0)
//   to (1, 0) and the corner (1, 1) to (cos 45, sin 45). The Peirce fold reads
//   the octant 0 <= y <= x through the transposed cells (pair swapped, which is
//   the map's mirror symmetry in the diagonal) and turns the result by 45
//   degrees itself.
//
// spherecube_octant_freezedried (tag 2, 50 x 50, cells with column <= row):
//   grid (column, row) / 49 is the point (u, v) of the cube face [-1, 1]^2
//   centred on +z; the entry is (-x, -y) of the sphere point (x, y, z) that
//   the conformal cube map gives it, where (x/z, y/z) has the signs of
//   (u, v). The negative sign is what the fetch needs: it returns (-X/Z, -Y/Z)
//   and the barycentric cube warp reads that as the warped face coordinate,
//   which must lie in [0, 1] for a face point in [0, 1].
//
// pent_decant_freezedried (tag 3, n = 5), tri_sextant_freezedried (tag 4,
// n = 3), hex_dodecant_freezedried (tag 5, n = 6), nu_square_octant_freezedried
// (tag 9, n = 4); all cells of a 50 x 50 grid:
//   base triangle of the polygon of vertex radius 1: centre O = 0, edge
//   midpoint B = cos(pi/n), vertex A = exp(i pi/n). Grid column / 49 is the
//   weight w_O of the centre and row / 49 the weight w_A of the vertex, so
//   z = w_O O + w_A A + (1 - w_O - w_A) B: (0, 0) is the edge midpoint,
//   (1, 0) the centre and (0, 1) the vertex; cells with w_O + w_A > 1 lie in
//   the mirrored neighbour sector (or, for the triangle, are continued across
//   the edge). The entry is (-Re w, Im w), w the disc image of z: the pentagon
//   reader turns (-c0, c1) back by the fold's angle, so the disc image keeps
//   each vertex in its own direction. The sector therefore opens from the
//   negative real axis: B at (-1, 0), A at (-cos(pi/n), sin(pi/n)).
//
// Face tables. Each face of a regular solid is drawn flat as its gnomonic
// image (the tangent plane at the face centre), and the face map (see
// SolidFaceMap) carries a flat point to a direction; the entry is the pair of
// weights of the flat point with that direction, so a consumer that puts a
// net point at weights b and reads weights b' places it on the face where
// the conformal map puts it. The map keeps the face's symmetry.
//
// complete_icoface_freezedried (tag 13), octahedron_face_freezedried (tag 14;
// 50 x 50, cells with column + row <= 49): the whole triangle V0 V1 V2 with
// (b2, b0) = (column, row) / 49; the entry is (b2', b0'). Any corner order
// reads the same table.
//
// tetface_sextant_freezedried (tag 6; 50 x 50, cells with column + row <= 50):
// a sixth of a tetrahedron face, the triangle of the face centre O, a vertex A
// and the midpoint B of an edge through A, with (w_O, w_A) = (column, row) /
// 49 and w_B = 1 - w_O - w_A; the entry is (w_O', w_A'). The cells with
// column + row = 50 lie just across OA, in the mirrored neighbour sixth. A
// net triangle reading it has its b2 at the face centre, b0 at the vertex and
// b1 at the edge midpoint.
//
// dodecface_decant_freezedried (tag 15; 30 x 30, rows stored from the top):
// a tenth of a dodecahedron face, O, A, B as above; stored row k is grid row
// r = 29 - k, and the cells with column + r <= 29 hold the point
// (w_O, w_A) = (column, r) / 29; the entry is (w_A', w_O') (the reader
// takes the first for b2 and the second for b1, looking up at (b1, b2)). A
// net triangle reading it has b1 at the face centre, b2 at the vertex and
// b0 at the edge midpoint.
//
// peirceoid_quad_freezedried (tag 12; 50 x 50, all cells, triples): the
// quadrant x, y >= 0 of the octahedral equal-area square (EqualAreaSquare),
// (x, y) = (column, row) / 49, entry (X, Y, Z) with X, Y >= 0; the reader
// gives X the sign of x and Y the sign of y. Its creases (the diamond
// x + y = 1) run along the cell diagonals the simplicial lookup splits on.
#include <cmath>
#include <complex>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "tools/float_tables.h"

namespace {

using cd = std::complex<double>;
constexpr double kPi = 3.14159265358979323846;

constexpr int kGrid = 50;              // samples per side of every table here
constexpr int kRungeKuttaSteps = 64;   // steps of the starting estimate
constexpr int kNewtonLimit = 30;       // Newton refinements at most
constexpr double kNewtonTolerance = 1e-15;
constexpr double kTanhSinhStep = 1.0 / 32.0;
constexpr double kTanhSinhReach = 4.0;  // |t| beyond which the weights vanish

// The integrand as a product of factors (t^m - r_j)^(-alpha) with a common
// exponent, written so that it can be evaluated at s*w with 1 - s known
// exactly: t^m - r = (w^m - r) + (s^m - 1) w^m keeps its accuracy next to a
// vertex, where w^m - r is small.
struct ConformalIntegral {
    int symmetry;           // n: the map commutes with turns by 2 pi / n
    int power;              // m
    std::vector<double> roots;
    double alpha;
    double scale = 1.0;     // c
    cd vertexPreimage{};    // w at the symmetry vertex
    cd vertexImage{};       // z there
    // Factors written as 1 - t^m / r_j, which is 1 at the origin (needed when
    // a root is positive: t^m - r would start on the branch cut).
    bool unitAtOrigin = false;

    // D(s w) for the given w and 1 - s.
    cd Density(cd w, double oneMinusS) const {
        const cd wm = std::pow(w, power);
        const double smMinus1 = oneMinusS == 0.0 ? 0.0 : std::expm1(power * std::log1p(-oneMinusS));
        cd d = 1.0;
        for (double r : roots) {
            const cd factor = (wm - r) + smMinus1 * wm;
            d *= std::pow(unitAtOrigin ? factor / -r : factor, -alpha);
        }
        return d;
    }
    cd Derivative(cd w) const { return scale * Density(w, 0.0); }

    // c * integral over s from 0 to 1 of D(s w) w ds, by tanh-sinh.
    cd Forward(cd w) const {
        if (w == cd(0.0)) return 0.0;
        cd sum = 0.0;
        for (double t = -kTanhSinhReach; t <= kTanhSinhReach + 1e-12; t += kTanhSinhStep) {
            const double u = 0.5 * kPi * std::sinh(t);
            const double e = std::exp(-2.0 * std::fabs(u));
            // x = tanh(u); s = (1 + x)/2; 1 - s = (1 - x)/2, both without cancellation.
            const double small = e / (1.0 + e);  // (1 - |x|)/2
            const double oneMinusS = u >= 0.0 ? small : 1.0 - small;
            const double ch = std::cosh(u);
            const double weight = 0.5 * kPi * std::cosh(t) / (ch * ch) * 0.5;  // dx/dt * ds/dx
            if (weight == 0.0) continue;
            sum += weight * Density(w, oneMinusS);
        }
        return scale * kTanhSinhStep * sum * w;
    }

    // The w with Forward(w) = z, z inside the image of the closed disc piece.
    cd Inverse(cd z) const {
        if (std::abs(z - vertexImage) < 1e-13) return vertexPreimage;
        cd w = 0.0;
        const double h = 1.0 / kRungeKuttaSteps;
        auto slope = [&](cd at) { return z / Derivative(at); };
        for (int i = 0; i < kRungeKuttaSteps; ++i) {
            const cd k1 = slope(w);
            const cd k2 = slope(w + 0.5 * h * k1);
            const cd k3 = slope(w + 0.5 * h * k2);
            const cd k4 = slope(w + h * k3);
            w += h / 6.0 * (k1 + 2.0 * k2 + 2.0 * k3 + k4);
        }
        for (int i = 0; i < kNewtonLimit; ++i) {
            const cd step = (Forward(w) - z) / Derivative(w);
            w -= step;
            if (std::abs(step) <= kNewtonTolerance) break;
        }
        return w;
    }
};

// Fixes c so that the point w = edgeMidpointPreimage (real) lands on the real
// value `target`, and records the symmetry vertex.
void Normalise(ConformalIntegral& map, double edgeMidpointPreimage, double target, cd vertexPreimage) {
    map.scale = 1.0;
    map.scale = target / map.Forward(edgeMidpointPreimage).real();
    map.vertexPreimage = vertexPreimage;
    map.vertexImage = map.Forward(vertexPreimage);
}

// The disc map of the regular n-gon with the given vertex radius.
ConformalIntegral PolygonMap(int n, double vertexRadius) {
    ConformalIntegral map{n, n, {-1.0}, 2.0 / n};
    Normalise(map, 1.0, vertexRadius * std::cos(kPi / n), std::polar(1.0, kPi / n));
    // Pin the vertex to its exact place; the quadrature agrees to rounding.
    map.vertexImage = std::polar(vertexRadius, kPi / n);
    return map;
}

// The conformal cube map on the stereographic coordinate, face [-1, 1]^2.
ConformalIntegral CubeMap() {
    const double a = -7.0 + 4.0 * std::sqrt(3.0), b = -7.0 - 4.0 * std::sqrt(3.0);
    ConformalIntegral map{4, 4, {a, b}, 0.25};
    const double edgeMidpoint = std::tan(kPi / 8.0);                      // 45 degrees from the centre
    const cd vertex = std::polar(std::pow(-a, 0.25), kPi / 4.0);           // (1, 1, 1)/sqrt 3
    Normalise(map, edgeMidpoint, 1.0, vertex);
    map.vertexImage = cd(1.0, 1.0);
    return map;
}

// Disc image of a point of the regular n-gon of vertex radius 1, continued by
// reflection across an edge when the point lies beyond it.
cd PolygonInverse(const ConformalIntegral& map, cd z) {
    const int n = map.symmetry;
    const double inradius = std::cos(kPi / n);
    for (int k = 0; k < n; ++k) {
        const cd normal = std::polar(1.0, 2.0 * kPi * k / n);
        const double beyond = (z * std::conj(normal)).real() - inradius;
        if (beyond > 1e-12) {
            const cd mirrored = z - 2.0 * beyond * normal;
            return 1.0 / std::conj(map.Inverse(mirrored));
        }
    }
    return map.Inverse(z);
}

Table SquareOctantTable(const char* name, const char* comment, const std::function<void(double, double, float*)>& entry) {
    Table t{name, comment, {}};
    for (int row = 0; row < kGrid; ++row)
        for (int col = 0; col <= row; ++col) {
            float pair[2];
            entry(col / double(kGrid - 1), row / double(kGrid - 1), pair);
            t.values.push_back(pair[0]);
            t.values.push_back(pair[1]);
        }
    return t;
}

Table PolygonPieceTable(const char* name, const char* comment, int n) {
    const ConformalIntegral map = PolygonMap(n, 1.0);
    const cd A = std::polar(1.0, kPi / n), B = std::cos(kPi / n);
    Table t{name, comment, {}};
    for (int row = 0; row < kGrid; ++row)
        for (int col = 0; col < kGrid; ++col) {
            const double wO = col / double(kGrid - 1), wA = row / double(kGrid - 1);
            const cd z = wA * A + (1.0 - wO - wA) * B;
            const cd w = PolygonInverse(map, z);
            t.values.push_back(static_cast<float>(-w.real()));
            t.values.push_back(static_cast<float>(w.imag()));
        }
    return t;
}

// ---- faces of the regular solids ----

struct Vec {
    double x, y, z;
};
Vec operator-(Vec a, Vec b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec operator+(Vec a, Vec b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec operator*(double s, Vec a) { return {s * a.x, s * a.y, s * a.z}; }
double Dot(Vec a, Vec b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec Cross(Vec a, Vec b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
Vec Unit(Vec a) { return (1.0 / std::sqrt(Dot(a, a))) * a; }

// A solid's vertices (any scale), the number of sides of its faces, and
// the directions of one face's centre and of one of that face's vertices.
struct Solid {
    std::vector<Vec> vertices;
    int sides;
    Vec faceCentre;
    Vec faceVertex;
};

Solid Tetrahedron() {
    return {{{1, 1, 1}, {1, -1, -1}, {-1, 1, -1}, {-1, -1, 1}}, 3, {-1, -1, -1}, {1, -1, -1}};
}
Solid Octahedron() {
    return {{{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}}, 3, {1, 1, 1}, {1, 0, 0}};
}
Solid Icosahedron() {
    const double g = 0.5 * (1.0 + std::sqrt(5.0));
    std::vector<Vec> v;
    for (double a : {-1.0, 1.0})
        for (double b : {-g, g}) {
            v.push_back({0, a, b});
            v.push_back({a, b, 0});
            v.push_back({b, 0, a});
        }
    // The face (0, 1, g), (0, -1, g), (g, 0, 1).
    return {v, 3, {g, 0, 2 * g + 1}, {0, 1, g}};
}
Solid Dodecahedron() {
    const double g = 0.5 * (1.0 + std::sqrt(5.0)), h = 1.0 / g;
    std::vector<Vec> v;
    for (double a : {-1.0, 1.0})
        for (double b : {-1.0, 1.0}) {
            for (double c : {-1.0, 1.0}) v.push_back({a, b, c});
            v.push_back({0, a * h, b * g});
            v.push_back({a * h, b * g, 0});
            v.push_back({b * g, 0, a * h});
        }
    // The face about (0, g, 1): (1, 1, 1), (-1, 1, 1), (0, h, g), (h, g, 0), (-h, g, 0).
    return {v, 5, {0, g, 1}, {1, 1, 1}};
}

// The conformal map of the flat face onto the solid's spherical face, as the
// integral z = c * int prod_j (1 - t/t_j)^(-2/N) dt over the stereographic
// coordinate t = (x + i y)/(1 + z) about the face centre, in the frame where
// a vertex of the face lies in the direction pi/n (n the face's sides) and
// an edge midpoint on the positive real axis. The N vertices fall into rings
// of n about the centre, each ring contributing 1 - t^n / t_j^n; a vertex
// opposite the centre (t infinite) drops out. The flat face is the face's
// gnomonic image on the tangent plane at the centre: the edge midpoint's
// preimage tan(theta/2) goes to tan theta, theta its angle from the centre.
struct FaceMap {
    ConformalIntegral map;
    double vertexRadius;  // gnomonic distance of a face vertex from the centre
};

FaceMap SolidFaceMap(const Solid& s) {
    const int n = s.sides;
    const Vec e3 = Unit(s.faceCentre);
    const Vec v0 = Unit(s.faceVertex);
    const Vec radial = Unit(v0 - Dot(v0, e3) * e3);
    const Vec side = Cross(e3, radial);
    // e1 is the face vertex's direction turned back by pi/n about the centre.
    const double a = -kPi / n;
    const Vec e1 = Unit(std::cos(a) * radial + std::sin(a) * side);
    const Vec e2 = Cross(e3, e1);
    ConformalIntegral map{n, n, {}, 2.0 / s.vertices.size()};
    map.unitAtOrigin = true;
    for (const Vec& raw : s.vertices) {
        const Vec v = Unit(raw);
        const double z = Dot(v, e3);
        if (z < -1.0 + 1e-12) continue;  // the vertex opposite the centre
        const cd t = cd(Dot(v, e1), Dot(v, e2)) / (1.0 + z);
        const double r = std::pow(t, n).real();
        bool seen = false;
        for (double known : map.roots) seen = seen || std::fabs(known - r) < 1e-9 * std::fabs(r);
        if (!seen) map.roots.push_back(r);
    }
    const double vertexAngle = std::acos(Dot(v0, e3));
    const double edgeAngle = std::atan(std::tan(vertexAngle) * std::cos(kPi / n));
    const double vertexRadius = std::tan(vertexAngle);
    Normalise(map, std::tan(0.5 * edgeAngle), std::tan(edgeAngle), std::polar(std::tan(0.5 * vertexAngle), kPi / n));
    map.vertexImage = std::polar(vertexRadius, kPi / n);
    return {map, vertexRadius};
}

// The gnomonic point (x/z, y/z) of the sphere point with stereographic
// coordinate t.
cd Gnomonic(cd t) { return 2.0 * t / (1.0 - std::norm(t)); }

// Weights (w0, w1) of z with respect to the corners P0, P1, P2 (w2 = 1 - w0 - w1).
void Weights(cd z, cd P0, cd P1, cd P2, double* w0, double* w1) {
    const cd d = z - P2, e0 = P0 - P2, e1 = P1 - P2;
    const double det = e0.real() * e1.imag() - e0.imag() * e1.real();
    *w0 = (d.real() * e1.imag() - d.imag() * e1.real()) / det;
    *w1 = (e0.real() * d.imag() - e0.imag() * d.real()) / det;
}

// The face point (in gnomonic coordinates) whose direction is the conformal
// image of the flat-face point z.
cd FaceImage(const FaceMap& f, cd z) { return Gnomonic(f.map.Inverse(z)); }

// For the flat point a P0 + b P1 + (1 - a - b) P2 of a face triangle, the
// weights (a', b') of its image in the same frame.
void ImageWeights(const FaceMap& f, cd P0, cd P1, cd P2, double a, double b, double* a2, double* b2) {
    Weights(FaceImage(f, a * P0 + b * P1 + (1.0 - a - b) * P2), P0, P1, P2, a2, b2);
}

// A whole triangular face, corners at the vertex radius in the directions
// pi/3, pi and 5 pi/3. Cells col + row <= 49: (b2, b0) = (col, row)/49; the
// entry is (b2', b0') of the image.
Table WholeTriangleFaceTable(const char* name, const char* comment, const Solid& solid) {
    const FaceMap f = SolidFaceMap(solid);
    const cd V0 = std::polar(f.vertexRadius, kPi / 3), V1 = std::polar(f.vertexRadius, kPi),
             V2 = std::polar(f.vertexRadius, -kPi / 3);
    Table t{name, comment, {}};
    for (int row = 0; row < kGrid; ++row)
        for (int col = 0; col + row < kGrid; ++col) {
            double w2, w0;
            ImageWeights(f, V2, V0, V1, col / double(kGrid - 1), row / double(kGrid - 1), &w2, &w0);
            t.values.push_back(static_cast<float>(w2));
            t.values.push_back(static_cast<float>(w0));
        }
    return t;
}

// The base triangle of a face of n sides: centre O = 0, edge midpoint B on
// the real axis, vertex A in the direction pi/n.
struct Piece {
    cd O, A, B;
};
Piece FacePiece(const FaceMap& f, int n) {
    return {0.0, std::polar(f.vertexRadius, kPi / n), f.vertexRadius * std::cos(kPi / n)};
}

// The sixth of a tetrahedron face: cells col + row <= 50 of the 50-grid,
// (w_O, w_A) = (col, row)/49 (the cells with col + row = 50 lie just across
// OA, in the neighbouring sixth of the same face); entry (w_O', w_A').
Table TetfaceSextantTable(const char* name, const char* comment) {
    const FaceMap f = SolidFaceMap(Tetrahedron());
    const Piece k = FacePiece(f, 3);
    Table t{name, comment, {}};
    for (int row = 0; row < kGrid; ++row)
        for (int col = 0; col < kGrid && col + row <= kGrid; ++col) {
            double iO, iA;
            ImageWeights(f, k.O, k.A, k.B, col / double(kGrid - 1), row / double(kGrid - 1), &iO, &iA);
            t.values.push_back(static_cast<float>(iO));
            t.values.push_back(static_cast<float>(iA));
        }
    return t;
}

// The tenth of a dodecahedron face on a 30-grid, rows stored from the top
// (stored row k is grid row 29 - k), cells col + (grid row) <= 29:
// (w_O, w_A) = (col, grid row)/29; entry (w_A', w_O').
Table DodecfaceDecantTable(const char* name, const char* comment) {
    constexpr int kDodecGrid = 30;
    const FaceMap f = SolidFaceMap(Dodecahedron());
    const Piece k = FacePiece(f, 5);
    Table t{name, comment, {}};
    for (int stored = 0; stored < kDodecGrid; ++stored) {
        const int row = kDodecGrid - 1 - stored;
        for (int col = 0; col + row < kDodecGrid; ++col) {
            double iO, iA;
            ImageWeights(f, k.O, k.A, k.B, col / double(kDodecGrid - 1), row / double(kDodecGrid - 1), &iO, &iA);
            t.values.push_back(static_cast<float>(iA));
            t.values.push_back(static_cast<float>(iO));
        }
    }
    return t;
}

// ---- the Reuleaux cell ----

// The cell is the tetrahedron's vertex cell about (0, 0, 1) drawn in the
// stereographic plane P (direction (2x, -2y, 1 - r^2) / (1 + r^2)): a face of
// the dual tetrahedron, corners at radius 1/sqrt 2 in the directions 60, 180
// and 300 degrees, its sides circular arcs through the arc midpoints at
// radius tan(27.37 degrees) in the directions 0, 120 and 240 degrees. The
// tetrahedron face map in P is the same as in the face's own frame (the map
// commutes with the mirror that relates the two).
//
// A sixth of the cell (centre O, corner V, arc midpoint M) is held by the net
// triangle O, V, T with T at the corner radius on the ray OM: the arc bulges
// past the chord VM but stays inside OVT (the arc's tangent at V meets the
// ray OM at T), and points between the arc and T lie outside the cell, which
// the consumer misses before it looks up. Frame (51 x 51, cells with
// column + row <= 51): (w_O, w_V) = (column, row) / 50, w_T = 1 - w_O - w_V;
// the cells with column + row = 51 lie just across OV. A consumer reads the
// lookup (b2, b0), so the net triangle carries b2 at O, b0 at V and b1 at T.
//
// The base sixth, the one the consumer takes without negating c1 (odd tags),
// has V at -60 degrees and T at 0 degrees, so its image turns the same way;
// the even tags read the mirrored sixth (V at +60 degrees), their c1 negated.
// With the spins 0, 240, 240, 120, 120, 0 the six tags t mod 6 fill the
// target sectors [300, 360], [240, 300], [180, 240], [120, 180], [60, 120]
// and [0, 60] degrees.
//
// Reuleaux_sextant_freezedried (tag 7): the sixth onto the matching sixth of
// an octahedron face seen in the orthographic disc (face centre at the
// disc's centre): the entry (x, y) of the image's unit vector (x, y, z),
// the corner V on the ray along +x at sqrt(2/3), M on the 60 degree ray at
// 1/sqrt 3. The dual tetrahedron's face map takes the cell onto a flat
// triangle, the octahedron's inverse face map takes that onto the
// octahedron's spherical face.
//
// Reuleaux_to_circle_freezedried (tag 8): the sixth onto the 60 degree
// sector of the unit disc, V at 1, M at exp(i pi/3): the dual tetrahedron's
// face map, then the inverse of the regular triangle's disc map (a
// stereographic disc point).

constexpr int kReuleauxGrid = 51;

Table ReuleauxTable(const char* name, const char* comment, const std::function<cd(cd flat)>& target) {
    const FaceMap tet = SolidFaceMap(Tetrahedron());
    const double corner = 1.0 / std::sqrt(2.0);  // tan(vertex angle / 2) of the tetrahedron
    const cd V = std::polar(corner, -kPi / 3), T = corner;
    Table t{name, comment, {}};
    for (int row = 0; row < kReuleauxGrid; ++row)
        for (int col = 0; col < kReuleauxGrid && col + row <= kReuleauxGrid; ++col) {
            const double wO = col / double(kReuleauxGrid - 1), wV = row / double(kReuleauxGrid - 1);
            const cd P = wV * V + (1.0 - wO - wV) * T;
            // The flat face, scaled to vertex radius 1, vertex at -60 degrees
            // (the corner itself pinned to its exact place).
            const cd vertex = std::polar(1.0, -kPi / 3);
            cd flat = tet.map.Forward(P) / tet.vertexRadius;
            if (std::abs(flat - vertex) < 1e-7) flat = vertex;
            // Turned so that the vertex lies on the real axis.
            const cd w = target(flat * std::polar(1.0, kPi / 3));
            t.values.push_back(static_cast<float>(w.real()));
            t.values.push_back(static_cast<float>(w.imag()));
        }
    return t;
}

// ---- the equal-area square ----

// The octahedral equal-area map of the square [-1, 1]^2 onto the sphere:
// the diamond |x| + |y| <= 1 onto the hemisphere about (0, 0, 1), the four
// corners onto the other one. On each level diamond of radius r (r = |x| + |y|
// inside, 2 - |x| - |y| outside) the height is +-(1 - r^2), which gives the cap
// its area 2 pi r^2 = pi times the diamond's, and the angle about the pole
// runs evenly along the diamond's sides.
void EqualAreaSquare(double x, double y, double out[3]) {
    const double ax = std::fabs(x), ay = std::fabs(y), d = 1.0 - (ax + ay);
    const double r = 1.0 - std::fabs(d);
    const double phi = r == 0.0 ? kPi / 4.0 : ((ay - ax) / r + 1.0) * kPi / 4.0;
    const double ring = r * std::sqrt(2.0 - r * r);
    out[0] = std::copysign(std::cos(phi) * ring, x);
    out[1] = std::copysign(std::sin(phi) * ring, y);
    out[2] = std::copysign(1.0 - r * r, d);
}

Table EqualAreaQuadrantTable(const char* name, const char* comment) {
    Table t{name, comment, {}};
    for (int row = 0; row < kGrid; ++row)
        for (int col = 0; col < kGrid; ++col) {
            double p[3];
            EqualAreaSquare(col / double(kGrid - 1), row / double(kGrid - 1), p);
            for (double c : p) t.values.push_back(static_cast<float>(c));
        }
    return t;
}

}  // namespace

int main() {
    std::vector<Table> tables;

    const ConformalIntegral square = PolygonMap(4, std::sqrt(2.0));
    tables.push_back(SquareOctantTable(
        "Peirce_octant_freezedried",
        "Square [-1, 1]^2 onto the unit disc, corner (1, 1) to 45 degrees; (column, row) / 49, column <= row.",
        [&](double x, double y, float* out) {
            const cd w = square.Inverse(cd(x, y));
            out[0] = static_cast<float>(w.real());
            out[1] = static_cast<float>(w.imag());
        }));

    const ConformalIntegral cube = CubeMap();
    tables.push_back(SquareOctantTable(
        "spherecube_octant_freezedried",
        "Conformal cube face onto the sphere: (-x, -y) of the image of (u, v) = (column, row) / 49, column <= row.",
        [&](double u, double v, float* out) {
            const cd t = cube.Inverse(cd(u, v));
            const double r2 = std::norm(t);
            out[0] = static_cast<float>(-2.0 * t.real() / (1.0 + r2));
            out[1] = static_cast<float>(-2.0 * t.imag() / (1.0 + r2));
        }));

    tables.push_back(PolygonPieceTable("pent_decant_freezedried",
                                       "Pentagon tenth onto a 36 degree sector: (-Re w, Im w) at (w_O, w_A) = (column, row) / 49.", 5));
    tables.push_back(PolygonPieceTable("tri_sextant_freezedried",
                                       "Triangle sixth onto a 60 degree sector: (-Re w, Im w) at (w_O, w_A) = (column, row) / 49.", 3));
    tables.push_back(PolygonPieceTable("hex_dodecant_freezedried",
                                       "Hexagon twelfth onto a 30 degree sector: (-Re w, Im w) at (w_O, w_A) = (column, row) / 49.", 6));
    tables.push_back(PolygonPieceTable("nu_square_octant_freezedried",
                                       "Square eighth onto a 45 degree sector: (-Re w, Im w) at (w_O, w_A) = (column, row) / 49.", 4));

    tables.push_back(EqualAreaQuadrantTable(
        "peirceoid_quad_freezedried",
        "Octahedral equal-area square onto the sphere: (x, y, z) of the image of (column, row) / 49."));
    tables.push_back(WholeTriangleFaceTable(
        "complete_icoface_freezedried",
        "Icosahedron face onto its spherical face: (b2', b0') at (b2, b0) = (column, row) / 49, column + row <= 49.",
        Icosahedron()));
    tables.push_back(WholeTriangleFaceTable(
        "octahedron_face_freezedried",
        "Octahedron face onto its spherical face: (b2', b0') at (b2, b0) = (column, row) / 49, column + row <= 49.",
        Octahedron()));
    tables.push_back(TetfaceSextantTable(
        "tetface_sextant_freezedried",
        "Tetrahedron face sixth onto its spherical sixth: (w_O', w_A') at (w_O, w_A) = (column, row) / 49, column + row <= 50."));
    tables.push_back(DodecfaceDecantTable(
        "dodecface_decant_freezedried",
        "Dodecahedron face tenth onto its spherical tenth: (w_A', w_O') at (w_O, w_A) = (column, 29 - stored row) / 29."));
    {
        // Flat triangles here have vertex radius 1, a vertex on the real axis
        // and an edge midpoint at 60 degrees; the maps below use the frame
        // with the vertex at 60 degrees and the edge midpoint on the real
        // axis, hence the mirror in the 30 degree line on the way in and out.
        const cd turn = std::polar(1.0, kPi / 3);
        const FaceMap octa = SolidFaceMap(Octahedron());
        tables.push_back(ReuleauxTable(
            "Reuleaux_sextant_freezedried",
            "Reuleaux cell sixth onto an octahedron face sixth, orthographic (x, y) at (w_O, w_V) = (column, row) / 50.",
            [&](cd flat) {
                const cd t = octa.map.Inverse(std::conj(flat) * turn * octa.vertexRadius);
                return std::conj(2.0 * t / (1.0 + std::norm(t))) * turn;
            }));
        const ConformalIntegral triangle = PolygonMap(3, 1.0);
        tables.push_back(ReuleauxTable(
            "Reuleaux_to_circle_freezedried",
            "Reuleaux cell sixth onto a 60 degree sector of the unit disc at (w_O, w_V) = (column, row) / 50.",
            [&](cd flat) { return std::conj(PolygonInverse(triangle, std::conj(flat) * turn)) * turn; }));
    }

    std::printf("// Generated by tools/gen_conformal_tables.cpp; do not edit.\n");
    std::printf("// Parameters: %d x %d grids; Runge-Kutta start with %d steps, Newton to %g\n", kGrid, kGrid,
                kRungeKuttaSteps, kNewtonTolerance);
    std::printf("// (at most %d steps), tanh-sinh quadrature with step %g over |t| <= %g.\n", kNewtonLimit,
                kTanhSinhStep, kTanhSinhReach);
    std::printf("// Maps: regular n-gon z = c * int (1 + t^n)^(-2/n) dt; cube face\n");
    std::printf("// z = c * int (1 + 14 t^4 + t^8)^(-1/4) dt on the stereographic coordinate; faces of the\n");
    std::printf("// regular solids z = c * int prod (1 - t/t_j)^(-2/N) dt over their N vertices; the\n");
    std::printf("// octahedral equal-area square in closed form.\n");
    std::printf("#include \"projections/freezedried.h\"\n");
    for (const Table& t : tables) Emit(t);
    return 0;
}
