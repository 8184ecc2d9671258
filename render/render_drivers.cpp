#include "render/render_drivers.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common/memory.h"
#include "platform/host/result_codes.h"
#include "platform/phase_clock.h"
#include "polyhedra/polyhedron.h"
#include "projections/input_poly.h"
#include "projections/sphere_to_input.h"
#include "pyramid/cube_corpus.h"
#include "pyramid/input_fill.h"
#include "pyramid/kernels.h"
#include "pyramid/mipmap.h"
#include "pyramid/pyramid.h"
#include "render/render_context.h"
#include "render/render_job.h"
#include "render/reply_grid.h"
#include "render/tile_passes.h"
#include "host_access/FilterBigDocument.h"
#include "records/data.h"
#include "host_access/host_rects.h"
#include "host_access/host_utilities.h"
#include "pyramid/render_storage.h"
#include "records/parameters.h"
#include "host_access/host_result.h"
#include "records/plugin_globals.h"
#include "engine/render_bridge.h"
#include "host_access/reporter.h"
#include "engine/task_engine_globals.h"
#include "engine/task_records.h"
#include "engine/task_runner.h"
#include "records/work_area.h"

namespace {

constexpr OSErr kResultOutOfMemory = -108;
constexpr float kTriangleWaveTop = 1e8f;

double Now() {
    using namespace std::chrono;
    return duration<double>(system_clock::now().time_since_epoch()).count();
}

// Ends the render with `message` as the host's error text; the host shows
// it, so it is not shown here as well.
void FailRender(const char* message, int16_t diagnostic) {
    SetHostResult(gFilterRecord ? HostReportError(gFilterRecord->errorString, message) : OSErr(filterBadParameters),
                  diagnostic);
}

// Cuts a cube-map input into its six faces; false, with the result and the
// reason, when it cannot. No render reads a cube layout from the whole input.
bool CutCubeCorpus(Data* data, const Parameters& settings) {
    const int64_t inputMode = settings.inputMode;
    const CubeLayout& layout = *CubeLayoutOfTag(CubeLayoutTagOfInputMode(inputMode));
    // A picture of another shape is not this layout (a cross read from a 2:1
    // frame).
    const PyramidDescriptor& input = data->pyramids[kMainInputPyramid];
    if (input.tiles) {
        const std::string refusal =
            CubeShapeRefusal(layout, inputMode, input.width[0], input.height[0], "the picture");
        if (!refusal.empty()) {
            FailRender(refusal.c_str(), kDiagCubeCorpus);
            return false;
        }
    }
    const int64_t code = FillCubeCorpus(data, layout);
    if (code == kCubeCutDone) {
        // A reduced preview reads the faces' smaller levels: they are built
        // now on all cores rather than by the first tile that reads one.
        if (settings.proxyScale > 1) {
            const OSErr before = gTaskEngine.hostResult;
            BuildCubeLevelsNow(data);
            if (before == noErr && gTaskEngine.hostResult != noErr) {
                SetHostResult(gTaskEngine.hostResult, kDiagCubeCorpus);
                return false;
            }
        }
        return true;
    }
    if (code == kCubeCutOutOfMemory) {
        SetHostResult(kResultOutOfMemory, kDiagCubeCorpus);
        return false;
    }
    char message[160];
    std::snprintf(message, sizeof message,
                  code == kCubeCutTooSmall
                      ? "The picture is too small for input mode %lld: a cube face would be empty."
                      : "Input mode %lld has no picture to cut into cube faces.",
                  (long long)inputMode);
    FailRender(message, kDiagCubeCorpus);
    return false;
}

// The solid under a polyhedral input picture; false, with the reason, when
// it cannot be built (a render would otherwise show a transparent input).
bool PrepareInputPoly(Data* data, int64_t inputMode) {
    const VRect f = data->filterRect;
    const double width = double(f.right) - f.left, height = double(f.bottom) - f.top;
    const polyhedron* poly = AllocateInputPoly(data, inputMode, width > 0 ? height / width : 1.0);
    if (!poly) {
        SetHostResult(kResultOutOfMemory, kDiagInputPolyhedron);
        return false;
    }
    if (InputPolyStatusIsUsable(poly->status) && poly->netTriangleCount > 0) return true;
    char message[200];
    std::snprintf(message, sizeof message,
                  "The solid of input mode %lld could not be built (polyhedron status %lld), so the picture cannot "
                  "be read from its net.",
                  (long long)inputMode, (long long)poly->status);
    FailRender(message, kDiagInputPolyhedron);
    DisposeInputPoly(data);
    return false;
}

int64_t Width(const VRect& r) { return int64_t(r.right) - r.left; }
int64_t Height(const VRect& r) { return int64_t(r.bottom) - r.top; }

void SetOutputSize(Data* data, const VRect& total) {
    data->outputWidth = Width(total);
    data->outputHeight = Height(total);
    data->outputFirstRow = 0;
    data->outputLastRow = Height(total) - 1;
    data->outputLastColumn = Width(total) - 1;
}

struct RenderTileHook {
    void (*work)(void*) = nullptr;
    void* context = nullptr;
};
RenderTileHook& TileHook() {
    static RenderTileHook hook;
    return hook;
}

// The tiles of the total rectangle through the task engine, purpose 2 on
// squares.
void RunRenderTiles(RenderJob* job, ProgressivePreviewManager* ppm, proxyBufferRecord* proxy) {
    TaskGuidance guidance;
    initTaskGuidance(&guidance);
    GetDefaultGuidance(&guidance, proxy);
    LoadTaskEngineFromShell(job->settings);
    TileWork work = RenderTileWork();
    work.job = job;
    work.betweenCompletions = TileHook().work;
    work.hookContext = TileHook().context;
    RunTiles(kPurposeRender, kPartitionSquares, &guidance, work, ppm);
    StoreTaskEngineResultInShell(&job->settings);
    // A tile without its span list would have left holes in the net.
    if (SpanListsFailed(job) && HostResult() == noErr) SetHostResult(kResultOutOfMemory, kDiagSpanLists);
    FinishRenderContext(job);
}

// Everything shared by the tiles, once, on this thread. Each way of failing
// leaves its own diagnostic beside the host result.
bool PrepareRender(Data* data, RenderJob* job) {
    const Parameters& settings = job->settings;
    MakeTriangleWave(data->triangleWave);
    LoadTaskEngineFromShell(settings);
    if (!PrerollManipulation(data, settings)) return false;
    int16_t diagnostic = kDiagRenderContext;
    if (!PrepareRenderContext(job, data, &diagnostic)) {
        if (diagnostic == kDiagPolyhedron) {
            // A net cut short by a full table would draw part of the solid.
            char message[200];
            std::snprintf(message, sizeof message,
                          "The solid of output mode %lld could not be built whole, so its net is not drawn.",
                          (long long)settings.outputMode);
            FailRender(message, diagnostic);
            return false;
        }
        if (diagnostic == kDiagNetTabs) {
            char message[300];
            std::snprintf(message, sizeof message,
                          "The glue tabs of output mode %lld do not fit in its net's table of %lld vertices: %lld "
                          "seams would have no tab. Set the tab size to 0 to draw the net without tabs.",
                          (long long)settings.outputMode, (long long)kMax2DVertices,
                          (long long)TabsPastNetLimit(data));
            FailRender(message, diagnostic);
            return false;
        }
        // A render stopped while its solid was still being built is cancelled.
        SetHostResult(diagnostic == kDiagHandleMissing      ? filterBadParameters
                      : diagnostic == kDiagAbortDuringRender ? OSErr(userCanceledErr)
                                                             : kResultOutOfMemory,
                      diagnostic);
        return false;
    }
    // A net drawn with glue tabs left out is still drawn, and the user told.
    const std::string warning = NetTabWarning(RenderContextTemplate(job), settings.outputMode);
    if (!warning.empty()) ReportWarning(warning.c_str());
    return true;
}

// The whole render of the job: its preparation, its tiles and the clean-up
// after them.
void Render(Data* data, RenderJob* job, ProgressivePreviewManager* ppm, proxyBufferRecord* proxy) {
    if (PrepareRender(data, job)) RunRenderTiles(job, ppm, proxy);
    job->settings.progressPhase = -1;
    Postroll(data);
}

}  // namespace

void MakeTriangleWave(float table[256]) {
    table[0] = 0.0f;
    for (int i = 1; i < 255; ++i) {
        const float f = float(i) / 255.0f;
        table[i] = f / (1.0f - f);
    }
    table[255] = kTriangleWaveTop;
}

bool PrerollManipulation(Data* data, const Parameters& settings) {
    if (!data) {
        SetHostResult(filterBadParameters, kDiagHandleMissing);
        return false;
    }
    const VRect total = GetProcessableRect();
    const int64_t width = Width(total), height = Height(total);
    (void)height;
    data->rowCellCount = width + 4;
    if (data->rowCellCount > data->rowBufferRecordCount || !data->rowBuffer) {
        data->rowIndex = -1;
        RobustDisposePtr(&data->rowBuffer);
        data->rowBufferRecordCount = 0;
        data->rowBuffer = static_cast<MirelYummy*>(RobustNewPtr(size_t(data->rowCellCount) * sizeof(MirelYummy)));
        if (!data->rowBuffer) {
            SetHostResult(kResultOutOfMemory, kDiagRowBufferRegrow);
            return false;
        }
        data->rowBufferRecordCount = data->rowCellCount;
    }

    PyramidDescriptor* main = &data->pyramids[kMainInputPyramid];
    if (settings.hqpr) initGaussianPyrTable_gauss(&main->kernel);
    else initGaussianPyrTable_sinc(&main->kernel);

    const int64_t inputMode = settings.inputMode;
    if (CubeLayoutTagOfInputMode(inputMode) != 0) {
        if (!CutCubeCorpus(data, settings)) return false;
        // A result of its own (a layer, a thumbnail) may lie over the whole
        // picture at another size, read from the smaller levels, which are
        // not made for a cube layout otherwise.
        if (settings.renderDestination == kRenderToOffscreen && main->tiles && main->mipmapState != 2) {
            paint_mipmap_of_pyramid(main);
            if (main->mipmapState != 2) {
                if (HostResult() == noErr && gTaskEngine.hostResult != noErr)
                    SetHostResult(gTaskEngine.hostResult, int16_t(gTaskEngine.diagnostic));
                return false;
            }
        }
        NotePhaseEnd("cube faces");
    } else {
        DumpAnyCorpus();
        const int64_t wrap = EdgeModeForInputMode(inputMode);
        const int64_t overhang = OverhangModeForInputMode(inputMode);
        main->highQuality = 1;
        if (main->tiles && (main->edgeMode != wrap || main->overhangMode != overhang || main->mipmapState != 2)) {
            main->edgeMode = wrap;
            main->overhangMode = overhang;
            paint_mipmap_of_pyramid(main);
            if (main->mipmapState != 2) {  // the reduction job failed: its result is the plug-in's
                if (HostResult() == noErr && gTaskEngine.hostResult != noErr)
                    SetHostResult(gTaskEngine.hostResult, int16_t(gTaskEngine.diagnostic));
                return false;
            }
        }
    }
    if (InputModeCategory(inputMode) && !PrepareInputPoly(data, inputMode)) return false;
    if (data->storage) {
        data->storage->inverseTableA[0] = kInverseTableNotBuilt;
        data->storage->inverseTableB[0] = kInverseTableNotBuilt;
    }
    data->renderWords[0] = 1;
    data->renderWords[1] = 0;
    return true;
}

double PFFOWFR_by_anything(void*, int64_t purpose, ProgressivePreviewManager* ppm, proxyBufferRecord* proxy) {
    if (!gParams || !gData || !gFilterRecord) return Now();
    Data* data = gData;
    // Where the last render went stays in the settings.
    gParams->renderDestination = int32_t(purpose);
    MaybeAllocatePyramids(data);
    // Without its input picture there is nothing to render.
    if (HostResult() != noErr) return Now();
    gParams->renderDestination = int32_t(purpose);

    RectState saved{};
    PushRectAndPreviewState(&saved, data);
    const VRect savedTotal = GetProcessableRect();
    // The render's own settings: its scale, offset and progress phases are
    // its own, never the host's.
    RenderJob job(*gParams);
    Parameters& settings = job.settings;

    VRect total = GetFilterRect();
    switch (purpose) {
        case kRenderToPreview:
            total = data->proxyRect;
            SetProcessableRect(total);
            SetSomesizeRects(data, std::max(settings.proxyScale, 1), &settings);
            break;
        case kRenderToOffscreen:
            SetProcessableRect(total);
            SetSomesizeRects(data, 1, &settings);
            break;
        default:
            SetProcessableRect(total);
            SetSomesizeRects(data, 1, &settings);
            if (data->storage) data->storage->screenWord = 0;
            break;
    }
    if (purpose != kRenderToPreview) {
        settings.progressPhaseCount = 1;
        settings.progressPhase = 1;
        SetOutputSize(data, total);
        settings.previewOffset = PreviewOffset{0, 0};
    }

    Render(data, &job, ppm, proxy);

    SetProcessableRect(savedTotal);
    PopRectAndPreviewState(&saved, data);
    gParams->progressPhase = -1;
    return Now();
}

void render_roundup(const Parameters& settings, const RectState* savedRects, const RectState* savedState,
                    ProgressivePreviewManager* ppm, proxyBufferRecord* proxy) {
    if (!gParams || !gData) return;
    RenderJob job(settings);
    Render(gData, &job, ppm, proxy);
    if (savedRects) PopRectState(savedRects, gData);
    if (savedState) PopRectAndPreviewState(savedState, gData);
    gParams->progressPhase = -1;
}

void SetRenderBetweenCompletions(void (*work)(void* context), void* context) {
    TileHook() = RenderTileHook{work, context};
}
