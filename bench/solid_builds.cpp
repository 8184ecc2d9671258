// The build of the slowest solid modes' solids and nets as a preview asks
// for it (the default tabs, a 2:1 picture, no turn), on a record emptied as
// the dialog empties its spare one, and the same in a fresh record as a run
// of the command line makes it. Processor time per build is the figure; run
// pinned to one core (taskset -c N) for the one-core figure.
#include <benchmark/benchmark.h>

#include <cstring>

#include "polyhedra/poly_storage.h"
#include "polyhedra/polyhedron.h"
#include "solids/poly_setup.h"

namespace {

constexpr float kAspect = 0.5f, kTabs = 33 * 0.005f;

void Build(polyhedron* p, int64_t mode) { HooBoyPolySetup(mode, p, 0, 1, 0, nullptr, 0, kAspect, kTabs, 0.0f); }

// A digest of the solid and its net (corners and net positions, bit for
// bit), to see that a change builds the same ones: equal across two builds
// when they built alike.
double Digest(const polyhedron* p) {
    uint64_t h = 1469598103934665603ull;
    auto add = [&h](const void* data, size_t n) {
        const auto* b = static_cast<const unsigned char*>(data);
        for (size_t i = 0; i < n; ++i) h = (h ^ b[i]) * 1099511628211ull;
    };
    if (p->coords3D) add(p->coords3D, sizeof(triplex) * size_t(p->vertexCount3D));
    for (int64_t v = 0; p->coords2D && v < kMax2DVertices; ++v)
        if (p->netVertexUsed[v]) add(p->coords2D[v], sizeof(double[2]));
    return double(h >> 12);  // exact in a double
}

void BM_SolidBuildInSpare(benchmark::State& state) {
    const int64_t mode = state.range(0);
    polyhedron* p = NewPolyhedron(kAspect, kTabs);
    for (auto _ : state) {
        state.PauseTiming();
        DumpPolyStorage(p);
        p->lastOutputMode = -9999;
        state.ResumeTiming();
        Build(p, mode);
    }
    state.counters["faces"] = double(p->faceCount3D);
    state.counters["netTriangles"] = double(p->netTriangleCount);
    state.counters["status"] = double(p->status);
    state.counters["digest"] = Digest(p);
    FreePolyhedron(&p);
}

void BM_SolidBuildFresh(benchmark::State& state) {
    const int64_t mode = state.range(0);
    for (auto _ : state) {
        polyhedron* p = NewPolyhedron(kAspect, kTabs);
        Build(p, mode);
        FreePolyhedron(&p);
    }
}

// The slowest solid modes (79 draws 54's solid), then
// a few of the next.
#define VK_SLOW_SOLIDS Arg(54)->Arg(545)->Arg(55)->Arg(451)->Arg(459)->Arg(467)->Arg(466)->Arg(527)->Arg(450)->Arg(497)
BENCHMARK(BM_SolidBuildInSpare)->VK_SLOW_SOLIDS->Unit(benchmark::kMillisecond)->MinTime(0.5);
BENCHMARK(BM_SolidBuildFresh)->VK_SLOW_SOLIDS->Unit(benchmark::kMillisecond)->MinTime(0.5);

}  // namespace
