#include "pyramid/pixels.h"

void get_pyramid_sample_pointColorcall(int64_t x, int64_t y, const PyramidDescriptor* pyr, int64_t L,
                                       int64_t* c0, int64_t* c1, int64_t* c2, int64_t* c3) {
    switch (pyr->kind) {
        case kPyrColour8: get_pyramid_sample_point4(x, y, pyr, L, c0, c1, c2, c3); return;
        case kPyrColour16: get_pyramid_sample_point64bit(x, y, pyr, L, c0, c1, c2, c3); return;
        case kPyrColourFloat: get_pyramid_sample_point128bit(x, y, pyr, L, c0, c1, c2, c3); return;
        case kPyrGradient: get_pyramid_sample_pointFourShorts(x, y, pyr, L, c0, c1, c2); return;
        default: *c0 = *c1 = *c2 = *c3 = 0;
    }
}

int64_t get_pyramid_sample_pointGray(int64_t x, int64_t y, const PyramidDescriptor* pyr, int64_t L) {
    switch (pyr->kind) {
        case kPyrGrey8: return get_pyramid_sample_point1(x, y, pyr, L);
        case kPyrGreyFloat: return get_pyramid_sample_point_grey32_as_long(x, y, pyr, L);
        case kPyrGrey16:
        case kPyrSingle16: return get_pyramid_sample_point16bit(x, y, pyr, L);
        default: return 0;
    }
}

float get_intcoord_unitary_grey(int64_t x, int64_t y, const PyramidDescriptor* pyr, int64_t L) {
    switch (pyr->kind) {
        case kPyrGrey8: return static_cast<float>(get_pyramid_sample_point1(x, y, pyr, L)) * 0.003921568627451f;
        case kPyrGreyFloat: return get_pyramid_sample_point_float(x, y, pyr, L);
        case kPyrGrey16:
        case kPyrSingle16: return static_cast<float>(get_pyramid_sample_point16bit(x, y, pyr, L)) * 3.0517578125e-5f;
        default: return 0.0f;
    }
}

uint8_t get_unit_pyramid_sample_point1(const PyramidDescriptor* pyr, int64_t L, float u, float v) {
    if (!pyr_accessible(pyr, L, 1)) return 0;
    const int64_t x = pyr_float_to_clamped_index(u * pyr->unitScaleX[L] - 0.5f, pyr->maxX[L]);
    const int64_t y = pyr_float_to_clamped_index(v * pyr->unitScaleY[L] - 0.5f, pyr->maxY[L]);
    return *pyr_pixel_address(pyr, L, x, y, 1);
}

void set_unit_pyramid_sample_point4(PyramidDescriptor* pyr, int64_t L, int64_t c0, int64_t c1, int64_t c2,
                                    int64_t c3, float u, float v) {
    if (!pyr_accessible(pyr, L, 4)) return;
    const float X = u * pyr->unitScaleX[L] - 0.5f;
    const float Y = v * pyr->unitScaleY[L] - 0.5f;
    // Truncation toward zero: (-1, 0) lands on column 0; anything outside the
    // level (NaN included) writes nothing.
    if (!(X > -1.0f && X < pyr->maxXFloat[L] + 1.0f && Y > -1.0f && Y < pyr->maxYFloat[L] + 1.0f)) return;
    set_pyramid_sample_point4(static_cast<int64_t>(X), static_cast<int64_t>(Y), pyr, L, c0, c1, c2, c3);
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
