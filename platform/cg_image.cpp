#include "platform/cg_image.h"

#include <atomic>
#include <cstring>
#include <new>

struct CGImage {
    std::atomic<int64_t> references;
    size_t width;
    size_t height;
    uint8_t* pixels;
    CGDataProviderReleaseDataCallback release;
    void* info;
    const void* data;
    size_t dataSize;
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
    image->release = nullptr;
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
    if (image->release) image->release(image->info, image->data, image->dataSize);
    delete[] image->pixels;
    delete image;
}

size_t CGImageGetWidth(CGImageRef image) { return image ? image->width : 0; }
size_t CGImageGetHeight(CGImageRef image) { return image ? image->height : 0; }
const uint8_t* CGImageGetRGBA8Pixels(CGImageRef image) { return image ? image->pixels : nullptr; }

CGImageRef CGImageCreateWithARGB8(size_t width, size_t height, const uint8_t* argb, size_t bytesPerRow,
                                  CGDataProviderReleaseDataCallback release, void* info) {
    CGImageRef image = nullptr;
    if (argb && width > 0 && height > 0 && width <= (SIZE_MAX / 4) / height && bytesPerRow >= width * 4) {
        auto* rgba = new (std::nothrow) uint8_t[width * height * 4];
        if (rgba) {
            for (size_t y = 0; y < height; ++y)
                for (size_t x = 0; x < width; ++x) {
                    const uint8_t* p = argb + y * bytesPerRow + x * 4;
                    uint8_t* q = rgba + (y * width + x) * 4;
                    q[0] = p[1], q[1] = p[2], q[2] = p[3], q[3] = p[0];
                }
            image = CGImageCreateWithRGBA8(width, height, rgba, width * 4);
            delete[] rgba;
        }
    }
    if (!image) {
        if (release) release(info, argb, argb ? bytesPerRow * height : 0);
        return nullptr;
    }
    image->release = release;
    image->info = info;
    image->data = argb;
    image->dataSize = bytesPerRow * height;
    return image;
}

struct CGContext {
    size_t width;
    size_t height;
    bool colour;
    uint8_t* data;
};

CGContextRef CGBitmapContextCreate(size_t width, size_t height, bool colour) {
    if (width == 0 || height == 0 || width > (SIZE_MAX / 4) / height) return nullptr;
    auto* context = new (std::nothrow) CGContext{width, height, colour, nullptr};
    if (!context) return nullptr;
    context->data = new (std::nothrow) uint8_t[width * height * 4]();
    if (!context->data) {
        delete context;
        return nullptr;
    }
    return context;
}

void CGContextRelease(CGContextRef context) {
    if (!context) return;
    delete[] context->data;
    delete context;
}

uint8_t* CGBitmapContextGetData(CGContextRef context) { return context ? context->data : nullptr; }
size_t CGBitmapContextGetWidth(CGContextRef context) { return context ? context->width : 0; }
size_t CGBitmapContextGetHeight(CGContextRef context) { return context ? context->height : 0; }
size_t CGBitmapContextGetBytesPerRow(CGContextRef context) { return context ? context->width * 4 : 0; }
bool CGBitmapContextIsColour(CGContextRef context) { return context && context->colour; }

void CGContextDrawImage(CGContextRef context, CGImageRef image) {
    if (!context || !image) return;
    const size_t w = context->width, h = context->height, iw = image->width, ih = image->height;
    for (size_t y = 0; y < h; ++y) {
        const size_t sy = (2 * y + 1) * ih / (2 * h);
        for (size_t x = 0; x < w; ++x) {
            const uint8_t* p = image->pixels + (sy * iw + (2 * x + 1) * iw / (2 * w)) * 4;
            if (context->colour) {
                uint8_t* q = context->data + (y * w + x) * 4;
                const unsigned a = p[3];
                q[0] = uint8_t(a);
                for (int i = 0; i < 3; ++i) q[1 + i] = uint8_t((p[i] * a + 127) / 255);
            } else {
                context->data[y * w * 4 + x] = uint8_t((30 * p[0] + 59 * p[1] + 11 * p[2] + 50) / 100);
            }
        }
    }
}
