// The desktop's services: where the desktop is, opening a file through
// xdg-open as one argument, and the administrator command refused.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/workspace.h"

namespace {

namespace fs = std::filesystem;

struct Environment {
    std::string name;
    std::string old;
    bool had;
    Environment(const std::string& n, const char* value) : name(n) {
        const char* o = std::getenv(n.c_str());
        had = o != nullptr;
        if (o) old = o;
        if (value) setenv(n.c_str(), value, 1);
        else unsetenv(n.c_str());
    }
    ~Environment() {
        if (had) setenv(name.c_str(), old.c_str(), 1);
        else unsetenv(name.c_str());
    }
};

fs::path Scratch(const char* what) {
    const fs::path p = fs::temp_directory_path() / ("vornesk-" + std::string(what) + "-" + std::to_string(getpid()));
    fs::remove_all(p);
    fs::create_directories(p);
    return p;
}

TEST(Workspace, DesktopFolderFromTheUserDirectories) {
    const fs::path home = Scratch("desk");
    const Environment h("HOME", home.c_str());
    const Environment c("XDG_CONFIG_HOME", (home / "cfg").c_str());
    fs::create_directories(home / "cfg");
    const struct {
        const char* file;  // user-dirs.dirs, or null for none
        std::string desktop;
    } cases[] = {
        {nullptr, home.string() + "/Desktop"},
        {"XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n", home.string() + "/Schreibtisch"},
        {"# comment\nXDG_DOWNLOAD_DIR=\"$HOME/dl\"\nXDG_DESKTOP_DIR=\"/srv/desk/\"\n", "/srv/desk"},
        {"XDG_DESKTOP_DIR=\"$HOME/\"\n", home.string() + "/Desktop"},  // the home itself: no desktop
        {"XDG_DESKTOP_DIR=\"relative\"\n", home.string() + "/Desktop"},
        {"XDG_DESKTOP_DIR=\"$HOME/a\"\nXDG_DESKTOP_DIR=\"$HOME/b\"\n", home.string() + "/b"},
    };
    for (const auto& k : cases) {
        fs::remove(home / "cfg" / "user-dirs.dirs");
        if (k.file) std::ofstream(home / "cfg" / "user-dirs.dirs") << k.file;
        EXPECT_EQ(DesktopFolder(), k.desktop) << (k.file ? k.file : "(no file)");
    }
    fs::remove_all(home);
}

TEST(Workspace, XdgOpenGetsThePathAsOneArgument) {
    const fs::path bin = Scratch("opener");
    // A stand-in xdg-open that writes its arguments one a line.
    {
        std::ofstream script(bin / "xdg-open");
        script << "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" << (bin / "args").string()
               << "'\nprintf '%s\\n' \"$#\" > '" << (bin / "count").string() << "'\n";
    }
    chmod((bin / "xdg-open").c_str(), 0755);
    const Environment path("PATH", (bin.string() + ":/usr/bin:/bin").c_str());
    const std::string tricky = (bin / "a \"quoted\" 'name'; $(touch pwned) & x.html").string();
    ASSERT_TRUE(openWithPreviewThisFile(tricky));
    std::ifstream count(bin / "count");
    std::string n;
    std::getline(count, n);
    EXPECT_EQ(n, "1");
    std::ifstream args(bin / "args");
    std::string first;
    std::getline(args, first);
    EXPECT_EQ(first, tricky);
    EXPECT_FALSE(fs::exists("pwned"));
    EXPECT_FALSE(fs::exists(bin / "pwned"));
    // An opener that fails, and none at all.
    {
        std::ofstream script(bin / "xdg-open");
        script << "#!/bin/sh\nexit 4\n";
    }
    EXPECT_FALSE(openWithPreviewThisFile(tricky));
    fs::remove(bin / "xdg-open");
    const Environment none("PATH", bin.c_str());
    EXPECT_FALSE(openWithPreviewThisFile(tricky));
    fs::remove_all(bin);
}

}  // namespace
