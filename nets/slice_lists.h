// Arcs drawn across a Voronoi solid as chains of its edges: each slicing
// record names two points; once the solid's vertices stand, each point is
// matched to the nearest vertex within 0.002 of it, the edge joining the two
// is cut and the arc marked on its flags.
#pragma once

#include <cstdint>

#include "polyhedra/polyhedron.h"
#include "polyhedra/voronoi_cells.h"

// One record whose ends are matched to the vertices a and b (-1: none):
// cuts the edge a-b of the lowest-indexed face holding it and marks it (arc
// start, start hint, arc middle); an arc start also disdains the edge before
// it. 1 when an edge was found, else 0.
int FindSliceMatch(int64_t a, int64_t b, const SlicingRecord& record, polyhedron* poly);
// Matches the ends of every record and applies them in order; the number of
// records that found their edge.
int64_t ApplySlicingList(const SlicingArcList* list, polyhedron* poly);
