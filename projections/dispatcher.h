// The output-mode dispatcher: for every output mode not built on a
// polyhedron, one normalised output position (u, v) becomes a unit direction
// on the sphere, or a miss (the position lies outside the projection's
// image). Each family of projections offers the table of the modes it serves
// (projections/projection_families.h); the dispatcher gathers them once and
// looks each sample's mode up.
#pragma once

#include "projections/projection_sample.h"

// True for the output codes whose projection this build does not have yet
// (their row in the table of output modes names a projection no family
// serves): they answer a miss with the direction (0, 0, 1).
bool OutputModeAwaitsProjection(long outputMode);
// True for the output codes a family serves (some of which still need a
// table they read: ProjectionTablesAreBuiltForMode).
bool OutputModeHasProjection(long outputMode);

// The caller clears `miss` and sets `region` to -1 first. Codes no family
// serves leave everything as it was.
void handle_non_poly_projections(renderhinttype*& hints, float* point, vort*& context, long& region,
                                 unsigned char& miss, fcomplex& planePoint,
                                 TransformationReply*& reply, float u, float v);
