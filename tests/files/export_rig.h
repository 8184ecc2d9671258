// The plug-in's records set up for an export test: Parameters, Data, the
// work area and a host record on the heap, made the current globals.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>

#include "common/memory.h"
#include "engine/task_engine_globals.h"
#include "host_access/host_rects.h"
#include "platform/host/filter_record.h"
#include "polyhedra/poly_storage.h"
#include "pyramid/pixels.h"
#include "pyramid/pyramid.h"
#include "records/data.h"
#include "records/parameters.h"
#include "records/plugin_globals.h"
#include "records/work_area.h"
#include "shell/defaults.h"
#include "tests/projections/earth_fixture.h"

namespace exporttest {

// The plug-in's records on the heap, a host document of the given depth and
// an input picture already in the main input pyramid.
struct ExportRig {
    std::unique_ptr<Parameters> params{new Parameters{}};
    std::unique_ptr<Data> data{new Data{}};
    std::unique_ptr<TStorage1> storage{new TStorage1{}};
    std::unique_ptr<FilterRecord> record{new FilterRecord{}};
    BufferProcs bufferProcs{};   // the host's, as pyramids record them
    int16_t result = 0;

    explicit ExportRig(int depth) {
        GrabDefaultSettings(params.get());
        params->proxyScale = 1;
        params->progressPhase = -1;
        params->progressPhaseCount = 1;
        params->sharpen = 0.0f;
        params->inputMode = 1;
        params->outputMode = 1;
        record->imageMode = depth == 8 ? 3 : depth == 16 ? 11 : 16;
        record->depth = int16_t(depth);
        record->planes = 3;
        record->bufferProcs = &bufferProcs;
        gParams = params.get();
        gData = data.get();
        gResult = &result;
        gFilterRecord = record.get();
        storage->magic = kWorkAreaMagic;
        InitPyramidProcs(&storage->offscreenPyramid);
        InitPyramidProcs(&storage->exportPyramid);
        storage->exportedPage = -1;
        data->storage = storage.get();
        for (PyramidDescriptor& p : data->pyramids) InitPyramidProcs(&p);
    }
    ~ExportRig() {
        for (PyramidDescriptor& p : data->pyramids) DisposePyramidData(&p);
        DisposePyramidData(&storage->exportPyramid);
        DisposePyramidData(&storage->offscreenPyramid);
        FreePolyhedron(&storage->polyStore);
        RobustDisposePtr(&data->rowBuffer);
        gTaskEngine = TaskEngineGlobals{};
        gParams = nullptr;
        gData = nullptr;
        gResult = nullptr;
        gFilterRecord = nullptr;
    }
    PyramidDescriptor* input() { return &data->pyramids[kMainInputPyramid]; }
    // The work area's polyhedron, made on first use.
    polyhedron* poly() {
        if (!storage->polyStore) storage->polyStore = NewPolyhedron(0.5f, 0.0f);
        return storage->polyStore;
    }
    void Filled(int64_t w, int64_t h) {
        input()->mipmapState = 1;
        data->filterRect = VRect{0, 0, int32_t(h), int32_t(w)};
        record->filterRect = Rect{0, 0, int16_t(h), int16_t(w)};
        params->inputPyramidFilled = 1;
    }
    // An equirectangular input: colour by latitude and longitude, a clear band.
    void SetInput(int64_t w, int64_t h) {
        ASSERT_EQ(TryToAllocatePyramid_2006(input(), w, h, kPyrColour8, 0, 0), 1);
        for (int64_t y = 0; y < h; ++y)
            for (int64_t x = 0; x < w; ++x) {
                const float c[4] = {float(x) / float(w), float(y) / float(h), 0.5f + 0.5f * float((x / 4 + y / 4) % 2),
                                    y > h / 3 && y < h / 2 ? 0.25f : 1.0f};
                set_intcoord_unitary_color(x, y, input(), 0, c);
            }
        Filled(w, h);
    }
    void SetEarthInput() {
        ASSERT_TRUE(LoadBundledEarth(input()));
        Filled(2048, 1024);
    }
};

}  // namespace exporttest
