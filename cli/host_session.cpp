#include "cli/host_session.h"

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <new>

#include "platform/host/buffers.h"
#include "platform/host/handles.h"
#include "platform/host/host_services.h"
#include "platform/host/result_codes.h"
#include "shell/scripting.h"

namespace {

volatile std::sig_atomic_t gAbortRequested = 0;

// The last output request, kept until the next exchange stores it.
struct PendingOutput {
    bool active = false;
    VRect rect{};
    int16_t lo = 0;
    int16_t hi = 0;
    int32_t rowBytes = 0;
};

struct HostSession {
    FilterRecord record{};
    BigDocumentStruct big{};
    PIDescriptorParameters descriptorParameters{};
    Str255 errorString{};
    intptr_t dataWord = 0;
    PluginMainProc entry = nullptr;

    const HostDocument* source = nullptr;   // the picture as it was: input and masking read it
    HostDocument* result = nullptr;         // the picture being written
    // What the result is blended with by the selection: the source, or the
    // source at the result's size when that differs (null: no selection).
    const HostDocument* under = nullptr;
    bool resultOfItsOwnSize = false;        // the result is not the source's size
    // The source whose samples may be given back while the plug-in needs
    // none, and how to read them again (null: they are kept).
    HostDocument* releasable = nullptr;
    std::function<bool(HostDocument*)> readSourceAgain;
    bool sourceReleased = false;
    // Rows of the result that hold the picture yet: each is copied from the
    // source the first time an output request reaches it, so the copy is
    // spread over the run instead of made whole before it.
    std::vector<uint8_t> rowReady;
    std::vector<uint8_t> inBuffer, outBuffer, maskBuffer;
    PendingOutput pending;
    HostRunReport* report = nullptr;

    bool showProgress = false;
    int lastPercent = -1;
    bool progressDrawn = false;
};

HostSession* gSession = nullptr;

VRect Widen(const Rect& r) { return VRect{r.top, r.left, r.bottom, r.right}; }

Rect Narrow(const VRect& r) {
    auto clip = [](int32_t v) { return int16_t(std::clamp<int32_t>(v, INT16_MIN, INT16_MAX)); };
    return Rect{clip(r.top), clip(r.left), clip(r.bottom), clip(r.right)};
}

bool IsEmpty(const VRect& r) { return r.left >= r.right || r.top >= r.bottom; }

bool Uses32BitCoordinates(const HostSession& s) { return s.big.PluginUsing32BitCoordinates != 0; }

VRect RequestedIn(const HostSession& s) { return Uses32BitCoordinates(s) ? s.big.inRect32 : Widen(s.record.inRect); }
VRect RequestedOut(const HostSession& s) { return Uses32BitCoordinates(s) ? s.big.outRect32 : Widen(s.record.outRect); }
VRect RequestedMask(const HostSession& s) {
    return Uses32BitCoordinates(s) ? s.big.maskRect32 : Widen(s.record.maskRect);
}

bool AnyRequest(const HostSession& s) {
    return !IsEmpty(RequestedIn(s)) || !IsEmpty(RequestedOut(s)) || !IsEmpty(RequestedMask(s));
}

int64_t RoundUp16(int64_t n) { return (n + 15) / 16 * 16; }

// Where a request's row or column lands in the picture: the scaled
// coordinate times the rate, then the padding rule outside the picture.
// Returns -1 for "fill with the padding value".
struct AxisMap {
    std::vector<int32_t> index;
    bool outside = false;
};

AxisMap MapAxis(int32_t from, int32_t to, double rate, int32_t extent, bool replicate) {
    AxisMap m;
    m.index.reserve(size_t(to - from));
    for (int32_t i = from; i < to; ++i) {
        int64_t v = int64_t(std::floor(i * rate));
        if (v < 0 || v >= extent) {
            m.outside = true;
            v = replicate ? std::clamp<int64_t>(v, 0, extent - 1) : -1;
        }
        m.index.push_back(int32_t(v));
    }
    return m;
}

// Fills buffer with planes lo..hi of the picture (or the mask when planes
// is 1 and samples come from mask) over rect at the given rate.
OSErr FillRequest(const uint8_t* samples, int32_t width, int32_t height, int32_t planes, int32_t bytesPerSample,
                  double fullScale, const VRect& rect, int16_t lo, int16_t hi, Fixed rate, int16_t padding,
                  std::vector<uint8_t>* buffer, void** data, int32_t* rowBytes) {
    *data = nullptr;
    *rowBytes = 0;
    if (IsEmpty(rect)) return noErr;
    if (lo < 0 || hi < lo || hi >= planes || rate <= 0) return errBadRequest;
    const int32_t n = hi - lo + 1;
    const int64_t w = int64_t(rect.right) - rect.left, h = int64_t(rect.bottom) - rect.top;
    const int64_t stride = RoundUp16(w * n * bytesPerSample);
    if (stride > INT32_MAX || stride * h > (int64_t(1) << 31)) return memFullErr;
    const bool replicate = padding == plugInWantsEdgeReplication;
    const bool fill = padding >= 0 && padding <= 255;
    const double r = rate / 65536.0;
    AxisMap xs, ys;
    try {
        xs = MapAxis(rect.left, rect.right, r, width, replicate);
        ys = MapAxis(rect.top, rect.bottom, r, height, replicate);
        buffer->assign(size_t(stride * h), 0);
    } catch (const std::bad_alloc&) {
        return memFullErr;
    }
    if ((xs.outside || ys.outside) && !replicate && !fill) return errBadRequest;

    // The padding value is given in 8-bit terms.
    uint8_t padSample[4] = {};
    if (fill) {
        double v = padding / 255.0 * fullScale;
        if (bytesPerSample == 1) {
            padSample[0] = uint8_t(padding);
        } else if (bytesPerSample == 2) {
            uint16_t s = uint16_t(std::lround(v));
            std::memcpy(padSample, &s, 2);
        } else {
            float f = float(v);
            std::memcpy(padSample, &f, 4);
        }
    }
    // Whole pixels at full rate inside the picture: each row is one run of bytes.
    const bool runs = !xs.outside && n == planes && w > 0 && xs.index.back() - xs.index.front() == w - 1;
    for (int64_t y = 0; y < h; ++y) {
        uint8_t* row = buffer->data() + y * stride;
        if (runs && ys.index[size_t(y)] >= 0) {
            const size_t first = size_t(ys.index[size_t(y)]) * width + xs.index.front();
            std::memcpy(row, samples + first * planes * bytesPerSample, size_t(w) * n * bytesPerSample);
            continue;
        }
        for (int64_t x = 0; x < w; ++x) {
            uint8_t* out = row + x * n * bytesPerSample;
            int32_t sx = xs.index[size_t(x)], sy = ys.index[size_t(y)];
            if (sx < 0 || sy < 0) {
                for (int32_t p = 0; p < n; ++p) std::memcpy(out + p * bytesPerSample, padSample, size_t(bytesPerSample));
                continue;
            }
            const uint8_t* in = samples + ((size_t(sy) * width + sx) * planes + lo) * bytesPerSample;
            std::memcpy(out, in, size_t(n) * bytesPerSample);
        }
    }
    *data = buffer->data();
    *rowBytes = int32_t(stride);
    return noErr;
}

// Whole pixels of a rectangle inside the picture at full rate are the
// picture's own rows: such a request is answered with a pointer into the
// picture and its row length, without a copy.
bool RowsInPlace(const VRect& rect, const HostDocument& doc, int16_t lo, int16_t hi, Fixed rate) {
    return !IsEmpty(rect) && rate == FixedFromInt(1) && lo == 0 && hi == doc.Planes() - 1 && rect.left >= 0 &&
           rect.top >= 0 && rect.right <= doc.width && rect.bottom <= doc.height &&
           int64_t(doc.width) * doc.Planes() * doc.BytesPerSample() <= INT32_MAX;
}

void PointInPlace(const HostDocument& doc, const VRect& rect, void** data, int32_t* rowBytes) {
    const size_t pixelBytes = size_t(doc.Planes()) * doc.BytesPerSample();
    *data = const_cast<uint8_t*>(doc.samples.data()) + (size_t(rect.top) * doc.width + rect.left) * pixelBytes;
    *rowBytes = int32_t(size_t(doc.width) * pixelBytes);
}

// The samples of a result of its own size, zeroed, once. Memory that
// starts as zeros is left untouched until the plug-in's output reaches it,
// which is after the picture's samples went back and so reuses their pages.
bool TakeResultSamples(HostSession& s) {
    HostDocument& doc = *s.result;
    if (!doc.samples.empty()) return true;
    const size_t bytes = doc.SampleCount() * size_t(doc.BytesPerSample());
    try {
        if (PictureBlockStartsZeroed(bytes))
            doc.samples.resize(bytes);
        else
            doc.samples.assign(bytes, 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

// Copies the rows top..bottom of the source into the result where not done
// yet; a result of its own size starts ready.
void EnsureRowsReady(HostSession& s, int32_t top, int32_t bottom) {
    HostDocument& doc = *s.result;
    if (s.resultOfItsOwnSize) return;
    top = std::max(top, 0);
    bottom = std::min(bottom, doc.height);
    const size_t rowBytes = size_t(doc.width) * doc.Planes() * doc.BytesPerSample();
    for (int32_t y = top; y < bottom;) {
        if (s.rowReady[size_t(y)]) {
            ++y;
            continue;
        }
        int32_t end = y;
        while (end < bottom && !s.rowReady[size_t(end)]) s.rowReady[size_t(end++)] = 1;
        std::memcpy(doc.samples.data() + size_t(y) * rowBytes, s.source->samples.data() + size_t(y) * rowBytes,
                    size_t(end - y) * rowBytes);
        y = end;
    }
}

// Stores the plug-in's last output into the picture. With autoMask the
// host blends it with the original by the selection, as the plug-in did not.
void CommitPendingOutput(HostSession& s) {
    if (!s.pending.active) return;
    s.pending.active = false;
    HostDocument& doc = *s.result;
    const HostDocument* under = s.under;
    const VRect r = s.pending.rect;
    const int32_t n = s.pending.hi - s.pending.lo + 1, bps = doc.BytesPerSample(), planes = doc.Planes();
    const bool masked = s.record.autoMask && under && !under->mask.empty();
    const int32_t top = std::max(r.top, 0), bottom = std::min(r.bottom, doc.height);
    const int32_t left = std::max(r.left, 0), right = std::min(r.right, doc.width);
    for (int32_t y = top; y < bottom; ++y) {
        const uint8_t* row = s.outBuffer.data() + size_t(y - r.top) * s.pending.rowBytes;
        if (!masked && bps == 1 && n == planes) {
            if (left < right)
                std::memcpy(&doc.samples[(size_t(y) * doc.width + left) * planes], row + size_t(left - r.left) * n,
                            size_t(right - left) * n);
            continue;
        }
        for (int32_t x = left; x < right; ++x) {
            const size_t pixel = size_t(y) * doc.width + x;
            const uint8_t m = masked ? under->mask[pixel] : 255;
            for (int32_t p = 0; p < n; ++p) {
                const size_t at = pixel * planes + s.pending.lo + p;
                const uint8_t* v = row + (size_t(x - r.left) * n + p) * bps;
                if (m == 255 && bps == 1) {
                    doc.samples[at] = *v;
                    continue;
                }
                double value;
                if (bps == 1) {
                    value = *v / 255.0;
                } else if (bps == 2) {
                    uint16_t w;
                    std::memcpy(&w, v, 2);
                    value = w / 32768.0;
                } else {
                    float f;
                    std::memcpy(&f, v, 4);
                    value = f;
                }
                if (m != 255) {
                    double before = GetUnitSample(*under, at);
                    value = before + (m / 255.0) * (value - before);
                }
                SetUnitSample(&doc, at, value);
            }
        }
    }
}

// The source's samples back, read again as they were, after they were given back.
OSErr RestoreSource(HostSession& s) {
    if (!s.sourceReleased) return noErr;
    HostDocument again;
    bool read = false;
    try {
        read = s.readSourceAgain(&again);
    } catch (const std::bad_alloc&) {
        return memFullErr;
    }
    HostDocument& source = *s.releasable;
    if (!read || again.width != source.width || again.height != source.height || again.Planes() != source.Planes() ||
        again.depth != source.depth || again.samples.size() != source.SampleCount() * size_t(source.BytesPerSample())) {
        if (s.report->hostMessage.empty())
            s.report->hostMessage = "the picture could not be read again for the plug-in's later request";
        return readErr;
    }
    source.samples.swap(again.samples);
    s.sourceReleased = false;
    return noErr;
}

// The exchange: store the previous output, then hand over the pixels of
// the rectangles the plug-in now asks for.
OSErr ExchangePixels(HostSession& s) {
    CommitPendingOutput(s);
    {
        // Output of a result of its own size with no input asked for: the
        // plug-in holds its own copy of the picture, whose samples go back
        // until asked for again. A selection is read by requests that ask
        // for a token of input too, so a picture with one keeps its samples.
        const bool noInput = IsEmpty(RequestedIn(s));
        if (!noInput) {
            if (const OSErr err = RestoreSource(s)) return err;
        } else if (s.releasable && !s.sourceReleased && !IsEmpty(RequestedOut(s))) {
            SampleBytes().swap(s.releasable->samples);
            s.sourceReleased = true;
        }
    }
    ++s.report->pixelRequests;
    FilterRecord& rec = s.record;
    // 16-bit rectangles cannot reach beyond 32767: such a plug-in would
    // quietly filter part of the picture.
    if (!Uses32BitCoordinates(s) && (std::max(s.source->width, s.result->width) > INT16_MAX ||
                                     std::max(s.source->height, s.result->height) > INT16_MAX)) {
        s.report->hostMessage = "the picture is larger than 32767 pixels and the plug-in does not use 32-bit coordinates";
        return errPlugInHostInsufficient;
    }
    if (rec.inPreDummyPlanes || rec.inPostDummyPlanes || rec.outPreDummyPlanes || rec.outPostDummyPlanes)
        return errBadRequest;
    const HostDocument& source = *s.source;
    const HostDocument& doc = *s.result;
    const int32_t bps = doc.BytesPerSample();
    const double full = FullScale(doc.depth);
    const VRect in = RequestedIn(s), out = RequestedOut(s), mask = RequestedMask(s);
    // The input is read where it lies in the untouched original.
    OSErr err = noErr;
    if (RowsInPlace(in, source, rec.inLoPlane, rec.inHiPlane, rec.inputRate))
        PointInPlace(source, in, &rec.inData, &rec.inRowBytes);
    else
        err = FillRequest(source.samples.data(), source.width, source.height, source.Planes(), bps, full, in,
                          rec.inLoPlane, rec.inHiPlane, rec.inputRate, rec.inputPadding, &s.inBuffer, &rec.inData,
                          &rec.inRowBytes);
    if (err) return err;
    // A result of its own size is written whole by a plug-in that renders it:
    // one that writes beyond it renders the picture's size instead. Its
    // samples are taken at the first output (an export writes none).
    if (s.resultOfItsOwnSize && !IsEmpty(out)) {
        if (out.left < 0 || out.top < 0 || out.right > doc.width || out.bottom > doc.height) {
            s.report->hostMessage = "the plug-in wrote outside the " + std::to_string(doc.width) + " x " +
                                    std::to_string(doc.height) + " result it was asked for";
            return errBadRequest;
        }
        if (!TakeResultSamples(s)) return memFullErr;
    }
    EnsureRowsReady(s, out.top, out.bottom);
    // 8-bit output without a selection is written straight into the result,
    // which then needs no storing; with a selection, or at other depths, the
    // store blends or limits it.
    const bool outInPlace = (!s.under || s.under->mask.empty()) && bps == 1 &&
                            RowsInPlace(out, doc, rec.outLoPlane, rec.outHiPlane, FixedFromInt(1));
    if (outInPlace) {
        PointInPlace(doc, out, &rec.outData, &rec.outRowBytes);
    } else {
        // Output beyond the picture is accepted and dropped: it starts as the nearest edge.
        int16_t outPadding = rec.outputPadding >= 0 ? rec.outputPadding : int16_t(plugInWantsEdgeReplication);
        err = FillRequest(doc.samples.data(), doc.width, doc.height, doc.Planes(), bps, full, out, rec.outLoPlane,
                          rec.outHiPlane, FixedFromInt(1), outPadding, &s.outBuffer, &rec.outData, &rec.outRowBytes);
    }
    if (err) return err;
    if (!source.mask.empty()) {
        err = FillRequest(source.mask.data(), source.width, source.height, 1, 1, 255.0, mask, 0, 0, rec.maskRate,
                          rec.maskPadding, &s.maskBuffer, &rec.maskData, &rec.maskRowBytes);
        if (err) return err;
    } else {
        rec.maskData = nullptr;
        rec.maskRowBytes = 0;
    }
    rec.inColumnBytes = (rec.inHiPlane - rec.inLoPlane + 1) * bps;
    rec.inPlaneBytes = bps;
    rec.outColumnBytes = (rec.outHiPlane - rec.outLoPlane + 1) * bps;
    rec.outPlaneBytes = bps;
    if (rec.outData && !outInPlace) s.pending = PendingOutput{true, out, rec.outLoPlane, rec.outHiPlane, rec.outRowBytes};
    return noErr;
}

// ---- callbacks ----

OSErr AdvanceStateProc() {
    if (!gSession) return paramErr;
    return ExchangePixels(*gSession);
}

Boolean TestAbort() { return gAbortRequested != 0; }

void UpdateProgress(int32_t done, int32_t total) {
    HostSession* s = gSession;
    if (!s || !s->showProgress || total <= 0) return;
    int percent = int(std::clamp<int64_t>(int64_t(done) * 100 / total, 0, 100));
    if (percent == s->lastPercent) return;
    s->lastPercent = percent;
    char bar[41];
    int filled = percent * 40 / 100;
    for (int i = 0; i < 40; ++i) bar[i] = i < filled ? '#' : '.';
    bar[40] = 0;
    std::fprintf(stderr, "\r[%s] %3d%%", bar, percent);
    std::fflush(stderr);
    s->progressDrawn = true;
}

void ClearProgress(HostSession& s) {
    if (s.progressDrawn) std::fprintf(stderr, "\r\033[K");
    s.progressDrawn = false;
}

// ---- set-up ----

// The plug-in's dialog draws its own preview: nothing to do here.
OSErr DisplayNothing(const PSPixelMap*, const VRect*, int32_t, int32_t, void*) { return noErr; }

int16_t ImageMode(const HostDocument& doc) {
    if (doc.colourPlanes == 1) return doc.depth == 8 ? imageModeGreyscale : doc.depth == 16 ? imageModeGrey16 : imageModeGrey32;
    return doc.depth == 8 ? imageModeRGB : doc.depth == 16 ? imageModeRGB48 : imageModeRGB96;
}

void SetUpRecord(HostSession& s) {
    const HostDocument& doc = *s.source;
    FilterRecord& r = s.record;
    r.filterRecordVersion = kCurrentFilterRecordVersion;
    r.hostSig = kVorneskHostSignature;
    r.abortProc = TestAbort;
    r.progressProc = UpdateProgress;
    r.advanceState = AdvanceStateProc;
    r.displayPixels = nullptr;   // no screen, so no live preview
    r.colorServices = HostServicesColorServices();
    r.bufferProcs = HostServicesBufferProcs();
    r.handleProcs = HostServicesHandleProcs();
    r.descriptorParameters = &s.descriptorParameters;
    r.sSPBasic = HostServicesBasicSuite();
    r.bigDocumentData = &s.big;
    r.errorString = &s.errorString;

    const VRect whole{0, 0, doc.height, doc.width};
    r.imageSize = Point{Narrow(whole).bottom, Narrow(whole).right};
    r.filterRect = Narrow(whole);
    r.wholeSize = r.imageSize;
    r.planes = doc.Planes();
    r.imageMode = ImageMode(doc);
    r.depth = doc.depth;
    r.imageHRes = r.imageVRes = FixedFromInt(72);
    const bool selection = !doc.mask.empty();
    r.filterCase = doc.hasAlpha ? (selection ? filterCaseEditableTransparencyWithSelection
                                             : filterCaseEditableTransparencyNoSelection)
                                : (selection ? filterCaseFlatImageWithSelection : filterCaseFlatImageNoSelection);
    r.haveMask = selection;
    r.autoMask = true;
    r.samplingSupport = hostSupportsIntegralSampling;
    r.background = RGBColor{0xFFFF, 0xFFFF, 0xFFFF};
    r.foreground = RGBColor{0, 0, 0};
    std::memset(r.backColor, 0xFF, sizeof r.backColor);
    std::memset(r.foreColor, 0, sizeof r.foreColor);
    r.inLayerPlanes = r.outLayerPlanes = doc.colourPlanes;
    r.inTransparencyMask = r.outTransparencyMask = doc.hasAlpha ? 1 : 0;
    r.maxSpace = r.bufferProcs->spaceProc();
    r.inputRate = r.maskRate = FixedFromInt(1);
    r.inputPadding = r.outputPadding = r.maskPadding = plugInWantsErrorOnBoundsException;
    r.supportsPadding = true;
    r.supportsDummyChannels = false;
    r.inHiPlane = r.outHiPlane = int16_t(doc.Planes() - 1);

    s.big.bigDocumentVersion = 1;
    s.big.imageSize32 = VPoint{doc.height, doc.width};
    s.big.filterRect32 = whole;
    s.big.wholeSize32 = s.big.imageSize32;

    s.descriptorParameters.descriptorParametersVersion = 1;
    s.descriptorParameters.playInfo = plugInDialogDontDisplay;
    s.descriptorParameters.recordInfo = plugInDialogDontDisplay;
    s.descriptorParameters.readDescriptorProcs = HostServicesReadDescriptorProcs();
    s.descriptorParameters.writeDescriptorProcs = HostServicesWriteDescriptorProcs();
}

OSErr CallPlugin(HostSession& s, int16_t selector) {
    int16_t result = noErr;
    s.errorString[0] = 0;
    s.entry(selector, &s.record, &s.dataWord, &result);
    if (result != noErr) {
        s.report->failedSelector = selector;
        // A failed write may say which file and why as well.
        if (result == errReportString || result == writErr) {
            s.report->pluginMessage.assign(reinterpret_cast<const char*>(s.errorString + 1), s.errorString[0]);
        }
    }
    return result;
}

OSErr Drive(HostSession& s, const HostRunSettings& settings) {
    OSErr err = CallPlugin(s, filterSelectorPrepare);
    if (err) return err;
    PIDescriptorHandle given = nullptr;
    if (settings.haveSettings) {
        std::vector<DescriptorItem> items = settings.settings;
        if (s.resultOfItsOwnSize) {
            // The result's size: a request of this run, after the settings.
            DescriptorItem width, height;
            width.key = kResultWidthKey;
            width.integer = s.result->width;
            height.key = kResultHeightKey;
            height.integer = s.result->height;
            items.push_back(width);
            items.push_back(height);
        }
        given = s.descriptorParameters.descriptor = NewDescriptorHandle(items);
        if (!given) return memFullErr;
    }
    const uint64_t givenSerial = HandleSerial(given);
    if ((err = CallPlugin(s, filterSelectorStart))) return err;
    while (AnyRequest(s)) {
        if (gAbortRequested) return userCanceledErr;
        if ((err = ExchangePixels(s))) return err;
        ++s.report->continueCalls;
        if ((err = CallPlugin(s, filterSelectorContinue))) return err;
    }
    CommitPendingOutput(s);
    if ((err = CallPlugin(s, filterSelectorFinish))) return err;
    // A plug-in that records its settings replaces the descriptor with its own.
    PIDescriptorHandle written = s.descriptorParameters.descriptor;
    if (written && (written != given || HandleSerial(written) != givenSerial)) s.report->descriptorWritten = DescriptorItemsFromHandle(written, &s.report->descriptor);
    return noErr;
}

}  // namespace

void RequestHostAbort() { gAbortRequested = 1; }
bool HostAbortRequested() { return gAbortRequested != 0; }
void ClearHostAbort() { gAbortRequested = 0; }

bool RunFilter(PluginMainProc entry, HostDocument* doc, const HostRunSettings& settings, HostRunReport* report) {
    *report = HostRunReport{};
    if (gSession) {
        report->result = paramErr;
        return false;
    }
    // The result starts as the picture, row by row as the plug-in reaches it.
    HostDocument result;
    HostSession session;
    const bool ownSize = settings.resultWidth > 0 && settings.resultHeight > 0 &&
                         (settings.resultWidth != doc->width || settings.resultHeight != doc->height);
    try {
        result.width = ownSize ? settings.resultWidth : doc->width;
        result.height = ownSize ? settings.resultHeight : doc->height;
        result.colourPlanes = doc->colourPlanes;
        result.hasAlpha = doc->hasAlpha;
        result.depth = doc->depth;
        if (!ownSize) {
            result.mask = doc->mask;
            result.samples.resize(doc->samples.size());
            session.rowReady.assign(size_t(std::max(doc->height, 0)), 0);
        }
    } catch (const std::bad_alloc&) {
        report->result = memFullErr;
        return false;
    }
    session.entry = entry;
    session.source = doc;
    session.result = &result;
    session.under = ownSize ? settings.resultUnder : doc;
    session.resultOfItsOwnSize = ownSize;
    if (ownSize && settings.readSourceAgain && doc->mask.empty()) {
        session.releasable = doc;
        session.readSourceAgain = settings.readSourceAgain;
    }
    session.report = report;
    session.showProgress = settings.showProgress;
    SetUpRecord(session);
    if (settings.showDialog) {
        session.record.displayPixels = DisplayNothing;
        session.descriptorParameters.playInfo = plugInDialogDisplay;
    }
    gSession = &session;
    OSErr err = Drive(session, settings);
    gSession = nullptr;
    ClearProgress(session);
    // The handles the host keeps for the plug-in end with the run.
    DisposeHandle(session.descriptorParameters.descriptor);
    DisposeHandle(session.record.parameters);
    DisposeHandle(reinterpret_cast<Handle>(session.dataWord));
    // A failed run leaves the picture as it was.
    if (err != noErr) RestoreSource(session);
    report->result = err;
    if (err != noErr) return false;
    EnsureRowsReady(session, 0, result.height);
    if (ownSize && !TakeResultSamples(session)) {
        report->result = memFullErr;
        return false;
    }
    *doc = std::move(result);
    return true;
}
