#include "render/host_pixels.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/host/filter_record.h"
#include "platform/host/result_codes.h"
#include "records/vort.h"
#include "render/render_drivers.h"
#include "render/reply_grid.h"
#include "pyramid/glue.h"
#include "pyramid/pixels.h"
#include "pyramid/sampling.h"
#include "pyramid/pyramid.h"
#include "host_access/FilterBigDocument.h"
#include "records/data.h"
#include "host_access/host_rects.h"
#include "records/parameters.h"
#include "records/plugin_globals.h"
#include "engine/task_engine_globals.h"
#include "engine/task_records.h"
#include "records/work_area.h"
#include "host_access/host_result.h"

namespace {

constexpr OSType kAffinitySignature = MakeFourCC("AffP");
// Alpha just short of 1 after filtering still counts as opaque.
constexpr float kAlphaBoost = 1.007f;
constexpr float kMaskOpaque = 0.9999f;
constexpr float kFloatChannelLimit = 65535.0f;
constexpr int64_t kColoursAhead = 4 * 32;  // floats: 32 pixels

int32_t BytesPerSample(const pixel_info& px) { return px.Is8_call ? 1 : px.Is16_call ? 2 : 4; }

// Where the running render writes, as the engine was told when it started.
int32_t RenderPurpose() { return gTaskEngine.renderDestination; }

bool InsideTile(int64_t x, int64_t y, const VRect& tile) {
    return uint64_t(x - tile.left) < uint64_t(int64_t(tile.right) - tile.left) &&
           uint64_t(y - tile.top) < uint64_t(int64_t(tile.bottom) - tile.top);
}

// Integer destinations: NaN writes as 0, the rest truncated toward zero and
// kept inside the sample's range.
template <typename T>
void StoreInteger(uint8_t* p, float value, float whitepoint, float limit) {
    float v = value * whitepoint;
    if (!(v > 0.0f)) v = 0.0f;
    if (v > limit) v = limit;
    const T t = T(v);
    std::memcpy(p, &t, sizeof(T));
}

void StoreSample(uint8_t* p, const pixel_info& px, float unit) {
    if (px.Is8_call) StoreInteger<uint8_t>(p, unit, px.WHITEPOINT, 255.0f);
    else if (px.Is16_call) StoreInteger<uint16_t>(p, unit, px.WHITEPOINT, 65535.0f);
    else {
        const float f = unit * px.WHITEPOINT;
        std::memcpy(p, &f, 4);
    }
}

void StoreAlpha(uint8_t* p, const pixel_info& px, float a) {
    const float opaque = float(px.OPAQUEALPHA);
    if (px.Is8_call) StoreInteger<uint8_t>(p, a, opaque, 255.0f);
    else if (px.Is16_call) StoreInteger<uint16_t>(p, a, opaque, 65535.0f);
    else {
        const float f = a * opaque;
        std::memcpy(p, &f, 4);
    }
}

PyramidDescriptor* MainPyramid() {
    if (gTaskEngine.mainPyramid) return gTaskEngine.mainPyramid;
    return gData ? &gData->pyramids[kMainInputPyramid] : nullptr;
}

PyramidDescriptor* LayerPyramid() {
    if (gTaskEngine.offscreenPyramid) return gTaskEngine.offscreenPyramid;
    return gData && gData->storage ? &gData->storage->offscreenPyramid : nullptr;
}

void LevelZeroPixel(const PyramidDescriptor* pyr, int64_t x, int64_t y, float* colour) {
    colour[0] = colour[1] = colour[2] = colour[3] = 0.0f;
    if (!pyr || !pyr->tiles || PointIsOutsideOfPyrLevel(x, y, pyr, 0)) return;
    get_intcoord_unitary_color(x, y, pyr, 0, colour);
}

// The picture under pixel (x, y) of an offscreen result of another size
// than the picture: the picture resized to the result's size, filtered at
// the level of the reduction.
void ResizedPixel(const PyramidDescriptor* pyr, const PyramidDescriptor* layer, int64_t x, int64_t y, float* colour) {
    colour[0] = colour[1] = colour[2] = colour[3] = 0.0f;
    if (!pyr || !pyr->tiles || layer->width[0] < 1 || layer->height[0] < 1) return;
    const float u = (float(x) + 0.5f) / float(layer->width[0]);
    const float v = (float(y) + 0.5f) / float(layer->height[0]);
    const float reduction = std::max(float(pyr->width[0]) / float(layer->width[0]),
                                     float(pyr->height[0]) / float(layer->height[0]));
    int64_t level = 0;
    float between = 0.0f;
    if (reduction > 1.0f) {
        const float l = std::log2(reduction);
        level = int64_t(l);
        between = l - float(level);
    }
    get_unitarycoord_unitary_color(pyr, level, between, u, v, colour);
}

bool SameSize(const PyramidDescriptor* a, const PyramidDescriptor* b) {
    return a && b && a->width[0] == b->width[0] && a->height[0] == b->height[0];
}

}  // namespace

// The pixel the result is laid over.
void GetPixelOfUnderlyingWhatsis(int64_t x, int64_t y, float* colour, int64_t rowMode, TileTracker* tracker) {
    switch (RenderPurpose()) {
        case kRenderToHost:
        case kRenderToPreview: GrabNovelInputPixel(x, y, colour, rowMode, tracker); return;
        case kRenderToOffscreen: {
            const PyramidDescriptor* layer = LayerPyramid();
            if (!layer || !layer->tiles || SameSize(MainPyramid(), layer)) LevelZeroPixel(MainPyramid(), x, y, colour);
            else ResizedPixel(MainPyramid(), layer, x, y, colour);
            return;
        }
        default: colour[0] = colour[1] = colour[2] = colour[3] = 0.0f;
    }
}

// ---- coordinate conversions ----

void PixelsToCorners(const PyramidDescriptor* pyr, float* ufx, float* ufy, float* crx, float* cry, float px,
                     float py, int64_t scale, int64_t offsetX, int64_t offsetY) {
    const float ax = std::fma(px, float(scale), float(offsetX)) + 0.5f;
    const float ay = std::fma(py, float(scale), float(offsetY)) + 0.5f;
    *ufx = (2.0f * ax + 1.0f) * pyr->halfPixelX;
    *ufy = (2.0f * ay + 1.0f) * pyr->halfPixelY;
    *crx = (*ufx - 0.5f) * pyr->aspectX;
    *cry = (*ufy - 0.5f) * pyr->aspectY;
}

void GetInputProportions(const Data* data, float* width, float* height, float* aspect) {
    *width = *height = 0.0f;
    *aspect = 1.0f;
    if (!data) return;
    const VRect f = data->filterRect;
    *width = float(int64_t(f.right) - f.left);
    *height = float(int64_t(f.bottom) - f.top);
    if (*width > 0.0f) *aspect = *height / *width;
}

void GetOutputProportions(const Data* data, float* width, float* height, float* aspect) {
    GetInputProportions(data, width, height, aspect);
    if (RenderPurpose() != kRenderToOffscreen) return;
    if (const PyramidDescriptor* layer = LayerPyramid(); layer && layer->width[0] > 0) {
        *width = float(layer->width[0]);
        *height = float(layer->height[0]);
        *aspect = *height / *width;
    }
}

void GetInputOutputProportions(Data* data, vort* context) {
    if (!data || !context) return;
    float inW, inH, inAspect, outW, outH, outAspect;
    GetInputProportions(data, &inW, &inH, &inAspect);
    GetOutputProportions(data, &outW, &outH, &outAspect);
    context->outputWidth = outW;
    context->outputHeight = outH;
    context->outputAspect = outAspect;
    context->renderWidth = outW;
    context->renderHeight = outH;
    context->aspect = context->outputAspect;
    context->inputProportion = inAspect;
    context->invOutputWidth = outW > 0.0f ? 1.0f / outW : 0.0f;
    context->invOutputHeight = outH > 0.0f ? 1.0f / outH : 0.0f;
    context->invRenderWidth = context->invOutputWidth;
    context->invRenderHeight = context->invOutputHeight;
}

// ---- reading ----

void GrabNovelInputPixel(int64_t x, int64_t y, float* colour, int64_t rowMode, TileTracker* tracker) {
    colour[0] = colour[1] = colour[2] = colour[3] = 0.0f;
    if (!tracker) return;
    const pixel_info& px = tracker->pxl;
    const VRect& tile = tracker->current_tile_rect;
    if (!px.GetInData || !InsideTile(x, y, tile)) return;
    if (!px.Is8_call && !px.Is16_call && !px.Is32_call) return;
    const int64_t stride = px.GetInHiPlane - px.GetInLoPlane + 1;
    const int32_t bytes = BytesPerSample(px);
    const uint8_t* base = static_cast<const uint8_t*>(px.GetInData) + (x - tile.left) * stride * bytes;
    if (rowMode == 1) base += (y - tile.top) * int64_t(px.GetInRowBytes);
    auto value = [&](int64_t i) -> float {
        const uint8_t* p = base + i * bytes;
        if (px.Is8_call) return float(*p);
        if (px.Is16_call) {
            uint16_t v;
            std::memcpy(&v, p, 2);
            return float(v);
        }
        float f;
        std::memcpy(&f, p, 4);
        return f;
    };
    if (px.GetPlanes < 3) {
        colour[0] = colour[1] = colour[2] = value(0) * px.reciprocal_WHITEPOINT;
    } else {
        for (int c = 0; c < 3; c++) colour[c] = value(c) * px.reciprocal_WHITEPOINT;
    }
    colour[3] = px.GetDissolveTransparency ? value(px.Get_inLayerPlanes) * px.reciprocal_OPAQUEALPHA : 1.0f;
}

// ---- writing ----

namespace {

inline void LimitBrightness(float* c) {
    int code = 0;
    double excess = 0.0;
    for (int k = 0; k < 3; ++k)
        if (c[k] > 1.0f) {
            code |= 1 << k;
            excess += double(c[k]) - 1.0;
        }
    if (code == 0 || code == 7) return;
    const float S = float(excess * 60.0 * 0.00390625);
    const float H = S * 0.5f;
    int first = -1, second = -1;
    switch (code) {
        case 1: first = 1, second = 2; break;  // red over: green, then blue
        case 2: first = 0, second = 2; break;  // green over: red, then blue
        case 4: first = 0, second = 1; break;  // blue over: red, then green
        case 3: c[2] += S; return;
        case 5: c[1] += S; return;
        case 6: c[0] += S; return;
        default: return;
    }
    c[first] += H;
    c[second] += H;
    if (c[first] > 1.0f) {
        c[second] += c[first] - 1.0f;
        if (c[second] > 1.0f) c[first] += c[second] - 1.0f;
    }
}

// Where the 8-bit layer's pixel (x, y) goes in the host's result, or null
// when the layer's own tiles take it.
inline uint8_t* StraightResultPixel(const StraightResult& r, int64_t x, int64_t y) {
    return r.data ? r.data + y * r.rowBytes + x * r.stride : nullptr;
}

// The four components of a layer word (truncated to bytes as the word holds
// them) into a host pixel.
inline void StoreStraight(const StraightResult& r, uint8_t* pixel, int64_t c0, int64_t c1, int64_t c2, int64_t c3) {
    pixel[0] = uint8_t(c0);
    pixel[1] = uint8_t(c1);
    pixel[2] = uint8_t(c2);
    if (r.alphaAt >= 0) pixel[r.alphaAt] = uint8_t(c3);
}

// What the writing of one colour reads of the render and the host: fixed for
// a tile, so a whole tile's pixels look it up once.
struct NovelOutput {
    TileTracker* tracker;
    pixel_info px;  // copies: the writes through byte pointers cannot change them
    VRect tile;
    proxyBufferRecord* proxy;
    int64_t rowMode;
    int32_t purpose;
    int32_t blend;
    bool masked;  // the host's mask applies
    PyramidDescriptor* layer;  // the offscreen render's destination
    bool hostLayer;  // the pixels are the host's layer's, at its size or at one of their own
    StraightResult straight;  // where the layer's pixels go instead of its tiles (data null: none)
};

NovelOutput NovelOutputOf(TileTracker* tracker, proxyBufferRecord* proxy, int64_t rowMode, int32_t blend) {
    const pixel_info& px = tracker->pxl;
    const int32_t purpose = RenderPurpose();
    // An offscreen tile exchanges nothing with the host, so the host's mask
    // buffer (if any) holds another rectangle's rows: it does not apply.
    NovelOutput o{tracker, px, tracker->current_tile_rect, proxy, rowMode, purpose, blend >= 1 ? blend : 1,
                  purpose != kRenderToOffscreen && px.GetHostSig != kAffinitySignature && px.GetHaveMask &&
                      px.GetMaskData,
                  nullptr, purpose == kRenderToHost, StraightResult{}};
    if (o.purpose == kRenderToOffscreen) {
        o.layer = LayerPyramid();
        const TStorage1* s = gData ? gData->storage : nullptr;
        o.hostLayer = s && s->targetPyramid && s->targetIsHostLayer;
        if (s && s->straightResult.data && s->straightResult.layer == o.layer) o.straight = s->straightResult;
    }
    return o;
}

inline void WriteNovelPixel(const NovelOutput& o, int64_t x, int64_t y, const float* colour) {
    TileTracker* tracker = o.tracker;
    const int64_t rowMode = o.rowMode;
    const pixel_info& px = o.px;
    const int32_t purpose = o.purpose;
    const VRect& tile = o.tile;

    float c[4];
    for (int k = 0; k < 4; ++k) c[k] = std::isnan(colour[k]) ? 0.0f : colour[k];
    if (!px.Is32_destination__) c[3] *= kAlphaBoost;
    c[3] = std::clamp(c[3], 0.0f, 1.0f);
    for (int k = 0; k < 3; ++k) c[k] = std::max(c[k], 0.0f);
    if (!px.Is32_destination__) LimitBrightness(c);
    if (px.IsGreyscale__) c[0] = c[1] = c[2] = std::fma(0.59f, c[1], std::fma(0.3f, c[0], 0.11f * c[2]));

    float m = 1.0f;
    if (o.masked) {
        m = 0.0f;
        if (InsideTile(x, y, tile)) {
            const uint8_t* p = static_cast<const uint8_t*>(px.GetMaskData) + (x - tile.left);
            if (rowMode == 1) p += (y - tile.top) * int64_t(px.GetMaskRowBytes);
            m = float(*p) * (1.0f / 255.0f);
        }
    }

    const int32_t blend = o.blend;
    float U[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    if (!(blend == 1 && c[3] >= 1.0f && m >= kMaskOpaque)) GetPixelOfUnderlyingWhatsis(x, y, U, rowMode, tracker);

    // The result takes the colour's place (a copy of the four channels at
    // once would wait for their separate stores).
    float* R = c;
    if (px.Is32_destination__) {
        for (int k = 0; k < 3; ++k) R[k] = std::min(c[k], kFloatChannelLimit);
    } else {
        // Blend mode 1 gives the colour itself.
        if (blend != 1) {
            float glued[4];
            GlueAOverBYieldingC(c, U, glued, blend);
            for (int k = 0; k < 4; ++k) R[k] = glued[k];
        }
        const float a = R[3];
        if (a < 1.0f && o.hostLayer && !px.GetDissolveTransparency) {
            // The layer cannot hold transparency: lay the result over what is there.
            if (a <= 0.0f) {
                for (int k = 0; k < 4; ++k) R[k] = U[k];
            } else {
                const float k = a / (a + U[3] - a * U[3]);
                for (int i = 0; i < 3; ++i) R[i] = U[i] + k * (R[i] - U[i]);
                R[3] = a * (1.0f - U[3]) + U[3];
            }
        }
        for (int k = 0; k < 3; ++k) R[k] = std::min(R[k], 1.0f);
    }

    if (purpose == kRenderToPreview) {
        const float G = ((x ^ y) & 8) ? 0.8f : 1.0f;
        const float a = R[3];
        if (a <= 0.0f) {
            R[0] = R[1] = R[2] = G;
        } else {
            const float k = a / ((a + 1.0f) - a);
            for (int i = 0; i < 3; ++i) R[i] = G + k * (R[i] - G);
        }
        R[3] = 1.0f;
        if (m < kMaskOpaque)
            for (int i = 0; i < 3; ++i) R[i] = G + m * (R[i] - G);
    } else if (double(m) < double(kMaskOpaque)) {
        for (int k = 0; k < 4; ++k) R[k] = U[k] + m * (R[k] - U[k]);
    }
    for (int k = 0; k < 4; ++k)
        if (std::isnan(R[k])) R[k] = 0.0f;

    switch (purpose) {
        case kRenderToHost: {
            auto* out = static_cast<uint8_t*>(px.GetOutData);
            if (!out) return;
            const int64_t dx = x - tile.left, dy = y - tile.top;
            if (dx < 0 || dy < 0) return;
            if (dx >= int64_t(tile.right) - tile.left || dx >= int64_t(px.GetOutRect.right) - px.GetOutRect.left) return;
            if (dy >= int64_t(tile.bottom) - tile.top || dy >= int64_t(px.GetOutRect.bottom) - px.GetOutRect.top) return;
            const int32_t bytes = BytesPerSample(px);
            uint8_t* pixel = out + dx * int64_t(px.Get_dstStride) * bytes;
            if (rowMode == 1) pixel += dy * int64_t(px.GetOutRowBytes);
            if (px.GetPlanes < 3) {
                StoreSample(pixel, px, R[1]);
            } else {
                for (int k = 0; k < 3; ++k) StoreSample(pixel + k * bytes, px, R[k]);
            }
            if (px.GetDissolveTransparency) StoreAlpha(pixel + int64_t(px.Get_inLayerPlanes) * bytes, px, R[3]);
            return;
        }
        case kRenderToPreview: {
            proxyBufferRecord* proxy = o.proxy;
            if (!proxy || !proxy->pixels || proxy->width < 1 || proxy->height < 1) return;
            const int64_t cx = std::clamp<int64_t>(x, 0, proxy->width - 1);
            const int64_t cy = std::clamp<int64_t>(y, 0, proxy->height - 1);
            const int64_t at = cy * proxy->width + cx;
            auto byte = [](float v) { return uint8_t(std::clamp(v, 0.0f, 1.0f) * 255.0f); };
            if (proxy->planes < 3) {
                proxy->pixels[at] = byte(R[1]);
            } else {
                for (int k = 0; k < 3; ++k) proxy->pixels[int64_t(k) * proxy->pixelCount + at] = byte(R[k]);
            }
            return;
        }
        case kRenderToOffscreen: {
            PyramidDescriptor* layer = o.layer;
            if (!layer || !layer->tiles || PointIsOutsideOfPyrLevel(x, y, layer, 0)) return;
            if (uint8_t* pixel = StraightResultPixel(o.straight, x, y)) {
                const float s = layer->fullScale;
                StoreStraight(o.straight, pixel, int64_t(R[0] * s), int64_t(R[1] * s), int64_t(R[2] * s),
                              int64_t(R[3] * s));
            } else if (layer->kind == kPyrColour8 || layer->kind == kPyrColour16) {
                const float s = layer->fullScale;
                set_pyramid_sample_pointColor(x, y, layer, 0, int64_t(R[0] * s), int64_t(R[1] * s), int64_t(R[2] * s),
                                              int64_t(R[3] * s));
            } else if (layer->kind == kPyrColourFloat) {
                set_intcoord_unitary_color(x, y, layer, 0, R);
            } else {
                set_intcoord_unitary_grey(x, y, layer, 0, R[0]);
            }
            return;
        }
        default: return;
    }
}

// Asks the host for output rows top..bottom of its result and nothing else.
// False, with the host result set, when the host refuses them.
bool AskForResultRows(FilterRecord* rec, int64_t top, int64_t bottom, int64_t width) {
    SetPlanesScalingPadding(0, 1 << 16, -1);
    // The host's selection is in the picture's place, not the result's: the
    // host blends by it.
    SetAutoMask(true);
    SetInRect(VRect{0, 0, 0, 0});
    SetMaskRect(VRect{0, 0, 0, 0});
    SetOutRect(VRect{int32_t(top), 0, int32_t(bottom), int32_t(width)});
    const OSErr answer = rec->advanceState();
    if (answer == noErr && rec->outData) return true;
    SetHostResult(answer != noErr ? answer : OSErr(filterBadParameters), kDiagResultHandOver);
    return false;
}

}  // namespace

StraightStart StartResultStraightToHost(TStorage1* storage, const PyramidDescriptor* layer) {
    if (!storage) return StraightStart::ThroughLayer;
    storage->straightResult = StraightResult{};
    FilterRecord* rec = gFilterRecord;
    if (!rec || !rec->advanceState || !layer || !layer->tiles || layer->kind != kPyrColour8 ||
        layer->fullScale != 255.0f || layer->cubeFaces)
        return StraightStart::ThroughLayer;
    pixel_info px{};
    initPixelInfo(&px, rec, kRenderToHost, 0);
    // A selection has the host blend what it is given by it: handed over
    // in bands as the host expects.
    if (!px.Is8_call || px.GetPlanes < 3 || rec->haveMask) return StraightStart::ThroughLayer;
    if (!AskForResultRows(rec, 0, layer->height[0], layer->width[0])) return StraightStart::Refused;
    initPixelInfo(&px, rec, kRenderToHost, 0);
    storage->straightResult =
        StraightResult{layer, static_cast<uint8_t*>(px.GetOutData), int64_t(px.GetOutRowBytes),
                       int64_t(px.Get_dstStride), px.GetDissolveTransparency ? int64_t(px.Get_inLayerPlanes) : -1};
    return StraightStart::Started;
}

bool FinishResultStraightToHost(TStorage1* storage) {
    if (storage) storage->straightResult = StraightResult{};
    SetOutRect(VRect{0, 0, 0, 0});
    FilterRecord* rec = gFilterRecord;
    if (rec && rec->abortProc && rec->abortProc()) {
        SetHostResult(userCanceledErr, kDiagAbortDuringRender);
        return false;
    }
    return true;
}

bool HandLayerToHostOutput(const PyramidDescriptor* layer) {
    FilterRecord* rec = gFilterRecord;
    if (!rec || !rec->advanceState || !layer || !layer->tiles) {
        SetHostResult(filterBadParameters, kDiagResultHandOver);
        return false;
    }
    pixel_info px{};
    initPixelInfo(&px, rec, kRenderToHost, 0);
    const int32_t bytes = BytesPerSample(px);
    const int64_t width = layer->width[0], height = layer->height[0];
    const int64_t colourPlanes = px.GetPlanes < 3 ? 1 : 3;
    // Bands of about 4 MiB of samples, at least one row.
    const int64_t rowBytes = width * int64_t(px.GetPlanes) * bytes;
    const int64_t bandRows = std::clamp<int64_t>((int64_t(4) << 20) / std::max<int64_t>(rowBytes, 1), 1, height);
    bool ok = true;
    for (int64_t top = 0; ok && top < height; top += bandRows) {
        const int64_t bottom = std::min(height, top + bandRows);
        if (!AskForResultRows(rec, top, bottom, width)) {
            ok = false;
            break;
        }
        initPixelInfo(&px, rec, kRenderToHost, 0);
        // An 8-bit layer to 8-bit samples, the usual case: each row read
        // straight from the tiles it crosses (the rows lie inside the level).
        const bool rowsFromTiles = layer->kind == kPyrColour8 && bytes == 1 && !layer->cubeFaces &&
                                   pyr_accessible(layer, 0, 4) && width <= layer->maxX[0] + 1 &&
                                   bottom <= layer->maxY[0] + 1;
        if (rowsFromTiles) {
            const int64_t stride = px.Get_dstStride;
            const int64_t alphaAt = px.GetDissolveTransparency ? int64_t(px.Get_inLayerPlanes) : -1;
            for (int64_t y = top; y < bottom; ++y) {
                uint8_t* row = static_cast<uint8_t*>(px.GetOutData) + (y - top) * int64_t(px.GetOutRowBytes);
                for (int64_t x0 = 0; x0 < width; x0 += kTileSide) {
                    const int64_t n = std::min<int64_t>(kTileSide, width - x0);
                    const uint8_t* from = pyr_pixel_address(layer, 0, x0, y, layer->bytesPerPixel);
                    uint8_t* to = row + x0 * stride;
                    for (int64_t i = 0; i < n; ++i, from += layer->bytesPerPixel, to += stride) {
                        const uint32_t w = pyr_load<uint32_t>(from);
                        if (colourPlanes == 1) {
                            to[0] = uint8_t(w >> 16);
                        } else {
                            to[0] = uint8_t(w >> 24);
                            to[1] = uint8_t(w >> 16);
                            to[2] = uint8_t(w >> 8);
                        }
                        if (alphaAt >= 0) to[alphaAt] = uint8_t(w);
                    }
                }
            }
        } else {
            for (int64_t y = top; y < bottom; ++y) {
                uint8_t* row = static_cast<uint8_t*>(px.GetOutData) + (y - top) * int64_t(px.GetOutRowBytes);
                for (int64_t x = 0; x < width; ++x) {
                    uint8_t* pixel = row + x * int64_t(px.Get_dstStride) * bytes;
                    // The layer holds the samples the host's route stores: copied as they are.
                    uint16_t v[4] = {0, 0, 0, 0};
                    float f[4] = {0.0f, 0.0f, 0.0f, 0.0f};
                    if (layer->kind == kPyrColour8) {
                        const uint32_t w = get_pyramid_sample_point4_raw(x, y, layer, 0);
                        for (int k = 0; k < 4; ++k) v[k] = uint16_t((w >> (24 - 8 * k)) & 255);
                    } else if (layer->kind == kPyrColour16) {
                        pyr_read_components(x, y, layer, 0, v);
                    } else {
                        get_pyramid_sample_point128bit_floats(x, y, layer, 0, f);
                    }
                    auto put = [&](int64_t plane, int k) {
                        uint8_t* at = pixel + plane * bytes;
                        if (bytes == 1) *at = uint8_t(v[k]);
                        else if (bytes == 2) std::memcpy(at, &v[k], 2);
                        else std::memcpy(at, &f[k], 4);
                    };
                    if (colourPlanes == 1) put(0, 1);
                    else for (int k = 0; k < 3; ++k) put(k, k);
                    if (px.GetDissolveTransparency) put(px.Get_inLayerPlanes, 3);
                }
            }
        }
        if (rec->abortProc && rec->abortProc()) {
            SetHostResult(userCanceledErr, kDiagAbortDuringRender);
            ok = false;
        }
    }
    SetOutRect(VRect{0, 0, 0, 0});
    return ok;
}

void SetNovelOutputPixel(int64_t x, int64_t y, float* colour, int64_t rowMode, TileTracker* tracker,
                         proxyBufferRecord* proxy, int32_t blend) {
    if (!tracker) return;
    WriteNovelPixel(NovelOutputOf(tracker, proxy, rowMode, blend), x, y, colour);
}

void SetNovelOutputTile(TileTracker* tracker, proxyBufferRecord* proxy, const float* colours, int32_t blend) {
    if (!tracker || !colours) return;
    const NovelOutput o = NovelOutputOf(tracker, proxy, 1, blend);
    const pixel_info& px = o.px;
    const VRect tile = o.tile;
    // The common case, an opaque colour with nothing to blend or mask into
    // an 8-bit RGB layer or an 8-bit offscreen picture, takes the steps of
    // WriteNovelPixel that such a pixel reaches, row by row; every other
    // pixel goes through it in full.
    const bool opaqueRoad = o.blend == 1 && !o.masked && !px.Is32_destination__ && !px.IsGreyscale__;
    const bool toHost =
        opaqueRoad && o.purpose == kRenderToHost && px.Is8_call && px.GetPlanes >= 3 && px.GetOutData;
    PyramidDescriptor* layer = o.layer;
    const bool toLayer =
        opaqueRoad && o.purpose == kRenderToOffscreen && layer && layer->tiles && layer->kind == kPyrColour8;
    // An 8-bit layer the whole tile lies in takes each opaque word as it is.
    const bool wholeTileInLayer = toLayer && layer->fullScale == 255.0f && pyr_accessible(layer, 0, 4) &&
                                  tile.left >= 0 && tile.top >= 0 && tile.right <= layer->maxX[0] + 1 &&
                                  tile.bottom <= layer->maxY[0] + 1;
    const int64_t columns = std::min(int64_t(tile.right) - tile.left, int64_t(px.GetOutRect.right) - px.GetOutRect.left);
    const int64_t rows = std::min(int64_t(tile.bottom) - tile.top, int64_t(px.GetOutRect.bottom) - px.GetOutRect.top);
    for (int64_t y = tile.top; y < tile.bottom; y++) {
        const int64_t dy = y - tile.top;
        uint8_t* row = toHost ? static_cast<uint8_t*>(px.GetOutData) + dy * int64_t(px.GetOutRowBytes) : nullptr;
        for (int64_t x = tile.left; x < tile.right; x++, colours += 4) {
            // The colours come from the worker's caches: asked for early.
            __builtin_prefetch(colours + kColoursAhead);
            const float alpha = std::clamp((std::isnan(colours[3]) ? 0.0f : colours[3]) * kAlphaBoost, 0.0f, 1.0f);
            if (!(toHost || toLayer) || !(alpha >= 1.0f)) {
                WriteNovelPixel(o, x, y, colours);
                continue;
            }
            const int64_t dx = x - tile.left;
            if (toHost && (dx >= columns || dy >= rows)) continue;
#if defined(__SSE2__)
            if (wholeTileInLayer) {
                // The scalar road's steps, lane by lane: NaN and the
                // negatives to 0, times the full scale, truncated; the alpha
                // is 1 here, so its word is the full scale.
                __m128 v = _mm_loadu_ps(colours);
                v = _mm_and_ps(v, _mm_cmpord_ps(v, v));
                v = _mm_andnot_ps(_mm_cmplt_ps(v, _mm_setzero_ps()), v);
                if ((_mm_movemask_ps(_mm_cmpgt_ps(v, _mm_set1_ps(1.0f))) & 7) == 0) {
                    alignas(16) int32_t b[4];
                    _mm_store_si128(reinterpret_cast<__m128i*>(b), _mm_cvttps_epi32(_mm_mul_ps(v, _mm_set1_ps(255.0f))));
                    if (uint8_t* pixel = StraightResultPixel(o.straight, x, y))
                        StoreStraight(o.straight, pixel, b[0], b[1], b[2], 255);
                    else
                        pyr_store<uint32_t>(pyr_pixel_address(layer, 0, x, y, 4),
                                            pack_pyramid_word4(b[0], b[1], b[2], 255));
                    continue;
                }
            }
            if (toHost) {
                // The three channels side by side, each lane the scalar steps:
                // NaN to 0, the negatives (not -0) to 0; any channel over 1
                // takes the scalar road below.
                __m128 v = _mm_loadu_ps(colours);
                v = _mm_and_ps(v, _mm_cmpord_ps(v, v));
                v = _mm_andnot_ps(_mm_cmplt_ps(v, _mm_setzero_ps()), v);
                if ((_mm_movemask_ps(_mm_cmpgt_ps(v, _mm_set1_ps(1.0f))) & 7) == 0) {
                    // StoreInteger: times the white point, not above 0 to 0,
                    // at most 255, truncated.
                    __m128 w = _mm_mul_ps(v, _mm_set1_ps(px.WHITEPOINT));
                    w = _mm_and_ps(w, _mm_cmpgt_ps(w, _mm_setzero_ps()));
                    w = _mm_min_ps(w, _mm_set1_ps(255.0f));
                    alignas(16) int32_t b[4];
                    _mm_store_si128(reinterpret_cast<__m128i*>(b), _mm_cvttps_epi32(w));
                    uint8_t* pixel = row + dx * int64_t(px.Get_dstStride);
                    for (int k = 0; k < 3; ++k) pixel[k] = uint8_t(b[k]);
                    if (px.GetDissolveTransparency) StoreAlpha(pixel + int64_t(px.Get_inLayerPlanes), px, alpha);
                    continue;
                }
            }
#endif
            float c[4];
            for (int k = 0; k < 3; ++k) c[k] = std::max(std::isnan(colours[k]) ? 0.0f : colours[k], 0.0f);
            c[3] = alpha;
            // A channel over 1 has its brightness limited: the full road.
            if (c[0] > 1.0f || c[1] > 1.0f || c[2] > 1.0f) {
                WriteNovelPixel(o, x, y, colours);
                continue;
            }
            if (toHost) {
                uint8_t* pixel = row + dx * int64_t(px.Get_dstStride);
                for (int k = 0; k < 3; ++k) StoreInteger<uint8_t>(pixel + k, c[k], px.WHITEPOINT, 255.0f);
                if (px.GetDissolveTransparency) StoreAlpha(pixel + int64_t(px.Get_inLayerPlanes), px, c[3]);
            } else if (!PointIsOutsideOfPyrLevel(x, y, layer, 0)) {
                const float f = layer->fullScale;
                const int64_t c0 = int64_t(c[0] * f), c1 = int64_t(c[1] * f), c2 = int64_t(c[2] * f);
                const int64_t c3 = int64_t(c[3] * f);
                if (uint8_t* pixel = StraightResultPixel(o.straight, x, y)) StoreStraight(o.straight, pixel, c0, c1, c2, c3);
                else set_pyramid_sample_point4(x, y, layer, 0, c0, c1, c2, c3);
            }
        }
    }
}

void UpdateProxyBuffer_with_quick_trivia(proxyBufferRecord* record) {
    if (!record) return;
    SetUpFilterRecordForProxy(gData, gParams ? gParams->proxyScale : 1);
    fillInProxyBufferDimensions(record);
    const VRect total = GetProcessableRect();
    SetInputChunkRectsNew(VRect{0, 0, total.bottom - total.top, total.right - total.left},
                          gParams ? gParams->proxyScale : 1, gParams ? gParams->previewOffset.x : 0,
                          gParams ? gParams->previewOffset.y : 0);
    ResetProxyBuffer(record);
}
