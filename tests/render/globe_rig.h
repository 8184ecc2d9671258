// A render context of a globe mode with its model built in a work area of
// its own, for the march's tests and benchmarks.
#pragma once

#include <memory>

#include "records/data.h"
#include "records/parameters.h"
#include "records/vort.h"
#include "records/work_area.h"
#include "render/globes/globe_render.h"
#include "shell/defaults.h"

struct GlobeContextRig {
    std::unique_ptr<Parameters> params{new Parameters{}};
    std::unique_ptr<Data> data{new Data{}};
    std::unique_ptr<TStorage1> storage{new TStorage1{}};
    std::unique_ptr<vort> context{new vort{}};
    explicit GlobeContextRig(long mode) {
        GrabDefaultSettings(params.get());
        data->storage = storage.get();
        storage->brickMarker = -1;
        context->outputMode = mode;
    }
    ~GlobeContextRig() {
        SetMetaballBruteForce(false);
        DisposeGlobeModels(storage.get());
    }
    // The model for the context's settings; brute force or accelerated.
    bool Prepare(bool bruteForce) {
        SetMetaballBruteForce(bruteForce);
        if (!PrepareGlobeModel(data.get(), params.get(), context.get())) return false;
        ResetGlobeTaskState(context.get());
        return true;
    }
};
