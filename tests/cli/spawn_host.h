// Runs a program (the command-line host) with its output caught in files of
// a folder; shared by the host's tests and the shell's end-to-end tests.
#pragma once

#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

// A folder of its own for a test, removed with what it holds.
struct TempDir {
    std::string path;
    TempDir() {
        char tmpl[] = "/tmp/vornesk-host-test-XXXXXX";
        path = mkdtemp(tmpl);
    }
    ~TempDir() { std::system(("rm -rf '" + path + "'").c_str()); }
    std::string operator/(const std::string& name) const { return path + "/" + name; }
    std::vector<std::string> Files() const {
        std::vector<std::string> names;
        if (DIR* d = opendir(path.c_str())) {
            while (dirent* e = readdir(d))
                if (std::string(e->d_name) != "." && std::string(e->d_name) != "..") names.push_back(e->d_name);
            closedir(d);
        }
        return names;
    }
    // The host's hidden temporary file, left behind.
    bool HasTemporaryFile() const {
        for (const std::string& f : Files())
            if (f.rfind(".vornesk-", 0) == 0) return true;
        return false;
    }
};

struct HostResult {
    int status = -1;
    std::string out;
    std::string err;
    long peakKilobytes = 0;   // the program's peak resident memory
    double seconds = 0;       // its run time, for figures (never for assertions)
};

inline std::string ReadAll(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

// args[0] is the program. extraEnv entries ("NAME=value") come before the
// inherited environment, so they win. The program runs under /usr/bin/time,
// where there is one, for its own peak memory: a process spawned straight
// from this one counts this one's memory as its own.
inline HostResult SpawnHost(const std::string& folder, std::vector<std::string> args,
                            std::vector<std::string> extraEnv = {}) {
    const std::string out = folder + "/.stdout", err = folder + "/.stderr", figures = folder + "/.figures";
    const bool timed = access("/usr/bin/time", X_OK) == 0;
    if (timed) args.insert(args.begin(), {"/usr/bin/time", "-q", "-f", "%M %e", "-o", figures});
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<char*> env;
    for (std::string& e : extraEnv) env.push_back(e.data());
    for (char** e = environ; *e; ++e) env.push_back(*e);
    env.push_back(nullptr);
    pid_t pid;
    HostResult r;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), env.data()) == 0) {
        int status = 0;
        rusage usage {};
        wait4(pid, &status, 0, &usage);
        r.peakKilobytes = usage.ru_maxrss;
        r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    posix_spawn_file_actions_destroy(&actions);
    if (timed) {
        // "Command exited with ..." lines may come first; the figures end the file.
        std::istringstream lines(ReadAll(figures));
        for (std::string line; std::getline(lines, line);)
            if (!line.empty() && std::isdigit(static_cast<unsigned char>(line[0])))
                std::istringstream(line) >> r.peakKilobytes >> r.seconds;
        unlink(figures.c_str());
    }
    r.out = ReadAll(out);
    r.err = ReadAll(err);
    unlink(out.c_str());
    unlink(err.c_str());
    return r;
}
