#include "files/file_set.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <random>
#include <thread>

#include "common/byte_io.h"
#include "files/file_layer.h"
#include "platform/signal_gate.h"

// One temporary file of an open set, as the signal handler sees it: the
// handler only reads the list and removes the files of the live entries.
struct FileSetTemporary {
    std::atomic<FileSetTemporary*> next{nullptr};
    std::atomic<bool> live{true};
    char path[PATH_MAX + 1] = {};
};

namespace {

// The signals whose default action ends the program and that a program may
// catch; the faults (SIGSEGV...) are left to whoever handles them.
constexpr int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE, SIGALRM, SIGUSR1, SIGUSR2,
                                  SIGVTALRM, SIGPROF, SIGXCPU, SIGXFSZ, SIGIO, SIGPWR, SIGSTKFLT};

std::atomic<FileSetTemporary*> gTemporaries{nullptr};
std::atomic<int> gHandlersRunning{0};

// Guards the list's links and the installed handlers against other threads
// writing sets (never taken by the handler).
std::mutex gRegistry;
int gOpenSets = 0;
struct sigaction gPrevious[_NSIG];
bool gInstalled[_NSIG];

void OnEndingSignal(int signal, siginfo_t* info, void* context) {
    const int savedErrno = errno;
    // A temporary being made or renamed on another thread: the signal comes
    // back once that is done. From here on no set makes or places a file
    // (the host's handler may yet return, as a first Ctrl-C that cancels).
    if (!SignalGateLets(signal)) {
        errno = savedErrno;
        return;
    }
    gHandlersRunning.fetch_add(1);
    for (FileSetTemporary* t = gTemporaries.load(); t; t = t->next.load())
        if (t->live.load()) unlink(t->path);
    gHandlersRunning.fetch_sub(1);
    const struct sigaction& before = gPrevious[signal];
    if (before.sa_flags & SA_SIGINFO) {
        if (before.sa_sigaction) before.sa_sigaction(signal, info, context);
    } else if (before.sa_handler == SIG_DFL) {
        // The default action, once this handler returns and the signal is let through.
        struct sigaction plain {};
        plain.sa_handler = SIG_DFL;
        sigemptyset(&plain.sa_mask);
        sigaction(signal, &plain, nullptr);
        raise(signal);
    } else if (before.sa_handler != SIG_IGN) {
        before.sa_handler(signal);
    }
    errno = savedErrno;
}

void ForEachEndingSignal(const std::function<void(int)>& f) {
    for (int s : kEndingSignals) f(s);
    for (int s = SIGRTMIN; s <= SIGRTMAX; ++s) f(s);
}

// The ending signals of this thread held off while a set's state changes.
struct EndingSignalsHeld {
    sigset_t old;
    EndingSignalsHeld() {
        sigset_t held;
        sigemptyset(&held);
        ForEachEndingSignal([&](int s) { sigaddset(&held, s); });
        pthread_sigmask(SIG_BLOCK, &held, &old);
    }
    ~EndingSignalsHeld() { pthread_sigmask(SIG_SETMASK, &old, nullptr); }
};

// A temporary made, renamed or forgotten with the ending signals held off on
// this thread and a handler on any other made to wait (open false: a signal
// has already begun to end the work, and nothing is to be done).
struct TemporariesSection {
    EndingSignalsHeld held;
    const bool open = EnterSignalGate();
    TemporariesSection() = default;
    TemporariesSection(const TemporariesSection&) = delete;
    TemporariesSection& operator=(const TemporariesSection&) = delete;
    ~TemporariesSection() {
        if (open) LeaveSignalGate();
    }
};

// Catches the ending signals that are not ignored while the first set is
// open; called with gRegistry held.
void InstallHandlers() {
    if (gOpenSets++ > 0) return;
    ForEachEndingSignal([](int s) {
        gInstalled[s] = false;
        struct sigaction before {};
        if (sigaction(s, nullptr, &before) != 0) return;
        if (!(before.sa_flags & SA_SIGINFO) && before.sa_handler == SIG_IGN) return;
        gPrevious[s] = before;
        struct sigaction mine {};
        mine.sa_sigaction = OnEndingSignal;
        mine.sa_flags = SA_SIGINFO | SA_RESTART;
        sigemptyset(&mine.sa_mask);
        ForEachEndingSignal([&](int other) { sigaddset(&mine.sa_mask, other); });
        gInstalled[s] = sigaction(s, &mine, nullptr) == 0;
    });
}

void RestoreHandlers() {
    if (--gOpenSets > 0) return;
    // What a signal removed was of the sets now closed.
    ReopenSignalGate();
    ForEachEndingSignal([](int s) {
        if (gInstalled[s]) sigaction(s, &gPrevious[s], nullptr);
        gInstalled[s] = false;
    });
}

// The handlers are in place before the set's first temporary is made.
void CatchEndingSignals(FileSet* set) {
    if (set->catching) return;
    std::lock_guard<std::mutex> lock(gRegistry);
    InstallHandlers();
    set->catching = true;
}

FileSetTemporary* Register(FileSet* set, const std::string& path) {
    auto* t = new FileSetTemporary;
    std::snprintf(t->path, sizeof t->path, "%s", path.c_str());
    std::lock_guard<std::mutex> lock(gRegistry);
    t->next.store(gTemporaries.load());
    gTemporaries.store(t);
    set->registered.push_back(t);
    return t;
}

// Takes the set's entries out of the list once nothing of it is on disk.
void Unregister(FileSet* set) {
    if (!set->catching) return;
    std::lock_guard<std::mutex> lock(gRegistry);
    for (FileSetTemporary* t : set->registered) {
        t->live.store(false);
        FileSetTemporary* at = gTemporaries.load();
        if (at == t) {
            gTemporaries.store(t->next.load());
            continue;
        }
        while (at && at->next.load() != t) at = at->next.load();
        if (at) at->next.store(t->next.load());
    }
    // A handler on another thread may still be walking past them.
    while (gHandlersRunning.load() > 0) std::this_thread::yield();
    for (FileSetTemporary* t : set->registered) delete t;
    set->registered.clear();
    set->catching = false;
    RestoreHandlers();
}

void Forget(FileSet* set, const std::string& temporary) {
    for (FileSetTemporary* t : set->registered)
        if (temporary == t->path) t->live.store(false);
}

std::string Folder(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Why path cannot be replaced by a new file, or empty when it can: only a
// plain file that is not write-protected (for root too, whom the system
// would let write it) is replaced.
std::string WhyNotReplaceable(const std::string& path, int* error) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) return {};
    if (S_ISDIR(st.st_mode)) {
        *error = EISDIR;
        return "it is a folder";
    }
    if (!S_ISREG(st.st_mode)) {
        *error = EINVAL;
        return "it is not a regular file";
    }
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || access(path.c_str(), W_OK) != 0) {
        *error = EACCES;
        return "the file is write-protected";
    }
    return {};
}

void Fail(FileSet* set, const std::string& file, int result, bool writeFailed, const std::string& reason,
          int systemError = 0) {
    if (set->result != 0 || set->cancelled) return;
    set->result = result;
    set->writeFailed = writeFailed;
    set->systemError = systemError;
    set->failedFile = file;
    set->reason = reason;
}

// A name for a second link to an existing file beside it, made by link(2)
// itself (which refuses a name that exists); empty when none could be made.
std::string LinkBeside(const std::string& path) {
    static thread_local std::mt19937 random{std::random_device{}()};
    const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = Folder(path) + "/.vornesk-";
        for (int i = 0; i < 6; ++i) name += letters[random() % (sizeof letters - 1)];
        if (link(path.c_str(), name.c_str()) == 0) return name;
        if (errno != EEXIST) return {};
    }
    return {};
}

}  // namespace

std::string PathWithLinksFollowed(std::string path) {
    for (int hops = 0; hops < 40; ++hops) {
        char target[PATH_MAX];
        const ssize_t n = readlink(path.c_str(), target, sizeof target - 1);
        if (n <= 0) return path;
        target[n] = 0;
        path = target[0] == '/' ? std::string(target) : Folder(path) + "/" + target;
    }
    return path;
}

FileSet::~FileSet() {
    if (!finished) AbandonFileSet(this);
}

void StartFileSet(FileSet* set, const std::string& name) { set->name = name; }

int WriteFileSetMember(FileSet* set, const std::string& target, const char* what,
                       const std::function<int(int fd)>& writer, const std::function<std::string()>& whyWriterFailed,
                       bool optional) {
    // A caught signal took the temporaries: the rest would be written in vain.
    if (set->result == 0 && SignalGateClosed()) set->cancelled = true;
    if (set->cancelled) return kFileSetCancelled;
    if (set->result != 0) return set->result;
    const std::string path = PathWithLinksFollowed(target);
    int error = 0;
    std::string why = WhyNotReplaceable(path, &error);
    std::string temporary;
    int fd = -1;
    struct stat st {};
    const bool existed = stat(path.c_str(), &st) == 0;
    if (why.empty()) error = InjectedWriteFailure(WriteStep::kOpen);
    if (why.empty() && !error) {
        temporary = Folder(path) + "/.vornesk-XXXXXX";
        CatchEndingSignals(set);
        TemporariesSection section;
        if (!section.open) {
            set->cancelled = true;
            return kFileSetCancelled;
        }
        fd = mkostemp(temporary.data(), O_CLOEXEC);
        if (fd < 0) error = errno;
        else Register(set, temporary);
    }
    int writerResult = 0;
    int writeError = 0;
    if (fd >= 0) {
        // The replaced file's permissions, else those a plain creation gives.
        const mode_t mask = umask(0);
        umask(mask);
        fchmod(fd, existed ? st.st_mode & 07777 : 0666 & ~mask);
        TakeWriteFailure();
        // The writer closes its own copy; the layer's is flushed and closed after.
        if (InjectedWriteFailure(WriteStep::kWrite)) {
            // Every write fails as on a full disk; the writer must say so.
            const int full = open("/dev/full", O_WRONLY | O_CLOEXEC);
            writerResult = full < 0 ? ENOSPC : writer(full);
            if (full >= 0 && fcntl(full, F_GETFD) != -1) close(full);
        } else {
            const int mine = dup(fd);
            if (mine < 0) {
                error = errno;
            } else {
                writerResult = writer(mine);
                if (fcntl(mine, F_GETFD) != -1) close(mine);
            }
        }
        writeError = TakeWriteFailure();
        if (!error && !writerResult) error = InjectedWriteFailure(WriteStep::kFlush);
        if (!error && !writerResult && fsync(fd) != 0) error = errno;
        if (close(fd) != 0 && !error && !writerResult) error = errno;
        if (!error && !writerResult) error = InjectedWriteFailure(WriteStep::kClose);
    }
    if (!error && !writerResult && why.empty()) {
        // A second write of one target replaces the first.
        for (FileSetMember& m : set->members)
            if (m.path == path) {
                Forget(set, m.temporary);
                unlink(m.temporary.c_str());
                m = FileSetMember{target, path, temporary, existed};
                return 0;
            }
        set->members.push_back({target, path, temporary, existed});
        return 0;
    }
    if (!temporary.empty() && fd >= 0) {
        Forget(set, temporary);
        unlink(temporary.c_str());
    }
    // A writer that failed without a failed write failed at what it was to
    // write; else the system says why.
    const bool fileSystem = !why.empty() || error != 0 || writeError != 0 || writerResult == writErr;
    if (why.empty()) {
        if (!fileSystem && whyWriterFailed) why = whyWriterFailed();
        if (why.empty()) {
            const int e = error ? error : writeError;
            why = e > 0 ? std::strerror(e) : fileSystem ? "the write failed" : "it could not be made";
        }
    }
    std::fprintf(stderr, "Vornesk 2: could not write %s to %s: %s\n", what ? what : "the file", target.c_str(),
                 why.c_str());
    const int result = writerResult != 0 ? writerResult : kFileFailed;
    if (optional && !fileSystem) return result;
    Fail(set, target, result, fileSystem, why, error ? error : writeError);
    return set->result;
}

bool CheckFileSetTargets(FileSet* set, const std::vector<std::string>& targets) {
    for (const std::string& target : targets) {
        if (set->result != 0 || set->cancelled) return false;
        int error = 0;
        const std::string why = WhyNotReplaceable(PathWithLinksFollowed(target), &error);
        if (why.empty()) continue;
        std::fprintf(stderr, "Vornesk 2: could not write %s: %s\n", target.c_str(), why.c_str());
        Fail(set, target, kFileFailed, true, why, error);
    }
    return set->result == 0 && !set->cancelled;
}

bool MakeFileSetFolder(FileSet* set, const std::string& folder) {
    if (set->result != 0 || set->cancelled) return false;
    if (mkdir(folder.c_str(), 0777) == 0) {
        set->madeFolders.push_back(folder);
        return true;
    }
    const int error = errno;
    if (FileZerp_pathisDirectory(folder)) return true;
    Fail(set, folder, kFileFailed, true, error == EEXIST ? "it is not a folder" : std::strerror(error),
         error == EEXIST ? ENOTDIR : error);
    std::fprintf(stderr, "Vornesk 2: could not make the folder %s: %s\n", folder.c_str(), set->reason.c_str());
    return false;
}

int FinishFileSet(FileSet* set, const std::function<bool()>& cancelled) {
    if (set->finished) return set->result;
    if (set->result == 0 && !set->cancelled && (SignalGateClosed() || (cancelled && cancelled())))
        set->cancelled = true;
    if (set->result != 0 || set->cancelled) {
        AbandonFileSet(set);
        return set->cancelled ? kFileSetCancelled : set->result;
    }
    // One set's renames at a time per folder, across programs.
    const int folder = open(Folder(PathWithLinksFollowed(set->name)).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        while (flock(folder, LOCK_EX) != 0 && errno == EINTR) {
        }
    }
    {
        // A signal caught meanwhile on another thread waits for the renames
        // and ends the program once they are done: the set ends whole
        // either way.
        TemporariesSection section;
        if (!section.open) set->cancelled = true;
        // What each name stands for may have changed during the run.
        for (const FileSetMember& m : set->members) {
            int error = 0;
            const std::string why = WhyNotReplaceable(m.path, &error);
            if (!why.empty()) {
                Fail(set, m.target, kFileFailed, true, why, error);
                break;
            }
        }
        std::vector<std::string> kept(set->members.size());
        size_t placed = 0;
        if (set->result == 0 && !set->cancelled) {
            for (; placed < set->members.size(); ++placed) {
                FileSetMember& m = set->members[placed];
                struct stat st {};
                // The old file is kept under a second name until the whole
                // set stands, to be put back if a later rename fails.
                // Where the file system has no second names the file is
                // replaced without one: the checks above make a failed
                // rename unlikely.
                if (stat(m.path.c_str(), &st) == 0) kept[placed] = LinkBeside(m.path);
                const int injected = InjectedWriteFailure(WriteStep::kRename);
                if (injected || std::rename(m.temporary.c_str(), m.path.c_str()) != 0) {
                    const int error = injected ? injected : errno;
                    Fail(set, m.target, kFileFailed, true, std::strerror(error), error);
                    break;
                }
                Forget(set, m.temporary);
                m.temporary.clear();
            }
        }
        const bool whole = set->result == 0 && !set->cancelled;
        for (size_t i = 0; i < set->members.size(); ++i) {
            if (!whole && i < placed) {
                // Put back what this set replaced, and take away what it added.
                if (!kept[i].empty()) std::rename(kept[i].c_str(), set->members[i].path.c_str());
                else unlink(set->members[i].path.c_str());
            } else if (!kept[i].empty()) {
                unlink(kept[i].c_str());
            }
        }
    }
    if (folder >= 0) close(folder);
    if (set->result != 0 || set->cancelled) {
        if (set->result != 0)
            std::fprintf(stderr, "Vornesk 2: could not write %s: %s\n", set->failedFile.c_str(), set->reason.c_str());
        AbandonFileSet(set);
    } else {
        set->finished = true;
        Unregister(set);
    }
    return set->cancelled ? kFileSetCancelled : set->result;
}

void AbandonFileSet(FileSet* set) {
    {
        EndingSignalsHeld held;
        for (FileSetMember& m : set->members)
            if (!m.temporary.empty()) {
                unlink(m.temporary.c_str());
                Forget(set, m.temporary);
                m.temporary.clear();
            }
    }
    for (auto f = set->madeFolders.rbegin(); f != set->madeFolders.rend(); ++f) rmdir(f->c_str());
    set->madeFolders.clear();
    set->finished = true;
    Unregister(set);
}

void JoinFileSet(FileSet* set, FileSet* part) {
    if (part->result != 0 || part->cancelled || set->result != 0 || set->cancelled) {
        if (part->cancelled) set->cancelled = true;
        else if (part->writeFailed) Fail(set, part->failedFile, part->result, true, part->reason, part->systemError);
        AbandonFileSet(part);
        return;
    }
    std::lock_guard<std::mutex> lock(gRegistry);
    // The part's temporaries are the set's now; one of the two counts of
    // open sets goes when both had some.
    if (set->catching && part->catching) RestoreHandlers();
    set->catching = set->catching || part->catching;
    part->catching = false;
    set->registered.insert(set->registered.end(), part->registered.begin(), part->registered.end());
    set->members.insert(set->members.end(), part->members.begin(), part->members.end());
    set->madeFolders.insert(set->madeFolders.end(), part->madeFolders.begin(), part->madeFolders.end());
    part->registered.clear();
    part->members.clear();
    part->madeFolders.clear();
    part->finished = true;
}

