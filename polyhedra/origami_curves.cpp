#include "polyhedra/origami_curves.h"

#include <cmath>

CurvePoint Ytriangle[4];
CurvePoint Ysquare[5];
CurvePoint Ypent[6];

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr CurvePoint kOrigin{0, 0};

CurvePoint Corner(int k, int n) {
    const double a = (90.0 + k * 360.0 / n) * kPi / 180.0;
    return {std::cos(a), std::sin(a)};
}

CurvePoint Add(CurvePoint a, CurvePoint b) { return {a.x + b.x, a.y + b.y}; }
double Distance(CurvePoint a, CurvePoint b) { return std::hypot(a.x - b.x, a.y - b.y); }

// The chord from p towards q (length L = |q - p| at s = 1) with a half sine
// wave of height L·bump/π on its outer (right-hand) side, s running 1 to 0.
CurvePoint SineChord(CurvePoint p, double chordAngle, double L, double bump, double s) {
    const double a = s * L, b = L * bump * std::sin(kPi * s) / kPi;
    const double c = std::cos(chordAngle), d = std::sin(chordAngle);
    return Add(p, {a * c - b * d, a * d + b * c});
}

}  // namespace

void MakeYang2DPoints() {
    Ytriangle[0] = {0, 0};
    for (int k = 0; k < 3; ++k) Ytriangle[k + 1] = Corner(k, 3);
    Ysquare[0] = {0, 0};
    for (int k = 0; k < 4; ++k) Ysquare[k + 1] = Corner(k, 4);
    Ypent[0] = {0, 0};
    for (int k = 0; k < 5; ++k) Ypent[k + 1] = Corner(k, 5);
}

CurvePoint ReflectAcrossLine(CurvePoint q, CurvePoint u, CurvePoint v) {
    const CurvePoint d{q.x - u.x, q.y - u.y}, w{v.x - u.x, v.y - u.y};
    const double uu = w.x * w.x + w.y * w.y;
    const double k = uu > 0 ? 2 * (d.x * w.x + d.y * w.y) / uu : 0;
    return {u.x + k * w.x - d.x, u.y + k * w.y - d.y};
}

// Triangle: an arc about T2 of the Reuleaux radius from T3 to T1.
CurvePoint BCurve_tri(double t) {
    const CurvePoint T1 = Ytriangle[1], T2 = Ytriangle[2];
    const double r = Distance(T1, T2), th = t * 2 * kPi / 6;
    return {T2.x + r * std::cos(th), T2.y + r * std::sin(th)};
}
CurvePoint ACurve_tri(double t) { return ReflectAcrossLine(BCurve_tri(t), Ytriangle[1], Ytriangle[3]); }
CurvePoint CCurve_tri(double t) { return ReflectAcrossLine(ACurve_tri(t), Ytriangle[1], kOrigin); }

CurvePoint BCurve_widetri(double t) {
    const double L = Distance(Ytriangle[1], Ytriangle[2]);
    return SineChord(Ytriangle[1], -60 * kPi / 180, L, 1 / std::sqrt(3.0), 1 - t);
}
CurvePoint ACurve_widetri(double t) { return ReflectAcrossLine(BCurve_widetri(t), Ytriangle[1], Ytriangle[3]); }
CurvePoint CCurve_widetri(double t) { return ReflectAcrossLine(ACurve_widetri(t), Ytriangle[1], kOrigin); }

CurvePoint ACurve_kjarkatri(double t) {
    const double g = 1 - 0.55 * std::sin(kPi * t);
    const CurvePoint a = ACurve_tri(t);
    return {g * a.x, g * a.y};
}
CurvePoint BCurve_kjarkatri(double t) { return ReflectAcrossLine(ACurve_kjarkatri(t), Ytriangle[1], Ytriangle[3]); }
CurvePoint CCurve_kjarkatri(double t) { return ReflectAcrossLine(ACurve_kjarkatri(t), Ytriangle[1], kOrigin); }

CurvePoint BCurve_square(double t) { return {std::cos(t * kPi / 2), std::sin(t * kPi / 2)}; }
CurvePoint ACurve_square(double t) { return ReflectAcrossLine(BCurve_square(t), Ysquare[1], Ysquare[4]); }
CurvePoint CCurve_square(double t) { return ReflectAcrossLine(ACurve_square(t), Ysquare[1], kOrigin); }

CurvePoint BCurve_squircle(double t) { return SineChord(Ysquare[1], -45 * kPi / 180, std::sqrt(2.0), 1, 1 - t); }
CurvePoint ACurve_squircle(double t) { return ReflectAcrossLine(BCurve_squircle(t), Ysquare[1], Ysquare[4]); }
CurvePoint CCurve_squircle(double t) { return ReflectAcrossLine(ACurve_squircle(t), Ysquare[1], kOrigin); }

// Pentagon: the outward arc from Q5 to Q1 whose centre is the meeting point
// of the circumcircle's tangents at Q1 and Q5 reflected across the chord.
CurvePoint BCurve_pent(double t) {
    const CurvePoint q1 = Ypent[1], q5 = Ypent[5];
    // q1 + a (q1.y, -q1.x) = q5 + b (q5.y, -q5.x)
    const CurvePoint d1{q1.y, -q1.x}, d5{q5.y, -q5.x};
    const double det = d1.x * -d5.y - d1.y * -d5.x;
    const double a = ((q5.x - q1.x) * -d5.y - (q5.y - q1.y) * -d5.x) / det;
    const CurvePoint X{q1.x + a * d1.x, q1.y + a * d1.y};
    const CurvePoint M = ReflectAcrossLine(X, q1, q5);
    const double r = Distance(M, q1);
    const double th0 = std::atan2(q5.y - M.y, q5.x - M.x), th1 = std::atan2(q1.y - M.y, q1.x - M.x);
    const double th = th0 + t * (th1 - th0);
    return {M.x + r * std::cos(th), M.y + r * std::sin(th)};
}
CurvePoint ACurve_pent(double t) { return ReflectAcrossLine(BCurve_pent(t), Ypent[1], Ypent[5]); }
CurvePoint CCurve_pent(double t) { return ReflectAcrossLine(ACurve_pent(t), Ypent[1], kOrigin); }

#define YANG_BY_STYLE(side)                                 \
    CurvePoint side##Curve(int style, double t) {           \
        switch (style) {                                    \
            case kYangSquare: return side##Curve_square(t);     \
            case kYangSquircle: return side##Curve_squircle(t); \
            case kYangPentagon: return side##Curve_pent(t);     \
            case kYangWideTriangle: return side##Curve_widetri(t); \
            case kYangKjarkatri: return side##Curve_kjarkatri(t);  \
            default: return side##Curve_tri(t);             \
        }                                                   \
    }
YANG_BY_STYLE(A)
YANG_BY_STYLE(B)
YANG_BY_STYLE(C)
#undef YANG_BY_STYLE


double WidthOfLensAt(int style, double t) { return Distance(ACurve(style, t), BCurve(style, t)); }
double WidthOfHatAt(int style, double t) { return Distance(ACurve(style, t), CCurve(style, t)); }
