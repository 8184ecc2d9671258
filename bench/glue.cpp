// Pixels per second of the glue modes: one call per pixel over a row of
// varied colours, as the renderer's pixel writer makes them.
#include <benchmark/benchmark.h>

#include <vector>

#include "pyramid/glue.h"

namespace {

constexpr int kPixels = 4096;

struct Row {
  std::vector<float> a, b;
  Row() : a(4 * kPixels), b(4 * kPixels) {
    unsigned s = 12345;
    auto next = [&s] {
      s = s * 1664525u + 1013904223u;
      return (s >> 8) * (1.0f / 16777216.0f);
    };
    for (int i = 0; i < 4 * kPixels; ++i) {
      a[i] = next();
      b[i] = next();
    }
  }
};

void BM_Glue(benchmark::State& state) {
  static const Row row;
  const int mode = static_cast<int>(state.range(0));
  std::vector<float> z(4 * kPixels);
  for (auto _ : state) {
    for (int i = 0; i < kPixels; ++i) GlueAOverBYieldingC(&row.a[4 * i], &row.b[4 * i], &z[4 * i], mode);
    benchmark::DoNotOptimize(z.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kPixels);
  state.SetLabel(GlueCaption(mode));
}

}  // namespace

// normal, multiply, screen, soft light, vivid a, glow, north, color (Kyoto
// HSL), wax, frontal, parietal (CIELAB grids), anterior.
BENCHMARK(BM_Glue)->Arg(1)->Arg(9)->Arg(10)->Arg(27)->Arg(20)->Arg(64)->Arg(48)->Arg(15)->Arg(46)->Arg(53)->Arg(54)->Arg(60);
