// A small constructive-solid-geometry kernel: a convex solid kept as a list
// of planar polygons, started as a huge cube and cut by one plane at a time,
// every cut closed by a capping polygon that remembers the site of its plane.
// The Voronoi solids cut it by their sites' tangent planes, the Goldberg
// solids by tangent planes at a geodesic solid's vertices and face centres.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "common/vectors.h"
#include "polyhedra/polyhedron.h"
#include "polyhedra/voronoi_cells.h"

struct HALFSPACE;

struct BabyCSGFace {
    std::vector<triplex> points;  // counter-clockwise seen from outside when the origin is inside
    int32_t number;               // in order of creation, from 0
    bool capped;                  // made by a cut: the cutting plane's point and id follow
    triplex sitePoint;
    int64_t siteId;
};

struct BabyCSG {
    std::vector<BabyCSGFace> faces;
    VoronoiHandlingOptions options;
    int32_t faceCounter;
};

// Null when the heap refuses the record.
BabyCSG* createBabyCSG(const VoronoiHandlingOptions* options);
void destroyBabyCSG(BabyCSG** csg);

// Starts the solid as the cube of side 20,000 about the origin.
void BuildCubeEnclosing(BabyCSG* csg);
// Keeps the part where the plane's n·p + k is at most the plane tolerance and
// caps the cut with a face remembering the plane node's point and id.
void SliceOnePlaneAway(BabyCSG* csg, const HALFSPACE* planeNode);
void SlicePlanesAway(BabyCSG* csg, const HALFSPACE* planes);
// Adds a polygon of three or more points as one face, ordered
// counter-clockwise seen from outside; false (nothing added) for fewer.
bool MaybeBuildCappingFace(BabyCSG* csg, std::vector<triplex> points);
// Orders a polygon counter-clockwise seen from the side away from the origin.
void OrderPolygonPointsCorrectly(std::vector<triplex>& polygon);

// The solid's faces into an emptied record (fresh storage), linked; returns
// what the links return.
int64_t make_poly_fromBabyCSG(polyhedron* poly, const BabyCSG* csg);
// The tangent-plane solid of the sites: each site's plane through it with the
// site as normal direction cuts the enclosing cube, in list order.
int64_t make_poly_from_voronoi_sites_via_CSG(polyhedron* poly, int64_t unused, VoronoiHandlingOptions* options,
                                             HALFSPACE* sites);

// qhull's facets of the points as outward planes n·x + offset = 0 (nearly
// coplanar facets merged), and when asked the points (by index) each facet
// passes through; false for a set qhull finds no hull of.
bool QhullFacets(const std::vector<triplex>& points, std::vector<std::pair<triplex, double>>& facets,
                 std::vector<std::vector<int32_t>>* facetPoints = nullptr);

// Site sources: points appended at the merge distance with their planes.
void AddVerticesToList(const polyhedron* poly, HALFSPACE* list, const VoronoiHandlingOptions* options,
                       int64_t centroids, int64_t normalise, double scale, double factor);
