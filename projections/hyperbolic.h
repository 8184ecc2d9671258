// Hyperbolic tilings of the Poincare disc: {3,9} (triangles), {4,8} (squares)
// and {5,4} (pentagons), each inside an outer shape (disc, square, pentagon or
// band). An output point is carried into the unit disc, folded by circle
// inversions into the central cell, and placed by a tabulated conformal map
// (cache tags 17, 18, 19) in a flat cell: a net face for {3,9} and {5,4}, a
// Peirce square for {4,8}.
#pragma once

#include <cstdint>

#include "common/complex.h"
#include "projections/skewed_folds.h"
#include "pyramid/pyramid.h"
#include "records/hypertype.h"

struct FramingBox;

// ---- which modes ----
bool ProjectionInvolves_3_9_tiling(int64_t mode);   // 371..374
bool ProjectionInvolves_4_8_tiling(int64_t mode);   // 375..378
bool ProjectionInvolves_5_4_tiling(int64_t mode);   // 379..382
bool ProjectionInvolvesHyperbolicTiling(int64_t mode);
bool ProjectionInvolvesOuterSquare(int64_t mode);    // 372, 376, 380
bool ProjectionInvolvesOuterPentagon(int64_t mode);  // 373, 377, 381
bool ProjectionInvolvesOuterBand(int64_t mode);      // 374, 378, 382

// ---- the cell ----
// sqrt(cos(pi/p + pi/q) cos(pi/q) / (sin(2 pi/q) sin(pi/p) + cos(pi/p + pi/q) cos(pi/q))).
double dFromPandQ(double p, double q);
void createCirclesForSquare(hypertype* h);
void createCirclesForPentagon(hypertype* h);
void initTrips_for_3_9(hypertype* h);
void initTrips_for_4_8(hypertype* h);
void initTrips_for_5_4(hypertype* h);
// The cell of the mode's tiling (the {3,9} circles from their stored points);
// other modes leave the record alone.
void InitHypertypeForMode(hypertype* h, int64_t mode);

bool outsideCenteredSquare(double x, double y);
bool outsideCenteredHorizontalBand(double x, double y);
fcomplex ReflectIntoSquare(double x, double y);

// ---- folding into the central cell: the number of inversions, -1 for a
// point outside the unit disc (the out point is then unwritten) ----
constexpr int kFoldPassLimit = 50;
int32_t LBIIS_for_triangle(fcomplex* out, const hypertype* h, double x, double y);
int32_t LBIIS_for_square(fcomplex* out, const hypertype* h, double x, double y);
int32_t LBIIS_for_pentagon(fcomplex* out, const hypertype* h, double x, double y);
// Mirrors in the axes instead of the circles' lines; first and last circle
// that fired as 1..4 (0 for none).
int32_t LBIIS_for_toroidal_square_4_8(fcomplex* out, const hypertype* h, int32_t* firstCircle, int32_t* lastCircle,
                                      double x, double y);

// ---- the sub-triangle (O, M, V) of a folded point ----
int64_t getRegion_for_triangle(fcomplex* M, fcomplex* V, const hypertype* h, double x, double y);
int64_t getRegion_for_square(fcomplex* M, fcomplex* V, fcomplex* C, double* r, const hypertype* h, double x,
                             double y);
int64_t getRegion_for_pentagon(fcomplex* M, fcomplex* V, fcomplex* C, double* r, const hypertype* h, double x,
                               double y);
// Region and the affine (s, t) of p = M + (V - M) s + (O - M) t; the third
// barycentric 1 - s - t into *third. Outside the flat triangle (region -1)
// the sub-triangle of the point's angle is used.
int64_t getRegionAndBarys_for_triangle(fcomplex* M, fcomplex* V, double* s, double* t, double* third,
                                       const hypertype* h, double x, double y);
int64_t getRegionAndBarys_for_square(fcomplex* M, fcomplex* V, double* b0, double* b1, int64_t* extra,
                                     const hypertype* h, double x, double y);
int64_t getRegionAndBarys_for_pentagon(fcomplex* M, fcomplex* V, double* b0, double* b1, int64_t* extra,
                                       const hypertype* h, double x, double y);
// b0: 0 on the edge arc, 1 on the line O-V; b1: the angle about the edge
// circle's centre, 0 towards O, 1 towards V.
void FlipSpinAndRecoverBarys(double* b0, double* b1, fcomplex point, fcomplex C, double r, fcomplex V);

// ---- warping: the folded point placed in the flat cell ----
fcomplex more_hyperbolic_warping_for_3_9(const hypertype* h, PyramidDescriptor* cache, int64_t* region, double x,
                                         double y);
fcomplex more_hyperbolic_warping_for_4_8(const hypertype* h, PyramidDescriptor* cache, int64_t* region,
                                         int64_t foldKind, int32_t* inversions, int32_t* firstCircle,
                                         int32_t* lastCircle, double x, double y);
fcomplex more_hyperbolic_warping_for_5_4(const hypertype* h, PyramidDescriptor* cache, int64_t* region,
                                         uint8_t* flipped, double x, double y);

// ---- output point to disc point ----
// The outer shape's disc point of the unit output point (u, v) in the frame;
// false for a miss. outline: the Peirce cache for the square, the decant cache
// for the pentagon (a pentagon without it is a miss; a square without it
// stays as it is).
bool HyperbolicDiscPoint(fcomplex* out, const FramingBox* frame, PyramidDescriptor* outline, int64_t mode, double u,
                         double v);

// The flat cell placed in the net's box (the {3,9} and {5,4} placements).
fcomplex tetimage_inscribed_in_circle(const NetBox& box, double x, double y);
fcomplex pentagonimage_inscribed_in_circle(const NetBox& box, uint8_t flipped, double x, double y);
fcomplex squareimage_inscribed_in_circle(double x, double y);

// Net positions; false and (0, 0) for a miss. v is divided by rowDivisor
// first.
bool calc_skewed_coordinates_for_Hyperbolic_3_9(const NetBox& box, float* x, float* y, const hypertype* h,
                                                const FramingBox* frame, PyramidDescriptor* cache,
                                                PyramidDescriptor* outline, int64_t mode, double rowDivisor,
                                                double u, double v);
bool calc_skewed_coordinates_for_Hyperbolic_5_4(const NetBox& box, float* x, float* y, const hypertype* h,
                                                const FramingBox* frame, PyramidDescriptor* cache,
                                                PyramidDescriptor* outline, int64_t mode, double rowDivisor,
                                                double u, double v);
// 0, or -2 with *miss = 1.
int64_t calc_skewed_coordinates_for_Hyperbolic_4_8(double* x, double* y, const hypertype* h, const FramingBox* frame,
                                                   PyramidDescriptor* cache, PyramidDescriptor* outline,
                                                   int64_t mode, uint8_t* miss, double u, double v);
// The direction of modes 375..378: each cell a Peirce square of the sphere.
void TotalHyperbolic_4_8(uint8_t* miss, float out[3], PyramidDescriptor* peirceCache, PyramidDescriptor* tableCache,
                         const FramingBox* frame, const hypertype* h, PyramidDescriptor* outline, int64_t mode,
                         double u, double v);
