#include "platform/appkit/run_loop.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QDir>
#include <QLibraryInfo>
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

// Whether a local socket answers: a server listens there.
bool SocketAnswers(const std::string& path) {
    sockaddr_un address{};
    if (path.empty() || path.size() >= sizeof address.sun_path) return false;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0) return false;
    bool ok = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return ok;
}

// A local X display (":N" or "unix:N") answers on its socket; other forms
// are trusted.
bool XDisplayReachable(const char* display) {
    const char* colon = std::strrchr(display, ':');
    if (!colon) return false;
    std::string host(display, colon);
    if (!host.empty() && host != "unix" && host != "localhost") return true;
    return SocketAnswers("/tmp/.X11-unix/X" + std::to_string(std::atoi(colon + 1)));
}

// A Wayland display's socket: the name itself when it is a path, else the
// name in the session's runtime folder.
std::string WaylandSocket(const char* name) {
    if (name[0] == '/') return name;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    return runtime && *runtime ? std::string(runtime) + "/" + name : std::string();
}

// Whether Qt can load the platform plugin of that name ("xcb", "wayland",
// "offscreen"): a library "libq<name>*" in a "platforms" folder where Qt
// looks for plugins. Without it Qt aborts the process.
bool PlatformPluginInstalled(const std::string& name) {
    QStringList folders;
    if (const char* extra = std::getenv("QT_PLUGIN_PATH"))
        for (const QString& f : QString::fromLocal8Bit(extra).split(':', Qt::SkipEmptyParts)) folders << f;
    folders << QLibraryInfo::path(QLibraryInfo::PluginsPath);
    for (const QString& folder : folders)
        if (!QDir(folder + "/platforms").entryList({"libq" + QString::fromStdString(name) + "*"}, QDir::Files).isEmpty())
            return true;
    return false;
}

// The platform the application is started on, "" with the reason when
// windows cannot be shown here. A platform named in QT_QPA_PLATFORM is used
// when it can be loaded (and its display answers); else a Wayland session
// this build can show windows in; else an X display that answers.
std::string ChoosePlatform(std::string* why) {
    auto fail = [why](std::string reason) {
        if (why) *why = std::move(reason);
        return std::string();
    };
    const char* display = std::getenv("DISPLAY");
    const bool haveX = display && *display;
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    const bool haveWayland = wayland && *wayland;
    const char* named = std::getenv("QT_QPA_PLATFORM");
    if (named && *named) {
        // The first of a list ("wayland;xcb") is what Qt tries first.
        std::string platform(named, std::strcspn(named, ";:"));
        if (!PlatformPluginInstalled(platform))
            return fail("QT_QPA_PLATFORM names the platform " + platform + ", which this build cannot show windows on");
        if (platform == "xcb" && !haveX) return fail("there is no display (set DISPLAY to an X display)");
        if (platform == "xcb" && !XDisplayReachable(display))
            return fail(std::string("the display ") + display + " does not answer");
        if (platform.rfind("wayland", 0) == 0 && !(haveWayland && SocketAnswers(WaylandSocket(wayland))))
            return fail("QT_QPA_PLATFORM names Wayland, but no Wayland display answers");
        return platform;
    }
    std::string waylandProblem;
    if (haveWayland) {
        if (!SocketAnswers(WaylandSocket(wayland)))
            waylandProblem = std::string("the Wayland display ") + wayland + " does not answer";
        else if (!PlatformPluginInstalled("wayland"))
            waylandProblem = std::string("this build cannot show windows on the Wayland display ") + wayland +
                             " (Qt's Wayland platform is not installed)";
        else
            return "wayland";
    }
    if (haveX && XDisplayReachable(display)) return "xcb";
    if (!PlatformPluginInstalled("xcb")) return fail("this build has no platform to show windows on");
    std::string reason = haveX ? std::string("the display ") + display + " does not answer"
                               : "there is no display (set DISPLAY to an X display)";
    if (!waylandProblem.empty()) reason = waylandProblem + ", and " + reason;
    return fail(reason);
}

}  // namespace

bool NSApplicationLoad(std::string* why) {
    if (QApplication::instance()) return true;
    const std::string platform = ChoosePlatform(why);
    if (platform.empty()) return false;
    // Qt keeps references to argc and argv for the life of the application;
    // the platform is named so that Qt tries no other, which it could not
    // start and would abort on.
    static std::string chosen;
    chosen = platform;
    static int argc = 3;
    static char name[] = "vornesk";
    static char option[] = "-platform";
    static char* argv[] = {name, option, chosen.data(), nullptr};
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

void NSApp_stopModalWithCode(int code) {
    LoopState& s = Loop();
    if (!s.running) return;
    s.stopped = true;
    s.code = code;
}

bool NSApp_modalLoopRunning() { return Loop().running && !Loop().stopped; }
