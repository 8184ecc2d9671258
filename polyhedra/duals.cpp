#include "polyhedra/duals.h"

#include <vector>

#include "common/halfspace.h"

#include "polyhedra/face_geometry.h"
#include "polyhedra/face_links.h"
#include "polyhedra/poly_queries.h"
#include "polyhedra/poly_storage.h"
#include "polyhedra/poly_store.h"
#include "polyhedra/solid_support.h"
#include "polyhedra/voronoi_cells.h"

void PreparePolyForDualizing(polyhedron* poly) {
    for (int64_t f = 0; f < poly->faceCount3D; ++f)
        for (int64_t k = 0; k < poly->face3D[f].count && k < kMaxFaceVertices; ++k) poly->face3D[f].visited[k] = 0;
}

int64_t DropUnusedVertices(polyhedron* poly) {
    if (!poly->coords3D) return 0;
    std::vector<int64_t> renumber(size_t(poly->vertexCount3D), -1);
    for (int64_t f = 0; f < poly->faceCount3D; ++f)
        for (int64_t k = 0; k < poly->face3D[f].count; ++k) {
            const int64_t v = poly->face3D[f].vertex[k];
            if (v >= 0 && v < poly->vertexCount3D) renumber[size_t(v)] = 0;
        }
    int64_t kept = 0;
    for (int64_t v = 0; v < poly->vertexCount3D; ++v) {
        if (renumber[size_t(v)] < 0) continue;
        renumber[size_t(v)] = kept;
        poly->coords3D[kept] = poly->coords3D[v];
        poly->linkCount3D[kept] = poly->linkCount3D[v];
        ++kept;
    }
    const int64_t dropped = poly->vertexCount3D - kept;
    if (dropped == 0) return 0;
    for (int64_t f = 0; f < poly->faceCount3D; ++f) {
        PolyFace3D& face = poly->face3D[f];
        face.highestVertex = -1;
        for (int64_t k = 0; k < face.count; ++k) {
            face.vertex[k] = renumber[size_t(face.vertex[k])];
            if (face.vertex[k] > face.highestVertex) face.highestVertex = face.vertex[k];
        }
        if (face.referenceVertex >= 0 && face.referenceVertex < poly->vertexCount3D)
            face.referenceVertex = renumber[size_t(face.referenceVertex)];
    }
    poly->vertexCount3D = kept;
    Rebuild3DVertexIndex(poly);
    return dropped;
}

namespace {

// Appends a face's site point unless a listed one lies within the
// tolerance; false when the heap refused the node.
bool AddSite(const PolyFace3D& face, HALFSPACE* list, double tolerance) {
    double p[3];
    StoreTriplex(face.sitePoint, p);
    if (AddPointToList_while_killing_redundancies(p, list->head->prev, face.siteLabel, tolerance)) return true;
    for (const HALFSPACE* n = list->head->next; n != list->head; n = n->next)
        if (Tdistance(n->point, face.sitePoint) < tolerance) return true;
    return false;
}

}  // namespace

int64_t CollectSitesRoundVertex(polyhedron* primal, int64_t face, int64_t corner, HALFSPACE* list, double tolerance) {
    if (face < 0 || face >= primal->faceCount3D || corner < 0 || corner >= primal->face3D[face].count) return 0;
    if (!AddSite(primal->face3D[face], list, tolerance)) return -1;
    int64_t met = 1, f = face, c = corner;
    for (int step = 0; step < 300; ++step) {
        PolyFace3D& at = primal->face3D[f];
        at.visited[c] = 1;
        const int64_t g = at.neighbour[c];
        if (g < 0 || g >= primal->faceCount3D || g == face) break;
        const int64_t n = primal->face3D[g].count;
        // In g the shared edge ends where this one starts; the edge before
        // it ends at the same vertex as this one.
        const int64_t shared = (at.neighbourEdge[c] - 1 + n) % n;
        c = (shared - 1 + n) % n;
        f = g;
        if (!AddSite(primal->face3D[f], list, tolerance)) return -1;
        ++met;
    }
    return met;
}

bool BuildOneDualFaceFrom(polyhedron* primal, int64_t face, int64_t corner, polyhedron* target,
                          const VoronoiHandlingOptions* o, int64_t tag) {
    HALFSPACE points;
    InitEmptyList(&points);
    const bool whole = CollectSitesRoundVertex(primal, face, corner, &points, o->mergeDistance) >= 0;
    if (whole) {
        const PolyFace3D& at = primal->face3D[face];
        HALFSPACE description{};
        description.point = primal->coords3D[at.vertex[(corner + 1) % at.count]];
        description.id = tag;
        description.userTag = -1;
        DumpPointListIntoPolyhedron(&points, &description, target, o);
    }
    DisposeListExceptForHead(&points);
    return whole;
}

bool BuildSiteDualFaces(polyhedron* primal, polyhedron* target, const VoronoiHandlingOptions* o) {
    int64_t made = 0;
    for (int64_t f = 0; f < primal->faceCount3D; ++f)
        for (int64_t c = 0; c < primal->face3D[f].count; ++c) {
            if (primal->face3D[f].visited[c]) continue;
            if (!BuildOneDualFaceFrom(primal, f, c, target, o, made++)) return false;
        }
    return true;
}

void BuildOneDualFace_for_primal_dual(const polyhedron* primal, int64_t face, int64_t corner, polyhedron* target,
                                      int64_t slot) {
    if (slot < 0 || slot >= kMax3DFaces) return;
    int64_t listed[kMaxFaceVertices];
    int64_t n = 0, f = face, c = corner;
    // Round the vertex at corner c of f: across f's edge leaving it, then
    // the neighbour's edge leaving the same vertex.
    while (n < kMaxFaceVertices) {
        listed[n++] = f;
        const int64_t g = primal->face3D[f].neighbour[c];
        if (g < 0 || g == face || g >= primal->faceCount3D) break;
        c = primal->face3D[f].neighbourEdge[c];
        f = g;
        if (c < 0 || c >= primal->face3D[f].count) break;
    }
    NoteFace3DWritten(target, slot);
    PolyFace3D& out = target->face3D[slot];
    out = target->blankFace3D;
    out.count = n;
    out.highestVertex = -1;
    for (int64_t k = 0; k < n; ++k) {
        out.vertex[k] = listed[n - 1 - k];
        out.neighbour[k] = out.neighbourEdge[k] = -1;
        if (out.vertex[k] > out.highestVertex) out.highestVertex = out.vertex[k];
    }
    out.group = -1;
    out.faceTag = -1;
    out.clearedShort = 0;
    out.referenceVertex = -1;
    ++target->faceCount3D;
}

void BuildDualForPrimalDual_core(polyhedron* target, polyhedron* primal) {
    if (!getPolyStorageEtc(target) || !primal) return;
    // One dual vertex per primal face: a primal of more faces than the
    // store holds has no dual here.
    if (primal->faceCount3D > kMax3DVertices) {
        FailBuild(target, kPolyStatus3DVertexTableFull);
        return;
    }
    DropUnusedVertices(primal);
    for (int64_t f = 0; f < primal->faceCount3D; ++f) target->coords3D[f] = FetchCentroidOf3DFace(primal, f);
    target->vertexCount3D = primal->faceCount3D;
    Rebuild3DVertexIndex(target);
    const int64_t M = primal->vertexCount3D - 1;
    std::vector<std::pair<int64_t, int64_t>> entry(size_t(M + 1), {-1, -1});
    for (int64_t f = 0; f < primal->faceCount3D; ++f)
        for (int64_t k = 0; k < primal->face3D[f].count; ++k) entry[size_t(primal->face3D[f].vertex[k])] = {f, k};
    for (int64_t v = 0; v <= M; ++v) {
        BuildOneDualFace_for_primal_dual(primal, entry[size_t(v)].first, entry[size_t(v)].second, target, v);
        if (target->face3D[v].count < kMinFaceVertices) {
            FailBuild(target, kPolyStatusBadVertexCount);
            return;
        }
    }
}

void BuildDualFromPolyhedron_for_primal_dual(polyhedron* target, polyhedron* primal) {
    if (primal) PreparePolyForDualizing(primal);
    BuildDualForPrimalDual_core(target, primal);
    if (target->status != kPolyStatusGood) return;
    Calc3DAngles(target);
    Build3DConnectivity(target);
}
