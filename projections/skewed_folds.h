// Folds of the plane onto a net before the polyhedral transform looks the
// point up: the wrapped tetrahedron strip (output mode 64), the triangle
// grid (368) and the hexagon grid (370), and the walk through a pair of
// triangulations with the same connectivity that carries a point from a bent
// outline back to the straight one.
#pragma once

#include <cstdint>

struct recentTriangleType;

// The net's box in net coordinates (y grows downward).
struct NetBox {
    double left, right, top, bottom;
};

// ---- the walk ----
// Triangle table: int32 words; word 0 the triangle count n, words 1-5 -1;
// triangle k (1..n) at words 6k..6k+5: its three vertex numbers, then the
// neighbours across the edges opposite its first, second and third vertex
// (below 1: none). Vertex table: floats; float 0 the count, float 1 -1;
// vertex k at floats 2k, 2k+1.
//
// Walks from the recent list's first triangle (clamped to 1..n) towards
// (x, y) through the source triangulation; on arrival writes the point with
// the same weights on the target triangulation, moves the triangle to the
// front of the recent list and returns 1. Returns 0, writing nothing, when
// the walk leaves the triangulation, meets a flat triangle or takes n steps.
int huntSucceedsStartingFrom(const int32_t* triangles, const float* source, const float* target,
                             recentTriangleType* recent, double x, double y, double* outX, double* outY);

// ---- the triangle grid ----
inline constexpr double kTriangleRowHeight = 0.4330127018922195;  // sqrt(3)/4

// A cell of the triangle grid: columns of width 2/s, rows of height
// 2 sqrt(3)/4 / s; rows whose number has bit 1 set are shifted by half a
// column. (u, v) is the place in the cell, u in 0..1, v in 0..sqrt(3)/4.
struct TriangleCell {
    int64_t column, row;
    double u, v;
};
TriangleCell triangleoid(double x, double y, double s);

// Output mode 368: the cell's place, odd rows turned by a half turn, laid
// onto the net's box scaled by its height over sqrt(3)/4. Writes the cell.
void calc_skewed_coordinates_for_triangle(const NetBox& net, double s, double x, double y, double* outX,
                                          double* outY, int64_t* column, int64_t* row);

// Output mode 370: the hexagon of the grid (centres at q - r/2, r sqrt(3)/2
// with q + r a multiple of 3, in units of 1/s) nearest to the point; the
// point relative to its centre, turned by -2 pi (q mod 3)/3, laid onto the
// net's box with the hexagon's height as the box's. Writes the hexagon.
void calc_skewed_coordinates_for_hexagon(const NetBox& net, double s, double x, double y, double* outX,
                                         double* outY, int64_t* q, int64_t* r);

// Output mode 64: the strip of tetrahedron nets repeated `repeats` times
// across the net's box in both directions, along skewed axes.
void calc_skewed_coordinates_for_tetrahedron(const NetBox& net, double repeats, double x, double y, double* outX,
                                             double* outY);
