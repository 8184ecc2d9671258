// Sampling the input pyramid for one output sample with the footprint of
// the output pixel: the four partial derivatives of the input position
// across one output pixel (du/dx, dv/dx, du/dy, dv/dy, unit coordinates).
// The anisotropic sampler turns the footprint into an ellipse, takes the
// level from its minor axis and averages up to the context's largest sample
// count of filtered samples along its major axis; the cheap sampler takes a
// level from the footprint's size and reads one texel.
#pragma once

#include <cstdint>

struct PyramidDescriptor;
struct vort;

// Missing neighbours of a footprint.
enum : int {
    kFootprintComplete = 0,
    kFootprintNoLeft = 1,
    kFootprintNoUpper = 2,
    kFootprintNeither = 3,
};

// Adapts the footprint to the pyramid's overhang mode and converts it to
// level-0 pixels; true when it is too large to stand for an ellipse.
bool OverhangizePDs(float pd[4], const PyramidDescriptor* pyr);

// One filtered sample between `level` and the next at `fraction`, as a unit
// colour; transparent black outside the picture. Flag -1 at level 0 takes
// the nearest level-0 texel.
void get_sharpened_color(const PyramidDescriptor* pyr, int64_t level, float out[4], float fraction, float u,
                         float v, float flag);

// The direction of the major axis of the footprint ellipse with quadratic
// form coefficients Ka, Kb, Kc: the sine and cosine of half the angle of
// (Kb, Ka - Kc), worked out in double from that angle's cosine and rounded
// once (within a unit in the last place of the exact values; the angle taken
// in float and handed to sin and cos is off by a few).
void MajorAxisDirection(float Ka, float Kb, float Kc, float* sinTheta, float* cosTheta);

// The anisotropic sampler's last level as the context holds it, its
// logarithm worked out now if the sampler left it for later.
float ResolvedLevelHint(vort* hints);

// The anisotropic sampler. The context's state hints (level hint, sampler
// flag, largest sample count) are read and the level hint written. Returns
// the number of filtered samples taken.
int SampleAnisotropicallyColorCore_unitary(float pd[4], int code, const PyramidDescriptor* pyr, float out[4],
                                           vort* hints, float u, float v, float flag);
// Builds the footprint from the centre (uc, vc) and its left and upper
// neighbours (a u of exactly -1 marks a neighbour missing), then samples at
// (u, v).
int SampleAnisotropicallyColor_Centered_unitary(const PyramidDescriptor* pyr, float out[4], vort* hints, float flag,
                                                float ul, float vl, float ut, float vt, float uc, float vc, float u,
                                                float v);
// The cheap sampler: one texel of the level the footprint's mean extent
// names (the level hint with code 3 or the sampler flag).
void SampleUglyColorCore_core(float pd[4], int code, const PyramidDescriptor* pyr, float out[4], vort* hints, float u,
                              float v);
// The cheap sampler with the same footprint rule.
void SampleUglyColor_Centered_unitary(const PyramidDescriptor* pyr, float out[4], vort* hints, float ul, float vl,
                                      float ut, float vt, float uc, float vc, float u, float v);

// Ordered-dither thresholds: the 16 x 16 Bayer matrix, a permutation of
// 0..255 in which every run of consecutive thresholds is spread evenly over
// the square; entry (row, column) at row * 16 + column.
constexpr int kDitherSide = 16;
void FillDitherThresholds(uint8_t table[256]);
