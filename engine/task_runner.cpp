#include "engine/task_runner.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstring>
#include <system_error>

#include "common/memory.h"
#include "platform/foundation_threads.h"
#include "platform/worker_pool.h"
#include "platform/host/filter_record.h"
#include "records/vort.h"
#include "records/parameters.h"
#include "engine/task_engine_globals.h"

namespace {

constexpr OSErr kResultOutOfMemory = -108;
constexpr OSErr kResultCancelled = -128;
constexpr OSErr kResultBadParameters = -30100;

// Internal diagnostic numbers.
constexpr int32_t kDiagnosticAbortSeen = 245;
constexpr int32_t kDiagnosticCancelledResult = 246;
constexpr int32_t kDiagnosticTaskNotMade = 247;
constexpr int32_t kDiagnosticAdvanceStateFailed = 248;
constexpr int32_t kDiagnosticNotOnMainThread = 249;

constexpr double kProgressInterval = 0.5;  // seconds between progress reports
// Tiles launched per worker: the one worked on and five waiting, so that
// the workers do not run dry while the main thread completes a batch. A
// launched tile holds no reply grid (its worker lends it one), so waiting
// tiles cost little memory.
constexpr int32_t kTilesLaunchedPerWorker = 6;
// Workers call the main thread once the waiting tiles drop to this many per
// worker, so that it completes them in batches while the workers still have
// tiles to go on with; a lone worker calls it with three tiles still waiting.
constexpr int32_t kTilesWaitingPerWorkerWhenCalling = 3;
constexpr int32_t kHostProgressScale = 1000;
// While the caller serves its own events between completions (a dialog's
// window during its preview), it is served at least this often, though no
// tile has finished: slow tiles would otherwise leave its input unread for
// several tiles' time.
constexpr double kServeInterval = 0.01;
// How long a worker out of tasks watches for the next before it sleeps: the
// main thread usually launches more within this, and waking a sleeping
// thread costs it more than the watch costs the worker; a longer watch would
// take processors from the main thread when they are short.
constexpr std::chrono::microseconds kWatchBeforeSleeping{200};

// What one job leaves to the next, so that a run of short jobs neither
// allocates nor first touches its blocks again: the workers' reply grids and
// spare task records. Main thread only, as jobs are; used only with the
// engine's own allocator, so that a test's allocator sees every block.
struct KeptForTheNextJob {
    std::vector<MirelYummy*> grids;
    size_t gridBytes = 0;
    std::vector<PerTaskStuffType*> records;
    void DisposeGrids() {
        for (MirelYummy*& grid : grids) RobustDisposePtr(&grid);
        grids.clear();
        gridBytes = 0;
    }
    ~KeptForTheNextJob() {
        DisposeGrids();
        for (PerTaskStuffType* task : records) Dump_Buffer_Vort_Task(&task);
    }
};

KeptForTheNextJob& Kept() {
    static KeptForTheNextJob kept;
    return kept;
}

bool KeepsBlocks() { return gTaskEngine.allocateBlock == nullptr; }

// The first failure of a job is the one the caller sees.
void KeepFirstError(OSErr result, int32_t diagnostic) {
    if (gTaskEngine.hostResult == 0) gTaskEngine.hostResult = result;
    gTaskEngine.diagnostic = diagnostic;
}

}  // namespace

// ---- Host callbacks -------------------------------------------------------

void ProgressProcPlease(int32_t done, int32_t total) {
    const FilterRecord* record = gTaskEngine.filterRecord;
    if (!record || !record->progressProc || total < 1) return;
    record->progressProc(std::clamp(done + 1, 0, total), total);
}

bool CCTestAbortPlease() {
    const FilterRecord* record = gTaskEngine.filterRecord;
    return record && record->abortProc && record->abortProc();
}

OSErr AdvanceStatePlease() {
    const FilterRecord* record = gTaskEngine.filterRecord;
    if (!record || !record->advanceState) return 0;
    OSErr answer = record->advanceState();
    if (answer != 0) KeepFirstError(answer, kDiagnosticAdvanceStateFailed);
    return answer;
}

float TaskProgressFraction(int32_t retired, int32_t numTiles, int32_t phase, int32_t phaseCount,
                           int64_t outerIndex, int64_t outerCount) {
    if (numTiles < 1) return 0.0f;
    phaseCount = std::max(phaseCount, 1);
    float f = (float(retired) + float(phase - 1) * float(numTiles)) /
              (float(numTiles) * float(phaseCount));
    if (outerCount >= 1) f = (f + float(outerIndex)) / float(outerCount);
    return std::clamp(f, 0.0f, 1.0f);
}

// ---- The completion object ------------------------------------------------

// The work of one task, on its worker thread: the job's own work, or the two
// passes of a render.
void WhirlyCompletion_Tarnwhistle_pano::RunTaskWork(PerTaskStuffType* task) const {
    const TileWork& w = work_;
    try {
        if (w.work && !TileStopAsked(task)) w.work(task);
        if (w.fillWithSamples && !TileStopAsked(task)) {
            task->context->pass = 0;
            w.fillWithSamples(task->data, task->context, task);
        }
        if (w.fillWithColors && !TileStopAsked(task)) {
            task->context->pass = 1;
            w.fillWithColors(task);
        }
    } catch (...) {
        // A failure inside the work is dropped; the tile still completes.
    }
    // A tile the stop cut short has a partial result, which no one may see:
    // the job no longer copies any tile out.
    if (task->purpose != kPurposeRender || TileStopAsked(task)) return;
    // An offscreen render needs no exchange with the host, so each tile
    // writes its own pixels of the output here, in parallel, instead of
    // queueing behind the other tiles on the main thread.
    if (gTaskEngine.renderDestination == kRenderToOffscreen) {
        try {
            if (w.copyTilePixels) w.copyTilePixels(task);
        } catch (...) {
        }
    } else if (w.gatherTileColours) {
        w.gatherTileColours(task);
    }
}

std::shared_ptr<WhirlyCompletion_Tarnwhistle_pano> WhirlyCompletion_Tarnwhistle_pano::init() {
    auto completion = std::make_shared<WhirlyCompletion_Tarnwhistle_pano>();
    return completion;
}

// Steps common to both runners: counters, the job's tracker and the counts.
void WhirlyCompletion_Tarnwhistle_pano::StartJob(int64_t purpose, const TaskGuidance& guidance,
                                                 int64_t partitioning, const TileWork& work) {
    work_ = work;
    progress_meter_last_updated = NSDate_now() - kProgressInterval;
    tasks_enqueued_so_far = 0;
    tasks_retired_so_far = 0;
    gTaskEngine.tilesCompleted = 0;
    HastyExitRequested = false;
    stopAsked_ = false;

    const VRect jobRect = IsStandardTaskPurpose(purpose) ? guidance.jobRect : gTaskEngine.totalRect;
    main_tile_tracker.bigness = kDefaultTileBigness;
    InitTILETRACKER_core(&main_tile_tracker, jobRect, int16_t(partitioning));
    NUMTiles = int32_t(std::clamp<int64_t>(main_tile_tracker.tilecount, 0, INT32_MAX));
    NUMTasks = partitionIsSerial(int16_t(partitioning))
                   ? 1
                   : int32_t(std::clamp<int64_t>(NSProcessInfo_activeProcessorCount(), 1, INT32_MAX));
}

void WhirlyCompletion_Tarnwhistle_pano::RunTilesWithPurpose(
    int64_t purpose, TaskGuidance guidance, int64_t partitioning, const TileWork& work) {
    StartJob(purpose, guidance, partitioning, work);
    NUMTasks = std::min(NUMTasks, NUMTiles);

    // Nothing to run: no run loop to turn.
    if (NUMTiles < 1) return;
    if (!StartWorkers(NUMTasks, purpose)) {
        taskCouldNotRun();
        return;
    }
    spare_.clear();
    spare_.reserve(size_t(NUMTasks) * kTilesLaunchedPerWorker);
    if (KeepsBlocks()) {
        std::vector<PerTaskStuffType*>& kept = Kept().records;
        while (!kept.empty() && spare_.size() < spare_.capacity()) {
            spare_.push_back(kept.back());
            kept.pop_back();
        }
    }
    NSRunLoop_addSource();  // the workers will post their completions

    // Each worker has tiles waiting behind the one it works on, so
    // that it never idles while the main thread completes a batch.
    const int32_t ahead = std::min(NUMTiles, NUMTasks * kTilesLaunchedPerWorker);
    for (int32_t tile = 0; tile < ahead && !HastyExitRequested; ++tile)
        GetAndLaunchTaskForTile(tile, purpose, guidance);
    if (HastyExitRequested) WithdrawUnstartedTasks();

    shouldKeepRunningTheLoop = tasks_retired_so_far < tasks_enqueued_so_far;
    lastServed_ = NSDate_now();
    while (shouldKeepRunningTheLoop) {
        if (!work_.betweenCompletions) {
            if (!NSRunLoop_runModeBeforeDate(NSDate_distantFuture())) break;
            continue;
        }
        if (!NSRunLoop_runModeBeforeDate(lastServed_ + kServeInterval)) break;
        if (shouldKeepRunningTheLoop && NSDate_now() - lastServed_ >= kServeInterval) {
            // The tiles finished since the last batch complete now, so that
            // the caller shows them: the workers call for a batch only once
            // several have finished, which for slow tiles is long after the
            // first (a batch that was posted meanwhile finds fewer to complete).
            CompleteTheFinishedStack();
            if (shouldKeepRunningTheLoop) ServeTheCaller();
        }
    }
    // Every launched task retires before the job's records go away.
    while (tasks_retired_so_far < tasks_enqueued_so_far)
        NSRunLoop_runModeBeforeDate(NSDate_now() + 0.1);
    StopWorkers();
    // A worker that pushed its task just before the last batch took the
    // stack may have posted a batch of its own after it: that batch runs now,
    // while the job is alive, and finds nothing to complete.
    NSRunLoop_runModeBeforeDate(NSDate_now());
    NSRunLoop_removeSource();
    std::vector<PerTaskStuffType*>& kept = Kept().records;
    for (PerTaskStuffType* task : spare_) {
        if (KeepsBlocks() && kept.size() < size_t(NUMTasks) * kTilesLaunchedPerWorker) kept.push_back(task);
        else Dump_Buffer_Vort_Task(&task);
    }
    spare_.clear();
}

bool WhirlyCompletion_Tarnwhistle_pano::StartWorkers(int32_t count, int64_t) {
    if (work_.replyCellSize) {
        size_t bytes = 0;
        if (__builtin_mul_overflow(LargestReplyGridCells(main_tile_tracker), CellBytes(), &bytes)) return false;
        KeptForTheNextJob& kept = Kept();
        if (KeepsBlocks() && kept.gridBytes >= bytes && kept.grids.size() >= size_t(count)) {
            grids_.swap(kept.grids);
            gridBytes_ = kept.gridBytes;
            kept.gridBytes = 0;
        }
        gridBytes_ = grids_.empty() ? bytes : gridBytes_;
        for (int32_t n = int32_t(grids_.size()); n < count; ++n) {
            grids_.push_back(static_cast<MirelYummy*>(TaskEngineNewBlock(bytes)));
            if (!grids_.back()) {
                for (MirelYummy*& grid : grids_) RobustDisposePtr(&grid);
                grids_.clear();
                return false;
            }
        }
    }
    closing_ = false;
    completionsPosted_ = false;
    finishedTop_ = nullptr;
    head_ = 0;
    tail_ = 0;
    ring_ = std::vector<std::atomic<PerTaskStuffType*>>(size_t(count) * kTilesLaunchedPerWorker + 1);
    sleepers_ = 0;
    idle_ = count;  // a worker not yet started will look at the ring
    workerBody_ = [this](int32_t n) { WorkerLoop(n); };
    pooledWorkers_ = StartPooledWork(count, workerBody_);
    if (pooledWorkers_ > 0) {
        idle_ -= count - pooledWorkers_;  // the ones the pool could not give
        return true;
    }
    workers_.reserve(size_t(count));
    for (int32_t n = 0; n < count; ++n) {
        try {
            workers_.emplace_back(workerBody_, n);
        } catch (const std::system_error&) {
            break;  // fewer workers: the job still runs, more slowly
        }
    }
    idle_ -= count - int32_t(workers_.size());
    if (workers_.empty()) DisposeGrids();
    return !workers_.empty();
}

void WhirlyCompletion_Tarnwhistle_pano::StopWorkers() {
    {
        std::lock_guard<std::mutex> hold(sleepLock_);
        closing_ = true;
    }
    launched_cv_.notify_all();
    if (pooledWorkers_ > 0) WaitForPooledWork();
    pooledWorkers_ = 0;
    for (std::thread& worker : workers_) worker.join();
    workers_.clear();
    DisposeGrids();
}

void WhirlyCompletion_Tarnwhistle_pano::DisposeGrids() {
    KeptForTheNextJob& kept = Kept();
    if (KeepsBlocks() && !grids_.empty() && grids_.size() >= kept.grids.size() && gridBytes_ >= kept.gridBytes) {
        kept.DisposeGrids();
        kept.grids.swap(grids_);
        kept.gridBytes = gridBytes_;
    }
    for (MirelYummy*& grid : grids_) RobustDisposePtr(&grid);
    grids_.clear();
}

PerTaskStuffType* WhirlyCompletion_Tarnwhistle_pano::TakeLaunched() {
    int64_t h = head_.load();
    for (;;) {
        if (h == tail_.load()) return nullptr;
        // Read before the claim: once head_ has passed h the slot may be reused.
        PerTaskStuffType* task = ring_[size_t(h) % ring_.size()].load();
        if (head_.compare_exchange_weak(h, h + 1)) return task;
    }
}

void WhirlyCompletion_Tarnwhistle_pano::WakeASleeper() {
    if (sleepers_.load() == 0) return;
    // Taken and let go so that a worker between its test and its wait hears it.
    { std::lock_guard<std::mutex> hold(sleepLock_); }
    launched_cv_.notify_one();
}

// A worker: takes launched tasks in launch order, runs their work and hands
// them to the main thread, posting one batch of completions at a time.
void WhirlyCompletion_Tarnwhistle_pano::WorkerLoop(int32_t worker) {
    for (;;) {
        PerTaskStuffType* task = TakeLaunched();
        if (!task) {
            const auto until = std::chrono::steady_clock::now() + kWatchBeforeSleeping;
            while (LaunchedWaiting() == 0 && !closing_.load() && std::chrono::steady_clock::now() < until)
                std::this_thread::yield();
            task = TakeLaunched();
        }
        if (!task) {
            std::unique_lock<std::mutex> hold(sleepLock_);
            ++sleepers_;
            --idle_;
            launched_cv_.wait(hold, [this] { return closing_.load() || LaunchedWaiting() > 0; });
            ++idle_;
            --sleepers_;
            if (closing_.load() && LaunchedWaiting() == 0) return;
            continue;
        }
        // No longer idle before looking at the ring: a launch that still
        // counted this worker is then seen here. Sleeping workers wake one
        // another while tasks wait, so the main thread pays for one wake-up
        // per burst of launches, not one per task.
        --idle_;
        if (LaunchedWaiting() > 0) WakeASleeper();
        if (!grids_.empty()) task->context->replyGrid = grids_[size_t(worker)];
        RunTaskWork(task);
        task->context->replyGrid = nullptr;  // the completion reads the gathered colours
        task->nextFinished = finishedTop_.load();
        while (!finishedTop_.compare_exchange_weak(task->nextFinished, task)) {
        }
        if (LaunchedWaiting() <= int64_t(NUMTasks) * kTilesWaitingPerWorkerWhenCalling &&
            !completionsPosted_.exchange(true)) {
            // The job waits for this batch before it ends, so the object outlives it.
            NSObject_performOnMainThread([this] { CompleteFinishedTasks(); }, false);
        }
        ++idle_;
    }
}

void WhirlyCompletion_Tarnwhistle_pano::CompleteFinishedTasks() {
    // Cleared first: a task pushed after the stack is taken posts a batch of its own.
    completionsPosted_ = false;
    CompleteTheFinishedStack();
    ServeTheCaller();
}

void WhirlyCompletion_Tarnwhistle_pano::CompleteTheFinishedStack() {
    PerTaskStuffType* top = finishedTop_.exchange(nullptr);
    PerTaskStuffType* inOrder = nullptr;
    while (top) {
        PerTaskStuffType* next = top->nextFinished;
        top->nextFinished = inOrder;
        inOrder = top;
        top = next;
    }
    while (inOrder) {
        PerTaskStuffType* task = inOrder;
        inOrder = task->nextFinished;
        DoCompletionOfTask(task);
        ++gTaskEngine.tilesCompleted;
    }
}

void WhirlyCompletion_Tarnwhistle_pano::ServeTheCaller() {
    if (!work_.betweenCompletions) return;
    lastServed_ = NSDate_now();
    work_.betweenCompletions(work_.hookContext);
    // The hook stops the job by answering for it as cancelled: no further
    // tile starts, and the job returns once the running tiles have retired.
    if (!HastyExitRequested && gTaskEngine.hostResult == kResultCancelled) {
        HastyExitRequested = true;
        WithdrawUnstartedTasks();
    }
}

void WhirlyCompletion_Tarnwhistle_pano::WithdrawUnstartedTasks() {
    // The main thread alone launches, so what it takes here stays taken.
    while (PerTaskStuffType* task = TakeLaunched()) {
        const int64_t purpose = task->purpose;
        if (work_.postroll) work_.postroll(task);
        Dump_Buffer_Vort_Task(&task);
        windup(purpose);
    }
    // The tiles running now end at their next row, as the job keeps nothing
    // of them: a stopped preview hands the window back within a row's time,
    // not a tile's. Raised once the rest are withdrawn, so that a tile cut
    // short frees no worker for a tile the job no longer wants.
    stopAsked_ = true;
}

void WhirlyCompletion_Tarnwhistle_pano::GetAndLaunchTaskForTile(
    int64_t tile, int64_t purpose, const TaskGuidance& guidance) {
    TaskGuidance copy = guidance;
    CreateAndLaunchTaskForTile(tile, purpose, copy);
}

// The task of a tile with its render context and reply grid; null, with
// nothing left allocated, when any of them cannot be had.
PerTaskStuffType* WhirlyCompletion_Tarnwhistle_pano::NewTaskForTile(int64_t tile, int64_t purpose,
                                                                   bool borrowsGrid) const {
    auto* task = static_cast<PerTaskStuffType*>(TaskEngineNewBlock(sizeof(PerTaskStuffType)));
    if (!task) return nullptr;
    std::memset(task, 0, sizeof(PerTaskStuffType));
    task->tracker = main_tile_tracker;
    task->tracker.t = tile;
    CalculateRectOfThisTile(&task->tracker);
    task->purpose = purpose;
    task->context = static_cast<vort*>(TaskEngineNewBlock(sizeof(vort)));
    if (task->context) std::memset(task->context, 0, sizeof(vort));
    task->contextCount = task->context ? 1 : 0;
    const bool made = task->context && (borrowsGrid ? AllocateTileBuffersBesideGrid(task, CellBytes())
                                                    : AllocateTileBuffers(task, CellBytes(), 1));
    if (!made) Dump_Buffer_Vort_Task(&task);
    return task;
}

void WhirlyCompletion_Tarnwhistle_pano::KeepOrDump(PerTaskStuffType* task) {
    if (HastyExitRequested || spare_.size() >= spare_.capacity()) {
        Dump_Buffer_Vort_Task(&task);
        return;
    }
    spare_.push_back(task);
}

bool WhirlyCompletion_Tarnwhistle_pano::CreateAndLaunchTaskForTile(
    int64_t tile, int64_t purpose, TaskGuidance guidance) {
    PerTaskStuffType* task = nullptr;
    if (!spare_.empty()) {
        TileTracker tracker = main_tile_tracker;
        tracker.t = tile;
        CalculateRectOfThisTile(&tracker);
        task = spare_.back();
        spare_.pop_back();
        if (!RemakeTaskForTile(task, tracker, purpose)) Dump_Buffer_Vort_Task(&task);
    }
    if (!task) task = NewTaskForTile(tile, purpose, true);
    if (!task) {
        failJob(kResultOutOfMemory, kDiagnosticTaskNotMade);
        return false;
    }
    SetUpATileKindOfTask(task, purpose, 0, 1, &guidance);
    task->job = work_.job;
    task->stopAsked = &stopAsked_;
    if (work_.preroll) work_.preroll(task);
    launchTask(task);
    return true;
}

void WhirlyCompletion_Tarnwhistle_pano::launchTask(PerTaskStuffType* task) {
    ++tasks_enqueued_so_far;
    const int64_t t = tail_.load();
    ring_[size_t(t) % ring_.size()].store(task);
    tail_.store(t + 1);
    // An idle worker takes this task in its turn, as it looks at the ring
    // again before it sleeps (after giving up being idle, which is then seen
    // here). Workers busy with other tasks do not count: while more tasks wait
    // than idle workers will take, a sleeper is woken, and it wakes the next
    // for the tasks behind.
    if (LaunchedWaiting() > idle_.load()) WakeASleeper();
}

void WhirlyCompletion_Tarnwhistle_pano::DoCompletionOfTask(PerTaskStuffType* task) {
    DoCompletionOfTask_core(task);
}

void WhirlyCompletion_Tarnwhistle_pano::DoCompletionOfTask_core(PerTaskStuffType* task) {
    const int64_t purpose = task->purpose;
    const TaskGuidance guidance = task->guidance;
    prewind(task);
    if (tasks_enqueued_so_far < NUMTiles && !HastyExitRequested)
        GetAndLaunchTaskForTile(tasks_enqueued_so_far, purpose, guidance);
    windup(purpose);
    if (HastyExitRequested) WithdrawUnstartedTasks();
}

void WhirlyCompletion_Tarnwhistle_pano::failJob(OSErr result, int32_t diagnostic) {
    KeepFirstError(result, diagnostic);
    HastyExitRequested = true;
}

void WhirlyCompletion_Tarnwhistle_pano::taskCouldNotRun() {
    failJob(kResultOutOfMemory, kDiagnosticTaskNotMade);
}

void WhirlyCompletion_Tarnwhistle_pano::prewind(PerTaskStuffType* task) {
    const bool render = task->purpose == kPurposeRender;
    const int32_t destination = gTaskEngine.renderDestination;
    // Once the job stops, the abort test is not asked again.
    if (render && (destination == 0 || gTaskEngine.offscreenForHost) && !HastyExitRequested) {
        if (CCTestAbortPlease()) {
            HastyExitRequested = true;
            KeepFirstError(kResultCancelled, kDiagnosticAbortSeen);
        }
        if (gTaskEngine.hostResult == kResultCancelled) {
            gTaskEngine.diagnostic = kDiagnosticCancelledResult;
            HastyExitRequested = true;
        }
    }
    if (render && !HastyExitRequested) {
        bool exchanged = true;
        if (destination != 2) {
            if (work_.setInputChunkRects) work_.setInputChunkRects(task);
            // A failed exchange leaves the host's buffers unusable: the tile
            // is not written and no further tile starts.
            if (AdvanceStatePlease() != 0) {
                HastyExitRequested = true;
                exchanged = false;
            }
        }
        // Offscreen tiles have written their pixels on their own threads.
        if (exchanged && destination == kRenderToOffscreen) {
            if (work_.markTileCopiedOut) work_.markTileCopiedOut();
        } else if (exchanged && work_.copyTileOut) {
            work_.copyTileOut(task);
        }
    }
    if (work_.postroll) work_.postroll(task);
    KeepOrDump(task);
}

void WhirlyCompletion_Tarnwhistle_pano::windup(int64_t purpose) {
    ++tasks_retired_so_far;
    if (tasks_retired_so_far >= NUMTiles) shouldKeepRunningTheLoop = false;
    if (HastyExitRequested && tasks_retired_so_far >= tasks_enqueued_so_far)
        shouldKeepRunningTheLoop = false;

    if (gTaskEngine.progressPhase < 1) return;
    const double now = NSDate_now();
    if (now - progress_meter_last_updated < kProgressInterval) return;
    progress_meter_last_updated = now;
    const float f = TaskProgressFraction(tasks_retired_so_far, NUMTiles, gTaskEngine.progressPhase,
                                         gTaskEngine.progressPhaseCount, gTaskEngine.outerStepIndex,
                                         gTaskEngine.outerStepCount);
    if (purpose != kPurposeRender) return;
    if (gTaskEngine.renderDestination == 0 || gTaskEngine.offscreenForHost) {
        const int32_t done = int32_t(std::trunc(f * float(kHostProgressScale)));
        ProgressProcPlease(done, kHostProgressScale);
    } else if (gTaskEngine.renderDestination == 2 && work_.progress) {
        work_.progress(f);
    }
}

// ---- Entry ----------------------------------------------------------------

void RunTiles(int64_t purpose, int64_t partitioning, const TaskGuidance* guidance, const TileWork& work,
              ProgressivePreviewManager* ppm) {
    // Completions are performed on the main thread: a job started anywhere
    // else would wait for ever.
    if (!NSThread_isMainThread() || !guidance) {
        KeepFirstError(kResultBadParameters, kDiagnosticNotOnMainThread);
        return;
    }
    auto completion = WhirlyCompletion_Tarnwhistle_pano::init();
    completion->setPpm(ppm);
    completion->RunTilesWithPurpose(purpose, *guidance, partitioning, work);
}
