// Which 3D face each net face shows, and which of its corners a net face's
// corner 0 stands for, worked out from the corner angles when a net comes
// from a table: one net face is anchored to a matching 3D face and the
// correspondence spreads across the net links and the 3D links together.
// A grown net knows its faces already (correspondenceGiven). Any corner
// whose angle disagrees sets correspondenceFailed; the work goes on.
#pragma once

#include <cstdint>

#include "polyhedra/polyhedron.h"

// Two corner angles match when they differ by less than this (radians).
inline constexpr double kCorrespondenceAngleTolerance = 0.0025;

// 1, or 0 when a net read from a table finds no anchor.
int64_t DetermineCorrespondence(polyhedron* poly);
// Ties every net face reachable from this one that shows no 3D face yet,
// depth first (an explicit stack: nets run to 25,290 faces).
void Propagate(int64_t netFace, polyhedron* poly);
bool faces_are_congruent(int64_t netFace, int64_t k2, int64_t face3D, int64_t k3, const polyhedron* poly);
// The first 3D face with as many corners as the net face, or -1.
int64_t Find3DSimilarTof2DFace(int64_t netFace, const polyhedron* poly);
// The 3D neighbour of face3D matching the net face's neighbour across net
// edge k (at stored position neighbourPos), with the 3D edge in *edge3D; -1
// none. Strict: the corners' use counts must equal the net corners'; relaxed:
// both larger or both smaller.
int64_t FindSimilarAmong3DNeighbors(int64_t face3D, int64_t netFace, int64_t k, int64_t neighbourNet,
                                    int64_t neighbourPos, int64_t* edge3D, const polyhedron* poly, int strict);
