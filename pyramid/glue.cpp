#include "pyramid/glue.h"

#include <cmath>

#include "pyramid/colour_models.h"

namespace {

constexpr int S = kGlueOne;
constexpr int H = kGlueHalf;

inline int Clamp(int v, int lo, int hi) { return v < lo ? lo : (v > hi ? hi : v); }
inline int ClampFix(int v) { return Clamp(v, 0, S); }
inline int Abs(int v) { return v < 0 ? -v : v; }
inline int Min(int a, int b) { return a < b ? a : b; }
inline int Max(int a, int b) { return a > b ? a : b; }

// A channel limited to 0..1 (NaN to 0): the domain every integer mode is
// defined on, and what keeps the float-to-integer conversion defined.
inline float Unit(float x) { return x > 0.0f ? (x < 1.0f ? x : 1.0f) : 0.0f; }
inline int ToFix(float unit) { return static_cast<int>(unit * kGlueOneF); }

// Float result of a mode back to the integer scale, truncating.
inline int FloatToFix(double v) {
  if (!(v > 0.0)) return 0;
  if (v >= 1.0) return S;
  return static_cast<int>(v * 32768.0);
}

// Fixed-point scale of the CIELAB modes: 15-bit, or bytes for 8-bit input.
struct LabScale {
  int one, half, mulShift, lightShift;
};
constexpr LabScale kLab15 = {S, H, 15, 14};
constexpr LabScale kLab8 = {255, 128, 8, 7};

inline int ScaledHardLight(const LabScale& k, int l, int x) {
  return l >= k.half ? k.one - (((k.one - l) * (k.one - x)) >> k.lightShift) : (l * x) >> k.lightShift;
}
inline int ScaledPinLight(const LabScale& k, int l, int x) {
  return l >= k.half ? Max(x, 2 * l - k.one) : Min(x, 2 * l);
}

// Luma of the "bright" and "dim" modes and of B's lightness in the Kyoto modes.
inline int FixLuma(int r, int g, int b) { return (77 * r + 150 * g + 28 * b) >> 8; }

// Kyoto HSL of three integers.
inline void KyotoOf(int r, int g, int b, float recip, float hsl[3]) {
  Kyoto_RGB_to_HSL(&hsl[0], &hsl[1], &hsl[2], r * recip, g * recip, b * recip);
}
// Kyoto HSL back to integers, truncating.
inline void KyotoTo(float h, float s, float k, float scale, int* r, int* g, int* b) {
  float fr, fg, fb;
  Kyoto_HSL_to_RGB(&fr, &fg, &fb, h, s, k);
  *r = static_cast<int>(fr * scale);
  *g = static_cast<int>(fg * scale);
  *b = static_cast<int>(fb * scale);
}

// Each channel from a toward b by a weight w on the scale 1 << shift.
template <int Shift>
inline int MixToward(int a, int b, int w) {
  return ((b * w) + (a * ((1 << Shift) - w))) >> Shift;
}
// The channel-rotating mixes: red, green and blue move by weights w0, w1, w2.
template <int Shift>
inline void RotateMix(int* r, int* g, int* b, int bR, int bG, int bB, int w0, int w1, int w2) {
  *r = MixToward<Shift>(*r, bR, w0);
  *g = MixToward<Shift>(*g, bG, w1);
  *b = MixToward<Shift>(*b, bB, w2);
}

template <class Rule>
inline void GlueLab(int* r, int* g, int* b, int bR, int bG, int bB, unsigned char is8bit, Rule rule) {
  const LabScale& k = is8bit ? kLab8 : kLab15;
  int A[3], B[3], Z[3];
  RGB_to_LAB(*r, *g, *b, &A[0], &A[1], &A[2], is8bit);
  RGB_to_LAB(bR, bG, bB, &B[0], &B[1], &B[2], is8bit);
  rule(k, A, B, Z);
  LAB_to_RGB(Z[0], Z[1], Z[2], r, g, b, is8bit);
}

// Apply a per-channel rule f(a, b) to all three channels.
template <class F>
inline void PerChannel(int res[3], const int a[3], const int b[3], F f) {
  res[0] = f(a[0], b[0]);
  res[1] = f(a[1], b[1]);
  res[2] = f(a[2], b[2]);
}

inline float SatWeightOfA(int r, int g, int b, float recip, bool lack) {
  float h, s, l;
  RGB_to_HSL(&h, &s, &l, r * recip, g * recip, b * recip);
  return (lack ? 1.0f - s : s) * LuminanceWeight(l);
}
inline void MixBySat(int* r, int* g, int* b, int bR, int bG, int bB, float w) {
  const float u = 1.0f - w;
  *r = static_cast<int>(*r * w + bR * u);
  *g = static_cast<int>(*g * w + bG * u);
  *b = static_cast<int>(*b * w + bB * u);
}

}  // namespace

float weirdRatio(float x, float y) {
  double v;
  if (x < y)
    v = (y <= 0.0f) ? 1.0 : 0.5 * double(x) / double(y);
  else
    v = (x <= 0.0f) ? 1.0 : 1.0 - 0.5 * double(y) / double(x);
  return static_cast<float>(v < 1.0 ? v : 1.0);
}

void ColorGlueIfy(int* r, int* g, int* b, int bR, int bG, int bB, float scale, float recip) {
  float a[3];
  KyotoOf(*r, *g, *b, recip, a);
  KyotoTo(a[0], a[1], FixLuma(bR, bG, bB) * recip, scale, r, g, b);
}

void LumGlueIfy(int* r, int* g, int* b, int bR, int bG, int bB, float scale, float recip) {
  float bh[3];
  KyotoOf(bR, bG, bB, recip, bh);
  KyotoTo(bh[0], bh[1], FixLuma(*r, *g, *b) * recip, scale, r, g, b);
}

void SatGlueIfy(int* r, int* g, int* b, int bR, int bG, int bB, float scale, float recip) {
  float a[3], bh[3];
  KyotoOf(*r, *g, *b, recip, a);
  KyotoOf(bR, bG, bB, recip, bh);
  KyotoTo(bh[0], a[1], bh[2], scale, r, g, b);
}

void HueGlueIfy(int* r, int* g, int* b, int bR, int bG, int bB, float scale, float recip) {
  float a[3], bh[3];
  KyotoOf(*r, *g, *b, recip, a);
  KyotoOf(bR, bG, bB, recip, bh);
  KyotoTo(a[0], bh[1], bh[2], scale, r, g, b);
}

void LumRatioGlueIfy(int* r, int* g, int* b, int bR, int bG, int bB, float scale, float recip) {
  float a[3];
  KyotoOf(*r, *g, *b, recip, a);
  float k = weirdRatio(FixLuma(bR, bG, bB) * recip, a[2]);
  if (!(k < 1.0f)) k = 1.0f;  // also when the ratio is undefined
  KyotoTo(a[0], a[1], k, scale, r, g, b);
}

void PseudocolorGlueIfy(int* r, int* g, int* b, const int* bR, const int* bG, const int* bB,
                        float scale, int flag, float recip) {
  float a[3], bh[3];
  KyotoOf(*r, *g, *b, recip, a);
  KyotoOf(*bR, *bG, *bB, recip, bh);
  const float p = a[2] * bh[2];
  float m = (2.0f - p) * p;
  const float k = flag ? a[2] : bh[2];
  if (k > 0.8f) m = m + (k - 0.8f) * 5.0f * (k - m);
  if (k < 0.2f) m = m + (0.2f - k) * 5.0f * (k - m);
  m = m < 0.0f ? 0.0f : (m > 1.0f ? 1.0f : m);
  const float* keep = flag ? a : bh;
  KyotoTo(keep[0], keep[1], m, scale, r, g, b);
}

void GlueMaxSat(int* r, int* g, int* b, int bR, int bG, int bB, float recip) {
  MixBySat(r, g, b, bR, bG, bB, SatWeightOfA(*r, *g, *b, recip, false));
}

void GlueMinSat(int* r, int* g, int* b, int bR, int bG, int bB, float recip) {
  MixBySat(r, g, b, bR, bG, bB, SatWeightOfA(*r, *g, *b, recip, true));
}

void GlueFrontal(int* r, int* g, int* b, int bR, int bG, int bB, float scale, float recip) {
  constexpr float kTwoPi = 6.28318530717958647692f;
  float hA, sA, lA, hB, sB, lB;
  RGB_to_HSL(&hA, &sA, &lA, *r * recip, *g * recip, *b * recip);
  RGB_to_HSL(&hB, &sB, &lB, bR * recip, bG * recip, bB * recip);
  const float xA = sA * std::cos(hA * kTwoPi), yA = sA * std::sin(hA * kTwoPi);
  const float xB = sB * std::cos(hB * kTwoPi), yB = sB * std::sin(hB * kTwoPi);
  const float w = LuminanceWeight(lA) * LuminanceWeight(lB);
  const float x = xA + w * (xB - xA), y = yA + w * (yB - yA);
  float angle;
  if (y == 0.0f) {
    angle = x > 0.0f ? 0.0f : kTwoPi / 2.0f;
  } else {
    angle = std::atan2(y, x);
    if (angle < 0.0f) angle += kTwoPi;
  }
  float fr, fg, fb;
  HSL_to_RGB(&fr, &fg, &fb, angle / kTwoPi, std::sqrt(x * x + y * y), lA < lB ? lA : lB);
  *r = static_cast<int>(fr * scale);
  *g = static_cast<int>(fg * scale);
  *b = static_cast<int>(fb * scale);
}

void GlueLabMultiply(int* r, int* g, int* b, int bR, int bG, int bB, unsigned char is8bit) {
  GlueLab(r, g, b, bR, bG, bB, is8bit, [](const LabScale& k, const int* A, const int* B, int* Z) {
    Z[0] = (A[0] * B[0]) >> k.mulShift;
    Z[1] = ScaledHardLight(k, B[1], A[1]);
    Z[2] = ScaledHardLight(k, B[2], A[2]);
  });
}

void GlueLabScreen(int* r, int* g, int* b, int bR, int bG, int bB, unsigned char is8bit) {
  GlueLab(r, g, b, bR, bG, bB, is8bit, [](const LabScale& k, const int* A, const int* B, int* Z) {
    Z[0] = k.one - (((k.one - B[0]) * (k.one - A[0])) >> k.mulShift);
    Z[1] = ScaledHardLight(k, B[1], A[1]);
    Z[2] = ScaledHardLight(k, B[2], A[2]);
  });
}

void GlueLabPinLight(int* r, int* g, int* b, int bR, int bG, int bB, unsigned char is8bit) {
  GlueLab(r, g, b, bR, bG, bB, is8bit, [](const LabScale& k, const int* A, const int* B, int* Z) {
    Z[0] = ScaledPinLight(k, A[0], B[0]);
    Z[1] = ScaledPinLight(k, A[1], B[1]);
    Z[2] = A[2];
  });
}

void GlueLabSpinLight(int* r, int* g, int* b, int bR, int bG, int bB, unsigned char is8bit) {
  GlueLab(r, g, b, bR, bG, bB, is8bit, [](const LabScale& k, const int* A, const int* B, int* Z) {
    Z[0] = ScaledPinLight(k, B[0], A[0]);
    Z[1] = ScaledPinLight(k, B[1], A[1]);
    Z[2] = A[2];
  });
}

void xo_GlueNorth(int* r, int* g, int* b, int bR, int bG, int bB) {
  RotateMix<15>(r, g, b, bR, bG, bB, *g, *b, *r);
}
void xo_GlueSouth(int* r, int* g, int* b, int bR, int bG, int bB) {
  RotateMix<15>(r, g, b, bR, bG, bB, *b, *r, *g);
}
void xo_GlueEast(int* r, int* g, int* b, int bR, int bG, int bB) {
  RotateMix<15>(r, g, b, bR, bG, bB, bG, bB, bR);
}
void xo_GlueWest(int* r, int* g, int* b, int bR, int bG, int bB) {
  RotateMix<15>(r, g, b, bR, bG, bB, bB, bR, bG);
}

void GlueAOverBYieldingC(const float A[4], const float B[4], float Z[4], int mode) {
  if (mode == 1) {
    Z[0] = A[0];
    Z[1] = A[1];
    Z[2] = A[2];
    Z[3] = A[3];
    return;
  }
  const float fa[3] = {Unit(A[0]), Unit(A[1]), Unit(A[2])};
  const float fb[3] = {Unit(B[0]), Unit(B[1]), Unit(B[2])};
  const int a[3] = {ToFix(fa[0]), ToFix(fa[1]), ToFix(fa[2])};
  const int b[3] = {ToFix(fb[0]), ToFix(fb[1]), ToFix(fb[2])};
  int z[3] = {a[0], a[1], a[2]};

  switch (mode) {
    case 2:  // procedural +
      PerChannel(z, a, b, [](int a, int b) {
        const int w = (b < H) ? H - b / 2 : b >> 1;
        return ((w * b) + ((H - w) * a)) >> 14;
      });
      break;
    case 3:  // procedural -
      PerChannel(z, a, b, [](int a, int b) { return a + ((b * a) >> 15); });
      break;
    case 4:  // difference
    case 14:  // exclusion
      PerChannel(z, a, b, [](int a, int b) { return (((S - b) * a) + ((S - a) * b)) >> 15; });
      break;
    case 5: PerChannel(z, a, b, [](int a, int b) { return Max(a, b); }); break;
    case 6: PerChannel(z, a, b, [](int a, int b) { return Min(a, b); }); break;
    case 7: PerChannel(z, a, b, [](int a, int b) { return a + b; }); break;
    case 8: PerChannel(z, a, b, [](int a, int b) { return a - b; }); break;
    case 9: PerChannel(z, a, b, [](int a, int b) { return (b * a) >> 15; }); break;
    case 10: PerChannel(z, a, b, [](int a, int b) { return a + (((S - a) * b) >> 15); }); break;
    case 11: PerChannel(z, a, b, [](int a, int b) { return GlueHardLight(a, b); }); break;
    case 12: PerChannel(z, a, b, [](int a, int b) { return GlueHardLight(b, a); }); break;
    case 13:  // superlay
      PerChannel(z, a, b, [](int a, int b) {
        const int m = (b * a) >> 15;
        const int u = ((S - m) * (S - m)) >> 15;
        const int s = a + (((S - a) * b) >> 15);
        const int q = ((S - s) * (S - s)) >> 15;
        return u <= H ? S - ((q * u) >> 14) : ((S - q) * (S - u)) >> 14;
      });
      break;
    case 15: ColorGlueIfy(&z[0], &z[1], &z[2], b[0], b[1], b[2], kGlueOneF, kGlueRecip); break;
    case 16: LumGlueIfy(&z[0], &z[1], &z[2], b[0], b[1], b[2], kGlueOneF, kGlueRecip); break;
    case 17: PerChannel(z, a, b, [](int a, int b) { return b + 2 * a - S; }); break;
    case 18: PerChannel(z, a, b, [](int a, int b) { return GluePinLight(a, b); }); break;
    case 19: PerChannel(z, a, b, [](int a, int b) { return GluePinLight(b, a); }); break;
    case 20:  // vivid a, computed on bytes
      PerChannel(z, a, b, [](int a, int b) {
        const int a8 = Min(((a + 1) >> 7) & 511, 255), b8 = Min(((b + 1) >> 7) & 511, 255);
        int r8;
        if (a8 < 128)
          r8 = Max(255 - (256 * (255 - b8)) / (2 * a8 + 1), 0);
        else
          r8 = Min((256 * b8) / (511 - 2 * a8), 255);
        return r8 < 255 ? ((r8 << 7) | (r8 >> 1)) : S;
      });
      break;
    case 21: PerChannel(z, a, b, [](int a, int b) { return 2 * a - b; }); break;
    case 22: SatGlueIfy(&z[0], &z[1], &z[2], b[0], b[1], b[2], kGlueOneF, kGlueRecip); break;
    case 23: HueGlueIfy(&z[0], &z[1], &z[2], b[0], b[1], b[2], kGlueOneF, kGlueRecip); break;
    case 24:  // similarity
    case 68:  // negation
      PerChannel(z, a, b, [](int a, int b) {
        const int s = a + b;
        return s <= S ? s : 2 * S - s;
      });
      break;
    case 25:  // cross
      PerChannel(z, a, b, [](int a, int b) {
        const int d = (((a - H) * (a - H)) >> 13) - (((b - H) * (b - H)) >> 13);
        return Abs(d) > S ? 0 : S - Abs(d);
      });
      break;
    case 26: PerChannel(z, a, b, [](int a, int b) { return Abs(a - b); }); break;
    case 27:  // soft light; the upper half follows an 8-bit curve
      PerChannel(z, a, b, [](int a, int b) {
        if (a < H) return ((b * a) + ((H - a) * ((b * b) >> 15))) >> 14;
        const int t = 255 - b / 128, k = a >> 7;
        const int x = ((258 - k) * t) + ((k - 130) * ((t * t) >> 8));
        return 32640 - (x & ~127);
      });
      break;
    case 28:  // bright
      if (FixLuma(b[0], b[1], b[2]) > FixLuma(a[0], a[1], a[2])) z[0] = b[0], z[1] = b[1], z[2] = b[2];
      break;
    case 29:  // dim
      if (FixLuma(a[0], a[1], a[2]) > FixLuma(b[0], b[1], b[2])) z[0] = b[0], z[1] = b[1], z[2] = b[2];
      break;
    case 30:  // dodge
      PerChannel(z, a, b, [](int a, int b) { return a == S ? a : (b << 15) / (S - a); });
      break;
    case 31:  // burn
      PerChannel(z, a, b, [](int a, int b) {
        const int t = ((1 << 30) - (b << 15)) / (a + 1);
        return t > S ? 0 : (t < 0 ? S : S - t);
      });
      break;
    case 32: PerChannel(z, a, b, [](int a, int b) { return ((a * a) + ((S - a) * b)) >> 15; }); break;
    case 33: PerChannel(z, a, b, [](int a, int b) { return ((a - b + S) * b) >> 15; }); break;
    case 34: PerChannel(z, a, b, [](int a, int b) { return ((b - a + S) * a) >> 15; }); break;
    case 35: PerChannel(z, a, b, [](int a, int b) { return (((S - b) * a) + (b * b)) >> 15; }); break;
    case 36: PerChannel(z, a, b, [](int a, int b) { return a & b; }); break;
    case 37: PerChannel(z, a, b, [](int a, int b) { return a | b; }); break;
    case 38: PerChannel(z, a, b, [](int a, int b) { return a ^ b; }); break;
    case 39:  // multibright
      PerChannel(z, a, b, [](int a, int b) {
        const float p = static_cast<float>(a * b) * (1.0f / 1073741824.0f);
        return static_cast<int>((2.0f - p) * kGlueOneF * p);
      });
      break;
    case 40:  // hot
      PerChannel(z, a, b, [](int a, int b) {
        return GluePinLight(GluePinLight(b, a), GluePinLight(b, S - a));
      });
      break;
    case 41:  // cold
      PerChannel(z, a, b, [](int a, int b) {
        return GluePinLight(GluePinLight(a, b), GluePinLight(a, S - b));
      });
      break;
    case 42:  // wet
      PerChannel(z, a, b, [](int a, int b) {
        return GluePinLight(GlueHardLight(b, a), S - GlueHardLight(a, S - b));
      });
      break;
    case 43:  // dry
      PerChannel(z, a, b, [](int a, int b) {
        return GluePinLight(GlueHardLight(b, S - a), S - GlueHardLight(S - a, S - b));
      });
      break;
    case 44:  // up
      PerChannel(z, a, b, [](int a, int b) { return GluePinLight(GlueHardLight(a, b), GlueHardLight(b, a)); });
      break;
    case 45:  // down
      PerChannel(z, a, b, [](int a, int b) { return GluePinLight(GlueHardLight(b, a), GlueHardLight(a, b)); });
      break;
    case 46: GlueMaxSat(&z[0], &z[1], &z[2], b[0], b[1], b[2], kGlueRecip); break;
    case 47: GlueMinSat(&z[0], &z[1], &z[2], b[0], b[1], b[2], kGlueRecip); break;
    case 48: xo_GlueNorth(&z[0], &z[1], &z[2], b[0], b[1], b[2]); break;
    case 49: xo_GlueSouth(&z[0], &z[1], &z[2], b[0], b[1], b[2]); break;
    case 50: xo_GlueEast(&z[0], &z[1], &z[2], b[0], b[1], b[2]); break;
    case 51: xo_GlueWest(&z[0], &z[1], &z[2], b[0], b[1], b[2]); break;
    case 52: PerChannel(z, a, b, [](int a, int b) { return a + b <= S ? 0 : S; }); break;
    case 53: GlueFrontal(&z[0], &z[1], &z[2], b[0], b[1], b[2], kGlueOneF, kGlueRecip); break;
    case 54: GlueLabMultiply(&z[0], &z[1], &z[2], b[0], b[1], b[2], 0); break;
    case 55: GlueLabScreen(&z[0], &z[1], &z[2], b[0], b[1], b[2], 0); break;
    case 56: GlueLabPinLight(&z[0], &z[1], &z[2], b[0], b[1], b[2], 0); break;
    case 57: GlueLabSpinLight(&z[0], &z[1], &z[2], b[0], b[1], b[2], 0); break;
    case 58:  // dextrous
      PerChannel(z, a, b, [](int a, int b) {
        return static_cast<int>(kGlueOneF * weirdRatio(b * kGlueRecip, a * kGlueRecip));
      });
      break;
    case 59: LumRatioGlueIfy(&z[0], &z[1], &z[2], b[0], b[1], b[2], kGlueOneF, kGlueRecip); break;
    case 60: PseudocolorGlueIfy(&z[0], &z[1], &z[2], &b[0], &b[1], &b[2], kGlueOneF, 1, kGlueRecip); break;
    case 61: PseudocolorGlueIfy(&z[0], &z[1], &z[2], &b[0], &b[1], &b[2], kGlueOneF, 0, kGlueRecip); break;
    case 62:  // screendim
      PerChannel(z, a, b, [](int a, int b) {
        const float p = 1.0f - static_cast<float>((S - a) * (S - b)) * (1.0f / 1073741824.0f);
        return static_cast<int>(p * p * kGlueOneF);
      });
      break;
    case 63: break;  // starbright: replaced below
    case 64:  // glow
    case 65:  // reflect
    case 66:  // shimmer
    case 67:  // lustre
      for (int c = 0; c < 3; ++c) {
        // Reflect and lustre are glow and shimmer with A and B exchanged.
        const bool swap = (mode == 65 || mode == 67);
        const float light = swap ? fb[c] : fa[c], base = swap ? fa[c] : fb[c];
        const float d = 1.0f - base;
        float v;
        if (!(d > 0.0f)) {
          v = 1.0f;
        } else if (mode <= 65) {
          v = light * light / d;
        } else {
          v = 0.5f * light * light / d;
          if (v > 0.5f) v = 1.0f - 0.25f / v;
        }
        z[c] = FloatToFix(v);
      }
      break;
    case 69:  // contrast negate
      PerChannel(z, a, b, [](int a, int b) {
        const int a2 = a > H ? S - a : a;
        return b > H ? a2 : S - a2;
      });
      break;
    default: break;  // not a mode: A's channels as converted
  }

  // Several modes reach past full scale (or, or, soft light near b = 1) or
  // below zero; a wrapped value would become colour garbage downstream.
  for (int c = 0; c < 3; ++c) Z[c] = static_cast<float>(ClampFix(z[c])) * kGlueRecip;
  Z[3] = A[3];

  if (mode == 63) {
    float m = A[0] > A[1] ? A[0] : A[1];
    if (A[2] > m) m = A[2];
    if (m > 1.0f) m = 1.0f;
    if (!(m > 0.0f)) {
      Z[0] = Z[1] = Z[2] = Z[3] = 0.0f;
    } else {
      Z[0] = A[0] / m;
      Z[1] = A[1] / m;
      Z[2] = A[2] / m;
      Z[3] = m;
    }
  }
}
