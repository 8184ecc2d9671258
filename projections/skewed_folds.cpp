#include "projections/skewed_folds.h"

#include <cmath>

namespace {

inline double FractionalPart(double v) { return v - std::floor(v); }

// low + (high - low) times the fractional part of (v - low)/(high - low)
// times repeats: the same place in the repeat v falls in.
double Wrap(double v, double low, double high, double repeats) {
    const double span = high - low;
    if (!(span > 0.0) || !(repeats > 0.0)) return v;
    const double t = (v - low) / span * repeats;
    return low + span * FractionalPart(t);
}

}  // namespace

TriangleCell triangleoid(double x, double y, double s) {
    const double X = x * s / 2.0, Y = y * s / 2.0 / kTriangleRowHeight;
    TriangleCell c;
    c.row = int64_t(std::floor(Y));
    c.column = int64_t(std::floor(X));
    c.u = X - double(c.column);
    // Two's complement keeps bit 1 periodic across zero: rows -2 and -1
    // are shifted like rows 2 and 3.
    if (c.row & 2) {
        c.u += 0.5;
        if (c.u >= 1.0) {
            c.u -= 1.0;
            c.column += 1;
        }
    }
    c.v = (Y - std::floor(Y)) * kTriangleRowHeight;
    return c;
}

void calc_skewed_coordinates_for_triangle(const NetBox& net, double s, double x, double y, double* outX,
                                          double* outY, int64_t* column, int64_t* row) {
    const TriangleCell c = triangleoid(x, y, s);
    constexpr double kHalfRow = kTriangleRowHeight / 2.0;
    double u = c.u - 0.5, v = c.v - kHalfRow;
    // Odd rows (of either sign) are turned by a half turn about the cell's
    // centre.
    if (c.row & 1) {
        u = -u;
        v = -v;
    }
    const double k = (net.bottom - net.top) / kTriangleRowHeight;
    *outX = (net.left + net.right) / 2.0 + u * k;
    *outY = (net.top + net.bottom) / 2.0 + v * k;
    *column = c.column;
    *row = c.row;
}

void calc_skewed_coordinates_for_hexagon(const NetBox& net, double s, double x, double y, double* outX,
                                         double* outY, int64_t* q, int64_t* r) {
    const double X = x * s, Y = y * s;
    const double qs = X + Y * 0.5773502588272095, rs = Y * 1.154700517654419;
    const double fq = std::floor(qs), fr = std::floor(rs);
    // Which corner of the lattice triangle under the point is a hexagon's
    // centre (q + r a multiple of 3); the fractional part is taken below
    // the value, so negative cells choose as positive ones do.
    const double f = FractionalPart((fq + fr) / 3.0);
    const int a = f >= 0.3 ? 1 : 0;
    const int b = (f >= 0.3 && f < 0.6) ? 1 : 0;
    double cq, cr;
    if (qs - fq < rs - fr) {
        cr = fr + a;
        cq = fq + b;
    } else {
        cr = fr + b;
        cq = fq + a;
    }
    const double dx = X - (cq - cr / 2.0), dy = Y - cr * 0.8660253882408142;
    const int64_t iq = int64_t(cq);
    const int64_t k = iq % 3;  // its sign follows q; the turn is the same either way
    const double theta = -2.0 * M_PI * double(k) / 3.0;
    const double c = std::cos(theta), sn = std::sin(theta);
    const double scale = (net.bottom - net.top) / 2.0 / 0.866025403784439;
    *outX = (dx * c - dy * sn) * scale + (net.left + net.right) / 2.0;
    *outY = (dx * sn + dy * c) * scale + (net.top + net.bottom) / 2.0;
    *q = iq;
    *r = int64_t(cr);
}

void calc_skewed_coordinates_for_tetrahedron(const NetBox& net, double repeats, double x, double y, double* outX,
                                             double* outY) {
    const double ys = y * 1.1547005383792515;
    const double xs = x + ys / 2.0;
    *outY = Wrap(ys, net.top, net.bottom, repeats);
    *outX = Wrap(xs, net.left, net.right, repeats);
}
