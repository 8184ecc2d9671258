#include "pyramid/cg_pyramid.h"

#include "pyramid/pixels.h"

int64_t CopyCGImageRefIntoPyrLevel(CGImageRef image, PyramidDescriptor* pyr, int64_t level, int64_t flip) {
    const uint8_t* pixels = CGImageGetRGBA8Pixels(image);
    if (!pixels || !pyr || !pyr->tiles || level < 0 || level > pyr->topLevel) return 0;
    const int64_t iw = static_cast<int64_t>(CGImageGetWidth(image)), ih = static_cast<int64_t>(CGImageGetHeight(image));
    const int64_t w = pyr->width[level], h = pyr->height[level];
    for (int64_t y = 0; y < h; ++y) {
        const int64_t sy = (2 * y + 1) * ih / (2 * h);
        const int64_t ty = flip ? h - 1 - y : y;
        for (int64_t x = 0; x < w; ++x) {
            const uint8_t* p = pixels + (sy * iw + (2 * x + 1) * iw / (2 * w)) * 4;
            switch (pyr->kind) {
                case kPyrColour8: set_pyramid_sample_point4(x, ty, pyr, level, p[0], p[1], p[2], p[3]); break;
                case kPyrColour16:
                    set_pyramid_sample_point64bit(x, ty, pyr, level, p[0] * 32768 / 255, p[1] * 32768 / 255,
                                                  p[2] * 32768 / 255, p[3] * 32768 / 255);
                    break;
                case kPyrColourFloat:
                    set_pyramid_sample_point128bit_floats(x, ty, pyr, level, p[0] / 255.0f, p[1] / 255.0f,
                                                          p[2] / 255.0f, p[3] / 255.0f);
                    break;
                default: {
                    const int64_t g = (30 * p[0] + 59 * p[1] + 11 * p[2] + 50) / 100;
                    if (pyr->kind == kPyrGrey8) set_pyramid_sample_point1(x, ty, pyr, level, g);
                    else if (pyr->kind == kPyrGreyFloat) set_pyramid_sample_point_float(x, ty, pyr, level, g * 0.0039215684f);
                    else set_intcoord_unitary_grey(x, ty, pyr, level, g / 255.0f);
                }
            }
        }
    }
    return 1;
}

int64_t CopyCGImageRefIntoPyr(CGImageRef image, PyramidDescriptor* pyr, int64_t flip) {
    return CopyCGImageRefIntoPyrLevel(image, pyr, 0, flip);
}
