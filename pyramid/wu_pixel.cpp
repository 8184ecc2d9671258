#include "pyramid/wu_pixel.h"

#include <algorithm>
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

namespace {

// Bilinear shares of a dot at (x, y) over pixels (ix, iy) .. (ix + 1, iy + 1);
// false for a position no level reaches.
bool WuShares(float x, float y, int64_t* ix, int64_t* iy, float share[4]) {
    if (!std::isfinite(x) || !std::isfinite(y) || std::fabs(x) > 1.0e9f || std::fabs(y) > 1.0e9f) return false;
    const float fx = std::floor(x), fy = std::floor(y);
    *ix = static_cast<int64_t>(fx);
    *iy = static_cast<int64_t>(fy);
    const float dx = x - fx, dy = y - fy;
    share[0] = (1 - dx) * (1 - dy);
    share[1] = dx * (1 - dy);
    share[2] = (1 - dx) * dy;
    share[3] = dx * dy;
    return true;
}

}  // namespace

void AddWuPixel1(PyramidDescriptor* pyr, int64_t level, float x, float y, float w) {
    if (!pyr || !pyr->tiles || level < 0 || level > pyr->topLevel || pyr->kind != kPyrGrey8) return;
    int64_t ix, iy;
    float share[4];
    if (!(w > 0.0f) || !WuShares(x, y, &ix, &iy, share)) return;
    for (int q = 0; q < 4; ++q) {
        const int64_t px = ix + (q & 1), py = iy + (q >> 1);
        if (!pyr_writable(pyr, level, px, py, 1)) continue;
        uint8_t* p = pyr_pixel_address(pyr, level, px, py, 1);
        const float s = std::fmin(255.0f, share[q] * w);
        if (s > float(*p)) *p = static_cast<uint8_t>(s);
    }
}

void PlanWuPixel(int64_t ix, int64_t iy, PyramidDescriptor* pyr, int64_t level, float w, float a, float b, float dx,
                 float dy, int side) {
    a = std::fabs(a);
    b = std::fabs(b);
    float t = a + b > 0.0f ? a / (a + b) : 0.5f;
    if (side > 0) t = 1.0f - t;
    const float m = std::sqrt(dx * dx + dy * dy);
    if (!(m > 0.0f)) return;
    AddWuPixel1(pyr, level, float(ix) + t * dx / m, float(iy) + t * dy / m, w);
}

void draw_Wu_segment_into_pyramid(int64_t ix, int64_t iy, PyramidDescriptor* pyr, int64_t level, float w, float x0,
                                  float y0, float x1, float y1) {
    const float length = std::hypot(x1 - x0, y1 - y0);
    AddWuPixel1(pyr, level, float(ix) + 0.5f * (x0 + x1), float(iy) + 0.5f * (y0 + y1), w * length);
}

int ContourCellSegments(int k, const float t[4], ContourSegment out[2]) {
    // Crossing points on the four edges.
    const float P[4][2] = {{t[kEdgeTop], 0.0f}, {t[kEdgeBottom], 1.0f}, {0.0f, t[kEdgeLeft]}, {1.0f, t[kEdgeRight]}};
    auto seg = [&](int i, int e, int f) {
        out[i] = ContourSegment{P[e][0], P[e][1], P[f][0], P[f][1]};
    };
    if (k > 7 && k != 9) k = 15 - k;  // complements draw the same segment
    switch (k) {
        case 1: seg(0, kEdgeTop, kEdgeLeft); return 1;
        case 2: seg(0, kEdgeTop, kEdgeRight); return 1;
        case 3: seg(0, kEdgeLeft, kEdgeRight); return 1;
        case 4: seg(0, kEdgeLeft, kEdgeBottom); return 1;
        case 5: seg(0, kEdgeTop, kEdgeBottom); return 1;
        case 6: seg(0, kEdgeTop, kEdgeRight); seg(1, kEdgeLeft, kEdgeBottom); return 2;
        case 7: seg(0, kEdgeBottom, kEdgeRight); return 1;
        case 9: seg(0, kEdgeTop, kEdgeLeft); seg(1, kEdgeBottom, kEdgeRight); return 2;
        default: return 0;
    }
}

void LinearContourCrossings(float a, float b, float c, float d, float level, float t[4]) {
    // From the end with the larger value, so both ends give one answer.
    auto cross = [level](float p, float q) {
        if (p == q) return 0.5f;
        if (p >= q) return std::clamp((p - level) / (p - q), 0.0f, 1.0f);
        return 1.0f - std::clamp((q - level) / (q - p), 0.0f, 1.0f);
    };
    t[kEdgeTop] = cross(a, b);
    t[kEdgeBottom] = cross(c, d);
    t[kEdgeLeft] = cross(a, c);
    t[kEdgeRight] = cross(b, d);
}

void plan_contour(int64_t ix, int64_t iy, PyramidDescriptor* pyr, int64_t level, float w, float a, float b, float c,
                  float d, float levelValue) {
    float t[4];
    LinearContourCrossings(a, b, c, d, levelValue, t);
    ContourSegment s[2];
    const int n = ContourCellSegments(ContourCase(a, b, c, d, levelValue), t, s);
    for (int i = 0; i < n; ++i) draw_Wu_segment_into_pyramid(ix, iy, pyr, level, w, s[i].x0, s[i].y0, s[i].x1, s[i].y1);
}
