// The stored conformal tables of the projection caches ("freeze-dried": sampled
// once by tools/gen_conformal_tables.cpp and kept as program data). Entries are
// float pairs (triples for the equal-area square) in the order the cache fill visits its cells; see the generator
// for what each table maps and in which frame.
#pragma once

#include <cstdint>

inline constexpr int64_t kFreezeDriedOctantPairs = 1275;  // cells with column <= row of 50 x 50
inline constexpr int64_t kFreezeDriedGridPairs = 2500;    // every cell of 50 x 50
inline constexpr int64_t kFreezeDriedFacePairs = 1275;    // cells with column + row < 50 of 50 x 50
inline constexpr int64_t kFreezeDriedTetfacePairs = 1324; // cells with column + row <= 50 of 50 x 50
inline constexpr int64_t kFreezeDriedDodecfacePairs = 465; // cells with column + row < 30 of 30 x 30
inline constexpr int64_t kFreezeDriedHyperbolic_3_9Pairs = 820;   // cells with column + row < 40 of 40 x 40
inline constexpr int64_t kFreezeDriedHyperbolic_4_8Pairs = 1600;  // every cell of 40 x 40
inline constexpr int64_t kFreezeDriedHyperbolic_5_4Pairs = 1764;  // every cell of 42 x 42
inline constexpr int64_t kFreezeDriedReuleauxPairs = 1376; // cells with column + row <= 51 of 51 x 51

extern const float Peirce_octant_freezedried[2 * kFreezeDriedOctantPairs];
extern const float spherecube_octant_freezedried[2 * kFreezeDriedOctantPairs];
extern const float pent_decant_freezedried[2 * kFreezeDriedGridPairs];
extern const float tri_sextant_freezedried[2 * kFreezeDriedGridPairs];
extern const float hex_dodecant_freezedried[2 * kFreezeDriedGridPairs];
extern const float nu_square_octant_freezedried[2 * kFreezeDriedGridPairs];
extern const float peirceoid_quad_freezedried[3 * kFreezeDriedGridPairs];  // triples
extern const float complete_icoface_freezedried[2 * kFreezeDriedFacePairs];
extern const float octahedron_face_freezedried[2 * kFreezeDriedFacePairs];
extern const float tetface_sextant_freezedried[2 * kFreezeDriedTetfacePairs];
extern const float dodecface_decant_freezedried[2 * kFreezeDriedDodecfacePairs];
extern const float Reuleaux_sextant_freezedried[2 * kFreezeDriedReuleauxPairs];
extern const float Reuleaux_to_circle_freezedried[2 * kFreezeDriedReuleauxPairs];
// The hyperbolic tilings' fundamental triangles onto flat ones
// (tools/gen_hyperbolic_tables.cpp).
extern const float hyperbolic_3_9_freezedried[2 * kFreezeDriedHyperbolic_3_9Pairs];
extern const float hyperbolic_4_8_freezedried[2 * kFreezeDriedHyperbolic_4_8Pairs];
extern const float hyperbolic_5_4_freezedried[2 * kFreezeDriedHyperbolic_5_4Pairs];
