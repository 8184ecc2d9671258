// Filtered sampling of a pyramid at real positions: the 5 x 5 kernel with a
// blend between two levels, and the bilinear sampler that wraps every corner
// through the overhang rule.
//
// Positions come in two forms: unit positions (0..1 across the picture at
// every level) and pixel positions X = u * unitScaleX[L] - 0.5 of one level
// (pixel centres at whole numbers). Every sampler accepts any float (NaN and
// huge values included): positions are wrapped or clamped in floating point
// before they become indices.
//
// Colour results are four components in order; "pyramid scale" means 0..255,
// 0..32768 or 0..1 by kind, "unit" means divided by the full scale.
#pragma once

#include <cstdint>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "pyramid/pixels.h"
#include "pyramid/pyramid.h"

// ---- 5 x 5 kernel at a pixel position of level L (pyramid scale) ----
void gauss_pyramid_sample4(const PyramidDescriptor* pyr, int64_t L, float X, float Y, float out[4]);
float gauss_pyramid_sample1(const PyramidDescriptor* pyr, int64_t L, float X, float Y);
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
void blurred_unit_gauss_pyramid_sample4(const PyramidDescriptor* pyr, int64_t L, float f, float u, float v,
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
// The same sample for the common case, taken straight from the tile: the
// blend of the 2 x 2 block from pixel (i0, j0) of level L by fractions
// (fx, fy) of a unit position inside the picture (u in 0..1, v in 0..1 short
// of 1). False, with nothing written, when the block is not inside the level
// and in one tile or the pyramid is not 8-bit colour.
inline bool bilinear_colour8_block(const PyramidDescriptor* pyr, int64_t L, int64_t i0, int64_t j0, float fx, float fy,
                                   float out[4]);
#if defined(__SSE2__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
// The blend of bilinear_colour8_block from the block's first pixel p (its
// second row kTileSide pixels on) and the scale s of a byte, with the lanes
// in byte order: alpha, blue, green, red.
inline __m128 bilinear_colour8_lanes(const uint8_t* p, float s, float fx, float fy);
#endif

// ---- inline definitions ----

#if defined(__SSE2__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
__attribute__((always_inline)) inline __m128 bilinear_colour8_lanes(const uint8_t* p, float s, float fx, float fy) {
    // The four channels side by side: each lane does the scalar steps of the
    // wrapped sampler (a byte times the scale, then the two blends), so the
    // results are the same to the bit.
    const __m128i bytes = _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)),
                                             _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + kTileSide * 4)));
    const __m128i zero = _mm_setzero_si128();
    const __m128i low = _mm_unpacklo_epi8(bytes, zero), high = _mm_unpackhi_epi8(bytes, zero);
    const __m128 scale = _mm_set1_ps(s);
    const __m128 c0 = _mm_mul_ps(_mm_cvtepi32_ps(_mm_unpacklo_epi16(low, zero)), scale);
    const __m128 c1 = _mm_mul_ps(_mm_cvtepi32_ps(_mm_unpackhi_epi16(low, zero)), scale);
    const __m128 c2 = _mm_mul_ps(_mm_cvtepi32_ps(_mm_unpacklo_epi16(high, zero)), scale);
    const __m128 c3 = _mm_mul_ps(_mm_cvtepi32_ps(_mm_unpackhi_epi16(high, zero)), scale);
    const __m128 vx = _mm_set1_ps(fx), vy = _mm_set1_ps(fy);
    const __m128 top = _mm_add_ps(c0, _mm_mul_ps(vx, _mm_sub_ps(c1, c0)));
    const __m128 bottom = _mm_add_ps(c2, _mm_mul_ps(vx, _mm_sub_ps(c3, c2)));
    return _mm_add_ps(top, _mm_mul_ps(vy, _mm_sub_ps(bottom, top)));
}
#endif

inline bool bilinear_colour8_block(const PyramidDescriptor* pyr, int64_t L, int64_t i0, int64_t j0, float fx, float fy,
                                   float out[4]) {
    if (pyr->kind != kPyrColour8 || pyr->bytesPerPixel != 4 || !pyr_accessible(pyr, L, 4) ||
        !pyr_block_in_one_tile<2>(pyr, L, i0, j0))
        return false;
    const uint8_t* p = pyr_pixel_address(pyr, L, i0, j0, 4);
    const float s = pyr->invFullScale;
#if defined(__SSE2__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    const __m128 mixed = bilinear_colour8_lanes(p, s, fx, fy);
    _mm_storeu_ps(out, _mm_shuffle_ps(mixed, mixed, _MM_SHUFFLE(0, 1, 2, 3)));
    return true;
#else
    typedef float V4f __attribute__((vector_size(16)));
    uint32_t w[4];
    std::memcpy(w, p, 8);
    std::memcpy(w + 2, p + kTileSide * 4, 8);
    V4f c[4];
    for (int k = 0; k < 4; ++k)
        c[k] = V4f{static_cast<float>(w[k] >> 24), static_cast<float>((w[k] >> 16) & 255),
                   static_cast<float>((w[k] >> 8) & 255), static_cast<float>(w[k] & 255)} * s;
    const V4f top = c[0] + fx * (c[1] - c[0]);
    const V4f bottom = c[2] + fx * (c[3] - c[2]);
    const V4f o = top + fy * (bottom - top);
    std::memcpy(out, &o, sizeof o);
    return true;
#endif
}
