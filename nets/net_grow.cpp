#include "nets/net_grow.h"

#include <cstring>
#include <vector>

#include "common/memory.h"
#include "common/skiplist.h"
#include "nets/edge_order.h"
#include "nets/net_layout.h"
#include "nets/net_links.h"
#include "nets/net_packing.h"
#include "nets/temp_face.h"
#include "polyhedra/poly_storage.h"

namespace {

SkipList* NewEdgeIndex(polyhedron* poly) {
    auto* list = static_cast<SkipList*>(RobustNewPtr(sizeof(SkipList)));
    if (!list) {
        poly->status = kPolyStatusOutOfMemory;
        return nullptr;
    }
    initialize_skiplist(list);
    return list;
}

bool Seedable(const PolyFace3D& F) { return !F.noSeed && !F.used; }

// Tries to hinge the 3D neighbour across net face N's edge e onto N; the new
// net face or -1.
int64_t TryEdge(polyhedron* poly, int64_t N, int64_t e, int64_t fragment, SkipList* list, int64_t cap) {
    PolyNetFace& face = poly->netFace[N];
    face.tried[e] = 0;
    if (cap > 0 && fragment >= 0 && fragment < kFragmentSignalRows && poly->fragmentFaceCount[fragment] >= cap) return -1;
    if (face.neighbour[e] >= 0) return -1;
    const int64_t S = face.face3D;
    const PolyFace3D& SF = poly->face3D[S];
    const int64_t e3 = (e + face.vertexOffset) % SF.count;
    if (SF.edgeFlags[e3] & kEdgeCut) return -1;
    const int64_t T = SF.neighbour[e3];
    if (T < 0 || T >= poly->faceCount3D || poly->face3D[T].used) return -1;
    temp2Dface temp;
    Make2DVersionOf3DFace(poly, T, &temp, face.fragment);
    const bool monofrag = ShapeIsCurvedOrigamiMonofrag(poly->shapeCode);
    if (poly->face3D[T].group >= 0 && !monofrag && !Face3DIsSuitableForThisFragment(poly, T, fragment)) return -1;
    const PolyFace3D& TF = poly->face3D[T];
    const int64_t m = SF.neighbourEdge[e3];
    if (m < 0 || TF.count <= 0 || (TF.edgeFlags[(m + TF.count - 1) % TF.count] & kEdgeCut)) return -1;
    if (WeirdoGroupProblemExists(poly, S, T)) return -1;
    TranslateTempface(&temp, m, N, e, poly);
    if (ProposedFace2DConflictsWithFacesAlreadyInFragment(&temp, poly, -1, m)) return -1;
    SetWeirdogroupLockFor3DFace(poly, T, 1);
    return Add2DFaceToNet(poly, &temp, 0, -1, 0, list);
}

}  // namespace

bool Face3DIsSuitableForThisFragment(const polyhedron* poly, int64_t face, int64_t n) {
    const int64_t g = poly->face3D[face].group;
    if (g < 0) return true;
    if (ShapeIsCurvedOrigamiMonofrag(poly->shapeCode)) return true;
    if (ShapeIsCurvedOrigamiPaired(poly->shapeCode))
        return g < kMaxGroups && (poly->groupOwner[g][0] == n || poly->groupOwner[g][1] == n);
    return poly->restartPerFragment == 0 && g == n;
}

int64_t FindAnUnused3DFace_with_arcstart(const polyhedron* poly, int64_t n) {
    for (int64_t f = 0; f < poly->faceCount3D; ++f) {
        const PolyFace3D& F = poly->face3D[f];
        if (Seedable(F) && Face3DIsSuitableForThisFragment(poly, f, n) && F.arcStart == 1) return f;
    }
    return -1;
}

int64_t FindAnUnused3DFace_any(const polyhedron* poly, int64_t n) {
    for (int64_t f = 0; f < poly->faceCount3D; ++f)
        if (Seedable(poly->face3D[f]) && Face3DIsSuitableForThisFragment(poly, f, n)) return f;
    return -1;
}

int64_t FindAnUnused3DFace(const polyhedron* poly, int64_t n) {
    if (poly->arcStartSeeding) {
        const int64_t f = FindAnUnused3DFace_with_arcstart(poly, n);
        if (f >= 0) return f;
    }
    return FindAnUnused3DFace_any(poly, n);
}

void MarkAll3DFacesAsUnused(polyhedron* poly) {
    for (int64_t f = 0; f < poly->faceCount3D; ++f) poly->face3D[f].used = 0;
}

void Reset2DSearchlevels(polyhedron* poly) {
    for (int64_t f = 0; f < NetFacesWritten(poly); ++f) poly->netFace[f].searchLevel = -1;
}

int64_t PropagateNet(polyhedron* poly, int64_t N, int64_t level, int64_t fragment, int64_t* reason, SkipList* list,
                     int64_t cap) {
    if (reason) *reason = 0;
    // Depth-first growth descends into each added face at once; an explicit
    // stack keeps that order without recursing once per face.
    struct Frame {
        int64_t face, level, next, count;
        int64_t order[kEdgeOrderEntries];
    };
    std::vector<Frame> stack;
    int64_t added = 0;
    auto push = [&](int64_t face, int64_t lv) {
        if (face < 0 || face >= poly->netFaceCount) return false;
        const int64_t S = poly->netFace[face].face3D;
        if (S < 0 || S >= poly->faceCount3D) return false;
        if (poly->face3D[S].group >= 0 && !ShapeIsCurvedOrigamiMonofrag(poly->shapeCode) &&
            !Face3DIsSuitableForThisFragment(poly, S, fragment))
            return false;
        Frame fr{face, lv, 0, 0, {}};
        fr.count = BuildPrioritizedVertList(poly, face, fr.order);
        if (poly->netFace[face].count <= 0) return false;
        stack.push_back(fr);
        return true;
    };
    if (!push(N, level)) return 0;
    while (!stack.empty()) {
        Frame& fr = stack.back();
        if (fr.next >= fr.count) {
            stack.pop_back();
            continue;
        }
        const int64_t e = fr.order[fr.next++], face = fr.face, lv = fr.level;
        const bool root = stack.size() == 1;
        const int64_t f = TryEdge(poly, face, e, fragment, list, cap);
        if (f < 0) continue;
        poly->netFace[f].searchLevel = int16_t(lv + 1);
        if (root) ++added;
        if (poly->depthFirst) push(f, lv + 1);
    }
    return added % 256;
}

int BuildOneFragmentOfThe2DNet(polyhedron* poly, int64_t n, SkipList* list, int64_t cap) {
    if (n > kMaxNetFragments) {
        // Too many fragments only when a face that could seed one is left.
        for (int64_t f = 0; f < poly->faceCount3D; ++f)
            if (Seedable(poly->face3D[f])) {
                poly->status = kPolyStatusTooManyFragments;
                break;
            }
        return 0;
    }
    if (poly->restartPerFragment == 1) {
        MarkAll3DFacesAsUnused(poly);
        Reset2DSearchlevels(poly);
        ClearAllWeirdogroupLocks(poly);
    }
    const int64_t F = FindAnUnused3DFace(poly, n);
    if (F < 0) return 0;
    SetWeirdogroupLockFor3DFace(poly, F, 1);
    temp2Dface temp;
    Make2DVersionOf3DFace(poly, F, &temp, n);
    const int64_t seed = Add2DFaceToNet(poly, &temp, 0, -1, 0, list);
    if (seed < 0) return 0;
    poly->netFace[seed].searchLevel = 0;
    int64_t total = 0;
    for (int64_t level = 0;; ++level) {
        const int64_t K = poly->netFaceCount;
        int64_t sum = 0;
        for (int64_t i = 0; i < K; ++i)
            if (poly->netFace[i].searchLevel == level) sum += PropagateNet(poly, i, level, n, nullptr, list, cap);
        total += sum;
        if (sum == 0) break;
    }
    if (total >= 6) ++poly->fragmentTally;
    return 1;
}

void AddInfoForTwistedQuads(polyhedron* poly) {
    for (int64_t F = 0; F < poly->faceCount3D; ++F) {
        if (poly->face3D[F].twistedQuad == -1) continue;
        int64_t N = -1;
        for (int64_t i = 0; i < poly->netFaceCount; ++i)
            if (poly->netFace[i].face3D == F) N = i;
        if (N < 0 || poly->netFace[N].count < 3) continue;
        const int64_t P = poly->netFace[N].neighbour[2];
        if (P < 0) continue;
        const PolyNetFace& PF = poly->netFace[P];
        if (PF.count <= 0) continue;
        const int64_t v = PF.vertex[(poly->netFace[N].neighbourEdge[2] + 1) % PF.count];
        if (v != -1) poly->netFace[N].twistedApex = v;
    }
}

namespace {

// One build of the whole net, fragments held to `cap` faces (0: no limit),
// its packing kept in or taken from `memo` when given.
void BuildNetOnce(polyhedron* poly, int64_t cap, PackingMemo* memo) {
    MarkAll3DFacesAsUnused(poly);
    Reset2DSearchlevels(poly);
    ClearAllWeirdogroupLocks(poly);
    std::memset(poly->netVertexUsed, 0, sizeof poly->netVertexUsed);
    std::memset(poly->netVertexUses, 0, sizeof poly->netVertexUses);
    poly->netVertexCount = 0;
    poly->freeSlotCursor = 0;
    for (int16_t& s : poly->netVertexSolid) s = -1;
    for (int i = 0; i < kFragmentSignalRows; ++i) {
        poly->spinAngle[i] = 0;
        poly->fragmentFaceCount[i] = 0;
        poly->fragmentLastFace[i] = -1;
        poly->reattachMethod[i] = -1;
    }
    poly->netFaceCount = 0;
    poly->fragmentCount = 0;
    poly->fragmentTally = 0;
    for (int64_t f = 0; f < NetFacesWritten(poly); ++f)
        for (int k = 0; k < kMaxFaceVertices; ++k) {
            poly->netFace[f].neighbour[k] = -1;
            poly->netFace[f].neighbourEdge[k] = -1;
        }
    for (int64_t f = 0; f < poly->faceCount3D; ++f) poly->face3D[f].netFace = -1;
    // The net vertices are merged by position through their own x index.
    if (poly->vertexIndex2D) initialize_skiplist(poly->vertexIndex2D);
    poly->legacyNetCollider = 0;
    SkipList* list = NewEdgeIndex(poly);
    if (!list) return;
    for (int64_t n = 1; BuildOneFragmentOfThe2DNet(poly, n, list, cap); ++n) {
    }
    RobustDisposePtr(&list);
    if (poly->fragmentCount >= 2 && poly->relinkNet) Build2DConnectivityCompletelyFromScratch(poly, poly->netFaceCount);
    LayOutFragments(poly, memo);
}

}  // namespace

void Build2DNet(polyhedron* poly) {
    if (!poly || poly->faceCount3D <= 0) return;
    if (ShapePacksItsFragments(poly->shapeCode)) {
        // A net packed into a block leaves least of its box empty in pieces
        // of some size: one spiky piece with a few small ones leaves the
        // spaces between its spikes. Each share of the faces is tried as the
        // most a fragment may hold, and the net that fills its box best
        // (with its tabs' reach about it) is kept.
        const int64_t faces = poly->faceCount3D, status = poly->status;
        int64_t best = 0;
        double bestFill = -1;
        // The best net is grown once more: packed as it was in its try.
        PackingMemo memo;
        for (int64_t share : {1, 2, 3, 4, 5, 6, 8}) {
            const int64_t cap = share == 1 ? 0 : (faces + share - 1) / share;
            poly->status = status;
            BuildNetOnce(poly, cap, &memo);
            if (poly->status != status) continue;
            const double fill = NetFill(poly, poly->net.secondArgument >= 0.01f ? double(poly->net.secondArgument) : 0.0);
            if (fill > bestFill) bestFill = fill, best = cap;
        }
        poly->status = status;
        BuildNetOnce(poly, best, &memo);
    } else {
        BuildNetOnce(poly, 0, nullptr);
    }
    AddInfoForTwistedQuads(poly);
    poly->netBuilt = 1;
    poly->correspondenceGiven = 1;
    poly->correspondenceFailed = 0;
}
