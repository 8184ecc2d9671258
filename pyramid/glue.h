// Glue (blend) modes: how a newly rendered colour A is laid over the layer's
// existing colour B. Most modes work per channel in 15-bit fixed point
// (32768 = 1.0), a few on floats, and the rest through the colour models of
// colour_models.h. Every result channel is limited to 0..1. Pure functions:
// no allocation, no locks; the renderer calls them from every worker.
#pragma once

#include "pyramid/glue_names.h"

// Fixed-point scale of the glue modes.
constexpr int kGlueOne = 32768;
constexpr int kGlueHalf = 16384;
constexpr float kGlueOneF = 32768.0f;
constexpr float kGlueRecip = 1.0f / 32768.0f;

// Z = A glued over B by `mode` (1..69). A, B and Z are (red, green, blue,
// alpha) floats. Mode 1 gives A exactly; a number outside 1..69 gives A's
// colour truncated to the fixed-point scale. Z's alpha is A's, except in
// mode 63 ("starbright"). Colour channels of A and B outside 0..1 (NaN
// included) are limited to 0..1 first in every mode but 1 and 63.
void GlueAOverBYieldingC(const float A[4], const float B[4], float Z[4], int mode);

// Hard light HL(l, x): l is the light that decides, x the value it acts on.
inline int GlueHardLight(int l, int x) {
  return l >= kGlueHalf ? kGlueOne - (((kGlueOne - l) * (kGlueOne - x)) >> 14) : (l * x) >> 14;
}
// Pin light PIN(l, x).
inline int GluePinLight(int l, int x) {
  if (l >= kGlueHalf) {
    int t = 2 * l - kGlueOne;
    return x > t ? x : t;
  }
  int t = 2 * l;
  return x < t ? x : t;
}

// 0.5 x / y below the diagonal, 1 - 0.5 y / x on and above it, at most 1;
// 1 where the divisor is not positive. Computed in double precision.
float weirdRatio(float x, float y);

// Colour-model modes. Each overwrites the running result (r, g, b), which
// starts as A's integers, using B's integers; results go back to integers by
// `scale` with truncation; `recip` is 1 / scale.
void ColorGlueIfy(int* r, int* g, int* b, int bR, int bG, int bB, float scale, float recip);
void LumGlueIfy(int* r, int* g, int* b, int bR, int bG, int bB, float scale, float recip);
void SatGlueIfy(int* r, int* g, int* b, int bR, int bG, int bB, float scale, float recip);
void HueGlueIfy(int* r, int* g, int* b, int bR, int bG, int bB, float scale, float recip);
void LumRatioGlueIfy(int* r, int* g, int* b, int bR, int bG, int bB, float scale, float recip);
void GlueFrontal(int* r, int* g, int* b, int bR, int bG, int bB, float scale, float recip);
// flag 1 keeps A's hue and saturation, flag 0 takes B's.
void PseudocolorGlueIfy(int* r, int* g, int* b, const int* bR, const int* bG, const int* bB,
                        float scale, int flag, float recip);
// Mix of A and B weighted by A's saturation (max) or its lack (min), each
// times the luminance weight of A's lightness. Integers on the 15-bit scale.
void GlueMaxSat(int* r, int* g, int* b, int bR, int bG, int bB, float recip);
void GlueMinSat(int* r, int* g, int* b, int bR, int bG, int bB, float recip);
// Modes in CIELAB through the lookup grids: 15-bit channels, or bytes when
// is8bit is non-zero.
void GlueLabMultiply(int* r, int* g, int* b, int bR, int bG, int bB, unsigned char is8bit);
void GlueLabScreen(int* r, int* g, int* b, int bR, int bG, int bB, unsigned char is8bit);
void GlueLabPinLight(int* r, int* g, int* b, int bR, int bG, int bB, unsigned char is8bit);
void GlueLabSpinLight(int* r, int* g, int* b, int bR, int bG, int bB, unsigned char is8bit);

// Channel-rotating mixes on 0..32768: each channel moves from its own value
// toward B's by the weight of a neighbouring channel (north and south: A's
// channels; east and west: B's).
void xo_GlueNorth(int* r, int* g, int* b, int bR, int bG, int bB);
void xo_GlueSouth(int* r, int* g, int* b, int bR, int bG, int bB);
void xo_GlueEast(int* r, int* g, int* b, int bR, int bG, int bB);
void xo_GlueWest(int* r, int* g, int* b, int bR, int bG, int bB);
