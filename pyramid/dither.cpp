#include "pyramid/dither.h"

#include <cstring>

#include "common/memory.h"
#include "pyramid/pixels.h"

namespace {

struct PaletteEntry {
    int64_t red, green, blue;   // 16-bit values as stored
};

uint16_t Read16(const uint8_t* p) {
    uint16_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

PaletteEntry EntryAt(const uint8_t* palette, int64_t i) {
    const uint8_t* e = palette + kPaletteEntriesOffset + i * kPaletteEntryBytes;
    return PaletteEntry{Read16(e + 2), Read16(e + 4), Read16(e + 6)};
}

// 15-bit sample (0..32768) to 8 bits.
inline int64_t EightFrom15(int64_t v) {
    const int64_t e = ((v + 1) >> 7) & 511;
    return e < 255 ? e : 255;
}

// 8 bits back to 15-bit, 255 to exactly 32768.
inline int64_t FifteenFrom8(int64_t h) { return h == 255 ? 32768 : (h << 7) | (h >> 1); }

inline int64_t Clamp255(int64_t v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }

bool Dithered(int64_t kind) {
    return kind == kPyrGrey8 || kind == kPyrColour8 || kind == kPyrGrey16 || kind == kPyrSingle16 ||
           kind == kPyrColour16;
}

// The pixel as four 8-bit values.
void ReadPixel8(const PyramidDescriptor* pyr, int64_t L, int64_t x, int64_t y, int64_t c[4]) {
    switch (pyr->kind) {
        case kPyrGrey8:
            c[0] = c[1] = c[2] = get_pyramid_sample_point1(x, y, pyr, L);
            c[3] = 255;
            return;
        case kPyrColour8: get_pyramid_sample_point4(x, y, pyr, L, &c[0], &c[1], &c[2], &c[3]); return;
        case kPyrColour16: {
            get_pyramid_sample_point64bit(x, y, pyr, L, &c[0], &c[1], &c[2], &c[3]);
            for (int k = 0; k < 4; ++k) c[k] = EightFrom15(c[k]);
            return;
        }
        default:
            c[0] = c[1] = c[2] = EightFrom15(get_pyramid_sample_point16bit(x, y, pyr, L));
            c[3] = 255;
    }
}

// The entry's colour written in the pixel's own width; `fourth` is the
// pixel's fourth component as it was (8-bit kinds) or its 15-bit value.
void WriteEntry(PyramidDescriptor* pyr, int64_t L, int64_t x, int64_t y, const PaletteEntry& e, int64_t index,
                bool storeIndex) {
    switch (pyr->kind) {
        case kPyrGrey8: set_pyramid_sample_point1(x, y, pyr, L, e.red >> 8); return;
        case kPyrColour8: {
            const uint32_t old = get_pyramid_sample_point4_raw(x, y, pyr, L);
            const uint32_t fourth = storeIndex ? static_cast<uint32_t>(index) & 255 : old & 255;
            const uint32_t word = (static_cast<uint32_t>(e.red >> 8) << 24) |
                                  (static_cast<uint32_t>(e.green >> 8) << 16) |
                                  (static_cast<uint32_t>(e.blue) & 0xFF00u) | fourth;
            set_pyramid_sample_point4_raw(x, y, pyr, L, word);
            return;
        }
        case kPyrColour16: {
            int64_t c[4];
            get_pyramid_sample_point64bit(x, y, pyr, L, &c[0], &c[1], &c[2], &c[3]);
            set_pyramid_sample_point64bit(x, y, pyr, L, FifteenFrom8(e.red >> 8), FifteenFrom8(e.green >> 8),
                                          FifteenFrom8(e.blue >> 8), storeIndex ? index : c[3]);
            return;
        }
        default: set_pyramid_sample_point16bit(x, y, pyr, L, FifteenFrom8(e.red >> 8));
    }
}

}  // namespace

void DitherPyrLevel(PyramidDescriptor* pyr, int64_t level, const uint8_t* palette, int64_t storeIndex,
                    int64_t diffuse) {
    if (!pyr || !pyr->tiles || !palette || !Dithered(pyr->kind)) return;
    const int64_t count = static_cast<int64_t>(static_cast<int16_t>(Read16(palette + kPaletteCountOffset))) + 1;
    if (count < 1) return;
    const int64_t top = pyr->topLevel >= 1 ? pyr->topLevel - 1 : 0;
    const int64_t L = level < 0 ? 0 : (level > top ? top : level);
    if (L > pyr->topLevel) return;
    const int64_t width = pyr->width[L], height = pyr->height[L];

    // Three errors per entry; pixel x uses entry x + 1, entry width + 1 is spare.
    auto* errors = static_cast<int16_t*>(RobustNewPtr(static_cast<size_t>((width + 2) * 3) * sizeof(int16_t)));
    if (!errors) return;
    std::memset(errors, 0, static_cast<size_t>((width + 2) * 3) * sizeof(int16_t));
    auto entryOf = [width](int64_t position) { return (position < 0 ? 0 : (position > width ? width : position)) + 1; };

    for (int64_t y = 0; y < height; ++y) {
        const int64_t d = (y & 1) ? -1 : 1;
        for (int64_t n = 0; n < width; ++n) {
            const int64_t x = d > 0 ? n : width - 1 - n;
            int64_t read[4];
            ReadPixel8(pyr, L, x, y, read);
            int16_t* here = errors + (x + 1) * 3;
            int64_t v[3] = {read[0], read[1], read[2]};
            if (diffuse)
                for (int k = 0; k < 3; ++k) v[k] = Clamp255(v[k] + here[k]);

            int64_t best = 0, bestDistance = kPaletteNearEnough;
            for (int64_t i = 0; i < count; ++i) {
                const PaletteEntry e = EntryAt(palette, i);
                const int64_t dr = v[0] - (e.red >> 8), dg = v[1] - (e.green >> 8), db = v[2] - (e.blue >> 8);
                const int64_t dist = dr * dr + dg * dg + db * db;
                if (dist < bestDistance) bestDistance = dist, best = i;
            }
            const PaletteEntry chosen = EntryAt(palette, best);
            WriteEntry(pyr, L, x, y, chosen, best, storeIndex != 0);
            if (!diffuse) continue;

            const int64_t high[3] = {chosen.red >> 8, chosen.green >> 8, chosen.blue >> 8};
            int16_t* ahead = errors + entryOf(x + d) * 3;
            int16_t* behind = errors + entryOf(x - d) * 3;
            for (int k = 0; k < 3; ++k) {
                const int64_t err = v[k] - high[k];
                const int64_t row = read[k] > 127 ? 255 - read[k] : read[k];
                const int64_t f = kOstromoukhovWeights[row][0], kb = kOstromoukhovWeights[row][1];
                const int64_t w = kOstromoukhovWeights[row][2], s = f + kb + w;
                const int64_t ef = f * err / s, ew = w * err / s;
                ahead[k] = static_cast<int16_t>(ahead[k] + ef);
                here[k] = static_cast<int16_t>(ew);
                behind[k] = static_cast<int16_t>(behind[k] + (err - ef - ew));
            }
        }
    }
    RobustDisposePtr(&errors);
}
