#include "nets/slice_lists.h"

#include "nets/edge_flags.h"
#include "polyhedra/poly_store.h"

namespace {

// The vertex nearest the point among those within the tolerance, -1 when
// none. Sites may stand closer together than the tolerance (some patterns
// merge theirs at a tenth of it), and the first vertex found within it
// would then often be a neighbour's.
int64_t NearestVertexWithin(polyhedron* poly, triplex p, double tolerance) {
    int64_t best = AnyCloseMatch3D_comparison(poly, p, tolerance);
    while (best >= 0) {
        const double d = Tdistance(poly->coords3D[best], p);
        if (d == 0.0) break;
        const int64_t closer = AnyCloseMatch3D_comparison(poly, p, d);
        if (closer < 0 || closer == best) break;
        best = closer;
    }
    return best;
}

}  // namespace

int FindSliceMatch(int64_t a, int64_t b, const SlicingRecord& record, polyhedron* poly) {
    if (!poly || a < 0 || b < 0 || poly->faceCount3D < 1) return 0;
    for (int64_t f = 0; f < poly->faceCount3D; ++f) {
        const PolyFace3D& face = poly->face3D[f];
        const int64_t n = face.count;
        for (int64_t i = 0; i < n; ++i) {
            if (face.vertex[i] != a) continue;
            int64_t e = -1;
            if (face.vertex[(i + 1) % n] == b)
                e = i;
            else if (face.vertex[(i + n - 1) % n] == b)
                e = (i + n - 1) % n;
            if (e < 0) break;
            forbid_joining(poly, f, e);
            ApplyStartHint(poly, f, e, record.first, record.last, record.middle);
            if (record.first) disdain_joining(poly, f, (e + n - 1) % n);
            return 1;
        }
    }
    return 0;
}

int64_t ApplySlicingList(const SlicingArcList* list, polyhedron* poly) {
    if (!list || list->count == 0 || !poly || poly->faceCount3D < 1) return 0;
    int64_t found = 0;
    for (int64_t r = 0; r < list->count; ++r) {
        const SlicingRecord& s = list->records[r];
        const int64_t a = NearestVertexWithin(poly, s.a, kPointMergeTolerance);
        const int64_t b = NearestVertexWithin(poly, s.b, kPointMergeTolerance);
        found += FindSliceMatch(a, b, s, poly);
    }
    return found;
}
