// Core Graphics images drawn into pyramid levels.
#pragma once

#include <cstdint>

#include "platform/cg_image.h"

struct PyramidDescriptor;

// Draws the image stretched over level `level` (nearest pixel when the sizes
// differ) and writes every pixel in the pyramid's kind: kinds 3 and 4 the
// four components × full scale, truncated; kind 9 four floats; grey kinds
// the image's grey (0.3 R + 0.59 G + 0.11 B). Rows go bottom-up when flip is
// non-zero. Returns 1 when drawn; 0 for a null image, a null pyramid, a
// pyramid without tiles or a level it does not have, writing nothing.
int64_t CopyCGImageRefIntoPyrLevel(CGImageRef image, PyramidDescriptor* pyr, int64_t level, int64_t flip);
int64_t CopyCGImageRefIntoPyr(CGImageRef image, PyramidDescriptor* pyr, int64_t flip);
