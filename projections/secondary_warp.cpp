#include "projections/secondary_warp.h"

#include "polyhedra/polyhedron.h"
#include "projections/peirce.h"
#include "records/renderhinttype.h"

namespace {

// The face tag of the solid face a net triangle shows, -1 when none.
int FaceTagOfTriangle(const polyhedron* poly, int64_t t) {
    if (t < 0 || t >= poly->netTriangleCount || t >= kMaxNetTriangles) return -1;
    const int64_t net = poly->netTriangle[t].netFace;
    if (net < 0 || net >= poly->netFaceCount || net >= kMaxNetFaces) return -1;
    const int64_t face = poly->netFace[net].face3D;
    if (face < 0 || face >= poly->faceCount3D || face >= kMax3DFaces) return -1;
    return poly->face3D[face].faceTag;
}

}  // namespace

bool ShapecodeTakesSecondaryWarp(int64_t shapeCode) {
    return shapeCode == 190 || shapeCode == 192 || shapeCode == 194 || shapeCode == 196;
}

void MaybeSecondaryWarp(float direction[3], const polyhedron* poly, unsigned char* outside,
                        const renderhinttype* hint, PyramidDescriptor* peirceCache, double u, double va) {
    if (!poly || !hint || !hint->faceFound || !ShapecodeTakesSecondaryWarp(poly->shapeCode)) return;
    const int tag = FaceTagOfTriangle(poly, hint->triangle);
    const int64_t* slot = poly->wedgeNetVertex + (tag == 1 ? 0 : 3);
    double qx[3], qy[3];
    for (int k = 0; k < 3; ++k) {
        const int64_t v = slot[k];
        const bool none = v < 0 || v >= kMax2DVertices;
        qx[k] = none ? 0.0 : poly->netVertex[v].x;
        qy[k] = none ? 0.0 : poly->netVertex[v].y;
    }
    const double D = (qy[2] - qy[0]) * (qx[1] - qx[0]) - (qx[2] - qx[0]) * (qy[1] - qy[0]);
    if (D == 0.0) {
        *outside = 1;
        return;
    }
    // Weights of the three corners: each the area of the triangle the point
    // makes with the other two, over the whole.
    const double w1 = ((qx[1] - u) * (qy[2] - va) - (qy[1] - va) * (qx[2] - u)) / D;
    const double w2 = ((qx[2] - u) * (qy[0] - va) - (qy[2] - va) * (qx[0] - u)) / D;
    const double w3 = 1.0 - w1 - w2;
    // Corner 1 on (-1, 0), corner 2 on (0, 1), corner 3 on (0, -1).
    uint8_t miss = 0;
    float d[3];
    TotalPeirce(&miss, d, peirceCache, -w1, w2 - w3, 1.0, 0.0);
    if (miss) {
        *outside = 1;
        return;
    }
    if (tag == 2) {
        d[0] = -d[0];
        d[2] = -d[2];
    }
    // Turned into the net's frame, and seen from outside as the solid under
    // the sheet shows the sphere: without the mirror across x the continents
    // read backwards. One mirror for both sheets keeps their rims together.
    direction[0] = -d[0];
    direction[1] = d[2];
    direction[2] = -d[1];
}
