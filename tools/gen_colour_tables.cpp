// Writes pyramid/generated/colour_tables.cpp: the two CIELAB lookup grids and
// the Osaka lightness table, computed from their definitions.
//
//   build/generators/gen_colour_tables > pyramid/generated/colour_tables.cpp
//
// RGB -> Lab grid: grid index i of each sRGB channel stands for the byte
// 17 i; sRGB (IEC 61966-2-1 transfer curve and matrix) to CIE XYZ, then
// CIELAB against the D65 white of that matrix (so greys have a* = b* = 0).
// Stored as (round(L* * 2.55), round(a* + 128), round(b* + 128)), clamped to
// 0..255.
// Lab -> RGB grid: grid index i stands for the byte 17 i of the same encoding
// (L* = 17 i / 2.55, a* and b* = 17 i - 128); CIELAB to XYZ to linear sRGB
// through the inverse matrix, each channel clipped to 0..1, then the sRGB
// transfer curve, rounded to bytes. Neutral chroma (byte 128) falls between
// grid points 7 and 8, so greys interpolate between the four chroma columns
// (7 or 8, 7 or 8); where those points are out of gamut (near L* 0 and 100)
// they lose chroma at their L* and hue instead of being clipped per channel,
// which would tint black and white.
// Osaka table: entry i is the x in 0..1 with x + 4x^2 - 16x^3 + 20x^4 - 8x^5
// = i / 256, the inverse of the untabled lightness curve.
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

constexpr int kN = 16;

// sRGB primaries to XYZ (IEC 61966-2-1).
constexpr double kToXYZ[3][3] = {{0.4124, 0.3576, 0.1805},
                                 {0.2126, 0.7152, 0.0722},
                                 {0.0193, 0.1192, 0.9505}};

double Linearise(double c) {
  return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}
double Encode(double c) {
  return c <= 0.0031308 ? 12.92 * c : 1.055 * std::pow(c, 1.0 / 2.4) - 0.055;
}

constexpr double kDelta = 6.0 / 29.0;
double LabF(double t) {
  return t > kDelta * kDelta * kDelta ? std::cbrt(t) : t / (3.0 * kDelta * kDelta) + 4.0 / 29.0;
}
double LabFInverse(double t) {
  return t > kDelta ? t * t * t : 3.0 * kDelta * kDelta * (t - 4.0 / 29.0);
}

int ToByte(double x) {
  long v = std::lround(x);
  return v < 0 ? 0 : (v > 255 ? 255 : static_cast<int>(v));
}

void Invert3(const double m[3][3], double out[3][3]) {
  double det = m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
               m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
               m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) {
      // Cofactor of (j, i), divided by the determinant.
      int r0 = (j + 1) % 3, r1 = (j + 2) % 3, c0 = (i + 1) % 3, c1 = (i + 2) % 3;
      out[i][j] = (m[r0][c0] * m[r1][c1] - m[r0][c1] * m[r1][c0]) / det;
    }
}

// CIELAB to linear sRGB, unclipped.
void LabToLinearRGB(double L, double a, double b, const double white[3], const double fromXYZ[3][3],
                    double rgb[3]) {
  const double gy = (L + 16.0) / 116.0;
  const double XYZ[3] = {white[0] * LabFInverse(gy + a / 500.0), white[1] * LabFInverse(gy),
                         white[2] * LabFInverse(gy - b / 200.0)};
  for (int r = 0; r < 3; ++r) rgb[r] = fromXYZ[r][0] * XYZ[0] + fromXYZ[r][1] * XYZ[1] + fromXYZ[r][2] * XYZ[2];
}

// Within 0..1 up to rounding of the matrices.
bool InGamut(const double rgb[3]) {
  for (int r = 0; r < 3; ++r)
    if (rgb[r] < -1e-9 || rgb[r] > 1.0 + 1e-9) return false;
  return true;
}

bool NextToNeutral(int i) { return i == 7 || i == 8; }

void PrintGrid(const char* name, const unsigned char* bytes) {
  std::printf("const unsigned char %s[kLabGridBytes] = {\n", name);
  for (int i = 0; i < 3 * kN * kN * kN; i += 12) {
    std::printf(" ");
    for (int k = 0; k < 12; ++k) std::printf(" %3d,", bytes[i + k]);
    std::printf("\n");
  }
  std::printf("};\n\n");
}

double OsakaCurve(double x) { return x + 4 * x * x - 16 * x * x * x + 20 * x * x * x * x - 8 * x * x * x * x * x; }

}  // namespace

int main() {
  double white[3];
  for (int r = 0; r < 3; ++r) white[r] = kToXYZ[r][0] + kToXYZ[r][1] + kToXYZ[r][2];
  double fromXYZ[3][3];
  Invert3(kToXYZ, fromXYZ);

  static unsigned char toLab[3 * kN * kN * kN], toRGB[3 * kN * kN * kN];
  for (int i2 = 0; i2 < kN; ++i2)
    for (int i1 = 0; i1 < kN; ++i1)
      for (int i0 = 0; i0 < kN; ++i0) {
        const int at = 3 * (i0 + kN * i1 + kN * kN * i2);
        const int idx[3] = {i0, i1, i2};

        double lin[3], xyz[3] = {0, 0, 0};
        for (int c = 0; c < 3; ++c) lin[c] = Linearise(17.0 * idx[c] / 255.0);
        for (int r = 0; r < 3; ++r)
          for (int c = 0; c < 3; ++c) xyz[r] += kToXYZ[r][c] * lin[c];
        double fx = LabF(xyz[0] / white[0]), fy = LabF(xyz[1] / white[1]), fz = LabF(xyz[2] / white[2]);
        toLab[at + 0] = ToByte((116.0 * fy - 16.0) * 2.55);
        toLab[at + 1] = ToByte(500.0 * (fx - fy) + 128.0);
        toLab[at + 2] = ToByte(200.0 * (fy - fz) + 128.0);

        const double L = 17.0 * i0 / 2.55, a = 17.0 * i1 - 128.0, b = 17.0 * i2 - 128.0;
        double rgb[3];
        LabToLinearRGB(L, a, b, white, fromXYZ, rgb);
        if (!InGamut(rgb) && NextToNeutral(i1) && NextToNeutral(i2)) {
          double lo = 0.0, hi = 1.0;
          for (int it = 0; it < 60; ++it) {
            const double mid = 0.5 * (lo + hi);
            LabToLinearRGB(L, mid * a, mid * b, white, fromXYZ, rgb);
            (InGamut(rgb) ? lo : hi) = mid;
          }
          LabToLinearRGB(L, lo * a, lo * b, white, fromXYZ, rgb);
        }
        for (int r = 0; r < 3; ++r) {
          const double v = rgb[r] < 0.0 ? 0.0 : (rgb[r] > 1.0 ? 1.0 : rgb[r]);
          toRGB[at + r] = ToByte(255.0 * Encode(v));
        }
      }

  std::printf("// Generated by tools/gen_colour_tables.cpp; do not edit.\n");
  std::printf("// CIELAB grids: sRGB (IEC 61966-2-1), D65 white = (%.4f, %.4f, %.4f),\n", white[0], white[1], white[2]);
  std::printf("// 16 points per axis at bytes 0, 17, ..., 255; L* * 2.55, a* + 128, b* + 128.\n");
  std::printf("// Osaka table: inverse of x + 4x^2 - 16x^3 + 20x^4 - 8x^5 at i / 256, i = 0..256.\n");
  std::printf("#include \"pyramid/colour_models.h\"\n\n");
  PrintGrid("RGB_to_Lab_table", toLab);
  PrintGrid("Lab_to_RGB_table", toRGB);

  std::printf("const float osaka_lum_table[kOsakaLumTableSize] = {\n");
  for (int i = 0; i <= 256; ++i) {
    double y = i / 256.0, lo = 0.0, hi = 1.0;
    for (int it = 0; it < 200 && hi - lo > 1e-16; ++it) {
      double mid = 0.5 * (lo + hi);
      (OsakaCurve(mid) < y ? lo : hi) = mid;
    }
    double x = (i == 0) ? 0.0 : (i == 256 ? 1.0 : 0.5 * (lo + hi));
    char num[32];
    std::snprintf(num, sizeof num, "%.9g", x);
    bool integral = std::strpbrk(num, ".e") == nullptr;  // "0" and "1" need a point
    std::printf("%s%s%sf,%s", i % 6 == 0 ? "  " : " ", num, integral ? ".0" : "",
                (i % 6 == 5 || i == 256) ? "\n" : "");
  }
  std::printf("};\n");
  return 0;
}
