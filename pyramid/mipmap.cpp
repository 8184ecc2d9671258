#include "pyramid/mipmap.h"

#include <algorithm>
#include <climits>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/foundation_threads.h"
#include "pyramid/image_fill.h"
#include "pyramid/pixels.h"
#include "pyramid/sampling.h"
#include "engine/task_engine_globals.h"
#include "engine/task_records.h"
#include "engine/task_runner.h"

namespace {

// The 6 x 6 reduction weights: (1, 16, 64, 64, 16, 1) / 4 in each direction,
// corners left out; they sum to 1640.
constexpr int64_t kReduceWeights[6][6] = {
    {0, 1, 4, 4, 1, 0},     {1, 16, 64, 64, 16, 1}, {4, 64, 256, 256, 64, 4},
    {4, 64, 256, 256, 64, 4}, {1, 16, 64, 64, 16, 1}, {0, 1, 4, 4, 1, 0},
};
constexpr int64_t kReduceTotal = 1640;
// Offsets of the high-quality samples around a pixel, in pixels of level L+1.
constexpr float kReduceOffsets[6] = {-0.75f, -0.25f, 0.25f, 0.75f, 1.25f, 1.75f};

// Integer results are rounded: truncating every level would darken each one
// by half a step on average.
inline int64_t ReduceInteger(int64_t sum, int64_t max) {
    const int64_t v = (sum + kReduceTotal / 2) / kReduceTotal;
    return v < 0 ? 0 : (v > max ? max : v);
}

inline float ClampFloat(float v, float max) { return v > 0.0f ? (v < max ? v : max) : 0.0f; }

// The rectangle cut to level L + 1.
VRect CutToNextLevel(const PyramidDescriptor* pyr, int64_t L, VRect r) {
    if (r.top < 0) r.top = 0;
    if (r.left < 0) r.left = 0;
    if (r.bottom > pyr->height[L + 1]) r.bottom = static_cast<int32_t>(pyr->height[L + 1]);
    if (r.right > pyr->width[L + 1]) r.right = static_cast<int32_t>(pyr->width[L + 1]);
    return r;
}

inline bool CanReduce(const PyramidDescriptor* pyr, int64_t L) {
    return pyr && pyr->tiles && L >= 0 && L < pyr->topLevel;
}

// Weighted 6 x 6 sums of N components for output pixel (x, y): straight from
// the tile inside it, through `read` (edge rule or clamp) at its borders.
template <int N, class P, class Acc, class Comp, class Read>
inline void Sum6x6(const PyramidDescriptor* pyr, int64_t L, int64_t x, int64_t y, Acc acc[N], Comp comp,
                   Read read) {
    P pix[36];
    const int64_t x0 = 2 * x - 2, y0 = 2 * y - 2;
    if (pyr_block_in_one_tile<6>(pyr, L, x0, y0)) {
        pyr_fetch_block_from_tile<6>(pyr, L, x0, y0, pix);
    } else {
        for (int r = 0; r < 6; ++r)
            for (int c = 0; c < 6; ++c)
                if (kReduceWeights[r][c]) pix[r * 6 + c] = read(x0 + c, y0 + r);
    }
    for (int k = 0; k < N; ++k) acc[k] = 0;
    for (int r = 0; r < 6; ++r)
        for (int c = 0; c < 6; ++c) {
            const int64_t w = kReduceWeights[r][c];
            if (!w) continue;
            for (int k = 0; k < N; ++k) acc[k] += static_cast<Acc>(w) * comp(pix[r * 6 + c], k);
        }
}

using Shorts4 = PyrShorts4;
using Floats4 = PyrFloats4;

template <class F>
void ForEachPixel(const VRect& r, F f) {
    for (int64_t y = r.top; y < r.bottom; ++y)
        for (int64_t x = r.left; x < r.right; ++x) f(x, y);
}

// Runs one reduction job over the whole of level L + 1: the task engine cuts
// it into 128-pixel squares and runs them on all cores; the level is complete
// when it returns. Off the main thread, where the engine cannot run a job, the
// squares run here one after the other.
void RunReductionJob(PyramidDescriptor* pyr, int64_t L, int64_t taskCode) {
    if (!CanReduce(pyr, L)) return;
    const VRect whole{0, 0, static_cast<int32_t>(pyr->height[L + 1]), static_cast<int32_t>(pyr->width[L + 1])};
    if (NSThread_isMainThread()) {
        TaskGuidance guidance;
        initTaskGuidance(&guidance);
        guidance.source = pyr;
        guidance.level = L;
        guidance.jobRect = whole;
        guidance.blur = 1.0f;
        RunTiles(taskCode, 0, &guidance, StandardTaskWork(), nullptr);
        return;
    }
    constexpr int32_t kSquare = 128;
    for (int32_t top = 0; top < whole.bottom; top += kSquare)
        for (int32_t left = 0; left < whole.right; left += kSquare) {
            const VRect r{top, left, top + kSquare, left + kSquare};  // cut to the level by the task
            if (taskCode == kPurposeReduceLevelHighQuality) UpdateNextSmallerLevel_high_quality_core(pyr, L, r);
            else UpdateNextSmallerLevel_core(pyr, L, r);
        }
}

int64_t ReductionTask(const PyramidDescriptor* pyr) {
    return pyr->highQuality ? kPurposeReduceLevelHighQuality : kPurposeReduceLevel;
}

// The standard reduction of a four-component integer kind over rect of
// level L + 1, each component rounded and limited to max.
template <class P, class Comp>
void ReduceFourIntegers(PyramidDescriptor* pyr, int64_t L, const VRect& r, int64_t max, Comp comp) {
    ForEachPixel(r, [&](int64_t x, int64_t y) {
        int64_t s[4];
        Sum6x6<4, P>(pyr, L, x, y, s, comp, [&](int64_t i, int64_t j) { return pyr_read_with_edge_rule<P>(i, j, pyr, L); });
        set_pyramid_sample_pointColor(x, y, pyr, L + 1, ReduceInteger(s[0], max), ReduceInteger(s[1], max),
                                      ReduceInteger(s[2], max), ReduceInteger(s[3], max));
    });
}

// The standard reduction of 8-bit colour, worked out row by row. The
// weights are the outer product of (1, 16, 64, 64, 16, 1) over 16 with the
// corners left out, so each sum is the full product, less the corners' own
// share, over 16, exactly. A pixel's four components are spread into the
// 16-bit lanes of one 64-bit word, in which whole rows are summed across
// (at most 162 x 255 per lane); the sums down the six rows are taken in two
// words of 32-bit lanes. Each level-L row is read and summed across once for
// the three rows of L + 1 that use it.
constexpr int64_t kReduceChunk = 128;               // pixels of L + 1 at a time
constexpr uint64_t kLanes16 = 0x00FF00FF00FF00FFull;
constexpr uint64_t kLanes32 = 0x0000FFFF0000FFFFull;
constexpr uint64_t kTaps6[6] = {1, 16, 64, 64, 16, 1};

inline uint64_t SpreadComponents(uint32_t p) {
    uint64_t v = p;
    v = (v | (v << 16)) & kLanes32;
    return (v | (v << 8)) & kLanes16;
}

void ReduceColour8(PyramidDescriptor* pyr, int64_t L, const VRect& r) {
    uint64_t spread[6][2 * kReduceChunk + 4];
    uint64_t across[6][kReduceChunk];
    const int64_t maxX = pyr->maxX[L], maxY = pyr->maxY[L];
    // The rectangle lies inside level L + 1: pixels go straight into its
    // tiles when it has them.
    [[maybe_unused]] const bool writable = pyr_accessible(pyr, L + 1, 4) && pyr->bytesPerPixel == 4 && r.left >= 0 &&
                                           r.top >= 0 && r.right <= pyr->maxX[L + 1] + 1 &&
                                           r.bottom <= pyr->maxY[L + 1] + 1;
    for (int64_t left = r.left; left < r.right; left += kReduceChunk) {
        const int64_t n = std::min<int64_t>(kReduceChunk, r.right - left);
        // Level-L row j into its place in the ring of six: spread, then summed across.
        auto sumRow = [&](int64_t j) {
            uint64_t* row = spread[((j % 6) + 6) % 6];
            const int64_t first = 2 * left - 2;
            const uint8_t* at = nullptr;
            for (int64_t t = 0; t < 2 * n + 4; ++t) {
                const int64_t i = first + t;
                uint32_t p;
                if (i < 0 || i > maxX || j < 0 || j > maxY) {
                    p = pyr_read_with_edge_rule<uint32_t>(i, j, pyr, L);
                    at = nullptr;
                } else {
                    if (!at || (i & (kTileSide - 1)) == 0) at = pyr_pixel_address(pyr, L, i, j, 4);
                    std::memcpy(&p, at, 4);
                    at += 4;
                }
                row[t] = SpreadComponents(p);
            }
            uint64_t* sums = across[((j % 6) + 6) % 6];
            for (int64_t x = 0; x < n; ++x) {
                const uint64_t* s = &row[2 * x];
                sums[x] = s[0] + 16 * s[1] + 64 * s[2] + 64 * s[3] + 16 * s[4] + s[5];
            }
        };
        int64_t nextRow = INT64_MIN;
        for (int64_t y = r.top; y < r.bottom; ++y) {
            const int64_t top = 2 * y - 2;
            for (int64_t j = std::max(top, nextRow); j < top + 6; ++j) sumRow(j);
            nextRow = top + 6;
            const uint64_t* h[6];
            for (int k = 0; k < 6; ++k) h[k] = across[(((top + k) % 6) + 6) % 6];
            const uint64_t* topRow = spread[((top % 6) + 6) % 6];
            const uint64_t* bottomRow = spread[(((top + 5) % 6) + 6) % 6];
            int64_t x = 0;
#if defined(__SSE2__)
            // Two pixels at a time in 32-bit lanes, stored straight into the
            // level's tiles: the same integer sums, and the rounded quotient
            // by 1640 taken in single precision, which gives it exactly for
            // every sum up to 1640 x 255 (half a step above the sum keeps the
            // product clear of whole numbers by far more than its error).
            if (writable) {
                const __m128i zero = _mm_setzero_si128();
                const __m128 bias = _mm_set1_ps(float(kReduceTotal / 2) + 0.5f);
                const __m128 inverse = _mm_set1_ps(1.0f / kReduceTotal);
                const __m128i top255 = _mm_set1_epi32(255);
                auto load2 = [](const uint64_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); };
                auto reduce = [&](__m128i sum, __m128i corners) {
                    const __m128i c = _mm_srli_epi32(_mm_sub_epi32(sum, corners), 4);
                    const __m128i q = _mm_cvttps_epi32(_mm_mul_ps(_mm_add_ps(_mm_cvtepi32_ps(c), bias), inverse));
                    // min(q, 255) for lanes that are never negative
                    const __m128i over = _mm_cmpgt_epi32(q, top255);
                    return _mm_or_si128(_mm_andnot_si128(over, q), _mm_and_si128(over, top255));
                };
                for (; x + 1 < n; x += 2) {
                    __m128i lo[6], hi[6];
                    for (int k = 0; k < 6; ++k) {
                        const __m128i v = load2(&h[k][x]);
                        lo[k] = _mm_unpacklo_epi16(v, zero);
                        hi[k] = _mm_unpackhi_epi16(v, zero);
                    }
                    // Taps 1, 16, 64, 64, 16, 1 down the six rows.
                    auto weighted = [](const __m128i* a) {
                        const __m128i outer = _mm_add_epi32(a[0], a[5]);
                        const __m128i middle = _mm_slli_epi32(_mm_add_epi32(a[1], a[4]), 4);
                        const __m128i inner = _mm_slli_epi32(_mm_add_epi32(a[2], a[3]), 6);
                        return _mm_add_epi32(_mm_add_epi32(outer, middle), inner);
                    };
                    const __m128i corners = _mm_add_epi16(
                        _mm_add_epi16(_mm_set_epi64x(int64_t(topRow[2 * x + 2]), int64_t(topRow[2 * x])),
                                      _mm_set_epi64x(int64_t(topRow[2 * x + 7]), int64_t(topRow[2 * x + 5]))),
                        _mm_add_epi16(_mm_set_epi64x(int64_t(bottomRow[2 * x + 2]), int64_t(bottomRow[2 * x])),
                                      _mm_set_epi64x(int64_t(bottomRow[2 * x + 7]), int64_t(bottomRow[2 * x + 5]))));
                    const __m128i q = _mm_packs_epi32(reduce(weighted(lo), _mm_unpacklo_epi16(corners, zero)),
                                                      reduce(weighted(hi), _mm_unpackhi_epi16(corners, zero)));
                    const uint64_t both = uint64_t(_mm_cvtsi128_si64(_mm_packus_epi16(q, q)));
                    const int64_t px = left + x;
                    if ((px & (kTileSide - 1)) != kTileSide - 1) {
                        std::memcpy(pyr_pixel_address(pyr, L + 1, px, y, 4), &both, 8);
                    } else {
                        const uint32_t first = uint32_t(both), second = uint32_t(both >> 32);
                        std::memcpy(pyr_pixel_address(pyr, L + 1, px, y, 4), &first, 4);
                        std::memcpy(pyr_pixel_address(pyr, L + 1, px + 1, y, 4), &second, 4);
                    }
                }
            }
#endif
            for (; x < n; ++x) {
                uint64_t even = 0, odd = 0;  // components 3 and 1; 2 and 0
                for (int k = 0; k < 6; ++k) {
                    even += kTaps6[k] * (h[k][x] & kLanes32);
                    odd += kTaps6[k] * ((h[k][x] >> 16) & kLanes32);
                }
                const uint64_t corners = topRow[2 * x] + topRow[2 * x + 5] + bottomRow[2 * x] + bottomRow[2 * x + 5];
                even -= corners & kLanes32;
                odd -= (corners >> 16) & kLanes32;
                const int64_t c0 = int64_t(odd >> 32) / 16, c1 = int64_t(even >> 32) / 16;
                const int64_t c2 = int64_t(odd & 0xFFFFFFFFu) / 16, c3 = int64_t(even & 0xFFFFFFFFu) / 16;
                set_pyramid_sample_pointColor(left + x, y, pyr, L + 1, ReduceInteger(c0, 255), ReduceInteger(c1, 255),
                                              ReduceInteger(c2, 255), ReduceInteger(c3, 255));
            }
        }
    }
}

// ------------------------------------------------------------ the one pass

// Pixels lo..hi - 1 of a level along one axis.
struct AxisSpan {
    int64_t lo = 0, hi = 0;
    bool empty() const { return hi <= lo; }
};

// What block b (along one axis, of size[] and maxIndex[] per level) works out
// itself at each level 1..top: its own pixels of level 1 whole; of level
// L + 1 those whose footprint 2x - 2 .. 2x + 3 lies in its span of level L
// and inside level L, so that no edge rule is met.
void BlockSpans(const int64_t* size, const int64_t* maxIndex, int64_t top, int64_t b, AxisSpan* out) {
    for (int64_t L = 1; L <= top; ++L) {
        AxisSpan s;
        if (L <= kReduceBlockShift) {
            s.lo = b << (kReduceBlockShift - L);
            s.hi = std::min((b + 1) << (kReduceBlockShift - L), size[L]);
        }
        if (L > 1) {
            const AxisSpan& below = out[L - 1];
            const int64_t end = std::min(below.hi, maxIndex[L - 1] + 1);
            if (below.empty() || end - below.lo < 6) {
                s.hi = s.lo;
            } else {
                s.lo = std::max(s.lo, (below.lo + 3) / 2);
                s.hi = std::min(s.hi, (end - 4) / 2 + 1);
            }
        }
        if (s.hi < s.lo) s.hi = s.lo;
        out[L] = s;
    }
}

// Levels up to this many pixels are finished on the calling thread.
constexpr int64_t kSmallLevelPixels = 128 * 128;

int64_t BlocksAlong(int64_t n) { return n > 0 ? (n + kReduceBlockSide - 1) >> kReduceBlockShift : 0; }

// The standard reduction reaches every level: the kinds it works on and a
// pyramid it can write.
bool OnePassSuits(const PyramidDescriptor* pyr) {
    if (!pyr || !pyr->tiles || pyr->highQuality || pyr->topLevel < 1) return false;
    switch (pyr->kind) {
        case kPyrGrey8: case kPyrGrey16: case kPyrColour8: case kPyrColour16: case kPyrGreyFloat:
        case kPyrColourFloat: case kPyrGradient:
            return true;
        default: return false;
    }
}

// Calls f(span) for the parts of 0..n - 1 that no block's span of level L
// covers, along one axis; spans come in block order and do not overlap.
template <class Spans, class F>
void ForEachGap(int64_t blocks, int64_t n, Spans spanOf, F f) {
    int64_t at = 0;
    for (int64_t b = 0; b < blocks; ++b) {
        const AxisSpan s = spanOf(b);
        if (s.empty()) continue;
        if (s.lo > at) f(AxisSpan{at, s.lo});
        at = s.hi;
    }
    if (n > at) f(AxisSpan{at, n});
}

}  // namespace

void UpdateNextSmallerLevel_core(PyramidDescriptor* pyr, int64_t L, VRect rect) {
    if (!CanReduce(pyr, L)) return;
    const VRect r = CutToNextLevel(pyr, L, rect);
    const int64_t next = L + 1;
    switch (pyr->kind) {
        case kPyrGrey8:
            ForEachPixel(r, [&](int64_t x, int64_t y) {
                int64_t s[1];
                Sum6x6<1, uint8_t>(pyr, L, x, y, s, [](uint8_t p, int) { return int64_t(p); },
                                   [&](int64_t i, int64_t j) { return get_pyramid_sample_point1(i, j, pyr, L); });
                set_pyramid_sample_point1(x, y, pyr, next, ReduceInteger(s[0], 255));
            });
            return;
        case kPyrGrey16:
            // 16-bit grey ignores the edge rule: its borders always repeat.
            ForEachPixel(r, [&](int64_t x, int64_t y) {
                int64_t s[1];
                Sum6x6<1, uint16_t>(pyr, L, x, y, s, [](uint16_t p, int) { return int64_t(p); },
                                    [&](int64_t i, int64_t j) { return pyr_read_clamped<uint16_t>(i, j, pyr, L); });
                set_pyramid_sample_point16bit(x, y, pyr, next, ReduceInteger(s[0], 32768));
            });
            return;
        case kPyrColour8:
            ReduceColour8(pyr, L, r);
            return;
        case kPyrColour16:
            ReduceFourIntegers<Shorts4>(pyr, L, r, 32768, [](const Shorts4& p, int k) { return int64_t(p.c[k]); });
            return;
        case kPyrGreyFloat:
            ForEachPixel(r, [&](int64_t x, int64_t y) {
                float s[1];
                Sum6x6<1, float>(pyr, L, x, y, s, [](float p, int) { return p; },
                                 [&](int64_t i, int64_t j) { return get_pyramid_sample_point_float(i, j, pyr, L); });
                set_pyramid_sample_point_float(x, y, pyr, next, ClampFloat(s[0] * (1.0f / kReduceTotal), 65535.0f));
            });
            return;
        case kPyrColourFloat:
            ForEachPixel(r, [&](int64_t x, int64_t y) {
                float s[4];
                Sum6x6<4, Floats4>(pyr, L, x, y, s, [](const Floats4& p, int k) { return p.c[k]; },
                                   [&](int64_t i, int64_t j) { return pyr_read_with_edge_rule<Floats4>(i, j, pyr, L); });
                for (float& c : s) c = ClampFloat(c * (1.0f / kReduceTotal), 65535.0f);
                set_pyramid_sample_point128bit_floats(x, y, pyr, next, s[0], s[1], s[2], s[3]);
            });
            return;
        case kPyrGradient:
            ForEachPixel(r, [&](int64_t x, int64_t y) {
                int64_t s[3] = {0, 0, 0};
                for (int64_t j = 0; j < 2; ++j)
                    for (int64_t i = 0; i < 2; ++i) {
                        int64_t c[3];
                        get_pyramid_sample_pointFourShorts(2 * x + i, 2 * y + j, pyr, L, &c[0], &c[1], &c[2]);
                        for (int k = 0; k < 3; ++k) s[k] += c[k];
                    }
                auto halved = [](int64_t v) { return v >= 65536 ? 32767 : (v < -65535 ? -32767 : v / 2); };
                const int64_t c2 = s[2] >= 131072 ? 32767 : (s[2] < -131071 ? -32767 : s[2] / 4);
                set_pyramid_sample_pointFourShorts(x, y, pyr, next, halved(s[0]), halved(s[1]), c2);
            });
            return;
        default: return;  // kinds 2, 6 and 8 are not reduced
    }
}

void UpdateNextSmallerLevel_high_quality_core(PyramidDescriptor* pyr, int64_t L, VRect rect) {
    if (!CanReduce(pyr, L)) return;
    const int64_t kind = pyr->kind;
    if (kind == kPyrSingle16 || kind == kPyrGradient || kind == kPyrNoStorage6 || kind == kPyrNoStorage8) return;
    const VRect r = CutToNextLevel(pyr, L, rect);
    const int64_t next = L + 1;
    // Level next's pixels in unit positions: by the unit scale, which the
    // sampler of level L turns back into its own pixels exactly.
    const float px = 1.0f / pyr->unitScaleX[next], py = 1.0f / pyr->unitScaleY[next];
    ForEachPixel(r, [&](int64_t x, int64_t y) {
        float us[6], vs[6], c[36][4];
        for (int i = 0; i < 6; ++i) {
            us[i] = (static_cast<float>(x) + kReduceOffsets[i]) * px;
            vs[i] = (static_cast<float>(y) + kReduceOffsets[i]) * py;
        }
        get_unit_ramped_wrapped_samples_on_grid(pyr, L, us, 6, vs, 6, c);
        float s[4] = {0, 0, 0, 0};
        for (int j = 0; j < 6; ++j)
            for (int i = 0; i < 6; ++i) {
                const int64_t w = kReduceWeights[j][i];
                if (!w) continue;
                for (int k = 0; k < 4; ++k) s[k] += static_cast<float>(w) * c[j * 6 + i][k];
            }
        for (int k = 0; k < 4; ++k) s[k] = ClampFloat(s[k] * (1.0f / kReduceTotal), k == 3 ? 1.0f : 65535.0f);
        if (kind == kPyrColourFloat) {
            set_pyramid_sample_point128bit_floats(x, y, pyr, next, s[0], s[1], s[2], s[3]);
        } else if (kind == kPyrGreyFloat) {
            set_pyramid_sample_point_float(x, y, pyr, next, s[0]);
        } else {
            // Integer kinds: rounded to the nearest step, so a flat area stays flat.
            const float storedMax = (kind == kPyrColour8 || kind == kPyrGrey8) ? 255.0f : 65535.0f;
            int64_t q[4];
            for (int k = 0; k < 4; ++k) q[k] = static_cast<int64_t>(ClampFloat(s[k] * pyr->fullScale + 0.5f, storedMax));
            set_pyramid_sample_pointColor(x, y, pyr, next, q[0], q[1], q[2], q[3]);
        }
    });
}

// -------------------------------------------------------------------- drivers

int64_t ReductionBlockCount(const PyramidDescriptor* pyr) {
    return pyr ? BlocksAlong(pyr->width[0]) * BlocksAlong(pyr->height[0]) : 0;
}

void ReduceBlockThroughLevels(PyramidDescriptor* pyr, int64_t block) {
    if (!OnePassSuits(pyr) || block < 0 || block >= ReductionBlockCount(pyr)) return;
    const int64_t across = BlocksAlong(pyr->width[0]);
    AxisSpan xs[kPyramidLevels], ys[kPyramidLevels];
    BlockSpans(pyr->width, pyr->maxX, pyr->topLevel, block % across, xs);
    BlockSpans(pyr->height, pyr->maxY, pyr->topLevel, block / across, ys);
    for (int64_t L = 1; L <= pyr->topLevel && !xs[L].empty() && !ys[L].empty(); ++L)
        UpdateNextSmallerLevel_core(pyr, L - 1,
                                    VRect{int32_t(ys[L].lo), int32_t(xs[L].lo), int32_t(ys[L].hi), int32_t(xs[L].hi)});
}

void FinishLevelAfterBlocks(PyramidDescriptor* pyr, int64_t L, VRect rect) {
    if (!OnePassSuits(pyr) || L < 1 || L > pyr->topLevel) return;
    const int64_t across = BlocksAlong(pyr->width[0]), down = BlocksAlong(pyr->height[0]);
    AxisSpan xs[kPyramidLevels], ys[kPyramidLevels];
    auto xSpan = [&](int64_t b) {
        BlockSpans(pyr->width, pyr->maxX, L, b, xs);
        return xs[L];
    };
    auto ySpan = [&](int64_t b) {
        BlockSpans(pyr->height, pyr->maxY, L, b, ys);
        return ys[L];
    };
    auto reduce = [&](const AxisSpan& y, const AxisSpan& x) {
        const VRect r{int32_t(std::max<int64_t>(y.lo, rect.top)), int32_t(std::max<int64_t>(x.lo, rect.left)),
                      int32_t(std::min<int64_t>(y.hi, rect.bottom)), int32_t(std::min<int64_t>(x.hi, rect.right))};
        if (r.top < r.bottom && r.left < r.right) UpdateNextSmallerLevel_core(pyr, L - 1, r);
    };
    // Rows no block covers, whole; in the rows a block covers, the columns no block covers.
    ForEachGap(down, pyr->height[L], ySpan, [&](const AxisSpan& y) { reduce(y, AxisSpan{0, pyr->width[L]}); });
    for (int64_t by = 0; by < down; ++by) {
        const AxisSpan y = ySpan(by);
        if (y.empty() || y.hi <= rect.top || y.lo >= rect.bottom) continue;
        ForEachGap(across, pyr->width[L], xSpan, [&](const AxisSpan& x) { reduce(y, x); });
    }
}

// Some pixel of level L is left to FinishLevelAfterBlocks.
bool LevelHasGaps(const PyramidDescriptor* pyr, int64_t L) {
    AxisSpan spans[kPyramidLevels];
    bool gaps = false;
    ForEachGap(BlocksAlong(pyr->width[0]), pyr->width[L], [&](int64_t b) {
        BlockSpans(pyr->width, pyr->maxX, L, b, spans);
        return spans[L];
    }, [&](const AxisSpan&) { gaps = true; });
    ForEachGap(BlocksAlong(pyr->height[0]), pyr->height[L], [&](int64_t b) {
        BlockSpans(pyr->height, pyr->maxY, L, b, spans);
        return spans[L];
    }, [&](const AxisSpan&) { gaps = true; });
    return gaps;
}

void paint_mipmap_of_pyramid(PyramidDescriptor* pyr) {
    if (!pyr || pyr->edgeMode == -1) return;
    // A job that fails (a task cannot be made) leaves only level 0 in use;
    // the engine's result tells why.
    const OSErr before = gTaskEngine.hostResult;
    auto failed = [&] { return before == 0 && gTaskEngine.hostResult != 0; };
    if (OnePassSuits(pyr) && NSThread_isMainThread()) {
        // One job: a tile is a row of the job's rectangle, and row b is block b.
        TaskGuidance guidance;
        initTaskGuidance(&guidance);
        guidance.source = pyr;
        guidance.level = 0;
        guidance.jobRect = VRect{0, 0, static_cast<int32_t>(ReductionBlockCount(pyr)), 1};
        guidance.blur = 1.0f;
        RunTiles(kPurposeReduceBlocks, kPartitionRows, &guidance, StandardTaskWork(), nullptr);
        // The rest of each level: a job over the larger levels, here for the
        // small ones.
        for (int64_t L = 1; L <= pyr->topLevel && !failed(); ++L) {
            const VRect whole{0, 0, static_cast<int32_t>(pyr->height[L]), static_cast<int32_t>(pyr->width[L])};
            if (!LevelHasGaps(pyr, L)) continue;
            if (pyr->width[L] * pyr->height[L] <= kSmallLevelPixels) {
                FinishLevelAfterBlocks(pyr, L, whole);
                continue;
            }
            guidance.level = L;
            guidance.jobRect = whole;
            RunTiles(kPurposeFinishBlocks, kPartitionSquares, &guidance, StandardTaskWork(), nullptr);
        }
    } else {
        for (int64_t L = 0; L < pyr->topLevel && !failed(); ++L) RunReductionJob(pyr, L, ReductionTask(pyr));
    }
    pyr->mipmapState = failed() ? 1 : 2;
}

int DoStandardTasks(PerTaskStuffType* task, int64_t purpose) {
    if (!IsStandardTaskPurpose(purpose)) return 0;
    const VRect whole = task->tracker.whole_job_rect;
    const VRect tile = task->tracker.current_tile_rect;
    const VRect absolute{tile.top + whole.top, tile.left + whole.left, tile.bottom + whole.top,
                         tile.right + whole.left};
    if (purpose == kPurposeReduceBlocks)
        ReduceBlockThroughLevels(task->guidance.source, absolute.top);
    else if (purpose == kPurposeFinishBlocks)
        FinishLevelAfterBlocks(task->guidance.source, task->guidance.level, absolute);
    else if (purpose == kPurposeFillLevel0)
        CopyInRectPartToLevel0(task->guidance.source, VPoint{task->guidance.jobRect.top, task->guidance.jobRect.left}, absolute);
    else if (purpose == kPurposeReduceLevelHighQuality)
        UpdateNextSmallerLevel_high_quality_core(task->guidance.source, task->guidance.level, absolute);
    else
        UpdateNextSmallerLevel_core(task->guidance.source, task->guidance.level, absolute);
    return 1;
}

const TileWork& StandardTaskWork() {
    static const TileWork work = [] {
        TileWork w;
        w.work = [](PerTaskStuffType* task) { DoStandardTasks(task, task->purpose); };
        return w;
    }();
    return work;
}
