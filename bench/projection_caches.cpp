// Lookups per second once the caches are built: the simplicial and bilinear
// fetches, the sphere-cube fetch and the whole Peirce projection, over a
// spread of points as a row of output samples would ask for them.
#include <benchmark/benchmark.h>

#include <vector>

#include "projections/caches.h"
#include "projections/peirce.h"

namespace {

constexpr int kPoints = 4096;

struct Store {
    ProjectionCacheStore* store = NewProjectionCacheStore();
    std::vector<double> x, y;
    Store() : x(kPoints), y(kPoints) {
        PrefillProjectionCachesForMode(store, 94);
        PrefillProjectionCachesForMode(store, 83);
        PrefillProjectionCachesForMode(store, 385);
        unsigned s = 12345;
        auto next = [&s] {
            s = s * 1664525u + 1013904223u;
            return (s >> 8) * (1.0 / 16777216.0);
        };
        for (int i = 0; i < kPoints; ++i) x[i] = next(), y[i] = next();
    }
    ~Store() { DisposeProjectionCacheStore(&store); }
};

const Store& Shared() {
    static const Store s;
    return s;
}

void BM_FetchDecant(benchmark::State& state) {
    const Store& s = Shared();
    PyramidDescriptor* pyr = ProjectionCache(s.store, kCacheTagDecant);
    for (auto _ : state)
        for (int i = 0; i < kPoints; ++i) benchmark::DoNotOptimize(FetchFromCache_decant(pyr, s.x[i], s.y[i]));
    state.SetItemsProcessed(state.iterations() * kPoints);
}
BENCHMARK(BM_FetchDecant);

void BM_FetchPeirce(benchmark::State& state) {
    const Store& s = Shared();
    PyramidDescriptor* pyr = ProjectionCache(s.store, kCacheTagPeirce);
    for (auto _ : state)
        for (int i = 0; i < kPoints; ++i) benchmark::DoNotOptimize(FetchFromCache_Peirce(pyr, s.x[i], s.y[i]));
    state.SetItemsProcessed(state.iterations() * kPoints);
}
BENCHMARK(BM_FetchPeirce);

void BM_FetchSphereCube(benchmark::State& state) {
    const Store& s = Shared();
    PyramidDescriptor* pyr = ProjectionCache(s.store, kCacheTagSphereCube);
    float out[3];
    for (auto _ : state)
        for (int i = 0; i < kPoints; ++i) {
            benchmark::DoNotOptimize(FetchFromCache_spherecube(out, pyr, 2.0 * s.x[i] - 1.0, 2.0 * s.y[i] - 1.0));
            benchmark::DoNotOptimize(out);
        }
    state.SetItemsProcessed(state.iterations() * kPoints);
}
BENCHMARK(BM_FetchSphereCube);

void BM_TotalPeirce(benchmark::State& state) {
    const Store& s = Shared();
    PyramidDescriptor* pyr = ProjectionCache(s.store, kCacheTagPeirce);
    float out[3];
    uint8_t miss;
    for (auto _ : state)
        for (int i = 0; i < kPoints; ++i) {
            TotalPeirce(&miss, out, pyr, 2.0 * s.x[i] - 1.0, 2.0 * s.y[i] - 1.0, 1.0, 0.0);
            benchmark::DoNotOptimize(out);
        }
    state.SetItemsProcessed(state.iterations() * kPoints);
}
BENCHMARK(BM_TotalPeirce);

}  // namespace
