#include "ui/preview_manager.h"

#include <cstdio>

#include "common/memory.h"
#include "platform/appkit/run_loop.h"
#include "ui/dialog.h"
#include "ui/proxy_view.h"

proxyBufferRecord _pbr{};

namespace {
void Log(const char* text) { DialogTrace("%s", text); }
}  // namespace

ProgressivePreviewManager::ProgressivePreviewManager() { _pbr.pixels = nullptr; }

ProgressivePreviewManager::~ProgressivePreviewManager() { dumpProxyAndTasks(); }

void ProgressivePreviewManager::aPassThroughTilesHasFinished() {
    switch (state) {
        case kProgressivePreviewState_running:
            Log("aPassThroughTilesHasFinished - kProgressivePreviewState_running");
            if (proxyGUIItem) proxyGUIItem->update();
            state = kProgressivePreviewState_waiting_for_UI_to_draw;
            break;
        case kProgressivePreviewState_waiting_for_UI_to_draw:
            Log("aPassThroughTilesHasFinished while state is 'waiting_for_UI_to_draw'. Should not happen.");
            break;
        default: {
            Log("aPassThroughTilesHasFinished - ready or abortion");
            dumpProxyAndTasks();
            state = kProgressivePreviewState_ready;
            std::function<void()> block = std::move(block_to_do);
            block_to_do = nullptr;
            if (block) block();
        }
    }
}

void ProgressivePreviewManager::dumpProxyAndTasks() {
    RobustDisposePtr(&_pbr.pixels);
}

void ProgressivePreviewManager::GUIDrawIsComplete() {
    Log("GUIDrawIsComplete");
    state = kProgressivePreviewState_ready;
    dumpProxyAndTasks();
}

void ProgressivePreviewManager::requestNewProgressivePreviewForGUIItem(ProxyView_Tarnwhistle_pano* view) {
    DispatchToDialogLoop([this, view] {
        proxyGUIItem = view;
        // The pane renders at the end of this pass, once for every request made so far.
        abortAnyPreviewAndThenDoBlockSynchronously([view] {
            if (view) view->setNeedsDisplay();
        });
    });
}

void ProgressivePreviewManager::abortAnyPreviewAndThenDoBlockSynchronously(std::function<void()> block) {
    if (!block) return;
    if (state != kProgressivePreviewState_running) {
        block();
        return;
    }
    forSureAbortThePreviewThenDoBlockSynchronously(std::move(block));
}

void ProgressivePreviewManager::forSureAbortThePreviewThenDoBlockSynchronously(std::function<void()> block) {
    Log("forSureAbortThePreviewThenDoBlockSynchronously");
    block_to_do = std::move(block);
    state = kProgressivePreviewState_aborting;
}
