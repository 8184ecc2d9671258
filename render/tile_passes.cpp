#include "render/tile_passes.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>

#include "common/memory.h"
#include "polyhedra/polyhedron.h"
#include "projections/caches.h"
#include "projections/drawing_3d.h"
#include "projections/forward_maps.h"
#include "projections/gores.h"
#include "projections/hyperbolic.h"
#include "projections/panel_layouts.h"
#include "projections/polyhedral_transform.h"
#include "projections/sample_road.h"
#include "projections/secondary_warp.h"
#include "projections/sphere_to_input.h"
#include "projections/square_world_maps.h"
#include "records/output_modes.h"
#include "records/vort.h"
#include "render/edge_marks.h"
#include "render/globes/globe_render.h"
#include "render/host_pixels.h"
#include "render/overlays.h"
#include "render/render_context.h"
#include "render/render_job.h"
#include "render/reply_grid.h"
#include "render/supersampler.h"
#include "records/data.h"
#include "records/parameters.h"
#include "records/plugin_globals.h"
#include "engine/task_records.h"
#include "engine/task_runner.h"
#include "host_access/host_rects.h"
#include "host_access/reporter.h"
#include "render/tile_copies.h"
#include "records/work_area.h"

namespace {

constexpr int kHilbertSide = 32;
constexpr int64_t kPrefetchDistance = 6;  // pixels
constexpr int kHilbertPoints = kHilbertSide * kHilbertSide;
constexpr int32_t kLargestSampleCount = 20;
constexpr long kInputModeMollweide = 7;

// The render a task belongs to (TileWork::job).
RenderJob* JobOf(const PerTaskStuffType* task) { return task ? static_cast<RenderJob*>(task->job) : nullptr; }

// The host's rectangles of a tile before its exchange, at the render's own
// proxy scale and preview offset.
void SetTileChunkRects(PerTaskStuffType* task) {
    const RenderJob* job = JobOf(task);
    const Parameters* p = job ? &job->settings : nullptr;
    SetInputChunkRectsNew(AbsoluteTileRect(task->tracker), p ? p->proxyScale : 1, p ? p->previewOffset.x : 0,
                          p ? p->previewOffset.y : 0);
}

void resetStatehints(vort* c) {
    c->stateCrossing = 0;
    c->stateSamplerFlag = 0;
    c->stateHints[0] = c->stateHints[1] = 0.0f;
    c->levelHint = 0.0f;
    c->levelHintDeferred = 0;
    c->largestSampleCount = kLargestSampleCount;
}

// The lazily built tables the road may read, built here so that no worker
// ever writes them.
void PrefillLazyTables(vort* c, InverseTables* tables) {
    MarkInverseTablesUnbuilt(tables);
    const long m = c->outputMode;
    if (m == kModeRobinson || m == kModeRobinsonInterrupted) RobinsonInverse_function(c->ellipsoidTable, 0.0f);
    if (m == 73 || (m >= 360 && m <= 367)) binary_search_for_parameter_from_distance(c->ellipsoidTable, 0, 0.0f, c->shapeFactor);
    if (m == 74) binary_search_for_parameter_from_distance(c->ellipsoidTable, 1, 0.0f, c->shapeFactor);
    if (c->inputMode == kInputModeMollweide) Molltheta(c->inputTable, 0.0f);
}

MirelYummy* CellOf(int64_t x, int64_t y, vort* c) { return GetYummyReplyPointer(x, y, c); }

// Where the boundary between two corners' regions crosses each side of pixel
// (x, y), in pixel units from its top-left corner: top, bottom, left, right.
// Sides whose corners agree, or where a third region shows up, keep the
// middle.
void FindSideCrossings(SamplerRig* rig, SuperSamplerReply* rec, int64_t x, int64_t y) {
    static constexpr int kSides[4][2] = {{0, 1}, {2, 3}, {0, 2}, {1, 3}};  // corner pairs
    static constexpr float kFrom[4][2] = {{0, 0}, {0, 1}, {0, 0}, {1, 0}}, kTo[4][2] = {{1, 0}, {1, 1}, {0, 1}, {1, 1}};
    for (int s = 0; s < 4; ++s) {
        rec->boundary[s] = 0.5f;
        const TransformationReply *p = rec->corner[kSides[s][0]], *q = rec->corner[kSides[s][1]];
        float f;
        if (p->place != q->place) {
            if (HuntForDiscontinuity(rig, x, y, kFrom[s], kTo[s], RegionHash(*p), RegionHash(*q), &f)) rec->boundary[s] = f;
        } else if (CornersApart(*p, *q, rig->context, false)) {
            // A cut between two faces of one net piece.
            if (HuntForDiscontinuity(rig, x, y, kFrom[s], kTo[s], NetFaceKey(*p), NetFaceKey(*q), &f, NetFaceKey))
                rec->boundary[s] = f;
        }
    }
}

// The reply of cell (x, y): the grid's, or asked of the road afresh into
// spare for a cell beyond the apron.
const TransformationReply* ReplyAt(SamplerRig* rig, int64_t x, int64_t y, TransformationReply* spare) {
    if (const MirelYummy* cell = CellOf(x, y, rig->context)) return &cell->reply;
    ReplyAtPixelPosition(rig, float(x), float(y), spare);
    return spare;
}

// The edge dots of pixel (x, y) alone, its corners taken where they are.
void EdgeDotsBeforeTheTile(SamplerRig* rig, SuperSamplerReply* rec, int64_t x, int64_t y) {
    TransformationReply spare[4];
    for (int i = 0; i < 4; ++i)
        rec->corner[i] = const_cast<TransformationReply*>(ReplyAt(rig, x - 1 + (i & 1), y - 1 + (i >> 1), &spare[i]));
    FindSideCrossings(rig, rec, x, y);
    draw_edge_dot(rec, x, y, rig->context->outputMode == 1045, rig->context, 1);
    if (const MirelYummy* cell = CellOf(x, y, rig->context)) notice_concave_edges_new(&cell->reply, rig->context, x, y);
}

typedef float V4f __attribute__((vector_size(16)));

// The colour of one pixel as the colour pass leaves it in its cell. The four
// channels travel together: each lane takes the scalar steps.
void ColourOnePixel(SamplerRig* rig, SuperSamplerReply* rec, int64_t x, int64_t y) {
    vort* c = rig->context;
    GetAdaptivelySampledColorChunky(rig, x, y, c->samplingLevel, rec);
    V4f colour;
    std::memcpy(&colour, rec->colour, sizeof(colour));
    if (c->edgesOn) {
        FindSideCrossings(rig, rec, x, y);
        draw_edge_dot(rec, x, y, c->outputMode == 1045, c, 1);
        if (const MirelYummy* cell = CellOf(x, y, c)) notice_concave_edges_new(&cell->reply, c, x, y);
    }
    if (c->mainTissotFlag || c->polyhedronTissotFlag || c->scissorOn) {
        float t = GetReplyTissot(x, y, c);
        if (t > 0.0f) {
            t = std::min(t, 1.0f);
            for (int k = 0; k < 3; ++k) colour[k] += t * (c->overlayColour[k] - colour[k]);
        }
    }
    if (!c->backdropTransparent) {
        const float a = colour[3];
        const V4f backdrop = {c->backdropColour[0], c->backdropColour[1], c->backdropColour[2], 1.0f};
        colour = a > 0.0f ? backdrop + a * (colour - backdrop) : backdrop;
        colour[3] = 1.0f;
    }
    // Without edge lines this is the pixel's final colour: it goes straight
    // to the task's gathered colours, sparing the copy a pass over the grid
    // (nothing reads the cell's colour then).
    PerTaskStuffType* task = rig->task;
    if (!c->edgesOn && task && task->tileColours) {
        const VRect& t = task->tracker.current_tile_rect;
        if (x >= t.left && x < t.right && y >= t.top && y < t.bottom) {
            std::memcpy(task->tileColours + 4 * ((y - t.top) * (int64_t(t.right) - t.left) + (x - t.left)), &colour,
                        sizeof(colour));
            return;
        }
    }
    if (MirelYummy* cell = CellOf(x, y, c)) std::memcpy(cell->colour, &colour, sizeof(cell->colour));
}

// The edge lines over the finished colours: each pixel's coverage, divided
// by the render's scale so that a reduced preview keeps the line's weight.
void CompositeEdges(vort* c, const VRect& t) {
    for (int64_t y = t.top; y < t.bottom; ++y)
        for (int64_t x = t.left; x < t.right; ++x) {
            MirelYummy* cell = CellOf(x, y, c);
            if (!cell) continue;
            const float a = std::clamp(cell->reply.edges * cell->reply.edgeMask, 0.0f, 1.0f) / float(std::max<int64_t>(c->scale, 1));
            if (!(a > 0.0f)) continue;
            float* rgba = cell->colour;
            const float k = a / (a + rgba[3] - a * rgba[3]);
            for (int i = 0; i < 3; ++i) rgba[i] += k * (c->overlayColour[i] - rgba[i]);
            rgba[3] += a * (1.0f - rgba[3]);
        }
}

void ReplyIntoCell(SamplerRig* rig, int64_t x, int64_t y) {
    if (MirelYummy* cell = CellOf(x, y, rig->context)) ReplyAtPixelPosition(rig, float(x), float(y), &cell->reply);
}

// The cells x0 .. x1 - 1 of row y, the road asked for the whole run at once
// (at the pixel positions ReplyAtPixelPosition asks for).
void RepliesIntoRow(SamplerRig* rig, int64_t x0, int64_t x1, int64_t y) {
    vort* c = rig->context;
    MirelYummy* first = CellOf(x0, y, c);
    if (!first || !CellOf(x1 - 1, y, c)) {
        for (int64_t x = x0; x < x1; ++x) ReplyIntoCell(rig, x, y);
        return;
    }
    const float shift = PixelPositionShift(c);
    Float_Pixels_to_Replies_Along_Row(long(c->scale), long(c->previewOffsetX), long(c->previewOffsetY), rig->proportions,
                                      c, rig->road, x0, x1 - x0, 0.0f, shift, float(y) + shift, &first->reply,
                                      sizeof(MirelYummy));
}

// The view-plane position of a globe's ray at pixel position (fx, fy), as
// the road finds it (ReplyAtPixelPosition, Float_Pixels_to_Reply, the
// framing and the drawing method's panel mapping).
void GlobePlanePoint(const SamplerRig* rig, float fx, float fy, double* gx, double* gy) {
    const vort* c = rig->context;
    const float shift = PixelPositionShift(c);
    const float px = (fx + shift) * float(c->scale) + float(c->previewOffsetX) + 0.5f;
    const float py = (fy + shift) * float(c->scale) + float(c->previewOffsetY) + 0.5f;
    const float u = (px + (px + 1.0f)) * rig->proportions[0], v = (py + (py + 1.0f)) * rig->proportions[1];
    const float X = float(c->inverseScale) * ((u - 0.5f) - float(c->planeCentreX));
    const float Y = float(c->inverseScale) * (v - 0.5f) * c->aspect;
    GlobeRay ray{};
    GlobeRayOf(c->outputMode, X, Y, c, &ray);
    *gx = ray.gx;
    *gy = ray.gy;
}

// The metaball and Ferguson globes prepare each square: a pixel's samples
// lie between its left and upper neighbours' positions and its own, so the
// square reaches from one pixel before its first to its last, widened by
// 0.05 pixel on every side.
void GlobeSquareBegins(SamplerRig* rig, int64_t x0, int64_t y0) {
    double g[4];
    GlobePlanePoint(rig, float(x0) - 1.05f, float(y0) - 1.05f, &g[0], &g[1]);
    GlobePlanePoint(rig, float(x0 + kHilbertSide) + 0.05f, float(y0 + kHilbertSide) + 0.05f, &g[2], &g[3]);
    DoOncePerHilbertSquareSetup(rig->context, g[0], g[1], g[2], g[3]);
}

bool GlobeSquares(const vort* c) { return c->outputMode == 395 || c->outputMode == 396; }

// Points of a Hilbert square visited between two looks at the job's stop:
// about a row of a tile.
constexpr int kPointsBetweenStopChecks = 128;

// Visits (x, y) of the rectangle [left, right) x [top, bottom) in 32 x 32
// squares from (left, top), each along the Hilbert walk of the context.
// Each row of squares begins with rowSetup(first row, last row + 1); each
// square of a globe begins and ends with its own set-up. The walk ends
// early, within a row's worth of points, once the job has stopped.
template <typename Visit, typename RowSetup>
void HilbertWalk(SamplerRig* rig, int64_t left, int64_t top, int64_t right, int64_t bottom, Visit visit,
                 RowSetup rowSetup) {
    vort* c = rig->context;
    const bool squares = GlobeSquares(c);
    for (int64_t y0 = top; y0 < bottom; y0 += kHilbertSide) {
        rowSetup(y0, std::min<int64_t>(y0 + kHilbertSide, bottom));
        for (int64_t x0 = left; x0 < right; x0 += kHilbertSide) {
            if (TileStopAsked(rig->task)) return;
            if (squares) GlobeSquareBegins(rig, x0, y0);
            bool stopped = false;
            for (int d0 = 0; d0 < kHilbertPoints && !stopped; d0 += kPointsBetweenStopChecks) {
                for (int d = d0; d < d0 + kPointsBetweenStopChecks; ++d) {
                    const int64_t x = x0 + c->hilbertWalk[d][0], y = y0 + c->hilbertWalk[d][1];
                    if (x < right && y < bottom) visit(x, y);
                }
                stopped = TileStopAsked(rig->task);
            }
            if (squares) DestroyOncePerHilbertSquareSetup(c);
            if (stopped) return;
        }
    }
}

// Samples of a pixel reach this many pixels beyond it (supersampling,
// boundary hunts, the Tissot and edge blocks before the tile).
constexpr int64_t kSpanReach = 3;

// The span list of the net triangles that the samples of pixel rows
// y0..y1 - 1 and columns x0..x1 - 1 can reach, in the task's first hint
// record (once per band). The wrapped and folded layouts keep the whole net.
void DoOncePerHilbertRowSetup(SamplerRig* rig, int64_t x0, int64_t x1, int64_t y0, int64_t y1) {
    vort* c = rig->context;
    if (!c->polyhedral || !c->outputPolyhedron) return;
    renderhinttype* h = &rig->task->hints[0];
    if (h->spanListBuilt && h->spanBand == y0) return;
    const long m = c->outputMode;
    // A floret reads its basis net at lobe points, not at the sample's own
    // plane point: it keeps the whole net too.
    const bool clip = !(m == 7 || m == 64 || m == 368 || m == 370 || m == 1045 || (m >= 371 && m <= 382)) &&
                      !c->outputPolyhedron->floretFlag;
    // The net points of the reachable rectangle's corners, as the road finds them.
    const float shift = PixelPositionShift(c);
    float xs[2], ys[2];
    const int64_t px[2] = {x0 - kSpanReach, x1 + kSpanReach}, py[2] = {y0 - kSpanReach, y1 + kSpanReach};
    for (int i = 0; i < 2; ++i) {
        const float fx = (float(px[i]) + shift) * float(c->scale) + float(c->previewOffsetX) + 0.5f;
        const float fy = (float(py[i]) + shift) * float(c->scale) + float(c->previewOffsetY) + 0.5f;
        PolyhedralNetPoint(c, (fx + (fx + 1.0f)) * rig->proportions[0], (fy + (fy + 1.0f)) * rig->proportions[1],
                           &xs[i], &ys[i]);
    }
    PrepareShortTriList(c->outputPolyhedron, c->exportedPage >= 0 ? c->exportedPage : -1, h, clip, std::min(ys[0], ys[1]), std::max(ys[0], ys[1]), 0.0f,
                        std::min(xs[0], xs[1]), std::max(xs[0], xs[1]));
    h->spanBand = y0;
}

}  // namespace

bool scanning_style(const vort* c) {
    return c->polyhedral || c->outputMode == 395 || c->outputMode == 396 || c->outputMode == 397;
}

bool PrepareRenderContext(RenderJob* job, Data* data, int16_t* diagnostic) {
    auto fail = [diagnostic](int16_t why) {
        if (diagnostic) *diagnostic = why;
        return false;
    };
    if (!data || !job) return fail(kDiagHandleMissing);
    const Parameters* params = &job->settings;
    if (!job->shared) job->shared = static_cast<vort*>(RobustNewPtr(sizeof(vort)));
    if (!job->caches) job->caches = NewProjectionCacheStore();
    if (!job->tables) job->tables = static_cast<InverseTables*>(RobustNewPtr(sizeof(InverseTables)));
    if (!job->shared || !job->caches || !job->tables) return fail(kDiagRenderContext);
    job->ready = false;
    vort* c = job->shared;
    std::memset(c, 0, sizeof(vort));
    FillHilbertWalk(c);
    c->inputPyramids = data->pyramids;
    c->inputPolyhedron = InputModeCategory(params->inputMode) ? data->inputPolyhedron : nullptr;
    c->projectionCaches = job->caches;
    c->inputTable = job->tables->mollweide;
    c->ellipsoidTable = job->tables->ellipsoid;
    c->tilingPyramidA = &data->pyramids[kSmallPyramid10A];
    c->tilingPyramidB = &data->pyramids[kSmallPyramid10B];
    GetInputOutputProportions(data, c);
    resetStatehints(c);
    job->spanStorageFailed = false;
    if (!SetUpOutputPolyhedron(data, params, c, diagnostic)) return false;
    FillInTwirlyZero(data, params, c);
    c->samplingLevel = params->renderDestination == kRenderToPreview ? int64_t(std::clamp(params->previewquality, 1, 3))
                                                                      : kSamplingAdaptive;
    c->samplerThreshold = params->sharpen * 0.01f;
    PrefillLazyTables(c, job->tables);
    // The globe's model, built before any tile (or kept while nothing it
    // depends on changed).
    if (!PrepareGlobeModel(data, params, c)) return fail(kDiagRenderContext);
    // The Spilhaus map turns its square into the aspect of the world ocean.
    if (c->outputMode == kModeSpilhaus) BuildSpilhausRotation(c->spilhausRotation);
    // The Ferguson globe takes the kaleidoscope's jitter step too (its
    // tables follow the same setting and are drawn here).
    if (c->outputMode == kModeMirrors || c->outputMode == kModeFerguson) {
        // The kaleidoscope's mirrors follow the random seed setting; they
        // are drawn here, never by a worker.
        MirrorTable* mirrors = data->storage ? &data->storage->mirrors : job->spareMirrors;
        if (!mirrors && (job->spareMirrors = static_cast<MirrorTable*>(RobustNewPtr(sizeof(MirrorTable))))) {
            std::memset(static_cast<void*>(job->spareMirrors), 0, sizeof(MirrorTable));  // not drawn yet
            mirrors = job->spareMirrors;
        }
        if (!mirrors) return false;
        JitterMirrorTable(mirrors, params->randomSeed);
        c->mirrorTable = mirrors;
    }
    // A multiview whose solid has no faces has no grid to draw.
    if (IsViewGrid(c->outputMode) && (c->viewColumns <= 0 || c->viewRows <= 0)) return false;
    // A cache that exists but cannot be built (memory short) fails the
    // render instead of leaving its modes blank under a success; a table not
    // computed yet is passed over and its rows miss.
    job->ready = PrefillProjectionCachesForMode(job->caches, c->outputMode);
    // The caches of the polyhedron's conformal warp, read by every sample.
    int64_t tags[4];
    int64_t n = c->polyhedral ? CacheTagsOfWarp(c->outputPolyhedron, tags) : 0;
    if (c->polyhedral && ShapecodeTakesSecondaryWarp(c->outputPolyhedron->shapeCode)) tags[n++] = kCacheTagPeirce;
    for (int64_t i = 0; i < n && job->ready; ++i) job->ready = PrepareProjectionCache(job->caches, tags[i]);
    return job->ready || fail(kDiagProjectionCache);
}

void FinishRenderContext(RenderJob* job) {
    if (job) job->ready = false;
}

const vort* RenderContextTemplate(const RenderJob* job) { return job && job->ready ? job->shared : nullptr; }

RenderJob::~RenderJob() {
    ready = false;
    RobustDisposePtr(&shared);
    DisposeProjectionCacheStore(&caches);
    RobustDisposePtr(&tables);
    RobustDisposePtr(&spareMirrors);
}

void PrerollOneTileTask(PerTaskStuffType* task) {
    if (!task) return;
    InitPolyHints(&task->hints[0]);
    InitPolyHints(&task->hints[1]);
    task->lastTissotSpot = 0;
    vort* c = task->context;
    RenderJob* job = JobOf(task);
    if (!c || !job || !job->shared || !job->ready) return;
    // The engine's fields of the context are the task's own.
    MirelYummy* grid = c->replyGrid;
    int64_t identifiers[2] = {c->identifiers[0], c->identifiers[1]};
    std::memcpy(static_cast<void*>(c), job->shared, sizeof(vort));
    c->replyGrid = grid;
    c->identifiers[0] = identifiers[0];
    c->identifiers[1] = identifiers[1];
    c->task = task;
    c->pass = 0;
    ResetGlobeTaskState(c);
    renderhinttype& h = task->hints[0];
    h.outputMode = c->outputMode;
    h.tileScale = std::exp2(5.0f * c->fieldOfView / 180.0f);
    h.kind = c->hintKind;
    InitHypertypeForMode(&h.hyper, c->outputMode);
    // The span storage is sized for the whole net now, so that no band's list
    // ever allocates or runs short.
    if (c->polyhedral && c->outputPolyhedron &&
        !AllocateSpanStorage(&h, SpanNodesForNet(c->outputPolyhedron)))
        job->spanStorageFailed = true;
}

void PostrollOneTileTask(PerTaskStuffType* task) {
    // The input side's ray-search counts join the solid's totals here, on the
    // thread that retires tasks one at a time: no worker writes a shared count.
    if (task && task->context && task->context->inputPolyhedron)
        AddRaySearchCounts(&task->context->inputPolyhedron->raySearchCounts, task->hints[1].raySearch);
    if (task) DumpShortTriangleLists(task->hints);
}

bool SpanListsFailed(const RenderJob* job) { return job && job->spanStorageFailed.load(); }

void FillTileWithSamples(Data*, vort* c, PerTaskStuffType* task) {
    if (!c || !task || !c->replyGrid || !c->inputPyramids) return;
    AnnotateVaxWithBoundaries(task, c);
    LoopingParameters loops;
    init_LoopingParameters(&loops);
    SamplerRig rig;
    InitSamplerRig(&rig, c, task, &loops, c->samplerThreshold);
    const VRect t = task->tracker.current_tile_rect;
    if (scanning_style(c)) {
        c->inHilbertScan = 1;
        HilbertWalk(
            &rig, t.left - 1, t.top - 1, int64_t(t.right) + 1, int64_t(t.bottom) + 1,
            [&](int64_t x, int64_t y) { ReplyIntoCell(&rig, x, y); },
            [&](int64_t y0, int64_t y1) { DoOncePerHilbertRowSetup(&rig, t.left - 1, int64_t(t.right) + 1, y0, y1); });
        c->inHilbertScan = 0;
        return;
    }
    for (int64_t y = t.top - 1; y <= t.bottom && !TileStopAsked(task); ++y)
        RepliesIntoRow(&rig, t.left - 1, int64_t(t.right) + 1, y);
}

void FillTileWithColors(PerTaskStuffType* task) {
    if (!task || !task->context) return;
    vort* c = task->context;
    const VRect t = task->tracker.current_tile_rect;
    if (!c->replyGrid) return;
    if (!c->inputPyramids) {
        // An unprepared task renders nothing: transparent black.
        for (int64_t y = t.top; y < t.bottom; ++y)
            for (int64_t x = t.left; x < t.right; ++x)
                if (MirelYummy* cell = CellOf(x, y, c)) std::memset(cell->colour, 0, sizeof(cell->colour));
        return;
    }
    // Only the overlays read the edge and Tissot values.
    if (c->edgesOn || c->mainTissotFlag || c->polyhedronTissotFlag || c->scissorOn) ClearEdgesGraticuleTissot_tile(c);

    LoopingParameters loops;
    init_LoopingParameters(&loops);
    SamplerRig rig;
    InitSamplerRig(&rig, c, task, &loops, c->samplerThreshold);
    SuperSamplerReply rec{};

    // The Tissot outlines: every block of cells whose dots reach the tile.
    // A dot lands up to a pixel and a half past its block's first cell, so
    // the blocks start two cells before the tile; cells beyond the apron
    // are asked of the road afresh.
    // The overlays' blocks and dots before the tile ask the road for cells
    // beyond the apron: the span list must reach the whole tile for them.
    auto spansOverTheTile = [&] { DoOncePerHilbertRowSetup(&rig, t.left - 2, t.right + 1, t.top - 2, t.bottom + 1); };
    if (c->mainTissotFlag || c->scissorOn) spansOverTheTile();
    if (c->mainTissotFlag || c->scissorOn)
        for (int64_t y = t.top - 2; y < t.bottom && !TileStopAsked(task); ++y)
            for (int64_t x = t.left - 2; x < t.right; ++x) {
                if (c->mainTissotFlag && x >= t.left - 1 && y >= t.top - 1) thetissotgrid(x, y, c, 0);
                TransformationReply spare[4];
                const TransformationReply* k[4];
                for (int i = 0; i < 4; ++i) k[i] = ReplyAt(&rig, x + (i & 1), y + (i >> 1), &spare[i]);
                if (c->mainTissotFlag && !(x >= t.left - 1 && y >= t.top - 1)) TissotBlock(k, float(x) + 0.5f, float(y) + 0.5f, c);
                // The scissor marks, as the Tissot outlines.
                if (c->scissorOn) ScissorBlock(k, float(x) + 0.5f, float(y) + 0.5f, c);
            }
    // The output solid's own indicatrices, from the blocks the grid holds.
    if (c->polyhedronTissotFlag)
        for (int64_t y = t.top - 2; y < t.bottom && !TileStopAsked(task); ++y)
            for (int64_t x = t.left - 2; x < t.right; ++x) thetissotgrid(x, y, c, 1);

    // With the edges overlay one more row and column are coloured, so that
    // their edge dots reach the tile's last row and column; the apron of
    // replies covers them.
    const int64_t e = c->edgesOn ? 1 : 0;
    const int64_t right = int64_t(t.right) + e, bottom = int64_t(t.bottom) + e;
    if (scanning_style(c))
        HilbertWalk(
            &rig, t.left, t.top, right, bottom, [&](int64_t x, int64_t y) { ColourOnePixel(&rig, &rec, x, y); },
            [&](int64_t y0, int64_t y1) { DoOncePerHilbertRowSetup(&rig, t.left - 1, right, y0 - 2, y1); });
    else
        for (int64_t y = t.top; y < bottom && !TileStopAsked(task); ++y)
            for (int64_t x = t.left; x < right; ++x) {
                // The pixel's new corner a few pixels on, asked of memory early:
                // the first pass left the grid beyond the caches.
                if (const MirelYummy* ahead = CellOf(std::min<int64_t>(x + kPrefetchDistance, right), y, c)) {
                    __builtin_prefetch(&ahead->reply.inputU);
                    __builtin_prefetch(&ahead->reply.place);
                }
                ColourOnePixel(&rig, &rec, x, y);
            }
    // A tile the job's stop cut short is thrown away.
    if (TileStopAsked(task)) return;
    // Every pixel of the tile has its final colour among the gathered ones.
    task->coloursGathered = !c->edgesOn && task->tileColours;
    if (c->edgesOn) {
        // The pixels before the tile's first column and row reach into it
        // with their edge dots too.
        spansOverTheTile();
        for (int64_t y = t.top - 1; y < bottom; ++y) EdgeDotsBeforeTheTile(&rig, &rec, t.left - 1, y);
        for (int64_t x = t.left; x < right; ++x) EdgeDotsBeforeTheTile(&rig, &rec, x, t.top - 1);
    }
    if (c->edgesOn) CompositeEdges(c, t);
}

size_t ReplyCellSize() { return sizeof(MirelYummy); }

const TileWork& RenderTileWork() {
    static const TileWork work = [] {
        TileWork w;
        w.preroll = PrerollOneTileTask;
        w.postroll = PostrollOneTileTask;
        w.fillWithSamples = FillTileWithSamples;
        w.fillWithColors = FillTileWithColors;
        w.replyCellSize = ReplyCellSize;
        w.setInputChunkRects = SetTileChunkRects;
        w.copyTileOut = copy_pixels_of_tile_out_to_destination;
        w.markTileCopiedOut = mark_tile_copied_out;
        w.copyTilePixels = copy_tile_pixels_to_destination;
        w.gatherTileColours = gather_tile_colours;
        w.progress = ReportProgress;
        return w;
    }();
    return work;
}
