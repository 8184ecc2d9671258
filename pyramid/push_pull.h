// Filling transparent areas with colour spread in from their opaque
// surroundings, so that a picture flattened for a format without alpha shows
// no hard black holes. Holes of level 0 are first closed from their
// neighbours (congeal), every level is averaged by alpha into the next
// smaller one (push), then, from the smallest level down, pixels that are
// still holes take the colour of the level above (pull). Afterwards levels
// 0..top - 1 are opaque; opaque pixels of level 0 keep their colour exactly.
// Calling thread; the pyramid must not be read by tasks meanwhile.
#pragma once

#include <cstdint>

#include "pyramid/pyramid.h"

constexpr float kPushPullZeroAlpha = 1.0f / 63.0f;   // alphas below count as 0
constexpr float kPushPullEnoughAlpha = 2.0f / 63.0f; // neighbourhood alpha that fills a pixel
constexpr float kPushPullHoleAlpha = 0.02f;          // at most this: still a hole in the pull

// Closes single-pixel holes: passes of a two-colour checkerboard.
void CongealLevel(PyramidDescriptor* pyr, int64_t level, int64_t passes);
// Level + 1 from alpha-weighted 2 x 2 averages of level.
void PushPaintLevelAbove(PyramidDescriptor* pyr, int64_t level);
// The holes of level from level + 1; every pixel of the level ends opaque.
void PullPaintLevel(PyramidDescriptor* pyr, int64_t level);
// The whole fill (nothing for a pyramid of one level).
void paint_pushpull_of_pyramid_above(PyramidDescriptor* pyr, int64_t passes);
