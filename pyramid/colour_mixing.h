// Small colour operations around sampling and compositing: alpha-aware
// mixing, laying one colour over another, a mix in square-root space,
// and bringing over-bright colours back into range with their hue. Colours are four floats
// (red, green, blue, alpha), nominally 0..1. Pure functions: any thread.
#pragma once

#include <cstdint>

// Lays A over B by A's alpha; the result goes into B.
inline void CompositeAoverB(const float A[4], float B[4]) {
    if (!(A[3] > 0.0f)) return;
    const float a = A[3] + B[3] - A[3] * B[3];
    const float w = A[3] / a;
    for (int k = 0; k < 3; ++k) B[k] += w * (A[k] - B[k]);
    B[3] += A[3] * (1.0f - B[3]);
}

// Lays A over B as if B were opaque; B keeps its alpha.
inline void CompositeAoverOpaquePortionOfB(const float A[4], float B[4]) {
    if (!(A[3] > 0.0f)) return;
    for (int k = 0; k < 3; ++k) B[k] += A[3] * (A[k] - B[k]);
}

// R = the alpha-weighted mix of X and Y at t (t = 0 gives X, t = 1 gives Y);
// transparent black when neither side has any alpha. R may alias X or Y.
inline void AGetsColorMixtureBC4(float R[4], const float X[4], const float Y[4], float t) {
    const float alpha = Y[3] * t + static_cast<float>((1.0 - static_cast<double>(t)) * static_cast<double>(X[3]));
    if (!(alpha > 0.0f)) {
        R[0] = R[1] = R[2] = R[3] = 0.0f;
        return;
    }
    const float w = Y[3] * t / alpha;
    const float xa = X[3], ya = Y[3];
    for (int k = 0; k < 3; ++k) R[k] = X[k] + w * (Y[k] - X[k]);
    R[3] = xa + t * (ya - xa);
}

// R's three channels = the mix of X and Y at t in square-root space (negative
// channels count as 0); R's alpha is not written.
void AGetsSquareRGBLerpBC(float R[4], const float X[4], const float Y[4], float t);

// Negative channels become 0; a colour brighter than 1 is scaled down to a
// maximum of 1 and then moved toward white by the light it had beyond 1.
void CorralBrightness(float rgb[3]);
// The same on integers 0..255, and on integers read × inScale and written
// back × outScale (truncated).
void CorralBrightness255(int64_t* r, int64_t* g, int64_t* b);
void CorralBrightnessMAXIMUM(int64_t* r, int64_t* g, int64_t* b, float outScale, float inScale);
