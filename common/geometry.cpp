#include "common/geometry.h"

#include <cmath>
#include <cstring>

#include "common/matrices.h"

namespace {

double Cross2(fcomplex a, fcomplex b) { return a.re * b.im - a.im * b.re; }
fcomplex FromCG(CGPoint p) { return {p.x, p.y}; }
CGPoint ToCG(fcomplex z) { return {z.re, z.im}; }
fcomplex From2(const double* p) { return {p[0], p[1]}; }

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
void BuildPlaneFromThreePoints(const double* A, const double* B, const double* C, PLANED* P) {
    BuildPlaneFromThreePointsT(P, TriplexFromArray(A), TriplexFromArray(B), TriplexFromArray(C));
}

void BuildRay(double* ray, const double* origin, const double* dir) {
    const triplex o = TriplexFromArray(origin), d = TUnitOrZ(TriplexFromArray(dir));
    StoreTriplex(o, ray);
    StoreTriplex(d, ray + 3);
}

int Classify_PointD_giving_distance(const PLANED* P, const double* p, double* s, double tol) {
    const double v = Tdot_product(P->n, TriplexFromArray(p)) + P->k;
    if (s) *s = v;
    return v > tol ? 1 : (v < -tol ? -1 : 0);
}
int Classify_PointD(const PLANED* P, const double* p, double tol) {
    return Classify_PointD_giving_distance(P, p, nullptr, tol);
}
int Classify_PointDT(const PLANED* P, triplex p, double tol) {
    const double v[3] = {p.x, p.y, p.z};
    return Classify_PointD_giving_distance(P, v, nullptr, tol);
}

// The mirror x' = x − 2(n·x + d)n of the plane n·x + d = 0. The translation
// is −2d·n, so points of the plane stay where they are.
void BuildReflectionMatrixFromPlane(const PLANED* P, double* M) {
    const double a = P->a, b = P->b, c = P->c, d = P->d;
    const double r[16] = {1 - 2 * a * a, -2 * a * b,    -2 * a * c,    -2 * a * d,
                          -2 * a * b,    1 - 2 * b * b, -2 * b * c,    -2 * b * d,
                          -2 * a * c,    -2 * b * c,    1 - 2 * c * c, -2 * c * d,
                          0,             0,             0,             1};
    std::memcpy(M, r, sizeof r);
}

int IntersectTwoPlanes_old_maybe_busted(const PLANED* P1, const PLANED* P2, double* out) {
    const triplex N1 = P1->n, N2 = P2->n;
    const double k1 = -P1->k, k2 = -P2->k;
    // The line's point where it crosses z = 0, y = 0 or x = 0: whichever of
    // the three 2×2 systems is best conditioned. A line that runs (nearly)
    // parallel to one of those planes would cross it far away, or, with a
    // determinant that is only rounding noise, at a point on neither plane.
    const double dz = N1.x * N2.y - N1.y * N2.x, dy = N1.x * N2.z - N1.z * N2.x, dx = N1.y * N2.z - N1.z * N2.y;
    const double az = std::fabs(dz), ay = std::fabs(dy), ax = std::fabs(dx);
    double x = 0, y = 0, z = 0;
    if (az == 0 && ay == 0 && ax == 0) return 1;
    if (az >= ay && az >= ax) {
        x = (k1 * N2.y - N1.y * k2) / dz;
        y = (N1.x * k2 - k1 * N2.x) / dz;
    } else if (ay >= ax) {
        x = (k1 * N2.z - N1.z * k2) / dy;
        z = (N1.x * k2 - k1 * N2.x) / dy;
    } else {
        y = (k1 * N2.z - N1.z * k2) / dx;
        z = (N1.y * k2 - k1 * N2.y) / dx;
    }
    StoreTriplex({x, y, z}, out);
    StoreTriplex(TUnitOrZ(Tcross_product(N1, N2)), out + 3);
    return 0;
}

int IntersectTwoPlanes(const PLANED* P1, const PLANED* P2, double* out) {
    const triplex N1 = P1->n, N2 = P2->n;
    const triplex u = Tcross_product(N1, N2), w = Tcross_product(N2, u);
    const double denom = Tdot_product(N1, w);
    if (std::fabs(denom) <= 1e-6) return 1;
    const double t = Tdot_product(N1, Tsub(P1->anchor, P2->anchor)) / denom;
    StoreTriplex(Tadd(P2->anchor, Tscale(w, t)), out);
    StoreTriplex(TUnitOrZ(u), out + 3);
    return 0;
}

double TLengthOfProjectAOntoU(triplex A, triplex U) {
    const double uu = Tdot_product(U, U);
    if (uu <= 0) return 0;
    return std::fabs(Tdot_product(A, U)) / std::sqrt(uu);
}
fcomplex CProjectAOntoU(fcomplex A, fcomplex U) {
    const double uu = U.re * U.re + U.im * U.im;
    if (uu <= 0) return {0, 0};
    const double s = (A.re * U.re + A.im * U.im) / uu;
    return {U.re * s, U.im * s};
}
double CLengthOfProjectAOntoU(fcomplex A, fcomplex U) {
    const fcomplex p = CProjectAOntoU(A, U);
    return std::sqrt(p.re * p.re + p.im * p.im);
}

double linePointPosition2D(fcomplex P, fcomplex A, fcomplex B) { return Cross2(Csub(P, B), Csub(A, B)); }

void classifyPointOnSideOfLine(double* e1, double* e2, double* e3, fcomplex P, fcomplex A, fcomplex B, fcomplex C) {
    *e1 = Cross2(Csub(B, P), Csub(C, P));
    *e2 = Cross2(Csub(C, P), Csub(A, P));
    *e3 = Cross2(Csub(A, P), Csub(B, P));
}

bool onOpppositeSidesOfLine(fcomplex A, fcomplex B, fcomplex P, fcomplex Q) {
    const float sp = static_cast<float>(linePointPosition2D(P, A, B));
    const float sq = static_cast<float>(linePointPosition2D(Q, A, B));
    return (sp > 0 && sq < 0) || (sp < 0 && sq > 0);
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

// Classification shared by every segment form. The crossing's parameters are
// r along AB and s along CD; a crossing counts as inside when both lie within
// [0.001, 0.999], whatever the sign of the denominator.
static int ClassifySegments(fcomplex A, fcomplex B, fcomplex C, fcomplex D, fcomplex* point, double* overlap,
                            double* rOut) {
    const double denom = (B.re - A.re) * (D.im - C.im) - (D.re - C.re) * (B.im - A.im);
    const double numA = (A.im - C.im) * (D.re - C.re) - (D.im - C.im) * (A.re - C.re);
    const double numB = (A.im - C.im) * (B.re - A.re) - (B.im - A.im) * (A.re - C.re);
    *overlap = 0;
    if (rOut) *rOut = 0;
    if (denom <= -0.001 || denom >= 0.001) {
        const double r = numA / denom, s = numB / denom;
        *point = Cadd(A, Cscale(Csub(B, A), r));
        if (rOut) *rOut = r;
        const bool inside = r >= 0.001 && r <= 0.999 && s >= 0.001 && s <= 0.999;
        return inside ? kSegmentsCross : kSegmentsCrossOutside;
    }
    *point = A;
    if (numA <= -0.001 || numA >= 0.001) return kSegmentsParallel;
    // On one line: measure along AB's longer axis, so steep and vertical
    // segments are measured as well as flat ones.
    const bool alongY = std::fabs(A.im - B.im) > std::fabs(A.re - B.re);
    const double a0 = alongY ? A.im : A.re, a1 = alongY ? B.im : B.re;
    const double c0 = alongY ? C.im : C.re, c1 = alongY ? D.im : D.re;
    const double amin = std::fmin(a0, a1), amax = std::fmax(a0, a1);
    const double cmin = std::fmin(c0, c1), cmax = std::fmax(c0, c1);
    if (amax <= amin || cmax < amin || cmin > amax) return kSegmentsCollinearApart;
    *overlap = (std::fmin(amax, cmax) - std::fmax(amin, cmin)) / (amax - amin);
    return kSegmentsOverlap;
}

int SegmentsIntersectC(fcomplex* point, double* overlap, fcomplex A, fcomplex B, fcomplex C, fcomplex D) {
    fcomplex p;
    double o;
    const int code = ClassifySegments(A, B, C, D, &p, &o, nullptr);
    if (point) *point = p;
    if (overlap) *overlap = o;
    return code;
}

int SegmentsIntersectYieldingABParameterCG(CGPoint* point, double* overlap, double* r, CGPoint A, CGPoint B,
                                           CGPoint C, CGPoint D) {
    fcomplex p;
    double o;
    const int code = ClassifySegments(FromCG(A), FromCG(B), FromCG(C), FromCG(D), &p, &o, r);
    if (point) *point = ToCG(p);
    if (overlap) *overlap = o;
    return code;
}

int SegmentsIntersectCG(CGPoint* point, double* overlap, CGPoint A, CGPoint B, CGPoint C, CGPoint D) {
    return SegmentsIntersectYieldingABParameterCG(point, overlap, nullptr, A, B, C, D);
}

int SegmentsIntersectYieldingABparameter(const double* A, const double* B, const double* C, const double* D,
                                         double* point, double* overlap, double* r) {
    fcomplex p;
    double o;
    const int code = ClassifySegments(From2(A), From2(B), From2(C), From2(D), &p, &o, r);
    if (point) point[0] = p.re, point[1] = p.im;
    if (overlap) *overlap = o;
    return code;
}

int SegmentsIntersect(const double* A, const double* B, const double* C, const double* D, double* point,
                      double* overlap) {
    return SegmentsIntersectYieldingABparameter(A, B, C, D, point, overlap, nullptr);
}

int SegmentsIntersect_simple(fcomplex A, fcomplex B, fcomplex C, fcomplex D, double eps) {
    const double denom = (B.re - A.re) * (D.im - C.im) - (D.re - C.re) * (B.im - A.im);
    if (!(std::fabs(denom) >= eps)) return kSegmentsNoProperCrossing;
    const double numA = (A.im - C.im) * (D.re - C.re) - (D.im - C.im) * (A.re - C.re);
    const double numB = (A.im - C.im) * (B.re - A.re) - (B.im - A.im) * (A.re - C.re);
    const double r = numA / denom, s = numB / denom;
    const bool inside = r >= eps && r <= 1 - eps && s >= eps && s <= 1 - eps;
    return inside ? kSegmentsCross : kSegmentsNoProperCrossing;
}

// Closest point on AB to P, shared by every distance form: r is clamped to
// [0, 1] beyond the thresholds lo and hi when clamp is set.
static triplex ClosestOnSegment(triplex A, triplex B, triplex P, int clamp, double lo, double hi, double* rOut) {
    const triplex AB = Tsub(B, A);
    const double len2 = Tdot_product(AB, AB);
    double r = 0;
    if (len2 != 0) {
        r = Tdot_product(Tsub(P, A), AB) / len2;
        if (clamp) {
            if (r < lo) r = 0;
            if (r > hi) r = 1;
        }
    }
    if (rOut) *rOut = r;
    return len2 == 0 ? A : Tadd(A, Tscale(AB, r));
}

constexpr double kClampLow = 1e-8, kClampHigh = 0.99999999;

double DistanceFromPointToLineSegmentD_r(const double* A, const double* B, const double* P, double* closest,
                                         int clamp, double* r) {
    const triplex c = ClosestOnSegment(TriplexFromArray(A), TriplexFromArray(B), TriplexFromArray(P), clamp, kClampLow, kClampHigh, r);
    if (closest) StoreTriplex(c, closest);
    return Tdistance(TriplexFromArray(P), c);
}
double DistanceFromPointToLineSegmentD(const double* A, const double* B, const double* P, double* closest,
                                       int clamp) {
    return DistanceFromPointToLineSegmentD_r(A, B, P, closest, clamp, nullptr);
}
double DistanceFromPointToLineSegmentT(triplex* closest, int clamp, triplex A, triplex B, triplex P) {
    const triplex c = ClosestOnSegment(A, B, P, clamp, kClampLow, kClampHigh, nullptr);
    if (closest) *closest = c;
    return Tdistance(P, c);
}
double DistanceFromPointToLineSegment3D(const double* A, const double* B, const double* P, int clamp, double eps) {
    return Tdistance(TriplexFromArray(P), ClosestOnSegment(TriplexFromArray(A), TriplexFromArray(B), TriplexFromArray(P), clamp, eps, 1 - eps, nullptr));
}

static triplex T2(double x, double y) { return {x, y, 0}; }

double DistanceFromPointToLineSegmentCGPoint_r(CGPoint* closest, int clamp, double* r, CGPoint A, CGPoint B,
                                               CGPoint P) {
    const triplex c = ClosestOnSegment(T2(A.x, A.y), T2(B.x, B.y), T2(P.x, P.y), clamp, kClampLow, kClampHigh, r);
    if (closest) *closest = {c.x, c.y};
    return Tdistance(T2(P.x, P.y), c);
}
double DistanceFromPointToLineSegmentCGPoint(CGPoint* closest, int clamp, CGPoint A, CGPoint B, CGPoint P) {
    return DistanceFromPointToLineSegmentCGPoint_r(closest, clamp, nullptr, A, B, P);
}
double DistanceFromPointToLineSegmentC(fcomplex* closest, int clamp, fcomplex A, fcomplex B, fcomplex P) {
    CGPoint c;
    const double d = DistanceFromPointToLineSegmentCGPoint(&c, clamp, ToCG(A), ToCG(B), ToCG(P));
    if (closest) *closest = FromCG(c);
    return d;
}

double DistanceFromPointToLineSegment_squared(const point2D* A, const point2D* B, const point2D* P,
                                              double* lengthSquared, int clamp, double eps) {
    const triplex a = T2(A->x, A->y), b = T2(B->x, B->y), p = T2(P->x, P->y);
    const triplex c = ClosestOnSegment(a, b, p, clamp, eps, 1 - eps, nullptr);
    if (lengthSquared) *lengthSquared = Tdot_product(Tsub(b, a), Tsub(b, a));
    return Tdot_product(Tsub(p, c), Tsub(p, c));
}
double DistanceFromPointToLineSegment(const point2D* A, const point2D* B, const point2D* P, double* length,
                                      int clamp, double eps) {
    double len2;
    const double d2 = DistanceFromPointToLineSegment_squared(A, B, P, &len2, clamp, eps);
    if (length) *length = std::sqrt(len2);
    return std::sqrt(d2);
}

CGPoint ClosestPointOnLineSegmentYieldingR(int clamp, float* r, CGPoint A, CGPoint B, CGPoint P, double eps) {
    double rr;
    const triplex c = ClosestOnSegment(T2(A.x, A.y), T2(B.x, B.y), T2(P.x, P.y), clamp, eps, 1 - eps, &rr);
    if (r) *r = static_cast<float>(rr);
    return {c.x, c.y};
}
CGPoint ClosestPointOnLineSegment(int clamp, CGPoint A, CGPoint B, CGPoint P, double eps) {
    return ClosestPointOnLineSegmentYieldingR(clamp, nullptr, A, B, P, eps);
}

double distanceBetweenCG(CGPoint A, CGPoint B) {
    const float dx = static_cast<float>(A.x - B.x), dy = static_cast<float>(A.y - B.y);
    return std::sqrt(dx * dx + dy * dy);
}
CGPoint lerpCGPoint(double t, CGPoint A, CGPoint B) { return {A.x + t * (B.x - A.x), A.y + t * (B.y - A.y)}; }

CGPoint ReflectAroundLine(CGPoint A, CGPoint B, CGPoint P) {
    const double ux = B.x - A.x, uy = B.y - A.y, px = P.x - A.x, py = P.y - A.y;
    const double uu = ux * ux + uy * uy;
    if (uu == 0) return {2 * A.x - P.x, 2 * A.y - P.y};  // no line: mirror in the point
    const double s = 2 * (px * ux + py * uy) / uu;
    return {A.x + s * ux - px, A.y + s * uy - py};
}

point2D point2D_from_fcomplex(fcomplex z) { return {z.re, z.im, {-1, -1, -1, -1}, 0}; }
point2D point2D_from_CGPoint(CGPoint p) { return {p.x, p.y, {-1, -1, -1, -1}, 0}; }
fcomplex fcomplex_from_point2D(const point2D& p) { return {p.x, p.y}; }
CGPoint CGPoint_from_point2D(const point2D& p) { return {p.x, p.y}; }

void normalize2(float* v) {
    const float m = std::sqrt(v[0] * v[0] + v[1] * v[1]);
    v[0] /= m;
    v[1] /= m;
}
void normalize3(float* v) {
    const float m = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    v[0] /= m;
    v[1] /= m;
    v[2] /= m;
}
void NormalizeVector(float* v) {
    const triplex u = TUnitOrZ({v[0], v[1], v[2]});
    v[0] = static_cast<float>(u.x);
    v[1] = static_cast<float>(u.y);
    v[2] = static_cast<float>(u.z);
}
void NormalizeVectorSlowly(float* v) { NormalizeVector(v); }
void NormalizeVectorD(double* v) { StoreTriplex(TUnitOrZ(TriplexFromArray(v)), v); }
void NormalizeVectorSlowlyD(double* v) { NormalizeVectorD(v); }
void NormalizeVectorSlowlyTriplex(triplex* v) { *v = TUnitOrZ(*v); }

double DotProductAround3DpointsT(triplex A, triplex B, triplex C) {
    return Tdot_product(TUnitOrZ(Tsub(B, A)), TUnitOrZ(Tsub(B, C)));
}
double DotProductAround3DpointsD(const double* A, const double* B, const double* C) {
    return DotProductAround3DpointsT(TriplexFromArray(A), TriplexFromArray(B), TriplexFromArray(C));
}
void NormalizedCrossProductAround3DpointsD(const double* A, const double* B, const double* C, double* out) {
    StoreTriplex(Tcross_product(TUnitOrZ(Tsub(TriplexFromArray(B), TriplexFromArray(A))), TUnitOrZ(Tsub(TriplexFromArray(B), TriplexFromArray(C)))), out);
}

void BuildScalingMatrix(triplex s, double* M) {
    MatrixForIdentitySpin(M);
    M[0] = s.x;
    M[5] = s.y;
    M[10] = s.z;
}
void BuildTranslationMatrix(double* M, double tx, double ty, double tz) {
    MatrixForIdentitySpin(M);
    M[3] = tx;
    M[7] = ty;
    M[11] = tz;
}
void BuildBasisTransitionMatrix(double* M, triplex origin, triplex X, triplex Y, triplex Z) {
    const double r[16] = {X.x, Y.x, Z.x, origin.x, X.y, Y.y, Z.y, origin.y,
                          X.z, Y.z, Z.z, origin.z, 0,   0,   0,   1};
    std::memcpy(M, r, sizeof r);
}
triplex ChangeTheBasis(const double* M, triplex p) { return Multiply4x4byTriplex(M, p); }
triplex GetBasisOrigin(const double* M) { return {M[3], M[7], M[11]}; }

void BuildBasis(double* M, double x, double y, double z) {
    const double test = z * (y * z + x * x) + x * (x * y - z * z) - y * (-y * y - z * x);
    triplex c2 = {x, z, -y};
    if (test < 0) c2 = {-x, -z, y};
    const double r[16] = {x, y, c2.x, 0, y, -x, c2.y, 0, z, z, c2.z, 0, 0, 0, 0, 0};
    std::memcpy(M, r, sizeof r);
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

spintype GetSpintypeForIdentity() {
    spintype s {};
    s.axis = {1, 0, 0};
    s.matrix[0] = s.matrix[5] = s.matrix[10] = 1;
    s.extra[3] = 1;
    return s;
}

void fold_octants(fcomplex* p, int* flags) {
    *flags = 0;
    if (p->re < 0) p->re = -p->re, *flags |= 1;
    if (p->im < 0) p->im = -p->im, *flags |= 2;
    if (p->im > p->re) {
        const double t = p->re;
        p->re = p->im;
        p->im = t;
        *flags |= 4;
    }
}
void unfold_octants(fcomplex* p, int flags) {
    if (flags & 4) {
        const double t = p->re;
        p->re = p->im;
        p->im = t;
    }
    if (flags & 2) p->im = -p->im;
    if (flags & 1) p->re = -p->re;
}
