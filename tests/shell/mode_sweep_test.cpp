// Every output code the catalogue accepts, run through the plug-in module
// over the bundled Earth at 48 x 24: the run either renders a picture that is
// not one flat colour, or refuses the mode with one line saying it is not
// available in this build and leaves the picture alone. No mode may answer a
// blank picture with success. Small on purpose: it also runs under the
// sanitizers.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/host/result_codes.h"
#include "shell/mode_catalogue.h"
#include "shell/renderable.h"
#include "tests/shell/plugin_fixture.h"
#include "tools/vornesk/document.h"
#include "tools/vornesk/host_session.h"
#include "tools/vornesk/image_files.h"
#include "tools/vornesk/options.h"
#include "tools/vornesk/settings_options.h"
#include "tests/tools/spawn_host.h"

namespace {

// The bundled Earth, shrunk to w x h.
HostDocument SmallEarth(int32_t w, int32_t h) {
    HostDocument doc;
    std::string error;
    EXPECT_TRUE(ReadImageFile(std::string(VORNESK_SOURCE_DIR) + "/samples/earth-2048x1024.jpg", &doc, &error))
        << error;
    EXPECT_TRUE(ResizeDocument(&doc, w, h, &error)) << error;
    return doc;
}

HostRunSettings Settings(const std::vector<std::pair<bool, std::string>>& modes) {
    HostRunSettings settings;
    settings.haveSettings = true;
    for (const auto& [output, text] : modes) {
        DescriptorItem item;
        std::string error;
        EXPECT_TRUE(ModeOptionToItem(output, text, &item, &error)) << error;
        settings.settings.push_back(item);
    }
    return settings;
}

// Whether some sample differs from the first pixel's by more than a level.
bool HasMoreThanOneColour(const HostDocument& doc) {
    const size_t planes = size_t(doc.Planes());
    for (size_t i = planes; i < doc.SampleCount(); ++i)
        if (std::abs(GetUnitSample(doc, i) - GetUnitSample(doc, i % planes)) > 1.5 / 255.0) return true;
    return false;
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
        if (!HasMoreThanOneColour(doc)) o.problem = "renders one flat colour with success";
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

TEST(ModeSweep, EveryOutputCodeRendersAPictureOrIsRefused) {
    PluginMainProc entry = LoadPlugin();
    ASSERT_NE(entry, nullptr) << dlerror();
    SupportFolder support;
    const HostDocument earth = SmallEarth(48, 24);
    int64_t codes = 0, rendered = 0;
    for (int64_t m = 1; m <= kLastOutputMode; ++m) {
        if (!IsValidOutputMode(m)) continue;
        ++codes;
        const Outcome o = RunPlugin(entry, earth, Settings({{true, std::to_string(m)}}),
                              Refusal("output", m, VorneskOutputModeName(m)));
        EXPECT_EQ(o.problem, "") << "output mode " << m << " (" << VorneskOutputModeName(m) << ")";
        // The predicate and the plug-in agree.
        EXPECT_EQ(o.rendered, OutputModeIsRenderable(m)) << "output mode " << m;
        rendered += o.rendered ? 1 : 0;
    }
    EXPECT_GT(codes, 550);
    // The modes built so far: a sweep that refuses everything proves nothing.
    EXPECT_GE(rendered, 60);
}

// Every input layout read as the Earth and shown equirectangular: a picture,
// the layouts on a polyhedron (29 and 39) included.
TEST(ModeSweep, EveryInputModeRendersAPictureOrIsRefused) {
    PluginMainProc entry = LoadPlugin();
    ASSERT_NE(entry, nullptr) << dlerror();
    SupportFolder support;
    const HostDocument earth = SmallEarth(32, 16);
    for (int64_t m = 1; m <= kInputModeCount; ++m) {
        const Outcome o = RunPlugin(entry, earth, Settings({{false, std::to_string(m)}, {true, "1"}}),
                                    Refusal("input", m, VorneskInputModeName(m)));
        EXPECT_EQ(o.problem, "") << "input mode " << m << " (" << VorneskInputModeName(m) << ")";
        EXPECT_EQ(o.rendered, InputModeIsRenderable(m)) << "input mode " << m;
    }
    EXPECT_TRUE(InputModeIsRenderable(29));
    EXPECT_TRUE(InputModeIsRenderable(39));
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
        HostRunSettings settings = Settings({{true, "46"}});
        std::string error;
        ASSERT_TRUE(NamedSettingToItems(c.name, c.value, &settings.settings, &error)) << error;
        const Outcome o = RunPlugin(entry, earth, settings, "");
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
    EXPECT_EQ(r.err, "vornesk: the plug-in failed at start: output mode 405 (sawtooth) is not available in this "
                     "build\n");
    EXPECT_NE(access((folder + "/out.png").c_str(), F_OK), 0);
    std::system(("rm -rf '" + folder + "'").c_str());
}

}  // namespace
