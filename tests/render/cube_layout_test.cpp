// Cube-layout inputs through a whole render: each sample reads the face its
// direction falls on, and a face not cut from the input reads the whole input.
#include <gtest/gtest.h>

#include <cmath>

#include "render_fixture.h"

namespace {

// Colours that name the input position: red across, green down.
void PositionColour(int64_t x, int64_t y, float* c) {
    c[0] = (float(x) + 0.5f) / 96.0f;
    c[1] = (float(y) + 0.5f) / 72.0f;
    c[2] = 0.0f;
    c[3] = 1.0f;
}

TEST(EngineCubeLayouts, UncutFacesReadTheWholeInput) {
    for (long mode : {27L, 28L, 33L, 34L, 35L}) {
        RenderRig rig;
        ASSERT_TRUE(rig.SetInput(96, 72, kPyrColourFloat, PositionColour));
        rig.params->inputMode = mode;
        rig.params->outputMode = 1;
        ASSERT_EQ(rig.Render(128, 64, kPyrColourFloat), 0) << mode;
        // The centres of the front face (+z, the middle of the frame) and of
        // the face a quarter turn east (+x) both lie at the face's centre,
        // which is the input's centre while the faces are not cut.
        for (int64_t x : {64L, 96L}) {
            float c[4];
            rig.Out(x, 32, c);
            EXPECT_NEAR(c[3], 1.0f, 1e-3f) << mode << " at " << x;
            EXPECT_NEAR(c[0], 0.5f, 0.02f) << mode << " at " << x;
            EXPECT_NEAR(c[1], 0.5f, 0.03f) << mode << " at " << x;
        }
        // Away from the face centres the picture varies.
        float a[4], b[4];
        rig.Out(56, 24, a);
        rig.Out(72, 40, b);
        EXPECT_GT(std::fabs(a[0] - b[0]) + std::fabs(a[1] - b[1]), 0.1f) << mode;
    }
}

}  // namespace
