// Views through a lens from the sphere's centre, and whole-sphere discs:
// the mirror ball, the rectilinear and shift lens, Panini, the Lambert
// azimuthal disc, the zenith and nadir panels and the stereographic
// multiples. Each writes a unit direction and, where it can fail, the outside
// flag (1 outside, 0 inside).
#pragma once

#include <cmath>

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
