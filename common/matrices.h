// Small dense linear algebra over caller-owned arrays. Every matrix is a 4×4
// array stored row by row (element [i][j] at 4i + j); a 3×3 matrix is its
// upper-left block, and the 3×3 operations neither read nor write the rest.
// Row-vector products compute out_j = Σ v_i·M[i][j]; column-vector products
// out_i = Σ M[i][j]·v_j. Each rotation builder says which one it obeys.
#pragma once

#include "common/vectors.h"

void MultiplyRowVectorBy3x3(const float* v, const float* M, float* out);
void MultiplyRowVectorBy3x3D(const double* v, const double* M, double* out);
void Multiply3x3byColumnVectorD(const double* M, const double* v, double* out);
triplex Multiply3x3byColumnVectorT(const double* M, triplex p);
triplex Multiply4x4byTriplex(const double* M, triplex p);
// C = A·B on 4×4 doubles (C may be A or B).
void Multiply4x4by4x4(const double* A, const double* B, double* C);

// Rotation by θ about the axis (used as given, not normalised), turning
// column vectors counter-clockwise seen from the axis tip. Fills all 16.
void MatrixFromAxisAngleD(const double* axis, double* M, double theta);

// 3×3 block of M with the row vector from·M = to; from and to are unit
// vectors. Every case, nearly parallel ones included, obeys that convention.
void FromToBuildRotationD(const double* from, const double* to, double* M);
void FromToBuildRotationD_core(const double* from, const double* to, double* M);
// C = A turned toward B by the fraction t of their angle; opposite A and B
// turn about an axis across A.
void CGetsAngularInterpolantOfAB(const double* A, const double* B, double* C, double t);

inline double det2x2(double a, double b, double c, double d) { return a * d - b * c; }
void adjoint4x4(const double* M, double* out);
double det4x4(const double* M);
// Returns 1 with out = M⁻¹, or 0 and leaves out alone when |det| < 1e-8.
int Inverse4x4(const double* M, double* out);

struct PLANED;
// Closest points pa on line p1p2 and pb on line p3p4, with their parameters;
// 0 for degenerate lines or lines within about 0.18° of parallel (squared
// sine of their angle below 1e-5), whatever their length.
int LineLineIntersect(const double* p1, const double* p2, const double* p3, const double* p4, double* pa,
                      double* pb, double* mua, double* mub);

// acos and asin of arguments that rounding may have pushed just past ±1.
inline double SafeAcos(double x) { return std::acos(x > 1.0 ? 1.0 : (x < -1.0 ? -1.0 : x)); }
inline double SafeAsin(double x) { return std::asin(x > 1.0 ? 1.0 : (x < -1.0 ? -1.0 : x)); }
