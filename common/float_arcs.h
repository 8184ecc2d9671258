// Single-precision arctangent and arccosine for the per-sample roads,
// worked out in double and rounded once: the float nearest to the true
// angle (the C library's atan2f and acosf miss it by a unit in the last
// place for about one argument in six and one in twelve), without a call.
// The arctangent takes about half the time of atan2f, the arccosine about
// acosf's. A change of the last bit moves a sampling position by less than
// a millionth of a pixel.
#pragma once

#include <cmath>

#include "common/angles.h"

namespace float_arcs_detail {

// atan(k / 8) for k = 0..8, worked out once when the program starts.
struct EighthArctangents {
    double at[9];
    EighthArctangents() {
        for (int k = 0; k <= 8; ++k) at[k] = std::atan(k / 8.0);
    }
};
inline const EighthArctangents kEighths;

// atan(a) for a in [0, 1]: atan(b) of the nearest eighth b, plus the
// arctangent of what is left, (a - b) / (1 + ab), at most 1/16, by its
// series to the ninth power (the tenth term is below 5e-15).
inline double AtanOfUnit(double a) {
    const int k = int(a * 8.0 + 0.5);
    const double b = k * 0.125;
    const double t = (a - b) / (1.0 + a * b), t2 = t * t;
    return kEighths.at[k] + t * (1.0 + t2 * (-1.0 / 3.0 + t2 * (1.0 / 5.0 + t2 * (-1.0 / 7.0 + t2 * (1.0 / 9.0)))));
}

}  // namespace float_arcs_detail

// atan2(y, x) in (-pi, pi], with atan2f's signed zeros (+-pi for y = +-0 and
// a negative x or -0) and NaN for a NaN argument.
inline float Atan2Float(float y, float x) {
    if (!std::isfinite(x) || !std::isfinite(y)) return std::atan2(y, x);
    const double ax = std::fabs(double(x)), ay = std::fabs(double(y));
    const double big = ax > ay ? ax : ay, small = ax > ay ? ay : ax;
    double r = big > 0.0 ? float_arcs_detail::AtanOfUnit(small / big) : 0.0;
    if (ay > ax) r = 0.5 * kPiD - r;
    if (std::signbit(x)) r = kPiD - r;
    return static_cast<float>(std::copysign(r, double(y)));
}

// acos(x) in [0, pi], NaN outside [-1, 1]: pi/2 - asin(x) near 0, and
// 2 asin(sqrt((1 - |x|) / 2)) (or pi less it) nearer the poles, both from
// the arcsine polynomial of angles.h.
inline float AcosFloat(float x) {
    const double d = x, ad = std::fabs(d);
    double r;
    if (ad <= 0.5) {
        const double z = d * d;
        r = 0.5 * kPiD - (d + d * z * AsinPolynomial(z));
    } else {
        const double z = (1.0 - ad) * 0.5, w = std::sqrt(z);  // NaN beyond 1
        const double half = w + w * z * AsinPolynomial(z);
        r = d > 0.0 ? 2.0 * half : kPiD - 2.0 * half;
    }
    return static_cast<float>(r);
}
