// The dialog's single owner of preview work: the state of a preview run,
// the task records it holds on to, the preview buffer record _pbr, the pane
// to redisplay, and a block to run once the running preview has stopped.
// The pane renders from the dialog's loop (ui/proxy_view.h); save, dismiss
// and cancel go through abortAnyPreviewAndThenDoBlockSynchronously first.
// Main thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>

#include "host_access/host_rects.h"

struct PerTaskStuffType;
class ProxyView_Tarnwhistle_pano;

enum : int32_t {
    kProgressivePreviewState_ready = 0,
    kProgressivePreviewState_running = 1,
    kProgressivePreviewState_aborting = 2,
    kProgressivePreviewState_waiting_for_UI_to_draw = 3,
};

// The one preview buffer record, shared with the pane and the render entry.
extern proxyBufferRecord _pbr;

struct ProgressivePreviewManager {
    ProgressivePreviewManager();
    ~ProgressivePreviewManager();

    int32_t state = kProgressivePreviewState_ready;
    std::map<int64_t, PerTaskStuffType*> things;
    std::function<void()> block_to_do;
    ProxyView_Tarnwhistle_pano* proxyGUIItem = nullptr;
    // A preview render is under way (set by the pane around its render).
    bool rendering = false;

    void hangOnToTask(int64_t number, PerTaskStuffType* task);
    PerTaskStuffType* getTaskForInt(int64_t number) const;
    void taskAllocationFailed();
    void aPassThroughTilesHasFinished();
    proxyBufferRecord* pbr_address();
    void dumpProxyAndTasks();
    void GUIDrawIsComplete();
    // Asks the dialog's loop for a new preview of view.
    void requestNewProgressivePreviewForGUIItem(ProxyView_Tarnwhistle_pano* view);
    // Runs block now when no render runs; otherwise aborts the render and
    // runs block as soon as it has stopped. Null does nothing.
    void abortAnyPreviewAndThenDoBlockSynchronously(std::function<void()> block);
    void forSureAbortThePreviewThenDoBlockSynchronously(std::function<void()> block);
    // The pane's render has ended: the kept block runs.
    void renderEnded();
};

// "%ld" of the number.
std::string keyForInt(int64_t number);
