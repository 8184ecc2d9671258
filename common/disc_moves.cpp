#include "common/disc_moves.h"

#include <cmath>

void DiscMove(double& wr, double& wi, double a) {
    const double nr = wr - a, ni = wi;
    const double dr = 1.0 - a * wr, di = -a * wi;
    const double dd = dr * dr + di * di;
    if (!(dd > 0.0)) {
        // w = 1/a lies outside the unit disc; a disc point never gets here.
        wr = HUGE_VAL;
        wi = 0.0;
        return;
    }
    wr = (nr * dr + ni * di) / dd;
    wi = (ni * dr - nr * di) / dd;
}

// The disc move applied on the stereographic coordinate from the far z pole,
// keeping the hemisphere (sign of z). The real axis is y: the move keeps the
// y poles, so it commutes with turns about the y axis, the axis the segment
// substitution opens its lune about (florets stay n-fold after the shift).
void DiscMoveOnSphere(double p[3], double a) {
    const double e = std::fabs(p[2]) + 1.0;
    double wr = -p[1] / e, wi = -p[0] / e;
    DiscMove(wr, wi, a);
    const double s = wr * wr + wi * wi;
    if (!std::isfinite(s)) {
        p[0] = 0.0;
        p[1] = 0.0;
        p[2] = p[2] < 0.0 ? -1.0 : 1.0;
        return;
    }
    const double k = 1.0 / (1.0 + s);
    const double z = (1.0 - s) * k;
    p[0] = -2.0 * wi * k;
    p[1] = -2.0 * wr * k;
    p[2] = p[2] < 0.0 ? -std::fabs(z) : std::fabs(z);
}

void automorphicDisk_prettily_on_sphere(double p[3], double a) {
    if (a == 0.0) return;
    DiscMoveOnSphere(p, a);
}
