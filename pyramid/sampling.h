// Filtered sampling of a pyramid at real positions: the 5 x 5 kernel with a
// blend between two levels, bilinear samplers (one of them wrapping every
// corner through the overhang rule), nearest-pixel and half-resolution reads.
//
// Positions come in three forms: unit positions (0..1 across the picture at
// every level), pixel positions X = u * unitScaleX[L] - 0.5 of one level (pixel
// centres at whole numbers), and 17.15 fixed-point pixel positions. Every
// sampler accepts any float (NaN and huge values included): positions are
// wrapped or clamped in floating point before they become indices.
//
// Colour results are four components in order; "pyramid scale" means 0..255,
// 0..32768 or 0..1 by kind, "unit" means divided by the full scale.
#pragma once

#include <cstdint>

#include "pyramid/pyramid.h"

// ---- 5 x 5 kernel at a pixel position of level L (pyramid scale) ----
void gauss_pyramid_sample4(const PyramidDescriptor* pyr, int64_t L, float X, float Y, float out[4]);
float gauss_pyramid_sample1(const PyramidDescriptor* pyr, int64_t L, float X, float Y);
float gauss_pyramid_sample1_call(const PyramidDescriptor* pyr, int64_t L, float X, float Y);
float gauss_pyramid_sample16bitgray(const PyramidDescriptor* pyr, int64_t L, float X, float Y);
void gauss_pyramid_sample64bit(const PyramidDescriptor* pyr, int64_t L, float X, float Y, float out[4]);
float gauss_pyramid_sample32bitgray(const PyramidDescriptor* pyr, int64_t L, float X, float Y);
void gauss_pyramid_sample128bit(const PyramidDescriptor* pyr, int64_t L, float X, float Y, float out[4]);
// By kind: 3, 4, 9 as above; grey kinds give (g, g, g, full scale); others zeros.
void gauss_pyramid_sampleColor(const PyramidDescriptor* pyr, int64_t L, float X, float Y, float out[4]);

// ---- kernel sample of level L blended towards L + 1 by f, unit position ----
// The level is clamped to 0..topLevel-1; f = 0 never touches L + 1.
void get_borked(const PyramidDescriptor* pyr, int64_t L, float f, float u, float v, float out[4]);
void get_unitarycoord_unitary_color(const PyramidDescriptor* pyr, int64_t L, float f, float u, float v,
                                    float out[4]);
void get_intandfractioncoord_unitary_color(const PyramidDescriptor* pyr, int64_t L, float f, float X, float Y,
                                           float out[4]);
void blurred_unit_gauss_pyramid_sample4(const PyramidDescriptor* pyr, int64_t L, float f, float u, float v,
                                        float out[4]);
void blurred_unit_gauss_pyramid_sample4call(const PyramidDescriptor* pyr, int64_t L, float f, float u, float v,
                                            float out[4]);
float blurred_unit_gauss_pyramid_sample1(const PyramidDescriptor* pyr, int64_t L, float f, float u, float v);
float blurred_unit_gauss_pyramid_sample16bitgray(const PyramidDescriptor* pyr, int64_t L, float f, float u,
                                                 float v);
float blurred_unit_gauss_pyramid_sample32bitgray(const PyramidDescriptor* pyr, int64_t L, float f, float u,
                                                 float v);

// ---- bilinear, unit colours ----
// Every corner goes through the pyramid's overhang rule, so a sample across
// the seam of a panorama or over a pole blends both sides.
void get_unit_ramped_wrapped_pyramid_sample_point(const PyramidDescriptor* pyr, int64_t L, float u, float v,
                                                  float out[4]);
// The wrapped bilinear sample at every grid position (us[i], vs[j]), i < nu,
// j < nv (at most 6 each), into out[j * nu + i]: the values of
// get_unit_ramped_wrapped_pyramid_sample_point, with shared pixels read once.
void get_unit_ramped_wrapped_samples_on_grid(const PyramidDescriptor* pyr, int64_t L, const float* us, int nu,
                                             const float* vs, int nv, float (*out)[4]);
void get_unit_ramped_pyramid_sample_point(const PyramidDescriptor* pyr, int64_t L, float u, float v,
                                          float out[4]);
void get_cont_ramped_wrapped_pyramid_sample_point(const PyramidDescriptor* pyr, int64_t L, float X, float Y,
                                                  float out[4]);
// Bilinear at L and L + 1 (always read), blended by f.
void linear_get_borked(const PyramidDescriptor* pyr, int64_t L, float f, float u, float v, float out[4]);
void linear_get_unitarycoord_unitary_color(const PyramidDescriptor* pyr, int64_t L, float f, float u, float v,
                                           float out[4]);

// ---- bilinear on integer components (integer kinds; float kinds give zeros) ----
void get_ramped_pyramid_sample_pointColor(const PyramidDescriptor* pyr, int64_t L, float X, float Y,
                                          int64_t out[4]);
void get_unit_ramped_pyramid_sample_point4(const PyramidDescriptor* pyr, int64_t L, float u, float v,
                                           int64_t out[4]);
void blurred_unit_ramped_pyramid_sampleColor(const PyramidDescriptor* pyr, int64_t L, float f, float u, float v,
                                             int64_t out[4]);
// 17.15 fixed-point pixel position.
void get_ramped_pyramid_sample_pointColor32768(const PyramidDescriptor* pyr, int64_t L, int64_t X, int64_t Y,
                                               int64_t out[4]);
// Kind 9 only, read straight from the tiles with the indices clamped.
void get_ramped_pyramid_sample_pointColor_floats(const PyramidDescriptor* pyr, int64_t L, float X, float Y,
                                                 float out[4]);
// Float grey, the edge rule applied by the reader.
float get_ramped_pyramid_sample_point_float(const PyramidDescriptor* pyr, int64_t L, float X, float Y);

// ---- nearest pixel ----
// Integer components, or float bit patterns for kinds 5 and 9.
void get_unit_pyramid_sample_pointColor(const PyramidDescriptor* pyr, int64_t L, float u, float v,
                                        int64_t out[4]);
// The overhang rule, then the nearest pixel of level trunc(level), pyramid
// scale; zeros when the rule answers transparent.
void get_overhanging_color(const PyramidDescriptor* pyr, float level, int64_t overhangMode, float u, float v,
                           float out[4]);

// ---- half resolution: (x, y) addresses the point (x / 2, y / 2) of level L ----
uint32_t linear_pyramid_sample_point4(const PyramidDescriptor* pyr, int64_t L, int64_t x, int64_t y);
uint32_t linear_wrapped_pyramid_sample_point4(const PyramidDescriptor* pyr, int64_t L, int64_t x, int64_t y);
uint8_t linear_wrapped_pyramid_sample_point1(const PyramidDescriptor* pyr, int64_t L, int64_t x, int64_t y);
void get_HalfGauss_pyramid_sample_pointColor(const PyramidDescriptor* pyr, int64_t L, int64_t x, int64_t y,
                                             int64_t out[4]);
int64_t get_HalfGauss_pyramid_sample_pointGray(const PyramidDescriptor* pyr, int64_t L, int64_t x, int64_t y);

// ---- raw 32-bit words ----
uint32_t get_pyramid_sample_point_longint(int64_t x, int64_t y, const PyramidDescriptor* pyr, int64_t L);
void set_pyramid_sample_point_longint(int64_t x, int64_t y, PyramidDescriptor* pyr, int64_t L, uint32_t word);
// No test at all: the caller passes indices inside an existing level.
uint32_t get_pyramid_sample_point_longint_unclamped(int64_t x, int64_t y, const PyramidDescriptor* pyr, int64_t L);
void set_pyramid_sample_point_longint_unclamped(int64_t x, int64_t y, PyramidDescriptor* pyr, int64_t L,
                                                uint32_t word);
float get_pyramid_sample_point_float_unclamped(int64_t x, int64_t y, const PyramidDescriptor* pyr, int64_t L);
void set_pyramid_sample_point_float_unclamped(int64_t x, int64_t y, PyramidDescriptor* pyr, int64_t L, float f);
void get_pyramid_sample_point4call(int64_t x, int64_t y, const PyramidDescriptor* pyr, int64_t L, int64_t* c0,
                                   int64_t* c1, int64_t* c2, int64_t* c3);
