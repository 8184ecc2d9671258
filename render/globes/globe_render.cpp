#include "render/globes/globe_render.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>

#include "common/memory.h"
#include "projections/twirl.h"
#include "records/TransformationReply.h"
#include "records/data.h"
#include "records/output_modes.h"
#include "records/parameters.h"
#include "records/vort.h"
#include "records/work_area.h"
#include "render/globes/brick_exports.h"
#include "render/globes/brick_globe.h"
#include "render/globes/brick_march.h"
#include "render/globes/ferguson.h"
#include "render/globes/metaball.h"
#include "render/host_pixels.h"

namespace {

constexpr float kDegrees = 3.1415927f / 180.0f;

bool gBruteForce = false;

// The work area's models, each a record of its own kept between renders.
struct MetaballModel {
    MetaballStructure model;
    bool everyBall;  // brute force
};

template <typename T>
T* ModelSlot(void** slot) {
    if (!*slot) {
        *slot = RobustNewPtr(sizeof(T));
        if (*slot) std::memset(*slot, 0, sizeof(T));
    }
    return static_cast<T*>(*slot);
}

// The sphere direction of a model point: the globes' model stands with z up,
// the sphere has y to the north.
void ModelToSphere(const double p[3], float out[3]) {
    const double len = std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]);
    if (len == 0.0) {
        out[0] = 0.0f, out[1] = 0.0f, out[2] = 1.0f;
        return;
    }
    out[0] = float(p[0] / len);
    out[1] = float(p[2] / len);
    out[2] = float(-p[1] / len);
}

// ------------------------------------------------------------------ marches

int BrickMarch(vort* c, int64_t panel, double gx, double gy, TransformationReply* reply, float direction[3]) {
    const auto* ball = static_cast<const LegoStructure*>(c->globeModel);
    if (!LegoMarch_yielding_region(ball, panel, gx, gy, reply, direction)) return 0;
    // The voxel globe is read at the hit point's direction, north up; the
    // brick panels (whose overlays alone read the direction) turn it as
    // their cells' colours were turned, by the twirl.
    const double p[3] = {direction[0], direction[1], direction[2]};
    ModelToSphere(p, direction);
    if (c->outputMode == kModeBrickPreview) {
        const float q[3] = {direction[0], direction[1], direction[2]};
        for (int j = 0; j < 3; ++j)
            direction[j] = q[0] * c->tumble.combined[0][j] + q[1] * c->tumble.combined[1][j] + q[2] * c->tumble.combined[2][j];
    }
    return 1;
}

// Whether a ray's origin lies within the cache's own reach: then the balls
// left out lie too far from its line to change anything near the surface,
// and the empty spheres recorded with this cache hold for it.
bool CacheCovers(const metaballCache& cache, const double origin[3]) {
    if (cache.made != 1) return false;
    const double q[3] = {origin[0] - cache.point[0], origin[1] - cache.point[1], origin[2] - cache.point[2]};
    return std::sqrt(q[0] * q[0] + q[1] * q[1] + q[2] * q[2]) <= cache.tolerance;
}

void FillMarchReply(TransformationReply* reply, const marchray& ray, int32_t region, const double normal[3],
                    double light) {
    reply->place = region;
    for (int i = 0; i < 3; ++i) {
        reply->surfaceNormal[i] = float(normal[i]);
        reply->viewDirection[i] = float(ray.direction[i]);
    }
    reply->diffuse = float(light);
}

int MetaballMarch(vort* c, int64_t, double gx, double gy, TransformationReply* reply, float direction[3]) {
    const auto* holder = static_cast<const MetaballModel*>(c->globeModel);
    reply->shade = 0.0f;
    reply->place = kPlaceNoDirection;
    if (!holder || !holder->model.balls) return 0;
    const MetaballStructure* m = &holder->model;
    GlobeTaskState& g = c->globe;
    const marchray ray = GetRayFromLVSandGaze(m->view, gx, gy);
    double tStart = 0.0;
    MetaballHit hit;
    if (holder->everyBall) {
        castMetaballRay_adjustable_omega(m, ray, &g.cache, &g.shadowCache, 0.0, true, &hit);
    } else {
        if (!CacheCovers(g.cache, ray.origin)) {
            // A ray beyond the square's reach: a cache around it (its
            // neighbours share it), and no history.
            g.cache.made = 0;
            makeBallCacheCurrent_with_Tolerance(m, &g.cache, ray, g.coneWidth);
            eraseSphereHistory(&g.history);
        } else if (g.squareActive && g.history.count > 0) {
            tStart = historySteppingForwardFrom(0, &g.history, ray);
        }
        castMetaballRay_adjustable_omega(m, ray, &g.cache, &g.shadowCache, tStart, false, &hit);
    }
    if (!hit.result) return 0;
    FillMarchReply(reply, ray, hit.region, hit.normal, hit.light);
    ModelToSphere(hit.point, direction);
    return 1;
}

int FergusonMarch(vort* c, int64_t, double gx, double gy, TransformationReply* reply, float direction[3]) {
    const auto* m = static_cast<const FergStructure*>(c->globeModel);
    reply->shade = 0.0f;
    reply->place = kPlaceNoDirection;
    if (!m) return 0;
    const marchray ray = GetRayFromLVSandGaze(m->view, gx, gy);
    FergusonHit hit;
    castFergusonRay(m, ray, &hit);
    if (!hit.result) return 0;
    int32_t region = hit.region;
    if (hit.light < 0.0 && region != kFergCut) region = kFergPlate;
    FillMarchReply(reply, ray, region, hit.normal, hit.light);
    double d[3];
    getFergusonMapPointFromIntersection(d, hit.point[1], hit.point[0], double(c->angles[3]) * 3.141592653589793 / 180.0);
    for (int i = 0; i < 3; ++i) direction[i] = float(d[i]);
    return 1;
}

double Distance(const double a[3], const double b[3]) {
    const double q[3] = {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
    return std::sqrt(q[0] * q[0] + q[1] * q[1] + q[2] * q[2]);
}

}  // namespace

void SetMetaballBruteForce(bool on) { gBruteForce = on; }

bool PrepareGlobeModel(Data* data, const Parameters* p, vort* c) {
    c->globeModel = nullptr;
    c->globeMarch = nullptr;
    const long m = c->outputMode;
    if (!IsGlobeMode(m)) return true;
    TStorage1* s = data ? data->storage : nullptr;
    if (!s || !p) return false;
    if (m == kModeBrickPreview || m == kModeVoxelGlobe) {
        auto* ball = ModelSlot<LegoStructure>(&s->brickBuffer);
        if (!ball) return false;
        const BrickSettings set = BrickSettingsOf(p);
        float table[400];
        BrickPicture pic = BrickPictureOf(data, p, table);
        // The render's own Mollweide table serves the picture of a Mollweide input.
        pic.table = c->inputTable;
        const bool panels = m == kModeBrickPreview;
        const int64_t key = BrickBuildKey(m, set.size, set.plates && panels, set.dithering && panels, set.colourSet,
                                          set.tumbleDegrees, &pic);
        if (!ball->cells || s->brickMarker != key || ball->buildKey != key) {
            DestroyLegoBall(ball);
            tumbletype tumble;
            BrickTumble(&tumble, set.tumbleDegrees);
            if (m == kModeBrickPreview) CreateLegoBall(ball, set.size, set.plates, set.dithering, set.colourSet);
            else CreateFakeLegoBall(ball, set.size, &tumble);
            if (!ball->cells) {
                s->brickMarker = -1;
                return set.size > 0 && LegoBallWidth(set.size, set.plates) > 0 ? false : true;
            }
            BuildLegoball(ball, &pic, &tumble, false);
            // The tallies follow every full build.
            GenerateBrickStatistics(ball, s->brickCellsPerColour, s->brickSurfaceCellsPerColour);
            ball->buildKey = key;
            s->brickMarker = key;
        }
        c->globeModel = ball;
        c->globeMarch = BrickMarch;
        return true;
    }
    tumbletype tumble;
    if (m == kModeBlobWorld) {
        auto* holder = ModelSlot<MetaballModel>(&s->metaballBuffer);
        if (!holder) return false;
        InitTwirlTranformation_core(&tumble, c->angles[1] * kDegrees, c->angles[2] * kDegrees, c->angles[3] * kDegrees, 0);
        // The ball density is the render's percentage setting.
        CreateMetaballModel(&holder->model, &tumble, double(c->percentageWord) / 100.0);
        if (!holder->model.balls) return false;
        holder->everyBall = gBruteForce;
        s->metaballMarker = 1;
        c->globeModel = holder;
        c->globeMarch = MetaballMarch;
        return true;
    }
    auto* ferg = ModelSlot<FergStructure>(&s->fergusonModel);
    if (!ferg) return false;
    InitTwirlTranformation_WEIRD_core(&tumble, c->angles[1] * kDegrees, c->angles[2] * kDegrees, c->angles[3] * kDegrees,
                                      0, 0.0f);
    CreateFergusonModel(ferg, &tumble);
    c->globeModel = ferg;
    c->globeMarch = FergusonMarch;
    return true;
}

void DisposeGlobeModels(TStorage1* s) {
    if (!s) return;
    if (auto* ball = static_cast<LegoStructure*>(s->brickBuffer)) DestroyLegoBall(ball);
    RobustDisposePtr(&s->brickBuffer);
    s->brickMarker = -1;
    if (auto* holder = static_cast<MetaballModel*>(s->metaballBuffer)) DestroyMetaballModel(&holder->model);
    RobustDisposePtr(&s->metaballBuffer);
    s->metaballMarker = -1;
    RobustDisposePtr(&s->fergusonModel);
    DisposeInstructionBall();
}

void ResetGlobeTaskState(vort* c) {
    GlobeTaskState& g = c->globe;
    initMetaballCache(&g.cache);
    initMetaballCache(&g.shadowCache);
    initSphereHistory(&g.history);
    for (globeHistoryRecord& r : g.records) {
        r.valid = 0;
        r.values[0] = r.values[1] = -999.0;
        r.counter = 0;
    }
    g.squareActive = 0;
    g.coneWidth = 0.0;
    g.squareCounters[0] = g.squareCounters[1] = 0;
}

void doAHilbertBoundingSphere(vort* c, const MetaballStructure* model, double half) {
    GlobeTaskState& g = c->globe;
    // The cache serves the square when every ray of it lies within its
    // reach; else it is made afresh around the central ray, reaching twice
    // as far as the square's corners.
    const marchray& central = g.corners[2];
    if (!(g.cache.made == 1 && Distance(central.origin, g.cache.point) + half <= g.cache.tolerance)) {
        g.cache.made = 0;
        makeBallCacheCurrent_with_Tolerance(model, &g.cache, central, g.coneWidth);
    }
    findSphereThatCoversHilbertSquare_metaball(model, &g.cache, central, &g.history, g.coneWidth);
}

void DoOncePerHilbertSquareSetup(vort* c, double gxFirst, double gyFirst, double gxLast, double gyLast) {
    GlobeTaskState& g = c->globe;
    g.squareCounters[0] = g.squareCounters[1] = 0;
    g.squareActive = 0;
    const long m = c->outputMode;
    const LegoGaze* view = nullptr;
    const MetaballModel* holder = nullptr;
    if (m == kModeBlobWorld) {
        holder = static_cast<const MetaballModel*>(c->globeModel);
        if (holder) view = &holder->model.view;
    } else if (m == kModeFerguson) {
        if (const auto* f = static_cast<const FergStructure*>(c->globeModel)) view = &f->view;
    }
    if (!view) return;
    // The views are orthographic: every ray of the square is parallel to the
    // central one, at most as far from it as a corner ray.
    g.corners[0] = GetRayFromLVSandGaze(*view, gxFirst, gyFirst);
    g.corners[1] = GetRayFromLVSandGaze(*view, gxLast, gyLast);
    g.corners[2] = GetRayFromLVSandGaze(*view, 0.5 * (gxFirst + gxLast), 0.5 * (gyFirst + gyLast));
    const double half = std::max(Distance(g.corners[0].origin, g.corners[2].origin),
                                 Distance(g.corners[1].origin, g.corners[2].origin));
    g.coneWidth = 2.0 * half;
    g.squareActive = 1;
    if (m == kModeBlobWorld && !holder->everyBall) doAHilbertBoundingSphere(c, &holder->model, half);
}

void DestroyOncePerHilbertSquareSetup(vort* c) {
    GlobeTaskState& g = c->globe;
    g.squareActive = 0;
    g.squareCounters[0] = 0;
    eraseSphereHistory(&g.history);
}
