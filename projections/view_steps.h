// The small steps the panorama views, panels and disc layouts share: the
// equirectangular step E(U, V), the polar step R(p, q, V), the stereographic
// lift L(X, Y) and the rectilinear ray G of the raw output position. They run
// for every sample: inline, no tables, no allocation.
#pragma once

#include <cmath>

#include "common/angles.h"

// E(U, V): the equirectangular unit position's direction, single precision.
inline void EquiStep(float out[3], float U, float V) {
    const float y = std::sin(-kPiF * (V - 0.5f));
    const float c = std::sqrt(std::fmax(1.0f - y * y, 0.0f));
    const float lambda = 2.0f * kPiF * (U - 0.5f);
    out[0] = c * std::sin(lambda);
    out[1] = y;
    out[2] = c * std::cos(lambda);
}

// The polar turn of E: (E_x, -E_z, E_y), the equirectangular step seen with
// its north pole at +z.
inline void PolarTurnOfEqui(float out[3], float U, float V) {
    float e[3];
    EquiStep(e, U, V);
    out[0] = e[0];
    out[1] = -e[2];
    out[2] = e[1];
}

// R(p, q, V): the direction at the angle πV from +z whose azimuth is that of
// -(p, q). Beyond V = 1 it turns back from -z along the same azimuth.
inline void PolarStep(float out[3], float p, float q, float V) {
    const float A = XYtoRadians(p, q);
    PolarTurnOfEqui(out, A / (-2.0f * kPiF), V);
}

// L(X, Y): the inverse stereographic projection from the pole -z,
// (-2X, -2Y, 1 - s)/(1 + s) with s = X² + Y².
inline void StereoLift(double out[3], double X, double Y) {
    const double s = X * X + Y * Y, k = 1.0 / (1.0 + s);
    out[0] = -2.0 * X * k;
    out[1] = -2.0 * Y * k;
    out[2] = (1.0 - s) * k;
}

// G: the rectilinear ray of the raw output position (u, v) for lens factor f
// and aspect a (the narrower side spans the field of view); qSign +1 or -1
// gives the sign of the vertical component.
inline void RectilinearRay(float out[3], float u, float v, float f, float a, float qSign) {
    const float P = u - 0.5f, Q = v - 0.5f;
    float p, q;
    if (a <= 1.0f) {
        p = -P / a;
        q = qSign * Q;
    } else {
        p = -P;
        q = qSign * Q * a;
    }
    p *= f;
    q *= f;
    const float m = std::sqrt(p * p + q * q + 1.0f);
    out[0] = p / m;
    out[1] = q / m;
    out[2] = 1.0f / m;
}

// acos of a component that rounding may have pushed past ±1.
inline float ClampedAcos(float c) { return std::acos(std::fmax(-1.0f, std::fmin(1.0f, c))); }
