// Measuring fragments (convex hull, rotating calipers) and laying them out:
// each turned to a measured angle, then set side by side in one row, 3 %
// of the wider neighbour apart, and for some shapes stacked in rows.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "polyhedra/polyhedron.h"

struct CaliperResult {
    double minPair[2][2];       // hull points of the minimum width
    double diameterPair[2][2];  // hull points of the diameter
    double minWidth;            // 99999999999999.0 when nothing was measured
    double diameter;            // -1 when nothing was measured
    double minDirection[2];     // unit vector across the minimum width
    double angle;               // the caliper turn, 0..pi, at which the minimum width lies
};

// Hull of the fragment's used net vertices, counter-clockwise, no collinear
// points; returns the number of hull points written to hull (x, y pairs).
int64_t BuildConvexHullOfFragment(const polyhedron* poly, int64_t fragment, double (*hull)[2], int64_t capacity);
// The same over any points (repeats allowed).
int64_t ConvexHullOfPoints(std::vector<std::array<double, 2>> points, double (*hull)[2], int64_t capacity);
int BuildConvexHullOfFragmentAndMeasureIt(const polyhedron* poly, int64_t fragment, CaliperResult* result);
double AngleForExtremumSpin(const polyhedron* poly, int64_t fragment);

// The margin a framed net keeps so that its outline stays off the frame: 2% of
// the larger side of its box. The output nets and the input nets that read
// their pictures back share it.
inline double NetFrameBorder(double width, double height) { return 0.02 * std::max(width, height) + 1e-9; }
// The box a finished net is fitted into (left, right, top, bottom): the
// settings block's box, its height times the first net setting (the frame's
// height over its width; taken as 1 when not positive).
void NetTargetBox(const polyhedron* poly, double box[4]);
// Fits the used net vertices, with their border, into the target box,
// keeping their proportions, centred, and records the scale that took them
// there in net.scale; the net faces' boxes and the net-vertex index follow.
// The cube-map crosses (output modes 172 and 173) take no border: they are
// picture formats whose faces must fill their cells. A net without extent
// (or without vertices) is left where it is, with scale 1.
void CramPoints(polyhedron* poly);
// How CramPoints moves a net: a point p (turned by the set-up's angle) goes
// to to + (p - from) * scale.
struct NetFit {
    double scale, fromX, fromY, toX, toY;
};
// The fit CramPoints gives a net whose used vertices are `points` turned by
// `angle` about the origin as the set-up turns a net (the points' convex hull
// gives the same fit); false when the points have no extent.
bool FitNetPoints(const polyhedron* poly, const double (*points)[2], int64_t count, float angle, NetFit* fit);

struct PackingMemo;
// `memo`, when given, keeps the packings of the nets of one build
// (nets/net_packing.h).
void LayOutFragments(polyhedron* poly, PackingMemo* memo = nullptr);
void SpinFragmentsFelicitously(polyhedron* poly, int64_t first, int64_t last);
void SpinAllFragments(polyhedron* poly);
double Layout_PutBUnderA(int64_t A, int64_t B, polyhedron* poly);
double Layout_PutBUnderAlphaThroughA(int64_t alpha, int64_t A, int64_t B, polyhedron* poly);
void AlignFragments(polyhedron* poly, int64_t p1, int64_t p2, int64_t p3, int64_t p4, int64_t fragment);
