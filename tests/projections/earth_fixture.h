// The bundled Earth picture (samples/earth-2048x1024.jpg) as a pyramid, and
// its colour at an input position, for tests that look at a whole map.
#pragma once

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "files/jpeg_pyramid.h"
#include "pyramid/pixels.h"

inline bool LoadBundledEarth(PyramidDescriptor* earth) {
    std::ifstream in(std::string(VORNESK_SOURCE_DIR) + "/samples/earth-2048x1024.jpg", std::ios::binary);
    std::vector<uint8_t> jpeg((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    *earth = PyramidDescriptor{};
    InitPyramidProcs(earth);
    return !jpeg.empty() && TryToAllocatePyramid_2006(earth, 2048, 1024, kPyrColour8, 0, 0) == 1 &&
           DecompressJPEG(earth, nullptr, jpeg.data(), jpeg.size()) == kJPEGOK;
}

// Nearest pixel at the unit input position (u, v).
inline void EarthColour(PyramidDescriptor* earth, float u, float v, int64_t c[4]) {
    get_pyramid_sample_point4(static_cast<int64_t>(u * 2047.0f), static_cast<int64_t>(v * 1023.0f), earth, 0, &c[0],
                              &c[1], &c[2], &c[3]);
}
