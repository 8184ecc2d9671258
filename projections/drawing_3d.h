// The per-sample entry of the ray-marched globes (the brick, metaball and
// Ferguson globes): where on the globe's view plane an output point looks,
// and the march that answers it. The march comes with the globe model, from
// the renderer, through the render context (vort::globeMarch).
#pragma once

#include <cstdint>

struct TransformationReply;
struct vort;

// One ray of a globe: the view (panel) it belongs to and its position on
// that view's plane, -1..1 across.
struct GlobeRay {
    int64_t panel;
    double gx, gy;
};

// The ray of output point (x, y), each in -0.5..0.5: mode 45 shows four
// panels (index 1 for x > 0, plus 2 for y > 0), each spanning -1..1; modes
// 394 and 395 turn (2x, 2y) by the view rotation; 396 takes (2x, 2y) as it
// is. False for other modes.
bool GlobeRayOf(long mode, double x, double y, const vort* context, GlobeRay* ray);

// Sets outside to 0, then marches the ray of (x, y) and sets outside when
// it misses; direction and reply take what the march found.
void Do_DrawingMethod3D(unsigned char* outside, vort* context, TransformationReply* reply, float direction[3],
                        double x, double y);
inline void Do_DrawingMethodGlassySphere(unsigned char* outside, vort* context, TransformationReply* reply,
                                         float direction[3], double x, double y) {
    Do_DrawingMethod3D(outside, context, reply, direction, x, y);
}
