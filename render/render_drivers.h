// The render drivers: one function renders the final filter rectangle into
// the host's output (purpose 0), the preview into the proxy buffer (purpose
// 1) or the whole filter rectangle into offscreen pyramids (purpose 2). Each
// renders its own copy of the settings (render/render_job.h), prepares the
// render once, runs the total rectangle as square tiles through the task
// engine and leaves the host's rectangles as it found them; of the host's
// Parameters only the render purpose (the last render's) and the progress
// phase (-1 at the end) change.
#pragma once

#include <cstdint>
#include <string>

struct Data;
struct ProgressivePreviewManager;
struct proxyBufferRecord;
struct RectState;
struct RenderJob;
struct Parameters;

// Returns the time at its end in seconds.
double PFFOWFR_by_anything(void* ignored, int64_t purpose, ProgressivePreviewManager* ppm, proxyBufferRecord* proxy);
// The export-layer render of `settings` (the caller has set the rectangles
// and the target); the saved rectangles and state are restored after it.
void render_roundup(const Parameters& settings, const RectState* savedRects, const RectState* savedState,
                    ProgressivePreviewManager* ppm, proxyBufferRecord* proxy);

// The render-wide table of Data: 0, then (i / 255) / (1 - i / 255), then 1e8.
void MakeTriangleWave(float table[256]);

// Once per render of the settings, before the tiles: the row buffer, the
// kernel, the edge and overhang modes of the main input pyramid (its levels
// rebuilt when they change) and the lazily built tables. False when the
// render cannot go on (the host result says why).
bool PrerollManipulation(Data* data, const Parameters& settings);

// Work for the main thread between the completions of a render's tiles,
// handed to the task engine with every render until it is taken back (null):
// the dialog serves its window there while its preview renders, and stops
// the render as the engine says (engine/task_runner.h: TileWork).
void SetRenderBetweenCompletions(void (*work)(void* context), void* context);
