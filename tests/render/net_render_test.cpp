// Renders of polyhedral outputs: the solid and its net are built once
// before the tiles, and a solid that cannot be built whole ends the render
// with its own diagnostic instead of a partial net.
#include <gtest/gtest.h>

#include <memory>

#include "common/memory.h"
#include "engine/task_records.h"
#include "polyhedra/polyhedron.h"
#include "records/plugin_globals.h"
#include "records/vort.h"
#include "render/tile_passes.h"
#include "tests/render/render_fixture.h"

namespace {

// A rig reading a small busy picture as equirectangular, set to `mode`.
bool ReadBusyPictureInto(RenderRig& rig, int32_t mode) {
    rig.params->inputMode = 1;
    rig.params->outputMode = mode;
    return rig.SetInput(64, 32, kPyrColourFloat, BusyPixel);
}

TEST(NetRenders, TheNetIsBuiltOnceAndFramedWhole) {
    RenderRig rig;
    ASSERT_TRUE(ReadBusyPictureInto(rig, 30));
    ASSERT_TRUE(PrepareRenderContext(rig.data.get(), rig.params.get()));
    const vort* c = RenderContextTemplate();
    ASSERT_TRUE(c->polyhedral);
    const polyhedron* poly = c->outputPolyhedron;
    ASSERT_TRUE(poly);
    EXPECT_EQ(poly->status, kPolyStatusGood);
    // The frame holds the net's box: its corners lie inside the unit frame.
    const float* b = poly->net.boundsBox;
    for (float x : {b[0], b[1]})
        for (float y : {b[2], b[3]}) {
            const double u = (x - c->planeCentreX) / c->inverseScale + 0.5;
            const double v = (y - c->planeCentreY) / (c->inverseScale * c->boxHeight) + 0.5;
            EXPECT_GT(u, 0.0);
            EXPECT_LT(u, 1.0);
            EXPECT_GT(v, 0.0);
            EXPECT_LT(v, 1.0);
        }
    FinishRenderContext();
    // A second render of the same mode keeps the net it built.
    const int64_t triangles = poly->netTriangleCount;
    ASSERT_TRUE(PrepareRenderContext(rig.data.get(), rig.params.get()));
    EXPECT_EQ(RenderContextTemplate()->outputPolyhedron, poly);
    EXPECT_EQ(poly->netTriangleCount, triangles);
    FinishRenderContext();
}

TEST(NetRenders, ASolidThatCannotBeBuiltEndsTheRender) {
    RenderRig rig;
    ASSERT_TRUE(ReadBusyPictureInto(rig, 405));  // its solid has no builder in this build
    int16_t diagnostic = 0;
    EXPECT_FALSE(PrepareRenderContext(rig.data.get(), rig.params.get(), &diagnostic));
    EXPECT_EQ(diagnostic, kDiagPolyhedron);
    FinishRenderContext();
}

// Each task takes its span storage for the whole net when it is prepared;
// storage that cannot be had marks the render failed rather than leaving the
// task's tiles with holes.
TEST(NetRenders, SpanStorageIsTakenUpFrontAndItsLackFailsTheRender) {
    RenderRig rig;
    ASSERT_TRUE(ReadBusyPictureInto(rig, 30));
    ASSERT_TRUE(PrepareRenderContext(rig.data.get(), rig.params.get()));
    const int64_t triangles = RenderContextTemplate()->outputPolyhedron->netTriangleCount;
    auto context = std::make_unique<vort>();
    auto task = std::make_unique<PerTaskStuffType>();
    task->context = context.get();
    PrerollOneTileTask(task.get());
    EXPECT_FALSE(SpanListsFailed());
    ASSERT_TRUE(task->hints[0].spans);
    EXPECT_EQ(task->hints[0].spanCapacity, 2 * triangles + 2);
    PostrollOneTileTask(task.get());
    EXPECT_FALSE(task->hints[0].spans);

    SetRobustNewPtrFailures(1);
    PrerollOneTileTask(task.get());
    SetRobustNewPtrFailures(0);
    EXPECT_TRUE(SpanListsFailed());
    EXPECT_FALSE(task->hints[0].spans);
    PostrollOneTileTask(task.get());
    FinishRenderContext();
}

}  // namespace
