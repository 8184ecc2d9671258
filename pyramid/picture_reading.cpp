#include "pyramid/picture_reading.h"

#include <algorithm>
#include <memory>

#include "engine/background_work.h"
#include "host_access/FilterBigDocument.h"
#include "host_access/host_rects.h"
#include "host_access/host_result.h"
#include "platform/host/result_codes.h"
#include "platform/page_touch.h"
#include "pyramid/cube_corpus.h"
#include "pyramid/input_fill.h"
#include "pyramid/mipmap.h"
#include "pyramid/pyramid.h"
#include "pyramid/render_storage.h"
#include "records/data.h"
#include "records/parameters.h"
#include "records/plugin_globals.h"

namespace {

struct Reading {
    bool active = false;
    PyramidDescriptor whole{};   // the picture being read; the coarse copy is the main input pyramid
    Level0Reading level0;
    std::shared_ptr<BackgroundWork> reduction;
    bool coarseAllowed = false;
};

// Never destroyed: the reduction may still be running on the background
// thread while the process exits.
Reading& TheReading() {
    static Reading* reading = new Reading;
    return *reading;
}

// The background's part: the smaller levels of the whole picture, as the
// synchronous read makes them (off the main thread the standard reduction
// runs level after level, with the same pixels).
void Reduce(void* context) { paint_mipmap_of_pyramid(static_cast<PyramidDescriptor*>(context)); }

// The smaller levels' tiles, which the background writes for the first
// time, made present from this thread first.
void Prefault(PyramidDescriptor* pyr) {
    for (int64_t L = 1; L <= pyr->topLevel; ++L)
        for (int64_t i = pyr->firstTile[L]; i <= pyr->lastTile[L] && i < pyr->tileCount; ++i) {
            const MemTile& t = pyr->tiles[i];
            if (t.pixels && t.rows > 0) PrefaultForWriting(t.pixels, size_t(kTileSide * t.rows * pyr->bytesPerPixel));
        }
}

void SetEdgeModes(PyramidDescriptor* pyr) {
    const int64_t mode = gParams ? gParams->inputMode : 0;
    pyr->edgeMode = WrapModeFromVorneskInputMode(mode);
    pyr->overhangMode = OverhangModeFromVorneskInputMode(mode);
}

// The reading given up: the part read freed, and the main input pyramid
// left to the next render to read whole.
void Abandon(Data* data) {
    Reading& r = TheReading();
    if (r.reduction) WaitForBackgroundWork(*r.reduction, 1e9);
    r.reduction.reset();
    DisposePyramidData(&r.whole);
    r.whole = PyramidDescriptor{};
    r.active = false;
    if (data) DiposeOfAnyTiles(&data->pyramids[kMainInputPyramid]);
    if (gParams) gParams->inputPyramidFilled = 0;
}

// The whole picture takes the coarse copy's place.
void Adopt(Data* data) {
    Reading& r = TheReading();
    r.reduction.reset();
    PyramidDescriptor* main = &data->pyramids[kMainInputPyramid];
    DisposePyramidData(main);
    *main = r.whole;
    r.whole = PyramidDescriptor{};
    r.active = false;
    if (gParams) gParams->inputPyramidFilled = 1;
}

}  // namespace

bool BeginReadingPictureInSteps(Data* data, int32_t rate) {
    Reading& r = TheReading();
    if (r.active || !data || !gParams || !gFilterRecord || gParams->inputPyramidFilled || rate < 2 ||
        HostIsIncapableOfZooming() || CubeLayoutTagOfInputMode(gParams->inputMode) != 0)
        return false;
    const VRect f = data->filterRect;
    const int64_t width = int64_t(f.right) - f.left, height = int64_t(f.bottom) - f.top;
    if (width * height < kPictureReadInStepsFrom) return false;
    // The coarse copy, read at once into the main input pyramid.
    PyramidDescriptor* main = &data->pyramids[kMainInputPyramid];
    if (!AllocateMainInputPyramid(data, main, std::max<int64_t>(width / rate, 1), std::max<int64_t>(height / rate, 1)))
        return false;
    Level0Reading coarse;
    coarse.rate = rate;
    while (ReadLevel0Band(main, &coarse)) {
    }
    if (!coarse.done) {
        DiposeOfAnyTiles(main);
        if (gResult) *gResult = noErr;   // the whole picture's read says it again
        return false;
    }
    SetEdgeModes(main);
    paint_mipmap_of_pyramid(main);
    // The whole picture, read in the steps to come.
    InitPyramidProcs(&r.whole, GetBufferProcs());
    if (!TryToAllocatePyramid_2006(&r.whole, width, height, InputPyramidKind(), 0, 0)) {
        DiposeOfAnyTiles(main);
        return false;
    }
    // Bands of two tiles: a step takes a few milliseconds whatever the picture.
    r.level0 = Level0Reading{};
    r.level0.tilesPerBand = 2;
    r.active = true;
    gParams->inputPyramidFilled = 1;
    return true;
}

bool PictureBeingRead() { return TheReading().active; }

bool ReadPictureStep(Data* data) {
    Reading& r = TheReading();
    if (!r.active || !data) return false;
    if (!r.level0.done) {
        if (ReadLevel0Band(&r.whole, &r.level0)) return true;
        if (!r.level0.done) {
            Abandon(data);
            return false;
        }
        // Level 0 is read: its smaller levels go to the background.
        SetEdgeModes(&r.whole);
        Prefault(&r.whole);
        r.reduction = RunInBackground(&Reduce, std::shared_ptr<void>(&r.whole, [](void*) {}));
        return false;
    }
    if (r.reduction && BackgroundWorkDone(*r.reduction)) Adopt(data);
    return false;
}

void FinishReadingPicture(Data* data) {
    Reading& r = TheReading();
    if (!r.active || !data) return;
    while (ReadPictureStep(data)) {
    }
    if (!r.active) return;
    if (r.reduction) WaitForBackgroundWork(*r.reduction, 1e9);
    ReadPictureStep(data);
}

void LetRendersReadTheCoarseCopy(bool on) { TheReading().coarseAllowed = on; }

bool RendersMayReadTheCoarseCopy() { return TheReading().coarseAllowed; }

void StopReadingPicture() {
    if (TheReading().active) Abandon(nullptr);
}
