// Procedural texture functions: classic gradient noise with turbulence,
// lattice value noise, improved gradient noise in 2D and 3D, a cell hash,
// the bias and gain curves and fast approximate square roots.
//
// The noise functions read a NoiseTables record built once per invocation
// (init_hash, then init_perlin) and only read it afterwards, so any number of
// threads may share one.
#pragma once

#include <cstdint>

// The constant hash table H (generated) and the improved-noise reference
// permutation T.
extern const uint16_t kNoiseHashTable[2048];
extern const uint8_t kImprovedNoisePermutation[256];

struct NoiseTables {
    // Classic noise: permutation and gradients; entries 256 to 513 repeat 0 to 257.
    int32_t p[514];
    float g3[514][3];
    float g2[514][2];
    float g1[514];
    // Improved noise: P[i] = P[i + 256] = T[(i + seed) & 255], and the 2D
    // gradient coefficients by hash.
    int32_t P[512];
    float gx[256];
    float gy[256];
    // hash[0..2047] are bytes, hash[2049..4096] the table itself; fhash holds
    // hash[0..2047] / 255.
    int64_t hash[4098];
    float fhash[2048];
};

NoiseTables* init_hash(NoiseTables* a, int64_t start);
// Needs the hash; builds the classic tables, then the improved ones.
void init_perlin(NoiseTables* t, int64_t seed);
void init_improved_perlin(NoiseTables* t, int64_t seed);

float noise3(const NoiseTables* t, const float* v);
float turbulence(const NoiseTables* t, const float* v, float freq);
inline float noise1() { return 0.0f; }
float linear_noise2(const NoiseTables* t, float x, float y);
float s_noise2(const NoiseTables* t, float x, float y);
float cellnoise2(const NoiseTables* t, float x, float y);

// Gradient by the low four bits of h: (h & 1 ? −u : u) + (h & 2 ? −v : v),
// u = x when h < 8 or (h & 14) == 12, else y; v = y when h < 4 or
// (h & 14) == 12, else z.
inline double grad(int h, double x, double y, double z) {
    h &= 15;
    const bool twelve = (h & 14) == 12;
    const double u = (h < 8 || twelve) ? x : y;
    const double v = (h < 4 || twelve) ? y : z;
    return ((h & 1) ? -u : u) + ((h & 2) ? -v : v);
}
inline double grad2(int h, double x, double y) { return grad(h, x, y, 0.0); }

double ImprovedNoise3(const NoiseTables* t, double x, double y, double z);
double ImprovedSmallNoise2(const NoiseTables* t, double x, double y);
double ImprovedSmallNoise2OnIntegerLattice(const NoiseTables* t, int64_t i, int64_t j);
void ImprovedSmallNoise2OnIntegerLattice_2D_result(const NoiseTables* t, int64_t i, int64_t j, double* a, double* b);
// Fixed-point value noise over a w × h field of 128-unit cells.
int64_t rdot(const NoiseTables* t, int64_t x, int64_t y, int64_t w, int64_t h);

inline float flerp(float a, float b, float c) { return a + b + c; }
float bias(float x, float b);
float gain(float x, float g);
double gainD(double x, double g);
float InvSqrtFastSloppy(float x);
double InvSqrtFastSloppyDouble(double x);
double SqrtFastSloppyDouble(double x);
// floor(√n) for n >= 0, exact for every 64-bit n; 0 for negative n. The
// guess is only a starting point.
int64_t root(int64_t n, int64_t guess = 1);
