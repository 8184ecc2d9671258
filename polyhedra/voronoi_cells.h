// Spherical Voronoi cells as faces of a solid. Each site on the sphere owns
// the polygon of its cell in its own tangent plane; the point-list face
// writer turns such a polygon into one face or a fan of triangles carrying
// the site's id, point and group mark. The same writers serve the small CSG
// kernel and the site duals.
//
// Site nodes (HALFSPACE): point, id, plane (its tangent plane), userFlag the
// done flag (a done site gets no face), userLinks[0..2] up to three neighbour
// hints (sites whose cells were built beside it), userTag the group mark
// (-1 none). Corner nodes of a cell's point list carry the point only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "common/vectors.h"
#include "polyhedra/polyhedron.h"

struct HALFSPACE;

// The arcs' slicing records: two consecutive sites of an arc and whether the
// step was the arc's first, last or middle one.
struct SlicingRecord {
    triplex a, b;
    uint8_t first, last, middle;
};
struct SlicingArcList {
    SlicingRecord* records;
    int64_t count, capacity;
};
// Appends a record; false when the heap refuses the room (the record is lost).
bool StartOrExtendSlicingArc(SlicingArcList* list, triplex a, triplex b, bool first, bool last, bool middle);
void DisposeSlicingArcList(SlicingArcList* list);

// What a build counted; kept per build so that builds may run side by side.
struct VoronoiCounters {
    int64_t items;                 // cell corners made
    int64_t planeDeletions;
    int64_t facesHelpedByHints;
    int64_t speculativeDeletions;
    int64_t facesWithSiteCulls;    // sites set aside while building a cell
    int64_t calls;
};

// One record per build, handed everywhere. The bytes are named by their readers.
struct VoronoiHandlingOptions {
    uint8_t shave;               // shave nearly straight corners off as thin triangles
    uint8_t secondFlag;          // set by the rind pattern; read by nothing here
    uint8_t polyhedronFlag;      // copied into the solid
    uint8_t wholeFaces;          // a cell of 4..10 corners is one face, else a fan
    uint8_t bisectorKind;        // 0 midpoint planes, 1 planes through the tangent planes' meeting line
    uint8_t duplicateTest;       // handed to the face adder as its duplicate-face test
    uint8_t spare[2];
    int64_t siteNumbering;       // the solid's slicing mode; 2 also renumbers sites in processing order
    int64_t secondSetting;       // copied into the solid
    int64_t fanApexRule;         // 0 longest edge, 1 largest |y|, else smallest x² + z² (rind levels)
    int64_t patternCode;         // Truchet pattern bits or seed
    int64_t baseShapecode;       // the solid Truchet arcs are drawn on
    double squash;               // fraction by which cell corners move toward the unit sphere
    double mergeDistance;        // points nearer than this are one
    double planeTolerance;       // a point this far above a plane still counts as on it
    SlicingArcList* slicingArcs; // null: arcs record nothing
    VoronoiCounters counters;
    // Set while a whole diagram is built: every cell takes its corners from
    // it, the diagram's own vertices, so that cells agree on every corner and
    // each corner is where its planes meet, however near another it lies.
    const struct VoronoiDiagram* diagram;
};

void GetDefaultVoronoiHandlingOptions(VoronoiHandlingOptions* options);
// Copies the slicing mode, the second setting and the flag into the solid.
void CopyCertainVoronoiPrefsIntoPoly(const VoronoiHandlingOptions* options, polyhedron* poly);

// A new site after the list's head: cleared hints and done flag, group mark -1.
// Unless a listed point lies nearer than `distance` (then null; also when the
// heap refuses the node).
HALFSPACE* AddSiteToList(HALFSPACE* list, triplex p, int64_t id, double distance);
// Clears a site's hints and done flag and makes its plane the tangent plane at it.
void reset_node(HALFSPACE* site);
HALFSPACE* SiteHint(const HALFSPACE* site, int k);
int GetNeighborCount(const HALFSPACE* site);
// The unfinished site with most hints, the first in list order on a tie; null
// when every site is done.
HALFSPACE* GetMostNeighborlyUnfinishedVSite(HALFSPACE* sites);

// The corners of the site's cell, in its own plane, appended to `face` (an
// empty list): at the plane tolerance, retried five times looser up to eight
// attempts while the cell has at most two corners; then left empty. Nothing
// for a done site. Gives the sites that bound the cell this site as a hint.
void Build_one_vface_driver(HALFSPACE* site, HALFSPACE* sites, HALFSPACE* face, VoronoiHandlingOptions* options);
// One attempt at a given tolerance; the number of corners.
int64_t Build_one_vface_using_tangent_planes(HALFSPACE* site, HALFSPACE* sites, HALFSPACE* face, double tolerance,
                                             VoronoiHandlingOptions* options);

// The point-list face writer: a list of three or more points (a convex ring
// round its mean direction, in any order) becomes faces of the solid: sorted
// counter-clockwise seen from outside, shaved when the options say so, then
// one face (whole faces, 4..10 points) or a fan. Every face takes the owner's
// id and point as its site (id -1 without owner). Angles and links are left
// to the caller (Calc3DAngles, Build3DConnectivity).
void DumpPointListIntoPolyhedron(HALFSPACE* points, const HALFSPACE* owner, polyhedron* poly,
                                 const VoronoiHandlingOptions* options);

// Face writers. Vertices are found or added at the merge distance; corners
// that merge into one vertex are dropped, and a face left with fewer than
// three adds nothing.
void SaveFace_core(triplex a, triplex b, triplex c, polyhedron* poly, const HALFSPACE* owner, int marker,
                   double distance, uint8_t flag);
void AddFanOfTriangularFacesToPoly(HALFSPACE* polygon, const HALFSPACE* owner, polyhedron* poly,
                                   const VoronoiHandlingOptions* options);
void AddNonTriangularFaceToPoly(HALFSPACE* polygon, const HALFSPACE* owner, polyhedron* poly,
                                const VoronoiHandlingOptions* options);
// One face of the polygon when whole faces are allowed and it has at most 10
// points, else a fan.
void AddOneOrderedFaceToPoly(HALFSPACE* polygon, const HALFSPACE* owner, polyhedron* poly,
                             const VoronoiHandlingOptions* options);

// The sites' diagram from their hull: each hull facet n·x = d gives one
// vertex, n / d, where the tangent planes of the sites it passes through
// meet; each site's cell lists the vertices of the facets through it, in
// order round the site. Vertices are not merged at the merge distance, so
// each stands where its planes meet however near another lies (qhull merges
// only facets flat within rounding; vertices nearer than kDiagramVertexJoin,
// which single precision cannot tell apart, are one).
struct VoronoiDiagram {
    std::vector<triplex> vertex;
    std::vector<const HALFSPACE*> site;        // the sites in list order
    std::vector<std::vector<int32_t>> cell;    // per site, counter-clockwise seen from outside
};
// False (no diagram) for fewer than four sites, a flat set, a site at the
// centre, or sites that leave a cap without bound.
bool BuildVoronoiDiagram(HALFSPACE* sites, VoronoiDiagram* diagram);
// The corners of the site's cell, starting at the one nearest `start`;
// empty when the diagram holds no cell of the site.
std::vector<triplex> DiagramCellOf(const VoronoiDiagram* diagram, const HALFSPACE* site, triplex start);
// The diagram's vertex nearest the corner, when one lies within the reach;
// else the corner.
triplex SnapVoronoiCorner(const VoronoiDiagram* diagram, triplex corner, double reach);
// Corners taken from a diagram share a vertex only when they are the same
// point: they are written at this distance.
inline constexpr double kDiagramVertexDistance = 1e-9;
// Diagram vertices nearer than this are one: closer than single precision
// keeps them apart in a solid two units across.
inline constexpr double kDiagramVertexJoin = 5e-7;

// Every site's cell, the most neighbourly unfinished site first. With the
// merge flag and a merge list, the corners go into the merge list instead.
// A site whose cell stays empty sets status kPolyStatusEmptyCell; sites that
// leave a cap wider than a hemisphere (a cell without bound) set
// kPolyStatusUnboundedCell.
void make_poly_from_voronoi_sites(polyhedron* poly, int64_t mergeFlag, VoronoiHandlingOptions* options,
                                  HALFSPACE* sites, HALFSPACE* mergeList);
void process_one_vsite(HALFSPACE* site, int64_t order, polyhedron* poly, int64_t mergeFlag,
                       VoronoiHandlingOptions* options, HALFSPACE* sites, HALFSPACE* mergeList);
// Appends to b each point of a not nearer than the distance to one of b; the number copied.
int64_t MergeListAIntoListB_killing_redundant_points(HALFSPACE* a, HALFSPACE* b, double distance);
