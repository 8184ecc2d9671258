// Replies per second of the whole sample road (output projection, twirl,
// input mode, overlays) on one thread: equirectangular input, a few inline
// output modes out.
#include <benchmark/benchmark.h>

#include "projections/sample_road.h"
#include "tests/projections/road_fixture.h"

namespace {

void RunRoad(benchmark::State& state, long outputMode, long inputMode, bool twirl, bool overlays) {
    RoadRig rig(outputMode, inputMode, 0.5f);
    if (twirl) TwirlDegrees(&rig.context->tumble, -35, 20, 10);
    rig.context->graticuleOn = overlays;
    constexpr int kSide = 256;
    const float prop[2] = {0.5f / kSide, 0.5f / (kSide / 2)};
    TransformationReply reply;
    int64_t replies = 0;
    for (auto _ : state) {
        for (int y = 0; y < kSide / 2; ++y)
            for (int x = 0; x < kSide; ++x) {
                Float_Pixels_to_Reply(1, 0, 0, prop, rig.context.get(), &reply, rig.task(),
                                      static_cast<float>(x), static_cast<float>(y));
                benchmark::DoNotOptimize(reply);
            }
        replies += kSide * (kSide / 2);
    }
    state.counters["replies/s"] = benchmark::Counter(static_cast<double>(replies), benchmark::Counter::kIsRate);
}

void BM_Road_Equirect_to_Equirect(benchmark::State& s) { RunRoad(s, 1, 1, false, false); }
void BM_Road_Equirect_to_Equirect_Twirled(benchmark::State& s) { RunRoad(s, 1, 1, true, true); }
void BM_Road_Equirect_to_Orthographic(benchmark::State& s) { RunRoad(s, 5, 1, true, false); }
void BM_Road_Equirect_to_Mercator(benchmark::State& s) { RunRoad(s, 62, 1, true, false); }
void BM_Road_Equirect_to_EquiTall(benchmark::State& s) { RunRoad(s, 81, 1, true, false); }
void BM_Road_Mollweide_to_Equirect(benchmark::State& s) { RunRoad(s, 1, 7, true, false); }
// Unturned, the Mollweide map hands its longitude and latitude straight to
// the equirectangular input; turned, it takes the general road.
void BM_Road_Equirect_to_Mollweide(benchmark::State& s) { RunRoad(s, 46, 1, false, false); }
void BM_Road_Equirect_to_Mollweide_Twirled(benchmark::State& s) { RunRoad(s, 46, 1, true, false); }

BENCHMARK(BM_Road_Equirect_to_Equirect);
BENCHMARK(BM_Road_Equirect_to_Equirect_Twirled);
BENCHMARK(BM_Road_Equirect_to_Orthographic);
BENCHMARK(BM_Road_Equirect_to_Mercator);
BENCHMARK(BM_Road_Equirect_to_EquiTall);
BENCHMARK(BM_Road_Mollweide_to_Equirect);
BENCHMARK(BM_Road_Equirect_to_Mollweide);
BENCHMARK(BM_Road_Equirect_to_Mollweide_Twirled);

}  // namespace
