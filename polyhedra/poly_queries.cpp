#include "polyhedra/poly_queries.h"

#include <algorithm>
#include <cmath>

namespace {

bool ValidVertex(const polyhedron* poly, int64_t v) {
    return poly && poly->coords3D && v >= 0 && v < poly->vertexCount3D;
}

bool ValidFace(const polyhedron* poly, int64_t f) { return poly && f >= 0 && f < poly->faceCount3D; }

}  // namespace

int64_t grab_polyface3D(int64_t face, const uint16_t* list, int64_t* out) {
    for (int k = 0; k < kMaxFaceVertices; ++k) out[k] = -1;
    if (!list || face < 0) return 0;
    const uint16_t* p = list;
    for (int64_t skipped = 0; skipped < face; ++p)
        if (*p == 0) ++skipped;
    int64_t n = 0;
    for (; *p != 0 && n < kMaxFaceVertices; ++p) out[n++] = int64_t(*p) - 1;
    return n;
}

int64_t grab_polyface2D(int64_t face, const polyhedron* poly, int64_t* out, int64_t* highest) {
    for (int k = 0; k < kMaxFaceVertices; ++k) out[k] = -1;
    if (!poly || face < 0 || face >= poly->faceCount3D) return 0;
    const int64_t n = grab_polyface3D(face, poly->faceList2D, out);
    for (int64_t k = 0; k < n; ++k)
        if (highest && out[k] > *highest) *highest = out[k];
    return n;
}

void grab_coordinates2DD(int64_t index, polyhedron* poly, double* x, double* y) {
    *x = *y = 0;
    if (!poly) return;
    if (index < 0 || index >= kMax2DVertices || !poly->coords2D) {
        if (index >= kMax2DVertices) poly->status = kPolyStatusVertexIndexOutOfRange;
        return;
    }
    *x = poly->coords2D[index][0];
    *y = poly->coords2D[index][1];
}

triplex grab_coordinates2D_into_T(int64_t index, polyhedron* poly) {
    triplex t{0, 0, 0};
    grab_coordinates2DD(index, poly, &t.x, &t.y);
    return t;
}

triplex grab_coordinates3D_into_Tb(int64_t index, const polyhedron* poly) {
    return ValidVertex(poly, index) ? poly->coords3D[index] : triplex{0, 0, 0};
}

void grab_coordinates3DD(int64_t index, const polyhedron* poly, double* out) {
    const triplex t = grab_coordinates3D_into_Tb(index, poly);
    out[0] = t.x;
    out[1] = t.y;
    out[2] = t.z;
}

void grab_coordinates3D_into_vector3D(int64_t index, const polyhedron* poly, double* out) {
    grab_coordinates3DD(index, poly, out);
}

triplex grab_coordinatesOf3DFace(const polyhedron* poly, int64_t face, int64_t corner) {
    if (!ValidFace(poly, face) || corner < 0 || corner >= poly->face3D[face].count) return triplex{0, 0, 0};
    return grab_coordinates3D_into_Tb(poly->face3D[face].vertex[corner], poly);
}

triplex grab3DEdgeAsVector(const polyhedron* poly, int64_t face, int64_t corner) {
    if (!ValidFace(poly, face) || poly->face3D[face].count < 1) return triplex{0, 0, 0};
    const int64_t n = poly->face3D[face].count;
    return Tsub(grab_coordinatesOf3DFace(poly, face, (corner + 1) % n), grab_coordinatesOf3DFace(poly, face, corner));
}

void Face_and_Index_2D_to_3D(int64_t netFace, int64_t corner, int64_t* face, int64_t* index, const polyhedron* poly) {
    *face = -1;
    *index = -1;
    if (!poly || netFace < 0 || netFace >= poly->netFaceCount) return;
    const PolyNetFace& nf = poly->netFace[netFace];
    if (!ValidFace(poly, nf.face3D)) return;
    const int64_t n = poly->face3D[nf.face3D].count;
    if (n < 1) return;
    *face = nf.face3D;
    *index = ((corner + nf.secondIndex) % n + n) % n;
}

void Face_and_Index_3D_to_2D(int64_t face, int64_t corner, int64_t* netFace, int64_t* index, const polyhedron* poly) {
    *netFace = 0;
    *index = 0;
    if (!poly || face < 0 || face > kMax3DFaces - 1 || corner < 0 || corner > kMaxFaceVertices - 1) return;
    for (int64_t f = 0; f < poly->netFaceCount; ++f) {
        const PolyNetFace& nf = poly->netFace[f];
        if (nf.face3D != face || nf.count < 1) continue;
        *netFace = f;
        *index = ((corner - nf.secondIndex) % nf.count + nf.count) % nf.count;
    }
}

void Get2DEdgeThatMeetsIn3D(const polyhedron* poly, int64_t face, int64_t edge, int64_t* netFace, int64_t* netEdge) {
    *netFace = -1;
    *netEdge = -1;
    if (!ValidFace(poly, face) || edge < 0 || edge >= poly->face3D[face].count) return;
    const int64_t other = poly->face3D[face].neighbour[edge];
    const int64_t otherEdge = poly->face3D[face].neighbourEdge[edge];
    if (!ValidFace(poly, other) || otherEdge < 0) return;
    Face_and_Index_3D_to_2D(other, otherEdge, netFace, netEdge, poly);
}

int64_t highest_3D_vertex(const polyhedron* poly) {
    int64_t h = -1;
    if (!poly) return h;
    for (int64_t f = 0; f < poly->faceCount3D; ++f)
        for (int64_t k = 0; k < poly->face3D[f].count; ++k) h = std::max(h, poly->face3D[f].vertex[k]);
    return h;
}

int64_t highest_3D_vertex_no_poly(const uint16_t* list, int64_t count) {
    int64_t h = -1, out[kMaxFaceVertices];
    for (int64_t f = 0; f < count; ++f) {
        const int64_t n = grab_polyface3D(f, list, out);
        for (int64_t k = 0; k < n; ++k) h = std::max(h, out[k]);
    }
    return h;
}

int64_t highest_2D_vertex_excluding_tabs(const polyhedron* poly) {
    int64_t h = -1;
    if (!poly) return h;
    for (int64_t f = 0; f < poly->netFaceCount && f < kMaxNetFaces; ++f)
        for (int64_t k = 0; k < poly->netFace[f].count; ++k) h = std::max(h, poly->netFace[f].vertex[k]);
    return h;
}

int64_t highest_2D_vertex_excluding_tabs_nu(const polyhedron* poly) { return highest_2D_vertex_excluding_tabs(poly); }

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

triplex grab_as_transformed(int64_t index, const polyhedron* poly) {
    triplex t = grab_coordinates3D_into_Tb(index, poly);
    if (!poly) return t;
    if (poly->mirror) t.x = -t.x;
    t.y *= poly->yScale;
    return t;
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

int64_t NewCountFacegroupsInPoly(const polyhedron* poly) {
    int64_t h = 0;
    if (!poly) return 1;
    for (int64_t f = 0; f < poly->netFaceCount; ++f) h = std::max(h, FacegroupOf2DFace(f, poly));
    return h + 1;
}

bool ShouldSuppressTriangle(const polyhedron* poly, int64_t triangle, int64_t value, int64_t rule) {
    if (!poly || triangle < 0 || triangle >= poly->netTriangleCount) return false;
    if (rule == 2 || value < 0) return false;
    const PolyNetTriangle& t = poly->netTriangle[triangle];
    if (rule == 1) return value + 1 != t.faceCorner[0];
    if (rule == 0) return value != t.faceCorner[1];
    return false;
}

bool InsideTriangle(const double* p, const double* a, const double* b, const double* c) {
    auto edge = [&](const double* u, const double* v) {
        return float((float(v[0]) - float(u[0])) * (float(p[1]) - float(u[1])) -
                     (float(v[1]) - float(u[1])) * (float(p[0]) - float(u[0])));
    };
    // Strictly inside, whichever way the triangle turns: mirrored net cells
    // turn clockwise.
    const float ab = edge(a, b), bc = edge(b, c), ca = edge(c, a);
    return (ab > 0 && bc > 0 && ca > 0) || (ab < 0 && bc < 0 && ca < 0);
}

void Mark_N_5D_Points_as_used(int64_t n, polyhedron* poly) {
    if (!poly) return;
    if (n < 0) n = 0;
    if (n > kMax2DVertices) n = kMax2DVertices;
    poly->netVertexCount = n;
    for (int64_t i = 0; i < kMax2DVertices; ++i) {
        poly->netVertexSolid[i] = -1;
        poly->netVertexUsed[i] = i < n ? 1 : 0;
    }
}

void FetchPolySnuggling(const polyhedron* poly, float* scale, float* reciprocal, float* offsetX, float* offsetY) {
    if (!poly) return;
    *scale = poly->net.scale;
    *reciprocal = poly->net.scale != 0 ? 1.0f / poly->net.scale : 0.0f;
    *offsetX = poly->net.box[0] - 0.5f;
    *offsetY = poly->net.box[2] - 0.5f;
}
