// Curved-origami (Yang) solids: a regular base solid, or one polygon given
// twice, each face of which becomes a sheet of paper folded along curved
// creases. See origami.cpp for the band geometry.
#pragma once

#include <cstdint>

#include "common/geometry.h"
#include "polyhedra/polyhedron.h"

// Minimises objective(record, angle) over one angle, starting at 0, to the
// tolerance 1e-21: the numerical search the hinge angles come from. The
// product hands in its simplex (objective kind 13) from above.
using HingeSearch = double (*)(double (*objective)(void* record, double angle), void* record);
void SetOrigamiHingeSearch(HingeSearch search);
HingeSearch OrigamiHingeSearch();

inline constexpr int kYangHingeSlots = 20;
inline constexpr int kYangSteps = 15;  // samples per half-side beyond its middle

struct YangContext {
    polyhedron* poly;
    int64_t parameter;
    double hinge[kYangHingeSlots];        // hinge angle of sample step k
    uint8_t hingeKnown[kYangHingeSlots];
    int32_t style;
};

// Solid kinds.
enum : int64_t {
    kYangKindTetrahedron = 0,
    kYangKindCube = 1,
    kYangKindOctahedron = 2,
    kYangKindDodecahedron = 3,
    kYangKindIcosahedron = 4,
    kYangKindTwoSidedTriangle = 5,
    kYangKindTwoSidedSquare = 6,
    kYangKindTwoSidedPentagon = 8,
};

// One half-piece of the prototype element, before it is scaled onto the base
// solid: crease points a, axis feet h and seam feet l for k = 0..15, over the
// canonical face (corners at circumradius 1 in z = 0, corner 1 at +y, the
// base solid's centre at (0, 0, -centreDepth)); the half toward corner 1
// along side A.
struct YangHalfPiece {
    triplex a[kYangSteps + 1], h[kYangSteps + 1], l[kYangSteps + 1];
    double centreDepth;
    triplex hatNormal, seamNormal;  // unit normals of the two mirrors, toward the paper
};

// The base solid's dihedral angle and the reference parameter offset of a kind.
double YangDihedral(int64_t kind);
double YangSecondValue(int64_t kind);
// Builds the half-piece, finding (or reading from the context's memo) the
// hinge angle of every step. False when no hinge search is at hand.
bool BuildYangHalfPiece(YangContext* ctx, int64_t kind, int n, YangHalfPiece* out);

void Build_YangPlatonicSolid(YangContext* ctx, int64_t kind, int64_t faceCount, int64_t sides,
                             const double* coords, const uint16_t* faces, int32_t style);
// The shape codes 171-196: false for any other code; builds and measures
// the solid into poly (angles and links left to the caller).
bool IsYangShapecode(int64_t code);
bool BuildYangShapecode(polyhedron* poly, int64_t code, int64_t parameter);
