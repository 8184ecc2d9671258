// The task runner under threads. Suites named Engine... also run under
// ThreadSanitizer.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "common/memory.h"
#include "platform/host/filter_record.h"
#include "platform/foundation_threads.h"
#include "engine/task_engine_globals.h"
#include "engine/task_runner.h"
#include "records/vort.h"

namespace {

constexpr int64_t kTestPurpose = 5;  // no work of its own: the probe gives it some

// What the workers of a test job see. Touched by workers: atomics, or under
// the mutex.
struct Probe {
    std::atomic<int> inFlight{0};
    std::atomic<int> peak{0};
    std::atomic<int> tasksRun{0};
    std::atomic<int64_t> pixels{0};
    int waitForInFlight = 0;               // hold each task until this many run at once
    std::atomic<bool> reachedWait{false};
    std::vector<std::atomic<uint8_t>>* cover = nullptr;  // per pixel of the total rectangle
    VRect total{};
    std::mutex mutex;
    std::vector<int64_t> order;            // tile indices in the order their work began
    std::atomic<bool> outside{false};
};
Probe* gProbe = nullptr;

void ProbeWork(PerTaskStuffType* task) {
    Probe& p = *gProbe;
    int now = ++p.inFlight;
    int seen = p.peak.load();
    while (now > seen && !p.peak.compare_exchange_weak(seen, now)) {
    }
    {
        std::lock_guard<std::mutex> lock(p.mutex);
        p.order.push_back(task->tracker.t);
    }
    const VRect whole = task->tracker.whole_job_rect;
    const VRect tile = task->tracker.current_tile_rect;
    for (int32_t y = tile.top + whole.top; y < tile.bottom + whole.top; ++y) {
        for (int32_t x = tile.left + whole.left; x < tile.right + whole.left; ++x) {
            if (y < p.total.top || y >= p.total.bottom || x < p.total.left || x >= p.total.right) {
                p.outside = true;
                continue;
            }
            if (p.cover) {
                size_t width = size_t(p.total.right - p.total.left);
                ++(*p.cover)[size_t(y - p.total.top) * width + size_t(x - p.total.left)];
            }
            ++p.pixels;
        }
    }
    if (p.waitForInFlight > 0) {
        auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        // Once that many ran together, nobody waits any more.
        while (!p.reachedWait.load() && std::chrono::steady_clock::now() < limit) {
            if (p.inFlight.load() >= p.waitForInFlight) p.reachedWait = true;
            std::this_thread::yield();
        }
    } else {
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    ++p.tasksRun;
    --p.inFlight;
}

// The host's side, called on the main thread only.
struct HostLog {
    int abortCalls = 0;
    int abortFrom = 0;      // the abort test answers true from this call on (0: never)
    int advanceCalls = 0;
    int advanceFailAt = 0;  // this advance-state call answers advanceError
    OSErr advanceError = 0;
    std::vector<std::pair<int32_t, int32_t>> progress;
};
HostLog gHost;

Boolean TestAbort() {
    ++gHost.abortCalls;
    return gHost.abortFrom > 0 && gHost.abortCalls >= gHost.abortFrom;
}
OSErr AdvanceState() {
    ++gHost.advanceCalls;
    return gHost.advanceCalls == gHost.advanceFailAt ? gHost.advanceError : 0;
}
void Progress(int32_t done, int32_t total) { gHost.progress.emplace_back(done, total); }

// The size of the test's reply cells: the tasks get grids, as a render's do.
size_t TestCellSize() { return 48; }

// The work of every test job: the probe, with reply grids.
TileWork ProbeJob() {
    TileWork work;
    work.work = ProbeWork;
    work.replyCellSize = TestCellSize;
    return work;
}

std::atomic<int> gAllocations{0};
int gFailAllocation = 0;
void* CountingAllocate(size_t size) {
    if (++gAllocations == gFailAllocation) return nullptr;
    return std::malloc(size);
}

class EngineTaskRunner : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = gTaskEngine;
        gTaskEngine = TaskEngineGlobals{};
        record_ = FilterRecord{};
        record_.abortProc = TestAbort;
        record_.advanceState = AdvanceState;
        record_.progressProc = Progress;
        gTaskEngine.filterRecord = &record_;
        gHost = HostLog{};
        gProbe = &probe_;
    }
    void TearDown() override {
        gTaskEngine = saved_;
        gProbe = nullptr;
        unsetenv("VORNESK_ACTIVE_PROCESSORS");
    }
    static void Processors(int n) { setenv("VORNESK_ACTIVE_PROCESSORS", std::to_string(n).c_str(), 1); }

    void Run(int64_t purpose, int64_t kind, VRect total) {
        gTaskEngine.totalRect = total;
        probe_.total = total;
        TaskGuidance guidance;
        initTaskGuidance(&guidance);
        GetDefaultGuidance(&guidance, nullptr);
        RunTiles(purpose, kind, &guidance, ProbeJob(), nullptr);
    }

    TaskEngineGlobals saved_;
    FilterRecord record_;
    Probe probe_;
};

TEST_F(EngineTaskRunner, CoversEveryPixelOnceWithinTheTaskCount) {
    const VRect total{5, -7, 5 + 300, -7 + 200};
    for (int processors : {1, 2, 4}) {
        for (int64_t kind : {0, 3, 4, 5, 6}) {
            SCOPED_TRACE("kind " + std::to_string(kind) + ", processors " + std::to_string(processors));
            Processors(processors);
            std::vector<std::atomic<uint8_t>> cover(300 * 200);
            probe_.cover = &cover;
            probe_.peak = 0;
            Run(kTestPurpose, kind, total);
            EXPECT_EQ(gTaskEngine.hostResult, 0);
            EXPECT_FALSE(probe_.outside.load());
            for (auto& c : cover) ASSERT_EQ(c.load(), 1);
            EXPECT_LE(probe_.peak.load(), processors);
        }
    }
}

// Six tiles on eight processors run six at once; on two processors two.
TEST_F(EngineTaskRunner, RunsTheTaskCountAtOnce) {
    for (int processors : {8, 2}) {
        Processors(processors);
        probe_.peak = 0;
        probe_.reachedWait = false;
        probe_.waitForInFlight = std::min(processors, 6);
        Run(kTestPurpose, 0, VRect{0, 0, 200, 300});
        EXPECT_TRUE(probe_.reachedWait.load()) << processors;
        EXPECT_EQ(probe_.peak.load(), std::min(processors, 6));
        EXPECT_EQ(probe_.tasksRun.exchange(0), 6);
    }
}

// The serial kinds run one task at a time, in tile order, whatever the
// processor count; kind 2 on a fresh job has no tiles.
TEST_F(EngineTaskRunner, SerialKindsKeepOrder) {
    Processors(8);
    for (int64_t kind : {1, 7, 2}) {
        probe_.order.clear();
        probe_.peak = 0;
        Run(kTestPurpose, kind, VRect{0, 0, 300, 20});
        int64_t expected = kind == 1 ? 300 : kind == 7 ? 5 : 0;
        ASSERT_EQ(int64_t(probe_.order.size()), expected) << kind;
        for (int64_t i = 0; i < expected; ++i) EXPECT_EQ(probe_.order[i], i);
        EXPECT_LE(probe_.peak.load(), 1);
    }
}

// The abort test fires on the fifth completion of a render to the host: that
// tile and every later one are not written, no tile starts after it, and the
// job ends once the launched tasks have retired.
TEST_F(EngineTaskRunner, AbortStopsFurtherLaunches) {
    Processors(4);
    gHost.abortFrom = 5;
    Run(kPurposeRender, 0, VRect{0, 0, 1024, 1024});  // 64 tiles
    EXPECT_EQ(gTaskEngine.hostResult, -128);
    EXPECT_EQ(gTaskEngine.diagnostic, 246);
    EXPECT_EQ(gHost.advanceCalls, 4);
    EXPECT_GE(gHost.abortCalls, 5);
    EXPECT_LE(gHost.abortCalls, 5 + 3);  // the tasks in flight when it fired
}

// An advance-state error is the job's result: later tiles neither overwrite
// it nor start.
TEST_F(EngineTaskRunner, FirstAdvanceStateErrorIsKept) {
    Processors(4);
    gHost.advanceFailAt = 4;
    gHost.advanceError = -34;
    Run(kPurposeRender, 0, VRect{0, 0, 1024, 1024});
    EXPECT_EQ(gTaskEngine.hostResult, -34);
    EXPECT_EQ(gHost.advanceCalls, 4);
    EXPECT_LE(gHost.abortCalls, 4 + 3);

    // Nothing is written to the host when the job starts with a result of
    // cancel already there.
    gHost = HostLog{};
    gTaskEngine.hostResult = -128;
    Run(kPurposeRender, 5, VRect{0, 0, 300, 10});
    EXPECT_EQ(gHost.advanceCalls, 0);
    EXPECT_EQ(gTaskEngine.hostResult, -128);
}

TEST_F(EngineTaskRunner, ProgressNeverPassesTheTotal) {
    Processors(2);
    Run(kPurposeRender, 0, VRect{0, 0, 64, 64});  // one tile: its completion reports at once
    ASSERT_EQ(gHost.progress.size(), 1u);
    EXPECT_EQ(gHost.progress[0], std::make_pair(1000, 1000));

    gHost = HostLog{};
    Run(kPurposeRender, 0, VRect{0, 0, 640, 640});
    ASSERT_GE(gHost.progress.size(), 1u);
    for (auto [done, total] : gHost.progress) {
        EXPECT_EQ(total, 1000);
        EXPECT_GE(done, 1);
        EXPECT_LE(done, 1000);
    }

    gHost = HostLog{};
    gTaskEngine.progressPhase = -1;
    Run(kPurposeRender, 0, VRect{0, 0, 640, 640});
    EXPECT_TRUE(gHost.progress.empty());
    EXPECT_EQ(gHost.advanceCalls, 25);
}

// The caller's hook runs on the main thread between batches of completions,
// while tiles are still to come, and never once the job has returned; an
// offscreen render's progress goes to the handed reporter, not the host.
struct HookLog {
    int calls = 0;
    int callsWithTilesLeft = 0;
    bool offMainThread = false;
    int32_t retiredAtCall = 0;
    std::vector<double> fractions;
};
HookLog gHook;

TEST_F(EngineTaskRunner, HandedHookAndReporterRunOnTheMainThread) {
    Processors(4);
    gHook = HookLog{};
    TileWork work = ProbeJob();
    work.hookContext = &gHook;
    work.betweenCompletions = [](void* context) {
        HookLog& log = *static_cast<HookLog*>(context);
        ++log.calls;
        log.offMainThread = log.offMainThread || !NSThread_isMainThread();
        if (gProbe->tasksRun.load() < 128) ++log.callsWithTilesLeft;
    };
    work.progress = [](double f) { gHook.fractions.push_back(f); };
    gTaskEngine.totalRect = VRect{0, 0, 1024, 2048};  // 128 tiles
    gTaskEngine.renderDestination = 2;
    probe_.total = gTaskEngine.totalRect;
    TaskGuidance guidance;
    initTaskGuidance(&guidance);
    GetDefaultGuidance(&guidance, nullptr);
    RunTiles(kPurposeRender, 0, &guidance, work, nullptr);
    const int callsAtReturn = gHook.calls;
    EXPECT_EQ(gTaskEngine.hostResult, 0);
    EXPECT_EQ(probe_.tasksRun.load(), 128);
    EXPECT_GE(gHook.calls, 2);
    EXPECT_GE(gHook.callsWithTilesLeft, 1);
    EXPECT_FALSE(gHook.offMainThread);
    EXPECT_EQ(gHost.advanceCalls, 0);  // offscreen: no exchange with the host
    EXPECT_TRUE(gHost.progress.empty());
    ASSERT_FALSE(gHook.fractions.empty());
    for (double f : gHook.fractions) {
        EXPECT_GT(f, 0.0);
        EXPECT_LE(f, 1.0);
    }
    NSRunLoop_runModeBeforeDate(NSDate_now() + 0.05);
    EXPECT_EQ(gHook.calls, callsAtReturn);
}

// A tile that takes long holds no completion back for the hook: the caller
// is served while it runs (its window answers a click), and the hook's
// cancel, asked then, ends the job with no further tile started.
std::atomic<bool> gHookServed{false};
std::atomic<int> gTilesThatSawTheHook{0};
void TileAwaitingTheHook(PerTaskStuffType*) {
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!gHookServed.load() && std::chrono::steady_clock::now() < limit)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    gTilesThatSawTheHook += gHookServed.load();
    ++gProbe->tasksRun;
}

TEST_F(EngineTaskRunner, HookIsServedWhileASlowTileRuns) {
    for (const bool cancel : {false, true}) {
        Processors(1);
        gHookServed = false;
        gTilesThatSawTheHook = 0;
        probe_.tasksRun = 0;
        gTaskEngine.hostResult = 0;
        TileWork work;
        work.work = TileAwaitingTheHook;
        work.replyCellSize = TestCellSize;
        static bool cancels;
        cancels = cancel;
        // Cancelling, the first serving asks the cancel and a later one lets
        // the running tile end: a tile let go at the first serving could
        // end, and its worker start the next queued tile, before the main
        // thread has withdrawn the tiles not yet started.
        work.betweenCompletions = [](void*) {
            if (cancels && gTaskEngine.hostResult != -128) {
                gTaskEngine.hostResult = -128;
                return;
            }
            gHookServed = true;
        };
        gTaskEngine.totalRect = VRect{0, 0, 128, 128 * 4};  // four tiles
        gTaskEngine.renderDestination = 2;
        TaskGuidance guidance;
        initTaskGuidance(&guidance);
        GetDefaultGuidance(&guidance, nullptr);
        RunTiles(kPurposeRender, 0, &guidance, work, nullptr);
        EXPECT_EQ(probe_.tasksRun.load(), cancel ? 1 : 4) << cancel;
        EXPECT_EQ(gTilesThatSawTheHook.load(), probe_.tasksRun.load()) << cancel;
        EXPECT_EQ(gTaskEngine.hostResult, cancel ? -128 : 0) << cancel;
    }
}

// A tile made of rows stops at the row in flight once its job stops: the
// stop reaches a running tile, which ends part-way, its next pass never
// starts and nothing of it is written out; no further tile starts. A job
// left alone runs every row and writes every tile.
struct RowsLog {
    std::atomic<bool> inFirstRow{false};
    std::atomic<int> rows{0};
    std::atomic<int> tilesBegun{0};
    std::atomic<int> colourPasses{0};
    std::atomic<int> copies{0};
    std::atomic<bool> stopSeenBeforeTheJob{false};
};
RowsLog* gRows = nullptr;
bool gStops = false;
constexpr int kRowsPerTile = 128;

void SlowRows(Data*, vort*, PerTaskStuffType* task) {
    ++gRows->tilesBegun;
    gRows->stopSeenBeforeTheJob = gRows->stopSeenBeforeTheJob || TileStopAsked(task);
    for (int row = 0; row < kRowsPerTile && !TileStopAsked(task); ++row) {
        ++gRows->rows;
        if (!gStops || row > 0) continue;
        // The first row is slow: it ends only once the stop has reached
        // the tile (or, without it, after a long while).
        gRows->inFirstRow = true;
        const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!TileStopAsked(task) && std::chrono::steady_clock::now() < limit)
            std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
}

TEST_F(EngineTaskRunner, AStoppedJobEndsItsRunningTileAtTheRowInFlight) {
    for (const bool stops : {true, false}) {
        Processors(1);
        RowsLog log;
        gRows = &log;
        gStops = stops;
        gTaskEngine.hostResult = 0;
        TileWork work;
        work.fillWithSamples = SlowRows;
        work.fillWithColors = [](PerTaskStuffType*) { ++gRows->colourPasses; };
        work.copyTilePixels = [](PerTaskStuffType*) { ++gRows->copies; };
        work.replyCellSize = TestCellSize;
        // The stop is asked while the first tile is in its first row.
        work.betweenCompletions = [](void*) {
            if (gStops && gRows->inFirstRow.load()) gTaskEngine.hostResult = -128;
        };
        gTaskEngine.totalRect = VRect{0, 0, 128, kRowsPerTile * 4};  // four tiles of 128 rows
        gTaskEngine.renderDestination = 2;
        TaskGuidance guidance;
        initTaskGuidance(&guidance);
        GetDefaultGuidance(&guidance, nullptr);
        RunTiles(kPurposeRender, 0, &guidance, work, nullptr);
        EXPECT_FALSE(log.stopSeenBeforeTheJob.load()) << stops;
        EXPECT_EQ(gTaskEngine.hostResult, stops ? -128 : 0) << stops;
        EXPECT_EQ(log.tilesBegun.load(), stops ? 1 : 4) << stops;
        EXPECT_EQ(log.rows.load(), stops ? 1 : 4 * kRowsPerTile) << stops;
        EXPECT_EQ(log.colourPasses.load(), stops ? 0 : 4) << stops;
        EXPECT_EQ(log.copies.load(), stops ? 0 : 4) << stops;
    }
    gRows = nullptr;
}

// A finished tile is completed, and so shown, while the next runs, though
// the workers call for a batch only once several have finished: the first
// tiles of a slow job show without waiting for a batch.
std::atomic<bool> gHookCalled{false};
std::atomic<bool> gSecondTileRuns{false};
std::atomic<bool> gFirstSeenWhileSecondRuns{false};
void FirstQuickThenAwaitingTheHook(PerTaskStuffType* task) {
    // The first tile ends once the job's tiles are all launched (the hook
    // is served only then), so that it finishes with five still waiting.
    if (task->tracker.t == 0) {
        const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!gHookCalled.load() && std::chrono::steady_clock::now() < limit)
            std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    if (task->tracker.t == 1) {
        gSecondTileRuns = true;
        const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!gFirstSeenWhileSecondRuns.load() && std::chrono::steady_clock::now() < limit)
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        gSecondTileRuns = false;
    }
    ++gProbe->tasksRun;
}

TEST_F(EngineTaskRunner, AFinishedTileIsCompletedWhileTheNextRuns) {
    Processors(1);
    gHookCalled = false;
    gSecondTileRuns = false;
    gFirstSeenWhileSecondRuns = false;
    TileWork work;
    work.work = FirstQuickThenAwaitingTheHook;
    work.replyCellSize = TestCellSize;
    work.betweenCompletions = [](void*) {
        gHookCalled = true;
        if (gSecondTileRuns.load() && gTaskEngine.tilesCompleted >= 1) gFirstSeenWhileSecondRuns = true;
    };
    gTaskEngine.totalRect = VRect{0, 0, 128, 128 * 8};  // eight tiles, six launched at once
    gTaskEngine.renderDestination = 2;
    TaskGuidance guidance;
    initTaskGuidance(&guidance);
    GetDefaultGuidance(&guidance, nullptr);
    RunTiles(kPurposeRender, 0, &guidance, work, nullptr);
    EXPECT_TRUE(gFirstSeenWhileSecondRuns.load());
    EXPECT_EQ(probe_.tasksRun.load(), 8);
    EXPECT_EQ(gTaskEngine.tilesCompleted, 8);
    EXPECT_EQ(gTaskEngine.hostResult, 0);
}

TEST(EngineProgress, Fraction) {
    // Two phases of ten tiles: five tiles into the second is 15 of 20.
    EXPECT_FLOAT_EQ(TaskProgressFraction(5, 10, 2, 2, 0, 0), 0.75f);
    EXPECT_FLOAT_EQ(TaskProgressFraction(10, 10, 1, 1, 0, 0), 1.0f);
    // The second of four outer steps, half done.
    EXPECT_FLOAT_EQ(TaskProgressFraction(5, 10, 1, 1, 1, 4), 0.375f);
    EXPECT_FLOAT_EQ(TaskProgressFraction(10, 10, 3, 2, 0, 0), 1.0f);
    EXPECT_FLOAT_EQ(TaskProgressFraction(3, 0, 1, 1, 0, 0), 0.0f);
}

// A task whose record or reply grid cannot be allocated fails the job with
// -108; the job still ends, with every launched task retired and freed.
TEST_F(EngineTaskRunner, AllocationFailureFailsTheJob) {
    Processors(4);
    gTaskEngine.allocateBlock = CountingAllocate;
    for (int failAt : {1, 2, 5, 12}) {
        gAllocations = 0;
        gFailAllocation = failAt;
        gTaskEngine.hostResult = 0;
        probe_.tasksRun = 0;
        Run(kTestPurpose, 0, VRect{0, 0, 1024, 1024});
        EXPECT_EQ(gTaskEngine.hostResult, -108) << failAt;
        // The four workers' reply grids first, then two blocks per task; the
        // task of the failed block never ran.
        EXPECT_LE(probe_.tasksRun.load(), std::max(failAt - 1 - 4, 0) / 2) << failAt;
        EXPECT_LT(probe_.tasksRun.load(), 64);
    }
}

// A reply grid whose size does not fit the address range is a grid that
// cannot be allocated, not a small block.
TEST(EngineTaskRecords, OversizedGridIsRefused) {
    PerTaskStuffType task{};
    task.tracker.current_tile_rect = VRect{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX};
    task.context = static_cast<vort*>(RobustNewPtr(sizeof(vort)));
    task.contextCount = 1;
    ASSERT_NE(task.context, nullptr);
    EXPECT_FALSE(AllocateTileBuffers(&task, TestCellSize(), 1));
    EXPECT_EQ(task.context->replyGrid, nullptr);
    EXPECT_EQ(task.context->task, &task);
    EXPECT_EQ(task.context->identifiers[1], 1000);
    PerTaskStuffType* copy = static_cast<PerTaskStuffType*>(RobustNewPtr(sizeof task));
    *copy = task;
    Dump_Buffer_Vort_Task(&copy);
    EXPECT_EQ(copy, nullptr);
}

TEST_F(EngineTaskRunner, EmptyJobReturnsAtOnce) {
    Processors(4);
    for (VRect empty : {VRect{0, 0, 0, 100}, VRect{10, 10, 10, 10}, VRect{50, 50, 10, 10}}) {
        for (int64_t kind : {0, 1, 2, 3, 4, 5, 6, 7, 11}) {
            Run(kTestPurpose, kind, empty);
            EXPECT_EQ(probe_.tasksRun.load(), 0);
            EXPECT_EQ(gTaskEngine.hostResult, 0);
        }
    }
}

// Many tiny jobs in a row, each with its own completion object and queue.
TEST_F(EngineTaskRunner, StressManyTinyJobs) {
    Processors(4);
    std::mt19937 rng(3);
    for (int job = 0; job < 400; ++job) {
        int w = int(rng() % 40), h = int(rng() % 40);
        int64_t kind = int64_t(rng() % 8);
        probe_.pixels = 0;
        int32_t top = int32_t(rng() % 9);
        Run(kTestPurpose, kind, VRect{top, -3, top + h, w - 3});
        int64_t expected = kind == 2 ? 0 : int64_t(w) * h;
        ASSERT_EQ(probe_.pixels.load(), expected) << "job " << job << " kind " << kind;
        ASSERT_FALSE(probe_.outside.load());
    }
    EXPECT_EQ(gTaskEngine.hostResult, 0);
}

// Completions are performed on the main thread: a job started elsewhere is refused.
TEST_F(EngineTaskRunner, OnlyTheMainThreadRunsJobs) {
    std::thread([this] { Run(kTestPurpose, 0, VRect{0, 0, 64, 64}); }).join();
    EXPECT_EQ(gTaskEngine.hostResult, -30100);
    EXPECT_EQ(probe_.tasksRun.load(), 0);
}

}  // namespace
