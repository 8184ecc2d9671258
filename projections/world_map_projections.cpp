#include "projections/world_map_projections.h"

#include <algorithm>
#include <bit>
#include <cmath>

#include "common/rays.h"
#include "projections/TransformationReply.h"
#include "projections/angles.h"
#include "projections/forward_maps.h"

namespace {
constexpr double kPi = 3.14159265358979323846;
constexpr double kShortPi = 3.141592653;
constexpr double kSqrt2 = 1.414213562373095;
constexpr double kTwoSqrt2 = 2.82842712474619;
}  // namespace

void MapLongitudeLatitudeToDirection(float out[3], double lambda, double phi) {
    RectangularToSpherical(out, static_cast<float>(0.5 - lambda / (2.0 * kPi)), static_cast<float>(0.5 - phi / kPi));
}

void TotalMollweide(float out[3], unsigned char* outside, float* latitude, double x, double y, double lambdaMin,
                    double lambdaMax, double shift) {
    const double r2 = x * x / 4.0 + y * y;
    const double w = std::sqrt(1.0 - r2 / 4.0) * y;
    if (!(std::fabs(y) <= kSqrt2) || !(std::fabs(x) <= kTwoSqrt2) || !(w >= -1.0 && w <= 1.0)) {
        *outside = 1;
        return;
    }
    const double theta = std::asin(y / kSqrt2);
    const double phiS = std::asin(std::clamp((2.0 * theta + std::sin(2.0 * theta)) / kPi, -1.0, 1.0));
    if (latitude) *latitude = static_cast<float>(phiS);
    const float k = static_cast<float>(kTwoSqrt2 * std::cos(theta));
    const double lambda = k > 0.0f ? kPi * x / k + kPi - kShortPi : -kPi;
    if (!(lambda >= lambdaMin && lambda <= lambdaMax)) {
        *outside = 1;
        return;
    }
    *outside = 0;
    MapLongitudeLatitudeToDirection(out, lambda + shift, -phiS);
}

void TotalSinusoidal(float out[3], unsigned char* outside, double x, double y, double lambdaMin, double lambdaMax,
                     double shift) {
    const double phiS = 2.0 * kPi * y;
    if (!(std::fabs(phiS) < kPi / 2.0)) {
        *outside = 1;
        return;
    }
    const double c = std::cos(phiS);
    const double lambda = c == 0.0 ? 0.0 : 2.0 * kPi * x / c;
    if (!(lambda > lambdaMin && lambda < lambdaMax)) {
        *outside = 1;
        return;
    }
    *outside = 0;
    MapLongitudeLatitudeToDirection(out, std::remainder(lambda + shift, 2.0 * kPi), -phiS);
}

void TotalRobinson(float out[3], unsigned char* outside, float* robinsonTable, double x, double y,
                   double lambdaMin, double lambdaMax, double shift) {
    const double Y = 2.0 * y;
    if (!(std::fabs(Y) <= 1.0) || !(std::fabs(x) <= 1.0)) {
        *outside = 1;
        return;
    }
    const float p = RobinsonInverse_function(robinsonTable, static_cast<float>(Y));
    const float m = 18.0f * std::fabs(p);
    const int i = std::clamp(static_cast<int>(m), 0, 18);
    const float f = m - static_cast<float>(i);
    const float w = RobinsonXScaleByLatitude[i] + f * (RobinsonXScaleByLatitude[i + 1] - RobinsonXScaleByLatitude[i]);
    if (!(std::fabs(x) <= w)) {
        *outside = 1;
        return;
    }
    const double lambda = kPi * x / w;
    if (!(lambda > lambdaMin && lambda < lambdaMax)) {
        *outside = 1;
        return;
    }
    *outside = 0;
    MapLongitudeLatitudeToDirection(out, lambda + shift, -p * kPi / 2.0);
}

void TotalEckert4(float out[3], unsigned char* outside, double x, double y) {
    const double t = 4.0 * y;
    if (!(std::fabs(t) <= 1.0)) {
        *outside = 1;
        return;
    }
    const double theta = std::asin(t);
    const double lambda = 4.0 * kPi * x / (1.0 + std::cos(theta));
    if (!(std::fabs(lambda) <= kShortPi)) {
        *outside = 1;
        return;
    }
    const double phiS = std::asin(std::clamp((2.0 * t + t * std::cos(theta) + theta) / 3.5707963267948966, -1.0, 1.0));
    *outside = 0;
    MapLongitudeLatitudeToDirection(out, lambda, -phiS);
}

void TotalHillEucyclic(float out[3], unsigned char* outside, double x, double y) {
    constexpr double kRho0 = 2.4752834971092215;   // height of the pole circle's centre
    constexpr double kA2 = 1.7596033859537705;     // square of the map's scale
    const double e = -kRho0 - y;
    const double rho2 = x * x + e * e;
    const double q = (5.0 - rho2 / kA2) / 4.0;
    const double alpha = std::acos(q);
    const double beta = std::atan2(std::sin(alpha), 2.0 - q);
    // Longitude east on the right, as on every other map.
    const double lambda = kPi * std::asin(x / std::sqrt(rho2)) / (beta + 0.5);
    const double phi = std::asin(1.0 - 2.0 * ((5.0 - 4.0 * q) * (beta + 0.5) + alpha - 0.5 - 2.0 * std::sin(alpha)) /
                                           7.141592653589793);
    if (!(std::fabs(lambda) <= kPi) || std::isnan(phi)) {
        *outside = 1;
        return;
    }
    *outside = 0;
    MapLongitudeLatitudeToDirection(out, lambda, phi);
}

void TotalBonne(float out[3], unsigned char* outside, double x, double y) {
    const double X = 2.0 * x, Y = 1.0 + 2.0 * y;
    const double rho = std::sqrt(X * X + Y * Y);
    const double phi = 1.7853981852531433 - rho;  // π/4 + cot 45° - ρ
    const double V = 1.0 - (phi + kPi / 2.0) / kPi;
    if (!(V >= 0.0 && V <= 1.0)) {
        *outside = 1;
        return;
    }
    const double lambda = rho * std::atan2(X, Y) / std::cos(phi);
    const double U = 1.0 - (lambda + kShortPi) / (2.0 * kPi);
    if (!(U >= 0.0 && U <= 1.0)) {
        *outside = 1;
        return;
    }
    *outside = 0;
    RectangularToSpherical(out, static_cast<float>(U), static_cast<float>(V));
}

void TotalCardioid(float out[3], unsigned char* outside, double x, double y) {
    const double X = 2.0 * x, Y = 2.0 * y;
    const double r2 = X * X + Y * Y;
    if (!(r2 <= 1.0)) {
        *outside = 1;
        return;
    }
    *outside = 0;
    const double U = -XYtoRadiansD(x, y) / (2.0 * kPi);
    RectangularToSpherical(out, static_cast<float>(U), static_cast<float>(std::sqrt(r2)));
}

void DoHammer(unsigned char* outside, float out[3], double x, double y) {
    const double r2 = x * x / 4.0 + y * y;
    if (!(r2 <= 2.0)) {
        *outside = 1;
        return;
    }
    const double z = std::sqrt(1.0 - r2 / 4.0);
    if (!(std::fabs(y * z) <= 1.0)) {
        *outside = 1;
        return;
    }
    const double phiS = std::asin(y * z);
    // Half the longitude is the angle of (xz/2, 1 - r²/2).
    const double lambda = 2.0 * std::atan2(x * z / 2.0, 1.0 - r2 / 2.0);
    *outside = 0;
    MapLongitudeLatitudeToDirection(out, lambda, -phiS);
}

void DoWerner(unsigned char* outside, float out[3], double x, double y) {
    const double X = 1.2 * x, Y = 1.2 * y + 0.4166666666666667;
    const double rho = std::sqrt(X * X + Y * Y);
    if (rho == 1.0) {
        *outside = 1;
        return;
    }
    double a = XYtoRadiansD(X, Y);
    if (a >= 2.0 * kPi) a -= 2.0 * kPi;
    // The arc of each parallel shrinks linearly towards the south pole; right
    // of the apex is east.
    const double lambda = (a - kPi) / (1.0 - rho);
    if (!(lambda >= -kPi && lambda <= kPi) || !(rho >= 0.0 && rho <= 1.0)) {
        *outside = 1;
        return;
    }
    *outside = 0;
    RectangularToSpherical(out, static_cast<float>(0.5 - lambda / (2.0 * kPi)), static_cast<float>(rho));
}

void SetReplyShading(TransformationReply* reply, const float normal[3], float viewX, float viewY) {
    for (int i = 0; i < 3; ++i) reply->voxelNormal[i] = std::bit_cast<int32_t>(normal[i]);
    reply->voxelPlace[0] = 0;
    reply->voxelPlace[1] = std::bit_cast<int32_t>(viewX);
    reply->voxelPlace[2] = std::bit_cast<int32_t>(viewY);
}

void GetReplyShading(const TransformationReply* reply, float normal[3], float* viewX, float* viewY) {
    for (int i = 0; i < 3; ++i) normal[i] = std::bit_cast<float>(reply->voxelNormal[i]);
    *viewX = std::bit_cast<float>(reply->voxelPlace[1]);
    *viewY = std::bit_cast<float>(reply->voxelPlace[2]);
}

namespace {

// A ray from (0, 0, h) along `dir` against the unit sphere; the direction of
// the hit seen from inside the sphere is (-X, -Y, Z).
bool RayToSphere(float out[3], TransformationReply* reply, double h, triplex dir, float viewX, float viewY) {
    dir = Tnormalize(dir);
    const double ray[6] = {0.0, 0.0, h, dir.x, dir.y, dir.z};
    const double centre[3] = {0.0, 0.0, 0.0};
    double hit[6];
    if (!IntersectRayWithQuadricSurface(ray, centre, hit, nullptr, kQuadricSphere, 1.0)) return false;
    const triplex p = Tnormalize({hit[0], hit[1], hit[2]});
    out[0] = static_cast<float>(-p.x);
    out[1] = static_cast<float>(-p.y);
    out[2] = static_cast<float>(p.z);
    if (reply) {
        SetReplyShading(reply, out, viewX, viewY);
        reply->place = kPlaceNoRegion;
    }
    return true;
}

}  // namespace

void TotalVerticalPerspective(float out[3], unsigned char* outside, TransformationReply* reply, double x, double y,
                              double fieldOfView) {
    const double f = fieldOfView / 100.0;
    const double h = 1.01 + 5.0 * f * f * f * f;
    const double w = std::sqrt(h * h - 1.0) / h;
    const triplex d = Tnormalize({x / w, y / w, -h});
    *outside = RayToSphere(out, reply, h, d, static_cast<float>(d.x), static_cast<float>(d.y)) ? 0 : 1;
}

void TotalTangent(float out[3], unsigned char* outside, TransformationReply* reply, double x, double y,
                  double fieldOfView) {
    const double g = (fieldOfView / 180.0) * (fieldOfView / 180.0);
    const double h = 0.1 + 5.0 * g;
    const double k = 0.05 + 0.95 * g;
    const triplex d = Tnormalize({k * x, k * y, -h});
    *outside = RayToSphere(out, reply, h, d, static_cast<float>(d.x), static_cast<float>(-d.y)) ? 0 : 1;
}
