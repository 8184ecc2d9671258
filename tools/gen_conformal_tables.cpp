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
#include <cmath>
#include <complex>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

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

    // D(s w) for the given w and 1 - s.
    cd Density(cd w, double oneMinusS) const {
        const cd wm = std::pow(w, power);
        const double smMinus1 = oneMinusS == 0.0 ? 0.0 : std::expm1(power * std::log1p(-oneMinusS));
        cd d = 1.0;
        for (double r : roots) d *= std::pow((wm - r) + smMinus1 * wm, -alpha);
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

struct Table {
    std::string name;
    std::string comment;
    std::vector<float> values;
};

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

// Shortest decimal that reads back as the same float, as a float literal.
std::string FloatLiteral(float v) {
    char buf[40];
    for (int digits = 6; digits <= 9; ++digits) {
        std::snprintf(buf, sizeof buf, "%.*g", digits, static_cast<double>(v));
        if (std::strtof(buf, nullptr) == v) break;
    }
    std::string s = buf;
    if (s.find_first_of(".e") == std::string::npos) s += ".0";
    return s + "f";
}

void Emit(const Table& t) {
    std::printf("\n// %s\nconst float %s[%zu] = {\n", t.comment.c_str(), t.name.c_str(), t.values.size());
    std::string line = "   ";
    for (size_t i = 0; i < t.values.size(); ++i) {
        const std::string item = " " + FloatLiteral(t.values[i]) + ",";
        if (line.size() + item.size() > 100) {
            std::printf("%s\n", line.c_str());
            line = "   ";
        }
        line += item;
    }
    std::printf("%s\n};\n", line.c_str());
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

    std::printf("// Generated by tools/gen_conformal_tables.cpp; do not edit.\n");
    std::printf("// Parameters: %d x %d grids; Runge-Kutta start with %d steps, Newton to %g\n", kGrid, kGrid,
                kRungeKuttaSteps, kNewtonTolerance);
    std::printf("// (at most %d steps), tanh-sinh quadrature with step %g over |t| <= %g.\n", kNewtonLimit,
                kTanhSinhStep, kTanhSinhReach);
    std::printf("// Maps: regular n-gon z = c * int (1 + t^n)^(-2/n) dt; cube face\n");
    std::printf("// z = c * int (1 + 14 t^4 + t^8)^(-1/4) dt on the stereographic coordinate.\n");
    std::printf("#include \"projections/freezedried.h\"\n");
    for (const Table& t : tables) Emit(t);
    return 0;
}
