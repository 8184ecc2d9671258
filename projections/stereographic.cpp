#include "projections/stereographic.h"

#include <cmath>

#include "common/angles.h"
#include "projections/projection_families.h"
#include "records/output_modes.h"

void StereoIntersect_NiceD(double out[3], double X, double Y) {
    const double s = X * X + Y * Y;
    const double k = 1.0 / (1.0 + s);
    out[0] = -2.0 * X * k;
    out[1] = -2.0 * Y * k;
    out[2] = (1.0 - s) * k;
}

void StereoIntersectD(double out[3], double X, double Y) {
    // The ray from the pole (0, 0, -1) is the general ray with h = -1.
    StereoIntersectCoreD(out, X, Y, -1.0);
}

void StereoIntersect(float out[3], float X, float Y) {
    double d[3];
    StereoIntersectD(d, X, Y);
    out[0] = static_cast<float>(d[0]);
    out[1] = static_cast<float>(d[1]);
    out[2] = static_cast<float>(d[2]);
}

void StereoIntersectCoreD(double out[3], double X, double Y, double h) {
    const double dx = -X, dy = -Y, dz = 1.0 - h;
    const double m = std::sqrt(dx * dx + dy * dy + dz * dz);
    if (!(m > 0.0) || !std::isfinite(m)) {
        out[0] = 0.0;
        out[1] = 0.0;
        out[2] = 1.0;
        return;
    }
    const double ux = dx / m, uy = dy / m, uz = dz / m;
    const double b = -h * uz;
    const double t = b + std::sqrt(std::fmax(1.0 - h * h + b * b, 0.0));
    out[0] = t * ux;
    out[1] = t * uy;
    out[2] = h + t * uz;
}

void StereoIntersectCore(float out[3], float X, float Y, float h) {
    double d[3];
    StereoIntersectCoreD(d, X, Y, h);
    out[0] = static_cast<float>(d[0]);
    out[1] = static_cast<float>(d[1]);
    out[2] = static_cast<float>(d[2]);
}

void SubstituteSphereSegment_NiceD(double p[3], unsigned char* outside, double n, double shift) {
    const double k = 1.0 / n;
    const double y0 = p[1];
    const double d = std::fabs(y0) + 1.0;
    double X = 0.0, Z = 0.0;  // the coordinate w = Z + iX
    if (d > 0.0) {
        X = -p[0] / d;
        Z = p[2] / d;
    }
    // Which angular segment the point lies in: outside when k times its
    // angle leaves (-pi, pi].
    const double a = XYtoRadiansD(Z, X);
    const double f = a / (2.0 * M_PI) + 0.75;
    const double q = f - std::floor(f) - 0.5;
    if (!(2.0 * k * q >= -1.0 && 2.0 * k * q <= 1.0)) *outside = 1;
    double wr = 0.0, wi = 0.0;
    const double r2 = Z * Z + X * X;
    if (r2 > 0.0) {
        const double th = std::atan2(X, Z) * k;
        const double rk = std::exp(k * 0.5 * std::log(r2));
        wr = rk * std::cos(th);
        wi = rk * std::sin(th);
    }
    const double s = wr * wr + wi * wi;
    const double inv = 1.0 / (1.0 + s);
    const double y = (1.0 - s) * inv;
    p[0] = -2.0 * wi * inv;
    p[2] = 2.0 * wr * inv;
    p[1] = y0 > 0.0 ? y : -y;
    if (shift != 0.0) DiscMoveOnSphere(p, shift);
}

void SubstituteSphereSegment(float p[3], unsigned char* outside, double n) {
    double d[3] = {p[0], p[1], p[2]};
    SubstituteSphereSegment_NiceD(d, outside, n, 0.0);
    p[0] = static_cast<float>(d[0]);
    p[1] = static_cast<float>(d[1]);
    p[2] = static_cast<float>(d[2]);
}

void LagrangeInverse_AvantGarde(unsigned char* outside, double p[3], int keepOutside, double X,
                                double Y, double n) {
    StereoIntersect_NiceD(p, X, Y);
    SubstituteSphereSegment_NiceD(p, outside, 1.0 / n, 0.0);
    if (!keepOutside) *outside = 0;
}

void LagrangeInverse(unsigned char* outside, float p[3], int keepOutside, double X, double Y,
                     double n) {
    double d[3];
    LagrangeInverse_AvantGarde(outside, d, keepOutside, X, Y, n);
    p[0] = static_cast<float>(d[0]);
    p[1] = static_cast<float>(d[1]);
    p[2] = static_cast<float>(d[2]);
}

int NearestTetrahedronVertex(const float p[3]) {
    static const float v[4][3] = {{0.94280905f, 0.0f, -1.0f / 3.0f},
                                  {-0.47140452f, 0.8164966f, -1.0f / 3.0f},
                                  {-0.47140452f, -0.8164966f, -1.0f / 3.0f},
                                  {0.0f, 0.0f, 1.0f}};
    int best = 0;
    float bestDot = -HUGE_VALF;
    for (int i = 0; i < 4; ++i) {
        const float d = p[0] * v[i][0] + p[1] * v[i][1] + p[2] * v[i][2];
        if (d > bestDot) {
            bestDot = d;
            best = i;
        }
    }
    return best;
}

// ---- the output modes these maps serve ----

namespace {

void Stereographic(ProjectionSample& s) {
    const double L = s.context->lensWidth;
    double d[3];
    StereoIntersect_NiceD(d, 0.5 * L * L * s.plane.X, 0.5 * L * L * s.plane.Y);
    StoreDirection(s, triplex{d[0], d[1], d[2]});
}

// Lagrange, Lagrange 3-4 and Lagrange plus.
void Lagrange(ProjectionSample& s) {
    s.miss = 0;
    LagrangeInverse(&s.miss, s.point, s.mode == kModeLagrangePlus ? 0 : 1, s.plane.X, s.plane.Y,
                    s.mode == kModeLagrange3_4 ? 4.0 / 3.0 : 2.0);
}

void Semistereo(ProjectionSample& s) {
    const double L = s.context->lensWidth;
    StereoIntersectCore(s.point, RoundedToFloat(L * L * s.plane.X), RoundedToFloat(L * L * s.plane.Y), -0.5f);
}

void Squoculus(ProjectionSample& s) {
    const double L = s.context->lensWidth;
    const double k = (double(s.v) + 1.0) * L * L;
    StereoIntersect(s.point, RoundedToFloat(k * s.plane.X), RoundedToFloat(k * s.plane.Y));
}

constexpr ProjectionEntry kServed[] = {
    {kModeStereographic, Stereographic},
    {kModeLagrange, Lagrange},
    {kModeLagrange3_4, Lagrange},
    {kModeLagrangePlus, Lagrange},
    {kModeSemistereo, Semistereo},
    {kModeSquoculus, Squoculus},
};

}  // namespace

ProjectionTable StereographicProjections() { return kServed; }
