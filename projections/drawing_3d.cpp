#include "projections/drawing_3d.h"

#include "records/TransformationReply.h"
#include "records/vort.h"

namespace {

constexpr long kModeBrickPanels = 45, kModeBrick = 394, kModeMetaball = 395, kModeFerguson = 396;

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

void Do_DrawingMethod3D(unsigned char* outside, vort* c, TransformationReply* reply, float direction[3], double x,
                        double y) {
    *outside = 0;
    GlobeRay ray{};
    if (!c || !GlobeRayOf(c->outputMode, x, y, c, &ray)) return;
    // Without a model's march (none was built) every ray misses.
    if (!c->globeMarch || !c->globeMarch(c, ray.panel, ray.gx, ray.gy, reply, direction)) *outside = 1;
}
