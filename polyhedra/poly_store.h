// The vertex and face store every builder fills a polyhedron through: 3D
// vertices merged with near-coincident ones, 3D faces with their adding
// options, net vertices merged by position and tag, net faces. Every limit
// ends in a status code and a result of -1 (or no change): nothing is written
// past a table's end and a record without storage takes nothing.
#pragma once

#include <cstdint>

#include "common/complex.h"
#include "common/geometry.h"
#include "polyhedra/polyhedron.h"

struct FaceAddingOptions {
    const int64_t* vertices;
    int32_t count;
    int32_t firstCutEdge;      // 0..9, -1 none
    uint8_t deferUpdate;       // 1: the caller recomputes angles and links once at the end
    uint8_t duplicateTest;
    int64_t referenceMode;     // 1: the list holds the reference vertex after the corners
    int64_t group;             // stored as 16 bits
    int64_t secondCutEdge;     // -1 none
    int64_t value;             // stored as is
    int16_t shortValue[2];
    int64_t longValue[3];
    int64_t highestVertex;     // filled by the adder; -1 for an empty list
    int64_t siteId;            // the Voronoi site the face belongs to, -1 none
    triplex sitePoint;
};

// A net vertex offered to the store.
struct PolyNetPoint {
    double x, y;
    int64_t solid;  // the solid vertex it folds onto, -1 none
    int64_t tag;    // net vertices merge only when their tags are equal
};

inline constexpr double kPointMergeTolerance = 0.002;

void GetDefaultFaceAddingOptions(FaceAddingOptions* options);

// 3D vertices.
int64_t AnyCloseMatch3D_comparison(polyhedron* poly, triplex point, double tolerance);
int64_t CloseMatch3D(polyhedron* poly, triplex point, double tolerance);
int64_t AnyCloseMatch3D_old(const polyhedron* poly, triplex point, double tolerance);
int64_t AnyCloseMatch3D_new(const polyhedron* poly, triplex point, double tolerance);
int64_t AddNew3DDVertToPolyhedron(polyhedron* poly, triplex point);
int64_t AddNew3DDVertToPolyhedron_tol(polyhedron* poly, triplex point, uint8_t* added, double tolerance);
int64_t AddNew3DVertToPolyhedron_private(polyhedron* poly, triplex point, double tolerance, uint8_t* added);
void Rebuild3DVertexIndex(polyhedron* poly);
// The net-vertex index again from the used net vertices, after they moved.
void Rebuild2DVertexIndex(polyhedron* poly);
triplex ApplySpintypeToPoint(const spintype* spin, double x, double y, double z);

// 3D faces. The adder refuses a count below 3 or above 10 with status 14.
void core_Add3DFaceToPolyhedron(polyhedron* poly, FaceAddingOptions* options);
void Add3DFaceToPolyhedron_macro(polyhedron* poly, const int64_t* list, int32_t count, int32_t cutEdge,
                                 uint8_t defer, uint8_t duplicateTest, int64_t referenceMode, int64_t group,
                                 int64_t secondCutEdge, int64_t value);
int FaceAlreadyExists3D(const polyhedron* poly, const int64_t* list, int64_t count, int64_t highest);
void annotate_fop_with_highest_vert(FaceAddingOptions* options);
// One face from a float table of (x, y, z) triples, each face ended by a
// triple whose x is -999 and the table by a face that begins with one.
int try_to_add_3D_face_using_array_with_codes(polyhedron* poly, int64_t* cursor, const float* table, int reverse,
                                              int code);
triplex grab_vert(int64_t* cursor, const float* table);

// Net vertices and faces.
double NetMergeToleranceForShapecode(int64_t shapeCode);
int64_t FindAFree2DVert(polyhedron* poly);
int64_t FindHighest2DVert(const polyhedron* poly);
void Set2DPoint(int64_t index, const PolyNetPoint* vertex, polyhedron* poly);
int64_t Add2DFaceToPolyhedron(polyhedron* poly, const int64_t* list, int64_t count, int useGivenSlot, int64_t slot,
                              int64_t spare, int64_t edgeIndex);
void FindBoundingBoxOfFace2D(polyhedron* poly, int64_t face);
