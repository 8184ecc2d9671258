#include "projections/drawing_3d.h"

#include "records/TransformationReply.h"
#include "records/vort.h"

namespace {

constexpr long kModeBrickPanels = 45, kModeBrick = 394, kModeMetaball = 395, kModeFerguson = 396;

// The marchers of the globe models; none is built, so each reports a miss.
bool LegoMarch_yielding_region(const vort*, const GlobeRay&, TransformationReply*, float[3]) { return false; }
int castMetaballRay_adjustable_omega(const vort*, const double[3], TransformationReply*, float[3]) { return 1; }
int castFergusonRayWrapper(const vort*, const double[3], TransformationReply*, float[3]) { return 1; }

// The globe model's camera until the models carry one: looking down -z.
constexpr double kEye[3] = {0.0, 0.0, 1.0}, kRight[3] = {1.0, 0.0, 0.0}, kUp[3] = {0.0, 1.0, 0.0};

}  // namespace

bool GlobeRayOf(long mode, double x, double y, const vort* c, GlobeRay* ray) {
    switch (mode) {
        case kModeBrickPanels:
            ray->panel = (x > 0.0 ? 1 : 0) + (y > 0.0 ? 2 : 0);
            ray->gx = x > 0.0 ? 4.0 * x - 1.0 : 4.0 * x + 1.0;
            ray->gy = y > 0.0 ? 4.0 * y - 1.0 : 4.0 * y + 1.0;
            return true;
        case kModeBrick:
        case kModeMetaball:
            ray->panel = 0;
            ray->gx = c->viewRotationCos * 2.0 * x - c->viewRotationSin * 2.0 * y;
            ray->gy = c->viewRotationSin * 2.0 * x + c->viewRotationCos * 2.0 * y;
            return true;
        case kModeFerguson:
            ray->panel = 0;
            ray->gx = 2.0 * x;
            ray->gy = 2.0 * y;
            return true;
        default:
            return false;
    }
}

void Do_DrawingMethod3D(unsigned char* outside, const vort* c, TransformationReply* reply, float direction[3],
                        double x, double y) {
    *outside = 0;
    GlobeRay ray{};
    if (!c || !GlobeRayOf(c->outputMode, x, y, c, &ray)) return;
    if (c->outputMode == kModeBrickPanels || c->outputMode == kModeBrick) {
        if (!LegoMarch_yielding_region(c, ray, reply, direction)) *outside = 1;
        return;
    }
    double origin[3];
    for (int i = 0; i < 3; ++i) origin[i] = 3.0 * kEye[i] + ray.gx * kRight[i] + ray.gy * kUp[i];
    const int missed = c->outputMode == kModeMetaball ? castMetaballRay_adjustable_omega(c, origin, reply, direction)
                                                       : castFergusonRayWrapper(c, origin, reply, direction);
    if (missed) *outside = 1;
}
