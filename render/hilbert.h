// The Hilbert curve of an n x n square (n a power of two).
#pragma once

#include <cstdint>

void rot(int64_t n, int64_t* x, int64_t* y, int64_t rx, int64_t ry);
// The cell (x, y) at distance d along the curve.
void d2xy(int64_t n, int64_t d, int64_t* x, int64_t* y);
