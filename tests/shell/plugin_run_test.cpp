// The plug-in module driven through all its selectors by the host's session:
// every document kind comes back as the test pattern, a cancelled run gives
// -128 and writes nothing, and the persisted files land in the
// application-support folder. The render runs on the task engine's threads,
// so these suites are named Engine... and also run under ThreadSanitizer.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "platform/host/result_codes.h"
#include "render/tile_copies.h"
#include "tests/files/psd_test_support.h"
#include "tests/shell/plugin_fixture.h"
#include "cli/document.h"
#include "cli/host_session.h"
#include "cli/image_files.h"
#include "cli/options.h"

extern char** environ;

namespace {

bool Exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

// The big-endian 32-bit words of a file.
std::vector<int32_t> Words(const std::string& path) {
    std::vector<int32_t> words;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return words;
    unsigned char b[4];
    while (std::fread(b, 1, 4, f) == 4) words.push_back(int32_t(uint32_t(b[0]) << 24 | b[1] << 16 | b[2] << 8 | b[3]));
    std::fclose(f);
    return words;
}

HostDocument Document(int32_t w, int32_t h, int16_t colourPlanes, bool alpha, int32_t depth) {
    HostDocument doc;
    std::string error;
    EXPECT_TRUE(AllocateDocument(&doc, w, h, colourPlanes, alpha, depth, &error)) << error;
    for (size_t i = 0; i < doc.SampleCount(); i++) SetUnitSample(&doc, i, double((i * 37) % 101) / 100.0);
    return doc;
}

// How far a rendered sample may lie from the identity's: one level of the
// document's depth, float error for 32 bits; alpha goes out scaled by 1.007
// (a filtered alpha just short of 1 counts as opaque), so it may gain that much.
double IdentityTolerance(const HostDocument& doc, int p, double expected) {
    const double level = doc.depth == 8 ? 1.01 / 255.0 : doc.depth == 16 ? 1.01 / 32768.0 : 1e-4;
    if (p == doc.colourPlanes && doc.depth != 32) return level + 0.007 * expected;
    return level;
}

// Compares the rendered document with the picture it was made from: the
// count of samples outside the identity's tolerance.
int64_t IdentityMismatches(const HostDocument& before, const HostDocument& after) {
    int64_t mismatches = 0;
    for (size_t i = 0; i < before.SampleCount(); i++) {
        const int p = int(i % size_t(before.Planes()));
        const double expected = GetUnitSample(before, i);
        // A fully transparent pixel has no colour to keep.
        const bool clear = before.Planes() > before.colourPlanes &&
                           GetUnitSample(before, i - size_t(p) + size_t(before.colourPlanes)) == 0.0;
        if (clear && p < before.colourPlanes) continue;
        if (std::abs(GetUnitSample(after, i) - expected) > IdentityTolerance(before, p, expected)) mismatches++;
    }
    return mismatches;
}

// The output-mode setting of a run.
HostRunSettings OutputMode(const std::string& mode) {
    const char* const argv[] = {"vornesk", "--output-mode", mode.c_str(), "in.png", "-o", "out.png"};
    HostOptions options;
    std::string error;
    EXPECT_TRUE(ParseHostOptions(6, argv, &options, &error)) << error;
    HostRunSettings settings;
    settings.haveSettings = true;
    settings.settings = options.settings;
    return settings;
}

struct Kind {
    int32_t depth;
    int16_t colourPlanes;
    bool alpha;
};

class EnginePluginRun : public ::testing::TestWithParam<Kind> {};

// An equirectangular picture through output mode 1 with no twirl comes back
// as it went in, at every depth, with and without alpha.
TEST_P(EnginePluginRun, RendersTheIdentityThroughEverySelector) {
    PluginMainProc entry = LoadPlugin();
    ASSERT_NE(entry, nullptr) << dlerror();
    SupportFolder support;
    const Kind k = GetParam();
    HostDocument doc = Document(300, 150, k.colourPlanes, k.alpha, k.depth);
    const HostDocument before = doc;

    HostRunReport report;
    ASSERT_TRUE(RunFilter(entry, &doc, HostRunSettings{}, &report)) << HostResultInWords(report.result);
    EXPECT_EQ(report.result, noErr);
    EXPECT_GT(report.pixelRequests, 5);

    // Every pixel of the 300 x 150 job, across the tile seams.
    EXPECT_EQ(IdentityMismatches(before, doc), 0);

    // The run on OK writes the cached settings; shut-down writes the memory-dot map.
    EXPECT_TRUE(Exists(support / "Vornesk 2 cached settings D"));
    std::vector<int32_t> map = Words(support / "Vornesk 2 memdot map 2");
    ASSERT_EQ(map.size(), 26u);
    EXPECT_EQ(map[0], 48);
}

INSTANTIATE_TEST_SUITE_P(AllDocuments, EnginePluginRun,
                         ::testing::Values(Kind{8, 1, false}, Kind{8, 1, true}, Kind{8, 3, false}, Kind{8, 3, true},
                                           Kind{16, 1, false}, Kind{16, 1, true}, Kind{16, 3, false},
                                           Kind{16, 3, true}, Kind{32, 1, false}, Kind{32, 1, true},
                                           Kind{32, 3, false}, Kind{32, 3, true}),
                         [](const ::testing::TestParamInfo<Kind>& info) {
                             return std::to_string(info.param.depth) +
                                    (info.param.colourPlanes == 1 ? "Grey" : "RGB") +
                                    (info.param.alpha ? "Alpha" : "Flat");
                         });

// Output mode 81 spreads the whole sphere over the frame whatever its
// proportions, so this document also comes back as it went in.
TEST(EnginePluginBigDocument, WidthsBeyondSixteenBitsUseThe32BitRectangles) {
    PluginMainProc entry = LoadPlugin();
    ASSERT_NE(entry, nullptr);
    SupportFolder support;
    HostDocument doc = Document(40000, 3, 3, false, 8);
    const HostDocument before = doc;
    HostRunReport report;
    ASSERT_TRUE(RunFilter(entry, &doc, OutputMode("81"), &report)) << HostResultInWords(report.result);
    for (int64_t x : {0, 32767, 32768, 39999})
        for (int p = 0; p < 3; p++) {
            const size_t i = (size_t(1) * doc.width + x) * 3 + p;
            EXPECT_NEAR(GetUnitSample(doc, i), GetUnitSample(before, i), 1.01 / 255.0) << x;
        }
}

TEST(EnginePluginCancel, AbortDuringTheRenderGivesCancelAndWritesNoSettings) {
    PluginMainProc entry = LoadPlugin();
    ASSERT_NE(entry, nullptr);
    SupportFolder support;
    HostDocument doc = Document(400, 300, 3, false, 8);
    const HostDocument before = doc;

    RequestHostAbort();
    HostRunReport report;
    EXPECT_FALSE(RunFilter(entry, &doc, HostRunSettings{}, &report));
    ClearHostAbort();
    EXPECT_EQ(report.result, userCanceledErr);
    EXPECT_EQ(report.failedSelector, filterSelectorStart);
    EXPECT_EQ(doc.samples, before.samples);
    EXPECT_FALSE(Exists(support / "Vornesk 2 cached settings D"));
    // The storage went with the failure: the memory-dot map was written then.
    EXPECT_TRUE(Exists(support / "Vornesk 2 memdot map 2"));

    // The plug-in runs again normally afterwards.
    HostRunReport again;
    EXPECT_TRUE(RunFilter(entry, &doc, HostRunSettings{}, &again));
    EXPECT_TRUE(Exists(support / "Vornesk 2 cached settings D"));
}

TEST(PluginMemDots, TheMapSurvivesARunUnchanged) {
    PluginMainProc entry = LoadPlugin();
    ASSERT_NE(entry, nullptr);
    SupportFolder support;
    // A map with a few persistent dots, as an earlier session left it.
    {
        FILE* f = std::fopen((support / "Vornesk 2 memdot map 2").c_str(), "wb");
        ASSERT_NE(f, nullptr);
        for (int i = 0; i < 26; i++) {
            int32_t v = i == 0 ? 48 : (i % 5 == 0 ? 1 : 0);
            unsigned char b[4] = {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)};
            std::fwrite(b, 1, 4, f);
        }
        std::fclose(f);
    }
    HostDocument doc = Document(64, 64, 3, false, 8);
    HostRunReport report;
    ASSERT_TRUE(RunFilter(entry, &doc, HostRunSettings{}, &report));
    std::vector<int32_t> map = Words(support / "Vornesk 2 memdot map 2");
    ASSERT_EQ(map.size(), 26u);
    for (int i = 1; i < 26; i++) EXPECT_EQ(map[i], i % 5 == 0 ? 1 : 0) << i;
}

// The command-line host with the plug-in beside it: a picture file in, the
// same picture out (output mode 1), and the settings folder taken from the
// environment.
TEST(PluginCommandLine, RendersAFileThroughBuildVornesk) {
    SupportFolder support;
    HostDocument doc = Document(130, 65, 3, true, 16);
    std::string error;
    const std::string in = support / "in.png", out = support / "out.png";
    ASSERT_TRUE(WriteImageFile(in, ImageFormat::PNG, doc, &error)) << error;

    std::vector<std::string> args = {VORNESK_HOST_PROGRAM, in, "-o", out, "--quiet", "--plugin", VORNESK_PLUGIN_MODULE};
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid;
    ASSERT_EQ(posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ), 0);
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);

    HostDocument result;
    ASSERT_TRUE(ReadImageFile(out, &result, &error)) << error;
    ASSERT_EQ(result.width, 130);
    ASSERT_EQ(result.depth, 16);
    // A 16-bit file holds 0..65535: one document step is two file steps.
    for (int64_t y : {0, 30, 64}) {
        for (int64_t x : {0, 3, 129}) {
            for (int p = 0; p < 4; p++) {
                const size_t i = (size_t(y) * result.width + x) * result.Planes() + p;
                const double expected = GetUnitSample(doc, i);
                EXPECT_NEAR(GetUnitSample(result, i), expected, IdentityTolerance(doc, p, expected) + 2.0 / 65535.0)
                    << x << "," << y << " plane " << p;
            }
        }
    }
    EXPECT_TRUE(Exists(support / "Vornesk 2 cached settings D"));
}

// Runs build/vornesk with args and the real plug-in; extraEnv ("NAME=value")
// goes before the inherited environment, so it wins. The exit status and
// what the program printed.
struct ProgramRun {
    int status = -1;
    std::string out, err;
};
ProgramRun RunVornesk(const std::string& folder, std::vector<std::string> args, std::vector<std::string> extraEnv = {}) {
    args.insert(args.begin(), {VORNESK_HOST_PROGRAM, "--plugin", VORNESK_PLUGIN_MODULE});
    const std::string out = folder + "/.out", err = folder + "/.err";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<char*> argv, env;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    for (std::string& e : extraEnv) env.push_back(e.data());
    for (char** e = environ; *e; ++e) env.push_back(*e);
    env.push_back(nullptr);
    ProgramRun r;
    pid_t pid;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), env.data()) == 0) {
        int status = 0;
        waitpid(pid, &status, 0);
        r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    posix_spawn_file_actions_destroy(&actions);
    auto read = [](const std::string& path) {
        std::ifstream f(path, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    };
    r.out = read(out);
    r.err = read(err);
    return r;
}

// An OUTPUT ending in .psd holds what the same run writes as PNG, in the
// document's depth, one layer as the dialog's "PSD…" writes it, read by
// psd-tools without a warning; the runs print nothing.
TEST(PluginCommandLine, PsdOutputHoldsThePngRenderAndNothingIsPrinted) {
    struct Case {
        const char* name;
        int16_t planes;
        bool alpha;
        int32_t depth;
    };
    const Case cases[] = {{"rgb8", 3, false, 8}, {"rgba16", 3, true, 16}, {"grey8", 1, false, 8}};
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        SupportFolder support;
        std::string error;
        const std::string in = support / "in.png", png = support / "out.png", psd = support / "out.psd";
        ASSERT_TRUE(WriteImageFile(in, ImageFormat::PNG, Document(120, 60, k.planes, k.alpha, k.depth), &error));
        for (const std::string& out : {png, psd}) {
            const ProgramRun r = RunVornesk(support.path, {in, "-o", out, "--output-mode", "Mollweide"},
                                     {"VORNESK_SUPPORT_DIR=" + support.path});
            EXPECT_EQ(r.status, 0) << r.err;
            EXPECT_EQ(r.out, "");
            EXPECT_EQ(r.err, "");
        }
        HostDocument rendered;
        ASSERT_TRUE(ReadImageFile(png, &rendered, &error)) << error;
        const psdtest::ReadBack back = psdtest::ReadWithPsdTools(psd, support / "read");
        EXPECT_TRUE(back.warnings.empty()) << back.text;
        ASSERT_EQ(back.facts.count("layers"), 1u) << back.text;
        EXPECT_EQ(back.facts.at("layers"), "1");
        EXPECT_EQ(back.facts.at("layer 0 name"), "Layer 1");
        EXPECT_EQ(back.facts.at("size"), "120 60");
        EXPECT_EQ(back.facts.at("depth"), std::to_string(k.depth));
        // The layer as the host writes a result: a file without alpha has
        // the layer's transparent parts on white, one with alpha keeps the
        // layer's. Within one level of the PNG at 8 bits (two where the layer
        // is partly transparent, which the colour and its alpha each round).
        const int bytes = k.depth / 8;
        auto unit = [bytes](const std::vector<uint8_t>& raw, int i) {
            return bytes == 1 ? raw[i] / 255.0 : (raw[2 * i] << 8 | raw[2 * i + 1]) / 65535.0;   // files hold 0..65535
        };
        const std::vector<uint8_t> alpha = back.Raw("layer0_-1.raw");
        ASSERT_EQ(alpha.size(), size_t(120 * 60 * bytes));
        for (int plane = -1; plane < 3; ++plane) {
            const std::vector<uint8_t> raw = back.Raw("layer0_" + std::to_string(plane) + ".raw");
            ASSERT_EQ(raw.size(), size_t(120 * 60 * bytes));
            int worst = 0, worstPartial = 0;
            for (int i = 0; i < 120 * 60; ++i) {
                const int p = plane < 0 ? rendered.colourPlanes : rendered.colourPlanes == 1 ? 0 : plane;
                const double a = unit(alpha, i);
                const double png = plane < 0 && !rendered.hasAlpha ? 1.0 : GetUnitSample(rendered, size_t(i) * rendered.Planes() + p);
                double layer = unit(raw, i);
                if (!k.alpha) {
                    if (plane < 0) continue;
                    layer = a * layer + (1 - a);
                } else if (plane >= 0 && a < 0.01) {
                    continue;   // a transparent pixel has no colour
                }
                const int off = int(std::lround(std::abs(layer - png) * 255.0));
                (a > 0.999 || a < 0.001 ? worst : worstPartial) = std::max(a > 0.999 || a < 0.001 ? worst : worstPartial, off);
            }
            EXPECT_LE(worst, 1) << "plane " << plane;
            EXPECT_LE(worstPartial, 2) << "plane " << plane;
        }
    }
}

// Asked for the dialog where there is no display, the host fails (exit 1)
// with the reason, without a hint towards a platform that shows nothing and
// without calling it a cancel.
TEST(PluginCommandLine, WithoutADisplayTheDialogFailsWithItsReason) {
    SupportFolder support;
    std::string error;
    const std::string in = support / "in.png", out = support / "out.png";
    ASSERT_TRUE(WriteImageFile(in, ImageFormat::PNG, Document(40, 20, 3, false, 8), &error));
    // No display at all, and a Wayland session alone (none answers there),
    // which once aborted the process.
    const std::vector<std::string> waylands = {"WAYLAND_DISPLAY=", "WAYLAND_DISPLAY=wayland-9"};
    for (const std::string& wayland : waylands) {
        const ProgramRun r = RunVornesk(support.path, {in, "-o", out, "--dialog"},
                                        {"DISPLAY=", "QT_QPA_PLATFORM=", wayland, "XDG_RUNTIME_DIR=" + support.path,
                                         "VORNESK_SUPPORT_DIR=" + support.path});
        EXPECT_EQ(r.status, 1) << wayland << ": " << r.err;
        EXPECT_NE(r.err.find("no display"), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find("offscreen"), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find("cancelled"), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
        EXPECT_FALSE(Exists(out));
    }
}

}  // namespace
