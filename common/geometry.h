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
void BuildPlaneFromThreePointsT(PLANED* P, triplex A, triplex B, triplex C);
// 1 above the plane (beyond tol), -1 below, 0 on it.
int Classify_PointD_giving_distance(const PLANED* P, const double* p, double* s, double tol);

void circleFrom3Points(fcomplex* centre, double* radius, fcomplex A, fcomplex B, fcomplex C);

triplex MultiplyTriplexByMatrix(const double* M, triplex p);
// centre + (p − centre)·Q(axis, θ): clockwise seen from the tip of a unit axis.
triplex SpinPointAroundAxis(triplex centre, triplex axis, double theta, triplex p);
