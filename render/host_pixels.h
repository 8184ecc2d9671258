// The border between the render and the host's pixel buffers: conversions
// between output pixels, unit and centred coordinates; reading input pixels
// and the selection mask; and writing one finished pixel (brightness limit,
// blend mode, mask, preview backdrop) into the destination of the render
// purpose: the host's output buffer, the preview buffer or the layer pyramid.
#pragma once

#include <cstdint>

#include "platform/host/host_types.h"

struct PyramidDescriptor;
struct TileTracker;
struct pixel_info;
struct proxyBufferRecord;
struct vort;
struct Data;
struct TStorage1;

// ---- coordinate conversions ----
// Pixel (px, py) at the given scale and offsets to unit coordinates (ufx,
// ufy) of the pyramid's frame and to centred ones (crx, cry): the pixel's
// far corner, (p + 1) / W at scale 1 and offset 0.
void PixelsToCorners(const PyramidDescriptor* pyr, float* ufx, float* ufy, float* crx, float* cry, float px,
                     float py, int64_t scale, int64_t offsetX, int64_t offsetY);
// Width and height of the host's filter rectangle and height / width. The
// output's are the same except for the offscreen render, whose output is
// the layer pyramid's level 0.
void GetInputProportions(const Data* data, float* width, float* height, float* aspect);
void GetOutputProportions(const Data* data, float* width, float* height, float* aspect);
// Output and input sizes, aspects and reciprocals into the render context.
void GetInputOutputProportions(Data* data, vort* context);

// ---- reading ----
// One input pixel of the host's buffers at job position (x, y) as a unit
// colour; transparent black outside the tile or without input data.
void GrabNovelInputPixel(int64_t x, int64_t y, float* colour, int64_t rowMode, TileTracker* tracker);
// The pixel a result is laid over: the input pixel for the host and the
// preview, the main pyramid's level 0 for the offscreen render.
void GetPixelOfUnderlyingWhatsis(int64_t x, int64_t y, float* colour, int64_t rowMode, TileTracker* tracker);

// ---- writing ----
// Writes one finished colour at job position (x, y) to the destination the
// render purpose names, laid over the picture by glue mode `blend`.
void SetNovelOutputPixel(int64_t x, int64_t y, float* colour, int64_t rowMode, TileTracker* tracker,
                         proxyBufferRecord* proxy, int32_t blend);
// SetNovelOutputPixel for every pixel of the tracker's tile in rows, from
// the tile's colours in row order (four floats a pixel).
void SetNovelOutputTile(TileTracker* tracker, proxyBufferRecord* proxy, const float* colours, int32_t blend);
// An 8-bit layer standing for the host's 8-bit colour result of a size of
// its own can be rendered straight into the host's samples: asked for whole
// before the render, written by the render in the bytes the layer would
// have handed over, and the layer's own tiles left untouched. Started: the
// render's writes to `layer` go to the host until FinishResultStraightToHost.
// ThroughLayer: another kind of layer or result, or one with a selection, rendered into the layer and
// handed over by HandLayerToHostOutput. Refused: the host refused the
// rectangle (its result set).
enum class StraightStart { Started, ThroughLayer, Refused };
// The host's rows are kept in the work area's straightResult, where each
// tile's writing finds them.
StraightStart StartResultStraightToHost(TStorage1* storage, const PyramidDescriptor* layer);
// Ends the writes to the host; false, with the host result set, when the
// user stopped the render.
bool FinishResultStraightToHost(TStorage1* storage);
// Hands the host its result rendered into `layer` at a size of its own (the
// size the host asked for), in bands of rows through the host's output
// rectangles, which then address that picture: samples as the host's route
// would have stored them (a grey layer takes the green channel, alpha only
// where the layer has transparency). Asks the host whether to stop between
// bands. False, with the host result set, when the host refuses a band or
// the user stops.
bool HandLayerToHostOutput(const PyramidDescriptor* layer);
// The proxy buffer from the host's input at the proxy scale.
void UpdateProxyBuffer_with_quick_trivia(proxyBufferRecord* record);
