// Polyhedral output modes: the polyhedron model says which solids it builds,
// and every polyhedral mode is refused until the nets are drawn.
#include <gtest/gtest.h>

#include <memory>

#include "polyhedra/polyhedron_params.h"
#include "records/parameters.h"
#include "shell/defaults.h"
#include "shell/mode_catalogue.h"
#include "shell/renderable.h"

namespace {

TEST(Renderable, PolyhedralModesAskTheModelAndWaitForNets) {
    struct Case {
        int64_t mode;
        bool shapeBuilt;
    } cases[] = {{6, true},    {7, true},     {10, true},   {30, true},  {44, true},  {54, true},
                 {55, true},   {172, true},   {173, true},  {292, true}, {403, true}, {404, true},
                 {408, true},  {405, false},  {406, true},  {407, true},  {177, true},  {70, true},
                 {420, true},  {545, true},  {1, false}};
    for (const Case& c : cases) EXPECT_EQ(PolyhedralShapeIsBuilt(c.mode), c.shapeBuilt) << c.mode;
    // The nets drawn through the polyhedral transform render; an unbuilt
    // solid, a warped or folded layout and a floret on an unbuilt basis wait.
    for (int64_t m : {6, 7, 8, 9, 10, 25, 30, 34, 44, 47, 54, 55, 64, 70, 71, 169, 172, 173, 174, 175, 176, 177, 196, 204,
                      224, 246, 268, 292, 293, 304, 336, 403, 404, 407, 408, 420, 478, 519, 545, 97, 368, 370,
                      371, 374, 379, 382})
        EXPECT_TRUE(OutputModeIsRenderable(m)) << m;
    // The multiviews draw views of their solids' faces.
    for (int64_t m : {75, 76, 77, 78, 79}) EXPECT_TRUE(OutputModeIsRenderable(m)) << m;
    for (int64_t m : {405, 411})
        EXPECT_FALSE(OutputModeIsRenderable(m)) << m;
}

// A retroazimuthal map takes the latitude as its reference point; on a pole
// no position of either sheet has a place, and the settings are refused
// rather than answered with an empty picture. Any other latitude, or any
// other mode at a pole, renders.
TEST(Renderable, RetroazimuthalMapsWithTheLatitudeOnAPoleAreRefused) {
    auto p = std::make_unique<Parameters>();
    GrabDefaultSettings(p.get());
    struct Case {
        int32_t mode;
        float latitude;
        const char* refusal;   // "" when it renders
    } cases[] = {
        {400, 90.0f, "output mode 400 (retroazimuthal front) draws nothing with the latitude on a pole; choose a "
                     "latitude between -90 and 90"},
        {401, -90.0f, "output mode 401 (retroazimuthal back) draws nothing with the latitude on a pole; choose a "
                      "latitude between -90 and 90"},
        {400, 270.0f, "output mode 400 (retroazimuthal front) draws nothing with the latitude on a pole; choose a "
                      "latitude between -90 and 90"},
        {400, 89.0f, ""},
        {401, -60.0f, ""},
        {400, 0.0f, ""},
        {46, 90.0f, ""},
        {16, -90.0f, ""},
    };
    for (const Case& c : cases) {
        p->outputMode = c.mode;
        p->latitude = c.latitude;
        EXPECT_EQ(WhatThisBuildCannotRender(*p), c.refusal) << c.mode << " at " << c.latitude;
        // The mode itself stays in the menus; a page of every mode draws it
        // when the rest of the settings let it.
        EXPECT_TRUE(OutputModeIsRenderable(c.mode)) << c.mode;
        p->outputMode = 1;
        EXPECT_EQ(OutputModeRendersWith(*p, c.mode), c.refusal[0] == 0) << c.mode << " at " << c.latitude;
    }
    EXPECT_FALSE(OutputModeRendersWith(*p, 405));
}

}  // namespace

// A floret whose lobes do not show the sphere is refused with the reason
// (the frames of its basis net that were tried), not drawn with seams or
// with parts of the sphere missing.
TEST(Renderable, BrokenFloretsAreRefusedWithTheReason) {
    auto p = std::make_unique<Parameters>();
    GrabDefaultSettings(p.get());
    struct Case {
        int32_t mode;
        const char* refusal;
    } cases[] = {
        {1043, "output mode 1043 is not available in this build: no frame tried (box middle, net origin, first face, "
               "axis points) has its lobes show the sphere once"},
        {161, "output mode 161 (Isle of Man) is not available in this build: no frame tried (box middle, net origin, "
              "first face, axis points) has its lobes show the sphere once"},
        {166, "output mode 166 (phenyl cross) is not available in this build: its basis shows 80 degrees of lune at "
              "the floret's axis, where its lobes need 120"},
        {155, ""},
    };
    for (const Case& c : cases) {
        p->outputMode = c.mode;
        EXPECT_EQ(WhatThisBuildCannotRender(*p), c.refusal);
        EXPECT_EQ(OutputModeIsRenderable(c.mode), c.refusal[0] == 0) << c.mode;
    }
}
