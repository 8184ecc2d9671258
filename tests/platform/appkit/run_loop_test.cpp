// The dialog's run loop on the test clock: delayed calls, their cancelling,
// posted blocks, and that nothing runs outside the modal loop.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/appkit/run_loop.h"
#include "tests/platform/appkit/offscreen_app.h"

namespace {

struct RunLoopTest : ::testing::Test {
    std::vector<std::string> fired;
    int a = 0, b = 0, objectX = 0, objectY = 0;
    void SetUp() override {
        ASSERT_TRUE(OffscreenApplication());
        UseTestClock(true);
        NSApp_beginModal(nullptr);
    }
    void TearDown() override {
        NSApp_endModal();
        UseTestClock(false);
    }
    void Schedule(const void* target, const char* selector, const void* object, double delay, std::string tag) {
        NSObject_performSelectorAfterDelay(target, selector, object, delay, [this, tag] { fired.push_back(tag); });
    }
    void Pass() { NSApp_modalPass(false); }
};

TEST_F(RunLoopTest, CallsFireWhenDueInOrderOfTimeThenScheduling) {
    Schedule(&a, "late", nullptr, 1.0, "late");
    Schedule(&a, "zero1", nullptr, 0.0, "zero1");
    Schedule(&b, "zero2", nullptr, 0.0, "zero2");
    Schedule(&a, "mid", nullptr, 0.5, "mid");
    Pass();
    EXPECT_EQ(fired, (std::vector<std::string>{"zero1", "zero2"}));
    AdvanceTestClock(0.49);
    Pass();
    EXPECT_EQ(fired.size(), 2u);
    AdvanceTestClock(0.01);
    Pass();
    EXPECT_EQ(fired.back(), "mid");
    AdvanceTestClock(0.5);
    Pass();
    EXPECT_EQ(fired.back(), "late");
    EXPECT_EQ(NSObject_pendingPerformRequests(nullptr), 0);
}

TEST_F(RunLoopTest, CancellingByTargetOrByTargetSelectorAndObject) {
    Schedule(&a, "s", &objectX, 0.1, "a-s-x");
    Schedule(&a, "s", &objectY, 0.1, "a-s-y");
    Schedule(&a, "t", &objectX, 0.1, "a-t-x");
    Schedule(&b, "s", &objectX, 0.1, "b-s-x");
    NSObject_cancelPreviousPerformRequests(&a, "s", &objectX);
    EXPECT_EQ(NSObject_pendingPerformRequests(&a), 2);
    NSObject_cancelPreviousPerformRequests(&b);
    EXPECT_EQ(NSObject_pendingPerformRequests(&b), 0);
    AdvanceTestClock(0.2);
    Pass();
    EXPECT_EQ(fired, (std::vector<std::string>{"a-s-y", "a-t-x"}));
}

TEST_F(RunLoopTest, BlocksRunInTheNextPassAndNothingRunsAfterTheLoopEnds) {
    DispatchToDialogLoop([this] {
        fired.push_back("block");
        DispatchToDialogLoop([this] { fired.push_back("nested"); });
    });
    Pass();
    EXPECT_EQ(fired, std::vector<std::string>{"block"});
    Pass();
    EXPECT_EQ(fired.back(), "nested");

    // A call that stops the loop: later calls and blocks are dropped.
    Schedule(&a, "x", nullptr, 0.0, "before");
    NSObject_performSelectorAfterDelay(&a, "stop", nullptr, 0.0, [] { NSApp_stopModalWithCode(1); });
    Schedule(&a, "y", nullptr, 0.0, "after");
    DispatchToDialogLoop([this] { fired.push_back("dropped block"); });
    EXPECT_FALSE(NSApp_modalPass(false));
    EXPECT_EQ(fired.back(), "before");
    EXPECT_FALSE(NSApp_modalPass(false));
    EXPECT_EQ(NSApp_endModal(), 1);
    EXPECT_EQ(NSObject_pendingPerformRequests(nullptr), 0);
    AdvanceTestClock(5.0);
    NSApp_modalPass(false);   // no loop: nothing runs
    EXPECT_EQ(fired.back(), "before");
    NSApp_beginModal(nullptr);
}

// A unix socket that answers, as a display server's does, while it lives.
struct ListeningSocket {
    int fd = -1;
    std::string path;
    explicit ListeningSocket(std::string p) : path(std::move(p)) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
        fd = socket(AF_UNIX, SOCK_STREAM, 0);
        unlink(path.c_str());
        if (fd >= 0 && (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(fd, 4) != 0)) {
            close(fd);
            fd = -1;
        }
    }
    ~ListeningSocket() {
        if (fd >= 0) close(fd);
        unlink(path.c_str());
    }
};

TEST_F(RunLoopTest, IdleWorkRunsAtTheEndOfEveryPass) {
    int idle = 0;
    NSApp_setIdleWork([&idle] { ++idle; });
    Pass();
    Pass();
    NSApp_setIdleWork(nullptr);
    EXPECT_EQ(idle, 2);
}

}  // namespace
