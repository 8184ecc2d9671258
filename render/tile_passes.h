// The render task of one tile: its preparation on the launching thread (the
// task's own records only: the render-wide context is prepared once before
// the tiles start) and its two passes on the worker. The first pass stores
// one transformation reply per pixel of the tile and its apron in the task's
// reply grid; the second turns the replies into colours.
#pragma once

#include <cstdint>

#include <cstddef>

struct Data;
struct Parameters;
struct PerTaskStuffType;
struct TileWork;
struct vort;

// The render-wide context every task copies: filled from the settings once
// per render, with every shared cache it needs built. False when it could
// not be made; then *diagnostic (when given) says why: kDiagHandleMissing
// without records, kDiagRenderContext when the context's own records could
// not be allocated, kDiagProjectionCache when a cache could not be built.
bool PrepareRenderContext(Data* data, const Parameters* params, int16_t* diagnostic = nullptr);
// Ends the render: tasks made after it are not prepared (they point at
// records the render may free). The render-wide context while a render is
// prepared, else null.
void FinishRenderContext();
const vort* RenderContextTemplate();
void DisposeRenderContext();

void PrerollOneTileTask(PerTaskStuffType* task);
inline void PrerollOneTask(PerTaskStuffType* task) { PrerollOneTileTask(task); }
void PostrollOneTileTask(PerTaskStuffType* task);
// Whether a task of the current render could not get its span storage (the
// render must then fail with kDiagSpanLists).
bool SpanListsFailed();
void FillTileWithSamples(Data* data, vort* context, PerTaskStuffType* task);
void FillTileWithColors(PerTaskStuffType* task);
void build_samples_and_pixels_for_tile(PerTaskStuffType* task);
// The size of one reply cell (`MirelYummy`): a transformation reply and the
// pixel's colour.
size_t ReplyCellSize();
// What the render hands the task engine for its tiles: the preparation and
// clean-up of a task, its two passes, the copies to the destination and the
// progress reporter.
const TileWork& RenderTileWork();
// Both passes of an existing task of the offscreen render (purpose 2).
void DoMyTask(PerTaskStuffType* task, int64_t purpose);

// Whether the colour pass walks the tile in Hilbert squares.
bool scanning_style(const vort* context);
