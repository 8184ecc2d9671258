#include "ui/pyramid_chunks.h"

#include <QtCore/qfloat16.h>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/appkit/math_happy.h"
#include "platform/host/filter_record.h"
#include "pyramid/pixels.h"
#include "pyramid/pyramid.h"
#include "records/plugin_globals.h"
#include "ui/dialog.h"

namespace {

bool LevelOfKind(const PyramidDescriptor* pyr, int64_t level, int64_t kind) {
    return pyr && pyr->tiles && !pyr->noTiles && pyr->kind == kind && level >= 0 && level <= pyr->topLevel &&
           level < kPyramidLevels && pyr->height[level] >= 1 && pyr->width[level] >= 1;
}

// Calls put(x, y, outputIndex) for every pixel, the picture's top row first.
template <typename Put>
void TopDown(const PyramidDescriptor* pyr, int64_t level, Put put) {
    const int64_t w = pyr->width[level], h = pyr->height[level];
    int64_t n = 0;
    for (int64_t i = 0; i < h; ++i)
        for (int64_t x = 0; x < w; ++x) put(x, h - 1 - i, n++);
}

uint8_t GreyByte(float v) { return uint8_t(std::trunc(std::clamp(v * 255.0f, 0.0f, 255.0f))); }

template <typename Grey>
PyramidDescriptor* GreyColourPyr(const PyramidDescriptor* pyr, Grey grey) {
    if (!LevelOfKind(pyr, 0, kPyrGreyFloat)) return nullptr;
    const int64_t w = pyr->width[0], h = pyr->height[0];
    PyramidDescriptor* out =
        AllocateDynamicPyramid(w, h, kPyrColour8, 0, 0, gFilterRecord ? gFilterRecord->bufferProcs : nullptr);
    if (!out) return nullptr;
    const float full = full_scale_from_kind(kPyrColour8);
    for (int64_t y = 0; y < h; ++y)
        for (int64_t x = 0; x < w; ++x) {
            const int64_t g = int64_t(std::clamp(grey(get_pyramid_sample_point_float(x, y, pyr, 0)), 0.0f, 1.0f) * full);
            set_pyramid_sample_pointColor(x, y, out, 0, g, g, g, int64_t(full));
        }
    out->mipmapState = 1;
    return out;
}

}  // namespace

void CopyPyr4ToARGBMemchunk(const PyramidDescriptor* pyr, int64_t level, uint8_t* out) {
    if (!out || !LevelOfKind(pyr, level, kPyrColour8)) return;
    TopDown(pyr, level, [&](int64_t x, int64_t y, int64_t n) {
        const uint32_t word = get_pyramid_sample_point4_raw(x, y, pyr, level);  // c0 in the top byte, alpha low
        uint8_t* p = out + 4 * n;
        p[0] = uint8_t(word), p[1] = uint8_t(word >> 24), p[2] = uint8_t(word >> 16), p[3] = uint8_t(word >> 8);
    });
}

void CopyPyr1ToGreyMemchunk(const PyramidDescriptor* pyr, int64_t level, uint8_t* out) {
    if (!out || !LevelOfKind(pyr, level, kPyrGrey8)) return;
    TopDown(pyr, level, [&](int64_t x, int64_t y, int64_t n) {
        const uint8_t g = uint8_t(get_pyramid_sample_pointGray(x, y, pyr, level));
        uint8_t* p = out + 4 * n;
        p[0] = 255, p[1] = p[2] = p[3] = g;
    });
}

void CopyPyrFloatToGreyMemchunk(const PyramidDescriptor* pyr, int64_t level, uint8_t* out) {
    if (!out || !LevelOfKind(pyr, level, kPyrGreyFloat)) return;
    TopDown(pyr, level, [&](int64_t x, int64_t y, int64_t n) {
        const uint8_t g = GreyByte(get_pyramid_sample_point_float(x, y, pyr, level));
        uint8_t* p = out + 4 * n;
        p[0] = 255, p[1] = p[2] = p[3] = g;
    });
}

void CopyPyrFloatToFloat16Memchunk(const PyramidDescriptor* pyr, int64_t level, uint16_t* out) {
    if (!out || !LevelOfKind(pyr, level, kPyrGreyFloat)) return;
    TopDown(pyr, level, [&](int64_t x, int64_t y, int64_t n) {
        const qfloat16 half(get_pyramid_sample_point_float(x, y, pyr, level));
        std::memcpy(out + n, &half, sizeof half);
    });
}

bool getMinAndMaxFromFloatPyr(const PyramidDescriptor* pyr, float* low, float* high) {
    if (!LevelOfKind(pyr, 0, kPyrGreyFloat)) return false;
    float lo = get_pyramid_sample_point_float(0, 0, pyr, 0), hi = lo;
    for (int64_t y = 0; y < pyr->height[0]; ++y)
        for (int64_t x = 0; x < pyr->width[0]; ++x) {
            const float v = get_pyramid_sample_point_float(x, y, pyr, 0);
            lo = std::min(lo, v), hi = std::max(hi, v);
        }
    if (low) *low = lo;
    if (high) *high = hi;
    return true;
}

void FitFloatsIntoUnityRange(PyramidDescriptor* pyr) {
    float lo = 0.0f, hi = 0.0f;
    if (!getMinAndMaxFromFloatPyr(pyr, &lo, &hi)) return;
    const float range = hi - lo == 0.0f ? 1.0f : hi - lo;
    for (int64_t y = 0; y < pyr->height[0]; ++y)
        for (int64_t x = 0; x < pyr->width[0]; ++x)
            set_pyramid_sample_point_float(x, y, pyr, 0, (get_pyramid_sample_point_float(x, y, pyr, 0) - lo) / range);
}

void addWhiteNoiseTo(PyramidDescriptor* pyr, float amplitude) {
    if (!LevelOfKind(pyr, 0, kPyrGreyFloat)) return;
    for (int64_t y = 0; y < pyr->height[0]; ++y)
        for (int64_t x = 0; x < pyr->width[0]; ++x)
            set_pyramid_sample_point_float(
                x, y, pyr, 0,
                get_pyramid_sample_point_float(x, y, pyr, 0) + float(MathHappy::RandomRangeFloatFrom_to(0.0, amplitude)));
}

PyramidDescriptor* createContrastNormalizedColorPyrFromFloatPyr(const PyramidDescriptor* pyr) {
    float lo = 0.0f, hi = 0.0f;
    if (!getMinAndMaxFromFloatPyr(pyr, &lo, &hi)) return nullptr;
    const float range = hi - lo == 0.0f ? 1.0f : hi - lo;
    return GreyColourPyr(pyr, [lo, range](float v) { return (v - lo) / range; });
}

PyramidDescriptor* createContrastStretchedColorPyrFromFloatPyr(const PyramidDescriptor* pyr) {
    return GreyColourPyr(pyr, [](float v) { return v / 25.0f; });
}

CGContextRef CreateARGBBitmapContextOfDimensions(int64_t width, int64_t height, bool colour) {
    CGContextRef context =
        width > 0 && height > 0 ? CGBitmapContextCreate(size_t(width), size_t(height), colour) : nullptr;
    if (!context) DialogTrace("Context not created!");
    return context;
}

CGContextRef CreateARGBBitmapContext(CGImageRef image, bool colour) {
    return CreateARGBBitmapContextOfDimensions(int64_t(CGImageGetWidth(image)), int64_t(CGImageGetHeight(image)), colour);
}

namespace {

void MyProviderReleaseMallocedData(void*, const void* data, size_t) {
    if (data) std::free(const_cast<void*>(data));
}

// A malloc'ed ARGB chunk of level 0 made by fill, and an image over it.
template <typename Fill>
CGImageRef ImageOverChunk(const PyramidDescriptor* pyr, uint8_t** buffer, Fill fill) {
    const int64_t w = pyr->width[0], h = pyr->height[0];
    auto* chunk = static_cast<uint8_t*>(std::malloc(size_t(w) * size_t(h) * 4));
    if (buffer) *buffer = chunk;
    if (!chunk) return nullptr;
    fill(chunk);
    return CGImageCreateWithARGB8(size_t(w), size_t(h), chunk, size_t(w) * 4, MyProviderReleaseMallocedData, nullptr);
}

}  // namespace

CGImageRef CGImageCreateFromPyr_and_allocate_memory(const PyramidDescriptor* pyr, uint8_t** buffer) {
    if (buffer) *buffer = nullptr;
    if (!LevelOfKind(pyr, 0, kPyrColour8)) return nullptr;
    return ImageOverChunk(pyr, buffer, [pyr](uint8_t* chunk) { CopyPyr4ToARGBMemchunk(pyr, 0, chunk); });
}

CGImageRef CGImageCreateFromPyr_and_allocate_memory_iphone(const PyramidDescriptor* pyr, bool) {
    if (LevelOfKind(pyr, 0, kPyrColour8))
        return ImageOverChunk(pyr, nullptr, [pyr](uint8_t* chunk) { CopyPyr4ToARGBMemchunk(pyr, 0, chunk); });
    if (LevelOfKind(pyr, 0, kPyrGrey8))
        return ImageOverChunk(pyr, nullptr, [pyr](uint8_t* chunk) { CopyPyr1ToGreyMemchunk(pyr, 0, chunk); });
    if (LevelOfKind(pyr, 0, kPyrGreyFloat))
        return ImageOverChunk(pyr, nullptr, [pyr](uint8_t* chunk) { CopyPyrFloatToGreyMemchunk(pyr, 0, chunk); });
    return nullptr;
}
