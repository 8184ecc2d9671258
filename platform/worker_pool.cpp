#include "platform/worker_pool.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace {

struct WorkerPool {
    std::mutex lock;
    std::condition_variable workGiven;
    std::condition_variable workDone;
    std::vector<std::thread> threads;
    const std::function<void(int32_t)>* body = nullptr;
    int32_t wanted = 0;      // threads 0 .. wanted - 1 take part in the current work
    int32_t running = 0;     // of those, the ones whose body has not returned
    uint64_t generation = 0; // counts the pieces of work given
    bool busy = false;
    bool quitting = false;

    // Stops and joins the threads when the process ends or the module goes.
    ~WorkerPool() {
        {
            std::lock_guard<std::mutex> hold(lock);
            quitting = true;
        }
        workGiven.notify_all();
        for (std::thread& t : threads) t.join();
    }

    void Loop(int32_t index, uint64_t seen) {
        std::unique_lock<std::mutex> hold(lock);
        for (;;) {
            workGiven.wait(hold, [&] { return quitting || generation != seen; });
            if (quitting) return;
            seen = generation;
            if (index >= wanted) continue;
            const std::function<void(int32_t)>* work = body;
            hold.unlock();
            (*work)(index);
            hold.lock();
            if (--running == 0) workDone.notify_all();
        }
    }
};

WorkerPool& Pool() {
    static WorkerPool pool;
    return pool;
}

}  // namespace

int32_t StartPooledWork(int32_t count, const std::function<void(int32_t)>& body) {
    WorkerPool& pool = Pool();
    {
        std::lock_guard<std::mutex> hold(pool.lock);
        if (pool.busy || count < 1) return 0;
        while (int32_t(pool.threads.size()) < count) {
            const int32_t index = int32_t(pool.threads.size());
            const uint64_t seen = pool.generation;  // takes part from the next work on
            try {
                pool.threads.emplace_back([&pool, index, seen] { pool.Loop(index, seen); });
            } catch (const std::system_error&) {
                break;
            }
        }
        const int32_t n = std::min<int32_t>(count, int32_t(pool.threads.size()));
        if (n < 1) return 0;
        pool.busy = true;
        pool.body = &body;
        pool.wanted = n;
        pool.running = n;
        ++pool.generation;
        count = n;
    }
    pool.workGiven.notify_all();
    return count;
}

void WaitForPooledWork() {
    WorkerPool& pool = Pool();
    std::unique_lock<std::mutex> hold(pool.lock);
    pool.workDone.wait(hold, [&] { return pool.running == 0; });
    pool.busy = false;
    pool.body = nullptr;
}
