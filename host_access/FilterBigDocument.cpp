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
PIDescriptorParameters* GetDescriptorParameters() { return R() ? R()->descriptorParameters : nullptr; }
WriteDescriptorProcs* GetWriteDescriptorProcs() {
    PIDescriptorParameters* d = GetDescriptorParameters();
    return d ? d->writeDescriptorProcs : nullptr;
}

int16_t Get_inLayerPlanes() { return R() ? R()->inLayerPlanes : 0; }
int16_t GetInLayerPlanes() { return Get_inLayerPlanes(); }
int16_t GetPlanes() { return R() ? R()->planes : 0; }
int16_t GetInLoPlane() { return R() ? R()->inLoPlane : 0; }

void* GetInData() { return R() ? R()->inData : nullptr; }
bool GetHaveMask() { return R() && R()->haveMask; }
int32_t GetInRowBytes() { return R() ? R()->inRowBytes : 0; }
int16_t Get_srcStride() { return R() ? int16_t(R()->inHiPlane - R()->inLoPlane + 1) : 0; }

int16_t GetImageMode() { return R() ? R()->imageMode : -1; }
OSType GetHostSig() { return R() ? R()->hostSig : 0; }
int16_t GetFilterCase() { return R() ? R()->filterCase : int16_t(filterCaseUnsupported); }
uint8_t GetSamplingSupport() { return R() ? R()->samplingSupport : 0; }
int32_t GetiCCprofileSize() { return R() ? R()->iCCprofileSize : 0; }
Handle GetiCCprofileData() { return R() ? R()->iCCprofileData : nullptr; }
int32_t GetDepth() { return R() ? R()->depth : 0; }

bool IsMultichannel_call() { return GetImageMode() == imageModeMultichannel; }

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

void UpdateProgress_qev(int32_t, int32_t done, int32_t total) {
    if (R() && R()->progressProc) R()->progressProc(done + 1, total);
}

void WhineAboutMemory(OSErr error) {
    if (error == -108) ReportMemoryAlert();
}
