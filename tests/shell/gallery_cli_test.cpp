// Galleries through build/vornesk, as a user scripts them: the page passes
// tidy and every image source names a thumbnail the run wrote.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include <filesystem>
#include <fstream>
#include <set>

#include "files/html_page.h"
#include "polyhedra/polyhedron_params.h"
#include "records/parameters.h"
#include "shell/defaults.h"
#include "shell/mode_catalogue.h"
#include "shell/settings_file.h"
#include "tests/files/export_readers.h"
#include "tests/files/html_readers.h"
#include "tests/files/psd_test_support.h"
#include "tests/cli/spawn_host.h"

namespace {

using namespace polytest;

HostResult Gallery(const std::string& folder, const std::string& kind, const std::string& out,
                   std::vector<std::string> more = {}) {
    std::vector<std::string> args = {VORNESK_HOST_PROGRAM, std::string(VORNESK_SOURCE_DIR) + "/samples/earth-2048x1024.jpg",
                                     "--plugin", VORNESK_PLUGIN_MODULE, "--quiet", "--size", "64x32",
                                     "--gallery", kind, out};
    args.insert(args.end(), more.begin(), more.end());
    return SpawnHost(folder, args, {"VORNESK_SUPPORT_DIR=" + folder + "/support"});
}

int Count(const std::string& text, const std::string& what) {
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

TEST(GalleryCommandLine, OutputModesPageNamesTheThumbnailsItWrote) {
    const TempFolder folder;
    const std::string out = folder / "out";
    const HostResult r = Gallery(folder.path, "modes", out);
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string page = out + "/output modes.html";
    const std::string text = ReadAll(page);
    std::string tidy = Shell("tidy -q -e '" + page + "' 2>&1");
    std::string complaints;
    std::istringstream lines(tidy);
    for (std::string line; std::getline(lines, line);)
        if (line.find("summary") == std::string::npos) complaints += line + "\n";
    EXPECT_EQ(complaints, "");
    // A caption for every mode the dialog's menu offers (1 to 547 and the
    // 15 above, 562), in 188 rows of 3, the last padded with two empty cells.
    const int modes = int(ChoosableOutputModes().size());
    ASSERT_EQ(modes, 562);
    EXPECT_EQ(Count(text, "<font size=\"3\""), modes);
    EXPECT_EQ(Count(text, "<p><font face="), 2);
    EXPECT_EQ(Count(text, "<p>&nbsp;</p></td></tr>"), 188);  // each row's spacer row
    for (const char* caption : {">equal earth<", ">mirrors<", ">5-floret<", ">mode 1042<"})
        EXPECT_EQ(Count(text, caption), 1) << caption;
    std::set<std::string> named;
    const auto sources = htmltest::ImageSources(text);
    for (const std::string& file : sources) {
        EXPECT_EQ(file.rfind("web_images/", 0), 0u) << file;
        EXPECT_TRUE(fs::is_regular_file(out + "/" + file)) << file;
        named.insert(file.substr(11));
    }
    std::set<std::string> written;
    for (const auto& e : fs::directory_iterator(out + "/web_images")) written.insert(e.path().filename().string());
    EXPECT_EQ(named, written);
    // Modes that share a name (295 and 1050 "squirclecube") each show their own picture.
    EXPECT_EQ(named.size(), sources.size());
    EXPECT_GT(named.size(), 200u);
    // A thumbnail is 400 pixels on its longer side, in the result's proportions.
    EXPECT_EQ(Shell("identify -format '%w %h' '" + out + "/web_images/Mercator.jpg'"), "400 200");
    // Every mode this build renders gives its thumbnail (the largest net,
    // 467, with pointed tabs).
    EXPECT_EQ(r.err.find("could not write the thumbnail"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("write failed"), std::string::npos) << r.err;
}

// The memory dots and presets that give no thumbnail say why: a damaged dot
// or preset with the reason it cannot be read (a render's own reason is
// said as on the output modes page); the page is written all the same.
TEST(GalleryCommandLine, CellsWithoutThumbnailSayWhy) {
    const TempFolder folder;
    const std::string support = folder / "support";
    fs::create_directories(support);
    Parameters p{};
    GrabDefaultSettings(&p);
    auto writeSettings = [&](const std::string& path, int32_t mode) {
        p.outputMode = mode;
        const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(WriteSettingsFile(&p, fd, nullptr, false), 0);
        close(fd);
    };
    std::ofstream(support + "/Vornesk 2 A memory dot 1.q2q") << "not settings";
    writeSettings(support + "/Vornesk 2 A memory dot 2.q2q", 94);
    const std::string dots = folder / "dots";
    const HostResult r = Gallery(folder.path, "dots", dots);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("could not write the thumbnail to " + dots +
                         "/web_images/dot 2.jpg: the memory dot's settings could not be read"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(r.err.find("write failed"), std::string::npos) << r.err;
    EXPECT_TRUE(fs::is_regular_file(dots + "/web_images/dot 3.jpg"));
    EXPECT_FALSE(fs::exists(dots + "/web_images/dot 2.jpg"));

    const std::string presets = folder / "presets";
    fs::create_directories(presets);
    writeSettings(presets + "/good.q2q", 94);
    std::ofstream(presets + "/broken.q2q") << "not settings";
    const HostResult listed = Gallery(folder.path, "presets", presets);
    ASSERT_EQ(listed.status, 0) << listed.err;
    EXPECT_NE(listed.err.find("Vornesk 2: " + presets + "/broken.q2q: "), std::string::npos) << listed.err;
    EXPECT_EQ(listed.err.find("good.q2q"), std::string::npos) << listed.err;
    EXPECT_TRUE(fs::is_regular_file(presets + "/web_images/good.jpg"));
}

TEST(GalleryCommandLine, PresetsPageAndBadWords) {
    const TempFolder folder;
    const std::string out = folder / "presets";
    fs::create_directories(out);
    std::ofstream(out + "/notes.txt") << "not settings";
    const HostResult none = Gallery(folder.path, "presets", out);
    ASSERT_EQ(none.status, 0) << none.err;
    const std::string text = ReadAll(out + "/presets.html");
    EXPECT_NE(text.find("<tr><td></td></tr>"), std::string::npos);
    EXPECT_EQ(Shell("tidy -q -e '" + out + "/presets.html' 2>&1 | grep -v summary"), "");
    const HostResult bad = Gallery(folder.path, "everything", out);
    EXPECT_NE(bad.status, 0);
    EXPECT_NE(bad.err.find("no gallery is called"), std::string::npos) << bad.err;
}

// "--gallery nets DIR" writes what the dialog's "polyhedron nets" writes: a
// PSD of each exportable solid's net, named by the mode and its number of
// pieces, a layer a piece of 300 pixels as psd-tools reads it. Every solid
// takes minutes under the sanitizers, so the run is stopped once a second
// file is begun, and the first solid's file, whole by then, is checked.
TEST(GalleryCommandLine, NetsWritesEachExportableSolidAsAPsd) {
    const TempFolder folder;
    const std::string out = folder / "nets";
    std::vector<std::string> args = {VORNESK_HOST_PROGRAM, std::string(VORNESK_SOURCE_DIR) + "/samples/earth-2048x1024.jpg",
                                     "--plugin", VORNESK_PLUGIN_MODULE, "--quiet", "--size", "64x32",
                                     "--gallery", "nets", out};
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    setenv("VORNESK_SUPPORT_DIR", (folder.path + "/support").c_str(), 1);
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ), 0);
    unsetenv("VORNESK_SUPPORT_DIR");
    auto psds = [&] {
        std::vector<std::string> names;
        if (fs::is_directory(out))
            for (const auto& e : fs::directory_iterator(out))
                if (e.path().extension() == ".psd") names.push_back(e.path().filename().string());
        return names;
    };
    int status = 0;
    bool ended = false;
    while (psds().size() < 2 && !(ended = waitpid(pid, &status, WNOHANG) == pid))
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    if (!ended) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
    } else {
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    // The solids come in the menu's order: the first one's file is whole.
    std::string first;
    for (int32_t m : ChoosableOutputModes())
        if (m != 193 && m != 194 && IsExportablePolyhedron(m)) {
            first = CleanedImageName(OutputModeCaption(m).substr(0, 255) + ".x") + ", ";
            break;
        }
    std::string file;
    for (const std::string& name : psds())
        if (name.rfind(first, 0) == 0) file = name;
    ASSERT_FALSE(file.empty()) << first;
    const psdtest::ReadBack r = psdtest::ReadWithPsdTools(out + "/" + file, folder / "read");
    EXPECT_TRUE(r.warnings.empty()) << r.text;
    EXPECT_EQ(file, first + r.facts.at("layers") + ".psd");
    EXPECT_GE(std::stoi(r.facts.at("layers")), 1);
    int w = 0, h = 0;
    ASSERT_EQ(std::sscanf(r.facts.at("size").c_str(), "%d %d", &w, &h), 2);
    EXPECT_EQ(std::max(w, h), 300);
}

}  // namespace
