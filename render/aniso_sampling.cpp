#include "render/aniso_sampling.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "records/vort.h"
#include "pyramid/overhang.h"
#include "pyramid/pixels.h"
#include "pyramid/pyramid.h"
#include "pyramid/sampling.h"
#include "records/data.h"
#include "records/plugin_globals.h"
#include "records/work_area.h"

namespace {

constexpr float kPointFootprint = 1e-10f;
constexpr float kMinorFloor = 0.5f;
constexpr float kLevelSnap = 1.0f / 64.0f;
constexpr float kSurelyBelowSnap = 1.01f;  // a minor axis whose log2 is under kLevelSnap by far
static_assert(kSurelyBelowSnap < 1.0109f, "2^(1/64) is 1.010889");
constexpr float kCentreSnap = 1.0f / 256.0f;
constexpr float kSingleSampleRatio = 1.25f;
constexpr float kTwoSampleRatio = 1.5f;
constexpr int kDefaultLargestSampleCount = 20;

inline float WrapHalf(float d) { return d > 0.5f ? d - 1.0f : (d < -0.5f ? d + 1.0f : d); }
inline bool Large(float d) { return !(std::fabs(d) <= 0.5f); }

// The top level whose pixels exist: every level once the mipmaps are made.
inline int64_t UsableTopLevel(const PyramidDescriptor* pyr) {
    return pyr->mipmapState == 2 ? std::max<int64_t>(pyr->topLevel, 0) : 0;
}

inline void Transparent(float out[4]) { out[0] = out[1] = out[2] = out[3] = 0.0f; }

// Bilinear at level 0. A position within 1/256 pixel of a pixel's centre
// along an axis takes that pixel's value on that axis exactly: unit
// positions in single precision miss the centres by some 1e-5 pixel, which
// at 16 bits over a sharp edge is a level or two. Corners beyond the picture
// go through the pyramid's own wrapped sampler and its overhang rule.
void BilinearLevel0(const PyramidDescriptor* pyr, float u, float v, float out[4]) {
    const float X = u * pyr->unitScaleX[0] - 0.5f, Y = v * pyr->unitScaleY[0] - 0.5f;
    if (!(std::fabs(X) < 1e9f) || !(std::fabs(Y) < 1e9f)) {
        get_unit_ramped_wrapped_pyramid_sample_point(pyr, 0, u, v, out);
        return;
    }
    float fx = X - std::floor(X), fy = Y - std::floor(Y);
    const bool snapX = fx < kCentreSnap || fx > 1.0f - kCentreSnap;
    const bool snapY = fy < kCentreSnap || fy > 1.0f - kCentreSnap;
    if (!snapX && !snapY) {
        get_unit_ramped_wrapped_pyramid_sample_point(pyr, 0, u, v, out);
        return;
    }
    int64_t i = int64_t(std::floor(X)), j = int64_t(std::floor(Y));
    if (fx < kCentreSnap) fx = 0.0f;
    else if (fx > 1.0f - kCentreSnap) fx = 0.0f, ++i;
    if (fy < kCentreSnap) fy = 0.0f;
    else if (fy > 1.0f - kCentreSnap) fy = 0.0f, ++j;
    const int64_t i1 = fx > 0.0f ? i + 1 : i, j1 = fy > 0.0f ? j + 1 : j;
    if (i < 0 || j < 0 || i1 >= pyr->width[0] || j1 >= pyr->height[0]) {
        get_unit_ramped_wrapped_pyramid_sample_point(pyr, 0, u, v, out);
        return;
    }
    float c[4][4];
    get_intcoord_unitary_color(i, j, pyr, 0, c[0]);
    if (fx == 0.0f && fy == 0.0f) {
        std::memcpy(out, c[0], sizeof(c[0]));
        return;
    }
    get_intcoord_unitary_color(i1, j, pyr, 0, c[1]);
    get_intcoord_unitary_color(i, j1, pyr, 0, c[2]);
    get_intcoord_unitary_color(i1, j1, pyr, 0, c[3]);
    for (int k = 0; k < 4; ++k) {
        const float top = c[0][k] + fx * (c[1][k] - c[0][k]);
        const float bottom = c[2][k] + fx * (c[3][k] - c[2][k]);
        out[k] = top + fy * (bottom - top);
    }
}

// BilinearLevel0 where the position and its four pixels lie inside the
// picture and off the pixel centres on both axes, read straight from the
// tile; false (nothing written) otherwise.
inline bool Level0Inside(const PyramidDescriptor* pyr, float u, float v, float out[4]) {
    if (!(u >= 0.0f && u <= 1.0f && v >= 0.0f && v < 1.0f)) return false;
    const float X = u * pyr->unitScaleX[0] - 0.5f, Y = v * pyr->unitScaleY[0] - 0.5f;
    if (!(X >= 0.0f && Y >= 0.0f && X < 1e9f && Y < 1e9f)) return false;
    // Truncation is the floor here, and exact.
    const int64_t i = int64_t(X), j = int64_t(Y);
    const float fx = X - float(i), fy = Y - float(j);
    if (fx < kCentreSnap || fx > 1.0f - kCentreSnap || fy < kCentreSnap || fy > 1.0f - kCentreSnap) return false;
    return bilinear_colour8_block(pyr, 0, i, j, fx, fy, out);
}

#if defined(__SSE2__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
#define VORNESK_LEVEL0_LANES 1
// Level 0 of an 8-bit colour pyramid as Level0Inside reads it, with what it
// asks of the pyramid itself taken once for all of a pixel's taps. Read
// gives Level0Inside's colour with its lanes in byte order (alpha, blue,
// green, red), or false where Level0Inside gives false.
struct Level0Colour8 {
    const MemTile* tiles;  // level 0's first tile
    int64_t tilesPerRow, maxX, maxY;
    float scaleX, scaleY, scale;

    // False when the pyramid is not one that bilinear_colour8_block reads.
    bool Open(const PyramidDescriptor* pyr) {
        if (pyr->kind != kPyrColour8 || pyr->bytesPerPixel != 4 || !pyr_accessible(pyr, 0, 4)) return false;
        tiles = pyr->tiles + pyr->firstTile[0];
        tilesPerRow = pyr->tilesPerRow[0];
        maxX = pyr->maxX[0];
        maxY = pyr->maxY[0];
        scaleX = pyr->unitScaleX[0];
        scaleY = pyr->unitScaleY[0];
        scale = pyr->invFullScale;
        // Taps checks its indices in 32 bits.
        return maxX < (int64_t(1) << 30) && maxY < (int64_t(1) << 30);
    }

    bool Read(float u, float v, __m128* lanes) const {
        if (!(u >= 0.0f && u <= 1.0f && v >= 0.0f && v < 1.0f)) return false;
        const float X = u * scaleX - 0.5f, Y = v * scaleY - 0.5f;
        if (!(X >= 0.0f && Y >= 0.0f && X < 1e9f && Y < 1e9f)) return false;
        const int64_t i = int64_t(X), j = int64_t(Y);
        const float fx = X - float(i), fy = Y - float(j);
        if (fx < kCentreSnap || fx > 1.0f - kCentreSnap || fy < kCentreSnap || fy > 1.0f - kCentreSnap) return false;
        // The 2 x 2 block inside the level and inside one tile.
        if (i + 1 > maxX || (i & (kTileSide - 1)) > kTileSide - 2 || j + 1 > maxY ||
            (j & (kTileSide - 1)) > kTileSide - 2)
            return false;
        *lanes = Block(i, j, fx, fy);
        return true;
    }

    // The blend of the block from pixel (i, j), checked to be inside one tile.
    __m128 Block(int64_t i, int64_t j, float fx, float fy) const {
        const MemTile& tile = tiles[(i >> kTileShift) + (j >> kTileShift) * tilesPerRow];
        const uint8_t* p = static_cast<const uint8_t*>(tile.pixels) + pyr_index_in_tile(i, j) * 4;
        return bilinear_colour8_lanes(p, scale, fx, fy);
    }

    // Read's steps up to the block for four taps side by side, taps first ..
    // first + 3 of the line (u, v) + (i - half) (stepU, stepV), each lane the
    // scalar steps: bit t of the answer is set when Read takes tap first + t,
    // whose block and fractions are then in is, js, fxs, fys (its position in
    // us, vs either way).
    int Taps(int first, float half, float u, float v, float stepU, float stepV, int32_t is[4], int32_t js[4],
             float fxs[4], float fys[4], float us[4], float vs[4]) const {
        const __m128 k = _mm_sub_ps(_mm_cvtepi32_ps(_mm_add_epi32(_mm_set1_epi32(first), _mm_setr_epi32(0, 1, 2, 3))),
                                    _mm_set1_ps(half));
        const __m128 su = _mm_add_ps(_mm_set1_ps(u), _mm_mul_ps(k, _mm_set1_ps(stepU)));
        const __m128 sv = _mm_add_ps(_mm_set1_ps(v), _mm_mul_ps(k, _mm_set1_ps(stepV)));
        _mm_storeu_ps(us, su);
        _mm_storeu_ps(vs, sv);
        const __m128 zero = _mm_setzero_ps(), one = _mm_set1_ps(1.0f), half1 = _mm_set1_ps(0.5f);
        __m128 ok = _mm_and_ps(_mm_and_ps(_mm_cmpge_ps(su, zero), _mm_cmple_ps(su, one)),
                               _mm_and_ps(_mm_cmpge_ps(sv, zero), _mm_cmplt_ps(sv, one)));
        const __m128 X = _mm_sub_ps(_mm_mul_ps(su, _mm_set1_ps(scaleX)), half1);
        const __m128 Y = _mm_sub_ps(_mm_mul_ps(sv, _mm_set1_ps(scaleY)), half1);
        const __m128 far = _mm_set1_ps(1e9f);
        ok = _mm_and_ps(ok, _mm_and_ps(_mm_and_ps(_mm_cmpge_ps(X, zero), _mm_cmpge_ps(Y, zero)),
                                       _mm_and_ps(_mm_cmplt_ps(X, far), _mm_cmplt_ps(Y, far))));
        // Out of range lanes convert to anything: their bits are cleared.
        const __m128i i = _mm_cvttps_epi32(X), j = _mm_cvttps_epi32(Y);
        const __m128 fx = _mm_sub_ps(X, _mm_cvtepi32_ps(i)), fy = _mm_sub_ps(Y, _mm_cvtepi32_ps(j));
        const __m128 low = _mm_set1_ps(kCentreSnap), high = _mm_set1_ps(1.0f - kCentreSnap);
        ok = _mm_and_ps(ok, _mm_and_ps(_mm_and_ps(_mm_cmpnlt_ps(fx, low), _mm_cmpngt_ps(fx, high)),
                                       _mm_and_ps(_mm_cmpnlt_ps(fy, low), _mm_cmpngt_ps(fy, high))));
        // The block inside the level (i + 1 <= maxX) and inside one tile.
        const __m128i last = _mm_set1_epi32(kTileSide - 1);
        const __m128i iIn = _mm_and_si128(i, last), jIn = _mm_and_si128(j, last);
        const __m128i inside =
            _mm_andnot_si128(_mm_or_si128(_mm_cmpeq_epi32(iIn, last), _mm_cmpeq_epi32(jIn, last)),
                             _mm_and_si128(_mm_cmpgt_epi32(_mm_set1_epi32(int32_t(maxX)), i),
                                           _mm_cmpgt_epi32(_mm_set1_epi32(int32_t(maxY)), j)));
        ok = _mm_and_ps(ok, _mm_castsi128_ps(inside));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(is), i);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(js), j);
        _mm_storeu_ps(fxs, fx);
        _mm_storeu_ps(fys, fy);
        return _mm_movemask_ps(ok);
    }
};

inline __m128 ToLanes(const float c[4]) { return _mm_setr_ps(c[3], c[2], c[1], c[0]); }
inline void FromLanes(__m128 lanes, float out[4]) {
    _mm_storeu_ps(out, _mm_shuffle_ps(lanes, lanes, _MM_SHUFFLE(0, 1, 2, 3)));
}
#endif

// The filtered sample between level L and the next at fraction f, as a unit
// colour. Without minification (level 0) the sample is bilinear, so a
// position at a pixel's centre gives that pixel exactly and a render at the
// input's own scale reproduces it; smaller levels use the pyramid's kernel.
void FilteredSample(const PyramidDescriptor* pyr, int64_t L, float f, float u, float v, float out[4]) {
    if (L > 0 || f > 0.0f) pyr_want_smaller_levels(pyr);
    if (L > 0) {
        get_borked(pyr, L, f, u, v, out);
        for (int k = 0; k < 4; ++k) out[k] *= pyr->invFullScale;
        return;
    }
    if (!Level0Inside(pyr, u, v, out)) BilinearLevel0(pyr, u, v, out);
    if (f > 0.0f) {
        float next[4];
        get_borked(pyr, 1, 0.0f, u, v, next);
        for (int k = 0; k < 4; ++k) out[k] += f * (next[k] * pyr->invFullScale - out[k]);
    }
}

inline void NearestTexel(const PyramidDescriptor* pyr, int64_t L, float u, float v, float out[4]) {
    const int64_t x = std::clamp<int64_t>(int64_t(u * float(pyr->width[L]) - 0.5f), 0, pyr->width[L] - 1);
    const int64_t y = std::clamp<int64_t>(int64_t(v * float(pyr->height[L]) - 0.5f), 0, pyr->height[L] - 1);
    get_intcoord_unitary_color(x, y, pyr, L, out);
}

// A point footprint or a sample at a given level: the overhang rule may move
// the position and raise the level.
void PlainSample(const PyramidDescriptor* pyr, float level, float u, float v, float out[4]) {
    const int64_t rule = OverhangizeCoordinates2016(&u, &v, &level, pyr->overhangMode, pyr);
    if ((rule & kOverhangMoved) && (rule & kOverhangTransparent)) {
        Transparent(out);
        return;
    }
    level = std::clamp(level, 0.0f, float(UsableTopLevel(pyr)));
    const int64_t L = int64_t(level);
    float f = level - float(L);
    if (L >= UsableTopLevel(pyr)) f = 0.0f;
    FilteredSample(pyr, L, f, u, v, out);
}

// Whether the steps the sampler takes for a footprint with axes major and
// minor (floored from minorAxis, at level 0) and ratio R could change within
// e pixels of either axis: the one-pixel limit of both axes, the sample count's steps
// at ratios 2.5, 3.5, ... (at 1.25 a pair lies on one point and at 1.5 the
// two kinds of pair join: the sample moves on there), the level snap and
// the whole levels. `level` is log2(minor) wherever minor is above 1.5.
bool NearASampleStep(float major, float minor, float minorAxis, float R, float level, float e,
                     const PyramidDescriptor* pyr) {
    // A minor axis held at its floor stays there.
    const float ratioSlack = (minorAxis < kMinorFloor - e ? e : e * (1.0f + R)) / minor + 1e-5f * R;
    if (R + ratioSlack >= kSingleSampleRatio) {
        if (!(std::fabs(major - 1.0f) > e)) return true;
        if (major > 1.0f && R + ratioSlack >= 2.5f && R - ratioSlack <= float(kDefaultLargestSampleCount) - 0.5f &&
            !(std::fabs(R + 0.5f - std::nearbyint(R + 0.5f)) > ratioSlack))
            return true;
    }
    if (!(std::fabs(minor - 1.0108893f) > e * 1.02f)) return true;  // 2^(1/64), the level snap
    if (minor > 1.5f) {
        const float levelSlack = 1.5f * e / minor;
        if (level < float(UsableTopLevel(pyr)) + levelSlack && !(std::fabs(level - std::nearbyint(level)) > levelSlack))
            return true;
    }
    return false;
}

// OverhangizePDs, inline in the sampler that asks it of every footprint.
inline bool FitFootprint(float pd[4], const PyramidDescriptor* pyr) {
    bool tooLarge = false;
    switch (pyr->overhangMode) {
        case kOverhangClear: case kOverhangMirrorBlur: case kOverhangClamp:
            tooLarge = Large(pd[0]) || Large(pd[1]) || Large(pd[2]) || Large(pd[3]);
            break;
        case kOverhangWrapSides: case kOverhangOverThePole:
            pd[0] = WrapHalf(pd[0]);
            pd[2] = WrapHalf(pd[2]);
            tooLarge = Large(pd[1]) || Large(pd[3]);
            break;
        case kOverhangWrapBoth:
            for (int k = 0; k < 4; ++k) pd[k] = WrapHalf(pd[k]);
            break;
        default: break;
    }
    const float W = float(pyr->width[0]), H = float(pyr->height[0]);
    pd[0] *= W;
    pd[2] *= W;
    pd[1] *= H;
    pd[3] *= H;
    return tooLarge;
}

}  // namespace

bool OverhangizePDs(float pd[4], const PyramidDescriptor* pyr) { return FitFootprint(pd, pyr); }

void get_sharpened_color(const PyramidDescriptor* pyr, int64_t level, float out[4], float fraction, float u, float v,
                         float flag) {
    float lv = float(level) + fraction;
    const int64_t rule = OverhangizeCoordinates2016(&u, &v, &lv, pyr->overhangMode, pyr);
    if ((rule & kOverhangMoved) && (rule & kOverhangTransparent)) {
        Transparent(out);
        return;
    }
    const int64_t top = UsableTopLevel(pyr);
    lv = std::clamp(lv, 0.0f, float(top));
    const int64_t L = int64_t(lv);
    if (flag == -1.0f && L == 0) {
        NearestTexel(pyr, 0, u, v, out);
        return;
    }
    const float f = L >= top ? 0.0f : lv - float(L);
    FilteredSample(pyr, L, f, u, v, out);
}

void FillDitherThresholds(uint8_t table[256]) {
    // Doubling step: each quadrant of the larger matrix is 4 M plus 0, 2, 3, 1
    // (top left, top right, bottom left, bottom right).
    uint8_t m[kDitherSide][kDitherSide] = {{0}};
    for (int n = 1; n < kDitherSide; n *= 2)
        for (int y = n - 1; y >= 0; --y)
            for (int x = n - 1; x >= 0; --x) {
                const uint8_t b = uint8_t(4 * m[y][x]);
                m[y][x] = b;
                m[y][x + n] = uint8_t(b + 2);
                m[y + n][x] = uint8_t(b + 3);
                m[y + n][x + n] = uint8_t(b + 1);
            }
    std::memcpy(table, m, 256);
}

void MajorAxisDirection(float Ka, float Kb, float Kc, float* sinTheta, float* cosTheta) {
    const double D = double(Ka - Kc), B = double(Kb);
    const double hyp = std::sqrt(D * D + B * B);
    if (!(hyp > 0.0) || !std::isfinite(hyp)) {
        // No direction (a round footprint) or none that is finite: the
        // angle's own functions.
        const float theta = 0.5f * std::atan2(Kb, Ka - Kc);
        *sinTheta = std::sin(theta);
        *cosTheta = std::cos(theta);
        return;
    }
    // Twice the angle has cosine D / hyp and sine B / hyp; the half angle
    // lies in [-pi/2, pi/2], so its cosine is not negative and its sine
    // takes B's sign. The larger of the two comes from the half-angle
    // formula without cancellation, the other from sin 2t = 2 sin t cos t.
    if (D >= 0.0) {
        const double c = std::sqrt(0.5 * (1.0 + D / hyp));
        *cosTheta = float(c);
        *sinTheta = float(B / (2.0 * hyp * c));
    } else {
        const double s = std::sqrt(0.5 * (1.0 - D / hyp));
        *sinTheta = float(std::copysign(s, B));
        *cosTheta = float(std::fabs(B) / (2.0 * hyp * s));
    }
}

float ResolvedLevelHint(vort* hints) {
    if (hints->levelHintDeferred) {
        hints->levelHint = std::log2(hints->levelHintMinor);
        hints->levelHintDeferred = 0;
    }
    return hints->levelHint;
}

int SampleAnisotropicallyColorCore_unitary(float pd[4], int code, const PyramidDescriptor* pyr, float out[4],
                                           vort* hints, float u, float v, float flag) {
    if (code == kFootprintNoLeft) pd[0] = pd[2], pd[1] = pd[3];
    if (code == kFootprintNoUpper) pd[2] = pd[0], pd[3] = pd[1];

    const float sumSquares = pd[0] * pd[0] + pd[1] * pd[1] + pd[2] * pd[2] + pd[3] * pd[3];
    // Where the footprint's u components may be off by stepSlack: the point
    // footprint and the overhang rule's half-picture limit are steps too.
    const float stepSlack = hints ? hints->stepSlack : 0.0f;
    if (stepSlack > 0.0f) {
        hints->nearAStep = !(sumSquares >= 4.0f * kPointFootprint);
        for (int k = 0; k < 4; ++k)
            if (!(std::fabs(pd[k]) < 0.5f - stepSlack)) hints->nearAStep = 1;
    }
    if (sumSquares < kPointFootprint) {
        PlainSample(pyr, 0.0f, u, v, out);
        return 1;
    }
    if (code == kFootprintNeither || (hints && hints->stateSamplerFlag)) {
        const float level = hints ? ResolvedLevelHint(hints) : 0.0f;
        PlainSample(pyr, level, u, v, out);
        if (hints) hints->levelHint = 0.0f;
        return 1;
    }

    const bool tooLarge = FitFootprint(pd, pyr);
    const float dudx = pd[0], dvdx = pd[1], dudy = pd[2], dvdy = pd[3];
    const float Ka = dvdx * dvdx + dvdy * dvdy;
    const float Kb = -2.0f * (dudx * dvdx + dudy * dvdy);
    const float Kc = dudx * dudx + dudy * dudy;
#if VORNESK_LEVEL0_LANES
    // A footprint whose axes' squares sum to at most about two pixels takes
    // one sample as a rule: its level-0 read at the centre starts before the
    // axes are worked out, side by side with them.
    Level0Colour8 fast;
    const bool open = fast.Open(pyr);
    __m128 centre = _mm_setzero_ps();
    const bool early = open && Ka + Kc <= 2.25f;
    const bool centreRead = early && fast.Read(u, v, &centre);
#endif
    // The ellipse's axes are the square roots of the two eigenvalues of the
    // quadratic form, taken directly: dividing by its determinant first
    // (floored near zero) would give a thin footprint a major axis of
    // hundreds of pixels.
    const float r = std::sqrt((Ka - Kc) * (Ka - Kc) + Kb * Kb);
    float major = std::sqrt(std::max(0.5f * (Ka + Kc + r), 0.0f));
    float minor = std::sqrt(std::max(0.5f * (Ka + Kc - r), 0.0f));
    const float s = 1.0f - 0.5f * std::max(flag, 0.0f);
    major *= s;
    const float minorAxis = s * minor;
    minor = std::max(minorAxis, kMinorFloor);
    // Up to a minor axis of 1.01 the level, log2(minor) at most 0.0144,
    // stays under the snap whatever its last bits: the sample is level 0's,
    // and the logarithm is worked out only if the hint is read.
    const bool belowSnap = minor <= kSurelyBelowSnap;
    const float level = belowSnap ? 0.0f : std::log2(minor);
    if (hints) {
        hints->levelHintDeferred = belowSnap;
        if (belowSnap) hints->levelHintMinor = minor;
        else hints->levelHint = level;
    }

    // The last level that exists, not one past it. A footprint a hair wider
    // than one pixel (rounding in the positions) stays at level 0 rather
    // than mixing in a trace of the next level.
    const float L = belowSnap || level < kLevelSnap ? 0.0f : std::min(level, float(UsableTopLevel(pyr)));
    const int64_t Li = int64_t(L);
    const float fraction = L - float(Li);

    const float R = major / minor;
    // The axes are the footprint's singular values, which move by at most
    // the Frobenius norm of its change (two u components), at level 0.
    if (stepSlack > 0.0f && !hints->nearAStep)
        hints->nearAStep = NearASampleStep(major, minor, minorAxis, R, level, s * 1.5f * stepSlack * float(pyr->width[0]) + 1e-5f * (1.0f + major), pyr);
    // At level 0 without a blend every sample is BilinearLevel0's.
    const bool level0 = Li == 0 && fraction == 0.0f && flag != -1.0f;
#if VORNESK_LEVEL0_LANES
    const bool lanes = level0 && open;
#endif
    if (!(R >= kSingleSampleRatio) || tooLarge || (major <= 1.0f && minor <= 1.0f)) {
#if VORNESK_LEVEL0_LANES
        if (lanes && (early ? centreRead : fast.Read(u, v, &centre))) {
            FromLanes(centre, out);
            return 1;
        }
#endif
        if (!(level0 && Level0Inside(pyr, u, v, out))) get_sharpened_color(pyr, Li, out, fraction, u, v, flag);
        return 1;
    }
    int n;
    float w;
    if (R < kTwoSampleRatio) {
        n = 2;
        w = (R - kSingleSampleRatio) * 4.0f;
    } else {
        const int largest = hints && hints->largestSampleCount > 1 ? hints->largestSampleCount : kDefaultLargestSampleCount;
        n = std::clamp(int(R + 0.5f), 2, largest);
        w = 1.0f;
    }
    // The major axis lies across the direction in which the ellipse's
    // quadratic form grows fastest: half the angle of (Kb, Ka - Kc), turned
    // a quarter.
    float sinTheta, cosTheta;
    MajorAxisDirection(Ka, Kb, Kc, &sinTheta, &cosTheta);
    const float len = w * major / float(n - 1);
    const float stepU = -sinTheta * len / float(pyr->width[0]);
    const float stepV = cosTheta * len / float(pyr->height[0]);
    const float half = float(n - 1) * 0.5f;
#if VORNESK_LEVEL0_LANES
    if (lanes) {
        // The same sums, the channels side by side in byte order.
        __m128 sum = _mm_setzero_ps();
        for (int first = 0; first < n; first += 4) {
            int32_t is[4], js[4];
            float fxs[4], fys[4], us[4], vs[4];
            const int inside = fast.Taps(first, half, u, v, stepU, stepV, is, js, fxs, fys, us, vs);
            for (int t = 0; t < std::min(4, n - first); ++t) {
                __m128 c;
                if (inside >> t & 1) {
                    c = fast.Block(is[t], js[t], fxs[t], fys[t]);
                } else {
                    float g[4];
                    get_sharpened_color(pyr, Li, g, fraction, us[t], vs[t], flag);
                    c = ToLanes(g);
                }
                sum = _mm_add_ps(sum, c);
            }
        }
        FromLanes(_mm_mul_ps(sum, _mm_set1_ps(1.0f / float(n))), out);
        return n;
    }
#endif
    float sum[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    for (int i = 0; i < n; ++i) {
        float c[4];
        const float k = float(i) - half;
        const float su = u + k * stepU, sv = v + k * stepV;
        if (!(level0 && Level0Inside(pyr, su, sv, c))) get_sharpened_color(pyr, Li, c, fraction, su, sv, flag);
        for (int j = 0; j < 4; ++j) sum[j] += c[j];
    }
    const float inv = 1.0f / float(n);
    for (int j = 0; j < 4; ++j) out[j] = sum[j] * inv;
    return n;
}

namespace {

int FootprintFrom(float pd[4], float ul, float vl, float ut, float vt, float uc, float vc) {
    const bool noLeft = ul == -1.0f, noUpper = ut == -1.0f;
    pd[0] = uc - ul;
    pd[1] = vc - vl;
    pd[2] = uc - ut;
    pd[3] = vc - vt;
    if (noLeft && !noUpper) pd[0] = pd[2], pd[1] = pd[3];
    if (noUpper && !noLeft) pd[2] = pd[0], pd[3] = pd[1];
    return (noLeft ? kFootprintNoLeft : 0) | (noUpper ? kFootprintNoUpper : 0);
}

}  // namespace

int SampleAnisotropicallyColor_Centered_unitary(const PyramidDescriptor* pyr, float out[4], vort* hints, float flag,
                                                float ul, float vl, float ut, float vt, float uc, float vc, float u,
                                                float v) {
    float pd[4];
    const int code = FootprintFrom(pd, ul, vl, ut, vt, uc, vc);
    return SampleAnisotropicallyColorCore_unitary(pd, code, pyr, out, hints, u, v, flag);
}

void SampleUglyColorCore_core(float pd[4], int code, const PyramidDescriptor* pyr, float out[4], vort* hints, float u,
                              float v) {
    float level = 0.0f;
    const int64_t rule = OverhangizeCoordinates2016(&u, &v, &level, pyr->overhangMode, pyr);
    if ((rule & kOverhangMoved) && (rule & kOverhangTransparent)) {
        Transparent(out);
        return;
    }
    if (code == kFootprintNeither || (hints && hints->stateSamplerFlag)) {
        level = hints ? ResolvedLevelHint(hints) : 0.0f;
    } else {
        OverhangizePDs(pd, pyr);
        const float x = 0.5f * (std::max(std::fabs(pd[0]), std::fabs(pd[1])) + std::max(std::fabs(pd[2]), std::fabs(pd[3])));
        level = x <= 1.0f ? 0.0f : std::log2(x);
    }
    const int64_t L = int64_t(std::clamp(level, 0.0f, float(UsableTopLevel(pyr))));
    if (L > 0) pyr_want_smaller_levels(pyr);
    NearestTexel(pyr, L, u, v, out);
}

void SampleUglyColor_Centered_unitary(const PyramidDescriptor* pyr, float out[4], vort* hints, float ul, float vl,
                                      float ut, float vt, float uc, float vc, float u, float v) {
    float pd[4];
    const int code = FootprintFrom(pd, ul, vl, ut, vt, uc, vc);
    SampleUglyColorCore_core(pd, code, pyr, out, hints, u, v);
}
