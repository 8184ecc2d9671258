#include "polyhedra/barycentrics.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

#include "common/angles.h"

namespace {

// A net triangle whose height over its longest side is within this many
// float steps of the net's reach is a sliver. Real faces and tabs stand
// thousands of steps tall; the slivers of corners on an edge stay under one.
constexpr double kSliverUlps = 16.0;

// Twice the signed area of the triangle P1 P2 P3.
inline double doubled_area(double x1, double y1, double x2, double y2, double x3, double y3) {
    return (x2 - x1) * (y3 - y1) - (y2 - y1) * (x3 - x1);
}

inline fcomplex net_position(const polyhedron* poly, int64_t vertex) {
    const PolyNetVertex& v = poly->netVertex[vertex];
    return {v.x, v.y};
}

inline triplex solid_position(const polyhedron* poly, int64_t vertex) {
    const PolyNetVertex& v = poly->netVertex[vertex];
    return {v.X, v.Y, v.Z};
}

// How far t lies outside [0, 1].
inline double outside_by(double t) { return t < 0.0 ? -t : (t > 1.0 ? t - 1.0 : 0.0); }

}  // namespace

int barycentrics_precalc(int64_t t, polyhedron* poly) {
    PolyNetTriangle& tri = poly->netTriangle[t];
    for (int i = 0; i < 3; ++i)
        if (tri.vertex[i] < 0 || tri.vertex[i] >= kMax2DVertices) {
            poly->status = kPolyStatusVertexIndexOutOfRange;
            return kBaryPrecalcBadVertexIndex;
        }
    const PolyNetVertex& p1 = poly->netVertex[tri.vertex[0]];
    const PolyNetVertex& p2 = poly->netVertex[tri.vertex[1]];
    const PolyNetVertex& p3 = poly->netVertex[tri.vertex[2]];
    tri.minX = std::fmin(p1.x, std::fmin(p2.x, p3.x));
    tri.maxX = std::fmax(p1.x, std::fmax(p2.x, p3.x));
    tri.minY = std::fmin(p1.y, std::fmin(p2.y, p3.y));
    tri.maxY = std::fmax(p1.y, std::fmax(p2.y, p3.y));
    const double D = doubled_area(p1.x, p1.y, p2.x, p2.y, p3.x, p3.y);
    // Corners on one line up to the rounding of float net positions (a face
    // corner lying on the face's own edge, where a neighbour's corner meets
    // it) leave a sliver whose weights are rounding noise: it holds no point,
    // and the triangles beside it claim its edge.
    const double sides[3] = {std::hypot(p2.x - p1.x, p2.y - p1.y), std::hypot(p3.x - p2.x, p3.y - p2.y),
                             std::hypot(p1.x - p3.x, p1.y - p3.y)};
    const double longest = std::max({sides[0], sides[1], sides[2]});
    const double reach = std::max({longest, double(std::fabs(p1.x)), double(std::fabs(p1.y)), double(std::fabs(p2.x)),
                                   double(std::fabs(p2.y)), double(std::fabs(p3.x)), double(std::fabs(p3.y))});
    const bool sliver = std::fabs(D) <= kSliverUlps * FLT_EPSILON * reach * longest;
    const float inv = D == 0.0 || sliver ? 0.0f : static_cast<float>(1.0 / D);
    if (!std::isfinite(inv) || inv == 0.0f) {
        tri.inverseDeterminant = 0.0f;
        return kBaryPrecalcDegenerate;
    }
    tri.inverseDeterminant = inv;
    return kBaryPrecalcGood;
}

void FillNetTriangleCorners(polyhedron* poly) {
    if (!poly || !poly->coords3D) return;
    for (int64_t t = 0; t < poly->netTriangleCount && t < kMaxNetTriangles; ++t) {
        PolyNetTriangle& tri = poly->netTriangle[t];
        if (tri.isTab || tri.netFace < 0 || tri.netFace >= poly->netFaceCount) continue;
        const int64_t S = poly->netFace[tri.netFace].face3D;
        const bool hasFace = S >= 0 && S < poly->faceCount3D && poly->face3D[S].count >= kMinFaceVertices;
        for (int k = 0; k < 3; ++k) {
            const int64_t v = tri.vertex[k];
            if (v < 0 || v >= kMax2DVertices) continue;
            int64_t solid = poly->netVertexSolid[v];
            if (hasFace && tri.solidCorner[k] < poly->face3D[S].count) solid = poly->face3D[S].vertex[tri.solidCorner[k]];
            if (solid < 0 || solid >= poly->vertexCount3D) continue;
            const triplex q = poly->coords3D[solid];
            tri.cornerPoint[k] = q;
            poly->netVertex[v].X = float(q.x);
            poly->netVertex[v].Y = float(q.y);
            poly->netVertex[v].Z = float(q.z);
        }
    }
}

void Get2DPointFromTriangleAndBarys(int64_t t, double* P, const polyhedron* poly, double b1, double b2,
                                    double b3) {
    const PolyNetTriangle& tri = poly->netTriangle[t];
    const fcomplex n1 = net_position(poly, tri.vertex[0]);
    const fcomplex n2 = net_position(poly, tri.vertex[1]);
    const fcomplex n3 = net_position(poly, tri.vertex[2]);
    P[0] = b1 * n1.re + b2 * n2.re + b3 * n3.re;
    P[1] = b1 * n1.im + b2 * n2.im + b3 * n3.im;
    P[2] = 0.0;
}

double Normalize_and_RectangularizeD(double* v) {
    triplex n = Tnormalize({v[0], v[1], v[2]});
    if (n.x == 0.0 && n.y == 0.0 && n.z == 0.0) n = {0.0, 0.0, 1.0};
    double p[3] = {n.x, n.y, n.z};
    double u, lat;
    SphericalToRectangularD(p, &u, &lat);
    v[0] = u;
    v[1] = lat;
    v[2] = 0.0;
    return (lat > 0.999 || lat < 0.001) ? 0.0 : 1.0;
}

namespace {

// Longitude weights of the spherical blend. A corner at a pole has no
// longitude of its own (weight 0); when at most one corner is off the poles,
// some pole corners are given weight 1 again, chosen by which corners lie
// nearest in latitude.
void revise_pole_weights(double w[3], const double p[3], const double v[3]) {
    if (p[0] + p[1] + p[2] > 1.0) return;
    double a = w[0], b = w[1], c = w[2];
    enum Step { kStep2, kStep3, kStep4, kStep5, kDone };
    Step next = kStep2;
    // Step 1.
    c = w[2];
    if (p[0] == 1.0) {
        if (std::fabs(v[0] - v[1]) < std::fabs(v[0] - v[2])) {
            b = 1.0;
            next = kStep3;
        } else {
            c = 1.0;
        }
    }
    while (next != kDone) {
        switch (next) {
            case kStep2:
                w[2] = c;
                b = w[1];
                if (b == 0.0) {
                    a = p[0];
                    next = kStep4;
                } else {
                    next = kStep3;
                }
                break;
            case kStep3:
                w[1] = b;
                if (std::fabs(v[1] - v[2]) < std::fabs(v[1] - v[0])) {
                    c = 1.0;
                    next = kStep5;
                } else {
                    a = 1.0;
                    next = kStep4;
                }
                break;
            case kStep4:
                w[0] = a;
                if (w[2] == 0.0) {
                    next = kDone;
                } else {
                    c = w[2];
                    next = kStep5;
                }
                break;
            case kStep5:
                if (std::fabs(v[2] - v[0]) < std::fabs(v[2] - v[1]))
                    w[0] = 1.0;
                else
                    w[1] = 1.0;
                w[2] = c;
                next = kDone;
                break;
            case kDone:
                break;
        }
    }
}

triplex spherical_blend(const triplex corner[3], double b1, double b2, double b3) {
    double u[3], v[3], p[3], w[3];
    for (int i = 0; i < 3; ++i) {
        double q[3] = {corner[i].x, corner[i].y, corner[i].z};
        p[i] = Normalize_and_RectangularizeD(q);
        u[i] = q[0];
        v[i] = q[1];
        w[i] = p[i];
    }
    revise_pole_weights(w, p, v);

    const double bary[3] = {b1, b2, b3};
    float factor[3];
    float sum = 0.0f;
    for (int i = 0; i < 3; ++i) {
        factor[i] = static_cast<float>(w[i]) * static_cast<float>(bary[i]);
        sum += factor[i];
    }
    if (sum == 0.0f || !std::isfinite(sum)) {
        // Every weighted corner has barycentric 0 (the point is a pole corner,
        // or all corners are poles): longitude is meaningless there, so any
        // finite blend will do; the plain barycentrics give one.
        for (int i = 0; i < 3; ++i) factor[i] = static_cast<float>(bary[i]);
        sum = factor[0] + factor[1] + factor[2];
        if (sum == 0.0f) sum = 1.0f;
    }
    for (float& f : factor) f /= sum;

    // Keep the three longitudes on one side of the seam.
    int quarter[3];
    bool has0 = false, has3 = false, others = false;
    for (int i = 0; i < 3; ++i) {
        quarter[i] = static_cast<int>(w[i] * 4.0 * (u[i] - std::floor(u[i])));
        has0 |= quarter[i] == 0;
        has3 |= quarter[i] == 3;
        others |= quarter[i] == 1 || quarter[i] == 2;
    }
    if (has0 && has3 && !others)
        for (int i = 0; i < 3; ++i)
            if (quarter[i] == 0) u[i] += 1.0;

    const double U = factor[0] * u[0] + factor[1] * u[1] + factor[2] * u[2];
    const double V = b1 * v[0] + b2 * v[1] + b3 * v[2];
    return RectangularToSphericalTUnitary(U, V);
}

}  // namespace

void Get3DPointFromFaceAndBarys(int64_t t, double* P, const polyhedron* poly, double b1, double b2,
                                double b3) {
    const PolyNetTriangle& tri = poly->netTriangle[t];
    const triplex corner[3] = {solid_position(poly, tri.vertex[0]), solid_position(poly, tri.vertex[1]),
                               solid_position(poly, tri.vertex[2])};
    const triplex r = poly->sphericalBlend == 0 ? barycentric_weighted(b1, b2, b3, corner[0], corner[1], corner[2])
                                                : spherical_blend(corner, b1, b2, b3);
    P[0] = r.x;
    P[1] = r.y;
    P[2] = r.z;
}

// --- bilinear coordinates ------------------------------------------------------------

fcomplex invBilinear(fcomplex P, fcomplex A, fcomplex B, fcomplex C, fcomplex D) {
    const fcomplex e = Csub(B, A);
    const fcomplex f = Csub(D, A);
    const fcomplex g = Csub(Cadd(Csub(A, B), C), D);
    const fcomplex h = Csub(P, A);
    // v solves k2 v^2 + k1 v + k0 = 0.
    const double k2 = Ccross_product(g, f);
    const double k1 = Ccross_product(e, f) + Ccross_product(h, g);
    const double k0 = Ccross_product(h, e);
    const fcomplex none = {-1.0, -1.0};

    double roots[2];
    int n = 0;
    if (k2 == 0.0) {
        if (k1 == 0.0) return none;
        roots[n++] = -k0 / k1;
    } else {
        const double w = k1 * k1 - 4.0 * k0 * k2;
        if (w < 0.0) return none;
        // The cancellation-free pair of roots; it also behaves as k2 -> 0,
        // where one root runs off to infinity and the other tends to -k0/k1.
        const double q = -0.5 * (k1 + std::copysign(std::sqrt(w), k1));
        roots[n++] = q / k2;
        if (q != 0.0) roots[n++] = k0 / q;
    }

    fcomplex best = none;
    double best_miss = INFINITY;
    for (int i = 0; i < n; ++i) {
        const double v = roots[i];
        if (!std::isfinite(v)) continue;
        // u from h - v f = u (e + v g), by least squares so that no single
        // component of the edge has to be non-zero.
        const fcomplex side = Cadd(e, Cscale(g, v));
        const double len2 = Cdot_product(side, side);
        if (len2 == 0.0) continue;
        const double u = Cdot_product(Csub(h, Cscale(f, v)), side) / len2;
        const fcomplex uv = {u, v};
        if (bilinear_is_in_quad(uv)) return uv;
        const double miss = outside_by(u) + outside_by(v);
        if (miss < best_miss) {
            best_miss = miss;
            best = uv;
        }
    }
    return best;
}

triplex bilinears_to_point_in_polyface(const polyhedron* poly, int64_t f, int64_t k, double u, double v) {
    const PolyFace3D& face = poly->face3D[f];
    const int64_t n = face.count;
    triplex corner[4];
    for (int c = 0; c < 4; ++c) corner[c] = poly->coords3D[face.vertex[(k + c) % n]];
    return Tbilerp(u, v, corner[0], corner[1], corner[2], corner[3]);
}
