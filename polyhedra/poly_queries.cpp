#include "polyhedra/poly_queries.h"

#include <algorithm>
#include <cmath>

namespace {

bool ValidVertex(const polyhedron* poly, int64_t v) {
    return poly && poly->coords3D && v >= 0 && v < poly->vertexCount3D;
}

bool ValidFace(const polyhedron* poly, int64_t f) { return poly && f >= 0 && f < poly->faceCount3D; }

}  // namespace

triplex grab_coordinates3D_into_Tb(int64_t index, const polyhedron* poly) {
    return ValidVertex(poly, index) ? poly->coords3D[index] : triplex{0, 0, 0};
}

triplex grab_coordinatesOf3DFace(const polyhedron* poly, int64_t face, int64_t corner) {
    if (!ValidFace(poly, face) || corner < 0 || corner >= poly->face3D[face].count) return triplex{0, 0, 0};
    return grab_coordinates3D_into_Tb(poly->face3D[face].vertex[corner], poly);
}

triplex FetchCentroidOf3DFace(const polyhedron* poly, int64_t face) {
    if (!ValidFace(poly, face) || poly->face3D[face].count < 1) return triplex{0, 0, 0};
    triplex s{0, 0, 0};
    const int64_t n = poly->face3D[face].count;
    for (int64_t k = 0; k < n; ++k) s = Tadd(s, grab_coordinatesOf3DFace(poly, face, k));
    return Tscale(s, 1.0 / double(n));
}

triplex FetchNormalOf3DFace(const polyhedron* poly, int64_t face) {
    if (!ValidFace(poly, face)) return triplex{0, 0, 0};
    // Newell's sum: robust for any planar polygon, zero when degenerate.
    triplex n{0, 0, 0};
    const int64_t count = poly->face3D[face].count;
    for (int64_t k = 0; k < count; ++k) {
        const triplex a = grab_coordinatesOf3DFace(poly, face, k), b = grab_coordinatesOf3DFace(poly, face, (k + 1) % count);
        n.x += (a.y - b.y) * (a.z + b.z);
        n.y += (a.z - b.z) * (a.x + b.x);
        n.z += (a.x - b.x) * (a.y + b.y);
    }
    const double m = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
    return m > 1e-300 ? Tscale(n, 1.0 / m) : triplex{0, 0, 0};
}

int64_t FacegroupOf3DFace_weirdo(int64_t face, const polyhedron* poly) {
    if (!ValidFace(poly, face)) return -1;
    int64_t g = poly->face3D[face].group;
    g = g < 0 ? 0 : (g > kGroupNumberEntries - 1 ? kGroupNumberEntries - 1 : g);
    return poly->groupNumber[g];
}

int64_t FacegroupOf2DFace(int64_t netFace, const polyhedron* poly) {
    if (!poly) return 0;
    if (netFace < 0) return -1;
    if (poly->netFaceCount > 0 && netFace >= poly->netFaceCount) netFace = poly->netFaceCount - 1;
    if (poly->shapeCode >= 171 && poly->shapeCode <= 196)
        return FacegroupOf3DFace_weirdo(poly->netFace[netFace].face3D, poly);
    if (poly->faceGroups) return poly->faceGroups[netFace];
    return netFace;
}
