// Stand-in for the renderer until it lands: a render runs the whole filter
// rectangle through the task engine as square tiles whose colours are the
// test pattern (GrabTestPatternColor), written to the host's output by the
// tile copies. There is no polyhedron store. Delete this file when the render pipeline lands.
#include <algorithm>
#include <chrono>
#include <cstring>

#include "platform/host/result_codes.h"
#include "shell/FilterBigDocument.h"
#include "shell/data.h"
#include "shell/host_rects.h"
#include "shell/invocation.h"
#include "shell/parameters.h"
#include "shell/plugin_globals.h"
#include "shell/render_bridge.h"
#include "shell/stand_ins.h"
#include "shell/task_records.h"
#include "shell/task_runner.h"
#include "shell/task_services.h"
#include "shell/tile_copies.h"

namespace {

double Now() {
    using namespace std::chrono;
    return duration<double>(system_clock::now().time_since_epoch()).count();
}

float Clamp01(float v) { return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v); }

// Alpha just short of 1 after filtering still counts as opaque.
constexpr float kAlphaBoost = 1.007f;

void StoreSample(uint8_t* p, const pixel_info& px, float unit) {
    if (px.Is8_call) {
        *p = uint8_t(Clamp01(unit) * px.WHITEPOINT);
    } else if (px.Is16_call) {
        uint16_t v = uint16_t(Clamp01(unit) * px.WHITEPOINT);
        std::memcpy(p, &v, 2);
    } else {
        float f = unit * px.WHITEPOINT;
        std::memcpy(p, &f, 4);
    }
}

int32_t BytesPerSample(const pixel_info& px) { return px.Is8_call ? 1 : px.Is16_call ? 2 : 4; }

}  // namespace

void DumpPolyStorage(polyhedron*) {}

void FillTileWithColors(PerTaskStuffType* task) {
    if (!task || !task->context) return;
    MirelYummy* grid = *TaskReplyGridOf(task->context);
    if (!grid) return;
    const TileTracker& t = task->tracker;
    for (int64_t row = 0; row < t.buffer_y_elements; row++)
        for (int64_t column = 0; column < t.buffer_x_elements; column++)
            GrabTestPatternColor(t.current_tile_rect.left + column - 1, t.current_tile_rect.top + row - 1,
                                 ReplyCellColour(grid, row * t.buffer_x_elements + column));
}

void SetInputChunkRectsNew(VRect rect) {
    if (!gFilterRecord) return;
    const int32_t s = gParams ? std::max(gParams->proxyScale, 1) : 1;
    const VPoint origin = GetFloatCoord();
    const int32_t offX = gParams ? gParams->previewOffset.x : 0;
    const int32_t offY = gParams ? gParams->previewOffset.y : 0;
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

void GrabNovelInputPixel(int64_t x, int64_t y, float* colour, int64_t rowMode, TileTracker* tracker) {
    colour[0] = colour[1] = colour[2] = colour[3] = 0.0f;
    if (!tracker) return;
    const pixel_info& px = tracker->pxl;
    const VRect& tile = tracker->current_tile_rect;
    if (!px.GetInData || uint64_t(x - tile.left) >= uint64_t(int64_t(tile.right) - tile.left) ||
        uint64_t(y - tile.top) >= uint64_t(int64_t(tile.bottom) - tile.top))
        return;
    const int64_t stride = px.GetInHiPlane - px.GetInLoPlane + 1;
    const int32_t bytes = BytesPerSample(px);
    const uint8_t* base = static_cast<const uint8_t*>(px.GetInData) + (x - tile.left) * stride * bytes;
    if (rowMode == 1) base += (y - tile.top) * int64_t(px.GetInRowBytes);
    auto value = [&](int64_t i) -> float {
        const uint8_t* p = base + i * bytes;
        if (px.Is8_call) return float(*p);
        if (px.Is16_call) {
            uint16_t v;
            std::memcpy(&v, p, 2);
            return float(v);
        }
        float f;
        std::memcpy(&f, p, 4);
        return f;
    };
    if (!px.Is8_call && !px.Is16_call && !px.Is32_call) return;
    if (px.GetPlanes < 3) {
        colour[0] = colour[1] = colour[2] = value(0) * px.reciprocal_WHITEPOINT;
    } else {
        for (int c = 0; c < 3; c++) colour[c] = value(c) * px.reciprocal_WHITEPOINT;
    }
    colour[3] = px.GetDissolveTransparency ? value(px.Get_inLayerPlanes) * px.reciprocal_OPAQUEALPHA : 1.0f;
}

void SetNovelOutputPixel(int64_t x, int64_t y, float* colour, int64_t rowMode, TileTracker* tracker,
                         proxyBufferRecord*) {
    if (!tracker || (gParams && gParams->renderDestination != kRenderToHost)) return;
    const pixel_info& px = tracker->pxl;
    auto* out = static_cast<uint8_t*>(px.GetOutData);
    if (!out) return;
    const VRect& tile = tracker->current_tile_rect;
    const int64_t dx = x - tile.left, dy = y - tile.top;
    if (dx < 0 || dy < 0) return;
    if (dx >= int64_t(tile.right) - tile.left || dx >= int64_t(px.GetOutRect.right) - px.GetOutRect.left) return;
    if (dy >= int64_t(tile.bottom) - tile.top || dy >= int64_t(px.GetOutRect.bottom) - px.GetOutRect.top) return;
    float r = colour[0], g = colour[1], b = colour[2], a = colour[3];
    if (!px.Is32_destination__) a *= kAlphaBoost;
    a = Clamp01(a);
    r = std::max(r, 0.0f);
    g = std::max(g, 0.0f);
    b = std::max(b, 0.0f);
    if (px.IsGreyscale__) r = g = b = 0.59f * g + 0.3f * r + 0.11f * b;
    const int32_t bytes = BytesPerSample(px);
    uint8_t* pixel = out + dx * int64_t(px.Get_dstStride) * bytes;
    if (rowMode == 1) pixel += dy * int64_t(px.GetOutRowBytes);
    if (px.GetPlanes < 3) {
        StoreSample(pixel, px, g);
    } else {
        StoreSample(pixel, px, r);
        StoreSample(pixel + bytes, px, g);
        StoreSample(pixel + 2 * bytes, px, b);
    }
    if (px.GetDissolveTransparency) {
        uint8_t* alpha = pixel + int64_t(px.Get_inLayerPlanes) * bytes;
        if (px.Is8_call) *alpha = uint8_t(a * float(px.OPAQUEALPHA));
        else if (px.Is16_call) {
            uint16_t v = uint16_t(a * float(px.OPAQUEALPHA));
            std::memcpy(alpha, &v, 2);
        } else {
            float f = a * float(px.OPAQUEALPHA);
            std::memcpy(alpha, &f, 4);
        }
    }
}

double PFFOWFR_by_anything(void*, int64_t purpose, ProgressivePreviewManager* ppm, proxyBufferRecord* proxy) {
    if (!gParams || !gData || !gFilterRecord) return Now();
    gParams->renderDestination = int32_t(purpose);
    MaybeAllocatePyramids(gData);
    if (HostResult() != noErr) return Now();

    RectState saved{};
    PushRectAndPreviewState(&saved, gData);
    const VRect savedTotal = GetProcessableRect();

    SetProcessableRect(GetFilterRect());
    SetSomesizeRects(gData, 1);
    UponFinalFiltrationTasks(gData);
    gData->outputWidth = gData->width;
    gData->outputHeight = gData->height;
    gData->outputFirstRow = 0;
    gData->outputLastRow = gData->height - 1;
    gData->outputLastColumn = gData->width - 1;

    TaskGuidance guidance;
    initTaskGuidance(&guidance);
    GetDefaultGuidance(&guidance, proxy);
    LoadTaskEngineFromShell();
    RunTiles(kPurposeRender, kPartitionSquares, &guidance, ppm);
    StoreTaskEngineResultInShell();

    gParams->progressPhase = -1;
    Postroll(gData);
    SetProcessableRect(savedTotal);
    PopRectAndPreviewState(&saved, gData);
    return Now();
}
