// Modes by name, named settings and settings files on the host's command line.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "records/parameters.h"
#include "shell/defaults.h"
#include "shell/settings_file.h"
#include "tests/cli/spawn_host.h"
#include "cli/options.h"
#include "cli/settings_options.h"

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
        {ModeKind::Glue, "", "give the glue mode's name or number, not an empty word"},
        {ModeKind::Output, " - ", "give the output mode's name or number, not an empty word"},
        // Nothing near: no list of unrelated names, the listing instead.
        {ModeKind::Output, "qqqqqqqqqqxxxxxxxx", "(vornesk --list-modes lists the output modes)"},
    };
    for (const auto& b : bad) {
        int32_t mode = -7;
        std::string error;
        EXPECT_FALSE(ModeFromText(b.kind, b.text, &mode, &error)) << b.text;
        EXPECT_EQ(mode, -7);
        EXPECT_NE(error.find(b.message), std::string::npos) << b.text << ": " << error;
    }
    EXPECT_EQ(NearestModeNames(ModeKind::Output, "goldberg", 2).size(), 2u);
    EXPECT_TRUE(NearestModeNames(ModeKind::Output, "qqqqqqqqqqxxxxxxxx", 3).empty());
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

std::unique_ptr<Parameters> DefaultSettings() {
    auto p = std::make_unique<Parameters>();
    std::memset(static_cast<void*>(p.get()), 0, sizeof(Parameters));
    GrabDefaultSettings(p.get());
    return p;
}

// The settings-file reader, the descriptor reader and the command line take
// exactly the same values: each case is accepted by all three or refused by
// all three, a file refused as it loads.
TEST(HostSettingsOptions, EveryReaderAcceptsTheSameRanges) {
    char folder[] = "/tmp/vornesk-ranges-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string file = std::string(folder) + "/settings.q2q";
    const struct {
        const char* name;   // the command-line option
        const char* key;
        size_t offset;
        bool real;
        double value;
        bool accepted;
    } cases[] = {
        {"sharpen", "0039", offsetof(Parameters, sharpen), true, 5.6e34, false},
        {"sharpen", "0039", offsetof(Parameters, sharpen), true, -2e9, false},
        {"sharpen", "0039", offsetof(Parameters, sharpen), true, 1e9, false},
        {"sharpen", "0039", offsetof(Parameters, sharpen), true, -1, false},
        {"sharpen", "0039", offsetof(Parameters, sharpen), true, 100, true},
        {"sharpen", "0039", offsetof(Parameters, sharpen), true, 0, true},
        {"latitude", "0034", offsetof(Parameters, latitude), true, -1e9, true},
        {"tabs", "0038", offsetof(Parameters, tabs), true, 3e9, false},
        {"tabs", "0038", offsetof(Parameters, tabs), true, -1e9, false},
        {"tabs", "0038", offsetof(Parameters, tabs), true, 1e9, false},
        {"tabs", "0038", offsetof(Parameters, tabs), true, 33, true},
        {"fov", "0037", offsetof(Parameters, FOV), true, 1e30, false},
        {"fov", "0037", offsetof(Parameters, FOV), true, 0, false},
        {"fov", "0037", offsetof(Parameters, FOV), true, 1e9, false},
        {"fov", "0037", offsetof(Parameters, FOV), true, -1e9, false},
        {"fov", "0037", offsetof(Parameters, FOV), true, 360.5, false},
        {"fov", "0037", offsetof(Parameters, FOV), true, 360, true},
        {"fov", "0037", offsetof(Parameters, FOV), true, 0.25, true},
        {"brick-colors", "0024", offsetof(Parameters, legoBrickMask), false, 4095, true},
        {"brick-colors", "0024", offsetof(Parameters, legoBrickMask), false, 4096, false},
        {"brick-colors", "0024", offsetof(Parameters, legoBrickMask), false, -1, false},
        {"brick-colors", "0024", offsetof(Parameters, legoBrickMask), false, 0, true},
        {"cubemap-pixels", "0021", offsetof(Parameters, cubemap_pixels), false, 1, false},
        {"cubemap-pixels", "0021", offsetof(Parameters, cubemap_pixels), false, 30000, true},
        {"export-pixels", "0026", offsetof(Parameters, export_pixels), false, 30001, false},
        {"brick-layers", "0018", offsetof(Parameters, lego_layers), false, 2, false},
        {"brick-layers", "0018", offsetof(Parameters, lego_layers), false, 150, true},
    };
    for (const auto& c : cases) {
        char text[64];
        std::snprintf(text, sizeof text, c.real ? "%.9g" : "%.0f", c.value);
        const std::string what = std::string(c.name) + " " + text;
        // A settings file holding the value.
        auto p = DefaultSettings();
        if (c.real) {
            SetParameterField<float>(p.get(), c.offset, float(c.value));
        } else {
            SetParameterField<int32_t>(p.get(), c.offset, int32_t(c.value));
        }
        int fd = open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_EQ(WriteSettingsFile(p.get(), fd, nullptr, false), 0);
        close(fd);
        auto q = DefaultSettings();
        fd = open(file.c_str(), O_RDONLY);
        std::string why;
        const int32_t read = ReadSettingsFile(fd, q.get(), true, nullptr, nullptr, &why);
        close(fd);
        EXPECT_EQ(read, c.accepted ? kSettingsFileOK : kSettingsFileBadValue) << what << ": " << why;
        if (c.accepted) {  // and the value read back as written
            EXPECT_EQ(std::memcmp(reinterpret_cast<char*>(p.get()) + c.offset,
                                  reinterpret_cast<char*>(q.get()) + c.offset, 4), 0) << what;
        }
        // The descriptor reader, through the key.
        DescriptorItem item;
        std::string error;
        const std::string itemText = std::string(c.key) + "=" + text + (c.real && !std::strpbrk(text, ".e") ? ".0" : "");
        ASSERT_TRUE(ParseDescriptorItem(itemText, &item, &error)) << what << error;
        EXPECT_EQ(CheckSettingsItems({item}, &error), c.accepted) << what << ": " << error;
        // The command line, by name and by --settings.
        std::vector<DescriptorItem> items;
        EXPECT_EQ(NamedSettingToItems(c.name, text, &items, &error), c.accepted) << what << ": " << error;
        HostOptions options;
        const char* argv[] = {"vornesk", "in.png", "-o", "out.png", "--settings", file.c_str()};
        EXPECT_EQ(ParseHostOptions(int(std::size(argv)), argv, &options, &error), c.accepted) << what << ": " << error;
    }
    // End to end, a file out of range stops the host before it runs: bad arguments.
    auto sharp = DefaultSettings();
    sharp->sharpen = 5.6e34f;
    const int fd = open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_EQ(WriteSettingsFile(sharp.get(), fd, nullptr, false), 0);
    close(fd);
    std::string in = std::string(folder) + "/in.png";
    const HostResult r = SpawnHost(folder, {VORNESK_HOST_PROGRAM, in, "-o", std::string(folder) + "/out.png",
                                           "--settings", file});
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_NE(r.err.find("the sharpening 5.6e+34 is not from 0 to 100"), std::string::npos) << r.err;
    std::system(("rm -rf '" + std::string(folder) + "'").c_str());
}

// Colours and numbers meet one parser and one range table on every route:
// an option, --set NAME=, --set KEY= and a settings file each refuse the same
// values with exit status 2 and one line; a key that carries nothing too.
TEST(HostSettingsOptions, ColoursNumbersAndKeysMeetOnePolicy) {
    char folder[] = "/tmp/vornesk-policy-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string dir = folder, file = dir + "/colour.q2q";
    // A settings file whose background red word holds 70000 (word 5, the
    // version being word 1): read as such, not cut to 4464.
    {
        auto p = DefaultSettings();
        int fd = open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_EQ(WriteSettingsFile(p.get(), fd, nullptr, false), 0);
        ASSERT_EQ(pwrite(fd, "\0\x01\x11\x70", 4, 16), 4);   // 70000, big-endian
        close(fd);
    }
    const struct {
        std::vector<std::string> args;
        bool accepted;
        const char* says;   // part of the one line, when refused
    } cases[] = {
        {{"--background-color", "70000,0,0"}, false, "--background-color takes"},
        {{"--set", "background-color=70000,0,0"}, false, "--background-color takes"},
        {{"--set", "0004=273.4375"}, false, "background colour's red under 0004"},
        {{"--settings", file}, false, "the colour component 70000"},
        {{"--set", "0004=255.99609375"}, true, ""},
        {{"--background-color", "65535,0,0"}, true, ""},
        {{"--fov", "+5"}, false, "--fov takes a number"},
        {{"--set", "fov=+5"}, false, "--fov takes a number"},
        {{"--set", "0037=+5"}, false, "is not a number"},
        {{"--set", "0037=0x10"}, false, "is not a number"},
        {{"--set", "0037= 5"}, false, "is not a number"},
        {{"--set", "0037=inf"}, false, "is not a number"},
        {{"--set", "0021=+300"}, false, "is not a number"},
        {{"--cubemap-pixels", "0x100"}, false, "--cubemap-pixels takes"},
        {{"--set", "0037=5"}, true, ""},
        {{"--set", "0037=0"}, false, "field of view"},
        {{"--set", "0015=1"}, false, "the key \"0015\" carries no setting"},
        {{"--set", "0032=2"}, false, "the key \"0032\" carries no setting"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> argv = {"vornesk", "in.png", "-o", "out.png"};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        std::vector<const char*> raw;
        for (const std::string& a : argv) raw.push_back(a.c_str());
        HostOptions options;
        std::string error;
        const std::string what = c.args[0] + " " + c.args[1];
        EXPECT_EQ(ParseHostOptions(int(raw.size()), raw.data(), &options, &error), c.accepted) << what << ": " << error;
        if (c.accepted) continue;
        EXPECT_NE(error.find(c.says), std::string::npos) << what << ": " << error;
        argv[0] = VORNESK_HOST_PROGRAM;
        const HostResult r = SpawnHost(dir, argv);
        EXPECT_EQ(r.status, 2) << what << ": " << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << what << ": " << r.err;
    }
    std::system(("rm -rf '" + dir + "'").c_str());
}

}  // namespace
