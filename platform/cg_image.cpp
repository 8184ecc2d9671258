#include "platform/cg_image.h"

#include <atomic>
#include <cstring>
#include <new>

struct CGImage {
    std::atomic<int64_t> references;
    size_t width;
    size_t height;
    uint8_t* pixels;
};

CGImageRef CGImageCreateWithRGBA8(size_t width, size_t height, const uint8_t* rgba, size_t bytesPerRow) {
    if (!rgba || width == 0 || height == 0 || width > (SIZE_MAX / 4) / height || bytesPerRow < width * 4) return nullptr;
    auto* image = new (std::nothrow) CGImage;
    if (!image) return nullptr;
    image->pixels = new (std::nothrow) uint8_t[width * height * 4];
    if (!image->pixels) {
        delete image;
        return nullptr;
    }
    image->references = 1;
    image->width = width;
    image->height = height;
    for (size_t y = 0; y < height; ++y) std::memcpy(image->pixels + y * width * 4, rgba + y * bytesPerRow, width * 4);
    return image;
}

CGImageRef CGImageRetain(CGImageRef image) {
    if (image) image->references.fetch_add(1);
    return image;
}

void CGImageRelease(CGImageRef image) {
    if (!image || image->references.fetch_sub(1) != 1) return;
    delete[] image->pixels;
    delete image;
}

size_t CGImageGetWidth(CGImageRef image) { return image ? image->width : 0; }
size_t CGImageGetHeight(CGImageRef image) { return image ? image->height : 0; }
const uint8_t* CGImageGetRGBA8Pixels(CGImageRef image) { return image ? image->pixels : nullptr; }
