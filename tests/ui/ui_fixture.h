// The records the dialog works on, without a host run: Parameters, Data
// with a work area, and a filter record of a host that can zoom previews.
#pragma once

#include <memory>

#include "common/memory.h"
#include "platform/host/filter_record.h"
#include "polyhedra/poly_storage.h"
#include "pyramid/picture_reading.h"
#include "pyramid/pyramid.h"
#include "shell/defaults.h"
#include "records/data.h"
#include "records/parameters.h"
#include "records/plugin_globals.h"
#include "records/work_area.h"
#include "solids/kept_solids.h"

inline OSErr NoAdvance() { return 0; }
inline OSErr NoDisplay(const PSPixelMap*, const VRect*, int32_t, int32_t, void*) { return 0; }

struct UiRecords {
    std::unique_ptr<Parameters> params{new Parameters{}};
    std::unique_ptr<Data> data{new Data{}};
    std::unique_ptr<TStorage1> storage{new TStorage1{}};
    std::unique_ptr<FilterRecord> record{new FilterRecord{}};
    int16_t result = 0;

    UiRecords(int32_t width = 1000, int32_t height = 500) {
        GrabDefaultSettings(params.get());
        params->proxyScale = 1;
        data->storage = storage.get();
        data->filterRect = VRect{0, 0, height, width};
        record->filterRect = Rect{0, 0, int16_t(height), int16_t(width)};
        record->advanceState = NoAdvance;
        record->displayPixels = NoDisplay;
        record->samplingSupport = 1;
        record->hostSig = MakeFourCC("8BIM");
        record->planes = 3;
        gParams = params.get();
        gData = data.get();
        gFilterRecord = record.get();
        gResult = &result;
    }
    ~UiRecords() {
        // What the invocation's end frees: the first render's row buffer,
        // the solids built and kept, a picture read in steps and the pyramids.
        RobustDisposePtr(&data->rowBuffer);
        ForgetKeptSolids();
        StopReadingPicture();
        FreePolyhedron(&storage->polyStore);
        for (PyramidDescriptor& p : data->pyramids) DiposeOfAnyTiles(&p);
        gParams = nullptr;
        gData = nullptr;
        gFilterRecord = nullptr;
        gResult = nullptr;
    }
};
