// The stored conformal tables of the projection caches ("freeze-dried": sampled
// once by tools/gen_conformal_tables.cpp and kept as program data). Entries are
// float pairs in the order the cache fill visits its cells; see the generator
// for what each table maps and in which frame.
#pragma once

#include <cstdint>

inline constexpr int64_t kFreezeDriedOctantPairs = 1275;  // cells with column <= row of 50 x 50
inline constexpr int64_t kFreezeDriedGridPairs = 2500;    // every cell of 50 x 50

extern const float Peirce_octant_freezedried[2 * kFreezeDriedOctantPairs];
extern const float spherecube_octant_freezedried[2 * kFreezeDriedOctantPairs];
extern const float pent_decant_freezedried[2 * kFreezeDriedGridPairs];
extern const float tri_sextant_freezedried[2 * kFreezeDriedGridPairs];
extern const float hex_dodecant_freezedried[2 * kFreezeDriedGridPairs];
extern const float nu_square_octant_freezedried[2 * kFreezeDriedGridPairs];
