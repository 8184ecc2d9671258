#include "nets/net_triangles.h"

#include <algorithm>
#include <cmath>

#include "polyhedra/poly_queries.h"

namespace {

constexpr uint16_t kNoCorner = 65535;

struct Corner {
    double x, y;
    int64_t index;  // corner number in the net face
};

Corner NetCorner(polyhedron* poly, int64_t face, int64_t k) {
    const int64_t v = poly->netFace[face].vertex[k];
    if (v < 0 || v >= kMax2DVertices || !poly->coords2D) {
        poly->status = kPolyStatusVertexIndexOutOfRange;
        return {0, 0, k};
    }
    return {poly->coords2D[v][0], poly->coords2D[v][1], k};
}

double Cross(const Corner& a, const Corner& b, const Corner& c) {
    return (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
}

// 1 collinear, 2 convex, 3 reflex, for a face of orientation `sign`.
int Label(const Corner* c, int n, int i, double sign, double tolerance) {
    const double turn = sign * Cross(c[(i + n - 1) % n], c[i], c[(i + 1) % n]);
    if (turn > tolerance) return 2;
    if (turn < -tolerance) return 3;
    return 1;
}

// Whether no other corner lies in the ear at i or on its border.
bool EarIsEmpty(const Corner* c, int n, int i, double sign, double tolerance) {
    const Corner& a = c[(i + n - 1) % n];
    const Corner& b = c[i];
    const Corner& d = c[(i + 1) % n];
    for (int j = 0; j < n; ++j) {
        if (j == i || j == (i + 1) % n || j == (i + n - 1) % n) continue;
        const Corner& p = c[j];
        auto same = [&](const Corner& q) { return p.x == q.x && p.y == q.y; };
        if (same(a) || same(b) || same(d)) continue;
        if (sign * Cross(a, b, p) >= -tolerance && sign * Cross(b, d, p) >= -tolerance &&
            sign * Cross(d, a, p) >= -tolerance)
            return false;
    }
    return true;
}

void Emit(polyhedron* poly, int64_t face, int64_t a, int64_t b, int64_t c) {
    if (poly->netTriangleCount >= kMaxNetTriangles) {
        poly->status = kPolyStatusNetTrianglesExhausted;
        return;
    }
    // A warped net's triangles carry the cell their map reads: the face's.
    const uint16_t tag = poly->warpSwitch == 1 ? uint16_t(poly->netFace[face].face3D) : 0;
    MakeNetTriangle(poly->netTriangleCount, poly, face, a, b, c, tag);
    ++poly->netTriangleCount;
}

}  // namespace

void EarClip(int64_t face, polyhedron* poly) {
    if (!poly || face < 0 || face >= kMaxNetFaces) return;
    PolyNetFace& nf = poly->netFace[face];
    nf.firstTriangle = poly->netTriangleCount;
    nf.triangleCount = 0;
    const int64_t count = nf.count;
    if (count < 3 || count > kMaxFaceVertices) return;
    Corner c[kMaxFaceVertices];
    int n = int(count);
    double scale = 0;
    for (int k = 0; k < n; ++k) {
        c[k] = NetCorner(poly, face, k);
        scale = std::fmax(scale, std::fmax(std::fabs(c[k].x), std::fabs(c[k].y)));
    }
    const int64_t before = poly->netTriangleCount;
    if (n == 3) {
        Emit(poly, face, 0, 1, 2);
    } else {
        double area = 0;
        for (int k = 0; k < n; ++k) area += c[k].x * c[(k + 1) % n].y - c[(k + 1) % n].x * c[k].y;
        const double sign = area >= 0 ? 1.0 : -1.0;
        // Turns smaller than this (relative to the face's size) count as straight.
        const double tolerance = 1e-12 * (scale * scale + 1e-300);
        while (n > 3) {
            int labels[kMaxFaceVertices];
            for (int i = 0; i < n; ++i) labels[i] = Label(c, n, i, sign, tolerance);
            int ear = -1, lastEar = -1;
            for (int i = 0; i < n; ++i) {
                if (labels[i] != 2 || !EarIsEmpty(c, n, i, sign, tolerance)) continue;
                if (ear < 0 && (labels[(i + n - 1) % n] == 3 || labels[(i + 1) % n] == 3)) ear = i;
                lastEar = i;
            }
            if (ear < 0) ear = lastEar;
            if (ear < 0) break;
            Emit(poly, face, c[(ear + n - 1) % n].index, c[ear].index, c[(ear + 1) % n].index);
            for (int j = ear; j + 1 < n; ++j) c[j] = c[j + 1];
            --n;
        }
        if (n == 3) Emit(poly, face, c[0].index, c[1].index, c[2].index);
    }
    nf.triangleCount = poly->netTriangleCount - before;
}

void AddGlueUnderInfo(int64_t edge, int64_t faceCorner, polyhedron* poly, int64_t face, int64_t triangle) {
    if (!poly || edge < 0 || edge > 2 || face < 0 || face >= kMaxNetFaces || triangle < 0 ||
        triangle >= kMaxNetTriangles)
        return;
    const PolyNetFace& nf = poly->netFace[face];
    PolyNetTriangle& t = poly->netTriangle[triangle];
    t.faceCorner[edge] = uint16_t(faceCorner);
    t.solidCorner[edge] = kNoCorner;
    t.glueUnder[edge] = -1;
    const int64_t F = nf.face3D;
    if (F < 0 || F >= poly->faceCount3D || F >= kMax3DFaces) return;
    const PolyFace3D& f3 = poly->face3D[F];
    if (f3.count < 1 || f3.count > kMaxFaceVertices) return;
    const int64_t solid = ((nf.vertexOffset + faceCorner) % f3.count + f3.count) % f3.count;
    t.solidCorner[edge] = uint16_t(solid);
    if (t.tabFlag[edge]) t.glueUnder[edge] = int16_t(f3.neighbour[solid]);
}

void MakeNetTriangle(int64_t slot, polyhedron* poly, int64_t face, int64_t a, int64_t b, int64_t c, uint16_t tag) {
    if (!poly || face < 0 || face >= kMaxNetFaces) return;
    if (slot < 0 || slot >= kMaxNetTriangles || poly->netTriangleCount >= kMaxNetTriangles) {
        poly->status = kPolyStatusNetTrianglesExhausted;
        return;
    }
    const PolyNetFace& nf = poly->netFace[face];
    const int64_t n = nf.count;
    if (n < 1 || n > kMaxFaceVertices) return;
    PolyNetTriangle& t = poly->netTriangle[slot];
    const int64_t corner[3] = {a, b, c};
    for (int e = 0; e < 3; ++e) t.vertex[e] = nf.vertex[corner[e]];
    t.netFace = int16_t(face);
    t.tag = tag;
    t.faceGroup = int16_t(FacegroupOf2DFace(face, poly));
    t.fragment = nf.fragment;
    t.isTab = 0;
    t.faceMark = nf.faceMark;
    t.creviceRegion = nf.creviceRegion;
    t.twisted = nf.twistedApex >= 0 ? 1 : 0;
    for (int e = 0; e < 3; ++e) {
        const int64_t from = corner[e], to = corner[(e + 1) % 3];
        t.outlineFlag[e] = (from + 1) % n == to ? 1 : 0;
        t.tabFlag[e] = t.outlineFlag[e] && nf.tabFlag[from] ? 1 : 0;
        AddGlueUnderInfo(e, from, poly, face, slot);
    }
}

void Fill_in_rind_precalculables(polyhedron* poly) {
    if (!poly) return;
    float left = 1e30f, right = -1e30f, top = 1e30f, bottom = -1e30f;
    const int64_t n = std::clamp<int64_t>(poly->netTriangleCount, 0, kMaxNetTriangles);
    for (int64_t i = 0; i < n; ++i) {
        PolyNetTriangle& tri = poly->netTriangle[i];
        tri.tabOwner = tri.isTab ? tri.netFace : -1;
        tri.fancy = 0;
        if (tri.inverseDeterminant != 0.0f) {
            left = std::min(left, tri.minX);
            right = std::max(right, tri.maxX);
            top = std::min(top, tri.minY);
            bottom = std::max(bottom, tri.maxY);
        }
        if (tri.isTab) continue;
        const int64_t f = tri.netFace;
        if (f >= 0 && f < poly->netFaceCount) {
            const PolyNetFace& nf = poly->netFace[f];
            const int64_t F = nf.face3D;
            tri.fancy = nf.count == 3 && nf.twistedApex >= 0 && F >= 0 && F < poly->faceCount3D &&
                                poly->face3D[F].referenceVertex >= 0
                            ? 1
                            : 0;
        }
    }
    if (left > right) left = right = top = bottom = 0.0f;
    poly->net.boundsBox[0] = left;
    poly->net.boundsBox[1] = right;
    poly->net.boundsBox[2] = top;
    poly->net.boundsBox[3] = bottom;
}
