// Crevice-fighting regions: where a net's outline folds back at less than
// 15 degrees, the faces on the two sides of the slit get different small
// region numbers, faces along one stretch of outline between two slits share
// one, and the rest take the region most of their neighbours share. The
// walks follow the outlines numbered by the tab walk; a net without outline
// numbers is numbered here first.
#pragma once

#include <cstdint>

#include "polyhedra/polyhedron.h"

// Two outline edges meeting at less than this angle make a crevice.
inline constexpr double kCreviceCosine = 0.96592582628906831;  // cos 15 degrees

void AddCreviceFightingRegionInfo(polyhedron* poly);
int InitCreviceFightingRegionInfoViaEdgeWalking(polyhedron* poly, int64_t outline);
int BidirectionallySmearCreviceFightingRegionInfoViaEdgeWalking(polyhedron* poly, int64_t outline);
int BidirectionallySmearOnceStartingFrom(polyhedron* poly, int64_t face, int64_t edge);
void AddMissingCreviceRegions(polyhedron* poly);
void PropagateRegionSuggestionsToNeighbors2D(polyhedron* poly, int64_t face);
int64_t RegionSuggestionOfNeighbor2D(const polyhedron* poly, int64_t face, int64_t edge);
// Numbers every outline from 1 (faces keep the number of the last outline
// through them) without touching the tab walk's flags; the outline count.
int64_t NumberOutlines(polyhedron* poly);
