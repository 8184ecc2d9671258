// The joining flags as the net grower reads them: a 3D edge may be joined
// across when it has a neighbour and neither side carries the cut bit.
#pragma once

#include <cstdint>

#include "nets/edge_flags.h"

inline bool JoinableEdge(const polyhedron* p, int64_t f, int64_t e) {
    return p->face3D[f].neighbour[e] >= 0 && !((p->face3D[f].edgeFlags[e] | MirrorEdgeFlags(p, f, e)) & kEdgeCut);
}

// How many edges of the face cannot be joined across.
inline int64_t CutEdges(const polyhedron* p, int64_t f) {
    int64_t n = 0;
    for (int64_t e = 0; e < p->face3D[f].count; ++e) n += !JoinableEdge(p, f, e);
    return n;
}
