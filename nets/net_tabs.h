// Glue tabs: which cut edges of a net carry a tab (walking each outline and
// alternating, then one tab per glued pair), the tab triangles built on the
// net triangles' edges, and tabs copied from another polyhedron. Exhausted
// tables set status 4 (net vertices) or 7 (net triangles); nothing is
// reported otherwise.
#pragma once

#include <cstdint>

#include "polyhedra/polyhedron.h"

// Tab sides meet the edge at 60 degrees, or 44 with steep tabs.
inline constexpr double kTabSlant = 0.57735026;
inline constexpr double kSteepTabSlant = 1.0355303;
// Tab sizes below this build no tab.
inline constexpr double kMinTabSize = 0.01;

// Walks the first outline with an unwalked cut edge, numbering its faces
// `outline` when `numberFaces` and flagging every other edge for a tab.
// 1 after a walk, 0 when every cut edge is walked.
int AddTabsViaEdgeWalking(polyhedron* poly, int64_t outline, int64_t numberFaces);
// One tab per glued pair of net edges (only cut edges when `cutEdgesOnly`;
// nets of one fragment are then left as walked: their single outline tours
// the cut tree, so the alternation already gave one tab per pair).
void ReconcileTabs(polyhedron* poly, int64_t cutEdgesOnly);
// Every seam takes its tabs on one side: a straight seam split into
// several glued pairs of edges (at corners where only its two faces meet)
// all on the side that holds most of them, so that it gets one tab along
// its whole length, and a pair the walk left with a tab on both sides or on
// neither (nets of one piece whose outline is no plain tour of the cuts)
// on its lower face's side. With `everyEdge` folded edges count as well
// (each face a page of its own).
void PutEachSeamsTabOnOneSide(polyhedron* poly, bool everyEdge);
void RemoveTabsFromFaces(polyhedron* poly);
// The set-up's tab builder: every flagged edge gets a tab that fits, a
// straight seam of several edges one tab along its whole length. At an
// outline corner whose outside angle is below the tab's side angle the side
// bisects that angle, or takes all of it where the outline goes on along the
// seam's other side (a slit at the end of a cut); sides that would cross meet in a point; a tab that
// still meets a net face or an earlier tab moves to its glued partner when
// it fits there, else it is lowered until it fits. With `pagePerFace` each
// face is a page of its own: tabs need only clear their own face and tabs.
// When the net's tables fill up it stops building and counts the seams left
// without a tab in `tabsPastLimit`.
void FitTabsUponTriangles(polyhedron* poly, bool pagePerFace);
void BuildDetachedTabTriangle(polyhedron* poly, int64_t face, int64_t faceGroup, double x0, double y0, double x1,
                              double y1, double x2, double y2);
void CopyTabsFromAtoB(const polyhedron* a, polyhedron* b);
