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

// The three sub-areas opposite each corner, as seen from P.
inline void sub_areas(double* a1, double* a2, double* a3, fcomplex P, fcomplex P1, fcomplex P2, fcomplex P3) {
    *a1 = (P2.re - P.re) * (P3.im - P.im) - (P2.im - P.im) * (P3.re - P.re);
    *a2 = (P3.re - P.re) * (P1.im - P.im) - (P3.im - P.im) * (P1.re - P.re);
    *a3 = (P1.re - P.re) * (P2.im - P.im) - (P1.im - P.im) * (P2.re - P.re);
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

void XY_and_3points_to_barycentrics(double* b1, double* b2, double* b3, fcomplex P, fcomplex P1,
                                    fcomplex P2, fcomplex P3) {
    const double inv = 1.0 / doubled_area(P1.re, P1.im, P2.re, P2.im, P3.re, P3.im);
    double a1, a2, a3;
    sub_areas(&a1, &a2, &a3, P, P1, P2, P3);
    *b1 = a1 * inv;
    *b2 = a2 * inv;
    *b3 = a3 * inv;
}

void XY_and_3points_to_barycentrics_CG(double* b1, double* b2, double* b3, CGPoint P, CGPoint P1,
                                       CGPoint P2, CGPoint P3) {
    XY_and_3points_to_barycentrics(b1, b2, b3, ComplexFromCGPoint(P), ComplexFromCGPoint(P1),
                                   ComplexFromCGPoint(P2), ComplexFromCGPoint(P3));
}

void XY_and_3points_to_barycentricsT(double* b, triplex P, triplex P1, triplex P2, triplex P3) {
    XY_and_3points_to_barycentrics(&b[0], &b[1], &b[2], CFromT(P), CFromT(P1), CFromT(P2), CFromT(P3));
}

int complex_and_3_points_to_barycentrics(double* b1, double* b2, double* b3, int check, fcomplex P,
                                         fcomplex P1, fcomplex P2, fcomplex P3) {
    const double D = doubled_area(P1.re, P1.im, P2.re, P2.im, P3.re, P3.im);
    if (D == 0.0) {
        // No barycentrics exist; NaNs would pass every "not below" test.
        *b1 = *b2 = *b3 = 0.0;
        return 0;
    }
    double a1, a2, a3;
    sub_areas(&a1, &a2, &a3, P, P1, P2, P3);
    *b1 = a1 / D;
    *b2 = a2 / D;
    *b3 = a3 / D;
    if (check == 0) return 1;
    if (*b1 < -kTriangleSearchSlack) return 0;
    if (*b2 < -kTriangleSearchSlack) return 0;
    if (*b3 < -kTriangleSearchSlack) return 0;
    return 1;
}

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

bool iso_in_triangle(int64_t i, int64_t j, const TriangleLattice* lattice, fcomplex* P, double* b) {
    *P = Cadd(Cscale(lattice->E1, static_cast<double>(i)), Cscale(lattice->E2, static_cast<double>(j)));
    XY_and_3points_to_barycentrics(&b[0], &b[1], &b[2], *P, lattice->corner[0], lattice->corner[1],
                                   lattice->corner[2]);
    return bary_is_inside(b[0], b[1], b[2]);
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

void Get3DPointFromFaceAndBarysF(int64_t t, float* P, const polyhedron* poly, double b1, double b2,
                                 double b3) {
    double d[3];
    Get3DPointFromFaceAndBarys(t, d, poly, b1, b2, b3);
    for (int i = 0; i < 3; ++i) P[i] = static_cast<float>(d[i]);
}

triplex barys_to_point_in_polyface(const polyhedron* poly, int64_t f, double b1, double b2, double b3) {
    const PolyFace3D& face = poly->face3D[f];
    return barycentric_weighted(b1, b2, b3, poly->coords3D[face.vertex[0]], poly->coords3D[face.vertex[1]],
                                poly->coords3D[face.vertex[2]]);
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

bool cartesian_in_quad(int64_t i, int64_t j, const int64_t* quad, fcomplex* P, fcomplex* uv) {
    *P = {static_cast<double>(i), static_cast<double>(j)};
    fcomplex corner[4];
    for (int c = 0; c < 4; ++c) corner[c] = {static_cast<double>(quad[c]), static_cast<double>(quad[4 + c])};
    *uv = invBilinear(*P, corner[0], corner[1], corner[2], corner[3]);
    return bilinear_is_in_quad(*uv);
}

triplex bilinears_to_point_in_polyface(const polyhedron* poly, int64_t f, int64_t k, double u, double v) {
    const PolyFace3D& face = poly->face3D[f];
    const int64_t n = face.count;
    triplex corner[4];
    for (int c = 0; c < 4; ++c) corner[c] = poly->coords3D[face.vertex[(k + c) % n]];
    return Tbilerp(u, v, corner[0], corner[1], corner[2], corner[3]);
}

void find_u_in_quadrilateral_precalculables(double* a, double* b, double* k, fcomplex P00, fcomplex P10,
                                            fcomplex P01, fcomplex P11) {
    *a = Ccross_product(Csub(P10, P00), Csub(P11, P01));
    *b = Ccross_product(P10, P01) + Ccross_product(P00, P11) - 2.0 * Ccross_product(P00, P01);
    *k = *a == 0.0 ? 1.0 : 0.5 / *a;
}

namespace {

// How badly the root u of the patch P00, P10, P01, P11 places P: its distance
// from the line of the patch at u (over the patch's size), plus how far u and
// the position along that line lie outside [0, 1]. A root that collapses the
// line to a point where two corners coincide leaves the distance to that
// point; a true root leaves 0, or only the outside part for a point beyond
// the patch.
double root_misfit(double u, fcomplex P00, fcomplex P10, fcomplex P01, fcomplex P11, fcomplex P) {
    if (!std::isfinite(u)) return INFINITY;
    const fcomplex E0 = Cadd(P00, Cscale(Csub(P10, P00), u));
    const fcomplex E1 = Cadd(P01, Cscale(Csub(P11, P01), u));
    const fcomplex side = Csub(E1, E0), h = Csub(P, E0);
    const double len2 = Cdot_product(side, side);
    const double t = len2 > 0.0 ? Cdot_product(h, side) / len2 : 0.0;
    const fcomplex miss = Csub(h, Cscale(side, t));
    const fcomplex diagonal = Csub(P11, P00), other = Csub(P10, P01);
    const double size2 = std::max(Cdot_product(diagonal, diagonal), Cdot_product(other, other));
    const double distance = size2 > 0.0 ? std::sqrt(Cdot_product(miss, miss) / size2) : 0.0;
    return distance + outside_by(u) + outside_by(t);
}

}  // namespace

double find_u_in_quadrilateral(fcomplex P00, fcomplex P10, fcomplex P01, fcomplex P11, fcomplex P,
                               double a, double b, double k) {
    const double B = b + P.re * (P10.im + P01.im - P00.im - P11.im) + P.im * (P00.re + P11.re - P10.re - P01.re);
    const double C = Ccross_product(Csub(P00, P), Csub(P01, P));
    if (a == 0.0) return B == 0.0 ? -1.0 : -C / B;
    const double w = B * B - 4.0 * a * C;
    if (w < 0.0) return -1.0;
    // The roots in cancellation-free form. Either may be the one inside: which
    // depends on the orientation of the quadrilateral, and where two corners
    // coincide the other root collapses the patch onto them. The root that
    // puts the point back where it is wins.
    (void)k;
    const double q = -0.5 * (B + std::copysign(std::sqrt(w), B));
    const double by_q = q == 0.0 ? -1.0 : C / q;
    const double u1 = B >= 0.0 ? by_q : q / a;
    const double u2 = B >= 0.0 ? q / a : by_q;
    const double m1 = root_misfit(u1, P00, P10, P01, P11, P), m2 = root_misfit(u2, P00, P10, P01, P11, P);
    return m2 < m1 ? u2 : u1;
}

void GetUVInQuadrilateralPrecalc(fcomplex A, fcomplex B, fcomplex C, fcomplex D, QuadUVCoefficients* c) {
    find_u_in_quadrilateral_precalculables(&c->au, &c->bu, &c->ku, A, B, D, C);
    find_u_in_quadrilateral_precalculables(&c->av, &c->bv, &c->kv, B, C, A, D);
}

void GetUVInQuadrilateral(fcomplex A, fcomplex B, fcomplex C, fcomplex D, fcomplex P, fcomplex* uv,
                          const QuadUVCoefficients* c) {
    uv->re = find_u_in_quadrilateral(A, B, D, C, P, c->au, c->bu, c->ku);
    uv->im = find_u_in_quadrilateral(B, C, A, D, P, c->av, c->bv, c->kv);
}
