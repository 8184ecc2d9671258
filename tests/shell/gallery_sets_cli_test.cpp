// A gallery through build/vornesk is written as one set: its page, its
// thumbnails and (for the polyhedra) its solids' files. The first write the
// system refuses (a file-size quota, a file where the picture folder goes)
// stops the gallery at once with exit 4, naming the file and the reason,
// and leaves nothing the run wrote; a missing DIR is made, its missing
// parents are not. Preset names that fold alike get pictures of their own.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "records/parameters.h"
#include "shell/defaults.h"
#include "shell/settings_file.h"
#include "tests/cli/spawn_host.h"
#include "tests/files/html_readers.h"

namespace {

namespace fs = std::filesystem;

HostResult Gallery(const TempDir& logs, const std::string& kind, const std::string& out) {
    return SpawnHost(logs.path,
                     {VORNESK_HOST_PROGRAM, std::string(VORNESK_SOURCE_DIR) + "/samples/earth-2048x1024.jpg",
                      "--plugin", VORNESK_PLUGIN_MODULE, "--quiet", "--size", "64x32", "--export-pixels", "32",
                      "--gallery", kind, out},
                     {"VORNESK_SUPPORT_DIR=" + logs.path + "/support"});
}

// Every name under folder, with what each file holds.
std::map<std::string, std::string> Tree(const std::string& folder) {
    std::map<std::string, std::string> tree;
    if (!fs::exists(folder)) return tree;
    for (const auto& e : fs::recursive_directory_iterator(folder))
        tree[e.path().string()] = e.is_regular_file() ? ReadAll(e.path().string()) : "(folder)";
    return tree;
}

size_t Lines(const std::string& text) { return size_t(std::count(text.begin(), text.end(), '\n')); }

// A quota the first thumbnail outgrows: the gallery stops there, in a few
// lines, and takes away the folder it made; an older page stays as it was.
TEST(GallerySetsCommandLine, AFullDiskStopsTheGalleryAtItsFirstFailedWrite) {
    for (const char* kind : {"modes", "polyhedra"}) {
        SCOPED_TRACE(kind);
        const TempDir logs, dir;
        const std::string page = dir / (std::string(kind) == "modes" ? "output modes.html" : "polyhedra.html");
        std::ofstream(page) << "an older page";
        const auto before = Tree(dir.path);
        rlimit saved {};
        getrlimit(RLIMIT_FSIZE, &saved);
        rlimit quota = saved;
        quota.rlim_cur = 600;
        setrlimit(RLIMIT_FSIZE, &quota);
        const HostResult r = Gallery(logs, kind, dir.path);
        setrlimit(RLIMIT_FSIZE, &saved);
        EXPECT_EQ(r.status, 4) << r.err;
        const std::string said = "vornesk: cannot write " + dir.path + "/web_images/";
        EXPECT_NE(r.err.find(said), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(": File too large\n"), std::string::npos) << r.err;
        EXPECT_LE(Lines(r.err), 3u) << r.err;
        EXPECT_EQ(Tree(dir.path), before);
    }
}

// A file where the picture folder goes: nothing is written, the page least
// of all, and the file stays.
TEST(GallerySetsCommandLine, AFileWhereThePictureFolderGoesFailsTheGallery) {
    const TempDir logs, dir;
    std::ofstream(dir / "web_images") << "not a folder";
    const auto before = Tree(dir.path);
    const HostResult r = Gallery(logs, "presets", dir.path);
    EXPECT_EQ(r.status, 4) << r.err;
    EXPECT_NE(r.err.find("vornesk: cannot write " + (dir / "web_images") + ": it is not a folder\n"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(Tree(dir.path), before);
}

// DIR is made as mkdir makes it: its own folder, not its missing parents.
TEST(GallerySetsCommandLine, OnlyTheGallerysOwnFolderIsMade) {
    const TempDir logs, dir;
    const HostResult deep = Gallery(logs, "presets", dir / "missing/gallery");
    EXPECT_EQ(deep.status, 4) << deep.err;
    EXPECT_EQ(deep.err, "vornesk: cannot write a gallery into " + (dir / "missing/gallery") +
                            ": No such file or directory\n");
    EXPECT_FALSE(fs::exists(dir / "missing"));
    const HostResult made = Gallery(logs, "presets", dir / "gallery");
    EXPECT_EQ(made.status, 0) << made.err;
    EXPECT_TRUE(fs::is_regular_file(dir / "gallery/presets.html"));
}

// Preset names that are not ASCII: each thumbnail's name is ASCII and its
// own, and the page shows each preset's picture.
TEST(GallerySetsCommandLine, PresetNamesThatFoldAlikeKeepTheirOwnPictures) {
    const TempDir logs, dir;
    Parameters p{};
    GrabDefaultSettings(&p);
    for (const char* name : {"\xC3\xA9.q2q", "\xC3\xA8.q2q", "\xC3\xBCn\xC3\xAF \xE6\x97\xA5\xE6\x9C\xAC.q2q", "_.q2q"}) {
        const std::string path = dir / name;
        const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(WriteSettingsFile(&p, fd, nullptr, false), 0);
        close(fd);
    }
    const HostResult r = Gallery(logs, "presets", dir.path);
    ASSERT_EQ(r.status, 0) << r.err;
    std::set<std::string> written;
    for (const auto& e : fs::directory_iterator(dir / "web_images")) {
        const std::string name = e.path().filename().string();
        for (unsigned char c : name) EXPECT_TRUE(c >= 32 && c < 128) << name;
        written.insert(name);
    }
    EXPECT_EQ(written.size(), 4u);
    const std::string text = ReadAll(dir / "presets.html");
    std::set<std::string> shown;
    for (const std::string& source : htmltest::ImageSources(text)) shown.insert(source.substr(11));
    EXPECT_EQ(shown, written);
}

}  // namespace
