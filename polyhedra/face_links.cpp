#include "polyhedra/face_links.h"

#include <cmath>

#include "common/memory.h"
#include "common/skiplist.h"
#include "polyhedra/face_link_walk.h"

void Build3DConnectivity_core_new(polyhedron* poly) {
    if (!poly) return;
    auto* edges = static_cast<SkipList*>(RobustNewPtr(sizeof(SkipList)));
    if (!edges) {
        poly->status = kPolyStatusOutOfMemory;
        return;
    }
    initialize_skiplist(edges);
    LinkFacesThroughEdgeIndex(poly->face3D, 0, poly->faceCount3D < kMax3DFaces ? poly->faceCount3D : kMax3DFaces,
                              poly->linkCount3D, kMax3DVertices, edges);
    RobustDisposePtr(&edges);
}

void labelConvexEdgesOfPolyhedron(polyhedron* poly) {
    if (!poly || !poly->coords3D) return;
    for (int64_t f = 0; f < poly->faceCount3D && f < kMax3DFaces; ++f) {
        PolyFace3D& F = poly->face3D[f];
        for (int64_t e = 0; e < F.count; ++e) {
            const int64_t g = F.neighbour[e];
            if (g < 0 || g >= poly->faceCount3D) continue;
            const triplex a = poly->coords3D[F.vertex[e]], b = poly->coords3D[F.vertex[(e + 1) % F.count]];
            const double s = Tdot_product(Tsub(b, a), Tcross_product(F.normal, poly->face3D[g].normal));
            if (s > 0) {
                F.edgeKind[e] = 2;
            } else {  // coplanar and not-a-number included
                F.edgeKind[e] = 3;
                poly->hasConcaveEdge = 1;
            }
        }
    }
}

int64_t Build3DConnectivity(polyhedron* poly) {
    if (!poly) return 0;
    for (int64_t f = 0; f < poly->faceCount3D && f < kMax3DFaces; ++f)
        for (int k = 0; k < kMaxFaceVertices; ++k) {
            poly->face3D[f].neighbour[k] = -1;
            poly->face3D[f].neighbourEdge[k] = -1;
        }
    for (uint16_t& c : poly->linkCount3D) c = 0;
    poly->linksBuilt = 0;
    poly->hasConcaveEdge = 0;
    Build3DConnectivity_core_new(poly);
    if (poly->faceCount3D > 0) labelConvexEdgesOfPolyhedron(poly);
    poly->linksBuilt = 1;
    return 0;
}

int32_t GetNorseLabelOfFace3D(int64_t face, const polyhedron* poly) {
    if (!poly || face < 0 || face >= kMax3DFaces) return -1;
    return poly->face3D[face].cutLabel;
}
