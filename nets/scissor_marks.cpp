#include "nets/scissor_marks.h"

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
    for (auto& slots : poly->groupScissorSlot) slots[0] = slots[1] = -1;
    for (int64_t a = 0; a < kMaxGroups; ++a) {
        const int64_t n = uint16_t(poly->groupNumber[a]);
        if (n < kMaxGroups && poly->groupScissorMark[a] != -1) AddScissorToWeirdoGroup(poly, n, poly->groupScissorMark[a]);
    }
}
