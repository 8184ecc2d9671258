#include "projections/scissor_height.h"

#include "common/geometry.h"
#include "nets/edge_order.h"
#include "polyhedra/poly_queries.h"
#include "polyhedra/polyhedron.h"
#include "records/TransformationReply.h"
#include "records/vort.h"

namespace {

constexpr double kNoMark = 99999.0;
constexpr double kPlaneTolerance = 1e-5;

// The mark of a collected slot, or null when the slot holds none that can
// be measured (free, beyond the table, or its centre never stored).
const PolyScissorMark* MarkOf(const polyhedron* p, int64_t slot) {
    if (slot < 0 || slot >= p->scissorMarkCount || slot >= kMaxScissorMarks) return nullptr;
    const PolyScissorMark* m = &p->scissorMark[slot];
    return m->used && m->centre >= 0 && m->centre < p->vertexCount3D ? m : nullptr;
}

double SquaredDistanceToCentre(const polyhedron* p, const PolyScissorMark* m, triplex q) {
    const triplex c = grab_coordinates3D_into_Tb(m->centre, p);
    const double dx = q.x - c.x, dy = q.y - c.y, dz = q.z - c.z;
    return dx * dx + dy * dy + dz * dz;
}

// Whether q lies on or behind the plane through the mark's three further
// points; a mark missing one of them has no plane and draws nowhere.
bool BehindMarkPlane(const polyhedron* p, const PolyScissorMark* m, triplex q) {
    for (int64_t v : m->point)
        if (v < 0 || v >= p->vertexCount3D) return false;
    PLANED plane;
    BuildPlaneFromThreePointsT(&plane, grab_coordinates3D_into_Tb(m->point[0], p),
                               grab_coordinates3D_into_Tb(m->point[1], p), grab_coordinates3D_into_Tb(m->point[2], p));
    double s;
    const double at[3] = {q.x, q.y, q.z};
    Classify_PointD_giving_distance(&plane, at, &s, 0.0);
    return s <= kPlaneTolerance;
}

}  // namespace

void FindScissorHeight(const vort* c, TransformationReply* r, double x, double y, double z) {
    r->okToDrawScissor = 0;
    const polyhedron* p = c ? c->outputPolyhedron : nullptr;
    if (!p || p->scissorMarkCount <= 0) return;
    const int64_t netFace = r->faceTag;
    if (netFace < 0 || netFace >= kTabRegionBase || netFace >= p->netFaceCount) return;
    const int64_t face = p->netFace[netFace].face3D;
    if (face < 0 || face >= kMax3DFaces) return;
    const int64_t group = GroupNumberOf3DFace(p, face);
    if (group < 0 || group >= kMaxGroups) {
        r->scissorHeight = float(kNoMark);
        return;
    }
    // The mark's tag is the net fragment its builder placed it in.
    const int64_t key = p->netFace[netFace].fragment;
    const triplex q{x, y, z};
    const PolyScissorMark* winner = nullptr;
    double best = kNoMark, height = kNoMark;
    for (int64_t slot : p->groupScissorSlot[group]) {
        const PolyScissorMark* m = MarkOf(p, slot);
        if (!m || m->tag != key) continue;
        // Only a mark that answers is compared against; the strictly
        // nearer wins.
        const double d = SquaredDistanceToCentre(p, m, q);
        if (d < best) {
            best = d;
            winner = m;
            height = d - m->radius * m->radius;
        }
    }
    r->scissorHeight = float(height);
    if (!winner) return;
    // The marks about one centre (its turns about the crease) draw wherever
    // the point lies on or behind any of their planes.
    for (int64_t slot : p->groupScissorSlot[group]) {
        const PolyScissorMark* m = MarkOf(p, slot);
        if (m && m->tag == key && m->centre == winner->centre && BehindMarkPlane(p, m, q)) {
            r->okToDrawScissor = 1;
            return;
        }
    }
}
