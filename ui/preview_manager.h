// The dialog's single owner of preview work: the state of a preview run,
// the preview buffer record _pbr, the pane to redisplay, and a block to run
// once the running preview has stopped.
// updateProxy asks it for a preview; the request hops to the dialog's loop
// and asks the pane to display, and the pane renders once per pass of the
// loop (ui/proxy_view.h): running while it renders, waiting for the user
// interface to draw once the pass over the tiles has finished, ready when
// the pane has painted. Save, dismiss and cancel go through
// abortAnyPreviewAndThenDoBlockSynchronously first. Main thread only.
#pragma once

#include <cstdint>
#include <functional>

#include "host_access/host_rects.h"

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
    std::function<void()> block_to_do;
    ProxyView_Tarnwhistle_pano* proxyGUIItem = nullptr;

    // The pane's render has ended: display it, or, when aborting, run the kept block.
    void aPassThroughTilesHasFinished();
    void dumpProxyAndTasks();
    // The pane has painted the preview.
    void GUIDrawIsComplete();
    // Asks, from the dialog's next pass, the view to display a new preview.
    void requestNewProgressivePreviewForGUIItem(ProxyView_Tarnwhistle_pano* view);
    // Runs block now when no render runs; otherwise aborts the render and
    // runs block as soon as it has stopped. Null does nothing.
    void abortAnyPreviewAndThenDoBlockSynchronously(std::function<void()> block);
    void forSureAbortThePreviewThenDoBlockSynchronously(std::function<void()> block);
};
