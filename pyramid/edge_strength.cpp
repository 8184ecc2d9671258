#include "pyramid/edge_strength.h"

#include "pyramid/level_rects.h"
#include "pyramid/pixels.h"

namespace {

inline int64_t Luma(int64_t c0, int64_t c1, int64_t c2) { return (77 * c0 + 150 * c1 + 28 * c2) >> 8; }

inline int64_t ColourLuma(int64_t x, int64_t y, const PyramidDescriptor* pyr, int64_t L) {
    int64_t c[4];
    get_pyramid_sample_pointColorcall(x, y, pyr, L, &c[0], &c[1], &c[2], &c[3]);
    return Luma(c[0], c[1], c[2]);
}

inline int64_t Capped(int64_t e, int64_t cap) {
    if (e < 0) e = -e;
    return e < cap ? e : cap;
}

int64_t EffectiveGain(int64_t level, int64_t doubling, int64_t gain) {
    if (!doubling) return gain;
    return level < 40 ? int64_t{1} << level : int64_t{1} << 40;
}

template <class Y>
inline int64_t Laplacian(int64_t x, int64_t y, Y luma) {
    return luma(x - 1, y) + luma(x + 1, y) + luma(x, y - 1) + luma(x, y + 1) - 4 * luma(x, y);
}

}  // namespace

VRect StashEdgesInAlpha(PyramidDescriptor* pyr, int64_t level, int64_t doubling) {
    if (!LevelHasPixels(pyr, level)) return VRect{0, 0, 0, 0};
    const VRect whole = GetBoundingVRectOfPyrLevel(pyr, level);
    StashEdgesInAlphaPart(pyr, level, doubling, 1, whole);
    return whole;
}

void StashEdgesInAlphaPart(PyramidDescriptor* pyr, int64_t level, int64_t doubling, int64_t gain, VRect rect) {
    if (!LevelHasPixels(pyr, level)) return;
    if (pyr->kind != kPyrColour8 && pyr->kind != kPyrColour16) return;
    const VRect r = ClipRectToLevel(pyr, level, rect);
    const int64_t g = EffectiveGain(level, doubling, gain);
    const int64_t cap = pyr->kind == kPyrColour8 ? 255 : 32768;
    auto luma = [&](int64_t x, int64_t y) { return ColourLuma(x, y, pyr, level); };
    for (int64_t y = r.top; y < r.bottom; ++y)
        for (int64_t x = r.left; x < r.right; ++x) {
            const int64_t a = Capped(Laplacian(x, y, luma) * g, cap);
            if (pyr->kind == kPyrColour8) {
                alpha_set_pyramid_sample_point4(x, y, pyr, level, a);
            } else {
                uint16_t v[4];
                pyr_read_components(x, y, pyr, level, v);
                v[3] = static_cast<uint16_t>(a);
                pyr_write_components(x, y, pyr, level, v);
            }
        }
}

void StashEdgesInAlphaPart_1_to_4(const PyramidDescriptor* source, int64_t level, int64_t gain, VRect rect,
                                  PyramidDescriptor* target) {
    if (!target || !LevelHasPixels(target, level) || target->kind != kPyrColour8) return;
    if (!source || !source->tiles) {
        const VRect r = ClipRectToLevel(target, level, rect);
        for (int64_t y = r.top; y < r.bottom; ++y)
            for (int64_t x = r.left; x < r.right; ++x) alpha_set_pyramid_sample_point4(x, y, target, level, 0);
        return;
    }
    if (!LevelHasPixels(source, level) || source->kind != kPyrGrey8) return;
    const VRect r = ClipRectToLevel(source, level, rect);
    auto grey = [&](int64_t x, int64_t y) { return int64_t{get_pyramid_sample_point1(x, y, source, level)}; };
    for (int64_t y = r.top; y < r.bottom; ++y)
        for (int64_t x = r.left; x < r.right; ++x)
            alpha_set_pyramid_sample_point4(x, y, target, level, Capped(Laplacian(x, y, grey) * gain, 255));
}

void multiply_alpha(int64_t x, int64_t y, PyramidDescriptor* pyr, int64_t level, int64_t factor) {
    if (!LevelHasPixels(pyr, level) || pyr->kind != kPyrColour8) return;
    pyr_apply_edge_rule(pyr, level, x, y);
    const uint32_t w = get_pyramid_sample_point4_raw(x, y, pyr, level);
    int64_t a = (static_cast<int64_t>(w & 255) * factor) >> 8;
    a = a < 0 ? 0 : (a > 255 ? 255 : a);
    set_pyramid_sample_point4_raw(x, y, pyr, level, (w & 0xFFFFFF00u) | static_cast<uint32_t>(a));
}
