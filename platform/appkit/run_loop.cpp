#include "platform/appkit/run_loop.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <vector>

namespace {

struct DelayedCall {
    const void* target;
    std::string selector;
    const void* object;
    double due;
    long serial;
    std::function<void()> call;
};

struct LoopState {
    bool testClock = false;
    double testNow = 0.0;
    long serial = 0;
    std::vector<DelayedCall> calls;
    std::deque<std::function<void()>> blocks;
    std::function<void()> idleWork;
    bool running = false;
    bool stopped = false;
    int code = 0;
    QWidget* window = nullptr;
};

LoopState& Loop() {
    static LoopState state;
    return state;
}

// A local X display (":N" or "unix:N") answers on its socket; other forms
// are trusted.
bool XDisplayReachable(const char* display) {
    const char* colon = std::strrchr(display, ':');
    if (!colon) return false;
    std::string host(display, colon);
    if (!host.empty() && host != "unix" && host != "localhost") return true;
    int number = std::atoi(colon + 1);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "/tmp/.X11-unix/X%d", number);
    int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0) return false;
    bool ok = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return ok;
}

}  // namespace

bool DisplayAvailable(std::string* why) {
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform && *platform && std::strncmp(platform, "xcb", 3) != 0) return true;
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if (wayland && *wayland && !platform) return true;
    const char* display = std::getenv("DISPLAY");
    if (display && *display && XDisplayReachable(display)) return true;
    if (why)
        *why = display && *display ? std::string("the display ") + display + " does not answer"
                                   : "there is no display (set DISPLAY to an X display)";
    return false;
}

bool NSApplicationLoad(std::string* why) {
    if (QApplication::instance()) return true;
    if (!DisplayAvailable(why)) return false;
    // Qt keeps references to argc and argv for the life of the application.
    static int argc = 1;
    static char name[] = "vornesk";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv);   // kept until the process ends
    return true;
}

double AppKitNow() {
    if (Loop().testClock) return Loop().testNow;
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

void UseTestClock(bool on) {
    Loop().testClock = on;
    Loop().testNow = 0.0;
}

void AdvanceTestClock(double seconds) { Loop().testNow += seconds; }

void NSObject_performSelectorAfterDelay(const void* target, const char* selector, const void* object,
                                        double delay, std::function<void()> call) {
    LoopState& s = Loop();
    s.calls.push_back({target, selector ? selector : "", object, AppKitNow() + delay, s.serial++, std::move(call)});
}

void NSObject_cancelPreviousPerformRequests(const void* target) {
    std::erase_if(Loop().calls, [target](const DelayedCall& c) { return c.target == target; });
}

void NSObject_cancelPreviousPerformRequests(const void* target, const char* selector, const void* object) {
    std::string name = selector ? selector : "";
    std::erase_if(Loop().calls, [&](const DelayedCall& c) {
        return c.target == target && c.selector == name && c.object == object;
    });
}

int NSObject_pendingPerformRequests(const void* target) {
    int n = 0;
    for (const DelayedCall& c : Loop().calls) n += !target || c.target == target;
    return n;
}

void DispatchToDialogLoop(std::function<void()> block) { Loop().blocks.push_back(std::move(block)); }

void NSApp_setIdleWork(std::function<void()> work) { Loop().idleWork = std::move(work); }

void NSApp_beginModal(QWidget* window) {
    LoopState& s = Loop();
    s.running = true;
    s.stopped = false;
    s.code = 0;
    s.window = window;
    if (window) {
        window->setWindowModality(Qt::ApplicationModal);
        window->show();
        window->raise();
        window->activateWindow();
    }
}

namespace {

// Runs the calls due now, earliest first; a call may cancel or add others.
void FireDueCalls() {
    LoopState& s = Loop();
    for (;;) {
        if (s.stopped) return;
        double now = AppKitNow();
        auto best = s.calls.end();
        for (auto it = s.calls.begin(); it != s.calls.end(); ++it)
            if (it->due <= now && (best == s.calls.end() || it->due < best->due ||
                                   (it->due == best->due && it->serial < best->serial)))
                best = it;
        if (best == s.calls.end()) return;
        std::function<void()> call = std::move(best->call);
        s.calls.erase(best);
        call();
    }
}

}  // namespace

bool NSApp_modalPass(bool waitForEvents) {
    LoopState& s = Loop();
    if (!s.running || s.stopped) return false;
    if (waitForEvents && !s.testClock && s.blocks.empty()) {
        // Wake for the next due call at the latest; poll at least every 50 ms.
        double wait = 0.05;
        for (const DelayedCall& c : s.calls) wait = std::min(wait, std::max(0.0, c.due - AppKitNow()));
        QTimer wake;
        wake.setSingleShot(true);
        wake.start(int(wait * 1000.0));
        if (QAbstractEventDispatcher* d = QAbstractEventDispatcher::instance())
            d->processEvents(QEventLoop::WaitForMoreEvents);
    }
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    FireDueCalls();
    // Blocks posted while these run wait for the next pass.
    std::deque<std::function<void()>> batch;
    batch.swap(s.blocks);
    for (auto& block : batch) {
        if (s.stopped) break;
        block();
    }
    if (!s.stopped && s.idleWork) s.idleWork();
    return !s.stopped;
}

int NSApp_endModal() {
    LoopState& s = Loop();
    s.running = false;
    s.calls.clear();
    s.blocks.clear();
    s.window = nullptr;
    return s.code;
}

int NSApp_runModalForWindow(QWidget* window) {
    NSApp_beginModal(window);
    while (NSApp_modalPass(true)) {
    }
    return NSApp_endModal();
}

void NSApp_stopModalWithCode(int code) {
    LoopState& s = Loop();
    if (!s.running) return;
    s.stopped = true;
    s.code = code;
}

bool NSApp_modalLoopRunning() { return Loop().running && !Loop().stopped; }
