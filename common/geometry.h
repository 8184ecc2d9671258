// Plane, line and segment geometry in 2D and 3D: the plane record PLANED,
// point classification, plane–plane lines, classified segment crossings,
// point-to-segment distances, circles through three points, spins about an
// axis and the octant fold. Plain functions on caller-owned values.
//
// 3D points of the non-`T` forms are three doubles; 2D points of the forms
// without a suffix are two doubles (x, y); `C` forms take fcomplex, `CG`
// forms CGPoint.
#pragma once

#include <cstdint>

#include "common/complex.h"
#include "common/vectors.h"
#include "platform/cg_geometry.h"

// The plane a·x + b·y + c·z + d = 0 with its unit normal n (or (0, 0, 1) for
// a zero (a, b, c)), k = d / |(a, b, c)|, and an anchor point on the plane
// with anchorDot = anchor·n.
struct PLANED {
    double a, b, c, d;
    double k;
    double anchorDot;
    triplex n;
    triplex anchor;
};

struct point2D {
    double x, y;
    int64_t links[4];  // -1 when none
    uint8_t flag;
};

// A turn about an axis through a centre, then an affine map in rows of
// (three coefficients, translation), then four further values.
struct spintype {
    triplex centre;
    triplex axis;
    double angle;
    double matrix[12];
    double extra[4];
};

// Segment crossing outcomes.
enum {
    kSegmentsParallel = 0,
    kSegmentsCollinearApart = 1,
    kSegmentsCross = 2,
    kSegmentsCrossOutside = 3,
    kSegmentsOverlap = 4,
    kSegmentsNoProperCrossing = 5,
};

// Three doubles to and from a triplex; a unit vector, or (0, 0, 1) for zero.
inline triplex TriplexFromArray(const double* v) { return {v[0], v[1], v[2]}; }
inline void StoreTriplex(triplex t, double* out) {
    out[0] = t.x;
    out[1] = t.y;
    out[2] = t.z;
}
inline triplex TUnitOrZ(triplex v) {
    const double m = Tmagnitude(v);
    return m == 0.0 ? triplex {0, 0, 1} : Tscale(v, 1.0 / m);
}

PLANED* BuildPlane(PLANED* P, double a, double b, double c, double d);
void BuildPlaneFromPointAndDirection(const double* point, const double* dir, PLANED* P);
void BuildPlaneFromPointAndDirectionT(PLANED* P, triplex point, triplex dir);
// Normal (B − A) × (C − A), through B.
void BuildPlaneFromThreePoints(const double* A, const double* B, const double* C, PLANED* P);
void BuildPlaneFromThreePointsT(PLANED* P, triplex A, triplex B, triplex C);
// ray = origin (3) then unit direction (3).
void BuildRay(double* ray, const double* origin, const double* dir);
// 1 above the plane (beyond tol), -1 below, 0 on it.
int Classify_PointD(const PLANED* P, const double* p, double tol);
int Classify_PointDT(const PLANED* P, triplex p, double tol);
int Classify_PointD_giving_distance(const PLANED* P, const double* p, double* s, double tol);
// Mirror in the plane of P, whose (a, b, c) is taken as a unit normal.
void BuildReflectionMatrixFromPlane(const PLANED* P, double* M);
// The line common to two planes: out = point (3) then unit direction (3).
// Both return 0 on success and 1 for parallel planes.
int IntersectTwoPlanes_old_maybe_busted(const PLANED* P1, const PLANED* P2, double* out);
int IntersectTwoPlanes(const PLANED* P1, const PLANED* P2, double* out);
double TLengthOfProjectAOntoU(triplex A, triplex U);
fcomplex CProjectAOntoU(fcomplex A, fcomplex U);
double CLengthOfProjectAOntoU(fcomplex A, fcomplex U);

// Sign tells the side of line AB.
double linePointPosition2D(fcomplex P, fcomplex A, fcomplex B);
void classifyPointOnSideOfLine(double* e1, double* e2, double* e3, fcomplex P, fcomplex A, fcomplex B, fcomplex C);
bool onOpppositeSidesOfLine(fcomplex A, fcomplex B, fcomplex P, fcomplex Q);
void circleFrom3Points(fcomplex* centre, double* radius, fcomplex A, fcomplex B, fcomplex C);

// Segment AB against segment CD, classified by where the crossing lies on
// each segment whatever their orientation. point receives the crossing of
// the two lines when they cross, else A; overlap the share of AB that CD
// covers when they lie on one line. r is the crossing's parameter along AB.
int SegmentsIntersectC(fcomplex* point, double* overlap, fcomplex A, fcomplex B, fcomplex C, fcomplex D);
int SegmentsIntersectCG(CGPoint* point, double* overlap, CGPoint A, CGPoint B, CGPoint C, CGPoint D);
int SegmentsIntersect(const double* A, const double* B, const double* C, const double* D, double* point,
                      double* overlap);
int SegmentsIntersectYieldingABparameter(const double* A, const double* B, const double* C, const double* D,
                                         double* point, double* overlap, double* r);
int SegmentsIntersectYieldingABParameterCG(CGPoint* point, double* overlap, double* r, CGPoint A, CGPoint B,
                                           CGPoint C, CGPoint D);
// 2 for a crossing inside both segments (margin eps), else 5.
int SegmentsIntersect_simple(fcomplex A, fcomplex B, fcomplex C, fcomplex D, double eps);

// Distance from P to segment AB (clamp set) or its line, with the closest
// point and its parameter r along AB.
double DistanceFromPointToLineSegmentD_r(const double* A, const double* B, const double* P, double* closest,
                                         int clamp, double* r);
double DistanceFromPointToLineSegmentD(const double* A, const double* B, const double* P, double* closest,
                                       int clamp);
double DistanceFromPointToLineSegmentT(triplex* closest, int clamp, triplex A, triplex B, triplex P);
double DistanceFromPointToLineSegment3D(const double* A, const double* B, const double* P, int clamp, double eps);
double DistanceFromPointToLineSegmentCGPoint_r(CGPoint* closest, int clamp, double* r, CGPoint A, CGPoint B,
                                               CGPoint P);
double DistanceFromPointToLineSegmentCGPoint(CGPoint* closest, int clamp, CGPoint A, CGPoint B, CGPoint P);
double DistanceFromPointToLineSegmentC(fcomplex* closest, int clamp, fcomplex A, fcomplex B, fcomplex P);
double DistanceFromPointToLineSegment(const point2D* A, const point2D* B, const point2D* P, double* length,
                                      int clamp, double eps);
double DistanceFromPointToLineSegment_squared(const point2D* A, const point2D* B, const point2D* P,
                                              double* lengthSquared, int clamp, double eps);
CGPoint ClosestPointOnLineSegment(int clamp, CGPoint A, CGPoint B, CGPoint P, double eps);
CGPoint ClosestPointOnLineSegmentYieldingR(int clamp, float* r, CGPoint A, CGPoint B, CGPoint P, double eps);
double distanceBetweenCG(CGPoint A, CGPoint B);
CGPoint lerpCGPoint(double t, CGPoint A, CGPoint B);
CGPoint ReflectAroundLine(CGPoint A, CGPoint B, CGPoint P);
point2D point2D_from_fcomplex(fcomplex z);
point2D point2D_from_CGPoint(CGPoint p);
fcomplex fcomplex_from_point2D(const point2D& p);
CGPoint CGPoint_from_point2D(const point2D& p);

// Float vectors divided by their length (callers guarantee non-zero).
void normalize2(float* v);
void normalize3(float* v);
// In place; a zero vector becomes (0, 0, 1).
void NormalizeVector(float* v);
void NormalizeVectorSlowly(float* v);
void NormalizeVectorD(double* v);
void NormalizeVectorSlowlyD(double* v);
void NormalizeVectorSlowlyTriplex(triplex* v);
// Cosine of the angle at corner B.
double DotProductAround3DpointsD(const double* A, const double* B, const double* C);
double DotProductAround3DpointsT(triplex A, triplex B, triplex C);
void NormalizedCrossProductAround3DpointsD(const double* A, const double* B, const double* C, double* out);
void BuildScalingMatrix(triplex s, double* M);
void BuildTranslationMatrix(double* M, double tx, double ty, double tz);
void BuildBasisTransitionMatrix(double* M, triplex origin, triplex X, triplex Y, triplex Z);
triplex ChangeTheBasis(const double* M, triplex p);
triplex GetBasisOrigin(const double* M);
void BuildBasis(double* M, double x, double y, double z);
triplex MultiplyTriplexByMatrix(const double* M, triplex p);
// centre + (p − centre)·Q(axis, θ): clockwise seen from the tip of a unit axis.
triplex SpinPointAroundAxis(triplex centre, triplex axis, double theta, triplex p);
spintype GetSpintypeForIdentity();
// Folds (x, y) into 0 <= y <= x, recording the steps in flags (1, 2, 4).
void fold_octants(fcomplex* p, int* flags);
void unfold_octants(fcomplex* p, int flags);
