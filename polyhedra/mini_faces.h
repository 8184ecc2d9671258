// Mini triangles and mini quads: a fine lattice laid over each face of a
// base solid, turned by an (m, n) or (p, q) pair, whose small cells are
// mapped onto the base solid, pushed onto the unit sphere and handed to a
// hull store as faces. A cell that crosses a base edge has its outside
// corners carried over that edge onto the neighbouring face.
#pragma once

#include <cstdint>

#include "common/complex.h"
#include "common/vectors.h"
#include "polyhedra/polyhedron.h"

struct BabyCSG;

// The big triangle of the triangular lattice over one base face: corner k
// stands for the face's vertex k - 1.
struct spunTriangle {
    int64_t a1, a2, a3;  // first lattice coordinates of the corners
    int64_t b1, b2, b3;  // second lattice coordinates
    fcomplex u, v;       // the lattice basis
    fcomplex P1, P2, P3; // the corners in the plane
};

// The big square of the square lattice over one base face.
struct spunQuad {
    int64_t x1, x2, x3, x4;
    int64_t y1, y2, y3, y4;
};

spunTriangle make_spun_triangle(int64_t a1, int64_t b1, int64_t a2, int64_t b2, int64_t a3, int64_t b3);
spunQuad make_spun_Quad(int64_t x1, int64_t y1, int64_t x2, int64_t y2, int64_t x3, int64_t y3, int64_t x4,
                        int64_t y4);

// A weight lies inside when it is strictly between -0.0001 and 1.0001.
bool MiniWeightIsInside(double w);
// The barycentric weights of a lattice point with respect to the spun
// triangle's corners.
void SpunTriangleWeights(const spunTriangle& t, fcomplex p, double* w0, double* w1, double* w2);
// The bilinear coordinates of a lattice point in the spun square.
fcomplex SpunQuadCoordinates(const spunQuad& q, fcomplex p);
bool tooFar(fcomplex uv);

// Each point scaled to unit length (zero stays zero), points within the
// store's merge distance of an earlier one dropped, the rest one face.
void dumpVertsFormingTriangularFaceIntoBabyCSG(triplex q0, triplex q1, triplex q2, BabyCSG* csg);
void dumpVertsFormingQuadFaceIntoBabyCSG(triplex q0, triplex q1, triplex q2, triplex q3, BabyCSG* csg);

// A point of the face's plane beyond edge e (vertex e to e + 1) turned
// about that edge onto the plane of the face across it.
triplex FoldPointOverEdge(const polyhedron* poly, int64_t face, int64_t edge, triplex p);

void attempt_one_mini_triangle(fcomplex p1, fcomplex p2, fcomplex p3, const polyhedron* poly, int64_t face,
                               const spunTriangle& t, BabyCSG* csg);
void attemptSixMiniTriangles(int64_t i, int64_t j, const polyhedron* poly, int64_t face, const spunTriangle& t,
                             BabyCSG* csg);

// Carries a bilinear position that has left a quadrilateral face over the
// edge it crossed: the face across that edge, the corner its frame starts
// at and the position in that frame. Returns 0 (still on the face) or 1..4
// for edges 1, 3, 2, 0. Only the coordinate that crossed moves by one.
int maybe_move_to_neighbor_face(fcomplex* uv, int64_t* face, int64_t* corner, const polyhedron* poly);

void attempt_one_miniquad(fcomplex p1, fcomplex p2, fcomplex p3, fcomplex p4, const polyhedron* poly, int64_t face,
                          const spunQuad& q, BabyCSG* csg);
void attemptFourMiniQuads(int64_t i, int64_t j, const polyhedron* poly, int64_t face, const spunQuad& q,
                          BabyCSG* csg);

// Cell (s, c) of the k x k bilinear grid on the quadrilateral q0 q1 q2 q3.
void make_miniquad(triplex q0, triplex q1, triplex q2, triplex q3, int64_t k, int64_t s, int64_t c, BabyCSG* csg);
