// What a render takes before it runs and gives back after it: the main input
// pyramid, read from the host once per invocation, and the output mode's own
// buffers and polyhedron stores. Main thread, inside a selector.
#pragma once

struct Data;

// The main input pyramid, allocated and filled once per invocation; result
// 999 when it cannot be allocated.
void MaybeAllocatePyramids(Data* data);
// Frees the mode's brick and metaball buffers and the render's polyhedron stores.
void Postroll(Data* data);
