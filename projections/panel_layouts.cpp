#include "projections/panel_layouts.h"

#include <cmath>

#include "common/matrices.h"
#include "common/random.h"
#include "polyhedra/polyhedron.h"
#include "records/TransformationReply.h"
#include "projections/view_steps.h"
#include "records/vort.h"
#include "projections/projection_families.h"
#include "records/output_modes.h"
#include "records/renderhinttype.h"

namespace {

constexpr double kPiTruncated = 3.141592653;  // the cylinders' range limit

// d = (X', Y', 1) normalised.
inline void PanelRay(float d[3], float X, float Y) {
    const float n = 1.0f / std::sqrt(X * X + Y * Y + 1.0f);
    d[0] = X * n;
    d[1] = Y * n;
    d[2] = n;
}

// Turns the panel's ray by `turns` of a full turn about the vertical axis.
inline void TurnPanel(float point[3], const float d[3], float turns) {
    const float U = (std::atan2(d[0], d[2]) + kPiF) / (2.0f * kPiF) - turns;
    EquiStep(point, U, ClampedAcos(d[1]) / kPiF);
}

inline void StoreNormalisedD(float point[3], double x, double y, double z) {
    const double m = std::sqrt(x * x + y * y + z * z);
    if (!(m > 0.0) || !std::isfinite(m)) {
        point[0] = 0.0f, point[1] = 0.0f, point[2] = 1.0f;
        return;
    }
    point[0] = float(x / m);
    point[1] = float(y / m);
    point[2] = float(z / m);
}

}  // namespace

void DoTriptych(float point[3], float u, float v, float f, float a) {
    constexpr float kSixRoot3 = 10.392304f;  // a third of the width spans 120°
    const float t = (u - 0.5f) * f + 0.5f, w = (v - 0.5f) * f * a;
    const int k = t < 1.0f / 3.0f ? -1 : (t > 2.0f / 3.0f ? 1 : 0);
    float d[3];
    PanelRay(d, -kSixRoot3 * (t - (0.5f + float(k) / 3.0f)), -kSixRoot3 * w);
    if (k == 0) {
        point[0] = d[0], point[1] = d[1], point[2] = d[2];
        return;
    }
    TurnPanel(point, d, float(k) / 3.0f);
}

void DoTetraptych(float point[3], float u, float v, float f, float a) {
    const float t = (u - 0.5f) * f + 0.5f, w = (v - 0.5f) * f * a;
    const int k = t > 0.75f ? 3 : (t > 0.5f ? 2 : (t > 0.25f ? 1 : 0));
    float d[3];
    PanelRay(d, -8.0f * (t - (0.25f * float(k) + 0.125f)), -8.0f * w);
    if (k == 0) {
        point[0] = d[0], point[1] = d[1], point[2] = d[2];
        return;
    }
    TurnPanel(point, d, float(k) / 4.0f);
}

long ViewGridCell(long columns, long rows, double X, double Y, double* lx, double* ly) {
    const double gx = 0.5 * double(columns) + X, gy = 0.5 * double(rows) + Y;
    if (!(gx > 0.0 && gx < double(columns) && gy > 0.0 && gy < double(rows))) return -1;
    const long i = long(std::floor(gx)), j = long(std::floor(gy));
    *lx = gx - double(i) - 0.5;
    *ly = gy - double(j) - 0.5;
    return j + rows * i;
}

void DoMultiviews(const vort* c, const polyhedron* solid, unsigned char* outside, float point[3], long* view,
                  TransformationReply* reply, double X, double Y) {
    *outside = 1;
    *view = -1;
    double lx, ly;
    const long k = ViewGridCell(c->viewColumns, c->viewRows, X, Y, &lx, &ly);
    if (k < 0 || !solid || k >= solid->faceCount3D) return;
    const triplex& n = solid->face3D[k].normal;
    const double axis[3] = {n.x, n.y, n.z}, zAxis[3] = {0.0, 0.0, 1.0};
    double M[16];
    FromToBuildRotationD(zAxis, axis, M);
    const double f = c->lensWidth;
    double d[3] = {-f * lx, -f * ly, 1.0};
    const double m = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    for (double& e : d) e /= m;
    double r[3];
    MultiplyRowVectorBy3x3D(d, M, r);
    point[0] = float(r[0]);
    point[1] = float(r[1]);
    point[2] = float(r[2]);
    *view = k;
    reply->place = int32_t(k);
    *outside = 0;
}

namespace {

// The turns from the view's axis onto +x, -x, +y, -y, +z and -z, made once:
// every face of a cube layout looks along one of them, and each of its
// pixels would build the same matrix again.
struct AxisTurns {
    double M[6][16];
    AxisTurns() {
        const double zAxis[3] = {0.0, 0.0, 1.0};
        for (int k = 0; k < 6; ++k) {
            double axis[3] = {0.0, 0.0, 0.0};
            axis[k / 2] = k % 2 ? -1.0 : 1.0;
            FromToBuildRotationD(zAxis, axis, M[k]);
        }
    }
};
const AxisTurns kAxisTurns;

// The turn for a face looking along F: the table's for a signed unit axis,
// else built here.
const double* TurnOntoFace(const float F[3], double built[16]) {
    const int nonzero = (F[0] != 0.0f) + (F[1] != 0.0f) + (F[2] != 0.0f);
    for (int a = 0; a < 3 && nonzero == 1; ++a)
        if (F[a] == 1.0f || F[a] == -1.0f) return kAxisTurns.M[2 * a + (F[a] < 0.0f ? 1 : 0)];
    const double axis[3] = {F[0], F[1], F[2]}, zAxis[3] = {0.0, 0.0, 1.0};
    FromToBuildRotationD(zAxis, axis, built);
    return built;
}

}  // namespace

void DoCubeViews_core(const vort* c, unsigned char* outside, float point[3], long* slot, double X, double Y,
                      const float faces[6][3]) {
    *outside = 1;
    *slot = -1;
    point[0] = 0.0f, point[1] = 0.0f, point[2] = 1.0f;
    double lx, ly;
    const long k = ViewGridCell(c->viewColumns, c->viewRows, X, Y, &lx, &ly);
    if (k < 0 || k > 5) return;
    *outside = 0;
    *slot = k;
    // A fixed 90° lens: the cell's edges are 45° off its axis.
    double d[3] = {-2.0 * lx, -2.0 * ly, 1.0};
    const double m = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    for (double& e : d) e /= m;
    const float* F = faces[k];
    if (F[0] == 0.0f && F[1] == 0.0f && F[2] == -1.0f) {
        // Looking back: a half turn about the vertical axis.
        point[0] = float(-d[0]);
        point[1] = float(d[1]);
        point[2] = float(-d[2]);
        return;
    }
    double built[16], r[3];
    MultiplyRowVectorBy3x3D(d, TurnOntoFace(F, built), r);
    point[0] = float(r[0]);
    point[1] = float(r[1]);
    point[2] = float(r[2]);
}

const float (*CubeViewFaces(long mode))[3] {
    static constexpr float kUnity[6][3] = {{-1, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
    static constexpr float kFacebook[6][3] = {{-1, 0, 0}, {0, -1, 0}, {1, 0, 0}, {0, 0, 1}, {0, 1, 0}, {0, 0, -1}};
    static constexpr float kPano2VR[6][3] = {{0, 0, 1}, {1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, 0, -1}, {0, -1, 0}};
    switch (mode) {
        case kModeUnity6Frames: return kUnity;
        case kModeFacebook3x2Cube: return kFacebook;
        case kModePano2VR3x2Cube: return kPano2VR;
        default: return nullptr;
    }
}

void JitterMirrorTable(MirrorTable* t, int32_t seed) {
    if (t->drawn && t->seed == seed) return;
    Rule30State state;
    InitRule30Seeded(&state, uint32_t(seed));
    auto coordinate = [&state] { return double((GetRule30Short(&state) & 1023) - 512) / 80.0; };
    for (int i = 0; i < kMirrorCount; ++i) {
        t->a[i][0] = coordinate();
        t->a[i][1] = coordinate();
        t->b[i][0] = coordinate();
        t->b[i][1] = coordinate();
    }
    t->seed = seed;
    t->drawn = 1;
}

void DoMirrors(float point[3], unsigned char* outside, TransformationReply* reply, const MirrorTable* t, double X,
               double Y) {
    reply->place = kPlaceNoRegion;
    *outside = 0;
    double px = X, py = Y;
    for (int i = 0; t && i < kMirrorCount; ++i) {
        const double ax = t->a[i][0], ay = t->a[i][1], bx = t->b[i][0], by = t->b[i][1];
        const double ex = bx - ax, ey = by - ay, ee = ex * ex + ey * ey;
        if (!(ee > 0.0)) continue;  // both ends in one place: no line to mirror in
        if ((ax - px) * (by - py) - (ay - py) * (bx - px) < 0.0) {
            const double gx = px - ax, gy = py - ay;
            const double k = 2.0 * (gx * ex + gy * ey) / ee;
            px = ax + k * ex - gx;
            py = ay + k * ey - gy;
        }
    }
    EquiStep(point, float(0.1 * px), float(0.1 * py));
}

void DoCylindrical(const vort* c, float point[3], double X, double Y) {
    const double k = std::fmin(double(c->aspect), 1.0);
    const double psi = 2.0 * kPiD * k * X, h = -8.0 * k * Y;
    StoreNormalisedD(point, -std::sin(psi), h, std::cos(psi));
}

void DoTwoCylinders(unsigned char* outside, float point[3], int64_t* face, double X, double Y) {
    constexpr double kCos = 0.7071067812908092, kSin = 0.7071067810822859;  // an eighth turn
    *outside = 1;
    const double a = X * kCos + Y * kSin, b = -X * kSin + Y * kCos;
    const double c1[3] = {std::sin(-a), -b, std::cos(a)};
    const double c2[3] = {-a, std::sin(-b), std::cos(b)};
    const double* chosen = c1;
    const float length1 = float(1.0 + b * b), length2 = float(1.0 + a * a);
    const double cosA = std::cos(a), cosB = std::cos(b);
    if (length2 > length1 && std::fabs(a) <= kPiTruncated && b * b + cosA * cosA < 1.0) {
        *face = 1;
        *outside = 0;
    } else if (std::fabs(b) <= kPiTruncated && a * a + cosB * cosB < 1.0) {
        chosen = c2;
        *face = 2;
        *outside = 0;
    }
    const double p = chosen[0], q = chosen[1], r = chosen[2];
    StoreNormalisedD(point, p * kCos - q * kSin, p * kSin + q * kCos, r);
}

void DoThreeCylinders(unsigned char* outside, float point[3], int64_t* face, double X, double Y) {
    *outside = 1;
    const float x = float(X), y = float(Y);
    const float sx = std::sin(x), cx = std::cos(x), sy = std::sin(y), cy = std::cos(y);
    float p[3] = {std::sin(-x), -y, cx};
    auto take = [&](float a, float b, float c, int64_t k) {
        p[0] = a, p[1] = b, p[2] = c;
        *face = k;
        *outside = 0;
    };
    if (std::fabs(X) <= kPiTruncated && y * y + cx * cx < 1.0f && sx * sx + y * y < 1.0f) take(p[0], p[1], p[2], 1);
    if (std::fabs(Y) <= 0.5 * kPiD) {
        if (x * x + cy * cy < 1.0f && x * x + sy * sy < 1.0f) take(-x, std::sin(-y), cy, 2);
        float e = float(X - kPiTruncated);
        if (e * e + cy * cy < 1.0f && e * e + sy * sy < 1.0f) take(e, std::sin(-y), -cy, 2);
        e = float(0.5 * kPiD - X);
        if (cy * cy + e * e < 1.0f && sy * sy + e * e < 1.0f) take(-cy, std::sin(-y), e, 3);
        e = float(-0.5 * kPiD - X);
        if (cy * cy + e * e < 1.0f && sy * sy + e * e < 1.0f) take(cy, std::sin(-y), -e, 3);
    }
    if (std::sqrt(X * X + Y * Y) < 0.02) *outside = 0;  // the centre is always inside
    StoreNormalisedD(point, p[0], p[1], p[2]);
}

// ---- the output modes these layouts serve ----

namespace {

void Cylindrical(ProjectionSample& s) { DoCylindrical(s.context, s.point, s.plane.Xb, s.plane.Yb); }
void Triptych(ProjectionSample& s) { DoTriptych(s.point, s.u, s.v, s.context->lensWidth, s.context->aspect); }
void Tetraptych(ProjectionSample& s) { DoTetraptych(s.point, s.u, s.v, s.context->lensWidth, s.context->aspect); }

// The grids of 4 to 72 views.
void Multiviews(ProjectionSample& s) {
    DoMultiviews(s.context, s.context->outputPolyhedron, &s.miss, s.point, &s.region, s.reply, s.plane.Xb,
                 s.plane.Yb);
}

void TwoCylinders(ProjectionSample& s) {
    int64_t face = s.hints->placeOverride;
    DoTwoCylinders(&s.miss, s.point, &face, s.plane.Xb, s.plane.Yb);
    s.hints->placeOverride = face;
}
void ThreeCylinders(ProjectionSample& s) {
    int64_t face = s.hints->placeOverride;
    DoThreeCylinders(&s.miss, s.point, &face, s.plane.Xb, s.plane.Yb);
    s.hints->placeOverride = face;
}

void CubeViews(ProjectionSample& s) {
    DoCubeViews_core(s.context, &s.miss, s.point, &s.region, s.plane.Xb, s.plane.Yb, CubeViewFaces(s.mode));
}

void Mirrors(ProjectionSample& s) {
    DoMirrors(s.point, &s.miss, s.reply, s.context->mirrorTable, s.plane.Xb, s.plane.Yb);
}

constexpr ProjectionEntry kServed[] = {
    {kModeCylindrical, Cylindrical},
    {kModeTriptych, Triptych},
    {kModeTetraptych, Tetraptych},
    {kMode4Views, Multiviews},
    {kMode12Views, Multiviews},
    {kMode24Views, Multiviews},
    {kMode60Views, Multiviews},
    {kMode72Views, Multiviews},
    {kModeTwoCylinders, TwoCylinders},
    {kModeThreeCylinders, ThreeCylinders},
    {kModeUnity6Frames, CubeViews},
    {kModeFacebook3x2Cube, CubeViews},
    {kModePano2VR3x2Cube, CubeViews},
    {kModeMirrors, Mirrors},
};

}  // namespace

ProjectionTable PanelLayoutProjections() { return kServed; }
