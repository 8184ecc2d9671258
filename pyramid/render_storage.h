// What a render takes before it runs and gives back after it: the main input
// pyramid, read from the host once per invocation, and the output mode's own
// buffers and polyhedron stores. Main thread, inside a selector.
#pragma once

#include <cstdint>

struct Data;
struct PyramidDescriptor;

// The main input pyramid, allocated and filled once per invocation; result
// 999 when it cannot be allocated. A picture being read in steps
// (pyramid/picture_reading.h) is read whole first, but for a preview.
void MaybeAllocatePyramids(Data* data);
// The pyramid kind that suits the host's image.
int64_t InputPyramidKind();
// main made ready for the host's picture at width x height (its old tiles
// freed) with the Data words of a fill; false, with result 999, when it
// cannot be allocated.
bool AllocateMainInputPyramid(Data* data, PyramidDescriptor* main, int64_t width, int64_t height);
// Frees the mode's brick and metaball buffers and the render's polyhedron stores.
void Postroll(Data* data);
