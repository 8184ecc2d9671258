// Conformal building blocks on the unit sphere: stereographic projection and
// its inverse (pole at -z, plane coordinates negated), the substitution of a
// sphere segment through a complex power, disc automorphisms, circle
// inversion, small plane turns and nearest-vertex choices. Points are three
// doubles unless the name says otherwise.
#pragma once

#include "common/disc_moves.h"

// (-x, -y)/(z + 1); at the pole (0, 0, -1) writes (0, 0) and returns 1.
int StereographicForward_NiceD(const double p[3], double out[2]);
// The inverse of the forward map above.
void StereoIntersect_NiceD(double out[3], double X, double Y);
// The ray from (0, 0, -1) through the plane point, cut with the sphere.
void StereoIntersect(float out[3], float X, float Y);
void StereoIntersectD(double out[3], double X, double Y);
// The ray from (0, 0, h) along (-X, -Y, 1 - h), cut with the sphere.
void StereoIntersectCore(float out[3], float X, float Y, float h);
void StereoIntersectCoreD(double out[3], double X, double Y, double h);

// Re-maps the direction through the power 1/n of its stereographic
// coordinate seen from the y pole on its far side: n = 2 folds the sphere
// into a lune of half the angle, n = 0.5 opens a half onto the whole sphere.
// Sets *outside (never clears it) for points outside the lune. A non-zero
// shift then moves the point by a disc automorphism along the real axis.
void SubstituteSphereSegment_NiceD(double p[3], unsigned char* outside, double n, double shift);
void SubstituteSphereSegmentD(double p[3], unsigned char* outside, double n);
void SubstituteSphereSegment(float p[3], unsigned char* outside, double n);
// The same about the z pole.
void SubstituteSphereSegment_northD(double p[3], unsigned char* outside, double n);

// Lagrange maps of order n (n = 2: the whole sphere in the unit disc);
// the inverse undoes the forward map.
void LagrangeForward_AvantGarde(const double p[3], double out[2], double n);
void LagrangeInverse_AvantGarde(unsigned char* outside, double p[3], int keepOutside, double X,
                                double Y, double n);
void LagrangeInverse(unsigned char* outside, float p[3], int keepOutside, double X, double Y,
                     double n);

// Shifts the stereographic coordinate from (0, 0, -1) by (a, b).
void parabolic_mobius_on_sphere(double p[3], double a, double b);
// Inversion in the circle of centre (cx, cy) and radius r; the centre itself
// goes to infinity.
void circleInverse(double px, double py, double cx, double cy, double r, double* x, double* y);

void SpinIt(double p[2], double a);
void LatitudeIt(double p[3], double a);
void LongitudeIt(double p[3], double a);
void ExtraTumbleForZigzag(float p[3]);
void ExtraTumbleForMonozag(float p[3]);

int NearestTetrahedronVertex(const float p[3]);
int NearestOctahedronVertex(const float p[3]);
