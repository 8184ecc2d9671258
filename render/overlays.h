// Overlays drawn in the colour pass from the tile's reply grid: the
// graticule, whose lines keep one pixel's width by dividing the distance to
// the nearest line by how fast longitude and latitude change per pixel;
// Tissot indicatrices, the outlines of equal small circles on the sphere;
// and edge lines along the boundaries between the output's regions. All of
// them are anti-aliased dots added into the reply grid's overlay words.
#pragma once

#include <cstdint>

#include "records/TransformationReply.h"

struct SuperSamplerReply;
struct vort;

// ---- dots into the reply grid ----
// Channel 1 is the edges word, channel 2 the Tissot word of each cell;
// other channels draw nothing. Positions are in pixel indices: pixel p's
// centre lies at p.

// A dot at (ix + fx, iy + fy), fx and fy in 0..1: its bilinear shares of w
// are added to the four pixels (ix, iy)..(ix + 1, iy + 1) inside the grid.
void draw_Wu_Pixel(float fx, float fy, float w, int64_t ix, int64_t iy, const vort* context, int channel);
// The segment (x0, y0)-(x1, y1) from origin (ox, oy) as one dot at its
// midpoint weighted by w times its length.
void draw_Wu_segment(float ox, float oy, const vort* context, int channel, float x0, float y0, float x1, float y1,
                     float w);
// A contour through the cell whose corners lie at (ox, oy) + (0..1, 0..1):
// the marching-squares case and the crossings t of its four edges (see
// ContourCellSegments) drawn as dots of weight w.
void mystery_dot(float ox, float oy, const vort* context, int channel, int contourCase, const float t[4], float w);

// ---- graticule ----
// Latitude zones of a graticule setting (2..7: 36, 30, 18, 12, 6, 4) and
// the meridian count at a unit colatitude v (twice the zones, 4 in the two
// polar zones); both 0 outside 2..7.
void getGratZoneCounts(int64_t grid, float v, int64_t* latitudeZones, int64_t* longitudeZones);
int64_t latitude_to_zone(double v, int64_t n);
// The sample's graticule fractions u, v and their change per output pixel
// (gradient magnitudes over x and y) into out[4] = {u, v, du, dv}, from the
// cells of pixel (x, y) and its neighbours that share the region; false when
// none does.
bool get_latlong_fixer(int32_t region, int64_t x, int64_t y, const vort* context, const TransformationReply* sample,
                       float out[4]);
// Graticule line strength 0..1 of the sample at pixel (x, y).
float derivative_grid_hybrid(const TransformationReply* sample, int64_t x, int64_t y, const vort* context);

// ---- Tissot indicatrices ----
// 128 spots: eight latitude rows (9, 18 x 6, 9 longitudes) and both poles.
void FillInTissotSpots(vort* context);
// Regions that carry no indicatrix: nothing hit, glue tabs, the Ferguson
// globe outside its marbled regions.
bool IsNonTissotRegion(int32_t region, const vort* context);
// The indicatrix rim through the block of cells (x, y)..(x + 1, y + 1) as
// dots into the Tissot word; variant 0 is the main output, variant 1 (the
// polyhedron's own spots) reads the block (x + 1, y + 1)..(x + 2, y + 2)
// where its first cell carries an indicatrix, with weight 0.7.
void thetissotgrid(int64_t x, int64_t y, const vort* context, int variant);
// The same for four given replies (top left, top right, bottom left,
// bottom right) whose top-left one stands at pixel position (ox, oy).
void TissotBlock(const TransformationReply* const replies[4], float ox, float oy, const vort* context,
                 float weight = 1.0f);

// ---- scissor marks ----
// A curved-origami net's scissor marks: the zero level of the replies'
// scissor heights (squared distance to the nearest mark's centre less its
// squared radius) through the block of four given replies, as dots into the
// Tissot word, where all four lie where their mark is drawn.
void ScissorBlock(const TransformationReply* const replies[4], float ox, float oy, const vort* context);

// ---- edges ----
// Edge line pieces of pixel (x, y) into the edges word, from the corner
// replies of rec and the crossings along its sides in rec->boundary (top,
// bottom, left, right, in pixel units from the top-left corner). clamp
// counts negative regions as 0. Hands back a copy of rec with the
// pattern's case number and the pixel's face: of the corners' faces in the
// order top left, top right, bottom left, bottom right, the last that is a
// face (0..25289), with its fragment; -1 for both without one.
// Whether two replies lie on pieces that an edge line parts: different
// regions, two net faces laid along a cut without a fold between them, or
// two glue tabs of one piece.
bool CornersApart(const TransformationReply& a, const TransformationReply& b, const vort* context, bool clamp);
// A reply's net face or tab as a key, to find where such a cut crosses.
uint64_t NetFaceKey(const TransformationReply& r);
SuperSamplerReply draw_edge_dot(const SuperSamplerReply* rec, int64_t x, int64_t y, bool clamp, const vort* context,
                                int lastChannel);
