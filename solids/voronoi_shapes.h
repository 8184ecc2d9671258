// The Voronoi solids (shape codes 160..170) and the Truchet primals
// (197..216, 237..270): a site pattern per code, its warps and tumbles, one
// cell per site as faces of the solid, then the arcs' slicing records cut
// into the net's edge flags.
#pragma once

#include <cstdint>

#include "polyhedra/polyhedron.h"
#include "polyhedra/voronoi_cells.h"

struct HALFSPACE;

bool ShapecodeIsVoronoi(int64_t shapeCode);
// Fills the sites and adjusts the options for a shape code; codes without a
// pattern add nothing. Truchet arcs on a solid build their base beside
// `target`; a refused temporary fails the target's build (out of memory).
void build_voronoi_pointset(HALFSPACE* sites, VoronoiHandlingOptions* options, int64_t shapeCode,
                            polyhedron* target);
// The options the sites of a shape code are laid with: the defaults, no
// duplicate-face test, midpoint bisectors and the invocation's pattern code.
void GetVoronoiShapeOptions(VoronoiHandlingOptions* options, const polyhedron* poly);
// The sites of a shape code as its build lays them: the options above,
// changed as the pattern changes them, with the arcs' slicing records in
// `arcs`, into `sites` (an empty list is made there).
void LayVoronoiShapeSites(HALFSPACE* sites, VoronoiHandlingOptions* options, SlicingArcList* arcs, int64_t shapeCode,
                          polyhedron* target);
// The whole build into an emptied record; returns what the links return. A
// site whose cell comes out empty fails the build (status kPolyStatusEmptyCell).
int64_t build_voronoi_shape(polyhedron* poly, int64_t parameter, int64_t shapeCode);
