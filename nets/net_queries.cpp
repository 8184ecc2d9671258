#include "nets/net_queries.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <initializer_list>

#include "common/vectors.h"

void Find2DFaceContainingAParticular2DVert(const polyhedron* poly, int64_t v, int64_t* face, int64_t* position) {
    *face = *position = -1;
    for (int64_t n = 0; n < poly->netFaceCount; ++n)
        for (int64_t k = 0; k < poly->netFace[n].count; ++k)
            if (poly->netFace[n].vertex[k] == v) {
                *face = n;
                *position = k;
                return;
            }
}

int64_t Vert_Index_2D_to_3D(const polyhedron* poly, int64_t v) {
    if (v < 0 || v >= kMax2DVertices || !poly->netVertexUsed[v]) return -1;
    if (poly->netVertexSolid[v] != -1) return poly->netVertexSolid[v];
    int64_t n, k;
    Find2DFaceContainingAParticular2DVert(poly, v, &n, &k);
    if (n < 0) return -1;
    const int64_t S = poly->netFace[n].face3D;
    if (S < 0 || S >= poly->faceCount3D || poly->face3D[S].count <= 0) return -1;
    return poly->face3D[S].vertex[(k + poly->netFace[n].vertexOffset) % poly->face3D[S].count];
}

int64_t Vert_Index_3D_to_2D_Looking_Only_in_a_particular_2D_fragment(const polyhedron* poly, int64_t vertex3D,
                                                                      int64_t fragment) {
    for (int64_t n = 0; n < poly->netFaceCount; ++n) {
        if (poly->netFace[n].fragment != fragment) continue;
        for (int64_t k = 0; k < poly->netFace[n].count; ++k) {
            const int64_t v = poly->netFace[n].vertex[k];
            if (Vert_Index_2D_to_3D(poly, v) == vertex3D) return v;
        }
    }
    return -1;
}

void Find3DFaceContainingAParticular3DVert_StartingWithFace(const polyhedron* poly, int64_t vertex3D, int64_t* face,
                                                             int64_t* position, int64_t firstFace) {
    *face = *position = -1;
    for (int64_t f = std::max<int64_t>(firstFace, 0); f < poly->faceCount3D; ++f)
        for (int64_t k = 0; k < poly->face3D[f].count; ++k)
            if (poly->face3D[f].vertex[k] == vertex3D) {
                *face = f;
                *position = k;
            }
}

void Find3DFaceContainingAParticular3DVert(const polyhedron* poly, int64_t vertex3D, int64_t* face, int64_t* position) {
    Find3DFaceContainingAParticular3DVert_StartingWithFace(poly, vertex3D, face, position, 0);
}

triplex GetCentroidOf3DFaceT(int64_t face, const polyhedron* poly) {
    if (!poly->coords3D || face < 0 || face >= poly->faceCount3D || poly->face3D[face].count <= 0) return {0, 0, 0};
    const PolyFace3D& F = poly->face3D[face];
    triplex sum{0, 0, 0};
    for (int64_t k = 0; k < F.count; ++k) sum = Tadd(sum, poly->coords3D[F.vertex[k]]);
    return Tscale(sum, 1.0 / double(F.count));
}

void Cleanse2DVertList(polyhedron* poly) {
    std::memset(poly->netVertexUsed, 0, sizeof poly->netVertexUsed);
    int64_t highest = -1;
    for (int64_t n = 0; n < poly->netFaceCount; ++n)
        for (int64_t k = 0; k < poly->netFace[n].count; ++k) {
            const int64_t v = poly->netFace[n].vertex[k];
            if (v < 0 || v >= kMax2DVertices) continue;
            poly->netVertexUsed[v] = 1;
            highest = std::max(highest, v);
        }
    poly->netVertexCount = highest + 1;
}

void Find2DBoundingBoxPointsAndFragment(const polyhedron* poly, float* minX, float* maxX, float* minY, float* maxY,
                                        int64_t fragment) {
    bool any = false;
    float a = 0, b = 0, c = 0, d = 0;
    for (int64_t v = 0; v < kMax2DVertices; ++v) {
        if (!poly->netVertexUsed[v] || poly->netVertexTag[v] != fragment || !poly->coords2D) continue;
        const float x = float(poly->coords2D[v][0]), y = float(poly->coords2D[v][1]);
        if (!any) a = b = x, c = d = y, any = true;
        a = std::min(a, x), b = std::max(b, x), c = std::min(c, y), d = std::max(d, y);
    }
    if (!any) return;
    *minX = a, *maxX = b, *minY = c, *maxY = d;
}

void Get_2D_Face_and_Index_From_Triangle_and_Index(const polyhedron* poly, int64_t t, int64_t corner, int64_t* face,
                                                   int64_t* position) {
    *face = *position = -1;
    if (!poly || t < 0 || t >= poly->netTriangleCount || t >= kMaxNetTriangles || corner < 0 || corner > 2) return;
    const int64_t n = poly->netTriangle[t].netFace;
    if (n < 0 || n >= poly->netFaceCount) return;
    *face = n;
    for (int64_t k = 0; k < poly->netFace[n].count; ++k)
        if (poly->netFace[n].vertex[k] == poly->netTriangle[t].vertex[corner]) *position = k;
}

void CalcMidpoint2D(const point2D* a, const point2D* b, point2D* m) {
    m->x = (a->x + b->x) / 2;
    m->y = (a->y + b->y) / 2;
}

point2D GetCentroidOf5DFace(int64_t n, const polyhedron* poly) {
    point2D c;
    WipePoint2D(&c);
    if (!poly || n < 0 || n >= poly->netFaceCount || n >= kMaxNetFaces || poly->netFace[n].count <= 0) return c;
    const PolyNetFace& N = poly->netFace[n];
    double x = 0, y = 0;
    for (int64_t k = 0; k < N.count; ++k) {
        const int64_t v = N.vertex[k];
        if (v < 0 || v >= kMax2DVertices) continue;
        x += poly->netVertex[v].x;
        y += poly->netVertex[v].y;
    }
    c.x = x / double(N.count);
    c.y = y / double(N.count);
    return c;
}

void WipePoint2D(point2D* p) {
    p->x = p->y = 0;
    for (int64_t& l : p->links) l = -1;
    p->flag = 0;
}

float distance_between_point2Ds(const point2D* a, const point2D* b) {
    const float dx = float(a->x - b->x), dy = float(a->y - b->y);
    return std::sqrt(dx * dx + dy * dy);
}

float BearingOf2DVector(double x, double y) {
    constexpr float kPiF = 3.14159265f;
    if (y == 0) return x <= 0 ? kPiF / 2 : 3 * kPiF / 2;
    const float b = std::atan2(float(x), float(y)) + kPiF;
    return b <= 0 ? b + 2 * kPiF : b;
}

float angle_between_point2Ds(const point2D* a, const point2D* b) { return BearingOf2DVector(a->x - b->x, a->y - b->y); }

double WEIRD_SignedAngleAround2DpointsD(triplex a, triplex b, triplex c) {
    constexpr double kPi = 3.14159265358979323846;
    const auto unit = [](triplex v) {
        const double m = Tmagnitude(v);
        return m > 0 ? Tscale(v, 1 / m) : triplex{0, 0, 0};
    };
    const triplex u = unit(Tsub(b, a)), w = unit(Tsub(c, b));
    double d = double(BearingOf2DVector(u.x, u.y)) - double(BearingOf2DVector(w.x, w.y));
    if (d > kPi) d -= 2 * kPi;
    if (d < -kPi) d += 2 * kPi;
    return d;
}

double WEIRD_SignedAngleAround2DFacepoints(const polyhedron* poly, int64_t i, int64_t j, int64_t k) {
    for (int64_t v : {i, j, k})
        if (!poly || !poly->coords2D || v < 0 || v >= kMax2DVertices) return 0;
    const auto at = [poly](int64_t v) { return triplex{poly->coords2D[v][0], poly->coords2D[v][1], 0}; };
    return WEIRD_SignedAngleAround2DpointsD(at(i), at(j), at(k));
}
