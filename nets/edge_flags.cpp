#include "nets/edge_flags.h"

namespace {

bool ValidFace(const polyhedron* poly, int64_t face) { return poly && face >= 0 && face < kMax3DFaces; }

// Where the edge's mirror lies: its face and edge, false when there is none.
bool Mirror(const polyhedron* poly, int64_t face, int64_t edge, int64_t* g, int64_t* m) {
    if (!ValidFace(poly, face) || edge < 0 || edge >= kMaxFaceVertices) return false;
    const PolyFace3D& F = poly->face3D[face];
    *g = F.neighbour[edge];
    if (*g < 0 || *g >= kMax3DFaces) return false;
    const int64_t n = poly->face3D[*g].count;
    if (n <= 0) return false;
    *m = (F.neighbourEdge[edge] + n - 1) % n;
    return *m >= 0 && *m < kMaxFaceVertices;
}

template <typename Change>
void BothSides(polyhedron* poly, int64_t face, int64_t edge, Change change) {
    if (!ValidFace(poly, face) || edge < 0 || edge >= kMaxFaceVertices) return;
    change(poly->face3D[face].edgeFlags[edge]);
    int64_t g, m;
    if (Mirror(poly, face, edge, &g, &m)) change(poly->face3D[g].edgeFlags[m]);
}

bool HasNeighbour(const polyhedron* poly, int64_t face, int64_t edge) {
    return ValidFace(poly, face) && edge >= 0 && edge < kMaxFaceVertices && poly->face3D[face].neighbour[edge] >= 0;
}

// The bits set on either side of the edge.
uint32_t EitherSide(const polyhedron* poly, int64_t face, int64_t edge) {
    return poly->face3D[face].edgeFlags[edge] | MirrorEdgeFlags(poly, face, edge);
}

constexpr uint32_t kClearPriority = 0xFFE7;

}  // namespace

uint32_t MirrorEdgeFlags(const polyhedron* poly, int64_t face, int64_t edge) {
    int64_t g, m;
    return Mirror(poly, face, edge, &g, &m) ? poly->face3D[g].edgeFlags[m] : 0;
}

void SetSlicingFlag(polyhedron* poly, int64_t face, int64_t edge, uint32_t bits) {
    BothSides(poly, face, edge, [bits](uint32_t& w) { w |= bits; });
}
void SetSlicingPriority(polyhedron* poly, int64_t face, int64_t edge, uint32_t bits) {
    SetSlicingFlag(poly, face, edge, bits);
}
void SetSlicingFlag_core(polyhedron* poly, int64_t face, int64_t edge, uint32_t bits) {
    if (ValidFace(poly, face) && edge >= 0 && edge < kMaxFaceVertices) poly->face3D[face].edgeFlags[edge] |= bits;
}
void KillSlicingFlag(polyhedron* poly, int64_t face, int64_t edge, uint32_t bits) {
    BothSides(poly, face, edge, [bits](uint32_t& w) { w &= bits ^ 0xFFFFu; });
}
void KillSlicingFlag_core(polyhedron* poly, int64_t face, int64_t edge, uint32_t bits) {
    if (ValidFace(poly, face) && edge >= 0 && edge < kMaxFaceVertices)
        poly->face3D[face].edgeFlags[edge] &= bits ^ 0xFFFFu;
}
void KillSlicingPriority(polyhedron* poly, int64_t face, int64_t edge) {
    BothSides(poly, face, edge, [](uint32_t& w) { w &= kClearPriority; });
}
void KillSlicingPriority_core(polyhedron* poly, int64_t face, int64_t edge) {
    if (ValidFace(poly, face) && edge >= 0 && edge < kMaxFaceVertices)
        poly->face3D[face].edgeFlags[edge] &= kClearPriority;
}
void forbid_joining(polyhedron* poly, int64_t face, int64_t edge) {
    KillSlicingPriority(poly, face, edge);
    SetSlicingFlag(poly, face, edge, kEdgeCut);
}
void disdain_joining(polyhedron* poly, int64_t face, int64_t edge) {
    KillSlicingPriority(poly, face, edge);
    SetSlicingFlag(poly, face, edge, kEdgeDisdain);
}
int prefer_joining(polyhedron* poly, int64_t face, int64_t edge) {
    KillSlicingPriority(poly, face, edge);
    SetSlicingFlag(poly, face, edge, kEdgePrefer);
    return 1;
}
int permit_joining(polyhedron* poly, int64_t face, int64_t edge) {
    if (face == -1 || edge == -1) return 0;
    BothSides(poly, face, edge, [](uint32_t& w) { w &= 0xFFFEu; });
    return 1;
}
void ApplyStartHint(polyhedron* poly, int64_t face, int64_t edge, int32_t arcStart, int32_t startHint,
                    int32_t arcMid) {
    if (!ValidFace(poly, face) || edge < 0 || edge >= kMaxFaceVertices) return;
    uint32_t& w = poly->face3D[face].edgeFlags[edge];
    if (arcStart) {
        w |= kEdgeArcStart;
        poly->face3D[face].arcStart = 1;
        poly->hasArcStarts = 1;
    }
    if (startHint) w |= kEdgeStartHint;
    if (arcMid) w |= kEdgeArcMiddle;
}

int Edge3DIsJoinable(const polyhedron* poly, int64_t face, int64_t edge) {
    return HasNeighbour(poly, face, edge) && !(EitherSide(poly, face, edge) & kEdgeCut);
}
int Edge3DIsPreferred(const polyhedron* poly, int64_t face, int64_t edge) {
    return HasNeighbour(poly, face, edge) && (EitherSide(poly, face, edge) & kEdgePrefer);
}
int Edge3DIsDisdained(const polyhedron* poly, int64_t face, int64_t edge) {
    return HasNeighbour(poly, face, edge) && (EitherSide(poly, face, edge) & kEdgeDisdain);
}
int Edge3DIsArcstart(const polyhedron* poly, int64_t face, int64_t edge) {
    return HasNeighbour(poly, face, edge) && (EitherSide(poly, face, edge) & kEdgeArcStart);
}
int Edge3DIsArcmid(const polyhedron* poly, int64_t face, int64_t edge) {
    return HasNeighbour(poly, face, edge) && (EitherSide(poly, face, edge) & kEdgeArcMiddle);
}
int Edge3DIsNotDisdained(const polyhedron* poly, int64_t face, int64_t edge) {
    return HasNeighbour(poly, face, edge) && !(EitherSide(poly, face, edge) & kEdgeDisdain);
}
int Edge3DIsNotDisdainedAndNotPreferred(const polyhedron* poly, int64_t face, int64_t edge) {
    if (!HasNeighbour(poly, face, edge)) return 1;
    return !(EitherSide(poly, face, edge) & (kEdgeDisdain | kEdgePrefer));
}

int64_t CountSlicedEdges(const polyhedron* poly, int64_t face) {
    if (!ValidFace(poly, face)) return 0;
    int64_t n = 0;
    for (int64_t e = 0; e < poly->face3D[face].count; ++e)
        if (!Edge3DIsJoinable(poly, face, e)) ++n;
    return n;
}
int64_t CountArcFeatures(const polyhedron* poly, int64_t face) {
    if (!ValidFace(poly, face)) return 0;
    int64_t n = 0;
    for (int64_t e = 0; e < poly->face3D[face].count; ++e)
        if (HasNeighbour(poly, face, e) && (EitherSide(poly, face, e) & (kEdgeArcStart | kEdgeStartHint))) ++n;
    return n;
}
int IsOrphanFace(const polyhedron* poly, int64_t face) {
    if (!ValidFace(poly, face)) return 0;
    return CountSlicedEdges(poly, face) == poly->face3D[face].count;
}
void DeorphanizeFace(polyhedron* poly, int64_t face) {
    if (!ValidFace(poly, face)) return;
    for (int64_t e = 0; e < poly->face3D[face].count; ++e)
        BothSides(poly, face, e, [](uint32_t& w) { w &= ~uint32_t(kEdgeCut); });
}
void preferJoiningTheseTwo3DFaces(polyhedron* poly, int64_t a, int64_t b) {
    if (!ValidFace(poly, a)) return;
    for (int64_t e = 0; e < poly->face3D[a].count; ++e)
        if (poly->face3D[a].neighbour[e] == b) prefer_joining(poly, a, e);
}
void permit_joining_everywhere(polyhedron* poly) {
    if (!poly) return;
    for (int64_t f = 0; f < poly->faceCount3D; ++f)
        for (int64_t e = 0; e < poly->face3D[f].count; ++e) permit_joining(poly, f, e);
}
void forbid_joining_everywhere(polyhedron* poly) {
    if (!poly) return;
    for (int64_t f = 0; f < poly->faceCount3D; ++f)
        for (int64_t e = 0; e < poly->face3D[f].count; ++e) forbid_joining(poly, f, e);
}
