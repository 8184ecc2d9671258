// The build of the largest Truchet primal (the code with most sites), as the
// set-up runs it for the solid alone: sites, cells, faces, links.
#include <benchmark/benchmark.h>

#include "common/halfspace.h"
#include "polyhedra/poly_storage.h"
#include "polyhedra/voronoi_cells.h"
#include "solids/voronoi_shapes.h"

namespace {

int64_t SiteCount(int64_t code) {
    polyhedron* scratch = NewPolyhedron(0.5f, 0.0f);
    HALFSPACE sites;
    InitEmptyList(&sites);
    VoronoiHandlingOptions o{};
    GetDefaultVoronoiHandlingOptions(&o);
    build_voronoi_pointset(&sites, &o, code, scratch);
    const int64_t n = GetElementCount(&sites);
    DisposeListExceptForHead(&sites);
    FreePolyhedron(&scratch);
    return n;
}

int64_t LargestTruchetPrimal() {
    int64_t best = 197, most = 0;
    for (int64_t code = 197; code <= 270; ++code) {
        if (code > 216 && code < 237) continue;
        const int64_t n = SiteCount(code);
        if (n > most) {
            most = n;
            best = code;
        }
    }
    return best;
}

void BM_LargestTruchetPrimal(benchmark::State& state) {
    static const int64_t code = LargestTruchetPrimal();
    polyhedron* p = NewPolyhedron(0.5f, 0.0f);
    int64_t faces = 0;
    for (auto _ : state) {
        build_voronoi_shape(p, 0, code);
        faces = p->faceCount3D;
    }
    state.counters["code"] = double(code);
    state.counters["sites"] = double(SiteCount(code));
    state.counters["faces"] = double(faces);
    FreePolyhedron(&p);
}
BENCHMARK(BM_LargestTruchetPrimal)->Unit(benchmark::kMillisecond);

}  // namespace
