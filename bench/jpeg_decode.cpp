// Time the JPEG decoder spends on streams whose frame claims far more than
// their body holds (30000 x 30000 over a 32 x 32 picture): stopped after the
// rows the receiver wants, and read to the end of a body without its end
// marker. Both should cost about as much as the small picture, not the frame.
#include <benchmark/benchmark.h>

#include <vector>

#include "files/jpeg_codec.h"
#include "tests/files/jpeg_test_support.h"

namespace {

using namespace jpegtest;

std::vector<uint8_t> LargeFrameOverSmallBody(bool withEnd) {
    std::vector<uint8_t> s = Encode(MakeTestPicture(32, 32), 80);
    for (size_t i = 0; i + 8 < s.size(); ++i)
        if (s[i] == 0xFF && s[i + 1] == 0xC0) {
            s[i + 5] = s[i + 7] = uint8_t(30000 >> 8);
            s[i + 6] = s[i + 8] = uint8_t(30000 & 255);
            break;
        }
    if (!withEnd) s.resize(s.size() - 2);
    return s;
}

void Decode(benchmark::State& state, const std::vector<uint8_t>& stream, long stopAfter) {
    char message[JMSG_LENGTH_MAX];
    for (auto _ : state) {
        Collected rows;
        rows.stopAfter = stopAfter;
        JPEGImageInfo info;
        benchmark::DoNotOptimize(
            DecompressJPEGRows(stream.data(), stream.size(), CollectRows, &rows, &info, message));
    }
}

void BM_LargeFrameFirstRows(benchmark::State& state) { Decode(state, LargeFrameOverSmallBody(true), 16); }
void BM_LargeFrameWithoutEnd(benchmark::State& state) { Decode(state, LargeFrameOverSmallBody(false), -1); }

}  // namespace

BENCHMARK(BM_LargeFrameFirstRows)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LargeFrameWithoutEnd)->Unit(benchmark::kMillisecond);
