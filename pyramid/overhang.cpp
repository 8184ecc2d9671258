#include "pyramid/overhang.h"

namespace {
float Overshoot(float t) { return t < 0.0f ? -t : (t > 1.0f ? t - 1.0f : 0.0f); }
}  // namespace

int64_t july_OverhangizeCoordinates(float* u, float* v, float* level, int64_t mode,
                                    const PyramidDescriptor* pyr) {
    const float U = *u, V = *v;
    if (U >= 0.0f && U <= 1.0f && V >= 0.0f && V < 1.0f) return 0;
    switch (mode) {
        case kOverhangClear: return 1;
        case kOverhangMirrorBlur: {
            float d = Overshoot(U) > Overshoot(V) ? Overshoot(U) : Overshoot(V);
            if (!(d < 1.0f)) d = 1.0f;
            *u = overhang_clamp01(U);
            *v = overhang_clamp01(V);
            *level = *level + d * (static_cast<float>(pyr->topLevel) - *level);
            return 0;
        }
        case kOverhangClamp:
            *u = overhang_clamp01(U);
            *v = overhang_clamp01(V);
            return 0;
        case kOverhangWrapBoth:
            if (pyr->edgeMode == 1) {
                *u = overhang_wrap(U);
                *v = overhang_wrap(V);
            } else if (pyr->edgeMode == 2) {
                *u = overhang_wrap(U);
                *v = overhang_clamp01(V);
            }
            return 0;
        case kOverhangOverThePole: OverhangizeCoordinates2016(u, v, level, mode, pyr); return 0;
        default: return 0;
    }
}
