// Angles, polar coordinates and the equirectangular <-> sphere conversions
// that every projection is built on.
//
// Sphere convention: unit vectors (x, y, z) with y towards the north pole and
// z towards the centre (u = 0.5, v = 0.5) of the equirectangular picture; +x is
// a quarter turn east (u = 0.75). Picture coordinates u, v run from 0 at the
// left and top (north) to 1 at the right and bottom (south).
//
// "TP" coordinates: longitude 0..2pi and latitude -pi/2 at the north pole to
// +pi/2 at the south pole.
//
// The XYtoRadians family measures the angle of (x, y) as atan2(x, y) + pi, in
// (0, 2pi]: pi at (0, 1), 3pi/2 at (1, 0), pi/2 at (-1, 0) and at the origin.
//
// These run for every sample: inline, no tables, no allocation.
#pragma once

#include <cmath>
#include <numbers>

#include "common/vectors.h"

inline constexpr float kPiF = std::numbers::pi_v<float>;
inline constexpr double kPiD = std::numbers::pi;

inline float XYtoRadians(float x, float y) {
    if (y == 0.0f) return x > 0.0f ? 1.5f * kPiF : 0.5f * kPiF;
    float a = std::atan(x / y);
    if (y < 0.0f) a += x >= 0.0f ? kPiF : -kPiF;
    return a + kPiF;
}
inline double XYtoRadiansD(double x, double y) {
    if (y == 0.0) return x > 0.0 ? 1.5 * kPiD : 0.5 * kPiD;
    double a = std::atan(x / y);
    if (y < 0.0) a += x >= 0.0 ? kPiD : -kPiD;
    return a + kPiD;
}
inline double XYtoRadiansC(double x, double y) { return XYtoRadiansD(x, y); }

inline void WeirdRectangularToPolar(float* angle, float* radius, float x, float y) {
    *angle = XYtoRadians(x, y);
    *radius = std::sqrt(x * x + y * y);
}
// The ordinary polar angle, from +x towards +y, in [0, 2pi).
inline void RectangularToPolar(float* angle, float* radius, float x, float y) {
    const float theta = XYtoRadians(x, y) - 1.5f * kPiF;
    *angle = theta > 0.0f ? 2.0f * kPiF - theta : 0.0f - theta;
    *radius = std::sqrt(x * x + y * y);
}
inline void PolarToRectangular(float* x, float* y, float angle, float radius) {
    *x = radius * std::cos(angle);
    *y = radius * std::sin(angle);
}

// Fast arctangents where speed matters more than accuracy: at most about
// 0.005 rad off, worst at |t| = 1.
inline double atan_approx(double t) { return t * (0.97239411 - 0.19194795 * t * t); }
inline double atan2_approx(double y, double x) {
    const double a = std::fabs(y), b = std::fabs(x);
    if (a == 0.0 && b == 0.0) return x < 0.0 ? std::copysign(kPiD, y) : std::copysign(0.0, y);
    const bool steep = a > b;
    double r = atan_approx(steep ? b / a : a / b);
    if (steep) r = 0.5 * kPiD - r;
    if (x < 0.0) r = kPiD - r;
    return std::copysign(r, y);
}

// Arcsine without a library call, for the per-sample roads: within 5e-16 rad
// of std::asin over [-1, 1] (tests/common/angles_test.cpp), odd, exact at 0
// and +-1; NaN outside [-1, 1] and for NaN, like std::asin. The polynomial
// interpolates (asin(x) - x) / x^3 in z = x^2 at the Chebyshev nodes of
// [0, 1/4]; beyond |x| = 1/2, asin x = pi/2 - 2 asin sqrt((1 - x) / 2).
inline double AsinPolynomial(double z) {
    constexpr double c[12] = {0.16666666666666652,  0.07500000000019877,  0.04464285710413024,
                              0.030381947339250415, 0.022372048266018,    0.01735525089334115,
                              0.013929737679537387, 0.01187496679464554,  0.007805115151616822,
                              0.016029880120186135, -0.010740631259977818, 0.028163713713486988};
    // Estrin's scheme: three short chains instead of one long one.
    const double z2 = z * z, z4 = z2 * z2;
    const double a = (c[0] + c[1] * z) + (c[2] + c[3] * z) * z2;
    const double b = (c[4] + c[5] * z) + (c[6] + c[7] * z) * z2;
    const double d = (c[8] + c[9] * z) + (c[10] + c[11] * z) * z2;
    return a + (b + d * z4) * z4;
}
inline double AsinFast(double x) {
    const double ax = std::fabs(x);
    double r;
    if (ax <= 0.5) {
        const double z = ax * ax;
        r = ax + ax * z * AsinPolynomial(z);
    } else {
        const double z = (1.0 - ax) * 0.5, w = std::sqrt(z);  // NaN beyond 1
        r = 0.5 * kPiD - 2.0 * (w + w * z * AsinPolynomial(z));
    }
    return std::copysign(r, x);
}

// A pseudo-angle from +x towards +y in [0, 2pi), linear in each eighth of the
// circle: exact at every multiple of 45 degrees, monotonic, at most about
// 0.071 rad off. The positive x axis is 0.
inline float XYtoRadians_approx(float x, float y) {
    const float a = std::fabs(x), b = std::fabs(y);
    if (a == 0.0f && b == 0.0f) return 0.0f;
    int k;
    float t;
    if (y > 0.0f) {
        if (x > 0.0f) {
            if (a >= b) { k = 0; t = b / a; } else { k = 1; t = 1.0f - a / b; }
        } else {
            if (a >= b) { k = 3; t = 1.0f - b / a; } else { k = 2; t = a / b; }
        }
    } else {
        if (x <= 0.0f) {
            if (a >= b) { k = 4; t = b / a; } else { k = 5; t = 1.0f - a / b; }
        } else {
            if (y == 0.0f) return 0.0f;  // the last eighth ends where the first begins
            if (a >= b) { k = 7; t = 1.0f - b / a; } else { k = 6; t = a / b; }
        }
    }
    return (static_cast<float>(k) + t) * 0.785398f;
}

// Equirectangular unit position to sphere direction, in single precision.
// In two parts for a caller that visits many u on one v: the row's height y
// and radius r, then the direction of u on that row.
inline float RectangularHeight(float v) { return std::sin(-kPiF * (v - 0.5f)); }
inline float RectangularRadius(float y) { return std::sqrt(1.0f - y * y); }
inline void RectangularOnRow(float* point, float u, float y, float r) {
    const float lambda = 2.0f * kPiF * (u - 0.5f);
    point[0] = r * std::sin(lambda);
    point[1] = y;
    point[2] = r * std::cos(lambda);
}
inline void RectangularToSpherical(float* point, float u, float v) {
    const float y = RectangularHeight(v);
    RectangularOnRow(point, u, y, RectangularRadius(y));
}
// The same with the latitude in double; the longitude's sine and cosine stay in
// single precision, as every caller's tables were made that way.
inline triplex RectangularToSphericalTUnitary(double u, double v) {
    const double y = std::sin(-kPiD * (v - 0.5));
    const double r = std::sqrt(1.0 - y * y);
    const float lambda = static_cast<float>(2.0 * kPiD * (u - 0.5));
    return {r * std::sin(lambda), y, r * std::cos(lambda)};
}
inline void RectangularToSphericalD(double* point, double u, double v) {
    const triplex p = RectangularToSphericalTUnitary(u, v);
    point[0] = p.x;
    point[1] = p.y;
    point[2] = p.z;
}
inline triplex RectangularToSphericalTP(double longitude, double latitude) {
    return RectangularToSphericalTUnitary(longitude / (2.0 * kPiD), (latitude + 0.5 * kPiD) / kPiD);
}

// Sphere direction to equirectangular unit position. A y component pushed
// just past +-1 by rounding is clamped and stored back into the point. Near
// the poles v is taken from the nearer pole's arccosine.
inline void SphericalToRectangularD(double* point, double* u, double* v) {
    double y = point[1];
    if (y > 0.8) {
        if (y > 1.0) point[1] = y = 1.0;
        *v = std::acos(y) / kPiD;
    } else if (y < -0.8) {
        if (y < -1.0) point[1] = y = -1.0;
        *v = 1.0 - std::acos(-y) / kPiD;
    } else {
        *v = std::acos(y) / kPiD;
    }
    double a = std::atan2(point[0], point[2]);
    if (std::isnan(a)) a = std::atan2(-point[0], -point[2]) + kPiD;
    double uu = (a + kPiD) / (2.0 * kPiD);
    if (uu > 1.0) uu -= 1.0;
    *u = uu;
}
// (longitude, latitude) in the TP convention, as (re, im).
inline fcomplex SphericalToRectangularTP(double x, double y, double z) {
    double p[3] = {x, y, z};
    double u, v;
    SphericalToRectangularD(p, &u, &v);
    return {2.0 * kPiD * u, kPiD * (v - 0.5)};
}
