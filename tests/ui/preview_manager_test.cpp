// The preview manager's bookkeeping.
#include <gtest/gtest.h>

#include "ui/preview_manager.h"

namespace {

TEST(PreviewManager, BlocksRunAtOnceUnlessARenderRuns) {
    ProgressivePreviewManager ppm;
    int ran = 0;
    for (int32_t state : {kProgressivePreviewState_ready, kProgressivePreviewState_aborting,
                          kProgressivePreviewState_waiting_for_UI_to_draw}) {
        ppm.state = state;
        ppm.abortAnyPreviewAndThenDoBlockSynchronously([&ran] { ++ran; });
    }
    EXPECT_EQ(ran, 3);
    ppm.abortAnyPreviewAndThenDoBlockSynchronously(nullptr);
    // While a render runs the block waits for the end of its pass, which aborts it.
    ppm.state = kProgressivePreviewState_running;
    ppm.abortAnyPreviewAndThenDoBlockSynchronously([&ran] { ++ran; });
    EXPECT_EQ(ran, 3);
    EXPECT_EQ(ppm.state, kProgressivePreviewState_aborting);
    ppm.aPassThroughTilesHasFinished();
    EXPECT_EQ(ran, 4);
    EXPECT_EQ(ppm.state, kProgressivePreviewState_ready);
    EXPECT_FALSE(ppm.block_to_do);
}

// A finished pass of a running render waits for the pane to draw; a second
// report while waiting changes nothing; the drawing makes it ready.
TEST(PreviewManager, PassesAndDrawingsMoveTheStates) {
    ProgressivePreviewManager ppm;
    ppm.state = kProgressivePreviewState_running;
    ppm.aPassThroughTilesHasFinished();
    EXPECT_EQ(ppm.state, kProgressivePreviewState_waiting_for_UI_to_draw);
    ppm.aPassThroughTilesHasFinished();
    EXPECT_EQ(ppm.state, kProgressivePreviewState_waiting_for_UI_to_draw);
    ppm.GUIDrawIsComplete();
    EXPECT_EQ(ppm.state, kProgressivePreviewState_ready);
    EXPECT_EQ(_pbr.pixels, nullptr);
}

}  // namespace
