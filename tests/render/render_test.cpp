// Whole renders without a host: map borders anti-aliased by the supersampler,
// the preview agreeing with the offscreen render, the twirl, the per-render
// preparation and the pixel writer's handling of bad colours.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "render/host_pixels.h"
#include "render_fixture.h"
#include "host_access/host_rects.h"
#include "engine/task_records.h"

namespace {

void White(int64_t, int64_t, float* c) { c[0] = c[1] = c[2] = c[3] = 1.0f; }

// The share of output pixel (x, y) inside the circle of radius r around
// (cx, cy), by 64 x 64 point counting.
double CircleCoverage(int64_t x, int64_t y, double cx, double cy, double r) {
    int inside = 0;
    for (int j = 0; j < 64; ++j)
        for (int i = 0; i < 64; ++i) {
            const double px = double(x) + (i + 0.5) / 64.0 - cx, py = double(y) + (j + 0.5) / 64.0 - cy;
            inside += px * px + py * py <= r * r;
        }
    return inside / 4096.0;
}

// The orthographic globe (mode 5) of a white picture is a disc of radius 32
// pixels in a 128 x 64 frame; the backdrop of an offscreen render is
// transparent, so each pixel's alpha is the share of it the disc covers.
TEST(EngineSupersampling, MapBordersAreAntiAliasedByArea) {
    RenderRig rig;
    ASSERT_TRUE(rig.SetInput(128, 64, kPyrColourFloat, White));
    rig.params->inputMode = 1;
    rig.params->outputMode = 5;
    ASSERT_EQ(rig.Render(128, 64, kPyrColourFloat), 0);
    double total = 0.0, expectedTotal = 0.0, worst = 0.0;
    int partial = 0;
    for (int64_t y = 0; y < 64; ++y)
        for (int64_t x = 0; x < 128; ++x) {
            float c[4];
            rig.Out(x, y, c);
            const double coverage = CircleCoverage(x, y, 64.0, 32.0, 32.0);
            // Alpha leaves the render scaled by 1.007 (an alpha just short of
            // 1 counts as opaque).
            const double expected = std::min(1.0, 1.007 * coverage);
            worst = std::max(worst, std::fabs(double(c[3]) - expected));
            total += c[3];
            expectedTotal += expected;
            if (coverage > 0.05 && coverage < 0.95) {
                ++partial;
                EXPECT_GT(c[3], 0.0f) << x << "," << y;
                EXPECT_LT(c[3], 1.0f) << x << "," << y;
            }
            if (c[3] > 0.0f) {
                EXPECT_NEAR(c[0], 1.0f, 1e-3f);
            }
        }
    EXPECT_GT(partial, 100);
    EXPECT_LT(worst, 0.12);
    EXPECT_NEAR(total, expectedTotal, expectedTotal * 0.005);
}

// Mode 1 in a frame 64 x 65 keeps the map's proportions: it fills the 32
// rows from 16.5 to 48.5, so rows 16 and 48 are cut across their middles by
// a straight border. The two-sample road finds it by bisection and covers
// each by half, to within 1/256.
TEST(EngineSupersampling, StraightBordersSplitThePixel) {
    RenderRig rig;
    ASSERT_TRUE(rig.SetInput(64, 32, kPyrColourFloat, White));
    rig.params->inputMode = 1;
    rig.params->outputMode = 1;
    ASSERT_EQ(rig.Render(64, 65, kPyrColourFloat), 0);
    for (int64_t x = 0; x < 64; ++x) {
        float c[4];
        for (int64_t y : {16, 48}) {
            rig.Out(x, y, c);
            EXPECT_NEAR(c[3] / 1.007f, 0.5f, 1.0f / 256.0f) << x << "," << y;
            EXPECT_NEAR(c[0], 1.0f, 1e-4f);
        }
        for (int64_t y : {15, 49}) {
            rig.Out(x, y, c);
            EXPECT_EQ(c[3], 0.0f);
        }
        for (int64_t y : {17, 47}) {
            rig.Out(x, y, c);
            EXPECT_EQ(c[3], 1.0f);
        }
    }
}

// A render with a twirl of 90 degrees of longitude turns the equirectangular
// picture a quarter round: the identity shifted by a quarter of the width.
TEST(EngineTwirl, LongitudeShiftsTheEquirectangularPicture) {
    RenderRig rig;
    ASSERT_TRUE(rig.SetInput(64, 32, kPyrColourFloat, BusyPixel));
    rig.params->inputMode = 1;
    rig.params->outputMode = 1;
    rig.params->longitude = 90.0f;
    ASSERT_EQ(rig.Render(64, 32, kPyrColourFloat), 0);
    int matchesPlus = 0, matchesMinus = 0;
    for (int64_t y = 4; y < 28; ++y)
        for (int64_t x = 0; x < 64; ++x) {
            float out[4], a[4], b[4];
            rig.Out(x, y, out);
            rig.In((x + 16) % 64, y, a);
            rig.In((x + 48) % 64, y, b);
            matchesPlus += std::fabs(out[0] - a[0]) < 1e-3f;
            matchesMinus += std::fabs(out[0] - b[0]) < 1e-3f;
        }
    EXPECT_EQ(std::max(matchesPlus, matchesMinus), 24 * 64);
}

// A render whose orientation the program chooses is the whole sphere over
// the frame turned a quarter about its axis, whatever the settings say.
TEST(EngineTwirl, ProgrammaticOrientation) {
    RenderRig rig;
    ASSERT_TRUE(rig.SetInput(64, 32, kPyrColourFloat, BusyPixel));
    rig.params->inputMode = 1;
    rig.params->outputMode = 81;
    rig.params->spin = 90.0f;
    ASSERT_EQ(rig.Render(64, 32, kPyrColourFloat), 0);
    const std::vector<float> expected = rig.OutputColours();
    rig.params->outputMode = 5;
    rig.params->spin = 10.0f;
    rig.params->latitude = 45.0f;
    rig.params->orientationByProgram = 1;
    ASSERT_EQ(rig.Render(64, 32, kPyrColourFloat), 0);
    for (int64_t y = 0; y < 32; ++y)
        for (int64_t x = 0; x < 64; ++x) {
            float c[4];
            rig.Out(x, y, c);
            EXPECT_NEAR(c[0], expected[size_t(y * 64 + x) * 4], 1e-5f) << x << "," << y;
        }
}

// The Spilhaus map centres the world ocean: its middle shows the point at
// 49.56 degrees south, 66.95 degrees east (give or take the map's small
// offset), read from a picture whose colours are its own coordinates.
TEST(EngineWorldMaps, SpilhausShowsTheOceanAspect) {
    RenderRig rig;
    ASSERT_TRUE(rig.SetInput(256, 128, kPyrColourFloat, [](int64_t x, int64_t y, float* c) {
        c[0] = (float(x) + 0.5f) / 256.0f;
        c[1] = (float(y) + 0.5f) / 128.0f;
        c[2] = 0.0f;
        c[3] = 1.0f;
    }));
    rig.params->inputMode = 1;
    rig.params->outputMode = 410;
    ASSERT_EQ(rig.Render(64, 64, kPyrColourFloat), 0);
    float centre[4], corner[4];
    rig.Out(32, 32, centre);
    rig.Out(8, 8, corner);
    EXPECT_NEAR(centre[0], 0.5 + 66.94970198 / 360.0, 0.03);
    EXPECT_NEAR(centre[1], 0.5 + 49.56371678 / 180.0, 0.03);
    EXPECT_GT(std::fabs(corner[0] - centre[0]) + std::fabs(corner[1] - centre[1]), 0.05);
}

// The preview at scale 1 with no offsets shows the pixels the offscreen
// render makes, for an orthographic view with every angle of the twirl set.
TEST(EnginePreview, PreviewAtFullScaleMatchesTheOffscreenRender) {
    RenderRig rig;
    ASSERT_TRUE(rig.SetInput(96, 48, kPyrColour8, BusyPixel));
    rig.params->inputMode = 1;
    rig.params->outputMode = 1;
    rig.params->latitude = 30.0f;
    rig.params->longitude = 40.0f;
    rig.params->spin = 10.0f;
    ASSERT_EQ(rig.Render(96, 48, kPyrColour8), 0);
    const std::vector<float> offscreen = rig.OutputColours();
    std::vector<uint8_t> pixels(96 * 48 * 3);
    proxyBufferRecord proxy{pixels.data(), 96, 48, 96 * 48, 96 * 48 * 3, 3};
    ASSERT_EQ(rig.RenderTo(kRenderToPreview, 96, 48, kPyrColour8, &proxy), 0);
    int64_t differences = 0;
    for (int64_t y = 0; y < 48; ++y)
        for (int64_t x = 0; x < 96; ++x) {
            const float* c = &offscreen[size_t(y * 96 + x) * 4];
            for (int p = 0; p < 3; ++p) {
                const int preview = pixels[size_t(p) * 96 * 48 + size_t(y) * 96 + size_t(x)];
                differences += std::abs(preview - int(c[p] * 255.0f + 0.5f)) > 1;
            }
        }
    EXPECT_EQ(differences, 0);
}

// A preview at scale 2 shows the picture a half-size render makes: each
// preview pixel covers a 2 x 2 block of the full-size frame.
TEST(EnginePreview, PreviewAtHalfScaleMatchesAHalfSizeRender) {
    RenderRig rig;
    ASSERT_TRUE(rig.SetInput(96, 48, kPyrColour8, BusyPixel));
    rig.params->inputMode = 1;
    rig.params->outputMode = 5;
    rig.params->transparent_gaps = 0;
    rig.params->latitude = 20.0f;
    ASSERT_EQ(rig.Render(48, 24, kPyrColour8), 0);
    const std::vector<float> offscreen = rig.OutputColours();
    std::vector<uint8_t> pixels(48 * 24 * 3);
    proxyBufferRecord proxy{pixels.data(), 48, 24, 48 * 24, 48 * 24 * 3, 3};
    rig.params->proxyScale = 2;
    ASSERT_EQ(rig.RenderTo(kRenderToPreview, 48, 24, kPyrColour8, &proxy), 0);
    int64_t differences = 0;
    for (int64_t y = 0; y < 24; ++y)
        for (int64_t x = 0; x < 48; ++x) {
            const float* c = &offscreen[size_t(y * 48 + x) * 4];
            for (int p = 0; p < 3; ++p) {
                const int preview = pixels[size_t(p) * 48 * 24 + size_t(y) * 48 + size_t(x)];
                differences += std::abs(preview - int(c[p] * 255.0f + 0.5f)) > 1;
            }
        }
    EXPECT_EQ(differences, 0);
}

TEST(EngineInputPreparation, RowBufferAndEdgeModesFollowTheRender) {
    RenderRig rig;
    ASSERT_TRUE(rig.SetInput(100, 50, kPyrColour8, BusyPixel));
    SetProcessableRect(VRect{0, 0, 50, 100});
    rig.params->inputMode = 1;
    ASSERT_TRUE(PrerollManipulation(rig.data.get(), *rig.params));
    EXPECT_EQ(rig.data->rowCellCount, 104);
    EXPECT_EQ(rig.data->rowIndex, -1);
    EXPECT_EQ(rig.input()->edgeMode, 2);
    EXPECT_EQ(rig.input()->overhangMode, 7);
    EXPECT_EQ(rig.input()->mipmapState, 2);

    // A flat input clamps its edges, and the levels are made again for it.
    rig.params->inputMode = 2;
    rig.input()->mipmapState = 1;
    ASSERT_TRUE(PrerollManipulation(rig.data.get(), *rig.params));
    EXPECT_EQ(rig.input()->edgeMode, 0);
    EXPECT_EQ(rig.input()->overhangMode, 3);
    EXPECT_EQ(rig.input()->mipmapState, 2);

    // A narrower render keeps the larger block.
    MirelYummy* block = rig.data->rowBuffer;
    SetProcessableRect(VRect{0, 0, 50, 40});
    ASSERT_TRUE(PrerollManipulation(rig.data.get(), *rig.params));
    EXPECT_EQ(rig.data->rowBuffer, block);
}

// A cube layout's render reads its faces, not the whole picture's levels;
// a result of its own, which may lie over the picture at another size, has
// them made.
TEST(EngineInputPreparation, CubeLayoutLevelsAreMadeForAResultOfItsOwn) {
    RenderRig rig;
    ASSERT_TRUE(rig.SetInput(120, 20, kPyrColour8, BusyPixel));
    SetProcessableRect(VRect{0, 0, 20, 120});
    rig.params->inputMode = 33;
    rig.params->renderDestination = kRenderToHost;
    ASSERT_TRUE(PrerollManipulation(rig.data.get(), *rig.params));
    EXPECT_EQ(rig.input()->mipmapState, 1);
    rig.params->renderDestination = kRenderToOffscreen;
    ASSERT_TRUE(PrerollManipulation(rig.data.get(), *rig.params));
    EXPECT_EQ(rig.input()->mipmapState, 2);
}

// A colour that is not a number reaches the host's 8-bit buffer as 0, not as
// whatever the conversion of NaN gives.
TEST(HostPixels, NaNColoursAreWrittenAsZero) {
    RenderRig rig;
    gTaskEngine.renderDestination = kRenderToHost;
    uint8_t out[4 * 3] = {};
    std::fill(std::begin(out), std::end(out), uint8_t(77));
    TileTracker tracker{};
    tracker.current_tile_rect = VRect{0, 0, 1, 4};
    pixel_info& px = tracker.pxl;
    px.GetOutData = out;
    px.GetPlanes = 3;
    px.Get_dstStride = 3;
    px.GetOutRowBytes = 12;
    px.Is8_call = 1;
    px.WHITEPOINT = 255.0f;
    px.OPAQUEALPHA = 255;
    px.GetOutRect = VRect{0, 0, 1, 4};
    const float nan = std::numeric_limits<float>::quiet_NaN();
    float colour[4] = {nan, 0.5f, nan, 1.0f};
    SetNovelOutputPixel(1, 0, colour, 1, &tracker, nullptr, 1);
    EXPECT_EQ(out[3], 0);
    EXPECT_EQ(out[4], 127);
    EXPECT_EQ(out[5], 0);
    EXPECT_EQ(out[0], 77);  // neighbours untouched
    EXPECT_EQ(out[6], 77);
}

// A whole tile written at once is what its pixels written one by one give,
// for 8 and 16-bit hosts with and without transparency, a mask and blending.
TEST(HostPixels, TileOfPixelsEqualsPixelByPixel) {
    struct Case {
        bool sixteen, dissolve, mask;
        int32_t glue;
    };
    const Case cases[] = {{false, false, false, 1}, {false, true, false, 1}, {true, false, false, 1},
                          {false, false, true, 1},  {false, true, true, 3},  {true, true, false, 2}};
    constexpr int64_t kW = 7, kH = 5, kPlanes = 4;
    std::mt19937 rng(3);
    std::uniform_real_distribution<float> d(-0.2f, 1.3f);
    std::vector<float> colours(kW * kH * 4);
    for (float& c : colours) c = d(rng);
    colours[5] = std::numeric_limits<float>::quiet_NaN();
    colours[11] = 0.0f;  // a transparent pixel
    for (const Case& k : cases) {
        RenderRig rig;
        gTaskEngine.renderDestination = kRenderToHost;
        const int32_t bytes = k.sixteen ? 2 : 1;
        std::vector<uint8_t> in(kW * kH * kPlanes * bytes), mask(kW * kH);
        for (uint8_t& b : in) b = uint8_t(rng());
        for (uint8_t& m : mask) m = uint8_t(rng());
        std::vector<uint8_t> one(in.size(), 0), all(in.size(), 0);
        TileTracker tracker{};
        tracker.current_tile_rect = VRect{0, 0, int32_t(kH), int32_t(kW)};
        pixel_info& px = tracker.pxl;
        px.GetInData = in.data();
        px.GetInLoPlane = 0;
        px.GetInHiPlane = kPlanes - 1;
        px.GetInRowBytes = int32_t(kW * kPlanes * bytes);
        px.GetPlanes = 3;
        px.Get_inLayerPlanes = 3;
        px.Get_dstStride = kPlanes;
        px.GetOutRowBytes = int32_t(kW * kPlanes * bytes);
        px.Is8_call = !k.sixteen;
        px.Is16_call = k.sixteen;
        px.GetDissolveTransparency = k.dissolve;
        px.WHITEPOINT = k.sixteen ? 32768.0f : 255.0f;
        px.reciprocal_WHITEPOINT = 1.0f / px.WHITEPOINT;
        px.OPAQUEALPHA = k.sixteen ? 32768 : 255;
        px.reciprocal_OPAQUEALPHA = 1.0f / float(px.OPAQUEALPHA);
        px.GetOutRect = tracker.current_tile_rect;
        px.GetHaveMask = k.mask;
        px.GetMaskData = k.mask ? mask.data() : nullptr;
        px.GetMaskRowBytes = int32_t(kW);
        px.GetOutData = one.data();
        for (int64_t y = 0; y < kH; ++y)
            for (int64_t x = 0; x < kW; ++x) {
                float c[4];
                std::copy_n(&colours[4 * (y * kW + x)], 4, c);
                SetNovelOutputPixel(x, y, c, 1, &tracker, nullptr, k.glue);
            }
        px.GetOutData = all.data();
        SetNovelOutputTile(&tracker, nullptr, colours.data(), k.glue);
        EXPECT_EQ(one, all) << k.sixteen << k.dissolve << k.mask << k.glue;
        EXPECT_NE(one, std::vector<uint8_t>(in.size(), 0));
    }
}

}  // namespace
