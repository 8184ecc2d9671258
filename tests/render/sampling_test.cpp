// The anisotropic and cheap samplers, the Hilbert walk and the progressive
// pattern, the render-wide table and the brightness limit of the writer.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <random>
#include <set>
#include <vector>
#include <utility>

#include "projections/sample_road.h"
#include "pyramid/mipmap.h"
#include "records/vort.h"
#include "pyramid/overhang.h"
#include "pyramid/pixels.h"
#include "pyramid/sampling.h"
#include "render/aniso_sampling.h"
#include "render/hilbert.h"
#include "render/supersampler.h"
#include "render/host_pixels.h"
#include "render_fixture.h"
#include "engine/task_records.h"

namespace {

// A 128 x 64 float picture whose columns alternate black and white: any
// sample spread along x averages toward grey, one along y does not.
struct StripedRig {
    RenderRig rig;
    vort hints{};
    StripedRig() {
        EXPECT_TRUE(rig.SetInput(128, 64, kPyrColourFloat, [](int64_t x, int64_t, float* c) {
            c[0] = c[1] = c[2] = float(x % 2);
            c[3] = 1.0f;
        }));
        rig.input()->overhangMode = 3;
        hints.largestSampleCount = 20;
    }
    // Samples at the centre of pixel (20, 20) with a footprint given in
    // level-0 pixels.
    int Sample(float dudx, float dvdx, float dudy, float dvdy, float out[4], int code = 0) {
        float pd[4] = {dudx / 128.0f, dvdx / 64.0f, dudy / 128.0f, dvdy / 64.0f};
        return SampleAnisotropicallyColorCore_unitary(pd, code, rig.input(), out, &hints, 20.5f / 128.0f,
                                                      20.5f / 64.0f, 0.0f);
    }
};

TEST(AnisotropicSampler, SampleCountsFollowTheEllipse) {
    StripedRig s;
    float c[4];
    EXPECT_EQ(s.Sample(0, 0, 0, 0, c), 1);  // a point: one sample at level 0
    EXPECT_FLOAT_EQ(c[0], 0.0f);
    EXPECT_EQ(s.Sample(3, 0, 0, 1, c), 3);  // 3 wide, 1 high: three along x
    EXPECT_FLOAT_EQ(ResolvedLevelHint(&s.hints), 0.0f);
    EXPECT_EQ(s.Sample(40, 0, 0, 1, c), 20);  // never more than the largest count
    EXPECT_EQ(s.Sample(1.3f, 0, 0, 1, c), 2);
    EXPECT_EQ(s.Sample(1.2f, 0, 0, 1, c), 1);
}

// An ellipse at 45 degrees (Ka = Kc, where a direction from Kb / (Ka - Kc)
// divides by zero) still has its direction: its samples run along the
// diagonal. The picture is constant along that diagonal and curved across
// it, so only samples along it give the centre's value back.
TEST(AnisotropicSampler, DiagonalEllipsesSampleAlongTheirMajorAxis) {
    RenderRig rig;
    ASSERT_TRUE(rig.SetInput(64, 64, kPyrColourFloat, [](int64_t x, int64_t y, float* c) {
        const float t = float(x + y - 40) / 16.0f;
        c[0] = c[1] = c[2] = t * t;
        c[3] = 1.0f;
    }));
    rig.input()->overhangMode = 3;
    vort hints{};
    hints.largestSampleCount = 20;
    // Major axis 8 pixels along (1, -1), minor 1 pixel along (1, 1).
    const float r = 1.0f / std::sqrt(2.0f);
    float pd[4] = {8 * r / 64, -8 * r / 64, r / 64, r / 64}, c[4];
    const int n = SampleAnisotropicallyColorCore_unitary(pd, 0, rig.input(), c, &hints, 20.5f / 64, 20.5f / 64, 0.0f);
    EXPECT_EQ(n, 8);
    EXPECT_LT(c[0], 0.01f);
    // The same ellipse turned a quarter runs across the curve.
    float across[4] = {8 * r / 64, 8 * r / 64, r / 64, -r / 64};
    SampleAnisotropicallyColorCore_unitary(across, 0, rig.input(), c, &hints, 20.5f / 64, 20.5f / 64, 0.0f);
    EXPECT_GT(c[0], 0.05f);
}

TEST(AnisotropicSampler, MissingNeighboursBorrowTheOtherDifferences) {
    StripedRig s;
    float c[4];
    // Left neighbour missing: the upper differences (1 pixel along y) stand
    // for both, so the samples spread along y only, where the stripes do
    // not change.
    const float u = 20.5f / 128, v = 20.5f / 64;
    SampleAnisotropicallyColor_Centered_unitary(s.rig.input(), c, &s.hints, 0.0f, -1.0f, -1.0f, u, v - 1.0f / 64, u,
                                                v, u, v);
    EXPECT_FLOAT_EQ(c[0], 0.0f);
    // Upper missing: the left differences (1 pixel along x) stand for both.
    SampleAnisotropicallyColor_Centered_unitary(s.rig.input(), c, &s.hints, 0.0f, u - 1.0f / 128, v, -1.0f, -1.0f, u,
                                                v, u, v);
    EXPECT_GT(c[0], 0.2f);
}

// A footprint far larger than the picture asks for a level beyond the last:
// the sampler reads the last level, which exists.
TEST(AnisotropicSampler, HugeFootprintsReadTheLastLevel) {
    RenderRig rig;
    ASSERT_TRUE(rig.SetInput(64, 32, kPyrColourFloat, [](int64_t, int64_t, float* c) {
        c[0] = 0.25f, c[1] = 0.5f, c[2] = 0.75f, c[3] = 1.0f;
    }));
    rig.params->inputMode = 2;
    SetProcessableRect(VRect{0, 0, 32, 64});
    ASSERT_TRUE(PrerollManipulation(rig.data.get(), *rig.params));
    rig.input()->overhangMode = 6;  // positions wrapped, footprints kept as they are
    vort hints{};
    hints.largestSampleCount = 20;
    float pd[4] = {4.0f, 0.0f, 0.0f, 4.0f}, c[4];
    SampleAnisotropicallyColorCore_unitary(pd, 0, rig.input(), c, &hints, 0.5f, 0.5f, 0.0f);
    EXPECT_NEAR(c[0], 0.25f, 1e-3f);
    EXPECT_NEAR(c[1], 0.5f, 1e-3f);
    EXPECT_NEAR(c[2], 0.75f, 1e-3f);
    EXPECT_GT(hints.levelHint, float(rig.input()->topLevel));
}

// The major axis's direction is the exact one rounded once: half the angle
// of (Kb, Ka - Kc) worked out in double. The angle taken in float and handed
// to sinf and cosf (the slow road it replaces) is within a few units in the
// last place of it.
TEST(AnisotropicSampler, MajorAxisDirectionIsTheExactOne) {
    std::vector<std::array<float, 3>> cases = {{1, 0, 1},   {1, 0, 4},     {4, 0, 1},     {2, 1e-30f, 2}, {2, -1e-30f, 2},
                                               {1, 5, 1},   {1, -5, 1},    {3, 0.0f, 9},  {9, -0.0f, 3},  {1e-20f, 1e-20f, 0},
                                               {0, 1, 1e6f}, {1e6f, 1, 0}, {0.7f, -3e-8f, 0.7000001f}};
    std::mt19937 rng(17);
    std::uniform_real_distribution<float> exponent(-12.0f, 12.0f), sign(-1.0f, 1.0f);
    for (int i = 0; i < 200000; ++i)
        cases.push_back({std::exp2(exponent(rng)), sign(rng) * std::exp2(exponent(rng)), std::exp2(exponent(rng))});
    double worstSlow = 0.0;
    for (const auto& [Ka, Kb, Kc] : cases) {
        float s, c;
        MajorAxisDirection(Ka, Kb, Kc, &s, &c);
        const double theta = 0.5 * std::atan2(double(Kb), double(Ka - Kc));
        EXPECT_NEAR(s, std::sin(theta), 6e-8) << Ka << " " << Kb << " " << Kc;
        EXPECT_NEAR(c, std::cos(theta), 6e-8) << Ka << " " << Kb << " " << Kc;
        EXPECT_GE(c, 0.0f);
        const float slowTheta = 0.5f * std::atan2(Kb, Ka - Kc);
        worstSlow = std::max({worstSlow, std::fabs(double(s) - std::sin(slowTheta)),
                              std::fabs(double(c) - std::cos(slowTheta))});
    }
    EXPECT_LT(worstSlow, 3e-7);
}

// The sampler along a thin diagonal ellipse on the striped picture (the
// steepest there is) against the same samples placed by the slow road's
// direction: the colours agree far inside one 8-bit level.
TEST(AnisotropicSampler, SamplesAlongTheAxisMatchTheSlowRoad) {
    StripedRig r;
    const PyramidDescriptor* pyr = r.rig.input();
    std::mt19937 rng(23);
    std::uniform_real_distribution<float> along(2.0f, 30.0f), turn(0.0f, 6.2831853f), across(0.3f, 0.95f);
    int compared = 0;
    double worst = 0.0;
    for (int i = 0; i < 3000; ++i) {
        // An ellipse `a` long and `b` wide, turned by t, in level-0 pixels.
        const float a = along(rng), b = across(rng), t = turn(rng);
        const float px[4] = {a * std::cos(t), a * std::sin(t), -b * std::sin(t), b * std::cos(t)};
        float pd[4] = {px[0] / 128.0f, px[1] / 64.0f, px[2] / 128.0f, px[3] / 64.0f};
        const float u = 20.5f / 128.0f, v = 20.5f / 64.0f;
        float got[4];
        const int n = SampleAnisotropicallyColorCore_unitary(pd, 0, pyr, got, &r.hints, u, v, 0.0f);
        // The slow road's samples: the sampler's own ellipse, level 0.
        float q[4] = {px[0] / 128.0f, px[1] / 64.0f, px[2] / 128.0f, px[3] / 64.0f};
        if (OverhangizePDs(q, pyr)) continue;
        const float Ka = q[1] * q[1] + q[3] * q[3], Kb = -2.0f * (q[0] * q[1] + q[2] * q[3]),
                    Kc = q[0] * q[0] + q[2] * q[2];
        const float root = std::sqrt((Ka - Kc) * (Ka - Kc) + Kb * Kb);
        const float major = std::sqrt(std::max(0.5f * (Ka + Kc + root), 0.0f));
        const float minor = std::max(std::sqrt(std::max(0.5f * (Ka + Kc - root), 0.0f)), 0.5f);
        const float R = major / minor;
        if (minor > 1.0f || R < 1.5f) continue;
        ASSERT_EQ(n, std::clamp(int(R + 0.5f), 2, 20));
        const float theta = 0.5f * std::atan2(Kb, Ka - Kc);
        const float len = major / float(n - 1);
        const float stepU = -std::sin(theta) * len / 128.0f, stepV = std::cos(theta) * len / 64.0f;
        float want[4] = {0, 0, 0, 0};
        for (int k = 0; k < n; ++k) {
            float c[4];
            const float o = float(k) - float(n - 1) * 0.5f;
            get_sharpened_color(pyr, 0, c, 0.0f, u + o * stepU, v + o * stepV, 0.0f);
            for (int j = 0; j < 4; ++j) want[j] += c[j];
        }
        for (int j = 0; j < 4; ++j) worst = std::max(worst, std::fabs(double(got[j]) - double(want[j] / float(n))));
        ++compared;
    }
    EXPECT_GT(compared, 1000);
    EXPECT_LT(worst, 1e-5);
}

// With a step slack the sampler marks the footprints that a change of
// their u components within the slack could move to another step: another
// sample count, one sample instead of several, the level snap or another
// whole level. No footprint it leaves unmarked takes another step when its
// u components are moved within the slack (at a ratio of 1.25 one sample
// turns into a pair on one point, which is no step).
TEST(AnisotropicSampler, FootprintsClearOfAStepKeepTheirStepsWithinTheSlack) {
    StripedRig r;
    paint_mipmap_of_pyramid(r.rig.input());
    const PyramidDescriptor* pyr = r.rig.input();
    ASSERT_EQ(pyr->mipmapState, 2);
    const float top = float(pyr->topLevel);
    std::mt19937 rng(5);
    std::uniform_real_distribution<float> along(0.3f, 9.0f), across(0.2f, 4.5f), turn(0.0f, 6.2831853f),
        nudge(-1.0f, 1.0f);
    const float slack = 2e-4f;  // unit positions: 0.026 of a level-0 pixel across
    const float u = 20.5f / 128.0f, v = 20.5f / 64.0f;
    struct Steps {
        int n;
        bool snapped;
        int whole;
    };
    auto steps = [&](const float unit[4], float stepSlack) {
        float pd[4] = {unit[0], unit[1], unit[2], unit[3]}, c[4];
        r.hints.stepSlack = stepSlack;
        r.hints.nearAStep = 0;
        const int n = SampleAnisotropicallyColorCore_unitary(pd, 0, pyr, c, &r.hints, u, v, 0.0f);
        r.hints.stepSlack = 0.0f;
        const float level = ResolvedLevelHint(&r.hints);
        return Steps{n, level >= 1.0f / 64.0f, level >= 1.0f / 64.0f ? int(std::min(level, top)) : 0};
    };
    int clear = 0, near = 0;
    for (int i = 0; i < 20000; ++i) {
        const float a = along(rng), b = std::min(across(rng), a), t = turn(rng);
        const float unit[4] = {a * std::cos(t) / 128.0f, a * std::sin(t) / 64.0f, -b * std::sin(t) / 128.0f,
                               b * std::cos(t) / 64.0f};
        const Steps first = steps(unit, slack);
        if (r.hints.nearAStep) {
            ++near;
            continue;
        }
        ++clear;
        for (int k = 0; k < 6; ++k) {
            const float moved[4] = {unit[0] + slack * nudge(rng), unit[1], unit[2] + slack * nudge(rng), unit[3]};
            const Steps then = steps(moved, 0.0f);
            // At a ratio of 1.25 one sample becomes a pair on one point.
            const bool pairOnAPoint = std::min(then.n, first.n) == 1 && std::max(then.n, first.n) == 2 &&
                                      std::fabs(a / std::max(b, 0.5f) - 1.25f) < 0.15f;
            if (!pairOnAPoint) ASSERT_EQ(then.n, first.n) << a << " x " << b << " at " << t;
            ASSERT_EQ(then.snapped, first.snapped) << a << " x " << b << " at " << t;
            ASSERT_EQ(then.whole, first.whole) << a << " x " << b << " at " << t;
        }
    }
    EXPECT_GT(near, 200);
    EXPECT_GT(clear, 10000);
    // Without a slack nothing is marked.
    const float round[4] = {2.0f / 128.0f, 0.0f, 0.0f, 0.8f / 64.0f};  // a ratio of 2.5, on the step
    steps(round, 0.0f);
    EXPECT_EQ(r.hints.nearAStep, 0);
    steps(round, slack);
    EXPECT_EQ(r.hints.nearAStep, 1);
}

// The unturned Mollweide map onto an equirectangular input takes its input
// columns from the longitude itself, and samples a footprint near one of the
// sampler's steps again from the exact road: its pictures stay within one
// level of the exact road's (the same context with the twirl marked as
// turning), on the Earth and on a picture whose every pixel differs from
// its neighbours, at sizes where the shortcut alone tips steps.
TEST(MollweideShortcut, StaysWithinOneLevelOfTheExactRoad) {
    struct Case {
        bool earth;
        int64_t inW, inH, outW, outH;
    };
    const Case cases[] = {{false, 300, 150, 401, 200}, {false, 1200, 600, 1200, 600}, {true, 0, 0, 1001, 500}};
    for (const Case& k : cases) {
        SCOPED_TRACE(testing::Message() << (k.earth ? "Earth" : "busy") << " to " << k.outW << " x " << k.outH);
        std::vector<uint8_t> pictures[2];
        for (int exact = 0; exact < 2; ++exact) {
            RenderRig rig;
            if (k.earth) ASSERT_TRUE(rig.SetInputFromJPEG(VORNESK_SOURCE_DIR "/samples/earth-2048x1024.jpg"));
            else ASSERT_TRUE(rig.SetInput(k.inW, k.inH, kPyrColour8, BusyPixel));
            rig.params->inputMode = 1;
            rig.params->outputMode = 46;
            bool shortcut = false;
            rig.beforeTiles = [&](vort* c) {
                if (exact) c->tumble.turnsNothing = 0;
                shortcut = RoadTakesLongitudeShortcut(c);
            };
            ASSERT_EQ(rig.Render(k.outW, k.outH, kPyrColour8), 0);
            EXPECT_EQ(shortcut, exact == 0);
            for (int64_t y = 0; y < k.outH; ++y)
                for (int64_t x = 0; x < k.outW; ++x) {
                    float c[4];
                    rig.Out(x, y, c);
                    for (float f : c) pictures[exact].push_back(uint8_t(std::lround(f * 255.0f)));
                }
        }
        int64_t differ = 0, worst = 0;
        for (size_t i = 0; i < pictures[0].size(); ++i) {
            const int d = std::abs(int(pictures[0][i]) - int(pictures[1][i]));
            differ += d != 0;
            worst = std::max<int64_t>(worst, d);
        }
        EXPECT_LE(worst, 1);
        EXPECT_LT(differ, int64_t(pictures[0].size() / 200));
    }
}

// The sampler reads the taps of an 8-bit colour picture at level 0 straight
// from its tiles, several taps side by side; any other picture, and every tap
// whose pixels leave the picture or a tile, goes through the general
// sampler. The same picture held in floats takes the general road
// everywhere: both give the same colours to the bit, for footprints of one
// to many taps at any angle, around the tiles' seams (512), the last column
// and row, the picture's edges and beyond them under each overhang rule.
TEST(AnisotropicSampler, EightBitTapsMatchTheGeneralSamplerBitForBit) {
    constexpr int64_t W = 1100, H = 600;
    std::mt19937 rng(31);
    std::uniform_int_distribution<int> byte(0, 255);
    std::vector<uint32_t> words(W * H);
    for (uint32_t& w : words) w = uint32_t(byte(rng)) << 24 | uint32_t(byte(rng)) << 16 | uint32_t(byte(rng)) << 8 | uint32_t(byte(rng));
    RenderRig eight, floats;
    ASSERT_TRUE(eight.SetInput(W, H, kPyrColour8, [](int64_t, int64_t, float* c) { c[0] = c[1] = c[2] = c[3] = 0.0f; }));
    for (int64_t y = 0; y < H; ++y)
        for (int64_t x = 0; x < W; ++x) set_pyramid_sample_point4_raw(x, y, eight.input(), 0, words[y * W + x]);
    ASSERT_TRUE(floats.SetInput(W, H, kPyrColourFloat, [&](int64_t x, int64_t y, float* c) {
        get_intcoord_unitary_color(x, y, eight.input(), 0, c);
    }));
    vort hints{};
    hints.largestSampleCount = 20;
    // Positions: at random in and around the picture, and by the seams and
    // edges in pixels.
    std::uniform_real_distribution<float> anywhere(-0.03f, 1.03f), near(-3.0f, 3.0f), along(0.5f, 14.0f),
        across(0.2f, 1.0f), turn(0.0f, 6.2831853f);
    const float seamsX[] = {0.0f, 511.5f, 512.0f, 1023.5f, 1024.0f, float(W) - 1.0f, float(W)};
    const float seamsY[] = {0.0f, 511.5f, 512.0f, float(H) - 1.0f, float(H)};
    int multi = 0;
    for (int64_t overhang : {kOverhangClear, kOverhangClamp, kOverhangWrapSides, kOverhangWrapBoth, kOverhangOverThePole}) {
        eight.input()->overhangMode = floats.input()->overhangMode = overhang;
        for (int trial = 0; trial < 6000; ++trial) {
            float u = anywhere(rng), v = anywhere(rng);
            if (trial % 3 == 1) u = (seamsX[trial % 7] + near(rng)) / float(W);
            if (trial % 3 == 2) v = (seamsY[trial % 5] + near(rng)) / float(H);
            const float a = along(rng), b = across(rng), t = turn(rng);
            const float pd[4] = {a * std::cos(t) / W, a * std::sin(t) / H, -b * std::sin(t) / W, b * std::cos(t) / H};
            float p8[4], pf[4], c8[4], cf[4];
            std::memcpy(p8, pd, sizeof pd);
            std::memcpy(pf, pd, sizeof pd);
            const int n8 = SampleAnisotropicallyColorCore_unitary(p8, 0, eight.input(), c8, &hints, u, v, 0.0f);
            const int nf = SampleAnisotropicallyColorCore_unitary(pf, 0, floats.input(), cf, &hints, u, v, 0.0f);
            ASSERT_EQ(n8, nf);
            ASSERT_EQ(std::memcmp(c8, cf, sizeof c8), 0)
                << "overhang " << overhang << " at " << u * W << "," << v * H << " " << a << "x" << b << " turned " << t
                << ": " << c8[0] << " " << c8[1] << " " << c8[2] << " " << c8[3] << " against " << cf[0] << " " << cf[1]
                << " " << cf[2] << " " << cf[3];
            multi += n8 > 1;
        }
    }
    EXPECT_GT(multi, 15000);
}

TEST(Hilbert, WalkVisitsEveryCellOnceInNeighbourSteps) {
    std::set<std::pair<int64_t, int64_t>> seen;
    int64_t px = 0, py = 0;
    for (int64_t d = 0; d < 1024; ++d) {
        int64_t x, y;
        d2xy(32, d, &x, &y);
        if (d > 0) {
            EXPECT_EQ(std::abs(x - px) + std::abs(y - py), 1);
        }
        seen.insert({x, y});
        px = x, py = y;
    }
    EXPECT_EQ(seen.size(), 1024u);
}

TEST(RenderDrivers, TriangleWaveTable) {
    float t[256];
    MakeTriangleWave(t);
    EXPECT_EQ(t[0], 0.0f);
    EXPECT_NEAR(t[128], 128.0f / 127.0f, 1e-5f);
    EXPECT_EQ(t[255], 1e8f);
    for (float v : t) EXPECT_TRUE(std::isfinite(v));
}

// Over-bright channels spill their excess into the others on the way to an
// integer destination (each channel then capped at 1); a float destination
// takes them as they are.
TEST(HostPixels, BrightnessSpillsIntoTheOtherChannels) {
    RenderRig rig;
    ASSERT_EQ(TryToAllocatePyramid_2006(rig.output.get(), 4, 4, kPyrColourFloat, 0, 0), 1);
    gTaskEngine.renderDestination = kRenderToOffscreen;
    gTaskEngine.offscreenPyramid = rig.output.get();
    TileTracker tracker{};
    tracker.current_tile_rect = VRect{0, 0, 4, 4};
    auto written = [&](const float* in) {
        float c[4] = {in[0], in[1], in[2], 1.0f}, out[4];
        SetNovelOutputPixel(1, 2, c, 1, &tracker, nullptr, 1);
        get_intcoord_unitary_color(1, 2, rig.output.get(), 0, out);
        return std::array<float, 3>{out[0], out[1], out[2]};
    };
    struct Case {
        float in[3], out[3];
    } cases[] = {
        {{2.0f, 0.5f, 0.5f}, {1.0f, 0.6171875f, 0.6171875f}},
        {{2.0f, 2.0f, 0.5f}, {1.0f, 1.0f, 0.96875f}},
        {{2.0f, 2.0f, 2.0f}, {1.0f, 1.0f, 1.0f}},
        {{0.5f, 0.5f, 0.5f}, {0.5f, 0.5f, 0.5f}},
    };
    for (const Case& k : cases) {
        const std::array<float, 3> c = written(k.in);
        for (int i = 0; i < 3; ++i) EXPECT_FLOAT_EQ(c[i], k.out[i]) << i;
    }
    tracker.pxl.Is32_destination__ = 1;
    const float over[3] = {2.0f, 0.5f, 0.5f};
    const std::array<float, 3> c = written(over);
    EXPECT_FLOAT_EQ(c[0], 2.0f);
    EXPECT_FLOAT_EQ(c[1], 0.5f);
}

TEST(HostPixels, PixelsToCornersIsTheFarCorner) {
    RenderRig rig;
    ASSERT_TRUE(rig.SetInput(200, 100, kPyrColour8, BusyPixel));
    float u, v, cx, cy;
    PixelsToCorners(rig.input(), &u, &v, &cx, &cy, 9.0f, 4.0f, 1, 0, 0);
    EXPECT_FLOAT_EQ(u, 10.0f / 200.0f);
    EXPECT_FLOAT_EQ(v, 5.0f / 100.0f);
    EXPECT_FLOAT_EQ(cx, (u - 0.5f) * 2.0f);
    EXPECT_FLOAT_EQ(cy, v - 0.5f);
}

}  // namespace

namespace {

// Corner keys top left, top right, bottom left, bottom right: the first
// matching configuration wins.
TEST(Supersampler, RegionConfigurations) {
    struct Case {
        RegionKey k[4];
        int64_t configuration;
    } cases[] = {
        {{1, 1, 1, 1}, 0}, {{1, 1, 2, 2}, 1}, {{1, 2, 1, 2}, 2}, {{1, 2, 2, 2}, 3},
        {{2, 1, 2, 2}, 4}, {{2, 2, 1, 2}, 5}, {{2, 2, 2, 1}, 6}, {{1, 2, 3, 1}, 7},
        {{1, 2, 2, 1}, 7},
    };
    for (const Case& c : cases) EXPECT_EQ(RegionConfiguration(c.k), c.configuration);
}

// Region keys tell apart what a weighted sum in single precision would not:
// large region numbers one apart, and second regions that trade against
// regions.
TEST(Supersampler, RegionKeysAreExact) {
    TransformationReply a{}, b{};
    a.place = 16777217;
    b.place = 16777216;
    EXPECT_NE(RegionHash(a), RegionHash(b));
    a.place = 1181, a.inputKind = 0;
    b.place = 0, b.inputKind = 311;
    EXPECT_NE(RegionHash(a), RegionHash(b));  // 1181 x 311 either way in the sum
    b = a;
    b.outsideInput = 1;
    EXPECT_NE(RegionHash(a), RegionHash(b));
}

}  // namespace
