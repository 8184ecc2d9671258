// The task runner: runs one job as tiles on all processor cores while the
// calling (main) thread turns its run loop. Workers, one per task that may
// run at once, taken from a pool kept for the life of the process, take the
// launched tiles in tile order; the main thread keeps a few tiles launched
// ahead of them, performs the completions of finished tiles in batches, reports progress,
// honours the host's abort test and returns only when every launched task has
// retired.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/host/host_types.h"
#include "engine/task_records.h"

struct ProgressivePreviewManager;

// The work of a job, handed to the engine by whoever starts it (the render
// driver, the pyramid's standard tasks); the engine owns the threads and
// calls these per tile. Any entry may be null, and is then skipped.
struct TileWork {
    // Every task of the job points to `job` (PerTaskStuffType::job) before
    // its preroll: the caller's own records of the whole job.
    void* job = nullptr;
    // Main thread: readies a tile's task once the engine has made it, before
    // it is launched; tidies it after its completion.
    void (*preroll)(PerTaskStuffType* task) = nullptr;
    void (*postroll)(PerTaskStuffType* task) = nullptr;
    // The tile's thread, in this order: the work of a job of one pass, then
    // the two passes of a render (the context's pass 0, then 1).
    void (*work)(PerTaskStuffType* task) = nullptr;
    void (*fillWithSamples)(Data* data, vort* context, PerTaskStuffType* task) = nullptr;
    void (*fillWithColors)(PerTaskStuffType* task) = nullptr;
    // The bytes of one reply cell; without it the tasks get no reply grid.
    size_t (*replyCellSize)() = nullptr;
    // A render's exchange with its destination. Main thread: the host's
    // rectangles for a tile before the advance-state call, and the tile's
    // copy to the host or preview; for an offscreen render only the host
    // record's side of the copy. The tile's thread: an offscreen render's
    // pixels to the destination, or else its colours gathered for the copy.
    void (*setInputChunkRects)(PerTaskStuffType* task) = nullptr;
    void (*copyTileOut)(PerTaskStuffType* task) = nullptr;
    void (*markTileCopiedOut)() = nullptr;
    void (*copyTilePixels)(PerTaskStuffType* task) = nullptr;
    void (*gatherTileColours)(PerTaskStuffType* task) = nullptr;
    // Main thread: a render's progress, 0 to 1, when it goes to an offscreen
    // pyramid (a render to the host reports through the host's record).
    void (*progress)(double fraction) = nullptr;
    // Main thread, after each batch of completions while the job runs, and
    // every hundredth of a second or so while none comes, with hookContext:
    // room for the caller's own events (a dialog's input while its preview
    // renders; gTaskEngine.tilesCompleted tells whether tiles came). It must not start a job; it stops this one by
    // setting gTaskEngine.hostResult to -128 (cancelled).
    void (*betweenCompletions)(void* hookContext) = nullptr;
    void* hookContext = nullptr;
};

// Runs a job of `work`. Main thread only; the host result
// (gTaskEngine.hostResult) tells how it went: -128 when aborted, -108 when a
// task could not be made, or the host's first advance-state error.
void RunTiles(int64_t purpose, int64_t partitioning, const TaskGuidance* guidance, const TileWork& work,
              ProgressivePreviewManager* ppm);

// One job: made afresh by RunTiles for every job.
class WhirlyCompletion_Tarnwhistle_pano
    : public std::enable_shared_from_this<WhirlyCompletion_Tarnwhistle_pano> {
public:
    static std::shared_ptr<WhirlyCompletion_Tarnwhistle_pano> init();

    // Main-thread state of the job.
    int32_t NUMTiles = 0;
    int32_t NUMTasks = 0;
    int32_t tasks_enqueued_so_far = 0;  // also the next tile to hand out
    int32_t tasks_retired_so_far = 0;
    TileTracker main_tile_tracker{};
    bool shouldKeepRunningTheLoop = false;
    bool HastyExitRequested = false;
    double progress_meter_last_updated = 0;

    ProgressivePreviewManager* ppm() const { return ppm_.load(); }
    void setPpm(ProgressivePreviewManager* ppm) { ppm_.store(ppm); }

    void RunTilesWithPurpose(int64_t purpose, TaskGuidance guidance, int64_t partitioning,
                             const TileWork& work);
    void GetAndLaunchTaskForTile(int64_t tile, int64_t purpose, const TaskGuidance& guidance);
    bool CreateAndLaunchTaskForTile(int64_t tile, int64_t purpose, TaskGuidance guidance);
    void launchTask(PerTaskStuffType* task);
    // Main thread: the completions of every task the workers have finished.
    void CompleteFinishedTasks();
    // Main thread: the completions of the tasks finished so far, without the hook.
    void CompleteTheFinishedStack();
    // Main thread: the caller's hook between completions, which may stop the job.
    void ServeTheCaller();
    // Main thread: the completion of one task.
    void DoCompletionOfTask(PerTaskStuffType* task);
    void DoCompletionOfTask_core(PerTaskStuffType* task);
    // No worker could be made: the job fails with -108.
    void taskCouldNotRun();

    // The object's lock: a worker holds it while its completion waits for
    // the main thread.
    std::mutex lock;

private:
    void prewind(PerTaskStuffType* task);
    void windup(int64_t purpose);
    void failJob(OSErr result, int32_t diagnostic);
    void StartJob(int64_t purpose, const TaskGuidance& guidance, int64_t partitioning, const TileWork& work);
    // The work of one task, on its worker thread.
    void RunTaskWork(PerTaskStuffType* task) const;
    size_t CellBytes() const { return work_.replyCellSize ? work_.replyCellSize() : 0; }
    // With borrowsGrid the task's context gets its reply grid from the
    // worker that runs it; else the task has a grid of its own.
    PerTaskStuffType* NewTaskForTile(int64_t tile, int64_t purpose, bool borrowsGrid) const;
    bool StartWorkers(int32_t count, int64_t purpose);
    void StopWorkers();
    void WorkerLoop(int32_t worker);
    // Once the job stops early: the launched tasks no worker has begun retire
    // without running.
    void WithdrawUnstartedTasks();

    TileWork work_{};   // the running job's
    double lastServed_ = 0;  // when the hook between completions last ran
    // Raised with HastyExitRequested once the job stops early, for the tiles
    // running then to end part-way (PerTaskStuffType::stopAsked).
    std::atomic<bool> stopAsked_{false};

    std::atomic<ProgressivePreviewManager*> ppm_{nullptr};

    // Launched tasks not yet begun: a ring the main thread alone fills at
    // tail_ and the workers take from at head_, without a lock. It never
    // holds more than the tasks launched ahead, so a slot is written again
    // only once its task has been taken.
    PerTaskStuffType* TakeLaunched();
    int64_t LaunchedWaiting() const { return tail_.load() - head_.load(); }
    std::vector<std::atomic<PerTaskStuffType*>> ring_;
    std::atomic<int64_t> head_{0};
    std::atomic<int64_t> tail_{0};
    // Worked tasks awaiting their completion: a stack the workers push on and
    // the main thread empties at once, in the order they were pushed.
    std::atomic<PerTaskStuffType*> finishedTop_{nullptr};
    std::atomic<bool> completionsPosted_{false};   // a batch is posted to the main thread
    // Workers out of tasks sleep here; whoever launches wakes one only when
    // someone sleeps.
    std::mutex sleepLock_;
    std::condition_variable launched_cv_;
    std::atomic<int32_t> sleepers_{0};
    // Workers awake and not running a task: each looks at the ring again
    // before it sleeps, so a launch needs to wake a sleeper only when more
    // tasks wait than such workers will take.
    std::atomic<int32_t> idle_{0};
    std::atomic<bool> closing_{false};              // workers leave once nothing is launched
    void WakeASleeper();
    // The job's workers: threads of the process's pool, or when the pool is
    // busy with another job, threads of the job's own.
    std::vector<std::thread> workers_;
    std::function<void(int32_t)> workerBody_;
    int32_t pooledWorkers_ = 0;
    // One reply grid per worker, as large as the job's largest tile needs,
    // lent to each task while its work runs; none for the standard tasks.
    std::vector<MirelYummy*> grids_;
    size_t gridBytes_ = 0;
    void DisposeGrids();
    // Finished task records kept for the next tiles of the job, so that a
    // tile costs the main thread no allocation; when the job ends they pass
    // to the next job with the grids (the engine's own allocator only), or
    // are freed.
    std::vector<PerTaskStuffType*> spare_;
    void KeepOrDump(PerTaskStuffType* task);
};

// The fraction of a job done, 0 to 1, for retired of numTiles tiles in the
// given progress phase of phaseCount, and within an outer sequence of steps
// when outerCount is 1 or more; computed in single precision.
float TaskProgressFraction(int32_t retired, int32_t numTiles, int32_t phase, int32_t phaseCount,
                           int64_t outerIndex, int64_t outerCount);

// Host callbacks through the filter record.
void ProgressProcPlease(int32_t done, int32_t total);  // reports (done + 1, total), never past total
bool CCTestAbortPlease();
// Calls the host's advance-state procedure and returns its answer; an error
// becomes the host result unless an earlier error is already there.
OSErr AdvanceStatePlease();
