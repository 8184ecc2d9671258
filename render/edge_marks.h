// Marks on the edge overlay beyond the region boundaries: concave edges of
// a net drawn dashed.
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
