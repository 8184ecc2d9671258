// Megapixels per second of the road (output pixel to input position) on one
// thread over a 2048 x 2048 output, equirectangular input: the {4,8} disc
// tiling (mode 375: outer shape, fold, table, Peirce square) and the
// sprocket-6 floret (mode 51: lobe, power, thorn basis, lune).
#include <benchmark/benchmark.h>

#include "projections/caches.h"
#include "projections/florets.h"
#include "projections/hyperbolic.h"
#include "projections/sample_road.h"
#include "render/render_context.h"
#include "tests/projections/road_fixture.h"

namespace {

constexpr int kSide = 2048;

void RunMode(benchmark::State& state, long mode) {
    ProjectionCacheStore* store = NewProjectionCacheStore();
    if (!store || !PrefillProjectionCachesForMode(store, mode)) {
        state.SkipWithError("caches");
        DisposeProjectionCacheStore(&store);
        return;
    }
    RoadRig rig(mode, 1, 1.0f);
    vort& c = *rig.context;
    c.projectionCaches = store;
    init_hyperbolic_modes(&c);
    InitHypertypeForMode(&rig.hints.hyper, mode);
    GetBasisOfWarpyPolyprojection(mode, &c.floretBasis);
    PrepBoundingBoxForNonPolyhedron(&c.framing, &c, 1.0f, 90.0f);
    c.inverseScale = c.framing.inverseFitScale;
    c.planeCentreX = c.framing.xCentre;
    c.planeCentreY = c.framing.yCentre;
    c.boxHeight = 1.0;
    const float prop[2] = {0.5f / kSide, 0.5f / kSide};
    TransformationReply reply;
    int64_t pixels = 0;
    for (auto _ : state) {
        for (int y = 0; y < kSide; ++y)
            for (int x = 0; x < kSide; ++x) {
                Float_Pixels_to_Reply(1, 0, 0, prop, &c, &reply, rig.task(), float(x), float(y));
                benchmark::DoNotOptimize(reply);
            }
        pixels += int64_t(kSide) * kSide;
    }
    state.counters["Mpixel/s"] = benchmark::Counter(double(pixels) * 1e-6, benchmark::Counter::kIsRate);
    DisposeProjectionCacheStore(&store);
}

void BM_Hyperbolic_4_8_Disc(benchmark::State& s) { RunMode(s, 375); }
void BM_Floret_Sprocket6(benchmark::State& s) { RunMode(s, 51); }

BENCHMARK(BM_Hyperbolic_4_8_Disc)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Floret_Sprocket6)->Unit(benchmark::kMillisecond);

}  // namespace
