#include "engine/render_bridge.h"

#include "platform/host/result_codes.h"
#include "records/data.h"
#include "host_access/host_rects.h"
#include "records/parameters.h"
#include "host_access/host_result.h"
#include "records/plugin_globals.h"
#include "engine/task_engine_globals.h"
#include "records/work_area.h"

void LoadTaskEngineFromShell(const Parameters& settings) {
    gTaskEngine.filterRecord = gFilterRecord;
    gTaskEngine.data = gData;
    gTaskEngine.totalRect = GetProcessableRect();
    gTaskEngine.hostResult = HostResult();
    gTaskEngine.diagnostic = diagnosticResult;
    gTaskEngine.renderDestination = settings.renderDestination;
    gTaskEngine.progressPhase = settings.progressPhase;
    gTaskEngine.progressPhaseCount = settings.progressPhaseCount;
    if (gData) {
        gTaskEngine.outerStepIndex = gData->outerStepIndex;
        gTaskEngine.outerStepCount = gData->outerStepCount;
        gTaskEngine.mainPyramid = &gData->pyramids[kMainInputPyramid];
        TStorage1* s = gData->storage;
        gTaskEngine.offscreenPyramid = s ? OffscreenRenderTarget(s) : nullptr;
        gTaskEngine.offscreenPixelKind =
            !s ? 0 : s->targetPyramid ? int32_t(s->targetPyramid->kind) : int32_t(s->offscreenPixelKind);
        gTaskEngine.offscreenForHost = s && s->targetPyramid && s->targetIsHostLayer;
    }
}

void StoreTaskEngineResultInShell(Parameters* settings) {
    if (gTaskEngine.hostResult != noErr && HostResult() == noErr)
        SetHostResult(gTaskEngine.hostResult, int16_t(gTaskEngine.diagnostic));
    if (settings) settings->progressPhase = gTaskEngine.progressPhase;
}
