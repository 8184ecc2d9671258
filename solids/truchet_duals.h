// The Truchet duals (shape codes 217..236 and 271..304): the site dual of a
// Truchet primal, each Voronoi cell of the primal becoming a vertex at its
// site and each vertex of the primal a fan of triangles; then the primal's
// arcs, recorded again as its sites are laid, cut the dual's net along the
// edges that join consecutive sites of an arc.
#pragma once

#include <cstdint>

#include "polyhedra/polyhedron.h"
#include "polyhedra/voronoi_cells.h"

// The site dual of the solid of `primalShapecode`, built on a scratch record
// through the set-up, keeping the site points its builder gave the faces.
// A scratch that cannot be had or a primal that fails its build fails the
// target with the same status. Returns what the links return.
int64_t BuildDualFromShapecode(polyhedron* target, int64_t setUpFlag, int64_t primalShapecode,
                               const VoronoiHandlingOptions* options);
// The whole build of a Truchet dual into an emptied record.
int64_t BuildTruchetDual(polyhedron* target, int64_t parameter, int64_t shapeCode, uint8_t flag);
