#include "projections/sphere_to_input.h"

#include <algorithm>
#include <cmath>

#include "records/TransformationReply.h"
#include "projections/forward_maps.h"
#include "projections/input_poly.h"
#include "common/angles.h"
#include "common/float_arcs.h"
#include "projections/stereographic.h"
#include "projections/world_maps.h"

namespace {

constexpr float kInvPiF = 0.31830987f;

inline bool InUnit(float v) { return v >= 0.0f && v <= 1.0f; }  // false for NaN
inline bool InUnitD(double v) { return v >= 0.0 && v <= 1.0; }

// Everything one call computes on the way to its answer.
struct InputAnswer {
    float x = 0.0f, y = 0.0f;
    unsigned char outside = 0;
    int face = -1;
    int region = 2;
    bool hasWeight = false;
    float weight = 1.0f;

    void SetOutside() {
        outside = 1;
        x = -1.0f;
        y = -1.0f;
    }
    // Takes the position when it lies in the picture; else outside.
    bool Place(float px, float py) {
        if (!InUnit(px) || !InUnit(py)) {
            SetOutside();
            return false;
        }
        x = px;
        y = py;
        return true;
    }
    // Keeps the two sides of a map's seam apart.
    void RegionByHalf() {
        if (x > 0.5f) region = 3;
    }
};

// Unit vector of (x, y), or (1, 0) at the origin: the limit direction of a
// centred mode at the point opposite its centre.
inline void RimDirection(float x, float y, float* dx, float* dy) {
    const float m = std::sqrt(x * x + y * y);
    if (m > 0.0f && std::isfinite(m)) {
        *dx = x / m;
        *dy = y / m;
    } else {
        *dx = 1.0f;
        *dy = 0.0f;
    }
}

// The centred modes read a direction by its angle from the view's axis (+z)
// and its bearing about it, XYtoRadians(x, y). Their positions need only the
// bearing's sine and cosine, which are the direction's own (-x, -y) over
// its distance from the axis: in double, one rounding each, where an
// arctangent, a sine and a cosine would round three times. On the axis
// itself, the bearing XYtoRadians gives there (a quarter turn).
struct Bearing {
    float sine, cosine;
};
inline Bearing BearingOf(float x, float y) {
    const double dx = x, dy = y, h = std::sqrt(dx * dx + dy * dy);
    if (!(h > 0.0)) return {1.0f, 0.0f};
    return {static_cast<float>(-dx / h), static_cast<float>(-dy / h)};
}
// The angle from the view's axis as a fraction of a half turn.
inline float AxisAngleOverPi(float z) { return AcosFloat(z) * kInvPiF; }

void StretchedBall(const float p[3], float c, InputAnswer& r) {
    const float s = p[2] + 1.0f;
    float qx, qy, a;
    if (s > 0.0f) {
        a = std::sqrt(s / 2.0f);
        const float k = 1.0f / std::sqrt(2.0f * s);
        qx = p[0] * c * k;
        qy = p[1] * c * k;
    } else {
        // The antipode: the limit lies on the rim.
        RimDirection(p[0], p[1], &qx, &qy);
        a = 0.0f;
    }
    const float m = std::sqrt(qx * qx + qy * qy + a * a);
    if (m > 0.0f && std::isfinite(m)) {
        qx /= m;
        qy /= m;
    } else {
        qx = 0.0f;
        qy = 0.0f;
    }
    r.x = 1.0f - (0.5f + 0.5f * qx);
    r.y = 1.0f - (0.5f + 0.5f * qy);
}

// Polyconic gores of n gores about the meridians (k - o)*2pi/n.
void Gores(int mode, float u0, float t, InputAnswer& r) {
    const float n = mode == 25 ? 6.0f : (mode == 36 ? 8.0f : 12.0f);
    const float o = mode == 25 ? 2.5f : (mode == 36 ? 3.5f : 5.5f);
    const float k = std::floor(n * u0);
    const float c = k - o;
    const double L = (u0 - 0.5) * 6.283185307;
    const double F = (t - 0.5) * 3.141592653;
    const double w = 6.283185307 / n;
    const float E = static_cast<float>(std::sin(F) * (L - w * c));
    double gx, gy;
    if (std::fabs(F) > 1e-7) {
        const double cot = std::cos(F) / std::sin(F);
        gx = (w * c + cot * std::sin(E)) / 6.283185307 + 0.5;
        gy = (F + cot * (1.0 - std::cos(E))) / 3.141592653 + 0.5;
    } else {
        // On the equator the gore is the plain meridian line: the limit of
        // cot(F) sin(E) is L - w c and of cot(F) (1 - cos E) is 0.
        gx = L / 6.283185307 + 0.5;
        gy = F / 3.141592653 + 0.5;
    }
    float x = static_cast<float>(gx), y = static_cast<float>(gy);
    bool outside = false;
    if (mode == 19) {
        if (y <= 0.5f) {
            const float q = n * x;
            const double d = 2.0 * (q - std::floor(q) - 0.5) / n;
            const double b = -(c + 0.5) * 2.0 * M_PI / n;
            const double yy = y;
            x = static_cast<float>(std::cos(b) * d - std::sin(b) * yy + 0.5);
            y = static_cast<float>(std::sin(b) * d + std::cos(b) * yy + 0.5);
        } else {
            outside = true;
        }
    }
    r.region = static_cast<int>(c);
    if (outside || !InUnit(x) || !InUnit(y)) {
        r.region = -1;
        r.SetOutside();
        return;
    }
    r.x = x;
    r.y = y;
}

void Nicolosi(float f, float phi, InputAnswer& r) {
    if (!(f >= 0.25f && f <= 0.75f)) {
        r.SetOutside();
        return;
    }
    // In double: near the central meridian the circle is huge and single
    // precision would push the poles past the frame.
    const double lam = 2.0 * M_PI * (f - 0.5);
    const double absLam = std::fabs(lam);
    const double G = std::max(absLam, 0.01);
    const double b = 2.0 * G / M_PI;
    // The meridian: the circle through the poles (0, +-1) and (b, 0).
    const double cc = b / 2.0 - 1.0 / (2.0 * b);
    const double rad = std::fabs(cc - b);
    const double Th = std::acos(std::clamp(-cc / std::sqrt(cc * cc + 1.0), -1.0, 1.0));
    const double a = 2.0 * phi * Th / M_PI;
    double x = 1.0 - (0.5 + (cc + rad * std::cos(a)) / 2.0);
    const double y = 0.5 + rad * std::sin(a) / 2.0;
    if (absLam < 0.01) x = 0.5 + (absLam / 0.01) * (x - 0.5);
    if (lam < 0.0) x = 1.0 - x;
    r.x = static_cast<float>(x);
    r.y = static_cast<float>(y);
}

void Robinson(float u0, float t, InputAnswer& r) {
    const float X = 2.0f * (u0 - 0.5f), Y = 2.0f * (t - 0.5f);
    if (!(std::fabs(Y) <= 1.0f)) {
        r.outside = 1;
        r.x = 0.5f * X + 0.5f;
        r.y = 0.5f * Y + 0.5f;
        return;
    }
    float scale;
    const float Ymap = RobLatLerp(&scale, Y);
    const float Xs = X * scale;
    if (!(Xs >= -1.0f && Xs <= 1.0f)) r.outside = 1;
    r.x = 0.5f * Xs + 0.5f;
    r.y = 0.5f * Ymap + 0.5f;
}

void ZenithNadir(const float p[3], InputAnswer& r) {
    r.hasWeight = true;
    r.weight = 1.0f;
    float a, b;
    const int F = SphereToCubeFaceCoords(p, &a, &b);
    const double U = (F == 2 ? 0.75 : 0.25) + 0.25 * a;
    r.region = F == 2 ? 2 : 3;
    const double V = 0.5 + 0.5 * b;
    double w = std::min({std::min(15.0 * V, 1.0), 15.0 * (1.0 - V), 30.0 * U, 30.0 * (1.0 - U),
                         30.0 * std::fabs(0.5 - U)});
    r.weight = static_cast<float>(std::clamp(w, 0.0, 1.0));
    if (!(InUnitD(U) && InUnitD(V) && (F == 2 || F == 5))) {
        r.region = -1;
        r.SetOutside();
        return;
    }
    r.x = static_cast<float>(U);
    r.y = static_cast<float>(V);
}

void Ortelius(float f, float t, InputAnswer& r) {
    const double lam = static_cast<double>(2.0f * kPiF) * (f - 0.5);
    const double L = std::fabs(lam);
    r.y = t;
    if (L == 0.0) {
        r.x = 0.5f;
        return;
    }
    const double P = (t - 0.5) * M_PI;
    const double q = 2.46740110027234;  // pi^2/4
    double X;
    if (L >= M_PI / 2) {
        X = (L - M_PI / 2) + std::sqrt(std::fmax(q - P * P, 0.0));
    } else {
        const double F = (q / L + L) / 2.0;
        X = (L - F) + std::sqrt(std::fmax(F * F - P * P, 0.0));
    }
    if (lam < 0.0) X = -X;
    r.x = static_cast<float>(0.5 - X / (2.0 * M_PI));
    r.RegionByHalf();
}

// A spinner (slit-scan) camera turning once about the vertical lays the turn
// across the picture's width and the tangent of the elevation down its height,
// kSpinnerRise per half height: the rows reach about 35 degrees up and down.
// A full turn then gives a picture about kSpinnerFullTurnAspect times as tall
// as it is wide; the "guess width" mode reads a picture of another aspect as
// more or less than a full turn about its centre, at that same scale.
constexpr float kSpinnerRise = 1.430781245109842f;
constexpr float kSpinnerFullTurnAspect = 0.222563115884176f;

void Spinner(int mode, const float p[3], float f, float aspect, InputAnswer& r) {
    if (mode == 32) f = (aspect / kSpinnerFullTurnAspect) * (f - 0.5f) + 0.5f;
    const float x = 1.0f - f;
    float rho = std::sqrt(p[0] * p[0] + p[2] * p[2]);
    if (rho == 0.0f) rho = 1e-8f;
    if (!InUnit(x)) {
        r.SetOutside();
        return;
    }
    const float y = 0.5f + 0.5f * (-kSpinnerRise * p[1] / rho);
    if (!InUnit(y)) {
        r.SetOutside();
        return;
    }
    r.x = x;
    r.y = y;
    r.RegionByHalf();
}

// The Equal Earth map's plane spans ±kEqualEarthExtentX by ±kEqualEarthExtentY;
// the picture's width and height hold that whole plane.
void EqualEarth(double L, double P, InputAnswer& r) {
    double X, Y;
    EqualEarth_forward(L, P, &X, &Y);
    r.x = static_cast<float>(1.0 - (0.5 + 0.5 * X / kEqualEarthExtentX));
    r.y = static_cast<float>(0.5 + 0.5 * Y / kEqualEarthExtentY);
}

void MapInputMode(long mode, const float p[3], float* table, float aspect, InputAnswer& r) {
    // The modes of faces side by side, and those read from the direction
    // alone, need no longitude or latitude: their arctangent and arccosine
    // would be most of such a lookup.
    const float zc = std::clamp(p[2], -1.0f, 1.0f);
    switch (mode) {
        case 26:
            ZenithNadir(p, r);
            return;
        case 27:
        case 28:
        case 33:
        case 34:
        case 35: {
            const int F = CubeLayoutPosition(mode, p, &r.x, &r.y);
            r.face = F;
            r.region = F + 1;
            return;
        }
        case 29:
        case 39:
            // Input on a polyhedron: TransformSphereToInput answers these.
            r.outside = 1;
            r.x = 0.0f;
            r.y = 0.0f;
            return;
        case 2: {
            const float s = 2.0f * (p[2] + 1.0f);
            float qx, qy;
            if (s > 0.0f) {
                const float k = 1.0f / std::sqrt(s);
                qx = p[0] * k;
                qy = p[1] * k;
            } else {
                RimDirection(p[0], p[1], &qx, &qy);
            }
            r.x = 1.0f - (0.5f + 0.5f * qx);
            r.y = 1.0f - (0.5f + 0.5f * qy);
            return;
        }
        case 3: {
            const float rr = AxisAngleOverPi(zc);
            const Bearing b = BearingOf(p[0], p[1]);
            r.x = 0.5f + 0.5f * b.sine * rr;
            r.y = 0.5f + 0.5f * b.cosine * rr;
            return;
        }
        case 4:
            if (!(p[2] >= 0.0f && 1.0f - p[1] * p[1] >= 0.0f)) {
                r.SetOutside();
                return;
            }
            r.x = 1.0f - (p[0] + 1.0f) / 2.0f;
            r.y = 1.0f - (p[1] + 1.0f) / 2.0f;
            return;
        case 6:
            StretchedBall(p, 1.1490611f, r);
            return;
        case 8: {
            const float rho = 2.0f * AxisAngleOverPi(zc);
            if (!(rho <= 1.0f)) {
                r.SetOutside();
                return;
            }
            const Bearing b = BearingOf(p[0], p[1]);
            r.x = 0.5f + 0.5f * b.sine * rho;
            r.y = 0.5f + 0.5f * b.cosine * rho;
            return;
        }
        case 9: {
            const float rr = 2.0f * std::sqrt(aspect * aspect + 1.0f) * AxisAngleOverPi(zc);
            const Bearing b = BearingOf(p[0], p[1]);
            const float x = 0.5f + 0.5f * b.sine * rr;
            r.Place(x, 0.5f * b.cosine * rr / aspect + 0.5f);
            return;
        }
        case 10: {
            if (static_cast<double>(p[2]) < 0.3) {
                r.outside = 1;
                r.x = 0.0f;
                r.y = 0.0f;
                return;
            }
            const float x = 0.5f + 0.5f * (-p[0] / p[2]);
            if (!r.Place(x, 0.5f + 0.5f * (-p[1] / p[2]))) r.region = -1;
            return;
        }
        case 11: {
            float a, b;
            const int F = SphereToCubeFaceCoords(p, &a, &b);
            r.region = F + 1;
            r.Place(0.5f + 0.5f * a, 0.5f + 0.5f * b);
            return;
        }
        case 15: {
            if (!(p[2] >= 0.0f)) {
                r.SetOutside();
                return;
            }
            const float T = 0.5f * std::tan(std::acos(zc) / 2.0f);
            const float rho = std::sqrt(p[0] * p[0] + p[1] * p[1]);
            if (rho > 0.0f) {
                const float n = 1.0f / rho;
                r.x = 0.5f - T * p[0] * n;
                r.y = 0.5f - T * p[1] * n;
            } else {
                r.x = 0.5f;  // the centre itself
                r.y = 0.5f;
            }
            return;
        }
        case 18:
            StretchedBall(p, 1.55f, r);
            return;
        case 21: {
            double q[3] = {p[0], p[1], p[2]};
            unsigned char ignored = 0;
            SubstituteSphereSegment_NiceD(q, &ignored, 2.0, 0.0);
            double a = 0.0, b = 0.0;
            if (q[2] + 1.0 > 0.0) {
                a = -q[0] / (q[2] + 1.0);
                b = -q[1] / (q[2] + 1.0);
            }
            r.x = static_cast<float>(0.5 * a + 0.5);
            r.y = static_cast<float>(0.5 * b + 0.5);
            r.RegionByHalf();
            return;
        }
        default: break;
    }
    const EquirectAngles angles = EquirectAnglesOf(p);
    const float t = angles.t, lam = angles.lam, f = angles.f;
    const float u0 = 1.0f - f;
    const float phi = (t - 0.5f) * kPiF;
    // Longitude and downward latitude in double for the world maps.
    const double Lw = 2.0 * M_PI * (f - 0.5);
    const double Pw = 2.0 * (M_PI / 2.0) * (t - 0.5);
    switch (mode) {
        case 1:
            r.x = u0;
            r.y = t;
            break;
        case 5: {
            const float y = std::tan(phi) * 0.125f / aspect + 0.5f;
            r.x = u0;
            r.RegionByHalf();
            if (!InUnit(y))
                r.SetOutside();
            else
                r.y = y;
            break;
        }
        case 7: {
            if (!table) {  // no table to read: no position
                r.SetOutside();
                break;
            }
            const float th = Molltheta(table, phi);
            const float X = lam * std::cos(th) * kInvPiF;
            r.x = 1.0f - (X + 1.0f) / 2.0f;
            r.y = (std::sin(th) + 1.0f) / 2.0f;
            r.RegionByHalf();
            break;
        }
        case 12:
        case 19:
        case 25:
        case 36:
            Gores(static_cast<int>(mode), u0, t, r);
            break;
        case 13: {
            const float s = 2.0f * (f - 0.5f);
            r.x = 1.0f - (s + 0.5f);
            r.y = t;
            if (!InUnit(r.x)) r.SetOutside();
            break;
        }
        case 14:
            Nicolosi(f, phi, r);
            break;
        case 16: {
            const float s = static_cast<float>(4.0 * ((f - 0.5) + 1.0 / 24.0));
            r.x = 1.0f - (s + 0.5f);
            r.y = t;
            if (!InUnit(r.x)) r.SetOutside();
            break;
        }
        case 17:
            Robinson(u0, t, r);
            r.RegionByHalf();
            break;
        case 20:
            r.x = u0;
            r.y = static_cast<float>(qev_asinh(std::tan(phi)) / (2.0 * M_PI * aspect) + 0.5);
            if (!InUnit(r.y)) r.outside = 1;
            break;
        case 22: {
            double X, Y;
            WinkelTripelForward(Lw, (t - 0.5) * M_PI, &X, &Y);
            r.x = static_cast<float>(0.5 - 0.5 * X / 2.570796326312263);
            r.y = static_cast<float>(0.5 + 0.5 * Y / 1.5707963267948966);
            r.RegionByHalf();
            break;
        }
        case 23: {
            const double L = 6.283185307 * (f - 0.5);
            const float P = static_cast<float>(3.141592653 * (t - 0.5));
            const double D = std::sqrt(1.0 + std::cos(P) * std::cos(L / 2.0));
            double X, Y;
            if (D == 0.0) {
                X = 0.0;
                Y = P < 0.0f ? -1.0 : 1.0;
            } else {
                X = std::sin(L / 2.0) * std::cos(P) / D;
                Y = std::sin(P) / D;
            }
            r.x = static_cast<float>(0.5 - 0.5 * X);
            r.y = static_cast<float>(0.5 + 0.5 * Y);
            r.RegionByHalf();
            break;
        }
        case 24:
            r.x = u0;
            r.y = 0.5f + 0.5f * std::sin(3.141592653f * (t - 0.5f));
            break;
        case 30:
            Ortelius(f, t, r);
            break;
        case 31:
        case 32:
            Spinner(static_cast<int>(mode), p, f, aspect, r);
            break;
        case 37: {
            double X, Y;
            strebe1995forward(Lw, Pw, &X, &Y);
            r.x = static_cast<float>(1.0 - (0.5 + 0.5 * X / 2.484446397593003));
            r.y = static_cast<float>(0.5 + 0.5 * Y / 1.564091933);
            break;
        }
        case 38: {
            const double th = rootfindForEckert(Pw);
            const double X = kEckert4X * Lw * (1.0 + std::cos(th)) / (2.0 * kEckert4Y);
            r.x = static_cast<float>(1.0 - (0.5 + 0.5 * X));
            r.y = static_cast<float>(0.5 + 0.5 * std::sin(th));
            break;
        }
        case 40: {
            double X, Y;
            vandergrinten1forward(Lw, Pw, &X, &Y);
            r.x = static_cast<float>(1.0 - (0.5 + 0.5 * X / M_PI));
            r.y = static_cast<float>(0.5 + 0.5 * Y / M_PI);
            break;
        }
        case 41:
            EqualEarth(Lw, Pw, r);
            break;
        default:
            r.x = 0.0f;
            r.y = 0.0f;
            break;
    }
}

}  // namespace

bool InputModeCategory(long inputMode) { return inputMode == 29 || inputMode == 39; }

bool FlipMirrorsTheDirection(long inputMode) {
    switch (inputMode) {
        case 26: case 27: case 28: case 29: case 33: case 34: case 35: case 39: return true;
        default: return false;
    }
}

void TransformSphereToInput(long inputMode, long flip, const float point[3], float* inputU,
                            float* inputV, unsigned char* outside, float* table, int* inputFace,
                            int* inputKind, float* sampleAux, polyhedron* inputPolyhedron,
                            renderhinttype* inputHints, float aspect) {
    InputAnswer r;
    // A flip mirrors the sphere east for west. On a map that is symmetric
    // about its middle column that is the picture mirrored, which is how it
    // is done; a picture made of faces side by side (a cube layout, the
    // zenith and nadir pair, a net) would have each face mirrored in place
    // and the left and right ones kept, so its direction is mirrored instead.
    const bool mirrorDirection = flip && FlipMirrorsTheDirection(inputMode);
    const float mirrored[3] = {-point[0], point[1], point[2]};
    if (mirrorDirection) point = mirrored;
    if (InputModeCategory(inputMode)) {
        // The direction's ray into the input solid; a miss is transparent.
        r.x = r.y = 0.0f;
        r.outside = InputPolyPosition(point, inputPolyhedron, inputHints, &r.x, &r.y, &r.region) ? 0 : 1;
    } else {
        MapInputMode(inputMode, point, table, aspect, r);
    }
    if (flip && !mirrorDirection) r.x = 1.0f - r.x;
    *inputU = r.x;
    *inputV = r.y;
    *outside = r.outside;
    *inputFace = r.face;
    *inputKind = r.region;
    if (r.hasWeight && sampleAux) *sampleAux = r.weight;
}
