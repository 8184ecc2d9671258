// Ray casting of the brick model: one ray per output sample, walked cell by
// cell through the voxel grid until it meets a filled cell. The answer is
// the hit point, a face shade, an ambient-occlusion shade and a region code
// that is the same for every sample seeing the same face plane of the same
// colour (edges and the unshaded colour follow the region; the shades
// darken it).
#pragma once

#include <cstdint>

#include "render/globes/brick_globe.h"

struct TransformationReply;

// What the cell walk found.
struct LegoHit {
    int32_t region;         // -5 on a miss
    int64_t cell[3];        // the hit cell
    int face;               // entered face 0..5 (-x, +x, +y, -y, +z, -z steps); -1 without a step
    double point[3];        // where the ray entered the hit cell, unit cube
    double faceNormal[3];   // unit normal of the entered face, against the ray
    double sphereNormal[3]; // the hit point normalised
    float faceShade;        // 0 on a miss
};

// Region codes: 96 x plane + 16 x face + colour.
inline int32_t ColorcodeFromLegoRegion(int32_t code) { return code & 15; }
inline int32_t MovementcodeFromLegoRegion(int32_t code) { return (code / 16) % 6; }
inline int32_t PlaneFromLegoRegion(int32_t code) { return code / 96; }

// The face shade of the step that entered the hit cell (face -1: 1.0).
float GetShadingFactor(int face);

// Slab test of the box [lo, hi]; a zero direction component makes that
// slab unbounded. Entry point into *entry; false when the ray misses it.
bool IntersectBoxAndFindPoint(const double origin[3], const double direction[3], const double lo[3],
                              const double hi[3], double entry[3], double* tEntry);
// Unit cube [-1, 1]^3 to cell space and back (each axis its own count).
void transformToVoxelAnisotropic(const LegoStructure* ball, const double unit[3], double cell[3]);
void transformToVoxelTAnisotropicToUnitary(const LegoStructure* ball, const double cell[3], double unit[3]);

// The cell walk of a ray given in the unit cube. Returns 1 on a hit.
int castRay(const LegoStructure* ball, const double origin[3], const double direction[3], LegoHit* hit);
// Ambient occlusion at a hit, 0..1 (1 = open).
float calc_occlusive_shading(const LegoStructure* ball, const LegoHit& hit);

// One sample: the ray of view `view` (clamped to 0..3) through view-plane
// position (u, v). Fills the reply's place (region), shade, surface normal,
// voxel normal and cell; direction gets the sphere normal. True on a hit.
bool LegoMarch_yielding_region(const LegoStructure* ball, int64_t view, double u, double v, TransformationReply* reply,
                               float direction[3]);
