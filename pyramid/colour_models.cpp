#include "pyramid/colour_models.h"

#include <cmath>

namespace {

inline float Max3(float a, float b, float c) {
  float m = a > b ? a : b;
  return m > c ? m : c;
}
inline float Min3(float a, float b, float c) {
  float m = a < b ? a : b;
  return m < c ? m : c;
}

// The hue rule of HSL. The comparisons are exact on purpose:
// each channel equals M or m bit for bit when it is the extreme.
inline float HueOf(float r, float g, float b, float M, float m, float d) {
  float rc = (M - r) / d, gc = (M - g) / d, bc = (M - b) / d;
  float h;
  if (r == M)
    h = (g == m) ? 5.0f + bc : 1.0f - gc;
  else if (g == M)
    h = (b == m) ? 1.0f + rc : 3.0f - bc;
  else
    h = (r == m) ? 3.0f + gc : 5.0f - rc;
  return h / 6.0f;
}

// Sextant and position within it of a hue in turns. The fraction is taken
// before the sextant wraps, so a hue of 1 lands at the start of sextant 0
// rather than six sextants past it; hues outside 0..1 wrap round the circle.
inline void HueSextant(float h, int* sextant, float* frac) {
  float hh = h - std::floor(h);
  if (!(hh >= 0.0f && hh < 1.0f)) hh = 0.0f;  // NaN, or a rounding to 1
  float x = 6.0f * hh;
  int i = static_cast<int>(x);
  float f = x - static_cast<float>(i);
  if (i > 5) {
    i = 0;
    f = 0.0f;
  }
  *sextant = i;
  *frac = f;
}

}  // namespace

void RGB_to_HSL(float* h, float* s, float* l, float r, float g, float b) {
  float M = Max3(r, g, b), m = Min3(r, g, b);
  *h = 0.0f;
  *s = 0.0f;
  *l = (M + m) / 2.0f;
  if (*l <= 0.0f) return;
  float d = M - m;
  if (!(d > 0.0f)) return;
  *s = (*l <= 0.5f) ? d / (M + m) : d / (2.0f - M - m);
  *h = HueOf(r, g, b, M, m, d);
}

void HSL_to_RGB(float* r, float* g, float* b, float h, float s, float l) {
  float q = (l <= 0.5f) ? l * (1.0f + s) : l + s - l * s;
  if (q <= 0.0f) {
    *r = *g = *b = 0.0f;
    return;
  }
  float p = 2.0f * l - q;
  int i;
  float f;
  HueSextant(h, &i, &f);
  float d = f * (q - p);
  float rising = p + d, falling = q - d;
  switch (i) {
    case 0: *r = q; *g = rising; *b = p; break;
    case 1: *r = falling; *g = q; *b = p; break;
    case 2: *r = p; *g = q; *b = rising; break;
    case 3: *r = p; *g = falling; *b = q; break;
    case 4: *r = rising; *g = p; *b = q; break;
    default: *r = q; *g = p; *b = falling; break;
  }
}

float vividpoint_of_hs(float h, float s) {
  float r, g, b;
  HSL_to_RGB(&r, &g, &b, h, s, 0.5f);  // black when (s + 1) / 2 <= 0
  return static_cast<float>(KyotoLuma(r, g, b));
}

float normalL_to_kyotoL(float v, float l, unsigned char) {
  if (l > 0.5f) return v + (2.0f * l - 1.0f) * (1.0f - v);
  return 2.0f * l * v;
}

float kyotoL_to_normalL(float v, float k, unsigned char) {
  if (v < 0.0f) v = 0.0f;
  if (v > 1.0f) v = 1.0f;
  if (k >= 1.0f) return 1.0f;
  if (k <= 0.0f) return 0.0f;
  if (v < k) return static_cast<float>(0.5 + 0.5 * (double(k) - v) / (1.0 - double(v)));
  return 0.5f * k / v;
}

void Kyoto_RGB_to_HSL(float* h, float* s, float* k, float r, float g, float b) {
  float l;
  RGB_to_HSL(h, s, &l, r, g, b);
  *k = normalL_to_kyotoL(vividpoint_of_hs(*h, *s), l);
}

void Kyoto_HSL_to_RGB(float* r, float* g, float* b, float h, float s, float k) {
  float v = vividpoint_of_hs(h, s);
  float l = kyotoL_to_normalL(v, k);  // limits v to 0..1
  HSL_to_RGB(r, g, b, h, s, l);
}

void tetrahedral_lookup(const int in[3], int out[3], const unsigned char* grid, float step) {
  static constexpr int kStride[3] = {3, 3 * kLabGridSize, 3 * kLabGridSize * kLabGridSize};
  const float top = 15.0f * step;
  int idx[3], frac[3];
  for (int c = 0; c < 3; ++c) {
    // Inputs outside the grid are held at its edges.
    float x = static_cast<float>(in[c]);
    if (x < 0.0f) x = 0.0f;
    if (x > top) x = top;
    int i = static_cast<int>(x / step);
    if (i > 15) i = 15;
    idx[c] = i;
    frac[c] = static_cast<int>(x - static_cast<float>(i) * step);
  }
  // Axes in order of decreasing fraction.
  int a1 = 0, a2 = 1, a3 = 2, t;
  if (frac[a1] < frac[a2]) { t = a1; a1 = a2; a2 = t; }
  if (frac[a2] < frac[a3]) { t = a2; a2 = a3; a3 = t; }
  if (frac[a1] < frac[a2]) { t = a1; a1 = a2; a2 = t; }
  const int fmax = frac[a1], fmid = frac[a2], fmin = frac[a3];
  // A step past index 15 carries weight 0, so it stays on index 15.
  auto stride = [&](int axis) { return idx[axis] < 15 ? kStride[axis] : 0; };
  const unsigned char* c0 = grid + 3 * (idx[0] + kLabGridSize * idx[1] + kLabGridSize * kLabGridSize * idx[2]);
  const unsigned char* c1 = c0 + stride(a1);
  const unsigned char* c2 = c1 + stride(a2);
  const unsigned char* c3 = c2 + stride(a3);
  const int w0 = static_cast<int>(step - static_cast<float>(fmax));
  const int w1 = fmax - fmid, w2 = fmid - fmin, w3 = fmin;
  for (int k = 0; k < 3; ++k)
    out[k] = (w0 * c0[k] + w1 * c1[k] + w2 * c2[k] + w3 * c3[k]) / 17;
}

void RGB_to_LAB(int r, int g, int b, int* L, int* A, int* B, unsigned char is8bit) {
  const int in[3] = {r, g, b};
  int out[3];
  tetrahedral_lookup(in, out, RGB_to_Lab_table, is8bit ? kLabStep8 : kLabStep15);
  *L = out[0];
  *A = out[1];
  *B = out[2];
}

void LAB_to_RGB(int L, int A, int B, int* r, int* g, int* b, unsigned char is8bit) {
  const int in[3] = {L, A, B};
  int out[3];
  tetrahedral_lookup(in, out, Lab_to_RGB_table, is8bit ? kLabStep8 : kLabStep15);
  *r = out[0];
  *g = out[1];
  *b = out[2];
}
