// Reattaching small stray fragments: one forbidden 3D edge on the fragment's
// outline is opened on both sides, so that the next net build can hang the
// fragment onto its neighbour there.
#pragma once

#include <cstdint>

#include "polyhedra/polyhedron.h"

void ReviseFragmentation(polyhedron* poly);
int AttemptToReattachedFragment(polyhedron* poly, int64_t fragment);
int AttemptToReattachedFragment_at_cusp(polyhedron* poly, int64_t fragment);
int AttemptToReattachedFragment_at_tinyface(polyhedron* poly, int64_t fragment);
int AttemptToReattachedFragment_at_singleneighbor(polyhedron* poly, int64_t fragment);
int AttemptToReattachedFragment_at_arcstart(polyhedron* poly, int64_t fragment, int middle);
