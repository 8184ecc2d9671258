#include "cli/parallel_work.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "platform/foundation_threads.h"
#include "platform/worker_pool.h"

int32_t ProcessorsForWork() { return int32_t(std::clamp<int64_t>(NSProcessInfo_activeProcessorCount(), 1, 64)); }

void RunOnAllProcessors(int32_t count, const std::function<void(int32_t)>& work) {
    std::atomic<int32_t> next{0};
    const std::function<void(int32_t)> take = [&](int32_t) {
        for (int32_t i; (i = next++) < count;) work(i);
    };
    // The calling thread takes its share: the pool is asked for one thread fewer.
    const int32_t helpers = std::min(ProcessorsForWork(), count) - 1;
    const bool started = helpers > 0 && StartPooledWork(helpers, take) > 0;
    take(0);
    if (started) WaitForPooledWork();
}

bool RunInOrder(int32_t count, int32_t ahead, const std::function<void(int32_t, int32_t)>& make,
                const std::function<bool(int32_t)>& use) {
    std::mutex lock;
    std::condition_variable changed;
    std::vector<uint8_t> made(size_t(std::max(count, 0)), 0);
    int32_t next = 0, used = 0;
    bool stop = false;
    const std::function<void(int32_t)> worker = [&](int32_t id) {
        for (;;) {
            int32_t i;
            {
                std::unique_lock<std::mutex> hold(lock);
                changed.wait(hold, [&] { return stop || next >= count || next < used + ahead; });
                if (stop || next >= count) return;
                i = next++;
            }
            make(i, id);
            {
                std::lock_guard<std::mutex> hold(lock);
                made[size_t(i)] = 1;
            }
            changed.notify_all();
        }
    };
    bool ok = true;
    if (StartPooledWork(std::min(ProcessorsForWork(), std::max(count, 1)), worker) == 0) {
        // No thread to be had: everything on this one.
        for (int32_t i = 0; i < count && ok; ++i) {
            make(i, 0);
            ok = use(i);
        }
        return ok;
    }
    for (int32_t i = 0; i < count && ok; ++i) {
        {
            std::unique_lock<std::mutex> hold(lock);
            changed.wait(hold, [&] { return made[size_t(i)] != 0; });
        }
        ok = use(i);
        {
            std::lock_guard<std::mutex> hold(lock);
            used = i + 1;
            stop = !ok;
        }
        changed.notify_all();
    }
    WaitForPooledWork();
    return ok;
}
