#include "projections/gores.h"

#include <algorithm>
#include <cmath>

#include "common/matrices.h"
#include "records/TransformationReply.h"
#include "projections/caches.h"
#include "common/angles.h"
#include "projections/forward_maps.h"
#include "projections/sample_road.h"
#include "projections/projection_families.h"
#include "records/output_modes.h"
#include "records/renderhinttype.h"

namespace {
constexpr float kShortPiF = 3.141592653f;
constexpr int kEllipsoidSteps = 399;
constexpr int kParameterBisections = 18;
}  // namespace

void gorecore(float gx, float gy, float n, float k, float out[3], unsigned char* outside, TransformationReply* reply,
              float scale, int mode) {
    reply->faceTag = mode;
    *outside = 0;
    reply->place = kRegionInGore;
    const float w = std::cos((gy - 0.5f) * kShortPiF) / n;
    float x = kPiF * -gx;
    if (mode == 0 && gx > w) {
        // Past the gore's right edge: the mirrored flap of the neighbour.
        k -= 1.0f;
        const float a = -2.0f * kPiF / n;
        const float px = -gx * std::cos(a) - gy * std::sin(a);
        const float py = -gx * std::sin(a) + gy * std::cos(a);
        const float m = kPiF / 2.0f - kPiF / n;  // mirror line's angle
        const float c2 = std::cos(2.0f * m), s2 = std::sin(2.0f * m);
        const float fx = px * c2 + py * s2, fy = px * s2 - py * c2;
        x = fx;
        reply->place = kRegionGoreFlap;
        reply->netPosition[0] = std::sqrt(fx * fx + fy * fy) / scale;
    } else if (mode == 1) {
        const int N = static_cast<int>(std::floor(n)), K = static_cast<int>(std::floor(k));
        auto wrap = [N](int i) { return N > 0 ? ((i % N) + N) % N : 0; };
        if (-gx > w) reply->place = kRegionGoreGapBase - wrap(K - 1);
        else if (gx > w) reply->place = kRegionGoreGapBase - wrap(K);
    }
    const float y = std::sin((1.0f - gy - 0.5f) * -kPiF);
    const float r = std::sqrt(std::fmax(1.0f - y * y, 0.0f));
    const float c = (gy >= 0.0f && gy <= 1.0f) ? -r : r;
    float X = x, Y = y, Z = c;
    const float len = std::sqrt(X * X + Y * Y + Z * Z);
    if (len == 0.0f) {
        X = 0.0f, Y = 0.0f, Z = 1.0f;
    } else {
        X /= len, Y /= len, Z /= len;
    }
    const float turn = k * (-2.0f * kPiF / n);
    const float ct = std::cos(turn), st = std::sin(turn);
    out[0] = -(X * ct + Z * st);
    out[1] = -Y;
    out[2] = Z * ct - X * st;
}

void GetQevDiscSphere(float out[3], unsigned char* outside, TransformationReply* reply, int mode, float x, float y,
                      float n, float scale) {
    *outside = 1;
    reply->place = kRegionOutsideTemplate;
    out[0] = 1.0f, out[1] = 0.0f, out[2] = 0.0f;
    reply->faceTag = -1;
    if (!(x * x + y * y <= 1.0f)) return;
    *outside = 0;
    reply->place = kRegionInGore;
    float theta = XYtoRadians(x, y) - 1.5f * kPiF;
    theta = theta > 0.0f ? 2.0f * kPiF - theta : -theta;
    const int N = std::max(static_cast<int>(std::floor(n)), 1);
    const int j = static_cast<int>(std::floor((kPiF / n + theta) * n / (2.0f * kPiF)));
    const int K = ((N - j) % N + N) % N;
    // Turn the gore's centre line onto +y: the rim of the disc is the far pole.
    const float a = kPiF / 2.0f - static_cast<float>(j) * 2.0f * kPiF / n;
    const float ca = std::cos(a), sa = std::sin(a);
    const float xr = x * ca - y * sa, yr = x * sa + y * ca;
    gorecore(xr * scale, yr * scale, n, static_cast<float>(N - K), out, outside, reply, scale, mode);
    if (mode == 0) {
        if (reply->place != kRegionGoreFlap && reply->place != -13) reply->place = kRegionDiscGoreBase - K;
    } else if (reply->place >= -499) {
        reply->place = kRegionInGore;
    }
}

float GetQevFoldingSpherePoleToPoleHeight(float k) { return 0.5f / (2.0f * k + 1.0f); }
float spheretabwidth(float w, float k) { return k / ((2.0f * k + 1.0f) * w); }

void GetQevFoldingSphere(float out[3], unsigned char* outside, TransformationReply* reply, float x, float y,
                         float stripCount, float k) {
    *outside = 1;
    reply->place = kRegionOutsideTemplate;
    const float h = GetQevFoldingSpherePoleToPoleHeight(k);
    if (!(std::fabs(y) <= (0.037f + h) / 2.0f)) return;
    const float t = spheretabwidth(stripCount, k) / 2.0f;
    const float q = x - t + 0.5f;
    if (q > -2.0f * t && q < 0.0f) {
        reply->place = kRegionGlueTab;
        return;
    }
    const float cell = q * stripCount;
    const float gore = std::floor(cell);
    if (!(gore >= 0.0f && gore <= stripCount - 1.0f)) return;
    const float gy = y / h + 0.5f;  // 0 at the north pole, 1 at the south pole
    if (!(gy >= 0.0f && gy <= 1.0f)) return;
    *outside = 0;
    reply->place = kRegionInGore;
    reply->faceTag = 0;
    float f = (2.0f * k + 1.0f) * (cell - gore) - k;  // 0..1 across the gore at the equator
    const float halfWidth = 0.5f * std::cos(kPiF * y / h);
    float flap = 0.0f;
    if (f < 0.5f - halfWidth) {
        // The fold flap shows its neighbour's edge mirrored, as it lies once
        // glued under it.
        reply->place = kRegionGoreFlap;
        reply->faceTag = 1;
        flap = -1.0f;
        f = 0.5f + halfWidth - ((0.5f - halfWidth) - f);
    } else if (f > 1.0f + k) {
        reply->faceTag = 3;
    }
    // Across the gore, the tangent of the gore's half angle scales the offset
    // so that the edges of neighbouring gores meet.
    const float phi = (0.5f - gy) * kPiF;
    const float cosPhi = std::cos(phi);
    const float across = (f - 0.5f) * 2.0f * std::tan(kPiF / stripCount);
    const float delta = cosPhi > 0.0f ? std::atan(across / cosPhi) : 0.0f;
    const float lambda = (gore + flap + 0.5f) * (2.0f * kPiF / stripCount) - kPiF + delta;
    RectangularToSpherical(out, 0.5f - lambda / (2.0f * kPiF), gy);
}

namespace {

// The cells of the thorn net: which variant uses a cell, the cube axis it
// shows and its turn about that axis (degrees).
struct ThornCell {
    int cls;  // 0 never, 1 always, 2 for a non-zero variant, 3 for variant 0
    double axis[3];
    double turnDegrees;
};
constexpr ThornCell kThornCells[16] = {
    {0, {0, 0, 1}, 0},  {0, {0, 0, 1}, 0},   {2, {-1, 0, 0}, 180}, {0, {0, 0, 1}, 0},
    {0, {0, 0, 1}, 0},  {0, {0, 0, 1}, 0},   {1, {0, 1, 0}, 90},   {3, {0, 0, 1}, 90},
    {3, {-1, 0, 0}, 0}, {1, {0, 0, -1}, 180}, {1, {1, 0, 0}, 0},   {2, {0, 0, 1}, 0},
    {0, {0, 0, 1}, 0},  {2, {0, -1, 0}, 180}, {3, {0, -1, 0}, -90}, {0, {0, 0, 1}, 0},
};

}  // namespace

void GetThornView(long columns, long rows, float out[3], unsigned char* outside, PyramidDescriptor* sphereCubeCache,
                  long variant, int twin, float x, float y) {
    if (twin) {
        if (variant != 0) {
            x += 0.195f, y += 0.14f;
        } else {
            x -= 0.24f, y -= 0.145f;
        }
    }
    const double u = 1.365234375 * (x * 0.929182231426239 + y * 0.30190959572792053);
    const double v = 1.365234375 * (x * 0.30190959572792053 - y * 0.929182231426239);
    double pu = 0.0, pv = 0.0;
    const double r2 = u * u + v * v;
    if (r2 > 0.0) {
        const double m = std::exp(0.375 * std::log(r2));  // r^0.75
        const double a = 0.75 * std::atan2(v, u);
        pu = m * std::cos(a), pv = m * std::sin(a);
    }
    constexpr double c = 0.7071067690849304;  // 45 degrees
    GetThornViewCore(columns, rows, out, outside, sphereCubeCache, variant, static_cast<float>(pu * c - pv * c),
                     static_cast<float>(pu * c + pv * c));
}

void GetThornViewCore(long columns, long rows, float out[3], unsigned char* outside,
                      PyramidDescriptor* sphereCubeCache, long variant, float x, float y) {
    *outside = 1;
    const double X = columns / 2.0 + x, Y = rows / 2.0 + y;
    if (!(X > 0.0 && X < static_cast<double>(columns) && Y > 0.0 && Y < static_cast<double>(rows))) return;
    const long c = static_cast<long>(std::floor(X)), r = static_cast<long>(std::floor(Y));
    const ThornCell& cell = kThornCells[((c + r * rows) % 16 + 16) % 16];
    const bool used = cell.cls == 1 || (cell.cls == 2 && variant != 0) || (cell.cls == 3 && variant == 0);
    if (!used) return;
    *outside = 0;
    float p[3];
    FetchFromCache_spherecube(p, sphereCubeCache, 2.0 * (X - c - 0.5), 2.0 * (Y - r - 0.5));
    const double* a = cell.axis;
    if (a[2] == 1.0) {
        out[0] = p[0], out[1] = p[1], out[2] = p[2];
    } else if (a[2] == -1.0) {
        out[0] = p[0], out[1] = -p[1], out[2] = -p[2];
    } else {
        double M[16];
        const double from[3] = {0.0, 0.0, 1.0};
        FromToBuildRotationD(from, a, M);
        const float Mf[16] = {float(M[0]), float(M[1]), float(M[2]),  0.0f, float(M[4]), float(M[5]),
                              float(M[6]), 0.0f,        float(M[8]), float(M[9]), float(M[10]), 0.0f,
                              0.0f,        0.0f,        0.0f,        1.0f};
        MultiplyRowVectorBy3x3(p, Mf, out);
    }
    if (cell.turnDegrees != 0.0) {
        // Right-handed about the axis (Rodrigues' form of the unit quaternion).
        const double th = cell.turnDegrees * M_PI / 180.0;
        const double ct = std::cos(th), st = std::sin(th);
        const double v[3] = {out[0], out[1], out[2]};
        const double d = a[0] * v[0] + a[1] * v[1] + a[2] * v[2];
        const double cr[3] = {a[1] * v[2] - a[2] * v[1], a[2] * v[0] - a[0] * v[2], a[0] * v[1] - a[1] * v[0]};
        for (int i = 0; i < 3; ++i) out[i] = static_cast<float>(v[i] * ct + cr[i] * st + a[i] * d * (1.0 - ct));
    }
}

void GrabPointOnEllipsoidProfile(float out[3], int kind, float s, float scale) {
    out[2] = 0.0f;
    if (kind != 0) {
        const float th = s * kPiF;
        out[0] = std::sin(th) * 1.34f * scale;
        out[1] = 2.0f * std::pow((std::cos(th) / 2.0f + 0.5f) + 0.8f, 1.5f);
        return;
    }
    const float th = (s - 0.5f) * kPiF;
    out[0] = std::cos(th) * scale;
    out[1] = std::sin(th);
}

float distance_around_ellipsoid(float table[401], int kind, float s, float scale) {
    if (table[0] == kLazyTableUnbuilt) {
        float prev[3], cur[3];
        GrabPointOnEllipsoidProfile(prev, kind, 0.0f, scale);
        double sum = 0.0;
        table[0] = 0.0f;
        for (int i = 1; i <= kEllipsoidSteps; ++i) {
            GrabPointOnEllipsoidProfile(cur, kind, static_cast<float>(i) / kEllipsoidSteps, scale);
            sum += std::hypot(cur[0] - prev[0], cur[1] - prev[1]);
            table[i] = static_cast<float>(sum);
            std::copy(cur, cur + 3, prev);
        }
        table[400] = static_cast<float>(sum);
        if (sum > 0.0)
            for (int i = 1; i <= kEllipsoidSteps; ++i) table[i] = static_cast<float>(table[i] / sum);
    }
    return LazyTableLookup(table, std::clamp(s, 0.0f, 1.0f) * kEllipsoidSteps);
}

float binary_search_for_parameter_from_distance(float table[401], int kind, float d, float scale) {
    d = std::clamp(d, 0.0f, 1.0f);
    float lo = 0.0f, hi = d;
    if (distance_around_ellipsoid(table, kind, d, scale) < d) lo = d, hi = 1.0f;
    for (int i = 0; i < kParameterBisections; ++i) {
        const float mid = 0.5f * (lo + hi);
        if (distance_around_ellipsoid(table, kind, mid, scale) < d)
            lo = mid;
        else
            hi = mid;
    }
    return 0.5f * (lo + hi);
}

// ---- the output modes these layouts serve ----

namespace {

// A strip of gores with a glue tab.
void FoldingSphere(ProjectionSample& s) {
    GetQevFoldingSphere(s.point, &s.miss, s.reply, RoundedToFloat(s.plane.X), RoundedToFloat(s.plane.Y),
                        s.context->goreCount, 1.0f);
    if (s.reply->place >= kPlaceGlueTabBase) s.hints->onTab = 1;
}

void DiscSphere(ProjectionSample& s, int which) {
    s.planePoint = fcomplex{s.plane.Xb, s.plane.Yb};
    GetQevDiscSphere(s.point, &s.miss, s.reply, which, RoundedToFloat(s.plane.Xb), RoundedToFloat(s.plane.Yb),
                     s.context->goreCount, 1.0f + 0.01f * s.context->tabsSetting);
    if (s.reply->place >= kPlaceGlueTabBase) s.hints->onTab = 1;
}
void DiscSphereA(ProjectionSample& s) { DiscSphere(s, 0); }
void DiscSphereB(ProjectionSample& s) { DiscSphere(s, 1); }

void Thorn(ProjectionSample& s, long variant) {
    if (PyramidDescriptor* c = CacheOrMiss(s, kCacheTagSphereCube))
        GetThornView(s.context->viewColumns, s.context->viewRows, s.point, &s.miss, c, variant, 1,
                     RoundedToFloat(s.plane.X), RoundedToFloat(s.plane.Y));
}
void ThornDextro(ProjectionSample& s) { Thorn(s, 0); }
void ThornLevo(ProjectionSample& s) { Thorn(s, 1); }

constexpr ProjectionEntry kServed[] = {
    {kModeFoldingSphere, FoldingSphere},
    {kModeDiscSphereA, DiscSphereA},
    {kModeDiscSphereB, DiscSphereB},
    {kModeThorn, ThornDextro},
    {kModeThornLevo, ThornLevo},
};

}  // namespace

ProjectionTable GoreProjections() { return kServed; }
