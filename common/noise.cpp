#include "common/noise.h"

#include <cmath>
#include <cstring>
#include <utility>

// Ken Perlin's reference permutation for improved noise (2002).
const uint8_t kImprovedNoisePermutation[256] = {
    151, 160, 137, 91,  90,  15,  131, 13,  201, 95,  96,  53,  194, 233, 7,   225, 140, 36,  103, 30,  69,  142,
    8,   99,  37,  240, 21,  10,  23,  190, 6,   148, 247, 120, 234, 75,  0,   26,  197, 62,  94,  252, 219, 203,
    117, 35,  11,  32,  57,  177, 33,  88,  237, 149, 56,  87,  174, 20,  125, 136, 171, 168, 68,  175, 74,  165,
    71,  134, 139, 48,  27,  166, 77,  146, 158, 231, 83,  111, 229, 122, 60,  211, 133, 230, 220, 105, 92,  41,
    55,  46,  245, 40,  244, 102, 143, 54,  65,  25,  63,  161, 1,   216, 80,  73,  209, 76,  132, 187, 208, 89,
    18,  169, 200, 196, 135, 130, 116, 188, 159, 86,  164, 100, 109, 198, 173, 186, 3,   64,  52,  217, 226, 250,
    124, 123, 5,   202, 38,  147, 118, 126, 255, 82,  85,  212, 207, 206, 59,  227, 47,  16,  58,  17,  182, 189,
    28,  42,  223, 183, 170, 213, 119, 248, 152, 2,   44,  154, 163, 70,  221, 153, 101, 155, 167, 43,  172, 9,
    129, 22,  39,  253, 19,  98,  108, 110, 79,  113, 224, 232, 178, 185, 112, 104, 218, 246, 97,  228, 251, 34,
    242, 193, 238, 210, 144, 12,  191, 179, 162, 241, 81,  51,  145, 235, 249, 14,  239, 107, 49,  192, 214, 31,
    181, 199, 106, 157, 184, 84,  204, 176, 115, 121, 50,  45,  127, 4,   150, 254, 138, 236, 205, 93,  222, 114,
    67,  29,  24,  72,  243, 141, 128, 195, 78,  66,  215, 61,  156, 180,
};

NoiseTables* init_hash(NoiseTables* a, int64_t start) {
    const uint16_t* H = kNoiseHashTable;
    int64_t* hash = a->hash;
    for (int m = 0; m < 2048; m++) hash[m] = H[m] & 255;
    const int64_t s = ((start % 2048) + 2048) % 2048;
    for (int m = 0; m < 2048; m++) {
        hash[H[(s + m) % 2048]] = hash[m];
        hash[m] = H[m] & 255;
        hash[m + 2049] = H[m];
    }
    // The two entries between and after the halves wrap around.
    hash[2048] = hash[0];
    hash[4097] = hash[2049];
    for (int m = 0; m < 2048; m++) a->fhash[m] = static_cast<float>(hash[m]) * (1.0f / 255.0f);
    return a;
}

void init_improved_perlin(NoiseTables* t, int64_t seed) {
    for (int i = 0; i < 256; i++) t->P[i] = t->P[i + 256] = kImprovedNoisePermutation[(i + seed) & 255];
    for (int i = 0; i < 256; i++) {
        const int h = i & 15;
        const bool twelve = (h & 14) == 12;
        const bool uIsX = h < 8 || twelve, vIsY = h < 4 || twelve;
        const float su = (h & 1) ? -1.0f : 1.0f, sv = (h & 2) ? -1.0f : 1.0f;
        t->gx[i] = uIsX ? su : 0.0f;
        t->gy[i] = (uIsX ? 0.0f : su) + (vIsY ? sv : 0.0f);
    }
}

void init_perlin(NoiseTables* t, int64_t seed) {
    const int64_t* hash = t->hash;
    auto c = [hash](int m) {
        const int64_t v = hash[m & 2047] | (hash[(m + 1) & 2047] << 8);
        return static_cast<float>((v & 511) - 256) / 256.0f;
    };
    for (int i = 0; i < 256; i++) {
        const int k = 12 * i;
        t->p[i] = i;
        t->g1[i] = c(k + 39);
        float g2[2] = {c(k + 41), c(k + 43)}, g3[3] = {c(k + 45), c(k + 47), c(k + 49)};
        // A zero gradient stays zero rather than becoming NaN.
        const float m2 = std::sqrt(g2[0] * g2[0] + g2[1] * g2[1]);
        const float m3 = std::sqrt(g3[0] * g3[0] + g3[1] * g3[1] + g3[2] * g3[2]);
        for (int d = 0; d < 2; d++) t->g2[i][d] = m2 > 0 ? g2[d] / m2 : 0.0f;
        for (int d = 0; d < 3; d++) t->g3[i][d] = m3 > 0 ? g3[d] / m3 : 0.0f;
    }
    for (int k = 255; k >= 1; k--) std::swap(t->p[k], t->p[hash[1063 + 2 * (255 - k)] & 255]);
    for (int i = 0; i < 258; i++) {
        t->p[256 + i] = t->p[i];
        t->g1[256 + i] = t->g1[i];
        std::memcpy(t->g2[256 + i], t->g2[i], sizeof t->g2[i]);
        std::memcpy(t->g3[256 + i], t->g3[i], sizeof t->g3[i]);
    }
    init_improved_perlin(t, seed);
}

namespace {

// Lattice cell and offsets of one coordinate, shifted by 4096 so that small
// negative coordinates stay positive.
struct Axis {
    int b0, b1;
    float r0, r1;
};
Axis Setup(float coord) {
    double t = static_cast<double>(coord) + 4096.0;
    if (!std::isfinite(t)) t = 0;
    const double f = std::floor(t);
    Axis a;
    a.b0 = static_cast<int>(static_cast<int64_t>(std::fmod(f, 256.0)) & 255);
    a.b1 = (a.b0 + 1) & 255;
    a.r0 = static_cast<float>(t - f);
    a.r1 = a.r0 - 1.0f;
    return a;
}
float SCurve(float r) { return static_cast<float>(double(r) * r * (3.0 - 2.0 * r)); }
float Lerp(float t, float a, float b) { return a + t * (b - a); }
double LerpD(double t, double a, double b) { return a + t * (b - a); }
double Fade(double t) { return t * t * t * (t * (t * 6 - 15) + 10); }

}  // namespace

float noise3(const NoiseTables* t, const float* v) {
    const Axis X = Setup(v[0]), Y = Setup(v[1]), Z = Setup(v[2]);
    const int i = t->p[X.b0], j = t->p[X.b1];
    const int b00 = t->p[i + Y.b0], b10 = t->p[j + Y.b0], b01 = t->p[i + Y.b1], b11 = t->p[j + Y.b1];
    const float sx = SCurve(X.r0), sy = SCurve(Y.r0), sz = SCurve(Z.r0);
    auto at = [t](int idx, float rx, float ry, float rz) {
        const float* q = t->g3[idx];
        return rx * q[0] + ry * q[1] + rz * q[2];
    };
    float a = Lerp(sx, at(b00 + Z.b0, X.r0, Y.r0, Z.r0), at(b10 + Z.b0, X.r1, Y.r0, Z.r0));
    float b = Lerp(sx, at(b01 + Z.b0, X.r0, Y.r1, Z.r0), at(b11 + Z.b0, X.r1, Y.r1, Z.r0));
    const float c = Lerp(sy, a, b);
    a = Lerp(sx, at(b00 + Z.b1, X.r0, Y.r0, Z.r1), at(b10 + Z.b1, X.r1, Y.r0, Z.r1));
    b = Lerp(sx, at(b01 + Z.b1, X.r0, Y.r1, Z.r1), at(b11 + Z.b1, X.r1, Y.r1, Z.r1));
    const float d = Lerp(sy, a, b);
    return Lerp(sz, c, d);
}

float turbulence(const NoiseTables* t, const float* v, float freq) {
    float sum = 0;
    for (float s = freq; s >= 1; s /= 2) {
        const float w[3] = {v[0] * s, v[1] * s, v[2] * s};
        sum += std::fabs(noise3(t, w)) / s;
    }
    return sum;
}

static float ValueNoise2(const NoiseTables* t, float x, float y, bool smooth) {
    const Axis X = Setup(x), Y = Setup(y);
    const int i = t->p[X.b0], j = t->p[X.b1];
    const float* f = t->fhash;
    const float v00 = f[t->p[i + Y.b0]], v10 = f[t->p[j + Y.b0]], v01 = f[t->p[i + Y.b1]], v11 = f[t->p[j + Y.b1]];
    const float sx = smooth ? SCurve(X.r0) : X.r0, sy = smooth ? SCurve(Y.r0) : Y.r0;
    return Lerp(sy, Lerp(sx, v00, v10), Lerp(sx, v01, v11));
}
float linear_noise2(const NoiseTables* t, float x, float y) { return ValueNoise2(t, x, y, false); }
float s_noise2(const NoiseTables* t, float x, float y) { return ValueNoise2(t, x, y, true); }

float cellnoise2(const NoiseTables* t, float x, float y) {
    const Axis X = Setup(x), Y = Setup(y);
    return static_cast<float>(t->hash[t->p[t->p[X.b0] + Y.b0] & 2047]) * (1.0f / 256.0f);
}

// Integer lattice cell (AND 255) and fraction of one coordinate.
static int Cell(double v, double* frac) {
    const double f = std::isfinite(v) ? std::floor(v) : 0.0;
    *frac = std::isfinite(v) ? v - f : 0.0;
    return static_cast<int>(static_cast<int64_t>(std::fmod(f, 256.0)) & 255);
}

double ImprovedNoise3(const NoiseTables* t, double x, double y, double z) {
    const int* P = t->P;
    const int X = Cell(x, &x), Y = Cell(y, &y), Z = Cell(z, &z);
    const double u = Fade(x), v = Fade(y), w = Fade(z);
    const int A = P[X] + Y, AA = P[A] + Z, AB = P[A + 1] + Z;
    const int B = P[X + 1] + Y, BA = P[B] + Z, BB = P[B + 1] + Z;
    return LerpD(w,
                 LerpD(v, LerpD(u, grad(P[AA], x, y, z), grad(P[BA], x - 1, y, z)),
                       LerpD(u, grad(P[AB], x, y - 1, z), grad(P[BB], x - 1, y - 1, z))),
                 LerpD(v, LerpD(u, grad(P[AA + 1], x, y, z - 1), grad(P[BA + 1], x - 1, y, z - 1)),
                       LerpD(u, grad(P[AB + 1], x, y - 1, z - 1), grad(P[BB + 1], x - 1, y - 1, z - 1))));
}

double ImprovedSmallNoise2(const NoiseTables* t, double x, double y) {
    const int* P = t->P;
    const int X = Cell(x, &x), Y = Cell(y, &y);
    const double u = Fade(x), v = Fade(y);
    const int A = P[X] + Y, B = P[X + 1] + Y;
    auto g = [t](int h, double gxv, double gyv) { return t->gx[h] * gxv + t->gy[h] * gyv; };
    return LerpD(v, LerpD(u, g(P[P[A]], x, y), g(P[P[B]], x - 1, y)),
                 LerpD(u, g(P[P[A + 1]], x, y - 1), g(P[P[B + 1]], x - 1, y - 1)));
}

double ImprovedSmallNoise2OnIntegerLattice(const NoiseTables* t, int64_t i, int64_t j) {
    const int* P = t->P;
    return P[P[P[i & 255] + (j & 255)]] * (1.0 / 255.0);
}

void ImprovedSmallNoise2OnIntegerLattice_2D_result(const NoiseTables* t, int64_t i, int64_t j, double* a, double* b) {
    *a = ImprovedSmallNoise2OnIntegerLattice(t, i, j);
    *b = ImprovedSmallNoise2OnIntegerLattice(t, i + 120, j + 57);
}

int64_t rdot(const NoiseTables* t, int64_t x, int64_t y, int64_t w, int64_t h) {
    int64_t ax = x & 4095, ay = y & 4095;
    if (ax >= 2048) ax = 4096 - ax;
    if (ay > 2048) ay = 4096 - ay;
    const int64_t mi = (w >> 7) - 1, mj = (h >> 7) - 1;
    const int64_t ci = ax >> 7, cj = ay >> 7, fx = ax & 127, fy = ay & 127;
    const int64_t i0 = ci & mi, i1 = (ci + 1) & mi, j0 = cj & mj, j1 = (cj + 1) & mj;
    auto corner = [t](int64_t i, int64_t j) { return t->hash[(29 * i + 37 * j) & 2047]; };
    const int64_t top = (corner(i0, j0) * (127 - fx) + corner(i1, j0) * fx) >> 3;
    const int64_t bottom = (corner(i0, j1) * (127 - fx) + corner(i1, j1) * fx) >> 3;
    return ((top * (127 - fy) + bottom * fy) >> 5) - 16256;
}

float bias(float x, float b) {
    if (x == 0) return 0;
    return std::pow(x, std::log(b) * -1.442695f);
}

float gain(float x, float g) {
    if (x < 0.001f) return 0;
    if (x > 0.999f) return 1;
    const float p = static_cast<float>(std::log(1.0f - g) * -1.442695040888963);
    return x < 0.5f ? std::pow(2 * x, p) / 2 : 1 - std::pow(2 - 2 * x, p) / 2;
}

double gainD(double x, double g) {
    if (x < 1e-5) return 0;
    if (x > 0.99999) return 1;
    const double p = std::log(1.0 - g) * -1.442695040888963;
    return x < 0.5 ? std::pow(2 * x, p) / 2 : 1 - std::pow(2 - 2 * x, p) / 2;
}

static float MagicStart(float x) {
    uint32_t bits;
    std::memcpy(&bits, &x, 4);
    bits = 0x5F375A86u - (bits >> 1);
    float y;
    std::memcpy(&y, &bits, 4);
    return y;
}

float InvSqrtFastSloppy(float x) {
    float y = MagicStart(x);
    for (int i = 0; i < 2; i++) y = y * (1.5f - 0.5f * x * y * y);
    return y;
}

double InvSqrtFastSloppyDouble(double x) {
    double y = MagicStart(static_cast<float>(x));
    for (int i = 0; i < 3; i++) y = y * (1.5 - 0.5 * x * y * y);
    return y;
}

double SqrtFastSloppyDouble(double x) { return x == 0 ? 0 : x * InvSqrtFastSloppyDouble(x); }

int64_t root(int64_t n, int64_t) {
    if (n < 0) return 0;
    // The floating-point root is within one of the answer; correct it exactly.
    uint64_t r = static_cast<uint64_t>(std::sqrt(static_cast<double>(n)));
    const uint64_t un = static_cast<uint64_t>(n);
    while (r > 0 && r * r > un) r--;
    while ((r + 1) * (r + 1) <= un) r++;
    return static_cast<int64_t>(r);
}
