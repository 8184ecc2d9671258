// The per-shape cutting rules: once a solid's faces are linked, the rule its
// builder chose through slicingMode marks the edges the net must not join,
// and which joins go first or last. The rules are built from small measures
// of faces and edges and a vocabulary of whole-solid side rules. Edge
// indices given to the rules are taken modulo the face's corner count; a
// face index of -1 (no neighbour) ends a walk.
#pragma once

#include <cstdint>

#include "polyhedra/polyhedron.h"

// Applies the rules of the solid's slicingMode; modes without a rule do nothing.
int64_t MaybeAddSlicing(polyhedron* poly);
// Relinks the solid's faces (Build3DConnectivity) and applies its cutting
// rule: what a builder or the set-up runs once the faces and angles stand.
int64_t LinkSolidAndApplyCuttingRule(polyhedron* poly);

// Measures. Side e of a face runs from corner e to corner e + 1; the
// shortest and longest sides are the first minimum and maximum.
double LengthOf3DEdge(const polyhedron* poly, int64_t face, int64_t edge);
int64_t shortestSideOf3DFace(const polyhedron* poly, int64_t face);
int64_t longestSideOf3DFace(const polyhedron* poly, int64_t face);
// The middle side is (shortest + 1) mod 3, moved on when that is the longest.
void get_short_mid_long_sides_of_3D_triangle(const polyhedron* poly, int64_t face, int64_t* shortOut,
                                             int64_t* midOut, int64_t* longOut);
int checkFloppinessOf3DTriangle(const polyhedron* poly, int64_t face);  // the shortest side follows the longest
// Among triangles, the ones whose centroid has the smallest and largest x.
void findHighAndLowTriangles(const polyhedron* poly, int64_t* lowOut, int64_t* highOut);

// Side rules over every triangle of the solid.
void disdain_shortest_sides_of_all_triangles(polyhedron* poly);
void forbid_shortest_sides_of_all_triangles(polyhedron* poly);
void prefer_longest_sides_of_all_triangles(polyhedron* poly);
// Cuts every edge between faces whose Voronoi site ids differ by more than
// the threshold, unless either face must join (kSiteMustJoin).
void slice_by_site_labels(polyhedron* poly, int64_t threshold);
// Cuts (forbid) or disdains every edge between faces of different Norse labels.
void handle_dissimilar_norse_labels(polyhedron* poly, int forbid);
void slice_dissimilar_norse_labels(polyhedron* poly);

// The per-shape rule sets.
void AddSlicingTo_cube_4_compound(polyhedron* poly);
int64_t doTriHexTri_and_maybe_quads(polyhedron* poly, int64_t face, int64_t label, int first, int quads);
void AddSlicingToRhombicHexecontahedron(polyhedron* poly);
void AddSlicingToRhombicHexecontahedron_2(polyhedron* poly);
void AddSlicingTo_stellation_1(polyhedron* poly);
void AddSlicingTo_stellation_2(polyhedron* poly);
void AddSlicingTo_stellation_3(polyhedron* poly);
void AddSlicingTo_stellation_4(polyhedron* poly);
void AddSlicingTo_stellation_5(polyhedron* poly);
void AddSlicingTo_waterman(polyhedron* poly);
// Lists the vertices of the valence (at most 40, by index) and labels each
// face holding one with its place in the list, the last listed winning.
void labelHeartsHavingValence(int64_t valence, polyhedron* poly, int64_t* countOut, int64_t* hearts);
void build_wing_at(polyhedron* poly, int64_t face, int64_t edge);
