// Anti-aliased dots in a pyramid level: a dot at a fractional position
// spreads its weight over the four pixels around it by bilinear shares. A
// segment is one dot at its midpoint weighted by its length; a contour
// through a square cell is one or two segments found by marching squares.
#pragma once

#include <cstdint>

struct PyramidDescriptor;

// The pixel holding (x, y) and its right, lower and lower-right neighbours
// each get the colour composited over them (A over B) with alpha = share ×
// the colour's alpha, written back in the pyramid's kind. Pixels outside the
// level are not written.
void PaintColorWuPixel(PyramidDescriptor* pyr, int64_t level, const float colour[4], float x, float y);

// Mask dot of weight w (0..255 scale) into an 8-bit one-channel level: each
// of the four pixels becomes the larger of its value and its share, at most
// 255. Pixels outside the level are skipped.
void AddWuPixel1(PyramidDescriptor* pyr, int64_t level, float x, float y, float w);
// A mask dot on the step (dx, dy) from pixel (ix, iy), where a linear ramp
// from |a| to |b| crosses zero (from the far end when side > 0).
void PlanWuPixel(int64_t ix, int64_t iy, PyramidDescriptor* pyr, int64_t level, float w, float a, float b, float dx,
                 float dy, int side);
// Mask dot at (ix, iy) + the segment's midpoint, weighted by w × its length.
void draw_Wu_segment_into_pyramid(int64_t ix, int64_t iy, PyramidDescriptor* pyr, int64_t level, float w, float x0,
                                  float y0, float x1, float y1);

// One piece of contour inside a unit cell, corners at (0, 0)..(1, 1).
struct ContourSegment {
    float x0, y0, x1, y1;
};
// Cell edges, each measured from its first corner: top (TL to TR), bottom
// (BL to BR), left (TL to BL), right (TR to BR).
enum ContourEdge { kEdgeTop = 0, kEdgeBottom = 1, kEdgeLeft = 2, kEdgeRight = 3 };
// The marching-squares case of a cell: bit 0 top left, 1 top right, 2 bottom
// left, 3 bottom right set where the corner lies above the level.
inline int ContourCase(float a, float b, float c, float d, float level) {
    return (a > level) + 2 * (b > level) + 4 * (c > level) + 8 * (d > level);
}
// The case's segments between the edge crossings t[edge] (fractions along
// each edge from its first corner); the saddles 6 and 9 give two, each
// cutting off one corner above the level. Returns their count.
int ContourCellSegments(int contourCase, const float t[4], ContourSegment out[2]);
// The crossing fractions of the level on the four edges by linear
// interpolation, from the end with the larger value.
void LinearContourCrossings(float a, float b, float c, float d, float level, float t[4]);
// Marching-squares contour of the cell at (ix, iy) with corner values a (top
// left), b, c, d (bottom right) into a mask level, each segment a dot.
void plan_contour(int64_t ix, int64_t iy, PyramidDescriptor* pyr, int64_t level, float w, float a, float b, float c,
                  float d, float levelValue);
