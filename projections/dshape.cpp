#include "projections/dshape.h"

#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;

// The line through P0 along D0 meets the line through the origin along S.
fcomplex MeetStraightSide(fcomplex P0, fcomplex D0, fcomplex S) {
    const double den = D0.re * S.im - D0.im * S.re;
    if (den == 0.0) return P0;
    // P0 + u D0 = v S; u from the cross product with S.
    const double u = (S.re * P0.im - S.im * P0.re) / den;
    return Cadd(P0, Cscale(D0, u));
}

}  // namespace

fcomplex lineThruCircleCenterAndXMeetsStraightSide(fcomplex P, fcomplex C, fcomplex S) {
    return MeetStraightSide(C, Csub(P, C), S);
}

double distanceFromStraightSideToCenterDFor(fcomplex P, fcomplex C, fcomplex S) {
    return Cdist(lineThruCircleCenterAndXMeetsStraightSide(P, C, S), C);
}

double intervalDistanceFromDScaledX(fcomplex P, fcomplex C, double R, fcomplex S) {
    const double den = distanceFromStraightSideToCenterDFor(P, C, S) - R;
    if (den == 0.0) return 0.0;
    return (Cdist(P, C) - R) / den;
}

double angleAt(fcomplex P, fcomplex C) {
    const double a = std::atan2(P.im - C.im, P.re - C.re);
    return a < 0.0 ? a + 2.0 * kPi : a;
}

double intervalAngleFromDScaledX(fcomplex P, fcomplex C, fcomplex S) {
    const double aS = angleAt(S, C);
    return 1.0 - (angleAt(P, C) - aS) / (kPi - aS);
}

double radianAngleFromIntervalAngle(double t, fcomplex C, fcomplex S) {
    return kPi - t * (kPi - angleAt(S, C));
}

fcomplex straightSideIntersectionFromRadianAngle(double a, fcomplex C, fcomplex S) {
    return MeetStraightSide(C, Cspun(a), S);
}

fcomplex circleIntersectionFromRadianAngle(double a, fcomplex C, double R) { return Cadd(C, Cscale(Cspun(a), R)); }

fcomplex DScaledXYFromIntervalCoords(double d, double t, fcomplex C, double R, fcomplex S) {
    const double a = radianAngleFromIntervalAngle(t, C, S);
    const fcomplex A = circleIntersectionFromRadianAngle(a, C, R);
    const fcomplex I = straightSideIntersectionFromRadianAngle(a, C, S);
    return Cadd(A, Cscale(Csub(I, A), d));
}
