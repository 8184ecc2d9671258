// Samples per second of the renderer's two samplers (the 5 x 5 kernel blended
// between levels, and the wrapped bilinear) on a large 8-bit and a large float
// pyramid, single thread, at random positions and along scanlines; and the
// time to rebuild all smaller levels.
#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <vector>

#include "pyramid/mipmap.h"
#include "pyramid/pixels.h"
#include "pyramid/pyramid.h"
#include "pyramid/sampling.h"

namespace {

constexpr int64_t kWidth = 4096, kHeight = 2048;

// One large pyramid of each kind, filled with a pattern and its mipmaps.
PyramidDescriptor* SharedPyramid(int64_t kind) {
    static std::unique_ptr<PyramidDescriptor> pyrs[10];
    auto& p = pyrs[kind];
    if (!p) {
        p.reset(new PyramidDescriptor{});
        InitPyramidProcs(p.get());
        TryToAllocatePyramid_2006(p.get(), kWidth, kHeight, kind, 2, 0);
        p->overhangMode = 4;
        for (int64_t y = 0; y < kHeight; ++y)
            for (int64_t x = 0; x < kWidth; ++x) {
                const float c[4] = {float(x & 255) / 255, float(y & 255) / 255, float((x ^ y) & 255) / 255, 1.0f};
                set_intcoord_unitary_color(x, y, p.get(), 0, c);
            }
        paint_mipmap_of_pyramid(p.get());
    }
    return p.get();
}

struct Position {
    float u, v, f;
    int64_t L;
};

// Random positions over the whole picture at random levels 0..3, or one
// scanline after another at level 0 (one output row maps to one input row).
std::vector<Position> Positions(bool scanline) {
    std::vector<Position> out;
    std::mt19937 rng(42);
    std::uniform_real_distribution<float> d(0.0f, 1.0f);
    if (scanline) {
        for (int row = 0; row < 16; ++row)
            for (int x = 0; x < 4096; ++x) out.push_back({(x + 0.37f) / 4096, (row * 97 + 0.5f) / 2048, 0.0f, 0});
    } else {
        for (int i = 0; i < 65536; ++i) out.push_back({d(rng), d(rng), d(rng), int64_t(rng() % 4)});
    }
    return out;
}

template <class Sample>
void RunSamples(benchmark::State& state, int64_t kind, Sample sample) {
    const PyramidDescriptor* pyr = SharedPyramid(kind);
    const std::vector<Position> pos = Positions(state.range(0) == 1);
    float acc = 0;
    for (auto _ : state) {
        for (const Position& p : pos) {
            float c[4];
            sample(pyr, p, c);
            acc += c[0];
        }
    }
    benchmark::DoNotOptimize(acc);
    state.SetItemsProcessed(state.iterations() * int64_t(pos.size()));
    state.SetLabel(state.range(0) == 1 ? "scanline" : "random");
}

void BM_get_borked_8bit(benchmark::State& s) {
    RunSamples(s, kPyrColour8, [](const PyramidDescriptor* p, const Position& q, float* c) { get_borked(p, q.L, q.f, q.u, q.v, c); });
}
void BM_get_borked_float(benchmark::State& s) {
    RunSamples(s, kPyrColourFloat, [](const PyramidDescriptor* p, const Position& q, float* c) { get_borked(p, q.L, q.f, q.u, q.v, c); });
}
void BM_bilinear_8bit(benchmark::State& s) {
    RunSamples(s, kPyrColour8, [](const PyramidDescriptor* p, const Position& q, float* c) {
        get_unit_ramped_wrapped_pyramid_sample_point(p, q.L, q.u, q.v, c);
    });
}
void BM_bilinear_float(benchmark::State& s) {
    RunSamples(s, kPyrColourFloat, [](const PyramidDescriptor* p, const Position& q, float* c) {
        get_unit_ramped_wrapped_pyramid_sample_point(p, q.L, q.u, q.v, c);
    });
}

BENCHMARK(BM_get_borked_8bit)->Arg(0)->Arg(1);
BENCHMARK(BM_get_borked_float)->Arg(0)->Arg(1);
BENCHMARK(BM_bilinear_8bit)->Arg(0)->Arg(1);
BENCHMARK(BM_bilinear_float)->Arg(0)->Arg(1);

// Rebuilding every smaller level of the large pyramids (arg: high quality),
// through the task engine on all cores (VORNESK_ACTIVE_PROCESSORS=1 for one).
void BM_paint_mipmap(benchmark::State& state, int64_t kind) {
    PyramidDescriptor* p = SharedPyramid(kind);
    p->highQuality = state.range(0);
    for (auto _ : state) paint_mipmap_of_pyramid(p);
    p->highQuality = 0;
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK_CAPTURE(BM_paint_mipmap, colour8, kPyrColour8)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_paint_mipmap, float, kPyrColourFloat)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
