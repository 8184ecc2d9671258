#include "projections/disc_layouts.h"

#include <algorithm>
#include <cmath>

#include "records/TransformationReply.h"
#include "projections/gores.h"
#include "projections/square_world_maps.h"
#include "projections/view_steps.h"
#include "records/output_modes.h"
#include "records/vort.h"
#include "projections/caches.h"
#include "projections/projection_families.h"

namespace {

constexpr double kGoreScale = 6.2846084;  // a little more than 2π
constexpr int kPolyconicIterations = 10;
constexpr double kPolyconicTolerance = 5e-6;
constexpr double kPolyconicRunaway = 10.0;

inline float Angle(double p, double q) { return XYtoRadians(float(p), float(q)); }

}  // namespace

double PolyconicLatitude(double x, double y) {
    const double A = y, B = x * x + y * y;
    if (A == 0.0) return 5e-5;
    double phi = A;
    for (int i = 0; i < kPolyconicIterations; ++i) {
        const double t = std::tan(phi);
        const double delta = (0.5 * (phi * phi + B) * t - (A * (phi * t + 1.0) - phi)) / ((phi - A) / t - 1.0);
        phi += delta;
        if (!(std::fabs(delta) >= kPolyconicTolerance) || std::fabs(delta) > kPolyconicRunaway) break;
    }
    return phi;
}

void DoGores(const vort* c, unsigned char* outside, float point[3], int32_t* place, long* panel, double X,
             double Y) {
    *panel = -1;
    *outside = 1;
    const long mode = c->outputMode;
    const double n = c->goreCount;
    if (!(n >= 1.0)) return;
    const double k = mode == kModeGores3Of12 ? 0.5 : (mode == kModeGores6Of12 ? 1.0 : 2.0);
    double x = k * X, y = k * Y;
    long umbrellaGore = -1;
    if (mode == kModeUmbrella) {
        // Eight panels around the centre, each turned into its gore.
        const double A = Angle(X, Y) - 1.5 * kPiD;
        const double a = A > 0.0 ? 2.0 * kPiD - A : -A;
        const long s = long(std::floor((a + kPiD / n) * 8.0 / (2.0 * kPiD)));
        umbrellaGore = ((18 - s) % 8 + 8) % 8;
        const double p = c->fieldOfView / 180.0;
        const double q = p > 0.5 && p < 1.0 ? p + 0.3 * (0.0625 - (p - 0.75) * (p - 0.75)) : p;
        const double g = umbrellaGore * kPiD / 4.0, cg = std::cos(g), sg = std::sin(g);
        const double xr = (2.0 * double(umbrellaGore) - n + 1.0) / n + q * (x * cg - y * sg);
        const double yr = q * (x * sg + y * cg) - 0.5;
        x = xr, y = yr;
    }
    double t = (x + 1.0) * n * 0.5;
    if (mode == kModeGores3Of12) t += 0.5;
    if (!std::isfinite(t)) return;
    const long i = long(std::floor(t));
    bool inRange;
    switch (mode) {
        case kModeGores3Of12: inRange = i >= 5 && i < 8; break;
        case kModeGores6Of12: inRange = i >= 3 && i < 9; break;
        case kModeUmbrella: inRange = i == umbrellaGore; break;
        default: inRange = i >= 0 && i < long(std::floor(n)); break;
    }
    if (!inRange) return;
    double gx = kGoreScale * (t - double(i) - 0.5) / n, gy = kGoreScale * y * 0.5;
    const double e = c->shapeFactor;
    if (mode == kModeTunableEllipsoid || mode == kModeTunableEgg) {
        const double w = 1.0 - std::clamp(e - 1.0, 0.0, 1.0);
        const double grow = 1.0 + 0.38 * (1.0 - w * w);
        gx *= grow;
        gy *= grow;
    }
    const double phi = PolyconicLatitude(gx, gy);
    const double top = mode == kModeUmbrella ? c->fieldOfView * kPiD / 180.0 - 0.5 * kPiD : 0.5 * kPiD;
    if (!(phi > -0.5 * kPiD && phi < top)) return;  // NaN too
    const double sp = std::sin(phi);
    double lambda = sp != 0.0 ? std::asin(gx * std::tan(phi)) / sp : 0.0;
    if (std::isnan(lambda)) lambda = 0.0;
    double U = lambda / (2.0 * kPiD) + 0.5;
    const double V = phi / kPiD + 0.5;
    if ((mode == kModeTunableEllipsoid || mode == kModeTunableEgg) && c->ellipsoidTable) {
        float* table = c->ellipsoidTable;
        double w;
        if (mode == kModeTunableEllipsoid) {
            const double h = binary_search_for_parameter_from_distance(table, 0, float(V), float(e));
            w = e * std::cos((h - 0.5) * kPiD);
        } else {
            const double h = binary_search_for_parameter_from_distance(table, 1, float(V), float(e));
            w = 1.34 * e * std::sin(h * kPiD);
        }
        const double cp = std::cos(phi);
        const double r = cp != 0.0 ? w / cp : 1.0;
        U = (U - 0.5) * (double(table[400]) / kPiD) / r + 0.5;
    }
    if (!(std::fabs(U - 0.5) <= 0.5 / n)) return;
    const double shifted = U + double(i) / n + 0.5 + 0.5 / n;
    EquiStep(point, float(1.0 - (shifted - std::floor(shifted))), float(V));
    *outside = 0;
    *place = int32_t(i + 1);
    *panel = i + 1;
}

void DoStar_3_5(const vort* c, unsigned char* outside, float point[3], double x, double y) {
    const int m = c->outputMode == kModeStar3 ? 3 : 5;
    const double X = 2.0 * x, Y = 2.0 * y - (m == 3 ? 0.192 : 0.095);
    const double rho = std::sqrt(X * X + Y * Y);
    *outside = 1;
    if (!(rho <= 1.0)) return;
    const double A = Angle(X, Y);
    if (rho <= 0.4) {
        PolarTurnOfEqui(point, float(-A / (2.0 * kPiD)), float(rho));
        *outside = 0;
        return;
    }
    const double sector = 2.0 * kPiD / m;
    const double k = std::round(A / sector);
    const double delta = A - k * sector;
    const double d = 1.0 - (rho - 0.4) / 0.6;
    if (!(d > 0.0) || !(std::fabs(delta) <= 0.5 * sector * d)) return;
    const double angle = k * sector + delta / d;
    PolarTurnOfEqui(point, float(-angle / (2.0 * kPiD)), float(rho));
    *outside = 0;
}

void DoRingThings(unsigned char* outside, float point[3], long mode, double x, double y, float fieldOfView) {
    const double X = 2.0 * x, Y = 2.0 * y, s = X * X + Y * Y;
    *outside = 1;
    if (mode == kModeAnnulus) {
        const double c = 1.0 - fieldOfView / 180.0;
        if (c == 1.0) return;
        const double s2 = (s - c) / (1.0 - c);
        if (!(s2 >= 0.0 && s2 <= 1.0)) return;
        EquiStep(point, float(-Angle(x, y) / (2.0 * kPiD)), float(std::sqrt(s2)));
        *outside = 0;
        return;
    }
    if (!(s <= 1.0)) return;
    const double rho = std::sqrt(s);
    const double V = mode == kModeMagnipolar ? (1.0 / (1.2 - rho) - 0.8333333333333334) * 6.0 / 25.0 : rho;
    PolarStep(point, float(x), float(y), float(V));
    *outside = 0;
}

void DoHalfpolar(float point[3], const vort* c, unsigned char* outside, float u, float v) {
    const double X = 2.0 * c->inverseScale * ((double(u) - 0.5) - c->planeCentreX);
    const double Y = 2.0 * c->inverseScale * (double(v) - 0.5) * c->aspect + 0.5;
    double A = XYtoRadiansD(X, Y);
    if (A >= 2.0 * kPiD) A -= 2.0 * kPiD;
    const double B = -2.0 * (A - kPiD);
    const double rho = std::sqrt(X * X + Y * Y);
    if (!(B >= -kPiD && B <= kPiD && rho <= 1.0)) {
        *outside = 1;
        return;
    }
    EquiStep(point, float((B + kPiD) / (2.0 * kPiD)), float(rho));
    *outside = 0;
}

void DoPinwheel(float point[3], unsigned char* outside, double x, double y) {
    const double X = 2.0 * x, Y = 2.0 * y, rho = std::sqrt(X * X + Y * Y);
    if (!(rho <= 1.0)) {
        *outside = 1;
        return;
    }
    double A = kPiD * rho * rho - Angle(X, Y);
    if (A > 2.0 * kPiD) A -= 2.0 * kPiD;
    PolarTurnOfEqui(point, float(A / (2.0 * kPiD)), float(1.0 - std::sqrt(1.0 - rho)));
    *outside = 0;
}

void DoDiamond(float point[3], unsigned char* outside, double x, double y) {
    *outside = 1;
    const double V = 2.0 * y + 0.5;
    if (!(V > 0.0 && V < 1.0)) return;
    const double w = 1.0 - std::fabs(2.0 * y);
    if (!(w > 0.0)) return;
    const double U = x / w + 0.5;
    if (!(U > 0.0 && U < 1.0)) return;
    EquiStep(point, float(1.0 - U), float(V));
    *outside = 0;
}

void DoCurvy(float point[3], const vort* c, unsigned char* outside, float u, float v) {
    *outside = 1;
    const double X = 2.0 * c->inverseScale * ((double(u) - 0.5) - c->planeCentreX);
    const double Y = 2.0 * c->inverseScale * (double(v) - 0.5) * c->aspect;
    const double z = 1.0 - 2.0 * (X * X + Y * Y);
    if (!(z >= -1.0)) return;
    const double k = std::sqrt(2.0 * (z + 1.0));
    const float D[3] = {float(-k * X), float(-k * Y), float(z)};
    const float U0 = (std::atan2(D[0], D[2]) + kPiF) / (2.0f * kPiF), V0 = ClampedAcos(D[1]) / kPiF;
    const float U = (U0 - 0.5f) * 1.75f + 0.5f, V = (V0 - 0.5f) * 1.75f + 0.5f;
    if (!(U >= 0.0f && U <= 1.0f && V >= 0.0f && V <= 1.0f)) return;
    EquiStep(point, U, V);
    *outside = 0;
}

void DoLoop(unsigned char* outside, float point[3], int32_t* place, double X, double Y) {
    const double P = -Y, Q = X, s = X * X + Y * Y;
    if (Y == -1.0 || !(s <= 1.0)) {
        *outside = 1;
        *place = kPlaceNoDirection;
        return;
    }
    *outside = 0;
    const double t = (s - 1.0) / (-2.0 * Y - 2.0);
    if (t > 0.5) {
        *place = -21;
        return;
    }
    *place = kPlaceNoRegion;
    const double m = 0.5 * std::sqrt((P - t) * (P - t) + Q * Q);
    const double e = (t - P) * (1.0 - P) / Q;
    const double n = std::sqrt((P - 1.0) * (P - 1.0) + e * e);
    const double V = m != 0.0 ? 0.5 / m : 0.0;
    double psi;
    if (n == 0.0) psi = -kPiD;
    else if (!std::isfinite(n)) psi = 0.0;  // on the vertical line Q = 0
    else psi = Q > 0.0 ? -kPiD / n : kPiD / n;
    const double sy = std::sin(kPiD * (V - 0.5));
    const double cc = std::sqrt(std::fmax(1.0 - sy * sy, 0.0));
    point[0] = float(std::sin(psi) * cc);
    point[1] = float(-sy);
    point[2] = float(std::cos(psi) * cc);
}

void DoTwoCircles(unsigned char* outside, float point[3], double x, double y) {
    const double xc = x < 0.0 ? x + 0.25 : x - 0.25;
    const double rho = 4.0 * std::sqrt(xc * xc + y * y);
    if (!(rho * rho <= 1.001)) {
        *outside = 1;
        return;
    }
    PolarStep(point, float(xc), float(y), float(1.0 - 1.0 / (1.0 + rho)));
    if (x >= 0.0) {  // the back hemisphere
        point[0] = -point[0];
        point[2] = -point[2];
    }
    *outside = 0;
}

namespace {

// Adams' square (variant 2) taken to its disc point; false outside.
bool SquareFishDisc(unsigned char* outside, PyramidDescriptor* cache, double x, double y, double* p, double* q) {
    if (!cache) {
        *outside = 1;
        return false;
    }
    triplex unused{};
    fcomplex w{0.0, 0.0};
    unsigned char miss = 0;
    TotalAdams(&miss, &unused, cache, 2, &w, 0.5 * x, 0.5 * y);
    if (miss) {
        *outside = 1;
        return false;
    }
    *p = w.re;
    *q = w.im;
    return true;
}

}  // namespace

void Do_squarefish1(unsigned char* outside, float point[3], PyramidDescriptor* cache, double x, double y) {
    double p, q;
    if (!SquareFishDisc(outside, cache, x, y, &p, &q)) return;
    const double z = 1.0 - 2.0 * (p * p + q * q);
    if (!(z >= -1.0)) {
        *outside = 1;
        return;
    }
    const double k = std::sqrt(2.0 * (z + 1.0));
    point[0] = float(-k * p);
    point[1] = float(-k * q);
    point[2] = float(z);
    *outside = 0;
}

void Do_squarefish2(unsigned char* outside, float point[3], PyramidDescriptor* cache, double x, double y) {
    double p, q;
    if (!SquareFishDisc(outside, cache, x, y, &p, &q)) return;
    const double s = p * p + q * q;
    if (!(s <= 1.0)) {
        *outside = 1;
        return;
    }
    point[0] = float(-p);
    point[1] = float(-q);
    point[2] = float(std::sqrt(1.0 - s));
    *outside = 0;
}

// ---- the output modes these layouts serve ----

namespace {

// Polar, magnipolar and the annulus.
void RingThings(ProjectionSample& s) {
    DoRingThings(&s.miss, s.point, s.mode, s.plane.X, s.plane.Y, s.context->fieldOfView);
}
void HalfPolar(ProjectionSample& s) { DoHalfpolar(s.point, s.context, &s.miss, s.u, s.v); }
void Pinwheel(ProjectionSample& s) { DoPinwheel(s.point, &s.miss, s.plane.X, s.plane.Y); }
void Lozenge(ProjectionSample& s) { DoDiamond(s.point, &s.miss, s.plane.X, s.plane.Y); }
void Curvy(ProjectionSample& s) { DoCurvy(s.point, s.context, &s.miss, s.u, s.v); }

// Every strip of gores, the umbrella and the tunable ellipsoid and egg.
void Gores(ProjectionSample& s) {
    DoGores(s.context, &s.miss, s.point, &s.reply->place, &s.region, RoundedToFloat(s.plane.Xb),
            RoundedToFloat(s.plane.Yb));
}

void Loop(ProjectionSample& s) { DoLoop(&s.miss, s.point, &s.reply->place, 2.0 * s.plane.X, 2.0 * s.plane.Y); }
void TwoCircles(ProjectionSample& s) { DoTwoCircles(&s.miss, s.point, s.plane.X, s.plane.Y); }

// Stars of 3 and 5 points.
void Star(ProjectionSample& s) {
    s.planePoint = fcomplex{s.plane.Xb, s.plane.Yb};
    DoStar_3_5(s.context, &s.miss, s.point, s.plane.X, s.plane.Y);
}

void SquareFish1(ProjectionSample& s) {
    if (PyramidDescriptor* c = CacheOrMiss(s, kCacheTagPeirce))
        Do_squarefish1(&s.miss, s.point, c, s.plane.X, s.plane.Y);
}
void SquareFish2(ProjectionSample& s) {
    if (PyramidDescriptor* c = CacheOrMiss(s, kCacheTagPeirce))
        Do_squarefish2(&s.miss, s.point, c, s.plane.X, s.plane.Y);
}

constexpr ProjectionEntry kServed[] = {
    {kModePolar, RingThings},
    {kModeMagnipolar, RingThings},
    {kModeAnnulus, RingThings},
    {kModeHalfPolar, HalfPolar},
    {kModePinwheel, Pinwheel},
    {kModeLozenge, Lozenge},
    {kModeCurvy, Curvy},
    {kModeGores12, Gores},
    {kModeGores24, Gores},
    {kModeGoresMulti, Gores},
    {kModeGores6Of12, Gores},
    {kModeGores3Of12, Gores},
    {kModeUmbrella, Gores},
    {kModeTunableEllipsoid, Gores},
    {kModeTunableEgg, Gores},
    {kModeGores18, Gores},
    {kModeLoop, Loop},
    {kModeTwoCircles, TwoCircles},
    {kModeStar3, Star},
    {kModeStar5, Star},
    {kModeSquareFish1, SquareFish1},
    {kModeSquareFish2, SquareFish2},
};

}  // namespace

ProjectionTable DiscLayoutProjections() { return kServed; }
