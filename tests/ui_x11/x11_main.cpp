// The test program's own X server: Xvfb on the first free display, started
// before anything talks to X and stopped at the end; Qt then shows its
// windows there through its X11 platform.
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tests/ui_x11/x11_fixture.h"

#include <X11/Xlib.h>   // after Qt's headers

namespace {

std::string gDisplay;

// Starts Xvfb, which writes the display number it took to the pipe.
pid_t StartXvfb(std::string* display) {
    int fds[2];
    if (pipe(fds) != 0) return -1;
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        prctl(PR_SET_PDEATHSIG, SIGTERM);   // gone with the test program, however it ends
        const std::string fd = std::to_string(fds[1]);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "2400x1600x24", "-nolisten", "tcp",
               "-noreset", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    std::string number;
    char c;
    while (pid > 0 && read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    close(fds[0]);
    if (pid < 0 || number.empty()) return -1;
    *display = ":" + number;
    return pid;
}

}  // namespace

const std::string& TestDisplayName() { return gDisplay; }

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();
    XInitThreads();   // the tests send input from a thread of their own too
    const pid_t server = StartXvfb(&gDisplay);
    if (server < 0) {
        std::fprintf(stderr, "Xvfb could not be started (tools/install-deps.sh installs it)\n");
        return 1;
    }
    setenv("DISPLAY", gDisplay.c_str(), 1);
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    unsetenv("WAYLAND_DISPLAY");
    const int result = RUN_ALL_TESTS();
    kill(server, SIGTERM);
    waitpid(server, nullptr, 0);
    return result;
}
