// The services of other subsystems that the task engine calls: the size of
// a reply cell, the renderer's task preparation and tile passes, the tile
// copy to the destination and the dialog's progress. Until a service's owner
// lands it, a stand-in file of the shell holds the least stand-in behind the
// same name; delete each stand-in when the real one lands.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/host/host_types.h"

struct Data;
struct MirelYummy;
struct PerTaskStuffType;
struct PyramidDescriptor;
struct vort;

// The size of one reply cell (`MirelYummy`): a transformation reply and the
// pixel's colour.
size_t ReplyCellSize();

// The slot of a render context's reply grid.
MirelYummy** TaskReplyGridOf(vort* context);

// The renderer: task preparation on the main thread, and its clean-up (the
// span lists of the task's hint records) after the completion.
void PrerollOneTileTask(PerTaskStuffType* task);
void PostrollOneTileTask(PerTaskStuffType* task);
// The two passes of a render task, on its worker thread.
void FillTileWithSamples(Data* data, vort* context, PerTaskStuffType* task);
void FillTileWithColors(PerTaskStuffType* task);
// Sets the host's rectangles for a chunk before the advance-state call.
void SetInputChunkRectsNew(VRect rect);
// Writes a finished tile's colours to the destination.
void copy_pixels_of_tile_out_to_destination(PerTaskStuffType* task);
// Its two halves: the host record's side, on the main thread, and the
// pixels alone, which for an offscreen render run on the tile's own thread.
void mark_tile_copied_out();
void copy_tile_pixels_to_destination(PerTaskStuffType* task);
// On the tile's thread: the finished colours from the reply grid into the
// task's tileColours, for the main thread's copy to the host.
void gather_tile_colours(PerTaskStuffType* task);

// The dialog's progress window, during renders to an offscreen pyramid.
void MondoProgressUpdate_fractionX(double fraction);  // ui/mondo_progress.cpp
