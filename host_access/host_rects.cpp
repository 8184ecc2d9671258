#include "host_access/host_rects.h"

#include <algorithm>
#include <cstring>

#include "common/memory.h"
#include "platform/host/result_codes.h"
#include "host_access/FilterBigDocument.h"
#include "records/data.h"
#include "records/parameters.h"
#include "host_access/host_result.h"
#include "records/plugin_globals.h"
#include "records/work_area.h"

// The current job rectangle in host coordinates.
VRect gTotalRect_private{};

namespace {

constexpr OSType kAffinitySignature = MakeFourCC("AffP");

VRect TokenRect() {
    VRect f = GetFilterRect();
    return VRect{f.top, f.left, f.top + 1, f.left + 1};
}

int64_t DivideRound0(int64_t a, int64_t b) { return b ? a / b : 0; }

VRect DivideRect(const VRect& r, int64_t s) {
    return VRect{int32_t(DivideRound0(r.top, s)), int32_t(DivideRound0(r.left, s)),
                 int32_t(DivideRound0(r.bottom, s)), int32_t(DivideRound0(r.right, s))};
}

int64_t CeilDiv(int64_t a, int64_t b) { return b > 0 ? (a + b - 1) / b : 0; }

}  // namespace

// ---- host rectangle setters ----

void KillRects() {
    const VRect empty{0, 0, 0, 0};
    SetInRect(empty);
    SetOutRect(empty);
    SetMaskRect(empty);
}

void AssignTokenOutRect() { SetOutRect(TokenRect()); }
void AssignTokenMaskRect() { SetMaskRect(TokenRect()); }

void SetSomesizeRects(Data* data, int32_t scale, Parameters* settings) {
    const VRect total = GetProcessableRect();
    if (settings) settings->proxyScale = scale;
    if (data) {
        data->width = int64_t(total.right) - total.left;
        data->height = int64_t(total.bottom) - total.top;
        data->jobTop = 0;
        data->jobBottom = data->height - 1;
        data->jobLeft = 0;
        data->jobRight = data->width - 1;
    }
    SetInRect(total);
    SetOutRect(total);
    if (GetHaveMask()) SetMaskRect(total);
    else AssignTokenMaskRect();
    if (data && !data->flags[3]) AssignTokenMaskRect();
}

bool HostIsIncapableOfZooming() {
    return !gFilterRecord || !gFilterRecord->advanceState || !gFilterRecord->displayPixels ||
           !supports_sampling() || GetHostSig() == kAffinitySignature;
}

bool supports_sampling() { return GetSamplingSupport() != 0; }

// ---- total rectangle and rectangle state ----

VRect GetProcessableRect() { return gTotalRect_private; }
void SetProcessableRect(const VRect& rect) { gTotalRect_private = rect; }

void PushRectState(RectState* state, Data* data) {
    if (!state) return;
    state->inRect = GetInRect();
    state->outRect = GetOutRect();
    state->maskRect = GetMaskRect();
    state->proxyScale = gParams ? gParams->proxyScale : 1;
    state->dataWord = data ? data->rectStateWord : 0;
}

void PushRectAndPreviewState(RectState* state, Data* data) {
    PushRectState(state, data);
    if (!state || !gParams) return;
    state->previewOffsetX = gParams->previewOffset.x;
    state->previewOffsetY = gParams->previewOffset.y;
    state->renderDestination = gParams->renderDestination;
}

void PopRectState(const RectState* state, Data* data) {
    if (!state) return;
    SetInRect(state->inRect);
    SetOutRect(state->outRect);
    SetMaskRect(state->maskRect);
    if (gParams) gParams->proxyScale = int32_t(state->proxyScale);
    if (data) data->rectStateWord = state->dataWord;
    if (gParams && gParams->renderDestination == kRenderToPreview)
        SetUpFilterRecordForProxy(data, int32_t(state->proxyScale));
}

void PopRectAndPreviewState(const RectState* state, Data* data) {
    if (!state) return;
    if (gParams) {
        gParams->previewOffset = PreviewOffset{int32_t(state->previewOffsetX), int32_t(state->previewOffsetY)};
        gParams->renderDestination = int32_t(state->renderDestination);
    }
    PopRectState(state, data);
}

// ---- proxy ----

int16_t CalcDefaultProxyScaleFactor(const VRect& filterRect, const VRect& previewSize, VRect* outRect,
                                    int16_t* outFactor) {
    const int64_t fh = int64_t(filterRect.bottom) - filterRect.top;
    const int64_t fw = int64_t(filterRect.right) - filterRect.left;
    const int64_t ph = int64_t(previewSize.bottom) - previewSize.top;
    const int64_t pw = int64_t(previewSize.right) - previewSize.left;
    int64_t factor = std::max(CeilDiv(fh, ph), CeilDiv(fw, pw));
    factor = std::clamp<int64_t>(factor, 1, INT16_MAX);
    if (outRect) *outRect = DivideRect(filterRect, factor);
    if (gData) gData->zoomDivisorCopy = factor;
    if (HostIsIncapableOfZooming()) factor = 1;
    if (outFactor) *outFactor = int16_t(factor);
    return int16_t(factor);
}

void SetUpFilterRecordForProxy(Data* data, int32_t scale) {
    if (HostIsIncapableOfZooming()) {
        scale = 1;
        if (gParams) gParams->proxyScale = 1;
    }
    if (!data) return;
    const int32_t s = std::max(scale, 1);
    const VRect filter = data->filterRect;
    VRect proxy = DivideRect(filter, s);
    const int32_t maxW = data->previewArea.right - data->previewArea.left;
    const int32_t maxH = data->previewArea.bottom - data->previewArea.top;
    proxy.right = std::min(proxy.right, proxy.left + maxW);
    proxy.bottom = std::min(proxy.bottom, proxy.top + maxH);
    data->proxyRect = proxy;
    data->inputLineFirst = data->maskLineFirst = proxy.top - filter.top;
    data->inputLineLast = data->maskLineLast = proxy.bottom - filter.top - 1;
    if (HostResult() != noErr) return;
    SetProcessableRect(proxy);
    if (gParams) gParams->proxyScale = s;
    data->width = int64_t(proxy.right) - proxy.left;
    data->height = int64_t(proxy.bottom) - proxy.top;
    data->jobTop = 0;
    data->jobBottom = data->height - 1;
    data->jobLeft = 0;
    data->jobRight = data->width - 1;
}

void fillInProxyBufferDimensions(proxyBufferRecord* record) {
    if (!record) return;
    VRect p = gData ? gData->proxyRect : VRect{};
    record->width = std::max<int32_t>(p.right - p.left, 0);
    record->height = std::max<int32_t>(p.bottom - p.top, 0);
    record->pixelCount = record->width * record->height;
    record->planes = GetPlanes();
    record->byteCount = record->pixelCount * record->planes;
}

bool CreateProxyBuffer(proxyBufferRecord* record) {
    if (!record) return false;
    fillInProxyBufferDimensions(record);
    record->pixels = nullptr;
    if (record->byteCount <= 0) return false;
    record->pixels = static_cast<uint8_t*>(RobustNewPtr(size_t(record->byteCount)));
    return record->pixels != nullptr;
}

bool LocalCreateProxyBuffer(proxyBufferRecord* record) { return CreateProxyBuffer(record); }

void DeleteProxyBuffer(proxyBufferRecord* record) {
    if (record) RobustDisposePtr(&record->pixels);
}

void LocalDeleteProxyBuffer(proxyBufferRecord* record) { DeleteProxyBuffer(record); }

void ResetProxyBuffer(proxyBufferRecord* record) {
    if (!record || !record->pixels || !gFilterRecord || !gFilterRecord->advanceState) return;
    const int32_t depth = GetDepth();
    for (int32_t p = 0; p < record->planes; p++) {
        gFilterRecord->inLoPlane = gFilterRecord->inHiPlane = int16_t(p);
        OSErr err = gFilterRecord->advanceState();
        if (gResult) *gResult = err;
        if (err != noErr) {
            diagnosticResult = kDiagProxyAdvanceState;
            return;
        }
        const auto* in = static_cast<const uint8_t*>(gFilterRecord->inData);
        if (!in) continue;
        const VRect got = GetInRect();
        const int32_t w = std::min(record->width, got.right - got.left);
        const int32_t h = std::min(record->height, got.bottom - got.top);
        uint8_t* plane = record->pixels + size_t(p) * size_t(record->pixelCount);
        for (int32_t y = 0; y < h; y++) {
            const uint8_t* row = in + int64_t(y) * gFilterRecord->inRowBytes;
            uint8_t* dst = plane + int64_t(y) * record->width;
            for (int32_t x = 0; x < w; x++) {
                if (depth == 16) {
                    uint16_t v;
                    std::memcpy(&v, row + 2 * x, 2);
                    dst[x] = ProxyByteFrom16(v);
                } else if (depth == 32) {
                    float f;
                    std::memcpy(&f, row + 4 * x, 4);
                    dst[x] = ProxyByteFromFloat(f);
                } else {
                    dst[x] = row[x];
                }
            }
        }
    }
}

// ---- preview pyramid ----

// ---- small rectangle and colour operations ----

void SetInputChunkRectsNew(VRect rect, int32_t scale, int32_t offX, int32_t offY) {
    if (!gFilterRecord) return;
    const int32_t s = std::max(scale, 1);
    const VPoint origin = GetFloatCoord();
    const int32_t dy = origin.v / s + offY / s;
    const int32_t dx = origin.h / s + offX / s;
    const VRect r{rect.top + dy, rect.left + dx, rect.bottom + dy, rect.right + dx};
    SetInRect(r);
    SetOutRect(r);
    if (GetHaveMask()) SetMaskRect(r);
    SetPlanesScalingPadding(0, FixedFromInt(s), plugInWantsEdgeReplication);
    gFilterRecord->inPreDummyPlanes = gFilterRecord->inPostDummyPlanes = 0;
    gFilterRecord->outPreDummyPlanes = gFilterRecord->outPostDummyPlanes = 0;
    SetAutoMask(false);
}
