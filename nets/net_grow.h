// Unfolding a solid into a net: fragments grown from seed faces by hinging
// neighbouring 3D faces onto the edges of faces already placed, as long as
// no new face overlaps its fragment; then the fragments are laid out.
#pragma once

#include <cstdint>

#include "polyhedra/polyhedron.h"

struct SkipList;

// At most 24 fragments, numbered from 1.
inline constexpr int64_t kMaxNetFragments = 24;

void Build2DNet(polyhedron* poly);
// `cap` above 0 holds the fragment to that many faces.
int BuildOneFragmentOfThe2DNet(polyhedron* poly, int64_t fragment, SkipList* list, int64_t cap = 0);
int64_t FindAnUnused3DFace(const polyhedron* poly, int64_t fragment);
int64_t FindAnUnused3DFace_with_arcstart(const polyhedron* poly, int64_t fragment);
int64_t FindAnUnused3DFace_any(const polyhedron* poly, int64_t fragment);
bool Face3DIsSuitableForThisFragment(const polyhedron* poly, int64_t face, int64_t fragment);
// Tries to join each neighbour of net face N; the faces it added itself
// (depth-first growth goes on from each at once, not counted).
int64_t PropagateNet(polyhedron* poly, int64_t N, int64_t level, int64_t fragment, int64_t* reason, SkipList* list,
                     int64_t cap = 0);
void MarkAll3DFacesAsUnused(polyhedron* poly);
void Reset2DSearchlevels(polyhedron* poly);
void AddInfoForTwistedQuads(polyhedron* poly);
