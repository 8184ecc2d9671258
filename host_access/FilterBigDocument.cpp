#include "host_access/FilterBigDocument.h"

#include <algorithm>

#include "records/parameters.h"
#include "records/plugin_globals.h"
#include "host_access/reporter.h"

namespace {

VRect Widen(const Rect& r) { return VRect{r.top, r.left, r.bottom, r.right}; }
VPoint Widen(const Point& p) { return VPoint{p.v, p.h}; }

Rect Narrow(const VRect& r) {
    auto clip = [](int32_t v) { return int16_t(std::clamp<int32_t>(v, INT16_MIN, INT16_MAX)); };
    return Rect{clip(r.top), clip(r.left), clip(r.bottom), clip(r.right)};
}

FilterRecord* R() { return gFilterRecord; }

}  // namespace

bool UsesBigDocument() {
    return R() && R()->bigDocumentData && R()->bigDocumentData->PluginUsing32BitCoordinates != 0;
}

void RequestBigDocumentCoordinates() {
    if (R() && R()->bigDocumentData && R()->bigDocumentData->bigDocumentVersion != 0)
        R()->bigDocumentData->PluginUsing32BitCoordinates = 1;
}

VPoint GetImageSize() {
    if (!R()) return VPoint{};
    return UsesBigDocument() ? R()->bigDocumentData->imageSize32 : Widen(R()->imageSize);
}
VRect GetFilterRect() {
    if (!R()) return VRect{};
    return UsesBigDocument() ? R()->bigDocumentData->filterRect32 : Widen(R()->filterRect);
}
VRect GetInRect() {
    if (!R()) return VRect{};
    return UsesBigDocument() ? R()->bigDocumentData->inRect32 : Widen(R()->inRect);
}
VRect GetOutRect() {
    if (!R()) return VRect{};
    return UsesBigDocument() ? R()->bigDocumentData->outRect32 : Widen(R()->outRect);
}
VRect GetMaskRect() {
    if (!R()) return VRect{};
    return UsesBigDocument() ? R()->bigDocumentData->maskRect32 : Widen(R()->maskRect);
}
VPoint GetFloatCoord() {
    if (!R()) return VPoint{};
    return UsesBigDocument() ? R()->bigDocumentData->floatCoord32 : Widen(R()->floatCoord);
}
VPoint GetWholeSize() {
    if (!R()) return VPoint{};
    return UsesBigDocument() ? R()->bigDocumentData->wholeSize32 : Widen(R()->wholeSize);
}
void SetInRect(const VRect& r) {
    if (!R()) return;
    if (UsesBigDocument()) R()->bigDocumentData->inRect32 = r;
    else R()->inRect = Narrow(r);
}
void SetOutRect(const VRect& r) {
    if (!R()) return;
    if (UsesBigDocument()) R()->bigDocumentData->outRect32 = r;
    else R()->outRect = Narrow(r);
}
void SetMaskRect(const VRect& r) {
    if (!R()) return;
    if (UsesBigDocument()) R()->bigDocumentData->maskRect32 = r;
    else R()->maskRect = Narrow(r);
}

BufferProcs* GetBufferProcs() { return R() ? R()->bufferProcs : nullptr; }
HandleProcs* GetHandleProcs() { return R() ? R()->handleProcs : nullptr; }
ColorServicesProc GetColorServices() { return R() ? R()->colorServices : nullptr; }
ProgressProc GetProgressProc() { return R() ? R()->progressProc : nullptr; }
DisplayPixelsProc GetDisplayPixels() { return R() ? R()->displayPixels : nullptr; }
PIDescriptorParameters* GetDescriptorParameters() { return R() ? R()->descriptorParameters : nullptr; }
ReadDescriptorProcs* GetReadDescriptorProcs() {
    PIDescriptorParameters* d = GetDescriptorParameters();
    return d ? d->readDescriptorProcs : nullptr;
}
WriteDescriptorProcs* GetWriteDescriptorProcs() {
    PIDescriptorParameters* d = GetDescriptorParameters();
    return d ? d->writeDescriptorProcs : nullptr;
}
void* GetPlatformData() { return R() ? R()->platformData : nullptr; }

int16_t Get_inLayerPlanes() { return R() ? R()->inLayerPlanes : 0; }
int16_t GetInLayerPlanes() { return Get_inLayerPlanes(); }
int16_t GetOutLayerPlanes() { return R() ? R()->outLayerPlanes : 0; }
int16_t GetPlanes() { return R() ? R()->planes : 0; }
int16_t GetInHiPlane() { return R() ? R()->inHiPlane : 0; }
int16_t GetInLoPlane() { return R() ? R()->inLoPlane : 0; }
int16_t GetOutHiPlanes() { return R() ? R()->outHiPlane : 0; }
int16_t GetOutLoPlane() { return R() ? R()->outLoPlane : 0; }
int16_t GetInTransparencyMask() { return R() ? R()->inTransparencyMask : 0; }
int16_t GetOutTransparencyMask() { return R() ? R()->outTransparencyMask : 0; }
int16_t GetInLayerMasks() { return R() ? R()->inLayerMasks : 0; }
int16_t GetOutLayerMasks() { return R() ? R()->outLayerMasks : 0; }

void* GetInData() { return R() ? R()->inData : nullptr; }
void* GetOutData() { return R() ? R()->outData : nullptr; }
void* GetMaskData() { return R() ? R()->maskData : nullptr; }
bool GetHaveMask() { return R() && R()->haveMask; }
int32_t GetInRowBytes() { return R() ? R()->inRowBytes : 0; }
int32_t GetOutRowBytes() { return R() ? R()->outRowBytes : 0; }
int32_t GetMaskRowBytes() { return R() ? R()->maskRowBytes : 0; }
int32_t getInRowBytes() { return GetInRowBytes(); }
int32_t getOutRowBytes() { return GetOutRowBytes(); }
int32_t getInColumnBytes() { return R() ? R()->inColumnBytes : 0; }
int32_t getOutColumnBytes() { return R() ? R()->outColumnBytes : 0; }
int16_t Get_srcStride() { return R() ? int16_t(R()->inHiPlane - R()->inLoPlane + 1) : 0; }
int16_t Get_dstStride() { return R() ? int16_t(R()->outHiPlane - R()->outLoPlane + 1) : 0; }
int16_t Get_alphaTarget() { return GetOutTransparencyMask(); }

int16_t GetImageMode() { return R() ? R()->imageMode : -1; }
OSType GetHostSig() { return R() ? R()->hostSig : 0; }
int16_t GetFilterCase() { return R() ? R()->filterCase : int16_t(filterCaseUnsupported); }
bool GetDissolveTransparency() {
    int16_t c = GetFilterCase();
    return c == filterCaseEditableTransparencyNoSelection || c == filterCaseEditableTransparencyWithSelection;
}
uint8_t GetSamplingSupport() { return R() ? R()->samplingSupport : 0; }
int32_t GetiCCprofileSize() { return R() ? R()->iCCprofileSize : 0; }
int32_t GetcanUseICCProfiles() { return R() ? R()->canUseICCProfiles : 0; }
Handle GetiCCprofileData() { return R() ? R()->iCCprofileData : nullptr; }
RGBColor GetForeground() { return R() ? R()->foreground : RGBColor{}; }
RGBColor GetBackground() { return R() ? R()->background : RGBColor{}; }
int32_t GetDepth() { return R() ? R()->depth : 0; }

bool IsGreyscale_call() {
    int16_t m = GetImageMode();
    return m == imageModeGreyscale || m == imageModeGrey16 || m == imageModeGrey32;
}
bool IsGrey_call() { return IsGreyscale_call(); }
bool IsRGB_call() {
    int16_t m = GetImageMode();
    return m == imageModeRGB || m == imageModeRGB48 || m == imageModeRGB96;
}
bool IsRGBColor_call() { return IsRGB_call(); }
bool Is8_call() { return GetDepth() == 8; }
bool Is16_call() { return GetDepth() == 16; }
bool Is32_call() { return GetDepth() == 32; }
bool Is32_destination() { return Is32_call(); }
bool IsMultichannel_call() { return GetImageMode() == imageModeMultichannel; }

int16_t DisplayPixelsMode() {
    // The display shows grey images as grey and everything else as RGB.
    return IsGreyscale_call() ? imageModeGreyscale : imageModeRGB;
}

void SetPlanesScalingPadding(int32_t, Fixed rate, int16_t padding) {
    if (!R()) return;
    R()->inLoPlane = R()->outLoPlane = 0;
    R()->inHiPlane = R()->outHiPlane = int16_t(R()->planes - 1);
    R()->inputRate = rate;
    R()->maskRate = rate;
    R()->inputPadding = R()->outputPadding = R()->maskPadding = padding;
}

void SetBufferSpace(int32_t bytes) {
    if (R()) R()->bufferSpace = bytes;
}

void SetAutoMask(bool on) {
    if (R()) R()->autoMask = on;
}

void ProgressMeterSetNumberOfPhases(int32_t n) {
    if (gParams) gParams->progressPhaseCount = std::max(n, 1);
}
void ProgressMeterSetCurrentPhase(int32_t p) {
    if (!gParams) return;
    gParams->progressPhase = p < 1 ? 1 : std::min(p, gParams->progressPhaseCount);
}
void ProgressMeterSetNoPhase() {
    if (gParams) gParams->progressPhase = -1;
}
int32_t ProgressMeterGetNumberOfPhases() { return gParams ? gParams->progressPhaseCount : 1; }
int32_t ProgressMeterGetCurrentPhase() { return gParams ? gParams->progressPhase : -1; }

void UpdateProgress_qev(int32_t, int32_t done, int32_t total) {
    if (R() && R()->progressProc) R()->progressProc(done + 1, total);
}

void CCUpdateProgress_core(int32_t x, int32_t done, int32_t total) {
    static int32_t calls = 0;
    static int32_t lastDone = 0;
    if (gParams && gParams->renderDestination != kRenderToHost) return;
    bool report;
    if (done == 0 || done - lastDone >= 5 || done < lastDone) {
        // A new run: report now and count again from here.
        calls = 0;
        report = true;
    } else {
        calls++;
        report = calls % 16 == 0;
    }
    lastDone = done;
    if (report) UpdateProgress_qev(x, done, total);
}

void WhineAboutMemory(OSErr error) {
    if (error == -108) ReportMemoryAlert();
}

int32_t ShowVersionAlert() { return 0; }
