// Conformal building blocks on the unit sphere: stereographic projection and
// its inverse (pole at -z, plane coordinates negated), the substitution of a
// sphere segment through a complex power, the inverse Lagrange map and the
// nearest tetrahedron vertex. Points are three doubles unless the name says
// otherwise.
#pragma once

#include "common/disc_moves.h"

// The inverse of the stereographic map (-x, -y)/(z + 1).
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
void SubstituteSphereSegment(float p[3], unsigned char* outside, double n);

// The inverse Lagrange map of order n (n = 2: the unit disc to the whole
// sphere).
void LagrangeInverse_AvantGarde(unsigned char* outside, double p[3], int keepOutside, double X,
                                double Y, double n);
void LagrangeInverse(unsigned char* outside, float p[3], int keepOutside, double X, double Y,
                     double n);

int NearestTetrahedronVertex(const float p[3]);
