// The sample request road: for one output sample, the output position goes
// to the producer of a sphere direction (the output-mode dispatcher, a
// floret, the polyhedral transform, a 3D globe or an equirectangular ray into
// the output polyhedron), the twirl turns the direction, and the input mode
// finds it in the input picture. The answer, with its place code and overlay
// values, goes into the sample's reply. Runs on the tile's worker thread:
// everything it writes belongs to the task (reply, hints, Tissot cursor).
#pragma once

#include <cstddef>
#include <cstdint>

struct polyhedron;
struct renderhinttype;
struct vort;
struct TransformationReply;

// How far (in unit positions) the input column of the unturned Mollweide
// road onto an equirectangular input may lie from the one the direction's
// turn gives, away from the seam: three units in the last place of a
// column next to 1 (the road's sine, cosine and arctangent each round once;
// the most seen over millions of positions is two). The sampler sizes its
// check of the footprint's steps by it.
inline constexpr float kMollweideColumnBound = 1.8e-7f;

// Whether the road of this context takes the unturned Mollweide map's
// shortcut onto an equirectangular input, whose input columns lie within
// kMollweideColumnBound of the exact road's.
bool RoadTakesLongitudeShortcut(const vort* context);

// What the road needs of its task: the two hint records (the road's own and
// the input side's) and the Tissot search cursor.
struct RoadTaskState {
    renderhinttype* hints;
    renderhinttype* inputHints;
    int64_t* lastTissotSpot;
};

// Pixel (fx, fy) of a tile at `step` output pixels per sample from
// (originX, originY); proportions[0], proportions[1] turn the doubled pixel
// centre into the unit position. Sets outsideInput last.
void Float_Pixels_to_Reply(long step, long originX, long originY, const float* proportions,
                           vort* context, TransformationReply* reply, RoadTaskState task, float fx,
                           float fy);
// The replies Float_Pixels_to_Reply gives at pixel positions
// (x + dx + shift, fy), x = x0 .. x0 + count - 1, into first and each
// `stride` bytes after it: what a straight road keeps along a row is found
// once.
void Float_Pixels_to_Replies_Along_Row(long step, long originX, long originY, const float* proportions,
                                       vort* context, RoadTaskState task, int64_t x0, int64_t count, float dx,
                                       float shift, float fy, TransformationReply* first, size_t stride);
// Whether the context's road answers a run along a row for less than its
// samples one by one (and without effects beyond its replies and hints).
bool RoadTakesRunsAlongRows(const vort* context);
void CrazyDoSolarRect(float u, float v, vort* context, TransformationReply* reply,
                      RoadTaskState task);
// Sphere point to input position and overlays. Returns through `outside`
// whether the direction has no input position.
void transformForSampling(unsigned char transform, renderhinttype* hints, float* point,
                          vort*& context, long region, unsigned char& outside,
                          TransformationReply*& reply, RoadTaskState& task, unsigned char twirl);

// Region numbers of a polyhedral hit: the net face, its fragment, and the
// place code the polyhedron's numbering flags choose.
void finesseRegions(long& group, renderhinttype* hints, vort* context, long& fragment, TransformationReply*& reply);
// The net position of unit output point (u, v) of a polyhedral output: the
// framing's plane, centred on the net.
void PolyhedralNetPoint(const vort* context, float u, float v, float* x, float* y);
// The same for the hyperbolic tilings drawn on a net (the {3,9} tiling on
// the conformal tetrahedron's triangle, modes 371-374; the {5,4} tiling on
// the pentagon, 379-382): the output point taken through its outer shape
// into the disc, folded into the central cell and placed on the net. False
// for a miss.
bool HyperbolicTilingNetPoint(const vort* context, const renderhinttype* hints, const polyhedron* poly, float u,
                              float v, float* x, float* y);

// The midpoint between p and (0, 0, 1), normalised; (0, 0, 1) when zero.
void SqueezeTowardsCentre(float p[3]);
