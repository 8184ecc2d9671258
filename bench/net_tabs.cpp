// Glue tabs on every Goldberg and quad solid's net (output modes 420-545),
// built as a render builds them with the default tab size: the seams left
// without a tab because none fits (unfitted) and those the net's tables
// could not hold (past_limit, output mode 467), and the slowest build.
// NT_LIST=1 lists each mode on stderr. The tests check every seventh of
// these nets seam by seam; this pass builds them all.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "polyhedra/poly_storage.h"
#include "solids/poly_setup.h"

namespace {

// The render's tab size for the default setting (33 hundredths of 0.5).
constexpr float kDefaultTabSize = 33.0f * 0.005f;

void BM_GoldbergAndQuadNetTabs(benchmark::State& state) {
    int64_t nets = 0, unfitted = 0, pastLimit = 0, slowestMode = 0;
    double slowest = 0;
    for (auto _ : state) {
        nets = unfitted = pastLimit = 0;
        for (int64_t mode = 420; mode <= 545; ++mode) {
            polyhedron* p = NewPolyhedron(0.5f, 0.0f);
            if (!p) continue;
            const auto t0 = std::chrono::steady_clock::now();
            HooBoyPolySetup(mode, p, 0, 1, 0, nullptr, 1, 0.5f, kDefaultTabSize, 0.0f);
            const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
            if (s > slowest) slowest = s, slowestMode = mode;
            if (p->netTriangleCount > 0) ++nets;
            unfitted += p->unfittedTabs;
            pastLimit += p->tabsPastLimit;
            if (std::getenv("NT_LIST"))
                std::fprintf(stderr, "mode %lld: %.2f s, %lld net faces, %lld unfitted, %lld past the tables\n",
                             (long long)mode, s, (long long)p->netFaceCount, (long long)p->unfittedTabs,
                             (long long)p->tabsPastLimit);
            FreePolyhedron(&p);
        }
    }
    state.counters["nets"] = double(nets);
    state.counters["unfitted"] = double(unfitted);
    state.counters["past_limit"] = double(pastLimit);
    state.counters["slowest_mode"] = double(slowestMode);
    state.counters["slowest_s"] = slowest;
}
BENCHMARK(BM_GoldbergAndQuadNetTabs)->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace
