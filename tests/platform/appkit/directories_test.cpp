// The user's standard folders: found, made on request, or an error saying why.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/appkit/directories.h"
#include "tests/platform/appkit/offscreen_app.h"

namespace {

TEST(DirectoryLocations, FindCreateOrReportNoPath) {
    ASSERT_TRUE(OffscreenApplication());
    namespace fs = std::filesystem;
    const fs::path home = fs::temp_directory_path() / ("vornesk-dirs-test-" + std::to_string(getpid()));
    fs::remove_all(home);
    fs::create_directories(home / "config");
    std::ofstream(home / "config" / "user-dirs.dirs") << "XDG_DESKTOP_DIR=\"" << (home / "desk").string() << "\"\n";
    setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
    setenv("XDG_DATA_HOME", (home / "data").c_str(), 1);
    DirectoryLocationError error;
    // Not there and not to be made: no path, and why.
    EXPECT_TRUE(findOrCreateDirectory(QStandardPaths::DesktopLocation, "sub", false, &error).isEmpty());
    EXPECT_EQ(error.domain, "DirectoryLocationDomain");
    EXPECT_EQ(error.code, 0);
    EXPECT_EQ(error.description, "No path found for directory in domain.");
    // Made on request, component appended.
    const QString made = findOrCreateDirectory(QStandardPaths::DesktopLocation, "sub", true, &error);
    EXPECT_EQ(made.toStdString(), (home / "desk" / "sub").string());
    EXPECT_TRUE(fs::is_directory(home / "desk" / "sub"));
    // A plain file where the folder should be: nothing made, and why.
    std::ofstream(home / "desk" / "file") << "x";
    EXPECT_TRUE(findOrCreateDirectory(QStandardPaths::DesktopLocation, "file/deeper", true, &error).isEmpty());
    EXPECT_FALSE(error.description.isEmpty());
    unsetenv("XDG_CONFIG_HOME");
    unsetenv("XDG_DATA_HOME");
    fs::remove_all(home);
}

}  // namespace
