#include "polyhedra/poly_storage.h"

#include <algorithm>
#include <cstring>

#include "common/memory.h"
#include "common/skiplist.h"

namespace {

void ClearNetVertices(polyhedron* poly) {
    for (int64_t i = 0; i < kMax2DVertices; ++i) {
        poly->netVertexUsed[i] = 0;
        poly->netVertexSolid[i] = -1;
        poly->netVertexUses[i] = 0;
        poly->netVertexTag[i] = 0;
    }
}

void ResetTriangle(PolyNetTriangle* t) {
    *t = PolyNetTriangle{};
    for (int k = 0; k < 3; ++k) {
        t->vertex[k] = -1;
        t->glueUnder[k] = -1;
        t->faceCorner[k] = 65535;
        t->solidCorner[k] = 65535;
    }
    t->netFace = -1;
    t->faceGroup = -1;
    t->tabOwner = -1;
}

void ClearSignals(polyhedron* poly) {
    for (auto& row : poly->fragmentSignal)
        for (int16_t& s : row) s = -1;
    for (auto& row : poly->groupSignal)
        for (int16_t& s : row) s = -1;
}

}  // namespace

int getPolyStorageEtc(polyhedron* poly) {
    if (!poly) return 0;
    DumpPolyStorage(poly);
    for (int64_t& key : poly->cachedBuildKey) key = -1;
    poly->coords3D = static_cast<triplex*>(RobustNewPtr(sizeof(triplex) * kMax3DVertices));
    poly->coords2D = static_cast<double(*)[2]>(RobustNewPtr(sizeof(double[2]) * kMax2DVertices));
    poly->faceList3D = static_cast<uint16_t*>(RobustNewPtr(sizeof(uint16_t) * kFaceListEntries));
    poly->faceList2D = static_cast<uint16_t*>(RobustNewPtr(sizeof(uint16_t) * kFaceListEntries));
    poly->vertexIndex3D = static_cast<SkipList*>(RobustNewPtr(sizeof(SkipList)));
    poly->vertexIndex2D = static_cast<SkipList*>(RobustNewPtr(sizeof(SkipList)));
    poly->storageFlag = 1;
    if (!poly->coords3D || !poly->coords2D || !poly->faceList3D || !poly->faceList2D || !poly->vertexIndex3D ||
        !poly->vertexIndex2D) {
        DumpPolyStorage(poly);
        poly->status = kPolyStatusOutOfMemory;
        return 0;
    }
    initialize_skiplist(poly->vertexIndex3D);
    initialize_skiplist(poly->vertexIndex2D);
    poly->vertexCount3D = 0;
    poly->faceCount3D = 0;
    poly->netFaceCount = 0;
    poly->netVertexCount = 0;
    EmptyNetTriangles(poly);
    poly->legacyPointCollider = 0;
    poly->legacyNetCollider = 0;
    poly->storageWord = 0;
    return 1;
}

void DumpPolyStorage(polyhedron* poly) {
    if (!poly || !poly->storageFlag) return;
    RobustDisposePtr(&poly->coords3D);
    RobustDisposePtr(&poly->coords2D);
    RobustDisposePtr(&poly->faceList3D);
    RobustDisposePtr(&poly->faceList2D);
    RobustDisposePtr(&poly->vertexIndex3D);
    RobustDisposePtr(&poly->vertexIndex2D);
    for (int64_t& key : poly->cachedBuildKey) key = -1;
    poly->storageFlag = 0;
    poly->storageWord = 0;
    poly->builtIn = 0;
}

int CopyPolyhedron(polyhedron* to, const polyhedron* from) {
    if (!to || !from) return 0;
    if (to == from) return 1;
    DumpPolyStorage(to);
    if (!from->storageFlag) {
        std::memcpy(static_cast<void*>(to), from, sizeof *to);
        return 1;
    }
    // The owned blocks, in the order of the record's fields.
    const void* source[6] = {from->coords3D,   from->coords2D,      from->faceList3D,
                             from->faceList2D, from->vertexIndex3D, from->vertexIndex2D};
    const size_t size[6] = {sizeof(triplex) * kMax3DVertices,    sizeof(double[2]) * kMax2DVertices,
                            sizeof(uint16_t) * kFaceListEntries, sizeof(uint16_t) * kFaceListEntries,
                            sizeof(SkipList),                    sizeof(SkipList)};
    void* block[6] = {};
    bool all = true;
    for (int k = 0; k < 6; ++k) all = (block[k] = RobustNewPtr(size[k])) != nullptr && all;
    if (!all) {
        for (void*& b : block) RobustDisposePtr(&b);
        to->status = kPolyStatusOutOfMemory;
        return 0;
    }
    std::memcpy(static_cast<void*>(to), from, sizeof *to);
    for (int k = 0; k < 6; ++k) std::memcpy(block[k], source[k], size[k]);
    to->coords3D = static_cast<triplex*>(block[0]);
    to->coords2D = static_cast<double(*)[2]>(block[1]);
    to->faceList3D = static_cast<uint16_t*>(block[2]);
    to->faceList2D = static_cast<uint16_t*>(block[3]);
    to->vertexIndex3D = static_cast<SkipList*>(block[4]);
    to->vertexIndex2D = static_cast<SkipList*>(block[5]);
    return 1;
}

void NullifyPolyStorage(polyhedron* poly) {
    if (!poly) return;
    poly->coords3D = nullptr;
    poly->coords2D = nullptr;
    poly->faceList3D = nullptr;
    poly->faceList2D = nullptr;
    poly->vertexIndex3D = nullptr;
    poly->vertexIndex2D = nullptr;
    poly->netToSolid = nullptr;
    poly->faceGroups = nullptr;
    poly->storageFlag = 0;
    poly->builtIn = 0;
    poly->vertexCount3D = 0;
    poly->faceCount3D = 0;
    poly->netFaceCount = 0;
    poly->netVertexCount = 0;
    poly->netVertexCount2 = 0;
    EmptyNetTriangles(poly);
    poly->fragmentCount = 0;
    poly->legacyPointCollider = 0;
    poly->legacyNetCollider = 0;
    poly->selectedFace = -1;
    poly->lastSelectedFace = -1;
    for (int64_t& key : poly->cachedBuildKey) key = -1;
}

void InitPoly(polyhedron* poly, float a, float b) {
    if (!poly) return;
    PolyNetSettings& n = poly->net;
    n = PolyNetSettings{};
    n.scale = 1.0f;
    n.half = 0.5f;
    n.halfFirstArgument = a / 2;
    n.box[0] = 0.0f;
    n.box[1] = 1.0f;
    n.box[2] = 0.0f;
    n.box[3] = 1.0f;
    n.lastSettingA = -1.0f;
    n.lastSettingB = -1.0f;
    n.boundsBox[0] = 999.0f;
    n.boundsBox[1] = -999.0f;
    n.boundsBox[2] = 999.0f;
    n.boundsBox[3] = -999.0f;
    n.secondArgument = b;
    n.step = 0.0078125;
    n.firstArgument = a;
    n.enabled = 1;
    poly->netVertexCount = 0;
    EmptyNetTriangles(poly);
    poly->counter = 0;
    for (int64_t& g : poly->groupSlot) g = -1;
    poly->status = kPolyStatusGood;
    poly->outputMode = -1;
    poly->lastOutputMode = -9999;
    poly->linkWord = 0;
    poly->shortWords[0] = 0;
    poly->shortWords[1] = 1;
    poly->yScale = 1.0;
    poly->allConvex = 1;
    poly->netOrigin[0] = poly->netOrigin[1] = 0.0;
    poly->netScale[0] = poly->netScale[1] = 1.0;
    poly->raySearchCounts = RaySearchCounts{};
}

void GetDefaultPolySettings(polyhedron* poly) {
    if (!poly) return;
    DumpPolyStorage(poly);
    poly->defaultFace = -1;
    poly->defaultScale = 1.0;
    poly->tolerance[0] = 0.001;
    poly->tolerance[1] = 0.0001;
    poly->net.boundsBox[0] = 999.0f;
    poly->net.boundsBox[1] = -999.0f;
    poly->net.boundsBox[2] = 999.0f;
    poly->net.boundsBox[3] = -999.0f;
    poly->shortWords[0] = 10;
    poly->legacyPointCollider = 0;
    poly->settingsFlag[0] = poly->settingsFlag[1] = 0;
    poly->warpSwitch = 0;
    poly->warpCode = 0;
    poly->coordinateKind = 1;
    poly->blendKind = 0;
    poly->luneFlag = 0;
    poly->mirror = 0;
    poly->yScale = 1.0;
    poly->centre = triplex{0, 0, 0};
    poly->floretFlag = 0;
    poly->floretCentre[0] = poly->floretCentre[1] = 0.0;
    poly->floretScale = 1.0;
    poly->floretOffset[0] = poly->floretOffset[1] = 0.0;
    poly->outsideKeepsPlace = 0;
    poly->numberByRegion = 0;
    poly->numberByClass = poly->numberByGroup = poly->numberByPiece = poly->numberByFragment = 0;
    poly->allConvex = 1;
    poly->slicingMode = 0;
    poly->voronoiSecondSetting = 0;
    poly->voronoiFlag = 0;
    poly->truchetMark = 0;
    poly->spinMode = 0;
    poly->tabFloat = 0.0f;
    poly->steepTabs = poly->tabPhase = poly->outlineNumbering = 0;
    poly->exportPiece = 0;
    poly->alternativeShapeMode = -1;
    poly->correspondenceGiven = poly->correspondenceFailed = 0;
    for (int64_t& v : poly->wedgeVertex) v = -1;
    for (int64_t& v : poly->wedgeNetVertex) v = -1;
}

void init_blankface3D(polyhedron* poly) {
    if (!poly) return;
    PolyFace3D& f = poly->blankFace3D;
    f = PolyFace3D{};
    for (int k = 0; k < kMaxFaceVertices; ++k) {
        f.vertex[k] = -1;
        f.neighbour[k] = -1;
        f.neighbourEdge[k] = -1;
    }
    f.count = 0;
    f.group = -1;
    f.creviceRegion = -1;
    f.referenceVertex = -1;
    f.cutLabel = 0;
    f.furtherIndex = -1;
    f.optionShort[0] = 0;
    f.optionShort[1] = -1;
    f.highestVertex = -1;
    f.netFace = -1;
    f.twistedQuad = -1;
    f.faceTag = -1;
    f.siteLabel = -1;
}

void init_convenient_static_poly_structures(polyhedron* poly) {
    if (!poly) return;
    init_blankface3D(poly);
    PolyNetFace& f = poly->blankNetFace;
    f = PolyNetFace{};
    for (int k = 0; k < kMaxFaceVertices; ++k) {
        f.vertex[k] = -1;
        f.neighbour[k] = -1;
        f.neighbourEdge[k] = -1;
        f.cutAgainst[k] = -1;
    }
    f.count = 0;
    f.creviceRegion = -1;
    f.searchLevel = 0;
    f.face3D = -1;
    f.secondIndex = -1;
    f.firstTriangle = -1;
    f.triangleCount = 0;
    f.twistedApex = -1;
}

void WipeFaceInfo(polyhedron* poly) {
    if (!poly) return;
    poly->faceCount3D = 0;
    poly->defaultFace = -1;
    poly->counter = 0;
    init_convenient_static_poly_structures(poly);
    ClearSignals(poly);
    EmptyNetTriangles(poly);
    poly->netVertexCount = 0;
    ClearNetVertices(poly);
    if (poly->vertexIndex2D) initialize_skiplist(poly->vertexIndex2D);  // every net vertex is free now
    std::memset(poly->linkCount3D, 0, sizeof poly->linkCount3D);
    poly->scissorMarkCount = 0;
    std::memset(poly->scissorMark, 0, sizeof poly->scissorMark);
    for (int64_t& g : poly->groupScissorMark) g = -1;
    for (auto& slots : poly->groupScissorSlot)
        for (int64_t& slot : slots) slot = -1;
}

void Kill2DConnectivity(polyhedron* poly, int64_t n) {
    if (!poly) return;
    if (n > kMaxNetFaces) n = kMaxNetFaces;
    for (int64_t f = 0; f < n; ++f)
        for (int k = 0; k < kMaxFaceVertices; ++k) {
            poly->netFace[f].neighbour[k] = -1;
            poly->netFace[f].neighbourEdge[k] = -1;
        }
}

void WipeRenderingTriangleInfo_deep(polyhedron* poly) {
    if (!poly) return;
    const int64_t written = NetTrianglesWritten(poly);
    for (int64_t t = 0; t < written; ++t) ResetTriangle(&poly->netTriangle[t]);
    WipeRenderingTriangleInfo_shallow(poly);
}

void WipeRenderingTriangleInfo_shallow(polyhedron* poly) {
    if (!poly) return;
    EmptyNetTriangles(poly);
    poly->netVertexCount2 = 0;
    for (int64_t i = 0; i < kMax2DVertices; ++i) {
        poly->netVertexUsed[i] = 0;
        poly->netVertexSolid[i] = -1;
    }
    if (poly->vertexIndex2D) initialize_skiplist(poly->vertexIndex2D);
}

void ResetFacesAndVertsToEmpty(polyhedron* poly) {
    if (!poly) return;
    poly->faceCount3D = 0;
    poly->vertexCount3D = 0;
    EmptyNetTriangles(poly);
    poly->netVertexCount = 0;
    poly->netVertexCount2 = 0;
}

void NoteFace3DWritten(polyhedron* poly, int64_t f) {
    if (f >= poly->faceHighWater3D) poly->faceHighWater3D = std::min(f + 1, kMax3DFaces);
}

void NoteNetFaceWritten(polyhedron* poly, int64_t f) {
    if (f >= poly->netFaceHighWater) poly->netFaceHighWater = std::min(f + 1, kMaxNetFaces);
}

int64_t Faces3DWritten(const polyhedron* poly) {
    return std::clamp<int64_t>(std::max(poly->faceHighWater3D, poly->faceCount3D), 0, kMax3DFaces);
}

int64_t NetFacesWritten(const polyhedron* poly) {
    return std::clamp<int64_t>(std::max(poly->netFaceHighWater, poly->netFaceCount), 0, kMaxNetFaces);
}

void EmptyNetTriangles(polyhedron* poly) {
    poly->netTriangleHighWater = NetTrianglesWritten(poly);
    poly->netTriangleCount = 0;
}

int64_t NetTrianglesWritten(const polyhedron* poly) {
    return std::clamp<int64_t>(std::max(poly->netTriangleHighWater, poly->netTriangleCount), 0, kMaxNetTriangles);
}

polyhedron* NewPolyhedron(float a, float b) {
    auto* poly = static_cast<polyhedron*>(RobustNewClearedPtr(sizeof(polyhedron)));
    if (!poly) return nullptr;
    NullifyPolyStorage(poly);
    InitPoly(poly, a, b);
    GetDefaultPolySettings(poly);
    init_convenient_static_poly_structures(poly);
    ClearSignals(poly);
    ClearNetVertices(poly);
    return poly;
}

void FreePolyhedron(polyhedron** poly) {
    if (!poly || !*poly) return;
    DumpPolyStorage(*poly);
    RobustDisposePtr(poly);
}
