// 3-vectors of doubles: points and directions of all 3D work. `triplex` is a
// plain value; every operation is a small pure inline function because they
// run for every output sample.
#pragma once

#include <cmath>

#include "common/complex.h"

struct triplex {
    double x;
    double y;
    double z;
};

inline triplex Triplex(double x, double y, double z) { return {x, y, z}; }
inline triplex Tadd(triplex A, triplex B) { return {A.x + B.x, A.y + B.y, A.z + B.z}; }
inline triplex Tsub(triplex A, triplex B) { return {A.x - B.x, A.y - B.y, A.z - B.z}; }
inline triplex Tscale(triplex A, double s) { return {A.x * s, A.y * s, A.z * s}; }
inline double Tdot_product(triplex A, triplex B) { return A.x * B.x + A.y * B.y + A.z * B.z; }
inline double Tmagnitude(triplex A) { return std::sqrt(A.x * A.x + A.y * A.y + A.z * A.z); }
inline double Tdistance(triplex A, triplex B) { return Tmagnitude(Tsub(B, A)); }

inline triplex Tlerp(double t, triplex A, triplex B) {
    return {A.x + t * (B.x - A.x), A.y + t * (B.y - A.y), A.z + t * (B.z - A.z)};
}
inline triplex Tmix(triplex A, triplex B, double t) { return Tlerp(t, A, B); }
// A, B, C, D are the corners of a quadrilateral in order: A at (0, 0), B at
// (1, 0), C at (1, 1), D at (0, 1).
inline triplex Tbilerp(double u, double v, triplex A, triplex B, triplex C, triplex D) {
    return Tlerp(v, Tlerp(u, A, B), Tlerp(u, D, C));
}
// The zero vector stays zero.
inline triplex Tnormalize(triplex V) {
    const double m = Tmagnitude(V);
    if (m == 0.0) return {0.0, 0.0, 0.0};
    return Tscale(V, 1.0 / m);
}
inline triplex TVectorFromTo(triplex A, triplex B) { return Tsub(B, A); }
inline triplex TUnitVectorFromTo(triplex A, triplex B) { return Tnormalize(Tsub(B, A)); }
inline triplex TMakeLength(triplex V, double s) { return Tscale(Tnormalize(V), s); }
inline triplex Tcross_product(triplex A, triplex B) {
    return {A.y * B.z - B.y * A.z, A.z * B.x - B.z * A.x, A.x * B.y - B.x * A.y};
}
inline triplex Tnegative(triplex A) { return {-A.x, -A.y, -A.z}; }
inline triplex Taddthree(triplex A, triplex B, triplex C) { return Tadd(Tadd(A, B), C); }
inline triplex Tmidpoint(triplex A, triplex B) {
    return {(A.x + B.x) * 0.5, (A.y + B.y) * 0.5, (A.z + B.z) * 0.5};
}
// Mirror V in the plane with unit normal N.
inline triplex Treflect(triplex V, triplex N) { return Tsub(V, Tscale(N, 2.0 * Tdot_product(V, N))); }
inline triplex reflectionForViewdirAndNormal(triplex V, triplex N) { return Treflect(V, N); }
inline triplex reflectionForViewdirAndNormalV3(const float* v, const float* n) {
    return Treflect({v[0], v[1], v[2]}, {n[0], n[1], n[2]});
}
inline triplex Tmix_component(triplex A, triplex B, triplex T) {
    return {A.x + T.x * (B.x - A.x), A.y + T.y * (B.y - A.y), A.z + T.z * (B.z - A.z)};
}
inline triplex Tsign(triplex A) {
    return {sign_of_double(A.x), sign_of_double(A.y), sign_of_double(A.z)};
}
inline triplex Tpow_scalar(triplex A, double p) {
    return {std::pow(A.x, p), std::pow(A.y, p), std::pow(A.z, p)};
}
inline triplex Tpow_component(triplex A, triplex P) {
    return {std::pow(A.x, P.x), std::pow(A.y, P.y), std::pow(A.z, P.z)};
}
// Equal edges make a plain step at the edge rather than a division by zero.
inline double GLSLSmoothstep(double e0, double e1, double t) {
    if (e0 == e1) return t < e0 ? 0.0 : 1.0;
    double s = (t - e0) / (e1 - e0);
    s = s < 0.0 ? 0.0 : (s > 1.0 ? 1.0 : s);
    return s * s * (3.0 - 2.0 * s);
}

inline fcomplex CFromT(triplex A) { return {A.x, A.y}; }
inline triplex TFromC(fcomplex z) { return {z.re, z.im, 0.0}; }
inline triplex TFromScalar(double s) { return {s, s, s}; }

// Operators, for readable formulas; they mean exactly the functions above.
inline triplex operator+(triplex A, triplex B) { return Tadd(A, B); }
inline triplex operator-(triplex A, triplex B) { return Tsub(A, B); }
inline triplex operator-(triplex A) { return Tnegative(A); }
inline triplex operator*(triplex A, double s) { return Tscale(A, s); }
inline triplex operator*(double s, triplex A) { return Tscale(A, s); }
inline triplex operator/(triplex A, double s) { return {A.x / s, A.y / s, A.z / s}; }
inline bool operator==(triplex A, triplex B) { return A.x == B.x && A.y == B.y && A.z == B.z; }
