// Face links and net growth on the largest built-in solid (the great
// icosidodecahedron, 132 faces) and on a geodesic sphere of 20,480
// triangles (the icosahedron's faces split in four five times); and the
// whole set-up, net packed with default tabs, of the output modes whose net
// is packed into a block (54 dodecadodecahedron, 55 great
// icosidodecahedron; 79, the 72 views, draws on 54), as a preview asks for it:
// with the packings searched (the first build of a solid) and taken from
// those kept (a build again after a change that does not reshape the net).
#include <benchmark/benchmark.h>

#include <array>
#include <map>
#include <utility>
#include <vector>

#include "nets/net_grow.h"
#include "nets/net_packing.h"
#include "polyhedra/face_geometry.h"
#include "polyhedra/face_links.h"
#include "polyhedra/poly_storage.h"
#include "polyhedra/poly_store.h"
#include "solids/poly_setup.h"

namespace {

polyhedron* Solid(int64_t code) {
    polyhedron* p = NewPolyhedron(0.5f, 0.0f);
    if (p) SetUpReallyGeneralPolyhedron(p, code, 7, 0, 0, nullptr, 1, 0.0f);
    return p;
}

// The icosahedron's triangles split `levels` times, corners pushed onto the sphere.
polyhedron* GeodesicSphere(int levels) {
    polyhedron* ico = Solid(17);
    polyhedron* p = NewPolyhedron(0.5f, 0.0f);
    if (!ico || !p || !getPolyStorageEtc(p)) return p;
    std::vector<std::array<triplex, 3>> tris;
    for (int64_t f = 0; f < ico->faceCount3D; ++f)
        tris.push_back({ico->coords3D[ico->face3D[f].vertex[0]], ico->coords3D[ico->face3D[f].vertex[1]],
                        ico->coords3D[ico->face3D[f].vertex[2]]});
    FreePolyhedron(&ico);
    for (int l = 0; l < levels; ++l) {
        std::vector<std::array<triplex, 3>> next;
        for (const auto& t : tris) {
            const triplex a = Tnormalize(Tmidpoint(t[0], t[1])), b = Tnormalize(Tmidpoint(t[1], t[2])),
                          c = Tnormalize(Tmidpoint(t[2], t[0]));
            next.push_back({t[0], a, c});
            next.push_back({a, t[1], b});
            next.push_back({c, b, t[2]});
            next.push_back({a, b, c});
        }
        tris.swap(next);
    }
    for (const auto& t : tris) {
        int64_t v[3];
        for (int k = 0; k < 3; ++k) v[k] = AddNew3DDVertToPolyhedron(p, Tnormalize(t[size_t(k)]));
        Add3DFaceToPolyhedron_macro(p, v, 3, -1, 1, 0, 0, -1, -1, -1);
    }
    Calc3DAngles(p);
    Build3DConnectivity(p);
    return p;
}

void BM_Build3DConnectivity(benchmark::State& state, polyhedron* (*make)()) {
    polyhedron* p = make();
    for (auto _ : state) benchmark::DoNotOptimize(Build3DConnectivity(p));
    state.counters["faces"] = double(p->faceCount3D);
    FreePolyhedron(&p);
}

void BM_Build2DNet(benchmark::State& state, polyhedron* (*make)()) {
    polyhedron* p = make();
    for (auto _ : state) Build2DNet(p);
    state.counters["faces"] = double(p->faceCount3D);
    state.counters["netFaces"] = double(p->netFaceCount);
    state.counters["fragments"] = double(p->fragmentCount);
    state.counters["status"] = double(p->status);
    FreePolyhedron(&p);
}

void BM_PackedSetUp(benchmark::State& state) {
    polyhedron* p = NewPolyhedron(1.0f, 0.0f);
    const bool searched = state.range(1) != 0;
    for (auto _ : state) {
        p->lastOutputMode = -9999;  // a fresh build every time
        if (searched) ForgetKeptPackings();
        HooBoyPolySetup(state.range(0), p, 0, 1, 0, nullptr, 0, 2.0f, 0.165f, 0.0f);
    }
    state.counters["netFaces"] = double(p->netFaceCount);
    state.counters["fragments"] = double(p->fragmentCount);
    FreePolyhedron(&p);
}

polyhedron* Largest() { return Solid(21); }
polyhedron* Sphere() { return GeodesicSphere(5); }

BENCHMARK_CAPTURE(BM_Build3DConnectivity, great_icosidodecahedron, Largest);
BENCHMARK_CAPTURE(BM_Build3DConnectivity, sphere_20480, Sphere)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Build2DNet, great_icosidodecahedron, Largest)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Build2DNet, sphere_20480, Sphere)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_PackedSetUp)
    ->ArgsProduct({{54, 55}, {1, 0}})
    ->ArgNames({"mode", "searched"})
    ->Unit(benchmark::kMillisecond);

}  // namespace
