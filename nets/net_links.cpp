#include "nets/net_links.h"

#include "common/memory.h"
#include "common/skiplist.h"
#include "polyhedra/face_link_walk.h"

void Build2DConnectivity_core_new(polyhedron* poly, int64_t first, int64_t count, SkipList* list) {
    if (!poly || !list || count <= 0) return;
    int64_t start = int32_t(first), end = start + count;
    if (start < 0) start = 0;
    if (end > kMaxNetFaces) end = kMaxNetFaces;
    LinkFacesThroughEdgeIndex(poly->netFace, start, end, poly->netVertexUses, kMax2DVertices, list);
}

void Build2DConnectivityIncrementally(polyhedron* poly, int64_t face, SkipList* list) {
    Build2DConnectivity_core_new(poly, face, 1, list);
}

void Build2DConnectivityCompletelyFromScratch(polyhedron* poly, int64_t count) {
    if (!poly) return;
    for (int64_t f = 0; f < count && f < kMaxNetFaces; ++f)
        for (int k = 0; k < kMaxFaceVertices; ++k) {
            poly->netFace[f].neighbour[k] = -1;
            poly->netFace[f].neighbourEdge[k] = -1;
        }
    auto* list = static_cast<SkipList*>(RobustNewPtr(sizeof(SkipList)));
    if (!list) {
        poly->status = kPolyStatusOutOfMemory;
        return;
    }
    initialize_skiplist(list);
    Build2DConnectivity_core_new(poly, 0, count, list);
    RobustDisposePtr(&list);
}
