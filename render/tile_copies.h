// Moving colours from a render task's reply grid to the outside world:
// a finished tile's colours to the destination (on the main thread, inside
// the task's completion, except for an offscreen render, whose tiles write
// their own pixels on their threads).
// The grid covers the tile plus a border of one cell: pixel (x, y) of the
// tile (job coordinates) is at column x - left + 1, row y - top + 1.
#pragma once

#include <cstdint>

#include "platform/host/host_types.h"

struct MirelYummy;
struct PerTaskStuffType;

// The colour (red, green, blue, alpha) that ends reply cell `index` of a grid.
float* ReplyCellColour(MirelYummy* grid, int64_t index);
// The grid index of job pixel (x, y) in the task's tile, or -1 outside the grid.
int64_t ReplyCellIndex(const PerTaskStuffType* task, int64_t x, int64_t y);

void copy_pixels_of_tile_out_to_destination(PerTaskStuffType* task);
void mark_tile_copied_out();
void copy_tile_pixels_to_destination(PerTaskStuffType* task);
// On the tile's thread: the finished colours from the reply grid into the
// task's tileColours, for the main thread's copy to the host.
void gather_tile_colours(PerTaskStuffType* task);
