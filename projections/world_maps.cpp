#include "projections/world_maps.h"

#include <cmath>

#include "projections/forward_maps.h"
#include "projections/projection_families.h"
#include "records/output_modes.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kShortPi = 3.141592653;  // the longitude range's bound

// One Newton solve of two unknowns (a, b) for forward(a, b) = (tx, ty). The
// forward function gives the values and the Jacobian
// [dx/da, dx/db, dy/da, dy/db]. Returns the number of corrections made;
// maxSteps means the solve did not settle (a singular Jacobian ends it too).
template <class Forward>
int NewtonSolve(Forward forward, double* a, double* b, double tx, double ty, int maxSteps, double tolerance) {
    for (int step = 0; step < maxSteps; ++step) {
        double fx, fy, J[4];
        forward(*a, *b, &fx, &fy, J);
        const double det = J[0] * J[3] - J[1] * J[2];
        if (!(det != 0.0) || !std::isfinite(det)) return maxSteps;
        const double rx = tx - fx, ry = ty - fy;
        const double da = (rx * J[3] - J[1] * ry) / det;
        const double db = (J[0] * ry - rx * J[2]) / det;
        *a += da;
        *b += db;
        if (std::fabs(da) <= tolerance && std::fabs(db) <= tolerance) return step + 1;
    }
    return maxSteps;
}

void LaskowskiWithJacobian(double l, double p, double* x, double* y, double J[4]) {
    const double l2 = l * l, p2 = p * p;
    const double ax = 0.975534 + p2 * (-0.119161 - 0.0143059 * l2 - 0.0547009 * p2);
    *x = l * ax;
    J[0] = ax + l * p2 * (-2.0 * 0.0143059 * l);
    J[1] = l * (2.0 * p * (-0.119161 - 0.0143059 * l2) - 4.0 * 0.0547009 * p2 * p);
    const double by = 1.00384 + l2 * (0.0802894 - 0.02855 * p2 + 0.000199025 * l2) + p2 * (0.0998909 - 0.0491032 * p2);
    *y = p * by;
    J[2] = p * (2.0 * l * (0.0802894 - 0.02855 * p2) + 4.0 * 0.000199025 * l2 * l);
    J[3] = by + p * (l2 * (-2.0 * 0.02855 * p) + 2.0 * p * 0.0998909 - 4.0 * 0.0491032 * p2 * p);
}

void CantersWithJacobian(double l, double p, double* x, double* y, double J[4]) {
    const double l2 = l * l, p2 = p * p;
    *x = 0.9305 * l - 0.1968 * l * p2 + 0.0076 * l * p2 * p2 - 0.0067 * l2 * l * p2;
    *y = 0.9305 * p + 0.0394 * p * l2 - 0.0115 * p2 * p * l2 + 0.0005 * p * l2 * l2;
    J[0] = 0.9305 - 0.1968 * p2 + 0.0076 * p2 * p2 - 3.0 * 0.0067 * l2 * p2;
    J[1] = -2.0 * 0.1968 * l * p + 4.0 * 0.0076 * l * p2 * p - 2.0 * 0.0067 * l2 * l * p;
    J[2] = 2.0 * 0.0394 * p * l - 2.0 * 0.0115 * p2 * p * l + 4.0 * 0.0005 * p * l2 * l;
    J[3] = 0.9305 + 0.0394 * l2 - 3.0 * 0.0115 * p2 * l2 + 0.0005 * l2 * l2;
}

void LarriveeWithJacobian(double l, double p, double* x, double* y, double J[4]) {
    const double c = std::cos(p);
    const double rc = std::sqrt(std::fmax(c, 0.0));
    *x = 0.5 * l * (1.0 + rc);
    J[0] = 0.5 * (1.0 + rc);
    J[1] = rc > 1e-12 ? -0.25 * l * std::sin(p) / rc : -0.25 * l * 1e12;
    const double ch = std::cos(0.5 * p), cl = std::cos(l / 6.0);
    *y = p / (ch * cl);
    J[2] = p * std::sin(l / 6.0) / (6.0 * ch * cl * cl);
    J[3] = (ch + 0.5 * p * std::sin(0.5 * p)) / (ch * ch * cl);
}

void Ginzburg8WithJacobian(double l, double p, double* x, double* y, double J[4]) {
    const double l4 = l * l * l * l, p2 = p * p;
    const double a = 1.0 - 0.162388 * p2, b = 0.87 - 0.000952426 * l4;
    *x = l * a * b;
    J[0] = a * (b - 4.0 * 0.000952426 * l4);
    J[1] = l * b * (-2.0 * 0.162388 * p);
    *y = p * (1.0 + p2 / 12.0);
    J[2] = 0.0;
    J[3] = 1.0 + p2 / 4.0;
}

void NaturalEarthWithJacobian(double l, double p, double* x, double* y, double J[4]) {
    const double p2 = p * p, p4 = p2 * p2, p6 = p4 * p2, p8 = p4 * p4, p10 = p8 * p2, p12 = p6 * p6;
    const double ax = 0.8707 - 0.131979 * p2 - 0.013791 * p4 + 0.003971 * p10 - 0.001529 * p12;
    *x = l * ax;
    J[0] = ax;
    J[1] = l * p * (-2.0 * 0.131979 - 4.0 * 0.013791 * p2 + 10.0 * 0.003971 * p8 - 12.0 * 0.001529 * p10);
    *y = p * (1.007226 + 0.015085 * p2 - 0.044475 * p6 + 0.028874 * p8 - 0.005916 * p10);
    J[2] = 0.0;
    J[3] = 1.007226 + 3.0 * 0.015085 * p2 - 7.0 * 0.044475 * p6 + 9.0 * 0.028874 * p8 - 11.0 * 0.005916 * p10;
}

void WinkelWithJacobian(double l, double p, double* x, double* y, double J[4]) {
    const double cp = std::cos(p), sp = std::sin(p);
    const double ch = std::cos(0.5 * l), sh = std::sin(0.5 * l);
    const double ca = std::fmax(-1.0, std::fmin(1.0, cp * ch));
    const double alpha = std::acos(ca);
    const double sa = std::sin(alpha);
    // g = α / sin α and its derivative; near α = 0 the series 1 + α²/6.
    double g, dg_da_over_sa;
    if (sa < 1e-6) {
        g = 1.0 + alpha * alpha / 6.0;
        dg_da_over_sa = 1.0 / 3.0;  // (dg/dα)/sin α → 1/3
    } else {
        g = alpha / sa;
        dg_da_over_sa = (sa - alpha * ca) / (sa * sa * sa);
    }
    // dα/dφ = sin φ cos(λ/2) / sin α, dα/dλ = cos φ sin(λ/2) / (2 sin α).
    const double gp = dg_da_over_sa * sp * ch;          // dg/dφ
    const double gl = dg_da_over_sa * cp * sh * 0.5;    // dg/dλ
    *x = l / kPi + cp * sh * g;
    *y = 0.5 * (p + sp * g);
    J[0] = 1.0 / kPi + 0.5 * cp * ch * g + cp * sh * gl;
    J[1] = -sp * sh * g + cp * sh * gp;
    J[2] = 0.5 * sp * gl;
    J[3] = 0.5 * (1.0 + cp * g + sp * gp);
}

bool InMapRange(double lambda, double phi) {
    return lambda >= -kShortPi && lambda <= kShortPi && phi >= -0.5 * kPi && phi <= 0.5 * kPi;
}

bool OutsideExtent(double x, double y, double ex, double ey) {
    return !(std::fabs(x) / ex <= 1.0) || !(std::fabs(y) / ey <= 1.0);
}

void Finish(float out[3], unsigned char* miss, double lambda, double phi) {
    *miss = static_cast<unsigned char>(LongitudeLatitudeToDirection(out, lambda, phi));
}

}  // namespace

int LongitudeLatitudeToDirection(float out[3], double lambda, double phi) {
    if (!InMapRange(lambda, phi)) return 1;
    const float u = static_cast<float>(0.5 - lambda / (2.0 * kPi));
    const float v = static_cast<float>(0.5 + phi / kPi);
    const float s = std::sin((v - 0.5f) * -3.1415927f);
    const float c = std::sqrt(std::fmax(1.0f - s * s, 0.0f));
    const float a = (u - 0.5f) * 6.2831855f;
    out[0] = std::sin(a) * c;
    out[1] = s;
    out[2] = std::cos(a) * c;
    return 0;
}

void laskowski_inverse(double x, double y, double* lambda, double* phi) {
    double l = x < 0.0 ? -kShortPi : kShortPi, p = y / 2.0;
    NewtonSolve(LaskowskiWithJacobian, &l, &p, x, y, kNewtonStepsLong, kNewtonTolerance);
    *lambda = l;
    *phi = p;
}

void Canters_inverse(double x, double y, double* phi, double* lambda) {
    double p = x < 0.0 ? -1.0 : 1.0, l = y / 2.0;
    // The unknowns are solved in the order (φ, λ): swap the Jacobian's columns.
    auto swapped = [](double a, double b, double* fx, double* fy, double J[4]) {
        double K[4];
        CantersWithJacobian(b, a, fx, fy, K);
        J[0] = K[1];
        J[1] = K[0];
        J[2] = K[3];
        J[3] = K[2];
    };
    NewtonSolve(swapped, &p, &l, x, y, kNewtonStepsLong, kNewtonTolerance);
    *phi = p;
    *lambda = l;
}

int Larrivee_inverse_good(double x, double y, double* lambda, double* phi) {
    constexpr double c = 2.2214414686621367;  // y of the pole on the central meridian
    const double ax = std::fabs(x), ay = std::fabs(y);
    double l, p;
    if (ay < c) {
        p = ay / c * kPi / 2.0;
        l = 5e-5;
    } else {
        p = kPi / 2.0;
        l = 6.0 * std::acos(c / ay) + 5e-5;
    }
    if (ay > 2.22144) {
        p = 1.5706217938696971;
        l = 6.0 * std::acos(std::fmin(c / ay, 1.0));
    }
    const int steps = NewtonSolve(LarriveeWithJacobian, &l, &p, ax, ay, kNewtonSteps, kNewtonTolerance);
    *lambda = x < 0.0 ? -l : l;
    *phi = y < 0.0 ? -p : p;
    return steps;
}

void Ginzburg8_inverse_LB(double x, double y, double* lambda, double* phi) {
    double l = 0.0, p = 0.0;
    NewtonSolve(Ginzburg8WithJacobian, &l, &p, x, y, kNewtonSteps, kNewtonTolerance);
    *lambda = l;
    *phi = p;
}

void NaturalEarth_inverse_LB(double x, double y, double* lambda, double* phi) {
    double l = 0.0, p = 0.0;
    NewtonSolve(NaturalEarthWithJacobian, &l, &p, x, y, kNewtonSteps, kNewtonTolerance);
    *lambda = l;
    *phi = p;
}

namespace {
constexpr double kEEA1 = 1.340264, kEEA2 = -0.081106, kEEA3 = 0.000893, kEEA4 = 0.003796;
constexpr double kEEM = 0.8660254037844386;  // sqrt(3) / 2
inline double EqualEarthY(double t) {
    const double t2 = t * t, t6 = t2 * t2 * t2;
    return t * (kEEA1 + kEEA2 * t2 + t6 * (kEEA3 + kEEA4 * t2));
}
inline double EqualEarthDY(double t) {
    const double t2 = t * t, t6 = t2 * t2 * t2;
    return kEEA1 + 3.0 * kEEA2 * t2 + t6 * (7.0 * kEEA3 + 9.0 * kEEA4 * t2);
}
}  // namespace

bool EqualEarth_inverse_LB(double x, double y, double* lambda, double* phi) {
    double t = y;
    bool settled = false;
    for (int i = 0; i < kEqualEarthSteps; ++i) {
        const double d = (EqualEarthY(t) - y) / EqualEarthDY(t);
        t -= d;
        if (std::fabs(d) < kEqualEarthTolerance) {
            settled = true;
            break;
        }
    }
    if (!settled) {
        *lambda = 0.0;
        *phi = 0.0;
        return false;
    }
    *lambda = kEEM * x * EqualEarthDY(t) / std::cos(t);
    *phi = std::asin(std::sin(t) / kEEM);
    return true;
}

void EqualEarth_forward(double lambda, double phi, double* x, double* y) {
    const double t = std::asin(kEEM * std::sin(phi));
    *x = lambda * std::cos(t) / (kEEM * EqualEarthDY(t));
    *y = EqualEarthY(t);
}

void winkel_inverse_lb(double x, double y, double* lambda, double* phi) {
    if (x == 0.0 && y == 0.0) {
        *lambda = 0.0;
        *phi = 0.0;
        return;
    }
    double l = x, p = y;
    NewtonSolve(WinkelWithJacobian, &l, &p, x, y, kNewtonSteps, kNewtonTolerance);
    *lambda = l;
    *phi = p;
}

void Strebe1995_inverse_using_cg(int* status, coherentSearchCache* cache, double x, double y, double* lambda,
                                 double* phi) {
    const double ax = std::fabs(x), ay = std::fabs(y);
    double l, p;
    if (ay > 1.373272717174) {
        p = 1.3089969389957472;
        l = 2.6179938779914944;
    } else if (ay < 1.21999170774) {
        p = kPi / 4.0;
        l = kPi / 2.0;
    } else {
        p = ay * 1.5550883635269477 / 1.564091933;
        l = kPi / 2.0;
    }
    // Near the polar notches the last answer can sit on the wrong side of the
    // fold; start from the fixed guesses there.
    if (cache && cache->valid && !(ay > 1.213735340008 && ax < 1.391289982652082)) {
        l = std::fabs(cache->lastLambda);
        p = std::fabs(cache->lastPhi);
    }
    auto forward = [](double a, double b, double* fx, double* fy, double J[4]) {
        strebe1995forward(a, b, fx, fy);
        double x1, y1, x2, y2;
        strebe1995forward(a + kStrebeJacobianStep, b, &x1, &y1);
        strebe1995forward(a, b + kStrebeJacobianStep, &x2, &y2);
        J[0] = (x1 - *fx) / kStrebeJacobianStep;
        J[1] = (x2 - *fx) / kStrebeJacobianStep;
        J[2] = (y1 - *fy) / kStrebeJacobianStep;
        J[3] = (y2 - *fy) / kStrebeJacobianStep;
    };
    const int steps = NewtonSolve(forward, &l, &p, ax, ay, kNewtonSteps, kNewtonTolerance);
    if (x < 0.0) l = -l;
    if (y < 0.0) p = -p;
    *lambda = l;
    *phi = p;
    const bool failed = steps >= kNewtonSteps || std::isnan(l) || std::isnan(p);
    *status = failed ? 1 : 0;
    if (cache) {
        if (failed) {
            cache->valid = false;
        } else {
            cache->lastLambda = l;
            cache->lastPhi = p;
            cache->valid = true;
        }
    }
}

namespace {
// The plain Total pattern: the extent test, the inverse, the range check.
template <class Inverse>
void TotalFromInverse(float out[3], unsigned char* miss, double x, double y, double ex, double ey,
                      Inverse inverse) {
    if (OutsideExtent(x, y, ex, ey)) {
        *miss = 1;
        return;
    }
    double l, p;
    inverse(x, y, &l, &p);
    Finish(out, miss, l, p);
}
}  // namespace

void TotalLaskowski(float out[3], unsigned char* miss, double x, double y) {
    TotalFromInverse(out, miss, x, y, kLaskowskiExtentX, kLaskowskiExtentY, laskowski_inverse);
}

void TotalCanters(float out[3], unsigned char* miss, double x, double y) {
    TotalFromInverse(out, miss, x, y, kCantersExtentX, kCantersExtentY,
                     [](double a, double b, double* l, double* p) { Canters_inverse(a, b, p, l); });
}

void TotalLarrivee(float out[3], unsigned char* miss, double x, double y) {
    if (OutsideExtent(x, y, kLarriveeExtentX, kLarriveeExtentY)) {
        *miss = 1;
        return;
    }
    double l, p;
    if (Larrivee_inverse_good(x, y, &l, &p) >= kLarriveeGiveUpSteps) {
        *miss = 1;
        return;
    }
    Finish(out, miss, l, p);
}

void TotalGinzburg8(float out[3], unsigned char* miss, double x, double y) {
    if (OutsideExtent(x, y, kGinzburg8ExtentX, kGinzburg8ExtentY) ||
        std::fabs(x) > std::fabs(kGinzburg8ExtentX - 0.27 * y * y)) {
        *miss = 1;
        return;
    }
    double l, p;
    Ginzburg8_inverse_LB(x, y, &l, &p);
    Finish(out, miss, l, p);
}

void TotalNaturalEarth(float out[3], unsigned char* miss, double x, double y) {
    TotalFromInverse(out, miss, x, y, kNaturalEarthExtentX, kNaturalEarthExtentY, NaturalEarth_inverse_LB);
}

void TotalEqualEarth(float out[3], unsigned char* miss, double x, double y) {
    double l, p;
    if (OutsideExtent(x, y, kEqualEarthExtentX, kEqualEarthExtentY) || !EqualEarth_inverse_LB(x, y, &l, &p)) {
        *miss = 1;
        return;
    }
    Finish(out, miss, l, p);
}

void TotalWinkel(float out[3], unsigned char* miss, double x, double y) {
    TotalFromInverse(out, miss, x, y, kWinkelExtentX, kWinkelExtentY, winkel_inverse_lb);
}

void TotalStrebe1995(float out[3], unsigned char* miss, coherentSearchCache* cache, double x, double y) {
    if (OutsideExtent(x, y, kStrebe1995ExtentX, kStrebe1995ExtentY)) {
        *miss = 1;
        return;
    }
    // The notches at the poles and the rounded ends of the outline.
    const double a = x / 1.191490476960889, b = (std::fabs(y) - 1.564091933) / 0.34201476934933334;
    if (std::sqrt(a * a + b * b) <= 1.0) {
        *miss = 1;
        return;
    }
    const double c = (std::fabs(x) - 1.4180832752721142) / 1.066363122320889;
    const double e = y / 1.564091933;
    if (c > 0.0 && std::sqrt(c * c + e * e) >= 1.0) {
        *miss = 1;
        return;
    }
    int status;
    double l, p;
    Strebe1995_inverse_using_cg(&status, cache, -std::fabs(x), -std::fabs(y), &l, &p);
    if (x > 0.0) l = -l;
    if (y > 0.0) p = -p;
    if (std::isnan(l) || std::isnan(p)) {
        *miss = 1;
        return;
    }
    Finish(out, miss, l, p);
}

void Totalvandergrinten1(float out[3], unsigned char* miss, double x, double y) {
    const double r2 = x * x + y * y;
    if (r2 > 1.0) {
        *miss = 1;
        return;
    }
    double l, p;
    if (std::fabs(kPi * y) < 1e-9) {
        l = kPi * x;
        p = 0.0;
    } else if (std::fabs(kPi * x) < 1e-9) {
        l = 0.0;
        p = kPi / 2.0 * std::sin(2.0 * std::atan(y));
    } else {
        const double x2 = x * x, y2 = y * y;
        const double c1 = -std::fabs(y) * (1.0 + r2);
        const double c2 = c1 - 2.0 * y2 + x2;
        const double c3 = -2.0 * c1 + 1.0 + 2.0 * y2 + r2 * r2;
        const double d = y2 / c3 + (2.0 * c2 * c2 * c2 / (c3 * c3 * c3) - 9.0 * c1 * c2 / (c3 * c3)) / 27.0;
        const double a1 = (c1 - c2 * c2 / (3.0 * c3)) / c3;
        const double m1 = 2.0 * std::sqrt(-a1 / 3.0);
        const double t1 = std::acos(std::fmax(-1.0, std::fmin(1.0, 3.0 * d / (a1 * m1)))) / 3.0;
        p = kPi * (-m1 * std::cos(t1 + kPi / 3.0) - c2 / (3.0 * c3));
        if (y < 0.0) p = -p;
        l = kPi * (r2 - 1.0 + std::sqrt(1.0 + 2.0 * (x2 - y2) + r2 * r2)) / (2.0 * x);
    }
    Finish(out, miss, l, p);
}

// ---- the output modes these maps serve ----

namespace {

void Winkel(ProjectionSample& s) { TotalWinkel(s.point, &s.miss, s.plane.X, s.plane.Y); }
void Laskowski(ProjectionSample& s) { TotalLaskowski(s.point, &s.miss, s.plane.X, s.plane.Y); }
void Canters(ProjectionSample& s) { TotalCanters(s.point, &s.miss, s.plane.X, s.plane.Y); }
void NaturalEarth(ProjectionSample& s) { TotalNaturalEarth(s.point, &s.miss, s.plane.X, s.plane.Y); }
void Ginzburg8(ProjectionSample& s) { TotalGinzburg8(s.point, &s.miss, s.plane.X, s.plane.Y); }
void Larrivee(ProjectionSample& s) { TotalLarrivee(s.point, &s.miss, s.plane.X, s.plane.Y); }
void Strebe1995(ProjectionSample& s) {
    TotalStrebe1995(s.point, &s.miss, &s.context->strebeRecord, s.plane.X, s.plane.Y);
}
void VanDerGrintenI(ProjectionSample& s) { Totalvandergrinten1(s.point, &s.miss, s.plane.X, s.plane.Y); }
void EqualEarth(ProjectionSample& s) { TotalEqualEarth(s.point, &s.miss, s.plane.X, s.plane.Y); }

constexpr ProjectionEntry kServed[] = {
    {kModeWinkelTripel, Winkel},
    {kModeLaskowskiTriOptimal, Laskowski},
    {kModeCanters, Canters},
    {kModeNaturalEarth, NaturalEarth},
    {kModeGinzburg8, Ginzburg8},
    {kModeLarrivee, Larrivee},
    {kModeStrebe1995, Strebe1995},
    {kModeVanDerGrintenI, VanDerGrintenI},
    {kModeEqualEarth, EqualEarth},
};

}  // namespace

ProjectionTable NewtonWorldMapProjections() { return kServed; }
