// The marble ramps of the lit globes: 201 lighting factors indexed by
// 100 (1 - a) for a lighting value a in -1..1, fitted (see
// tools/gen_marble_ramps.cpp). Red, green and blue share one ramp.
#pragma once

extern const float kMarbleRamp[201];
inline const float* const marbleness_r = kMarbleRamp;
inline const float* const marbleness_g = kMarbleRamp;
inline const float* const marbleness_b = kMarbleRamp;
