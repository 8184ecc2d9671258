// Per-task hints of the projection road and the polyhedral transform. A task
// owns two: the first travels with the output side of the road (net search,
// regions, tabs), the second with the input side (rays into an input
// polyhedron). Neighbouring samples almost always land in the same triangle,
// so the hints remember the last ones. Never shared between threads.
#pragma once

#include <cstdint>

#include "records/hypertype.h"
#include "records/ray_search_counts.h"

struct PyramidDescriptor;

// One node of a span list: a net triangle's x extent opens (+1) at its left
// edge and closes (-1) at its right; two sentinels (kind 0, triangle -1)
// close the list. Sorted by key, each node knows how many spans are open.
struct SpanNode {
    float left, right;  // the triangle's x extent
    float key;          // left for a start, right for an end
    int32_t triangle;   // -1 in a sentinel
    int32_t kind;       // +1 start, -1 end, 0 sentinel
    int32_t open;       // running sum of kinds from the list's start
};

// The three triangles hit last, most recent first (-1 for empty).
struct recentTriangleType {
    int64_t triangles[3];
    uint8_t missed;  // 1 when the last search found none of them
};

struct renderhinttype {
    int64_t outputMode;  // output mode of the render
    float tileScale;     // repeat count of wrapped layouts; 4*sqrt(2) at reset
    int64_t kind;
    uint8_t faceFound;  // the last search ended on a triangle or a glue tab
    uint8_t onTab;      // ... and that was a glue tab
    int64_t triangle;   // net triangle found, -1 for none
    int64_t subFace;
    int64_t hitFace;  // face of the triangle hit, -1 for none
    // Dispatcher words: a region that replaces the reply's place when not -1,
    // and the region a floret reports.
    int64_t placeOverride;
    int64_t floretRegion;
    double floretAux[2];
    double lastPoint[3];
    recentTriangleType recent;
    recentTriangleType recent3D;
    float netXRange[4];
    int64_t fastRejectionKey;
    int64_t hitTabFragment;  // fragment whose glue tab was hit, -1 for none
    int64_t tabOwner;
    int64_t tabGlue;  // the 3D face the hit tab is glued under, -1 none
    int64_t nearestEdgeNeighbour;
    int64_t edgeData;
    float lastQuery[2];
    uint64_t floretHint;  // the floret core's hint word for the next sample
    int64_t regionNumber;  // region of numbering flag (a)
    double scissorInputs[3];
    double netPosition[2];  // net x, y of the last polyhedral sample
    // The span list of the net triangles near the current band of rows. The
    // storage is the task's, taken once when the task is prepared and sized
    // for the whole net, so building a list never allocates; InitPolyHints
    // keeps it.
    SpanNode* spans;
    int64_t spanCapacity;
    int64_t spanCount;
    int64_t spanCursor;  // node at which the last search ended
    int64_t spanBand;    // band of rows the list was built for, -1 none
    uint8_t spanListBuilt;
    uint8_t spanListClipped;
    hypertype hyper;  // the hyperbolic tiling's cell, set with the render context
    PyramidDescriptor* pyramid;
    float pyramidAux[2];
    RaySearchCounts raySearch;  // this task's ray searches, summed when it retires
    // The last row of a map whose rows each keep one latitude (the
    // equirectangular map's straight road), valid when rowKnown: its map
    // y and the height and radius of its directions. The samples of a tile
    // come row by row, so the next one is nearly always on it.
    double rowY;
    float rowHeight;
    float rowRadius;
    uint8_t rowKnown;
    // The same for the last few rows of the Mollweide road: the colour pass
    // asks for its pixels' centres, half a row from their corners, and for a
    // pixel it samples again both corner rows and the centre's.
    struct MapRow {
        double y;
        float scale, height, radius, inputV;
        uint8_t known;
    };
    static constexpr int kMapRows = 4;
    MapRow mapRows[kMapRows];
    uint8_t lastMapRow;   // the entry found or made last, looked at first
    uint8_t mapRowsMade;  // entries made so far (the next goes in its place, modulo)
    // Set while the sampler asks the unturned Mollweide road for the input
    // column as the turn of its direction gives it, instead of from the
    // longitude itself (see MollweideStraightToEquirect).
    uint8_t longitudeThroughDirection;
    // The sine and cosine of the longitude of recent columns of a map whose
    // columns each keep one longitude (the equirectangular map's straight
    // road), by the column's unit position: its bits plus one, 0 for none.
    struct ColumnAngle {
        uint64_t key;
        float sine, cosine;
    };
    static constexpr int kColumnAngles = 512;
    ColumnAngle columnAngles[kColumnAngles];
};

// Empties a recent-triangles record: no triangles, missed set.
inline void InitTriangleFindingHint(recentTriangleType* r) {
    r->triangles[0] = r->triangles[1] = r->triangles[2] = -1;
    r->missed = 1;
}
// Moves triangle t to the front (most recent first); the others keep their
// order behind it and the oldest falls off. Clears missed.
inline void AddTriangleFindingHint(recentTriangleType* r, int64_t t) {
    if (r->triangles[0] != t) {
        if (r->triangles[1] != t) r->triangles[2] = r->triangles[1];
        r->triangles[1] = r->triangles[0];
        r->triangles[0] = t;
    }
    r->missed = 0;
}

// Resets a hint record to its start values and returns it.
inline renderhinttype* InitPolyHints(renderhinttype* h) {
    SpanNode* spans = h->spans;
    const int64_t capacity = h->spanCapacity;
    *h = renderhinttype{};
    h->spans = spans;
    h->spanCapacity = capacity;
    h->spanBand = -1;
    h->tileScale = 5.656854f;
    h->triangle = -1;
    h->hitFace = -1;
    h->placeOverride = -1;
    h->hitTabFragment = -1;
    h->tabOwner = -1;
    h->lastPoint[0] = 1.0;
    for (int i = 0; i < 3; ++i) {
        h->recent.triangles[i] = -1;
        h->recent3D.triangles[i] = -1;
    }
    h->recent.missed = 1;
    h->recent3D.missed = 1;
    h->fastRejectionKey = -9999999;
    h->netXRange[0] = 100.0f;
    h->netXRange[1] = -100.0f;
    return h;
}
inline renderhinttype* DumpFastRejectionCacheInPolyhints(renderhinttype* h) { return InitPolyHints(h); }
