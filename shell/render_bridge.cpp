#include "shell/render_bridge.h"

#include "platform/host/result_codes.h"
#include "shell/data.h"
#include "shell/host_rects.h"
#include "shell/parameters.h"
#include "shell/plugin_globals.h"
#include "shell/task_engine_globals.h"
#include "shell/work_area.h"

void LoadTaskEngineFromShell() {
    gTaskEngine.filterRecord = gFilterRecord;
    gTaskEngine.data = gData;
    gTaskEngine.totalRect = GetProcessableRect();
    gTaskEngine.hostResult = HostResult();
    gTaskEngine.diagnostic = diagnosticResult;
    if (gParams) {
        gTaskEngine.renderDestination = gParams->renderDestination;
        gTaskEngine.progressPhase = gParams->progressPhase;
        gTaskEngine.progressPhaseCount = gParams->progressPhaseCount;
    }
    if (gData) {
        gTaskEngine.outerStepIndex = gData->outerStepIndex;
        gTaskEngine.outerStepCount = gData->outerStepCount;
        gTaskEngine.mainPyramid = &gData->pyramids[kMainInputPyramid];
        gTaskEngine.offscreenPyramid = gData->storage ? &gData->storage->offscreenPyramid : nullptr;
        gTaskEngine.offscreenPixelKind = gData->storage ? int32_t(gData->storage->offscreenPixelKind) : 0;
    }
}

void StoreTaskEngineResultInShell() {
    if (gTaskEngine.hostResult != noErr && HostResult() == noErr)
        SetHostResult(gTaskEngine.hostResult, int16_t(gTaskEngine.diagnostic));
    if (gParams) gParams->progressPhase = gTaskEngine.progressPhase;
}
