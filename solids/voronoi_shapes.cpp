#include "solids/voronoi_shapes.h"

#include <vector>

#include "common/halfspace.h"
#include "nets/slice_lists.h"
#include "nets/slicing.h"
#include "polyhedra/baby_csg.h"
#include "polyhedra/builtin_shapes.h"
#include "polyhedra/face_geometry.h"
#include "polyhedra/poly_storage.h"
#include "polyhedra/solid_support.h"
#include "polyhedra/voronoi_sites.h"
#include "records/data.h"

namespace {

constexpr int64_t kTruchetCubePatterns[20] = {560, 1514, 2756, 3841, 3,    3938, 454,  3552, 2756, 3938,
                                              1312, 548, 817,  976,  1315, 3664, 3795, 3978, 4074, 48};

struct ArcsOnSolid {
    int64_t code, base, seed;
};
constexpr ArcsOnSolid kArcsOnSolid[] = {
    {237, 16, 149386895},  {238, 16, 543151857},  {239, 16, 1360809450}, {240, 16, 1672716220},
    {241, 16, 1675751130}, {242, 18, 257920428},  {243, 18, 1322456441}, {244, 18, 1357781369},
    {245, 18, 1530206207}, {246, 18, 1633653961}, {247, 19, 393378737},  {248, 19, 458964745},
    {249, 19, 469874108},  {250, 19, 769136339},  {251, 19, 1802805089}, {252, 19, 1525986332},
    {253, 19, 1574924314}, {254, 19, 1800216121}, {255, 19, 2054370010}, {256, 19, 1954400350},
};
// The tetrahedron's and the cube's faces (their tables' corners, counted
// from one) in the order, and each from the corner, that the arcs of the
// seeds below read them: read in the tables' own order, those seeds' arcs
// fall on a few faces only, and once warped toward +y their sites leave the
// centre outside their hull, so a cell would be a hemisphere or more and no
// solid could be built. Read so, every one of the 24 seeds on the two solids
// leaves the centre at least 0.25 inside the hull. The other seeds keep the
// tables' order and the solids they always had.
constexpr uint16_t kTetrahedronFacesTurned[] = {4, 3, 1, 0, 3, 2, 1, 0, 2, 3, 4, 0, 2, 4, 1, 0};
constexpr uint16_t kCubeFacesTurned[] = {1, 5, 6, 2, 0, 3, 7, 8, 4, 0, 1, 4, 8, 5, 0,
                                         2, 6, 7, 3, 0, 1, 2, 3, 4, 0, 5, 8, 7, 6, 0};
bool ReadsTheFacesTurned(int64_t code) { return (code >= 239 && code <= 241) || code == 262 || code == 267; }

// Faces given by the corners of shape `code`'s table (counted from one, each
// face closed by a 0) as vertex numbers of `solid`, built from that table:
// the build numbers the corners as it meets them, so each is found by its
// point. Empty when a corner is not one of the solid's.
PatternFaceList TableFacesOn(const polyhedron* solid, int64_t code, const uint16_t* corners, int64_t faceCount) {
    const BuiltInShape* table = FindBuiltInShape(code);
    PatternFaceList out{size_t(faceCount)};
    if (!table) return {};
    for (std::vector<int64_t>& face : out) {
        for (; *corners != 0; ++corners) {
            const int64_t c = int64_t(*corners) - 1;
            if (c >= table->vertexCount) return {};
            const triplex p{table->coords3D[3 * c], table->coords3D[3 * c + 1], table->coords3D[3 * c + 2]};
            int64_t v = 0;
            while (v < solid->vertexCount3D && Tdistance(solid->coords3D[v], p) > 1e-12) ++v;
            if (v == solid->vertexCount3D) return {};
            face.push_back(v);
        }
        ++corners;
    }
    return out;
}

constexpr int64_t kDonutSeeds[14] = {73649096,   179925904,  988399328,  410814628,  1157066619,
                                     1182329001, 1538086762, 1658526615, 1751723176, 691281203,
                                     1185270025, 1234060790, 2095394044, 2095394044};

struct Gores {
    int64_t rows, columns, skipped;
    double twist, warp, spacing;
};

void TruchetOptions(VoronoiHandlingOptions* o) {
    o->shave = 0;
    o->secondFlag = 0;
}

// Moves every site and the arcs' record ends with them: a record names two
// sites by their points, so it must follow its sites through every warp.
template <class Move>
void MoveSites(HALFSPACE* sites, SlicingArcList* arcs, Move move) {
    for (HALFSPACE* s = sites->head->next; s != sites->head; s = s->next) s->point = move(s->point);
    if (!arcs) return;
    for (int64_t r = 0; r < arcs->count; ++r) {
        arcs->records[r].a = move(arcs->records[r].a);
        arcs->records[r].b = move(arcs->records[r].b);
    }
}

// Arcs drawn on the faces of a base solid built beside the target, read in
// the turned order where the code asks.
void ArcsOnBase(HALFSPACE* sites, VoronoiHandlingOptions* o, int64_t steps, int64_t base, polyhedron* target,
                bool donut, int64_t code) {
    polyhedron* scratch = NewBaseSolidFor(target, base);
    if (!scratch) return;
    PatternFaceList turned;
    if (ReadsTheFacesTurned(code))
        turned = TableFacesOn(scratch, base, base == 16 ? kTetrahedronFacesTurned : kCubeFacesTurned,
                              base == 16 ? 4 : 6);
    const PatternFaceList* faces = turned.empty() ? nullptr : &turned;
    if (donut)
        Build_voronoi_sites_truchet_donut_on_cube(sites, o, steps, scratch, faces);
    else
        Build_voronoi_sites_truchet_polyhedron(sites, o, steps, scratch, faces);
    FreeScratchSolid(&scratch);
}

}  // namespace

bool ShapecodeIsVoronoi(int64_t code) {
    return (code >= 160 && code <= 170) || (code >= 197 && code <= 216) || (code >= 237 && code <= 270);
}

void build_voronoi_pointset(HALFSPACE* sites, VoronoiHandlingOptions* o, int64_t code, polyhedron* target) {
    auto rind = [&](double turns, double spacing, uint8_t shave) {
        o->shave = shave;
        o->fanApexRule = 2;
        Build_voronoi_sites_rind(sites, o, turns, spacing);
    };
    SlicingArcList* arcs = o->slicingArcs;
    const auto warp = [&](double amount) {
        MoveSites(sites, arcs, [amount](triplex p) { return WarpedVpoint(p, amount); });
    };
    const auto tumble = [&] { MoveSites(sites, arcs, TumbledVpoint); };
    auto gores = [&](const Gores& g) {
        crap_Build_voronoi_sites_globegores(sites, o, g.rows, g.columns, g.skipped, g.twist, g.warp, g.spacing);
    };
    if (code == 160) {
        rind(2.0, 0.5, 1);
    } else if (code == 161) {
        o->squash = 1.0;
        o->mergeDistance = 0.0002;
        rind(3.0, 0.4, 1);
        warp(-0.7);
    } else if (code == 162) {
        o->mergeDistance = 0.0002;
        o->planeTolerance = 1e-5;
        Build_voronoi_sites_curvycube(sites, o);
    } else if (code == 163) {
        Build_voronoi_sites_baseball(sites, o);
    } else if (code == 164) {
        rind(1.4, 0.5, 0);
    } else if (code == 165 || code == 166) {
        o->mergeDistance = 0.001;
        gores({130, 3, 5, -2.0, -0.95, 0.18});
    } else if (code == 167) {
        o->mergeDistance = 0.001;
        gores({80, 3, 0, -0.2, 0.0, 0.5});
    } else if (code == 168) {
        o->mergeDistance = 0.001;
        gores({90, 3, 0, -2.0, -0.8, 0.3});
    } else if (code == 169) {
        o->mergeDistance = 0.002;
        o->planeTolerance = 0.0001;
        gores({80, 3, 0, -0.5, 0.0, 0.5});
    } else if (code == 170) {
        gores({80, 3, 0, -0.0, 0.0, 0.5});
    } else if (code >= 197 && code <= 216) {
        TruchetOptions(o);
        o->patternCode = kTruchetCubePatterns[code - 197];
        int64_t steps = 32;
        if (code == 216) {
            o->patternCode = 63;
            o->mergeDistance = 0.0002;
            steps = 15;
        }
        Build_voronoi_sites_truchet_cube(sites, o, steps);
        if (code == 198 || code == 199 || code == 202 || code == 204) {
            tumble();
            warp(0.3);
        } else if (code == 203) {
            warp(0.35);
        } else if (code == 206) {
            MoveSites(sites, arcs, [](triplex p) { return TwistedVpoint(p, 2.5132741228718345); });
            warp(0.35);
        } else if (code == 216) {
            tumble();
        } else {
            warp(-0.25);
            MoveSites(sites, arcs, [](triplex p) { return ParabolizedVpoint(p, 1.0, 0.0); });
        }
    } else if (code >= 237 && code <= 256) {
        TruchetOptions(o);
        int64_t steps = 32;
        for (const ArcsOnSolid& a : kArcsOnSolid)
            if (a.code == code) {
                o->baseShapecode = a.base;
                o->patternCode = a.seed;
            }
        if (code == 253) {
            steps = 30;
            o->mergeDistance = 0.0002;
            o->planeTolerance = 1e-6;
        }
        ArcsOnBase(sites, o, steps, o->baseShapecode, target, false, code);
        warp(0.3);
    } else if (code >= 257 && code <= 270) {
        TruchetOptions(o);
        o->baseShapecode = -1;
        o->patternCode = kDonutSeeds[code - 257];
        ArcsOnBase(sites, o, 32, 18, target, true, code);
        warp(0.3);
    }
    // The warps may bring two sites together: they would share one cell.
    MergeNearSites(sites, o->mergeDistance, arcs);
}

void GetVoronoiShapeOptions(VoronoiHandlingOptions* o, const polyhedron* poly) {
    GetDefaultVoronoiHandlingOptions(o);
    o->duplicateTest = 0;
    o->bisectorKind = 0;
    o->patternCode = poly->data ? poly->data->voronoiPattern : 0;
}

void LayVoronoiShapeSites(HALFSPACE* sites, VoronoiHandlingOptions* o, SlicingArcList* arcs, int64_t code,
                          polyhedron* target) {
    GetVoronoiShapeOptions(o, target);
    o->slicingArcs = arcs;
    InitEmptyList(sites);
    build_voronoi_pointset(sites, o, code, target);
}

int64_t build_voronoi_shape(polyhedron* poly, int64_t, int64_t code) {
    GetDefaultPolySettings(poly);
    if (!getPolyStorageEtc(poly)) {
        FailBuild(poly, kPolyStatusOutOfMemory);
        return 0;
    }
    VoronoiHandlingOptions o{};
    SlicingArcList arcs{};
    HALFSPACE sites;
    LayVoronoiShapeSites(&sites, &o, &arcs, code, poly);
    if (poly->status == kPolyStatusOutOfMemory) {
        DisposeListExceptForHead(&sites);
        DisposeSlicingArcList(&arcs);
        return 0;
    }
    if (code == 162 || code == 238 || code == 253)
        make_poly_from_voronoi_sites_via_CSG(poly, 0, &o, &sites);
    else
        make_poly_from_voronoi_sites(poly, 0, &o, &sites, nullptr);
    DisposeListExceptForHead(&sites);
    if (poly->status != kPolyStatusGood) {
        DisposeSlicingArcList(&arcs);
        FailBuild(poly, poly->status);
        return 0;
    }
    CopyCertainVoronoiPrefsIntoPoly(&o, poly);
    if (code >= 237 && code <= 304) poly->truchetMark = 9999;
    Calc3DAngles(poly);
    const int64_t linked = LinkSolidAndApplyCuttingRule(poly);
    ApplySlicingList(&arcs, poly);
    DisposeSlicingArcList(&arcs);
    return linked;
}
