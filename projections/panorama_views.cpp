#include "projections/panorama_views.h"

#include <cmath>

#include "records/TransformationReply.h"
#include "projections/stereographic.h"
#include "projections/view_steps.h"
#include "records/vort.h"
#include "projections/projection_families.h"
#include "records/output_modes.h"

namespace {

constexpr double kSqrtHalf = 0.7071067811865476;

// The hyperbolic lens's polar fraction at framed radius r.
inline float HyperbolicFraction(double x, double y, float f) {
    const double r = std::sqrt(x * x + y * y);
    return float(1.0 - 1.0 / (1.0 + 2.0 * double(f) * r));
}

inline void Store(float point[3], const double d[3]) {
    point[0] = float(d[0]);
    point[1] = float(d[1]);
    point[2] = float(d[2]);
}

// Normalises d into point; (0, 0, 1) for a zero (or not finite) length.
inline void StoreNormalised(float point[3], const float d[3]) {
    const float m = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    if (!(m > 0.0f) || !std::isfinite(m)) {
        point[0] = 0.0f, point[1] = 0.0f, point[2] = 1.0f;
        return;
    }
    for (int i = 0; i < 3; ++i) point[i] = d[i] / m;
}

}  // namespace

void DoHyperbolic(unsigned char* outside, float point[3], double x, double y, float f) {
    PolarStep(point, float(x), float(y), HyperbolicFraction(x, y, f));
    *outside = 0;
}

void DoQuasar(float point[3], unsigned char* outside, double x, double y) {
    const double X = 2.0 * x, Y = 2.0 * y;
    const float V = float(std::sqrt(std::sqrt(std::sqrt(X * X + Y * Y))));
    PolarStep(point, float(x), float(y), V);
    *outside = 0;
}

void DoOmnimax(unsigned char* outside, float point[3], double x, double y) {
    const double X = 2.0 * x, Y = 2.0 * (y - 0.135);
    const double s = X * X + Y * Y;
    if (!(s <= 1.0) || (Y > 0.0 && (Y / 0.46) * (Y / 0.46) + X * X > 1.0)) {
        *outside = 1;
        return;
    }
    const double rho = std::sqrt(s), rho2 = rho * rho;
    const double V = (1.411269 * rho - 0.094389 * rho * rho2 + 0.25674 * rho * rho2 * rho2) * 2.0 / kPiD;
    PolarStep(point, float(x), float(y - 0.135), float(V));
    *outside = 0;
}

void DoGoggles(float point[3], unsigned char* outside, double x, double y) {
    *outside = 1;
    const double Y = 2.0 * y / 1.4;
    const double rho = std::sqrt(4.0 * x * x + 4.0 * Y * Y);
    float D[3];
    PolarStep(D, float(x), float(Y), float(1.0 - 1.0 / (1.0 + 2.7 * rho)));
    const float U = ((std::atan2(D[0], D[2]) + kPiF) / (2.0f * kPiF) - 0.5f) * 1.4f + 0.5f;
    if (!(U >= 0.0f && U <= 1.0f)) return;
    EquiStep(point, U, ClampedAcos(D[1]) / kPiF);
    *outside = 0;
}

void DoOculus(unsigned char* outside, float point[3], double x, double y, float f, float a, float u, float v) {
    float G[3];
    RectilinearRay(G, u, v, f, a, 1.0f);
    const float gamma = ClampedAcos(G[2]) / kPiF;
    const float h = HyperbolicFraction(x, y, f);
    const float du = u - 0.5f, dv = v - 0.5f;
    const float m = std::sqrt(du * du + dv * dv);
    PolarStep(point, float(x), float(y), gamma + m * (h - gamma));
    *outside = 0;
}

void DoSwoop(unsigned char* outside, float point[3], double x, double y, float u, float v, float f, float a) {
    float H[3], G[3], D[3];
    PolarStep(H, float(x), float(y), HyperbolicFraction(x, y, f));
    RectilinearRay(G, u, v, f, a, -1.0f);
    const float w = (2.0f * (u - 0.5f)) * (2.0f * (u - 0.5f));
    for (int i = 0; i < 3; ++i) D[i] = G[i] + w * (H[i] - G[i]);
    StoreNormalised(point, D);
    *outside = 0;
}

void TotalUnFish(float point[3], unsigned char* outside, double x, double y, float g) {
    const double t = x * g, phi = 3.0 * y * g;
    if (!(std::fabs(phi) <= 0.5 * kPiD)) {
        *outside = 1;
        return;
    }
    double k = std::sin(phi) / 3.0, h = 0.0;
    if (t != 0.0) {
        k *= std::atan(2.1 * t) / (2.1 * t);
        h = 0.5 * t * std::atan(1.55 * t) / (1.55 * t);
    }
    if (!(std::fabs(h) <= 0.5 && std::fabs(k) <= 0.5)) {
        *outside = 1;
        return;
    }
    EquiStep(point, float(0.5 - h), float(0.5 + k));
    *outside = 0;
}

void DoWetch(unsigned char* outside, float point[3], double y, float u, float f, float a) {
    const double yf = y * f;
    if (!(yf >= -0.5 && yf <= 0.5)) {
        *outside = 1;
        return;
    }
    const float X = 2.0f * (u - 0.5f);
    const float e = 1.0f - 1.0f / (1.0f + f * std::fabs(X));
    const float U = X < 0.0f ? 0.5f + e / (3.0f * a) : 0.5f - e / (3.0f * a);
    EquiStep(point, U, float(0.5 + yf));
    *outside = 0;
}

void DoSemicircle(float point[3], unsigned char* outside, double x, double y) {
    const double w = 0.5 - y;
    if (!(w > 0.0)) {
        *outside = 1;
        return;
    }
    const double alpha = (w - x) * kSqrtHalf, beta = (w + x) * kSqrtHalf;
    double d[3];
    StereoLift(d, alpha * alpha - beta * beta, 2.0 * alpha * beta);
    *outside = 0;
    SubstituteSphereSegment_NiceD(d, outside, 0.5, 0.0);
    // The extra tumble: x and y negated, then an eighth turn about x.
    point[0] = float(-d[0]);
    point[1] = float(-(d[1] + d[2]) * kSqrtHalf);
    point[2] = float((d[2] - d[1]) * kSqrtHalf);
}

void Do_UpAndDown(float point[3], TransformationReply* reply, double x, double y, float v, float f) {
    const double k = 0.5 * double(f) * double(f);
    const double Px = k * x, Py = k * y;
    const double s = Px * Px + Py * Py;
    const double w = 2.0 * Py / (1.0 + s), z = (1.0 - s) / (1.0 + s);
    const double d0 = -2.0 * Px / (1.0 + s);
    if (v < 0.5f) {
        const double d[3] = {d0, -z, -w};
        Store(point, d);
        reply->place = kPlaceNoRegion;
    } else {
        const double d[3] = {d0, z, w};
        Store(point, d);
        reply->place = -9;
    }
}

void DoAboveAndBelow(float point[3], const vort* c, TransformationReply* reply, float u, float v) {
    const double k = 0.5 * double(c->lensWidth) * double(c->lensWidth) * c->inverseScale;
    const bool lower = v > 0.5f;
    const double X = k * ((double(u) - 0.5) - c->planeCentreX);
    const double Y = k * (double(v) - (lower ? 0.75 : 0.25)) * double(c->aspect);
    const double s = X * X + Y * Y;
    const double w = 2.0 * Y / (1.0 + s), z = (1.0 - s) / (1.0 + s);
    const double beta = (lower ? 0.5 : -0.5) * double(c->fieldOfView) * kPiD / 180.0;
    const double sb = std::sin(beta), cb = std::cos(beta);
    const double d[3] = {-2.0 * X / (1.0 + s), z * sb - w * cb, z * cb + w * sb};
    Store(point, d);
    reply->place = lower ? kPlaceNoRegion : -9;
}

void DoLogarithmic(float point[3], const vort* c, float u, float v) {
    const double k = 0.5 * double(c->lensWidth) * double(c->lensWidth);
    const double x = c->inverseScale * ((double(u) - 0.5) - c->planeCentreX);
    const double y = c->inverseScale * (double(v) - 0.5) * double(c->aspect);
    const double m = std::exp(k * x), a = k * y;
    double d[3];
    StereoLift(d, m * std::cos(a), m * std::sin(a));
    if (!std::isfinite(d[0] + d[1] + d[2])) {  // far beyond the pole -z
        d[0] = 0.0, d[1] = 0.0, d[2] = -1.0;
    }
    Store(point, d);
}

// ---- the output modes these views serve ----

namespace {

void Hyperbolic(ProjectionSample& s) { DoHyperbolic(&s.miss, s.point, s.plane.X, s.plane.Y, s.context->lensWidth); }
void Wetch(ProjectionSample& s) {
    DoWetch(&s.miss, s.point, s.plane.Y, s.u, s.context->lensWidth, s.context->aspect);
}
void Goggles(ProjectionSample& s) { DoGoggles(s.point, &s.miss, s.plane.X, s.plane.Y); }
void Quasar(ProjectionSample& s) { DoQuasar(s.point, &s.miss, s.plane.X, s.plane.Y); }
void Omnimax(ProjectionSample& s) { DoOmnimax(&s.miss, s.point, s.plane.X, s.plane.Y); }
void Swoop(ProjectionSample& s) {
    DoSwoop(&s.miss, s.point, s.plane.X, s.plane.Y, s.u, s.v, s.context->lensWidth, s.context->aspect);
}
void Oculus(ProjectionSample& s) {
    DoOculus(&s.miss, s.point, s.plane.X, s.plane.Y, s.context->lensWidth, s.context->aspect, s.u, s.v);
}
void UnFish(ProjectionSample& s) { TotalUnFish(s.point, &s.miss, s.plane.X, s.plane.Y, s.context->halfLensWidth); }
void Semicircle(ProjectionSample& s) { DoSemicircle(s.point, &s.miss, s.plane.X, s.plane.Y); }
void AboveAndBelow(ProjectionSample& s) { DoAboveAndBelow(s.point, s.context, s.reply, s.u, s.v); }
void UpAndDown(ProjectionSample& s) {
    Do_UpAndDown(s.point, s.reply, s.plane.X, s.plane.Y, s.v, s.context->lensWidth);
}

constexpr ProjectionEntry kServed[] = {
    {kModeHyperbolic, Hyperbolic},
    {kModeWetch, Wetch},
    {kModeGoggles, Goggles},
    {kModeQuasar, Quasar},
    {kModeOmnimax, Omnimax},
    {kModeSwoop, Swoop},
    {kModeOculus, Oculus},
    {kModeUnFish, UnFish},
    {kModeSemicircle, Semicircle},
    {kModeAboveAndBelow, AboveAndBelow},
    {kModeUpAndDown, UpAndDown},
};

}  // namespace

ProjectionTable PanoramaViewProjections() { return kServed; }
