#include "polyhedra/poly_store.h"

#include <cmath>

#include "common/skiplist.h"
#include "polyhedra/face_geometry.h"
#include "polyhedra/face_links.h"
#include "polyhedra/poly_storage.h"
#include "polyhedra/polyhedron_params.h"

namespace {

double Dist2(triplex a, triplex b) {
    const double dx = a.x - b.x, dy = a.y - b.y, dz = a.z - b.z;
    return dx * dx + dy * dy + dz * dz;
}

// Walks the bottom level of an x index from the first key >= x - tolerance;
// `test` answers a vertex number that matches, or -1.
template <class Test>
int64_t WalkIndex(const SkipList* index, double x, double tolerance, Test test) {
    if (!index || index->level <= 0) return -1;
    for (int32_t n = search_skiplist_for_greater_or_equal(index, x - tolerance); n > 0;
         n = index->nodes[n].links[0]) {
        if (index->nodes[n].key > x + tolerance) return -1;
        const int64_t hit = test(index->nodes[n].value);
        if (hit >= 0) return hit;
    }
    return -1;
}

bool HasStorage(const polyhedron* poly) { return poly && poly->coords3D && poly->faceList3D; }

}  // namespace

void GetDefaultFaceAddingOptions(FaceAddingOptions* o) {
    if (!o) return;
    *o = FaceAddingOptions{};
    o->vertices = nullptr;
    o->count = 0;
    o->firstCutEdge = -1;
    o->deferUpdate = 0;
    o->duplicateTest = 1;
    o->referenceMode = 0;
    o->group = -1;
    o->secondCutEdge = -1;
    o->value = -1;
    o->shortValue[0] = 0;
    o->shortValue[1] = -1;
    o->highestVertex = -1;
    o->siteId = -1;
    o->sitePoint = triplex{0.0, 0.0, 0.0};
}

// ---- 3D vertices ----

int64_t AnyCloseMatch3D_old(const polyhedron* poly, triplex p, double tolerance) {
    if (!HasStorage(poly)) return -1;
    const double t2 = tolerance * tolerance;
    for (int64_t i = 0; i < poly->vertexCount3D; ++i)
        if (Dist2(poly->coords3D[i], p) < t2) return i;
    return -1;
}

int64_t AnyCloseMatch3D_new(const polyhedron* poly, triplex p, double tolerance) {
    if (!HasStorage(poly)) return -1;
    const double t2 = tolerance * tolerance;
    return WalkIndex(poly->vertexIndex3D, p.x, tolerance, [&](int64_t v) -> int64_t {
        return v >= 0 && v < poly->vertexCount3D && Dist2(poly->coords3D[v], p) < t2 ? v : -1;
    });
}

int64_t AnyCloseMatch3D_comparison(polyhedron* poly, triplex p, double tolerance) {
    if (!HasStorage(poly)) return -1;
    if (poly->vertexCount3D == 0) {
        poly->legacyPointCollider = ShapecodeNeedsLegacyPointCollider(poly->shapeCode) ? 1 : 0;
        return -1;
    }
    return poly->legacyPointCollider ? AnyCloseMatch3D_old(poly, p, tolerance)
                                     : AnyCloseMatch3D_new(poly, p, tolerance);
}

int64_t CloseMatch3D(polyhedron* poly, triplex p, double tolerance) {
    return AnyCloseMatch3D_comparison(poly, p, tolerance);
}

int64_t AddNew3DVertToPolyhedron_private(polyhedron* poly, triplex p, double tolerance, uint8_t* added) {
    if (added) *added = 0;
    if (!poly) return -1;
    if (!HasStorage(poly)) {
        poly->status = kPolyStatusOutOfMemory;
        return -1;
    }
    const int64_t match = AnyCloseMatch3D_comparison(poly, p, tolerance);
    if (match >= 0) return match;
    if (poly->vertexCount3D >= kMax3DVertices) {
        poly->status = kPolyStatus3DVertexTableFull;
        return -1;
    }
    const int64_t v = poly->vertexCount3D++;
    poly->coords3D[v] = p;
    // A full index cannot find the vertex: fall back to scanning.
    if (!poly->vertexIndex3D || insert_skiplist(poly->vertexIndex3D, p.x, int32_t(v)) < 0)
        poly->legacyPointCollider = 1;
    if (added) *added = 1;
    return v;
}

int64_t AddNew3DDVertToPolyhedron(polyhedron* poly, triplex p) {
    return AddNew3DVertToPolyhedron_private(poly, p, kPointMergeTolerance, nullptr);
}

int64_t AddNew3DDVertToPolyhedron_tol(polyhedron* poly, triplex p, uint8_t* added, double tolerance) {
    return AddNew3DVertToPolyhedron_private(poly, p, tolerance, added);
}

void Rebuild3DVertexIndex(polyhedron* poly) {
    if (!HasStorage(poly) || !poly->vertexIndex3D) return;
    initialize_skiplist(poly->vertexIndex3D);
    for (int64_t v = 0; v < poly->vertexCount3D; ++v)
        if (insert_skiplist(poly->vertexIndex3D, poly->coords3D[v].x, int32_t(v)) < 0) poly->legacyPointCollider = 1;
}

void Rebuild2DVertexIndex(polyhedron* poly) {
    if (!HasStorage(poly) || !poly->vertexIndex2D || !poly->coords2D) return;
    initialize_skiplist(poly->vertexIndex2D);
    for (int64_t v = 0; v < kMax2DVertices; ++v)
        if (poly->netVertexUsed[v] && insert_skiplist(poly->vertexIndex2D, poly->coords2D[v][0], int32_t(v)) < 0)
            poly->legacyNetCollider = 1;
}

triplex ApplySpintypeToPoint(const spintype* s, double x, double y, double z) {
    if (!s) return triplex{x, y, z};
    const triplex p = SpinPointAroundAxis(s->centre, s->axis, s->angle, triplex{x, y, z});
    const double* m = s->matrix;
    return triplex{m[0] * p.x + m[1] * p.y + m[2] * p.z + m[3], m[4] * p.x + m[5] * p.y + m[6] * p.z + m[7],
                   m[8] * p.x + m[9] * p.y + m[10] * p.z + m[11]};
}

// ---- 3D faces ----

void annotate_fop_with_highest_vert(FaceAddingOptions* o) {
    if (!o) return;
    o->highestVertex = -1;
    if (!o->vertices) return;
    for (int32_t i = 0; i < o->count; ++i)
        if (o->vertices[i] > o->highestVertex) o->highestVertex = o->vertices[i];
}

int FaceAlreadyExists3D(const polyhedron* poly, const int64_t* list, int64_t count, int64_t highest) {
    if (!poly || !list || count < 1) return 0;
    for (int64_t f = 0; f < poly->faceCount3D; ++f) {
        const PolyFace3D& face = poly->face3D[f];
        if (face.count != count || face.highestVertex != highest) continue;
        for (int64_t start = 0; start < count; ++start) {
            if (face.vertex[start] != list[0]) continue;
            int64_t k = 1;
            while (k < count && face.vertex[(start + k) % count] == list[k]) ++k;
            if (k == count) return 1;
        }
    }
    return 0;
}

namespace {

void CutEdge(polyhedron* poly, int64_t f, int64_t edge) {
    if (edge < 0 || edge >= kMaxFaceVertices) return;
    PolyFace3D& face = poly->face3D[f];
    if (edge >= face.count) return;
    face.edgeFlags[edge] = (face.edgeFlags[edge] & ~uint32_t(kEdgeDisdain | kEdgePrefer)) | kEdgeCut;
    const int64_t n = face.neighbour[edge];
    if (n < 0 || n >= poly->faceCount3D) return;
    PolyFace3D& other = poly->face3D[n];
    if (other.count < 1) return;
    const int64_t e = (face.neighbourEdge[edge] + other.count - 1) % other.count;
    if (e < 0) return;
    other.edgeFlags[e] = (other.edgeFlags[e] & ~uint32_t(kEdgeDisdain | kEdgePrefer)) | kEdgeCut;
}

}  // namespace

void core_Add3DFaceToPolyhedron(polyhedron* poly, FaceAddingOptions* o) {
    if (!poly || !o || o->count < 1 || !o->vertices) return;
    if (o->count < kMinFaceVertices || o->count > kMaxFaceVertices) {
        poly->status = kPolyStatusBadVertexCount;
        return;
    }
    const int64_t count = o->count;
    annotate_fop_with_highest_vert(o);
    if (o->duplicateTest && FaceAlreadyExists3D(poly, o->vertices, count, o->highestVertex)) {
        poly->status = kPolyStatusDuplicateFace;
        return;
    }
    for (int64_t i = 0; i < count; ++i)
        if (o->vertices[i] == o->vertices[(i + 1) % count]) {
            poly->status = kPolyStatusRepeatedVertex;
            return;
        }
    for (int64_t i = 0; i < count; ++i)
        if (o->vertices[i] < 0 || o->vertices[i] >= kMax3DVertices) {
            poly->status = kPolyStatusVertexIndexOutOfRange;
            return;
        }
    if (poly->faceCount3D >= kMax3DFaces) {
        poly->status = kPolyStatus3DFaceTableFull;
        return;
    }
    const int64_t f = poly->faceCount3D;
    NoteFace3DWritten(poly, f);
    PolyFace3D& face = poly->face3D[f];
    face = poly->blankFace3D;
    face.count = count;
    for (int64_t i = 0; i < count; ++i) {
        face.vertex[i] = o->vertices[i];
        face.neighbour[i] = -1;
        face.neighbourEdge[i] = -1;
    }
    CutEdge(poly, f, o->firstCutEdge);
    CutEdge(poly, f, o->secondCutEdge);
    face.group = int16_t(o->group);
    face.faceTag = int16_t(o->group);
    face.clearedShort = 0;
    face.referenceVertex = -1;
    face.furtherIndex = o->value;
    for (int k = 0; k < 3; ++k) face.option[k] = o->longValue[k];
    face.optionShort[0] = o->shortValue[0];
    face.optionShort[1] = o->shortValue[1];
    face.highestVertex = o->highestVertex;
    face.siteLabel = o->siteId;
    face.sitePoint = o->sitePoint;
    ++poly->faceCount3D;
    if (!o->deferUpdate) {
        Calc3DAngles(poly);
        Build3DConnectivity(poly);
    }
    if (o->referenceMode == 1) {
        const int64_t ref = o->vertices[count];
        bool own = false;
        for (int64_t i = 0; i < count; ++i) own = own || face.vertex[i] == ref;
        if (!own) face.referenceVertex = ref;
    }
}

void Add3DFaceToPolyhedron_macro(polyhedron* poly, const int64_t* list, int32_t count, int32_t cutEdge,
                                 uint8_t defer, uint8_t duplicateTest, int64_t referenceMode, int64_t group,
                                 int64_t secondCutEdge, int64_t value) {
    FaceAddingOptions o;
    GetDefaultFaceAddingOptions(&o);
    o.vertices = list;
    o.count = count;
    o.firstCutEdge = cutEdge;
    o.deferUpdate = defer;
    o.duplicateTest = duplicateTest;
    o.referenceMode = referenceMode;
    o.group = group;
    o.secondCutEdge = secondCutEdge;
    o.value = value;
    core_Add3DFaceToPolyhedron(poly, &o);
}

triplex grab_vert(int64_t* cursor, const float* table) {
    const float* t = table + *cursor;
    *cursor += 3;
    return triplex{t[0], t[1], t[2]};
}

int try_to_add_3D_face_using_array_with_codes(polyhedron* poly, int64_t* cursor, const float* table, int reverse,
                                              int code) {
    if (!poly || !cursor || !table) return 0;
    if (table[*cursor] == -999.0f) {
        *cursor += 3;
        return 0;
    }
    int64_t list[kMaxFaceVertices + 1];
    int64_t n = 0;
    triplex sum{0, 0, 0};
    bool tooMany = false;
    while (table[*cursor] != -999.0f) {
        const triplex p = grab_vert(cursor, table);
        const int64_t v = AddNew3DDVertToPolyhedron(poly, p);
        sum = Tadd(sum, p);
        if (n < kMaxFaceVertices) list[n++] = v; else tooMany = true;
    }
    *cursor += 3;
    if (tooMany) {
        poly->status = kPolyStatusBadVertexCount;
        return 1;
    }
    for (int64_t i = 0; i < n; ++i)
        if (list[i] < 0) return 1;  // the vertex table is full; its status is set
    if (reverse && n >= 2)
        for (int64_t i = 0, j = n - 1; i < j; ++i, --j) std::swap(list[i], list[j]);
    FaceAddingOptions o;
    GetDefaultFaceAddingOptions(&o);
    o.deferUpdate = 1;
    o.duplicateTest = 0;
    o.value = -1;
    if (code == 1 && n == 4) {
        const int64_t c = AddNew3DDVertToPolyhedron(poly, Tscale(sum, 0.25));
        if (c < 0) return 1;
        for (int64_t i = 0; i < 4; ++i) {
            int64_t tri[3] = {list[i], list[(i + 1) % 4], c};
            o.vertices = tri;
            o.count = 3;
            core_Add3DFaceToPolyhedron(poly, &o);
        }
    } else {
        o.vertices = list;
        o.count = int32_t(n);
        core_Add3DFaceToPolyhedron(poly, &o);
    }
    if (poly->faceCount3D > 0) labelConvexPointsOf3DPolygon(poly, poly->faceCount3D - 1);
    return 1;
}

// ---- net vertices and faces ----

double NetMergeToleranceForShapecode(int64_t code) {
    if (code >= 160 && code <= 170) return 1e-6;
    if (code >= 171 && code <= 196) return 1e-7;
    if (code >= 197 && code <= 304) return 1e-6;
    // The Goldberg and quad solids: hundreds of small faces round corners
    // whose angles fall short of a full turn by a degree or less, so the two
    // copies of a corner on either side of a cut lie closer than 0.002 and
    // would merge, bending the faces beside them. Their faces are laid
    // rigidly onto exact hinges, so a shared corner lands within rounding.
    if (code >= 313 && code <= 438) return 1e-6;
    return 0.002;
}

int64_t FindAFree2DVert(polyhedron* poly) {
    if (!poly) return -1;
    for (int64_t tries = 0; tries < kMax2DVertices; ++tries) {
        const int64_t i = poly->freeSlotCursor % kMax2DVertices;
        if (!poly->netVertexUsed[i]) return i;
        poly->freeSlotCursor = uint16_t((i + 1) % kMax2DVertices);
    }
    poly->status = kPolyStatusNetVertexTableFull;
    return -1;
}

int64_t FindHighest2DVert(const polyhedron* poly) {
    if (!poly) return 0;
    for (int64_t i = kMax2DVertices - 1; i >= 0; --i)
        if (poly->netVertexUsed[i]) return i;
    return 0;
}

void Set2DPoint(int64_t index, const PolyNetPoint* v, polyhedron* poly) {
    if (!poly || !v || index < 0 || index >= kMax2DVertices || !poly->coords2D) return;
    poly->coords2D[index][0] = v->x;
    poly->coords2D[index][1] = v->y;
    poly->netVertex[index].x = float(v->x);
    poly->netVertex[index].y = float(v->y);
    poly->netVertexSolid[index] = int16_t(v->solid);
    poly->netVertexTag[index] = int16_t(v->tag);
    poly->netVertexUsed[index] = 1;
}

void FindBoundingBoxOfFace2D(polyhedron* poly, int64_t face) {
    if (!poly || face < 0 || face >= kMaxNetFaces || !poly->coords2D) return;
    PolyNetFace& f = poly->netFace[face];
    f.minX = f.minY = 1e300;
    f.maxX = f.maxY = -1e300;
    for (int64_t k = 0; k < f.count; ++k) {
        const int64_t v = f.vertex[k];
        if (v < 0 || v >= kMax2DVertices) continue;
        const double x = poly->coords2D[v][0], y = poly->coords2D[v][1];
        f.minX = std::fmin(f.minX, x);
        f.maxX = std::fmax(f.maxX, x);
        f.minY = std::fmin(f.minY, y);
        f.maxY = std::fmax(f.maxY, y);
    }
}

int64_t Add2DFaceToPolyhedron(polyhedron* poly, const int64_t* list, int64_t count, int useGivenSlot, int64_t slot,
                              int64_t, int64_t) {
    if (!poly || !list || count < 1) return -1;
    if (count < kMinFaceVertices || count > kMaxFaceVertices) {
        poly->status = kPolyStatusBadVertexCount;
        return -1;
    }
    const int64_t s = useGivenSlot ? slot : poly->netFaceCount;
    if (s < 0 || s >= kMaxNetFaces) {
        poly->status = kPolyStatusNetFaceTableFull;
        return -1;
    }
    NoteNetFaceWritten(poly, s);
    PolyNetFace& f = poly->netFace[s];
    f = poly->blankNetFace;
    f.count = count;
    for (int64_t k = 0; k < count; ++k) {
        f.vertex[k] = list[k];
        f.neighbour[k] = -1;
        f.neighbourEdge[k] = -1;
    }
    f.searchLevel = 0;
    if (!useGivenSlot) ++poly->netFaceCount;
    FindBoundingBoxOfFace2D(poly, s);
    return s;
}
