// Every include points down: a source folder includes only its own headers
// and those of folders below it. The shared records, the host access and the
// task engine sit below the pyramid and the renderer; the solid model
// (polyhedra) sits below the net code (nets), and the set-up that turns a mode
// into a solid and its net (solids: the shape dispatcher, the set-up driver,
// builders that call net steps) sits above both; the shell's settings,
// defaults, catalogue and invocation sit below the dialog, which reads them;
// the shell's entry is on top and reaches the dialog through the host access
// (DoUI). The few includes that still point up are listed by name, so a new
// one fails here instead of closing another circle.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <utility>

namespace {

namespace fs = std::filesystem;

// Folders from the bottom up; a folder may include any folder ranked lower.
const std::pair<const char*, int> kRanks[] = {
    {"platform", 0}, {"common", 1},  {"records", 2},     {"host_access", 3}, {"engine", 4},
    {"polyhedra", 5}, {"nets", 6},   {"solids", 7},      {"pyramid", 8},     {"projections", 9},
    {"render", 10},  {"files", 11},  {"shell", 12},      {"ui", 13},
};
// The entry sits above every folder.
const char* const kEntry = "shell/PluginMain.cpp";
constexpr int kEntryRank = 14;
// Top-level folders that hold no product code.
const char* const kOutsideTheProduct[] = {"tests", "tools", "bench", "samples", ".ci", ".git"};

// Upward includes not undone yet: (including file, included header).
const std::set<std::pair<std::string, std::string>> kKnownUpward = {
};

int RankOf(const std::string& folder) {
    for (const auto& [name, rank] : kRanks)
        if (folder == name) return rank;
    return -1;
}

TEST(Layering, EveryIncludePointsDown) {
    const fs::path root = VORNESK_SOURCE_DIR;
    int files = 0;
    for (const auto& [folder, rank] : kRanks) {
        ASSERT_TRUE(fs::is_directory(root / folder)) << folder;
        for (const fs::directory_entry& e : fs::recursive_directory_iterator(root / folder)) {
            const std::string ext = e.path().extension().string();
            if (!e.is_regular_file() || (ext != ".h" && ext != ".cpp" && ext != ".c")) continue;
            ++files;
            const std::string file = fs::relative(e.path(), root).generic_string();
            std::ifstream in(e.path());
            std::string line;
            while (std::getline(in, line)) {
                if (line.rfind("#include \"", 0) != 0) continue;
                const std::string header = line.substr(10, line.find('"', 10) - 10);
                const std::string target = header.substr(0, header.find('/'));
                const int targetRank = RankOf(target);
                if (targetRank < 0 || target == folder) continue;
                const int fileRank = file == kEntry ? kEntryRank : rank;
                if (targetRank < fileRank || kKnownUpward.count({file, header})) continue;
                ADD_FAILURE() << file << " includes " << header << ": " << target << "/ is not below " << folder
                              << "/ (move the code to the layer it belongs to)";
            }
        }
    }
    EXPECT_GT(files, 200);
}

// A new folder of sources gets a rank, or its includes would go unchecked.
TEST(Layering, EverySourceFolderHasARank) {
    const fs::path root = VORNESK_SOURCE_DIR;
    for (const fs::directory_entry& top : fs::directory_iterator(root)) {
        const std::string name = top.path().filename().string();
        if (!top.is_directory() || RankOf(name) >= 0 || name.rfind("build", 0) == 0) continue;
        bool outside = false;
        for (const char* o : kOutsideTheProduct) outside = outside || name == o;
        if (outside) continue;
        for (const fs::directory_entry& e : fs::recursive_directory_iterator(top.path())) {
            const std::string ext = e.path().extension().string();
            if (e.is_regular_file() && (ext == ".h" || ext == ".cpp" || ext == ".c")) {
                ADD_FAILURE() << name << "/ holds sources but has no place in the folder order";
                break;
            }
        }
    }
}

// The list of known upward includes only shrinks: an entry whose include is
// gone is taken out.
TEST(Layering, KnownUpwardIncludesStillExist) {
    const fs::path root = VORNESK_SOURCE_DIR;
    for (const auto& [file, header] : kKnownUpward) {
        std::ifstream in(root / file);
        std::string line;
        bool found = false;
        while (std::getline(in, line)) found = found || line == "#include \"" + header + "\"";
        EXPECT_TRUE(found) << file << " no longer includes " << header << ": remove it from kKnownUpward";
    }
}

}  // namespace
