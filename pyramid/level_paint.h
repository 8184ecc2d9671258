// A test pattern for checking pixel kinds and tiling. Calling thread only;
// no level being written by tile tasks at the same time.
#pragma once

#include "pyramid/pyramid.h"

// Level 0 of a pyramid of any kind: pixel (x, y) holds x ^ y in its first
// component and the same shifted by a third and two thirds of the range in
// the next two.
void PaintTestPattern(PyramidDescriptor* pyr);
