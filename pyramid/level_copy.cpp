#include "pyramid/level_copy.h"

#include <cmath>
#include <cstring>

#include "pyramid/mipmap.h"
#include "pyramid/level_rects.h"
#include "pyramid/pixels.h"
#include "pyramid/sampling.h"

namespace {

bool IsColourKind(int64_t kind) { return kind == kPyrColour8 || kind == kPyrColour16 || kind == kPyrColourFloat; }

bool IsEmpty(const VRect& r) { return r.bottom <= r.top || r.right <= r.left; }

int64_t Width(const VRect& r) { return int64_t{r.right} - r.left; }
int64_t Height(const VRect& r) { return int64_t{r.bottom} - r.top; }

float Clamp(float v, float lo, float hi) { return v > lo ? (v < hi ? v : hi) : lo; }

// Pixel (sx, sy) of level Ls of src (edge rule applied) into pixel (dx, dy)
// of level Ld of dst, in dst's kind; same kinds are copied byte for byte.
void CopyPixelInKind(const PyramidDescriptor* src, int64_t Ls, int64_t sx, int64_t sy, PyramidDescriptor* dst,
                     int64_t Ld, int64_t dx, int64_t dy) {
    const int64_t bpp = dst->bytesPerPixel;
    if (!pyr_writable(dst, Ld, dx, dy, 1)) return;
    if (src->kind == dst->kind && src->bytesPerPixel == bpp && pyr_accessible(src, Ls, bpp)) {
        pyr_apply_edge_rule(src, Ls, sx, sy);
        std::memcpy(pyr_pixel_address(dst, Ld, dx, dy, bpp), pyr_pixel_address(src, Ls, sx, sy, bpp),
                    static_cast<size_t>(bpp));
        return;
    }
    float c[4];
    get_intcoord_unitary_color(sx, sy, src, Ls, c);
    set_intcoord_unitary_color(dx, dy, dst, Ld, c);
}

VRect WholeLevel0(const PyramidDescriptor* pyr) { return GetBoundingVRectOfPyrLevel(pyr, 0); }

// Level of detail of a size ratio, limited to 0..top.
void LevelOfDetail(const PyramidDescriptor* a, double ratio, float bias, int64_t* level, float* fraction) {
    double lod = std::log2(ratio) - bias;
    const double top = static_cast<double>(a->topLevel);
    if (!(lod > 0.0)) lod = 0.0;
    if (lod > top) lod = top;
    *level = static_cast<int64_t>(lod);
    *fraction = static_cast<float>(lod - static_cast<double>(*level));
}

// After a scale or copy into level 0: the smaller levels, unless B keeps none.
void RebuildSmallerLevels(PyramidDescriptor* b) {
    if (b->edgeMode == -1) {
        b->mipmapState = 1;
        return;
    }
    paint_mipmap_of_pyramid(b);
}

// The walk of the scalers: each pixel of rb (inside B's level 0) takes the
// sample of A at the centre of the matching part of ra, at the level of
// detail of the width ratio; false when there is nothing to scale.
template <class Sampler>
bool ScaleRectangle(const PyramidDescriptor* a, PyramidDescriptor* b, VRect ra, VRect rb, float bias,
                    Sampler sample) {
    if (!LevelHasPixels(a, 0) || !LevelHasPixels(b, 0) || IsEmpty(ra) || IsEmpty(rb)) return false;
    int64_t L;
    float f;
    const double sx = static_cast<double>(Width(ra)) / static_cast<double>(Width(rb));
    const double sy = static_cast<double>(Height(ra)) / static_cast<double>(Height(rb));
    LevelOfDetail(a, sx, bias, &L, &f);
    const VRect target = ClipRectToLevel(b, 0, rb);
    for (int64_t y = target.top; y < target.bottom; ++y)
        for (int64_t x = target.left; x < target.right; ++x) {
            const double ax = ra.left + (static_cast<double>(x - rb.left) + 0.5) * sx;
            const double ay = ra.top + (static_cast<double>(y - rb.top) + 0.5) * sy;
            float c[4];
            sample(L, f, static_cast<float>(ax * a->invInteriorWidth[0]), static_cast<float>(ay * a->invInteriorHeight[0]), c);
            set_intcoord_unitary_color(x, y, b, 0, c);
        }
    return true;
}

}  // namespace

void SampleBetweenLevels(const PyramidDescriptor* pyr, int64_t L, float f, float u, float v, float out[4]) {
    const int64_t top = pyr->topLevel;
    if (L >= top) {
        // The blending samplers stop one level short of the top; the top
        // itself is read directly.
        const int64_t T = top > 0 ? top : 0;
        gauss_pyramid_sampleColor(pyr, T, UnitToPixelX(pyr, T, u), UnitToPixelY(pyr, T, v), out);
    } else {
        get_borked(pyr, L, f, u, v, out);
    }
    for (int k = 0; k < 4; ++k) out[k] *= pyr->invFullScale;
}

// ----------------------------------------------------------- level copies

void CopyLevelToLevel(const PyramidDescriptor* a, PyramidDescriptor* b, int64_t level) {
    if (!a || !b || level < 0 || !a->tiles || !b->tiles || a == b) return;
    if (level > a->topLevel) level = a->topLevel;
    if (level > b->topLevel) level = b->topLevel;
    const bool sameLayout = a->kind == b->kind && a->width[0] == b->width[0] && a->height[0] == b->height[0] &&
                            a->bytesPerPixel == b->bytesPerPixel && a->topLevel == b->topLevel &&
                            a->totalBytes == b->totalBytes && a->bordered == b->bordered;
    if (!sameLayout) {
        CopyLevelToLevelSlowly(a, b, level, level);
        return;
    }
    for (int64_t i = a->firstTile[level]; i <= a->lastTile[level] && i < a->tileCount && i < b->tileCount; ++i) {
        const int64_t n = BytesInTile(a, i);
        if (n != BytesInTile(b, i) || !a->tiles[i].pixels || !b->tiles[i].pixels) continue;
        std::memcpy(b->tiles[i].pixels, a->tiles[i].pixels, static_cast<size_t>(n));
    }
}

void CopyLevelToLevelSlowly(const PyramidDescriptor* a, PyramidDescriptor* b, int64_t levelA, int64_t levelB) {
    if (!LevelHasPixels(a, levelA) || !LevelHasPixels(b, levelB) || a == b) return;
    const int64_t w = a->width[levelA] < b->width[levelB] ? a->width[levelA] : b->width[levelB];
    const int64_t h = a->height[levelA] < b->height[levelB] ? a->height[levelA] : b->height[levelB];
    const bool colourA = IsColourKind(a->kind), colourB = IsColourKind(b->kind);
    for (int64_t y = 0; y < h; ++y)
        for (int64_t x = 0; x < w; ++x) {
            if (a->kind == b->kind || (colourA && colourB)) {
                CopyPixelInKind(a, levelA, x, y, b, levelB, x, y);
            } else if (colourA) {
                float c[4];
                get_intcoord_unitary_color(x, y, a, levelA, c);
                set_intcoord_unitary_grey(x, y, b, levelB, 0.3f * c[0] + 0.59f * c[1] + 0.11f * c[2]);
            } else if (colourB) {
                const float g = get_intcoord_unitary_grey(x, y, a, levelA);
                const float c[4] = {g, g, g, 1.0f};
                set_intcoord_unitary_color(x, y, b, levelB, c);
            } else {
                set_intcoord_unitary_grey(x, y, b, levelB, get_intcoord_unitary_grey(x, y, a, levelA));
            }
        }
}

// ---------------------------------------------------------------- scaling

void ScalePyrNicely_TargetAlways4(const PyramidDescriptor* a, PyramidDescriptor* b, VRect ra, VRect rb, float bias) {
    const bool floats = b->kind == kPyrGreyFloat || b->kind == kPyrColourFloat;
    const float colourMax = floats ? 65535.0f : 1.0f;
    const bool scaled = ScaleRectangle(a, b, ra, rb, bias, [&](int64_t L, float f, float u, float v, float c[4]) {
        SampleBetweenLevels(a, L, f, u, v, c);
        for (int k = 0; k < 3; ++k) c[k] = Clamp(c[k], 0.0f, colourMax);
        c[3] = Clamp(c[3], 0.0f, 1.0f);
    });
    if (scaled) RebuildSmallerLevels(b);
}

void CopyOrScalePyrToPyr(const PyramidDescriptor* a, PyramidDescriptor* b) {
    if (!LevelHasPixels(a, 0) || !LevelHasPixels(b, 0)) return;
    if (PyramidsAreSimilarSizeAtLevel0(a, b)) {
        CopyLevelToLevel(a, b, 0);
        RebuildSmallerLevels(b);
        return;
    }
    ScalePyrNicely_TargetAlways4(a, b, WholeLevel0(a), WholeLevel0(b), 0.5f);
}
