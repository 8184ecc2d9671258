// Packing a net's fragments into a compact block instead of a row, for the
// nets whose fragments differ so much in size that a row of them leaves most
// of its box empty.
#pragma once

#include <cstdint>
#include <vector>

#include "polyhedra/polyhedron.h"

// Whether the layout packs the fragments of this shape's net.
bool ShapePacksItsFragments(int64_t shapeCode);

// The packings one build has worked out, by the fragments they packed: a
// net grown again as it was grown before (the best of several tries, built
// once more) is packed as before without a search.
struct PackingMemo {
    struct Entry {
        std::vector<double> pieces;  // what was packed, in the order searched
        std::vector<double> moves;   // per piece: its turn and shift
        double fill = 0;
    };
    std::vector<Entry> entries;
};

// Packings found by any build are also kept for the process (the last
// kKeptPackings of them), so that a solid built again as before (after a
// change that does not reshape its net, or for another mode on the same
// solid) is packed without a search.
inline constexpr int kKeptPackings = 32;
// Forgets the packings kept for the process.
void ForgetKeptPackings();
// How many searches PackFragments has made since the process began.
int64_t PackingSearches();

// Turns and moves the fragments first .. last so that they lie close
// together in a box as small as the search finds, each kept off the others
// by the reach of both fragments' glue tabs (`reach`, per fragment, indexed
// by fragment number) and a small gap. The largest fragment goes first;
// each further one, in order of size, takes the turn (in steps of 10
// degrees) and place that grow the box least, and of those the snuggest.
// `fill`, when given, receives the share of the packed box (tabs' reach
// included) that the faces cover. False, with the net as it was, when there
// is nothing to pack. `memo`, when given, keeps the packing found for the
// next time the same fragments are packed; the packings kept for the
// process are looked at before a search.
bool PackFragments(polyhedron* poly, int64_t first, int64_t last, const double* reach, double* fill = nullptr,
                   PackingMemo* memo = nullptr);

// The share of the net's box that its faces cover: the box of its used
// vertices grown on every side by half of `tabSize` times its longest face
// edge (half the farthest its glue tabs can reach, as the packing keeps).
double NetFill(const polyhedron* poly, double tabSize);
