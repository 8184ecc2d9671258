// Small helpers shared by the pyramid tests.
#pragma once

#include <functional>
#include <memory>

#include "pyramid/pixels.h"
#include "pyramid/pyramid.h"

// A prepared record on the heap (the record is large), disposed at the end.
struct TestPyramid {
    std::unique_ptr<PyramidDescriptor> p{new PyramidDescriptor{}};
    TestPyramid() { InitPyramidProcs(p.get()); }
    TestPyramid(int64_t w, int64_t h, int64_t kind, int64_t edge) : TestPyramid() {
        ok = TryToAllocatePyramid_2006(p.get(), w, h, kind, edge, 0) == 1;
    }
    ~TestPyramid() { DisposePyramidData(p.get()); }
    PyramidDescriptor* operator->() { return p.get(); }
    PyramidDescriptor* get() { return p.get(); }
    bool ok = false;
};

// Writes unit colours f(x, y) into every pixel of level L.
inline void FillLevel(PyramidDescriptor* pyr, int64_t L, const std::function<void(int64_t, int64_t, float*)>& f) {
    for (int64_t y = 0; y < pyr->height[L]; ++y)
        for (int64_t x = 0; x < pyr->width[L]; ++x) {
            float c[4];
            f(x, y, c);
            set_intcoord_unitary_color(x, y, pyr, L, c);
        }
}

inline void FillAllLevels(PyramidDescriptor* pyr, const std::function<void(int64_t, int64_t, float*)>& f) {
    for (int64_t L = 0; L <= pyr->topLevel; ++L) FillLevel(pyr, L, f);
}

// Every pixel of every level set to one packed word (4-byte kinds).
inline void PaintLevelWords(PyramidDescriptor* pyr, uint32_t word) {
    for (int64_t L = 0; L <= pyr->topLevel; ++L)
        for (int64_t y = 0; y < pyr->height[L]; ++y)
            for (int64_t x = 0; x < pyr->width[L]; ++x) set_pyramid_sample_point4_raw(x, y, pyr, L, word);
}

// The integer components of pixel (x, y) of level L as its kind stores them,
// the edge rule applied: the bytes of the packed word (kind 3), the 16-bit
// values (kind 4), the words (kind 9: float bit patterns); zeros otherwise.
inline void StoredComponents(int64_t x, int64_t y, const PyramidDescriptor* pyr, int64_t L, int64_t c[4]) {
    uint32_t words[4] = {0, 0, 0, 0};
    uint16_t shorts[4] = {0, 0, 0, 0};
    if (pyr->kind == kPyrColour8) {
        const uint32_t w = get_pyramid_sample_point4_raw(x, y, pyr, L);
        for (int k = 0; k < 4; ++k) words[k] = (w >> (24 - 8 * k)) & 255;
    } else if (pyr->kind == kPyrColour16) {
        pyr_read_components(x, y, pyr, L, shorts);
        for (int k = 0; k < 4; ++k) words[k] = shorts[k];
    } else if (pyr->kind == kPyrColourFloat) {
        pyr_read_components(x, y, pyr, L, words);
    }
    for (int k = 0; k < 4; ++k) c[k] = words[k];
}

// A picture whose sides do not halve exactly: 1366 x 683 has levels of
// 684 x 342, 342 x 172 and 172 x 86, each holding a little more than the
// picture's 683, 341.5 and 170.75 columns (341.5, 170.75, 85.375 rows).
constexpr int64_t kOddWidth = 1366, kOddHeight = 683;

// The level-0 position of the centre of pixel i of level L: what pixel i
// holds when level 0 holds its own column (or row) numbers.
inline float RampAt(int64_t i, int64_t L) {
    return (static_cast<float>(i) + 0.5f) * static_cast<float>(int64_t{1} << L) - 0.5f;
}
