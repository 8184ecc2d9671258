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

pid_t gServer = -1;

}  // namespace

const std::string& TestDisplayName() { return gDisplay; }

bool StartTestDisplay() {
    XInitThreads();   // input is sent from threads of their own too
    gServer = StartXvfb(&gDisplay);
    if (gServer < 0) {
        std::fprintf(stderr, "Xvfb could not be started (tools/install-deps.sh installs it)\n");
        return false;
    }
    setenv("DISPLAY", gDisplay.c_str(), 1);
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    unsetenv("WAYLAND_DISPLAY");
    return true;
}

void StopTestDisplay() {
    if (gServer < 0) return;
    kill(gServer, SIGTERM);
    waitpid(gServer, nullptr, 0);
    gServer = -1;
}

#ifndef VORNESK_X11_NO_TEST_MAIN
int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();
    if (!StartTestDisplay()) return 1;
    const int result = RUN_ALL_TESTS();
    StopTestDisplay();
    return result;
}
#endif
