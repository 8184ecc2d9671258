// The preview manager's bookkeeping.
#include <gtest/gtest.h>

#include "ui/preview_manager.h"

namespace {

TEST(PreviewManager, BlocksRunAtOnceUnlessARenderRuns) {
    ProgressivePreviewManager ppm;
    int ran = 0;
    ppm.abortAnyPreviewAndThenDoBlockSynchronously([&ran] { ++ran; });
    EXPECT_EQ(ran, 1);
    ppm.abortAnyPreviewAndThenDoBlockSynchronously(nullptr);
    // While a render runs the block waits for its end, which aborts it.
    ppm.rendering = true;
    ppm.abortAnyPreviewAndThenDoBlockSynchronously([&ran] { ++ran; });
    EXPECT_EQ(ran, 1);
    EXPECT_EQ(ppm.state, kProgressivePreviewState_aborting);
    ppm.renderEnded();
    EXPECT_EQ(ran, 2);
    EXPECT_EQ(ppm.state, kProgressivePreviewState_ready);
    EXPECT_FALSE(ppm.block_to_do);
}

TEST(PreviewManager, TasksAndKeys) {
    ProgressivePreviewManager ppm;
    EXPECT_EQ(ppm.getTaskForInt(7), nullptr);
    ppm.dumpProxyAndTasks();   // nothing held: nothing happens
    EXPECT_TRUE(ppm.things.empty());
    EXPECT_EQ(ppm.pbr_address()->pixels, nullptr);
    EXPECT_EQ(keyForInt(-3), "-3");
    EXPECT_EQ(keyForInt(42), "42");
}

}  // namespace
