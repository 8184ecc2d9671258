#include "solids/truchet_duals.h"

#include "common/halfspace.h"
#include "nets/slice_lists.h"
#include "nets/slicing.h"
#include "polyhedra/duals.h"
#include "polyhedra/face_geometry.h"
#include "polyhedra/face_links.h"
#include "polyhedra/poly_storage.h"
#include "polyhedra/polyhedron_params.h"
#include "polyhedra/solid_support.h"
#include "solids/poly_setup.h"
#include "solids/voronoi_shapes.h"

int64_t BuildDualFromShapecode(polyhedron* target, int64_t setUpFlag, int64_t primalShapecode,
                               const VoronoiHandlingOptions* o) {
    if (!getPolyStorageEtc(target)) {
        FailBuild(target, kPolyStatusOutOfMemory);
        return 0;
    }
    polyhedron* primal = NewScratchSolidFor(target);
    if (!primal) return 0;
    // The solid alone: the dual needs the primal's faces, links and sites,
    // not its net.
    SetUpReallyGeneralPolyhedron(primal, primalShapecode, 7, 1, 0, nullptr, uint8_t(setUpFlag), 0.0f);
    if (primal->status != kPolyStatusGood) {
        FailBuild(target, primal->status);
        FreeScratchSolid(&primal);
        return 0;
    }
    if (o) CopyCertainVoronoiPrefsIntoPoly(o, target);
    VoronoiHandlingOptions defaults{};
    GetDefaultVoronoiHandlingOptions(&defaults);
    PreparePolyForDualizing(primal);
    const bool whole = BuildSiteDualFaces(primal, target, o ? o : &defaults);
    FreeScratchSolid(&primal);
    if (!whole) {
        FailBuild(target, kPolyStatusOutOfMemory);
        return 0;
    }
    if (target->status != kPolyStatusGood) {
        FailBuild(target, target->status);
        return 0;
    }
    Calc3DAngles(target);
    return LinkSolidAndApplyCuttingRule(target);
}

int64_t BuildTruchetDual(polyhedron* target, int64_t, int64_t code, uint8_t flag) {
    GetDefaultPolySettings(target);
    const int64_t primalCode = Companion_of_Truchet_dual(code);
    // The primal's sites are the dual's vertices: lay them as the primal's
    // build does, with the arcs' slicing records, to learn the distance at
    // which the primal merged them (the dual merges its corners at the same
    // one, or two cells of the primal would be one corner of the dual) and
    // to cut the edges that join an arc's sites.
    VoronoiHandlingOptions laid{};
    SlicingArcList arcs{};
    HALFSPACE sites;
    LayVoronoiShapeSites(&sites, &laid, &arcs, primalCode, target);
    DisposeListExceptForHead(&sites);
    VoronoiHandlingOptions o{};
    GetDefaultVoronoiHandlingOptions(&o);
    o.shave = 0;
    o.wholeFaces = 0;
    o.mergeDistance = laid.mergeDistance;
    o.planeTolerance = 1e-5;
    const int64_t linked = target->status == kPolyStatusGood ? BuildDualFromShapecode(target, flag, primalCode, &o) : 0;
    if (target->status == kPolyStatusGood) {
        target->truchetMark = 9999;
        ApplySlicingList(&arcs, target);
    }
    DisposeSlicingArcList(&arcs);
    return target->status == kPolyStatusGood ? linked : 0;
}
