// Galleries through build/vornesk, as a user scripts them: the page passes
// tidy and every image source names a thumbnail the run wrote.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>

#include "shell/mode_catalogue.h"
#include "tests/files/export_readers.h"
#include "tests/files/html_readers.h"
#include "tests/tools/spawn_host.h"

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

}  // namespace
