#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <set>

#include "records/data.h"
#include "records/parameters.h"
#include "shell/defaults.h"
#include "records/work_area.h"

namespace {

std::unique_ptr<Parameters> FreshParameters() {
    auto p = std::make_unique<Parameters>();
    std::memset(static_cast<void*>(p.get()), 0, sizeof(Parameters));
    return p;
}

TEST(Parameters, DefaultsFillTheFactoryBlockAndName) {
    auto p = FreshParameters();
    auto d = std::make_unique<Data>();
    std::memset(static_cast<void*>(d.get()), 0, sizeof(Data));
    FillInTheParametersAndDataForQevan(p.get(), d.get());

    EXPECT_EQ(p->version, -999);
    EXPECT_EQ(p->data, d.get());
    EXPECT_STREQ(p->presetName, "Vornesk 2 settings");
    EXPECT_EQ(p->presetNameUnicode[0], 'V');
    EXPECT_EQ(p->presetNameUnicode[18], 0);
    EXPECT_EQ(p->glueMode, 1);
    EXPECT_EQ(p->randomSeed, 21);
    EXPECT_EQ(p->inputMode, 1);
    EXPECT_EQ(p->outputMode, 1);
    EXPECT_EQ(p->fovDegrees, 120);
    EXPECT_EQ(p->FOV, 120.0f);
    EXPECT_EQ(p->tabsInteger, 33);
    EXPECT_EQ(p->tabs, 33.0f);
    EXPECT_EQ(p->sharpenInteger, 30);
    EXPECT_EQ(p->sharpen, 30.0f);
    EXPECT_EQ(p->tab_color.red, 55255);
    EXPECT_EQ(p->tab_color.green, 44204);
    EXPECT_EQ(p->tab_color.blue, 56540);
    EXPECT_EQ(p->background_color.red, 65535);
    EXPECT_EQ(p->line_color.blue, 0);
    EXPECT_EQ(p->lego_layers, 20);
    EXPECT_EQ(p->legoBrickMask, 63);
    EXPECT_EQ(p->legoFlag1, 1);
    EXPECT_EQ(p->legoFlag2, 1);
    EXPECT_EQ(p->legoFlag3, 0);
    EXPECT_EQ(p->cubemap_pixels, 256);
    EXPECT_EQ(p->export_pixels, 500);
    EXPECT_EQ(p->transparent_gaps, 1);
    EXPECT_EQ(p->grid, 1);
    EXPECT_EQ(p->previewquality, 3);
    EXPECT_EQ(p->twirlVariant, 6);

    // The Data side: every pyramid prepared empty, no storage, no buffers.
    EXPECT_EQ(d->storage, nullptr);
    EXPECT_EQ(d->rowBuffer, nullptr);
    EXPECT_EQ(d->hostBufferIDs[0], -1);
    EXPECT_EQ(d->previewPyramid.status, -99);
    for (const PyramidDescriptor& pyr : d->pyramids) EXPECT_EQ(pyr.tiles, nullptr);
}

TEST(Parameters, DefaultsLeaveTheFloatAnglesAloneInFixRedefined) {
    auto p = FreshParameters();
    FillInTheParametersAndDataForQevan(p.get(), nullptr);
    p->latitude = 12.5f;
    p->latitudeDegrees = 99;
    FixRedefinedParameters(p.get());
    EXPECT_EQ(p->latitude, 12.5f);

    // An old version copies the six integers into the floats.
    for (int32_t version : {1, 46}) {
        p->version = version;
        p->latitudeDegrees = 10;
        p->longitudeDegrees = -20;
        p->spinDegrees = 30;
        p->fovDegrees = 90;
        p->tabsInteger = 5;
        p->sharpenInteger = 7;
        FixRedefinedParameters(p.get());
        EXPECT_EQ(p->latitude, 10.0f);
        EXPECT_EQ(p->longitude, -20.0f);
        EXPECT_EQ(p->spin, 30.0f);
        EXPECT_EQ(p->FOV, 90.0f);
        EXPECT_EQ(p->tabs, 5.0f);
        EXPECT_EQ(p->sharpen, 7.0f);
    }
    p->version = 47;
    p->latitudeDegrees = 1;
    FixRedefinedParameters(p.get());
    EXPECT_EQ(p->latitude, 10.0f);
}

TEST(Parameters, LittlePlanetBlock) {
    auto p = FreshParameters();
    FillInTheParametersAndDataForQevan(p.get(), nullptr);
    p->outputMode = 99;
    p->edges = 1;
    p->grid = 5;
    p->glueMode = 9;
    p->randomSeed = 5;
    GrabSpecializedSettings(p.get());
    EXPECT_EQ(p->outputMode, 16);
    EXPECT_EQ(p->latitude, -90.0f);
    EXPECT_EQ(p->latitudeDegrees, -90);
    EXPECT_EQ(p->longitude, 0.0f);
    EXPECT_EQ(p->FOV, 110.0f);
    EXPECT_EQ(p->fovDegrees, 110);
    EXPECT_EQ(p->edges, 0);
    EXPECT_EQ(p->grid, 1);
    EXPECT_EQ(p->glueMode, 1);
    // Outside the block: untouched.
    EXPECT_EQ(p->randomSeed, 5);
    EXPECT_EQ(p->tabs, 33.0f);
}

TEST(Parameters, RandomOrientationsStayInRange) {
    auto p = FreshParameters();
    srandom(7);
    std::set<int32_t> latitudes, longitudes;
    for (int i = 0; i < 2000; i++) {
        RandomizeSettings(p.get());
        EXPECT_GE(p->latitude, -90.0f);
        EXPECT_LE(p->latitude, 90.0f);
        EXPECT_GE(p->longitude, -180.0f);
        EXPECT_LE(p->longitude, 180.0f);
        EXPECT_GE(p->spin, -180.0f);
        EXPECT_LE(p->spin, 180.0f);
        EXPECT_EQ(p->latitudeDegrees, int32_t(p->latitude));
        EXPECT_EQ(p->spinDegrees, int32_t(p->spin));
        latitudes.insert(p->latitudeDegrees);
    }
    EXPECT_GT(latitudes.size(), 150u);
    latitudes.clear();
    std::set<int32_t> spins;
    for (int i = 0; i < 500; i++) {
        RandomizeSettingsConstrained(p.get());
        latitudes.insert(p->latitudeDegrees);
        longitudes.insert(p->longitudeDegrees);
        spins.insert(p->spinDegrees);
        EXPECT_EQ(float(p->longitudeDegrees), p->longitude);
    }
    EXPECT_EQ(latitudes, (std::set<int32_t>{-90, 0, 90}));
    EXPECT_EQ(longitudes, (std::set<int32_t>{-180, -90, 0, 90}));
    EXPECT_EQ(spins, (std::set<int32_t>{-180, -90, 0, 90}));
}

TEST(Parameters, PresetNameInUnicode) {
    auto p = FreshParameters();
    // Mac Roman bytes become their Unicode characters.
    SetPresetName(p.get(), "caf\x8E");
    EXPECT_EQ(p->presetNameUnicode[3], 0x00E9);
    EXPECT_EQ(p->presetNameUnicode[4], 0);
}

}  // namespace
