// Cube layouts read only from a picture of their own shape: a cross, strip
// or 3 x 2 picture whose cells would not be square is refused in one line
// that names the shape the layout needs, and one of that shape renders, at
// its own size or resized.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "tests/cli/spawn_host.h"

namespace {

HostResult Host(const TempDir& folder, std::vector<std::string> args) {
    args.insert(args.begin(), {VORNESK_HOST_PROGRAM, "--plugin", VORNESK_PLUGIN_MODULE, "--quiet"});
    return SpawnHost(folder.path, args, {"VORNESK_SUPPORT_DIR=" + folder.path});
}

TEST(CubeLayoutShape, APictureOfAnotherShapeIsRefusedNamingTheShape) {
    struct Case {
        const char* inputMode;
        const char* shape;
        const char* fits;
        const char* wrong;
    };
    const Case cases[] = {
        {"27", "4:3", "256x192", "256x128"},  // horizontal cross; 2:1 is the default frame
        {"28", "3:4", "192x256", "256x192"},  // vertical cross; a 4:3 frame
        {"33", "6:1", "384x64", "256x128"},   // six frames in a row
        {"34", "3:2", "192x128", "256x128"},  // 3 x 2
        {"35", "3:2", "193x128", "128x128"},  // within a pixel of 3:2
    };
    const std::string earth = std::string(VORNESK_SOURCE_DIR) + "/samples/earth-2048x1024.jpg";
    TempDir folder;
    // Pictures of each size, made by the same command.
    auto picture = [&](const std::string& size) {
        const std::string path = folder / (size + ".png");
        if (access(path.c_str(), F_OK) != 0) {
            const HostResult r = Host(folder, {earth, "-o", path, "--size", size});
            EXPECT_EQ(r.status, 0) << r.err;
        }
        return path;
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.inputMode);
        HostResult r = Host(folder, {picture(c.fits), "-o", folder / "fits.png", "--input-mode", c.inputMode});
        EXPECT_EQ(r.status, 0) << r.err;
        // Read at another size the picture keeps its layout.
        r = Host(folder, {picture(c.fits), "-o", folder / "fits.png", "--input-mode", c.inputMode, "--size", "64x32"});
        EXPECT_EQ(r.status, 0) << r.err;
        r = Host(folder, {picture(c.wrong), "-o", folder / "wrong.png", "--input-mode", c.inputMode});
        EXPECT_EQ(r.status, 3) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_NE(r.err.find(std::string("needs a picture of ") + c.shape), std::string::npos) << r.err;
        EXPECT_NE(access((folder / "wrong.png").c_str(), F_OK), 0);
    }
}

}  // namespace
