// Marks on the edge overlay beyond the region boundaries: concave edges of
// a net drawn dashed, and the globes' edges between pixels whose surfaces
// join (no line drawn there).
#pragma once

#include <cstdint>

struct TransformationReply;
struct vort;

// The dash profile along angle into the edge mask of the cells (x, y),
// (x + 1, y), (x, y + 1), (x + 1, y + 1), each from its position less one
// pixel on both axes, where it is below what the cell holds; cells outside
// the grid are skipped.
void makeEdgesDashedAt(int64_t x, int64_t y, const vort* context, float angle);

// When the output solid's net is built and has a concave edge, the sample of
// pixel (x, y) lies on a net face, and the nearest outline edge of that
// face's triangles is a concave edge of the solid: that edge is dashed
// around the pixel. The sample's net face is its faceTag, its net point
// its netPosition.
void notice_concave_edges_new(const TransformationReply* reply, const vort* context, int64_t x, int64_t y);

// Whether two brick hits (cell coordinates and face normal each) touch along
// a common edge: the same brick face; the same normal and a cell one step
// along one of the face's four directions; or the same normal and cells
// offset within the face's plane.
bool SharesAnEdge(const int32_t placeA[3], const int32_t normalA[3], const int32_t placeB[3],
                  const int32_t normalB[3]);

// Whether the edge line of pixel (x, y) is hidden: output modes 1 and 2 where
// the cells (x, y)..(x + 1, y + 1) do not all carry one region; the brick
// globes (45, 394) unless every side-neighbouring pair of those cells
// shares an edge. Other modes never hide it.
bool ShouldSuppressDueToHiddenSurface(int64_t x, int64_t y, const vort* context);
