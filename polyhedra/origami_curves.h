// The outline curves of the curved-origami elements: plane curves in the
// element's own coordinates (regular outline of circumradius 1, corner 1 at
// the top, corners counter-clockwise), one family per curve style. Side A is
// the concave side from the last corner (t = 0) to corner 1 (t = 1); B is its
// convex mirror image across the same chord; C is the concave side A
// mirrored across corner 1's axis.
#pragma once

struct CurvePoint {
    double x, y;
};

// Curve styles.
enum : int {
    kYangTriangle = 1,
    kYangSquare = 2,
    kYangSquircle = 3,
    kYangPentagon = 4,
    kYangWideTriangle = 5,
    kYangKjarkatri = 6,
};

// The outline corners: Ytriangle[0] the centre, [1..3] T1..T3; Ysquare[1],
// [2], [4] S1, S2, S4; Ypent[1..5] Q1..Q5.
extern CurvePoint Ytriangle[4];
extern CurvePoint Ysquare[5];
extern CurvePoint Ypent[6];
void MakeYang2DPoints();

// The point of Q reflected across the line through u and v.
CurvePoint ReflectAcrossLine(CurvePoint q, CurvePoint u, CurvePoint v);

CurvePoint BCurve_tri(double t);
CurvePoint ACurve_tri(double t);
CurvePoint CCurve_tri(double t);
CurvePoint BCurve_square(double t);
CurvePoint ACurve_square(double t);
CurvePoint CCurve_square(double t);
CurvePoint BCurve_squircle(double t);
CurvePoint ACurve_squircle(double t);
CurvePoint CCurve_squircle(double t);
CurvePoint BCurve_pent(double t);
CurvePoint ACurve_pent(double t);
CurvePoint CCurve_pent(double t);
CurvePoint BCurve_widetri(double t);
CurvePoint ACurve_widetri(double t);
CurvePoint CCurve_widetri(double t);
CurvePoint ACurve_kjarkatri(double t);
CurvePoint BCurve_kjarkatri(double t);
CurvePoint CCurve_kjarkatri(double t);

// By style: A, B and C take every style outside 2..6 as the triangle.
CurvePoint ACurve(int style, double t);
CurvePoint BCurve(int style, double t);
CurvePoint CCurve(int style, double t);

// |A(t) - B(t)| and |A(t) - C(t)|.
double WidthOfLensAt(int style, double t);
double WidthOfHatAt(int style, double t);
