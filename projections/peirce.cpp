#include "projections/peirce.h"

#include <cmath>

#include "projections/caches.h"
#include "common/angles.h"
#include "projections/projection_families.h"
#include "records/output_modes.h"
#include "records/renderhinttype.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kHalfRoot2 = 0.707106781186548;
constexpr double kPentSector = 2.0 * kPi / 5.0;
constexpr double kCos36 = 0.8090169943749475;
constexpr double kSin36 = 0.5877852522924731;
constexpr double kCos18 = 0.9510565162951535;
constexpr double kSin18 = 0.3090169943749474;

inline void Miss(uint8_t* miss, float out[3]) {
    *miss = 1;
    out[0] = 0.0f, out[1] = 0.0f, out[2] = 1.0f;
}

inline fcomplex Turn(fcomplex p, double c, double s) { return {p.re * c - p.im * s, p.re * s + p.im * c}; }

// w^k by modulus and argument; 0 stays 0.
inline fcomplex RealPower(fcomplex w, double k) {
    const double r2 = w.re * w.re + w.im * w.im;
    if (r2 == 0.0) return {0.0, 0.0};
    const double m = std::exp(0.5 * k * std::log(r2));
    const double a = k * std::atan2(w.im, w.re);
    return {m * std::cos(a), m * std::sin(a)};
}

// The diamond's disc point raised, turned and lifted; `lower` for the corner
// triangles' hemisphere.
void LiftDiamondPoint(float out[3], PyramidDescriptor* cache, double s, double t, double k, double phi, bool lower) {
    fcomplex w = PeirceInverseMagically(cache, s, t);
    if (k != 1.0) w = RealPower(w, k);
    if (phi != 0.0) w = Turn(w, std::cos(phi), std::sin(phi));
    InverseStereographicStep(out, w.re, w.im);
    if (lower) out[2] = -out[2];
}

}  // namespace

void InverseStereographicStep(float out[3], double x, double y) {
    const float dx = static_cast<float>(2.0 * x), dy = static_cast<float>(2.0 * y);
    const float s = dx * dx + dy * dy + 4.0f;
    float ex = 0.0f, ey = 0.0f, h = 1.0f;
    if (s != 0.0f) {
        const float g = 1.0f / std::sqrt(s);
        ex = -dx * g, ey = -dy * g, h = 2.0f * g;
    }
    const float m = h + std::sqrt(1.0f - (1.0f - h * h));
    out[0] = ex * m, out[1] = ey * m, out[2] = h * m - 1.0f;
}

// ------------------------------------------------------- Peirce fold and lookup

fcomplex PeirceInverseMagicallyCenteredInput(PyramidDescriptor* cache, double x, double y) {
    const double a = std::fabs(x), b = std::fabs(y);
    const fcomplex c = FetchFromCache_Peirce(cache, a > b ? a : b, a > b ? b : a);
    double p = c.re, q = c.im;
    if (b > a) p = c.im, q = c.re;
    if (y < 0.0) q = -q;
    if (x < 0.0) p = -p;
    return {kHalfRoot2 * p - kHalfRoot2 * q, kHalfRoot2 * p + kHalfRoot2 * q};
}

fcomplex PeirceInverseMagically(PyramidDescriptor* cache, double s, double t) {
    return PeirceInverseMagicallyCenteredInput(cache, 2.0 * s - 1.0, 2.0 * t - 1.0);
}

// ------------------------------------------------------------------ the maps

void TotalPeirce(uint8_t* miss, float out[3], PyramidDescriptor* cache, double x, double y, double k, double phi) {
    if (std::fabs(x) > 1.0 || std::fabs(y) > 1.0 || std::isnan(x) || std::isnan(y)) return Miss(miss, out);
    double s = (x + y) / 2.0 + 0.5, t = (y - x) / 2.0 + 0.5;
    if (s >= 0.0 && s <= 1.0 && t >= 0.0 && t <= 1.0) {
        *miss = 0;
        return LiftDiamondPoint(out, cache, s, t, k, phi, false);
    }
    // A corner triangle: mirrored across the diamond's edge it faces.
    if (s >= 1.0 && s + t < 2.0 && s - t < 1.0) s = 2.0 - s;
    else if (s < 0.0 && s + t > 0.0 && s - t > -1.0) s = -s;
    else if (t >= 1.0 && s + t < 2.0 && s - t > -1.0) t = 2.0 - t;
    else if (t < 0.0 && s - t < 1.0 && s + t > 0.0) t = -t;
    else return Miss(miss, out);  // on a diagonal through a corner
    *miss = 0;
    LiftDiamondPoint(out, cache, s, t, k, phi, true);
}

void TotalPeirce_175(uint8_t* miss, float out[3], PyramidDescriptor* cache, double x, double y, double k,
                     double phi) {
    float d[3];
    TotalPeirce(miss, d, cache, x + 0.5, y + 0.5, k, phi);
    if (!*miss) {
        out[0] = d[0], out[1] = d[2], out[2] = -d[1];
        return;
    }
    TotalPeirce(miss, d, cache, x - 0.5, y - 0.5, k, phi);
    if (*miss) return Miss(miss, out);
    out[0] = -d[1], out[1] = -d[2], out[2] = d[0];
}

void TilingPeirce(uint8_t* miss, float out[3], PyramidDescriptor* cache, double x, double y, double /*aspect*/,
                  double n) {
    const double u = 0.2 * n * x, v = 0.2 * n * y;
    const double fu = std::floor(u), fv = std::floor(v);
    // Far beyond any tile count a user can set; keeps the integer cast defined.
    if (!(std::fabs(fu) < 1e15 && std::fabs(fv) < 1e15)) return Miss(miss, out);
    double tx = 2.0 * (u - fu) - 1.0, ty = 2.0 * (v - fv) - 1.0;
    if ((static_cast<int64_t>(fu) ^ static_cast<int64_t>(fv)) & 1) tx = -tx, ty = -ty;
    TotalPeirce(miss, out, cache, tx, ty, 1.0, 0.0);
}

void BendyPeirce(uint8_t* miss, float out[3], PyramidDescriptor* cache, int64_t kind, double x, double y, double k,
                 double turn, double scale, double dx, double dy) {
    fcomplex p = Turn({(x + dx) / scale, (y + dy) / scale}, std::cos(turn), std::sin(turn));
    const double theta = std::atan2(p.re, p.im);  // from the y axis
    double phi = 0.0;
    if (kind == 6) {
        if (theta > -1.5707963267948966 && theta < -0.5235987757948966) phi = -2.094395102;
        else if (theta > -2.6179938777948966 && theta < -1.5707963267948966) phi = 2.094395102;
    } else if (kind == 5) {
        if (theta > -2.1991148574948967 && theta <= -1.5707963267948966) phi = 6.283185307 / (k / 4.0);
        else if (theta > -1.5707963267948966 && theta < -0.9424777960948966) phi = -6.283185307 / (k / 4.0);
    }
    p = RealPower(p, k);
    TotalPeirce(miss, out, cache, p.re, p.im, 1.0 / k, phi);
}

void ChevronPeirce(uint8_t* miss, float out[3], PyramidDescriptor* cache, double x, double y, double /*aspect*/,
                   double dx, double dy) {
    // The plane turned by 45 degrees, so the Peirce square stands as a diamond.
    const double X = x + dx, Y = y + dy;
    const double px = X * 0.7071067812908092 - Y * 0.7071067810822859;
    const double py = (X + Y) / 1.414213562373095;
    TotalPeirce(miss, out, cache, px, py, 4.0 / 3.0, -0.5235987755);
    const double theta = std::atan2(px, py);
    if (theta > -1.5707963265 && theta < 0.0) Miss(miss, out);
}

// ------------------------------------------------------------- pentagon fold

fcomplex spunpInPentagon(fcomplex* A, fcomplex* B, polyflop* flop, double x, double y) {
    const double theta = std::atan2(y, x);
    const float sector = std::floor(static_cast<float>(theta / kPentSector));
    const double a = (-0.5 - static_cast<double>(sector)) * kPentSector;
    flop->angle = a;
    fcomplex p = Turn({x, y}, std::cos(a), std::sin(a));
    flop->flipped = 0;
    if (p.im < 0.0) {
        p.im = -p.im;
        flop->flipped = 1;
    }
    *A = {kCos36, kSin36};
    *B = {kCos36, 0.0};
    return p;
}

fcomplex getBarysOfManualPentagonForP_core(fcomplex* A, fcomplex* B, polyflop* flop, double x, double y) {
    const fcomplex p = spunpInPentagon(A, B, flop, x, y);
    // Weights in (A, B, O) with O at the origin: p = wA A + wB B.
    const double wA = p.im / kSin36;
    const double wO = 1.0 - p.re / kCos36;
    *A = deFlop(flop, A->re, A->im);
    *B = deFlop(flop, B->re, B->im);
    return {wO, wA};
}

fcomplex deFlop(const polyflop* flop, double x, double y) {
    if (flop->flipped) y = -y;
    return Turn({x, y}, std::cos(flop->angle), -std::sin(flop->angle));
}

fcomplex PentagonInverseMagicallyCenteredInput(PyramidDescriptor* cache, uint8_t* outside, double x, double y) {
    const fcomplex q = Turn({x, y}, kCos18, kSin18);
    fcomplex A, B;
    polyflop flop;
    const fcomplex w = getBarysOfManualPentagonForP_core(&A, &B, &flop, q.re, q.im);
    const fcomplex c = FetchFromCache_decant(cache, w.re, w.im);
    const double c0 = c.re, c1 = flop.flipped ? -c.im : c.im;
    const double phi = -kPi / 10.0 - flop.angle;
    const double cp = std::cos(phi), sp = std::sin(phi);
    *outside = w.re < 0.0 ? 1 : 0;
    return {-(c0 * cp + c1 * sp), c1 * cp - c0 * sp};
}

fcomplex BandInverseMagicallyCenteredInput(double x, double y) {
    // tanh is 1 to double precision long before exp overflows.
    const double X = 0.25 * kPi * std::fmax(-40.0, std::fmin(40.0, x)), Y = 0.25 * kPi * y;
    const double ep = std::exp(X), em = std::exp(-X);
    const double sh = 0.5 * (ep - em), ch = 0.5 * (ep + em);
    const double sy = std::sin(Y), cy = std::cos(Y);
    return Cdiv({sh * cy, ch * sy}, {ch * cy, sh * sy});
}

// ---- the output modes these maps serve ----

namespace {

void Trecunx(ProjectionSample& s) {
    if (PyramidDescriptor* c = CacheOrMiss(s, kCacheTagPeirce))
        BendyPeirce(&s.miss, s.point, c, 2, s.plane.X, s.plane.Y, 0.5, kPiD / 2.0, 0.5, 0.0, 0.0);
}
void Quadracunx(ProjectionSample& s) {
    if (PyramidDescriptor* c = CacheOrMiss(s, kCacheTagPeirce))
        BendyPeirce(&s.miss, s.point, c, 3, s.plane.X, s.plane.Y, 0.75, 0.5235987755, 0.727802037845706, 0.0,
                    -0.21398305084745764);
}
void PeirceQuincunx(ProjectionSample& s) {
    if (PyramidDescriptor* c = CacheOrMiss(s, kCacheTagPeirce))
        TotalPeirce(&s.miss, s.point, c, s.plane.X, s.plane.Y, 1.0, 0.0);
}
void Sexacunx(ProjectionSample& s) {
    if (PyramidDescriptor* c = CacheOrMiss(s, kCacheTagPeirce))
        BendyPeirce(&s.miss, s.point, c, 5, s.plane.X, s.plane.Y, 1.25, -0.3141592653, 0.7955812101910829, 0.0,
                    -0.101);
}
void Septecunx(ProjectionSample& s) {
    if (PyramidDescriptor* c = CacheOrMiss(s, kCacheTagPeirce))
        BendyPeirce(&s.miss, s.point, c, 6, s.plane.X, s.plane.Y, 1.5, 0.5235987755, 0.7911392405063291, 0.0, 0.0);
}
void Chevron(ProjectionSample& s) {
    if (PyramidDescriptor* c = CacheOrMiss(s, kCacheTagPeirce))
        ChevronPeirce(&s.miss, s.point, c, s.plane.X, s.plane.Y, s.context->aspect, 0.0, -0.35355339059327373);
}
void SquareTile(ProjectionSample& s) {
    if (PyramidDescriptor* c = CacheOrMiss(s, kCacheTagPeirce))
        TilingPeirce(&s.miss, s.point, c, s.plane.X, s.plane.Y, s.context->aspect, s.hints->tileScale);
}
void Peirce175(ProjectionSample& s) {
    if (PyramidDescriptor* c = CacheOrMiss(s, kCacheTagPeirce))
        TotalPeirce_175(&s.miss, s.point, c, s.plane.X, s.plane.Y, 1.0, 0.0);
}

constexpr ProjectionEntry kServed[] = {
    {kModeTrecunx, Trecunx},
    {kModeQuadracunx, Quadracunx},
    {kModePeirceQuincunx, PeirceQuincunx},
    {kModeSexacunx, Sexacunx},
    {kModeSeptecunx, Septecunx},
    {kModeChevron, Chevron},
    {kModeSquareTile, SquareTile},
    {kModePeirce1_75, Peirce175},
};

}  // namespace

ProjectionTable PeirceProjections() { return kServed; }
