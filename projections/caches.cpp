#include "projections/caches.h"

#include <cmath>
#include <cstring>

#include "common/memory.h"
#include "projections/freezedried.h"
#include "pyramid/pixels.h"

namespace {

constexpr FreezeDriedTable kNoTable{nullptr, 0};

template <size_t N>
constexpr FreezeDriedTable Table(const float (&values)[N]) {
    return {values, static_cast<int64_t>(N)};
}

// Tables not computed yet carry kNoTable: their caches fail to build, so a
// render that needs one fails instead of drawing from zeros.
constexpr CacheTableSpec kSpecs[] = {
    {kCacheTagPeirce, 50, kFillLowerTriangle, kElementMirroredPairs, Table(Peirce_octant_freezedried)},
    {kCacheTagSphereCube, 50, kFillLowerTriangle, kElementMirroredPairs, Table(spherecube_octant_freezedried)},
    {kCacheTagDecant, 50, kFillAll, kElementPairs, Table(pent_decant_freezedried)},
    {kCacheTagSextant, 50, kFillAll, kElementPairs, Table(tri_sextant_freezedried)},
    {kCacheTagDodecant, 50, kFillAll, kElementPairs, Table(hex_dodecant_freezedried)},
    {kCacheTagTetfaceSextant, 50, kFillSumAtMostN, kElementPairs, Table(tetface_sextant_freezedried)},
    {kCacheTagReuleauxOctoface, 51, kFillSumAtMostN, kElementPairs, Table(Reuleaux_sextant_freezedried)},
    {kCacheTagReuleauxCircle, 51, kFillSumAtMostN, kElementPairs, Table(Reuleaux_to_circle_freezedried)},
    {kCacheTagNuOctant, 50, kFillAll, kElementPairs, Table(nu_square_octant_freezedried)},
    {kCacheTagEqualsquarea, 50, kFillAll, kElementTriples, Table(peirceoid_quad_freezedried)},
    {kCacheTagIcoface, 50, kFillSumBelowN, 5, Table(complete_icoface_freezedried)},
    {kCacheTagOctaface, 50, kFillSumBelowN, kElementPairs, Table(octahedron_face_freezedried)},
    {kCacheTagDodecDecant, 30, kFillBottomUp, kElementPairs, Table(dodecface_decant_freezedried)},
    {kCacheTagHyperbolic_3_9, 40, kFillSumBelowN, kElementPairs, Table(hyperbolic_3_9_freezedried)},
    {kCacheTagHyperbolic_4_8, 40, kFillAll, kElementPairs, Table(hyperbolic_4_8_freezedried)},
    {kCacheTagHyperbolic_5_4, 42, kFillAll, kElementPairs, Table(hyperbolic_5_4_freezedried)},
};

// Index into kSpecs by tag (-1 for tags without a table), so a fetch finds
// its spec without searching.
struct SpecIndex {
    int8_t index[kCacheTagLimit];
    constexpr SpecIndex() : index{} {
        for (int8_t& i : index) i = -1;
        for (size_t i = 0; i < sizeof kSpecs / sizeof kSpecs[0]; ++i) index[kSpecs[i].tag] = static_cast<int8_t>(i);
    }
};
constexpr SpecIndex kSpecIndex;

bool FillAdmits(int64_t fill, int64_t n, int64_t x, int64_t targetRow) {
    switch (fill) {
        case kFillSumAtMostN: return x + targetRow <= n;
        case kFillSumBelowN: return x + targetRow < n;
        case kFillAll: return true;
        case kFillBottomUp: return x + targetRow < n;
        case kFillLowerTriangle: return x <= targetRow;
        default: return false;
    }
}

void WriteCell(PyramidDescriptor* pyr, int64_t x, int64_t y, float c0, float c1, float c2) {
    set_pyramid_sample_point128bit_floats(x, y, pyr, 0, c0, c1, c2, 0.0f);
}

// Cell index and fraction of a grid coordinate: the floor for finite values;
// NaN and huge values go to a cell far outside, which the edge rule clamps.
inline void CellAndFraction(double x, int64_t* i, float* f) {
    constexpr double kFar = 1e9;
    if (!(x > -kFar)) x = -kFar;
    if (x > kFar) x = kFar;
    const int64_t k = x >= 0.0 ? static_cast<int64_t>(x) : -static_cast<int64_t>(1.0 - x);
    *i = k;
    *f = static_cast<float>(x - static_cast<double>(k));
}

struct Corners {
    float c00[4], c10[4], c01[4], c11[4];
    float fx, fy;
};

inline void ReadCorners(double x, double y, const PyramidDescriptor* pyr, int64_t level, Corners* k) {
    int64_t i, j;
    CellAndFraction(x, &i, &k->fx);
    CellAndFraction(y, &j, &k->fy);
    get_pyramid_sample_point128bit_floats(i, j, pyr, level, k->c00);
    get_pyramid_sample_point128bit_floats(i + 1, j, pyr, level, k->c10);
    get_pyramid_sample_point128bit_floats(i, j + 1, pyr, level, k->c01);
    get_pyramid_sample_point128bit_floats(i + 1, j + 1, pyr, level, k->c11);
}

inline float Simplicial(const Corners& k, int c, int64_t flag) {
    const float fx = k.fx, fy = k.fy;
    if (flag == 0) {
        if (fx + fy <= 1.0f) return (1.0f - fx - fy) * k.c00[c] + fx * k.c10[c] + fy * k.c01[c];
        return (1.0f - fy) * k.c10[c] + (1.0f - fx) * k.c01[c] + (fx + fy - 1.0f) * k.c11[c];
    }
    if (fy > fx) return (1.0f - fy) * k.c00[c] + (fy - fx) * k.c01[c] + fx * k.c11[c];
    return (1.0f - fx) * k.c00[c] + (fx - fy) * k.c10[c] + fy * k.c11[c];
}

inline float GridScale(const PyramidDescriptor* pyr) { return static_cast<float>(pyr->width[0] - 1); }

fcomplex FetchSimplicial(PyramidDescriptor* pyr, const CacheTableSpec& spec, double x, double y, int64_t flag) {
    if (!EnsureCacheTable(pyr, spec)) return {0.0, 0.0};
    const double s = GridScale(pyr);
    float c0, c1;
    get_simplicial_cache_values(x * s, y * s, pyr, 0, &c0, &c1, flag);
    return {c0, c1};
}

fcomplex FetchByTag(PyramidDescriptor* pyr, int64_t tag, double x, double y) {
    return FetchSimplicial(pyr, *CacheTableSpecForTag(tag), x, y, 0);
}

}  // namespace

const CacheTableSpec* CacheTableSpecForTag(int64_t tag) {
    if (tag < 0 || tag >= kCacheTagLimit || kSpecIndex.index[tag] < 0) return nullptr;
    return &kSpecs[kSpecIndex.index[tag]];
}

// ------------------------------------------------------------------ the store

ProjectionCacheStore* NewProjectionCacheStore() {
    auto* store = static_cast<ProjectionCacheStore*>(RobustNewPtr(sizeof(ProjectionCacheStore)));
    if (!store) return nullptr;
    std::memset(static_cast<void*>(store), 0, sizeof *store);
    for (PyramidDescriptor& p : store->pyramids) InitPyramidProcs(&p);
    return store;
}

void DisposeProjectionCacheStore(ProjectionCacheStore** store) {
    if (!store || !*store) return;
    for (PyramidDescriptor& p : (*store)->pyramids) DisposePyramidData(&p);
    RobustDisposePtr(store);
}

PyramidDescriptor* ProjectionCache(ProjectionCacheStore* store, int64_t tag) {
    if (!store || tag <= 0 || tag >= kCacheTagLimit) return nullptr;
    return &store->pyramids[tag];
}

PyramidDescriptor* BuiltProjectionCache(void* store, int64_t tag) {
    PyramidDescriptor* pyr = ProjectionCache(static_cast<ProjectionCacheStore*>(store), tag);
    return pyr && pyr->contentTag == tag && pyr->tiles ? pyr : nullptr;
}

bool PrepareProjectionCache(ProjectionCacheStore* store, int64_t tag) {
    const CacheTableSpec* spec = CacheTableSpecForTag(tag);
    PyramidDescriptor* pyr = ProjectionCache(store, tag);
    return spec && pyr && EnsureCacheTable(pyr, *spec);
}

namespace {

bool ModeReadsPeirce(int64_t m) {
    if ((m >= 90 && m <= 96) || (m >= 375 && m <= 378)) return true;
    switch (m) {
        case 99: case 118: case 119: case 121: case 128: case 141: case 142: case 164: case 165:
        case 260: case 262: case 369: case 383: case 384: case 410: case 417: case 1040: case 4039: case 4041:
        case 372: case 380:  // the square outer shape folds through the Peirce inverse
            return true;
        default: return false;
    }
}

bool ModeReadsDecant(int64_t m) { return (m >= 385 && m <= 387) || m == 373 || m == 377 || m == 381; }

bool ModeReadsSphereCube(int64_t m) {
    switch (m) {
        case 51: case 83: case 87: case 145: case 251: case 252: case 302: case 303: return true;
        default: return false;
    }
}

}  // namespace

namespace {

// Builds the cache of `tag` for a render; a table not computed yet has
// nothing to build (BuiltProjectionCache keeps answering null for it).
bool PrefillTag(ProjectionCacheStore* store, int64_t tag) {
    const CacheTableSpec* spec = CacheTableSpecForTag(tag);
    if (spec && !spec->table.values) return true;
    return PrepareProjectionCache(store, tag);
}

}  // namespace

int64_t CacheTagsOfMode(int64_t m, int64_t tags[kMaxCacheTagsPerMode]) {
    int64_t n = 0;
    if (m >= 371 && m <= 374) tags[n++] = kCacheTagHyperbolic_3_9;
    if (m >= 375 && m <= 378) tags[n++] = kCacheTagHyperbolic_4_8;
    if (m >= 379 && m <= 382) tags[n++] = kCacheTagHyperbolic_5_4;
    if (ModeReadsPeirce(m)) tags[n++] = kCacheTagPeirce;
    if (ModeReadsDecant(m)) tags[n++] = kCacheTagDecant;
    if (ModeReadsSphereCube(m)) tags[n++] = kCacheTagSphereCube;
    if (m == 140) tags[n++] = kCacheTagEqualsquarea;
    return n;
}

bool PrefillProjectionCachesForMode(ProjectionCacheStore* store, int64_t m) {
    int64_t tags[kMaxCacheTagsPerMode];
    const int64_t n = CacheTagsOfMode(m, tags);
    bool ok = true;
    for (int64_t i = 0; i < n; ++i) ok = PrefillTag(store, tags[i]) && ok;
    return ok;
}

bool ProjectionTablesAreBuiltForMode(int64_t m) {
    int64_t tags[kMaxCacheTagsPerMode];
    const int64_t n = CacheTagsOfMode(m, tags);
    for (int64_t i = 0; i < n; ++i) {
        const CacheTableSpec* spec = CacheTableSpecForTag(tags[i]);
        if (!spec || !spec->table.values) return false;
    }
    return true;
}

// ------------------------------------------------------- building and filling

int64_t CountFillCells(int64_t n, int64_t fill) {
    int64_t count = 0;
    for (int64_t r = 0; r < n; ++r) {
        const int64_t row = fill == kFillBottomUp ? n - 1 - r : r;
        for (int64_t x = 0; x < n; ++x) count += FillAdmits(fill, n, x, row) ? 1 : 0;
    }
    return count;
}

bool FillGeneralTable(PyramidDescriptor* pyr, int64_t fill, FreezeDriedTable table, int64_t element) {
    if (!pyr || !pyr->tiles || pyr->kind != kPyrColourFloat || !table.values) return false;
    const int64_t n = pyr->width[0];
    const int64_t size = FloatsPerEntry(element);
    if (CountFillCells(n, fill) * size != table.floatCount) return false;
    const float* p = table.values;
    for (int64_t r = 0; r < n; ++r) {
        const int64_t row = fill == kFillBottomUp ? n - 1 - r : r;
        for (int64_t x = 0; x < n; ++x) {
            WriteCell(pyr, x, row, 0.0f, 0.0f, 0.0f);
            if (!FillAdmits(fill, n, x, row)) continue;
            WriteCell(pyr, x, row, p[0], p[1], size == 3 ? p[2] : 0.0f);
            // The transposed write comes second, so it wins on the diagonal.
            if (element == kElementMirroredPairs) WriteCell(pyr, row, x, p[1], p[0], 0.0f);
            p += size;
        }
    }
    return true;
}

bool initGeneralCache(PyramidDescriptor* pyr, int64_t n, int64_t fill, int64_t tag, FreezeDriedTable table,
                      int64_t element) {
    if (!pyr) return false;
    if (!TryToAllocatePyramid_2006(pyr, n, n, kPyrColourFloat, 0, 0)) {
        pyr->contentTag = kCacheTagNone;
        return false;
    }
    if (!FillGeneralTable(pyr, fill, table, element)) {
        DisposePyramidData(pyr);
        return false;
    }
    pyr->contentTag = tag;
    return true;
}

bool EnsureCacheTable(PyramidDescriptor* pyr, const CacheTableSpec& spec) {
    if (!pyr) return false;
    if (pyr->contentTag == spec.tag && pyr->tiles && pyr->width[0] == spec.n) return true;
    return initGeneralCache(pyr, spec.n, spec.fill, spec.tag, spec.table, spec.element);
}

// ------------------------------------------------------------- interpolation

void get_simplicial_cache_values(double x, double y, const PyramidDescriptor* pyr, int64_t level, float* c0,
                                 float* c1, int64_t flag) {
    Corners k;
    ReadCorners(x, y, pyr, level, &k);
    *c0 = Simplicial(k, 0, flag);
    *c1 = Simplicial(k, 1, flag);
}

void get_three_simplicial_cache_values(double x, double y, const PyramidDescriptor* pyr, int64_t level, float* c0,
                                       float* c1, float* c2) {
    Corners k;
    ReadCorners(x, y, pyr, level, &k);
    *c0 = Simplicial(k, 0, 0);
    *c1 = Simplicial(k, 1, 0);
    *c2 = Simplicial(k, 2, 0);
}

void get_ramped_cache_values(const PyramidDescriptor* pyr, int64_t level, float* c0, float* c1, double x, double y) {
    Corners k;
    ReadCorners(x, y, pyr, level, &k);
    float* out[2] = {c0, c1};
    for (int c = 0; c < 2; ++c) {
        const float a = k.c00[c] + k.fx * (k.c10[c] - k.c00[c]);
        const float b = k.c01[c] + k.fx * (k.c11[c] - k.c01[c]);
        *out[c] = a + k.fy * (b - a);
    }
}

// ------------------------------------------------------------------- fetchers

fcomplex FetchFromCache_Peirce(PyramidDescriptor* pyr, double x, double y) {
    if (!EnsureCacheTable(pyr, *CacheTableSpecForTag(kCacheTagPeirce))) return {0.0, 0.0};
    const double s = GridScale(pyr);
    float c0, c1;
    get_ramped_cache_values(pyr, 0, &c0, &c1, x * s, y * s);
    return {c0, c1};
}

fcomplex FetchFromCache_decant(PyramidDescriptor* pyr, double x, double y) {
    return FetchByTag(pyr, kCacheTagDecant, x, y);
}
fcomplex FetchFromCache_sextant(PyramidDescriptor* pyr, double x, double y) {
    return FetchByTag(pyr, kCacheTagSextant, x, y);
}
fcomplex FetchFromCache_dodecant(PyramidDescriptor* pyr, double x, double y) {
    return FetchByTag(pyr, kCacheTagDodecant, x, y);
}
fcomplex FetchFromCache_nuoctant(PyramidDescriptor* pyr, double x, double y) {
    return FetchByTag(pyr, kCacheTagNuOctant, x, y);
}
fcomplex FetchFromCache_tetfacesextant(PyramidDescriptor* pyr, double x, double y) {
    return FetchByTag(pyr, kCacheTagTetfaceSextant, x, y);
}
fcomplex FetchFromCache_ReuleauxSextantToOctoface(PyramidDescriptor* pyr, double x, double y) {
    return FetchByTag(pyr, kCacheTagReuleauxOctoface, x, y);
}
fcomplex FetchFromCache_ReuleauxSextantToCircle(PyramidDescriptor* pyr, double x, double y) {
    return FetchByTag(pyr, kCacheTagReuleauxCircle, x, y);
}
fcomplex FetchFromCache_octaface(PyramidDescriptor* pyr, double x, double y) {
    return FetchByTag(pyr, kCacheTagOctaface, x, y);
}
fcomplex FetchFromCache_icoface(PyramidDescriptor* pyr, double x, double y) {
    return FetchByTag(pyr, kCacheTagIcoface, x, y);
}
fcomplex FetchFromCache_ConformalDodecDecant(PyramidDescriptor* pyr, double x, double y) {
    return FetchByTag(pyr, kCacheTagDodecDecant, x, y);
}
fcomplex FetchFromCache_HyperbolicSextant_3_9(PyramidDescriptor* pyr, double x, double y) {
    return FetchByTag(pyr, kCacheTagHyperbolic_3_9, x, y);
}
fcomplex FetchFromCache_HyperbolicOctant_4_8(PyramidDescriptor* pyr, double x, double y) {
    return FetchByTag(pyr, kCacheTagHyperbolic_4_8, x, y);
}
fcomplex FetchFromCache_HyperbolicDecant_5_4(PyramidDescriptor* pyr, double x, double y) {
    return FetchByTag(pyr, kCacheTagHyperbolic_5_4, x, y);
}

void FetchFromCache_Equalsquarea(PyramidDescriptor* pyr, double x, double y, double out[3]) {
    out[0] = out[1] = out[2] = 0.0;
    if (!EnsureCacheTable(pyr, *CacheTableSpecForTag(kCacheTagEqualsquarea))) return;
    const double s = GridScale(pyr);
    float c0, c1, c2;
    get_three_simplicial_cache_values(x * s, y * s, pyr, 0, &c0, &c1, &c2);
    out[0] = c0, out[1] = c1, out[2] = c2;
}

// ------------------------------------------------------- the sphere-cube cache

fcomplex FetchFromCache_spherecube(float out[3], PyramidDescriptor* pyr, double u, double v, bool* failed) {
    if (!EnsureCacheTable(pyr, *CacheTableSpecForTag(kCacheTagSphereCube))) {
        out[0] = 0.0f, out[1] = 0.0f, out[2] = 1.0f;
        if (failed) *failed = true;
        return {0.0, 0.0};
    }
    const double a = std::fabs(u), b = std::fabs(v);
    const bool swapped = b > a;
    const double s = GridScale(pyr);
    float p, q;
    get_ramped_cache_values(pyr, 0, &p, &q, (swapped ? b : a) * s, (swapped ? a : b) * s);
    double X = swapped ? q : p;
    double Y = swapped ? p : q;
    if (v < 0.0) Y = -Y;
    if (u < 0.0) X = -X;
    const double r = 1.0 - X * X - Y * Y;
    const double Z = std::sqrt(r > 0.0 ? r : 0.0);
    out[0] = static_cast<float>(X), out[1] = static_cast<float>(Y), out[2] = static_cast<float>(Z);
    if (Z == 0.0) return {0.0, 0.0};  // no gnomonic position for a point on the face's horizon
    return {-X / Z, -Y / Z};
}

void WarpBarysForCube(float* b0, float* b1, float* b2, PyramidDescriptor* pyr) {
    float scratch[3];
    const fcomplex r = FetchFromCache_spherecube(scratch, pyr, 1.0 - *b0, *b2);
    *b0 = static_cast<float>(1.0 - r.re);
    *b2 = static_cast<float>(r.im);
    *b1 = 1.0f - *b0 - *b2;
}
