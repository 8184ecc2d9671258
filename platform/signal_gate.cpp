#include "platform/signal_gate.h"

#include <atomic>
#include <csignal>

namespace {

// Sequentially consistent throughout: a writer stores gOpen before it reads
// gClosed, a handler stores gClosed before it reads gOpen, so at least one
// of them sees the other.
std::atomic<int> gOpen{0};
std::atomic<bool> gClosed{false};
std::atomic<int> gWaiting{0};

}  // namespace

bool EnterSignalGate() {
    gOpen.fetch_add(1);
    if (!gClosed.load()) return true;
    LeaveSignalGate();
    return false;
}

void LeaveSignalGate() {
    if (gOpen.fetch_sub(1) != 1) return;
    // Raised on this thread: delivered as soon as its signals are let through.
    if (const int signal = gWaiting.exchange(0)) raise(signal);
}

bool SignalGateLets(int signal) {
    gWaiting.store(signal);
    gClosed.store(true);
    if (gOpen.load() > 0) return false;
    // Else the signal is this handler's, unless a section that closed
    // meanwhile took it and raised it again on its own thread.
    return gWaiting.exchange(0) != 0;
}

bool SignalGateClosed() { return gClosed.load(); }

void ReopenSignalGate() { gClosed.store(false); }
