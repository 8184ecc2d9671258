// Complex numbers and 2D points: the plane geometry of the projections,
// conformal warps, hyperbolic tilings and florets. `fcomplex` is a plain value;
// every operation is a pure function returning by value. The small ones run for
// every output sample, so they are inline here; the inverse trigonometric and
// hyperbolic functions and the n-th roots live in complex.cpp.
#pragma once

#include <cmath>

#include "platform/cg_geometry.h"

struct fcomplex {
    double re;
    double im;
};

// A 2x2 matrix acting as (m0*vx + m2*vy, m1*vx + m3*vy): (m0, m1) is its first
// column, (m2, m3) its second.
struct Mat2 {
    double m0, m1, m2, m3;
};

// --- construction and plain arithmetic ---------------------------------------

inline fcomplex Complex(double re, double im) { return {re, im}; }
inline fcomplex Cone() { return {1.0, 0.0}; }
inline fcomplex Cadd(fcomplex p, fcomplex q) { return {p.re + q.re, p.im + q.im}; }
inline fcomplex Csub(fcomplex p, fcomplex q) { return {p.re - q.re, p.im - q.im}; }
inline fcomplex Cscale(fcomplex z, double s) { return {z.re * s, z.im * s}; }
inline fcomplex Caddthree(fcomplex p, fcomplex q, fcomplex r) {
    return {p.re + q.re + r.re, p.im + q.im + r.im};
}
inline fcomplex Csubthree(fcomplex p, fcomplex q, fcomplex r) {
    return {p.re - q.re - r.re, p.im - q.im - r.im};
}
inline fcomplex Cmidpoint(fcomplex p, fcomplex q) {
    return {(p.re + q.re) * 0.5, (p.im + q.im) * 0.5};
}
inline fcomplex Cnegative(fcomplex z) { return {-z.re, -z.im}; }
inline fcomplex Conjg(fcomplex z) { return {z.re, -z.im}; }
inline double Crealpart(fcomplex z) { return z.re; }
// A quarter turn clockwise.
inline fcomplex Cspin90degrees(fcomplex z) { return {z.im, -z.re}; }
inline fcomplex Ctimesi(fcomplex z) { return {-z.im, z.re}; }

// Three real products; the imaginary part (x+y)(a+b) - (xa+yb) is one fused
// multiply-add so the cancellation loses nothing.
inline fcomplex Cmul(fcomplex z, fcomplex w) {
    const double xa = z.re * w.re;
    const double yb = z.im * w.im;
    return {xa - yb, std::fma(z.re + z.im, w.re + w.im, -(xa + yb))};
}
inline fcomplex Cmulthree(fcomplex z, fcomplex w, fcomplex v) { return Cmul(Cmul(z, w), v); }
inline fcomplex Csquare(fcomplex z) {
    const double xx = z.re * z.re;
    const double yy = z.im * z.im;
    const double s = z.re + z.im;
    return {xx - yy, std::fma(s, s, -(xx + yy))};
}
inline fcomplex Csquare_component(fcomplex z) { return {z.re * z.re, z.im * z.im}; }
inline fcomplex Ccube(fcomplex z) { return Cmul(Csquare(z), z); }

// Smith's quotient: divides by the larger component of w first, which avoids
// overflow in |w|^2. Division by zero gives infinities or NaNs.
inline fcomplex Cdiv(fcomplex z, fcomplex w) {
    const double x = z.re, y = z.im, a = w.re, b = w.im;
    if (std::fabs(a) >= std::fabs(b)) {
        const double r = b / a;
        const double d = a + b * r;
        return {(x + y * r) / d, (y - x * r) / d};
    }
    const double r = a / b;
    const double d = a * r + b;
    return {(x * r + y) / d, (y * r - x) / d};
}
inline fcomplex Cinv(fcomplex z) {
    const double d = z.re * z.re + z.im * z.im;
    return {z.re / d, -z.im / d};
}

// Modulus without overflow or underflow in the squares.
inline double Cabs(fcomplex z) {
    const double x = std::fabs(z.re), y = std::fabs(z.im);
    if (x == 0.0) return y;
    if (y == 0.0) return x;
    if (x > y) {
        const double t = y / x;
        return x * std::sqrt(1.0 + t * t);
    }
    const double t = x / y;
    return y * std::sqrt(1.0 + t * t);
}
inline double Cmag(fcomplex z) { return std::sqrt(z.re * z.re + z.im * z.im); }
inline double Cmagcrude(fcomplex z) { return std::fmax(std::fabs(z.re), std::fabs(z.im)); }
inline double Cdist(fcomplex p, fcomplex q) {
    const double dx = p.re - q.re, dy = p.im - q.im;
    return std::sqrt(dx * dx + dy * dy);
}
inline double Cdistance(fcomplex p, fcomplex q) { return Cdist(p, q); }
inline double Cdistance(double x1, double y1, double x2, double y2) { return Cdist({x1, y1}, {x2, y2}); }
// Not guarded: a zero argument gives NaN.
inline fcomplex Cnormalize(fcomplex z) { return Cscale(z, 1.0 / Cmag(z)); }
inline fcomplex CNormalizedVectorFromTo(fcomplex p, fcomplex q) {
    const fcomplex d = Csub(q, p);
    const double m = Cmag(d);
    if (m == 0.0) return {1.0, 0.0};
    return Cscale(d, 1.0 / m);
}

inline void get_sincos(double theta, double* s, double* c) {
    // GCC folds the pair into one sincos call.
    *s = std::sin(theta);
    *c = std::cos(theta);
}
inline fcomplex Cspun(double theta) {
    double s, c;
    get_sincos(theta, &s, &c);
    return {c, s};
}

inline fcomplex Cfloor(fcomplex z) { return {std::floor(z.re), std::floor(z.im)}; }
inline fcomplex Cfract(fcomplex z) { return Csub(z, Cfloor(z)); }
inline double sign_of_double(double t) { return t > 0.0 ? 1.0 : (t < 0.0 ? -1.0 : 0.0); }
inline fcomplex Csign(fcomplex z) { return {sign_of_double(z.re), sign_of_double(z.im)}; }
inline fcomplex Cmix(fcomplex p, fcomplex q, double t) {
    return {p.re + t * (q.re - p.re), p.im + t * (q.im - p.im)};
}
inline double Cdot_product(fcomplex p, fcomplex q) { return p.re * q.re + p.im * q.im; }
inline double Ccross_product(fcomplex p, fcomplex q) { return p.re * q.im - q.re * p.im; }
inline double atan2C(fcomplex z) { return std::atan2(z.im, z.re); }

inline fcomplex LeftMultiplyMV(Mat2 m, fcomplex v) {
    return {m.m0 * v.re + m.m2 * v.im, m.m1 * v.re + m.m3 * v.im};
}
// With LeftMultiplyMV this turns a vector by -theta.
inline Mat2 SpinMat2FromRadians(double theta) {
    double s, c;
    get_sincos(theta, &s, &c);
    return {c, -s, s, c};
}

// --- roots, logarithms, powers ------------------------------------------------

// Principal square root: the real part is never negative, and on the negative
// real axis (either sign of zero) the result is +i*sqrt(|x|).
inline fcomplex Csqrt(fcomplex z) {
    const double x = z.re, y = z.im;
    if (x == 0.0 && y == 0.0) return {0.0, 0.0};
    const double t = std::sqrt((std::fabs(x) + Cabs(z)) * 0.5);
    if (x >= 0.0) return {t, y / (2.0 * t)};
    const double s = y >= 0.0 ? t : -t;
    return {y / (2.0 * s), s};
}
inline fcomplex Clog(fcomplex z) {
    return {0.5 * std::log(z.re * z.re + z.im * z.im), std::atan2(z.im, z.re)};
}
inline fcomplex Cexp(fcomplex z) {
    const double e = std::exp(z.re);
    double s, c;
    get_sincos(z.im, &s, &c);
    return {e * c, e * s};
}
// z^p for real p; 0^p is 0 for every exponent.
inline fcomplex Cpow(fcomplex z, double p) {
    if (z.re == 0.0 && z.im == 0.0) return {0.0, 0.0};
    const double R = std::exp(p * 0.5 * std::log(z.re * z.re + z.im * z.im));
    const double theta = std::atan2(z.im, z.re);
    double s, c;
    get_sincos(p * theta, &s, &c);
    return {R * c, R * s};
}
// z^w; 0^w is 0 for every exponent.
inline fcomplex CpowC(fcomplex z, fcomplex w) {
    if (z.re == 0.0 && z.im == 0.0) return {0.0, 0.0};
    const double L = 0.5 * std::log(z.re * z.re + z.im * z.im);
    const double A = std::atan2(z.im, z.re);
    const double R = std::exp(w.re * L - w.im * A);
    double s, c;
    get_sincos(w.re * A + w.im * L, &s, &c);
    return {R * c, R * s};
}

// --- trigonometric and hyperbolic functions ----------------------------------

inline fcomplex Csin(fcomplex z) {
    const double ep = std::exp(z.im), em = std::exp(-z.im);
    double s, c;
    get_sincos(z.re, &s, &c);
    return {(em + ep) * s * 0.5, (ep - em) * c * 0.5};
}
inline fcomplex Ccos(fcomplex z) {
    const double ep = std::exp(z.im), em = std::exp(-z.im);
    double s, c;
    get_sincos(z.re, &s, &c);
    return {(em + ep) * c * 0.5, (em - ep) * s * 0.5};
}
inline fcomplex Ctan(fcomplex z) { return Cdiv(Csin(z), Ccos(z)); }
inline fcomplex Ccot(fcomplex z) { return Cinv(Ctan(z)); }
inline fcomplex Csec(fcomplex z) { return Cinv(Ccos(z)); }
inline fcomplex Ccsc(fcomplex z) { return Cinv(Csin(z)); }
// sinh z = -i sin(iz) and cosh z = cos(iz), with the same products as above.
inline fcomplex Csinh(fcomplex z) { return Cspin90degrees(Csin(Ctimesi(z))); }
inline fcomplex Ccosh(fcomplex z) { return Ccos(Ctimesi(z)); }
inline fcomplex Ctanh(fcomplex z) { return Cdiv(Csinh(z), Ccosh(z)); }
inline fcomplex Ccsch(fcomplex z) { return Cdiv(Cone(), Csinh(z)); }
inline fcomplex Csech(fcomplex z) { return Cdiv(Cone(), Ccosh(z)); }

// Inverse functions, on principal square roots and Clog (complex.cpp).
fcomplex Carcsin(fcomplex z);

// --- Möbius maps between the unit disc and the upper half-plane --------------

// Cayley map: upper half-plane to unit disc.
inline fcomplex halfplane_to_unit_circle(fcomplex z) {
    return Cdiv({z.re, z.im - 1.0}, {z.re, z.im + 1.0});
}
inline fcomplex unit_circle_to_halfplane(fcomplex z) {
    return Ctimesi(Cdiv({1.0 + z.re, z.im}, {1.0 - z.re, -z.im}));
}
inline fcomplex unit_circle_to_halfplane_PROPER(fcomplex z) {
    return Ctimesi(Cdiv({1.0 - z.re, -z.im}, {1.0 + z.re, z.im}));
}
// The disc automorphism taking a to 0, and its inverse taking 0 back to a.
inline fcomplex automorphicDisk(fcomplex z, fcomplex a) {
    const fcomplex ca_z = Cmul(Conjg(a), z);
    return Cdiv(Csub(z, a), {1.0 - ca_z.re, -ca_z.im});
}
inline fcomplex automorphicDiskInverse(fcomplex z, fcomplex a) {
    const fcomplex ca_z = Cmul(Conjg(a), z);
    return Cdiv(Cadd(z, a), {1.0 + ca_z.re, ca_z.im});
}

// --- conversions --------------------------------------------------------------

inline fcomplex CFromVECTOR3D(const double* v) { return {v[0], v[1]}; }
inline CGPoint CGPointFromVECTOR3D(const double* v) { return {v[0], v[1]}; }
inline void VECTOR3DfromCGPoint(double* out, CGPoint p) {
    out[0] = p.x;
    out[1] = p.y;
    out[2] = 0.0;
}
inline fcomplex ComplexFromCGPoint(CGPoint p) { return {p.x, p.y}; }
inline CGPoint CGPointFromComplex(fcomplex z) { return {z.re, z.im}; }

// --- operators, for readable formulas; they mean exactly the functions above --

inline fcomplex operator+(fcomplex p, fcomplex q) { return Cadd(p, q); }
inline fcomplex operator-(fcomplex p, fcomplex q) { return Csub(p, q); }
inline fcomplex operator-(fcomplex z) { return Cnegative(z); }
inline fcomplex operator*(fcomplex z, fcomplex w) { return Cmul(z, w); }
inline fcomplex operator*(fcomplex z, double s) { return Cscale(z, s); }
inline fcomplex operator*(double s, fcomplex z) { return Cscale(z, s); }
inline fcomplex operator/(fcomplex z, fcomplex w) { return Cdiv(z, w); }
inline fcomplex operator/(fcomplex z, double s) { return {z.re / s, z.im / s}; }
inline bool operator==(fcomplex p, fcomplex q) { return p.re == q.re && p.im == q.im; }
