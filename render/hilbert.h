// The Hilbert curve of an n x n square (n a power of two) and the
// coarse-to-fine ordering of the cells of a grid for progressive previews.
#pragma once

#include <cstdint>

void rot(int64_t n, int64_t* x, int64_t* y, int64_t rx, int64_t ry);
// Distance d along the curve to the cell (x, y), and back.
void d2xy(int64_t n, int64_t d, int64_t* x, int64_t* y);
int64_t xy2d(int64_t n, int64_t x, int64_t y);

struct ProgressiveRecord {
    int32_t size;
    int32_t x;
    int32_t y;
};
// Fills n x n records (size, x, y), n a power of two; the caller hands them
// with x and y 0. Record 0 alone has size n; every cell appears once.
void create_progressive_rendering_pattern(ProgressiveRecord* records, int64_t n);
