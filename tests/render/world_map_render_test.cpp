// The bundled Earth through the renderer in the world-map and Peirce modes,
// pinned by a few statistics of small renders at three output shapes
// (wide, square and tall, so that the plane beyond each map's box shows): the
// covered fraction, the mean colour of the covered part and the centre of
// its brightness. A wrong frame, a mirrored or shifted map, a lost lobe or
// a table built with the wrong scale moves at least one of them.
//
// The pinned values were taken from renders checked by eye on a contact
// sheet of all these modes. Set VORNESK_PRINT_PINS=1 to print the table
// anew after an intended change.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "projections/forward_maps.h"
#include "projections/gores.h"
#include "projections/square_world_maps.h"
#include "records/vort.h"
#include "render/render_context.h"
#include "tests/render/render_fixture.h"

namespace {

constexpr const char* kEarth = VORNESK_SOURCE_DIR "/samples/earth-2048x1024.jpg";

struct RenderStats {
    double covered;        // mean alpha
    double r, g, b;        // mean colour over the covered part
    double cx, cy;         // brightness centroid, unit coordinates
};

RenderStats StatsOf(RenderRig& rig) {
    const int64_t w = rig.output->width[0], h = rig.output->height[0];
    RenderStats s{};
    double weight = 0.0, lum = 0.0;
    for (int64_t y = 0; y < h; ++y)
        for (int64_t x = 0; x < w; ++x) {
            float c[4];
            rig.Out(x, y, c);
            const double a = c[3];
            s.covered += a;
            s.r += a * c[0];
            s.g += a * c[1];
            s.b += a * c[2];
            const double l = a * (c[0] + c[1] + c[2]);
            lum += l;
            s.cx += l * (double(x) + 0.5) / double(w);
            s.cy += l * (double(y) + 0.5) / double(h);
        }
    weight = s.covered;
    if (weight > 0.0) {
        s.r /= weight;
        s.g /= weight;
        s.b /= weight;
    }
    if (lum > 0.0) {
        s.cx /= lum;
        s.cy /= lum;
    }
    s.covered /= double(w * h);
    return s;
}

struct Pin {
    int mode;
    int width, height;
    RenderStats stats;
};

// Families: classical and modern world maps, Newton inverses, power maps,
// square and Peirce-cache maps, gores and folding spheres, ellipsoids,
// interrupted and composite maps, Peirce quincuncial and pentagon maps.
constexpr int kModes[] = {11, 12, 13, 35, 46, 65, 66, 67, 68, 80, 83, 87, 90, 91, 92, 93, 94, 95, 96, 99,
                          118, 119, 121, 128, 288, 300, 301, 340, 341, 342, 343, 344, 345, 346, 347, 348, 349, 350,
                          354, 355, 356, 357, 358, 359, 360, 361, 362, 363, 364, 365, 366, 367, 369, 397, 398, 399,
                          400, 401, 410, 415, 416, 417, 546, 547, 1042};
constexpr int kShapes[][2] = {{64, 32}, {40, 40}, {24, 40}};

#include "tests/render/world_map_pins.inc"

// Absolute tolerances: a pixel or two of coverage, a few levels of colour.
constexpr double kCoveredTolerance = 0.02, kColourTolerance = 0.02, kCentroidTolerance = 0.02;

class WorldMapRenders : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        rig_ = new RenderRig;
        loaded_ = rig_->SetInputFromJPEG(kEarth);
    }
    static void TearDownTestSuite() {
        delete rig_;
        rig_ = nullptr;
    }
    bool RenderMode(int mode, int w, int h) {
        rig_->params->inputMode = 1;
        rig_->params->outputMode = mode;
        return rig_->Render(w, h, kPyrColourFloat) == 0;
    }
    static RenderRig* rig_;
    static bool loaded_;
};
RenderRig* WorldMapRenders::rig_ = nullptr;
bool WorldMapRenders::loaded_ = false;

TEST_F(WorldMapRenders, EachModeMatchesItsPinnedStatistics) {
    ASSERT_TRUE(loaded_);
    const bool print = std::getenv("VORNESK_PRINT_PINS") != nullptr;
    for (const int mode : kModes)
        for (const auto& shape : kShapes) {
            SCOPED_TRACE(testing::Message() << "mode " << mode << " at " << shape[0] << " x " << shape[1]);
            ASSERT_TRUE(RenderMode(mode, shape[0], shape[1]));
            const RenderStats s = StatsOf(*rig_);
            if (print) {
                std::printf("    {%d, %d, %d, {%.4f, %.4f, %.4f, %.4f, %.4f, %.4f}},\n", mode, shape[0], shape[1],
                            s.covered, s.r, s.g, s.b, s.cx, s.cy);
                continue;
            }
            const Pin* pin = nullptr;
            for (const Pin& p : kPins)
                if (p.mode == mode && p.width == shape[0] && p.height == shape[1]) pin = &p;
            ASSERT_NE(pin, nullptr) << "no pinned statistics";
            EXPECT_GT(s.covered, 0.05) << "the map hardly covers its frame";
            EXPECT_NEAR(s.covered, pin->stats.covered, kCoveredTolerance);
            EXPECT_NEAR(s.r, pin->stats.r, kColourTolerance);
            EXPECT_NEAR(s.g, pin->stats.g, kColourTolerance);
            EXPECT_NEAR(s.b, pin->stats.b, kColourTolerance);
            EXPECT_NEAR(s.cx, pin->stats.cx, kCentroidTolerance);
            EXPECT_NEAR(s.cy, pin->stats.cy, kCentroidTolerance);
        }
}

// The ellipsoid globes are their flat twins shaded: same projection, so the
// same frame, shape factor and arc-length table, hence the same coverage,
// and the globe lit. (A globe framed by the default box built its
// arc-length table at scale 0 and showed a zoomed, shifted strip.)
TEST_F(WorldMapRenders, EllipsoidGlobesFrameLikeTheirFlatTwins) {
    ASSERT_TRUE(loaded_);
    for (const int flat : {360, 362, 364, 366}) {
        SCOPED_TRACE(testing::Message() << "modes " << flat << " and " << flat + 1);
        vort a{}, b{};
        a.outputMode = flat;
        b.outputMode = flat + 1;
        FramingBox boxA{}, boxB{};
        PrepBoundingBoxForNonPolyhedron(&boxA, &a, 0.5f, 90.0f);
        PrepBoundingBoxForNonPolyhedron(&boxB, &b, 0.5f, 90.0f);
        EXPECT_GT(a.shapeFactor, 0.0f);
        EXPECT_EQ(a.shapeFactor, b.shapeFactor);
        EXPECT_EQ(boxA.yMin, boxB.yMin);
        EXPECT_EQ(boxA.yMax, boxB.yMax);
        EXPECT_EQ(boxA.fitScale, boxB.fitScale);

        ASSERT_TRUE(RenderMode(flat, 48, 32));
        const std::vector<float> twin = rig_->OutputColours();
        ASSERT_TRUE(RenderMode(flat + 1, 48, 32));
        const std::vector<float> globe = rig_->OutputColours();
        double difference = 0.0, covered = 0.0, lit = 0.0;
        for (size_t i = 0; i < twin.size(); i += 4) {
            covered += twin[i + 3];
            difference += std::fabs(twin[i + 3] - globe[i + 3]);
            for (int k = 0; k < 3; ++k) lit += std::fabs(twin[i + k] - globe[i + k]);
        }
        EXPECT_GT(covered, 0.3 * double(twin.size() / 4));
        EXPECT_LT(difference / double(twin.size() / 4), 1e-3);
        EXPECT_GT(lit / covered, 0.01);
    }
}

// Mode 94: the inner diamond of the Peirce quincuncial square holds the
// hemisphere around longitude 0, the four corners the other one. The
// input's left and right halves (longitudes below and above 0) are red and
// blue in the central hemisphere's ring and green beyond 90 degrees.
TEST_F(WorldMapRenders, PeirceInnerDiamondHoldsOneHemisphere) {
    RenderRig rig;
    ASSERT_TRUE(rig.SetInput(256, 128, kPyrColourFloat, [](int64_t x, int64_t, float* c) {
        const double lon = (double(x) + 0.5) / 256.0 * 360.0 - 180.0;
        const bool near = std::fabs(lon) < 90.0;
        c[0] = near ? 1.0f : 0.0f;
        c[1] = near ? 0.0f : 1.0f;
        c[2] = 0.0f;
        c[3] = 1.0f;
    }));
    rig.params->inputMode = 1;
    rig.params->outputMode = 94;
    ASSERT_EQ(rig.Render(64, 64, kPyrColourFloat), 0);
    int inside = 0, insideNear = 0, outside = 0, outsideFar = 0;
    for (int64_t y = 0; y < 64; ++y)
        for (int64_t x = 0; x < 64; ++x) {
            const double u = (double(x) + 0.5) / 64.0 - 0.5, v = (double(y) + 0.5) / 64.0 - 0.5;
            const double d = std::fabs(u) + std::fabs(v);
            if (std::fabs(d - 0.5) < 0.05) continue;  // the diamond's rim, blurred by sampling
            float c[4];
            rig.Out(x, y, c);
            if (d < 0.5) {
                ++inside;
                insideNear += c[0] > 0.5f;
            } else {
                ++outside;
                outsideFar += c[1] > 0.5f;
            }
        }
    EXPECT_EQ(insideNear, inside);
    EXPECT_EQ(outsideFar, outside);
}

}  // namespace

namespace {

// What the render's preparation leaves in the context every task copies:
// the first lazy table filled for the mode (the Robinson inverse, or the
// meridian arc-length table at the mode's shape factor), built afresh when
// the previous render used it for another mode; no Strebe 1995 solution to
// start from; the Spilhaus aspect.
TEST(WorldMapRenderSetUp, ContextCarriesTheTablesOfItsMode) {
    RenderRig rig;
    ASSERT_TRUE(rig.SetInput(64, 32, kPyrColourFloat, BusyPixel));
    rig.params->inputMode = 1;
    ASSERT_EQ(rig.Render(16, 8, kPyrColourFloat), 0);
    struct Case {
        int mode;
        float shapeFactor;  // 0 for the Robinson table
    };
    // Each meridian mode follows a Robinson mode or another meridian mode, so
    // a table left from the previous preparation would show.
    const Case cases[] = {{80, 0.0f},         {360, 1.5151515f}, {361, 1.5151515f}, {415, 0.0f},
                          {363, 1.5151515f}, {365, 0.75f},      {80, 0.0f},         {367, 0.75f},
                          {364, 0.75f},      {362, 1.5151515f}};
    for (const Case& k : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << k.mode);
        rig.params->outputMode = k.mode;
        RenderJob job(*rig.params);
        ASSERT_TRUE(PrepareRenderContext(&job, rig.data.get()));
        const vort* c = RenderContextTemplate(&job);
        ASSERT_NE(c, nullptr);
        std::vector<float> expected(kEllipsoidTableSize, 0.0f);
        expected[0] = 999.0f;
        if (k.shapeFactor == 0.0f) {
            RobinsonInverse_function(expected.data(), 0.0f);
            for (int i = 0; i < kLazyTableSize; ++i) ASSERT_EQ(c->ellipsoidTable[i], expected[size_t(i)]) << i;
        } else {
            EXPECT_EQ(c->shapeFactor, k.shapeFactor);
            binary_search_for_parameter_from_distance(expected.data(), 0, 0.0f, k.shapeFactor);
            for (int i = 0; i < kEllipsoidTableSize; ++i) ASSERT_EQ(c->ellipsoidTable[i], expected[size_t(i)]) << i;
        }
        EXPECT_FALSE(c->strebeRecord.valid);
        FinishRenderContext(&job);
    }

    rig.params->outputMode = 410;
    RenderJob job(*rig.params);
    ASSERT_TRUE(PrepareRenderContext(&job, rig.data.get()));
    float R[3][3];
    BuildSpilhausRotation(R);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) EXPECT_EQ(RenderContextTemplate(&job)->spilhausRotation[i][j], R[i][j]);
    FinishRenderContext(&job);
}

}  // namespace
