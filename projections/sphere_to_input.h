// Sphere to input picture: where a twirled direction lies in the input
// picture for each of the 41 input modes. Positions are 0..1 from the top
// left; a direction without input sets the outside flag (the sample is
// transparent) with the mode's outside values, (-1, -1) unless it says
// otherwise. Every test for "outside" counts a NaN as outside.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "common/angles.h"
#include "common/float_arcs.h"

struct polyhedron;
struct renderhinttype;
struct TransformationReply;

// Face numbers: 0 = -z, 1 = -x, 2 = -y, 3 = +z, 4 = +x, 5 = +y; (a, b) in
// [-1, 1] on the face. The face chosen always contains the direction, ties
// included. Inline: the cube roads ask it for every sample.
inline int SphereToCubeFaceCoords(const float p[3], float* a, float* b) {
    const float ax = std::fabs(p[0]), ay = std::fabs(p[1]), az = std::fabs(p[2]);
    // The largest component picks the face; a tie with z keeps the z face,
    // a tie between x and y the x face, so the face always holds the point.
    if (az >= ax && az >= ay && az > 0.0f) {
        *a = -p[0] / p[2];
        *b = -p[1] / az;
        return p[2] > 0.0f ? 3 : 0;
    }
    if (ax >= ay && ax > 0.0f) {
        *a = p[2] / p[0];
        *b = -p[1] / ax;
        return p[0] > 0.0f ? 4 : 1;
    }
    if (ay > 0.0f) {
        *a = -p[0] / ay;
        *b = p[2] / p[1];
        return p[1] > 0.0f ? 5 : 2;
    }
    // The zero vector (or NaN) has no face; give the centre of +z.
    *a = 0.0f;
    *b = 0.0f;
    return 3;
}

// The angles every single-precision input mode starts from: t the unit
// colatitude (0 at the north pole), lam the longitude atan2(x, z) and f the
// unit longitude (lam + pi) / 2pi. The equirectangular input is (1 - f, t).
// Inline, so that a road that knows its input is equirectangular computes
// the very same floats without the input dispatch.
struct EquirectAngles {
    float t, lam, f;
};
inline float EquirectColatitude(float y) {
    // A rounding overshoot past a pole stays at that pole.
    return AcosFloat(std::clamp(y, -1.0f, 1.0f)) * 0.31830987f;
}
inline float EquirectLongitudeFraction(float lam) { return (lam + kPiF) * 0.15915494f; }
inline EquirectAngles EquirectAnglesOf(const float p[3]) {
    const float lam = Atan2Float(p[0], p[2]);
    return {EquirectColatitude(p[1]), lam, EquirectLongitudeFraction(lam)};
}

// The cube layouts of six faces side by side (27, 28, 33, 34, 35): the face
// holding the direction and the unit position on it. Layout 28 turns its
// -z face half a turn.
inline bool IsCubeLayoutInput(long inputMode) {
    return inputMode == 27 || inputMode == 28 || (inputMode >= 33 && inputMode <= 35);
}
inline int CubeLayoutPosition(long inputMode, const float p[3], float* x, float* y) {
    float a, b;
    const int F = SphereToCubeFaceCoords(p, &a, &b);
    if (inputMode == 28 && F == 0) {
        a = -a;
        b = -b;
    }
    *x = 0.5f + 0.5f * a;
    *y = 0.5f + 0.5f * b;
    return F;
}

// True for the input modes that lie on a polyhedron (29, 39).
bool InputModeCategory(long inputMode);
// True for the input modes whose picture is faces side by side (26, the cube
// layouts 27, 28, 33, 34, 35, and 29, 39): their flip mirrors the direction
// (x negated) before the lookup; the others mirror the picture's x.
bool FlipMirrorsTheDirection(long inputMode);

// inputFace is -1 unless a cube layout names the face; inputKind is the
// input side's region (2, or 3 on the right half of a map with a seam, or a
// face number + 1); sampleAux receives the blend weight of mode 26. `table`
// is the render context's Mollweide table; `aspect` the input's height over
// width.
void TransformSphereToInput(long inputMode, long flip, const float point[3], float* inputU,
                            float* inputV, unsigned char* outside, float* table, int* inputFace,
                            int* inputKind, float* sampleAux, polyhedron* inputPolyhedron,
                            renderhinttype* inputHints, float aspect);
