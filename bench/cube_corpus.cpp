// Cutting a 16,384 x 12,288 horizontal cross (8-bit colour) into its six
// 4096 x 4096 face pyramids, each with all its smaller levels, on one
// processor and on all.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "platform/foundation_threads.h"
#include "pyramid/cube_corpus.h"
#include "pyramid/pyramid.h"
#include "records/data.h"

namespace {

constexpr int64_t kWidth = 16384, kHeight = 12288;

Data* SharedCross() {
    static std::unique_ptr<Data> data;
    if (!data) {
        data.reset(new Data{});
        for (PyramidDescriptor& p : data->pyramids) InitPyramidProcs(&p);
        PyramidDescriptor* input = &data->pyramids[kMainInputPyramid];
        if (TryToAllocatePyramid_2006(input, kWidth, kHeight, kPyrColour8, 0, 0) != 1) return nullptr;
        // A pattern in every tile of level 0.
        for (int64_t i = input->firstTile[0]; i <= input->lastTile[0]; ++i) {
            auto* bytes = static_cast<uint8_t*>(input->tiles[i].pixels);
            const int64_t n = BytesInTile(input, i);
            for (int64_t k = 0; k < n; ++k) bytes[k] = uint8_t(k * 31 + i);
        }
        input->mipmapState = 1;
    }
    return data.get();
}

// Arg 0: processors (0 for all the system has).
void BM_CutCross(benchmark::State& state) {
    if (state.range(0) > 0) setenv("VORNESK_ACTIVE_PROCESSORS", std::to_string(state.range(0)).c_str(), 1);
    else unsetenv("VORNESK_ACTIVE_PROCESSORS");
    Data* data = SharedCross();
    if (!data) {
        state.SkipWithError("no memory for the cross");
        return;
    }
    for (auto _ : state) {
        // Forget the key so that every iteration cuts anew.
        data->pyramids[kFirstCubeFacePyramid + 5].contentTag = 0;
        if (FillCubeCorpus(data, *CubeLayoutOfTag(kCubeTagHorizontalCross)) != kCubeCutDone) {
            state.SkipWithError("cut failed");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * 6 * (kWidth / 4) * (kHeight / 3));
    state.counters["processors"] = double(NSProcessInfo_activeProcessorCount());
    unsetenv("VORNESK_ACTIVE_PROCESSORS");
}
BENCHMARK(BM_CutCross)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace
