// The small services around the render: coordinate conversions, blank replies,
// the ordered-dither thresholds and the failure of the
// row-buffer allocation.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "common/memory.h"
#include "platform/host/filter_record.h"
#include "records/vort.h"
#include "pyramid/mipmap.h"
#include "pyramid/sampling.h"
#include "render/aniso_sampling.h"
#include "render/host_pixels.h"
#include "render/render_drivers.h"
#include "render/reply_grid.h"
#include "render/supersampler.h"
#include "render/tile_passes.h"
#include "render/render_job.h"
#include "render_fixture.h"
#include "engine/task_records.h"
#include "records/plugin_globals.h"
#include "records/work_area.h"

namespace {

// The framing box's centred plane and back.
TEST(OutputCoordinates, CentredPlaneOfTheFramingBox) {
    auto c = std::make_unique<vort>();
    c->outputAspect = 0.5f;
    c->framing.inverseFitScale = 2.0;
    c->framing.xCentre = 0.1;
    EXPECT_NEAR(CRX_from_ufx(c.get(), 0.6), 0.0, 1e-12);
    EXPECT_NEAR(CRY_from_ufy(c.get(), 1.0), 0.5, 1e-12);
    for (double t : {0.0, 0.3, 1.0}) {
        EXPECT_NEAR(ufx_from_CRX(c.get(), CRX_from_ufx(c.get(), t)), t, 1e-12);
        EXPECT_NEAR(ufy_from_CRY(c.get(), CRY_from_ufy(c.get(), t)), t, 1e-7);
    }
}

// A pixel of any level, turned into a unit position, is that pixel again when
// the level is sampled there, also on a 1366 x 683 picture whose levels
// 1 to 3 were rounded up to 684, 342 and 172 columns.
TEST(OutputCoordinates, LevelPixelsToUnitAndBack) {
    auto pyr = std::make_unique<PyramidDescriptor>();
    InitPyramidProcs(pyr.get());
    ASSERT_EQ(TryToAllocatePyramid_2006(pyr.get(), 1366, 683, kPyrColourFloat, 0, 0), 1);
    for (int64_t L = 0; L <= 3; ++L)
        for (int64_t y = 0; y < pyr->height[L]; ++y)
            for (int64_t x = 0; x < pyr->width[L]; ++x)
                set_pyramid_sample_point128bit_floats(x, y, pyr.get(), L, float(x), float(y), 0, 1);
    for (int64_t L = 0; L <= 3; ++L) {
        float worst = 0.0f;
        for (int64_t y = 0; y + 1 < int64_t(pyr->unitScaleY[L]); y += 3)
            for (int64_t x = 0; x + 1 < int64_t(pyr->unitScaleX[L]); x += 2) {
                float u, v, c[4];
                u = PixelToUnitX(pyr.get(), L, float(x));
                v = PixelToUnitY(pyr.get(), L, float(y));
                get_unit_ramped_wrapped_pyramid_sample_point(pyr.get(), L, u, v, c);
                worst = std::max({worst, std::fabs(c[0] - float(x)), std::fabs(c[1] - float(y))});
            }
        EXPECT_LT(worst, 2e-3f) << "level " << L;
    }
    EXPECT_FLOAT_EQ(PixelToUnitX(pyr.get(), 0, 1365.0f), 1365.5f / 1366.0f);
    EXPECT_FLOAT_EQ(PixelToUnitY(pyr.get(), 0, 682.0f), 682.5f / 683.0f);
    DisposePyramidData(pyr.get());
}

TEST(OutputCoordinates, ProportionsOfInputAndOffscreenOutput) {
    RenderRig rig;
    rig.data->filterRect = VRect{0, 0, 50, 200};
    float w, h, a;
    GetInputProportions(rig.data.get(), &w, &h, &a);
    EXPECT_EQ(w, 200.0f);
    EXPECT_EQ(h, 50.0f);
    EXPECT_EQ(a, 0.25f);
    // The destination of the render under way, as the engine holds it.
    gTaskEngine.renderDestination = kRenderToOffscreen;
    ASSERT_EQ(TryToAllocatePyramid_2006(rig.output.get(), 64, 48, kPyrColour8, 0, 0), 1);
    gTaskEngine.offscreenPyramid = rig.output.get();
    GetOutputProportions(rig.data.get(), &w, &h, &a);
    EXPECT_EQ(w, 64.0f);
    EXPECT_EQ(h, 48.0f);
    EXPECT_EQ(a, 0.75f);
    gTaskEngine.renderDestination = kRenderToHost;
    GetOutputProportions(rig.data.get(), &w, &h, &a);
    EXPECT_EQ(w, 200.0f);
}

// A sample of nothing keeps a direction-less region and makes every other
// region a freeform direction.
TEST(Replies, FreeformKeepsOnlyTheDirectionlessRegions) {
    const int32_t before[] = {-9, -8, -7, -5, 0, 25290};
    const int32_t after[] = {-9, -7, -7, -7, -7, -7};
    for (int i = 0; i < 6; ++i) {
        TransformationReply r{};
        r.place = before[i];
        MakeFreeform(&r);
        EXPECT_EQ(r.place, after[i]) << before[i];
    }
}

// A task whose tile is 3 x 2 at (5, 7): its grid is 5 x 4 cells.
struct GridRig {
    RenderRig rig;
    std::unique_ptr<vort> context{new vort{}};
    std::unique_ptr<PerTaskStuffType> task{new PerTaskStuffType{}};
    std::vector<MirelYummy> grid;
    GridRig() {
        task->tracker.current_tile_rect = VRect{7, 5, 9, 8};
        task->tracker.buffer_x_elements = 5;
        task->tracker.buffer_y_elements = 4;
        grid.resize(20);
        for (MirelYummy& m : grid) {
            m.reply = MakeTemplateReply();
            m.reply.place = 3;
            m.reply.inputU = m.reply.inputV = 0.5f;
            m.reply.edges = 0.7f;
            m.reply.tissotValue = 0.2f;
        }
        context->task = task.get();
        context->replyGrid = grid.data();
        context->replyTemplate = MakeTemplateReply();
    }
};

TEST(Replies, TileClearingLeavesTheApron) {
    GridRig g;
    ClearEdgesGraticuleTissot_tile(g.context.get());
    for (int64_t y = 6; y <= 9; ++y)
        for (int64_t x = 4; x <= 8; ++x) {
            const bool inTile = x >= 5 && x < 8 && y >= 7 && y < 9;
            EXPECT_EQ(GetReplyEdges(x, y, g.context.get()), inTile ? 0.0f : 0.7f) << x << "," << y;
            EXPECT_EQ(GetReplyTissot(x, y, g.context.get()), inTile ? 0.0f : 0.2f) << x << "," << y;
        }
}

// The 16 x 16 Bayer matrix from its closed form: each bit pair (x, y) of the
// position adds 0, 2, 3 or 1 (the 2 x 2 matrix) at a weight that grows as
// the bit gets less significant.
int BayerClosedForm(int x, int y) {
    static const int m2[2][2] = {{0, 2}, {3, 1}};
    int value = 0;
    for (int k = 0; k < 4; ++k) value += m2[(y >> k) & 1][(x >> k) & 1] << (2 * (3 - k));
    return value;
}

TEST(DitherThresholds, BayerPermutation) {
    uint8_t t[256];
    FillDitherThresholds(t);
    std::vector<int> seen(256, 0);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            EXPECT_EQ(t[y * 16 + x], BayerClosedForm(x, y)) << x << "," << y;
            seen[t[y * 16 + x]]++;
        }
    for (int v = 0; v < 256; ++v) EXPECT_EQ(seen[v], 1) << v;
    // The first 16 thresholds lie on a regular lattice, one in each 4 x 4 block.
    for (int by = 0; by < 4; ++by)
        for (int bx = 0; bx < 4; ++bx) {
            int low = 0;
            for (int y = 0; y < 4; ++y)
                for (int x = 0; x < 4; ++x) low += t[(by * 4 + y) * 16 + bx * 4 + x] < 16;
            EXPECT_EQ(low, 1);
        }
    // Without a work area the sampler has the same table of its own.
}

// The cheap sampler reads one texel of the level the footprint's mean
// extent names: log2 of it in level-0 pixels, clamped to the pyramid.
TEST(CheapSampler, LevelFromTheFootprintsExtent) {
    RenderRig rig;
    ASSERT_TRUE(rig.SetInput(32, 32, kPyrColour8, BusyPixel));
    rig.input()->overhangMode = 3;
    paint_mipmap_of_pyramid(rig.input());
    rig.input()->mipmapState = 2;
    const int64_t top = rig.input()->topLevel;
    ASSERT_GE(top, 3);
    auto vort_ = std::make_unique<vort>();
    const float u = 13.3f / 32.0f, v = 20.7f / 32.0f;
    struct Case {
        float pixels;  // footprint along x and y, level-0 pixels
        int code;
        float levelHint;
        int64_t level;
    } cases[] = {{0.5f, 0, 0.0f, 0}, {1.0f, 0, 0.0f, 0}, {4.0f, 0, 0.0f, 2}, {6.0f, 0, 0.0f, 2},
                 {1e6f, 0, 0.0f, top}, {4.0f, kFootprintNeither, 1.0f, 1}};
    for (const Case& c : cases) {
        float pd[4] = {c.pixels / 32.0f, 0.0f, 0.0f, c.pixels / 32.0f};
        vort_->levelHint = c.levelHint;
        float got[4], want[4];
        SampleUglyColorCore_core(pd, c.code, rig.input(), got, vort_.get(), u, v);
        const int64_t W = rig.input()->width[c.level], H = rig.input()->height[c.level];
        get_intcoord_unitary_color(std::clamp<int64_t>(int64_t(u * float(W) - 0.5f), 0, W - 1),
                                   std::clamp<int64_t>(int64_t(v * float(H) - 0.5f), 0, H - 1), rig.input(), c.level,
                                   want);
        for (int k = 0; k < 4; ++k) EXPECT_FLOAT_EQ(got[k], want[k]) << c.pixels << " level " << c.level;
    }
}

// The offscreen driver over a 16 x 8 picture, its output marked with one
// colour so a render that stops early can be told from one that ran.
struct OffscreenRender {
    RenderRig rig;
    std::unique_ptr<FilterRecord> record{new FilterRecord{}};
    std::unique_ptr<TStorage1> storage{new TStorage1{}};
    bool ok = false;

    OffscreenRender() {
        ok = rig.SetInput(16, 8, kPyrColour8, BusyPixel);
        record->filterRect = Rect{0, 0, 8, 16};
        record->imageMode = 3;
        record->depth = 8;
        record->planes = 3;
        InitPyramidProcs(&storage->offscreenPyramid);
        ok = ok && TryToAllocatePyramid_2006(&storage->offscreenPyramid, 16, 8, kPyrColour8, 0, 0) == 1;
        storage->offscreenPixelKind = kPyrColour8;
        storage->magic = kWorkAreaMagic;
        rig.params->inputPyramidFilled = 1;
        rig.params->inputMode = 1;
        rig.params->outputMode = 1;
    }
    ~OffscreenRender() {
        DisposePyramidData(&storage->offscreenPyramid);
        rig.data->storage = nullptr;
        gFilterRecord = nullptr;
    }
    void Mark() {
        const float marker[4] = {0.2f, 0.4f, 0.6f, 1.0f};
        for (int64_t y = 0; y < 8; ++y)
            for (int64_t x = 0; x < 16; ++x) set_intcoord_unitary_color(x, y, &storage->offscreenPyramid, 0, marker);
    }
    int Untouched() {
        int same = 0;
        for (int64_t y = 0; y < 8; ++y)
            for (int64_t x = 0; x < 16; ++x) {
                float c[4];
                get_intcoord_unitary_color(x, y, &storage->offscreenPyramid, 0, c);
                same += std::fabs(c[0] - 0.2f) < 0.01f && std::fabs(c[2] - 0.6f) < 0.01f;
            }
        return same;
    }
    // The render through the driver, `failures` allocations failing after
    // the first `after` of the render.
    void Run(int64_t failures = 0, int64_t after = 0) {
        gFilterRecord = record.get();
        rig.data->storage = storage.get();
        rig.result = 0;
        SetRobustNewPtrFailures(failures, after);
        rig.params->proxyScale = 1;
        PFFOWFR_by_anything(nullptr, kRenderToOffscreen, nullptr, nullptr);
        SetRobustNewPtrFailures(0);
    }
};

// Without memory for the row buffer the host hears "out of memory", not a
// user cancel, and no tile is rendered into the output.
TEST(EngineInputPreparation, RowBufferFailureStopsTheRender) {
    OffscreenRender r;
    ASSERT_TRUE(r.ok);
    RenderRig& rig = r.rig;
    SetProcessableRect(VRect{0, 0, 8, 16});
    SetRobustNewPtrFailures(1);
    EXPECT_FALSE(PrerollManipulation(rig.data.get(), *rig.params));
    SetRobustNewPtrFailures(0);
    EXPECT_EQ(rig.result, -108);
    EXPECT_EQ(rig.data->diagnostic, 225);
    EXPECT_EQ(rig.data->rowBuffer, nullptr);
    EXPECT_EQ(rig.data->rowBufferRecordCount, 0);

    // The offscreen driver stops there: its output keeps what it held.
    r.Mark();
    r.Run(1);
    EXPECT_EQ(rig.result, -108);
    EXPECT_EQ(r.Untouched(), 16 * 8);

    // With memory the same render replaces the output.
    r.Run();
    EXPECT_EQ(rig.result, 0);
    EXPECT_LT(r.Untouched(), 16 * 8);
}

// Each way the render's preparation can fail has its own diagnostic beside
// the host result (the row buffer's is above): missing records, the render
// context's own records, a projection cache the mode reads. The output keeps
// what it held every time.
TEST(EngineInputPreparation, EachPreparationFailureHasItsOwnDiagnostic) {
    OffscreenRender r;
    ASSERT_TRUE(r.ok);
    RenderRig& rig = r.rig;
    // A render that works, so the row buffer exists from here on.
    r.Run();
    ASSERT_EQ(rig.result, 0);

    // One allocation fails: the render stops with out of memory and the
    // diagnostic, and the output keeps its marks.
    auto stopsWith = [&](int16_t diagnostic, int64_t after) {
        r.Mark();
        rig.data->diagnostic = 0;
        r.Run(1, after);
        EXPECT_EQ(rig.result, -108);
        EXPECT_EQ(rig.data->diagnostic, diagnostic);
        EXPECT_EQ(r.Untouched(), 16 * 8);
    };
    // The context's records cannot be allocated: each render makes its own.
    stopsWith(kDiagRenderContext, 0);
    // The equal-area square's cache cannot be built (the context's three
    // records come first).
    rig.params->outputMode = 140;
    stopsWith(kDiagProjectionCache, 3);
    int16_t why = 0;
    EXPECT_FALSE(PrepareRenderContext(nullptr, rig.data.get(), &why));
    EXPECT_EQ(why, kDiagHandleMissing);

    // With memory the same render replaces the output.
    r.Run();
    EXPECT_EQ(rig.result, 0);
    EXPECT_LT(r.Untouched(), 16 * 8);

    // Without its records nothing is prepared, and the host hears why.
    rig.data->diagnostic = 0;
    EXPECT_FALSE(PrerollManipulation(nullptr, *rig.params));
    EXPECT_EQ(rig.result, -30100);
    EXPECT_EQ(rig.data->diagnostic, kDiagHandleMissing);
}

// A render works on its own copy of the settings: what runs beside its tiles
// (the dialog's events while a preview renders) sees the host's settings as
// they are, never the render's own scale, offset and progress phase, and
// afterwards they are as they were but for the render purpose (where the
// last render went) and the progress phase, which ends.
TEST(EngineRenderSettings, TheHostsSettingsStayTheirOwnWhileARenderRuns) {
    OffscreenRender r;
    ASSERT_TRUE(r.ok);
    RenderRig& rig = r.rig;
    r.Run();
    ASSERT_EQ(rig.result, 0);
    rig.params->proxyScale = 3;
    rig.params->previewOffset = PreviewOffset{5, 7};
    rig.params->progressPhase = 2;
    rig.params->progressPhaseCount = 4;
    rig.params->renderDestination = kRenderToPreview;
    const Parameters before = *rig.params;
    // The purpose says where the last render went, from its start on.
    Parameters during = before;
    during.renderDestination = kRenderToOffscreen;
    struct Watch {
        const Parameters* during;
        int calls = 0;
        int changed = 0;
    } watch{&during};
    SetRenderBetweenCompletions(
        [](void* context) {
            auto* w = static_cast<Watch*>(context);
            ++w->calls;
            w->changed += std::memcmp(gParams, w->during, sizeof(Parameters)) != 0;
        },
        &watch);
    r.Mark();
    gFilterRecord = r.record.get();
    rig.data->storage = r.storage.get();
    PFFOWFR_by_anything(nullptr, kRenderToOffscreen, nullptr, nullptr);
    SetRenderBetweenCompletions(nullptr, nullptr);
    EXPECT_EQ(rig.result, 0);
    EXPECT_GT(watch.calls, 0);
    EXPECT_EQ(watch.changed, 0);
    EXPECT_LT(r.Untouched(), 16 * 8);
    Parameters after = *rig.params;
    EXPECT_EQ(after.renderDestination, kRenderToOffscreen);
    EXPECT_EQ(after.progressPhase, -1);
    after.renderDestination = before.renderDestination;
    after.progressPhase = before.progressPhase;
    EXPECT_EQ(std::memcmp(&after, &before, sizeof before), 0);
}

// Two renders prepared at once keep their own contexts and records: the
// second's settings reach nothing of the first's.
TEST(EngineRenderSettings, TwoRendersKeepTheirOwnContexts) {
    RenderRig rig;
    ASSERT_TRUE(rig.SetInput(32, 16, kPyrColourFloat, BusyPixel));
    rig.params->outputMode = 1;
    RenderJob first(*rig.params);
    ASSERT_TRUE(PrepareRenderContext(&first, rig.data.get()));
    rig.params->outputMode = 16;
    rig.params->latitude = -90.0f;
    rig.params->glueMode = 3;
    RenderJob second(*rig.params);
    ASSERT_TRUE(PrepareRenderContext(&second, rig.data.get()));
    const vort* a = RenderContextTemplate(&first);
    const vort* b = RenderContextTemplate(&second);
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->outputMode, 1);
    EXPECT_EQ(a->glueMode, 1);
    EXPECT_EQ(b->outputMode, 16);
    EXPECT_EQ(b->glueMode, 3);
    EXPECT_NE(a->projectionCaches, b->projectionCaches);
    EXPECT_NE(a->inputTable, b->inputTable);
    // The first ends; the second is still prepared.
    FinishRenderContext(&first);
    EXPECT_EQ(RenderContextTemplate(&first), nullptr);
    EXPECT_EQ(RenderContextTemplate(&second), b);
    FinishRenderContext(&second);
}

// The passes of a render tile look at the job's stop: a tile of a stopped
// job writes no reply and no colour and is not marked gathered, in the row
// walk (mode 1) and the Hilbert walk (397) alike; left alone, the same tile
// fills its grid and gathers its colours.
TEST(TilePasses, ATileOfAStoppedJobWritesNothing) {
    for (const int64_t mode : {1, 397}) {
        RenderRig rig;
        ASSERT_TRUE(rig.SetInput(16, 8, kPyrColour8, BusyPixel));
        rig.params->inputMode = 1;
        rig.params->outputMode = int32_t(mode);
        RenderJob job(*rig.params);
        ASSERT_TRUE(PrepareRenderContext(&job, rig.data.get())) << mode;
        for (const bool stop : {true, false}) {
            auto context = std::make_unique<vort>();
            PerTaskStuffType task{};
            task.context = context.get();
            InitTILETRACKER_core(&task.tracker, VRect{0, 0, 8, 16}, kPartitionSquares);
            task.tracker.t = 0;
            CalculateRectOfThisTile(&task.tracker);
            TaskGuidance guidance;
            initTaskGuidance(&guidance);
            SetUpATileKindOfTask(&task, kPurposeRender, 0, 1, &guidance);
            ASSERT_TRUE(AllocateTileBuffers(&task, ReplyCellSize(), 1));
            task.job = &job;
            const std::atomic<bool> stopped{stop};
            task.stopAsked = &stopped;
            PrerollOneTileTask(&task);
            const size_t gridBytes =
                size_t(task.tracker.buffer_x_elements * task.tracker.buffer_y_elements) * ReplyCellSize();
            const size_t colourBytes = 16 * 8 * 4 * sizeof(float);
            auto* grid = reinterpret_cast<uint8_t*>(task.context->replyGrid);
            auto* colours = reinterpret_cast<uint8_t*>(task.tileColours);
            std::memset(grid, 0xAB, gridBytes);
            std::memset(colours, 0xAB, colourBytes);
            FillTileWithSamples(task.data, task.context, &task);
            FillTileWithColors(&task);
            const auto written = [](const uint8_t* p, size_t n) { return n - size_t(std::count(p, p + n, 0xAB)); };
            if (stop) {
                EXPECT_EQ(written(grid, gridBytes), 0u) << mode;
                EXPECT_EQ(written(colours, colourBytes), 0u) << mode;
                EXPECT_FALSE(task.coloursGathered) << mode;
            } else {
                EXPECT_GT(written(grid, gridBytes), gridBytes / 4) << mode;
                EXPECT_GT(written(colours, colourBytes), colourBytes / 2) << mode;
                EXPECT_TRUE(task.coloursGathered) << mode;
            }
            PostrollOneTileTask(&task);
            DisposeTileBuffers(task.context, 1);
            RobustDisposePtr(&task.tileColours);
        }
        FinishRenderContext(&job);
    }
}

}  // namespace
