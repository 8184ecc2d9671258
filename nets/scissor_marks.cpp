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
