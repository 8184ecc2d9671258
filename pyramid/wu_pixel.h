// Marching squares for the overlays' anti-aliased contours: a contour
// through a square cell is one or two segments between the crossings of its
// edges.
#pragma once

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
