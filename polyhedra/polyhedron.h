// The polyhedron record: one solid, its unfolded net and what the renderer
// needs to draw the net. One flat record of fixed capacity (tens of megabytes:
// always allocate it on the heap with RobustNewPtr); the large variable parts
// (coordinate and face-list arrays, the two vertex indexes) hang off it as
// separate blocks or point at a built-in shape's read-only tables.
//
// The record is plain data with no constructor: storage set-up and defaults
// belong to the polyhedron storage functions, which write the values noted in
// the comments below. Field order follows the record's historical layout.
#pragma once

#include <cstdint>

#include "common/geometry.h"
#include "common/vectors.h"
#include "records/ray_search_counts.h"

struct SkipList;
struct Data;

// Capacities.
inline constexpr int64_t kMax3DVertices = 12845;
inline constexpr int64_t kMax2DVertices = 12845;
inline constexpr int64_t kMax3DFaces = 25290;  // a face index above 25,289 means none
inline constexpr int64_t kMaxNetFaces = 25290;
inline constexpr int64_t kMaxNetTriangles = 25290;
inline constexpr int kMaxFaceVertices = 10;
inline constexpr int kMinFaceVertices = 3;
inline constexpr int kMaxFragments = 24;
inline constexpr int kFragmentSignalRows = 25;  // fragments 0 to 24
inline constexpr int kMaxGroups = 200;
inline constexpr int kGroupNumberEntries = 201;
inline constexpr int kSignalsPerSlot = 20;
inline constexpr int64_t kFaceListEntries = 252900;
// Region code of the glue tab of fragment n: kTabRegionBase + n.
inline constexpr int32_t kTabRegionBase = 25290;
inline constexpr int64_t kMaxScissorMarks = 360;  // three per half-piece of the largest curved-origami solids
// Every mark of one curved-origami sheet (three per half-piece, ten half-
// pieces on a pentagon) is collected under the sheet's group number.
inline constexpr int kScissorSlotsPerGroup = 30;
inline constexpr int kWedgeEntries = 12;        // solid vertices in pairs
inline constexpr int kWedgeNetVertexSlots = 6;

// Codes of the status word. A build never fails outright: every limit it
// reaches leaves its code here and the build goes on.
enum PolyStatus : int64_t {
    kPolyStatusGood = 0,
    kPolyStatusNetFaceTableFull = 1,
    kPolyStatus3DFaceTableFull = 2,
    kPolyStatusRepeatedVertex = 3,
    kPolyStatusTabVertexLimit = 4,
    kPolyStatus3DVertexTableFull = 5,
    kPolyStatusNetVertexTableFull = 6,
    kPolyStatusNetTrianglesExhausted = 7,
    kPolyStatusDuplicateFace = 8,
    kPolyStatusTooManyFragments = 9,
    kPolyStatusVertexIndexOutOfRange = 10,
    kPolyStatusGroupIndexOutOfRange = 11,
    kPolyStatusScissorTableFull = 12,
    kPolyStatusOutOfMemory = 13,     // a storage or scratch block could not be had
    kPolyStatusBadVertexCount = 14,  // a face offered with fewer than 3 or more than 10 corners
    kPolyStatusUnbuilt = 15,         // the shape code has no table or builder in this build
    kPolyStatusEmptyCell = 16,       // a Voronoi site's cell came out empty: the solid would have a hole
    kPolyStatusUnboundedCell = 17,   // the sites leave a cap wider than a hemisphere: a cell has no bound
};

// Edge flag bits of a 3D face edge (their meaning belongs to the net cutter).
enum PolyEdgeFlag : uint32_t {
    kEdgeCut = 1,          // never join across this edge
    kEdgeArcStart = 2,
    kEdgeStartHint = 4,
    kEdgeDisdain = 8,
    kEdgePrefer = 16,
    kEdgeArcMiddle = 32,
};

// Net vertex as the renderer reads it: net position, then the 3D position of
// the solid vertex it folds onto.
struct PolyNetVertex {
    float x, y;        // net position
    float X, Y, Z;     // 3D position
};

struct PolyFace3D {
    int64_t vertex[kMaxFaceVertices];
    float angle[kMaxFaceVertices];        // interior angle at each vertex
    int32_t convexity[kMaxFaceVertices];  // 3 = concave
    int16_t creviceRegion;                // -1 in the blank face: net faces showing it are labelled
    int64_t count;
    triplex normal;                       // unit normal
    int16_t group;
    int64_t neighbour[kMaxFaceVertices];      // face across each edge, -1 none
    // Position, in the neighbour's corner list, of this edge's first vertex:
    // the neighbour's own number for the shared edge plus one, modulo its
    // corner count; -1 with no neighbour.
    int64_t neighbourEdge[kMaxFaceVertices];
    uint32_t edgeFlags[kMaxFaceVertices];     // PolyEdgeFlag bits
    int32_t cutLabel;                         // Norse label, read by the per-shape cutting rules
    int64_t referenceVertex;                  // a fourth vertex used by rind shapes, -1 none
    int64_t option[4];                        // passed through from the adding options
    int64_t furtherIndex;                     // -1 in the blank face
    int16_t optionShort[2];
    int16_t clearedShort;
    int64_t highestVertex;                    // -1 when not computed
    // Written by the face links and the face geometry.
    uint32_t edgeKind[kMaxFaceVertices];      // 2 convex, 3 concave (linked edges only)
    int64_t extremeCorner;                    // corner greatest by x, then y, then z
    triplex orientedNormal;                   // the normal, negated when the face lies flat clockwise
    PLANED plane;                             // through the first vertex, with the oriented normal
    // Written by the net growth.
    uint8_t used;                             // laid into the net
    uint8_t noSeed;                           // never starts a fragment
    uint8_t arcStart;                         // an arc starts on this face
    int64_t netFace;                          // the net face showing it, -1 none
    int64_t twistedQuad;                      // -1 none
    int16_t faceTag;                          // the builder's face tag, -1 none
    // The Voronoi site the face belongs to: its id (kSiteMustJoin: the face
    // must be joined; -1 in the blank face) and point.
    int64_t siteLabel;
    triplex sitePoint;
    // The fragment whose net triangles export this face (0: none yet);
    // written only by the polyhedron exports.
    int32_t exportOwner;
    // Set for each corner whose end-of-edge vertex a dual has walked round.
    uint8_t visited[kMaxFaceVertices];
};

inline constexpr int64_t kSiteMustJoin = -101;

struct PolyNetFace {
    int64_t vertex[kMaxFaceVertices];  // net vertices
    double minX, maxX, minY, maxY;     // bounding box in net coordinates
    int64_t count;
    uint8_t tabFlag[kMaxFaceVertices]; // the face edge starting at each corner carries a tab
    uint8_t walked[kMaxFaceVertices];  // the tab walk has passed this cut edge
    int16_t outlineNumber;             // the outline (from 1) its first walked cut edge lies on, 0 none
    int16_t searchLevel;               // 0 for a new face
    int64_t neighbour[kMaxFaceVertices];
    int64_t neighbourEdge[kMaxFaceVertices];
    // The net face whose edge the layout lays along this one without a fold
    // between them (a cut that would look like a fold), -1 none.
    int16_t cutAgainst[kMaxFaceVertices];
    int64_t face3D;                    // the 3D face it shows, -1 none
    int64_t secondIndex;               // -1 in the blank face
    int64_t firstTriangle;             // its net triangles are consecutive
    int64_t triangleCount;
    int16_t fragment;                  // counted from 1
    int64_t vertexOffset;              // its corner k shows corner (k + offset) mod count of face3D
    int64_t twistedApex;               // net vertex beyond edge 2 of a twisted quad, -1 none
    uint8_t tried[kMaxFaceVertices];
    uint8_t faceMark;
    int16_t creviceRegion;
    float angle[kMaxFaceVertices];     // interior angle at each corner
    float heading[kMaxFaceVertices];   // angle between each leaving edge and +y, 0..pi
};

// A scissor mark of a curved-origami sheet: where the user cuts along an arc.
struct PolyScissorMark {
    uint8_t used;
    int64_t centre;      // 3D vertex, -1 when the vertex table was full
    int64_t group;       // weirdo group
    int64_t tag;         // the builder's own value
    double radius;
    int64_t point[3];    // 3D vertices of the three further points, -1 when the table was full
};

struct PolyNetTriangle {
    int64_t vertex[3];        // net vertices of corners a, b, c
    int16_t netFace;          // -1 for detached tabs
    uint16_t tag;             // 0xFFFF on tab triangles
    int16_t faceGroup;
    int16_t fragment;         // counted from 1
    uint8_t isTab;
    int16_t creviceRegion;
    uint8_t tabFlag[3];       // per edge a->b, b->c, c->a
    uint8_t outlineFlag[3];   // per edge: an edge of the net face
    int16_t glueUnder[3];     // per tabbed edge: the 3D face across it, else -1
    uint16_t faceCorner[3];   // corners as corner numbers of the net face (65535 none)
    uint16_t solidCorner[3];  // corners as corner numbers of the 3D face (65535 none)
    uint8_t twisted;
    uint8_t faceMark;
    // Filled by the renderer's precalculation.
    uint8_t fancy;            // lies on a curved rind face
    uint8_t hidden;           // hits count as misses
    int16_t tabOwner;
    float inverseDeterminant; // 1 / doubled signed area of the net corners; 0 when degenerate
    float minX, maxX, minY, maxY;
    triplex cornerPoint[3];   // 3D corner points
    // Written only by the polyhedron exports: this triangle is the copy of
    // its 3D face that the export files carry.
    uint8_t exportable;
};

// Net settings block, read by the net code and the set-up drivers.
struct PolyNetSettings {
    float scale;              // 1.0
    float half;               // 0.5
    float halfFirstArgument;
    float box[4];             // 0, 1, 0, 1
    float lastSettingA;       // -1: net settings of the last build
    float lastSettingB;
    uint8_t cleared[12];
    int64_t clearedKey;
    float boundsBox[4];       // 999, -999, 999, -999
    float secondArgument;     // the tab size
    double step;              // 0.0078125
    float firstArgument;
    uint8_t enabled;          // 1
};

struct polyhedron {
    triplex* coords3D;        // 12,845 vertices; heap when storageFlag, else a built-in table
    int64_t vertexCount3D;
    uint16_t* faceList3D;     // 252,900 vertex numbers, or a built-in table
    uint16_t linkCount3D[kMax3DVertices];
    int64_t faceCount3D;
    int16_t linkWord;
    SkipList* vertexIndex3D;  // keyed by vertex x, payload the vertex number
    uint8_t legacyPointCollider;
    uint8_t legacyNetCollider;    // the same for net vertices
    int64_t buildWords[3];    // cleared before every build
    int64_t defaultFace;      // -1
    double defaultScale;      // 1.0
    int64_t shapeCode;
    uint8_t clearedBytes[16];
    int64_t groupSlot[kMaxGroups];  // -1
    int64_t counter;
    int16_t shortWords[2];          // 0 and 1
    int64_t outputMode;             // -1
    int64_t lastOutputMode;         // -9999: the set-up's cache key
    uint8_t buildKeyExtra;
    uint8_t buildKeyFlag;
    double (*coords2D)[2];          // 12,845 (x, y), heap or a built-in table
    uint16_t* faceList2D;           // 252,900 vertex numbers, or a built-in table
    const uint16_t* netToSolid;     // built-in: solid vertex per net vertex, or null
    const uint16_t* faceGroups;     // group number per net face, or null
    PolyNetVertex netVertex[kMax2DVertices];
    uint16_t netVertexUses[kMax2DVertices];
    int16_t netVertexSolid[kMax2DVertices];  // -1 none
    int16_t netVertexTag[kMax2DVertices];    // net vertices merge only with equal tags
    uint8_t netVertexUsed[kMax2DVertices];
    uint16_t freeSlotCursor;                 // round robin, wraps from 12,844 to 0
    PolyNetTriangle netTriangle[kMaxNetTriangles];
    int64_t netTriangleCount;
    int64_t selectedFace;                    // -1 none
    int64_t lastSelectedFace;
    int64_t netFaceCount;
    SkipList* vertexIndex2D;                 // keyed by net vertex x
    int64_t netVertexCount;
    int64_t netVertexCount2;
    int64_t fragmentCount;
    int16_t fragmentSignal[kFragmentSignalRows][kSignalsPerSlot];  // -1 when cleared
    int16_t groupSignal[kMaxGroups][kSignalsPerSlot];
    uint8_t groupLock[kMaxGroups];
    int16_t groupNumber[kGroupNumberEntries];  // read with the index clamped to 0..200
    float lastSelectedFaceValue;
    double tolerance[2];                       // 0.001, 0.0001
    PolyNetSettings net;
    int64_t status;                            // PolyStatus
    uint8_t storageFlag;  // the coordinate, face-list and index blocks are owned heap blocks
    int16_t storageWord;  // cleared with the storage
    PolyFace3D face3D[kMax3DFaces];
    PolyFace3D blankFace3D;
    PolyNetFace netFace[kMaxNetFaces];
    PolyNetFace blankNetFace;
    int64_t cachedBuildKey[4];                 // -1 when storage is replaced
    uint8_t setupScratch[48];                  // cleared at the start of every set-up
    // Non-zero: points on net triangles are blended in longitude and latitude
    // rather than linearly, so curved nets follow the sphere.
    int64_t sphericalBlend;

    // Tabs, scissor marks and export pieces.
    uint8_t steepTabs;             // tab sides at 44 degrees instead of 60
    uint8_t tabPhase;              // tabs go on the odd edges of each outline walk
    uint8_t outlineNumbering;      // set: the tab walk writes no outline numbers
    int64_t exportPiece;           // the piece an export plans or draws
    int64_t alternativeShapeMode;  // exports plan on this output mode instead, -1 none
    int64_t scissorMarkCount;
    PolyScissorMark scissorMark[kMaxScissorMarks];
    int64_t groupScissorMark[kMaxGroups];  // the group's last mark, -1 none
    // The marks collected under each group number, -1 free.
    int64_t groupScissorSlot[kMaxGroups][kScissorSlotsPerGroup];

    // What the polyhedral transform and the sample road read of the solid.
    uint8_t warpSwitch;        // 1: net triangles map to the sphere by the warp below
    int64_t warpCode;          // the conformal warp of a warped net
    int16_t coordinateKind;    // 1: 3D points; else longitude and latitude fractions
    int16_t blendKind;         // quadrilateral blend: 0 linear, 1 in longitude and latitude
    uint8_t luneFlag;          // misses go through the sphere-segment substitution
    int64_t luneCount;
    uint8_t mirror;            // solid vertices are read with x negated
    double yScale;             // solid vertices are read with y scaled (1 by default)
    triplex centre;            // measured from when the hint's kind asks for it
    uint8_t floretFlag;        // the net is a floret's basis
    int64_t floretWord;
    // A floret reads its basis net in a frame about the centre of the net's
    // bounding box, half the box's width to the unit: lobe point (x, y) is
    // the net point floretCentre + floretScale (x, y). The pair the lobe
    // point of some kinds is moved by, in that frame: kind 25 the bottom of
    // the box (first entry), kinds 17 and 28 the net corner nearest the
    // centre, which their lobes open from. Set by the set-up.
    double floretCentre[2];
    double floretScale;
    double floretOffset[2];
    uint8_t outsideKeepsPlace; // outside samples keep their place code
    int64_t numberByRegion;    // numbering flag (a): 1 numbers by the hints' region
    uint8_t numberByClass;     // (b)
    uint8_t numberByGroup;     // (c)
    uint8_t numberByPiece;     // (d)
    uint8_t numberByFragment;  // (e)
    uint8_t hasFragments;
    uint8_t allConvex;         // 1 by default; a build with a concave edge clears it
    uint8_t builtIn;           // the tables are a built-in shape's (copied into owned storage)
    uint8_t unbuilt;           // the last shape code has no table or builder in this build
    int64_t slicingMode;       // the per-shape cutting rule the net code applies
    int64_t voronoiSecondSetting;  // from the Voronoi options
    uint8_t voronoiFlag;           // from the Voronoi options
    int64_t truchetMark;           // 9999 for the Truchet shapes, else 0
    int64_t spinMode;          // how the net code turns fragments in the layout
    float tabFloat;            // 0.15 for the table builders
    uint8_t settingsFlag[2];   // flag bytes of the table builders
    Data* data;                // the invocation's Data record, or null

    // Face links and net growth.
    uint8_t linksBuilt;             // the 3D face links are current
    uint8_t hasConcaveEdge;
    uint8_t netBuilt;
    int64_t restartPerFragment;     // 1: every fragment starts with all 3D faces unused
    uint8_t arcStartSeeding;        // seed fragments on arc-start faces first
    uint8_t depthFirst;             // grow each added face at once
    uint8_t overlapTestOff;         // accept every hinged face
    uint8_t relinkNet;              // link net faces across fragments after growth
    uint8_t hasArcStarts;           // some face carries an arc start
    int64_t fragmentTally;          // fragments to which growth joined at least six faces
    double spinAngle[kFragmentSignalRows];
    int64_t fragmentFaceCount[kFragmentSignalRows];
    int64_t fragmentLastFace[kFragmentSignalRows];  // -1 none
    int16_t groupOwner[kMaxGroups][2];  // fragments owning each weirdo group, -1 free
    int64_t smallFragmentLimit;     // fragments of at most this many faces are reattached (0: none)
    uint8_t curvedRevision;         // reattach along arc middles first
    int64_t reattachMethod[kFragmentSignalRows];  // -1 none, 1 cusp, 2 tiny face, 3 single neighbour,
                                                  // 4 arc start, 5 arc middle

    // Input polyhedra: a net position (x, y) lies at ((x - netOrigin[0]) * netScale[0],
    // (y - netOrigin[1]) * netScale[1]) of the unit input picture.
    double netOrigin[2];
    double netScale[2];
    RaySearchCounts raySearchCounts;  // totals of the retired tasks' ray searches
    // Which 3D face each net face shows: a grown net knows it (given); a net
    // read from a table has it searched, and any angle mismatch sets failed.
    uint8_t correspondenceGiven;
    uint8_t correspondenceFailed;
    // Strips of wedges rejoined in the layout: solid vertices in pairs
    // (entry 0 at -1: no wedges), and the net vertices the layout stores for
    // the strip's consumers (-1 none). The two-sided squares list a corner
    // and its two neighbours on the first sheet, the opposite corner and the
    // same neighbours on the second: the layout stores their net vertices,
    // the secondary quincuncial warp's two triangles (face tag 1 reads the
    // first three; -1 stands for the net point (0, 0)).
    int64_t wedgeVertex[kWedgeEntries];
    int64_t wedgeNetVertex[kWedgeNetVertexSlots];
    // Tabbed edges where no tab fits at all (a face lies along the edge's
    // outer side): their pairs go without a tab.
    int64_t unfittedTabs;
    // Seams left without their tab because the net's vertex (or triangle)
    // table filled up while the tabs were built: the net cannot show them.
    int64_t tabsPastLimit;
    // How far into the face and net-face tables any build has written since
    // the record was allocated: the entries from there on still hold the
    // allocation's zeros, untouched, and every face is made from its blank
    // template when added, so a pass resetting a table stops there instead
    // of touching every page of its capacity (tens of megabytes).
    int64_t faceHighWater3D;
    int64_t netFaceHighWater;
    // The same for the net-triangle table, noted when the table is emptied.
    // A triangle past it holds the allocation's zeros, or a tab the tab
    // fitting made and then dropped for its narrower tabs: whatever appends a
    // triangle there writes its corners, faces, group and corner numbers, and
    // the set-up's last pass its tab owner, so it ends as on an emptied one.
    int64_t netTriangleHighWater;
};

// Frees the storage a polyhedron owns (polyhedra/poly_storage.h has the rest
// of the storage operations); safe twice and on a record that owns none.
void DumpPolyStorage(polyhedron* store);
