#include "pyramid/sampling.h"

#include <cmath>
#include <cstring>
#include <type_traits>

#include "pyramid/overhang.h"
#include "pyramid/pixels.h"

namespace {

// ------------------------------------------------------------ safe positions

// Float to integer index: anything beyond +-2^40 (or NaN) is far outside every
// level, and the readers' edge rules bring such indices in anyway.
inline int64_t TruncIndex(float X) {
    constexpr float kFar = 1099511627776.0f;  // 2^40
    if (!(X > -kFar)) return X != X ? 0 : -static_cast<int64_t>(kFar);
    if (X > kFar) return static_cast<int64_t>(kFar);
    return static_cast<int64_t>(X);
}


// The fraction left over after a truncation; 0 where the position was not a
// usable number.
inline float SafeFraction(float X, int64_t i) {
    const float f = X - static_cast<float>(i);
    return (f >= -1.0f && f <= 1.0f) ? f : 0.0f;
}

// The pixel whose centre is nearest to pixel position X; a unit position
// inside the picture (u = 1 included) always gives a pixel of the level.
inline int64_t NearestPixel(float X, float u, int64_t maxIndex) {
    const int64_t i = TruncIndex(std::floor(X + 0.5f));
    if (!(u >= 0.0f && u <= 1.0f)) return i;
    return i < 0 ? 0 : (i > maxIndex ? maxIndex : i);
}

inline float ClampFraction(float f) { return f > 0.0f ? (f < 1.0f ? f : 1.0f) : 0.0f; }

// Levels L and L + 1 both exist (when the pyramid has two levels at all).
inline int64_t BlendLevel(const PyramidDescriptor* pyr, int64_t L) {
    const int64_t top = pyr->topLevel >= 1 ? pyr->topLevel - 1 : 0;
    return L < 0 ? 0 : (L > top ? top : L);
}

inline int64_t ExistingLevel(const PyramidDescriptor* pyr, int64_t L) {
    const int64_t top = pyr->topLevel >= 0 ? pyr->topLevel : 0;
    return L < 0 ? 0 : (L > top ? top : L);
}

// ----------------------------------------------------------- 5 x 5 windows

// A kernel position along one axis of n pixels, brought into [-0.5, n - 0.5]:
// wrapped when the edge rule wraps that axis, else clamped. NaN goes to -0.5.
// The wrap's period is the picture's width at the level (the unit scale), not
// the level's: a level whose size was rounded up is wider than the picture,
// and only the picture's period makes u = 1 sample as u = 0 does.
inline float KernelAxis(float X, int64_t n, float period, bool wrap) {
    const float hi = static_cast<float>(n) - 0.5f;
    const float top = wrap ? period - 0.5f : hi;
    if (X >= -0.5f && X < top) return X;
    if (wrap && std::isfinite(X) && period > 0.0f) {
        const float t = X + 0.5f;
        X = t - period * std::floor(t / period) - 0.5f;
    }
    return X > -0.5f ? (X < hi ? X : hi) : -0.5f;
}

inline int Phase(float frac) {
    const int p = static_cast<int>(frac * static_cast<float>(kKernelPhases));
    return p < 0 ? 0 : (p > kKernelPhases - 1 ? kKernelPhases - 1 : p);
}

struct Window5 {
    bool fast;  // all 25 pixels in one tile, read straight from it
    int64_t cols[5];
    int64_t rows[5];
    int px, py;
};

inline void Wrap5(int64_t i, int64_t n, int64_t out[5]) {
    const int64_t r = i % n;
    for (int j = 0; j < 5; ++j) {
        int64_t c = r - 2 + j;
        if (c < 0) c += n;
        else if (c >= n) c -= n;
        out[j] = c;
    }
}

__attribute__((always_inline)) inline Window5 MakeWindow(const PyramidDescriptor* pyr, int64_t L, float X, float Y) {
    Window5 w;
    const int64_t em = pyr->edgeMode;
    const bool wrapX = em == 1 || em == 2, wrapY = em == 1;
    X = KernelAxis(X, pyr->width[L], pyr->unitScaleX[L], wrapX);
    Y = KernelAxis(Y, pyr->height[L], pyr->unitScaleY[L], wrapY);
    const int64_t ix = static_cast<int64_t>(X + 0.5f), iy = static_cast<int64_t>(Y + 0.5f);
    w.px = Phase(X + 0.5f - static_cast<float>(ix));
    w.py = Phase(Y + 0.5f - static_cast<float>(iy));
    w.cols[0] = ix - 2;
    w.rows[0] = iy - 2;
    w.fast = pyr_block_in_one_tile<5>(pyr, L, ix - 2, iy - 2);
    if (w.fast) return w;
    if (wrapX) Wrap5(ix, pyr->width[L], w.cols);
    else for (int j = 0; j < 5; ++j) w.cols[j] = ix - 2 + j;
    if (wrapY) Wrap5(iy, pyr->height[L], w.rows);
    else for (int j = 0; j < 5; ++j) w.rows[j] = iy - 2 + j;
    return w;
}

template <class P>
inline void Fetch5x5(const PyramidDescriptor* pyr, int64_t L, const Window5& w, P (&pix)[25]) {
    if (w.fast) pyr_fetch_block_from_tile<5>(pyr, L, w.cols[0], w.rows[0], pix);
    else pyr_fetch_block_with_edge_rule<5>(pyr, L, w.cols, w.rows, pix);
}

// Column ix - 2 + j takes tap 4 - j, converted to the arithmetic type T.
template <class T, class W>
inline void Taps(const W* table, int phase, T out[5]) {
    for (int j = 0; j < 5; ++j) out[j] = static_cast<T>(table[(4 - j) * kKernelPhases + phase]);
}

using Shorts4 = PyrShorts4;
using Floats4 = PyrFloats4;

// The weighted 5 x 5 sums of N components: each row in RowT, the rows
// combined in ColT. With the integer weights (2048 or 32768 to a phase) the
// 8-bit kinds' row sums stay below 2^24 and so are exact in float, and the
// 16-bit kinds are exact in double: the results equal 64-bit integer sums
// while the arithmetic stays in vector registers. `truncateRows` divides each
// row by 32768, truncating toward zero, before the vertical pass.
template <int N, class RowT, class ColT, class P, class Comp>
inline void KernelSums(const P (&pix)[25], const RowT wx[5], const ColT wy[5], ColT acc[N], Comp comp,
                       bool truncateRows) {
    for (int k = 0; k < N; ++k) acc[k] = 0;
    for (int r = 0; r < 5; ++r) {
        RowT row[N] = {};
        for (int c = 0; c < 5; ++c)
            for (int k = 0; k < N; ++k) row[k] += wx[c] * static_cast<RowT>(comp(pix[r * 5 + c], k));
        for (int k = 0; k < N; ++k) {
            ColT v = static_cast<ColT>(row[k]);
            if (truncateRows) v = std::trunc(v * static_cast<ColT>(1.0 / 32768.0));
            acc[k] += wy[r] * v;
        }
    }
}

// Four components at once, in GCC/Clang vector types: the four-component
// kinds run their kernels lane-parallel.
typedef float V4f __attribute__((vector_size(16)));
typedef double V4d __attribute__((vector_size(32)));
typedef int32_t V4i __attribute__((vector_size(16)));

// A packed word split into lanes without leaving the vector registers: lane j
// holds the byte at bits 8j..8j+7 still in place (so times 2^(8j)), and the
// top byte is biased by -128 so the masked word converts as a signed integer.
// Every value stays exact in float; PackedResult undoes the scale and bias.
inline void Unpack(uint32_t p, V4f& out) {
    const V4i word = V4i{0, 0, 0, 0} + static_cast<int32_t>(p);
    const V4i masks = {0xFF, 0xFF00, 0xFF0000, static_cast<int32_t>(0xFF000000u)};
    const V4i bias = {0, 0, 0, static_cast<int32_t>(0x80000000u)};
    out = __builtin_convertvector((word & masks) ^ bias, V4f);
}
// Component k (0 the top byte) of a packed word's weighted sum, from the lane
// sums of Unpack; `weightTotal` is the sum of all weights applied.
inline double PackedResult(const V4d& acc, int k, double weightTotal) {
    const int lane = 3 - k;
    const double v = acc[lane] / static_cast<double>(1u << (8 * lane));
    return lane == 3 ? v + 128.0 * weightTotal : v;
}
inline void Unpack(const Shorts4& p, V4d& out) {
    const V4i v = {p.c[0], p.c[1], p.c[2], p.c[3]};
    out = __builtin_convertvector(v, V4d);
}
inline void Unpack(const Floats4& p, V4f& out) { std::memcpy(&out, p.c, sizeof out); }

// KernelSums for four components: rows in RowV (V4f, or V4d for 16-bit),
// rows combined in double.
template <class RowV, class P, class Lane>
inline void KernelSums4(const P (&pix)[25], const Lane wx[5], const double wy[5], bool truncateRows, V4d& acc) {
    acc = V4d{0, 0, 0, 0};
    for (int r = 0; r < 5; ++r) {
        RowV row = {0, 0, 0, 0};
        for (int c = 0; c < 5; ++c) {
            RowV p;
            Unpack(pix[r * 5 + c], p);
            row += wx[c] * p;
        }
        V4d v = __builtin_convertvector(row, V4d);
        if (truncateRows) {
            v *= 1.0 / 32768.0;
            for (int k = 0; k < 4; ++k) v[k] = std::trunc(v[k]);
        }
        acc += wy[r] * v;
    }
}

// No shortcut for a window inside one tile: every window is fetched.
struct FetchEveryWindow {
    template <class W>
    bool operator()(const PyramidDescriptor*, int64_t, const Window5&, const W*, V4d&) const {
        return false;
    }
};

// inTile may sum a window lying in one tile straight from the tile; when it
// does not, the window is fetched and summed.
template <class RowV, class P, class W, class InTile = FetchEveryWindow>
inline bool RunKernel4(const PyramidDescriptor* pyr, int64_t L, float X, float Y, const W* table, V4d& acc,
                       bool truncateRows = false, InTile inTile = {}) {
    using Lane = std::remove_cv_t<std::remove_reference_t<decltype(RowV{}[0])>>;
    if (!pyr_accessible(pyr, L, sizeof(P))) return false;
    const Window5 w = MakeWindow(pyr, L, X, Y);
    if (w.fast && inTile(pyr, L, w, table, acc)) return true;
    P pix[25];
    Fetch5x5(pyr, L, w, pix);
    Lane wx[5];
    double wy[5];
    Taps(table, w.px, wx);
    Taps(table, w.py, wy);
    KernelSums4<RowV>(pix, wx, wy, truncateRows, acc);
    return true;
}

// One kernel member: P the stored pixel, N components, weights from `table`
// (integer or float), sums left in acc. False when the level cannot be read.
template <int N, class RowT, class ColT, class P, class W, class Comp>
inline bool RunKernel(const PyramidDescriptor* pyr, int64_t L, float X, float Y, const W* table, ColT acc[N],
                      Comp comp, bool truncateRows = false) {
    if (!pyr_accessible(pyr, L, sizeof(P))) return false;
    const Window5 w = MakeWindow(pyr, L, X, Y);
    P pix[25];
    Fetch5x5(pyr, L, w, pix);
    RowT wx[5];
    ColT wy[5];
    Taps(table, w.px, wx);
    Taps(table, w.py, wy);
    KernelSums<N, RowT, ColT>(pix, wx, wy, acc, comp, truncateRows);
    return true;
}

inline void Zero4(float out[4]) { out[0] = out[1] = out[2] = out[3] = 0.0f; }
inline void Grey4(float g, float alpha, float out[4]) { out[0] = out[1] = out[2] = g, out[3] = alpha; }

// A kernel sample of level L at the unit position, blended towards L + 1.
template <int N, class Sample>
inline void BlendLevels(const PyramidDescriptor* pyr, int64_t L, float f, float u, float v, float out[N],
                        Sample sample) {
    L = BlendLevel(pyr, L);
    f = ClampFraction(f);
    sample(L, UnitToPixelX(pyr, L, u), UnitToPixelY(pyr, L, v), out);
    if (f != 0.0f) {
        float b[N];
        sample(L + 1, UnitToPixelX(pyr, L + 1, u), UnitToPixelY(pyr, L + 1, v), b);
        for (int k = 0; k < N; ++k) out[k] += f * (b[k] - out[k]);
    }
}

// Four unit colours blended bilinearly: c[0] top left, c[1] top right,
// c[2] bottom left, c[3] bottom right.
inline void Bilinear(const float c[4][4], float fx, float fy, float out[4]) {
    for (int k = 0; k < 4; ++k) {
        const float top = c[0][k] + fx * (c[1][k] - c[0][k]);
        const float bottom = c[2][k] + fx * (c[3][k] - c[2][k]);
        out[k] = top + fy * (bottom - top);
    }
}

}  // namespace

// ===================================================================== kernels

namespace {

#if defined(__SSE2__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
// Weights a and b side by side in every 32-bit lane, as pmaddwd takes them.
inline __m128i PairWeights(int64_t a, int64_t b) {
    return _mm_set1_epi32(static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint16_t>(a)) |
                                               (static_cast<uint32_t>(static_cast<uint16_t>(b)) << 16)));
}

// Two pixels widened to 16 bits, [a0 a1 a2 a3 b0 b1 b2 b3]: lane k of the
// answer is a's byte k times the first weight plus b's times the second.
inline __m128i PairSums(__m128i wide, __m128i weights) {
    return _mm_madd_epi16(_mm_unpacklo_epi16(wide, _mm_unpackhi_epi64(wide, wide)), weights);
}

// KernelSums4's sums for a window of packed 8-bit pixels inside one tile,
// read straight from the tile: each row's sums in 32-bit integers (at most
// 255 times the absolute weights, far below 2^31), combined in double. Both
// ways are exact, so acc is KernelSums4's to the bit, its top lane in the
// same biased form. False when a horizontal weight does not fit 16 bits.
inline bool KernelSums8InTile(const PyramidDescriptor* pyr, int64_t L, const Window5& w, const int64_t* table,
                              V4d& acc) {
    int64_t wx[5], wy[5];
    Taps(table, w.px, wx);
    Taps(table, w.py, wy);
    int64_t sumX = 0, sumY = 0;
    for (int c = 0; c < 5; ++c) {
        if (wx[c] < -32768 || wx[c] > 32767) return false;
        sumX += wx[c];
        sumY += wy[c];
    }
    const __m128i w01 = PairWeights(wx[0], wx[1]), w23 = PairWeights(wx[2], wx[3]), w4 = PairWeights(wx[4], 0);
    const __m128i zero = _mm_setzero_si128();
    const uint8_t* row = pyr_pixel_address(pyr, L, w.cols[0], w.rows[0], 4);
    __m128d low = _mm_setzero_pd(), high = _mm_setzero_pd();
    for (int r = 0; r < 5; ++r, row += kTileSide * 4) {
        const __m128i first4 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row));
        int32_t fifth;
        std::memcpy(&fifth, row + 16, 4);
        const __m128i last = _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(fifth), zero), zero);
        const __m128i sums = _mm_add_epi32(_mm_add_epi32(PairSums(_mm_unpacklo_epi8(first4, zero), w01),
                                                         PairSums(_mm_unpackhi_epi8(first4, zero), w23)),
                                           _mm_madd_epi16(last, w4));
        const __m128d y = _mm_set1_pd(static_cast<double>(wy[r]));
        low = _mm_add_pd(low, _mm_mul_pd(y, _mm_cvtepi32_pd(sums)));
        high = _mm_add_pd(high, _mm_mul_pd(y, _mm_cvtepi32_pd(_mm_unpackhi_epi64(sums, sums))));
    }
    double s[4];
    _mm_storeu_pd(s, low);
    _mm_storeu_pd(s + 2, high);
    // Lane j as Unpack scales it, by 2^(8 j); the top lane biased by -128 a byte.
    acc = V4d{s[0], s[1] * 256.0, s[2] * 65536.0,
              (s[3] - 128.0 * static_cast<double>(sumX) * static_cast<double>(sumY)) * 16777216.0};
    return true;
}
#endif

}  // namespace

void gauss_pyramid_sample4(const PyramidDescriptor* pyr, int64_t L, float X, float Y, float out[4]) {
    V4d acc;
#if defined(__SSE2__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    const auto inTile = [](const PyramidDescriptor* p, int64_t level, const Window5& w, const int64_t* table, V4d& sums) {
        return KernelSums8InTile(p, level, w, table, sums);
    };
#else
    const FetchEveryWindow inTile;
#endif
    if (!RunKernel4<V4f, uint32_t>(pyr, L, X, Y, pyr->kernel.weights2048, acc, false, inTile)) {
        Zero4(out);
        return;
    }
    for (int k = 0; k < 4; ++k) out[k] = static_cast<float>(PackedResult(acc, k, 4194304.0) * (1.0 / 4194304.0));
}

float gauss_pyramid_sample1(const PyramidDescriptor* pyr, int64_t L, float X, float Y) {
    double acc[1];
    if (!RunKernel<1, float, double, uint8_t>(pyr, L, X, Y, pyr->kernel.weights2048, acc,
                                              [](uint8_t p, int) { return p; }))
        return 0.0f;
    return static_cast<float>(acc[0] * (1.0 / 4194304.0));
}

float gauss_pyramid_sample16bitgray(const PyramidDescriptor* pyr, int64_t L, float X, float Y) {
    double acc[1];
    if (!RunKernel<1, double, double, uint16_t>(pyr, L, X, Y, pyr->kernel.weights32768, acc,
                                                [](uint16_t p, int) { return p; }))
        return 0.0f;
    return static_cast<float>(acc[0] * (1.0 / 1073741824.0));
}

void gauss_pyramid_sample64bit(const PyramidDescriptor* pyr, int64_t L, float X, float Y, float out[4]) {
    V4d acc;
    // Each row's sum is brought back to the component scale before the
    // vertical pass.
    if (!RunKernel4<V4d, Shorts4>(pyr, L, X, Y, pyr->kernel.weights32768, acc, true)) {
        Zero4(out);
        return;
    }
    for (int k = 0; k < 4; ++k) out[k] = static_cast<float>(acc[k] * (1.0 / 32768.0));
}

float gauss_pyramid_sample32bitgray(const PyramidDescriptor* pyr, int64_t L, float X, float Y) {
    float acc[1];
    if (!RunKernel<1, float, float, float>(pyr, L, X, Y, pyr->kernel.weightsCopy, acc, [](float p, int) { return p; }))
        return 0.0f;
    return acc[0];
}

void gauss_pyramid_sample128bit(const PyramidDescriptor* pyr, int64_t L, float X, float Y, float out[4]) {
    V4d acc;
    if (!RunKernel4<V4f, Floats4>(pyr, L, X, Y, pyr->kernel.weightsCopy, acc)) {
        Zero4(out);
        return;
    }
    for (int k = 0; k < 4; ++k) out[k] = static_cast<float>(acc[k]);
}

void gauss_pyramid_sampleColor(const PyramidDescriptor* pyr, int64_t L, float X, float Y, float out[4]) {
    switch (pyr->kind) {
        case kPyrColour8: gauss_pyramid_sample4(pyr, L, X, Y, out); return;
        case kPyrColour16: gauss_pyramid_sample64bit(pyr, L, X, Y, out); return;
        case kPyrColourFloat: gauss_pyramid_sample128bit(pyr, L, X, Y, out); return;
        case kPyrGrey8: Grey4(gauss_pyramid_sample1(pyr, L, X, Y), 255.0f, out); return;
        case kPyrGrey16: Grey4(gauss_pyramid_sample16bitgray(pyr, L, X, Y), 32768.0f, out); return;
        case kPyrGreyFloat: Grey4(gauss_pyramid_sample32bitgray(pyr, L, X, Y), 1.0f, out); return;
        default: Zero4(out);
    }
}

// ================================================================ level blend

void blurred_unit_gauss_pyramid_sample4(const PyramidDescriptor* pyr, int64_t L, float f, float u, float v,
                                        float out[4]) {
    BlendLevels<4>(pyr, L, f, u, v, out,
                   [pyr](int64_t l, float X, float Y, float* o) { gauss_pyramid_sample4(pyr, l, X, Y, o); });
}

namespace {

// The level blend of a one-component kernel member.
template <float (*Member)(const PyramidDescriptor*, int64_t, float, float)>
float BlendGrey(const PyramidDescriptor* pyr, int64_t L, float f, float u, float v) {
    float g[1];
    BlendLevels<1>(pyr, L, f, u, v, g, [pyr](int64_t l, float X, float Y, float* o) { o[0] = Member(pyr, l, X, Y); });
    return g[0];
}

}  // namespace

float blurred_unit_gauss_pyramid_sample1(const PyramidDescriptor* pyr, int64_t L, float f, float u, float v) {
    return BlendGrey<gauss_pyramid_sample1>(pyr, L, f, u, v);
}

float blurred_unit_gauss_pyramid_sample16bitgray(const PyramidDescriptor* pyr, int64_t L, float f, float u,
                                                 float v) {
    return BlendGrey<gauss_pyramid_sample16bitgray>(pyr, L, f, u, v);
}

float blurred_unit_gauss_pyramid_sample32bitgray(const PyramidDescriptor* pyr, int64_t L, float f, float u,
                                                 float v) {
    return BlendGrey<gauss_pyramid_sample32bitgray>(pyr, L, f, u, v);
}

void get_borked(const PyramidDescriptor* pyr, int64_t L, float f, float u, float v, float out[4]) {
    switch (pyr->kind) {
        case kPyrGrey8: Grey4(blurred_unit_gauss_pyramid_sample1(pyr, L, f, u, v), 255.0f, out); return;
        case kPyrGrey16: Grey4(blurred_unit_gauss_pyramid_sample16bitgray(pyr, L, f, u, v), 32768.0f, out); return;
        case kPyrGreyFloat: Grey4(blurred_unit_gauss_pyramid_sample32bitgray(pyr, L, f, u, v), 1.0f, out); return;
        case kPyrColour8: blurred_unit_gauss_pyramid_sample4(pyr, L, f, u, v, out); return;
        case kPyrColour16:
            BlendLevels<4>(pyr, L, f, u, v, out,
                           [pyr](int64_t l, float X, float Y, float* o) { gauss_pyramid_sample64bit(pyr, l, X, Y, o); });
            return;
        case kPyrColourFloat:
            BlendLevels<4>(pyr, L, f, u, v, out,
                           [pyr](int64_t l, float X, float Y, float* o) { gauss_pyramid_sample128bit(pyr, l, X, Y, o); });
            return;
        default: out[0] = out[1] = out[2] = out[3] = 0.5f;
    }
}

void get_unitarycoord_unitary_color(const PyramidDescriptor* pyr, int64_t L, float f, float u, float v,
                                    float out[4]) {
    get_borked(pyr, L, f, u, v, out);
    for (int k = 0; k < 4; ++k) out[k] *= pyr->invFullScale;
}

// =================================================== bilinear, unit colours

void get_unit_ramped_wrapped_pyramid_sample_point(const PyramidDescriptor* pyr, int64_t L, float u, float v,
                                                  float out[4]) {
    L = ExistingLevel(pyr, L);
    float level = static_cast<float>(L);  // a raised level is not applied here
    const int64_t mode = pyr->overhangMode;
    OverhangizeCoordinates2016(&u, &v, &level, mode, pyr);
    float X = UnitToPixelX(pyr, L, u), Y = UnitToPixelY(pyr, L, v);
    // A level whose size was rounded up ends in columns (rows) past the
    // picture, which the reduction filled with what lies across the seam: a
    // position within half a pixel of the left (top) edge of a wrapping
    // picture is read there, one picture width on, so that u = 0 and u = 1
    // give the same sample even where the width is not a whole number of
    // pixels.
    if (X < 0.0f && OverhangWrapsAcross(mode) && pyr->unitScaleX[L] < static_cast<float>(pyr->width[L]))
        X += pyr->unitScaleX[L];
    if (Y < 0.0f && OverhangWrapsDown(mode) && pyr->unitScaleY[L] < static_cast<float>(pyr->height[L]))
        Y += pyr->unitScaleY[L];
    // The pixels on either side of the position: within half a pixel of the
    // left or top edge the first of them lies beyond the picture (a fraction
    // taken from a truncated index would be negative and extrapolate), and
    // the overhang rule finds it, e.g. across the seam of a panorama, so that
    // u = 0 and u = 1 sample alike.
    const int64_t i0 = TruncIndex(std::floor(X)), j0 = TruncIndex(std::floor(Y));
    // The other corners are the next column and row in pixel terms (adding a
    // pixel's width to u could round past a column and skip it); a corner
    // beyond the level goes through the overhang rule, from its pixel's
    // centre, to the pixel nearest to where the rule puts it. A cube face
    // reads such a corner from the face across its edge.
    int64_t xi[4], yi[4];
    for (int k = 0; k < 4; ++k) {
        const int64_t i = i0 + (k & 1), j = j0 + (k >> 1);
        if (!PointIsOutsideOfPyrLevel(i, j, pyr, L) || pyr->cubeFaces) {
            xi[k] = i, yi[k] = j;
            continue;
        }
        float cu = PixelToUnitX(pyr, L, static_cast<float>(i)), cv = PixelToUnitY(pyr, L, static_cast<float>(j));
        level = static_cast<float>(L);
        OverhangizeCoordinates2016(&cu, &cv, &level, mode, pyr);
        xi[k] = NearestPixel(UnitToPixelX(pyr, L, cu), cu, pyr->maxX[L]);
        yi[k] = NearestPixel(UnitToPixelY(pyr, L, cv), cv, pyr->maxY[L]);
    }
    float c[4][4];
    // Usually the corners are a 2 x 2 block inside one tile: read it straight.
    const bool block = xi[1] == xi[0] + 1 && xi[2] == xi[0] && xi[3] == xi[1] && yi[1] == yi[0] &&
                       yi[2] == yi[0] + 1 && yi[3] == yi[2];
    pyr_dispatch_kind(pyr->kind, [&](auto kind) {
        constexpr int64_t K = decltype(kind)::value;
        using P = typename PyrStored<K>::type;
        if constexpr (!std::is_same_v<P, PyrNoPixel>) {
            if (block && pyr_accessible(pyr, L, sizeof(P)) && pyr_block_in_one_tile<2>(pyr, L, xi[0], yi[0])) {
                P pix[4];
                pyr_fetch_block_from_tile<2>(pyr, L, xi[0], yi[0], pix);
                for (int i = 0; i < 4; ++i) pyr_unit_from_stored<K>(pix[i], pyr->invFullScale, c[i]);
                return;
            }
        }
        for (int i = 0; i < 4; ++i) pyr_unit_colour<K>(xi[i], yi[i], pyr, L, c[i]);
    });
    Bilinear(c, SafeFraction(X, i0), SafeFraction(Y, j0), out);
}

namespace {

constexpr int kGridMax = 6;

// One axis of a sample grid: for each position its two corner indices (the
// next pixel on, as the wrapped sampler forms it) as offsets from the
// smallest, and its fraction; every pixel of the span is read once. False
// when a corner lies outside the picture (the overhang rule would move it)
// or the positions spread too far apart for one block.
struct GridAxis {
    int64_t first;  // the smallest index
    int span;       // indices first .. first + span - 1
    int offset[kGridMax];
    float fraction[kGridMax];
};

inline bool MakeGridAxis(const float* t, int n, float scale, int64_t size, bool closedTop, GridAxis& a) {
    int64_t index[kGridMax];
    int64_t low = 0, high = 0;
    for (int i = 0; i < n; ++i) {
        const float c0 = t[i];
        if (!(c0 >= 0.0f && (closedTop ? c0 <= 1.0f : c0 < 1.0f))) return false;
        const float X = c0 * scale - 0.5f;
        const int64_t i0 = TruncIndex(std::floor(X));
        // Either pixel beyond the picture: the overhang rule must find it.
        if (i0 < 0 || i0 + 1 >= size) return false;
        index[i] = i0;
        a.fraction[i] = SafeFraction(X, i0);
        if (i == 0 || i0 < low) low = i0;
        if (i == 0 || i0 > high) high = i0;
    }
    if (high + 1 - low >= 2 * kGridMax) return false;
    a.first = low;
    a.span = int(high + 2 - low);
    for (int i = 0; i < n; ++i) a.offset[i] = int(index[i] - low);
    return true;
}

}  // namespace

void get_unit_ramped_wrapped_samples_on_grid(const PyramidDescriptor* pyr, int64_t L, const float* us, int nu,
                                             const float* vs, int nv, float (*out)[4]) {
    L = ExistingLevel(pyr, L);
    GridAxis ax, ay;
    if (nu > kGridMax || nv > kGridMax ||
        !MakeGridAxis(us, nu, pyr->unitScaleX[L], pyr->width[L], true, ax) ||
        !MakeGridAxis(vs, nv, pyr->unitScaleY[L], pyr->height[L], false, ay)) {
        for (int j = 0; j < nv; ++j)
            for (int i = 0; i < nu; ++i) get_unit_ramped_wrapped_pyramid_sample_point(pyr, L, us[i], vs[j], out[j * nu + i]);
        return;
    }
    // Every corner is inside: the overhang rule leaves them all alone, and
    // the block of pixels is read straight from its tile when it lies in one.
    float colours[2 * kGridMax][2 * kGridMax][4];
    pyr_dispatch_kind(pyr->kind, [&](auto kind) {
        constexpr int64_t K = decltype(kind)::value;
        using P = typename PyrStored<K>::type;
        if constexpr (!std::is_same_v<P, PyrNoPixel>) {
            const int64_t x0 = ax.first, y0 = ay.first;
            if (pyr_accessible(pyr, L, sizeof(P)) && (x0 & (kTileSide - 1)) + ax.span <= kTileSide &&
                (y0 & (kTileSide - 1)) + ay.span <= kTileSide) {
                const uint8_t* base = pyr_pixel_address(pyr, L, x0, y0, pyr->bytesPerPixel);
                const int64_t stride = kTileSide * pyr->bytesPerPixel;
                for (int b = 0; b < ay.span; ++b) {
                    const uint8_t* row = base + b * stride;
                    for (int a = 0; a < ax.span; ++a) {
                        P pixel;
                        std::memcpy(&pixel, row + a * pyr->bytesPerPixel, sizeof pixel);
                        pyr_unit_from_stored<K>(pixel, pyr->invFullScale, colours[b][a]);
                    }
                }
                return;
            }
        }
        for (int b = 0; b < ay.span; ++b)
            for (int a = 0; a < ax.span; ++a) pyr_unit_colour<K>(ax.first + a, ay.first + b, pyr, L, colours[b][a]);
    });
    for (int j = 0; j < nv; ++j) {
        const int top = ay.offset[j];
        for (int i = 0; i < nu; ++i) {
            const int left = ax.offset[i];
            const float fx = ax.fraction[i], fy = ay.fraction[j];
            // The four components side by side: each lane does the scalar
            // bilinear steps, so the results are the same to the bit.
            V4f c0, c1, c2, c3;
            std::memcpy(&c0, colours[top][left], sizeof c0);
            std::memcpy(&c1, colours[top][left + 1], sizeof c1);
            std::memcpy(&c2, colours[top + 1][left], sizeof c2);
            std::memcpy(&c3, colours[top + 1][left + 1], sizeof c3);
            const V4f upper = c0 + fx * (c1 - c0);
            const V4f lower = c2 + fx * (c3 - c2);
            const V4f o = upper + fy * (lower - upper);
            std::memcpy(out[j * nu + i], &o, sizeof o);
        }
    }
}
