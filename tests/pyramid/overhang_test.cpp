#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>

#include "pyramid/input_fill.h"
#include "pyramid/overhang.h"
#include "shell/mode_names.h"

namespace {

struct Case {
    int64_t mode;
    float u, v;
    float eu, ev;
    int64_t result;
};

TEST(Overhang, ModesMapOutsidePositions) {
    auto pyr = std::make_unique<PyramidDescriptor>();
    pyr->topLevel = 10;
    const Case cases[] = {
        {3, 1.0f, 0.5f, 1.0f, 0.5f, 0},  // u = 1 is inside
        {3, 0.5f, 1.0f, 0.5f, 1.0f, 4},  // v = 1 is outside
        {5, 0.5f, 1.0f, 0.5f, 0.0f, 4},
        {3, -0.2f, 1.7f, 0.0f, 1.0f, 4},
        {4, -0.25f, 1.5f, 0.75f, 1.0f, 4},
        {4, 1.25f, -0.5f, 0.25f, 0.0f, 4},
        {5, -1.0f, 0.5f, 1.0f, 0.5f, 4},  // negative whole numbers wrap to 1 ...
        {6, -1.0f, 0.5f, 0.0f, 0.5f, 4},  // ... except by the floor
        {5, -0.25f, -1.75f, 0.75f, 0.25f, 4},
        {6, 2.25f, -0.25f, 0.25f, 0.75f, 4},
        // Over a pole: v reflected and half a turn round in longitude.
        {7, 0.1f, -0.2f, 0.6f, 0.2f, 4},
        {7, 0.1f, 1.3f, 0.6f, 0.7f, 4},
        {7, 0.7f, -0.2f, 0.2f, 0.2f, 4},
        {7, 1.25f, 0.5f, 0.25f, 0.5f, 4},
        {7, 0.1f, 2.3f, 0.1f, 0.3f, 4},  // across both poles: back where it started in longitude
        {2, 1.5f, 1.7f, 0.5f, 1.0f, 4},
        {2, -0.25f, 0.5f, 0.25f, 0.5f, 4},
        {2, -1.25f, 0.5f, 0.75f, 0.5f, 4},
        {1, 1.5f, 0.5f, 1.5f, 0.5f, 6},
        {0, 1.5f, 0.5f, 1.5f, 0.5f, 0},
        {8, -3.0f, 9.0f, -3.0f, 9.0f, 0},
    };
    for (const Case& c : cases) {
        float u = c.u, v = c.v, level = 2.0f;
        EXPECT_EQ(OverhangizeCoordinates2016(&u, &v, &level, c.mode, pyr.get()), c.result)
            << "mode " << c.mode << " (" << c.u << ", " << c.v << ")";
        EXPECT_NEAR(u, c.eu, 1e-6f) << "mode " << c.mode << " (" << c.u << ", " << c.v << ")";
        EXPECT_NEAR(v, c.ev, 1e-6f) << "mode " << c.mode << " (" << c.u << ", " << c.v << ")";
        EXPECT_EQ(level, 2.0f);
    }
}

TEST(Overhang, MirrorModeRaisesTheLevelAboveTheTop) {
    auto pyr = std::make_unique<PyramidDescriptor>();
    pyr->topLevel = 10;
    float u = 0.5f, v = -0.5f, level = 2.0f;
    EXPECT_EQ(OverhangizeCoordinates2016(&u, &v, &level, 2, pyr.get()), 5);
    EXPECT_FLOAT_EQ(u, 0.5f);
    EXPECT_FLOAT_EQ(v, 0.0f);
    EXPECT_NEAR(level, 2.0 + (1.0 - std::pow(2.0, -1.5)) * 8.0, 1e-4);
    u = 0.5f, v = -3.0f, level = 2.0f;  // overshoot counts as at most one height
    OverhangizeCoordinates2016(&u, &v, &level, 2, pyr.get());
    EXPECT_NEAR(level, 2.0 + (1.0 - 0.125) * 8.0, 1e-4);
}

// Whatever comes in, every mode that moves a position leaves it in the unit
// square, so it can become a pixel index safely.
TEST(Overhang, AnyInputLandsInsideTheUnitSquare) {
    auto pyr = std::make_unique<PyramidDescriptor>();
    pyr->topLevel = 5;
    const float inf = std::numeric_limits<float>::infinity(), nan = std::nanf("");
    const float values[] = {nan, inf, -inf, 1e30f, -1e30f, 16777217.0f, -2.0f, 1.0f, -0.0f, 3.5f, -1e-30f};
    for (int64_t mode = 2; mode <= 7; ++mode)
        for (float a : values)
            for (float b : values) {
                float u = a, v = b, level = 1.0f;
                OverhangizeCoordinates2016(&u, &v, &level, mode, pyr.get());
                EXPECT_TRUE(u >= 0.0f && u <= 1.0f) << mode << " " << a << " " << b << " -> " << u;
                EXPECT_TRUE(v >= 0.0f && v <= 1.0f) << mode << " " << a << " " << b << " -> " << v;
                EXPECT_TRUE(level >= 1.0f && level <= 5.0f) << mode << " " << a << " " << b;
            }
}

// The input picture's edge and overhang rules, looked up by the input modes'
// names: full panoramas fold over the poles, side-wrapping layouts wrap, the
// tiling face wraps both ways, and everything else (and every unknown code)
// clamps.
TEST(Overhang, InputModesGiveTheInputPyramidItsEdgeAndOverhangModes) {
    auto named = [](int64_t code, std::initializer_list<std::string> names) {
        if (code < 1 || code > 41) return false;
        for (const std::string& n : names)
            if (n == kInputModeNames[code - 1]) return true;
        return false;
    };
    for (int64_t code = -2; code <= 60; ++code) {
        const bool pole = named(code, {"equirectangular", "equal-area cylinder"});
        const bool sides = named(code, {"cylindrical", "Mercator", "gores: 12", "gores: 6", "gores: 8"});
        const bool tiling = named(code, {"tiling cube face"});
        // Codes above 36 clamp whatever their names.
        const bool known = code <= 36;
        EXPECT_EQ(OverhangModeFromVorneskInputMode(code), known && pole ? 7 : known && sides ? 4 : 3) << code;
        EXPECT_EQ(WrapModeFromVorneskInputMode(code), known && (pole || sides) ? 2 : known && tiling ? 1 : 0) << code;
    }
    EXPECT_EQ(WrapModeFromVorneskInputMode(36), 2);
    EXPECT_EQ(OverhangModeFromVorneskInputMode(36), 4);
    EXPECT_EQ(WrapModeFromVorneskInputMode(11), 1);
    EXPECT_EQ(OverhangModeFromVorneskInputMode(11), 3);
}

}  // namespace
