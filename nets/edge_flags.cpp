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

constexpr uint32_t kClearPriority = 0xFFE7;

}  // namespace

uint32_t MirrorEdgeFlags(const polyhedron* poly, int64_t face, int64_t edge) {
    int64_t g, m;
    return Mirror(poly, face, edge, &g, &m) ? poly->face3D[g].edgeFlags[m] : 0;
}

void SetSlicingFlag(polyhedron* poly, int64_t face, int64_t edge, uint32_t bits) {
    BothSides(poly, face, edge, [bits](uint32_t& w) { w |= bits; });
}
void KillSlicingPriority(polyhedron* poly, int64_t face, int64_t edge) {
    BothSides(poly, face, edge, [](uint32_t& w) { w &= kClearPriority; });
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
