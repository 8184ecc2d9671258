// A render without a host: the settings and invocation records on the heap,
// an input picture written straight into the main input pyramid, and the
// render's tiles run through the task engine into an offscreen pyramid.
#pragma once

#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "common/memory.h"
#include "polyhedra/polyhedron.h"
#include "projections/input_poly.h"
#include "pyramid/pixels.h"
#include "pyramid/pyramid.h"
#include "render/render_drivers.h"
#include "render/tile_passes.h"
#include "render/render_job.h"
#include "records/data.h"
#include "host_access/host_rects.h"
#include "records/parameters.h"
#include "shell/defaults.h"
#include "records/plugin_globals.h"
#include "records/vort.h"
#include "engine/task_engine_globals.h"
#include "engine/task_records.h"
#include "engine/task_runner.h"
#include "tests/projections/earth_fixture.h"

// Width and height from a JPEG stream's start-of-frame marker.
inline bool JPEGSize(const std::vector<uint8_t>& b, int* width, int* height) {
    for (size_t i = 2; i + 9 < b.size();) {
        if (b[i] != 0xFF) return false;
        const uint8_t marker = b[i + 1];
        const size_t length = size_t(b[i + 2]) << 8 | b[i + 3];
        if (marker >= 0xC0 && marker <= 0xC3) {
            *height = b[i + 5] << 8 | b[i + 6];
            *width = b[i + 7] << 8 | b[i + 8];
            return *width > 0 && *height > 0;
        }
        i += 2 + length;
    }
    return false;
}

using PixelFunction = std::function<void(int64_t, int64_t, float*)>;

struct RenderRig {
    std::unique_ptr<Parameters> params{new Parameters{}};
    std::unique_ptr<Data> data{new Data{}};
    std::unique_ptr<PyramidDescriptor> output{new PyramidDescriptor{}};
    int16_t result = 0;
    int64_t partition = kPartitionSquares;  // how the render cuts its tiles
    // Called with the render's context prepared, before its tiles start.
    std::function<void(vort*)> beforeTiles;

    RenderRig() {
        GrabDefaultSettings(params.get());
        params->proxyScale = 1;
        params->progressPhase = -1;
        params->progressPhaseCount = 1;
        params->sharpen = 0.0f;
        gParams = params.get();
        gData = data.get();
        gResult = &result;
        for (PyramidDescriptor& p : data->pyramids) InitPyramidProcs(&p);
        InitPyramidProcs(output.get());
    }
    ~RenderRig() {
        for (PyramidDescriptor& p : data->pyramids) DisposePyramidData(&p);
        DisposePyramidData(output.get());
        RobustDisposePtr(&data->rowBuffer);
        DisposeInputPoly(data.get());
        // The output solid a polyhedral render set up.
        DumpPolyStorage(data->renderPolyhedron);
        RobustDisposePtr(&data->renderPolyhedron);
        gTaskEngine = TaskEngineGlobals{};
        gParams = nullptr;
        gData = nullptr;
        gResult = nullptr;
    }
    PyramidDescriptor* input() { return &data->pyramids[kMainInputPyramid]; }

    // The input picture: w x h of the given kind, every level filled by f
    // at level 0 and reduced from it.
    bool SetInput(int64_t w, int64_t h, int64_t kind, const PixelFunction& f) {
        if (TryToAllocatePyramid_2006(input(), w, h, kind, 0, 0) != 1) return false;
        for (int64_t y = 0; y < h; ++y)
            for (int64_t x = 0; x < w; ++x) {
                float c[4];
                f(x, y, c);
                set_intcoord_unitary_color(x, y, input(), 0, c);
            }
        input()->mipmapState = 1;
        data->filterRect = VRect{0, 0, int32_t(h), int32_t(w)};
        return true;
    }

    // The input picture from a JPEG file, as 8-bit colour.
    bool SetInputFromJPEG(const char* path) {
        FILE* f = std::fopen(path, "rb");
        if (!f) return false;
        std::vector<uint8_t> bytes;
        uint8_t buffer[65536];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;) bytes.insert(bytes.end(), buffer, buffer + n);
        std::fclose(f);
        int width = 0, height = 0;
        if (!JPEGSize(bytes, &width, &height)) return false;
        if (TryToAllocatePyramid_2006(input(), width, height, kPyrColour8, 0, 0) != 1) return false;
        if (DecodeJPEGIntoPyramid(input(), bytes.data(), bytes.size()) != kJPEGOK) return false;
        input()->mipmapState = 1;
        data->filterRect = VRect{0, 0, int32_t(height), int32_t(width)};
        return true;
    }

    // Renders the whole output (w x h, kind) into the offscreen pyramid; the
    // engine's result.
    OSErr Render(int64_t w, int64_t h, int64_t kind) { return RenderTo(kRenderToOffscreen, w, h, kind, nullptr); }

    // Renders into the given destination: the offscreen pyramid (w x h,
    // kind) or, for the preview, the proxy buffer (the output then has the
    // input's size at the scale of the settings).
    OSErr RenderTo(int32_t destination, int64_t w, int64_t h, int64_t kind, proxyBufferRecord* proxy) {
        DisposePyramidData(output.get());
        if (TryToAllocatePyramid_2006(output.get(), w, h, kind, 0, 0) != 1) return -108;
        const VRect total{0, 0, int32_t(h), int32_t(w)};
        SetProcessableRect(total);
        params->renderDestination = destination;
        gTaskEngine = TaskEngineGlobals{};
        gTaskEngine.data = data.get();
        gTaskEngine.renderDestination = destination;
        gTaskEngine.totalRect = total;
        gTaskEngine.mainPyramid = input();
        gTaskEngine.offscreenPyramid = output.get();
        gTaskEngine.offscreenPixelKind = int32_t(kind);
        gTaskEngine.progressPhase = -1;
        if (!PrerollManipulation(data.get(), *params)) return -108;
        gTaskEngine.totalRect = total;
        gTaskEngine.mainPyramid = input();
        gTaskEngine.offscreenPyramid = output.get();
        gTaskEngine.renderDestination = destination;
        gTaskEngine.offscreenPixelKind = int32_t(kind);
        RenderJob job(*params);
        if (!PrepareRenderContext(&job, data.get())) return -108;
        if (beforeTiles) beforeTiles(const_cast<vort*>(RenderContextTemplate(&job)));
        TaskGuidance guidance;
        initTaskGuidance(&guidance);
        GetDefaultGuidance(&guidance, proxy);
        TileWork work = RenderTileWork();
        work.job = &job;
        RunTiles(kPurposeRender, partition, &guidance, work, nullptr);
        FinishRenderContext(&job);
        return gTaskEngine.hostResult;
    }

    void Out(int64_t x, int64_t y, float c[4]) { get_intcoord_unitary_color(x, y, output.get(), 0, c); }
    // The output's colours, four floats a pixel, rows from the top.
    std::vector<float> OutputColours() {
        const int64_t w = output->width[0], h = output->height[0];
        std::vector<float> colours(size_t(w * h * 4));
        for (int64_t y = 0; y < h; ++y)
            for (int64_t x = 0; x < w; ++x) Out(x, y, &colours[size_t(y * w + x) * 4]);
        return colours;
    }
    void In(int64_t x, int64_t y, float c[4]) { get_intcoord_unitary_color(x, y, input(), 0, c); }
};

// A deterministic busy picture: every pixel differs from its neighbours.
inline void BusyPixel(int64_t x, int64_t y, float* c) {
    const uint32_t h = uint32_t(x * 73856093) ^ uint32_t(y * 19349663);
    c[0] = float((h >> 3) % 256) / 255.0f;
    c[1] = float((h >> 11) % 256) / 255.0f;
    c[2] = float((h >> 19) % 256) / 255.0f;
    c[3] = 1.0f;
}
