// The globes' heavy steps on one thread: metaball samples per second, walked
// in Hilbert-sized squares as the colour pass walks them, with the ball
// cache and the square's sphere history and by brute force (every ball, from
// the ray's start); and the build of a 150-layer brick ball from the
// bundled Earth, bricks and plates, with and without colour diffusion.
#include <benchmark/benchmark.h>

#include <memory>

#include "pyramid/pyramid.h"
#include "records/TransformationReply.h"
#include "records/data.h"
#include "records/parameters.h"
#include "records/vort.h"
#include "records/work_area.h"
#include "render/globes/brick_globe.h"
#include "render/globes/globe_render.h"
#include "shell/defaults.h"
#include "tests/projections/earth_fixture.h"
#include "tests/render/globe_rig.h"

namespace {

void RunMetaball(benchmark::State& state, bool brute, int32_t percentage) {
    GlobeContextRig rig(395);
    vort* c = rig.context.get();
    c->percentageWord = percentage;
    c->angles[1] = 20.0f;
    rig.Prepare(brute);
    constexpr int kSide = 32, kSquares = 8;  // 256 x 256 samples over the view
    const double step = 2.2 / double(kSide * kSquares);
    int64_t samples = 0;
    for (auto _ : state) {
        for (int sy = 0; sy < kSquares; ++sy)
            for (int sx = 0; sx < kSquares; ++sx) {
                const double x0 = -1.1 + sx * kSide * step, y0 = -1.1 + sy * kSide * step;
                DoOncePerHilbertSquareSetup(c, x0 - step, y0 - step, x0 + kSide * step, y0 + kSide * step);
                for (int j = 0; j < kSide; ++j)
                    for (int i = 0; i < kSide; ++i) {
                        TransformationReply reply{};
                        float d[3];
                        benchmark::DoNotOptimize(c->globeMarch(c, 0, x0 + i * step, y0 + j * step, &reply, d));
                    }
                DestroyOncePerHilbertSquareSetup(c);
            }
        samples += int64_t(kSide * kSquares) * kSide * kSquares;
    }
    state.counters["samples/s"] = benchmark::Counter(double(samples), benchmark::Counter::kIsRate);
}

void BM_Metaball_Accelerated(benchmark::State& s) { RunMetaball(s, false, int32_t(s.range(0))); }
void BM_Metaball_BruteForce(benchmark::State& s) { RunMetaball(s, true, int32_t(s.range(0))); }

void BuildBall(benchmark::State& state, bool plates, bool diffuse) {
    std::unique_ptr<Data> data(new Data{});
    for (PyramidDescriptor& p : data->pyramids) InitPyramidProcs(&p);
    if (!LoadBundledEarth(&data->pyramids[kMainInputPyramid])) {
        state.SkipWithError("no bundled Earth");
        return;
    }
    data->filterRect = VRect{0, 0, 1024, 2048};
    std::unique_ptr<Parameters> params(new Parameters{});
    GrabDefaultSettings(params.get());
    params->lego_layers = 150;
    params->lego_plates = plates;
    params->lego_diffuse_colors = diffuse;
    params->legoBrickMask = 0xFFF;
    float table[400];
    const BrickPicture pic = BrickPictureOf(data.get(), params.get(), table);
    const BrickSettings set = BrickSettingsOf(params.get());
    tumbletype t;
    BrickTumble(&t, set.tumbleDegrees);
    int64_t cells = 0;
    for (auto _ : state) {
        LegoStructure ball{};
        CreateLegoBall(&ball, set.size, set.plates, set.dithering, set.colourSet);
        BuildLegoball(&ball, &pic, &t, false);
        cells += ball.nx * ball.ny * ball.nz;
        DestroyLegoBall(&ball);
    }
    state.counters["cells/s"] = benchmark::Counter(double(cells), benchmark::Counter::kIsRate);
    for (PyramidDescriptor& p : data->pyramids) DisposePyramidData(&p);
}

void BM_BrickBall150_Bricks(benchmark::State& s) { BuildBall(s, false, false); }
void BM_BrickBall150_BricksDiffused(benchmark::State& s) { BuildBall(s, false, true); }
void BM_BrickBall150_Plates(benchmark::State& s) { BuildBall(s, true, false); }

BENCHMARK(BM_Metaball_Accelerated)->Arg(33)->Arg(100)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Metaball_BruteForce)->Arg(33)->Arg(100)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BrickBall150_Bricks)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BrickBall150_BricksDiffused)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BrickBall150_Plates)->Unit(benchmark::kMillisecond);

}  // namespace
