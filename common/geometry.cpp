#include "common/geometry.h"

#include <cmath>
#include <cstring>

#include "common/matrices.h"

namespace {

// A plane whose (a, b, c) is the unit normal n, anchored at `anchor`.
void PlaneThrough(PLANED* P, triplex n, triplex anchor) {
    P->a = n.x;
    P->b = n.y;
    P->c = n.z;
    P->d = -Tdot_product(n, anchor);
    P->k = P->d;
    P->n = n;
    P->anchor = anchor;
    P->anchorDot = Tdot_product(anchor, n);
}

}  // namespace

PLANED* BuildPlane(PLANED* P, double a, double b, double c, double d) {
    const double len = std::sqrt(a * a + b * b + c * c);
    P->a = a;
    P->b = b;
    P->c = c;
    P->d = d;
    // A zero normal has no offset to scale; it stands for the plane z = 0.
    P->k = len > 0 ? d / len : 0.0;
    P->n = len > 0 ? triplex {a / len, b / len, c / len} : triplex {0, 0, 1};
    P->anchor = Tscale(P->n, P->k);
    P->anchorDot = P->k * Tdot_product(P->n, P->n);
    return P;
}

void BuildPlaneFromPointAndDirectionT(PLANED* P, triplex point, triplex dir) {
    PlaneThrough(P, TUnitOrZ(dir), point);
}
void BuildPlaneFromPointAndDirection(const double* point, const double* dir, PLANED* P) {
    BuildPlaneFromPointAndDirectionT(P, TriplexFromArray(point), TriplexFromArray(dir));
}
void BuildPlaneFromThreePointsT(PLANED* P, triplex A, triplex B, triplex C) {
    PlaneThrough(P, TUnitOrZ(Tcross_product(Tsub(B, A), Tsub(C, A))), B);
}

int Classify_PointD_giving_distance(const PLANED* P, const double* p, double* s, double tol) {
    const double v = Tdot_product(P->n, TriplexFromArray(p)) + P->k;
    if (s) *s = v;
    return v > tol ? 1 : (v < -tol ? -1 : 0);
}

void circleFrom3Points(fcomplex* centre, double* radius, fcomplex A, fcomplex B, fcomplex C) {
    // Bisector of AB: points X with (X − mAB)·(B − A) = 0; likewise for BC.
    const fcomplex mAB = Cmidpoint(A, B), mBC = Cmidpoint(B, C);
    const fcomplex u = Csub(B, A), v = Csub(C, B);
    const double det = u.re * v.im - u.im * v.re;
    fcomplex c;
    if (std::fabs(det) <= 0.001)
        c = mAB;
    else {
        const double e1 = u.re * mAB.re + u.im * mAB.im, e2 = v.re * mBC.re + v.im * mBC.im;
        c = {(e1 * v.im - u.im * e2) / det, (u.re * e2 - e1 * v.re) / det};
    }
    *centre = c;
    *radius = Cdist(A, c);
}

triplex MultiplyTriplexByMatrix(const double* M, triplex p) {
    return {p.x * M[0] + p.y * M[4] + p.z * M[8], p.x * M[1] + p.y * M[5] + p.z * M[9],
            p.x * M[2] + p.y * M[6] + p.z * M[10]};
}

triplex SpinPointAroundAxis(triplex centre, triplex axis, double theta, triplex p) {
    double M[16];
    const double a[3] = {axis.x, axis.y, axis.z};
    MatrixFromAxisAngleD(a, M, theta);
    return Tadd(centre, MultiplyTriplexByMatrix(M, Tsub(p, centre)));
}
