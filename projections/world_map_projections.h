// Flat world maps for the output side: a framed position of the map (x to
// the right, y downward) becomes a unit direction on the sphere, or the
// outside flag. The map longitude λ grows to the right and the map latitude φ
// upward; every map ends in U = 0.5 - λ/2π, V = 0.5 - φ/π and the
// equirectangular step. When the flag is set the direction is left alone.
//
// Several maps take a lobe window (λmin, λmax) tested on the map longitude
// and a central-meridian shift s added to it, so that the interrupted maps
// reuse them lobe by lobe. A single map passes (-π, π, 0).
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "common/angles.h"

struct TransformationReply;

// Direction of map longitude lambda and latitude phi (north up).
void MapLongitudeLatitudeToDirection(float out[3], double lambda, double phi);

// The inverse Mollweide map before the equirectangular step, for x, y
// already multiplied by 4√2: the map longitude and the southward latitude.
// In three parts, inline for the per-sample road: whether (x, y) lies in the
// map's band, what depends on y alone (the row: its latitude and its width
// scale k = 2√2 cos θ), and the longitude of x on the row. Its arcsines are
// AsinFast.
namespace mollweide {
inline constexpr double kPi = 3.14159265358979323846, kShortPi = 3.141592653;
inline constexpr double kSqrt2 = 1.414213562373095, kTwoSqrt2 = 2.82842712474619;
}  // namespace mollweide
struct MollweideRow {
    double southLatitude;
    float k;
};
inline bool MollweideInBand(double x, double y) {
    using namespace mollweide;
    if (!(std::fabs(y) <= kSqrt2) || !(std::fabs(x) <= kTwoSqrt2)) return false;
    const double a = 1.0 - (x * x / 4.0 + y * y) / 4.0;
    if (!(a >= 0.0)) return false;
    // sqrt(a) |y| reaches 1 only next to the poles: elsewhere no root is
    // needed to see that it stays within 1.
    if (a * y * y <= 0.99) return true;
    const double w = std::sqrt(a) * y;
    return w >= -1.0 && w <= 1.0;
}
inline MollweideRow MollweideRowAt(double y) {
    using namespace mollweide;
    // sin(theta) is y / sqrt 2 and theta lies within +-pi / 2, so cos(theta)
    // is the root below and sin(2 theta) = 2 sin(theta) cos(theta): no sine
    // or cosine.
    const double s = y * (1.0 / kSqrt2);
    const double theta = AsinFast(s);
    const double cosTheta = std::sqrt(std::max(1.0 - s * s, 0.0));
    return {AsinFast(std::clamp((2.0 * theta + 2.0 * s * cosTheta) * (1.0 / kPi), -1.0, 1.0)),
            static_cast<float>(kTwoSqrt2 * cosTheta)};
}
inline double MollweideLongitude(double x, const MollweideRow& row) {
    using namespace mollweide;
    return row.k > 0.0f ? kPi * x / row.k + kPi - kShortPi : -kPi;
}
// False, with nothing written, outside the band; the lobe window is the
// caller's.
inline bool MollweideInverse(double x, double y, double* lambda, double* southLatitude) {
    if (!MollweideInBand(x, y)) return false;
    const MollweideRow row = MollweideRowAt(y);
    *southLatitude = row.southLatitude;
    *lambda = MollweideLongitude(x, row);
    return true;
}
// The Mollweide and Hammer maps take the centred plane scaled by 4√2.
inline constexpr double kFourSqrt2 = 5.656854249492384;
// x, y already multiplied by 4√2. latitude receives the southward latitude.
void TotalMollweide(float out[3], unsigned char* outside, float* latitude, double x, double y,
                    double lambdaMin, double lambdaMax, double shift);
void TotalSinusoidal(float out[3], unsigned char* outside, double x, double y, double lambdaMin,
                     double lambdaMax, double shift);
// robinsonTable: the render's lazily built Robinson inverse table.
void TotalRobinson(float out[3], unsigned char* outside, float* robinsonTable, double x, double y,
                   double lambdaMin, double lambdaMax, double shift);
void TotalEckert4(float out[3], unsigned char* outside, double x, double y);
void TotalHillEucyclic(float out[3], unsigned char* outside, double x, double y);
void TotalBonne(float out[3], unsigned char* outside, double x, double y);
void TotalCardioid(float out[3], unsigned char* outside, double x, double y);
// x, y already multiplied by 4√2.
void DoHammer(unsigned char* outside, float out[3], double x, double y);
void DoWerner(unsigned char* outside, float out[3], double x, double y);

// Ray-traced maps: they also write the surface normal and viewing direction
// into the reply (see SetReplyShading) and its place: -7 on the surface, -21
// for a ray that found no valid point.
void TotalVerticalPerspective(float out[3], unsigned char* outside, TransformationReply* reply, double x,
                              double y, double fieldOfView);
void TotalTangent(float out[3], unsigned char* outside, TransformationReply* reply, double x, double y,
                  double fieldOfView);

// Hammer's retroazimuthal map about the reference latitude (radians): every
// place lies at its true distance from the map's centre, in the direction in
// which the centre is seen from it. The map folds over itself: front = 0
// shows the places of one sheet at their positions, front = 1 those of the
// other sheet.
// A position no place maps to gets place -21 with the flag clear and the
// direction (0, 0, 1).
void TotalRetroazimuthal(float out[3], unsigned char* outside, int front, TransformationReply* reply, double x,
                         double y, double referenceLatitude);

// An ellipsoid of semi-axes a, b (equatorial) and the axis ratio c (polar,
// vertical in the picture), seen by an orthographic camera 3 units back whose
// view is tilted by asin(tilt) about the horizontal axis; the world, its
// longitudes doubled, covers the visible half. Latitudes follow the meridian's
// arc length from the render's lazily built table (profile kind 0, scale 1/c).
void TotalRaiszEllipsoid(float out[3], unsigned char* outside, TransformationReply* reply, float* meridianTable,
                         double x, double y, double a, double b, double c, double tilt);
// The outer half of a horn torus (major and tube radius 1) seen from 3 units
// back, tilted 20° towards the hemisphere's pole (+1 north, -1 south).
void TotalArmadillo(float out[3], unsigned char* outside, TransformationReply* reply, double x, double y,
                    double hemisphere);
// The quatrefoil: a cup (one sheet of the hyperboloid x^2 + z^2 = y^2 - 4)
// seen from above by the camera tilted by asin(tilt); its middle shows the
// north pole and its rim the south, and where it is wider than 1 it parts
// into four petals. region receives -7 in the middle and 5 + the petal on a
// petal.
void TotalQuatrefoil(float out[3], unsigned char* outside, TransformationReply* reply, int64_t* region, double x,
                     double y, double tilt);
// The latitude (0 at the north pole, 1 at the south) that the cup shows at
// radius r (0 to 1 of its rim's).
double quatrefoil_warped_latitude(double r);
// Smallest positive ray parameter of the hit with the torus about the z axis
// of major radius R and tube radius r; 1e20 for none. dir is a unit vector.
double RayTorusIntersection(const double origin[3], const double dir[3], double R, double r);
void TorusSurfaceNormal(const double p[3], double R, double r, double normal[3]);
// The tilted orthographic camera through a framed position: the ray's origin
// and its unit direction.
void getOrthographicCameraFromXYandTilt(double x, double y, double tiltSine, double origin[3], double direction[3]);

// The surface normal goes as three floats into the reply's voxel-normal
// words; the viewing direction as two floats after a zero word into its
// voxel-place words.
void SetReplyShading(TransformationReply* reply, const float normal[3], float viewX, float viewY);
// The whole unit view vector the shading reads beside the normal.
void SetReplyView(TransformationReply* reply, double x, double y, double z);
void GetReplyShading(const TransformationReply* reply, float normal[3], float* viewX, float* viewY);
