// The shading step against textbook optics: Fresnel's reflectance of
// unpolarised light on glass, Lambert's cosine law, the marble and sky
// tables at their ends, the dash profile, and the lit globes seen from in
// front on every pixel they draw.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "projections/sample_road.h"
#include "records/vort.h"
#include "render/marble_ramps.h"
#include "render/render_context.h"
#include "render/shading.h"
#include "render/tile_passes.h"
#include "render/render_job.h"
#include "shell/renderable.h"
#include "tests/generated_source.h"
#include "tests/render/render_fixture.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

// Unpolarised reflectance from air onto glass of index n at incidence cos i.
double TextbookFresnel(double cosI, double n) {
    const double sinT = std::sqrt(1 - cosI * cosI) / n, cosT = std::sqrt(1 - sinT * sinT);
    const double rs = (cosI - n * cosT) / (cosI + n * cosT), rp = (cosT - n * cosI) / (cosT + n * cosI);
    return 0.5 * (rs * rs + rp * rp);
}

TEST(Shading, FresnelIsTheUnpolarisedReflectanceOfGlass) {
    const float n[3] = {0, 0, 1};
    for (double angle = 0; angle < 89.5; angle += 7.5) {
        const double a = angle * kPi / 180;
        const float v[3] = {float(std::sin(a)), 0, float(-std::cos(a))};
        EXPECT_NEAR(GetFresnel(n, v), TextbookFresnel(std::cos(a), 1.58), 2e-5) << angle;
    }
    const float head[3] = {0, 0, -1}, behind[3] = {0, 0, 1};
    EXPECT_NEAR(GetFresnel(n, head), 0.0505, 5e-5);
    EXPECT_EQ(GetFresnel(n, behind), 0.3364f);
}

TEST(Shading, MarbleRampsAreTheFittedCurve) {
    ExpectGeneratedSourceIsCurrent("gen_marble_ramps", "render/generated/marble_ramps.cpp");
    EXPECT_FLOAT_EQ(kMarbleRamp[0], 0.982f);
    EXPECT_FLOAT_EQ(kMarbleRamp[40], 0.794f);
    EXPECT_FLOAT_EQ(kMarbleRamp[80], 0.307f);
    EXPECT_FLOAT_EQ(kMarbleRamp[120], 0.003f);
    for (int i = 140; i <= 200; ++i) EXPECT_EQ(kMarbleRamp[i], 0.0f) << i;
    for (int i = 1; i <= 200; ++i) EXPECT_LE(kMarbleRamp[i], kMarbleRamp[i - 1]) << i;
    // Facing the light: index 0; facing away: index 200; a rounding past
    // ±1 stays on the table.
    EXPECT_EQ(Marblize(marbleness_r, 1.0f), kMarbleRamp[0]);
    EXPECT_EQ(Marblize(marbleness_r, -1.0f), kMarbleRamp[200]);
    EXPECT_EQ(Marblize(marbleness_r, 1.0000002f), kMarbleRamp[0]);
    EXPECT_NEAR(Marblize(marbleness_r, 0.8f), kMarbleRamp[20], 1e-6);
    EXPECT_NEAR(Marblize(marbleness_r, 0.795f), 0.5 * (kMarbleRamp[20] + kMarbleRamp[21]), 1e-6);
}

TEST(Shading, SkyEnds) {
    float rgb[3];
    get_enviroramp(-1.0f, rgb);  // straight down: row 20 with itself
    for (int i = 0; i < 3; ++i) EXPECT_FLOAT_EQ(rgb[i], float(sky8bit[20][i]) / 255.0f);
    get_enviroramp(-7.0f, rgb);
    for (int i = 0; i < 3; ++i) EXPECT_FLOAT_EQ(rgb[i], float(sky8bit[20][i]) / 255.0f);
    get_enviroramp(1.0f, rgb);
    for (int i = 0; i < 3; ++i) EXPECT_FLOAT_EQ(rgb[i], float(sky8bit[0][i]) / 255.0f);
    get_enviroramp(0.05f, rgb);  // halfway between rows 9 and 10
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(rgb[i], 0.5 * (sky8bit[9][i] + sky8bit[10][i]) / 255.0, 1e-5);
}

TEST(Shading, DashProfile) {
    // One pixel up, four on, one down, six off, every twelve pixels.
    const float at[][2] = {{0, 0},   {0.5f, 0.5f}, {1, 1}, {3, 1},  {5, 1},  {5.5f, 0.5f},
                           {6, 0},   {9, 0},       {12, 0}, {13, 1}, {24.5f, 0.5f}};
    for (const auto& p : at) {
        EXPECT_NEAR(dashfunction(p[0], 0, 0), p[1], 1e-5) << p[0];
        // Along another angle the same profile runs along that direction.
        const float a = 0.7f;
        EXPECT_NEAR(dashfunction(p[0] * std::cos(a), -p[0] * std::sin(a), a), p[1], 1e-4) << p[0];
    }
}

TEST(Shading, RegionColours) {
    float c[4];
    GetFacedexColor(0, c);  // k = 1
    EXPECT_FLOAT_EQ(c[0], 20.0f / 255);
    EXPECT_FLOAT_EQ(c[1], 37.0f / 255);
    EXPECT_FLOAT_EQ(c[2], 49.0f / 255);
    GetFacedexColor(9, c);  // k = 10: 200, 370 mod 256, 490 mod 256
    EXPECT_FLOAT_EQ(c[0], 200.0f / 255);
    EXPECT_FLOAT_EQ(c[1], 114.0f / 255);
    EXPECT_FLOAT_EQ(c[2], 234.0f / 255);
    GetFacedexColor(12, c);  // 260 mod 256 = 4, low bits cleared
    EXPECT_FLOAT_EQ(c[0], 4.0f / 255);
    GetLightFacedexColor(0, c);
    const double r = 20.0 / 255;
    EXPECT_NEAR(c[0], 0.1 + 0.9 * (1 - (1 - r) * (1 - r)), 1e-6);
}

// The metaball shading's diffuse term is Lambert's: the light's cosine on
// the normal, with the Fresnel sky and a power of 0.4 after it.
TEST(Shading, MarbleShadingFollowsLambert) {
    const float L1[3] = {0.0f, 0.7071f, 0.7071f}, L2[3] = {-0.48f, -0.66f, -0.5779273f};
    for (double tilt : {0.0, 0.3, 0.9, 1.4}) {
        TransformationReply reply = MakeTemplateReply();
        reply.surfaceNormal[0] = 0, reply.surfaceNormal[1] = float(std::sin(tilt)), reply.surfaceNormal[2] = float(std::cos(tilt));
        reply.viewDirection[0] = 0, reply.viewDirection[1] = 0, reply.viewDirection[2] = -1;
        reply.diffuse = 0.8f;
        float colour[4] = {0.6f, 0.5f, 0.4f, 1.0f};
        MellifyGenericMarble(nullptr, colour, 0, 0, &reply, L1, L2, 0.0f);
        const double n[3] = {0, std::sin(tilt), std::cos(tilt)};
        const double d1 = std::fmax(0, n[1] * L1[1] + n[2] * L1[2]);
        const double d2 = std::fmax(0, n[0] * L2[0] + n[1] * L2[1] + n[2] * L2[2]);
        const double f = TextbookFresnel(n[2], 1.58);
        const double ry = -2 * (-n[2]) * n[1];  // the view reflected about n, its height
        const double t = (1 - ry) * 10, j = std::floor(t);
        const double base[3] = {0.6, 0.5, 0.4}, weight[3] = {0.16, 0.16, 0.32};
        for (int i = 0; i < 3; ++i) {
            const double sky = (sky8bit[int(j)][i] + (sky8bit[std::min(int(j), 19) + 1][i] - sky8bit[int(j)][i]) * (t - j)) / 255;
            const double lit = base[i] * base[i] * (0.24 + d1 * 0.8 + weight[i] * d2);
            const double want = std::pow(lit + f * (0.2 * sky - lit), 0.4);
            EXPECT_NEAR(colour[i], want, 1e-4) << tilt << " channel " << i;
        }
    }
}

// The globe steps on synthetic replies: a cleared region clears, the
// line-work setting 1 never mixes the line colour in.
TEST(Shading, ClearedRegionsAndNoLinework) {
    vort c{};
    c.outputMode = 139;
    c.gridSetting = 1;
    c.scale = 1;
    c.overlayColour[0] = c.overlayColour[1] = c.overlayColour[2] = 0.0f;
    TransformationReply r = MakeTemplateReply();
    r.place = -21;
    float colour[4] = {0.5f, 0.5f, 0.5f, 1.0f};
    ApplyMelFX(0, 0, colour, &c, &r);
    for (float v : colour) EXPECT_EQ(v, 0.0f);
    // A normal just past light 1 by rounding lights without a NaN.
    r.place = -7;
    r.surfaceNormal[0] = 0.54f * 1.0000001f, r.surfaceNormal[1] = 0.42f, r.surfaceNormal[2] = 0.7293833f;
    float lit[4] = {0.5f, 0.5f, 0.5f, 1.0f};
    ApplyMelFX(0, 0, lit, &c, &r);
    for (float v : lit) EXPECT_TRUE(std::isfinite(v));
    EXPECT_NE(lit[0], 0.5f);
    EXPECT_EQ(lighting_setup_for_output_mode(139), 1);
    EXPECT_EQ(lighting_setup_for_output_mode(344), 2);
    EXPECT_EQ(lighting_setup_for_output_mode(46), 0);
}

// The lit globes: every pixel of the surface faces the eye (c = −n·v > 0),
// on the Earth; each picture's mean luminance is pinned (the pictures were
// looked at: lit from the upper right, a highlight, the sky's rim).
TEST(Shading, LitGlobesFaceTheEye) {
    RenderRig rig;
    ASSERT_TRUE(rig.SetInputFromJPEG(VORNESK_SOURCE_DIR "/samples/earth-2048x1024.jpg"));
    rig.params->latitude = rig.params->longitude = rig.params->spin = 0.0f;
    const std::pair<long, double> kPinned[] = {{139, 0.389298}, {143, 0.487101}, {342, 0.293413}, {344, 0.193140},
                                               {348, 0.396090}, {350, 0.181359}, {361, 0.304750}, {363, 0.313164},
                                               {365, 0.522341}, {367, 0.553573}};
    for (const auto& [mode, pinned] : kPinned) {
        SCOPED_TRACE(testing::Message() << "mode " << mode);
        rig.params->outputMode = mode;
        ASSERT_TRUE(OutputModeIsRenderable(mode));
        const int W = 96, H = 96;
        ASSERT_EQ(rig.Render(W, H, kPyrColourFloat), 0);
        RenderJob job(*rig.params);
        ASSERT_TRUE(PrepareRenderContext(&job, rig.data.get()));
        vort c = *RenderContextTemplate(&job);
        FinishRenderContext(&job);
        PerTaskStuffType task{};
        c.task = &task;
        c.replyGrid = nullptr;
        RoadTaskState state{&task.hints[0], &task.hints[1], &task.lastTissotSpot};
        const float prop[2] = {0.5f / W, 0.5f / H};
        int surface = 0;
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                TransformationReply r;
                Float_Pixels_to_Reply(1, 0, 0, prop, &c, &r, state, float(x) - 0.5f, float(y) - 0.5f);
                if (r.place != -7) continue;
                const float* n = r.surfaceNormal;
                const float* v = r.viewDirection;
                const double cosine = -(n[0] * v[0] + n[1] * v[1] + n[2] * v[2]);
                EXPECT_GT(cosine, 0.0) << x << ", " << y;
                ++surface;
            }
        EXPECT_GT(surface, W * H / 10);
        double lum = 0;
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                float col[4];
                rig.Out(x, y, col);
                lum += col[3] * (col[0] + col[1] + col[2]);
            }
        EXPECT_NEAR(lum / (W * H), pinned, 0.01);
    }
}

}  // namespace
