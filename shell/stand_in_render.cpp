// Stand-in for the renderer until it lands: the whole filter rectangle is
// rendered as the test pattern (GrabTestPatternColor), tile by tile through
// the host's pixel exchange, with progress and the host's abort test. The
// input pyramid is allocated but not filled, and there is no polyhedron
// store. Delete this file when the render pipeline lands.
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
#include "shell/stand_ins.h"
#include "shell/tile_copies.h"

namespace {

constexpr int32_t kTileSquare = 128;
constexpr int32_t kProgressScale = 1000;

double Now() {
    using namespace std::chrono;
    return duration<double>(system_clock::now().time_since_epoch()).count();
}

bool AbortRequested() { return gFilterRecord && gFilterRecord->abortProc && gFilterRecord->abortProc(); }

}  // namespace

void FillPyramids(Data*) {}
void DumpPolyStorage(polyhedron*) {}

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

double PFFOWFR_by_anything(void*, int64_t purpose, ProgressivePreviewManager*, proxyBufferRecord*) {
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

    const VRect total = GetProcessableRect();
    const int32_t width = total.right - total.left;
    const int32_t height = total.bottom - total.top;
    const int32_t across = (width + kTileSquare - 1) / kTileSquare;
    const int32_t down = (height + kTileSquare - 1) / kTileSquare;
    const int32_t tiles = across * down;
    for (int32_t t = 0; t < tiles; t++) {
        if (AbortRequested()) {
            SetHostResult(userCanceledErr, kDiagAbortDuringRender);
            break;
        }
        const int32_t top = (t / across) * kTileSquare;
        const int32_t left = (t % across) * kTileSquare;
        const VRect tile{top, left, std::min(top + kTileSquare, height), std::min(left + kTileSquare, width)};
        SetInputChunkRectsNew(tile);
        const OSErr err = gFilterRecord->advanceState ? gFilterRecord->advanceState() : OSErr(noErr);
        if (err != noErr) {
            SetHostResult(err, kDiagAbortDuringRender);
            break;
        }
        WriteTestPatternTile(tile);
        if (gParams->progressPhase >= 1) UpdateProgress_qev(0, int32_t(int64_t(t) * kProgressScale / tiles), kProgressScale);
    }

    gParams->progressPhase = -1;
    Postroll(gData);
    SetProcessableRect(savedTotal);
    PopRectAndPreviewState(&saved, gData);
    return Now();
}
