#include "projections/forward_maps.h"

#include <algorithm>
#include <cmath>

const float RobinsonXScaleByLatitude[20] = {
    1.0f,    0.9986f, 0.9954f, 0.99f,   0.9822f, 0.973f,  0.96f,   0.9427f, 0.9216f, 0.8962f,
    0.8679f, 0.835f,  0.7986f, 0.7597f, 0.7186f, 0.6732f, 0.6213f, 0.5722f, 0.5322f, 0.5322f};
const float RobinsonLatitudeByMapY[20] = {
    0.0f,    0.062f,  0.124f,  0.186f,  0.248f,  0.31f,   0.372f,  0.434f, 0.4958f, 0.5571f,
    0.6176f, 0.6769f, 0.7346f, 0.7903f, 0.8435f, 0.8936f, 0.9394f, 0.9761f, 1.0f,   1.0f};

void MarkInverseTablesUnbuilt(InverseTables* t) {
    t->ellipsoid[0] = kLazyTableUnbuilt;
    t->mollweide[0] = kLazyTableUnbuilt;
}

double qev_asinh(double x) { return std::log(std::sqrt(x * x + 1.0) + x); }

double sign(double x) { return x > 0.0 ? 1.0 : (x < 0.0 ? -1.0 : 0.0); }

float LazyTableLookup(const float* table, float g) {
    if (!(g >= 0.0f)) g = 0.0f;  // a NaN reads the first entry
    int i = g >= 399.0f ? 399 : static_cast<int>(g);
    const int next = std::min(i, 398) + 1;
    return table[i] + (g - static_cast<float>(i)) * (table[next] - table[i]);
}

namespace {

// Newton's limit for the Mollweide auxiliary angle: the step tolerance of
// the table and a cap for the slow double root near the poles.
constexpr double kMollweideTolerance = 0.0001;
constexpr int kMollweideMaxSteps = 100;

void FillMollweideTable(float table[kLazyTableSize]) {
    for (int i = 0; i < kLazyTableSize; ++i) {
        const double psi = i * M_PI / 399.0;
        const double target = M_PI * std::sin(psi);
        double t = psi / 2.0;
        for (int step = 0; step < kMollweideMaxSteps; ++step) {
            const double den = 1.0 + std::cos(t);
            if (!(den > 1e-12)) break;
            const double d = (target - t - std::sin(t)) / den;
            t += d;
            if (std::fabs(d) <= kMollweideTolerance) break;
        }
        table[i] = static_cast<float>(t / 2.0);
    }
}

}  // namespace

float Molltheta(float table[kLazyTableSize], float phi) {
    if (table[0] == kLazyTableUnbuilt) FillMollweideTable(table);
    const float v = LazyTableLookup(table, std::fabs(phi) * 0.31830987f * 399.0f);
    return phi < 0.0f ? -v : v;
}

float RobLatLerp(float* xScale, float Y) {
    const float a = 18.0f * std::fabs(Y);
    int i = static_cast<int>(a);
    if (!(a >= 0.0f)) i = 0;
    i = std::clamp(i, 0, 18);
    const float w = a - static_cast<float>(i);
    const float h = RobinsonLatitudeByMapY[i] + w * (RobinsonLatitudeByMapY[i + 1] - RobinsonLatitudeByMapY[i]);
    *xScale = RobinsonXScaleByLatitude[i] + w * (RobinsonXScaleByLatitude[i + 1] - RobinsonXScaleByLatitude[i]);
    return Y < 0.0f ? -h : h;
}

namespace {
constexpr int kRobinsonBisectionRounds = 20;
}

float solveRobY(float Y) {
    float lo = std::max(Y - 0.2f, 0.0f), hi = std::min(Y + 0.2f, 1.0f);
    float L = Y, scale;
    for (int round = 0; round < kRobinsonBisectionRounds; ++round) {
        if (RobLatLerp(&scale, L) > Y)
            hi = L;
        else
            lo = L;
        L = (lo + hi) * 0.5f;
    }
    return L;
}

float RobinsonInverse_function(float table[kLazyTableSize], float Y) {
    if (table[0] == kLazyTableUnbuilt)
        for (int i = 0; i < kLazyTableSize; ++i) table[i] = solveRobY(static_cast<float>(i) / 399.0f);
    const float v = LazyTableLookup(table, std::fabs(Y) * 399.0f);
    return Y < 0.0f ? -v : v;
}

double rootfindForEckert(double phi) {
    if (phi >= M_PI / 2) return M_PI / 2;
    if (phi <= -M_PI / 2) return -M_PI / 2;
    const double a = std::fabs(phi);
    const double p = -1.165815625026194e-5 +
                     a * (0.8934362104785959 +
                          a * (-0.008410082040164208 +
                               a * (0.06638464955345642 +
                                    a * (-0.08055751819285085 +
                                         a * (0.09450827197462021 +
                                              a * (-0.05212386506734163 + a * 0.012734164757160563))))));
    return phi < 0.0 ? -p : p;
}

void strebe1995forward(double lambda, double phi, double* x, double* y) {
    // Eckert IV, then the inverse of Mollweide, then Hammer, with 1.35.
    const double t = rootfindForEckert(phi);
    const double s = kEckert4Y * std::sin(t) / 1.35;
    const double r = std::sqrt(std::fmax(2.0 - s * s, 0.0));
    const double lp = lambda * 2.7 * (1.0 + std::cos(t)) / 4.736662856426298 * 0.7853981633974483 / r;
    const double m = std::clamp((2.0 * std::asin(std::clamp(s * M_SQRT2 / 2.0, -1.0, 1.0)) + s * r) / M_PI,
                                -1.0, 1.0);
    const double c = std::sqrt(1.0 - m * m);
    const double k = std::sqrt(2.0 / (1.0 + c * std::cos(lp)));
    *x = std::sin(lp) * c * 2.0 * k / 1.35;
    *y = m * k * 1.35;
}

void vandergrinten1forward(double lambda, double phi, double* x, double* y) {
    constexpr double kTiny = 1e-7;
    if (std::fabs(phi) < kTiny) {
        *x = lambda;
        *y = 0.0;
        return;
    }
    const double b = std::min(std::fabs(2.0 * phi / M_PI), 1.0);
    const double th = std::asin(b);
    if (std::fabs(lambda) < kTiny || std::fabs(std::fabs(phi) - M_PI / 2) < kTiny) {
        *x = 0.0;
        *y = sign(phi) * M_PI * std::tan(th / 2.0);
        return;
    }
    const double A = std::fabs(M_PI / lambda - lambda / M_PI) / 2.0;
    const double ct = std::cos(th);
    const double G = ct / (b + ct - 1.0);
    const double P = G * (2.0 / b - 1.0);
    const double Q = A * A + G;
    const double P2 = P * P, A2 = A * A;
    const double GP = G - P2;
    *x = sign(lambda) * M_PI * (A * GP + std::sqrt(std::fmax(A2 * GP * GP - (P2 + A2) * (G * G - P2), 0.0))) /
         (P2 + A2);
    *y = sign(phi) * M_PI * std::fabs(P * Q - A * std::sqrt(std::fmax((A2 + 1.0) * (P2 + A2) - Q * Q, 0.0))) /
         (P2 + A2);
}

void WinkelTripelForward(double lambda, double phi, double* x, double* y) {
    const double a = std::acos(std::clamp(std::cos(phi) * std::cos(lambda / 2.0), -1.0, 1.0));
    const double q = a == 0.0 ? 1.0 : a / std::sin(a);
    *x = (lambda * 0.6366197723675814 + 2.0 * q * std::cos(phi) * std::sin(lambda / 2.0)) / 2.0;
    *y = (phi + q * std::sin(phi)) / 2.0;
}
