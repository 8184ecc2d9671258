// Error-diffusion dithering of one level to a palette, in place: serpentine
// rows with the variable weights of Ostromoukhov's table, so that flat areas
// of any intensity dither without regular patterns.
#pragma once

#include <cstdint>

#include "pyramid/pyramid.h"

constexpr int64_t kOstromoukhovRows = 128;
// Row v (intensity v, 0..127; v > 127 uses row 255 - v): forward,
// behind-below, below weights.
extern const int16_t kOstromoukhovWeights[kOstromoukhovRows][3];

// The palette block as read: the entry count minus one (signed 16-bit) at
// byte 10, then 8-byte entries from byte 12: a 16-bit value, then 16-bit red,
// green and blue of which only the high bytes count. Native byte order.
constexpr int64_t kPaletteCountOffset = 10;
constexpr int64_t kPaletteEntriesOffset = 12;
constexpr int64_t kPaletteEntryBytes = 8;
constexpr int64_t kPaletteNearEnough = 70000;   // squared distances at or above this never match

// Dithers level `level` (limited to 0..top - 1) to the palette. 8-bit kinds
// (0, 3) and 16-bit kinds (1, 2, 4) are dithered; others are left unchanged,
// as is everything when the palette holds no entry. With storeIndex the
// fourth component receives the chosen entry's index; without diffuse every
// pixel takes its nearest entry on its own.
void DitherPyrLevel(PyramidDescriptor* pyr, int64_t level, const uint8_t* palette, int64_t storeIndex,
                    int64_t diffuse);
