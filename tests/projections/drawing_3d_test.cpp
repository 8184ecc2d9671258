// The globes' drawing entry: panels and view turns, and the road that asks
// it for every sample of a globe mode.
#include <gtest/gtest.h>

#include <cmath>

#include "projections/drawing_3d.h"
#include "records/TransformationReply.h"
#include "records/vort.h"
#include "tests/projections/road_fixture.h"

namespace {

// The globes' view planes: four panels for mode 45, each spanning -1..1;
// the view rotation for 394 and 395; 396 unturned. The marchers are not
// built, so every ray misses.
TEST(Drawing3D, PanelsAndViewTurns) {
    vort c{};
    c.viewRotationCos = std::cos(0.3), c.viewRotationSin = std::sin(0.3);
    struct Case {
        double x, y;
        int64_t panel;
        double gx, gy;
    };
    for (const Case& k : {Case{-0.5, -0.5, 0, -1, -1}, Case{-0.25, -0.25, 0, 0, 0}, Case{0.0, 0.0, 0, 1, 1},
                          Case{0.25, -0.25, 1, 0, 0}, Case{0.5, -0.5, 1, 1, -1}, Case{-0.25, 0.25, 2, 0, 0},
                          Case{0.375, 0.125, 3, 0.5, -0.5}}) {
        GlobeRay ray{};
        ASSERT_TRUE(GlobeRayOf(45, k.x, k.y, &c, &ray));
        EXPECT_EQ(ray.panel, k.panel) << k.x << ", " << k.y;
        EXPECT_NEAR(ray.gx, k.gx, 1e-12);
        EXPECT_NEAR(ray.gy, k.gy, 1e-12);
    }
    for (long mode : {394L, 395L, 396L}) {
        GlobeRay ray{};
        ASSERT_TRUE(GlobeRayOf(mode, 0.2, 0.1, &c, &ray));
        const double a = mode == 396 ? 0.0 : 0.3;
        EXPECT_NEAR(ray.gx, std::cos(a) * 0.4 - std::sin(a) * 0.2, 1e-12) << mode;
        EXPECT_NEAR(ray.gy, std::sin(a) * 0.4 + std::cos(a) * 0.2, 1e-12) << mode;
        EXPECT_NEAR(std::hypot(ray.gx, ray.gy), std::hypot(0.4, 0.2), 1e-12);
    }
    GlobeRay ray{};
    EXPECT_FALSE(GlobeRayOf(46, 0.1, 0.1, &c, &ray));
    for (long mode : {45L, 394L, 395L, 396L}) {
        c.outputMode = mode;
        unsigned char outside = 7;
        TransformationReply reply = MakeTemplateReply();
        float direction[3] = {0, 0, 1};
        Do_DrawingMethod3D(&outside, &c, &reply, direction, 0.1, 0.1);
        EXPECT_EQ(outside, 1) << mode;
    }
}

}  // namespace

// Every globe sample goes through the drawing method; a miss keeps the
// region of nothing hit. The brick globe's panels go on to the input only
// for the graticule or the indicatrices, the other globes always.
TEST(Drawing3D, TheRoadAsksTheDrawingMethod) {
    struct Case {
        long mode;
        bool graticule;
        bool reachesTheInput;
    } cases[] = {{45, false, false}, {45, true, true}, {394, false, true}, {395, false, true}, {396, true, true}};
    for (const Case& k : cases) {
        SCOPED_TRACE(k.mode);
        RoadRig rig(k.mode, 1);
        rig.context->renderKind = kRenderKindDrawing3D;
        rig.context->graticuleOn = k.graticule;
        const TransformationReply r = rig.at(0.3f, 0.6f);
        EXPECT_EQ(r.place, kPlaceNoDirection);
        EXPECT_EQ(rig.hints.placeOverride, k.reachesTheInput ? kPlaceNoDirection : -1);
        // A miss leaves the direction (0, 0, 1): the input's centre.
        EXPECT_EQ(r.inputU, k.reachesTheInput ? 0.5f : -1.0f);
        EXPECT_EQ(r.graticuleX, k.graticule ? 0.5f : -1.0f);
    }
}
