// The joining flags of the 3D face edges (PolyEdgeFlag bits): where the net
// may be cut, which joins go first or last, where curved strips start. The
// both-sides setters write the edge on the face and on its neighbour.
#pragma once

#include <cstdint>

#include "polyhedra/polyhedron.h"

void SetSlicingFlag(polyhedron* poly, int64_t face, int64_t edge, uint32_t bits);
void KillSlicingPriority(polyhedron* poly, int64_t face, int64_t edge);
void forbid_joining(polyhedron* poly, int64_t face, int64_t edge);
void disdain_joining(polyhedron* poly, int64_t face, int64_t edge);
int prefer_joining(polyhedron* poly, int64_t face, int64_t edge);
int permit_joining(polyhedron* poly, int64_t face, int64_t edge);
void ApplyStartHint(polyhedron* poly, int64_t face, int64_t edge, int32_t arcStart, int32_t startHint,
                    int32_t arcMid);

// The edge's flag word seen from the neighbour, 0 without one.
uint32_t MirrorEdgeFlags(const polyhedron* poly, int64_t face, int64_t edge);

void permit_joining_everywhere(polyhedron* poly);
void forbid_joining_everywhere(polyhedron* poly);
