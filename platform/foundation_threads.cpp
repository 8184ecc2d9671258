#include "platform/foundation_threads.h"

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <thread>

#include <sched.h>

namespace {

// Taken while the code is loaded, on the host's main thread.
const std::thread::id gMainThreadId = std::this_thread::get_id();

struct MainQueue {
    std::mutex mutex;
    std::condition_variable posted;  // the main thread waits here
    std::condition_variable done;    // waiting posters wait here
    std::deque<std::function<void()>> pending;
    int64_t sources = 0;
};

MainQueue& TheMainQueue() {
    static MainQueue queue;
    return queue;
}

}  // namespace

int64_t NSProcessInfo_activeProcessorCount() {
    if (const char* forced = std::getenv("VORNESK_ACTIVE_PROCESSORS")) {
        char* end = nullptr;
        long n = std::strtol(forced, &end, 10);
        if (end != forced && *end == '\0' && n > 0) return n;
    }
    cpu_set_t set;
    if (sched_getaffinity(0, sizeof set, &set) == 0) {
        int n = CPU_COUNT(&set);
        if (n > 0) return n;
    }
    unsigned n = std::thread::hardware_concurrency();
    return n > 0 ? n : 1;
}

bool NSThread_isMainThread() { return std::this_thread::get_id() == gMainThreadId; }

void NSObject_performOnMainThread(std::function<void()> work, bool waitUntilDone) {
    if (waitUntilDone && NSThread_isMainThread()) {
        work();
        return;
    }
    MainQueue& q = TheMainQueue();
    if (!waitUntilDone) {
        {
            std::lock_guard<std::mutex> lock(q.mutex);
            q.pending.push_back(std::move(work));
        }
        q.posted.notify_one();
        return;
    }
    bool finished = false;
    std::unique_lock<std::mutex> lock(q.mutex);
    q.pending.push_back([&work, &finished, &q] {
        work();
        std::lock_guard<std::mutex> relock(q.mutex);
        finished = true;
    });
    q.posted.notify_one();
    q.done.wait(lock, [&finished] { return finished; });
}

double NSDate_now() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

double NSDate_distantFuture() { return 1e300; }

bool NSRunLoop_runModeBeforeDate(double limitDate) {
    if (!NSThread_isMainThread()) return false;
    MainQueue& q = TheMainQueue();
    std::deque<std::function<void()>> batch;
    {
        std::unique_lock<std::mutex> lock(q.mutex);
        auto ready = [&q] { return !q.pending.empty() || q.sources < 1; };
        if (limitDate >= NSDate_distantFuture()) {
            q.posted.wait(lock, ready);
        } else {
            double wait = limitDate - NSDate_now();
            if (wait > 0)
                q.posted.wait_for(lock, std::chrono::duration<double>(wait), ready);
        }
        if (q.pending.empty()) return q.sources > 0;
        batch.swap(q.pending);
    }
    for (auto& work : batch) work();
    q.done.notify_all();
    return true;
}

void NSRunLoop_addSource() {
    MainQueue& q = TheMainQueue();
    std::lock_guard<std::mutex> lock(q.mutex);
    ++q.sources;
}

void NSRunLoop_removeSource() {
    MainQueue& q = TheMainQueue();
    {
        std::lock_guard<std::mutex> lock(q.mutex);
        --q.sources;
    }
    q.posted.notify_one();
}
