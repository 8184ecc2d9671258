#include "projections/square_world_maps.h"

#include <algorithm>
#include <cmath>

#include "projections/peirce.h"
#include "projections/caches.h"
#include "projections/stereographic.h"
#include "projections/projection_families.h"
#include "records/output_modes.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kHalfRoot2 = 0.707106781186548;

// The Peirce lookup without its final 45° turn.
fcomplex PeirceUnturned(PyramidDescriptor* cache, double x, double y) {
    const fcomplex w = PeirceInverseMagicallyCenteredInput(cache, x, y);
    return {kHalfRoot2 * (w.re + w.im), kHalfRoot2 * (w.im - w.re)};
}

}  // namespace

void TotalAdams(unsigned char* miss, triplex* out, PyramidDescriptor* peirceCache, int variant, fcomplex* discPoint,
                double x, double y) {
    const double s = x + 0.5, t = y + 0.5;
    if (!(s >= 0.0 && s <= 1.0 && t >= 0.0 && t <= 1.0)) {
        *miss = 1;
        if (discPoint) *discPoint = {0.0, 0.0};
        return;
    }
    const fcomplex w = variant == 2 || variant == 3 ? PeirceUnturned(peirceCache, 2.0 * s - 1.0, 2.0 * t - 1.0)
                                                    : PeirceInverseMagicallyCenteredInput(peirceCache, 2.0 * s - 1.0,
                                                                                          2.0 * t - 1.0);
    const double r2 = w.re * w.re + w.im * w.im;
    double p[3] = {-2.0 * w.re / (1.0 + r2), -2.0 * w.im / (1.0 + r2), (1.0 - r2) / (1.0 + r2)};
    *miss = 0;
    // The hemisphere of the Peirce disc opens onto the whole sphere.
    SubstituteSphereSegment_NiceD(p, miss, 0.5, 0.0);
    *out = {p[0], p[1], p[2]};
    if (discPoint) *discPoint = w;
}

void TotalGuyou(unsigned char* miss, float out[3], PyramidDescriptor* peirceCache, long* region,
                fcomplex* discPoint, double x, double y) {
    const double s = x + 1.0, t = y + 0.5;
    if (!(s >= 0.0 && s <= 2.0 && t >= 0.0 && t <= 1.0)) {
        *miss = 1;
        return;
    }
    const bool left = s < 1.0;
    const double ls = left ? s : s - 1.0;
    const fcomplex w = PeirceUnturned(peirceCache, 2.0 * ls - 1.0, 2.0 * t - 1.0);
    float p[3];
    InverseStereographicStep(p, w.re, w.im);
    if (left) {
        out[0] = p[2], out[1] = p[1], out[2] = -p[0];
    } else {
        out[0] = -p[2], out[1] = p[1], out[2] = p[0];
    }
    *miss = 0;
    if (region) *region = left ? 0 : 1;
    if (discPoint) *discPoint = w;
}

void DoubleGuyou(unsigned char* miss, float out[3], PyramidDescriptor* peirceCache, long* region, double X,
                 double Y) {
    const bool left = X < 0.0;
    TotalGuyou(miss, out, peirceCache, region, nullptr, left ? X + 1.0 : X - 1.0, Y);
    if (*miss) return;
    SubstituteSphereSegment(out, miss, 2.0);
    const float x = out[0], z = out[2];
    if (left) {
        out[0] = z, out[2] = -x;
    } else {
        out[0] = -z, out[2] = x;
    }
}

void YankEquatorDownForWiderect_NiceD(double p[3]) { automorphicDisk_prettily_on_sphere(p, 0.17162937594758676); }
void YankEquatorDownForPreEllipse_NiceD(double p[3]) { automorphicDisk_prettily_on_sphere(p, 0.08645612373948097); }

void TotalWiderect(unsigned char* miss, triplex* out, PyramidDescriptor* peirceCache, double x, double y) {
    triplex a;
    TotalAdams(miss, &a, peirceCache, 2, nullptr, y + 0.25, -x);
    if (*miss) return;
    double p[3] = {-a.y, a.z, -a.x};
    SubstituteSphereSegment_NiceD(p, miss, 0.5, 0.0);
    YankEquatorDownForWiderect_NiceD(p);
    *out = {p[0], p[1], p[2]};
}

namespace {
void PreEllipseFromAdamsPoint(unsigned char* miss, triplex* out, PyramidDescriptor* peirceCache, double ax,
                              double ay) {
    triplex a;
    TotalAdams(miss, &a, peirceCache, 3, nullptr, ax, ay);
    if (*miss) return;
    double p[3] = {-a.y, a.z, -a.x};
    YankEquatorDownForPreEllipse_NiceD(p);
    double q[3] = {p[0], -p[2], p[1]};
    SubstituteSphereSegment_NiceD(q, miss, 0.5, 0.0);
    *out = {q[0], q[1], q[2]};
}
}  // namespace

void TotalEllipse(unsigned char* miss, triplex* out, PyramidDescriptor* peirceCache, double x, double y) {
    const fcomplex a = Carcsin({2.0 * x, 2.0 * y});
    PreEllipseFromAdamsPoint(miss, out, peirceCache, a.im / kPi, -a.re / kPi);
}

void TotalEqualsquarea(unsigned char* miss, float out[3], PyramidDescriptor* equalAreaCache, double x, double y) {
    if (!(std::fabs(x) <= 1.0 && std::fabs(y) <= 1.0)) {
        *miss = 1;
        out[0] = 0.0f, out[1] = 0.0f, out[2] = 1.0f;
        return;
    }
    double c[3];
    FetchFromCache_Equalsquarea(equalAreaCache, std::fabs(x), std::fabs(y), c);
    const double m = std::sqrt(c[0] * c[0] + c[1] * c[1] + c[2] * c[2]);
    *miss = 0;
    if (m == 0.0) {
        out[0] = 0.0f, out[1] = 0.0f, out[2] = 1.0f;
        return;
    }
    out[0] = static_cast<float>(std::copysign(std::fabs(c[0] / m), x));
    out[1] = static_cast<float>(std::copysign(std::fabs(c[1] / m), y));
    out[2] = static_cast<float>(c[2] / m);
}

void BuildSpilhausRotation(float R[3][3]) {
    constexpr double kLatitude = -49.56371678 * kPi / 180.0;
    constexpr double kLongitude = 66.94970198 * kPi / 180.0;
    constexpr double kTurn = 40.17823482 * kPi / 180.0;
    // The centre: east longitudes lie towards -x.
    const triplex c = {-std::cos(kLatitude) * std::sin(kLongitude), std::sin(kLatitude),
                       std::cos(kLatitude) * std::cos(kLongitude)};
    // North at the centre, then turned about the centre by the aspect's angle.
    const triplex n = Tnormalize({-std::sin(kLatitude) * -std::sin(kLongitude), std::cos(kLatitude),
                                  -std::sin(kLatitude) * std::cos(kLongitude)});
    const triplex e = {c.y * n.z - c.z * n.y, c.z * n.x - c.x * n.z, c.x * n.y - c.y * n.x};  // c × n
    const triplex up = Tadd(Tscale(n, std::cos(kTurn)), Tscale(e, std::sin(kTurn)));
    // Rows: map x, map y (up), map z (the centre); x = y × z keeps the hand.
    const triplex x = {up.y * c.z - up.z * c.y, up.z * c.x - up.x * c.z, up.x * c.y - up.y * c.x};
    const triplex rows[3] = {x, up, c};
    for (int i = 0; i < 3; ++i) {
        R[i][0] = static_cast<float>(rows[i].x);
        R[i][1] = static_cast<float>(rows[i].y);
        R[i][2] = static_cast<float>(rows[i].z);
    }
}

// ---- the output modes these maps serve ----

namespace {

void AdamsSquare(ProjectionSample& s, int variant) {
    if (PyramidDescriptor* c = CacheOrMiss(s, kCacheTagPeirce)) {
        triplex t{};
        TotalAdams(&s.miss, &t, c, variant, nullptr, s.plane.X, s.plane.Y);
        StoreDirection(s, t);
    }
}
void Adams1(ProjectionSample& s) { AdamsSquare(s, 1); }
void Adams2(ProjectionSample& s) { AdamsSquare(s, 2); }

void Guyou(ProjectionSample& s) {
    if (PyramidDescriptor* c = CacheOrMiss(s, kCacheTagPeirce))
        TotalGuyou(&s.miss, s.point, c, &s.region, nullptr, s.plane.X, s.plane.Y);
}

void TwoGuyous(ProjectionSample& s) {
    if (PyramidDescriptor* c = CacheOrMiss(s, kCacheTagPeirce))
        DoubleGuyou(&s.miss, s.point, c, &s.region, s.plane.X, s.plane.Y);
}

void WideRect(ProjectionSample& s) {
    if (PyramidDescriptor* c = CacheOrMiss(s, kCacheTagPeirce)) {
        triplex t{};
        TotalWiderect(&s.miss, &t, c, s.plane.X, s.plane.Y);
        StoreDirection(s, t);
    }
}

void Ellipse(ProjectionSample& s) {
    if (PyramidDescriptor* c = CacheOrMiss(s, kCacheTagPeirce)) {
        triplex t{};
        TotalEllipse(&s.miss, &t, c, s.plane.X, s.plane.Y);
        StoreDirection(s, t);
    }
}

void EqualSquarea(ProjectionSample& s) {
    if (PyramidDescriptor* c = CacheOrMiss(s, kCacheTagEqualsquarea))
        TotalEqualsquarea(&s.miss, s.point, c, s.plane.X, s.plane.Y);
}

// The Spilhaus map: Adams' square in the oblique aspect of the world ocean,
// a little of the neighbouring (turned) tiles showing around it.
void Spilhaus(ProjectionSample& s) {
    PyramidDescriptor* cache = CacheOrMiss(s, kCacheTagPeirce);
    if (!cache) return;
    static constexpr int kQuarterTurns[9] = {3, 1, 3, 2, 0, 2, 3, 1, 3};
    const double a = s.plane.Y, b = -s.plane.X;
    if (!(a + 0.5 >= 0.0 && a + 0.5 <= 1.0) || !(b + 0.5 >= 0.0 && b + 0.5 <= 1.0)) {
        s.miss = 1;
        return;
    }
    const double p = 1.15 * a + 0.5, q = 1.15 * b + 0.5 + 0.02;
    const double fp = std::floor(p), fq = std::floor(q);
    const double la = (p - fp) - 0.5, lb = (q - fq) - 0.5;
    const int k = std::clamp(static_cast<int>((fq + 1.0) * 3.0 + (fp + 1.0)), 0, 8);
    double X = la, Y = lb;
    switch (kQuarterTurns[k]) {
        case 1: X = -lb, Y = la; break;
        case 3: X = -la, Y = -lb; break;
        case 2: X = lb, Y = -la; break;
        default: break;
    }
    triplex t{};
    TotalAdams(&s.miss, &t, cache, 1, nullptr, X, Y);
    if (s.miss) return;
    // Row vector times the aspect's 3x3 rotation.
    const float v[3] = {static_cast<float>(t.x), static_cast<float>(t.y), static_cast<float>(t.z)};
    const auto& R = s.context->spilhausRotation;
    for (int j = 0; j < 3; ++j) s.point[j] = v[0] * R[0][j] + v[1] * R[1][j] + v[2] * R[2][j];
}

constexpr ProjectionEntry kServed[] = {
    {kModeAdams1, Adams1},
    {kModeAdams2, Adams2},
    {kModeGuyou, Guyou},
    {kModeDoubleGuyou, TwoGuyous},
    {kModeWideRect, WideRect},
    {kModeEllipse, Ellipse},
    {kModeEqualSquarea, EqualSquarea},
    {kModeSpilhaus, Spilhaus},
};

}  // namespace

ProjectionTable SquareWorldMapProjections() { return kServed; }
