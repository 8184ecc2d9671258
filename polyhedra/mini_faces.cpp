#include "polyhedra/mini_faces.h"

#include <cmath>
#include <vector>

#include "common/geometry.h"
#include "polyhedra/baby_csg.h"
#include "polyhedra/barycentrics.h"

namespace {

constexpr double kInsideLow = -0.0001, kInsideHigh = 1.0001;

fcomplex Lattice(int64_t a, int64_t b) { return fcomplex{double(a), double(b)}; }

fcomplex Combine(int64_t a, int64_t b, fcomplex u, fcomplex v) {
    return fcomplex{double(a) * u.re + double(b) * v.re, double(a) * u.im + double(b) * v.im};
}

triplex FaceVertex(const polyhedron* poly, int64_t f, int64_t k) {
    const PolyFace3D& face = poly->face3D[f];
    return poly->coords3D[face.vertex[((k % face.count) + face.count) % face.count]];
}

triplex FaceNormal(const polyhedron* poly, int64_t f) {
    const triplex a = FaceVertex(poly, f, 0), b = FaceVertex(poly, f, 1), c = FaceVertex(poly, f, 2);
    return Tnormalize(Tcross_product(Tsub(b, a), Tsub(c, a)));
}

// p turned about the line through `centre` along the unit axis by theta,
// right-handed.
triplex Turn(triplex centre, triplex axis, double theta, triplex p) {
    const triplex d = Tsub(p, centre);
    const double c = std::cos(theta), s = std::sin(theta);
    const triplex r = Tadd(Tadd(Tscale(d, c), Tscale(Tcross_product(axis, d), s)),
                           Tscale(axis, Tdot_product(axis, d) * (1 - c)));
    return Tadd(centre, r);
}

void DumpPoints(const triplex* q, int count, BabyCSG* csg) {
    if (!csg) return;
    const double merge2 = csg->options.mergeDistance * csg->options.mergeDistance;
    std::vector<triplex> list;
    for (int k = 0; k < count; ++k) {
        const triplex p = Tnormalize(q[k]);
        bool near = false;
        for (const triplex& r : list) {
            const triplex d = Tsub(p, r);
            if (Tdot_product(d, d) < merge2) near = true;
        }
        if (!near) list.push_back(p);
    }
    MaybeBuildCappingFace(csg, std::move(list));
}

}  // namespace

spunTriangle make_spun_triangle(int64_t a1, int64_t b1, int64_t a2, int64_t b2, int64_t a3, int64_t b3) {
    spunTriangle t{};
    t.a1 = a1;
    t.a2 = a2;
    t.a3 = a3;
    t.b1 = b1;
    t.b2 = b2;
    t.b3 = b3;
    t.u = fcomplex{1.0, 0.0};
    t.v = fcomplex{0.4999999999999999, 0.8660254037844387};
    t.P1 = Combine(a1, b1, t.u, t.v);
    t.P2 = Combine(a2, b2, t.u, t.v);
    t.P3 = Combine(a3, b3, t.u, t.v);
    return t;
}

spunQuad make_spun_Quad(int64_t x1, int64_t y1, int64_t x2, int64_t y2, int64_t x3, int64_t y3, int64_t x4,
                        int64_t y4) {
    return spunQuad{x1, x2, x3, x4, y1, y2, y3, y4};
}

bool MiniWeightIsInside(double w) { return w > kInsideLow && w < kInsideHigh; }

void SpunTriangleWeights(const spunTriangle& t, fcomplex p, double* w0, double* w1, double* w2) {
    const double ax = t.P1.re, ay = t.P1.im, bx = t.P2.re, by = t.P2.im, cx = t.P3.re, cy = t.P3.im;
    const double area2 = (bx - ax) * (cy - ay) - (cx - ax) * (by - ay);
    const double r = area2 != 0 ? 1.0 / area2 : 0.0;
    *w0 = ((bx - p.re) * (cy - p.im) - (cx - p.re) * (by - p.im)) * r;
    *w1 = ((cx - p.re) * (ay - p.im) - (ax - p.re) * (cy - p.im)) * r;
    *w2 = 1.0 - *w0 - *w1;
}

fcomplex SpunQuadCoordinates(const spunQuad& q, fcomplex p) {
    return invBilinear(p, Lattice(q.x1, q.y1), Lattice(q.x2, q.y2), Lattice(q.x3, q.y3), Lattice(q.x4, q.y4));
}

bool tooFar(fcomplex uv) { return uv.re < -0.9 || uv.im > 1.9 || uv.re > 1.9 || uv.im < -0.9; }

void dumpVertsFormingTriangularFaceIntoBabyCSG(triplex q0, triplex q1, triplex q2, BabyCSG* csg) {
    const triplex q[3] = {q0, q1, q2};
    DumpPoints(q, 3, csg);
}

void dumpVertsFormingQuadFaceIntoBabyCSG(triplex q0, triplex q1, triplex q2, triplex q3, BabyCSG* csg) {
    const triplex q[4] = {q0, q1, q2, q3};
    DumpPoints(q, 4, csg);
}

triplex FoldPointOverEdge(const polyhedron* poly, int64_t face, int64_t edge, triplex p) {
    const PolyFace3D& f = poly->face3D[face];
    const int64_t g = f.neighbour[edge];
    if (g < 0 || g >= poly->faceCount3D) return p;
    const triplex a = FaceVertex(poly, face, edge), b = FaceVertex(poly, face, edge + 1);
    const triplex axis = Tnormalize(Tsub(b, a));
    const triplex nA = FaceNormal(poly, face), nB = FaceNormal(poly, g);
    // The turn about the shared edge that carries this face's plane onto
    // the neighbour's (on the regular tetrahedron, arccos(-1/3)).
    const double theta = std::atan2(Tdot_product(Tcross_product(nA, nB), axis), Tdot_product(nA, nB));
    return Turn(a, axis, theta, p);
}

void attempt_one_mini_triangle(fcomplex p1, fcomplex p2, fcomplex p3, const polyhedron* poly, int64_t face,
                               const spunTriangle& t, BabyCSG* csg) {
    const fcomplex corners[3] = {p1, p2, p3};
    double w[3][3];
    bool inside[3];
    int count = 0;
    for (int k = 0; k < 3; ++k) {
        const fcomplex pos = Combine(int64_t(corners[k].re), int64_t(corners[k].im), t.u, t.v);
        SpunTriangleWeights(t, pos, &w[k][0], &w[k][1], &w[k][2]);
        inside[k] = MiniWeightIsInside(w[k][0]) && MiniWeightIsInside(w[k][1]) && MiniWeightIsInside(w[k][2]);
        count += inside[k];
    }
    if (count < 2) return;
    const triplex V0 = FaceVertex(poly, face, 0), V1 = FaceVertex(poly, face, 1), V2 = FaceVertex(poly, face, 2);
    triplex q[3];
    for (int k = 0; k < 3; ++k) {
        q[k] = Tadd(Tadd(Tscale(V0, w[k][0]), Tscale(V1, w[k][1])), Tscale(V2, w[k][2]));
        if (inside[k]) continue;
        int edge = 0;
        if (!MiniWeightIsInside(w[k][2]))
            edge = 0;
        else if (!MiniWeightIsInside(w[k][1]))
            edge = 2;
        else if (!MiniWeightIsInside(w[k][0]))
            edge = 1;
        q[k] = FoldPointOverEdge(poly, face, edge, q[k]);
    }
    dumpVertsFormingTriangularFaceIntoBabyCSG(q[0], q[1], q[2], csg);
}

void attemptSixMiniTriangles(int64_t i, int64_t j, const polyhedron* poly, int64_t face, const spunTriangle& t,
                             BabyCSG* csg) {
    static const int kRing[7][2] = {{1, -1}, {1, 0}, {0, 1}, {-1, 1}, {-1, 0}, {0, -1}, {1, -1}};
    const fcomplex centre = Lattice(i, j);
    for (int k = 0; k < 6; ++k)
        attempt_one_mini_triangle(centre, Lattice(i + kRing[k][0], j + kRing[k][1]),
                                  Lattice(i + kRing[k + 1][0], j + kRing[k + 1][1]), poly, face, t, csg);
}

int maybe_move_to_neighbor_face(fcomplex* uv, int64_t* face, int64_t* corner, const polyhedron* poly) {
    const PolyFace3D& f = poly->face3D[*face];
    const double u = uv->re, v = uv->im;
    int result = 0;
    fcomplex out = *uv;
    int64_t outFace = *face, outCorner = *corner;
    // Across edge i: the neighbour G, the corner g it stores for the shared
    // edge (its own edge number plus one) and its corner count n.
    auto across = [&](int edge, int64_t turn, int code, double du, double dv) {
        const int64_t G = f.neighbour[edge];
        if (G < 0 || G >= poly->faceCount3D) return;
        const int64_t n = poly->face3D[G].count, g = f.neighbourEdge[edge];
        const int64_t own = (g + n - 1) % n;  // G's number for the shared edge
        outFace = G;
        outCorner = ((own + turn) % n + n) % n;
        out = fcomplex{u + du, v + dv};
        result = code;
    };
    if (u >= 1.0001 && !(u <= -0.0001)) across(1, 1, 1, -1, 0);
    if (u <= -0.0001) across(3, -1, 2, 1, 0);
    if (v >= 1.0001 && !(v <= -0.0001)) across(2, 0, 3, 0, -1);
    if (v <= -0.0001) across(0, 2, 4, 0, 1);
    if (result) {
        // A later hit replaces an earlier one; only the coordinate that
        // crossed moves, so a corner exactly on a line keeps its place.
        if (result == 3 || result == 4) out.re = u;
        if (result == 1 || result == 2) out.im = v;
        *uv = out;
        *face = outFace;
        *corner = outCorner;
    }
    return result;
}

void attempt_one_miniquad(fcomplex p1, fcomplex p2, fcomplex p3, fcomplex p4, const polyhedron* poly, int64_t face,
                          const spunQuad& sq, BabyCSG* csg) {
    const fcomplex corners[4] = {p1, p2, p3, p4};
    fcomplex uv[4];
    int count = 0;
    bool far = false;
    for (int k = 0; k < 4; ++k) {
        uv[k] = SpunQuadCoordinates(sq, corners[k]);
        count += MiniWeightIsInside(uv[k].re) && MiniWeightIsInside(uv[k].im);
        far = far || tooFar(uv[k]);
    }
    if (count < 2) return;
    triplex q[4];
    if (count == 4) {
        const triplex V0 = FaceVertex(poly, face, 0), V1 = FaceVertex(poly, face, 1), V2 = FaceVertex(poly, face, 2),
                      V3 = FaceVertex(poly, face, 3);
        for (int k = 0; k < 4; ++k) q[k] = Tbilerp(uv[k].re, uv[k].im, V0, V1, V2, V3);
    } else {
        if (far) return;
        for (int k = 0; k < 4; ++k) {
            int64_t f = face, c = 0;
            maybe_move_to_neighbor_face(&uv[k], &f, &c, poly);
            q[k] = bilinears_to_point_in_polyface(poly, f, c, uv[k].re, uv[k].im);
        }
    }
    dumpVertsFormingQuadFaceIntoBabyCSG(q[0], q[1], q[2], q[3], csg);
}

void attemptFourMiniQuads(int64_t i, int64_t j, const polyhedron* poly, int64_t face, const spunQuad& q,
                          BabyCSG* csg) {
    // The quads about (i, j), a quarter turn apart: each spans one step along
    // the ring and the next.
    static const int kRing[5][2] = {{1, 0}, {0, 1}, {-1, 0}, {0, -1}, {1, 0}};
    const fcomplex centre = Lattice(i, j);
    for (int k = 0; k < 4; ++k) {
        const int64_t ax = kRing[k][0], ay = kRing[k][1], bx = kRing[k + 1][0], by = kRing[k + 1][1];
        attempt_one_miniquad(centre, Lattice(i + ax, j + ay), Lattice(i + ax + bx, j + ay + by),
                             Lattice(i + bx, j + by), poly, face, q, csg);
    }
}

void make_miniquad(triplex q0, triplex q1, triplex q2, triplex q3, int64_t k, int64_t s, int64_t c, BabyCSG* csg) {
    if (k < 1) return;
    const double t0 = double(s) / double(k), t1 = double(s + 1) / double(k);
    const double w0 = double(c) / double(k), w1 = double(c + 1) / double(k);
    dumpVertsFormingQuadFaceIntoBabyCSG(Tbilerp(t0, w0, q0, q1, q2, q3), Tbilerp(t1, w0, q0, q1, q2, q3),
                                        Tbilerp(t1, w1, q0, q1, q2, q3), Tbilerp(t0, w1, q0, q1, q2, q3), csg);
}
