// Whole-level and whole-pyramid transfers: copying a level between pyramids
// of any pixel kinds, scaling one pyramid into another through filtered
// between-level sampling (and rebuilding the destination's smaller levels),
// rectangle copies (straight and rotated) and panning. Main thread; the
// rebuilds run as the standard reduction jobs, one level after another.
// Missing pyramids, missing tiles, empty rectangles and levels beyond a
// pyramid's top do nothing.
#pragma once

#include <cstdint>

#include "pyramid/pyramid.h"

// "Written in B's kind" below means: a pixel of the same kind is copied as it
// is; otherwise through unit colour (set_intcoord_unitary_color).

// A kernel sample between levels at a unit position, in unit colour: level L
// blended towards L + 1 by f; a level at or beyond the top samples the top.
void SampleBetweenLevels(const PyramidDescriptor* pyr, int64_t L, float f, float u, float v, float out[4]);

// ---- level copies ----
// Tile by tile when both pyramids have the same layout, else pixel by pixel.
void CopyLevelToLevel(const PyramidDescriptor* a, PyramidDescriptor* b, int64_t level);
// Over the common extent of level La of A and Lb of B, converting kinds:
// colour to grey by 0.3 R + 0.59 G + 0.11 B, grey to colour as (g, g, g, 1).
void CopyLevelToLevelSlowly(const PyramidDescriptor* a, PyramidDescriptor* b, int64_t levelA, int64_t levelB);

// ---- scaling ----
// lod = log2(width of A / width of B) - bias, limited to 0..A's top level.
void GetCompression(const PyramidDescriptor* a, const PyramidDescriptor* b, int64_t* level, float* fraction,
                    float bias);
// Equal level-0 sizes: a copy of level 0; otherwise a scale with bias 0.5.
// Then B's smaller levels are rebuilt unless B's edge mode is -1.
void CopyOrScalePyrToPyr(const PyramidDescriptor* a, PyramidDescriptor* b);
void CopyOrScalePyrToPyr_linear(const PyramidDescriptor* a, PyramidDescriptor* b);
// Rectangle ra of A's level 0 scaled into rectangle rb of B's level 0.
void ScalePyrNicely_TargetAlways4(const PyramidDescriptor* a, PyramidDescriptor* b, VRect ra, VRect rb, float bias);
void ScalePyrNicely_linear(const PyramidDescriptor* a, PyramidDescriptor* b, VRect ra, VRect rb);
// Nearest-pixel scaling of level La of A into level Lb of B.
void ScalePyrAToBCheaply(const PyramidDescriptor* a, int64_t levelA, PyramidDescriptor* b, int64_t levelB,
                         int64_t rebuild);

// ---- rectangle copies ----
// The raw 32-bit words of rect of A's level to (dx, dy) onwards in B's level.
void CopyPartOfAtoB_4(const PyramidDescriptor* a, VRect rect, PyramidDescriptor* b, int64_t dx, int64_t dy,
                      int64_t level);
// The same through unit colour, in B's kind.
void CopyPartOfAtoB(const PyramidDescriptor* a, VRect rect, PyramidDescriptor* b, int64_t dx, int64_t dy,
                    int64_t level);
// Each pixel of rect of B's level takes A turned by (cos, sin) about the
// centres, sampled at the level of detail of the size ratio.
void CopyPartOfAtoBSpun2(const PyramidDescriptor* a, PyramidDescriptor* b, VRect rect, int64_t level, float cosine,
                         float sine);
// Level 0 of A from level 0 of B shifted by (dx, dy) and wrapped.
void FillAWithBPanned(PyramidDescriptor* a, const PyramidDescriptor* b, int64_t dx, int64_t dy);
