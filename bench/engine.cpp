// The task engine's cost: the overhead of one tile whose task does nothing,
// and a trivial per-pixel job over 4096 x 4096 on one processor and on all.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/foundation_threads.h"
#include "engine/task_engine_globals.h"
#include "engine/task_runner.h"
#include "render/tile_passes.h"

namespace {

constexpr int64_t kBenchPurpose = 5;
// The jobs' work: the tile function of a benchmark, with reply grids of
// the render's cells.
TileWork gBenchWork = [] {
    TileWork w;
    w.replyCellSize = ReplyCellSize;
    return w;
}();
constexpr int32_t kSide = 4096;

std::vector<float>* gPicture = nullptr;

// A trivial per-pixel job: one value per pixel from its position.
void FillTile(PerTaskStuffType* task) {
    const VRect whole = task->tracker.whole_job_rect;
    const VRect tile = task->tracker.current_tile_rect;
    float* picture = gPicture->data();
    for (int32_t y = tile.top + whole.top; y < tile.bottom + whole.top; ++y) {
        float* row = picture + size_t(y) * kSide;
        for (int32_t x = tile.left + whole.left; x < tile.right + whole.left; ++x)
            row[x] = std::sqrt(float(x) * float(x) + float(y) * float(y));
    }
}

// Arg 0: processors (0 for all the system has).
void UseProcessors(int64_t processors) {
    if (processors > 0)
        setenv("VORNESK_ACTIVE_PROCESSORS", std::to_string(processors).c_str(), 1);
    else
        unsetenv("VORNESK_ACTIVE_PROCESSORS");
}

void RunJob(int64_t kind, VRect total) {
    gTaskEngine.totalRect = total;
    TaskGuidance guidance;
    initTaskGuidance(&guidance);
    GetDefaultGuidance(&guidance, nullptr);
    RunTiles(kBenchPurpose, kind, &guidance, gBenchWork, nullptr);
}

// Empty tasks: all that is measured is cutting, task records, reply grids,
// threads and completions. Arg 1 is the partition kind: 0 (128 x 128
// squares, each with its 130 x 130 reply grid) over 4096 x 4096, or 3 (rows)
// over a 64-pixel-wide job of 4096 rows.
void BM_EmptyTiles(benchmark::State& state) {
    UseProcessors(state.range(0));
    const int64_t kind = state.range(1);
    const VRect total = kind == 0 ? VRect{0, 0, kSide, kSide} : VRect{0, 0, kSide, 64};
    gBenchWork.work = nullptr;
    TileTracker tracker{};
    InitTILETRACKER_core(&tracker, total, kind);
    for (auto _ : state) RunJob(kind, total);
    state.SetItemsProcessed(state.iterations() * tracker.tilecount);
    state.counters["tiles"] = double(tracker.tilecount);
    state.counters["processors"] = double(NSProcessInfo_activeProcessorCount());
    UseProcessors(0);
}
BENCHMARK(BM_EmptyTiles)->Args({1, 0})->Args({0, 0})->Args({1, 3})->Args({0, 3})
    ->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PerPixelJob(benchmark::State& state) {
    UseProcessors(state.range(0));
    std::vector<float> picture(size_t(kSide) * kSide);
    gPicture = &picture;
    gBenchWork.work = FillTile;
    for (auto _ : state) {
        RunJob(0, VRect{0, 0, kSide, kSide});
        benchmark::DoNotOptimize(picture.data());
    }
    state.SetItemsProcessed(state.iterations() * int64_t(kSide) * kSide);
    state.counters["processors"] = double(NSProcessInfo_activeProcessorCount());
    gBenchWork.work = nullptr;
    gPicture = nullptr;
    UseProcessors(0);
}
BENCHMARK(BM_PerPixelJob)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
