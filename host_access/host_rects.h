// The host's input, output and mask rectangles, the plug-in's own job
// rectangle (the total rectangle), saving and restoring them around nested
// jobs, and the preview proxy: the filter rectangle scaled down by an
// integer factor, with an 8-bit planar copy of the host's input.
#pragma once

#include <cstdint>

#include "platform/host/host_types.h"

struct Data;
struct Parameters;

// The host rectangles, proxy scale and Data word saved around a nested job;
// the preview variant adds the preview offset and the render destination.
struct RectState {
    VRect inRect;
    VRect outRect;
    VRect maskRect;
    int64_t proxyScale;
    int64_t dataWord;
    int64_t previewOffsetX;
    int64_t previewOffsetY;
    int64_t renderDestination;
};

// An 8-bit copy of the host's input for the preview, planes one after another.
struct proxyBufferRecord {
    uint8_t* pixels;
    int32_t width;
    int32_t height;
    int32_t pixelCount;   // width x height
    int32_t byteCount;    // pixelCount x planes
    int32_t planes;
};

// ---- host rectangle setters ----
void KillRects();
void AssignTokenOutRect();
void AssignTokenMaskRect();
// The rectangles of the processable rectangle at proxy scale `scale`, which
// the settings take (may be null).
void SetSomesizeRects(Data* data, int32_t scale, Parameters* settings);
bool HostIsIncapableOfZooming();
bool supports_sampling();

// ---- total rectangle and rectangle state ----
VRect GetProcessableRect();
void SetProcessableRect(const VRect& rect);
void PushRectState(RectState* state, Data* data);
void PushRectAndPreviewState(RectState* state, Data* data);
void PopRectState(const RectState* state, Data* data);
void PopRectAndPreviewState(const RectState* state, Data* data);

// ---- proxy ----
// factor = max(ceil(filter height / preview height), ceil(filter width /
// preview width)); 1 on hosts that cannot show proxies.
int16_t CalcDefaultProxyScaleFactor(const VRect& filterRect, const VRect& previewSize, VRect* outRect,
                                    int16_t* outFactor);
void SetUpFilterRecordForProxy(Data* data, int32_t scale);
void fillInProxyBufferDimensions(proxyBufferRecord* record);
bool CreateProxyBuffer(proxyBufferRecord* record);
bool LocalCreateProxyBuffer(proxyBufferRecord* record);
void DeleteProxyBuffer(proxyBufferRecord* record);
void LocalDeleteProxyBuffer(proxyBufferRecord* record);
void ResetProxyBuffer(proxyBufferRecord* record);
// A 16-bit sample (0..32768) as a proxy byte.
inline uint8_t ProxyByteFrom16(uint16_t v) { return uint8_t(uint32_t(v) * 10 / 1285 > 255 ? 255 : uint32_t(v) * 10 / 1285); }
inline uint8_t ProxyByteFromFloat(float v) {
    float c = v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v);
    if (!(c == c)) c = 0.0f;
    return uint8_t(c * 255.0f);
}

// The host's rectangles for a chunk (a tile, a band, the proxy) before its
// exchange, at a proxy scale and preview offset (full-resolution pixels).
void SetInputChunkRectsNew(VRect rect, int32_t scale, int32_t offsetX, int32_t offsetY);
