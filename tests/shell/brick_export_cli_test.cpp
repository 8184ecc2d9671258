// The LDRAW model through the command that users run: an OUTPUT ending in
// .ldr gets the brick globe's model, replacing a longer file whole; other
// output modes are refused in one line and leave nothing behind.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "tests/render/ldraw_checker.h"
#include "tests/cli/spawn_host.h"
#include "cli/document.h"
#include "cli/image_files.h"

namespace {

HostResult Host(const TempDir& folder, std::vector<std::string> args) {
    args.insert(args.begin(), {VORNESK_HOST_PROGRAM, "--plugin", VORNESK_PLUGIN_MODULE, "--quiet"});
    return SpawnHost(folder.path, args, {"VORNESK_SUPPORT_DIR=" + folder.path});
}

int CountFiles(const TempDir& folder) {
    int n = 0;
    for (const char* name : {"model.ldr", "other.ldr"}) n += access((folder / name).c_str(), F_OK) == 0;
    return n;
}

TEST(BrickExportCommand, LdrOutputWritesTheModelOrRefusesInOneLine) {
    TempDir folder;
    const std::string input = std::string(VORNESK_SOURCE_DIR) + "/samples/earth-2048x1024.jpg";
    // A longer file in the way: replaced whole.
    {
        std::ofstream old(folder / "model.ldr");
        old << std::string(200000, 'x');
    }
    HostResult r = Host(folder, {input, "-o", folder / "model.ldr", "--output-mode", "45", "--size", "256x128",
                                 "--set", "0018=9", "--set", "0025=true"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string text = ReadAll(folder / "model.ldr");
    const LDRAWReading model = CheckLDRAW(text, 9, true);
    EXPECT_EQ(model.error, "");
    EXPECT_GT(model.parts, 0);
    EXPECT_LT(text.size(), 200000u);

    // Not a brick globe: one line, exit 1, no file.
    r = Host(folder, {input, "-o", folder / "other.ldr", "--output-mode", "46", "--size", "256x128"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_NE(r.err.find("brick globe"), std::string::npos) << r.err;
    EXPECT_EQ(CountFiles(folder), 1);
    // Nothing left over: no temporary file beside the output.
    int entries = 0;
    for (const char* pattern : {".vornesk-"}) {
        const std::string ls = "ls -A '" + folder.path + "' | grep -c '" + pattern + "' > '" + folder.path + "/.n'";
        std::system(ls.c_str());
        entries = std::atoi(ReadAll(folder / ".n").c_str());
    }
    EXPECT_EQ(entries, 0);
}

// The colour mask (--brick-colors, key 0024) picks the palette the globe's
// bricks are matched against, bit k-1 allowing colour k: with white alone
// every brick is white (LDRAW 15); with none, the light grey that stands
// for no match (LDRAW 7); with blue and green, the Earth's oceans and lands
// in both and nothing else (LDRAW 1 and 2).
TEST(BrickExportCommand, TheColourMaskPicksTheBricksColours) {
    TempDir folder;
    const std::string input = std::string(VORNESK_SOURCE_DIR) + "/samples/earth-2048x1024.jpg";
    const struct {
        const char* mask;
        std::set<int> colours;
    } cases[] = {{"16", {15}}, {"0", {7}}, {"6", {1, 2}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mask);
        const HostResult r = Host(folder, {input, "-o", folder / "model.ldr", "--output-mode", "45", "--size",
                                           "256x128", "--brick-layers", "8", "--brick-colors", c.mask});
        ASSERT_EQ(r.status, 0) << r.err;
        std::istringstream lines(ReadAll(folder / "model.ldr"));
        std::set<int> seen;
        std::string line;
        int parts = 0;
        while (std::getline(lines, line)) {
            int kind = 0, colour = 0;
            if (std::sscanf(line.c_str(), "%d %d", &kind, &colour) == 2 && kind == 1) {
                seen.insert(colour);
                ++parts;
            }
        }
        EXPECT_GT(parts, 50);
        EXPECT_EQ(seen, c.colours);
    }
}

}  // namespace
