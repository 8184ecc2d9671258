// Modes by name, named settings and settings files on the host's command line.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tools/vornesk/options.h"
#include "tools/vornesk/settings_options.h"

namespace {

TEST(HostSettingsOptions, ModesByNameOrNumber) {
    const struct {
        ModeKind kind;
        const char* text;
        int32_t mode;
    } good[] = {
        {ModeKind::Output, "Mercator", 62},        {ModeKind::Output, "mercator", 62},
        {ModeKind::Output, "peirce-quincunx", 94}, {ModeKind::Output, "Larrivée", 359},
        {ModeKind::Output, "1050", 1050},          {ModeKind::Output, "351", 351},
        {ModeKind::Input, "circular 180°", 8},     {ModeKind::Input, "Circular 180", 8},
        {ModeKind::Input, "Equal Earth", 41},      {ModeKind::Glue, "contrast negate", 69},
        {ModeKind::Glue, "4", 4},
    };
    for (const auto& g : good) {
        int32_t mode = 0;
        std::string error;
        EXPECT_TRUE(ModeFromText(g.kind, g.text, &mode, &error)) << g.text << ": " << error;
        EXPECT_EQ(mode, g.mode) << g.text;
    }
    const struct {
        ModeKind kind;
        const char* text;
        const char* message;
    } bad[] = {
        {ModeKind::Output, "Mercatr", "nearest: \"Mercator\" (62)"},
        {ModeKind::Output, "YangCube", "\"YangCube\" (289), \"YangCube\" (1047); give the number"},
        {ModeKind::Output, "548", "there is no output mode 548"},
        {ModeKind::Output, "0", "there is no output mode 0"},
        {ModeKind::Input, "equi", "nearest: \"equirectangular\" (1)"},
        {ModeKind::Glue, "", "there is no glue mode \"\""},
    };
    for (const auto& b : bad) {
        int32_t mode = -7;
        std::string error;
        EXPECT_FALSE(ModeFromText(b.kind, b.text, &mode, &error)) << b.text;
        EXPECT_EQ(mode, -7);
        EXPECT_NE(error.find(b.message), std::string::npos) << b.text << ": " << error;
    }
    EXPECT_EQ(NearestModeNames(ModeKind::Output, "goldberg", 2).size(), 2u);
    EXPECT_EQ(NearestWord("--latitud", {"--latitude", "--longitude"}), "--latitude");
    EXPECT_EQ(NearestWord("--zzzzzzzz", {"--latitude", "--spin"}), "");
}

TEST(HostSettingsOptions, NamedSettings) {
    std::vector<DescriptorItem> items;
    std::string error;
    ASSERT_TRUE(NamedSettingToItems("tab-color", "#ff8000", &items, &error)) << error;
    ASSERT_TRUE(NamedSettingToItems("line-color", "65535,0,257", &items, &error)) << error;
    ASSERT_TRUE(NamedSettingToItems("latitude", "-12.5", &items, &error)) << error;
    ASSERT_TRUE(NamedSettingToItems("graticule", "7", &items, &error)) << error;
    ASSERT_TRUE(NamedSettingToItems("flip", "false", &items, &error)) << error;
    std::vector<std::string> text;
    for (const DescriptorItem& i : items) text.push_back(FormatDescriptorItem(i));
    EXPECT_EQ(text, (std::vector<std::string>{"0001=255.99609375", "0002=128.5", "0003=0.0",
                                              "0040=255.99609375", "0041=0.0", "0042=1.00390625", "0034=-12.5",
                                              "Fgky=Fgty:Fgr7", "0011=false"}));
    for (auto [name, value] : std::vector<std::pair<const char*, const char*>>{
             {"graticule", "8"}, {"cubemap-pixels", "1"}, {"latitude", "north"}, {"latitude", "inf"},
             {"tab-color", "1,2,70000"}, {"tab-color", "#12345"}, {"flip", "yes"}, {"nothing", "1"}}) {
        EXPECT_FALSE(NamedSettingToItems(name, value, &items, &error)) << name << "=" << value;
        EXPECT_FALSE(error.empty());
    }

    // Switches stand alone; the last word on a setting wins.
    HostOptions options;
    const char* argv[] = {"vornesk", "in.png", "-o", "out.png", "--flip", "--edges=false", "--output-mode",
                          "cube", "--output-mode", "Mollweide"};
    ASSERT_TRUE(ParseHostOptions(int(std::size(argv)), argv, &options, &error)) << error;
    std::vector<std::string> given;
    for (const DescriptorItem& i : options.settings) given.push_back(FormatDescriptorItem(i));
    EXPECT_EQ(given, (std::vector<std::string>{"0011=true", "0029=false", "Foky=Foty:Fo45"}));

    // --set takes a setting by its option's name as well as by its key.
    HostOptions byName;
    const char* setArgv[] = {"vornesk", "in.png", "-o", "out.png", "--set", "latitude=-12.5", "--set",
                             "flip=true", "--set", "output-mode=Mollweide", "--set", "tab-color=#ff8000",
                             "--set", "0035=7.5"};
    ASSERT_TRUE(ParseHostOptions(int(std::size(setArgv)), setArgv, &byName, &error)) << error;
    given.clear();
    for (const DescriptorItem& i : byName.settings) given.push_back(FormatDescriptorItem(i));
    EXPECT_EQ(given, (std::vector<std::string>{"0034=-12.5", "0011=true", "Foky=Foty:Fo45", "0001=255.99609375",
                                               "0002=128.5", "0003=0.0", "0035=7.5"}));
}

}  // namespace
