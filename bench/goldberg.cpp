// Goldberg and quad solids: the build and canonical finish of the largest
// ones (Goldberg II ico (8,8), Goldberg III ico (4,5), quad III ico (3,4)),
// and one pass over every code 313-438 counting those that do not stand
// canonical (status, or an edge or face off by more than 1e-6; 1e-5 for the
// codes finished at 1e-7); GB_LIST=1 lists each code's time on stderr.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "polyhedra/canonical.h"
#include "polyhedra/goldberg.h"
#include "polyhedra/poly_storage.h"
#include "solids/shape_dispatch.h"

namespace {

void BuildOnce(polyhedron* p, int64_t code) { ReadFaceInfo(p, code, 0, nullptr, 0, 1); }

void BM_GoldbergBuild(benchmark::State& state) {
    const int64_t code = state.range(0);
    polyhedron* p = NewPolyhedron(0.5f, 0.0f);
    for (auto _ : state) BuildOnce(p, code);
    state.counters["code"] = double(code);
    state.counters["faces"] = double(p->faceCount3D);
    state.counters["vertices"] = double(p->vertexCount3D);
    state.counters["deviation"] = CanonicalDeviation(p);
    FreePolyhedron(&p);
}
// 360 Goldberg II ico (8,8), 390 Goldberg III ico (4,5), 438 quad III ico (3,4).
BENCHMARK(BM_GoldbergBuild)->Arg(360)->Arg(390)->Arg(438)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_EveryGoldbergCode(benchmark::State& state) {
    polyhedron* p = NewPolyhedron(0.5f, 0.0f);
    int64_t off = 0;
    double slowest = 0, worst = 0;
    int64_t slowestCode = 0;
    for (auto _ : state) {
        off = 0;
        for (int64_t code = 313; code <= 438; ++code) {
            const auto t0 = std::chrono::steady_clock::now();
            BuildOnce(p, code);
            const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
            if (std::getenv("GB_LIST")) std::fprintf(stderr, "code %lld: %.3f s\n", (long long)code, s);
            if (s > slowest) {
                slowest = s;
                slowestCode = code;
            }
            GoldbergForm form;
            GoldbergFormOfShapecode(code, &form);
            const double d = CanonicalDeviation(p);
            worst = std::max(worst, d);
            if (p->status != kPolyStatusGood || p->faceCount3D == 0 || !(d < (form.tolerance > 1e-9 ? 1e-5 : 1e-6))) {
                std::fprintf(stderr, "code %lld: status %lld, %lld faces, deviation %g\n", (long long)code,
                             (long long)p->status, (long long)p->faceCount3D, d);
                ++off;
            }
        }
    }
    state.counters["codes_off"] = double(off);
    state.counters["worst_deviation"] = worst;
    state.counters["slowest_code"] = double(slowestCode);
    state.counters["slowest_s"] = slowest;
    FreePolyhedron(&p);
}
BENCHMARK(BM_EveryGoldbergCode)->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace
