// Anti-aliased dots in a pyramid level: a colour laid over the four pixels
// around a fractional position, each by its bilinear share.
#pragma once

#include <cstdint>

struct PyramidDescriptor;

// The pixel holding (x, y) and its right, lower and lower-right neighbours
// each get the colour composited over them (A over B) with alpha = share ×
// the colour's alpha, written back in the pyramid's kind. Pixels outside the
// level are not written.
void PaintColorWuPixel(PyramidDescriptor* pyr, int64_t level, const float colour[4], float x, float y);
