#include "projections/lens_views.h"

#include <cmath>

#include "common/rays.h"
#include "records/TransformationReply.h"
#include "projections/stereographic.h"
#include "projections/view_steps.h"
#include "records/vort.h"
#include "projections/projection_families.h"
#include "records/output_modes.h"

void DoGnomonic(float point[3], float u, float v, float f, float shift, float a) {
    GnomonicOnRow(point, u, GnomonicRowAt(v, f, shift, a));
}

void DoBall(float point[3], const vort* c, unsigned char* outside, float u, float v) {
    const double X = 2.0 * c->inverseScale * ((double(u) - 0.5) - c->planeCentreX);
    const double Y = 2.0 * c->inverseScale * (double(v) - 0.5) * c->aspect;
    const double z = 1.0 - 2.0 * (X * X + Y * Y);
    if (!(z >= -1.0)) {  // beyond the ball's rim (or NaN)
        *outside = 1;
        return;
    }
    const double k = std::sqrt(2.0 * (z + 1.0));
    point[0] = float(-k * X);
    point[1] = float(-k * Y);
    point[2] = float(z);
    *outside = 0;
}

void Do_Panini(unsigned char* outside, float point[3], double x, double y, float f) {
    // The ray starts on the cylinder itself, so its nearer root is its own
    // start: the far hit is the view's.
    const double ray[6] = {0.0, -1.0, 0.0, -0.5 * x * f, 1.0, 0.5 * y * f};
    const double centre[3] = {0.0, 0.0, 0.0};
    double nearHit[6], farHit[6];
    if (!IntersectRayWithQuadricSurface(ray, centre, nearHit, farHit, kQuadricCylinder, 1.0)) {
        *outside = 1;
        return;
    }
    const double m = std::sqrt(farHit[0] * farHit[0] + farHit[1] * farHit[1] + farHit[2] * farHit[2]);
    if (!(m > 0.0) || !std::isfinite(m)) {
        *outside = 1;
        return;
    }
    point[0] = float(farHit[0] / m);
    point[1] = float(-farHit[2] / m);
    point[2] = float(farHit[1] / m);
    *outside = 0;
}

void DoLambertAzimuthal(unsigned char* outside, float point[3], TransformationReply* reply, double X, double Y) {
    const double A = -4.0 * X, B = -4.0 * Y;
    const double s = A * A + B * B;
    if (!(s * 0.25 <= 1.0)) {
        *outside = 1;
        return;
    }
    const double k = std::sqrt(1.0 - 0.25 * s);
    point[0] = float(k * A);
    point[1] = float(k * B);
    point[2] = float(1.0 - 0.5 * s);
    *outside = 0;
    for (int i = 0; i < 3; ++i) reply->surfaceNormal[i] = point[i];
}

void DoZenithNadir(unsigned char* outside, float point[3], long* panel, TransformationReply* reply, double x,
                   double y) {
    *outside = 1;
    reply->place = kPlaceNoDirection;
    if (!(y >= -0.25 && y <= 0.25)) return;
    const double Y = -4.0 * y;
    const bool zenith = x >= -0.5 && x <= 0.0;
    if (!zenith && !(x > 0.0 && x <= 0.5)) return;
    const double X = zenith ? -4.0 * (x + 0.25) : -4.0 * (x - 0.25);
    const double n = 1.0 / std::sqrt(X * X + Y * Y + 1.0);
    point[0] = float(X * n);
    point[1] = float(zenith ? n : -n);
    point[2] = float(zenith ? -Y * n : Y * n);
    const int k = zenith ? 1 : 2;
    reply->place = k;
    *panel = k;
    *outside = 0;
}

void DoStereoMulti(unsigned char* outside, float point[3], double x, double y, double fraction, float f) {
    // The lift puts the view's centre on the pole +y about which the segment
    // substitution turns, so the segment repeats around the view's centre;
    // the final swap brings the centre back to +z. With fraction 1 this is
    // exactly the stereographic view of mode 16 (the only lift for which it
    // is).
    const double k = 0.5 * double(f) * double(f);
    const double Px = x * k, Py = y * k;
    const double s = Px * Px + Py * Py, inv = 1.0 / (1.0 + s);
    double d[3] = {-2.0 * Px * inv, (1.0 - s) * inv, 2.0 * Py * inv};
    SubstituteSphereSegment_NiceD(d, outside, fraction, 0.0);
    *outside = 0;
    point[0] = float(d[0]);
    point[1] = float(-d[2]);
    point[2] = float(d[1]);
}

// ---- the output modes these views serve ----

namespace {

// The rectilinear lens and the shift lens; their samples have no region.
void Rectilinear(ProjectionSample& s) {
    const vort* c = s.context;
    DoGnomonic(s.point, s.u, s.v, c->lensWidth, c->shiftTangent, c->aspect);
    s.reply->place = kPlaceNoRegion;
}
void MirrorBall(ProjectionSample& s) { DoBall(s.point, s.context, &s.miss, s.u, s.v); }
void StereoTwice(ProjectionSample& s) {
    DoStereoMulti(&s.miss, s.point, s.plane.X, s.plane.Y, 0.5, s.context->lensWidth);
}
void StereoThrice(ProjectionSample& s) {
    DoStereoMulti(&s.miss, s.point, s.plane.X, s.plane.Y, 1.0 / 3.0, s.context->lensWidth);
}
void ZenithAndNadir(ProjectionSample& s) {
    DoZenithNadir(&s.miss, s.point, &s.region, s.reply, s.plane.X, s.plane.Y);
}
void Panini(ProjectionSample& s) { Do_Panini(&s.miss, s.point, s.plane.X, s.plane.Y, s.context->lensWidth); }
void LambertAzimuthal(ProjectionSample& s) {
    DoLambertAzimuthal(&s.miss, s.point, s.reply, s.plane.Xb, s.plane.Yb);
}

constexpr ProjectionEntry kServed[] = {
    {kModeRectilinear, Rectilinear},
    {kModeShiftLens, Rectilinear},
    {kModeMirrorBall, MirrorBall},
    {kModeStereoTwice, StereoTwice},
    {kModeStereoThrice, StereoThrice},
    {kModeZenithAndNadir, ZenithAndNadir},
    {kModePanini, Panini},
    {kModeLambertAzimuthal, LambertAzimuthal},
};

}  // namespace

ProjectionTable LensViewProjections() { return kServed; }
