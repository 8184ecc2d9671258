// Small forward world maps (longitude and latitude to map x, y) shared by the
// input modes, the output projections and the numerical inverses, and the
// lazily filled 400-entry tables of the Mollweide and Robinson maps.
//
// A lazy table holds the sentinel 999.0 in slot 0 until its first use fills
// it; the render preparation triggers every fill before workers start, so
// workers only read.
#pragma once

constexpr int kLazyTableSize = 400;
// The ellipsoid arc-length table keeps its total length in one extra slot.
constexpr int kEllipsoidTableSize = 401;
constexpr float kLazyTableUnbuilt = 999.0f;

// The two lazily built tables a render context points to. Each lives in its
// own array so that filling the 401-entry ellipsoid table never touches the
// Mollweide table's sentinel.
struct InverseTables {
    float ellipsoid[kEllipsoidTableSize];
    float mollweide[kLazyTableSize];
};
void MarkInverseTablesUnbuilt(InverseTables* t);

// Robinson's published table, normalised, 5 degree steps from 0 to 90 and a
// repeat of the last entry.
extern const float RobinsonXScaleByLatitude[20];
extern const float RobinsonLatitudeByMapY[20];

double qev_asinh(double x);
double sign(double x);

// Linear lookup shared by the lazy tables: g is the table position (>= 0).
float LazyTableLookup(const float* table, float g);

// Auxiliary angle of the Mollweide map for latitude phi (twice the table
// value solves t + sin t = pi sin phi).
float Molltheta(float table[kLazyTableSize], float phi);
// Robinson: latitude fraction Y (-1..1) to map height; *xScale gets the
// length of that parallel.
float RobLatLerp(float* xScale, float Y);
float solveRobY(float Y);
float RobinsonInverse_function(float table[kLazyTableSize], float Y);

// Eckert IV's scales: x = kEckert4X·λ·(1 + cos θ), y = kEckert4Y·sin θ, with
// kEckert4X = 2/√(π(4+π)) and kEckert4Y = 2√(π/(4+π)), which make the map
// equal-area on the unit sphere; its plane spans ±2·kEckert4Y by ±kEckert4Y.
constexpr double kEckert4X = 0.4222382003157712, kEckert4Y = 1.3265004281770023;
// Eckert IV's auxiliary angle θ, the root of θ + sin θ cos θ + 2 sin θ =
// (2 + π/2) sin φ, by a polynomial fit in |φ| (±π/2 at the poles).
double rootfindForEckert(double phi);
void strebe1995forward(double lambda, double phi, double* x, double* y);
void vandergrinten1forward(double lambda, double phi, double* x, double* y);
void WinkelTripelForward(double lambda, double phi, double* x, double* y);
