#include "pyramid/level_paint.h"

#include <cmath>
#include <initializer_list>
#include <cstdlib>

#include "pyramid/level_rects.h"
#include "pyramid/pixels.h"
#include "pyramid/wu_pixel.h"

namespace {

// Every pixel of every tile of level L (edge tiles whole) set to value; only
// for pyramids whose pixels are exactly sizeof(T) wide.
template <class T>
void FillWholeTiles(PyramidDescriptor* pyr, int64_t L, T value) {
    if (!LevelHasPixels(pyr, L) || pyr->bytesPerPixel != static_cast<int64_t>(sizeof(T))) return;
    for (int64_t i = pyr->firstTile[L]; i <= pyr->lastTile[L] && i < pyr->tileCount; ++i) {
        const MemTile& t = pyr->tiles[i];
        if (!t.pixels || t.rows < 1) continue;
        T* p = static_cast<T*>(t.pixels);
        for (int64_t k = 0, n = t.rows * kTileSide; k < n; ++k) p[k] = value;
    }
}

template <class F>
void ForEachPixelOfLevel(const PyramidDescriptor* pyr, int64_t L, F f) {
    for (int64_t y = 0; y < pyr->height[L]; ++y)
        for (int64_t x = 0; x < pyr->width[L]; ++x) f(x, y);
}

// Scale of the test patterns: 8-bit kinds take bytes, others 15-bit values.
int64_t PatternScale(const PyramidDescriptor* pyr) {
    return pyr->kind == kPyrGrey8 || pyr->kind == kPyrColour8 ? 1 : 128;
}

int64_t ClampIndex(int64_t v, int64_t lo, int64_t hi) { return v < lo ? lo : (v > hi ? hi : v); }

}  // namespace

// ------------------------------------------------------------------ stripes

namespace {

// Writes pixel(x, y) along the part of a row (horizontal) or column of level
// 0 between from and to (inclusive) that lies inside the level, for pyramids
// whose pixels are `bytes` wide.
template <class Write>
void PaintStripe(PyramidDescriptor* pyr, int64_t bytes, bool horizontal, int64_t at, int64_t from, int64_t to,
                 Write pixel) {
    if (!LevelHasPixels(pyr, 0) || pyr->bytesPerPixel != bytes) return;
    const int64_t acrossMax = horizontal ? pyr->maxY[0] : pyr->maxX[0];
    const int64_t alongMax = horizontal ? pyr->maxX[0] : pyr->maxY[0];
    if (at < 0 || at > acrossMax) return;
    for (int64_t i = from < 0 ? 0 : from; i <= to && i <= alongMax; ++i) horizontal ? pixel(i, at) : pixel(at, i);
}

}  // namespace

void PaintHStripe(int64_t y, int64_t x0, int64_t x1, uint32_t word, PyramidDescriptor* pyr) {
    PaintStripe(pyr, 4, true, y, x0, x1, [&](int64_t x, int64_t yy) { set_pyramid_sample_point4_raw(x, yy, pyr, 0, word); });
}

void PaintHStripe64(int64_t y, int64_t x0, int64_t x1, uint16_t c0, uint16_t c1, uint16_t c2, uint16_t c3,
                    PyramidDescriptor* pyr) {
    PaintStripe(pyr, 8, true, y, x0, x1,
                [&](int64_t x, int64_t yy) { set_pyramid_sample_point64bit(x, yy, pyr, 0, c0, c1, c2, c3); });
}

void PaintVStripe(int64_t x, int64_t y0, int64_t y1, uint32_t word, PyramidDescriptor* pyr) {
    PaintStripe(pyr, 4, false, x, y0, y1, [&](int64_t xx, int64_t y) { set_pyramid_sample_point4_raw(xx, y, pyr, 0, word); });
}

void PaintVStripe64(int64_t x, int64_t y0, int64_t y1, uint16_t c0, uint16_t c1, uint16_t c2, uint16_t c3,
                    PyramidDescriptor* pyr) {
    PaintStripe(pyr, 8, false, x, y0, y1,
                [&](int64_t xx, int64_t y) { set_pyramid_sample_point64bit(xx, y, pyr, 0, c0, c1, c2, c3); });
}

void SetChunk(int64_t c0, int64_t c1, int64_t c2, int64_t c3, uint32_t* destination, int64_t count) {
    const uint32_t w = pack_pyramid_word4(c0, c1, c2, c3);
    for (int64_t i = 0; i < count; ++i) destination[i] = w;
}

void SetChunkFloat(float value, float* destination, int64_t count) {
    for (int64_t i = 0; i < count; ++i) destination[i] = value;
}

// ------------------------------------------------------------- solid fills

void PaintLevelSolidColor(PyramidDescriptor* pyr, int64_t level, int64_t c0, int64_t c1, int64_t c2, int64_t c3) {
    if (!LevelHasPixels(pyr, level)) return;
    if (pyr->kind == kPyrColour8) {
        FillWholeTiles<uint32_t>(pyr, level, pack_pyramid_word4(c0, c1, c2, c3));
        return;
    }
    ForEachPixelOfLevel(pyr, level, [&](int64_t x, int64_t y) { set_pyramid_sample_pointColor(x, y, pyr, level, c0, c1, c2, c3); });
}

void PaintLevelSolidColor_32bit_color(PyramidDescriptor* pyr, int64_t level, int64_t c0, int64_t c1, int64_t c2,
                                      int64_t c3) {
    if (!LevelHasPixels(pyr, level)) return;
    if (pyr->bytesPerPixel == 4) FillWholeTiles<uint32_t>(pyr, level, pack_pyramid_word4(c0, c1, c2, c3));
    else PaintLevelSolidColor(pyr, level, c0, c1, c2, c3);
}

void PaintLevelSolidColor1(PyramidDescriptor* pyr, int64_t level, uint8_t value) {
    if (!pyr || pyr->kind != kPyrGrey8) return;
    FillWholeTiles<uint8_t>(pyr, level, value);
}

void PaintLevelSolidColor2(PyramidDescriptor* pyr, int64_t level, uint16_t value) {
    if (!LevelHasPixels(pyr, level) || pyr->bytesPerPixel != 2) return;
    ForEachPixelOfLevel(pyr, level, [&](int64_t x, int64_t y) { set_pyramid_sample_point16bit(x, y, pyr, level, value); });
}

void PaintLevelSolidGreyF(PyramidDescriptor* pyr, int64_t level, float value) {
    if (!pyr || pyr->kind != kPyrGreyFloat) return;
    level = ClampIndex(level, 0, pyr->topLevel >= 1 ? pyr->topLevel - 1 : 0);
    if (!LevelHasPixels(pyr, level)) return;
    ForEachPixelOfLevel(pyr, level, [&](int64_t x, int64_t y) { set_pyramid_sample_point_float(x, y, pyr, level, value); });
}

// ------------------------------------------------------------ test patterns

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

void PaintTestPatternWeirdo(PyramidDescriptor* pyr, int64_t level) {
    if (!LevelHasPixels(pyr, level)) return;
    const int64_t s = PatternScale(pyr);
    ForEachPixelOfLevel(pyr, level, [&](int64_t x, int64_t y) {
        set_pyramid_sample_pointColor(x, y, pyr, level, ((x ^ y) & 63) * s, ((x + y + 128) & 255) * s,
                                      (((x ^ y) + 42) & 63) * s, 255 * s);
    });
}

void PaintTestPatternGrayStripes(PyramidDescriptor* pyr, int64_t level) {
    if (!LevelHasPixels(pyr, level)) return;
    ForEachPixelOfLevel(pyr, level, [&](int64_t x, int64_t y) {
        const bool dark = ((x + y) & 8) != 0;
        switch (pyr->kind) {
            case kPyrColour8: set_pyramid_sample_point4_raw(x, y, pyr, level, dark ? 0xEEEEEEFFu : 0xFFFFFFFFu); break;
            case kPyrGrey8: set_pyramid_sample_point1(x, y, pyr, level, dark ? 0xEE : 0xFF); break;
            default: {
                const float g = dark ? 30464.0f / 32768.0f : 1.0f;
                const float c[4] = {g, g, g, 1.0f};
                set_intcoord_unitary_color(x, y, pyr, level, c);
            }
        }
    });
}

void PaintTestPatternIntoAlpha(PyramidDescriptor* pyr, int64_t level) {
    if (!LevelHasPixels(pyr, level)) return;
    const int64_t s = PatternScale(pyr);
    ForEachPixelOfLevel(pyr, level, [&](int64_t x, int64_t y) {
        set_pyramid_sample_pointColor(x, y, pyr, level, (x & 255) * s, (y & 255) * s, ((x + y) & 255) * s,
                                      random() & 255);
    });
}

void PaintTestPattern1(PyramidDescriptor* pyr) {
    if (!LevelHasPixels(pyr, 0) || pyr->bytesPerPixel != 1) return;
    ForEachPixelOfLevel(pyr, 0, [&](int64_t x, int64_t y) { set_pyramid_sample_point1(x, y, pyr, 0, (x ^ y) & 255); });
}

void PaintTestPattern2(PyramidDescriptor* pyr) {
    if (!LevelHasPixels(pyr, 0) || pyr->bytesPerPixel != 2) return;
    ForEachPixelOfLevel(pyr, 0, [&](int64_t x, int64_t y) { set_pyramid_sample_point16bit(x, y, pyr, 0, (x ^ y) & 255); });
}

void PaintGridPattern1(PyramidDescriptor* pyr) {
    if (!LevelHasPixels(pyr, 0) || pyr->bytesPerPixel != 1) return;
    ForEachPixelOfLevel(pyr, 0, [&](int64_t x, int64_t y) {
        set_pyramid_sample_point1(x, y, pyr, 0, ((x & 127) == 127 || (y & 127) == 127) ? 1 : 0);
    });
}

void PaintTestPatternGrey(PyramidDescriptor* pyr) {
    if (!LevelHasPixels(pyr, 0)) return;
    if (pyr->kind != kPyrGrey8 && pyr->kind != kPyrGrey16 && pyr->kind != kPyrSingle16 && pyr->kind != kPyrGreyFloat)
        return;
    ForEachPixelOfLevel(pyr, 0, [&](int64_t x, int64_t y) {
        set_intcoord_unitary_grey(x, y, pyr, 0, static_cast<float>((x ^ y) & 255) / 255.0f);
    });
}

// ------------------------------------------------------------------ lines

void PaintLineColor(PyramidDescriptor* pyr, int64_t level, const float colour[4], float x0, float y0, float x1,
                    float y1) {
    const double dx = static_cast<double>(x1) - x0, dy = static_cast<double>(y1) - y0;
    const double length = std::sqrt(dx * dx + dy * dy);
    // NaN and huge lengths fail this test too.
    if (!(length <= static_cast<double>(kMaxLineSteps + 1))) return;
    const int64_t n = static_cast<int64_t>(length);
    if (n > kMaxLineSteps) return;
    const double ux = n > 0 ? dx / length : 0.0, uy = n > 0 ? dy / length : 0.0;
    for (int64_t i = 0; i <= n; ++i)
        PaintColorWuPixel(pyr, level, colour, static_cast<float>(x0 + ux * i), static_cast<float>(y0 + uy * i));
}

void PaintTriangleColor(PyramidDescriptor* pyr, const float colour[4], float x0, float y0, float x1, float y1,
                        float x2, float y2) {
    if (!LevelHasPixels(pyr, 0)) return;
    const float w = static_cast<float>(pyr->width[0]), h = static_cast<float>(pyr->height[0]);
    PaintLineColor(pyr, 0, colour, x0 * w, y0 * h, x1 * w, y1 * h);
    PaintLineColor(pyr, 0, colour, x1 * w, y1 * h, x2 * w, y2 * h);
    PaintLineColor(pyr, 0, colour, x2 * w, y2 * h, x0 * w, y0 * h);
}

void PaintTriangle(PyramidDescriptor* pyr, float x0, float y0, float x1, float y1, float x2, float y2) {
    const float red[4] = {1.0f, 0.0f, 0.0f, 1.0f};
    PaintTriangleColor(pyr, red, x0, y0, x1, y1, x2, y2);
}

// ------------------------------------------------------------- conversions

void ClampFloatPyrToUnity(PyramidDescriptor* pyr) {
    if (!LevelHasPixels(pyr, 0) || pyr->kind != kPyrGreyFloat) return;
    ForEachPixelOfLevel(pyr, 0, [&](int64_t x, int64_t y) {
        const float v = get_pyramid_sample_point_float(x, y, pyr, 0);
        set_pyramid_sample_point_float(x, y, pyr, 0, v > 0.0f ? (v < 1.0f ? v : 1.0f) : 0.0f);
    });
}

void ConvertLongPyrToFloatPyr(PyramidDescriptor* pyr, int64_t level, float scale) {
    if (!LevelHasPixels(pyr, level) || pyr->bytesPerPixel != 4) return;
    ForEachPixelOfLevel(pyr, level, [&](int64_t x, int64_t y) {
        const int32_t v = static_cast<int32_t>(get_pyramid_sample_point_grey32_as_long(x, y, pyr, level));
        set_pyramid_sample_point_float(x, y, pyr, level, static_cast<float>(v) * scale);
    });
}

void PaintBrightness32to16(const PyramidDescriptor* source, PyramidDescriptor* destination) {
    if (!LevelHasPixels(source, 0) || !LevelHasPixels(destination, 0)) return;
    if (source->kind != kPyrColour8 || destination->bytesPerPixel != 2) return;
    if (source->width[0] != destination->width[0] || source->height[0] != destination->height[0] ||
        source->topLevel != destination->topLevel)
        return;
    for (int64_t L = 0; L <= source->topLevel; ++L)
        ForEachPixelOfLevel(source, L, [&](int64_t x, int64_t y) {
            int64_t c[4];
            get_pyramid_sample_point4(x, y, source, L, &c[0], &c[1], &c[2], &c[3]);
            set_pyramid_sample_point16bit(x, y, destination, L, c[0] + 2 * c[1] + c[2]);
        });
}

void PaintBrightnessColortoFloatOr128bit(const PyramidDescriptor* source, PyramidDescriptor* destination,
                                         int64_t level, VRect rect) {
    if (!LevelHasPixels(source, level) || !LevelHasPixels(destination, level)) return;
    if (source->kind != kPyrColour8 && source->kind != kPyrColour16 && source->kind != kPyrColourFloat) return;
    if (destination->kind != kPyrGreyFloat && destination->kind != kPyrColourFloat) return;
    // Luma weights in the proportions 0.31 : 0.588 : 0.092, scaled so that
    // white gives exactly 1.
    constexpr float kSum = 0.31f + 0.588f + 0.092f;
    constexpr float kR = 0.31f / kSum, kG = 0.588f / kSum, kB = 0.092f / kSum;
    const int64_t top = rect.top > 0 ? rect.top : 0, left = rect.left > 0 ? rect.left : 0;
    int64_t bottom = rect.bottom, right = rect.right;
    for (const PyramidDescriptor* p : {source, static_cast<const PyramidDescriptor*>(destination)}) {
        if (bottom > p->height[level]) bottom = p->height[level];
        if (right > p->width[level]) right = p->width[level];
    }
    for (int64_t y = top; y < bottom; ++y)
        for (int64_t x = left; x < right; ++x) {
            float c[4];
            get_intcoord_unitary_color(x, y, source, level, c);
            const float Y = kR * c[0] + kG * c[1] + kB * c[2];
            if (destination->kind == kPyrGreyFloat) set_pyramid_sample_point_float(x, y, destination, level, Y);
            else set_pyramid_sample_point128bit_floats(x, y, destination, level, Y, Y, Y, 1.0f);
        }
}

void GetAverageColorOfLevel(const PyramidDescriptor* pyr, int64_t level, int64_t* c0, int64_t* c1, int64_t* c2,
                            int64_t* c3) {
    if (!pyr) return;
    const int64_t k = pyr->kind;
    if (k != kPyrGrey8 && k != kPyrColour8 && k != kPyrGrey16 && k != kPyrColour16) return;
    if (!LevelHasPixels(pyr, level) || pyr->width[level] < 1 || pyr->height[level] < 1) {
        *c0 = *c1 = *c2 = *c3 = 0;
        return;
    }
    // Sums of whole levels fit easily: 2^40 pixels of 2^16 each.
    int64_t sum[4] = {0, 0, 0, 0};
    ForEachPixelOfLevel(pyr, level, [&](int64_t x, int64_t y) {
        int64_t c[4];
        if (k == kPyrColour8 || k == kPyrColour16) {
            get_pyramid_sample_pointColorcall(x, y, pyr, level, &c[0], &c[1], &c[2], &c[3]);
        } else {
            c[0] = c[1] = c[2] = get_pyramid_sample_pointGray(x, y, pyr, level);
            c[3] = k == kPyrGrey8 ? 255 : 32768;
        }
        for (int i = 0; i < 4; ++i) sum[i] += c[i];
    });
    const int64_t n = pyr->width[level] * pyr->height[level];
    *c0 = sum[0] / n;
    *c1 = sum[1] / n;
    *c2 = sum[2] / n;
    *c3 = sum[3] / n;
}
