#include "nets/fragment_revision.h"

#include <cmath>

#include "nets/edge_flags.h"
#include "polyhedra/face_geometry.h"

namespace {

// One boundary edge of the outline: net face N's edge k over 3D face S's
// edge e3, with T the 3D face across and m its number for the edge.
struct OutlineEdge {
    int64_t N, k, S, e3, T, m;
};

// Walks the fragment's outline from its first boundary edge, calling visit
// on each boundary edge until it returns true; whether it did. The walk is
// bounded by the number of net face edges, so broken links cannot loop it.
template <typename Visit>
bool WalkOutline(const polyhedron* poly, int64_t fragment, Visit visit) {
    int64_t N0 = -1, k0 = -1;
    for (int64_t n = 0; n < poly->netFaceCount && N0 < 0; ++n) {
        const PolyNetFace& F = poly->netFace[n];
        if (F.fragment != fragment) continue;
        for (int64_t k = 0; k < F.count; ++k)
            if (F.neighbour[k] < 0) {
                N0 = n, k0 = k;
                break;
            }
    }
    if (N0 < 0) return false;
    int64_t N = N0, k = k0;
    const int64_t limit = kMaxFaceVertices * (poly->netFaceCount + 1);
    for (int64_t step = 0; step < limit; ++step) {
        const PolyNetFace& F = poly->netFace[N];
        OutlineEdge o{N, k, F.face3D, -1, -1, -1};
        if (o.S >= 0 && o.S < poly->faceCount3D && poly->face3D[o.S].count > 0) {
            const PolyFace3D& SF = poly->face3D[o.S];
            o.e3 = (k + F.vertexOffset) % SF.count;
            o.T = SF.neighbour[o.e3];
            if (o.T >= 0 && poly->face3D[o.T].count > 0)
                o.m = (SF.neighbourEdge[o.e3] + poly->face3D[o.T].count - 1) % poly->face3D[o.T].count;
            else
                o.T = -1;
        }
        if (visit(o)) return true;
        // The next boundary edge: round the end vertex through the net links.
        k = (k + 1) % poly->netFace[N].count;
        for (int64_t turns = 0; poly->netFace[N].neighbour[k] >= 0 && turns <= poly->netFaceCount; ++turns) {
            const int64_t P = poly->netFace[N].neighbour[k];
            k = poly->netFace[N].neighbourEdge[k];
            N = P;
            if (k < 0 || k >= poly->netFace[N].count) return false;
        }
        if (poly->netFace[N].neighbour[k] >= 0) return false;
        if (N == N0 && k == k0) return false;
    }
    return false;
}

// Opens the 3D edge of a boundary edge on both sides.
int Open(polyhedron* poly, const OutlineEdge& o) {
    if (o.e3 >= 0 && o.e3 < kMaxFaceVertices) poly->face3D[o.S].edgeFlags[o.e3] &= ~uint32_t(kEdgeCut);
    if (o.T >= 0 && o.m >= 0 && o.m < kMaxFaceVertices) poly->face3D[o.T].edgeFlags[o.m] &= ~uint32_t(kEdgeCut);
    return 1;
}

uint32_t BothSides(const polyhedron* poly, const OutlineEdge& o) {
    return poly->face3D[o.S].edgeFlags[o.e3] | (o.T >= 0 ? poly->face3D[o.T].edgeFlags[o.m] : 0u);
}

double LongestEdge(const polyhedron* poly, int64_t face) {
    const PolyFace3D& F = poly->face3D[face];
    double longest = 0;
    for (int64_t k = 0; k < F.count; ++k)
        longest = std::fmax(longest, Tdistance(poly->coords3D[F.vertex[k]], poly->coords3D[F.vertex[(k + 1) % F.count]]));
    return longest;
}

}  // namespace

int AttemptToReattachedFragment_at_cusp(polyhedron* poly, int64_t fragment) {
    OutlineEdge found{};
    const bool ok = WalkOutline(poly, fragment, [&](const OutlineEdge& o) {
        if (o.T < 0) return false;
        int marked = 0;
        for (int64_t j = 0; j < poly->face3D[o.T].count; ++j) {
            const uint32_t w = poly->face3D[o.T].edgeFlags[j] | MirrorEdgeFlags(poly, o.T, j);
            marked += (w & (kEdgeArcStart | kEdgeStartHint)) != 0;
        }
        found = o;
        return marked == 2;
    });
    return ok ? Open(poly, found) : 0;
}

int AttemptToReattachedFragment_at_tinyface(polyhedron* poly, int64_t fragment) {
    // The outline edge whose 3D face across has the shortest longest edge;
    // only edges with a face across can join anything.
    OutlineEdge best{};
    double bestLength = 0;
    bool any = false;
    WalkOutline(poly, fragment, [&](const OutlineEdge& o) {
        if (o.T < 0) return false;
        const double length = LongestEdge(poly, o.T);
        if (!any || length < bestLength) best = o, bestLength = length, any = true;
        return false;
    });
    return any ? Open(poly, best) : 0;
}

int AttemptToReattachedFragment_at_singleneighbor(polyhedron* poly, int64_t fragment) {
    OutlineEdge found{};
    const bool ok = WalkOutline(poly, fragment, [&](const OutlineEdge& o) {
        if (o.T < 0) return false;
        const int64_t shown = poly->face3D[o.T].netFace;
        if (shown < 0 || shown >= poly->netFaceCount) return false;
        int neighbours = 0;
        for (int64_t j = 0; j < poly->netFace[shown].count; ++j) neighbours += poly->netFace[shown].neighbour[j] >= 0;
        found = o;
        return neighbours == 1;
    });
    return ok ? Open(poly, found) : 0;
}

int AttemptToReattachedFragment_at_arcstart(polyhedron* poly, int64_t fragment, int middle) {
    const uint32_t bit = middle ? kEdgeArcMiddle : kEdgeArcStart;
    OutlineEdge found{};
    const bool ok = WalkOutline(poly, fragment, [&](const OutlineEdge& o) {
        found = o;
        return o.T >= 0 && (BothSides(poly, o) & bit);
    });
    return ok ? Open(poly, found) : 0;
}

int AttemptToReattachedFragment(polyhedron* poly, int64_t fragment) {
    int64_t method = -1;
    if (poly->curvedRevision && AttemptToReattachedFragment_at_arcstart(poly, fragment, 1)) method = 5;
    else if (AttemptToReattachedFragment_at_cusp(poly, fragment)) method = 1;
    else if (AttemptToReattachedFragment_at_tinyface(poly, fragment)) method = 2;
    else if (AttemptToReattachedFragment_at_singleneighbor(poly, fragment)) method = 3;
    else if (AttemptToReattachedFragment_at_arcstart(poly, fragment, 0)) method = 4;
    if (fragment >= 0 && fragment < kFragmentSignalRows) poly->reattachMethod[fragment] = method;
    return method >= 0;
}

void ReviseFragmentation(polyhedron* poly) {
    if (!poly) return;
    Calc3DAngles(poly);
    for (int64_t f = 0; f < kFragmentSignalRows; ++f) {
        const int64_t n = poly->fragmentFaceCount[f];
        if (n >= 1 && n <= poly->smallFragmentLimit) AttemptToReattachedFragment(poly, f);
    }
}
