// The process's worker pool: every index of a piece of work runs once, all
// at the same time, on threads kept from one piece of work to the next.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "platform/worker_pool.h"

namespace {

TEST(EngineWorkerPool, EveryIndexRunsOnceAllAtOnceOnKeptThreads) {
    std::mutex lock;
    std::set<std::thread::id> firstThreads;
    for (int round = 0; round < 3; ++round) {
        for (int32_t count : {4, 1, 3}) {
            std::vector<std::atomic<int>> calls(static_cast<size_t>(count));
            std::atomic<int> arrived{0};
            std::set<std::thread::id> threads;
            std::function<void(int32_t)> body = [&](int32_t i) {
                ++calls[size_t(i)];
                ++arrived;
                // Each waits for the others: the work runs on `count` threads at once.
                const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
                while (arrived.load() < count && std::chrono::steady_clock::now() < limit) std::this_thread::yield();
                std::lock_guard<std::mutex> hold(lock);
                threads.insert(std::this_thread::get_id());
            };
            ASSERT_EQ(StartPooledWork(count, body), count);
            WaitForPooledWork();
            EXPECT_EQ(arrived.load(), count);
            for (auto& c : calls) EXPECT_EQ(c.load(), 1);
            EXPECT_EQ(threads.size(), size_t(count));
            EXPECT_EQ(threads.count(std::this_thread::get_id()), 0u);
            if (round == 0 && count == 4) firstThreads = threads;
            for (const std::thread::id& id : threads) EXPECT_EQ(firstThreads.count(id), 1u) << "a new thread";
        }
    }
}

// While one piece of work runs, the pool refuses another, which its caller
// then runs on threads of its own.
TEST(EngineWorkerPool, BusyPoolRefusesMoreWork) {
    std::atomic<bool> release{false};
    std::function<void(int32_t)> hold = [&](int32_t) {
        while (!release.load()) std::this_thread::yield();
    };
    ASSERT_EQ(StartPooledWork(2, hold), 2);
    std::function<void(int32_t)> other = [](int32_t) {};
    EXPECT_EQ(StartPooledWork(1, other), 0);
    EXPECT_EQ(StartPooledWork(0, other), 0);
    release = true;
    WaitForPooledWork();
    EXPECT_EQ(StartPooledWork(1, other), 1);
    WaitForPooledWork();
}

}  // namespace
