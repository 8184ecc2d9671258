#include "projections/power_maps.h"

#include <cmath>

#include "common/angles.h"
#include "projections/projection_families.h"
#include "records/output_modes.h"

void DoMercAndHyper(float out[3], long outputMode, float x, float y, float f) {
    if (outputMode < kModeHyperdouble || outputMode > kModeMercatorStar) return;
    const double X = x, Y = y;
    double px, py;
    if (outputMode == kModeHyperdouble || outputMode == kModeMercatorCross) {  // half the complex square
        px = (X * X - Y * Y) / 2.0;
        py = X * Y;
    } else {  // the complex cube
        px = X * X * X - 3.0 * X * Y * Y;
        py = 3.0 * X * X * Y - Y * Y * Y;
    }
    if (outputMode >= kModeMercatorCross) {  // Mercator
        const double f2 = static_cast<double>(f) * f;
        const double mx = px * f2, my = py * f2;
        const double U = 1.0 - (mx + 0.5);
        const double V = (std::atan(std::sinh(2.0 * kPiD * my)) + kPiD / 2.0) / kPiD;
        RectangularToSpherical(out, static_cast<float>(U), static_cast<float>(V));
        return;
    }
    // Stereographic from the pole (0, 0, -1) onto the plane touching (0, 0, 1).
    const float sx = static_cast<float>(5.0 * f * px), sy = static_cast<float>(5.0 * f * py);
    const float n = std::sqrt(sx * sx + sy * sy + 4.0f);
    const float dx = -sx / n, dy = -sy / n, dz = 2.0f / n;
    const float t = dz + std::sqrt(dz * dz);
    out[0] = t * dx;
    out[1] = t * dy;
    out[2] = t * dz - 1.0f;
}

// ---- the output modes these maps serve ----

namespace {

void PowerMap(ProjectionSample& s) {
    DoMercAndHyper(s.point, s.mode, RoundedToFloat(s.plane.X), RoundedToFloat(s.plane.Y), s.context->lensWidth);
}

constexpr ProjectionEntry kServed[] = {
    {kModeHyperdouble, PowerMap},
    {kModeHypertriple, PowerMap},
    {kModeMercatorCross, PowerMap},
    {kModeMercatorStar, PowerMap},
};

}  // namespace

ProjectionTable PowerMapProjections() { return kServed; }
