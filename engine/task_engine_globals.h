// What the task engine reads of the invocation, loaded from the plug-in's
// records before a job (engine/render_bridge.h) or set by a test. A job's
// work is not here: whoever starts it hands it to RunTiles. Main thread only;
// the workers read nothing of it while a job runs.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/host/host_types.h"

struct Data;
struct FilterRecord;
struct PerTaskStuffType;
struct PyramidDescriptor;

struct TaskEngineGlobals {
    FilterRecord* filterRecord = nullptr;  // abort test, progress, advance state
    Data* data = nullptr;                  // handed to every task
    int32_t renderDestination = 0;         // 0 the host, 1 the preview, 2 an offscreen pyramid
    int32_t progressPhase = 1;             // below 1: no progress is reported
    int32_t progressPhaseCount = 1;
    int64_t outerStepIndex = 0;            // with a count of 1 or more, the phases are
    int64_t outerStepCount = 0;            // one step of an outer sequence
    VRect totalRect{};                     // the job rectangle of every purpose but -1000, -1001
    PyramidDescriptor* mainPyramid = nullptr;       // Data's main input pyramid
    PyramidDescriptor* offscreenPyramid = nullptr;  // the work area's, for destination 2
    int32_t offscreenPixelKind = 0;
    // An offscreen render that is the host's result at a size of its own:
    // it reports progress to the host and asks the host whether to stop.
    bool offscreenForHost = false;
    OSErr hostResult = 0;
    // Tiles whose completion has run in the job under way, so that a hook
    // between completions can tell whether there is anything new to show.
    int64_t tilesCompleted = 0;
    int32_t diagnostic = 0;                // internal diagnostic number of the last failure

    // The engine's blocks (task records, render contexts, reply grids) come
    // from here when set, else from RobustNewPtr; tests make it fail.
    void* (*allocateBlock)(size_t size) = nullptr;
};

extern TaskEngineGlobals gTaskEngine;

// A block for the engine (see allocateBlock); null when it cannot be had.
void* TaskEngineNewBlock(size_t size);
