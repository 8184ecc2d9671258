// Site patterns laid on the unit sphere for the Voronoi solids (spirals,
// seams, gores, lines across the cube's faces, Truchet arcs) and what
// warping, twisting and tumbling do to a site. Every site is
// added unless one already lies within the options' merge distance, so no
// two sites ever share a cell. Arcs record slicing pairs when the options
// carry a slicing list.
#pragma once

#include <cstdint>
#include <vector>

#include "common/vectors.h"
#include "polyhedra/polyhedron.h"
#include "polyhedra/voronoi_cells.h"

struct HALFSPACE;

// p / |p|, (0, 0, 1) for a zero vector.
triplex UnitOrUp(triplex p);

void Build_voronoi_sites_rind(HALFSPACE* sites, VoronoiHandlingOptions* options, double turns, double spacing);
void Build_voronoi_sites_baseball(HALFSPACE* sites, VoronoiHandlingOptions* options);
void crap_Build_voronoi_sites_globegores(HALFSPACE* sites, VoronoiHandlingOptions* options, int64_t rows,
                                         int64_t columns, int64_t skippedRows, double twist, double warp,
                                         double spacing);
void Build_voronoi_sites_curvycube(HALFSPACE* sites, VoronoiHandlingOptions* options);

// Arcs of n + 1 sites (nothing for n < 0).
void BuildTruchetArc_in_spaaace(triplex a, triplex b, HALFSPACE* sites, VoronoiHandlingOptions* options, int64_t n,
                                int64_t id);
void BuildTruchetArc_on_polyhedron(triplex axisPoint, triplex centre, triplex start, float offset, float divisor,
                                   HALFSPACE* sites, VoronoiHandlingOptions* options, int64_t n, int64_t id);
void BuildTruchetArc_olden(triplex p, triplex q, HALFSPACE* sites, VoronoiHandlingOptions* options, int64_t n,
                           int64_t id, int flip, int sign);
// The faces a pattern reads, in order, each its corners' vertex numbers in
// the base solid handed in; none: the base's own faces as built.
using PatternFaceList = std::vector<std::vector<int64_t>>;
// On the faces of a base solid (its faces and corner order as built, or
// those `faces` lists).
void Build_voronoi_sites_truchet_polyhedron(HALFSPACE* sites, VoronoiHandlingOptions* options, int64_t n,
                                            const polyhedron* base, const PatternFaceList* faces = nullptr);
// On the faces of the cube (shape 18) handed in, read as above.
void Build_voronoi_sites_truchet_donut_on_cube(HALFSPACE* sites, VoronoiHandlingOptions* options, int64_t n,
                                               const polyhedron* cube, const PatternFaceList* faces = nullptr);
void Build_voronoi_sites_truchet_cube(HALFSPACE* sites, VoronoiHandlingOptions* options, int64_t n);

// What the modifiers do to one site (the shapes move every site, and the
// slicing records' ends with it).
triplex WarpedVpoint(triplex p, double amount);
triplex TwistedVpoint(triplex p, double angle);
triplex ParabolizedVpoint(triplex p, double a, double b);
triplex TumbledVpoint(triplex p);
// The tumble's turn of one point, not normalised.
void ExtraTumbleForZigzagD(double* point);

// The arcs' slicing records name sites by their points: every record end at
// `from` (bit for bit) moves to `to`, as its site did.
void MoveSlicingArcEnds(SlicingArcList* arcs, triplex from, triplex to);
// Two sites nearer than the merge distance after a modifier become one: the
// later in list order leaves, and record ends at it move to the one that stays.
void MergeNearSites(HALFSPACE* sites, double distance, SlicingArcList* arcs = nullptr);
