// Colour models: round trips on a dense RGB grid, CIELAB against an
// independent double-precision implementation written here from the published
// definitions, and the defining properties of the generated tables.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "pyramid/colour_models.h"
#include "tests/generated_source.h"

namespace {

// Dense grid of RGB triples: 33 steps per channel, corners and mid-points
// included.
constexpr int kSteps = 33;
template <class F>
void ForGrid(F f) {
  for (int i = 0; i < kSteps; ++i)
    for (int j = 0; j < kSteps; ++j)
      for (int k = 0; k < kSteps; ++k)
        f(i / float(kSteps - 1), j / float(kSteps - 1), k / float(kSteps - 1));
}

float MaxDiff3(const float* a, const float* b) {
  float m = 0;
  for (int c = 0; c < 3; ++c) m = std::fmax(m, std::fabs(a[c] - b[c]));
  return m;
}

// ---- Independent CIELAB (sRGB, D65), in double precision. The RGB -> XYZ
// matrix is derived here from the sRGB primaries and the D65 chromaticity
// rather than copied, so this shares no constant with the table generator.
struct RefLab {
  double toXYZ[3][3];
  double white[3];

  static double Det(const double m[3][3]) {
    return m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
           m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
           m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
  }
  // Cramer's rule for m x = v.
  static void Solve(const double m[3][3], const double v[3], double x[3]) {
    double d = Det(m);
    for (int c = 0; c < 3; ++c) {
      double t[3][3];
      for (int r = 0; r < 3; ++r)
        for (int k = 0; k < 3; ++k) t[r][k] = (k == c) ? v[r] : m[r][k];
      x[c] = Det(t) / d;
    }
  }

  RefLab() {
    const double xy[3][2] = {{0.64, 0.33}, {0.30, 0.60}, {0.15, 0.06}};
    const double wx = 0.3127, wy = 0.3290;
    white[0] = wx / wy;
    white[1] = 1.0;
    white[2] = (1 - wx - wy) / wy;
    double P[3][3];
    for (int c = 0; c < 3; ++c) {
      P[0][c] = xy[c][0] / xy[c][1];
      P[1][c] = 1.0;
      P[2][c] = (1 - xy[c][0] - xy[c][1]) / xy[c][1];
    }
    double scale[3];
    Solve(P, white, scale);
    for (int r = 0; r < 3; ++r)
      for (int c = 0; c < 3; ++c) toXYZ[r][c] = P[r][c] * scale[c];
  }

  static double Decode(double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); }
  static double Encode(double v) { return v <= 0.0031308 ? v * 12.92 : 1.055 * std::pow(v, 1 / 2.4) - 0.055; }
  static double F(double t) {
    const double e = 216.0 / 24389.0, k = 24389.0 / 27.0;
    return t > e ? std::cbrt(t) : (k * t + 16) / 116;
  }
  static double FInv(double f) {
    const double k = 24389.0 / 27.0;
    return f * f * f > 216.0 / 24389.0 ? f * f * f : (116 * f - 16) / k;
  }

  // sRGB 0..1 -> (L*, a*, b*).
  void ToLab(const double rgb[3], double lab[3]) const {
    double lin[3], xyz[3];
    for (int c = 0; c < 3; ++c) lin[c] = Decode(rgb[c]);
    for (int r = 0; r < 3; ++r) xyz[r] = toXYZ[r][0] * lin[0] + toXYZ[r][1] * lin[1] + toXYZ[r][2] * lin[2];
    double fx = F(xyz[0] / white[0]), fy = F(xyz[1] / white[1]), fz = F(xyz[2] / white[2]);
    lab[0] = 116 * fy - 16;
    lab[1] = 500 * (fx - fy);
    lab[2] = 200 * (fy - fz);
  }
  // (L*, a*, b*) -> linear sRGB, unclipped.
  void ToLinear(const double lab[3], double lin[3]) const {
    double fy = (lab[0] + 16) / 116;
    double xyz[3] = {white[0] * FInv(fy + lab[1] / 500), white[1] * FInv(fy), white[2] * FInv(fy - lab[2] / 200)};
    Solve(toXYZ, xyz, lin);
  }
  static bool InGamut(const double lin[3]) {
    for (int c = 0; c < 3; ++c)
      if (lin[c] < -1e-6 || lin[c] > 1 + 1e-6) return false;
    return true;
  }
  // (L*, a*, b*) -> sRGB 0..1, each linear channel clipped to 0..1.
  void ToRGB(const double lab[3], double rgb[3]) const {
    double lin[3];
    ToLinear(lab, lin);
    for (int c = 0; c < 3; ++c) rgb[c] = Encode(std::fmin(1.0, std::fmax(0.0, lin[c])));
  }
  // The same, but a colour outside sRGB first loses chroma at its L* and hue
  // until it fits (searched in small steps down from full chroma).
  void ToRGBReducingChroma(const double lab[3], double rgb[3]) const {
    double lin[3];
    for (int k = 4096; k >= 0; --k) {
      const double t[3] = {lab[0], lab[1] * k / 4096, lab[2] * k / 4096};
      ToLinear(t, lin);
      if (InGamut(lin)) break;
    }
    for (int c = 0; c < 3; ++c) rgb[c] = Encode(std::fmin(1.0, std::fmax(0.0, lin[c])));
  }
};

const unsigned char* GridEntry(const unsigned char* grid, int i0, int i1, int i2) {
  return grid + 3 * (i0 + 16 * i1 + 256 * i2);
}

// The 15-bit lookup returns byte values scaled by 2184 / 17.
constexpr double kLab15PerByte = 2184.0 / 17.0;

// Floats 0..1 through the 15-bit path of RGB_to_LAB or LAB_to_RGB: scaled by
// 32768 and truncated, looked up, scaled back.
void Lab15(bool toLab, const float in[3], float out[3]) {
  int o[3];
  const int i0 = int(in[0] * 32768.0f), i1 = int(in[1] * 32768.0f), i2 = int(in[2] * 32768.0f);
  if (toLab) RGB_to_LAB(i0, i1, i2, &o[0], &o[1], &o[2], 0);
  else LAB_to_RGB(i0, i1, i2, &o[0], &o[1], &o[2], 0);
  for (int c = 0; c < 3; ++c) out[c] = float(o[c]) * (1.0f / 32768.0f);
}

}  // namespace

TEST(ColourHsl, EdgeCases) {
  float h, s, l;
  RGB_to_HSL(&h, &s, &l, 0, 0, 0);
  EXPECT_EQ(h, 0.0f); EXPECT_EQ(s, 0.0f); EXPECT_EQ(l, 0.0f);
  RGB_to_HSL(&h, &s, &l, 0.3f, 0.3f, 0.3f);
  EXPECT_EQ(h, 0.0f); EXPECT_EQ(s, 0.0f); EXPECT_FLOAT_EQ(l, 0.3f);
  RGB_to_HSL(&h, &s, &l, 1, 0, 0);
  EXPECT_FLOAT_EQ(h, 1.0f); EXPECT_FLOAT_EQ(s, 1.0f); EXPECT_FLOAT_EQ(l, 0.5f);
  RGB_to_HSL(&h, &s, &l, 0, 1, 0);
  EXPECT_FLOAT_EQ(h, 1.0f / 3);
  RGB_to_HSL(&h, &s, &l, 0, 0, 1);
  EXPECT_FLOAT_EQ(h, 2.0f / 3);
  RGB_to_HSL(&h, &s, &l, 0.75f, 0.25f, 0.25f);
  EXPECT_FLOAT_EQ(s, 0.5f);
}

// Hue 1 is hue 0: pure red comes back as red. Taking the fraction of 6h after
// wrapping the sextant would put the green channel at 6.
TEST(ColourHsl, HueOneIsHueZero) {
  for (float s : {0.2f, 1.0f})
    for (float l : {0.25f, 0.5f, 0.8f}) {
      float p[3], q[3];
      HSL_to_RGB(&p[0], &p[1], &p[2], 1.0f, s, l);
      HSL_to_RGB(&q[0], &q[1], &q[2], 0.0f, s, l);
      EXPECT_EQ(MaxDiff3(p, q), 0.0f) << s << " " << l;
    }
  float rgb[3];
  HSL_to_RGB(&rgb[0], &rgb[1], &rgb[2], 1.0f, 1.0f, 0.5f);
  EXPECT_EQ(rgb[0], 1.0f); EXPECT_EQ(rgb[1], 0.0f); EXPECT_EQ(rgb[2], 0.0f);
}

TEST(ColourHsl, SextantsMatchTheStandardConversion) {
  // (hue, expected RGB at s = 1, l = 0.5): primaries, secondaries, and the
  // mid-points of the sextants.
  const struct { float h, r, g, b; } cases[] = {
      {0.0f, 1, 0, 0},         {1.0f / 12, 1, 0.5f, 0}, {1.0f / 6, 1, 1, 0},  {0.25f, 0.5f, 1, 0},
      {1.0f / 3, 0, 1, 0},     {5.0f / 12, 0, 1, 0.5f}, {0.5f, 0, 1, 1},      {7.0f / 12, 0, 0.5f, 1},
      {2.0f / 3, 0, 0, 1},     {0.75f, 0.5f, 0, 1},     {5.0f / 6, 1, 0, 1},  {11.0f / 12, 1, 0, 0.5f},
  };
  for (auto& c : cases) {
    float rgb[3], want[3] = {c.r, c.g, c.b};
    HSL_to_RGB(&rgb[0], &rgb[1], &rgb[2], c.h, 1.0f, 0.5f);
    EXPECT_LT(MaxDiff3(rgb, want), 1e-6f) << "hsl h=" << c.h;
  }
}

// Round trips RGB -> model -> RGB over the dense grid. Tolerances are a few
// float rounding steps; the luma-following form divides by (1 - vivid point),
// which stays at most 0.8, so it keeps the same bound.
TEST(ColourRoundTrip, HslKyotoOnDenseGrid) {
  float worst[2] = {0, 0};
  ForGrid([&](float r, float g, float b) {
    const float in[3] = {r, g, b};
    float m[3], out[3];
    RGB_to_HSL(&m[0], &m[1], &m[2], r, g, b);
    HSL_to_RGB(&out[0], &out[1], &out[2], m[0], m[1], m[2]);
    worst[0] = std::fmax(worst[0], MaxDiff3(in, out));
    Kyoto_RGB_to_HSL(&m[0], &m[1], &m[2], r, g, b);
    Kyoto_HSL_to_RGB(&out[0], &out[1], &out[2], m[0], m[1], m[2]);
    worst[1] = std::fmax(worst[1], MaxDiff3(in, out));
  });
  EXPECT_LT(worst[0], 2e-6f) << "HSL";
  EXPECT_LT(worst[1], 1e-5f) << "Kyoto";
}

TEST(ColourKyoto, LightnessFollowsLuma) {
  // A fully saturated colour at standard lightness 0.5 has the vivid point as
  // its Kyoto lightness, and that is its luma.
  const float hues[] = {0.0f, 1.0f / 6, 1.0f / 3, 0.5f, 2.0f / 3, 5.0f / 6, 0.1f};
  for (float hue : hues) {
    float r, g, b, h, s, k;
    HSL_to_RGB(&r, &g, &b, hue, 1.0f, 0.5f);
    Kyoto_RGB_to_HSL(&h, &s, &k, r, g, b);
    EXPECT_NEAR(k, vividpoint_of_hs(hue, 1.0f), 1e-6f);
    EXPECT_NEAR(k, 0.28f * r + 0.52f * g + 0.2f * b, 1e-6f);
    Kyoto_HSL_to_RGB(&r, &g, &b, hue, 0.7f, 1.0f);
    EXPECT_EQ(r, 1.0f); EXPECT_EQ(g, 1.0f); EXPECT_EQ(b, 1.0f);
    Kyoto_HSL_to_RGB(&r, &g, &b, hue, 0.7f, 0.0f);
    EXPECT_EQ(r, 0.0f); EXPECT_EQ(g, 0.0f); EXPECT_EQ(b, 0.0f);
  }
  EXPECT_FLOAT_EQ(vividpoint_of_hs(2.0f / 3, 1.0f), 0.2f);  // pure blue
  EXPECT_FLOAT_EQ(vividpoint_of_hs(0.3f, 0.0f), 0.5f);      // grey
  // The lightness maps are inverse to each other and piecewise linear through
  // (0, 0), (0.5, v), (1, 1).
  for (float v : {0.2f, 0.5f, 0.8f}) {
    EXPECT_FLOAT_EQ(normalL_to_kyotoL(v, 0.5f), v);
    EXPECT_FLOAT_EQ(normalL_to_kyotoL(v, 1.0f), 1.0f);
    for (float l = 0.0f; l <= 1.0f; l += 0.0625f)
      EXPECT_NEAR(kyotoL_to_normalL(v, normalL_to_kyotoL(v, l)), l, 1e-6f);
  }
}

// The Osaka table is the inverse of the untabled lightness curve, sampled at
// i / 256: increasing, symmetric, and through the values quoted for it.
TEST(ColourOsaka, LumTableIsTheInverseCurve) {
  auto curve = [](double x) { return x + 4 * x * x - 16 * x * x * x + 20 * std::pow(x, 4) - 8 * std::pow(x, 5); };
  EXPECT_EQ(osaka_lum_table[0], 0.0f);
  EXPECT_EQ(osaka_lum_table[256], 1.0f);
  for (int i = 0; i <= 256; ++i) {
    EXPECT_NEAR(curve(osaka_lum_table[i]), i / 256.0, 2e-7) << i;
    EXPECT_NEAR(osaka_lum_table[256 - i], 1.0f - osaka_lum_table[i], 1e-7f) << i;
    if (i > 0) {
      EXPECT_GT(osaka_lum_table[i], osaka_lum_table[i - 1]) << i;
    }
  }
  const float quoted[] = {0, 0.0534f, 0.0993f, 0.1442f, 0.191f, 0.2429f, 0.3049f, 0.3864f, 0.5f};
  for (int j = 0; j <= 8; ++j) EXPECT_NEAR(osaka_lum_table[16 * j], quoted[j], 5e-5f) << 16 * j;
  EXPECT_NEAR(osaka_lum_table[1], 0.0038f, 5e-5f);
  EXPECT_NEAR(osaka_lum_table[2], 0.0076f, 5e-5f);
  EXPECT_NEAR(osaka_lum_table[3], 0.0112f, 5e-5f);
}

TEST(ColourWeights, LuminanceWeight) {
  EXPECT_FLOAT_EQ(LuminanceWeight(0.25f), 0.9375f);
  EXPECT_FLOAT_EQ(LuminanceWeight(0.75f), 0.9375f);
  EXPECT_EQ(LuminanceWeight(0.0f), 0.0f);
  EXPECT_EQ(LuminanceWeight(1.0f), 0.0f);
  EXPECT_EQ(LuminanceWeight(0.5f), 1.0f);
}

// Every grid entry is the independent conversion of its grid point, to the
// byte (rounding can differ by one where the two white points disagree in the
// fifth digit). Out-of-gamut points of the inverse grid are clipped per
// channel, except the four chroma columns around the neutral axis, which lose
// chroma instead so that greys, black and white interpolate to themselves.
TEST(ColourLab, GridsAreTheStandardConversion) {
  RefLab ref;
  int worstFwd = 0, worstInv = 0;
  for (int i2 = 0; i2 < 16; ++i2)
    for (int i1 = 0; i1 < 16; ++i1)
      for (int i0 = 0; i0 < 16; ++i0) {
        const double rgb[3] = {i0 / 15.0, i1 / 15.0, i2 / 15.0};
        double lab[3];
        ref.ToLab(rgb, lab);
        const double want[3] = {lab[0] * 2.55, lab[1] + 128, lab[2] + 128};
        const unsigned char* e = GridEntry(RGB_to_Lab_table, i0, i1, i2);
        for (int c = 0; c < 3; ++c) worstFwd = std::max(worstFwd, int(std::lround(std::fabs(e[c] - want[c]) + 0.49)));

        const double lab2[3] = {17.0 * i0 / 2.55, 17.0 * i1 - 128, 17.0 * i2 - 128};
        double back[3];
        const bool nextToNeutral = (i1 == 7 || i1 == 8) && (i2 == 7 || i2 == 8);
        if (nextToNeutral)
          ref.ToRGBReducingChroma(lab2, back);
        else
          ref.ToRGB(lab2, back);
        const unsigned char* f = GridEntry(Lab_to_RGB_table, i0, i1, i2);
        for (int c = 0; c < 3; ++c) worstInv = std::max(worstInv, int(std::lround(std::fabs(f[c] - 255 * back[c]) + 0.49)));
      }
  EXPECT_LE(worstFwd, 1);
  EXPECT_LE(worstInv, 1);
}

TEST(ColourLab, TetrahedralLookupAtTheCorners) {
  // 8-bit grid points read their entries exactly.
  int L, a, b;
  RGB_to_LAB(255, 0, 0, &L, &a, &b, 1);
  const unsigned char* red = GridEntry(RGB_to_Lab_table, 15, 0, 0);
  EXPECT_EQ(L, red[0]); EXPECT_EQ(a, red[1]); EXPECT_EQ(b, red[2]);
  RGB_to_LAB(136, 51, 204, &L, &a, &b, 1);
  const unsigned char* e = GridEntry(RGB_to_Lab_table, 8, 3, 12);
  EXPECT_EQ(L, e[0]); EXPECT_EQ(a, e[1]); EXPECT_EQ(b, e[2]);
  // 15-bit full scale: the (15,15,15) entry x 2184 / 17; zero: the (0,0,0)
  // entry likewise.
  const int top[3] = {32768, 32768, 32768}, zero[3] = {0, 0, 0};
  int out[3];
  tetrahedral_lookup(top, out, RGB_to_Lab_table, kLabStep15);
  EXPECT_EQ(out[0], 32760);
  EXPECT_EQ(out[1], 128 * 2184 / 17);
  tetrahedral_lookup(zero, out, RGB_to_Lab_table, kLabStep15);
  EXPECT_EQ(out[0], 0);
  EXPECT_EQ(out[1], 16444);
  EXPECT_EQ(out[2], 16444);
  // Inputs outside the grid are held at its edges.
  const int over[3] = {99999, -5, 40000};
  const int held[3] = {32768, 0, 32768};
  int o2[3];
  tetrahedral_lookup(over, out, Lab_to_RGB_table, kLabStep15);
  tetrahedral_lookup(held, o2, Lab_to_RGB_table, kLabStep15);
  EXPECT_EQ(out[0], o2[0]); EXPECT_EQ(out[1], o2[1]); EXPECT_EQ(out[2], o2[2]);
}

// Between grid points the lookup interpolates a 16-point grid of a curved
// map, so it agrees with the exact conversion to within the interpolation
// error: measured over the dense grid, at most 0.44 in L*, 1.7 in a*, 0.84 in
// b*, and 0.06 in L* on average; the bounds leave some room above that.
TEST(ColourLab, LookupAgreesWithExactConversion) {
  RefLab ref;
  double worst[3] = {0, 0, 0}, sum = 0;
  int n = 0;
  ForGrid([&](float r, float g, float b) {
    const float in[3] = {r, g, b};
    float out[3];
    Lab15(true, in, out);
    // The 15-bit path: truncation of the input to 1/32768
    // changes the exact colour by far less than the tolerance.
    const double rgb[3] = {r, g, b};
    double lab[3];
    ref.ToLab(rgb, lab);
    const double got[3] = {out[0] * 32768 / kLab15PerByte / 2.55, out[1] * 32768 / kLab15PerByte - 128,
                           out[2] * 32768 / kLab15PerByte - 128};
    for (int c = 0; c < 3; ++c) worst[c] = std::fmax(worst[c], std::fabs(got[c] - lab[c]));
    sum += std::fabs(got[0] - lab[0]);
    ++n;
  });
  EXPECT_LT(worst[0], 0.75) << "L*";
  EXPECT_LT(worst[1], 2.5) << "a*";
  EXPECT_LT(worst[2], 1.5) << "b*";
  EXPECT_LT(sum / n, 0.15) << "mean |dL*|";
}

// RGB -> Lab -> RGB through both grids. Each grid interpolates linearly
// between 16 points of a curved map, and the inverse grid holds clipped
// colours at its out-of-gamut points, which pull interpolated colours near
// the gamut's edge: cyan comes back with red at about 0.27. The bounds are
// measured: whole cube, mean, and the interior where no channel is near 0
// or 1.
TEST(ColourRoundTrip, LabThroughTheGrids) {
  float worst = 0, worstInner = 0;
  double sum = 0;
  int n = 0;
  ForGrid([&](float r, float g, float b) {
    const float in[3] = {r, g, b};
    float lab[3], out[3];
    Lab15(true, in, lab);
    Lab15(false, lab, out);
    float d = MaxDiff3(in, out);
    worst = std::fmax(worst, d);
    bool inner = true;
    for (float c : in) inner = inner && c >= 0.25f && c <= 0.75f;
    if (inner) worstInner = std::fmax(worstInner, d);
    sum += d;
    ++n;
  });
  EXPECT_LT(worst, 0.3f);
  EXPECT_LT(worstInner, 0.1f);
  EXPECT_LT(sum / n, 0.03);
  // Neutral chroma (byte 128) lies between grid points 7 and 8 (a* = -9 and
  // +8), which at L* = 0 and 100 are out of gamut: clipped per channel they
  // would tint black and white by about 0.05; with their chroma reduced, black
  // and white come back untinted. Mid-grey is nearly exact.
  const float black[3] = {0, 0, 0}, white[3] = {1, 1, 1}, grey[3] = {0.5f, 0.5f, 0.5f};
  float lab[3], out[3];
  Lab15(true, black, lab);
  EXPECT_EQ(lab[0], 0.0f);
  Lab15(false, lab, out);
  EXPECT_EQ(MaxDiff3(black, out), 0.0f);
  Lab15(true, white, lab);
  Lab15(false, lab, out);
  EXPECT_LT(MaxDiff3(white, out), 0.002f);
  Lab15(true, grey, lab);
  Lab15(false, lab, out);
  EXPECT_LT(MaxDiff3(grey, out), 0.015f);
}

// The checked-in tables are what the generator writes today.
TEST(ColourTables, GeneratedSourceIsCurrent) {
  ExpectGeneratedSourceIsCurrent("gen_colour_tables", "pyramid/generated/colour_tables.cpp");
}
