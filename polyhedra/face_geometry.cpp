#include "polyhedra/face_geometry.h"

#include <algorithm>
#include <cmath>

#include "polyhedra/flat_face.h"

namespace {

// Below this sine of the turn, a corner counts as straight for the normal.
constexpr double kStraightSine = 1e-7;

// arccos that gives 0 or pi, not NaN, on a rounding step past +-1.
double SafeAcos(double c) { return std::acos(std::clamp(c, -1.0, 1.0)); }

triplex Corner(const polyhedron* poly, const PolyFace3D& F, int64_t k) { return poly->coords3D[F.vertex[k]]; }

bool FaceIsReadable(const polyhedron* poly, int64_t face) {
    if (!poly || !poly->coords3D || face < 0 || face >= kMax3DFaces) return false;
    const PolyFace3D& F = poly->face3D[face];
    if (F.count < 1 || F.count > kMaxFaceVertices) return false;
    for (int64_t k = 0; k < F.count; ++k)
        if (F.vertex[k] < 0 || F.vertex[k] >= kMax3DVertices) return false;
    return true;
}

}  // namespace

int64_t extremePointIn3DPolygon(const polyhedron* poly, int64_t face) {
    if (!FaceIsReadable(poly, face)) return 0;
    const PolyFace3D& F = poly->face3D[face];
    if (F.count < 2) return 0;
    int64_t best = 0;
    for (int64_t k = 1; k < F.count; ++k) {
        const triplex p = Corner(poly, F, k), b = Corner(poly, F, best);
        if (p.x > b.x || (p.x == b.x && (p.y > b.y || (p.y == b.y && p.z > b.z)))) best = k;
    }
    return best;
}

triplex normalOf3DPolygon(polyhedron* poly, int64_t face) {
    if (!FaceIsReadable(poly, face)) return {0, 0, 0};
    PolyFace3D& F = poly->face3D[face];
    const int64_t c = extremePointIn3DPolygon(poly, face), n = F.count;
    F.extremeCorner = c;
    const triplex here = Corner(poly, F, c);
    const triplex toNext = Tsub(Corner(poly, F, (c + 1) % n), here);
    const triplex toPrev = Tsub(Corner(poly, F, (c + n - 1) % n), here);
    triplex v = Tcross_product(toNext, toPrev);
    // An extreme corner on a straight run of corners turns neither way: its
    // cross product is rounding noise. Take the area vector of the whole
    // face instead, which points the same way wherever the face is simple.
    if (Tmagnitude(v) <= kStraightSine * Tmagnitude(toNext) * Tmagnitude(toPrev)) {
        v = {0, 0, 0};
        for (int64_t k = 0; k < n; ++k)
            v = Tadd(v, Tcross_product(Corner(poly, F, k), Corner(poly, F, (k + 1) % n)));
    }
    const double len = Tmagnitude(v);
    return len > 0 ? Tscale(v, 1.0 / len) : triplex{0, 0, 0};
}

void labelConvexPointsOf3DPolygon(polyhedron* poly, int64_t face) {
    if (!FaceIsReadable(poly, face)) return;
    const triplex n = normalOf3DPolygon(poly, face);
    PolyFace3D& F = poly->face3D[face];
    F.normal = n;
    const int64_t m = F.count;
    for (int64_t c = 0; c < m; ++c) {
        const triplex here = Corner(poly, F, c);
        const double s = Tdot_product(n, Tcross_product(Tsub(Corner(poly, F, (c + m - 1) % m), here),
                                                        Tsub(Corner(poly, F, (c + 1) % m), here)));
        F.convexity[c] = s == 0 ? 1 : (s < 0 ? 2 : 3);
    }
}

void Calc3DAngles(polyhedron* poly) {
    if (!poly || !poly->coords3D) return;
    temp2Dface flat;
    for (int64_t f = 0; f < poly->faceCount3D && f < kMax3DFaces; ++f) {
        if (!FaceIsReadable(poly, f)) continue;
        PolyFace3D& F = poly->face3D[f];
        const int64_t m = F.count;
        for (int64_t c = 0; c < m; ++c) {
            const triplex here = Corner(poly, F, c);
            const triplex u = TUnitOrZ(Tsub(Corner(poly, F, (c + m - 1) % m), here));
            const triplex w = TUnitOrZ(Tsub(Corner(poly, F, (c + 1) % m), here));
            F.angle[c] = float(SafeAcos(Tdot_product(u, w)));
        }
        labelConvexPointsOf3DPolygon(poly, f);
        F.orientedNormal = F.normal;
        Make2DVersionOf3DFace(poly, f, &flat, 0);
        labelConvexPointsOfTempface(&flat);
        if (flat.label[extremePointIn2DTempface(&flat)] == 3) F.orientedNormal = Tnegative(F.orientedNormal);
        BuildPlaneFromPointAndDirectionT(&F.plane, Corner(poly, F, 0), F.orientedNormal);
    }
}

void Calc2DAnglesAroundFaces(polyhedron* poly) {
    if (!poly || !poly->coords2D) return;
    for (int64_t i = 0; i < poly->netFaceCount && i < kMaxNetFaces; ++i) {
        PolyNetFace& N = poly->netFace[i];
        const int64_t m = N.count;
        auto at = [&](int64_t k) -> triplex {
            const int64_t v = N.vertex[k];
            if (v < 0 || v >= kMax2DVertices) {
                poly->status = kPolyStatusVertexIndexOutOfRange;
                return {0, 0, 0};
            }
            return {poly->coords2D[v][0], poly->coords2D[v][1], 0};
        };
        for (int64_t c = 0; c < m && c < kMaxFaceVertices; ++c) {
            const triplex p = at((c + m - 1) % m), here = at(c), q = at((c + 1) % m);
            const triplex u = TUnitOrZ(Tsub(p, here)), w = TUnitOrZ(Tsub(q, here));
            N.angle[c] = float(SafeAcos(Tdot_product(u, w)));
            N.heading[c] = float(SafeAcos(w.y));
        }
    }
}
