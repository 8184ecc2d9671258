// The Peirce quincuncial projection and its variants, the Peirce inverse that
// folds a square onto the unit disc, and the pentagon fold with its conformal
// pentagon-to-disc map. The conformal cores come from the Peirce cache
// (tag 1) and the decant cache (tag 3); both must be built before tiles run.
//
// Directions are unit vectors of three floats; a miss sets the miss byte and
// the direction (0, 0, 1). Plane points are output-square coordinates with the
// square [-1, 1]^2 as the whole map.
#pragma once

#include <cstdint>

#include "common/complex.h"
#include "pyramid/pyramid.h"

// The single-precision inverse stereographic step shared by the disc-based
// maps: disc point w to the direction (-2x, -2y, 1 - |w|^2) / (1 + |w|^2).
void InverseStereographicStep(float out[3], double x, double y);

// ---- Peirce fold and lookup ----
// Square [-1, 1]^2 onto the unit disc; the corner (1, 1) goes to (0, 1).
fcomplex PeirceInverseMagicallyCenteredInput(PyramidDescriptor* peirceCache, double x, double y);
// The same on the unit square: (s, t) in [0, 1]^2.
fcomplex PeirceInverseMagically(PyramidDescriptor* peirceCache, double s, double t);

// ---- the projection and its variants ----
// The inner diamond |x| + |y| <= 1 holds the hemisphere around +z, the four
// corner triangles the other; w^k and the turn by phi act on the disc point.
void TotalPeirce(uint8_t* miss, float out[3], PyramidDescriptor* peirceCache, double x, double y, double k,
                 double phi);
// Two half squares side by side.
void TotalPeirce_175(uint8_t* miss, float out[3], PyramidDescriptor* peirceCache, double x, double y, double k,
                     double phi);
// A checkerboard of Peirce squares, n / 5 per unit, alternate ones upside down.
void TilingPeirce(uint8_t* miss, float out[3], PyramidDescriptor* peirceCache, double x, double y, double aspect,
                  double n);
// The square bent by a complex power k into the n-cunx variants.
void BendyPeirce(uint8_t* miss, float out[3], PyramidDescriptor* peirceCache, int64_t kind, double x, double y,
                 double k, double turn, double scale, double dx, double dy);
// A diamond with one quadrant cut away; the rest carries the whole sphere.
void ChevronPeirce(uint8_t* miss, float out[3], PyramidDescriptor* peirceCache, double x, double y, double aspect,
                   double dx, double dy);

// ---- pentagon fold ----
// One fold of a point into the base triangle of the unit pentagon: centre O,
// vertex A = (cos 36, sin 36), edge midpoint B = (cos 36, 0).
struct polyflop {
    double angle;     // the sector turn a
    uint8_t flipped;  // the turned point was mirrored into y >= 0
};

// Turns (x, y) into the base sector and mirrors it to y >= 0; A and B as stored.
fcomplex spunpInPentagon(fcomplex* A, fcomplex* B, polyflop* flop, double x, double y);
// The fold, then the barycentric weights (w_O, w_A) of the folded point in
// (A, B, O); A and B are returned in the unfolded frame. w_O < 0 outside.
fcomplex getBarysOfManualPentagonForP_core(fcomplex* A, fcomplex* B, polyflop* flop, double x, double y);
// Undoes a fold.
fcomplex deFlop(const polyflop* flop, double x, double y);

// The pentagon of vertex radius 1 with a vertex at the top onto the unit
// disc; *outside is set for points beyond the pentagon.
fcomplex PentagonInverseMagicallyCenteredInput(PyramidDescriptor* decantCache, uint8_t* outside, double x, double y);
// The band |y| <= 1 onto the unit disc: tanh(pi/4 (x + i y)).
fcomplex BandInverseMagicallyCenteredInput(double x, double y);
