#include "nets/net_queries.h"

#include <algorithm>
#include <cstring>

void Find2DFaceContainingAParticular2DVert(const polyhedron* poly, int64_t v, int64_t* face, int64_t* position) {
    *face = *position = -1;
    for (int64_t n = 0; n < poly->netFaceCount; ++n)
        for (int64_t k = 0; k < poly->netFace[n].count; ++k)
            if (poly->netFace[n].vertex[k] == v) {
                *face = n;
                *position = k;
                return;
            }
}

int64_t Vert_Index_2D_to_3D(const polyhedron* poly, int64_t v) {
    if (v < 0 || v >= kMax2DVertices || !poly->netVertexUsed[v]) return -1;
    if (poly->netVertexSolid[v] != -1) return poly->netVertexSolid[v];
    int64_t n, k;
    Find2DFaceContainingAParticular2DVert(poly, v, &n, &k);
    if (n < 0) return -1;
    const int64_t S = poly->netFace[n].face3D;
    if (S < 0 || S >= poly->faceCount3D || poly->face3D[S].count <= 0) return -1;
    return poly->face3D[S].vertex[(k + poly->netFace[n].vertexOffset) % poly->face3D[S].count];
}

int64_t Vert_Index_3D_to_2D_Looking_Only_in_a_particular_2D_fragment(const polyhedron* poly, int64_t vertex3D,
                                                                      int64_t fragment) {
    for (int64_t n = 0; n < poly->netFaceCount; ++n) {
        if (poly->netFace[n].fragment != fragment) continue;
        for (int64_t k = 0; k < poly->netFace[n].count; ++k) {
            const int64_t v = poly->netFace[n].vertex[k];
            if (Vert_Index_2D_to_3D(poly, v) == vertex3D) return v;
        }
    }
    return -1;
}

void Find3DFaceContainingAParticular3DVert_StartingWithFace(const polyhedron* poly, int64_t vertex3D, int64_t* face,
                                                             int64_t* position, int64_t firstFace) {
    *face = *position = -1;
    for (int64_t f = std::max<int64_t>(firstFace, 0); f < poly->faceCount3D; ++f)
        for (int64_t k = 0; k < poly->face3D[f].count; ++k)
            if (poly->face3D[f].vertex[k] == vertex3D) {
                *face = f;
                *position = k;
            }
}

void Find3DFaceContainingAParticular3DVert(const polyhedron* poly, int64_t vertex3D, int64_t* face, int64_t* position) {
    Find3DFaceContainingAParticular3DVert_StartingWithFace(poly, vertex3D, face, position, 0);
}

triplex GetCentroidOf3DFaceT(int64_t face, const polyhedron* poly) {
    if (!poly->coords3D || face < 0 || face >= poly->faceCount3D || poly->face3D[face].count <= 0) return {0, 0, 0};
    const PolyFace3D& F = poly->face3D[face];
    triplex sum{0, 0, 0};
    for (int64_t k = 0; k < F.count; ++k) sum = Tadd(sum, poly->coords3D[F.vertex[k]]);
    return Tscale(sum, 1.0 / double(F.count));
}

void Cleanse2DVertList(polyhedron* poly) {
    std::memset(poly->netVertexUsed, 0, sizeof poly->netVertexUsed);
    int64_t highest = -1;
    for (int64_t n = 0; n < poly->netFaceCount; ++n)
        for (int64_t k = 0; k < poly->netFace[n].count; ++k) {
            const int64_t v = poly->netFace[n].vertex[k];
            if (v < 0 || v >= kMax2DVertices) continue;
            poly->netVertexUsed[v] = 1;
            highest = std::max(highest, v);
        }
    poly->netVertexCount = highest + 1;
}

void Find2DBoundingBoxPointsAndFragment(const polyhedron* poly, float* minX, float* maxX, float* minY, float* maxY,
                                        int64_t fragment) {
    bool any = false;
    float a = 0, b = 0, c = 0, d = 0;
    for (int64_t v = 0; v < kMax2DVertices; ++v) {
        if (!poly->netVertexUsed[v] || poly->netVertexTag[v] != fragment || !poly->coords2D) continue;
        const float x = float(poly->coords2D[v][0]), y = float(poly->coords2D[v][1]);
        if (!any) a = b = x, c = d = y, any = true;
        a = std::min(a, x), b = std::max(b, x), c = std::min(c, y), d = std::max(d, y);
    }
    if (!any) return;
    *minX = a, *maxX = b, *minY = c, *maxY = d;
}
