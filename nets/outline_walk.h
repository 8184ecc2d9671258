// Walking the outline of a laid-out net: a net face edge with no neighbour
// is a cut edge on the outline of a fragment (or of a hole in it). A
// position is (net face, edge). Pivots about a corner are bounded by the net
// face count (relinked nets can hold a cycle); a broken outline gives face -1.
#pragma once

#include <cstdint>

#include "polyhedra/polyhedron.h"

// The next cut edge: the one starting where (face, edge) ends.
void NextAroundNet(const polyhedron* poly, int64_t* face, int64_t* edge);
// The previous cut edge: the one ending where (face, edge) starts.
void PrevAroundNet(const polyhedron* poly, int64_t* face, int64_t* edge);
// The first cut edge (faces, then edges, in order) not yet walked: 1 and the
// position, 0 when none.
int FindANeighborless2DEdgeThatsUnconsidered(const polyhedron* poly, int64_t* face, int64_t* edge);
