// Barycentric coordinates in triangles and bilinear coordinates in
// quadrilaterals: how the polyhedral outputs place an output point on a net
// triangle or face and find the matching point on the solid or the sphere.
//
// Barycentrics (b1, b2, b3) belong to the triangle's corners in order and sum
// to 1 in its plane; where only (b2, b3) are given, b1 = 1 - b2 - b3.
// Bilinear (u, v) of a quadrilateral A, B, C, D in order:
//   P = A + u(B - A) + v(D - A) + uv(A - B + C - D),
// so A is (0, 0), B (1, 0), C (1, 1) and D (0, 1).
#pragma once

#include <cstdint>

#include "common/complex.h"
#include "common/vectors.h"
#include "platform/cg_geometry.h"
#include "polyhedra/polyhedron.h"

// --- inside tests --------------------------------------------------------------

// A coordinate counts as inside when -kInsideSlack < t < 1 + kInsideSlack.
inline constexpr double kInsideSlack = 0.0001;
// The net-triangle search accepts a barycentric b >= -kTriangleSearchSlack.
inline constexpr double kTriangleSearchSlack = 1e-6;

// -1 below the tolerance band, 1 above it, 0 inside.
inline int classify_component(double t) {
    if (t <= -kInsideSlack) return -1;
    if (t >= 1.0 + kInsideSlack) return 1;
    return 0;
}
inline bool bary_component_is_inside(double t) { return t > -kInsideSlack && t < 1.0 + kInsideSlack; }
inline bool bilinear_is_in_quad(fcomplex uv) {
    return bary_component_is_inside(uv.re) && bary_component_is_inside(uv.im);
}

// --- barycentrics from points ----------------------------------------------------

// Results of barycentrics_precalc.
enum BaryPrecalcResult : int {
    kBaryPrecalcGood = 0,
    kBaryPrecalcDegenerate = 1,       // zero area: the triangle never holds a point
    kBaryPrecalcBadVertexIndex = 10,  // also written to the status word; nothing stored
};

// Stores net triangle t's inverse determinant and the bounding box of its net
// corners. A triangle of zero area gets inverse determinant 0, which
// find_barycentrics treats as "holds nothing", and is reported to the caller.
int barycentrics_precalc(int64_t t, polyhedron* poly);

// The 3D corner points of every face triangle (the solid vertices its corners
// fold onto, through the net face's 3D face) into the triangle's corner
// points and the 3D position of its net vertices. Glue tabs keep theirs.
void FillNetTriangleCorners(polyhedron* poly);

// Barycentrics of net point (x, y) in net triangle t, using the stored inverse
// determinant. Returns 0 as soon as b1, then b2, falls below the search slack
// (the later ones are then not written), else 1 when b3 is inside it too.
inline int find_barycentrics(int64_t t, float* b1, float* b2, float* b3, const polyhedron* poly,
                             float x, float y) {
    const PolyNetTriangle& tri = poly->netTriangle[t];
    const float s = tri.inverseDeterminant;
    if (s == 0.0f) return 0;
    const PolyNetVertex& p1 = poly->netVertex[tri.vertex[0]];
    const PolyNetVertex& p2 = poly->netVertex[tri.vertex[1]];
    const PolyNetVertex& p3 = poly->netVertex[tri.vertex[2]];
    const float slack = -static_cast<float>(kTriangleSearchSlack);
    *b1 = ((p2.x - x) * (p3.y - y) - (p2.y - y) * (p3.x - x)) * s;
    if (*b1 < slack) return 0;
    *b2 = ((p3.x - x) * (p1.y - y) - (p3.y - y) * (p1.x - x)) * s;
    if (*b2 < slack) return 0;
    *b3 = ((p1.x - x) * (p2.y - y) - (p1.y - y) * (p2.x - x)) * s;
    return *b3 >= slack ? 1 : 0;
}

// --- points from barycentrics ----------------------------------------------------

inline void D_Gets_Barycentric_of_A_B_C(const double* A, const double* B, const double* C, double* D,
                                        double b1, double b2, double b3) {
    for (int i = 0; i < 3; ++i) D[i] = b1 * A[i] + b2 * B[i] + b3 * C[i];
}
inline triplex barycentric_weighted(double b1, double b2, double b3, triplex P1, triplex P2, triplex P3) {
    return {b1 * P1.x + b2 * P2.x + b3 * P3.x, b1 * P1.y + b2 * P2.y + b3 * P3.y,
            b1 * P1.z + b2 * P2.z + b3 * P3.z};
}
inline fcomplex three_points_and_barycentrics_to_XY_CG(CGPoint P1, CGPoint P2, CGPoint P3, double b1,
                                                       double b2) {
    const double b3 = 1.0 - b1 - b2;
    return {b1 * P1.x + b2 * P2.x + b3 * P3.x, b1 * P1.y + b2 * P2.y + b3 * P3.y};
}
inline fcomplex barycentric_complex(double b2, double b3, fcomplex P1, fcomplex P2, fcomplex P3) {
    return {P1.re + b2 * (P2.re - P1.re) + b3 * (P3.re - P1.re),
            P1.im + b2 * (P2.im - P1.im) + b3 * (P3.im - P1.im)};
}
inline fcomplex barycentric_b2_b3_and_3_points_to_complex(double b2, double b3, fcomplex P1, fcomplex P2,
                                                          fcomplex P3) {
    return barycentric_complex(b2, b3, P1, P2, P3);
}
inline triplex barycentric_triplex(double b2, double b3, triplex P1, triplex P2, triplex P3) {
    return Tadd(P1, Tadd(Tscale(Tsub(P2, P1), b2), Tscale(Tsub(P3, P1), b3)));
}
// P = s*A + (1 - t)*B + (t - s)*C.
inline void BuildVector(const double* A, const double* B, const double* C, double* P, double s, float t) {
    for (int i = 0; i < 3; ++i) P[i] = s * A[i] + (1.0 - t) * B[i] + (t - s) * C[i];
}

// The net point of net triangle t for the barycentrics, into P[3] with z = 0.
void Get2DPointFromTriangleAndBarys(int64_t t, double* P, const polyhedron* poly, double b1, double b2,
                                    double b3);
// The 3D point of net triangle t for the barycentrics, into P[3]: linear on
// the triangle's 3D corners, or, when the polyhedron's sphericalBlend is set,
// blended in longitude and latitude and put on the unit sphere.
void Get3DPointFromFaceAndBarys(int64_t t, double* P, const polyhedron* poly, double b1, double b2,
                                double b3);

// Normalises v (zero becomes (0, 0, 1)) and replaces it by (unit longitude,
// unit latitude, 0). Returns 0 at a pole (latitude above 0.999 or below 0.001),
// else 1.
double Normalize_and_RectangularizeD(double* v);

// --- bilinear coordinates ------------------------------------------------------------

// (u, v) of P in the quadrilateral A, B, C, D, or (-1, -1) when no real
// solution exists. Works in every orientation; of the two solutions it returns
// the one inside the quadrilateral (within the tolerance band) when there is
// one, else the one nearer to it.
fcomplex invBilinear(fcomplex P, fcomplex A, fcomplex B, fcomplex C, fcomplex D);

// Corners k, k+1, k+2, k+3 (mod the vertex count) of 3D face f as A, B, C, D.
triplex bilinears_to_point_in_polyface(const polyhedron* poly, int64_t f, int64_t k, double u, double v);
