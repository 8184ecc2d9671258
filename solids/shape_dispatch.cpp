#include "solids/shape_dispatch.h"

#include <cstring>

#include "common/skiplist.h"
#include "nets/fragment_revision.h"
#include "nets/net_grow.h"
#include "nets/slicing.h"
#include "polyhedra/balls.h"
#include "polyhedra/builtin_shapes.h"
#include "polyhedra/face_geometry.h"
#include "polyhedra/geodesic.h"
#include "polyhedra/goldberg.h"
#include "polyhedra/poly_queries.h"
#include "polyhedra/polyhedron_params.h"
#include "polyhedra/poly_storage.h"
#include "polyhedra/rollouts.h"
#include "polyhedra/slivers.h"
#include "polyhedra/poly_store.h"
#include "solids/origami.h"
#include "solids/truchet_duals.h"
#include "solids/voronoi_shapes.h"

namespace {

// Turns of the rind balls 25-27 and the floret bases 51-53 on them.
int64_t RindTurnsOfShapecode(int64_t code) {
    if (code >= 25 && code <= 27) return code - 23;
    if (code >= 51 && code <= 53) return code - 49;
    return 0;
}

// Number of 16-bit entries of a 0-terminated list of `faces` faces.
int64_t FaceListLength(const uint16_t* list, int64_t faces) {
    int64_t n = 0;
    for (int64_t seen = 0; seen < faces; ++n)
        if (list[n] == 0) ++seen;
    return n;
}

// The face at the cursor of a 1-based, 0-terminated list: its corners counted
// from 0 (at most kMaxFaceVertices, the rest -1), with all its
// entries counted in *stored; the cursor moves to the next face. Reading a
// table face after face this way takes one pass, where asking for face f by
// its number walks the list from its start each time.
int64_t NextFace(const uint16_t*& cursor, int64_t* out, int64_t* stored) {
    for (int k = 0; k < kMaxFaceVertices; ++k) out[k] = -1;
    int64_t n = 0, all = 0;
    for (; cursor[all] != 0; ++all)
        if (n < kMaxFaceVertices) out[n++] = int64_t(cursor[all]) - 1;
    cursor += all + 1;
    *stored = all;
    return n;
}

// The Goldberg and quad solids this build makes.
bool GoldbergCodeIsBuilt(int64_t code) { return code >= 313 && code <= 438; }

void RefuseSolid(polyhedron* poly, int64_t status) {
    ResetFacesAndVertsToEmpty(poly);
    poly->netFaceCount = 0;
    poly->status = status;
}

}  // namespace

// Points the record at a copy of the shape's tables: the record owns and may
// write everything it holds; the built-in flag says where it came from.
void LoadBuiltInShape(polyhedron* poly, const BuiltInShape* s) {
    GetDefaultPolySettings(poly);
    if (!getPolyStorageEtc(poly)) return;
    poly->builtIn = 1;
    const int64_t netFaces = s->faces2D ? s->faceCount : 0;
    const int64_t list3D = s->faces3D ? FaceListLength(s->faces3D, s->faceCount) : 0;
    const int64_t list2D = s->faces2D ? FaceListLength(s->faces2D, netFaces) : 0;
    if (s->vertexCount > kMax3DVertices || s->netVertexCount > kMax2DVertices || s->faceCount > kMax3DFaces ||
        list3D > kFaceListEntries || list2D > kFaceListEntries) {
        RefuseSolid(poly, kPolyStatus3DFaceTableFull);
        return;
    }
    for (int64_t v = 0; v < s->vertexCount; ++v)
        poly->coords3D[v] = triplex{s->coords3D[3 * v], s->coords3D[3 * v + 1], s->coords3D[3 * v + 2]};
    poly->vertexCount3D = s->vertexCount;
    Rebuild3DVertexIndex(poly);
    if (s->faces3D) std::memcpy(poly->faceList3D, s->faces3D, sizeof(uint16_t) * list3D);
    if (s->faces2D) std::memcpy(poly->faceList2D, s->faces2D, sizeof(uint16_t) * list2D);
    poly->netToSolid = s->netToSolid;
    if (const MapNetShape* m = MapNetShapeOf(s)) {
        poly->warpSwitch = m->warpCode != 0 ? 1 : 0;
        poly->warpCode = m->warpCode;
        poly->coordinateKind = m->coordinateKind;
    }

    int64_t corners[kMaxFaceVertices], netCorners[kMaxFaceVertices];
    const uint16_t* cursor = s->faces3D ? poly->faceList3D : poly->faceList2D;
    for (int64_t f = 0; f < s->faceCount; ++f) {
        int64_t n = 0, stored = 0;
        if (s->faces3D) {
            n = NextFace(cursor, corners, &stored);
        } else if (s->faces2D && s->netToSolid) {
            n = NextFace(cursor, netCorners, &stored);
            for (int64_t k = 0; k < n; ++k) corners[k] = int64_t(s->netToSolid[netCorners[k]]) - 1;
        }
        // A face of fewer than 3 or more than 10 corners is a broken table:
        // refuse the solid rather than read past its face or cut it short.
        if (n < kMinFaceVertices || stored > kMaxFaceVertices) {
            RefuseSolid(poly, kPolyStatusBadVertexCount);
            return;
        }
        for (int64_t k = 0; k < n; ++k)
            if (corners[k] < 0 || corners[k] >= s->vertexCount) {
                RefuseSolid(poly, kPolyStatusVertexIndexOutOfRange);
                return;
            }
        NoteFace3DWritten(poly, f);
        PolyFace3D& face = poly->face3D[f];
        face = poly->blankFace3D;
        face.count = n;
        for (int64_t k = 0; k < n; ++k) face.vertex[k] = corners[k];
        face.highestVertex = -1;
        for (int64_t k = 0; k < n; ++k)
            if (corners[k] > face.highestVertex) face.highestVertex = corners[k];
    }
    poly->faceCount3D = s->faceCount;

    if (!s->faces2D || !s->coords2D) return;
    cursor = poly->faceList2D;
    for (int64_t f = 0; f < netFaces; ++f) {
        int64_t stored = 0;
        const int64_t n = NextFace(cursor, netCorners, &stored);
        NoteNetFaceWritten(poly, f);
        PolyNetFace& nf = poly->netFace[f];
        nf = poly->blankNetFace;
        nf.count = n;
        nf.face3D = f;
        nf.secondIndex = 0;
        for (int64_t k = 0; k < n; ++k) {
            const int64_t v = netCorners[k];
            if (v < 0 || v >= s->netVertexCount) {
                RefuseSolid(poly, kPolyStatusVertexIndexOutOfRange);
                return;
            }
            nf.vertex[k] = v;
            const int64_t solid = s->netToSolid ? int64_t(s->netToSolid[v]) - 1 : poly->face3D[f].vertex[k];
            const PolyNetPoint p{s->coords2D[2 * v], s->coords2D[2 * v + 1], solid, 0};
            Set2DPoint(v, &p, poly);
        }
    }
    poly->netFaceCount = netFaces;
    poly->netVertexCount = s->netVertexCount;
    for (int64_t v = 0; v < s->netVertexCount; ++v)
        if (poly->netVertexUsed[v] && insert_skiplist(poly->vertexIndex2D, poly->coords2D[v][0], int32_t(v)) < 0)
            poly->legacyNetCollider = 1;
    for (int64_t f = 0; f < netFaces; ++f) FindBoundingBoxOfFace2D(poly, f);
    // The table lists net faces in the order and from the corner of its 3D
    // faces, so each net face's 3D face is known without a search.
    poly->correspondenceGiven = 1;
}

bool ShapecodeCanBeBuilt(int64_t code) {
    int64_t base, frequency;
    RolloutForm rollout;
    return FindBuiltInShape(code) != nullptr || GeodesicOfShapecode(code, &base, &frequency) ||
           RolloutOfShapecode(code, &rollout) || RindTurnsOfShapecode(code) || code == 78 || code == 79 ||
           code == 159 || code == 81 || code == 84 || code == 85 || code == 86 || code == 439 ||
           code == 440 || code == 82 || code == 83 || (code >= 305 && code <= 307) ||
           (code >= 309 && code <= 311) || ShapecodeIsVoronoi(code) || ShapecodeIsATruchetDual(code) ||
           GoldbergCodeIsBuilt(code) || (IsYangShapecode(code) && OrigamiHingeSearch());
}

void ReadFaceInfo(polyhedron* poly, int64_t code, int64_t parameter, void*, uint8_t flag, int noNet) {
    if (!poly) return;
    poly->shapeCode = code;
    poly->buildWords[0] = poly->buildWords[1] = poly->buildWords[2] = 0;
    std::memset(poly->setupScratch, 0, sizeof poly->setupScratch);
    poly->unbuilt = 0;
    // Every solid starts from the default settings, not from those of the
    // solid the record held before (a table solid's slicing and spin modes
    // or its convexity would change how the next one's net is cut).
    GetDefaultPolySettings(poly);
    int64_t base = 0, frequency = 0;
    RolloutForm rollout;
    if (const BuiltInShape* s = FindBuiltInShape(code)) {
        LoadBuiltInShape(poly, s);
    } else if (RolloutOfShapecode(code, &rollout)) {
        BuildRollout(poly, 0, rollout.n, rollout.k, rollout.vertexUp, int(rollout.halfStep));
    } else if (GeodesicOfShapecode(code, &base, &frequency)) {
        BuildGeodesicClass1(poly, flag, frequency, base);
    } else if (const int64_t turns = RindTurnsOfShapecode(code)) {
        BuildRindBall3D(poly, 0, turns, flag);
    } else if (code == 78 || code == 79 || code == 159) {
        BuildTattooBall3D(poly, 0, code == 78 ? 3 : 5);
    } else if (code == 81) {
        BuildThirtysphere(poly);
    } else if (code == 84) {
        BuildOddBall3D(poly);
    } else if (code == 85) {
        BuildDevTet(poly, parameter);
    } else if (code == 86) {
        BuildConeTet(poly, parameter);
    } else if (code == 439 || code == 440) {
        BuildQuadsOnFacesOfShape(poly, code == 439 ? 16 : 17);
    } else if (code == 82 || code == 83) {
        BuildRhombicHexecontahedron(poly, code - 82, 0);
    } else if (code == 305) {
        Build_Cube_4_compound(poly);
    } else if (code == 306) {
        Build_stellation_1(poly);
    } else if (code == 307) {
        Build_stellation_2(poly);
    } else if (code == 309) {
        Build_stellation_4(poly);
    } else if (code == 310) {
        Build_stellation_5(poly);
    } else if (code == 311) {
        Build_waterman(poly);
    } else if (ShapecodeIsVoronoi(code)) {
        build_voronoi_shape(poly, parameter, code);
    } else if (ShapecodeIsATruchetDual(code)) {
        BuildTruchetDual(poly, parameter, code, flag);
    } else if (GoldbergCodeIsBuilt(code)) {
        BuildGoldbergOrQuadSolid(poly, parameter);
    } else if (IsYangShapecode(code) && OrigamiHingeSearch()) {
        GetDefaultPolySettings(poly);
        if (getPolyStorageEtc(poly)) BuildYangShapecode(poly, code, parameter);
    } else {
        poly->unbuilt = 1;
        RefuseSolid(poly, kPolyStatusUnbuilt);
        return;
    }
    if (noNet || poly->status == kPolyStatusOutOfMemory || poly->faceCount3D == 0) return;
    if (poly->netFaceCount == 0) {
        // Growth lays faces flat by their normals and hinges them across
        // their links: a table loaded without them would grow a net of
        // separate, collapsed faces.
        Calc3DAngles(poly);
        LinkSolidAndApplyCuttingRule(poly);
        Build2DNet(poly);
        if (poly->fragmentCount >= 2) {
            ReviseFragmentation(poly);
            Build2DNet(poly);
        }
    }
    poly->freeSlotCursor = uint16_t((FindHighest2DVert(poly) + 1) % kMax2DVertices);
}

void BuildRhombicHexecontahedron(polyhedron* poly, int64_t variant, int64_t) {
    GetDefaultPolySettings(poly);
    if (!getPolyStorageEtc(poly)) return;
    for (int64_t f = 0; f < 60; ++f) {
        int64_t corners[4];
        for (int64_t k = 0; k < 4; ++k) {
            const double* c = RhombicHexecontahedron_Coords3D + 3 * (4 * f + k);
            corners[k] = AddNew3DDVertToPolyhedron(poly, triplex{c[0], c[1], c[2]});
            if (corners[k] < 0) {
                RefuseSolid(poly, poly->status);
                return;
            }
        }
        Add3DFaceToPolyhedron_macro(poly, corners, 4, -1, 1, 1, 0, -1, -1, -1);
    }
    poly->slicingMode = variant == 0 ? 8 : 9;
    poly->allConvex = 0;
    Calc3DAngles(poly);
    LinkSolidAndApplyCuttingRule(poly);
}

namespace {

// A solid from a float face table: the faces, then the net settings every
// table builder shares.
void BuildFromFloatTable(polyhedron* poly, const float* table, int reverse, int code, int64_t slicingMode,
                         int64_t spinMode, uint8_t allConvex) {
    GetDefaultPolySettings(poly);
    if (!getPolyStorageEtc(poly)) return;
    int64_t cursor = 0;
    while (try_to_add_3D_face_using_array_with_codes(poly, &cursor, table, reverse, code)) {
        if (poly->status != kPolyStatusGood) {
            RefuseSolid(poly, poly->status);
            return;
        }
    }
    poly->tabFloat = 0.15f;
    poly->slicingMode = slicingMode;
    if (spinMode >= 0) poly->spinMode = spinMode;
    poly->allConvex = allConvex;
    poly->settingsFlag[0] = 1;
    Calc3DAngles(poly);
    LinkSolidAndApplyCuttingRule(poly);
}

}  // namespace

void Build_Cube_4_compound(polyhedron* poly) { BuildFromFloatTable(poly, cube4compound, 0, 0, 10, -1, 0); }
void Build_stellation_1(polyhedron* poly) { BuildFromFloatTable(poly, SmallTriambicIcosahedron, 0, 0, 11, 5, 0); }
void Build_stellation_2(polyhedron* poly) { BuildFromFloatTable(poly, OctahedronFiveCompound, 0, 0, 12, 5, 0); }
void Build_stellation_4(polyhedron* poly) {
    BuildFromFloatTable(poly, MedialHexagonalHexecontahedron, 0, 0, 14, 5, 0);
    poly->settingsFlag[1] = 1;
}
void Build_stellation_5(polyhedron* poly) {
    // The table winds its faces counter-clockwise already: read unreversed.
    BuildFromFloatTable(poly, Rhombicosacron, 0, 0, 15, 5, 0);
    poly->settingsFlag[1] = 1;
}
void Build_waterman(polyhedron* poly) { BuildFromFloatTable(poly, watermanW5, 0, 1, 16, 8, 1); }
