// The output-mode dispatcher: for every output mode not built on a
// polyhedron, one normalised output position (u, v) becomes a unit direction
// on the sphere, or a miss (the position lies outside the projection's
// image). A handful of simple projections are computed in place; every other
// mode goes to its projection function.
#pragma once

#include "common/complex.h"

struct renderhinttype;
struct vort;
struct TransformationReply;

// Plane coordinates of an output position. The centred plane subtracts the
// centre before scaling, the box plane adds it after.
struct OutputPlane {
    double X, Y;    // centred: S((u - 0.5) - Cx), S(v - 0.5)A
    double Xb, Yb;  // box: (u - 0.5)S + Cx, (v - 0.5)HS + Cy
};
OutputPlane OutputPlaneOf(const vort* context, float u, float v);

// True for the output codes whose projection this build does not have yet:
// they answer a miss with the direction (0, 0, 1).
bool OutputModeAwaitsProjection(long outputMode);
// True for the output codes the dispatcher has a projection for (some of
// which still need a table they read: ProjectionTablesAreBuiltForMode).
bool OutputModeHasProjection(long outputMode);

// The caller clears `miss` and sets `region` to -1 first.
void handle_non_poly_projections(renderhinttype*& hints, float* point, vort*& context, long& region,
                                 unsigned char& miss, fcomplex& planePoint,
                                 TransformationReply*& reply, float u, float v);
