#include "pyramid/input_fill.h"

#include <cstring>

#include "platform/host/result_codes.h"
#include "pyramid/image_fill.h"
#include "pyramid/level_paint.h"
#include "pyramid/mipmap.h"
#include "pyramid/overhang.h"
#include "pyramid/pixels.h"
#include "host_access/FilterBigDocument.h"
#include "records/data.h"
#include "host_access/host_rects.h"
#include "records/parameters.h"
#include "records/plugin_globals.h"
#include "engine/task_services.h"

namespace {

// Input modes whose pictures wrap round the sphere in longitude.
bool WrapsAcross(int64_t mode) {
    switch (mode) {
        case 1: case 5: case 12: case 20: case 24: case 25: case 36: return true;
        default: return false;
    }
}

constexpr int64_t kTilingCubeFace = 11;

// The job of the fill: the whole filter rectangle at full size.
void SetFullSizeJob(Data* data) {
    const VRect filter = GetFilterRect();
    SetProcessableRect(filter);
    if (gParams) gParams->proxyScale = 1;
    if (!data) return;
    data->width = int64_t{filter.right} - filter.left;
    data->height = int64_t{filter.bottom} - filter.top;
    data->jobTop = 0;
    data->jobBottom = data->height - 1;
    data->jobLeft = 0;
    data->jobRight = data->width - 1;
}

// The part of tile i of level 0 that lies inside the level, in job coordinates.
VRect TileRectInLevel(const PyramidDescriptor* pyr, int64_t i) {
    const MemTile& t = pyr->tiles[i];
    const int64_t right = t.originX + kTileSide < pyr->width[0] ? t.originX + kTileSide : pyr->width[0];
    return VRect{static_cast<int32_t>(t.originY), static_cast<int32_t>(t.originX),
                 static_cast<int32_t>(t.originY + t.rows), static_cast<int32_t>(right)};
}

VRect TokenRect() {
    const VRect f = GetFilterRect();
    return VRect{f.top, f.left, f.top + 1, f.left + 1};
}

// Asks the host for the chunk of rect; false (result stored) when it refuses.
bool ExchangeChunk(Data* data) {
    const OSErr err = gFilterRecord && gFilterRecord->advanceState ? gFilterRecord->advanceState()
                                                                   : OSErr(errPlugInHostInsufficient);
    if (err == noErr) return true;
    SetHostResult(err, kDiagInputRead);
    if (data) data->flags[0] = 0;
    return false;
}

}  // namespace

int64_t WrapModeFromVorneskInputMode(int64_t inputMode) {
    if (WrapsAcross(inputMode)) return 2;
    return inputMode == kTilingCubeFace ? 1 : 0;
}

int64_t OverhangModeFromVorneskInputMode(int64_t inputMode) {
    switch (inputMode) {
        case 5: case 12: case 20: case 25: case 36: return kOverhangWrapSides;
        case 1: case 24: return kOverhangOverThePole;
        default: return kOverhangClamp;
    }
}

void Fill_1_Pyramid(PyramidDescriptor* pyr) {
    if (!pyr || !pyr->tiles || !gFilterRecord) return;
    Data* data = gData;
    RectState saved{};
    PushRectAndPreviewState(&saved, data);
    if (gParams) gParams->previewOffset = PreviewOffset{0, 0};
    SetFullSizeJob(data);

    bool complete = true;
    for (int64_t i = pyr->firstTile[0]; i <= pyr->lastTile[0] && i < pyr->tileCount; ++i) {
        if (pyr->tiles[i].rows < 1) continue;
        SetInputChunkRectsNew(TileRectInLevel(pyr, i));
        AssignTokenOutRect();
        AssignTokenMaskRect();
        if (!ExchangeChunk(data)) {
            complete = false;
            break;
        }
        CopyInRectToTile(pyr, i);
    }
    if (complete) pyr->mipmapState = 1;
    PopRectAndPreviewState(&saved, data);
    SetUpFilterRecordForProxy(data, gParams ? gParams->proxyScale : 1);
}

void Fill_a_Pyramid(PyramidDescriptor* pyr) { Fill_1_Pyramid(pyr); }

void FillPyramids(Data* data) {
    if (!data) return;
    PyramidDescriptor* main = &data->pyramids[kMainInputPyramid];
    Fill_1_Pyramid(main);
    // A refused read leaves a partial picture: no smaller levels are made
    // from it and it is not marked complete.
    if (HostResult() != noErr || main->mipmapState != 1) return;
    const int64_t mode = gParams ? gParams->inputMode : 0;
    main->edgeMode = WrapModeFromVorneskInputMode(mode);
    main->overhangMode = OverhangModeFromVorneskInputMode(mode);
    paint_mipmap_of_pyramid(main);
    main->mipmapState = 2;
    if (gParams) gParams->inputPyramidFilled = 1;
    SetUpFilterRecordForProxy(data, gParams ? gParams->proxyScale : 1);
}

void Fill_a_Pyramid_with_Selection_Mask(PyramidDescriptor* pyr, Data* data, int64_t clearBorder) {
    if (!pyr || !pyr->tiles || pyr->kind != kPyrGrey8 || !data) return;
    const int64_t w = int64_t{data->filterRect.right} - data->filterRect.left;
    const int64_t h = int64_t{data->filterRect.bottom} - data->filterRect.top;
    if (pyr->width[0] < w || pyr->height[0] < h || w < 1 || h < 1) return;

    if (!GetHaveMask() || !gFilterRecord) {
        PaintLevelSolidColor1(pyr, 0, 255);
    } else {
        PaintLevelSolidColor1(pyr, 0, 0);
        RectState saved{};
        PushRectAndPreviewState(&saved, data);
        if (gParams) gParams->previewOffset = PreviewOffset{0, 0};
        SetFullSizeJob(data);
        for (int64_t i = pyr->firstTile[0]; i <= pyr->lastTile[0] && i < pyr->tileCount; ++i) {
            VRect r = TileRectInLevel(pyr, i);
            if (r.right > w) r.right = static_cast<int32_t>(w);
            if (r.bottom > h) r.bottom = static_cast<int32_t>(h);
            if (r.right <= r.left || r.bottom <= r.top) continue;
            SetInputChunkRectsNew(r);
            SetInRect(TokenRect());
            AssignTokenOutRect();
            if (!ExchangeChunk(data)) break;
            const VRect m = GetMaskRect();
            CopyMaskChunkToTile(static_cast<const uint8_t*>(GetMaskData()), GetMaskRowBytes(),
                                int64_t{m.right} - m.left, int64_t{m.bottom} - m.top, pyr, i);
        }
        PopRectAndPreviewState(&saved, data);
    }
    if (clearBorder) {
        const int64_t mx = pyr->maxX[0], my = pyr->maxY[0];
        for (int64_t x = 0; x <= mx; ++x) set_pyramid_sample_point1(x, 0, pyr, 0, 0), set_pyramid_sample_point1(x, my, pyr, 0, 0);
        for (int64_t y = 0; y <= my; ++y) set_pyramid_sample_point1(0, y, pyr, 0, 0), set_pyramid_sample_point1(mx, y, pyr, 0, 0);
    }
    pyr->mipmapState = 1;
}
