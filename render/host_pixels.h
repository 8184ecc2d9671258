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

// ---- coordinate conversions ----
void IntegerScanToUnitary(int64_t x, int64_t y, float* u, float* v, const PyramidDescriptor* pyr);
void IntegerScanToUnitary2(int64_t x, int64_t y, float* u, float* v, float width, float height);
void FloatScanToUnitary2(float x, float y, float* u, float* v, float width, float height);
void Unitary2ToFloatScan(float* x, float* y, float u, float v, float width, float height);
// Pixel (px, py) at the given scale and offsets to unit coordinates (ufx,
// ufy) of the pyramid's frame and to centred ones (crx, cry): the pixel's
// far corner, (p + 1) / W at scale 1 and offset 0.
void PixelsToCorners(const PyramidDescriptor* pyr, float* ufx, float* ufy, float* crx, float* cry, float px,
                     float py, int64_t scale, int64_t offsetX, int64_t offsetY);
void PixelsToCenters(const PyramidDescriptor* pyr, float* ufx, float* ufy, float* crx, float* cry, float px,
                     float py, int64_t scale, int64_t offsetX, int64_t offsetY);
void SquareizeCoordinates(float* x, float* y, const PyramidDescriptor* pyr);
void GetSpunUnitaryCoordinates(double u, double v, double c, double s, double* outU, double* outV);
// Output and input sizes, aspects and reciprocals into the render context.
void GetInputOutputProportions(Data* data, vort* context);

// ---- reading ----
// One input pixel of the host's buffers at job position (x, y) as a unit
// colour; transparent black outside the tile or without input data.
void GrabNovelInputPixel(int64_t x, int64_t y, float* colour, int64_t rowMode, TileTracker* tracker);
// The selection mask at (x, y), 0..1 (1 without a mask).
float GrabMaskValueUnitary(int64_t x, int64_t y, int64_t rowMode, const TileTracker* tracker);

// ---- writing ----
// Spills the excess of over-bright channels into the others; nothing for a
// 32-bit destination.
void SmoothlyLimitBrightness(float* colour, const pixel_info& info);
// Writes one finished colour at job position (x, y) to the destination the
// render purpose names.
void SetNovelOutputPixel(int64_t x, int64_t y, float* colour, int64_t rowMode, TileTracker* tracker,
                         proxyBufferRecord* proxy);
// The host's rectangles for the chunk (tile or proxy) before its exchange.
void SetInputChunkRectsNew(VRect rect);
