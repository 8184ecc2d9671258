// The joining flags of the 3D face edges (PolyEdgeFlag bits): where the net
// may be cut, which joins go first or last, where curved strips start. The
// both-sides setters write the edge on the face and on its neighbour; a
// predicate about a joint is true when the bit is set on either side.
#pragma once

#include <cstdint>

#include "polyhedra/polyhedron.h"

void SetSlicingFlag(polyhedron* poly, int64_t face, int64_t edge, uint32_t bits);
void SetSlicingPriority(polyhedron* poly, int64_t face, int64_t edge, uint32_t bits);
void SetSlicingFlag_core(polyhedron* poly, int64_t face, int64_t edge, uint32_t bits);
void KillSlicingFlag(polyhedron* poly, int64_t face, int64_t edge, uint32_t bits);
void KillSlicingFlag_core(polyhedron* poly, int64_t face, int64_t edge, uint32_t bits);
void KillSlicingPriority(polyhedron* poly, int64_t face, int64_t edge);
void KillSlicingPriority_core(polyhedron* poly, int64_t face, int64_t edge);
void forbid_joining(polyhedron* poly, int64_t face, int64_t edge);
void disdain_joining(polyhedron* poly, int64_t face, int64_t edge);
int prefer_joining(polyhedron* poly, int64_t face, int64_t edge);
int permit_joining(polyhedron* poly, int64_t face, int64_t edge);
void ApplyStartHint(polyhedron* poly, int64_t face, int64_t edge, int32_t arcStart, int32_t startHint,
                    int32_t arcMid);

// The edge's flag word seen from the neighbour, 0 without one.
uint32_t MirrorEdgeFlags(const polyhedron* poly, int64_t face, int64_t edge);
int Edge3DIsJoinable(const polyhedron* poly, int64_t face, int64_t edge);
int Edge3DIsPreferred(const polyhedron* poly, int64_t face, int64_t edge);
int Edge3DIsDisdained(const polyhedron* poly, int64_t face, int64_t edge);
int Edge3DIsArcstart(const polyhedron* poly, int64_t face, int64_t edge);
int Edge3DIsArcmid(const polyhedron* poly, int64_t face, int64_t edge);
int Edge3DIsNotDisdained(const polyhedron* poly, int64_t face, int64_t edge);
int Edge3DIsNotDisdainedAndNotPreferred(const polyhedron* poly, int64_t face, int64_t edge);

int64_t CountSlicedEdges(const polyhedron* poly, int64_t face);
int64_t CountArcFeatures(const polyhedron* poly, int64_t face);
int IsOrphanFace(const polyhedron* poly, int64_t face);
void DeorphanizeFace(polyhedron* poly, int64_t face);
void preferJoiningTheseTwo3DFaces(polyhedron* poly, int64_t faceA, int64_t faceB);
void permit_joining_everywhere(polyhedron* poly);
void forbid_joining_everywhere(polyhedron* poly);
