// Folds of the plane onto a net before the polyhedral transform looks the
// point up: the wrapped tetrahedron strip (output mode 64), the triangle
// grid (368) and the hexagon grid (370).
#pragma once

#include <cstdint>

// The net's box in net coordinates (y grows downward).
struct NetBox {
    double left, right, top, bottom;
};

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
