#include "pyramid/wu_pixel.h"

#include <algorithm>


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
