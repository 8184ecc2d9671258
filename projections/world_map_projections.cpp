#include "projections/world_map_projections.h"

#include <algorithm>
#include <bit>
#include <cmath>

#include "common/rays.h"
#include "records/TransformationReply.h"
#include "records/renderhinttype.h"
#include "common/angles.h"
#include "projections/forward_maps.h"
#include "projections/gores.h"
#include "projections/projection_families.h"
#include "records/output_modes.h"

namespace {
constexpr double kPi = 3.14159265358979323846;
constexpr double kShortPi = 3.141592653;
}  // namespace

void MapLongitudeLatitudeToDirection(float out[3], double lambda, double phi) {
    RectangularToSpherical(out, static_cast<float>(0.5 - lambda / (2.0 * kPi)), static_cast<float>(0.5 - phi / kPi));
}

void TotalMollweide(float out[3], unsigned char* outside, float* latitude, double x, double y, double lambdaMin,
                    double lambdaMax, double shift) {
    double lambda, phiS;
    if (!MollweideInverse(x, y, &lambda, &phiS)) {
        *outside = 1;
        return;
    }
    if (latitude) *latitude = static_cast<float>(phiS);
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
    // Longitude east on the right, as on every other map. The angle about the
    // pole circle's centre is taken on the map's side of it (e < 0): an asin
    // of x / rho would give the mirror image of the map through the centre,
    // a ghost copy in frames taller than the map.
    const double lambda = kPi * std::atan2(x, -e) / (beta + 0.5);
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
    for (int i = 0; i < 3; ++i) reply->surfaceNormal[i] = normal[i];
}

void SetReplyView(TransformationReply* reply, double x, double y, double z) {
    const double m = std::sqrt(x * x + y * y + z * z);
    if (!(m > 0.0)) return;
    reply->viewDirection[0] = static_cast<float>(x / m);
    reply->viewDirection[1] = static_cast<float>(y / m);
    reply->viewDirection[2] = static_cast<float>(z / m);
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
        // The ray in the frame of the normal, which turns x and y round.
        SetReplyView(reply, -dir.x, -dir.y, dir.z);
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

void getOrthographicCameraFromXYandTilt(double x, double y, double tiltSine, double origin[3], double direction[3]) {
    // Looking along -z, tipped by the tilt about x; the picture's y runs down.
    const double s = tiltSine, c = std::sqrt(std::fmax(1.0 - s * s, 0.0));
    const double d[3] = {0.0, s, -c};
    const double up[3] = {0.0, c, s};
    for (int i = 0; i < 3; ++i) {
        direction[i] = d[i];
        origin[i] = -3.0 * d[i] + (i == 0 ? x : 0.0) - y * up[i];
    }
}

namespace {
constexpr double kNoTorusHit = 1e20;
constexpr double kTorusMarchStep = 0.02;
constexpr int kTorusBisections = 40;

double TorusFunction(const double o[3], const double d[3], double t, double R, double r) {
    const double p[3] = {o[0] + t * d[0], o[1] + t * d[1], o[2] + t * d[2]};
    const double q = p[0] * p[0] + p[1] * p[1] + p[2] * p[2] + R * R - r * r;
    return q * q - 4.0 * R * R * (p[0] * p[0] + p[1] * p[1]);
}
}  // namespace

double RayTorusIntersection(const double o[3], const double d[3], double R, double r) {
    // March the quartic between the entry and exit of the bounding sphere and
    // bisect the first change of sign: the nearest hit ahead.
    const double bound = R + r + 1e-3;  // start outside, never on the surface
    const double od = o[0] * d[0] + o[1] * d[1] + o[2] * d[2];
    const double oo = o[0] * o[0] + o[1] * o[1] + o[2] * o[2];
    const double disc = od * od - (oo - bound * bound);
    if (disc < 0.0) return kNoTorusHit;
    const double t0 = std::fmax(-od - std::sqrt(disc), 0.0), t1 = -od + std::sqrt(disc);
    if (t1 <= 0.0) return kNoTorusHit;
    double a = t0, fa = TorusFunction(o, d, a, R, r);
    for (double b = t0 + kTorusMarchStep;; b += kTorusMarchStep) {
        if (b > t1) b = t1;
        const double fb = TorusFunction(o, d, b, R, r);
        if ((fa > 0.0) != (fb > 0.0)) {
            double lo = a, hi = b;
            for (int i = 0; i < kTorusBisections; ++i) {
                const double m = 0.5 * (lo + hi);
                if ((TorusFunction(o, d, m, R, r) > 0.0) == (fa > 0.0))
                    lo = m;
                else
                    hi = m;
            }
            const double t = 0.5 * (lo + hi);
            return t > 0.0 ? t : kNoTorusHit;
        }
        if (b >= t1) return kNoTorusHit;
        a = b, fa = fb;
    }
}

void TorusSurfaceNormal(const double p[3], double R, double r, double normal[3]) {
    const double s = p[0] * p[0] + p[1] * p[1] + p[2] * p[2] - r * r;
    const triplex n = Tnormalize({p[0] * (s - R * R), p[1] * (s - R * R), p[2] * (s + R * R)});
    normal[0] = n.x, normal[1] = n.y, normal[2] = n.z;
}

void TotalRaiszEllipsoid(float out[3], unsigned char* outside, TransformationReply* reply, float* meridianTable,
                         double x, double y, double a, double b, double c, double tilt) {
    *outside = 1;
    double o[3], d[3];
    getOrthographicCameraFromXYandTilt(x, y, tilt, o, d);
    // Into the unit sphere: x / a, y / c (polar, vertical), z / b.
    const double O[3] = {o[0] / a, o[1] / c, o[2] / b}, D[3] = {d[0] / a, d[1] / c, d[2] / b};
    const double A = D[0] * D[0] + D[1] * D[1] + D[2] * D[2];
    const double B = O[0] * D[0] + O[1] * D[1] + O[2] * D[2];
    const double C = O[0] * O[0] + O[1] * O[1] + O[2] * O[2] - 1.0;
    const double disc = B * B - A * C;
    if (!(disc >= 0.0) || !(B < 0.0) || !(C > 0.0)) return;  // a front hit from outside only
    const double t = (-B - std::sqrt(disc)) / A;
    const double X = o[0] + t * d[0], Y = o[1] + t * d[1], Z = o[2] + t * d[2];
    const triplex n = Tnormalize({X / (a * a), Y / (c * c), Z / (b * b)});
    const float normal[3] = {static_cast<float>(n.x), static_cast<float>(n.y), static_cast<float>(n.z)};
    SetReplyShading(reply, normal, static_cast<float>(d[0]), static_cast<float>(d[1]));
    SetReplyView(reply, d[0], d[1], d[2]);
    // Latitude by the meridian's arc length; the whole world on the half seen.
    const float s = static_cast<float>(std::asin(std::clamp(Y / c, -1.0, 1.0)) / kShortPi + 0.5);
    const float arc = distance_around_ellipsoid(meridianTable, 0, s, static_cast<float>(1.0 / c));
    const double L = meridianTable[400];
    const double P = 2.0 * (kPi / L) * (arc - 0.5) + 0.5;
    if (!(P >= 0.0 && P <= 1.0)) {
        reply->place = -21;
        return;
    }
    reply->place = kPlaceNoRegion;
    *outside = 0;
    // Doubled longitude, east to the right.
    double U = -2.0 * std::atan2(X / a, Z / b) / (2.0 * kPi) + 0.5;
    U -= std::floor(U);
    RectangularToSpherical(out, static_cast<float>(U), static_cast<float>(1.0 - P));
}

void TotalArmadillo(float out[3], unsigned char* outside, TransformationReply* reply, double x, double y,
                    double hemisphere) {
    *outside = 1;
    // The camera in the torus' frame: the axis is z (up in the picture) and
    // the camera looks along -y, tipped 20° over the hemisphere's pole.
    const double tilt = hemisphere * -0.349066;
    const double st = std::sin(tilt), ct = std::cos(tilt);
    const double d[3] = {0.0, -ct, st};
    const double up[3] = {0.0, st, ct};
    const double right[3] = {-1.0, 0.0, 0.0};
    double o[3];
    for (int i = 0; i < 3; ++i) o[i] = -3.0 * d[i] + x * right[i] - y * up[i];
    const double t = RayTorusIntersection(o, d, 1.0, 1.0);
    if (!(t > 0.0 && t < 30.0)) return;
    const double p[3] = {o[0] + t * d[0], o[1] + t * d[1], o[2] + t * d[2]};
    if (!(p[1] > 0.0) || !(std::sqrt(p[0] * p[0] + p[1] * p[1]) > 1.0)) return;
    double n[3];
    TorusSurfaceNormal(p, 1.0, 1.0, n);
    const float normal[3] = {static_cast<float>(n[0]), static_cast<float>(n[1]), static_cast<float>(n[2])};
    SetReplyShading(reply, normal, static_cast<float>(-st), static_cast<float>(-ct));
    SetReplyView(reply, d[0], d[1], d[2]);
    reply->place = kPlaceNoRegion;
    *outside = 0;
    double U = 2.0 * std::atan2(p[0], p[1]) / (2.0 * kPi) + 0.5;
    U -= std::floor(U);
    RectangularToSpherical(out, static_cast<float>(U), static_cast<float>(std::acos(std::clamp(p[2], -1.0, 1.0)) / kShortPi));
}

double quatrefoil_warped_latitude(double r) { return r * (r + 2.0) / 3.0; }

namespace {
// The quatrefoil's cup: x^2 + z^2 = y^2 - k about the camera frame's
// vertical, k = 4, the sheet y >= 2 (its radius 1 at y = sqrt 5, where the
// petals part, and 4, the figure's rim, at y = sqrt 20).
constexpr double kCupOffset = 4.0;
constexpr double kPetalHeight = 2.23606797749979;  // sqrt 5
// The frame's vertical middle (its rows run from -0.416 to 3.484): the ray
// through it passes through the middle of the rim.
constexpr double kFrameMiddle = 0.5 * (-0.416 + 3.484);
}  // namespace

void TotalQuatrefoil(float out[3], unsigned char* outside, TransformationReply* reply, int64_t* region, double x,
                     double y, double tilt) {
    *outside = 1;
    if (region) *region = -7;
    // The tilted camera, two plane units to the frame's unit across and
    // down (the rim's 8 fill the frame's 4.008 across), aimed at the rim's
    // middle. The camera looks down into the cup at 65 degrees, within the
    // 48 at which its steepest wall (at the rim) would hide part of it, so
    // every point of the cup shows, once; which root of the line the hit is
    // decides nothing else, so the line's nearer root is taken wherever the
    // camera stands on it.
    double o[3], d[3];
    getOrthographicCameraFromXYandTilt(2.0 * x, 2.0 * (y - kFrameMiddle), tilt, o, d);
    o[1] += std::sqrt(5.0 * kCupOffset);
    const double A = d[0] * d[0] + d[2] * d[2] - d[1] * d[1];
    const double B = 2.0 * (o[0] * d[0] + o[2] * d[2] - o[1] * d[1]);
    const double C = o[0] * o[0] + o[2] * o[2] - o[1] * o[1] + kCupOffset;
    const double disc = B * B - 4.0 * A * C;
    if (!(disc >= 0.0) || A == 0.0) return;
    const double root = std::sqrt(disc);
    const double t = std::fmin((-B - root) / (2.0 * A), (-B + root) / (2.0 * A));
    const double hx = o[0] + t * d[0], hy = o[1] + t * d[1], hz = o[2] + t * d[2];
    if (!(hy > 0.0)) return;
    // In the cup's own frame: X across, Y away from the camera, Z up.
    const double X = hx, Y = -hz, Z = hy;
    const double radius = std::sqrt(X * X + Y * Y), r = radius / 4.0;
    if (!(r <= 1.0)) return;
    // The normal of the inside, which faces the camera.
    const triplex n = Tnormalize({-hx, hy, -hz});
    const float normal[3] = {static_cast<float>(n.x), static_cast<float>(n.y), static_cast<float>(n.z)};
    SetReplyShading(reply, normal, static_cast<float>(d[0]), static_cast<float>(d[1]));
    SetReplyView(reply, d[0], d[1], d[2]);
    double turn = (kPi - std::atan2(-X, Y)) / (2.0 * kPi);
    int64_t place = -7;
    if (std::fabs(Z) > kPetalHeight) {
        // Four petals, each a quarter of the turns (about 0, 1/4, 1/2 and
        // 3/4) squeezed about its middle by the fourth root of the cup's
        // radius: 1 where they part from the middle, so they leave it
        // without a seam, and narrower outwards.
        const double q = 4.0 * turn + 0.5, petal = std::floor(q);
        const double across = (q - petal - 0.5) * std::sqrt(std::sqrt(radius));
        if (!(std::fabs(across) <= 0.5)) return;
        turn = (petal + across) / 4.0;
        place = int64_t(petal) % 4 + 5;
    }
    if (region) *region = place;
    reply->place = int32_t(place);
    *outside = 0;
    double U = turn - 0.5416666666666666;
    U -= std::floor(U);
    RectangularToSpherical(out, static_cast<float>(U), static_cast<float>(quatrefoil_warped_latitude(r)));
}

void TotalRetroazimuthal(float out[3], unsigned char* outside, int front, TransformationReply* reply, double x,
                         double y, double referenceLatitude) {
    if (front) x = -x, y = -y;
    const double rho = std::sqrt(x * x + y * y);
    if (!(rho <= kPi)) {
        *outside = 1;
        return;
    }
    const double cr = std::cos(rho), sr = std::sin(rho);
    const double a = rho * cr, b = y * sr, c = rho * std::sin(referenceLatitude);
    const double D = a * a + b * b - c * c;
    if (!(D >= 0.0)) {
        // No place maps here: outside, as a cleared region with a defined
        // direction.
        reply->place = -21;
        out[0] = 0.0f, out[1] = 0.0f, out[2] = 1.0f;
        *outside = 1;
        return;
    }
    const double root = std::sqrt(D);
    const double lat = std::atan2(a * c + b * root, b * c - root * a);
    const bool onFrontSheet = !(lat > -kPi / 2.0 && lat < kPi / 2.0);
    if (onFrontSheet != (front != 0)) {
        *outside = 1;
        return;
    }
    const double lon = std::atan2(-x * sr, rho * cr * std::cos(lat) - y * std::sin(lat) * sr);
    // On the front sheet lat runs past a pole: the same formula then gives the
    // place half a turn round.
    const double cl = std::cos(lat);
    out[0] = static_cast<float>(cl * std::sin(lon));
    out[1] = static_cast<float>(std::sin(lat));
    out[2] = static_cast<float>(cl * std::cos(lon));
    *outside = 0;
    reply->place = kPlaceNoRegion;
    float normal[3], vx, vy;
    GetReplyShading(reply, normal, &vx, &vy);
    SetReplyShading(reply, normal, 0.5f * (vx + static_cast<float>(std::cos(referenceLatitude))),
                    0.5f * (vy - static_cast<float>(std::sin(referenceLatitude))));
}

// ---- the output modes these maps serve ----

namespace {

inline bool InUnitD(double v) { return v >= 0.0 && v <= 1.0; }  // false for NaN

// The equirectangular family: unit map position (uu, vv), u growing to the
// left of the sphere seen from inside; single precision on purpose.
inline void EquiDirection(float* point, float uu, float vv) {
    const float y = std::sin(-3.1415927f * (vv - 0.5f));
    const float r = std::sqrt(std::fmax(1.0f - y * y, 0.0f));
    const float lam = 6.2831855f * ((1.0f - uu) - 0.5f);
    point[0] = r * std::sin(lam);
    point[1] = y;
    point[2] = r * std::cos(lam);
}

// Equirectangular, and the cosine falloff drawn over it.
void Equirectangular(ProjectionSample& s) {
    const vort* c = s.context;
    const double uu = 0.5 + s.plane.X;
    const double vv = 2.0 * c->inverseScale * (static_cast<double>(s.v) - 0.5) * c->aspect + 0.5;
    if (!InUnitD(uu) || !InUnitD(vv)) {
        s.miss = 1;
        return;
    }
    EquiDirection(s.point, static_cast<float>(uu), static_cast<float>(vv));
    s.miss = 0;
    s.reply->sampleAux = s.v;
}

// The orthographic disc of the box plane: orthographic, Gilbert and the
// shaded globes over them.
void OrthographicDisc(ProjectionSample& s) {
    s.planePoint = fcomplex{s.plane.Xb, s.plane.Yb};
    const float x = static_cast<float>(-2.0 * s.plane.Xb), y = static_cast<float>(-2.0 * s.plane.Yb);
    s.point[0] = x;
    s.point[1] = y;
    const float w = 1.0f - x * x - y * y;
    if (!(w >= 0.0f)) {
        s.miss = 1;
        return;
    }
    s.point[2] = std::sqrt(w);
    s.miss = 0;
    for (int k = 0; k < 3; ++k) s.reply->surfaceNormal[k] = s.point[k];
}

// Mercator: the frame is always 360 degrees wide.
void Mercator(ProjectionSample& s) {
    s.miss = 0;
    const float t = 6.2831855f * s.context->aspect * (s.v - 0.5f);
    const float phi = std::atan(std::sinh(t));
    const float y = std::sin(-3.1415927f * ((phi + 1.5707964f) / 3.1415927f - 0.5f));
    const float r = std::sqrt(std::fmax(1.0f - y * y, 0.0f));
    const float lam = 6.2831855f * ((1.0f - s.u) - 0.5f);
    s.point[0] = r * std::sin(lam);
    s.point[1] = y;
    s.point[2] = r * std::cos(lam);
}

// Equi tall: the whole frame is the whole sphere.
void EquiTall(ProjectionSample& s) {
    EquiDirection(s.point, s.u, s.v);
    s.miss = 0;
}

void EqualAreaCylinder(ProjectionSample& s) {
    const double a = 2.0 * (static_cast<double>(s.v) - 0.5);
    if (!(a >= -1.0 && a <= 1.0)) {
        s.miss = 1;  // above or below the map: no latitude
        return;
    }
    const float m = static_cast<float>(std::asin(a) / 3.141592653 + 0.5);
    const float y = std::sin(-3.1415927f * (m - 0.5f));
    const float r = std::sqrt(std::fmax(1.0f - y * y, 0.0f));
    const float lam = 6.2831855f * (-0.5f - s.u);
    s.point[0] = r * std::sin(lam);
    s.point[1] = y;
    s.point[2] = r * std::cos(lam);
}

void Hammer(ProjectionSample& s) { DoHammer(&s.miss, s.point, kFourSqrt2 * s.plane.X, kFourSqrt2 * s.plane.Y); }
void Werner(ProjectionSample& s) { DoWerner(&s.miss, s.point, s.plane.X, s.plane.Y); }
void Sinusoidal(ProjectionSample& s) { TotalSinusoidal(s.point, &s.miss, s.plane.X, s.plane.Y, -kPiD, kPiD, 0.0); }

void Mollweide(ProjectionSample& s) {
    float latitude;
    TotalMollweide(s.point, &s.miss, &latitude, kFourSqrt2 * s.plane.X, kFourSqrt2 * s.plane.Y, -kPiD, kPiD, 0.0);
}

// On the render's first lazy table.
void Robinson(ProjectionSample& s) {
    s.miss = 1;
    TotalRobinson(s.point, &s.miss, s.context->ellipsoidTable, s.plane.X, s.plane.Y, -kPiD, kPiD, 0.0);
}

void Bonne45(ProjectionSample& s) { TotalBonne(s.point, &s.miss, s.plane.X, s.plane.Y + s.context->planeCentreY); }

void VerticalPerspective(ProjectionSample& s) {
    TotalVerticalPerspective(s.point, &s.miss, s.reply, s.plane.X, s.plane.Y + s.context->planeCentreY,
                             s.context->fieldOfView);
}

// The flyover takes the raw position, the horizon at the top.
void Flyover(ProjectionSample& s) {
    TotalTangent(s.point, &s.miss, s.reply, (static_cast<double>(s.u) - 0.5) / s.context->aspect, s.v,
                 s.context->fieldOfView);
}

void EckertIV(ProjectionSample& s) { TotalEckert4(s.point, &s.miss, s.plane.X, s.plane.Y); }

// Shifted down to centre it.
void HillEucyclic(ProjectionSample& s) {
    const vort* c = s.context;
    TotalHillEucyclic(s.point, &s.miss, s.plane.X,
                      c->inverseScale * (static_cast<double>(s.v) - 0.5) * c->aspect + 0.0155);
}

void Cardioid(ProjectionSample& s) { TotalCardioid(s.point, &s.miss, s.plane.X, s.plane.Y); }

void NorthArmadillo(ProjectionSample& s) {
    TotalArmadillo(s.point, &s.miss, s.reply, s.plane.X, s.plane.Y + s.context->planeCentreY, 1.0);
}
void SouthArmadillo(ProjectionSample& s) {
    TotalArmadillo(s.point, &s.miss, s.reply, s.plane.X, s.plane.Y + s.context->planeCentreY, -1.0);
}

// Oblate north and south, prolate north and south, each flat and as a
// globe: the ellipsoid's axis ratio, and its tilt of 15 or 20 degrees
// towards the pole shown.
void RaiszEllipsoid(ProjectionSample& s) {
    const bool prolate = s.mode >= kModeProlateNorth, south = (s.mode - kModeOblateNorth) % 4 >= 2;
    const double tilt = prolate ? 0.34202014332 : 0.2588190451;  // sin 20°, sin 15°
    TotalRaiszEllipsoid(s.point, &s.miss, s.reply, s.context->ellipsoidTable, s.plane.X,
                        s.plane.Y + s.context->planeCentreY, 1.0, 1.0, prolate ? 4.0 / 3.0 : 0.66,
                        south ? tilt : -tilt);
}

// The quatrefoil's camera looks down at 65 degrees (the tilt's sine).
void Quatrefoil(ProjectionSample& s) {
    TotalQuatrefoil(s.point, &s.miss, s.reply, &s.hints->placeOverride, s.plane.X,
                    s.plane.Y + s.context->planeCentreY, -0.9063077870366499);
}

void RetroazimuthalFront(ProjectionSample& s) {
    TotalRetroazimuthal(s.point, &s.miss, 1, s.reply, s.plane.X, s.plane.Y, s.context->latitudeSetting * kPiD / 180.0);
}
void RetroazimuthalBack(ProjectionSample& s) {
    TotalRetroazimuthal(s.point, &s.miss, 0, s.reply, s.plane.X, s.plane.Y, s.context->latitudeSetting * kPiD / 180.0);
}

constexpr ProjectionEntry kServed[] = {
    {kModeEquirectangular, Equirectangular},
    {kModeCosineFalloff, Equirectangular},
    {kModeOrthographic, OrthographicDisc},
    {kModeGilbert, OrthographicDisc},
    {kModeQuickGlobe, OrthographicDisc},
    {kModeGilbertGlobe, OrthographicDisc},
    {kModeMercator, Mercator},
    {kModeEquiTall, EquiTall},
    {kModeEqualAreaCylinder, EqualAreaCylinder},
    {kModeHammer, Hammer},
    {kModeWerner, Werner},
    {kModeSinusoidal, Sinusoidal},
    {kModeMollweide, Mollweide},
    {kModeRobinson, Robinson},
    {kModeBonne45, Bonne45},
    {kModeVerticalPerspective, VerticalPerspective},
    {kModeVerticalPerspectiveGlobe, VerticalPerspective},
    {kModeFlyover, Flyover},
    {kModeFlyoverGlobe, Flyover},
    {kModeEckertIV, EckertIV},
    {kModeHillEucyclic, HillEucyclic},
    {kModeCardioid, Cardioid},
    {kModeNorthArmadillo, NorthArmadillo},
    {kModeNorthArmadilloGlobe, NorthArmadillo},
    {kModeSouthArmadillo, SouthArmadillo},
    {kModeSouthArmadilloGlobe, SouthArmadillo},
    {kModeOblateNorth, RaiszEllipsoid},
    {kModeOblateNorthGlobe, RaiszEllipsoid},
    {kModeOblateSouth, RaiszEllipsoid},
    {kModeOblateSouthGlobe, RaiszEllipsoid},
    {kModeProlateNorth, RaiszEllipsoid},
    {kModeProlateNorthGlobe, RaiszEllipsoid},
    {kModeProlateSouth, RaiszEllipsoid},
    {kModeProlateSouthGlobe, RaiszEllipsoid},
    {kModeQuatrefoil, Quatrefoil},
    {kModeRetroazimuthalFront, RetroazimuthalFront},
    {kModeRetroazimuthalBack, RetroazimuthalBack},
};

}  // namespace

ProjectionTable FlatWorldMapProjections() { return kServed; }
