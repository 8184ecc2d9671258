// The engine's background thread: work runs off the asking thread, in the
// order asked, and is known done once its function has returned; work asked
// for and not waited for still runs.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "engine/background_work.h"

namespace {

struct Log {
    std::mutex lock;
    std::vector<int> order;
    std::thread::id thread;
    std::atomic<bool> release{false};
};

struct Piece {
    Log* log;
    int number;
    bool holds;   // waits for the log's release
};

void Record(void* context) {
    auto* p = static_cast<Piece*>(context);
    while (p->holds && !p->log->release) std::this_thread::yield();
    std::lock_guard<std::mutex> hold(p->log->lock);
    p->log->order.push_back(p->number);
    p->log->thread = std::this_thread::get_id();
}

TEST(BackgroundWork, RunsOffTheAskingThreadInTheOrderAsked) {
    Log log;
    std::vector<std::shared_ptr<BackgroundWork>> work;
    work.push_back(RunInBackground(&Record, std::make_shared<Piece>(Piece{&log, 0, true})));
    for (int i = 1; i < 5; ++i) work.push_back(RunInBackground(&Record, std::make_shared<Piece>(Piece{&log, i, false})));
    // The first holds the thread: nothing is done, and a short wait says so.
    EXPECT_FALSE(BackgroundWorkDone(*work[0]));
    EXPECT_FALSE(WaitForBackgroundWork(*work[4], 0.01));
    log.release = true;
    EXPECT_TRUE(WaitForBackgroundWork(*work[4], 60));
    for (const auto& w : work) EXPECT_TRUE(BackgroundWorkDone(*w));
    EXPECT_EQ(log.order, (std::vector<int>{0, 1, 2, 3, 4}));
    EXPECT_NE(log.thread, std::this_thread::get_id());
}

TEST(BackgroundWork, WorkNotWaitedForStillRuns) {
    Log log;
    log.release = true;
    for (int i = 0; i < 3; ++i) RunInBackground(&Record, std::make_shared<Piece>(Piece{&log, i, false}));
    // Nobody holds a handle to wait on: watch the log fill instead.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    size_t seen = 0;
    while (seen < 3 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        std::lock_guard<std::mutex> hold(log.lock);
        seen = log.order.size();
    }
    EXPECT_EQ(seen, 3u);
}

}  // namespace
