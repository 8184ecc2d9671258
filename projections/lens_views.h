// Views through a lens from the sphere's centre, and whole-sphere discs:
// the mirror ball, the rectilinear and shift lens, Panini, the Lambert
// azimuthal disc, the zenith and nadir panels and the stereographic
// multiples. Each writes a unit direction and, where it can fail, the outside
// flag (1 outside, 0 inside).
#pragma once

#include <cmath>
#include <cstdint>

#if defined(__SSE2__)
#include <immintrin.h>
#endif

struct TransformationReply;
struct vort;

// Rectilinear (gnomonic) view: the narrower side of the output frame spans
// the field of view, f = 2 tan(fov/2); `shift` moves the view vertically
// without tilting it. Raw output position (u, v), aspect a = height/width.
// Never outside.
void DoGnomonic(float point[3], float u, float v, float f, float shift, float a);
// The same view in two steps, for a run of samples along one output row: the
// row's part once, then each sample's.
struct GnomonicRow {
    float Y, f, a;
};
inline GnomonicRow GnomonicRowAt(float v, float f, float shift, float a) {
    const float Y = a <= 1.0f ? -(v - 0.5f - shift) : -(v - 0.5f - shift) * a;
    return {Y * f, f, a};
}
inline void GnomonicOnRow(float point[3], float u, const GnomonicRow& row) {
    float X = row.a <= 1.0f ? -(u - 0.5f) / row.a : -(u - 0.5f);
    X *= row.f;
    const float n = 1.0f / std::sqrt(X * X + row.Y * row.Y + 1.0f);
    point[0] = X * n;
    point[1] = row.Y * n;
    point[2] = n;
}
// GnomonicOnRow for the samples u[0 .. n) of a row, into x, y and z: four
// at a time, lane by lane the same single-precision steps, where the build
// keeps each step rounded on its own (no fused multiply-add).
inline void GnomonicAlongRow(const float* u, int64_t n, const GnomonicRow& row, float* x, float* y, float* z) {
    int64_t i = 0;
#if defined(__SSE2__) && !defined(__FMA__)
    const __m128 half = _mm_set1_ps(0.5f), one = _mm_set1_ps(1.0f), negate = _mm_set1_ps(-0.0f);
    const __m128 a = _mm_set1_ps(row.a), f = _mm_set1_ps(row.f), Y = _mm_set1_ps(row.Y);
    const __m128 YY = _mm_mul_ps(Y, Y);
    const bool divide = row.a <= 1.0f;
    for (; i + 4 <= n; i += 4) {
        __m128 X = _mm_xor_ps(_mm_sub_ps(_mm_loadu_ps(u + i), half), negate);
        if (divide) X = _mm_div_ps(X, a);
        X = _mm_mul_ps(X, f);
        const __m128 m = _mm_div_ps(one, _mm_sqrt_ps(_mm_add_ps(_mm_add_ps(_mm_mul_ps(X, X), YY), one)));
        _mm_storeu_ps(x + i, _mm_mul_ps(X, m));
        _mm_storeu_ps(y + i, _mm_mul_ps(Y, m));
        _mm_storeu_ps(z + i, m);
    }
#endif
    for (; i < n; ++i) {
        float p[3];
        GnomonicOnRow(p, u[i], row);
        x[i] = p[0];
        y[i] = p[1];
        z[i] = p[2];
    }
}

// The view reflected off a ball seen from far away, from the raw position
// and the context's framing: the centre sees +z, the rim -z.
void DoBall(float point[3], const vort* context, unsigned char* outside, float u, float v);

// A cylindrical view projected from one radius behind the cylinder's axis
// (Panini, d = 1). Framed position (x, y), lens factor f.
void Do_Panini(unsigned char* outside, float point[3], double x, double y, float f);

// Lambert azimuthal equal-area: the whole sphere in the disc of radius 0.5 of
// the box position (X, Y); the direction is also the reply's normal.
void DoLambertAzimuthal(unsigned char* outside, float point[3], TransformationReply* reply, double X, double Y);

// Two square 90° rectilinear panels side by side in the band |y| <= 0.25:
// the zenith (panel and region 1) left, the nadir (2) right. panel receives
// the panel slot; the reply's place is -5 outside.
void DoZenithNadir(unsigned char* outside, float point[3], long* panel, TransformationReply* reply, double x,
                   double y);

// A stereographic view whose sphere segment repeats 1/fraction times around
// the vertical axis (fraction 1 is the plain stereographic view of mode 16).
// Never outside.
void DoStereoMulti(unsigned char* outside, float point[3], double x, double y, double fraction, float f);
