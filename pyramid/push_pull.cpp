#include "pyramid/push_pull.h"

#include "pyramid/level_rects.h"
#include "pyramid/pixels.h"
#include "pyramid/sampling.h"

namespace {

// Alpha alone, in the kind's own width, so that the colour of a pixel that
// is only made opaque or transparent is not converted at all.
void SetUnitAlpha(int64_t x, int64_t y, PyramidDescriptor* pyr, int64_t L, float a) {
    switch (pyr->kind) {
        case kPyrColour8: alpha_set_pyramid_sample_point4(x, y, pyr, L, a > 0.0f ? 255 : 0); return;
        case kPyrColour16: {
            uint16_t v[4];
            pyr_read_components(x, y, pyr, L, v);
            v[3] = a > 0.0f ? 32768 : 0;
            pyr_write_components(x, y, pyr, L, v);
            return;
        }
        case kPyrColourFloat: {
            float v[4];
            pyr_read_components(x, y, pyr, L, v);
            v[3] = a;
            pyr_write_components(x, y, pyr, L, v);
            return;
        }
        default: return;   // grey kinds have no alpha: they read as opaque
    }
}

template <class F>
void ForEachPixel(const PyramidDescriptor* pyr, int64_t L, F f) {
    for (int64_t y = 0; y < pyr->height[L]; ++y)
        for (int64_t x = 0; x < pyr->width[L]; ++x) f(x, y);
}

// Alpha of a pixel as the fill sees it: tiny alphas are none.
inline float FillAlpha(float a) { return a < kPushPullZeroAlpha ? 0.0f : a; }

}  // namespace

void CongealLevel(PyramidDescriptor* pyr, int64_t level, int64_t passes) {
    if (passes < 1 || !LevelHasPixels(pyr, level) || pyr->width[level] < 1 || pyr->height[level] < 1) return;
    ForEachPixel(pyr, level, [&](int64_t x, int64_t y) {
        float c[4];
        get_intcoord_unitary_color(x, y, pyr, level, c);
        if (c[3] < kPushPullZeroAlpha && c[3] != 0.0f) SetUnitAlpha(x, y, pyr, level, 0.0f);
    });
    static const int64_t kNeighbours[4][2] = {{0, -1}, {-1, 0}, {1, 0}, {0, 1}};
    for (int64_t pass = 0; pass < passes; ++pass)
        for (int64_t k = 0; k < 2; ++k)
            for (int64_t y = 0; y < pyr->height[level]; ++y)
                for (int64_t x = (y + k) & 1; x < pyr->width[level]; x += 2) {
                    float c[4];
                    get_intcoord_unitary_color(x, y, pyr, level, c);
                    if (c[3] != 0.0f) continue;
                    float sum[3] = {0.0f, 0.0f, 0.0f}, W = 0.0f;
                    for (const auto& n : kNeighbours) {
                        float m[4];
                        get_intcoord_unitary_color(x + n[0], y + n[1], pyr, level, m);
                        for (int i = 0; i < 3; ++i) sum[i] += m[3] * m[i];
                        W += m[3];
                    }
                    if (!(W > kPushPullEnoughAlpha)) continue;
                    const float filled[4] = {sum[0] / W, sum[1] / W, sum[2] / W, 1.0f};
                    set_intcoord_unitary_color(x, y, pyr, level, filled);
                }
    ForEachPixel(pyr, level, [&](int64_t x, int64_t y) {
        float c[4];
        get_intcoord_unitary_color(x, y, pyr, level, c);
        const float a = c[3] == 0.0f ? 0.0f : 1.0f;
        if (c[3] != a) SetUnitAlpha(x, y, pyr, level, a);
    });
}

void PushPaintLevelAbove(PyramidDescriptor* pyr, int64_t level) {
    if (!LevelHasPixels(pyr, level) || level + 1 > pyr->topLevel) return;
    const int64_t up = level + 1;
    ForEachPixel(pyr, up, [&](int64_t x, int64_t y) {
        float sum[3] = {0.0f, 0.0f, 0.0f}, W = 0.0f;
        for (int64_t q = 0; q < 4; ++q) {
            float c[4];
            get_intcoord_unitary_color(2 * x + (q & 1), 2 * y + (q >> 1), pyr, level, c);
            const float a = FillAlpha(c[3]);
            for (int i = 0; i < 3; ++i) sum[i] += a * c[i];
            W += a;
        }
        const float out[4] = {W > 0.0f ? sum[0] / W : 0.0f, W > 0.0f ? sum[1] / W : 0.0f,
                              W > 0.0f ? sum[2] / W : 0.0f, W > 0.0f ? 1.0f : 0.0f};
        set_intcoord_unitary_color(x, y, pyr, up, out);
    });
}

void PullPaintLevel(PyramidDescriptor* pyr, int64_t level) {
    if (!LevelHasPixels(pyr, level) || level + 1 > pyr->topLevel) return;
    const int64_t up = level + 1;
    const bool unitKind = pyr->kind == kPyrGrey8 || pyr->kind == kPyrGrey16 || pyr->kind == kPyrColour8 ||
                          pyr->kind == kPyrColour16;
    const float colourMax = unitKind ? 1.0f : 65535.0f;
    ForEachPixel(pyr, level, [&](int64_t x, int64_t y) {
        float c[4];
        get_intcoord_unitary_color(x, y, pyr, level, c);
        if (c[3] > kPushPullHoleAlpha) {
            if (c[3] != 1.0f) SetUnitAlpha(x, y, pyr, level, 1.0f);
            return;
        }
        // Level + 1 is read directly, also when it is the top level, which
        // the blending samplers never reach, at the place of this pixel's
        // centre.
        const float u = PixelToUnitX(pyr, level, static_cast<float>(x));
        const float v = PixelToUnitY(pyr, level, static_cast<float>(y));
        float s[4];
        gauss_pyramid_sampleColor(pyr, up, UnitToPixelX(pyr, up, u), UnitToPixelY(pyr, up, v), s);
        float out[4];
        for (int i = 0; i < 3; ++i) {
            const float k = s[i] * pyr->invFullScale;
            out[i] = k > 0.0f ? (k < colourMax ? k : colourMax) : 0.0f;
        }
        out[3] = 1.0f;
        set_intcoord_unitary_color(x, y, pyr, level, out);
    });
}

void paint_pushpull_of_pyramid_above(PyramidDescriptor* pyr, int64_t passes) {
    if (!pyr || !pyr->tiles || pyr->topLevel < 1) return;
    for (int64_t L = 0; L < pyr->topLevel; ++L) {
        CongealLevel(pyr, L, passes);
        PushPaintLevelAbove(pyr, L);
    }
    for (int64_t L = pyr->topLevel - 1; L >= 0; --L) PullPaintLevel(pyr, L);
}
