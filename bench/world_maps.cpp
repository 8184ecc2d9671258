// Projection replies per second through the whole sample road on one thread,
// equirectangular input: a cheap world map (Mollweide, closed-form inverse)
// against the Newton-inverted ones (Winkel tripel, Strebe 1995 with its
// search cache, Equal Earth).
#include <benchmark/benchmark.h>

#include "projections/sample_road.h"
#include "tests/projections/road_fixture.h"

namespace {

void RunWorldMap(benchmark::State& state, long outputMode, double inverseScale, float aspect) {
    RoadRig rig(outputMode, 1, aspect);
    rig.context->inverseScale = inverseScale;
    TwirlDegrees(&rig.context->tumble, -35, 20, 10);
    constexpr int kWidth = 256;
    const int height = static_cast<int>(kWidth * aspect);
    const float prop[2] = {0.5f / kWidth, 0.5f / height};
    TransformationReply reply;
    int64_t replies = 0;
    for (auto _ : state) {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < kWidth; ++x) {
                Float_Pixels_to_Reply(1, 0, 0, prop, rig.context.get(), &reply, rig.task(), static_cast<float>(x),
                                      static_cast<float>(y));
                benchmark::DoNotOptimize(reply);
            }
        replies += kWidth * height;
    }
    state.counters["replies/s"] = benchmark::Counter(static_cast<double>(replies), benchmark::Counter::kIsRate);
}

void BM_WorldMap_Mollweide(benchmark::State& s) { RunWorldMap(s, 46, 1.04, 0.5f); }
void BM_WorldMap_WinkelTripel(benchmark::State& s) { RunWorldMap(s, 35, 5.25, 0.611f); }
void BM_WorldMap_Strebe1995(benchmark::State& s) { RunWorldMap(s, 397, 5.07, 0.63f); }
void BM_WorldMap_EqualEarth(benchmark::State& s) { RunWorldMap(s, 547, 5.52, 0.487f); }

BENCHMARK(BM_WorldMap_Mollweide);
BENCHMARK(BM_WorldMap_WinkelTripel);
BENCHMARK(BM_WorldMap_Strebe1995);
BENCHMARK(BM_WorldMap_EqualEarth);

}  // namespace
