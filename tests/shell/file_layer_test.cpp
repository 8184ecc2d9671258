// The file layer: folders, moving files from the older folder, reading
// settings and memory dots, and writing whole or not at all when any step
// of a write fails.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "common/byte_io.h"
#include "files/brick_files.h"
#include "files/file_layer.h"
#include "records/data.h"
#include "records/parameters.h"
#include "records/plugin_globals.h"
#include "records/work_area.h"
#include "shell/defaults.h"
#include "shell/settings_files.h"
#include "shell/settings_persistence.h"

namespace {

namespace fs = std::filesystem;

std::string Slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void Put(const fs::path& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

// Text written through the file layer: whole or not at all.
int WriteText(const fs::path& path, const std::string& text) {
    return FileZerp_WriteFileAtPath(path.string(), "the text",
                                    [&](int fd) { return WriteBytes(fd, text.data(), int64_t(text.size())); });
}

// Files in folder, hidden ones (a temporary file left behind) included.
std::vector<std::string> Listing(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

struct FileLayer : ::testing::Test {
    std::unique_ptr<Parameters> params = std::make_unique<Parameters>();
    std::unique_ptr<Data> data = std::make_unique<Data>();
    std::unique_ptr<TStorage1> storage = std::make_unique<TStorage1>();
    fs::path root, support, prefs;

    void SetUp() override {
        char tmpl[] = "/tmp/vornesk-files-XXXXXX";
        root = mkdtemp(tmpl);
        support = root / "support";
        prefs = root / "config";
        fs::create_directories(prefs);
        setenv("VORNESK_SUPPORT_DIR", support.c_str(), 1);
        setenv("XDG_CONFIG_HOME", prefs.c_str(), 1);
        std::memset(static_cast<void*>(params.get()), 0, sizeof(Parameters));
        GrabDefaultSettings(params.get());
        std::memset(static_cast<void*>(data.get()), 0, sizeof(Data));
        data->storage = storage.get();
        gParams = params.get();
        gData = data.get();
    }
    void TearDown() override {
        SetWriteFailureHook(nullptr);
        gParams = nullptr;
        gData = nullptr;
        fs::remove_all(root);
        unsetenv("VORNESK_SUPPORT_DIR");
        unsetenv("XDG_CONFIG_HOME");
    }
    // Writes the current settings as memory dot n with the given output mode.
    void SaveDot(int n, int32_t mode) {
        const int32_t before = gParams->outputMode;
        gParams->outputMode = mode;
        ASSERT_EQ(FileZerp_saveToMemoryDot(n, gData), 0);
        gParams->outputMode = before;
    }
};

TEST_F(FileLayer, FoldersMemoryDotsAndMoving) {
    EXPECT_EQ(FileZerp_Get2019MemoryDotsFilePathForIndex(7), (support / "Vornesk 2 A memory dot 7.q2q").string());
    EXPECT_EQ(FileZerp_GetLegacyMemoryDotsFilePathForIndex(7), (prefs / "Vornesk 2 A memory dot 7.q2q").string());
    EXPECT_TRUE(fs::is_directory(support));

    // Dot 3 only in the older folder: moved, then read from the new one.
    SaveDot(3, 16);
    fs::rename(support / "Vornesk 2 A memory dot 3.q2q", prefs / "Vornesk 2 A memory dot 3.q2q");
    gParams->outputMode = 5;
    EXPECT_EQ(FileZerp_loadFromMemoryDot(3, gData), 0);
    EXPECT_EQ(gParams->outputMode, 16);
    EXPECT_TRUE(fs::exists(support / "Vornesk 2 A memory dot 3.q2q"));
    EXPECT_FALSE(fs::exists(prefs / "Vornesk 2 A memory dot 3.q2q"));

    // A dot in neither folder: -43 and the settings untouched, byte for byte.
    gParams->outputMode = 12;
    gParams->latitude = 33;
    const Parameters before = *gParams;
    EXPECT_EQ(FileZerp_loadFromMemoryDot(9, gData), kFileMissing);
    EXPECT_EQ(std::memcmp(&before, gParams, sizeof before), 0);
    EXPECT_EQ(FileZerp_ReadSettingsFile_path((root / "missing.q2q").string()), kFileMissing);
    EXPECT_EQ(std::memcmp(&before, gParams, sizeof before), 0);

    // Moving never replaces a file: the newer one wins and the old one stays.
    Put(prefs / "a", "old");
    Put(support / "a", "new");
    EXPECT_TRUE(FileZerp_ifNoFileExistsAtNewPathThenTryMovingItFromOldPath((support / "a").string(), (prefs / "a").string()));
    EXPECT_EQ(Slurp(support / "a"), "new");
    EXPECT_EQ(Slurp(prefs / "a"), "old");
    EXPECT_FALSE(FileZerp_ifNoFileExistsAtNewPathThenTryMovingItFromOldPath((support / "b").string(), (prefs / "b").string()));

    // Across file systems (when /dev/shm is another one): copied whole, then the old one gone.
    struct stat a, b;
    if (stat("/dev/shm", &a) == 0 && stat(root.c_str(), &b) == 0 && a.st_dev != b.st_dev && access("/dev/shm", W_OK) == 0) {
        const fs::path far = fs::path("/dev/shm") / ("vornesk-move-" + std::to_string(getpid()));
        Put(far, std::string(100000, 'x'));
        EXPECT_TRUE(FileZerp_ifNoFileExistsAtNewPathThenTryMovingItFromOldPath((support / "c").string(), far.string()));
        EXPECT_EQ(Slurp(support / "c"), std::string(100000, 'x'));
        EXPECT_FALSE(fs::exists(far));
        fs::remove(far);
    }
    for (const std::string& name : Listing(support)) EXPECT_NE(name[0], '.') << name;
}

TEST_F(FileLayer, PathUtilities) {
    struct Case {
        const char* path;
        const char* extension;
        bool has;
    } cases[] = {{"/x/photo.JPG", "jpg", true}, {"/x/photo.jpeg", "jpg", false}, {"/x.d/photo", "d", false},
                 {"/x/photo.Q2Q", "q2q", true}};
    for (const Case& c : cases) EXPECT_EQ(FileZerp_file_hasExtension(c.path, c.extension), c.has) << c.path;
    EXPECT_FALSE(FileZerp_pathisDirectory((root / "nothing").string()));
    EXPECT_TRUE(FileZerp_pathisDirectory(root.string()));
    EXPECT_EQ(FileZerp_getParentPathOf("/a/b/c.txt"), "/a/b");
    EXPECT_EQ(FileZerp_getParentPathOf("/a"), "/");
    Put(root / "f.txt", "t");
    EXPECT_TRUE(FileZerp_createDirectoryAtPath((root / "p/q/r").string()));
    EXPECT_TRUE(FileZerp_createDirectoryAtPath((root / "p/q/r").string()));
    // Opening: missing to read -43, a write in a missing folder -1.
    int16_t error = 0;
    EXPECT_LT(FileZerp_OpenAFilePath((root / "none").string(), 0, 0, &error), 0);
    EXPECT_EQ(error, kFileMissing);
    EXPECT_LT(FileZerp_OpenAFilePath((root / "no/such/file").string(), 1, 0, &error), 0);
    EXPECT_EQ(error, kFileFailed);
    EXPECT_NE(FileZerp_WriteSettingsFile_path((root / "no/such/file.q2q").string(), 0), 0);
}

// A shorter settings file leaves no tail of the longer one it replaces, and
// an old settings file's missing fields are reset only once it is open.
TEST_F(FileLayer, SettingsFilesAreWrittenWhole) {
    const fs::path path = root / "preset.q2q";
    Put(path, std::string(200000, 'Z'));
    ASSERT_EQ(FileZerp_WriteSettingsFile_path(path.string(), 0), 0);
    EXPECT_EQ(Slurp(path).find('Z'), std::string::npos);
    gParams->outputMode = 77;
    gParams->randomSeed = 5;
    ASSERT_EQ(FileZerp_ReadSettingsFile_path(path.string()), 0);
    EXPECT_EQ(gParams->randomSeed, 21);
}

// Every step of a write failing in turn, for each way the plug-in writes:
// the error comes back, the old file is whole and nothing is left beside it.
WriteStep gFailing = WriteStep::kOpen;
int FailOne(WriteStep step) { return step == gFailing ? ENOSPC : 0; }

TEST_F(FileLayer, AFailedWriteLeavesTheOldFile) {
    ASSERT_EQ(FileZerp_saveToMemoryDot(4, gData), 0);
    const fs::path dot = FileZerp_Get2019MemoryDotsFilePathForIndex(4);
    const fs::path text = root / "notes.txt";
    const fs::path stats = root / "stats.html";
    Put(text, "old notes");
    Put(stats, "old page");
    const std::string oldDot = Slurp(dot);
    struct Writer {
        const char* name;
        fs::path path;
        std::function<int()> write;
    } writers[] = {
        {"memory dot", dot, [] { return int(FileZerp_saveToMemoryDot(4, gData)); }},
        {"text", text, [&] { return WriteText(text, std::string(100000, 'n')); }},
        {"settings", dot, [&] { return int(FileZerp_WriteSettingsFile_path(dot.string(), 0)); }},
        {"undo", dot, [&] { return int(FileZerp_WriteSettingsFile_path(dot.string(), 1)); }},
        {"statistics page", stats, [&] {
             return FileZerp_WriteFileAtPath(stats.string(), "the page", [](int fd) { return WriteLegoStatsFile_Thingie(gData, fd); });
         }},
    };
    const WriteStep steps[] = {WriteStep::kOpen, WriteStep::kWrite, WriteStep::kFlush, WriteStep::kClose,
                               WriteStep::kRename};
    gParams->outputMode = 31;
    for (const Writer& w : writers)
        for (WriteStep step : steps) {
            const std::string before = Slurp(w.path);
            const auto listing = Listing(w.path.parent_path());
            gFailing = step;
            SetWriteFailureHook(FailOne);
            EXPECT_NE(w.write(), 0) << w.name << " step " << int(step);
            SetWriteFailureHook(nullptr);
            EXPECT_EQ(Slurp(w.path), before) << w.name << " step " << int(step);
            EXPECT_EQ(Listing(w.path.parent_path()), listing) << w.name << " step " << int(step);
        }
    EXPECT_EQ(Slurp(dot), oldDot);
    EXPECT_EQ(Slurp(text), "old notes");
    // And with no failure each writes.
    EXPECT_EQ(WriteText(text, "new notes"), 0);
    EXPECT_EQ(Slurp(text), "new notes");
}

}  // namespace
