// World maps whose forward formulas have no closed inverse, inverted by
// Newton's method, and van der Grinten I with its algebraic inverse. Each
// Total function takes a point of the map's plane (x to the right, y
// downward, in the map's own units) and gives a unit direction on the sphere
// or a miss.
//
// Every inverse here returns the longitude λ (growing to the right) and the
// latitude φ growing downward (southward), the sign the plane's y carries;
// the longitude-latitude step then gives the direction
// (-sin λ cos φ, -sin φ, cos λ cos φ).
#pragma once

#include "records/coherent_search_cache.h"

// Newton's limits, named as the maps use them.
constexpr int kNewtonStepsLong = 50;   // Laskowski, Canters
constexpr int kNewtonSteps = 25;       // every other two-unknown solve
constexpr double kNewtonTolerance = 5e-5;
constexpr int kLarriveeGiveUpSteps = 21;  // a Larrivée solve this long is a miss
constexpr int kEqualEarthSteps = 12;
constexpr double kEqualEarthTolerance = 1e-11;
constexpr double kStrebeJacobianStep = 1e-6;

// The plane extents: a point with |x|/ex > 1 or |y|/ey > 1 is a miss.
constexpr double kLaskowskiExtentX = 3.064731, kLaskowskiExtentY = 1.783395;
constexpr double kCantersExtentX = 2.92325, kCantersExtentY = 1.70905;
constexpr double kLarriveeExtentX = 3.141592653, kLarriveeExtentY = 2.5648;
constexpr double kGinzburg8ExtentX = 2.44172, kGinzburg8ExtentY = 1.89378;
constexpr double kNaturalEarthExtentX = 2.73538, kNaturalEarthExtentY = 1.42239;
constexpr double kEqualEarthExtentX = 2.7066299836960748, kEqualEarthExtentY = 1.3173627591574133;
constexpr double kWinkelExtentX = 2.570796326312263, kWinkelExtentY = 1.5707963267948966;
constexpr double kStrebe1995ExtentX = 2.484446397593003, kStrebe1995ExtentY = 1.564091933;

// The longitude-latitude step in single precision. Returns 1 (a miss) when λ
// or φ lies outside the map's range, leaving the direction alone.
int LongitudeLatitudeToDirection(float out[3], double lambda, double phi);

// Inverses: plane (x, y) to (λ, φ). Each stops after its step limit with the
// last estimate, which the range check of its Total function may still reject.
void laskowski_inverse(double x, double y, double* lambda, double* phi);
// Returns (φ, λ) in that order, as its callers store them.
void Canters_inverse(double x, double y, double* phi, double* lambda);
// Works on |x|, |y| and restores their signs; returns the number of steps.
int Larrivee_inverse_good(double x, double y, double* lambda, double* phi);
void Ginzburg8_inverse_LB(double x, double y, double* lambda, double* phi);
void NaturalEarth_inverse_LB(double x, double y, double* lambda, double* phi);
// Returns false when the parametric latitude does not settle (no answer).
bool EqualEarth_inverse_LB(double x, double y, double* lambda, double* phi);
void EqualEarth_forward(double lambda, double phi, double* x, double* y);
void winkel_inverse_lb(double x, double y, double* lambda, double* phi);
// status: 0 converged, 1 steps ran out or not a number.
void Strebe1995_inverse_using_cg(int* status, coherentSearchCache* cache, double x, double y,
                                 double* lambda, double* phi);

void TotalLaskowski(float out[3], unsigned char* miss, double x, double y);
void TotalCanters(float out[3], unsigned char* miss, double x, double y);
void TotalLarrivee(float out[3], unsigned char* miss, double x, double y);
void TotalGinzburg8(float out[3], unsigned char* miss, double x, double y);
void TotalNaturalEarth(float out[3], unsigned char* miss, double x, double y);
void TotalEqualEarth(float out[3], unsigned char* miss, double x, double y);
void TotalWinkel(float out[3], unsigned char* miss, double x, double y);
void TotalStrebe1995(float out[3], unsigned char* miss, coherentSearchCache* cache, double x, double y);
// van der Grinten I on the unit disc (the plane divided by π).
void Totalvandergrinten1(float out[3], unsigned char* miss, double x, double y);
