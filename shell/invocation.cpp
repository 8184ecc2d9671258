#include "shell/invocation.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <unistd.h>

#include "common/memory.h"
#include "common/random.h"
#include "platform/host/result_codes.h"
#include "projections/input_poly.h"
#include "pyramid/input_fill.h"
#include "pyramid/picture_reading.h"
#include "pyramid/pyramid.h"
#include "render/aniso_sampling.h"
#include "render/globes/globe_render.h"
#include "solids/kept_solids.h"
#include "host_access/FilterBigDocument.h"
#include "records/data.h"
#include "host_access/host_rects.h"
#include "records/parameters.h"
#include "host_access/host_result.h"
#include "records/plugin_globals.h"
#include "shell/scripting.h"
#include "shell/settings_persistence.h"
#include "polyhedra/polyhedron.h"
#include "shell/settings_files.h"
#include "records/work_area.h"

void* (*gInvocationAllocate)(size_t size) = nullptr;

namespace {

void* NewBlock(size_t size) { return gInvocationAllocate ? gInvocationAllocate(size) : RobustNewPtr(size); }

constexpr int64_t kRowBufferMinimum = 4;
// One reply cell of the row buffer: a transformation reply and four floats
// of colour, as the renderer lays it out.
constexpr int64_t kReplyCellBytes = 128;

void PrepareEmptyPyramid(PyramidDescriptor* pyr) {
    InitPyramidProcs(pyr, GetBufferProcs());
}


}  // namespace

int64_t RowBufferRecordCount(int64_t w, int64_t h) {
    return std::max({3 * w + 2184, 2 * std::max(w, h) + 8, kRowBufferMinimum});
}

void Nullify_buffers(Data* data) {
    if (!data) return;
    data->storage = nullptr;
    data->rowBuffer = nullptr;
    for (void*& b : data->smallBuffers) b = nullptr;
    for (intptr_t& id : data->hostBufferIDs) id = -1;
    data->polyBufferID = -1;
    data->renderPolyhedron = nullptr;
    data->inputPolyhedron = nullptr;
    PrepareEmptyPyramid(&data->previewPyramid);
    for (PyramidDescriptor& p : data->pyramids) PrepareEmptyPyramid(&p);
}

void OncePerInvocationTasksWithoutMemory(Data* data) {
    if (!data) return;
    data->byteClearedBySetUp = 0;
    data->setUpWithoutMemory = 1;
    data->outerStepCount = 0;
    data->outerStepIndex = 0;
    data->voronoiPattern = 0;
    ReseedOSRandomNumbers();
}

void CalcTemporaryDimensions(Data* data, const VRect& rect, int32_t scale) {
    SetProcessableRect(rect);
    if (gParams) gParams->proxyScale = scale;
    if (!data) return;
    data->width = int64_t(rect.right) - rect.left;
    data->height = int64_t(rect.bottom) - rect.top;
    data->jobTop = 0;
    data->jobBottom = data->height - 1;
    data->jobLeft = 0;
    data->jobRight = data->width - 1;
}

void CalcPermanentDimensions(Data* data) {
    if (!data) return;
    const int64_t w = int64_t(data->filterRect.right) - data->filterRect.left;
    const int64_t h = int64_t(data->filterRect.bottom) - data->filterRect.top;
    data->widthPlus3 = w + 3;
    data->twiceWidthPlus3 = 2 * (w + 3);
    data->heightPlus3 = h + 3;
    data->widthPlus2178 = w + 2178;
    data->rowBufferRecordCount = RowBufferRecordCount(w, h);
}

void PreBufferRequest_new_way(Data* data) {
    SetBufferSpace(0);
    if (!data) return;
    data->filterRect = GetFilterRect();
    CalcTemporaryDimensions(data, data->filterRect, 1);
    CalcPermanentDimensions(data);
}

void MakeBufferRequest(Data* data) {
    if (data) {
        data->rowBufferBytes = data->rowBufferRecordCount * kReplyCellBytes;
        for (int64_t& w : data->requestWords16) w = kSmallBufferBytes;
        data->requestWord49152 = 49152;
        data->requestWord16 = 16;
    }
    SetBufferSpace(0);
}

bool DoGrabbing(Data* data) {
    if (!data) return false;
    Nullify_buffers(data);
    data->rowBufferBytes = data->rowBufferRecordCount * kReplyCellBytes;
    if (data->rowBufferBytes > 0)
        data->rowBuffer = static_cast<MirelYummy*>(NewBlock(size_t(data->rowBufferBytes)));
    for (void*& b : data->smallBuffers) b = NewBlock(kSmallBufferBytes);
    for (intptr_t& id : data->hostBufferIDs) id = -1;
    data->storage = static_cast<TStorage1*>(NewBlock(sizeof(TStorage1)));
    // Cleared at once: freeing reads its pointers even when the rest failed.
    if (data->storage) std::memset(static_cast<void*>(data->storage), 0, sizeof(TStorage1));

    if (data->rowBuffer && data->smallBuffers[0] && data->storage) {
        TStorage1* s = data->storage;
        InitPyramidProcs(&s->offscreenPyramid, GetBufferProcs());
        InitPyramidProcs(&s->exportPyramid, GetBufferProcs());
        // A missing small pyramid only leaves its pointer null.
        s->smallPyramid = AllocateDynamicPyramid(100, 100, kPyrColour8, 0, 0, GetBufferProcs());
        FillDitherThresholds(s->ditherThresholds);
        s->magic = kWorkAreaMagic;
        return true;
    }
    dump_Storage(data);
    die();
    return false;
}

void OncePerInvocationTasksNeedingMemory(Data* data) {
    // Without the work area there is nothing to set up (and nowhere to write).
    if (!data || !data->storage) return;
    TStorage1* s = data->storage;
    for (int64_t& w : s->sentinels) w = kWorkAreaSentinel;

    PrepareEmptyPyramid(&data->previewPyramid);
    for (PyramidDescriptor& p : data->pyramids) PrepareEmptyPyramid(&p);
    TryToAllocatePyramid_2006(&data->previewPyramid, kPreviewPyramidSide, kPreviewPyramidSide, kPyrColour8, 0, 0);

    data->tailBytes[0] = 0;
    data->tailBytes[1] = 0;
    data->previewArea = VRect{0, 0, 1, 1};

    if (!ScriptingParamsAreComing()) Cache2Settings(kCachedSettingsName);

    if (data->firstInvocation) {
        data->firstInvocation = 0;
        if (gParams) {
            gParams->exportFacesChoice = 0;
            gParams->exportSheetWord = 0;
            gParams->psdSizeMode = 1;
            gParams->psdWidth = 100;
            gParams->psdHeight = 100;
        }
    }

    data->clearedBySetUp[0] = 0;
    data->clearedBySetUp[1] = 0;
    for (int32_t& flag : MemDotIsPersistent) flag = 0;
    if (gParams) gParams->inputPyramidFilled = 0;

    // The render state of the work area.
    s->brickBuffer = nullptr;
    s->brickMarker = -1;
    s->metaballBuffer = nullptr;
    s->metaballMarker = -1;
    s->fergusonModel = nullptr;
    s->targetPyramid = nullptr;
    s->exportedPage = -1;
    s->inverseTableA[0] = kInverseTableNotBuilt;
    s->inverseTableB[0] = kInverseTableNotBuilt;
    s->cachedModeWord = -9999;
    for (int64_t& w : s->renderCounters) w = 0;
    s->undoFilled[0] = s->undoFilled[1] = 0;
    s->undoOnFile[0] = s->undoOnFile[1] = 0;
    for (uint64_t& r : s->randomTable) r = (uint64_t(random()) << 32) ^ uint64_t(random());
    for (int64_t& w : data->renderWords) w = 0;
    data->lastWords[4] = 0;
    data->tailBytes[2] = 0;

    ReadInvocationBracketingSettingsFileCocoa(kMemDotMapName);

    TryToAllocatePyramid_2006(&data->pyramids[kSmallPyramid50], 50, 50, kPyrColourFloat, 0, 0);
    TryToAllocatePyramid_2006(&data->pyramids[kSmallPyramid10A], 10, 10, kPyrColourFloat, 0, 0);
    TryToAllocatePyramid_2006(&data->pyramids[kSmallPyramid10B], 10, 10, kPyrColourFloat, 0, 0);

    if (gParams) gParams->exportPurpose = kExportResult;
}

void die() {
    SetHostResult(errStorageFailed, kDiagWorkStorage);
    KillRects();
}

void dump_Storage(Data* data) {
    if (!data) return;
    if (data->storage) {
        TStorage1* s = data->storage;
        DumpPolyStorage(s->polyStore);
        RobustDisposePtr(&s->polyStore);
        ForgetKeptSolids();
        StopReadingPicture();
        DisposeDynamicPyramid(&s->smallPyramid);
        DisposePyramidData(&s->offscreenPyramid);
        DisposePyramidData(&s->exportPyramid);
        DisposeGlobeModels(s);
    }
    DumpPolyStorage(data->renderPolyhedron);
    RobustDisposePtr(&data->renderPolyhedron);
    DisposeInputPoly(data);
    RobustDisposePtr(&data->rowBuffer);
    data->hostBufferIDs[0] = -1;
    DiposeOfAnyTiles(&data->previewPyramid);
    for (PyramidDescriptor& p : data->pyramids) DiposeOfAnyTiles(&p);
    for (int64_t i = 0; i < kSmallBufferCount; i++) {
        RobustDisposePtr(&data->smallBuffers[i]);
        data->hostBufferIDs[1 + i] = -1;
    }
    RobustDisposePtr(&data->storage);
    if (gParams) gParams->inputPyramidFilled = 0;
}

void DoShutDown(Data* data) {
    WriteInvocationBracketingSettingsFile(kMemDotMapName);
    dump_Storage(data);
}
