// Linking faces across shared edges through an edge index (a SkipList keyed
// by the smaller vertex number, valued by the larger, the node's spare words
// holding the face and edge that registered it). Shared by the 3D face links
// and the net face links, which run it over their own face records.
#pragma once

#include <cstdint>

#include "common/skiplist.h"

// The first node registering edge (low, high), or -1.
inline int32_t find_matching_edge_element(const SkipList* list, int64_t low, int64_t high) {
    for (int32_t n = search_skiplist_for_equal(list, double(low)); n > 0; n = list->nodes[n].links[0]) {
        if (list->nodes[n].key != double(low)) break;
        if (list->nodes[n].value == high) return n;
    }
    return -1;
}

// Links faces first .. end - 1 against the index. For edge k of face f
// already registered by face g at edge e: f's neighbour across k becomes g,
// at position (e + 1) mod g's count, and g's across e becomes f likewise (a
// third face over one edge relinks the registering face). Otherwise the edge
// is registered; with the index full it stays unlinked. Counts each edge's
// start vertex in uses.
template <typename Face>
void LinkFacesThroughEdgeIndex(Face* faces, int64_t first, int64_t end, uint16_t* uses, int64_t vertexLimit,
                               SkipList* list) {
    for (int64_t f = first; f < end; ++f) {
        Face& F = faces[f];
        for (int64_t k = 0; k < F.count; ++k) {
            const int64_t a = F.vertex[k], b = F.vertex[(k + 1) % F.count];
            if (a >= 0 && a < vertexLimit) ++uses[a];
            const int64_t low = a < b ? a : b, high = a < b ? b : a;
            const int32_t n = find_matching_edge_element(list, low, high);
            if (n > 0) {
                const int64_t g = list->nodes[n].face, e = list->nodes[n].unused;
                if (g < 0 || e < 0) continue;
                Face& G = faces[g];
                F.neighbour[k] = g;
                F.neighbourEdge[k] = (e + 1) % G.count;
                G.neighbour[e] = f;
                G.neighbourEdge[e] = (k + 1) % F.count;
            } else {
                const int32_t added = insert_skiplist(list, double(low), int32_t(high));
                if (added >= 0) {
                    list->nodes[added].face = int32_t(f);
                    list->nodes[added].unused = int32_t(k);
                }
            }
        }
    }
}
