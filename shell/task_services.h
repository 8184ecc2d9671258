// The services of other subsystems that the task engine calls: the render
// context and reply grid of a task, the renderer's task preparation and tile
// passes, the tile copy to the destination, the pyramid reductions of the
// standard tasks and the dialog's progress. Until a service's owner lands it,
// shell/task_services_standin.cpp holds the least stand-in behind the same
// name; delete each stand-in when the real one lands.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/host/host_types.h"

struct Data;
struct MirelYummy;
struct PerTaskStuffType;
struct PyramidDescriptor;
struct vort;

// Render contexts as the engine sees them: count zeroed records in one block,
// the n-th of them, the links the engine sets (back pointer to the task and
// the two identifiers), the reply-grid slot, the pass flag (0 first pass,
// 1 second) and the size of one reply cell.
vort* NewTaskRenderContexts(int32_t count);
void DisposeTaskRenderContexts(vort** contexts);
vort* TaskRenderContextAt(vort* first, int32_t n);
void LinkTaskRenderContext(vort* context, PerTaskStuffType* task, int64_t id, int64_t secondId);
MirelYummy** TaskReplyGridOf(vort* context);
void SetTaskRenderPass(vort* context, int64_t pass);
size_t ReplyCellSize();

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

// The pyramid's reductions of level `level` + 1 inside rect.
void UpdateNextSmallerLevel_core(PyramidDescriptor* pyr, int64_t level, const VRect* rect);
void UpdateNextSmallerLevel_high_quality_core(PyramidDescriptor* pyr, int64_t level, const VRect* rect);

// The dialog's progress window, during renders to an offscreen pyramid.
void MondoProgressUpdate_fractionX(double fraction);
