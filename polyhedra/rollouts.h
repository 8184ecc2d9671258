// Sphericon rollouts: a regular n-gon turned half a turn about its vertical
// axis sweeps half a solid of revolution in 6-degree steps; the other half is
// the first turned over and twisted by k polygon steps (and half a step in the
// half-step forms). Circles of the sweep are cut, meridians join, so the net
// unrolls into bands.
#pragma once

#include <cstdint>

#include "common/vectors.h"
#include "polyhedra/polyhedron.h"

// Fraction of a turn at which corner i of a regular n-gon lies; corner 0 is
// at the top for a vertex-up polygon (any odd n) and just left of it for an
// edge-up one; corners run counter-clockwise.
float PQ(int64_t i, int64_t n, int vertexUp);
// The last corner on the left side going down from the top.
int64_t high_P(int64_t n);
void GetPolygonPoint(int64_t i, int64_t n, triplex* out, int vertexUp);

// Faces whose edge 1 (and a quadrilateral's edge 3) never joins.
void AddTriangleFace(polyhedron* poly, const triplex* a, const triplex* b, const triplex* c);
void AddQuadrilateralFace(polyhedron* poly, const triplex* a, const triplex* b, const triplex* c, const triplex* d);

int64_t BuildRollout(polyhedron* poly, int64_t, int64_t n, int64_t k, int64_t vertexUp, int halfStep);
// One half: pass 1 as swept, pass 2 turned over and twisted.
void BuildRollout_core(polyhedron* poly, int64_t, int64_t n, int64_t k, int vertexUp, int64_t pass, int halfStep);

struct RolloutForm {
    int64_t n, k, vertexUp, halfStep;
};
// The rollout of shape codes 111-158, or 0 for another code.
int RolloutOfShapecode(int64_t shapeCode, RolloutForm* form);
