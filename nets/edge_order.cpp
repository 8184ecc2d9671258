#include "nets/edge_order.h"

#include <cstring>

bool ShapeIsCurvedOrigamiMonofrag(int64_t c) {
    return (c >= 172 && c <= 188 && c % 2 == 0) || c == 191 || c == 192 || c == 195 || c == 196;
}

bool ShapeIsCurvedOrigamiPaired(int64_t c) {
    return (c >= 171 && c <= 189 && c % 2 == 1) || c == 190 || c == 193 || c == 194;
}

namespace {

// The 3D face, edge and neighbour behind net face N's edge k; false when
// any is missing.
bool SolidEdge(const polyhedron* poly, const PolyNetFace& N, int64_t k, int64_t* S, int64_t* e3, int64_t* T,
               int64_t* m) {
    *S = N.face3D;
    if (*S < 0 || *S >= poly->faceCount3D || N.count <= 0) return false;
    const PolyFace3D& F = poly->face3D[*S];
    if (F.count <= 0) return false;
    *e3 = (k + N.vertexOffset) % F.count;
    *T = F.neighbour[*e3];
    if (*T < 0 || *T >= poly->faceCount3D || F.neighbourEdge[*e3] < 0) return false;
    const int64_t n = poly->face3D[*T].count;
    if (n <= 0) return false;
    *m = (F.neighbourEdge[*e3] + n - 1) % n;
    return true;
}

}  // namespace

int64_t BuildPrioritizedVertList(const polyhedron* poly, int64_t N, int64_t* order) {
    for (int k = 0; k < kEdgeOrderEntries; ++k) order[k] = k % kMaxFaceVertices;
    if (!poly || N < 0 || N >= kMaxNetFaces) return 0;
    if (ShapeIsCurvedOrigamiMonofrag(poly->shapeCode)) return BuildPrioritizedVertListForCurvedOrigamiMonofrag(poly, N, order);
    const PolyNetFace& face = poly->netFace[N];
    uint32_t words[kMaxFaceVertices];
    bool linked[kMaxFaceVertices];
    for (int64_t k = 0; k < face.count; ++k) {
        int64_t S, e3, T, m;
        linked[k] = SolidEdge(poly, face, k, &S, &e3, &T, &m);
        words[k] = linked[k] ? poly->face3D[S].edgeFlags[e3] | poly->face3D[T].edgeFlags[m] : 0;
    }
    int64_t n = 0;
    for (int64_t k = 0; k < face.count; ++k)
        if (linked[k] && (words[k] & kEdgePrefer)) order[n++] = k;
    for (int64_t k = 0; k < face.count; ++k)
        if (!linked[k] || !(words[k] & (kEdgePrefer | kEdgeDisdain))) order[n++] = k;
    for (int64_t k = 0; k < face.count; ++k)
        if (linked[k] && (words[k] & kEdgeDisdain)) order[n++] = k;
    return n;
}

int64_t BuildPrioritizedVertListForCurvedOrigamiMonofrag(const polyhedron* poly, int64_t N, int64_t* order) {
    if (poly->netFaceCount > 0 && N >= poly->netFaceCount) N = poly->netFaceCount - 1;
    const PolyNetFace& face = poly->netFace[N];
    const int64_t G = GroupNumberOf3DFace(poly, face.face3D);
    int64_t n = 0;
    for (int pass = 0; pass < 2; ++pass)
        for (int64_t k = 0; k < face.count; ++k) {
            int64_t S, e3, T, m;
            if (!SolidEdge(poly, face, k, &S, &e3, &T, &m)) continue;
            if ((GroupNumberOf3DFace(poly, T) == G) == (pass == 0)) order[n++] = k;
        }
    return n;
}

int64_t GroupNumberOf3DFace(const polyhedron* poly, int64_t face) {
    if (!poly || face < 0 || face >= kMax3DFaces) return 65535;
    const int64_t g = poly->face3D[face].group;
    const int64_t i = g < 0 ? 0 : (g >= kGroupNumberEntries ? kGroupNumberEntries - 1 : g);
    return uint16_t(poly->groupNumber[i]);
}

bool WeirdoGroupIsLocked(const polyhedron* poly, int64_t n) { return n >= 0 && n < kMaxGroups && poly->groupLock[n]; }

void SetWeirdogroupLock(polyhedron* poly, int64_t n, uint8_t value) {
    if (n >= 0 && n < kMaxGroups) poly->groupLock[n] = value;
}

void SetWeirdogroupLockFor3DFace(polyhedron* poly, int64_t face, uint8_t value) {
    SetWeirdogroupLock(poly, GroupNumberOf3DFace(poly, face), value);
}

void ClearAllWeirdogroupLocks(polyhedron* poly) { std::memset(poly->groupLock, 0, sizeof poly->groupLock); }

bool WeirdoGroupProblemExists(const polyhedron* poly, int64_t a, int64_t b) {
    const int64_t ga = GroupNumberOf3DFace(poly, a), gb = GroupNumberOf3DFace(poly, b);
    return ga != gb && WeirdoGroupIsLocked(poly, gb);
}
