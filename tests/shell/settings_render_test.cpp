// The command-line host with the plug-in: settings given as a settings file
// and the same settings given as options reach the plug-in alike and render
// the same picture; a damaged settings file stops the run before it starts;
// cube maps read back at another size, flipped or not, agree with the direct
// render.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "records/parameters.h"
#include "shell/defaults.h"
#include "shell/settings_file.h"
#include "tests/cli/spawn_host.h"
#include "cli/document.h"
#include "cli/image_files.h"

namespace {

using Folder = TempDir;

// build/vornesk with the plug-in; its settings folder is the test's own.
HostResult Host(const Folder& folder, std::vector<std::string> args) {
    args.insert(args.begin(), {VORNESK_HOST_PROGRAM, "--plugin", VORNESK_PLUGIN_MODULE, "--quiet"});
    return SpawnHost(folder.path, args, {"VORNESK_SUPPORT_DIR=" + folder.path});
}

// Writes in.png: an RGB ramp of w x h in the folder.
void WriteInput(const Folder& folder, int32_t w, int32_t h) {
    HostDocument doc;
    std::string error;
    ASSERT_TRUE(AllocateDocument(&doc, w, h, 3, false, 8, &error)) << error;
    for (size_t i = 0; i < doc.SampleCount(); ++i) doc.samples[i] = uint8_t(i * 7);
    ASSERT_TRUE(WriteImageFile(folder / "in.png", ImageFormat::PNG, doc, &error)) << error;
}

TEST(SettingsOnTheCommandLine, FileAndOptionsRenderAlike) {
    Folder folder;
    WriteInput(folder, 48, 24);

    auto p = std::make_unique<Parameters>();
    std::memset(static_cast<void*>(p.get()), 0, sizeof(Parameters));
    GrabDefaultSettings(p.get());
    p->inputMode = 8;
    p->outputMode = 94;
    p->glueMode = 12;
    p->grid = 3;
    p->latitude = 10.5f;
    p->spin = -3.25f;
    p->FOV = 80;
    p->flip = 1;
    p->edges = 1;
    p->cubemap_pixels = 640;
    p->tab_color = {0xABCD, 0x1234, 65535};
    auto writePreset = [&] {
        const int fd = open((folder / "preset.q2q").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_EQ(WriteSettingsFile(p.get(), fd, nullptr, false), 0);
        close(fd);
    };
    const std::vector<std::string> options = {"--input-mode", "circular 180°", "--output-mode", "Peirce quincunx",
                                              "--glue-mode", "overlay", "--latitude", "10.5", "--spin=-3.25",
                                              "--fov", "80", "--flip", "--cubemap-pixels", "640", "--tab-color",
                                              "43981,4660,65535", "--print-descriptor"};
    auto withOptions = [&](const std::string& output, std::vector<std::string> extra) {
        std::vector<std::string> args = {folder / "in.png", "-o", folder / output};
        args.insert(args.end(), options.begin(), options.end());
        args.insert(args.end(), extra.begin(), extra.end());
        return Host(folder, args);
    };

    // The graticule and the edges reach the plug-in alike: the same picture
    // both ways, and not the one without them.
    writePreset();
    const HostResult overlaysFromFile =
        Host(folder, {folder / "in.png", "-o", folder / "o1.png", "--settings", folder / "preset.q2q"});
    const HostResult overlaysFromOptions = withOptions("o2.png", {"--graticule", "3", "--edges"});
    ASSERT_EQ(overlaysFromFile.status, 0) << overlaysFromFile.err;
    ASSERT_EQ(overlaysFromOptions.status, 0) << overlaysFromOptions.err;
    EXPECT_EQ(ReadAll(folder / "o1.png"), ReadAll(folder / "o2.png"));

    p->grid = 1;
    p->edges = 0;
    writePreset();
    const HostResult fromFile = Host(folder, {folder / "in.png", "-o", folder / "a.png", "--settings",
                                       folder / "preset.q2q", "--print-descriptor"});
    ASSERT_EQ(fromFile.status, 0) << fromFile.err;
    const HostResult fromOptions = withOptions("b.png", {});
    ASSERT_EQ(fromOptions.status, 0) << fromOptions.err;

    // What the plug-in recorded from its settings, and the pictures.
    for (const char* line : {"Fiky=Fity:Fi08", "Foky=Foty:Fo95", "GLUE=GLty:GL12", "Fgky=Fgty:Fgr1", "0034=10.5",
                             "0036=-3.25", "0037=80.0", "0011=true", "0029=false", "0021=640",
                             "0001=171.80078125"})
        EXPECT_NE(fromFile.out.find(std::string(line) + "\n"), std::string::npos) << line << " in\n" << fromFile.out;
    EXPECT_EQ(fromFile.out, fromOptions.out);
    EXPECT_EQ(ReadAll(folder / "a.png"), ReadAll(folder / "b.png"));
    EXPECT_NE(ReadAll(folder / "a.png"), ReadAll(folder / "o1.png"));

    // Options after the file change it.
    const HostResult changed = Host(folder, {folder / "in.png", "-o", folder / "c.png", "--settings", folder / "preset.q2q",
                                      "--output-mode", "Mercator", "--print-descriptor"});
    ASSERT_EQ(changed.status, 0) << changed.err;
    EXPECT_NE(changed.out.find("Foky=Foty:Fo62\n"), std::string::npos);
    EXPECT_NE(changed.out.find("GLUE=GLty:GL12\n"), std::string::npos);
}

// A run without settings renders the defaults, whatever an earlier run left
// in the plug-in's cached settings.
TEST(SettingsOnTheCommandLine, RunsWithoutSettingsTakeTheDefaults) {
    Folder folder;
    WriteInput(folder, 32, 16);

    const HostResult first = Host(folder, {folder / "in.png", "-o", folder / "a.png"});
    ASSERT_EQ(first.status, 0) << first.err;
    const HostResult other = Host(folder, {folder / "in.png", "-o", folder / "b.png", "--output-mode", "Mollweide",
                                           "--latitude", "30"});
    ASSERT_EQ(other.status, 0) << other.err;
    const HostResult again = Host(folder, {folder / "in.png", "-o", folder / "c.png"});
    ASSERT_EQ(again.status, 0) << again.err;
    const HostResult explicitDefault = Host(folder, {folder / "in.png", "-o", folder / "d.png", "--flip=false"});
    ASSERT_EQ(explicitDefault.status, 0) << explicitDefault.err;
    EXPECT_NE(ReadAll(folder / "a.png"), ReadAll(folder / "b.png"));
    EXPECT_EQ(ReadAll(folder / "a.png"), ReadAll(folder / "c.png"));
    EXPECT_EQ(ReadAll(folder / "a.png"), ReadAll(folder / "d.png"));
}

TEST(SettingsOnTheCommandLine, DamagedFilesAndUnknownNamesStopTheRun) {
    Folder folder;
    HostDocument doc;
    std::string error;
    ASSERT_TRUE(AllocateDocument(&doc, 8, 8, 3, false, 8, &error));
    ASSERT_TRUE(WriteImageFile(folder / "in.png", ImageFormat::PNG, doc, &error));
    std::ofstream(folder / "short.q2q", std::ios::binary) << std::string("\0\0\0\x30\0\0", 6);
    struct Case {
        std::vector<std::string> args;
        const char* message;
    };
    const Case cases[] = {
        {{"--settings", folder / "short.q2q"}, "the file ends early"},
        {{"--settings", folder / "none.q2q"}, "cannot open settings file"},
        {{"--output-mode", "Mercatr"}, "nearest: \"Mercator\" (62)"},
        {{"--input-mode", "42"}, "there is no input mode 42"},
        {{"--glue-mode", "70"}, "there is no glue mode 70"},
        {{"--set", "Foky=Foty:Zz99"}, "cannot use these settings"},
        // A switch no pass draws is refused, not answered with the same picture.
        {{"--dehalo"}, "de-haloing is not available in this build"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {folder / "in.png", "-o", folder / "out.png"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const HostResult r = Host(folder, args);
        EXPECT_NE(r.status, 0) << c.message;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << c.message << " in: " << r.err;
        EXPECT_NE(access((folder / "out.png").c_str(), F_OK), 0) << c.message;
    }
}

// A refusal from inside the render (a cube map too small to cut into faces)
// reaches the user once, as the host's one line, with nothing else around it.
TEST(SettingsOnTheCommandLine, RefusalsFromTheRenderAreOneLine) {
    Folder folder;
    WriteInput(folder, 5, 2);
    const HostResult r = Host(folder, {folder / "in.png", "-o", folder / "out.png", "--input-mode", "33"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "vornesk: the plug-in failed at start: The picture is too small for input mode 33: a cube face "
                     "would be empty.\n");
    EXPECT_NE(access((folder / "out.png").c_str(), F_OK), 0);
}

// Peak signal to noise ratio of b against a, 8-bit colour planes, in dB.
double PSNR(const HostDocument& a, const HostDocument& b) {
    EXPECT_EQ(a.width, b.width);
    EXPECT_EQ(a.height, b.height);
    if (a.width != b.width || a.height != b.height || a.SampleCount() == 0) return 0.0;
    double sum = 0.0;
    int64_t count = 0;
    for (size_t p = 0; p < size_t(a.width) * size_t(a.height); ++p)
        for (int k = 0; k < a.colourPlanes; ++k) {
            const double d = 255.0 * (GetUnitSample(a, p * a.Planes() + k) - GetUnitSample(b, p * b.Planes() + k));
            sum += d * d;
            ++count;
        }
    return 10.0 * std::log10(255.0 * 255.0 / std::max(sum / double(count), 1e-12));
}

// The bundled Earth written as each cube map the cube views make (faces of
// 512 pixels), then read back at 1024 x 512 with the matching input mode:
// the plug-in reads the map at its own size, so the result is close to the
// Earth rendered straight at that size; flipped, to the flipped Earth.
// (sized_readback_cli_test.cpp compares such reads with ffmpeg's.)
TEST(SettingsOnTheCommandLine, CubeMapsReadBackAtAnotherSize) {
    Folder folder;
    const std::string earth = std::string(VORNESK_SOURCE_DIR) + "/samples/earth-2048x1024.jpg";
    auto read = [](const std::string& path) {
        HostDocument doc;
        std::string error;
        EXPECT_TRUE(ReadImageFile(path, &doc, &error)) << error;
        return doc;
    };
    HostDocument direct[2];
    for (int flip : {0, 1}) {
        const std::string out = folder / ("direct" + std::to_string(flip) + ".png");
        const HostResult r = Host(folder, {earth, "-o", out, "--size", "1024x512", "--flip=" + std::string(flip ? "true" : "false")});
        ASSERT_EQ(r.status, 0) << r.err;
        direct[flip] = read(out);
    }
    struct Case {
        const char* output;
        const char* input;
        const char* mapSize;
        int flip;
    };
    for (const Case& c : {Case{"337", "33", "3072x512", 0}, Case{"338", "34", "1536x1024", 0},
                          Case{"339", "35", "1536x1024", 0}, Case{"338", "34", "1536x1024", 1}}) {
        SCOPED_TRACE(testing::Message() << c.output << " -> " << c.input << (c.flip ? " flipped" : ""));
        const std::string map = folder / (std::string("map") + c.output + ".png"), back = folder / "back.png";
        HostResult r = Host(folder, {earth, "-o", map, "--size", c.mapSize, "--output-mode", c.output});
        ASSERT_EQ(r.status, 0) << r.err;
        r = Host(folder, {map, "-o", back, "--size", "1024x512", "--input-mode", c.input,
                          "--flip=" + std::string(c.flip ? "true" : "false")});
        ASSERT_EQ(r.status, 0) << r.err;
        const double db = PSNR(direct[c.flip], read(back));
        std::printf("cube map %s read back as %s%s: %.2f dB\n", c.output, c.input, c.flip ? " flipped" : "", db);
        EXPECT_GE(db, 36.0);
    }
}

}  // namespace
