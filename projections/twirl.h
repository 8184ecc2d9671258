// The twirl: the user's orientation of the sphere, three angles that turn
// every direction an output projection produces before the input mode looks
// it up. A few output modes pre-warp the direction first.
#pragma once

#include "records/tumbletype.h"

// Angles in radians. The integer (and the extra float) are not used; both
// entry points exist because callers name them.
void InitTwirlTranformation_core(tumbletype* t, float a1, float a2, float a3, int unused);
void InitTwirlTranformation_WEIRD_core(tumbletype* t, float a1, float a2, float a3, int unused,
                                       float unusedFloat);

// The output-mode pre-warp alone.
void PerformFreakyTransformationsOfSource(float point[3], long outputMode);

// The rotation alone, as a row vector: p' = p * combined. Even the identity
// is worked out: it can change the sign of a zero component (-0 + 0 is +0),
// which decides the side of a seam for an input that reads one.
inline void TurnPoint(const tumbletype* t, float point[3]) {
    const float x = point[0], y = point[1], z = point[2];
    for (int j = 0; j < 3; ++j)
        point[j] = x * t->combined[0][j] + y * t->combined[1][j] + z * t->combined[2][j];
}
// Pre-warp, then the rotation.
inline void TwirlTransform(const tumbletype* t, long outputMode, float point[3]) {
    PerformFreakyTransformationsOfSource(point, outputMode);
    TurnPoint(t, point);
}
