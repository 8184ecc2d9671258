// Whole-level and whole-pyramid transfers: copying a level between pyramids
// of any pixel kinds, scaling one pyramid into another through filtered
// between-level sampling (and rebuilding the destination's smaller levels).
// Main thread; the rebuilds run as the standard reduction jobs. Missing
// pyramids, missing tiles, empty rectangles and levels beyond a pyramid's top
// do nothing.
#pragma once

#include <cstdint>

#include "pyramid/pyramid.h"

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
// Equal level-0 sizes: a copy of level 0; otherwise a scale with bias 0.5.
// Then B's smaller levels are rebuilt unless B's edge mode is -1.
void CopyOrScalePyrToPyr(const PyramidDescriptor* a, PyramidDescriptor* b);
// Rectangle ra of A's level 0 scaled into rectangle rb of B's level 0.
void ScalePyrNicely_TargetAlways4(const PyramidDescriptor* a, PyramidDescriptor* b, VRect ra, VRect rb, float bias);
