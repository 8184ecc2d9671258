// Tetrahedra of developable slivers: thin triangles fanned from one point
// over a great-circle arc, so that each fan unrolls flat. The developable
// tetrahedron fans each face from a corner over the opposite edge's arc; the
// conic tetrahedron fans each face from its centre over all three edges'
// arcs, moved onto a cone of half-angle 60 degrees about the centre.
#pragma once

#include <cstdint>

#include "common/vectors.h"
#include "polyhedra/polyhedron.h"

// Sliver k of n from the apex over the arc from A to B. Mode 1 turns the
// three points by (x, y, z) -> (-y, -x, -z); mode 4 moves the arc points onto
// the apex's 60-degree cone. The arc edge (edge 1) is cut, except: mode 2
// cuts edge 0 on face 3's first sliver; mode 4 cuts nothing on the first
// sliver of faces 0, 6 and 9 and the last of faces 3, 4 and 5.
void BuildDevelopableSliverCore(polyhedron* target, triplex apex, triplex A, triplex B, int64_t k, int64_t n,
                                int64_t mode, int64_t faceIndex);
void BuildDevelopableSliver(const polyhedron* source, polyhedron* target, int64_t face, int64_t i0, int64_t i1,
                            int64_t i2, int64_t k, int64_t n, int64_t mode);
// Moves the point along its ray from the origin onto the cone with its apex
// at `apex`, opening toward the origin at `angle` from the axis; 0 when the
// ray runs parallel to the cone's line (the point then stays where it was).
int MakeLieOnCone(triplex apex, triplex point, triplex* out, double angle);

int64_t BuildDevTet(polyhedron* target, int64_t parameter);
int64_t BuildConeTet(polyhedron* target, int64_t parameter);
