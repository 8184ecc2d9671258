// The identity render: an equirectangular input through output mode 1 with
// no twirl gives the input back, pixel for pixel.
#include <gtest/gtest.h>

#include <cmath>

#include "render/supersampler.h"
#include "render_fixture.h"

namespace {

struct DepthCase {
    int64_t kind;
    double tolerance;
};

class EngineIdentity : public ::testing::TestWithParam<DepthCase> {};

TEST_P(EngineIdentity, ReproducesTheInput) {
    const DepthCase k = GetParam();
    RenderRig rig;
    ASSERT_TRUE(rig.SetInput(96, 48, k.kind, BusyPixel));
    rig.params->inputMode = 1;
    rig.params->outputMode = 1;
    ASSERT_EQ(rig.Render(96, 48, k.kind), 0);
    double worst = 0.0;
    for (int64_t y = 0; y < 48; ++y)
        for (int64_t x = 0; x < 96; ++x) {
            float a[4], b[4];
            rig.In(x, y, a);
            rig.Out(x, y, b);
            for (int c = 0; c < 4; ++c) worst = std::max(worst, std::fabs(double(a[c]) - b[c]));
        }
    EXPECT_LE(worst, k.tolerance);
}

// Float pictures: the sample positions are single precision, up to about
// 1e-5 pixel from the centres.
INSTANTIATE_TEST_SUITE_P(Depths, EngineIdentity,
                         ::testing::Values(DepthCase{kPyrColour8, 1.0 / 255.0 + 1e-6},
                                           DepthCase{kPyrColour16, 1.0 / 32768.0 + 1e-6},
                                           DepthCase{kPyrColourFloat, 1e-4}));

// Where a reply sits: the reply of pixel (x, y) answers for the pixel's far
// corner, (x + 1) / W, and a pixel is sampled at its centre, (x + 0.5) / W,
// halfway between the replies of its left and upper neighbours and its own.
TEST(EngineIdentityReplies, ReplyAtTheFarCornerSampleAtTheCentre) {
    RenderRig rig;
    ASSERT_TRUE(rig.SetInput(32, 16, kPyrColourFloat, BusyPixel));
    rig.params->inputMode = 1;
    rig.params->outputMode = 1;
    ASSERT_EQ(rig.Render(32, 16, kPyrColourFloat), 0);
    PerTaskStuffType task{};
    task.outputPyramid = rig.output.get();
    vort* c = static_cast<vort*>(calloc(1, sizeof(vort)));
    task.context = c;
    // A task of no render, or of one that has ended, is not prepared: it
    // would point at records the render may have freed.
    PrerollOneTileTask(&task);
    EXPECT_EQ(c->inputPyramids, nullptr);
    RenderJob job(*rig.params);
    task.job = &job;
    ASSERT_TRUE(PrepareRenderContext(&job, rig.data.get()));
    FinishRenderContext(&job);
    PrerollOneTileTask(&task);
    EXPECT_EQ(c->inputPyramids, nullptr);
    ASSERT_TRUE(PrepareRenderContext(&job, rig.data.get()));
    PrerollOneTileTask(&task);
    FinishRenderContext(&job);
    ASSERT_NE(c->inputPyramids, nullptr);
    LoopingParameters loops;
    init_LoopingParameters(&loops);
    SamplerRig sr;
    InitSamplerRig(&sr, c, &task, &loops, 0.0f);
    for (int x : {0, 7, 30}) {
        TransformationReply r;
        ReplyAtPixelPosition(&sr, float(x), 5.0f, &r);
        EXPECT_NEAR(r.inputU, float(x + 1) / 32.0f, 1e-6f);
        EXPECT_NEAR(r.inputV, 6.0f / 16.0f, 1e-6f);
        ReplyAtPixelPosition(&sr, float(x) - 0.5f, 4.5f, &r);
        EXPECT_NEAR(r.inputU, (float(x) + 0.5f) / 32.0f, 1e-6f);
        EXPECT_NEAR(r.inputV, 5.5f / 16.0f, 1e-6f);
    }
    free(c);
}

}  // namespace
