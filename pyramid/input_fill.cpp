#include "pyramid/input_fill.h"

#include <algorithm>
#include <cstring>

#include "platform/host/result_codes.h"
#include "pyramid/cube_corpus.h"
#include "pyramid/image_fill.h"
#include "pyramid/mipmap.h"
#include "pyramid/overhang.h"
#include "pyramid/pixels.h"
#include "host_access/FilterBigDocument.h"
#include "records/data.h"
#include "host_access/host_rects.h"
#include "records/parameters.h"
#include "host_access/host_result.h"
#include "records/plugin_globals.h"
#include "engine/task_engine_globals.h"
#include "engine/task_records.h"
#include "engine/task_runner.h"
#include "platform/foundation_threads.h"
#include "platform/page_touch.h"
#include "platform/phase_clock.h"

namespace {

// Input modes whose pictures wrap round the sphere in longitude.
bool WrapsAcross(int64_t mode) {
    switch (mode) {
        case 1: case 5: case 12: case 20: case 24: case 25: case 36: return true;
        default: return false;
    }
}

constexpr int64_t kTilingCubeFace = 11;

// The job of the fill: the whole filter rectangle at full size, or as the
// host reduces it at `rate` (its chunks at that scale without a preview
// offset).
void SetFullSizeJob(Data* data, int32_t rate) {
    VRect filter = GetFilterRect();
    if (rate > 1) filter = VRect{filter.top / rate, filter.left / rate, filter.bottom / rate, filter.right / rate};
    SetProcessableRect(filter);
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

// Asks the host for the chunk of rect; false (result stored) when it refuses.
bool ExchangeChunk(Data* data) {
    const OSErr err = gFilterRecord && gFilterRecord->advanceState ? gFilterRecord->advanceState()
                                                                   : OSErr(errPlugInHostInsufficient);
    if (err == noErr) return true;
    SetHostResult(err, kDiagInputRead);
    if (data) data->flags[0] = 0;
    return false;
}

// The host's current input buffer, the band of level 0 it holds, into the
// band's tiles: a job of the task engine on the main thread; off it, where
// the engine cannot run a job, here. False (result stored) when the job
// could not run.
bool CopyInBandToLevel0(PyramidDescriptor* pyr, const VRect& band, Data* data) {
    if (!NSThread_isMainThread()) {
        CopyInRectPartToLevel0(pyr, VPoint{band.top, band.left}, band);
        return true;
    }
    TaskGuidance guidance;
    initTaskGuidance(&guidance);
    guidance.source = pyr;
    guidance.level = 0;
    guidance.jobRect = band;
    const OSErr before = gTaskEngine.hostResult;
    RunTiles(kPurposeFillLevel0, 0, &guidance, StandardTaskWork(), nullptr);
    if (before != noErr || gTaskEngine.hostResult == noErr) return true;
    SetHostResult(gTaskEngine.hostResult, kDiagInputRead);
    if (data) data->flags[0] = 0;
    return false;
}

// The tiles of levels first..last, which the fill or the reduction is about
// to write on all cores for the first time, made present from this thread.
void PrefaultLevels(PyramidDescriptor* pyr, int64_t first, int64_t last) {
    if (!pyr || !pyr->tiles) return;
    for (int64_t L = first; L <= last && L <= pyr->topLevel; ++L)
        for (int64_t i = pyr->firstTile[L]; i <= pyr->lastTile[L] && i < pyr->tileCount; ++i) {
            const MemTile& t = pyr->tiles[i];
            if (t.pixels && t.rows > 0) PrefaultForWriting(t.pixels, size_t(kTileSide * t.rows * pyr->bytesPerPixel));
        }
}

// Asks the host for no input, once level 0 holds the whole picture: a host
// may then give the picture's memory back before the smaller levels and the
// render take theirs. Nothing is lost when it refuses.
void HandBackInput(Data* data) {
    if (!gFilterRecord || !gFilterRecord->advanceState) return;
    RectState saved{};
    PushRectAndPreviewState(&saved, data);
    SetInRect(VRect{0, 0, 0, 0});
    AssignTokenOutRect();
    AssignTokenMaskRect();
    gFilterRecord->advanceState();
    PopRectAndPreviewState(&saved, data);
    SetUpFilterRecordForProxy(data, gParams ? gParams->proxyScale : 1);
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

bool ReadLevel0Band(PyramidDescriptor* pyr, Level0Reading* reading) {
    if (!reading || reading->done || reading->failed) return false;
    if (!pyr || !pyr->tiles || !gFilterRecord) {
        reading->failed = true;
        return false;
    }
    if (reading->nextTile < pyr->firstTile[0]) reading->nextTile = pyr->firstTile[0];
    // The next band: a tile not read yet, and the tiles beside it along its row.
    int64_t i = reading->nextTile;
    while (i <= pyr->lastTile[0] && i < pyr->tileCount && pyr->tiles[i].rows < 1) ++i;
    if (i > pyr->lastTile[0] || i >= pyr->tileCount) {
        reading->done = true;
        pyr->mipmapState = 1;
        return false;
    }
    if (i == pyr->firstTile[0]) PrefaultLevels(pyr, 0, 0);
    const MemTile& t = pyr->tiles[i];
    VRect band = TileRectInLevel(pyr, i);
    band.right = static_cast<int32_t>(std::min(t.originX + std::max<int64_t>(reading->tilesPerBand, 1) * kTileSide,
                                               pyr->width[0]));
    int64_t next = i + 1;
    while (next <= pyr->lastTile[0] && next < pyr->tileCount && pyr->tiles[next].originY == t.originY &&
           pyr->tiles[next].originX < band.right)
        ++next;

    Data* data = gData;
    RectState saved{};
    PushRectAndPreviewState(&saved, data);
    SetFullSizeJob(data, reading->rate);
    SetInputChunkRectsNew(band, std::max(reading->rate, 1), 0, 0);
    AssignTokenOutRect();
    AssignTokenMaskRect();
    const bool read = ExchangeChunk(data) && CopyInBandToLevel0(pyr, band, data);
    PopRectAndPreviewState(&saved, data);
    SetUpFilterRecordForProxy(data, gParams ? gParams->proxyScale : 1);
    if (!read) {
        reading->failed = true;
        return false;
    }
    reading->nextTile = next;
    return true;
}

void Fill_1_Pyramid(PyramidDescriptor* pyr) {
    Level0Reading reading;
    while (ReadLevel0Band(pyr, &reading)) {
    }
}

void FillPyramids(Data* data) {
    if (!data) return;
    PyramidDescriptor* main = &data->pyramids[kMainInputPyramid];
    Fill_1_Pyramid(main);
    NotePhaseEnd("level0");
    // A refused read leaves a partial picture: no smaller levels are made
    // from it and it is not marked complete.
    if (HostResult() != noErr || main->mipmapState != 1) return;
    HandBackInput(data);
    const int64_t mode = gParams ? gParams->inputMode : 0;
    main->edgeMode = WrapModeFromVorneskInputMode(mode);
    main->overhangMode = OverhangModeFromVorneskInputMode(mode);
    // A cube layout is read from its six faces, which the render cuts and
    // reduces on their own: the whole picture's smaller levels would never
    // be read. They are made when a render reads the whole picture.
    if (CubeLayoutTagOfInputMode(mode) != 0) {
        NotePhaseEnd("mipmap");
        if (gParams) gParams->inputPyramidFilled = 1;
        SetUpFilterRecordForProxy(data, gParams ? gParams->proxyScale : 1);
        return;
    }
    PrefaultLevels(main, 1, main->topLevel);
    paint_mipmap_of_pyramid(main);
    NotePhaseEnd("mipmap");
    // A failed reduction job leaves only level 0 in use, and its result is
    // the plug-in's.
    if (main->mipmapState != 2) {
        SetHostResult(gTaskEngine.hostResult != noErr ? gTaskEngine.hostResult : OSErr(memFullErr),
                      static_cast<int16_t>(gTaskEngine.diagnostic));
        return;
    }
    if (gParams) gParams->inputPyramidFilled = 1;
    SetUpFilterRecordForProxy(data, gParams ? gParams->proxyScale : 1);
}
