// Face-to-sphere maps of the layout nets (stars, chains, diamonds, rhombi,
// the shuriken, the waffle, Reuleaux outlines) and the conformal face warps
// of the conformal polyhedra. The polyhedral transform finds the net
// triangle under an output point and its weights (b0, b1, b2) and hands them
// here: the star and chain maps carry the point through a conformal cell
// cache, turn it by the spin of the triangle's tag, lift it to the sphere and
// put it in the tag's hemisphere; the Reuleaux maps read the triangle's 3D
// corners as points of the stereographic plane.
//
// Every map writes a unit-ish direction of three floats and its region (the
// tag, or what the tag says); the Reuleaux maps and the waffle set the miss
// byte for points outside their cell (a Reuleaux miss gives region -5 and
// the direction (0, 0, 1)). The caches must be built before tiles run.
#pragma once

#include <cstdint>

#include "pyramid/pyramid.h"

struct polyhedron;

// ---- spin and facing tables (radians; indexed by the tag) ----
extern const float fivestar_disk_spin[20];
extern const float pentalene_disk_spin[20];
extern const float adamsdiamonds_disk_spin[16];
extern const double threestar_disk_spin[12];
extern const double bipolar_rhombus_disk_spin[12];
extern const float rhombus1_disk_spin[4];
extern const float sixstar_disk_spin[24];
extern const float pointy_disk_spin[24];
extern const float naphthalene_disk_spin[24];
extern const float phenalene_disk_spin[36];
extern const float anthracene_disk_spin[36];
extern const float Reuleaux8_spin[6];  // indexed by t mod 6

double bipolar_rhombus_facing(int64_t t);  // -1 even, +1 odd
double rhombus1_facing(int64_t t);         // -1, +1, +1, -1 for t = 0 to 3

// ---- star and chain maps ----
// (face index, out direction, polyhedron, cache of the map's table, [variant
// or flag], out region, b0, b1, b2); the tag is the net triangle's.
void TotalFivestarToSphere(int64_t face, float out[3], const polyhedron* poly, PyramidDescriptor* decant,
                           int64_t variant, int64_t* region, double b0, double b1, double b2);
void TotalPentaleneToSphere(int64_t face, float out[3], const polyhedron* poly, PyramidDescriptor* decant,
                            int64_t* region, double b0, double b1, double b2);
void TotalAdamsdiamondsToSphere(int64_t face, float out[3], const polyhedron* poly, PyramidDescriptor* nuoctant,
                                int64_t* region, double b0, double b1, double b2);
void TotalThreestarToSphere(int64_t face, float out[3], const polyhedron* poly, PyramidDescriptor* sextant,
                            int64_t variant, int64_t* region, double b0, double b1, double b2);
void TotalRhombusToSphere(int64_t face, float out[3], const polyhedron* poly, PyramidDescriptor* sextant,
                          int64_t* region, double b0, double b1, double b2);
void TotalSixstarToSphere(int64_t face, float out[3], const polyhedron* poly, PyramidDescriptor* dodecant,
                          int64_t flag, int64_t* region, double b0, double b1, double b2);
void TotalNEWPOINTYToSphere(int64_t face, float out[3], const polyhedron* poly, PyramidDescriptor* dodecant,
                            int64_t flag, int64_t* region, double b0, double b1, double b2);
void TotalNaphthaleneToSphere(int64_t face, float out[3], const polyhedron* poly, PyramidDescriptor* dodecant,
                              int64_t* region, double b0, double b1, double b2);
void TotalPhenaleneToSphere(int64_t face, float out[3], const polyhedron* poly, PyramidDescriptor* dodecant,
                            int64_t* region, double b0, double b1, double b2);
void TotalAnthraceneToSphere(int64_t face, float out[3], const polyhedron* poly, PyramidDescriptor* dodecant,
                             int64_t* region, double b0, double b1, double b2);

// ---- cube-based maps (the sphere-cube cache) ----
// The face's 3D point at the conformally warped weights, normalised, turned
// and opened by the lune of 2; t1 and t2
// are the output point's net position, which chooses the hemisphere against
// the waffle net's first vertex.
void TotalWaffleToSphere(int64_t face, float out[3], const polyhedron* poly, PyramidDescriptor* sphereCube,
                         int64_t* region, unsigned char* miss, double b0, double b1, double b2, float t1, float t2);
// A point on the unit cube to the conformal cube's direction, turned.
void ConformallyWarpUnitCube(float point[3], PyramidDescriptor* sphereCube);

// ---- Reuleaux maps ----
// The net triangles of a Reuleaux cell hold its sixths as the cell tables
// read them (tools/gen_conformal_tables.cpp): b2 at the cell's centre, b0 at
// a corner, b1 on the ray through the arc midpoint at the corner's radius;
// odd tags the sixth with the corner at -60 degrees, even tags its mirror.
// The four-cell map turns its first cell (tags 0 to 5) and reflects the
// other three, so their triangles carry mirrored plane points.
// 1 when the face point lies outside the cell: variant 2, outside the three
// discs of radius sqrt 3 about (-sqrt 2, 0), (sqrt 2 / 2, +-sqrt 6 / 2);
// variant 1, its direction D is nearer another vertex of the tetrahedron
// than (0, 0, 1); else 0. D is written either way.
int OutsideReuleaux(int64_t face, double b0, double b1, double b2, double D[3], const polyhedron* poly,
                    int64_t variant);
void TotalReuleaux8ToSphere(int64_t face, float out[3], const polyhedron* poly, PyramidDescriptor* toOctoface,
                            int64_t* region, unsigned char* miss, double b0, double b1, double b2);
void TotalOctreleauxToSphere(int64_t face, float out[3], const polyhedron* poly, int64_t* region,
                             unsigned char* miss, double b0, double b1, double b2);
void TotalReuleaux1Or2ToSphere(int64_t face, float out[3], const polyhedron* poly, PyramidDescriptor* toCircle,
                               int64_t variant, int64_t* region, unsigned char* miss, double b0, double b1,
                               double b2);
void TotalReuleaux4ToSphere(int64_t face, float out[3], const polyhedron* poly, int64_t* region,
                            unsigned char* miss, double b0, double b1, double b2);

// ---- conformal face warps of the conformal polyhedra (weights in place) ----
void WarpBarysForTetrahedron(float* b0, float* b1, float* b2, PyramidDescriptor* tetfaceSextant);
void WarpBarysForConformalOctahedron(float* b0, float* b1, float* b2, PyramidDescriptor* octaface);
void WarpBarysForConformalIcosahedron(float* b0, float* b1, float* b2, PyramidDescriptor* icoface);
void WarpBarysForConformalDodecahedron(float* b0, float* b1, float* b2, PyramidDescriptor* dodecDecant);
