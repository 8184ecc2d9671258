#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <thread>
#include <vector>

#include "platform/foundation_threads.h"

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
    std::vector<std::thread> threads;
    for (int p = 0; p < posters; ++p) {
        threads.emplace_back([&, p] {
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
        });
    }
    while (finished.load() < posters) NSRunLoop_runModeBeforeDate(NSDate_now() + 0.05);
    for (std::thread& t : threads) t.join();
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

}  // namespace
