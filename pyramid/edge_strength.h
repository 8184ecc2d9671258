// How strongly the picture changes at each pixel, kept in the pixel's alpha
// next to its colour: the absolute discrete Laplacian of luminance,
//   E = (Y(x-1, y) + Y(x+1, y) + Y(x, y-1) + Y(x, y+1) - 4 Y(x, y)) * gain,
// capped at the kind's full scale, with Y = (77 c0 + 150 c1 + 28 c2) >> 8.
// Neighbours outside the level follow the pyramid's edge rule.
//
// Only the packed colour kinds have integer colour components beside an
// alpha: kind 3 (cap 255) and kind 4 (cap 32768). Grey kinds have no alpha
// and float colour has no integer luminance; those are left unchanged.
// Rectangles are clipped to the level; each call writes only the alpha of its
// rectangle and reads only colour, so callers may split a level across tasks.
#pragma once

#include <cstdint>

#include "pyramid/pyramid.h"

// The whole level with gain 1 (2^level with doubling); returns the rectangle
// measured, empty for a null pyramid or a level that does not exist.
VRect StashEdgesInAlpha(PyramidDescriptor* pyr, int64_t level, int64_t doubling);
// The measure over rect; with doubling the gain is 2^level.
void StashEdgesInAlphaPart(PyramidDescriptor* pyr, int64_t level, int64_t doubling, int64_t gain, VRect rect);
// The measure of an 8-bit grey source level (Y is the grey value), capped at
// 255, into the alpha of the same pixel of a kind-3 target; target pixels
// outside its level are skipped. A source without tiles clears the alpha.
void StashEdgesInAlphaPart_1_to_4(const PyramidDescriptor* source, int64_t level, int64_t gain, VRect rect,
                                  PyramidDescriptor* target);
// Alpha a of pixel (x, y) (edge rule applied) of a kind-3 level becomes (a × factor) >> 8.
void multiply_alpha(int64_t x, int64_t y, PyramidDescriptor* pyr, int64_t level, int64_t factor);
