#include "pyramid/wu_pixel.h"

#include <cmath>

#include "pyramid/colour_mixing.h"
#include "pyramid/pixels.h"

void PaintColorWuPixel(PyramidDescriptor* pyr, int64_t level, const float colour[4], float x, float y) {
    if (!pyr || !pyr->tiles || level < 0 || level > pyr->topLevel) return;
    if (!std::isfinite(x) || !std::isfinite(y) || std::fabs(x) > 1.0e9f || std::fabs(y) > 1.0e9f) return;
    const float fx = std::floor(x), fy = std::floor(y);
    const int64_t ix = static_cast<int64_t>(fx), iy = static_cast<int64_t>(fy);
    const float dx = x - fx, dy = y - fy;
    const float share[4] = {(1 - dx) * (1 - dy), dx * (1 - dy), (1 - dx) * dy, dx * dy};
    for (int q = 0; q < 4; ++q) {
        const int64_t px = ix + (q & 1), py = iy + (q >> 1);
        if (PointIsOutsideOfPyrLevel(px, py, pyr, level)) continue;
        const float s = share[q] * colour[3];
        if (!(s > 0.0f)) continue;
        float under[4];
        get_intcoord_unitary_color(px, py, pyr, level, under);
        const float dot[4] = {colour[0], colour[1], colour[2], s};
        CompositeAoverB(dot, under);
        set_intcoord_unitary_color(px, py, pyr, level, under);
    }
}
