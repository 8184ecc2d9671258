#include "pyramid/pixels.h"

float get_intcoord_unitary_grey(int64_t x, int64_t y, const PyramidDescriptor* pyr, int64_t L) {
    switch (pyr->kind) {
        case kPyrGrey8: return static_cast<float>(get_pyramid_sample_point1(x, y, pyr, L)) * 0.003921568627451f;
        case kPyrGreyFloat: return get_pyramid_sample_point_float(x, y, pyr, L);
        case kPyrGrey16:
        case kPyrSingle16: return static_cast<float>(get_pyramid_sample_point16bit(x, y, pyr, L)) * 3.0517578125e-5f;
        default: return 0.0f;
    }
}

void set_pyramid_sample_pointGray(int64_t x, int64_t y, PyramidDescriptor* pyr, int64_t L, int64_t g) {
    switch (pyr->kind) {
        case kPyrGrey8: set_pyramid_sample_point1(x, y, pyr, L, g); return;
        case kPyrGreyFloat: set_pyramid_sample_point_grey32_as_long(x, y, pyr, L, static_cast<uint32_t>(g)); return;
        case kPyrGrey16:
        case kPyrSingle16: set_pyramid_sample_point16bit(x, y, pyr, L, g); return;
        default: return;
    }
}

void set_pyramid_sample_pointColor(int64_t x, int64_t y, PyramidDescriptor* pyr, int64_t L, int64_t c0,
                                   int64_t c1, int64_t c2, int64_t c3) {
    switch (pyr->kind) {
        case kPyrColourFloat: set_pyramid_sample_point128bit(x, y, pyr, L, c0, c1, c2, c3); return;
        case kPyrColour16: set_pyramid_sample_point64bit(x, y, pyr, L, c0, c1, c2, c3); return;
        case kPyrColour8: set_pyramid_sample_point4(x, y, pyr, L, c0, c1, c2, c3); return;
        default: set_pyramid_sample_pointGray(x, y, pyr, L, c0);
    }
}

namespace {

// A unit value scaled to an integer kind's range and truncated; clamped to what
// the kind stores, so a value above 1 (or NaN) cannot wrap into another colour.
int64_t UnitToStored(float c, float scale, float storedMax) {
    const float v = c * scale;
    if (!(v > 0.0f)) return 0;
    if (v >= storedMax) return static_cast<int64_t>(storedMax);
    return static_cast<int64_t>(v);
}

}  // namespace

void set_intcoord_unitary_color(int64_t x, int64_t y, PyramidDescriptor* pyr, int64_t L, const float c[4]) {
    switch (pyr->kind) {
        case kPyrColour8:
        case kPyrColour16: {
            const float storedMax = pyr->kind == kPyrColour8 ? 255.0f : 65535.0f;
            set_pyramid_sample_pointColor(x, y, pyr, L, UnitToStored(c[0], pyr->fullScale, storedMax),
                                          UnitToStored(c[1], pyr->fullScale, storedMax),
                                          UnitToStored(c[2], pyr->fullScale, storedMax),
                                          UnitToStored(c[3], pyr->fullScale, storedMax));
            return;
        }
        case kPyrColourFloat: set_pyramid_sample_point128bit_floats(x, y, pyr, L, c[0], c[1], c[2], c[3]); return;
        default: set_intcoord_unitary_grey(x, y, pyr, L, c[0]);
    }
}

void set_intcoord_unitary_grey(int64_t x, int64_t y, PyramidDescriptor* pyr, int64_t L, float g) {
    switch (pyr->kind) {
        case kPyrGrey8: set_pyramid_sample_point1(x, y, pyr, L, UnitToStored(g, 255.0f, 255.0f)); return;
        case kPyrGreyFloat: set_pyramid_sample_point_float(x, y, pyr, L, g); return;
        case kPyrGrey16:
        case kPyrSingle16: set_pyramid_sample_point16bit(x, y, pyr, L, UnitToStored(g, 32768.0f, 65535.0f)); return;
        default: return;
    }
}
