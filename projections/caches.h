// Projection lookup caches. Conformal maps without a closed form are kept as
// small stored tables ("freeze-dried", projections/freezedried.h) and, at first
// use, copied into a float pyramid of n x n pixels (kind 9, level 0 only) from
// which every lookup interpolates. A cache pyramid says in its `contentTag`
// which table it holds; a fetcher whose tag differs rebuilds it.
//
// Building writes the pyramid, so it must happen before worker threads read:
// the render's preparation calls PrefillProjectionCachesForMode on the
// launching thread and fails the render when it returns false. Each table has
// its own pyramid in the ProjectionCacheStore, so no render ever needs one
// pyramid for two tables (which would rebuild it while tiles read it).
#pragma once

#include <cstdint>

#include "common/complex.h"
#include "pyramid/pyramid.h"

// Cache tags (10, 11 and 16 are never used).
enum : int64_t {
    kCacheTagNone = 0,
    kCacheTagPeirce = 1,
    kCacheTagSphereCube = 2,
    kCacheTagDecant = 3,
    kCacheTagSextant = 4,
    kCacheTagDodecant = 5,
    kCacheTagTetfaceSextant = 6,
    kCacheTagReuleauxOctoface = 7,
    kCacheTagReuleauxCircle = 8,
    kCacheTagNuOctant = 9,
    kCacheTagEqualsquarea = 12,
    kCacheTagIcoface = 13,
    kCacheTagOctaface = 14,
    kCacheTagDodecDecant = 15,
    kCacheTagHyperbolic_3_9 = 17,
    kCacheTagHyperbolic_4_8 = 18,
    kCacheTagHyperbolic_5_4 = 19,
    kCacheTagLimit = 20,
};

// Fill codes: which cells of the n x n grid take the next table entry.
enum : int64_t {
    kFillSumAtMostN = 0,     // x + y <= n
    kFillSumBelowN = 1,      // x + y < n
    kFillAll = 2,            // every cell
    kFillBottomUp = 3,       // rows stored bottom-up; x + (target row) < n
    kFillLowerTriangle = 4,  // x <= y
};

// Element codes: what one table entry is.
enum : int64_t {
    kElementPairs = 2,          // (c0, c1); any code not listed here means pairs too
    kElementTriples = 3,        // (c0, c1, c2)
    kElementMirroredPairs = 4,  // (c0, c1), also written swapped into the transposed cell
};

// A stored table: its floats and how many there are (the fill checks the count
// before it reads, so a short table fails the build instead of overrunning).
struct FreezeDriedTable {
    const float* values;
    int64_t floatCount;
};

// Everything a fetcher needs to build its cache.
struct CacheTableSpec {
    int64_t tag;
    int64_t n;
    int64_t fill;
    int64_t element;
    FreezeDriedTable table;  // {nullptr, 0} while the table is not computed yet
};

// The spec of a tag, or null for a tag that names no table.
const CacheTableSpec* CacheTableSpecForTag(int64_t tag);

// ---------------------------------------------------------------- the store

// One cache pyramid per table; owned by the invocation's data record.
struct ProjectionCacheStore {
    PyramidDescriptor pyramids[kCacheTagLimit];
};

// A store with every pyramid empty (tag 0); null when memory is short.
ProjectionCacheStore* NewProjectionCacheStore();
void DisposeProjectionCacheStore(ProjectionCacheStore** store);
// The pyramid reserved for the table of `tag` (null for no store or a bad tag).
PyramidDescriptor* ProjectionCache(ProjectionCacheStore* store, int64_t tag);
// Builds the cache of `tag` unless it already holds its table; false when the
// table is missing or memory is short.
bool PrepareProjectionCache(ProjectionCacheStore* store, int64_t tag);
// The pyramid of `tag` when it already holds its table, else null. For the
// tile workers: they read caches and never build them.
PyramidDescriptor* BuiltProjectionCache(void* store, int64_t tag);
// Builds every cache that an output mode reads, on the calling thread; false
// when a table that exists cannot be built (no store, memory short), which
// must fail the render. A table not computed yet is passed over: the rows
// that read it miss, like every other mode without its projection.
bool PrefillProjectionCachesForMode(ProjectionCacheStore* store, int64_t outputMode);
// The cache tags an output mode reads (at most kMaxCacheTagsPerMode), in the
// order they are built; the count.
constexpr int64_t kMaxCacheTagsPerMode = 8;
int64_t CacheTagsOfMode(int64_t outputMode, int64_t tags[kMaxCacheTagsPerMode]);
// Whether every table the mode reads is computed; a mode without them draws
// nothing (the hyperbolic tilings wait for theirs). A table lands in kSpecs
// of caches.cpp in place of its kNoTable.
bool ProjectionTablesAreBuiltForMode(int64_t outputMode);

// ------------------------------------------------------- building and filling

// Counts the cells a fill admits on an n x n grid.
int64_t CountFillCells(int64_t n, int64_t fill);
// Floats per entry for an element code.
inline int64_t FloatsPerEntry(int64_t element) { return element == kElementTriples ? 3 : 2; }

// Writes the table into level 0 (every visited cell zeroed first); false when
// the pyramid has no tiles or the table's size does not match the fill.
bool FillGeneralTable(PyramidDescriptor* pyr, int64_t fill, FreezeDriedTable table, int64_t element);
// Allocates n x n of kind 9 (also when the record has never held tiles), fills
// and tags it. False, with the tag cleared, when any step fails.
bool initGeneralCache(PyramidDescriptor* pyr, int64_t n, int64_t fill, int64_t tag, FreezeDriedTable table,
                      int64_t element);
// True when the pyramid holds the described table, building it if it does not.
bool EnsureCacheTable(PyramidDescriptor* pyr, const CacheTableSpec& spec);

// ------------------------------------------------------------- interpolation
// Grid units; arithmetic in single precision. Flag 0 splits the cell along
// the diagonal from (i+1, j) to (i, j+1), flag 1 along (i, j) to (i+1, j+1).
void get_simplicial_cache_values(double x, double y, const PyramidDescriptor* pyr, int64_t level, float* c0,
                                 float* c1, int64_t flag);
void get_three_simplicial_cache_values(double x, double y, const PyramidDescriptor* pyr, int64_t level, float* c0,
                                       float* c1, float* c2);
void get_ramped_cache_values(const PyramidDescriptor* pyr, int64_t level, float* c0, float* c1, double x, double y);

// ------------------------------------------------------------------ fetchers
// Unit coordinates: (0, 0) is the first cell, (1, 1) the last. A cache that
// cannot be built gives zeros.

fcomplex FetchFromCache_Peirce(PyramidDescriptor* pyr, double x, double y);
fcomplex FetchFromCache_decant(PyramidDescriptor* pyr, double x, double y);
fcomplex FetchFromCache_sextant(PyramidDescriptor* pyr, double x, double y);
fcomplex FetchFromCache_dodecant(PyramidDescriptor* pyr, double x, double y);
fcomplex FetchFromCache_nuoctant(PyramidDescriptor* pyr, double x, double y);
fcomplex FetchFromCache_tetfacesextant(PyramidDescriptor* pyr, double x, double y);
fcomplex FetchFromCache_ReuleauxSextantToOctoface(PyramidDescriptor* pyr, double x, double y);
fcomplex FetchFromCache_ReuleauxSextantToCircle(PyramidDescriptor* pyr, double x, double y);
fcomplex FetchFromCache_octaface(PyramidDescriptor* pyr, double x, double y);
fcomplex FetchFromCache_icoface(PyramidDescriptor* pyr, double x, double y);
fcomplex FetchFromCache_ConformalDodecDecant(PyramidDescriptor* pyr, double x, double y);
fcomplex FetchFromCache_HyperbolicSextant_3_9(PyramidDescriptor* pyr, double x, double y);
fcomplex FetchFromCache_HyperbolicOctant_4_8(PyramidDescriptor* pyr, double x, double y);
fcomplex FetchFromCache_HyperbolicDecant_5_4(PyramidDescriptor* pyr, double x, double y);
// The equal-area square's table of triples: (c0, c1, c2) into out.
void FetchFromCache_Equalsquarea(PyramidDescriptor* pyr, double x, double y, double out[3]);

// ------------------------------------------------------ the sphere-cube cache
// Face point (u, v) of the cube face [-1, 1]^2 around +z to its conformal
// image on the sphere.

// out = (X, Y, Z), the image direction (X and Y of opposite signs to u and v);
// returns (-X/Z, -Y/Z), its gnomonic position on the face. When the cache
// cannot be built: out = (0, 0, 1), returns (0, 0) and sets *failed.
fcomplex FetchFromCache_spherecube(float out[3], PyramidDescriptor* pyr, double u, double v,
                                   bool* failed = nullptr);
// Warps the barycentrics of a point on a cube-face triangle conformally.
void WarpBarysForCube(float* b0, float* b1, float* b2, PyramidDescriptor* pyr);
