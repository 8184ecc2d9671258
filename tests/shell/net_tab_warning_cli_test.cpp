// A net drawn with glue tabs left out is written all the same, and the
// command says so in one line on standard error: how many seams of which
// mode have no tab. A map laid out through a solid glues nothing and says
// nothing.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <string>

#include "tests/files/psd_test_support.h"
#include "tests/cli/spawn_host.h"

namespace {

HostResult Host(const TempDir& folder, std::vector<std::string> args) {
    args.insert(args.begin(), {VORNESK_HOST_PROGRAM, "--plugin", VORNESK_PLUGIN_MODULE, "--quiet"});
    return SpawnHost(folder.path, args, {"VORNESK_SUPPORT_DIR=" + folder.path});
}

TEST(NetTabWarning, TabsLeftOutAreSaidInOneLineAndThePictureIsWritten) {
    struct Case {
        const char* mode;
        const char* tabs;
        const char* said;  // empty: nothing said
    };
    const Case cases[] = {
        // A Goldberg net whose cuts open by a fraction of a degree here and
        // there: no tab fits in such a slit.
        {"425", "33", "Vornesk 2: 6 seams of output mode 425 have no glue tab: no tab fits beside them in the net.\n"},
        {"425", "0", ""},  // no tabs asked for, none missing
        {"30", "33", ""},  // every tab fits
        {"419", "33", ""},  // the Danseiji map: no seam is glued, no tab asked for
    };
    const std::string earth = std::string(VORNESK_SOURCE_DIR) + "/samples/earth-2048x1024.jpg";
    TempDir folder;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.mode) + " tabs " + c.tabs);
        const std::string out = folder / (std::string(c.mode) + "-" + c.tabs + ".png");
        const HostResult r =
            Host(folder, {earth, "-o", out, "--size", "256x128", "--output-mode", c.mode, "--tabs", c.tabs});
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, c.said);
        EXPECT_EQ(access(out.c_str(), R_OK), 0);
    }
}

// The largest net (467) exports with its tabs, pointed to fit its table,
// and the command says only how many seams found no room for one.
TEST(NetTabWarning, TheLargestNetExportsWithItsTabs) {
    const std::string earth = std::string(VORNESK_SOURCE_DIR) + "/samples/earth-2048x1024.jpg";
    TempDir folder;
    const std::string out = folder / "467.psd";
    const HostResult r = Host(folder, {earth, "-o", out, "--size", "64x32", "--output-mode", "467"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err.find("do not fit in its net's table"), std::string::npos) << r.err;
    EXPECT_EQ(access(out.c_str(), R_OK), 0);
    EXPECT_FALSE(folder.HasTemporaryFile());
}

// The maps laid out through a solid have no seam to glue: whatever the tab
// size, no pixel of the tab colour (there were triangles of it detached at
// the corners of the net's box).
TEST(NetTabWarning, MapsThroughASolidHaveNoTabs) {
    struct Case {
        const char* mode;
        const char* tabs;
        bool tabPixels;
    };
    const Case cases[] = {{"97", "33", false}, {"150", "33", false}, {"116", "0", false}, {"30", "33", true}};
    const std::string earth = std::string(VORNESK_SOURCE_DIR) + "/samples/earth-2048x1024.jpg";
    TempDir folder;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.mode) + " tabs " + c.tabs);
        const std::string out = folder / (std::string(c.mode) + "-" + c.tabs + ".png");
        const HostResult r = Host(folder, {earth, "-o", out, "--size", "256x128", "--output-mode", c.mode, "--tabs",
                                           c.tabs, "--tab-color", "#ff00ff"});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, "");
        // ImageMagick counts the pixels of exactly the tab colour.
        const std::string count = psdtest::Shell("convert '" + out +
                                                  "' -alpha off -fill black +opaque '#ff00ff' -fill white -opaque "
                                                  "'#ff00ff' -format '%[fx:int(mean*w*h+0.5)]' info:");
        if (c.tabPixels) EXPECT_GT(std::stol(count), 20) << count;
        else EXPECT_EQ(count, "0");
    }
}

}  // namespace
