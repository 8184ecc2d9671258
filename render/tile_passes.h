// The render task of one tile: its preparation on the launching thread (the
// task's own records only: the render-wide context is prepared once before
// the tiles start) and its two passes on the worker. The first pass stores
// one transformation reply per pixel of the tile and its apron in the task's
// reply grid; the second turns the replies into colours.
#pragma once

#include <cstdint>

#include <cstddef>

struct Data;
struct PerTaskStuffType;
struct RenderJob;
struct TileWork;
struct vort;

// The context every task of the job copies: filled from the job's settings
// once per render, with every shared cache it needs built. False when it
// could not be made; then *diagnostic (when given) says why:
// kDiagHandleMissing without records, kDiagRenderContext when the context's
// own records could not be allocated, kDiagProjectionCache when a cache
// could not be built.
bool PrepareRenderContext(RenderJob* job, Data* data, int16_t* diagnostic = nullptr);
// Ends the render: tasks made after it are not prepared (they point at
// records the job frees). The job's context while it is prepared, else null.
void FinishRenderContext(RenderJob* job);
const vort* RenderContextTemplate(const RenderJob* job);

// A task of the job its `job` names (TileWork::job).
void PrerollOneTileTask(PerTaskStuffType* task);
inline void PrerollOneTask(PerTaskStuffType* task) { PrerollOneTileTask(task); }
void PostrollOneTileTask(PerTaskStuffType* task);
// Whether a task of the job could not get its span storage (the render must
// then fail with kDiagSpanLists).
bool SpanListsFailed(const RenderJob* job);
void FillTileWithSamples(Data* data, vort* context, PerTaskStuffType* task);
void FillTileWithColors(PerTaskStuffType* task);
// The size of one reply cell (`MirelYummy`): a transformation reply and the
// pixel's colour.
size_t ReplyCellSize();
// What the render hands the task engine for its tiles: the preparation and
// clean-up of a task, its two passes, the copies to the destination and the
// progress reporter; the caller names its job (TileWork::job).
const TileWork& RenderTileWork();

// Whether the colour pass walks the tile in Hilbert squares.
bool scanning_style(const vort* context);
