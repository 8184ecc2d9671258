// The files of one export through build/vornesk, as a user meets a failing
// disk: the OBJ with its companions and the cube map's six faces are one
// set. A member the system refuses (write-protected, a folder in its place,
// beyond the file-size quota) ends the run with exit 4 naming that file and
// the system's reason; a SIGTERM ends it by the signal; either way every old
// file stays byte for byte and no temporary is left. Runs exporting to one
// name at once end with one run's whole set.
#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <thread>

#include "tests/cli/spawn_host.h"

namespace {

namespace fs = std::filesystem;

const std::string kEarth = std::string(VORNESK_SOURCE_DIR) + "/samples/earth-2048x1024.jpg";

std::vector<std::string> HostArguments(std::vector<std::string> args) {
    args.insert(args.begin(), {VORNESK_HOST_PROGRAM, kEarth, "--plugin", VORNESK_PLUGIN_MODULE, "--quiet", "--size",
                               "128x64"});
    return args;
}

HostResult Vornesk(const std::string& logs, const std::string& support, std::vector<std::string> args) {
    return SpawnHost(logs, HostArguments(std::move(args)), {"VORNESK_SUPPORT_DIR=" + support});
}

struct SetExport {
    const char* name;
    std::vector<std::string> args;     // OUT stands for the chosen file
    const char* chosen;
    std::vector<std::string> members;  // the files the export writes
};

const SetExport kExports[] = {
    {"OBJ", {"-o", "OUT", "--output-mode", "icosahedron", "--export-pixels", "32"}, "globe.obj",
     {"globe.obj", "globe.stl", "globe.mtl", "globe.txt", "globe.dxf", "globe.jpg"}},
    {"cube map", {"-o", "OUT", "--cube-faces", "16"}, "Globe.psd",
     {"Globe_d.psd", "Globe_u.psd", "Globe_l.psd", "Globe_b.psd", "Globe_r.psd", "Globe_f.psd"}},
};

std::vector<std::string> WithOutput(std::vector<std::string> args, const std::string& out) {
    for (std::string& a : args)
        if (a == "OUT") a = out;
    return args;
}

// The folder's names and the old files' bytes, to be found again.
struct Snapshot {
    std::set<std::string> names;
    std::map<std::string, std::string> files;
};

Snapshot Take(const TempDir& dir) {
    Snapshot s;
    for (const std::string& name : dir.Files()) {
        s.names.insert(name);
        if (fs::is_regular_file(dir / name)) s.files[name] = ReadAll(dir / name);
    }
    return s;
}

void ExpectUnchanged(const TempDir& dir, const Snapshot& before) {
    const Snapshot after = Take(dir);
    EXPECT_EQ(after.names, before.names);
    for (const auto& [name, bytes] : before.files) {
        const auto now = after.files.find(name);
        EXPECT_TRUE(now != after.files.end() && now->second == bytes) << name << " changed";
    }
    EXPECT_FALSE(dir.HasTemporaryFile());
}

TEST(ExportSetsCommandLine, AProtectedFileOrAFolderInPlaceOfAnyMemberFailsTheWholeSet) {
    const TempDir logs, support;
    for (const SetExport& e : kExports)
        for (const bool folderInPlace : {false, true})
            for (size_t k = 0; k < e.members.size(); ++k) {
                SCOPED_TRACE(std::string(e.name) + (folderInPlace ? ", a folder at " : ", protected ") + e.members[k]);
                const TempDir dir;
                for (size_t i = 0; i < e.members.size(); ++i)
                    if (!(folderInPlace && i == k)) std::ofstream(dir / e.members[i]) << "old " << e.members[i];
                const std::string broken = dir / e.members[k];
                if (folderInPlace) fs::create_directory(broken);
                else chmod(broken.c_str(), 0444);
                const Snapshot before = Take(dir);
                const HostResult r = Vornesk(logs.path, support.path, WithOutput(e.args, dir / e.chosen));
                EXPECT_EQ(r.status, 4) << r.err;
                const std::string said = "vornesk: cannot write " + broken + ": " +
                                         (folderInPlace ? "it is a folder" : "the file is write-protected") + "\n";
                EXPECT_NE(r.err.find(said), std::string::npos) << r.err;
                ExpectUnchanged(dir, before);
            }
}

// A file-size quota the export outgrows: the system's reason, exit 4, and
// the old files as they were; for a single PSD too, named as the user named
// it (not as the temporary it was written into).
TEST(ExportSetsCommandLine, AQuotaTheExportOutgrowsFailsIt) {
    const TempDir logs, support;
    struct Quota {
        std::vector<std::string> args;
        const char* chosen;
        std::vector<std::string> old;
        const char* failed;
    };
    const Quota cases[] = {
        {kExports[0].args, "globe.obj", kExports[0].members, "globe.stl"},
        {{"-o", "OUT", "--cube-faces", "64"}, "Globe.psd", kExports[1].members, "Globe_d.psd"},
        {{"-o", "OUT"}, "result.psd", {"result.psd"}, "result.psd"},
    };
    for (const Quota& q : cases) {
        SCOPED_TRACE(q.chosen);
        const TempDir dir;
        for (const std::string& m : q.old) std::ofstream(dir / m) << "old";
        const Snapshot before = Take(dir);
        // The quota is the spawned program's (as a disk's quota is the
        // user's): 3,000 bytes, which the OBJ file fits and the STL, the
        // faces and the result do not.
        rlimit saved {};
        getrlimit(RLIMIT_FSIZE, &saved);
        rlimit quota = saved;
        quota.rlim_cur = 3000;
        setrlimit(RLIMIT_FSIZE, &quota);
        const HostResult r = Vornesk(logs.path, support.path, WithOutput(q.args, dir / q.chosen));
        setrlimit(RLIMIT_FSIZE, &saved);
        EXPECT_EQ(r.status, 4) << r.err;
        EXPECT_NE(r.err.find("vornesk: cannot write " + (dir / q.failed) + ": File too large\n"), std::string::npos)
            << r.err;
        EXPECT_EQ(r.err.find("failed at start"), std::string::npos) << r.err;
        ExpectUnchanged(dir, before);
    }
}

// The cube map's files go beside OUTPUT, which is only their name: a file
// of that name is the user's and stays.
TEST(ExportSetsCommandLine, TheCubeMapLeavesAFileNamedOutputAlone) {
    const TempDir logs, support, dir;
    std::ofstream(dir / "Globe.psd") << "x\n";
    const HostResult r = Vornesk(logs.path, support.path, WithOutput(kExports[1].args, dir / "Globe.psd"));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadAll(dir / "Globe.psd"), "x\n");
    for (const std::string& face : kExports[1].members) EXPECT_EQ(ReadAll(dir / face).substr(0, 4), "8BPS") << face;
}

// SIGTERM the moment the export makes its first temporary, and the moment
// the renames keep the first old file under a second name, each seen as the
// folder tells of it: the run ends by the signal, no temporary stays, and
// the old set is whole, or, once the renames have begun, they finish first
// and the new set is.
TEST(ExportSetsCommandLine, SigtermWhileWritingLeavesOneWholeSet) {
    const SetExport& e = kExports[0];
    for (const int at : {1, 7}) {
        SCOPED_TRACE("SIGTERM at the temporary " + std::to_string(at));
        const TempDir logs, support, dir;
        for (const std::string& m : e.members) std::ofstream(dir / m) << "old " << m;
        std::vector<std::string> args = HostArguments(
            WithOutput({"-o", "OUT", "--output-mode", "icosahedron", "--export-pixels", "64"}, dir / e.chosen));
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        const std::string supportVariable = "VORNESK_SUPPORT_DIR=" + support.path;
        const int watch = inotify_init1(IN_CLOEXEC);
        ASSERT_GE(watch, 0);
        ASSERT_GE(inotify_add_watch(watch, dir.path.c_str(), IN_CREATE), 0);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            putenv(const_cast<char*>(supportVariable.c_str()));
            const int err = open((logs / "err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            dup2(err, 2);
            execv(argv[0], argv.data());
            _exit(127);
        }
        int status = 0, seen = 0;
        bool ended = false;
        while (seen < at && !ended) {
            pollfd ready{watch, POLLIN, 0};
            if (poll(&ready, 1, 100) <= 0) {
                ended = waitpid(child, &status, WNOHANG) == child;
                continue;
            }
            alignas(inotify_event) char events[4096];
            const ssize_t n = read(watch, events, sizeof events);
            for (ssize_t i = 0; i < n && seen < at;) {
                const auto* event = reinterpret_cast<const inotify_event*>(events + i);
                if (event->len && std::string(event->name).rfind(".vornesk-", 0) == 0 && ++seen == at)
                    kill(child, SIGTERM);
                i += ssize_t(sizeof(inotify_event) + event->len);
            }
        }
        close(watch);
        if (!ended) waitpid(child, &status, 0);
        const std::string said = ReadAll(logs / "err");
        ASSERT_EQ(seen, at) << "the export ended first: " << said;
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status << ": " << said;
        std::string left;
        for (const std::string& f : dir.Files()) left += " " + f;
        EXPECT_FALSE(dir.HasTemporaryFile()) << left;
        size_t old = 0;
        for (const std::string& m : e.members) old += ReadAll(dir / m) == "old " + m;
        if (at == 7) EXPECT_EQ(old, 0u) << "the renames were left half done";
        else EXPECT_TRUE(old == 0 || old == e.members.size()) << old << " of the old files are left";
    }
}

// The width of a JPEG file (its first frame header).
int JpegWidth(const std::string& bytes) {
    for (size_t i = 2; i + 9 < bytes.size();) {
        if (uint8_t(bytes[i]) != 0xFF) return -1;
        const uint8_t marker = uint8_t(bytes[i + 1]);
        if (marker >= 0xC0 && marker <= 0xC2) return uint8_t(bytes[i + 7]) << 8 | uint8_t(bytes[i + 8]);
        i += 2 + (uint8_t(bytes[i + 2]) << 8 | uint8_t(bytes[i + 3]));
    }
    return -1;
}

size_t Count(const std::string& text, const std::string& word) {
    size_t n = 0;
    for (size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) ++n;
    return n;
}

// Four runs export four solids to one name at once, ten rounds over; after
// each round the OBJ, STL, DXF and texture all come from one run: the
// solid's vertex and face counts and the texture's width (each run's own)
// agree.
TEST(ExportSetsCommandLine, RunsExportingToOneNameAtOnceEndWithOneRunsSet) {
    struct Run {
        const char* mode;
        size_t vertices, faces;
        int pixels;
    };
    const Run runs[] = {{"tetrahedron", 4, 4, 24}, {"cube", 8, 12, 32}, {"octahedron", 6, 8, 40},
                        {"icosahedron", 12, 20, 48}};
    const TempDir support, dir;
    std::vector<TempDir> logs(4);
    for (int round = 0; round < 10; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        std::vector<std::thread> threads;
        std::vector<HostResult> results(4);
        for (int r = 0; r < 4; ++r)
            threads.emplace_back([&, r] {
                results[size_t(r)] =
                    Vornesk(logs[size_t(r)].path, support.path,
                            {"-o", dir / "g.obj", "--output-mode", runs[r].mode, "--export-pixels",
                             std::to_string(runs[r].pixels)});
            });
        for (std::thread& t : threads) t.join();
        for (const HostResult& r : results) EXPECT_EQ(r.status, 0) << r.err;
        const std::string obj = ReadAll(dir / "g.obj"), stl = ReadAll(dir / "g.stl"), dxf = ReadAll(dir / "g.dxf");
        const int width = JpegWidth(ReadAll(dir / "g.jpg"));
        const Run* which = nullptr;
        for (const Run& r : runs)
            if (r.pixels == width) which = &r;
        ASSERT_NE(which, nullptr) << "a texture " << width << " wide";
        EXPECT_EQ(Count(obj, "\nv "), which->vertices) << which->mode;
        EXPECT_EQ(Count(obj, "\nf "), which->faces) << which->mode;
        EXPECT_EQ(Count(stl, "facet normal"), which->faces) << which->mode;
        EXPECT_EQ(Count(dxf, "\n3DFACE\n"), which->faces) << which->mode;
        EXPECT_FALSE(dir.HasTemporaryFile());
    }
}

}  // namespace
