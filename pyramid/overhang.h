// Bringing unit positions that lie outside the picture back into it, before
// they become pixel indices: beyond the seam of a panorama, past a pole, or
// off the edge of a flat picture.
#pragma once

#include <cmath>
#include <cstdint>

#include "pyramid/pyramid.h"

// Result bits of OverhangizeCoordinates2016.
enum : int64_t {
    kOverhangMoved = 4,        // the position was outside and has been moved
    kOverhangLevelRaised = 1,  // with 4: the level position was raised
    kOverhangTransparent = 2,  // with 4: the sample is transparent
};

// Overhang modes (`overhangMode`).
enum : int64_t {
    kOverhangClear = 1,         // outside is transparent
    kOverhangMirrorBlur = 2,    // mirror across the sides, blur above the top
    kOverhangClamp = 3,
    kOverhangWrapSides = 4,
    kOverhangWrapBoth = 5,
    kOverhangWrapFloor = 6,
    kOverhangOverThePole = 7,
};

// Whether a mode carries positions past the left and right edges round to the
// other side (the picture closes on itself across), and likewise down.
inline bool OverhangWrapsAcross(int64_t mode) {
    return mode == kOverhangWrapSides || mode == kOverhangWrapBoth || mode == kOverhangWrapFloor ||
           mode == kOverhangOverThePole;
}
inline bool OverhangWrapsDown(int64_t mode) { return mode == kOverhangWrapBoth || mode == kOverhangWrapFloor; }

// Every mode that moves a position leaves it inside [0, 1]; a NaN or infinite
// coordinate becomes 0 rather than travelling on into index arithmetic.
inline float overhang_clamp01(float t) { return t > 0.0f ? (t < 1.0f ? t : 1.0f) : 0.0f; }

// Integer part: trunc(t) from 0 up, -trunc(1 - t) below (so -1 wraps to 1).
inline float overhang_integer_part(float t) { return t >= 0.0f ? std::trunc(t) : -std::trunc(1.0f - t); }

inline float overhang_wrap(float t) {
    const float w = t - overhang_integer_part(t);
    return overhang_clamp01(w);
}

inline int64_t OverhangizeCoordinates2016(float* u, float* v, float* level, int64_t mode,
                                          const PyramidDescriptor* pyr) {
    float U = *u, V = *v;
    if (U >= 0.0f && U <= 1.0f && V >= 0.0f && V < 1.0f) return 0;
    switch (mode) {
        case kOverhangClear: return kOverhangMoved | kOverhangTransparent;
        case kOverhangMirrorBlur: {
            float d = 0.0f;
            if (V < 0.0f) d = -V, V = 0.0f;
            else if (V > 1.0f) V = 1.0f;
            // Mirror with period 2, twice at most, then clamp what is left.
            auto mirror = [](float t) {
                t = 2.0f * (t * 0.5f - std::floor(t * 0.5f));
                return t > 1.0f ? 2.0f - t : t;
            };
            if (U < 0.0f) U = mirror(U);
            if (U > 1.0f) U = mirror(U);
            *u = overhang_clamp01(U);
            *v = overhang_clamp01(V);
            if (d > 1.0f) d = 1.0f;
            if (d > 0.0f) {
                const float top = static_cast<float>(pyr->topLevel);
                *level = *level + (1.0f - std::exp2(-3.0f * d)) * (top - *level);
                return kOverhangMoved | kOverhangLevelRaised;
            }
            return kOverhangMoved;
        }
        case kOverhangClamp:
            *u = overhang_clamp01(U);
            *v = overhang_clamp01(V);
            return kOverhangMoved;
        case kOverhangWrapSides:
            *u = overhang_wrap(U);
            *v = overhang_clamp01(V);
            return kOverhangMoved;
        case kOverhangWrapBoth:
            *u = overhang_wrap(U);
            *v = overhang_wrap(V);
            return kOverhangMoved;
        case kOverhangWrapFloor:
            *u = overhang_clamp01(U - std::floor(U));
            *v = overhang_clamp01(V - std::floor(V));
            return kOverhangMoved;
        case kOverhangOverThePole: {
            // Each crossing of a pole reflects v and moves half a turn round
            // the sphere in longitude.
            const float n = overhang_integer_part(V);
            V -= n;
            if (std::fmod(n, 2.0f) != 0.0f) {
                V = 1.0f - V;
                U = U + 0.5f;
            }
            *u = overhang_wrap(U);
            *v = overhang_clamp01(V);
            return kOverhangMoved;
        }
        default: return 0;
    }
}
