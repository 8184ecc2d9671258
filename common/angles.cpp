// The angle conversions that are not on the per-sample path.
#include "common/angles.h"

double AngleAround2Dpoints(double ax, double ay, double bx, double by, double cx, double cy) {
    double d = XYtoRadiansD(ax - bx, ay - by) - XYtoRadiansD(cx - bx, cy - by);
    // Both angles lie in (0, 2pi], so one turn each way is always enough; the
    // second pass only guards against rounding.
    for (int i = 0; i < 2 && d > kPiD; ++i) d -= 2.0 * kPiD;
    for (int i = 0; i < 2 && d < -kPiD; ++i) d += 2.0 * kPiD;
    return d;
}

double bearing(double lon1, double lat1, double lon2, double lat2) {
    const double delta = lon2 - lon1;
    const double theta = std::atan2(std::sin(delta) * std::cos(lat2),
                                    std::cos(lat1) * std::sin(lat2) -
                                        std::sin(lat1) * std::cos(lat2) * std::cos(delta));
    const double b = theta - 2.0 * kPiD * std::floor(theta / (2.0 * kPiD));
    // A tiny negative theta would otherwise round up to a full turn.
    return b >= 2.0 * kPiD ? 0.0 : b;
}
