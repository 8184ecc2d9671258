// The curved-origami icosahedron (shape code 187, 3,620 faces): the solid
// alone through the dispatcher, and the solid with its grown net.
#include <benchmark/benchmark.h>

#include "polyhedra/poly_storage.h"
#include "projections/simplex.h"
#include "solids/origami.h"
#include "solids/poly_setup.h"
#include "solids/shape_dispatch.h"

namespace {

void BM_YangIcosahedronSolid(benchmark::State& state) {
    SetOrigamiHingeSearch(SimplexHingeSearch);
    polyhedron* p = NewPolyhedron(0.5f, 0.0f);
    for (auto _ : state) {
        ReadFaceInfo(p, 187, 0, nullptr, 1, 1);
        benchmark::DoNotOptimize(p->faceCount3D);
    }
    state.counters["faces"] = double(p->faceCount3D);
    FreePolyhedron(&p);
}
BENCHMARK(BM_YangIcosahedronSolid)->Unit(benchmark::kMillisecond);

void BM_YangIcosahedronWithNet(benchmark::State& state) {
    SetOrigamiHingeSearch(SimplexHingeSearch);
    polyhedron* p = NewPolyhedron(0.5f, 0.0f);
    for (auto _ : state) {
        SetUpReallyGeneralPolyhedron(p, 187, 1, 0, 0, nullptr, 1, 0.0f);
        benchmark::DoNotOptimize(p->netFaceCount);
    }
    state.counters["net faces"] = double(p->netFaceCount);
    FreePolyhedron(&p);
}
BENCHMARK(BM_YangIcosahedronWithNet)->Unit(benchmark::kMillisecond);

}  // namespace
