#include "cli/document.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <new>
#include <system_error>
#include <thread>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define VORNESK_WIDE_LANES 1
#endif

#include "platform/cpu_features.h"
#include "platform/page_touch.h"
#include "cli/parallel_work.h"

double FullScale(int32_t depth) { return depth == 8 ? 255.0 : depth == 16 ? 32768.0 : 1.0; }

void SetUnitSample(HostDocument* doc, size_t i, double value) {
    if (doc->depth == 32) {
        float f = float(value);
        std::memcpy(&doc->samples[i * 4], &f, 4);
        return;
    }
    double full = FullScale(doc->depth);
    double v = std::clamp(std::nearbyint(value * full), 0.0, full);
    if (doc->depth == 8) {
        doc->samples[i] = uint8_t(v);
    } else {
        uint16_t s = uint16_t(v);
        std::memcpy(&doc->samples[i * 2], &s, 2);
    }
}

bool FitsInMemory(double bytes) {
    const long pages = sysconf(_SC_PHYS_PAGES), pageSize = sysconf(_SC_PAGE_SIZE);
    return pages <= 0 || pageSize <= 0 || bytes <= double(pages) * double(pageSize) / 2;
}

double LargestReadBuffer(const PictureReadLimits& limits) {
    if (limits.memory > 0) return limits.memory;
    const long pages = sysconf(_SC_PHYS_PAGES), pageSize = sysconf(_SC_PAGE_SIZE);
    return pages <= 0 || pageSize <= 0 ? 1e18 : double(pages) * double(pageSize) / 2;
}

bool PictureWithinLimits(const PictureReadLimits& limits, uint32_t width, uint32_t height, int planes, int depth,
                         std::string* error) {
    const std::string size = std::to_string(width) + " x " + std::to_string(height);
    if ((limits.width > 0 || limits.height > 0) &&
        (width != uint32_t(limits.width) || height != uint32_t(limits.height))) {
        *error = "the mask is " + size + ", the picture " + std::to_string(limits.width) + " x " +
                 std::to_string(limits.height);
        return false;
    }
    const double bytes = double(width) * height * planes * (depth / 8);
    if (limits.memory > 0 && bytes > limits.memory) {
        *error = "a " + size + " picture needs more memory than this read may take";
        return false;
    }
    return true;
}

bool PictureShapeAccepted(const PictureReadLimits& limits, uint32_t width, uint32_t height, int planes, int depth,
                          std::string* error) {
    return !limits.check || limits.check(width, height, planes, depth, error);
}

bool AllocateDocument(HostDocument* doc, int32_t width, int32_t height, int16_t colourPlanes, bool hasAlpha,
                      int32_t depth, std::string* error, bool zeroed) {
    // Pixel counts beyond 2^31 and sides beyond 2^30 are refused outright.
    if (width <= 0 || height <= 0 || width > (1 << 30) || height > (1 << 30) ||
        int64_t(width) * height > (int64_t(1) << 31)) {
        *error = "picture size " + std::to_string(width) + " x " + std::to_string(height) + " is not supported";
        return false;
    }
    const int64_t bytes = int64_t(width) * height * (colourPlanes + (hasAlpha ? 1 : 0)) * (depth / 8);
    if (!FitsInMemory(double(bytes))) {
        *error = "a " + std::to_string(width) + " x " + std::to_string(height) +
                 " picture needs more memory than this machine has";
        return false;
    }
    doc->width = width;
    doc->height = height;
    doc->colourPlanes = colourPlanes;
    doc->hasAlpha = hasAlpha;
    doc->depth = depth;
    doc->mask.clear();
    try {
        const size_t size = doc->SampleCount() * size_t(doc->BytesPerSample());
        doc->samples.clear();
        if (zeroed)
            doc->samples.assign(size, 0);
        else
            doc->samples.resize(size);
    } catch (const std::bad_alloc&) {
        doc->samples.clear();
        *error = "not enough memory for a " + std::to_string(width) + " x " + std::to_string(height) + " picture";
        return false;
    }
    return true;
}

namespace {

constexpr int32_t kResampleRowsPerBandAtLeast = 16;
constexpr int32_t kResampleBands = 32;  // enough to keep every processor busy

// Taps of a one-dimensional resampling from n to m samples.
struct Taps {
    std::vector<int32_t> first;    // first source index per target
    std::vector<int32_t> count;
    std::vector<size_t> offset;    // where each target's weights start
    std::vector<float> weights;
};

Taps MakeTaps(int32_t n, int32_t m) {
    Taps t;
    const double scale = double(n) / m;
    // A triangle one target pixel wide, at least one source pixel when enlarging.
    const double support = std::max(1.0, scale);
    auto weight = [&](int32_t j, double centre) { return std::max(0.0, 1.0 - std::fabs(j - centre) / support); };
    for (int32_t i = 0; i < m; ++i) {
        double centre = (i + 0.5) * scale - 0.5;
        int32_t lo = std::max(int32_t(std::floor(centre - support)) + 1, 0);
        int32_t hi = std::min(int32_t(std::ceil(centre + support)) - 1, n - 1);
        if (hi < lo) lo = hi = std::clamp(int32_t(std::lround(centre)), 0, n - 1);
        double sum = 0;
        for (int32_t j = lo; j <= hi; ++j) sum += weight(j, centre);
        t.first.push_back(lo);
        t.count.push_back(hi - lo + 1);
        t.offset.push_back(t.weights.size());
        for (int32_t j = lo; j <= hi; ++j) t.weights.push_back(float(sum > 0 ? weight(j, centre) / sum : 1.0 / (hi - lo + 1)));
    }
    return t;
}

#if defined(__SSE2__)
// Pixel x of one source row resampled across into `out`, for pixels of
// three or four planes: the planes side by side, each lane the scalar steps;
// a pixel of three planes reads one float past it, which the source row
// holds. With `whole`, a pixel of three planes is stored as four floats, the
// fourth on the next pixel's first plane, which is written after it.
template <int PLANES>
inline void AcrossPixel(const Taps& tx, int32_t x, const float* in, float* out, bool whole) {
    const float* w = &tx.weights[tx.offset[x]];
    const float* s = &in[size_t(tx.first[x]) * PLANES];
    const int32_t count = tx.count[x];
    __m128 sum;
    if (count >= 2 && count <= 4) {
        // Two to four taps unrolled: the same sums in the same order.
        sum = _mm_add_ps(_mm_setzero_ps(), _mm_mul_ps(_mm_set1_ps(w[0]), _mm_loadu_ps(s)));
        sum = _mm_add_ps(sum, _mm_mul_ps(_mm_set1_ps(w[1]), _mm_loadu_ps(s + PLANES)));
        if (count >= 3) sum = _mm_add_ps(sum, _mm_mul_ps(_mm_set1_ps(w[2]), _mm_loadu_ps(s + 2 * PLANES)));
        if (count == 4) sum = _mm_add_ps(sum, _mm_mul_ps(_mm_set1_ps(w[3]), _mm_loadu_ps(s + 3 * PLANES)));
    } else {
        sum = _mm_setzero_ps();
        for (int32_t k = 0; k < count; ++k, s += PLANES)
            sum = _mm_add_ps(sum, _mm_mul_ps(_mm_set1_ps(w[k]), _mm_loadu_ps(s)));
    }
    if (PLANES == 4 || whole) {
        _mm_storeu_ps(out, sum);
    } else {
        _mm_storel_pi(reinterpret_cast<__m64*>(out), sum);
        _mm_store_ss(out + 2, _mm_movehl_ps(sum, sum));
    }
}
#endif

#if defined(VORNESK_WIDE_LANES)
// AcrossPixel of every column, two pixels side by side in 256-bit lanes
// where both have the same two to four taps: each lane the steps of the
// 128-bit road, so the same sums.
template <int PLANES>
[[gnu::target("avx2")]] void ResampleAcrossWide(const Taps& tx, int32_t nw, const float* in, float* row) {
    int32_t x = 0;
    for (; x + 1 < nw; x += 2) {
        const int32_t count = tx.count[x];
        float* out = &row[size_t(x) * PLANES];
        if (count < 2 || count > 4 || tx.count[x + 1] != count) {
            AcrossPixel<PLANES>(tx, x, in, out, true);
            AcrossPixel<PLANES>(tx, x + 1, in, out + PLANES, x + 2 < nw);
            continue;
        }
        const float* wa = &tx.weights[tx.offset[x]];
        const float* wb = &tx.weights[tx.offset[x + 1]];
        const float* sa = &in[size_t(tx.first[x]) * PLANES];
        const float* sb = &in[size_t(tx.first[x + 1]) * PLANES];
        __m256 sum = _mm256_setzero_ps();
        for (int32_t k = 0; k < 4; ++k) {
            if (k == count) break;
            const __m256 w = _mm256_set_m128(_mm_set1_ps(wb[k]), _mm_set1_ps(wa[k]));
            const __m256 v = _mm256_set_m128(_mm_loadu_ps(sb + k * PLANES), _mm_loadu_ps(sa + k * PLANES));
            sum = _mm256_add_ps(sum, _mm256_mul_ps(w, v));
        }
        if constexpr (PLANES == 4) {
            _mm256_storeu_ps(out, sum);
        } else {
            _mm_storeu_ps(out, _mm256_castps256_ps128(sum));
            const __m128 second = _mm256_extractf128_ps(sum, 1);
            if (x + 2 < nw) {
                _mm_storeu_ps(out + 3, second);
            } else {
                _mm_storel_pi(reinterpret_cast<__m64*>(out + 3), second);
                _mm_store_ss(out + 5, _mm_movehl_ps(second, second));
            }
        }
    }
    if (x < nw) AcrossPixel<PLANES>(tx, x, in, &row[size_t(x) * PLANES], false);
}
#endif

// One source row resampled across into `row`: each target sample the
// weighted sum of its taps, added in tap order from zero. PLANES is the
// number of planes when it is 1 to 4, else 0 and `planes` tells. Only the
// target columns listed are made when there is a list.
template <int PLANES>
void ResampleAcross(const Taps& tx, int32_t nw, int planesGiven, const std::vector<int32_t>* only, const float* in,
                    float* row) {
#if defined(VORNESK_WIDE_LANES)
    if constexpr (PLANES == 3 || PLANES == 4) {
        if (!only && ProcessorHasWideLanes()) {
            ResampleAcrossWide<PLANES>(tx, nw, in, row);
            return;
        }
    }
#endif
    const int planes = PLANES ? PLANES : planesGiven;
    const int32_t n = only ? int32_t(only->size()) : nw;
    for (int32_t i = 0; i < n; ++i) {
        const int32_t x = only ? (*only)[size_t(i)] : i;
        float d[4] = {0.f, 0.f, 0.f, 0.f};
        float* out = &row[size_t(x) * planes];
        if (PLANES == 0)
            for (int p = 0; p < planes; ++p) out[p] = 0.f;
        const float* w = &tx.weights[tx.offset[x]];
        const float* s = &in[size_t(tx.first[x]) * planes];
#if defined(__SSE2__)
        if constexpr (PLANES == 3 || PLANES == 4) {
            AcrossPixel<PLANES>(tx, x, in, out, !only && i + 1 < n);
            continue;
        }
#endif
        for (int32_t k = 0; k < tx.count[x]; ++k, s += planes) {
            const float wgt = w[k];
            if (PLANES == 0)
                for (int p = 0; p < planes; ++p) out[p] += wgt * s[p];
            else
                for (int p = 0; p < PLANES; ++p) d[p] += wgt * s[p];
        }
        if (PLANES != 0)
            for (int p = 0; p < PLANES; ++p) out[p] = d[p];
    }
}

#if defined(VORNESK_WIDE_LANES)
template <int N>
[[gnu::target("avx2")]] void SumRowsWide(const float* const rows[4], const float w[4], size_t n, float* out) {
    const __m256 w0 = _mm256_set1_ps(w[0]), w1 = _mm256_set1_ps(w[1]), w2 = _mm256_set1_ps(w[2]),
                 w3 = _mm256_set1_ps(w[3]);
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        __m256 v = _mm256_add_ps(_mm256_setzero_ps(), _mm256_mul_ps(w0, _mm256_loadu_ps(rows[0] + i)));
        v = _mm256_add_ps(v, _mm256_mul_ps(w1, _mm256_loadu_ps(rows[1] + i)));
        if constexpr (N >= 3) v = _mm256_add_ps(v, _mm256_mul_ps(w2, _mm256_loadu_ps(rows[2] + i)));
        if constexpr (N >= 4) v = _mm256_add_ps(v, _mm256_mul_ps(w3, _mm256_loadu_ps(rows[3] + i)));
        _mm256_storeu_ps(out + i, v);
    }
    for (; i < n; ++i) {
        float v = (0.f + w[0] * rows[0][i]) + w[1] * rows[1][i];
        if constexpr (N >= 3) v += w[2] * rows[2][i];
        if constexpr (N >= 4) v += w[3] * rows[3][i];
        out[i] = v;
    }
}

// 8-bit samples as their quotients by 255 in single precision.
[[gnu::target("avx2")]] void Quotients8Wide(const uint8_t* in, size_t n, float* out) {
    const __m256 scale = _mm256_set1_ps(255.0f);
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256i v = _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(in + i)));
        _mm256_storeu_ps(out + i, _mm256_div_ps(_mm256_cvtepi32_ps(v), scale));
    }
    for (; i < n; ++i) out[i] = float(in[i]) / 255.0f;
}
#endif

// 8-bit samples as their quotients by 255 in single precision: for every
// byte the table's entry below, and vector instructions take it.
void Quotients8(const uint8_t* in, size_t n, float* out) {
#if defined(VORNESK_WIDE_LANES)
    if (ProcessorHasWideLanes()) {
        Quotients8Wide(in, n, out);
        return;
    }
#endif
    for (size_t i = 0; i < n; ++i) out[i] = float(in[i]) / 255.0f;
}

// out[i] = sum over k < N of w[k] * rows[k][i], added in order from zero.
template <int N>
void SumRows(const float* const rows[4], const float w[4], size_t n, float* out) {
#if defined(VORNESK_WIDE_LANES)
    if (ProcessorHasWideLanes()) {
        SumRowsWide<N>(rows, w, n, out);
        return;
    }
#endif
    const float* r0 = rows[0];
    const float* r1 = rows[1];
    const float* r2 = rows[2];
    const float* r3 = rows[3];
    const float w0 = w[0], w1 = w[1], w2 = w[2], w3 = w[3];
    for (size_t i = 0; i < n; ++i) {
        float v = (0.f + w0 * r0[i]) + w1 * r1[i];
        if constexpr (N >= 3) v += w2 * r2[i];
        if constexpr (N >= 4) v += w3 * r3[i];
        out[i] = v;
    }
}

// Resamples rows of `planes` floats from w x h to nw x nh: each target row
// from the source rows under its filter, each of those resampled across
// once and kept only while target rows still need it. `source(y, row,
// runs)` fills a source row, or only its pixels in the runs when there are
// runs; `target(y, row)` takes a finished one. Bands of target
// rows run on all processors, each with its own rows; the calls of `source`
// and `target` may therefore come at once from several threads, for
// different rows. With a list of target columns only those are made.
template <class SourceRow, class TargetRow>
void Resample(int32_t w, int32_t h, int planes, int32_t nw, int32_t nh, SourceRow source, TargetRow target,
              const std::vector<int32_t>* onlyColumns = nullptr) {
    const Taps tx = MakeTaps(w, nw), ty = MakeTaps(h, nh);
    const size_t across = size_t(nw) * planes;
    // With a list of target columns, the source pixels their taps reach, as
    // runs [first, end): only those are read.
    std::vector<std::pair<int32_t, int32_t>> runs;
    if (onlyColumns) {
        std::vector<uint8_t> reached(size_t(std::max(w, 0)), 0);
        for (const int32_t x : *onlyColumns)
            for (int32_t k = 0; k < tx.count[x]; ++k) reached[size_t(tx.first[x] + k)] = 1;
        for (int32_t i = 0; i < w;) {
            if (!reached[size_t(i)]) {
                ++i;
                continue;
            }
            int32_t end = i;
            while (end < w && reached[size_t(end)]) ++end;
            runs.emplace_back(i, end);
            i = end;
        }
    }
    const std::vector<std::pair<int32_t, int32_t>>* sourceRuns = onlyColumns ? &runs : nullptr;
    auto resampleAcross = planes == 1   ? ResampleAcross<1>
                          : planes == 2 ? ResampleAcross<2>
                          : planes == 3 ? ResampleAcross<3>
                          : planes == 4 ? ResampleAcross<4>
                                        : ResampleAcross<0>;
    auto band = [&](int32_t firstTarget, int32_t endTarget) {
        // One float more than the row: the last pixel of three planes is read four at a time.
        std::vector<float> in(size_t(w) * planes + 1), out(across);
        // Source rows first, first + 1, ... resampled across, in a ring of
        // rows reused as the window moves down.
        int32_t most = 1;
        for (int32_t y = firstTarget; y < endTarget; ++y) most = std::max(most, ty.count[y]);
        std::vector<std::vector<float>> ring(static_cast<size_t>(most), std::vector<float>(across));
        int32_t first = 0, held = 0;
        for (int32_t y = firstTarget; y < endTarget; ++y) {
            const int32_t lo = ty.first[y], hi = lo + ty.count[y] - 1;
            if (held == 0 || lo >= first + held) {
                first = lo;
                held = 0;
            } else if (first < lo) {
                held -= lo - first;
                first = lo;
            }
            while (first + held <= hi) {
                source(first + held, in.data(), sourceRuns);
                resampleAcross(tx, nw, planes, onlyColumns, in.data(), ring[size_t((first + held) % most)].data());
                ++held;
            }
            float* o = out.data();
            const float* wy = &ty.weights[ty.offset[y]];
            if (!onlyColumns && ty.count[y] >= 2 && ty.count[y] <= 4) {
                // Two to four rows in one pass: each sample the same sum, in
                // the same order, as the passes below make it.
                const float* r[4];
                float wk[4];
                for (int32_t k = 0; k < 4; ++k) {
                    const int32_t kk = std::min(k, ty.count[y] - 1);
                    r[k] = ring[size_t((lo + kk) % most)].data();
                    wk[k] = wy[kk];
                }
                if (ty.count[y] == 4)
                    SumRows<4>(r, wk, across, o);
                else if (ty.count[y] == 3)
                    SumRows<3>(r, wk, across, o);
                else
                    SumRows<2>(r, wk, across, o);
                target(y, o);
                continue;
            }
            std::fill(out.begin(), out.end(), 0.f);
            for (int32_t k = 0; k < ty.count[y]; ++k) {
                const float wgt = wy[k];
                const float* r = ring[size_t((lo + k) % most)].data();
                if (onlyColumns) {
                    for (const int32_t x : *onlyColumns)
                        for (size_t i = size_t(x) * planes; i < size_t(x + 1) * planes; ++i) o[i] += wgt * r[i];
                } else {
                    for (size_t i = 0; i < across; ++i) o[i] += wgt * r[i];
                }
            }
            target(y, out.data());
        }
    };
    // A band's first rows share source rows with the band before: a few
    // source rows are resampled across twice.
    const int32_t bands = std::clamp(nh / kResampleRowsPerBandAtLeast, 1, kResampleBands);
    std::atomic<bool> outOfMemory{false};
    RunOnAllProcessors(bands, [&](int32_t b) {
        try {
            band(int32_t(int64_t(nh) * b / bands), int32_t(int64_t(nh) * (b + 1) / bands));
        } catch (const std::bad_alloc&) {
            outOfMemory = true;
        }
    });
    if (outOfMemory) throw std::bad_alloc();
}

// An 8-bit sample from 0..1 as SetUnitSample stores it: rounded to the
// nearest step, ties to even, and limited to 0..255.
inline uint8_t Stored8(float value) {
    // Limited first, which changes nothing after rounding; then adding and
    // taking away 2^52 rounds to an integer exactly as nearbyint does.
    const double v = std::min(std::max(double(value) * 255.0, 0.0), 255.0);
    return uint8_t((v + 0x1p52) - 0x1p52);
}

#if defined(VORNESK_WIDE_LANES)
// Stored8 of four samples, as 32-bit integers.
[[gnu::target("avx2")]] inline __m128i Stored8Four(__m128 f) {
    __m256d v = _mm256_mul_pd(_mm256_cvtps_pd(f), _mm256_set1_pd(255.0));
    v = _mm256_min_pd(_mm256_max_pd(v, _mm256_setzero_pd()), _mm256_set1_pd(255.0));
    const __m256d round = _mm256_set1_pd(0x1p52);
    return _mm256_cvttpd_epi32(_mm256_sub_pd(_mm256_add_pd(v, round), round));
}

[[gnu::target("avx2")]] void Store8RowWide(const float* row, size_t n, uint8_t* to) {
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256 f = _mm256_loadu_ps(row + i);
        const __m128i q = _mm_packs_epi32(Stored8Four(_mm256_castps256_ps128(f)), Stored8Four(_mm256_extractf128_ps(f, 1)));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(to + i), _mm_packus_epi16(q, _mm_setzero_si128()));
    }
    for (; i < n; ++i) to[i] = Stored8(row[i]);
}
#endif

// Stored8 of n samples, four or eight at a time in vector lanes where the
// processor has them: the same steps in double precision, so the same bytes.
void Store8Row(const float* row, size_t n, uint8_t* to) {
#if defined(VORNESK_WIDE_LANES)
    if (ProcessorHasWideLanes()) {
        Store8RowWide(row, n, to);
        return;
    }
#endif
    size_t i = 0;
#if defined(__SSE2__)
    const __m128d scale = _mm_set1_pd(255.0), zero = _mm_setzero_pd(), top = _mm_set1_pd(255.0),
                  round = _mm_set1_pd(0x1p52);
    auto two = [&](__m128 f) {
        __m128d v = _mm_mul_pd(_mm_cvtps_pd(f), scale);
        v = _mm_min_pd(_mm_max_pd(v, zero), top);
        return _mm_cvttpd_epi32(_mm_sub_pd(_mm_add_pd(v, round), round));
    };
    for (; i + 4 <= n; i += 4) {
        const __m128 f = _mm_loadu_ps(row + i);
        const __m128i q = _mm_unpacklo_epi64(two(f), two(_mm_movehl_ps(f, f)));
        const __m128i b = _mm_packus_epi16(_mm_packs_epi32(q, q), _mm_setzero_si128());
        const uint32_t word = uint32_t(_mm_cvtsi128_si32(b));
        std::memcpy(to + i, &word, 4);
    }
#endif
    for (; i < n; ++i) to[i] = Stored8(row[i]);
}

}  // namespace

namespace {

// The resize of ResizeRows into the width x height block of `out` (of the
// shape's kind, already allocated) whose top left pixel is (x0, y0).
bool ResizeRowsInto(const HostDocument& shape, const std::function<const uint8_t*(int32_t)>& rowOf, int32_t width,
                    int32_t height, HostDocument& out, int32_t x0, int32_t y0, std::string* error,
                    const std::vector<int32_t>* onlyColumns) {
    {
        const int planes = shape.Planes(), colour = shape.colourPlanes, bytes = shape.BytesPerSample();
        const bool alpha = shape.hasAlpha;
        // 8-bit samples as 0..1, looked up rather than divided each time;
        // the others as GetUnitSample reads them.
        float unit8[256];
        for (int b = 0; b < 256; ++b) unit8[b] = float(b / 255.0);
        auto unit = [&](const uint8_t* row, size_t i) {
            if (bytes == 1) return unit8[row[i]];
            if (bytes == 2) {
                uint16_t v;
                std::memcpy(&v, row + i * 2, 2);
                return float(v / 32768.0);
            }
            float f;
            std::memcpy(&f, row + i * 4, 4);
            return f;
        };
        std::atomic<bool> unreadable{false};
        // Colour is resampled multiplied by alpha, so transparent pixels add nothing.
        Resample(shape.width, shape.height, planes, width, height,
                 [&](int32_t y, float* row, const std::vector<std::pair<int32_t, int32_t>>* runs) {
                     const uint8_t* in = rowOf(y);
                     const size_t samples = size_t(shape.width) * planes;
                     if (!in) {
                         unreadable = true;
                         std::fill(row, row + samples, 0.f);
                         return;
                     }
                     const std::pair<int32_t, int32_t> whole{0, shape.width};
                     const auto* first = runs ? runs->data() : &whole;
                     const auto* end = runs ? runs->data() + runs->size() : &whole + 1;
                     if (bytes == 1 && !alpha) {
                         for (const auto* run = first; run != end; ++run) {
                             const size_t at = size_t(run->first) * planes;
                             Quotients8(in + at, size_t(run->second - run->first) * planes, row + at);
                         }
                         return;
                     }
                     for (const auto* run = first; run != end; ++run) {
                         for (int32_t x = run->first; x < run->second; ++x) {
                             const size_t i = size_t(x) * planes;
                             const float a = alpha ? unit(in, i + colour) : 1.f;
                             for (int p = 0; p < planes; ++p) {
                                 const float v = unit(in, i + p);
                                 row[i + p] = p < colour ? v * a : v;
                             }
                         }
                     }
                 },
                 [&](int32_t y, const float* row) {
                     const size_t at = size_t(y0 + y) * size_t(out.width) + size_t(x0);
                     if (out.depth == 8 && !alpha && !onlyColumns) {
                         uint8_t* to = &out.samples[at * planes];
                         Store8Row(row, size_t(width) * planes, to);
                         return;
                     }
                     const int32_t n = onlyColumns ? int32_t(onlyColumns->size()) : width;
                     for (int32_t i = 0; i < n; ++i) {
                         const int32_t x = onlyColumns ? (*onlyColumns)[size_t(i)] : i;
                         const float* px = row + size_t(x) * planes;
                         const float a = alpha ? px[colour] : 1.f;
                         for (int p = 0; p < planes; ++p) {
                             float v = px[p];
                             if (p < colour && alpha) v = a > 1e-6f ? v / a : 0.f;
                             SetUnitSample(&out, (at + x) * planes + p, v);
                         }
                     }
                 },
                 onlyColumns);
        if (unreadable) {
            *error = "the picture's data cannot be read";
            return false;
        }
        return true;
    }
}

}  // namespace

bool ResizeRows(const HostDocument& shape, const std::function<const uint8_t*(int32_t)>& rowOf, int32_t width,
                int32_t height, HostDocument* resized, std::string* error, const std::vector<int32_t>* onlyColumns) {
    try {
        HostDocument out;
        // Every target row is written.
        if (!AllocateDocument(&out, width, height, shape.colourPlanes, shape.hasAlpha, shape.depth, error, false))
            return false;
        PrefaultForWriting(out.samples.data(), out.samples.size());
        if (!ResizeRowsInto(shape, rowOf, width, height, out, 0, 0, error, onlyColumns)) return false;
        *resized = std::move(out);
        return true;
    } catch (const std::bad_alloc&) {
        *error = "not enough memory to resize the picture to " + std::to_string(width) + " x " + std::to_string(height);
        return false;
    }
}

bool ResizeDocument(HostDocument* doc, int32_t width, int32_t height, std::string* error) {
    if (width == doc->width && height == doc->height) return true;
    try {
        HostDocument out;
        const size_t rowBytes = size_t(doc->width) * doc->Planes() * doc->BytesPerSample();
        if (!ResizeRows(*doc, [&](int32_t y) { return &doc->samples[size_t(y) * rowBytes]; }, width, height, &out,
                        error))
            return false;
        if (!doc->mask.empty()) {
            out.mask.resize(size_t(width) * height);
            Resample(doc->width, doc->height, 1, width, height,
                     [&](int32_t y, float* row, const std::vector<std::pair<int32_t, int32_t>>*) {
                         for (int32_t x = 0; x < doc->width; ++x) row[x] = doc->mask[size_t(y) * doc->width + x];
                     },
                     [&](int32_t y, const float* row) {
                         for (int32_t x = 0; x < width; ++x)
                             out.mask[size_t(y) * width + x] = uint8_t(std::clamp(std::lround(row[x]), 0L, 255L));
                     });
        }
        // The large picture's pages are given back on a thread of their own
        // while the caller goes on with the small one.
        SampleBytes old = std::move(doc->samples);
        *doc = std::move(out);
        try {
            std::thread([](SampleBytes) {}, std::move(old)).detach();
        } catch (const std::system_error&) {
        }
        return true;
    } catch (const std::bad_alloc&) {
        *error = "not enough memory to resize the picture to " + std::to_string(width) + " x " + std::to_string(height);
        return false;
    }
}

bool ResizeCubeCells(HostDocument* doc, int32_t width, int32_t height, int32_t columns, int32_t rows,
                     std::string* error) {
    if (width == doc->width && height == doc->height) return true;
    const int32_t n = doc->width / columns, m = doc->height / rows, tn = width / columns, tm = height / rows;
    // Too small to cut on either side: the plug-in says so.
    if (n < 1 || m < 1 || tn < 1 || tm < 1) return ResizeDocument(doc, width, height, error);
    const int planes = doc->Planes();
    const size_t pixelBytes = size_t(planes) * doc->BytesPerSample(), rowBytes = size_t(doc->width) * pixelBytes;
    HostDocument shape;
    shape.width = n;
    shape.height = m;
    shape.colourPlanes = doc->colourPlanes;
    shape.hasAlpha = doc->hasAlpha;
    shape.depth = doc->depth;
    const auto cellRows = [&](int32_t r, int32_t c) {
        const size_t x0 = size_t(int64_t(c) * doc->width / columns), y0 = size_t(int64_t(r) * doc->height / rows);
        return [&, x0, y0](int32_t y) { return &doc->samples[(y0 + size_t(y)) * rowBytes + x0 * pixelBytes]; };
    };
    // Without a selection and with cells as tall as their rows, the columns
    // between cells, which no face reads, are resampled from the whole
    // picture, and each cell from its own pixels straight into its place.
    if (doc->mask.empty() && height % rows == 0) {
        std::vector<int32_t> between;
        for (int32_t c = 0; c < columns; ++c) {
            const int32_t end = c + 1 < columns ? int32_t(int64_t(c + 1) * width / columns) : width;
            for (int32_t x = int32_t(int64_t(c) * width / columns) + tn; x < end; ++x) between.push_back(x);
        }
        HostDocument out;
        try {
            if (!AllocateDocument(&out, width, height, doc->colourPlanes, doc->hasAlpha, doc->depth, error, false))
                return false;
            PrefaultForWriting(out.samples.data(), out.samples.size());
            if (!between.empty() &&
                !ResizeRowsInto(*doc, [&](int32_t y) { return &doc->samples[size_t(y) * rowBytes]; }, width, height,
                                out, 0, 0, error, &between))
                return false;
            for (int32_t r = 0; r < rows; ++r)
                for (int32_t c = 0; c < columns; ++c)
                    if (!ResizeRowsInto(shape, cellRows(r, c), tn, tm, out, int32_t(int64_t(c) * width / columns),
                                        int32_t(int64_t(r) * height / rows), error, nullptr))
                        return false;
        } catch (const std::bad_alloc&) {
            *error = "not enough memory to resize the picture to " + std::to_string(width) + " x " +
                     std::to_string(height);
            return false;
        }
        *doc = std::move(out);
        return true;
    }
    // Otherwise the whole picture resized gives the pixels between cells and
    // the selection; each cell, resized from its own pixels before the
    // picture changes, then goes in its place.
    std::vector<HostDocument> cells(size_t(columns) * rows);
    for (int32_t r = 0; r < rows; ++r)
        for (int32_t c = 0; c < columns; ++c)
            if (!ResizeRows(shape, cellRows(r, c), tn, tm, &cells[size_t(r) * columns + c], error)) return false;
    if (!ResizeDocument(doc, width, height, error)) return false;
    const size_t toRowBytes = size_t(width) * pixelBytes, cellRowBytes = size_t(tn) * pixelBytes;
    for (int32_t r = 0; r < rows; ++r)
        for (int32_t c = 0; c < columns; ++c) {
            const HostDocument& cell = cells[size_t(r) * columns + c];
            const size_t x0 = size_t(int64_t(c) * width / columns), y0 = size_t(int64_t(r) * height / rows);
            for (int32_t y = 0; y < tm; ++y)
                std::memcpy(&doc->samples[(y0 + size_t(y)) * toRowBytes + x0 * pixelBytes],
                            &cell.samples[size_t(y) * cellRowBytes], cellRowBytes);
        }
    return true;
}

PictureSize PictureSizeForResult(int32_t width, int32_t height, int32_t resultWidth, int32_t resultHeight,
                                 PictureReduction reduction, int32_t columns, int32_t rows) {
    const PictureSize own{width, height};
    if (width < 1 || height < 1 || resultWidth < 1 || resultHeight < 1 || reduction == PictureReduction::None)
        return own;
    if (reduction == PictureReduction::CubeFaces) {
        if (columns < 1 || rows < 1) return own;
        const int32_t face = std::min(width / columns, height / rows);
        const int32_t wanted = std::max(resultWidth, resultHeight);
        if (face <= wanted) return own;
        return PictureSize{columns * wanted, rows * wanted};
    }
    const double across = double(resultWidth) / width, down = double(resultHeight) / height;
    if (across >= 1.0 || down >= 1.0) return own;
    if (across >= down)
        return PictureSize{resultWidth, std::max(resultHeight, int32_t(std::lround(height * across)))};
    return PictureSize{std::max(resultWidth, int32_t(std::lround(width * down))), resultHeight};
}
