// The polyhedral transform: for an output point of a polyhedral output mode
// (a solid unfolded into a net, a tiled layout), which net triangle lies
// under the point and which direction on the sphere belongs to it, plainly
// through the triangle's 3D corners or through the conformal warp the
// polyhedron names.
//
// Each task keeps its own hints (records/renderhinttype.h): a span list of
// the net triangles near the current band of rows, sorted by x with the
// number of spans open at each node, and the three triangles hit last, so
// that neighbouring samples cost one or two triangle tests. The polyhedron
// and the caches are only read while tiles run.
#pragma once

#include <cstdint>

#include "polyhedra/polyhedron.h"

struct renderhinttype;

// ---- span lists ----

// Span nodes a list over the whole net of `poly` can need: two per net
// triangle and two sentinels.
int64_t SpanNodesForNet(const polyhedron* poly);
// Takes storage for `nodes` span nodes into the hint record (freeing what it
// held); false when memory is short (the render must then fail: a list
// without room would leave holes in the net).
bool AllocateSpanStorage(renderhinttype* hints, int64_t nodes);
// Frees the span storage of a hint record, or of both hint records of a task.
void DumpSpanStorage(renderhinttype* hints);
void DumpShortTriangleLists(renderhinttype hints[2]);

// Builds the span list of the net triangles that can cover the rectangle
// left..right, top..bottom (net coordinates) grown by margin, or of the whole
// net when clip is false. piece -1 takes every triangle; piece >= 0 only those
// of one export piece (a face, a fragment, or all for a whole-net export).
// Writes no node beyond the storage: a list that would not fit is left empty
// and answers false.
bool PrepareShortTriList(const polyhedron* poly, int64_t piece, renderhinttype* hints, bool clip, float top,
                         float bottom, float margin, float left, float right);

// ---- the search ----

// The per-sample entry: folds the point of the wrapped layout (mode 64),
// searches the span list and writes the unit direction and the outside flag
// (1 when no triangle holds the point), with the hint's found, triangle,
// face and tab fields. caches is the render's ProjectionCacheStore.
void DoPolyhedralTransforms(float out[3], const polyhedron* poly, void* caches, uint8_t* outside,
                            renderhinttype* hints, float x, float y);
// The triangle under (x, y) through the span list; 1 on a hit.
int span_search(float out[3], const polyhedron* poly, void* caches, uint8_t* outside, renderhinttype* hints,
                float x, float y);
// One point-in-triangle test with its consequences; 1 on a hit.
int AttemptTriangle(int64_t triangle, const polyhedron* poly, float x, float y, uint8_t* outside,
                    renderhinttype* hints, float out[3], void* caches);
// From barycentric weights on one net triangle to a direction; a warp that
// rejects the point sets the outside flag.
void DoPolyhedralTransformCore(const polyhedron* poly, int64_t triangle, void* caches, float out[3],
                               uint8_t* outside, renderhinttype* hints, double b0, double b1, double b2, float x,
                               float y);
// The cache tags the polyhedron's warp reads (0 when it reads none), to be
// built before the tiles run; the count.
int64_t CacheTagsOfWarp(const polyhedron* poly, int64_t tags[4]);

// ---- the curved path of rind faces ----

// The 3D point of net point (x, y) on the quadrilateral patch of a
// three-cornered net face and its fourth reference vertex (the net face's
// twisted apex): bilinear in (s, t) on the patch, blended linearly (blend
// kind 0) or in longitude and latitude (1); x and y of the result negated.
// (1, 0, 0) for a triangle whose face has no reference vertex; a point off
// the patch (no real root) is outside: returns false and writes (1, 0, 0).
bool Get3DPointFancily(int64_t triangle, double out[3], const polyhedron* poly, double x, double y);

// ---- region codes of glue tabs ----
inline int64_t tabRegionFrom3DFace(int64_t face) { return (face < 0 ? 0 : face) + kTabRegionBase; }
inline int64_t possible3DFaceFromTabRegion(int64_t region) {
    return region >= kTabRegionBase ? region - kTabRegionBase : region;
}
