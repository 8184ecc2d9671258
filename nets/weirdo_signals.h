// Weirdo groups and fragments by their signals: a builder gives each group
// (a piece of paper that must stay whole) and each fragment the 3D vertices
// that mark it; groups that share two signals share a fold and get one group
// number, and a fragment that shares a signal with a group owns it.
#pragma once

#include <cstdint>

#include "polyhedra/polyhedron.h"

// Into the first free slot; a full list drops it. A group of 200 or more
// sets status 11 and writes nothing; a fragment outside 0..24 writes nothing.
void AddGroupSignal(polyhedron* poly, int64_t group, int64_t signal);
void AddFragmentSignal(polyhedron* poly, int64_t fragment, int64_t signal);
bool InSignalListforGroupN(int64_t signal, int64_t group, const polyhedron* poly);
bool seeker_shares_2_signals_with_victim(const polyhedron* poly, int64_t seeker, int64_t victim);
bool fragment_shares_a_signal_with_group(const polyhedron* poly, int64_t fragment, int64_t group);
void Associate_a_frag_with_a_group(polyhedron* poly, int64_t fragment, int64_t group);
// Group numbers from 0 in the order seekers first find a partner (65535 for
// a group that shares with none), and each group's two lowest owning fragments.
void AddAutomaticGroupingInfo(polyhedron* poly);
