// The bundled Earth picture (samples/earth-2048x1024.jpg) as a pyramid, and
// its colour at an input position, for tests that look at a whole map; a
// JPEG stream decoded into an 8-bit colour pyramid for any picture.
#pragma once

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "files/jpeg_codec.h"
#include "pyramid/pixels.h"
#include "pyramid/pyramid.h"

// Decodes the stream into level 0 of an allocated 8-bit colour pyramid as
// packed words, only where the pixels fall inside the level.
inline int DecodeJPEGIntoPyramid(PyramidDescriptor* pyr, const uint8_t* data, size_t size) {
    const JPEGRowSink store = [](void* context, long y, long width, int components, const uint8_t* row) {
        auto* p = static_cast<PyramidDescriptor*>(context);
        if (y >= p->height[0]) return false;
        for (long x = 0; x < width && x < p->width[0]; ++x)
            set_pyramid_sample_point4_raw(x, y, p, 0, PackedRGBAFromJPEGPixel(row, x, components));
        return y + 1 < p->height[0];
    };
    return DecompressJPEGRows(data, size, store, pyr);
}

inline bool LoadBundledEarth(PyramidDescriptor* earth) {
    std::ifstream in(std::string(VORNESK_SOURCE_DIR) + "/samples/earth-2048x1024.jpg", std::ios::binary);
    std::vector<uint8_t> jpeg((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    *earth = PyramidDescriptor{};
    InitPyramidProcs(earth);
    return !jpeg.empty() && TryToAllocatePyramid_2006(earth, 2048, 1024, kPyrColour8, 0, 0) == 1 &&
           DecodeJPEGIntoPyramid(earth, jpeg.data(), jpeg.size()) == kJPEGOK;
}

// Nearest pixel at the unit input position (u, v).
inline void EarthColour(PyramidDescriptor* earth, float u, float v, int64_t c[4]) {
    const uint32_t w = get_pyramid_sample_point4_raw(static_cast<int64_t>(u * 2047.0f),
                                                     static_cast<int64_t>(v * 1023.0f), earth, 0);
    for (int k = 0; k < 4; ++k) c[k] = (w >> (24 - 8 * k)) & 255;
}
