// Interval coordinates inside a D shape: the region between a circular arc
// (centre C, radius R) and a straight side, the line through the origin and
// the side point S. A point is described by d, 0 on the arc and 1 on the
// straight side along the line from C through it, and t, its angle about C
// scaled to 1 at the angle of S and 0 at the angle pi.
#pragma once

#include "common/complex.h"

// Where the line from C through P meets the straight side (C itself when the
// two lines are parallel).
fcomplex lineThruCircleCenterAndXMeetsStraightSide(fcomplex P, fcomplex C, fcomplex S);
double distanceFromStraightSideToCenterDFor(fcomplex P, fcomplex C, fcomplex S);
double intervalDistanceFromDScaledX(fcomplex P, fcomplex C, double R, fcomplex S);
// atan2 of P - C moved into [0, 2 pi).
double angleAt(fcomplex P, fcomplex C);
double intervalAngleFromDScaledX(fcomplex P, fcomplex C, fcomplex S);
double radianAngleFromIntervalAngle(double t, fcomplex C, fcomplex S);
fcomplex straightSideIntersectionFromRadianAngle(double a, fcomplex C, fcomplex S);
fcomplex circleIntersectionFromRadianAngle(double a, fcomplex C, double R);
// The inverse of the two interval coordinates.
fcomplex DScaledXYFromIntervalCoords(double d, double t, fcomplex C, double R, fcomplex S);
