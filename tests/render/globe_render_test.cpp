// The globes through the whole render: each mode draws its globe (and not a
// blank picture), the brick globe's panels in the core colours of its
// cells, and one worker thread or several give the same pixels.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <iterator>
#include <memory>
#include <string>

#include "records/work_area.h"
#include "render/globes/brick_globe.h"
#include "render/globes/globe_render.h"
#include "shell/renderable.h"
#include "tests/render/render_fixture.h"

namespace {

// The render rig with a work area, where the globes keep their models.
struct GlobeRig : RenderRig {
    std::unique_ptr<TStorage1> storage{new TStorage1{}};
    GlobeRig() {
        storage->brickMarker = -1;
        data->storage = storage.get();
    }
    ~GlobeRig() { DisposeGlobeModels(storage.get()); }
};

void EarthLike(int64_t x, int64_t y, float* c) {
    // Bands of colour by latitude and a meridian stripe: enough to tell
    // places apart on the globe.
    c[0] = float((x * 7) % 64) / 63.0f;
    c[1] = float(y % 32) / 31.0f;
    c[2] = (x / 16) % 2 ? 0.8f : 0.2f;
    c[3] = 1.0f;
}

std::vector<float> RenderWith(int threads, long mode, float latitude) {
    setenv("VORNESK_ACTIVE_PROCESSORS", std::to_string(threads).c_str(), 1);
    GlobeRig rig;
    rig.SetInput(128, 64, kPyrColour8, EarthLike);
    rig.params->outputMode = int32_t(mode);
    rig.params->latitude = latitude;
    rig.params->lego_layers = 12;
    rig.params->tabs = 50.0f;
    EXPECT_EQ(rig.Render(128, 96, kPyrColour8), 0) << mode;
    unsetenv("VORNESK_ACTIVE_PROCESSORS");
    return rig.OutputColours();
}

TEST(EngineGlobeRender, OneThreadOrSeveralGiveTheSamePixels) {
    struct Case {
        long mode;
        float latitude;
    } cases[] = {{45, 0}, {394, 20}, {395, 10}, {396, -90}, {396, 90}};
    for (const Case& c : cases) {
        EXPECT_TRUE(OutputModeIsRenderable(c.mode)) << c.mode;
        const std::vector<float> one = RenderWith(1, c.mode, c.latitude);
        const std::vector<float> four = RenderWith(4, c.mode, c.latitude);
        ASSERT_EQ(one.size(), four.size());
        size_t differ = 0, drawn = 0;
        for (size_t i = 0; i < one.size(); i += 4) {
            if (std::memcmp(&one[i], &four[i], 4 * sizeof(float)) != 0) ++differ;
            // The backdrop is see-through: the globe is what is not.
            if (one[i + 3] > 0.5f) ++drawn;
        }
        EXPECT_EQ(differ, 0u) << c.mode;
        EXPECT_GT(drawn, one.size() / 4 / 10) << "mode " << c.mode << " drew almost nothing";
    }
    EXPECT_FALSE(OutputModeIsRenderable(686));
}

// The brick globe's panels: every drawn pixel's colour is a core colour of
// the palette darkened by its shade, so its hue is one of the palette's.
TEST(GlobeRender, BrickPanelsShowThePalettesCoreColours) {
    GlobeRig rig;
    rig.SetInput(64, 32, kPyrColour8, [](int64_t, int64_t, float* c) {
        c[0] = 0.95f, c[1] = 0.0f, c[2] = 0.15f, c[3] = 1.0f;  // near the red brick
    });
    rig.params->outputMode = 45;
    rig.params->lego_layers = 8;
    ASSERT_EQ(rig.Render(200, 200, kPyrColour8), 0);
    int red = 0;
    for (int64_t y = 0; y < 200; ++y)
        for (int64_t x = 0; x < 200; ++x) {
            float c[4];
            rig.Out(x, y, c);
            if (c[3] < 0.5f) continue;  // backdrop
            // Red core (255, 0, 0) under any shade: no green or blue beyond the edges' blend.
            if (c[0] > 0.2f && c[1] < 0.05f && c[2] < 0.05f) ++red;
        }
    EXPECT_GT(red, 2000);
    // The tallies of the build: every visible cell red.
    int64_t visible = 0;
    for (int k = 0; k < 13; ++k) visible += rig.storage->brickSurfaceCellsPerColour[k];
    EXPECT_GT(visible, 0);
    EXPECT_EQ(rig.storage->brickSurfaceCellsPerColour[4], visible);
}

// The brick ball is built once and kept while its settings and picture
// stay; a change of any of them builds it again.
TEST(GlobeRender, BrickBallIsKeptUntilItsBuildKeyChanges) {
    GlobeRig rig;
    rig.SetInput(64, 32, kPyrColour8, EarthLike);
    rig.params->outputMode = 45;
    rig.params->lego_layers = 6;
    ASSERT_EQ(rig.Render(64, 64, kPyrColour8), 0);
    auto* ball = static_cast<LegoStructure*>(rig.storage->brickBuffer);
    ASSERT_TRUE(ball && ball->cells);
    const int64_t key = ball->buildKey;
    // A mark no build leaves: it survives only while the ball is kept.
    auto poke = [&] { ball->cells[0].exposure = 77; };
    auto kept = [&] { return ball->cells && ball->cells[0].exposure == 77; };
    poke();
    ASSERT_EQ(rig.Render(64, 64, kPyrColour8), 0);
    EXPECT_TRUE(kept());
    EXPECT_EQ(ball->buildKey, key);
    const std::function<void()> changes[] = {
        [&] { rig.params->lego_layers = 7; },
        [&] { rig.params->lego_plates = 1; },
        [&] { rig.params->lego_diffuse_colors = 1; },
        [&] { rig.params->legoBrickMask = 0x81; },
        [&] { rig.params->latitude = 30.0f; },
        [&] { rig.params->brickHemisphere = 1; },
        [&] { rig.SetInput(48, 24, kPyrColour8, EarthLike); },
    };
    for (size_t i = 0; i < std::size(changes); ++i) {
        poke();
        changes[i]();
        ASSERT_EQ(rig.Render(64, 64, kPyrColour8), 0) << i;
        ball = static_cast<LegoStructure*>(rig.storage->brickBuffer);
        EXPECT_FALSE(kept()) << "change " << i << " kept the old ball";
    }
}

}  // namespace
