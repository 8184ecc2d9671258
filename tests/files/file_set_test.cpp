// A set of files written together: each member of a set breaks in turn, in
// every way a write breaks (a protected file or a folder where a member
// goes, a full disk, a writer that fails, a signal that ends the program,
// a signal the program lives through); every time the set is refused whole,
// the old files stay byte for byte and no temporary is left. Programs
// writing one set at once end with one program's whole set.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "common/byte_io.h"
#include "files/file_layer.h"
#include "files/file_set.h"

namespace {

namespace fs = std::filesystem;

struct Folder {
    fs::path path;
    Folder() {
        char tmpl[] = "/tmp/vornesk-set-XXXXXX";
        path = mkdtemp(tmpl);
    }
    ~Folder() {
        std::error_code ignored;
        fs::permissions(path, fs::perms::owner_all, fs::perm_options::add, ignored);
        fs::remove_all(path, ignored);
    }
    std::string operator/(const std::string& name) const { return (path / name).string(); }
    // Every name in the folder, hidden ones (a temporary left behind) too.
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(path)) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
};

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void Put(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

int WriteText(int fd, const std::string& text) {
    const int error = WriteBytes(fd, text.data(), int64_t(text.size()));
    close(fd);
    return error;
}

const char* const kMembers[] = {"set.obj", "set.mtl", "set.jpg", "set.stl"};

// What a fault does to member k before the set is written; how the writer
// of member k behaves; what the set must answer.
enum class Fault { kProtected, kFolder, kFullDisk, kWriterFails, kTargetBecomesFolder };

struct FaultCase {
    Fault fault;
    const char* name;
    const char* reason;  // in the failure's words
    bool writeFailed;
};

const FaultCase kFaults[] = {
    {Fault::kProtected, "a write-protected file", "the file is write-protected", true},
    {Fault::kFolder, "a folder in its place", "it is a folder", true},
    {Fault::kFullDisk, "a full disk", "No space left on device", true},
    {Fault::kWriterFails, "a writer that fails", "the render failed", false},
    {Fault::kTargetBecomesFolder, "a folder made while the set was written", "it is a folder", true},
};

int gFullFrom = -1;  // the write of this member and later ones see a full disk
int gWriteCalls = 0;
int FullDisk(WriteStep step) {
    if (step != WriteStep::kWrite) return 0;
    return gWriteCalls++ == gFullFrom ? ENOSPC : 0;
}

TEST(FileSet, EachMemberBrokenInTurnLeavesTheOldSet) {
    for (const FaultCase& f : kFaults)
        for (int k = 0; k < int(std::size(kMembers)); ++k) {
            SCOPED_TRACE(std::string(f.name) + " at " + kMembers[k]);
            const Folder folder;
            // The old set; where the fault is a folder, the member has none.
            for (int i = 0; i < int(std::size(kMembers)); ++i)
                if (!(i == k && f.fault == Fault::kFolder)) Put(folder / kMembers[i], std::string("old ") + kMembers[i]);
            const std::string target = folder / kMembers[k];
            if (f.fault == Fault::kProtected) chmod(target.c_str(), 0444);
            if (f.fault == Fault::kFolder) fs::create_directory(target);
            const std::vector<std::string> before = folder.Names();
            std::map<std::string, std::string> old;
            for (const char* m : kMembers)
                if (fs::is_regular_file(folder / m)) old[m] = Slurp(folder / m);

            gWriteCalls = 0;
            gFullFrom = f.fault == Fault::kFullDisk ? k : -1;
            SetWriteFailureHook(FullDisk);
            FileSet set;
            StartFileSet(&set, folder / kMembers[0]);
            int written = 0;
            for (int i = 0; i < int(std::size(kMembers)); ++i) {
                const bool failing = i == k && f.fault == Fault::kWriterFails;
                WriteFileSetMember(
                    &set, folder / kMembers[i], "the member",
                    [&, i, failing](int fd) {
                        ++written;
                        if (failing) {
                            close(fd);
                            return -2;
                        }
                        return WriteText(fd, std::string("new ") + kMembers[i]);
                    },
                    [] { return std::string("the render failed"); });
            }
            if (f.fault == Fault::kTargetBecomesFolder) {
                std::remove(target.c_str());
                fs::create_directory(target);
            }
            const int result = FinishFileSet(&set);
            SetWriteFailureHook(nullptr);

            EXPECT_NE(result, 0);
            EXPECT_EQ(set.failedFile, target);
            EXPECT_EQ(set.reason, f.reason);
            EXPECT_EQ(set.writeFailed, f.writeFailed);
            // Nothing is written after the member that failed; a target
            // found wrong before the renames fails after all were written.
            const bool checkedFirst = f.fault == Fault::kProtected || f.fault == Fault::kFolder;
            EXPECT_EQ(written, f.fault == Fault::kTargetBecomesFolder ? int(std::size(kMembers))
                               : checkedFirst                         ? k
                                                                      : k + 1);
            if (f.fault == Fault::kTargetBecomesFolder) old.erase(kMembers[k]);
            else EXPECT_EQ(folder.Names(), before);
            for (const auto& [name, text] : old) EXPECT_EQ(Slurp(folder / name), text) << name;
            for (const std::string& name : folder.Names()) EXPECT_NE(name.rfind(".vornesk-", 0), 0u) << name;
        }
}

// A member written twice keeps the later file; a set with no failure
// replaces every old file, keeps each one's permissions, writes through a
// link onto the file it names and gives a new file the usual permissions.
TEST(FileSet, AWholeSetReplacesEveryFile) {
    const Folder folder;
    Put(folder / "a.txt", "old a");
    chmod((folder / "a.txt").c_str(), 0640);
    Put(folder / "real.txt", "old real");
    symlink("real.txt", (folder / "link.txt").c_str());
    const mode_t mask = umask(022);
    FileSet set;
    StartFileSet(&set, folder / "a.txt");
    for (const auto& member : std::vector<std::pair<std::string, std::string>>{
             {"a.txt", "first a"}, {"link.txt", "new real"}, {"b.txt", "new b"}, {"a.txt", "new a"}})
        EXPECT_EQ(WriteFileSetMember(&set, folder / member.first, "the member",
                                     [&](int fd) { return WriteText(fd, member.second); }),
                  0);
    EXPECT_EQ(FinishFileSet(&set), 0);
    umask(mask);
    EXPECT_EQ(Slurp(folder / "a.txt"), "new a");
    EXPECT_EQ(Slurp(folder / "real.txt"), "new real");
    EXPECT_EQ(Slurp(folder / "b.txt"), "new b");
    EXPECT_TRUE(fs::is_symlink(folder / "link.txt"));
    struct stat st {};
    stat((folder / "a.txt").c_str(), &st);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    stat((folder / "b.txt").c_str(), &st);
    EXPECT_EQ(st.st_mode & 07777, 0644u);
    EXPECT_EQ(folder.Names(), (std::vector<std::string>{"a.txt", "b.txt", "link.txt", "real.txt"}));
}

// An optional member whose writer fails (a thumbnail that cannot render)
// is left out and the set goes on; a failed write of one fails the set.
// A folder the set made goes again when the set fails.
TEST(FileSet, OptionalMembersAndMadeFolders) {
    const Folder folder;
    FileSet set;
    StartFileSet(&set, folder / "page.html");
    ASSERT_TRUE(MakeFileSetFolder(&set, folder / "images"));
    EXPECT_EQ(WriteFileSetMember(&set, folder / "images/a.jpg", "the thumbnail", [](int fd) { return WriteText(fd, "a"); },
                                 nullptr, true),
              0);
    EXPECT_EQ(WriteFileSetMember(&set, folder / "images/b.jpg", "the thumbnail",
                                 [](int fd) {
                                     close(fd);
                                     return -5;
                                 },
                                 nullptr, true),
              -5);
    EXPECT_EQ(set.result, 0);
    EXPECT_EQ(WriteFileSetMember(&set, folder / "page.html", "the page", [](int fd) { return WriteText(fd, "p"); }), 0);
    EXPECT_EQ(FinishFileSet(&set), 0);
    EXPECT_EQ(Slurp(folder / "images/a.jpg"), "a");
    EXPECT_FALSE(fs::exists(folder / "images/b.jpg"));

    // A thumbnail that meets a full disk fails the set: nothing is placed,
    // and the folder the set made is gone.
    const Folder second;
    FileSet failing;
    StartFileSet(&failing, second / "page.html");
    ASSERT_TRUE(MakeFileSetFolder(&failing, second / "images"));
    EXPECT_EQ(WriteFileSetMember(&failing, second / "images/a.jpg", "the thumbnail",
                                 [](int fd) { return WriteText(fd, "a"); }, nullptr, true),
              0);
    const int full = open("/dev/full", O_WRONLY);
    ASSERT_GE(full, 0);
    EXPECT_NE(WriteFileSetMember(&failing, second / "images/b.jpg", "the thumbnail",
                                 [full](int fd) {
                                     close(fd);
                                     return WriteText(full, "b");
                                 },
                                 nullptr, true),
              0);
    EXPECT_TRUE(failing.writeFailed);
    EXPECT_EQ(failing.reason, "No space left on device");
    EXPECT_NE(FinishFileSet(&failing), 0);
    EXPECT_TRUE(second.Names().empty());

    // A folder's place taken by a file, and a missing parent, which is not made.
    const Folder third;
    Put(third / "images", "a file");
    FileSet blocked;
    StartFileSet(&blocked, third / "page.html");
    EXPECT_FALSE(MakeFileSetFolder(&blocked, third / "images"));
    EXPECT_EQ(blocked.reason, "it is not a folder");
    FileSet deep;
    StartFileSet(&deep, third / "page.html");
    EXPECT_FALSE(MakeFileSetFolder(&deep, third / "missing/images"));
    EXPECT_EQ(deep.reason, "No such file or directory");
    EXPECT_FALSE(fs::exists(third / "missing"));
}

// Parts of a set: a whole part is placed with the set; a part that could
// not be made leaves the set as it was and goes on; a part whose write
// failed fails the set.
TEST(FileSet, PartsJoinTheirSet) {
    const Folder folder;
    Put(folder / "old.txt", "old");
    FileSet set;
    StartFileSet(&set, folder / "page.html");
    auto part = [&](const std::string& name, int fails) {
        FileSet p;
        StartFileSet(&p, folder / name);
        for (const char* suffix : {".a", ".b"})
            WriteFileSetMember(&p, folder / (name + suffix), "the part", [&, suffix](int fd) {
                if (fails == 1 && std::string(suffix) == ".b") {
                    close(fd);
                    return -3;
                }
                if (fails == 2 && std::string(suffix) == ".b") {
                    close(fd);
                    return int(writErr);
                }
                return WriteText(fd, name + suffix);
            });
        JoinFileSet(&set, &p);
    };
    part("whole", 0);
    part("unmade", 1);
    EXPECT_EQ(set.result, 0);
    WriteFileSetMember(&set, folder / "page.html", "the page", [](int fd) { return WriteText(fd, "page"); });
    EXPECT_EQ(FinishFileSet(&set), 0);
    EXPECT_EQ(folder.Names(), (std::vector<std::string>{"old.txt", "page.html", "whole.a", "whole.b"}));
    EXPECT_EQ(Slurp(folder / "whole.b"), "whole.b");

    FileSet failing;
    StartFileSet(&failing, folder / "page.html");
    {
        FileSet p;
        StartFileSet(&p, folder / "x");
        WriteFileSetMember(&p, folder / "x.a", "the part", [](int fd) { return WriteText(fd, "x"); });
        WriteFileSetMember(&p, folder / "x.b", "the part", [](int fd) {
            close(fd);
            return int(writErr);
        });
        JoinFileSet(&failing, &p);
    }
    EXPECT_TRUE(failing.writeFailed);
    EXPECT_EQ(failing.failedFile, folder / "x.b");
    EXPECT_NE(FinishFileSet(&failing), 0);
    EXPECT_EQ(folder.Names(), (std::vector<std::string>{"old.txt", "page.html", "whole.a", "whole.b"}));
}

// A signal that ends the program while member k is written: the program
// ends by that signal, and its temporaries go with it.
TEST(FileSet, ASignalEndsTheProgramAndTakesTheTemporaries) {
    for (int signal : {SIGTERM, SIGHUP, SIGINT})
        for (int k = 0; k < int(std::size(kMembers)); ++k) {
            SCOPED_TRACE("signal " + std::to_string(signal) + " at " + kMembers[k]);
            const Folder folder;
            for (const char* m : kMembers) Put(folder / m, std::string("old ") + m);
            const pid_t child = fork();
            ASSERT_GE(child, 0);
            if (child == 0) {
                std::signal(signal, SIG_DFL);
                FileSet set;
                StartFileSet(&set, folder / kMembers[0]);
                for (int i = 0; i < int(std::size(kMembers)); ++i)
                    WriteFileSetMember(&set, folder / kMembers[i], "the member", [&, i](int fd) {
                        WriteText(fd, "new");
                        if (i == k) raise(signal);
                        return 0;
                    });
                FinishFileSet(&set);
                _exit(0);
            }
            int status = 0;
            ASSERT_EQ(waitpid(child, &status, 0), child);
            EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
            for (const char* m : kMembers) EXPECT_EQ(Slurp(folder / m), std::string("old ") + m);
            EXPECT_EQ(folder.Names().size(), std::size(kMembers));
        }
}

// A signal the program's own handler lives through (a first Ctrl-C that
// asks to cancel) still takes the temporaries: the set is given up as
// cancelled and the handler is called.
int gCaught = 0;
void Caught(int) { ++gCaught; }

TEST(FileSet, ASignalThatIsHandledCancelsTheSet) {
    const Folder folder;
    for (const char* m : kMembers) Put(folder / m, std::string("old ") + m);
    struct sigaction mine {}, before {};
    mine.sa_handler = Caught;
    sigemptyset(&mine.sa_mask);
    sigaction(SIGUSR1, &mine, &before);
    gCaught = 0;
    FileSet set;
    StartFileSet(&set, folder / kMembers[0]);
    for (int i = 0; i < int(std::size(kMembers)); ++i)
        WriteFileSetMember(&set, folder / kMembers[i], "the member", [&, i](int fd) {
            WriteText(fd, "new");
            if (i == 1) raise(SIGUSR1);
            return 0;
        });
    EXPECT_EQ(FinishFileSet(&set), kFileSetCancelled);
    EXPECT_TRUE(set.cancelled);
    EXPECT_EQ(gCaught, 1);
    for (const char* m : kMembers) EXPECT_EQ(Slurp(folder / m), std::string("old ") + m);
    EXPECT_EQ(folder.Names().size(), std::size(kMembers));
    // The program's handler is its own again once the set is done.
    struct sigaction now {};
    sigaction(SIGUSR1, nullptr, &now);
    EXPECT_EQ(now.sa_handler, Caught);
    sigaction(SIGUSR1, &before, nullptr);

    // A later set is not cancelled by the signal of an earlier one.
    FileSet next;
    StartFileSet(&next, folder / "next.txt");
    WriteFileSetMember(&next, folder / "next.txt", "the member", [](int fd) { return WriteText(fd, "next"); });
    EXPECT_EQ(FinishFileSet(&next), 0);
    EXPECT_EQ(Slurp(folder / "next.txt"), "next");
}

// Four programs write a set of three files under one name, ten times over;
// each writes its own number into all three, slowly, so that their writes
// overlap. After every round all three files carry one program's number.
TEST(FileSet, SetsWrittenAtOnceEndAsOneProgramsSet) {
    const Folder folder;
    const char* names[] = {"g.obj", "g.mtl", "g.jpg"};
    for (int round = 0; round < 10; ++round) {
        std::vector<pid_t> children;
        for (int program = 0; program < 4; ++program) {
            const pid_t child = fork();
            ASSERT_GE(child, 0);
            if (child == 0) {
                FileSet set;
                StartFileSet(&set, folder / names[0]);
                for (const char* name : names)
                    WriteFileSetMember(&set, folder / name, "the member", [&](int fd) {
                        // Bytes one at a time: the programs' writes interleave.
                        const std::string text = std::to_string(program) + std::string(2000, char('a' + program));
                        for (char c : text)
                            if (write(fd, &c, 1) != 1) return 1;
                        close(fd);
                        return 0;
                    });
                _exit(FinishFileSet(&set) == 0 ? 0 : 1);
            }
            children.push_back(child);
        }
        for (pid_t child : children) {
            int status = 0;
            waitpid(child, &status, 0);
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        }
        const std::string first = Slurp(folder / names[0]);
        ASSERT_EQ(first.size(), 2001u);
        for (const char* name : names) EXPECT_EQ(Slurp(folder / name), first) << "round " << round << " " << name;
        EXPECT_EQ(folder.Names().size(), std::size(names));
    }
}

}  // namespace
