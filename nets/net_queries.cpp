#include "nets/net_queries.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <initializer_list>

#include "common/vectors.h"

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

float BearingOf2DVector(double x, double y) {
    constexpr float kPiF = 3.14159265f;
    if (y == 0) return x <= 0 ? kPiF / 2 : 3 * kPiF / 2;
    const float b = std::atan2(float(x), float(y)) + kPiF;
    return b <= 0 ? b + 2 * kPiF : b;
}
