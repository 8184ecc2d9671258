#include "nets/temp_face.h"

#include <algorithm>
#include <cmath>

#include "common/skiplist.h"
#include "nets/net_links.h"
#include "polyhedra/poly_store.h"

namespace {

struct XY {
    double x, y;
};

XY At(const temp2Dface* t, int64_t k) { return {t->vertex[k].x, t->vertex[k].y}; }

XY NetAt(const polyhedron* poly, int64_t v) {
    if (!poly->coords2D || v < 0 || v >= kMax2DVertices) return {0, 0};
    return {poly->coords2D[v][0], poly->coords2D[v][1]};
}

// Squared distance from M to the line through P and Q below tolerance times
// the edge's squared length (for a point edge, the distance to P).
bool OnLine(XY M, XY P, XY Q, double tolerance) {
    const double dx = Q.x - P.x, dy = Q.y - P.y, len2 = dx * dx + dy * dy;
    const double mx = M.x - P.x, my = M.y - P.y;
    if (len2 == 0) return mx * mx + my * my < tolerance;
    const double t = (mx * dx + my * dy) / len2;
    const double fx = mx - t * dx, fy = my - t * dy;
    return fx * fx + fy * fy < tolerance * len2;
}

// A point inside a face: the centroid of the triangle at its extreme vertex
// (always a convex corner), else of the first corner triangle whose centroid
// lies inside. A concave face's reflex corner can cut into the extreme
// corner's triangle, and the mean of its vertices can lie outside it, in a
// neighbour; every simple polygon has an ear, whose centroid lies inside.
XY InteriorPoint(const temp2Dface* t) {
    const int64_t m = t->count, c = extremePointIn2DTempface(t);
    for (int64_t i = 0; i <= m; ++i) {
        const int64_t k = i == 0 ? c : i - 1;
        const XY a = At(t, (k + m - 1) % m), b = At(t, k), d = At(t, (k + 1) % m);
        const XY p{(a.x + b.x + d.x) / 3, (a.y + b.y + d.y) / 3};
        const double q[2] = {p.x, p.y};
        if (point_in_polygon(q, t) && !PointIsOnEdgeOfTempface(q, t, 1e-12)) return p;
    }
    XY p{0, 0};
    for (int64_t k = 0; k < m; ++k) p = {p.x + t->vertex[k].x / double(m), p.y + t->vertex[k].y / double(m)};
    return p;
}

// A net vertex for v: shared with a coincident vertex of the fragment only
// when both fold onto the same solid vertex. A face that merely touches
// another at a point of a different solid vertex keeps its own vertex, so
// every net vertex folds onto one solid vertex and net links follow glued
// edges only.
int64_t AddNetVertexOfSolidVertex(polyhedron* poly, const TempVertex& v) {
    if (!poly->coords2D) return -1;
    const double tol = NetMergeToleranceForShapecode(poly->shapeCode), t2 = tol * tol;
    auto matches = [&](int64_t i) {
        if (i < 0 || i >= kMax2DVertices || !poly->netVertexUsed[i]) return false;
        if (poly->netVertexTag[i] != int16_t(v.fragment) || poly->netVertexSolid[i] != int16_t(v.solid)) return false;
        const double dx = poly->coords2D[i][0] - v.x, dy = poly->coords2D[i][1] - v.y;
        return dx * dx + dy * dy < t2;
    };
    const SkipList* index = poly->vertexIndex2D;
    if (index && !poly->legacyNetCollider) {
        for (int32_t n = search_skiplist_for_greater_or_equal(index, v.x - tol); n > 0 && index->nodes[n].key <= v.x + tol;
             n = index->nodes[n].links[0])
            if (matches(index->nodes[n].value)) return index->nodes[n].value;
    } else {
        for (int64_t i = 0; i < poly->netVertexCount; ++i)
            if (matches(i)) return i;
    }
    const int64_t own = FindAFree2DVert(poly);
    if (own < 0) return -1;
    const PolyNetPoint p{v.x, v.y, v.solid, v.fragment};
    Set2DPoint(own, &p, poly);
    if (!index || insert_skiplist(poly->vertexIndex2D, p.x, int32_t(own)) < 0) poly->legacyNetCollider = 1;
    if (own + 1 > poly->netVertexCount) poly->netVertexCount = own + 1;
    return own;
}

}  // namespace

double XYtoRadiansNEW(double x, double y) { return std::atan2(-x, -y); }

void TranslateTempface_core(temp2Dface* t, int64_t k, int64_t N, int64_t e, const polyhedron* poly) {
    const int64_t m = t->count;
    if (m < 1 || N < 0 || N >= kMaxNetFaces) return;
    const PolyNetFace& face = poly->netFace[N];
    if (face.count < 1) return;
    const XY A = NetAt(poly, face.vertex[e % face.count]), B = NetAt(poly, face.vertex[(e + 1) % face.count]);
    const double ox = t->vertex[k].x - A.x, oy = t->vertex[k].y - A.y;
    for (int64_t j = 0; j < m; ++j) {
        t->vertex[j].x -= ox;
        t->vertex[j].y -= oy;
    }
    const XY V = At(t, (k + m - 1) % m);
    const double theta = XYtoRadiansNEW(B.x - A.x, B.y - A.y) - XYtoRadiansNEW(V.x - A.x, V.y - A.y);
    const double c = std::cos(theta), s = std::sin(theta);
    for (int64_t j = 0; j < m; ++j) {
        const double dx = t->vertex[j].x - A.x, dy = t->vertex[j].y - A.y;
        t->vertex[j].x = A.x + dx * c + dy * s;
        t->vertex[j].y = A.y - dx * s + dy * c;
    }
    // Land exactly on the hinge, so that the shared vertices merge.
    t->vertex[k].x = A.x;
    t->vertex[k].y = A.y;
}

void TranslateTempface(temp2Dface* t, int64_t k, int64_t N, int64_t e, const polyhedron* poly) {
    labelConvexPointsOfTempface(t);
    TranslateTempface_core(t, k, N, e, poly);
    labelConvexPointsOfTempface(t);
    if (t->label[extremePointIn2DTempface(t)] == 3) {
        for (int64_t j = 0; j < t->count; ++j) std::swap(t->vertex[j].x, t->vertex[j].y);
        TranslateTempface_core(t, k, N, e, poly);
        labelConvexPointsOfTempface(t);
    }
}

int64_t Add2DFaceToNet(polyhedron* poly, temp2Dface* t, int slotMode, int64_t slot, int64_t, SkipList* list) {
    if (!poly || !t || t->count < 1) return -1;
    labelConvexPointsOfTempface(t);
    int64_t corners[kMaxFaceVertices];
    for (int64_t k = 0; k < t->count; ++k) {
        const TempVertex& v = t->vertex[k];
        corners[k] = AddNetVertexOfSolidVertex(poly, v);
        t->vertex[k].netVertex = corners[k];
    }
    int64_t f = -1;
    if (std::all_of(corners, corners + t->count, [](int64_t c) { return c >= 0; }))
        f = Add2DFaceToPolyhedron(poly, corners, t->count, slotMode, slot, 0, 0);
    if (f >= 0) {
        PolyNetFace& N = poly->netFace[f];
        const int64_t fragment = t->vertex[0].fragment;
        N.fragment = int16_t(fragment);
        N.face3D = t->face3D;
        N.vertexOffset = 0;
        N.searchLevel = 0;
        if (list) Build2DConnectivity_core_new(poly, f, 1, list);
        if (fragment > poly->fragmentCount) poly->fragmentCount = fragment;
        if (fragment >= 0 && fragment < kFragmentSignalRows) {
            ++poly->fragmentFaceCount[fragment];
            poly->fragmentLastFace[fragment] = f;
        }
    }
    if (t->face3D >= 0 && t->face3D < kMax3DFaces) {
        PolyFace3D& F = poly->face3D[t->face3D];
        F.used = 1;
        F.netFace = f;
    }
    return f;
}

void PutNetfaceIntoTempface(temp2Dface* t, int64_t N, const polyhedron* poly) {
    const PolyNetFace& face = poly->netFace[N];
    t->count = face.count;
    t->face3D = face.face3D;
    for (int64_t k = 0; k < face.count; ++k) {
        const int64_t v = face.vertex[k];
        if (v < 0 || v >= kMax2DVertices) {
            t->vertex[k] = TempVertex{0, 0, -1, -1, v, k, 0};
            continue;
        }
        const XY p = NetAt(poly, v);
        t->vertex[k] = TempVertex{p.x, p.y, poly->netVertexSolid[v], poly->netVertexTag[v], v, k,
                                  poly->netVertexUsed[v]};
    }
}

void FindBoundingBoxOfTempface(temp2Dface* t) {
    if (t->count < 1) return;
    t->minX = t->maxX = float(t->vertex[0].x);
    t->minY = t->maxY = float(t->vertex[0].y);
    for (int64_t k = 1; k < t->count; ++k) {
        t->minX = std::min(t->minX, float(t->vertex[k].x));
        t->maxX = std::max(t->maxX, float(t->vertex[k].x));
        t->minY = std::min(t->minY, float(t->vertex[k].y));
        t->maxY = std::max(t->maxY, float(t->vertex[k].y));
    }
}

bool point_in_polygon(const double* point, const temp2Dface* t) {
    const double x = float(point[0]), y = float(point[1]);
    bool inside = false;
    const int64_t m = t->count;
    for (int64_t j = 0, p = m - 1; j < m; p = j++) {
        const XY a = At(t, j), b = At(t, p);
        if ((a.y <= y && y < b.y) || (b.y <= y && y < a.y))
            if (a.x + (y - a.y) * (b.x - a.x) / (b.y - a.y) > x) inside = !inside;
    }
    return inside;
}

bool PointIsOnEdgeOfTempface(const double* point, const temp2Dface* t, double tolerance) {
    const XY M{point[0], point[1]};
    for (int64_t k = 0; k < t->count; ++k)
        if (OnLine(M, At(t, k), At(t, (k + 1) % t->count), tolerance)) return true;
    return false;
}

bool ProposedFace2DConflictsWithFacesAlreadyInFragment(temp2Dface* t, const polyhedron* poly, int64_t exemptFace,
                                                       int64_t exemptEdge) {
    if (poly->overlapTestOff || t->count < 1) return false;
    FindBoundingBoxOfTempface(t);
    const int64_t fragment = t->vertex[0].fragment;
    for (int64_t i = 0; i < poly->netFaceCount; ++i)
        if (poly->netFace[i].fragment == fragment && New2DConflict(t, i, poly, exemptFace, exemptEdge)) return true;
    return false;
}

bool New2DConflict(const temp2Dface* t, int64_t i, const polyhedron* poly, int64_t exemptFace, int64_t exemptEdge) {
    const PolyNetFace& face = poly->netFace[i];
    if (face.minX > double(t->maxX) || face.maxX < double(t->minX) || face.minY > double(t->maxY) ||
        face.maxY < double(t->minY))
        return false;
    const double eps = poly->tolerance[0], tau = poly->tolerance[1];
    const int64_t n = face.count, m = t->count;
    // Proper crossings of an edge of face i with an edge of the new face.
    for (int64_t j = 0; j < n; ++j) {
        if (i == exemptFace && j == exemptEdge) continue;
        const XY P = NetAt(poly, face.vertex[j]), Q = NetAt(poly, face.vertex[(j + 1) % n]);
        const XY d{Q.x - P.x, Q.y - P.y};
        for (int64_t k = 0; k < m; ++k) {
            const XY A = At(t, k), B = At(t, (k + 1) % m);
            const XY f{B.x - A.x, B.y - A.y};
            const double den = d.x * f.y - f.x * d.y;
            const double s = (A.x - P.x) * f.y - (A.y - P.y) * f.x;
            const double u = (A.x - P.x) * d.y - (A.y - P.y) * d.x;
            if (den >= eps && s >= eps * den && s <= (1 - eps) * den && u >= eps * den && u <= (1 - eps) * den)
                return true;
        }
    }
    temp2Dface other;
    PutNetfaceIntoTempface(&other, i, poly);
    // Edge midpoints of each face strictly inside the other; a midpoint on
    // the line of an edge of the other face is a shared or touching edge.
    auto midpointsInside = [tau](const temp2Dface* a, const temp2Dface* b) {
        for (int64_t j = 0; j < a->count; ++j) {
            const XY P = At(a, j), Q = At(a, (j + 1) % a->count);
            const double M[2] = {(P.x + Q.x) / 2, (P.y + Q.y) / 2};
            if (PointIsOnEdgeOfTempface(M, b, tau)) continue;
            if (point_in_polygon(M, b)) return true;
        }
        return false;
    };
    if (i != exemptFace && midpointsInside(&other, t)) return true;
    if (midpointsInside(t, &other)) return true;
    // A face lying exactly on, or wholly inside, the other.
    auto interiorInside = [tau](const temp2Dface* a, const temp2Dface* b) {
        const XY p = InteriorPoint(a);
        const double q[2] = {p.x, p.y};
        return !PointIsOnEdgeOfTempface(q, b, tau) && point_in_polygon(q, b);
    };
    return interiorInside(t, &other) || interiorInside(&other, t);
}
