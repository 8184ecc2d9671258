// The real disc automorphism and its move of the sphere: what the
// stereographic maps, the warps of site patterns and the florets share.
#pragma once

// Real disc automorphism taking a to the centre: (w - a)/(1 - a w).
void DiscMove(double& wr, double& wi, double a);
// The disc move applied on the stereographic coordinate from the far z pole,
// keeping the hemisphere (sign of z); the y poles stay.
void DiscMoveOnSphere(double p[3], double a);
// The disc automorphism w' = (w - a)/(1 - a w) on the stereographic
// coordinate from the far z pole; a = 0 leaves p unchanged.
void automorphicDisk_prettily_on_sphere(double p[3], double a);
