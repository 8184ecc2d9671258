#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <thread>
#include <vector>

#include "platform/foundation_threads.h"
#include "platform/operation_queue.h"

namespace {

class EnvironmentOverride {
public:
    EnvironmentOverride(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old, hadOld_ = true;
        setenv(name, value, 1);
    }
    ~EnvironmentOverride() {
        if (hadOld_)
            setenv(name_, old_.c_str(), 1);
        else
            unsetenv(name_);
    }

private:
    const char* name_;
    std::string old_;
    bool hadOld_ = false;
};

TEST(EngineFoundation, ProcessorCountOverride) {
    {
        EnvironmentOverride one("VORNESK_ACTIVE_PROCESSORS", "2");
        EXPECT_EQ(NSProcessInfo_activeProcessorCount(), 2);
    }
    for (const char* bad : {"0", "-3", "x", ""}) {
        EnvironmentOverride ignored("VORNESK_ACTIVE_PROCESSORS", bad);
        EXPECT_GE(NSProcessInfo_activeProcessorCount(), 1) << bad;
    }
}

// Posted work runs on the main thread, in order, and a waiting poster
// resumes only after its work ran.
TEST(EngineFoundation, PerformOnMainThreadAndWait) {
    ASSERT_TRUE(NSThread_isMainThread());
    const int posters = 4, posts = 50;
    std::vector<int> seen;  // only the main thread touches it
    std::atomic<int> finished{0};
    NSRunLoop_addSource();
    for (int p = 0; p < posters; ++p) {
        ASSERT_TRUE(NSThread_detachNewThread([&, p] {
            EXPECT_FALSE(NSThread_isMainThread());
            EXPECT_FALSE(NSRunLoop_runModeBeforeDate(NSDate_distantFuture()));
            for (int i = 0; i < posts; ++i) {
                bool ran = false;
                NSObject_performOnMainThread(
                    [&] {
                        EXPECT_TRUE(NSThread_isMainThread());
                        seen.push_back(p * 1000 + i);
                        ran = true;
                    },
                    true);
                EXPECT_TRUE(ran);
            }
            ++finished;
        }));
    }
    while (finished.load() < posters) NSRunLoop_runModeBeforeDate(NSDate_now() + 0.05);
    NSRunLoop_removeSource();
    ASSERT_EQ(seen.size(), size_t(posters * posts));
    std::vector<int> last(posters, -1);
    for (int v : seen) {
        EXPECT_GT(v % 1000, last[v / 1000]);
        last[v / 1000] = v % 1000;
    }
}

TEST(EngineFoundation, RunLoopWithoutSourcesReturns) {
    EXPECT_FALSE(NSRunLoop_runModeBeforeDate(NSDate_distantFuture()));
    bool ran = false;
    NSObject_performOnMainThread([&] { ran = true; }, false);
    EXPECT_TRUE(NSRunLoop_runModeBeforeDate(NSDate_distantFuture()));
    EXPECT_TRUE(ran);
    NSRunLoop_addSource();
    double before = NSDate_now();
    EXPECT_TRUE(NSRunLoop_runModeBeforeDate(before + 0.02));
    EXPECT_GE(NSDate_now() - before, 0.015);
    NSRunLoop_removeSource();
}

class CountingOperation : public NSOperation {
public:
    CountingOperation(std::atomic<int>* inFlight, std::atomic<int>* peak, std::atomic<int>* done)
        : inFlight_(inFlight), peak_(peak), done_(done) {}
    void main() override {
        int now = ++*inFlight_;
        int seen = peak_->load();
        while (now > seen && !peak_->compare_exchange_weak(seen, now)) {
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        --*inFlight_;
        ++*done_;
    }

private:
    std::atomic<int>*inFlight_, *peak_, *done_;
};

TEST(EngineFoundation, QueueHonoursItsLimit) {
    for (int64_t limit : {1, 3}) {
        std::atomic<int> inFlight{0}, peak{0}, done{0};
        {
            NSOperationQueue queue;
            queue.setMaxConcurrentOperationCount(limit);
            for (int i = 0; i < 12; ++i)
                queue.addOperation(std::make_shared<CountingOperation>(&inFlight, &peak, &done));
            queue.waitUntilAllOperationsAreFinished();
            EXPECT_EQ(queue.operationCount(), 0);
        }
        EXPECT_EQ(done.load(), 12);
        EXPECT_LE(peak.load(), limit);
    }
}

class QuickOperation : public NSOperation {
public:
    explicit QuickOperation(std::atomic<int>* done) : done_(done) {}
    void main() override { ++*done_; }

private:
    std::atomic<int>* done_;
};

// A queue may go away as soon as it reports itself drained, even while the
// thread of a finished operation is still starting the next one.
TEST(EngineFoundation, QueueGoesAwayOnceDrained) {
    std::atomic<int> done{0};
    for (int round = 0; round < 300; ++round) {
        auto queue = std::make_unique<NSOperationQueue>();
        queue->setMaxConcurrentOperationCount(1 + round % 2);
        for (int i = 0; i < 4; ++i) queue->addOperation(std::make_shared<QuickOperation>(&done));
        queue->waitUntilAllOperationsAreFinished();
    }
    EXPECT_EQ(done.load(), 1200);
}

TEST(EngineFoundation, CancelledOperationOnlyFinishes) {
    std::atomic<int> inFlight{0}, peak{0}, done{0};
    NSOperationQueue queue;
    queue.setMaxConcurrentOperationCount(0);  // hold everything back
    auto op = std::make_shared<CountingOperation>(&inFlight, &peak, &done);
    queue.addOperation(op);
    op->cancel();
    queue.setMaxConcurrentOperationCount(-1);
    queue.waitUntilAllOperationsAreFinished();
    EXPECT_TRUE(op->isFinished());
    EXPECT_EQ(done.load(), 0);
}

}  // namespace
