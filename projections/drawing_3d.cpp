#include "projections/drawing_3d.h"

#include "records/TransformationReply.h"
#include "records/output_modes.h"
#include "records/vort.h"

bool GlobeRayOf(long mode, double x, double y, const vort* c, GlobeRay* ray) {
    switch (mode) {
        case kModeBrickPreview:
            ray->panel = (x > 0.0 ? 1 : 0) + (y > 0.0 ? 2 : 0);
            ray->gx = x > 0.0 ? 4.0 * x - 1.0 : 4.0 * x + 1.0;
            ray->gy = y > 0.0 ? 4.0 * y - 1.0 : 4.0 * y + 1.0;
            return true;
        case kModeVoxelGlobe:
        case kModeBlobWorld:
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
