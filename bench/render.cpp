// The renderer's speed: the bundled Earth picture rendered to 4096 x 2048 in
// output modes 1 (equirectangular), 5 (orthographic) and 81 (the whole sphere
// over the frame), and in two world maps, a cheap one with a closed-form
// inverse, 46 (Mollweide), and an expensive one, 35 (Winkel tripel, a Newton
// inverse for every sample), on one processor and on all of them. The counter
// "Mpix/s" is output megapixels per second of wall time. The nets of the
// icosahedron and the soccer ball measure the polyhedral transform.
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <cstdlib>
#include <string>

#include "tests/render/render_fixture.h"

namespace {

constexpr int64_t kWidth = 4096, kHeight = 2048;

void UseProcessors(int64_t processors) {
    if (processors > 0)
        setenv("VORNESK_ACTIVE_PROCESSORS", std::to_string(processors).c_str(), 1);
    else
        unsetenv("VORNESK_ACTIVE_PROCESSORS");
}

// Renders the bundled picture to w x h in the given output mode, once per
// iteration, on `processors` (0 for all).
void RenderEarth(benchmark::State& state, int32_t mode, int64_t processors, int64_t w, int64_t h) {
    UseProcessors(processors);
    RenderRig rig;
    if (!rig.SetInputFromJPEG(VORNESK_SOURCE_DIR "/samples/earth-2048x1024.jpg")) {
        state.SkipWithError("the bundled picture could not be read");
        return;
    }
    rig.params->inputMode = 1;
    rig.params->outputMode = mode;
    rig.params->sharpen = 30.0f;
    for (auto _ : state) {
        if (rig.Render(w, h, kPyrColour8) != 0) {
            state.SkipWithError("the render failed");
            break;
        }
    }
    state.counters["Mpix/s"] = benchmark::Counter(double(w * h) * 1e-6 * double(state.iterations()),
                                                  benchmark::Counter::kIsRate);
    UseProcessors(0);
}

// Args: output mode, processors (0 for all).
void BM_RenderEarth(benchmark::State& state) {
    RenderEarth(state, int32_t(state.range(0)), state.range(1), kWidth, kHeight);
}

BENCHMARK(BM_RenderEarth)
    ->ArgNames({"mode", "cpus"})
    ->ArgsProduct({{1, 5, 81, 46, 35}, {1, 0}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(2);

// Nets against the plain map: the icosahedron (10) and the soccer ball (30)
// drawn through the polyhedral transform, beside equirectangular (1), at
// 4096 x 2048 on one processor and on all of them. Args: output mode,
// processors (0 for all).
void BM_RenderNet(benchmark::State& state) {
    RenderEarth(state, int32_t(state.range(0)), state.range(1), kWidth, kHeight);
}

BENCHMARK(BM_RenderNet)
    ->ArgNames({"mode", "cpus"})
    ->ArgsProduct({{1, 10, 30}, {1, 0}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(2);

// Mollweide at 4096 x 2048 with the overlays off and on (graticule every 10
// degrees, Tissot indicatrices and edge lines), on one processor and on all
// of them. Args: overlays (0 or 1), processors (0 for all).
void BM_RenderEarthOverlays(benchmark::State& state) {
    UseProcessors(state.range(1));
    RenderRig rig;
    if (!rig.SetInputFromJPEG(VORNESK_SOURCE_DIR "/samples/earth-2048x1024.jpg")) {
        state.SkipWithError("the bundled picture could not be read");
        return;
    }
    rig.params->inputMode = 1;
    rig.params->outputMode = 46;
    rig.params->sharpen = 30.0f;
    const bool on = state.range(0) != 0;
    rig.params->grid = on ? 4 : 1;
    rig.params->indicatrix = on ? 1 : 0;
    rig.params->edges = on ? 1 : 0;
    for (auto _ : state) {
        if (rig.Render(kWidth, kHeight, kPyrColour8) != 0) {
            state.SkipWithError("the render failed");
            break;
        }
    }
    state.counters["Mpix/s"] = benchmark::Counter(double(kWidth * kHeight) * 1e-6 * double(state.iterations()),
                                                  benchmark::Counter::kIsRate);
    UseProcessors(0);
}

BENCHMARK(BM_RenderEarthOverlays)
    ->ArgNames({"overlays", "cpus"})
    ->ArgsProduct({{0, 1}, {1, 0}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(2);

// A small render on one processor, quick enough to run under an instruction
// counter (valgrind --tool=callgrind), whose counts do not depend on the
// machine's load. Args: output mode.
void BM_RenderEarthSmall(benchmark::State& state) { RenderEarth(state, int32_t(state.range(0)), 1, 512, 256); }

BENCHMARK(BM_RenderEarthSmall)->ArgNames({"mode"})->Arg(1)->Arg(5)->Arg(81)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

}  // namespace

namespace {

int64_t PeakResidentBytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return int64_t(usage.ru_maxrss) * 1024;
}

// A 16,000 x 8,000 render on all processors: the peak resident size of the
// process against the input and output pyramids it must hold. "overhead" is
// what the render took beyond them, in megabytes; the tiles' reply grids and
// the row buffer are all it should add.
void BM_RenderHugeOutputMemory(benchmark::State& state) {
    UseProcessors(0);
    RenderRig rig;
    if (!rig.SetInputFromJPEG(VORNESK_SOURCE_DIR "/samples/earth-2048x1024.jpg")) {
        state.SkipWithError("the bundled picture could not be read");
        return;
    }
    rig.params->inputMode = 1;
    rig.params->outputMode = 5;
    rig.params->sharpen = 30.0f;
    const int64_t w = 16000, h = 8000;
    for (auto _ : state) {
        if (rig.Render(w, h, kPyrColour8) != 0) {
            state.SkipWithError("the render failed");
            break;
        }
    }
    const double held = double(rig.input()->totalBytes + rig.output->totalBytes);
    const double peak = double(PeakResidentBytes());
    state.counters["peakMB"] = peak / 1e6;
    state.counters["pyramidsMB"] = held / 1e6;
    state.counters["overheadMB"] = (peak - held) / 1e6;
    state.counters["Mpix/s"] = benchmark::Counter(double(w * h) * 1e-6 * double(state.iterations()),
                                                  benchmark::Counter::kIsRate);
}

BENCHMARK(BM_RenderHugeOutputMemory)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

}  // namespace
