#include "nets/scissor_marks.h"

#include <algorithm>
#include <cmath>

#include "polyhedra/poly_store.h"

namespace {

int64_t MergedVertex(polyhedron* poly, const spintype* spin, triplex p) {
    return AddNew3DVertToPolyhedron_private(poly, ApplySpintypeToPoint(spin, p.x, p.y, p.z), kScissorMergeTolerance,
                                            nullptr);
}

}  // namespace

void AddScissorMark(polyhedron* poly, triplex point, double distance, int64_t group, const spintype* spin,
                    int64_t tag, triplex pointA, triplex pointB, triplex pointC) {
    if (!poly) return;
    const int64_t m = poly->scissorMarkCount;
    if (m < 0 || m >= kMaxScissorMarks) {
        poly->status = kPolyStatusScissorTableFull;
        return;
    }
    PolyScissorMark& mark = poly->scissorMark[m];
    mark.centre = MergedVertex(poly, spin, point);
    if (mark.centre < 0) return;
    mark.used = 1;
    const triplex o = ApplySpintypeToPoint(spin, 0, 0, 0);
    const triplex r = ApplySpintypeToPoint(spin, distance, 0, 0);
    mark.radius = std::sqrt((r.x - o.x) * (r.x - o.x) + (r.y - o.y) * (r.y - o.y) + (r.z - o.z) * (r.z - o.z));
    mark.group = group;
    mark.tag = tag;
    if (group >= 0 && group < kMaxGroups) poly->groupScissorMark[group] = m;
    const triplex further[3] = {pointA, pointB, pointC};
    for (int k = 0; k < 3; ++k) mark.point[k] = MergedVertex(poly, spin, further[k]);
    poly->scissorMarkCount = m + 1;
}

void AddScissorToWeirdoGroup(polyhedron* poly, int64_t n, int64_t mark) {
    if (!poly || n < 0 || n >= kMaxGroups || mark == -1) return;
    for (int64_t& slot : poly->groupScissorSlot[n])
        if (slot == -1) {
            slot = mark;
            return;
        }
}

void AdjustScissorInfo(polyhedron* poly) {
    if (!poly) return;
    for (auto& slots : poly->groupScissorSlot)
        for (int64_t& slot : slots) slot = -1;
    // Every mark, not only each group's last: a group holds the marks of
    // both halves of a corner piece, three turns each.
    const int64_t count = std::min(poly->scissorMarkCount, kMaxScissorMarks);
    for (int64_t m = 0; m < count; ++m) {
        const PolyScissorMark& mark = poly->scissorMark[m];
        if (!mark.used || mark.group < 0 || mark.group >= kMaxGroups) continue;
        const int64_t n = uint16_t(poly->groupNumber[mark.group]);
        if (n < kMaxGroups) AddScissorToWeirdoGroup(poly, n, m);
    }
}
