// Every output code the catalogue accepts, run through the plug-in module
// over the bundled Earth at 48 x 24 in float samples with a transparency
// plane: the run either renders a picture, or refuses the mode with one line
// saying it is not available in this build and leaves the picture alone. A
// rendered picture has an opaque pixel, no colour over 99% of its opaque
// pixels and every sample finite. No mode may answer a blank picture with
// success. Small on purpose: it also runs under the sanitizers.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "platform/host/result_codes.h"
#include "pyramid/cube_corpus.h"
#include "pyramid/glue_names.h"
#include "shell/mode_catalogue.h"
#include "shell/renderable.h"
#include "tests/shell/plugin_fixture.h"
#include "cli/document.h"
#include "cli/host_session.h"
#include "cli/image_files.h"
#include "cli/options.h"
#include "cli/settings_options.h"
#include "tests/cli/spawn_host.h"

namespace {

// The bundled Earth, shrunk to w x h, in float samples with an opaque
// transparency plane: a render's transparent parts and non-finite samples
// show as they are.
HostDocument SmallEarth(int32_t w, int32_t h) {
    HostDocument jpeg, doc;
    std::string error;
    EXPECT_TRUE(ReadImageFile(std::string(VORNESK_SOURCE_DIR) + "/samples/earth-2048x1024.jpg", &jpeg, &error))
        << error;
    EXPECT_TRUE(ResizeDocument(&jpeg, w, h, &error)) << error;
    EXPECT_TRUE(AllocateDocument(&doc, w, h, 3, true, 32, &error)) << error;
    for (size_t p = 0; p < size_t(w) * size_t(h); ++p) {
        for (size_t c = 0; c < 3; ++c) SetUnitSample(&doc, p * 4 + c, GetUnitSample(jpeg, p * 3 + c));
        SetUnitSample(&doc, p * 4 + 3, 1.0);
    }
    return doc;
}

HostRunSettings Settings(const std::vector<std::pair<bool, std::string>>& modes) {
    // As the command line gives them: --output-mode or --input-mode each.
    std::vector<const char*> argv = {"vornesk", "in.png", "-o", "out.png"};
    for (const auto& [output, text] : modes) {
        argv.push_back(output ? "--output-mode" : "--input-mode");
        argv.push_back(text.c_str());
    }
    HostOptions options;
    std::string error;
    EXPECT_TRUE(ParseHostOptions(int(argv.size()), argv.data(), &options, &error)) << error;
    HostRunSettings settings;
    settings.haveSettings = true;
    settings.settings = options.settings;
    return settings;
}

// An output mode with one named setting.
HostRunSettings OutputModeWith(const std::string& mode, const char* name, const char* value) {
    HostRunSettings settings = Settings({{true, mode}});
    std::string error;
    EXPECT_TRUE(NamedSettingToItems(name, value, &settings.settings, &error)) << error;
    return settings;
}

// What is wrong with a rendered float RGBA picture, or "": a non-finite
// sample, nothing opaque, or one colour (to 1/64 in each channel) over 99%
// of the opaque pixels.
std::string PictureProblem(const HostDocument& doc) {
    const size_t pixels = size_t(doc.width) * size_t(doc.height);
    std::map<std::tuple<long, long, long>, size_t> colours;
    size_t opaque = 0, commonest = 0;
    for (size_t p = 0; p < pixels; ++p) {
        double v[4];
        for (size_t c = 0; c < 4; ++c) {
            v[c] = GetUnitSample(doc, p * 4 + c);
            if (!std::isfinite(v[c])) return "renders a non-finite sample with success";
        }
        if (v[3] < 0.02) continue;
        ++opaque;
        auto level = [](double x) { return std::lround(std::clamp(x, 0.0, 1.0) * 63.0); };
        commonest = std::max(commonest, ++colours[{level(v[0]), level(v[1]), level(v[2])}]);
    }
    if (opaque == 0) return "renders a fully transparent picture with success";
    if (commonest * 100 > opaque * 99) return "renders one flat colour with success";
    return "";
}

// A code the catalogue has no name for (only a scripting code) goes by its number.
std::string Refusal(const char* kind, int64_t code, const char* name) {
    const std::string named = name[0] && name[0] != '*' ? std::string(" (") + name + ")" : "";
    return std::string(kind) + " mode " + std::to_string(code) + named + " is not available in this build";
}

struct Outcome {
    bool rendered = false;
    bool refused = false;
    std::string problem;   // empty when the run did one of the two properly
};

Outcome RunPlugin(PluginMainProc entry, const HostDocument& earth, const HostRunSettings& settings,
            const std::string& expectedRefusal) {
    Outcome o;
    HostDocument doc = earth;
    HostRunReport report;
    const bool ran = RunFilter(entry, &doc, settings, &report);
    if (ran && report.result == noErr) {
        o.rendered = true;
        o.problem = PictureProblem(doc);
        return o;
    }
    o.refused = true;
    if (report.result != errReportString)
        o.problem = "fails with " + std::to_string(report.result) + " instead of a refusal";
    else if (report.pluginMessage != expectedRefusal)
        o.problem = "refused with \"" + report.pluginMessage + "\"";
    else if (doc.samples != earth.samples)
        o.problem = "refused but changed the picture";
    return o;
}

// The output codes are swept in shards, every kSweepShards-th code each,
// that run side by side: the expensive families spread over all of them.
constexpr int64_t kSweepShards = 8;

// The Goldberg and quad solids (420-545) take seconds each to build and
// finish: every seventh, which meets each family and base, stands for them
// here (bench_goldberg builds them all).
bool Swept(int64_t m) { return m < 420 || m > 545 || (m - 420) % 7 == 0; }

class OutputModeShard : public ::testing::TestWithParam<int64_t> {};

TEST_P(OutputModeShard, EveryOutputCodeRendersAPictureOrIsRefused) {
    PluginMainProc entry = LoadPlugin();
    ASSERT_NE(entry, nullptr) << dlerror();
    SupportFolder support;
    const HostDocument earth = SmallEarth(48, 24);
    for (int64_t m = 1; m <= kLastOutputMode; ++m) {
        if (!IsValidOutputMode(m) || m % kSweepShards != GetParam() || !Swept(m)) continue;
        // A refused mode says why, in the words of its row in the table.
        const std::string refusal = Refusal("output", m, VorneskOutputModeName(m)) + ": " +
                                    (FindOutputMode(m)->refusal ? FindOutputMode(m)->refusal : "");
        const Outcome o = RunPlugin(entry, earth, Settings({{true, std::to_string(m)}}), refusal);
        EXPECT_EQ(o.problem, "") << "output mode " << m << " (" << VorneskOutputModeName(m) << ")";
        // The predicate and the plug-in agree.
        EXPECT_EQ(o.rendered, OutputModeIsRenderable(m)) << "output mode " << m;
    }
}

INSTANTIATE_TEST_SUITE_P(ModeSweep, OutputModeShard, ::testing::Range<int64_t>(0, kSweepShards));

// The shards cover the catalogue, and since each checks that the plug-in
// renders exactly the codes the predicate names, the modes built so far are
// what it renders: a sweep that refuses everything proves nothing.
TEST(ModeSweep, TheSweepMeetsTheWholeCatalogueAndRendersMostOfIt) {
    int64_t codes = 0, rendered = 0;
    std::vector<int> shards(kSweepShards);
    for (int64_t m = 1; m <= kLastOutputMode; ++m) {
        if (!IsValidOutputMode(m)) continue;
        ++codes;
        ++shards[size_t(m % kSweepShards)];
        if (!Swept(m)) continue;
        rendered += OutputModeIsRenderable(m) ? 1 : 0;
    }
    EXPECT_GT(codes, 550);
    EXPECT_GE(rendered, 60);
    for (int n : shards) EXPECT_GT(n, 0);
}

// Every input layout read as the Earth and shown equirectangular: a picture,
// the layouts on a polyhedron (29 and 39) included.
TEST(ModeSweep, EveryInputModeRendersAPictureOrIsRefused) {
    PluginMainProc entry = LoadPlugin();
    ASSERT_NE(entry, nullptr) << dlerror();
    SupportFolder support;
    const HostDocument earth = SmallEarth(32, 16);
    for (int64_t m = 1; m <= kInputModeCount; ++m) {
        // A cube layout is cut from a picture of its own shape (another shape
        // is refused, tested with the layouts), here cells of 8 pixels.
        const CubeLayout* layout = CubeLayoutOfTag(CubeLayoutTagOfInputMode(m));
        const HostDocument picture =
            layout ? SmallEarth(int32_t(layout->columns * 8), int32_t(layout->rows * 8)) : earth;
        const std::string refusal =
            Refusal("input", m, VorneskInputModeName(m)) + ": the solid it lies on is not built";
        const Outcome o = RunPlugin(entry, picture, Settings({{false, std::to_string(m)}, {true, "1"}}), refusal);
        EXPECT_EQ(o.problem, "") << "input mode " << m << " (" << VorneskInputModeName(m) << ")";
        EXPECT_EQ(o.rendered, InputModeIsRenderable(m)) << "input mode " << m;
    }
    EXPECT_TRUE(InputModeIsRenderable(29));
    EXPECT_TRUE(InputModeIsRenderable(39));
}

// Every glue mode blends the Mollweide Earth with the picture into a picture.
TEST(ModeSweep, EveryGlueModeRendersAPicture) {
    PluginMainProc entry = LoadPlugin();
    ASSERT_NE(entry, nullptr) << dlerror();
    SupportFolder support;
    const HostDocument earth = SmallEarth(32, 16);
    for (int64_t g = 1; g <= kGlueModeCount; ++g) {
        HostRunSettings settings = Settings({{true, "46"}});
        DescriptorItem item;
        std::string error;
        ASSERT_TRUE(ModeToItem(ModeKind::Glue, std::to_string(g), &item, &error)) << error;
        settings.settings.push_back(item);
        const Outcome o = RunPlugin(entry, earth, settings, "");
        EXPECT_TRUE(o.rendered) << "glue mode " << g << " (" << GlueCaption(int(g)) << ")";
        EXPECT_EQ(o.problem, "") << "glue mode " << g << " (" << GlueCaption(int(g)) << ")";
        EXPECT_TRUE(GlueModeIsRenderable(g));
    }
}

// Each overlay renders with a mode that renders, as do the switches off.
TEST(ModeSweep, OverlaysRender) {
    PluginMainProc entry = LoadPlugin();
    ASSERT_NE(entry, nullptr) << dlerror();
    SupportFolder support;
    const HostDocument earth = SmallEarth(32, 16);
    struct Case {
        const char* name;
        const char* value;
    };
    for (const Case& c : {Case{"graticule", "3"}, Case{"graticule", "7"}, Case{"indicatrix", "true"},
                          Case{"edges", "true"}}) {
        const Outcome o = RunPlugin(entry, earth, OutputModeWith("46", c.name, c.value), "");
        EXPECT_TRUE(o.rendered) << c.name;
        EXPECT_EQ(o.problem, "") << c.name << " " << c.value;
    }
    // No graticule (kind 1) and switches off render.
    HostRunSettings settings = Settings({{true, "46"}});
    std::string error;
    for (const char* name : {"indicatrix", "edges"})
        ASSERT_TRUE(NamedSettingToItems(name, "false", &settings.settings, &error)) << error;
    ASSERT_TRUE(NamedSettingToItems("graticule", "1", &settings.settings, &error)) << error;
    const Outcome o = RunPlugin(entry, earth, settings, "");
    EXPECT_TRUE(o.rendered);
    EXPECT_EQ(o.problem, "");
}

// A retroazimuthal map with the latitude on a pole has no place to show: the
// run is refused with the reason and leaves the picture alone; near the pole
// it renders what there is.
TEST(ModeSweep, RetroazimuthalMapsRefuseTheLatitudeOnAPole) {
    PluginMainProc entry = LoadPlugin();
    ASSERT_NE(entry, nullptr) << dlerror();
    SupportFolder support;
    const HostDocument earth = SmallEarth(48, 24);
    struct Case {
        const char* mode;
        const char* latitude;
        const char* refusal;   // "" when it renders
    } cases[] = {
        {"400", "90", "output mode 400 (retroazimuthal front) draws nothing with the latitude on a pole; choose a "
                      "latitude between -90 and 90"},
        {"401", "-90", "output mode 401 (retroazimuthal back) draws nothing with the latitude on a pole; choose a "
                       "latitude between -90 and 90"},
        {"400", "45", ""},
        {"401", "-80", ""},
    };
    for (const Case& c : cases) {
        const Outcome o = RunPlugin(entry, earth, OutputModeWith(c.mode, "latitude", c.latitude), c.refusal);
        EXPECT_EQ(o.rendered, c.refusal[0] == 0) << c.mode << " at " << c.latitude;
        EXPECT_EQ(o.problem, "") << c.mode << " at " << c.latitude;
    }
}

// What the user sees: build/vornesk exits 1 with one line naming the mode.
TEST(ModeSweep, TheHostShowsTheRefusalInOneLineAndExits1) {
    char tmpl[] = "/tmp/vornesk-sweep-host-XXXXXX";
    const std::string folder = mkdtemp(tmpl);
    const HostResult r =
        SpawnHost(folder,
                  {VORNESK_HOST_PROGRAM, "--plugin", VORNESK_PLUGIN_MODULE, "--quiet",
                   std::string(VORNESK_SOURCE_DIR) + "/samples/earth-2048x1024.jpg", "-o", folder + "/out.png",
                   "--output-mode", "sawtooth"},
                  {"VORNESK_SUPPORT_DIR=" + folder});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "vornesk: the plug-in failed at start: " + OutputModeRefusal(kModeSawtooth) + "\n");
    EXPECT_NE(OutputModeRefusal(kModeSawtooth).find("(sawtooth) is not available in this build: "), std::string::npos);
    EXPECT_NE(access((folder + "/out.png").c_str(), F_OK), 0);
    std::system(("rm -rf '" + folder + "'").c_str());
}

}  // namespace
