// Links between net faces: two net faces are neighbours across an edge when
// both list its two net vertices, found through an edge index keyed by the
// smaller vertex number.
#pragma once

#include <cstdint>

#include "polyhedra/polyhedron.h"

struct SkipList;

// Links net faces first .. first + count - 1 against the edges already in
// the index; a null index links nothing.
void Build2DConnectivity_core_new(polyhedron* poly, int64_t first, int64_t count, SkipList* list);
void Build2DConnectivityCompletelyFromScratch(polyhedron* poly, int64_t count);

// Marks the cut edges that the layout lays along an edge of another net face
// (netFace[].cutAgainst): faces that touch there without a fold, which a
// printed net must show as a cut.
void MarkCutsAlongOtherFaces(polyhedron* poly);
// Whether net faces f and g touch along such a cut.
bool NetFacesCutApart(const polyhedron* poly, int64_t f, int64_t g);
