// Goldberg solids of classes I, II and III (hexagons with 12 pentagons, 6
// squares or 4 triangles) and all-quadrilateral solids on tetrahedral,
// octahedral and icosahedral bases: shape codes 313-438. Each is built from
// its base solid and finished in canonical form (planar faces, every edge
// tangent to the unit sphere, the tangent points centred on the origin).
#pragma once

#include <cstdint>

#include "polyhedra/polyhedron.h"
#include "polyhedra/voronoi_cells.h"

enum GoldbergFamily : int32_t {
    kNotGoldberg = 0,
    kGoldbergClass1 = 1,
    kGoldbergClass2 = 2,
    kGoldbergClass3 = 3,
    kQuadClass1 = 4,
    kQuadClass2 = 5,
    kQuadClass3 = 6,
};

// What a shape code of the family selects.
struct GoldbergForm {
    int32_t family;
    int64_t base;       // shape code of the base solid
    int64_t symmetry;   // shape code whose mirrors the solid keeps
    int64_t order;      // 1.. within the base's run of codes
    int64_t m, n;       // Goldberg pair (k, 0), (k, k) or (m, n); quads (p, q), (k, 0) for class I
    double tolerance;   // of the canonical finish
    double stepFactor;  // of the relaxation's steps
    bool rotationsOnly; // the chiral classes keep rotations only
};

// False (and family kNotGoldberg) for a code outside 313-438.
bool GoldbergFormOfShapecode(int64_t code, GoldbergForm* form);

// The stand-alone decoders: group g = (code - first) / perBase, order r + 1
// (1 when r is negative), the base by g.
void getOrderAndShape(int64_t code, int64_t first, int32_t* order, int32_t* shape, int64_t perBase);
void getOrderAndAndSymmetryBaseShapeForQuads(int64_t code, int64_t first, int32_t* order, int32_t* baseShape,
                                             int32_t* symmetryShape, int64_t perBase);
// Class III pairs by order; an order outside 1-9 gives (4, 5).
void get_Goldberg3_mn_from_order(int32_t order, int32_t* m, int32_t* n);

// The options every builder of the family hands its hull store and the
// canonicaliser (class I uses the finer tolerances).
VoronoiHandlingOptions GoldbergOptions(bool classOne);

// The canonical finish chosen by the target's shape code; while an edge or a
// face is more than 1e-7 off, the reciprocation goes on to 1e-12 and a
// plain relaxation takes what is left. Returns the last stage's result, or
// what the first returned when it failed (negative).
double GoldbergCanonicalFinish(polyhedron* target, const GoldbergForm& form, const VoronoiHandlingOptions& options);

// Each replaces the target's contents and returns what the face linking
// returns. A scratch solid or hull store the heap refuses leaves the target
// empty with status out of memory.
int64_t BuildGoldbergClass1(polyhedron* target, int64_t parameter);
int64_t BuildGoldbergClass2(polyhedron* target, int64_t parameter);
int64_t BuildGoldbergClass3(polyhedron* target, int64_t parameter);
// The tetrahedral route of code 367: the dual of the mini-triangle solid.
int64_t BuildGoldbergClass3_alternative(polyhedron* target, int64_t m, int64_t n);
int64_t BuildQuadClassI(polyhedron* target);
int64_t BuildQuadClass2_or_3(polyhedron* target);
// Any code 313-438 by the target's shape code; unbuilt for another.
int64_t BuildGoldbergOrQuadSolid(polyhedron* target, int64_t parameter);

struct HALFSPACE;
struct BabyCSG;
// The lattice points of one base face (each once: points within the merge
// distance of a listed one are dropped) as tangent planes.
void accumulate_classIII_points_of_one_face(const polyhedron* poly, int64_t face, int64_t m, int64_t n,
                                            HALFSPACE* planes, const VoronoiHandlingOptions& options);
void accumulateGeodesicVertsBasedOnPoly(const polyhedron* poly, int64_t m, int64_t n, HALFSPACE* planes,
                                        const VoronoiHandlingOptions& options);
void build_classIII_minitriangles_of_one_face(const polyhedron* poly, int64_t face, int64_t m, int64_t n,
                                              BabyCSG* csg);
void build_class_I_miniquads_of_one_face(const polyhedron* poly, int64_t face, int64_t k, BabyCSG* csg);
void build_class_2_or_3_miniquads_of_one_face(const polyhedron* poly, int64_t face, int64_t p, int64_t q,
                                              BabyCSG* csg);
