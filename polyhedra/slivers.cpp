#include "polyhedra/slivers.h"

#include "common/geometry.h"
#include "common/matrices.h"
#include "polyhedra/face_geometry.h"
#include "polyhedra/face_links.h"
#include "polyhedra/poly_queries.h"
#include "polyhedra/poly_storage.h"
#include "polyhedra/solid_support.h"

namespace {

const double kConeAngle = 1.0471975511965976;  // pi / 3

triplex TurnedToward(triplex A, triplex B, double t) {
    double a[3], b[3], c[3];
    StoreTriplex(A, a);
    StoreTriplex(B, b);
    CGetsAngularInterpolantOfAB(a, b, c, t);
    return TriplexFromArray(c);
}

triplex Turned(triplex p) { return triplex{-p.y, -p.x, -p.z}; }

// The tetrahedron's face corners as unit vectors.
triplex UnitCorner(const polyhedron* p, int64_t face, int64_t k) {
    return TUnitOrZ(grab_coordinatesOf3DFace(p, face, k));
}

int64_t Finish(polyhedron* target) {
    Calc3DAngles(target);
    return Build3DConnectivity(target);
}

}  // namespace

int MakeLieOnCone(triplex apex, triplex point, triplex* out, double angle) {
    const triplex a = TUnitOrZ(apex), d = TUnitOrZ(Tsub(point, apex));
    const triplex axis = TUnitOrZ(Tcross_product(a, d));
    const triplex toward = SpinPointAroundAxis(triplex{0, 0, 0}, axis, angle, Tnegative(a));
    double p1[3] = {0, 0, 0}, p2[3], p3[3], p4[3], pa[3], pb[3], mua, mub;
    StoreTriplex(point, p2);
    StoreTriplex(apex, p3);
    StoreTriplex(Tadd(apex, toward), p4);
    // Parallel lines meet nowhere: the point stays where it was.
    *out = point;
    const int met = LineLineIntersect(p1, p2, p3, p4, pa, pb, &mua, &mub);
    if (met) *out = TriplexFromArray(pa);
    return met;
}

void BuildDevelopableSliverCore(polyhedron* target, triplex apex, triplex A, triplex B, int64_t k, int64_t n,
                                int64_t mode, int64_t faceIndex) {
    triplex p[3] = {apex, TurnedToward(A, B, double(k) / double(n)), TurnedToward(A, B, double(k + 1) / double(n))};
    if (mode == 1)
        for (triplex& q : p) q = Turned(q);
    if (mode == 4) {
        MakeLieOnCone(apex, p[1], &p[1], kConeAngle);
        MakeLieOnCone(apex, p[2], &p[2], kConeAngle);
    }
    int cut = 1;
    if (mode == 2 && faceIndex == 3 && k == 0) cut = 0;
    if (mode == 4 && ((k == 0 && (faceIndex == 0 || faceIndex == 6 || faceIndex == 9)) ||
                      (k == n - 1 && faceIndex >= 3 && faceIndex <= 5)))
        cut = -1;
    AddFaceAtPoints(target, p, 3, cut);
}

void BuildDevelopableSliver(const polyhedron* source, polyhedron* target, int64_t face, int64_t i0, int64_t i1,
                            int64_t i2, int64_t k, int64_t n, int64_t mode) {
    BuildDevelopableSliverCore(target, UnitCorner(source, face, i0), UnitCorner(source, face, i1),
                               UnitCorner(source, face, i2), k, n, mode, face);
}

int64_t BuildDevTet(polyhedron* target, int64_t) {
    if (!getPolyStorageEtc(target)) return 0;
    polyhedron* tetra = NewBaseSolidFor(target, 16);
    if (!tetra) return 0;
    // Faces 0-2 fan from corner 0, face 3 from corner 2: the tetrahedron's
    // faces start so that the arcs pair up on two opposite edges.
    for (int64_t f = 0; f < 4 && f < tetra->faceCount3D; ++f)
        for (int64_t k = 0; k < 30; ++k) {
            if (f < 3)
                BuildDevelopableSliver(tetra, target, f, 0, 1, 2, k, 30, 1);
            else
                BuildDevelopableSliver(tetra, target, f, 2, 0, 1, k, 30, 1);
        }
    FreeScratchSolid(&tetra);
    return Finish(target);
}

int64_t BuildConeTet(polyhedron* target, int64_t) {
    if (!getPolyStorageEtc(target)) return 0;
    polyhedron* tetra = NewBaseSolidFor(target, 16);
    if (!tetra) return 0;
    for (int64_t f = 0; f < tetra->faceCount3D; ++f) {
        const int64_t n = tetra->face3D[f].count;
        const triplex Z = TUnitOrZ(FetchCentroidOf3DFace(tetra, f));
        for (int64_t e = 0; e < n; ++e)
            for (int64_t j = 0; j < 30; ++j)
                BuildDevelopableSliverCore(target, Z, UnitCorner(tetra, f, (e + n - 1) % n), UnitCorner(tetra, f, e), j,
                                           30, 4, 3 * f + e);
    }
    FreeScratchSolid(&tetra);
    return Finish(target);
}
