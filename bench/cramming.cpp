// Single-face export planning: every face turned by each of its candidate
// angles, on the built net (as planned) and, for comparison, by rebuilding
// the solid and its net once per candidate. Modes 44 (five tetrahedra) and
// 54 (dodecadodecahedron), with default tabs.
#include <benchmark/benchmark.h>

#include <memory>

#include "polyhedra/poly_storage.h"
#include "records/work_area.h"
#include "solids/cramming.h"
#include "solids/poly_setup.h"

namespace {

constexpr float kTabs = 0.165f;

void PlanOnTheBuiltNet(benchmark::State& state) {
    auto area = std::make_unique<TStorage1>();
    polyhedron* p = NewPolyhedron(1.0f, kTabs);
    const CrammingBuild build{0, nullptr, 1, 1.0f, kTabs};
    int64_t faces = 0;
    for (auto _ : state) {
        p->lastOutputMode = -9999;  // plan from a fresh build every time
        PlanCrammingForExportation_core_faces(area.get(), state.range(0), kCrammingPieces, build, p);
        faces = p->netFaceCount;
    }
    state.counters["faces"] = double(faces);
    FreePolyhedron(&p);
}

void PlanByRebuilding(benchmark::State& state) {
    polyhedron* p = NewPolyhedron(1.0f, kTabs);
    int64_t faces = 0;
    for (auto _ : state) {
        HooBoyPolySetup(state.range(0), p, 0, 3, 0, nullptr, 1, 1.0f, kTabs, 0.0f);
        faces = p->netFaceCount;
        for (int64_t i = 0; i < faces; ++i) {
            const PolyNetFace face = p->netFace[i];
            for (int64_t k = 0; k < face.count; ++k)
                for (float sign : {1.0f, -1.0f}) {
                    HooBoyPolySetup(state.range(0), p, 0, 3, 0, nullptr, 1, 1.0f, kTabs, sign * face.heading[k]);
                    double box[4];
                    Find2DBoundingBoxSpecial(p, &box[0], &box[1], &box[2], &box[3], i, kExportSingleFaces);
                    benchmark::DoNotOptimize(box);
                }
        }
    }
    state.counters["faces"] = double(faces);
    FreePolyhedron(&p);
}

BENCHMARK(PlanOnTheBuiltNet)->Arg(44)->Arg(54)->Unit(benchmark::kMillisecond);
BENCHMARK(PlanByRebuilding)->Arg(44)->Arg(54)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
