#include "platform/workspace.h"

#include <pwd.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>

extern char** environ;

std::string HomeFolder() {
    if (const char* home = std::getenv("HOME"); home && *home) return home;
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir && *pw->pw_dir) return pw->pw_dir;
    return "/tmp";
}

std::string DesktopFolder() {
    const std::string home = HomeFolder();
    const char* config = std::getenv("XDG_CONFIG_HOME");
    const std::string dirs = (config && *config == '/' ? std::string(config) : home + "/.config") + "/user-dirs.dirs";
    std::ifstream in(dirs);
    std::string found;
    for (std::string line; std::getline(in, line);) {
        const std::string key = "XDG_DESKTOP_DIR=\"";
        if (line.compare(0, key.size(), key) != 0) continue;
        const size_t end = line.find('"', key.size());
        if (end == std::string::npos) continue;
        std::string value = line.substr(key.size(), end - key.size());
        if (value.compare(0, 5, "$HOME") == 0) value = home + value.substr(5);
        else if (value.empty() || value[0] != '/') continue;
        while (value.size() > 1 && value.back() == '/') value.pop_back();
        found = value;  // the last line of the key holds
    }
    // A desktop set to the home folder itself means "no desktop folder".
    if (!found.empty() && found != home) return found;
    return home + "/Desktop";
}

bool openWithPreviewThisFile(const std::string& path) {
    char program[] = "xdg-open";
    std::string argument = path;
    char* argv[] = {program, argument.data(), nullptr};
    pid_t child = 0;
    if (posix_spawnp(&child, program, nullptr, nullptr, argv, environ) != 0) return false;
    for (int waited = 0; waited < 200; ++waited) {
        int status = 0;
        const pid_t done = waitpid(child, &status, WNOHANG);
        if (done == child) return WIFEXITED(status) && WEXITSTATUS(status) == 0;
        if (done < 0 && errno != EINTR) return false;
        usleep(50000);
    }
    // Still running: the opener has handed the file to its application.
    return true;
}
