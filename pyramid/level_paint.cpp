#include "pyramid/level_paint.h"

#include "pyramid/level_rects.h"
#include "pyramid/pixels.h"

namespace {

template <class F>
void ForEachPixelOfLevel(const PyramidDescriptor* pyr, int64_t L, F f) {
    for (int64_t y = 0; y < pyr->height[L]; ++y)
        for (int64_t x = 0; x < pyr->width[L]; ++x) f(x, y);
}

// Scale of the test patterns: 8-bit kinds take bytes, others 15-bit values.
int64_t PatternScale(const PyramidDescriptor* pyr) {
    return pyr->kind == kPyrGrey8 || pyr->kind == kPyrColour8 ? 1 : 128;
}

}  // namespace

void PaintTestPattern(PyramidDescriptor* pyr) {
    if (!LevelHasPixels(pyr, 0)) return;
    const int64_t s = PatternScale(pyr);
    ForEachPixelOfLevel(pyr, 0, [&](int64_t x, int64_t y) {
        const int64_t v = x ^ y;
        const int64_t c0 = v & 255, c1 = (v + 85) & 255, c2 = (v + 170) & 255;
        if (pyr->kind == kPyrColourFloat) {
            set_pyramid_sample_point128bit_floats(x, y, pyr, 0, c0 / 255.0f, c1 / 255.0f, c2 / 255.0f, c2 / 255.0f);
        } else if (pyr->kind == kPyrGreyFloat) {
            set_pyramid_sample_point_float(x, y, pyr, 0, c0 / 255.0f);
        } else {
            set_pyramid_sample_pointColor(x, y, pyr, 0, c0 * s, c1 * s, c2 * s, 255 * s);
        }
    });
}
