#include "polyhedra/goldberg.h"

#include <algorithm>
#include <cstdio>

#include "common/halfspace.h"
#include "polyhedra/baby_csg.h"
#include "polyhedra/canonical.h"
#include "polyhedra/duals.h"
#include "polyhedra/face_geometry.h"
#include "polyhedra/face_links.h"
#include "polyhedra/geodesic.h"
#include "polyhedra/mini_faces.h"
#include "polyhedra/poly_storage.h"
#include "polyhedra/solid_support.h"

namespace {

// Class III pairs by order 1..9; any other order gives (4, 5).
constexpr int32_t kGoldberg3M[9] = {1, 1, 2, 1, 2, 3, 1, 2, 3};
constexpr int32_t kGoldberg3N[9] = {2, 3, 3, 4, 4, 4, 5, 5, 5};
// Quad class III (q, p) by step 0..5.
constexpr int32_t kQuad3Q[6] = {2, 3, 3, 4, 4, 4};
constexpr int32_t kQuad3P[6] = {1, 1, 2, 1, 2, 3};

constexpr double kToUnitSize = 0.005;      // back from the class II cut at 200 times
constexpr double kFinishedWithin = 1e-7;  // edge and face deviation the finish stops at

struct Range {
    int64_t first, last, perBase;
    int32_t family;
};
constexpr Range kRanges[] = {
    {313, 336, 8, kGoldbergClass1}, {337, 360, 8, kGoldbergClass2}, {361, 390, 10, kGoldbergClass3},
    {391, 405, 5, kQuadClass1},     {406, 420, 5, kQuadClass2},     {421, 438, 6, kQuadClass3},
};

int64_t Finish(polyhedron* target) {
    // A scratch refused on the way (the canonicaliser's dual too) fails the
    // whole build rather than leave a solid half made.
    Calc3DAngles(target);
    const int64_t linked = Build3DConnectivity(target);
    if (target->status != kPolyStatusOutOfMemory) return linked;
    FailBuild(target, kPolyStatusOutOfMemory);
    Calc3DAngles(target);
    return Build3DConnectivity(target);
}

// The face adder's duplicate test drops the repeated cells; a dropped
// duplicate is the point, not a failure.
void ForgiveDroppedDuplicates(polyhedron* poly) {
    if (poly->status == kPolyStatusDuplicateFace) poly->status = kPolyStatusGood;
}

// The target emptied on its own storage; false with the target failed.
bool FreshTarget(polyhedron* target) {
    ResetFacesAndVertsToEmpty(target);
    if (getPolyStorageEtc(target)) return true;
    FailBuild(target, kPolyStatusOutOfMemory);
    return false;
}

BabyCSG* NewStore(polyhedron* target, const VoronoiHandlingOptions& o) {
    BabyCSG* csg = createBabyCSG(&o);
    if (!csg) FailBuild(target, kPolyStatusOutOfMemory);
    return csg;
}

// The target becomes the dual of a built primal, finished canonical.
void DualThenFinish(polyhedron* target, polyhedron* primal, const GoldbergForm& form,
                    const VoronoiHandlingOptions& o) {
    if (primal->status != kPolyStatusGood || primal->faceCount3D == 0) {
        FailBuild(target, primal->status != kPolyStatusGood ? primal->status : kPolyStatusOutOfMemory);
        return;
    }
    BuildDualFromPolyhedron_for_primal_dual(target, primal);
    if (target->status == kPolyStatusGood) GoldbergCanonicalFinish(target, form, o);
}

// The store's faces into the target at the scale, canonical finish.
int64_t FinishFromStore(polyhedron* target, BabyCSG** csg, const GoldbergForm& form, const VoronoiHandlingOptions& o,
                        double scale) {
    make_poly_fromBabyCSG(target, *csg);
    destroyBabyCSG(csg);
    ForgiveDroppedDuplicates(target);
    if (target->status == kPolyStatusGood && target->faceCount3D > 0) {
        if (scale != 1.0) ScaleVertsInPoly(target, scale);
        GoldbergCanonicalFinish(target, form, o);
    } else if (target->status == kPolyStatusGood) {
        FailBuild(target, kPolyStatusUnbuilt);  // no cell came through: never an empty solid called good
    }
    target->overlapTestOff = 1;
    return Finish(target);
}

// The base of a quad solid: shapes 439 and 440 are quadrilaterals laid on
// the tetrahedron's and the icosahedron's faces.
polyhedron* NewQuadBase(polyhedron* target, int64_t base) {
    if (base == 18) return NewBaseSolidFor(target, 18);
    polyhedron* scratch = NewScratchSolidFor(target);
    if (!scratch) return nullptr;
    BuildQuadsOnFacesOfShape(scratch, base == 439 ? 16 : 17);
    if (scratch->status != kPolyStatusGood || scratch->faceCount3D == 0) {
        FailBuild(target, scratch->status != kPolyStatusGood ? scratch->status : kPolyStatusOutOfMemory);
        FreeScratchSolid(&scratch);
    }
    return scratch;
}

}  // namespace

void getOrderAndShape(int64_t code, int64_t first, int32_t* order, int32_t* shape, int64_t perBase) {
    const int64_t g = (code - first) / perBase, r = (code - first) - g * perBase;
    *order = int32_t(r < 0 ? 1 : r + 1);
    *shape = g == 0 ? 16 : g == 1 ? 19 : 17;
}

void getOrderAndAndSymmetryBaseShapeForQuads(int64_t code, int64_t first, int32_t* order, int32_t* baseShape,
                                             int32_t* symmetryShape, int64_t perBase) {
    const int64_t g = (code - first) / perBase, r = (code - first) - g * perBase;
    *order = int32_t(r < 0 ? 1 : r + 1);
    *baseShape = g == 0 ? 439 : g == 1 ? 18 : 440;
    *symmetryShape = g == 0 ? 16 : g == 1 ? 18 : 17;
}

void get_Goldberg3_mn_from_order(int32_t order, int32_t* m, int32_t* n) {
    const bool listed = order >= 1 && order <= 9;
    *m = listed ? kGoldberg3M[order - 1] : 4;
    *n = listed ? kGoldberg3N[order - 1] : 5;
}

bool GoldbergFormOfShapecode(int64_t code, GoldbergForm* form) {
    *form = GoldbergForm{};
    for (const Range& r : kRanges) {
        if (code < r.first || code > r.last) continue;
        GoldbergForm f{};
        f.family = r.family;
        int32_t order = 1, base = 0, symmetry = 0;
        if (r.family <= kGoldbergClass3) {
            getOrderAndShape(code, r.first, &order, &base, r.perBase);
            symmetry = base;
        } else {
            getOrderAndAndSymmetryBaseShapeForQuads(code, r.first, &order, &base, &symmetry, r.perBase);
        }
        f.base = base;
        f.symmetry = symmetry;
        f.order = order;
        switch (r.family) {
        case kGoldbergClass1:
        case kQuadClass1:
            f.m = order;
            f.n = 0;
            break;
        case kGoldbergClass2:
        case kQuadClass2:
            f.m = f.n = order;
            break;
        case kGoldbergClass3: {
            int32_t m, n;
            get_Goldberg3_mn_from_order(order, &m, &n);
            f.m = m;
            f.n = n;
            break;
        }
        default:
            f.m = kQuad3P[order - 1];
            f.n = kQuad3Q[order - 1];
        }
        f.rotationsOnly = r.family == kGoldbergClass3 || r.family == kQuadClass3;
        f.tolerance = (code == 344 || code == 419 || code == 420 || code == 438) ? 1e-7 : 1e-9;
        f.stepFactor = code == 344 ? 0.87 : 1.0;
        *form = f;
        return true;
    }
    return false;
}

VoronoiHandlingOptions GoldbergOptions(bool classOne) {
    VoronoiHandlingOptions o{};
    GetDefaultVoronoiHandlingOptions(&o);
    o.polyhedronFlag = 1;  // no net-overlap tests
    o.wholeFaces = 1;
    o.bisectorKind = 0;
    // One copy of every face: the lattice cells reach the store once for
    // every lattice point they touch.
    o.duplicateTest = 1;
    o.mergeDistance = classOne ? 2e-6 : 2e-5;
    o.planeTolerance = classOne ? 1e-5 : 2e-6;
    return o;
}

double GoldbergCanonicalFinish(polyhedron* target, const GoldbergForm& form, const VoronoiHandlingOptions& o) {
    const int technique = canonicalization_technique_for_shapecode(target->shapeCode);
    auto reciprocate = [&](double tolerance, int64_t iterations) {
        if (technique == 2) return CanonicalizeConvexPoly_primal_dual(target, tolerance, iterations);
        return CanonicalizeConvexPoly_primal_dual_sym(target, tolerance, iterations, form.symmetry, form.rotationsOnly, o);
    };
    double first;
    if (technique == 1)
        first = CanonicalizeConvexPoly_relaxation_sym(target, form.tolerance, 150000, 0.25 * form.stepFactor,
                                                      0.5 * form.stepFactor, form.symmetry, form.rotationsOnly, o);
    else
        first = reciprocate(form.tolerance, technique == 2 ? 50000 : 150000);
    if (first < 0 && first > -3) return first;
    // The first stage stops (the reciprocation's movement below its
    // tolerance, the relaxation's slow steps) while the edges are still some
    // way off tangency: reciprocate on to 1e-12, which is quick, and relax
    // what is left until every edge and face is within 1e-7.
    if (CanonicalDeviation(target) <= kFinishedWithin) return first;
    // (Not after a reciprocation that diverged and put its start back.)
    if (technique == 1 || first < 50) {
        const double second = reciprocate(1e-12, 1500000);
            if (second >= 0 && second < 1 && CanonicalDeviation(target) <= kFinishedWithin) return second;
    }
    return CanonicalizeConvexPoly_relaxation_sym(target, 1e-9, 200000, 0.25, 0.5, form.symmetry, form.rotationsOnly, o);
}

int64_t BuildGoldbergClass1(polyhedron* target, int64_t parameter) {
    GoldbergForm form;
    if (!GoldbergFormOfShapecode(target->shapeCode, &form) || form.family != kGoldbergClass1) return 0;
    const VoronoiHandlingOptions o = GoldbergOptions(true);
    if (!FreshTarget(target)) return Finish(target);
    polyhedron* scratch = NewScratchSolidFor(target);
    if (!scratch) return Finish(target);
    BuildGeodesicClass1(scratch, parameter, form.order, form.base);
    DualThenFinish(target, scratch, form, o);
    target->overlapTestOff = 1;
    FreeScratchSolid(&scratch);
    return Finish(target);
}

int64_t BuildGoldbergClass2(polyhedron* target, int64_t parameter) {
    GoldbergForm form;
    if (!GoldbergFormOfShapecode(target->shapeCode, &form) || form.family != kGoldbergClass2) return 0;
    const VoronoiHandlingOptions o = GoldbergOptions(false);
    target->overlapTestOff = 1;
    if (!FreshTarget(target)) return Finish(target);
    polyhedron* scratch = NewScratchSolidFor(target);
    if (!scratch) return Finish(target);
    if (form.base == 16 && form.order == 1) {
        // The truncated tetrahedron: the dual of the tented tetrahedron.
        BuildTentedTet(scratch);
        DualThenFinish(target, scratch, form, o);
        FreeScratchSolid(&scratch);
        target->overlapTestOff = 1;
        return Finish(target);
    }
    BuildGeodesicClass1(scratch, parameter, form.order, form.base);
    BabyCSG* csg = scratch->status == kPolyStatusGood ? NewStore(target, o) : nullptr;
    if (scratch->status != kPolyStatusGood) FailBuild(target, scratch->status);
    if (!csg) {
        FreeScratchSolid(&scratch);
        return Finish(target);
    }
    // The tangent planes at the geodesic points and face centres, 200 times
    // out, cut from the enclosing cube.
    HALFSPACE planes;
    InitEmptyList(&planes);
    AddVerticesToList(scratch, &planes, &o, 1, 0, 200.0, 1.0);
    FreeScratchSolid(&scratch);
    BuildCubeEnclosing(csg);
    for (HALFSPACE* p = planes.head->next; p != planes.head; p = p->next) SliceOnePlaneAway(csg, p);
    DisposeListExceptForHead(&planes);
    return FinishFromStore(target, &csg, form, o, kToUnitSize);
}

void accumulate_classIII_points_of_one_face(const polyhedron* poly, int64_t face, int64_t m, int64_t n,
                                            HALFSPACE* planes, const VoronoiHandlingOptions& o) {
    const spunTriangle t = make_spun_triangle(0, 0, m, n, -n, m + n);
    const triplex V0 = poly->coords3D[poly->face3D[face].vertex[0]], V1 = poly->coords3D[poly->face3D[face].vertex[1]],
                  V2 = poly->coords3D[poly->face3D[face].vertex[2]];
    for (int64_t i = std::min({m, -n, int64_t(0)}); i <= std::max({m, -n, int64_t(0)}); ++i)
        for (int64_t j = std::min({n, m + n, int64_t(0)}); j <= std::max({n, m + n, int64_t(0)}); ++j) {
            double w0, w1, w2;
            SpunTriangleWeights(t, fcomplex{double(i) * t.u.re + double(j) * t.v.re, double(j) * t.v.im}, &w0, &w1,
                                &w2);
            if (!MiniWeightIsInside(w0) || !MiniWeightIsInside(w1) || !MiniWeightIsInside(w2)) continue;
            const triplex p = Tnormalize(Tadd(Tadd(Tscale(V0, w0), Tscale(V1, w1)), Tscale(V2, w2)));
            const double a[3] = {p.x, p.y, p.z};
            HALFSPACE* node = AddPointToList_while_killing_redundancies(a, planes->head->prev, -1, o.mergeDistance);
            if (!node) continue;
            node->userLinks[0] = node->userLinks[1] = node->userLinks[2] = 0;
            node->markedForDestruction = 0;
            BuildPlaneFromPointAndDirection(a, a, &node->plane);
        }
}

void accumulateGeodesicVertsBasedOnPoly(const polyhedron* poly, int64_t m, int64_t n, HALFSPACE* planes,
                                        const VoronoiHandlingOptions& o) {
    for (int64_t f = 0; f < poly->faceCount3D; ++f) accumulate_classIII_points_of_one_face(poly, f, m, n, planes, o);
}

void build_classIII_minitriangles_of_one_face(const polyhedron* poly, int64_t face, int64_t m, int64_t n,
                                              BabyCSG* csg) {
    const spunTriangle t = make_spun_triangle(0, 0, m, n, -n, m + n);
    for (int64_t i = std::min({m, -n, int64_t(0)}); i <= std::max({m, -n, int64_t(0)}); ++i)
        for (int64_t j = std::min({n, m + n, int64_t(0)}); j <= std::max({n, m + n, int64_t(0)}); ++j) {
            double w0, w1, w2;
            SpunTriangleWeights(t, fcomplex{double(i) * t.u.re + double(j) * t.v.re, double(j) * t.v.im}, &w0, &w1,
                                &w2);
            if (MiniWeightIsInside(w0) && MiniWeightIsInside(w1) && MiniWeightIsInside(w2))
                attemptSixMiniTriangles(i, j, poly, face, t, csg);
        }
}

int64_t BuildGoldbergClass3_alternative(polyhedron* target, int64_t m, int64_t n) {
    GoldbergForm form;
    GoldbergFormOfShapecode(target->shapeCode, &form);
    if (form.family != kGoldbergClass3) {
        form.family = kGoldbergClass3;
        form.symmetry = 16;
        form.tolerance = 1e-9;
        form.stepFactor = 1.0;
        form.rotationsOnly = true;
    }
    form.symmetry = 16;
    const VoronoiHandlingOptions o = GoldbergOptions(false);
    if (!FreshTarget(target)) return Finish(target);
    polyhedron* base = NewBaseSolidFor(target, 16);
    if (!base) return Finish(target);
    polyhedron* minis = NewScratchSolidFor(target);
    BabyCSG* csg = minis ? NewStore(target, o) : nullptr;
    if (csg) {
        for (int64_t f = 0; f < base->faceCount3D; ++f) build_classIII_minitriangles_of_one_face(base, f, m, n, csg);
        make_poly_fromBabyCSG(minis, csg);
        destroyBabyCSG(&csg);
        ForgiveDroppedDuplicates(minis);
        DualThenFinish(target, minis, form, o);
    }
    FreeScratchSolid(&minis);
    FreeScratchSolid(&base);
    return Finish(target);
}

int64_t BuildGoldbergClass3(polyhedron* target, int64_t) {
    GoldbergForm form;
    if (!GoldbergFormOfShapecode(target->shapeCode, &form) || form.family != kGoldbergClass3) return 0;
    if (target->shapeCode == 367) return BuildGoldbergClass3_alternative(target, form.m, form.n);
    const VoronoiHandlingOptions o = GoldbergOptions(false);
    target->overlapTestOff = 1;
    if (!FreshTarget(target)) return Finish(target);
    polyhedron* base = NewBaseSolidFor(target, form.base);
    if (!base) return Finish(target);
    BabyCSG* csg = NewStore(target, o);
    if (!csg) {
        FreeScratchSolid(&base);
        return Finish(target);
    }
    HALFSPACE planes;
    InitEmptyList(&planes);
    accumulateGeodesicVertsBasedOnPoly(base, form.m, form.n, &planes, o);
    FreeScratchSolid(&base);
    BuildCubeEnclosing(csg);
    for (HALFSPACE* p = planes.head->next; p != planes.head; p = p->next) SliceOnePlaneAway(csg, p);
    DisposeListExceptForHead(&planes);
    // The planes touch the unit sphere: the solid is at unit size already.
    return FinishFromStore(target, &csg, form, o, 1.0);
}

void build_class_I_miniquads_of_one_face(const polyhedron* poly, int64_t face, int64_t k, BabyCSG* csg) {
    const PolyFace3D& f = poly->face3D[face];
    if (f.count != 4 || k < 1) return;
    const triplex q0 = poly->coords3D[f.vertex[0]], q1 = poly->coords3D[f.vertex[1]], q2 = poly->coords3D[f.vertex[2]],
                  q3 = poly->coords3D[f.vertex[3]];
    for (int64_t s = 0; s < k; ++s)
        for (int64_t c = 0; c < k; ++c) make_miniquad(q0, q1, q2, q3, k, s, c, csg);
}

void build_class_2_or_3_miniquads_of_one_face(const polyhedron* poly, int64_t face, int64_t p, int64_t q,
                                              BabyCSG* csg) {
    if (poly->face3D[face].count != 4) return;
    const spunQuad sq = make_spun_Quad(0, 0, p, q, p - q, p + q, -q, p);
    for (int64_t i = std::min({p, p - q, -q, int64_t(0)}); i <= std::max({p, p - q, -q, int64_t(0)}); ++i)
        for (int64_t j = std::min({q, p + q, p, int64_t(0)}); j <= std::max({q, p + q, p, int64_t(0)}); ++j) {
            const fcomplex uv = SpunQuadCoordinates(sq, fcomplex{double(i), double(j)});
            if (MiniWeightIsInside(uv.re) && MiniWeightIsInside(uv.im)) attemptFourMiniQuads(i, j, poly, face, sq, csg);
        }
}

namespace {

int64_t BuildQuadSolid(polyhedron* target, int32_t family) {
    GoldbergForm form;
    if (!GoldbergFormOfShapecode(target->shapeCode, &form) || form.family != family) return 0;
    const VoronoiHandlingOptions o = GoldbergOptions(false);
    if (!FreshTarget(target)) return Finish(target);
    polyhedron* base = NewQuadBase(target, form.base);
    if (!base) return Finish(target);
    BabyCSG* csg = NewStore(target, o);
    if (!csg) {
        FreeScratchSolid(&base);
        return Finish(target);
    }
    for (int64_t f = 0; f < base->faceCount3D; ++f) {
        if (family == kQuadClass1)
            build_class_I_miniquads_of_one_face(base, f, form.order, csg);
        else
            build_class_2_or_3_miniquads_of_one_face(base, f, form.m, form.n, csg);
    }
    FreeScratchSolid(&base);
    return FinishFromStore(target, &csg, form, o, 1.0);
}

}  // namespace

int64_t BuildQuadClassI(polyhedron* target) { return BuildQuadSolid(target, kQuadClass1); }

int64_t BuildQuadClass2_or_3(polyhedron* target) {
    GoldbergForm form;
    GoldbergFormOfShapecode(target->shapeCode, &form);
    return BuildQuadSolid(target, form.family == kQuadClass3 ? kQuadClass3 : kQuadClass2);
}

int64_t BuildGoldbergOrQuadSolid(polyhedron* target, int64_t parameter) {
    GoldbergForm form;
    GoldbergFormOfShapecode(target->shapeCode, &form);
    switch (form.family) {
    case kGoldbergClass1:
        return BuildGoldbergClass1(target, parameter);
    case kGoldbergClass2:
        return BuildGoldbergClass2(target, parameter);
    case kGoldbergClass3:
        return BuildGoldbergClass3(target, parameter);
    case kQuadClass1:
        return BuildQuadClassI(target);
    case kQuadClass2:
    case kQuadClass3:
        return BuildQuadClass2_or_3(target);
    default:
        FailBuild(target, kPolyStatusUnbuilt);
        return 0;
    }
}
