#include "projections/florets.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "common/complex.h"
#include "polyhedra/polyhedron.h"
#include "projections/caches.h"
#include "projections/gores.h"
#include "projections/panel_layouts.h"
#include "projections/projection_families.h"
#include "projections/square_world_maps.h"
#include "projections/stereographic.h"
#include "records/output_modes.h"
#include "records/vort.h"
#include "records/renderhinttype.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

// S(p, q): the inverse stereographic step, in double precision.
inline void Stereo(double out[3], double p, double q) {
    const double d = 1.0 + p * p + q * q;
    out[0] = -2.0 * p / d;
    out[1] = -2.0 * q / d;
    out[2] = (1.0 - p * p - q * q) / d;
}
inline void Set(double out[3], double x, double y, double z) { out[0] = x, out[1] = y, out[2] = z; }
// (X, Z, -Y), the last step of several bases.
inline void XZMinusY(double out[3]) { Set(out, out[0], out[2], -out[1]); }
inline void FromFloat(double out[3], const float f[3]) { Set(out, f[0], f[1], f[2]); }
inline void FromTriplex(double out[3], const triplex& t) { Set(out, t.x, t.y, t.z); }

PyramidDescriptor* Cache(void* store, int64_t tag) { return BuiltProjectionCache(store, tag); }

// z^e for the point (a, b): modulus to the e, angle times e (0 at 0).
fcomplex PowerOf(double a, double b, double e) {
    const double r = std::hypot(a, b);
    if (r == 0.0) return {0.0, 0.0};
    const double m = std::pow(r, e), t = std::atan2(b, a) * e;
    return {m * std::cos(t), m * std::sin(t)};
}

}  // namespace

int64_t WhicCopyAmIIn(bool half, double y, double x, int64_t n) {
    const double shift = half ? 0.5 : 0.0;
    int64_t k = static_cast<int64_t>(std::floor(double(n) + shift + (std::atan2(x, y) - kPi / 2) * double(n) / (2 * kPi)));
    if (k >= n) k -= n;
    return k;
}

// ---- basis pieces ----

void PreFloret_Circle(uint8_t* miss, double out[3], double a, double b) {
    double d[3];
    Stereo(d, 2.0 * a - 1.0, 2.0 * b);
    Set(out, -d[1], d[0], d[2]);
    if (d[2] < 0.0) return;
    *miss = 0;
}

void PreFloret_Goggles(uint8_t* miss, double out[3], double a, double b) {
    constexpr double k = 1.2070313;
    Stereo(out, 2.0 * a / k, 2.0 * b / k);
    uint8_t outside = 0;
    SubstituteSphereSegment_NiceD(out, &outside, 0.75, 0.0);
    XZMinusY(out);
    *miss = outside;
}

void PreFloret_TallEllipse(uint8_t* miss, double out[3], void* store, double a, double b) {
    PyramidDescriptor* peirce = Cache(store, kCacheTagPeirce);
    if (!peirce) return;
    const fcomplex cd = Carcsin({-2.0 * b, 2.0 * (a - 0.4343354807430048)});
    triplex t{};
    uint8_t m = 0;
    TotalAdams(&m, &t, peirce, 3, nullptr, cd.im / kPi, -cd.re / kPi);
    if (m) return;
    Set(out, -t.y, t.z, -t.x);
    YankEquatorDownForPreEllipse_NiceD(out);
    Set(out, out[0], -out[2], out[1]);
    uint8_t outside = 0;
    SubstituteSphereSegment_NiceD(out, &outside, 0.5, 0.0);
    *miss = outside;
}

void PreFloret_Guyou(uint8_t* miss, double out[3], void* store, double a, double b) {
    PyramidDescriptor* peirce = Cache(store, kCacheTagPeirce);
    if (!peirce) return;
    float f[3];
    long region = 0;
    uint8_t m = 0;
    TotalGuyou(&m, f, peirce, &region, nullptr, a, b);
    if (m) return;
    FromFloat(out, f);
    XZMinusY(out);
    *miss = 0;
}

void PreFloret_CenteredEllipse(uint8_t* miss, double out[3], void* store, double a, double b) {
    PyramidDescriptor* peirce = Cache(store, kCacheTagPeirce);
    if (!peirce) return;
    triplex t{};
    uint8_t m = 0;
    TotalEllipse(&m, &t, peirce, a, b);
    if (m) return;
    FromTriplex(out, t);
    XZMinusY(out);
    *miss = 0;
}

void PreFloret_Thorn(uint8_t* miss, double out[3], void* store, double a, double b) {
    PyramidDescriptor* cube = Cache(store, kCacheTagSphereCube);
    if (!cube) return;
    constexpr double k = 1.365234375, c = 0.30190959572792053, s = 0.929182231426239, h = 0.7071067690849304;
    const double p = k * (c * a - s * b), q = k * (s * a + c * b);
    const fcomplex rs = PowerOf(q, p, 0.75);
    const double r = rs.re, sv = rs.im * h;
    float f[3];
    uint8_t m = 0;
    GetThornViewCore(4, 4, f, &m, cube, 0, float(h * r + sv), float(h * r - sv));
    if (m) return;
    ThornTurn(f, out);
    *miss = 0;
}

void ThornTurn(const float f[3], double out[3]) {
    // The turn of the cube's (1, 1, 1) diagonal onto the pole, u = (X + Y) / sqrt 2.
    const double X = f[0], Y = f[1], Z = f[2], u = (X + Y) * 0.7071067811865476;
    Set(out, 0.7071067812908092 * X - 0.7071067810822859 * Y, 0.816496580927726 * u - 0.5773502691896257 * Z,
        0.5773502691896257 * u + 0.816496580927726 * Z);
}

void PreFloret_bidactyl(uint8_t* miss, double out[3], double x, double y) {
    const double p = 3.8 * x, q = 3.8 * y;
    constexpr double k = 0.38423402213117186, rho = 0.41421356237309503, band = 0.3650768932506719,
                     centre = 0.779290455623767;
    Set(out, 1, 0, 0);
    *miss = 1;
    if (q > band) {
        const double d = q - centre, r2 = p * p + d * d;
        if (std::sqrt(r2) <= rho) {
            Set(out, 2 * p / (1 + r2), -(1 - r2) / (1 + r2), 2 * d / (1 + r2));
            *miss = 0;
        }
    } else if (q < -band) {
        const double d = q + centre, r2 = p * p + d * d;
        if (std::sqrt(r2) <= rho) {
            Set(out, 2 * p / (1 + r2), (1 - r2) / (1 + r2), -2 * d / (1 + r2));
            *miss = 0;
        }
    } else if (std::fabs(k * p) <= 0.5) {
        const double phi = std::atan(std::sinh(2 * kPi * k * q));
        const double s = -std::sin(phi), c = std::sqrt(1 - s * s);
        // The band's edge p = 0 lies on the cut of the lune substitution's
        // angle: in single precision the longitude there rounds past pi and a
        // sliver of the edge lands one lobe over. Kept in double.
        const double lam = (0.5 - k * p) * 2 * kPi;
        Set(out, c * std::sin(lam), s, c * std::cos(lam));
        *miss = 0;
    }
    Set(out, out[0], -out[2], out[1]);
}

void PreFloret_2_cylinders(uint8_t* miss, double out[3], double a, double b) {
    float f[3];
    int64_t face = 0;
    uint8_t m = 1;
    DoTwoCylinders(&m, f, &face, a, b);
    FromFloat(out, f);
    XZMinusY(out);
    *miss = m;
}

void PreFloret_3_cylinders(uint8_t* miss, double out[3], double a, double b) {
    float f[3];
    int64_t face = 0;
    uint8_t m = 1;
    // The lobe opens onto the half-plane a >= 0. A point on the border
    // between two lobes (a pixel centre exactly on it) can come out of the
    // power a hair below 0, and the cylinders put it across the cut of the
    // lune substitution's angle, on the far side of the floret. Held on the
    // border.
    if (a < 0.0) a = 0.0;
    // The lobe shows the half of the three-cylinder plane that holds the
    // hemisphere x >= 0, but the cylinder about the x axis lays the cap about
    // (0, 0, -1) out once only, across the far end of the other half (X from
    // pi - 1 to pi + 1): its part with x >= 0 lies past X = pi, outside the
    // lobe, and the lobe's own end at X = -pi pinches to a point. That part is
    // shown where it belongs on this side, one turn of X over (the mirror of
    // the part with x < 0): without it every lobe drops its end and the
    // floret a fifth of the sphere about the antipode of its centre.
    if (a >= kPi - 1.0 && a <= kPi) {
        DoThreeCylinders(&m, f, &face, 2.0 * kPi - a, -b);
        if (m == 0 && face == 2) {
            FromFloat(out, f);
            XZMinusY(out);
            *miss = 0;
            return;
        }
        m = 1;
    }
    DoThreeCylinders(&m, f, &face, -a, -b);
    FromFloat(out, f);
    XZMinusY(out);
    *miss = m;
}

void PolyhedralBasisPoint(int64_t kind, double a, double b, const double offset[2], double* px, double* py) {
    *px = a, *py = b;
    switch (kind) {
        case 17: {
            const fcomplex w = PowerOf(a, b, 5.0 / 6.0);
            *px = w.re + offset[0], *py = w.im + offset[1];
            break;
        }
        case 20:
        case 21:
            *px = -0.8660254040793354 * a + 0.4999999994892239 * b;
            *py = -0.4999999994892239 * a - 0.8660254040793354 * b;
            break;
        case 22: {
            const fcomplex w = PowerOf(a, b, 0.75);
            *px = (w.re + w.im) * 0.7071067811865476;
            *py = (w.im - w.re) * 0.7071067811865476;
            break;
        }
        case 25: *px = -b, *py = a + offset[0]; break;
        case 28: *px = a + offset[0], *py = b + offset[1]; break;
        default: break;
    }
}

void PolyhedralBasisDirection(int64_t kind, const float f[3], double o[3]) {
    const double f0 = f[0], f1 = f[1], f2 = f[2];
    switch (kind) {
        case 12: case 22: case 28: Set(o, -f0, -f1, f2); break;
        case 15: Set(o, -f1, f2, -f0); break;
        case 16:
            Set(o, 0.9510565162951535 * f0 + 0.3090169943749474 * f2, 0.9510565162951535 * f2 - 0.3090169943749474 * f0,
                -f1);
            break;
        case 17: case 25: Set(o, f0, f1, f2); break;
        case 18: Set(o, 0.7071067811865476 * (f0 - f1), 0.7071067811865476 * (f0 + f1), f2); break;
        case 21: Set(o, f1, f2, f0); break;
        // Kind 29 keeps the solid's third axis the right way up: with all
        // three axes negated the turn would be a reflection and the floret
        // the mirror image of its basis.
        case 29: Set(o, -f1, f2, -f0); break;
        default: Set(o, f0, f2, -f1); break;  // 7, 8, 11, 14, 20, 23
    }
}

void CopsInTroubleCore(uint8_t* miss, double out[3], void* store, uint64_t, const WarpyBasis* B,
                       const polyhedron* poly, renderhinttype* hints, void* handOn, double x, double y,
                       FloretPolyhedralTransform transform) {
    if (hints) hints->floretRegion = -1;
    *miss = 1;
    Set(out, 0, 0, 1);
    const int64_t n = B->lobeCount;
    if (B->kind == 0 || n <= 0) return;
    // 1-3: pre-turn, lobe, the lobe turned onto the reference lobe.
    const double xp = x * B->preTurnCos - y * B->preTurnSin, yp = x * B->preTurnSin + y * B->preTurnCos;
    const int64_t k = WhicCopyAmIIn(true, yp, xp, n);
    const double alpha = 2 * kPi * double(k) / double(n), ca = std::cos(alpha), sa = std::sin(alpha);
    const double px = xp * ca - yp * sa, py = xp * sa + yp * ca;
    // 4-5: open the lobe by the power, scale.
    fcomplex w{px, py};
    if (!B->noPower) w = PowerOf(px, py, (double(n) / 2.0) / B->powerDivisor);
    const double a = w.re * B->scale, b = w.im * B->scale;
    if (hints) hints->floretRegion = k;
    switch (B->kind) {
        case 1: PreFloret_Circle(miss, out, a, b); break;
        case 2: PreFloret_Goggles(miss, out, a, b); break;
        case 3: PreFloret_TallEllipse(miss, out, store, a, b); break;
        case 4: PreFloret_Guyou(miss, out, store, a, b); break;
        case 5: PreFloret_CenteredEllipse(miss, out, store, a, b); break;
        case 6: PreFloret_Thorn(miss, out, store, a, b); break;
        case 24: PreFloret_bidactyl(miss, out, a, b); break;
        case 26: PreFloret_2_cylinders(miss, out, a, b); break;
        case 27: PreFloret_3_cylinders(miss, out, a, b); break;
        default: {
            if (!transform) return;
            // The basis net is read in the frame the set-up keeps with it:
            // about the centre of its bounding box, half its width to the
            // unit. Kinds 17, 25 and 28 move the lobe point by the pair
            // kept with that frame.
            const double none[2] = {0.0, 0.0};
            const double* offset = poly ? poly->floretOffset : none;
            double qx, qy;
            PolyhedralBasisPoint(B->kind, a, b, offset, &qx, &qy);
            if (poly) {
                qx = poly->floretCentre[0] + poly->floretScale * qx;
                qy = poly->floretCentre[1] + poly->floretScale * qy;
            }
            float f[3] = {0, 0, 1};
            transform(f, miss, poly, handOn, qx, qy);
            PolyhedralBasisDirection(B->kind, f, out);
            break;
        }
    }
    if (*miss) return;
    // 6: the lune substitution.
    double h = double(n) / 2.0;
    if (B->kind == 3) h *= 2.0;
    if (B->kind == 25) h *= 3.3333333333333335;
    uint8_t scratch = 0;
    SubstituteSphereSegment_NiceD(out, &scratch, h / B->powerDivisor, B->luneOffset);
    // 7: turn the lobe back.
    const double beta = -2 * kPi * B->lobeSpin * double(k) / double(n), cb = std::cos(beta), sb = std::sin(beta);
    Set(out, out[0] * cb + out[2] * sb, out[0] * sb - out[2] * cb, out[1]);
    // 8: final turn and tilt.
    if (B->finalTurn != 0.0) {
        const double c = std::cos(B->finalTurn), s = std::sin(B->finalTurn);
        Set(out, out[0] * c - out[1] * s, out[0] * s + out[1] * c, out[2]);
    }
    if (B->tilt != 0.0) {
        const double c = std::cos(B->tilt), s = std::sin(B->tilt), Z = out[2], X = out[0];
        out[2] = Z * c - X * s;
        out[0] = Z * s + X * c;
    }
}

void CopsInTrouble(uint8_t* miss, float out[3], void* store, uint64_t word, const WarpyBasis* basis,
                   const polyhedron* poly, renderhinttype* hints, void* handOn, double x, double y,
                   FloretPolyhedralTransform transform) {
    double d[3];
    CopsInTroubleCore(miss, d, store, word, basis, poly, hints, handOn, x, y, transform);
    for (int i = 0; i < 3; ++i) out[i] = float(d[i]);
}

bool FloretFigureBox(const WarpyBasis& B, bool malta, double box[4]) {
    switch (B.kind) {
        case 1: case 2: case 24: case 26: case 27: break;
        default: return false;
    }
    auto drawn = [&](double x, double y) {
        uint8_t miss = 1;
        double d[3];
        CopsInTroubleCore(&miss, d, nullptr, 0, &B, nullptr, nullptr, nullptr, x, y);
        if (!miss && malta) SubstituteSphereSegment_NiceD(d, &miss, 0.5, 0.0);
        return !miss;
    };
    // Each ray is walked out in small steps to the last drawn one, and the
    // edge beyond it found by halving; the figures lie within 1.5 of the
    // centre.
    constexpr int kRays = 360, kSteps = 200;
    constexpr double kReach = 1.5;
    box[0] = box[2] = 0.0, box[1] = box[3] = 0.0;
    bool any = false;
    for (int k = 0; k < kRays; ++k) {
        const double t = 2.0 * kPi * k / kRays, cx = std::cos(t), cy = std::sin(t);
        int last = -1;
        for (int i = 1; i <= kSteps; ++i)
            if (drawn(kReach * i / kSteps * cx, kReach * i / kSteps * cy)) last = i;
        if (last < 0) continue;
        double in = kReach * last / kSteps, out = kReach * (last + 1) / kSteps;
        for (int i = 0; i < 24; ++i) {
            const double mid = 0.5 * (in + out);
            (drawn(mid * cx, mid * cy) ? in : out) = mid;
        }
        const double x = in * cx, y = in * cy;
        if (!any) box[0] = box[1] = x, box[2] = box[3] = y;
        any = true;
        box[0] = std::min(box[0], x), box[1] = std::max(box[1], x);
        box[2] = std::min(box[2], y), box[3] = std::max(box[3], y);
    }
    return any;
}

void DoMalta(renderhinttype* hints, float point[3], vort* c, unsigned char* miss, float u, float v) {
    const OutputPlane box = OutputPlaneOf(c, u, v);
    double d[3];
    uint8_t m = 1;
    CopsInTroubleCore(&m, d, c->projectionCaches, 0, &c->floretBasis, c->outputPolyhedron, hints, nullptr, box.Xb,
                      box.Yb);
    if (!m) SubstituteSphereSegment_NiceD(d, &m, 0.5, 0.0);
    for (int i = 0; i < 3; ++i) point[i] = float(d[i]);
    *miss = m;
    if (!m && hints) hints->placeOverride = std::llabs(hints->floretRegion);
}

// ---- the output modes these florets serve ----

namespace {

// A floret without a polyhedral basis; the next sample starts from its hint
// word, and an n-clover's region is its lobe's.
void Floret(ProjectionSample& s) {
    uint8_t m = 1;
    CopsInTrouble(&m, s.point, s.context->projectionCaches, s.hints->floretHint, &s.context->floretBasis,
                  s.context->outputPolyhedron, s.hints, nullptr, s.plane.Xb, s.plane.Yb);
    s.miss = m;
    s.context->lastFloretHint = s.hints->floretHint;
}
void Clover(ProjectionSample& s) {
    Floret(s);
    if (!s.miss) s.hints->placeOverride = std::labs(s.hints->floretRegion);
}

// The n-maltas.
void Malta(ProjectionSample& s) { DoMalta(s.hints, s.point, s.context, &s.miss, s.u, s.v); }

constexpr ProjectionEntry kServed[] = {
    {kModeSprocket6, Floret},
    {kMode2Clover, Clover},
    {kMode3Clover, Clover},
    {kMode4Clover, Clover},
    {kMode5Clover, Clover},
    {kMode6Clover, Clover},
    {kMode3Malta, Malta},
    {kMode4Malta, Malta},
    {kMode5Malta, Malta},
    {kMode6Malta, Malta},
    {kModeCalyx3, Floret},
    {kModeCalyx4, Floret},
    {kModeCalyx5, Floret},
    {kModeCalyx6, Floret},
    {kMode3Incurvate, Floret},
    {kMode4Incurvate, Floret},
    {kModeSprocket4, Floret},
    {kModeSprocket5, Floret},
    {kModeTridactyl, Floret},
    {kModeRoundTriangle, Floret},
    {kModeRoundSquare, Floret},
    {kModeFrangipani, Floret},
    {kModeFlake3, Floret},
    {kModeFlake4, Floret},
    {kModeFlake5, Floret},
    {kMode5Floret, Floret},
};

}  // namespace

ProjectionTable FloretProjections() { return kServed; }
