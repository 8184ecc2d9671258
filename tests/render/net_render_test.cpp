// Renders of polyhedral outputs: the solid and its net are built once
// before the tiles, and a solid that cannot be built whole ends the render
// with its own diagnostic instead of a partial net.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "common/memory.h"
#include "engine/task_records.h"
#include "polyhedra/polyhedron.h"
#include "records/plugin_globals.h"
#include "records/vort.h"
#include "render/render_context.h"
#include "render/tile_passes.h"
#include "render/render_job.h"
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
    RenderJob job(*rig.params);
    ASSERT_TRUE(PrepareRenderContext(&job, rig.data.get()));
    const vort* c = RenderContextTemplate(&job);
    ASSERT_TRUE(c->polyhedral);
    const polyhedron* poly = c->outputPolyhedron;
    ASSERT_TRUE(poly);
    EXPECT_EQ(poly->status, kPolyStatusGood);
    // The frame holds the net's box: its corners lie inside the unit frame,
    // centred, with a border of 2% of the net's larger side on the side that
    // binds (in units of the picture's width).
    const float* b = poly->net.boundsBox;
    const auto u = [c](double x) { return (x - c->planeCentreX) / c->inverseScale + 0.5; };
    const auto v = [c](double y) { return (y - c->planeCentreY) / (c->inverseScale * c->boxHeight) + 0.5; };
    EXPECT_GT(u(b[0]), 0.0);
    EXPECT_LT(u(b[1]), 1.0);
    EXPECT_GT(v(b[2]), 0.0);
    EXPECT_LT(v(b[3]), 1.0);
    EXPECT_NEAR(u(b[0]) + u(b[1]), 1.0, 1e-6);
    EXPECT_NEAR(v(b[2]) + v(b[3]), 1.0, 1e-6);
    const double aspect = c->boxHeight, w = u(b[1]) - u(b[0]), h = (v(b[3]) - v(b[2])) * aspect;
    const double border = 0.02 * std::max(w, h);
    EXPECT_TRUE(std::fabs(u(b[0]) - border) < 1e-6 || std::fabs(v(b[2]) * aspect - border) < 1e-6)
        << u(b[0]) << " " << v(b[2]) * aspect << " " << border;
    FinishRenderContext(&job);
    // A second render of the same mode keeps the net it built.
    const int64_t triangles = poly->netTriangleCount;
    RenderJob second(*rig.params);
    ASSERT_TRUE(PrepareRenderContext(&second, rig.data.get()));
    EXPECT_EQ(RenderContextTemplate(&second)->outputPolyhedron, poly);
    EXPECT_EQ(poly->netTriangleCount, triangles);
    FinishRenderContext(&second);
}

TEST(NetRenders, ASolidThatCannotBeBuiltEndsTheRender) {
    RenderRig rig;
    ASSERT_TRUE(ReadBusyPictureInto(rig, 405));  // its solid has no builder in this build
    int16_t diagnostic = 0;
    RenderJob job(*rig.params);
    EXPECT_FALSE(PrepareRenderContext(&job, rig.data.get(), &diagnostic));
    EXPECT_EQ(diagnostic, kDiagPolyhedron);
    FinishRenderContext(&job);
}

// The largest Goldberg net (467) cannot hold two corners of a tab for each
// of its 3,839 seams in its vertex table: its tabs are pointed, one corner
// each, and it renders with them, none left out for want of room in the
// table. The only net that needs it; it builds in a few seconds under the
// sanitizers (the builder's fallback is tested on a hand net in FitTabs).
TEST(NetRenders, TheLargestNetTakesPointedTabsToHoldThemAll) {
    RenderRig rig;
    ASSERT_TRUE(ReadBusyPictureInto(rig, 467));
    int16_t diagnostic = 0;
    RenderJob job(*rig.params);
    ASSERT_TRUE(PrepareRenderContext(&job, rig.data.get(), &diagnostic));
    EXPECT_EQ(TabsPastNetLimit(rig.data.get()), 0);
    const polyhedron* p = RenderContextTemplate(&job)->outputPolyhedron;
    ASSERT_TRUE(p);
    EXPECT_EQ(p->status, kPolyStatusGood);
    EXPECT_LT(p->netVertexCount, kMax2DVertices);
    // One triangle a tab, and nearly every seam has one.
    int64_t tabs = 0;
    for (int64_t t = 0; t < p->netTriangleCount; ++t) tabs += p->netTriangle[t].isTab;
    EXPECT_GT(tabs + p->unfittedTabs, 3800);
    EXPECT_LT(p->unfittedTabs, tabs / 10);
    FinishRenderContext(&job);
}

// Each task takes its span storage for the whole net when it is prepared;
// storage that cannot be had marks the render failed rather than leaving the
// task's tiles with holes.
TEST(NetRenders, SpanStorageIsTakenUpFrontAndItsLackFailsTheRender) {
    RenderRig rig;
    ASSERT_TRUE(ReadBusyPictureInto(rig, 30));
    RenderJob job(*rig.params);
    ASSERT_TRUE(PrepareRenderContext(&job, rig.data.get()));
    const int64_t triangles = RenderContextTemplate(&job)->outputPolyhedron->netTriangleCount;
    auto context = std::make_unique<vort>();
    auto task = std::make_unique<PerTaskStuffType>();
    task->context = context.get();
    task->job = &job;
    PrerollOneTileTask(task.get());
    EXPECT_FALSE(SpanListsFailed(&job));
    ASSERT_TRUE(task->hints[0].spans);
    EXPECT_EQ(task->hints[0].spanCapacity, 2 * triangles + 2);
    PostrollOneTileTask(task.get());
    EXPECT_FALSE(task->hints[0].spans);

    SetRobustNewPtrFailures(1);
    PrerollOneTileTask(task.get());
    SetRobustNewPtrFailures(0);
    EXPECT_TRUE(SpanListsFailed(&job));
    EXPECT_FALSE(task->hints[0].spans);
    PostrollOneTileTask(task.get());
    FinishRenderContext(&job);
}

}  // namespace
