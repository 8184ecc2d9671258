#include "host_access/host_utilities.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/host/result_codes.h"
#include "host_access/FilterBigDocument.h"
#include "records/plugin_globals.h"

namespace {

constexpr int16_t kDefaultModeCount = 18;
constexpr int32_t kMaxErrorText = 254;

constexpr int16_t kPlanesOfMode[kDefaultModeCount] = {1, 1, 1, 3, 4, 3, 3, -1, 1, 3, 1, 3, 3, 4, -1, 1, 3, 1};
constexpr int16_t kSpaceOfMode[kDefaultModeCount] = {
    colorSpaceGrey, colorSpaceGrey, colorSpaceRGB, colorSpaceRGB,  colorSpaceCMYK, colorSpaceHSL,
    colorSpaceHSB,  -1,             colorSpaceGrey, colorSpaceLab, colorSpaceGrey, colorSpaceRGB,
    colorSpaceLab,  colorSpaceCMYK, -1,             colorSpaceGrey, colorSpaceRGB, colorSpaceGrey,
};

const FilterRecord* R() { return gFilterRecord; }

}  // namespace

bool HostAdvanceStateAvailable() { return R() && R()->advanceState; }
bool HostColorServicesAvailable() { return R() && R()->colorServices; }
bool HostDisplayPixelsAvailable() { return R() && R()->displayPixels; }

bool HostBufferProcsAvailable() {
    const BufferProcs* b = R() ? R()->bufferProcs : nullptr;
    return b && b->bufferProcsVersion >= kCurrentBufferProcsVersion && b->numBufferProcs >= kCurrentBufferProcsCount &&
           b->allocateProc && b->lockProc && b->unlockProc && b->freeProc && b->spaceProc;
}

bool HostResourceProcsAvailable() {
    const ResourceProcs* r = R() ? R()->resourceProcs : nullptr;
    return r && r->numResourceProcs >= 4 && r->countProc && r->getProc && r->deleteProc && r->addProc;
}

bool HostHandleProcsAvailable() {
    const HandleProcs* h = R() ? R()->handleProcs : nullptr;
    return h && h->handleProcsVersion >= kCurrentHandleProcsVersion && h->numHandleProcs >= 4 && h->newProc &&
           h->disposeProc && h->getSizeProc && h->setSizeProc;
}

bool HostPropertyAvailable() {
    const PropertyProcs* p = R() ? R()->propertyProcs : nullptr;
    return p && p->numPropertyProcs >= 2 && p->getPropertyProc && p->setPropertyProc;
}

bool HostChannelPortAvailable() {
    const ChannelPortProcs* c = R() ? R()->channelPortProcs : nullptr;
    return c && c->numChannelPortProcs >= 3 && c->readPixelsProc && c->writeBasePixelsProc &&
           c->readPortForWritePortProc;
}

bool HostDescriptorAvailable() {
    const PIDescriptorParameters* d = R() ? R()->descriptorParameters : nullptr;
    if (!d) return false;
    const ReadDescriptorProcs* r = d->readDescriptorProcs;
    const WriteDescriptorProcs* w = d->writeDescriptorProcs;
    return r && w && r->openReadDescriptorProc && r->closeReadDescriptorProc && r->getKeyProc &&
           w->openWriteDescriptorProc && w->closeWriteDescriptorProc;
}

bool WarnHostAdvanceStateAvailable() { return HostAdvanceStateAvailable(); }
bool WarnHostColorServicesAvailable() { return HostColorServicesAvailable(); }
bool WarnHostDisplayPixelsAvailable() { return HostDisplayPixelsAvailable(); }
bool WarnHostBufferProcsAvailable() { return HostBufferProcsAvailable(); }
bool WarnHostResourceProcsAvailable() { return HostResourceProcsAvailable(); }
bool WarnHostHandleProcsAvailable() { return HostHandleProcsAvailable(); }
bool WarnHostPropertyAvailable() { return HostPropertyAvailable(); }
bool WarnHostChannelPortAvailable() { return HostChannelPortAvailable(); }
bool WarnHostDescriptorAvailable() { return HostDescriptorAvailable(); }

int32_t HostBufferSpace() { return HostBufferProcsAvailable() ? R()->bufferProcs->spaceProc() : 0; }

OSErr HostAllocateBuffer(int32_t size, BufferID* id) {
    if (id) *id = nullptr;
    if (!HostBufferProcsAvailable() || !id) return memFullErr;
    return R()->bufferProcs->allocateProc(size, id);
}

void HostFreeBuffer(BufferID id) {
    if (id && HostBufferProcsAvailable()) R()->bufferProcs->freeProc(id);
}

Ptr HostLockBuffer(BufferID id, Boolean moveHigh) {
    return id && HostBufferProcsAvailable() ? R()->bufferProcs->lockProc(id, moveHigh) : nullptr;
}

void HostUnlockBuffer(BufferID id) {
    if (id && HostBufferProcsAvailable()) R()->bufferProcs->unlockProc(id);
}

OSErr HostAllocateStripBuffer(int32_t rowBytes, int32_t* rows, BufferID* id) {
    if (id) *id = nullptr;
    if (!HostBufferProcsAvailable() || !rows || !id || rowBytes <= 0) return memFullErr;
    for (int32_t n = *rows; n >= 1; n /= 2) {
        if (int64_t(n) * rowBytes > INT32_MAX) continue;
        if (R()->bufferProcs->allocateProc(n * rowBytes, id) == noErr && *id) {
            *rows = n;
            return noErr;
        }
    }
    *rows = 0;
    return memFullErr;
}

Handle HostNewHandle(int32_t size) { return HostHandleProcsAvailable() ? R()->handleProcs->newProc(size) : nullptr; }

void HostDisposeHandle(Handle h) {
    if (h && HostHandleProcsAvailable()) R()->handleProcs->disposeProc(h);
}

bool HostHandleText(Handle h, std::string* text) {
    const HandleProcs* procs = R() ? R()->handleProcs : nullptr;
    if (!h || !text || !HostHandleProcsAvailable() || procs->numHandleProcs < 6 || !procs->lockProc ||
        !procs->unlockProc)
        return false;
    const int32_t size = procs->getSizeProc(h);
    const char* bytes = procs->lockProc(h, false);
    if (!bytes) return false;
    text->assign(bytes, strnlen(bytes, size_t(std::max(size, 0))));
    procs->unlockProc(h);
    return true;
}

void HostDisposeDescriptor(PIDescriptorHandle* descriptor) {
    if (!descriptor) return;
    HostDisposeHandle(*descriptor);
    *descriptor = nullptr;
}

bool HostPlayDialog() {
    const PIDescriptorParameters* d = R() ? R()->descriptorParameters : nullptr;
    return d && d->playInfo == plugInDialogDisplay;
}

int16_t CSPlanesFromMode(int16_t mode, int16_t defaultPlanes) {
    if (mode < 0 || mode >= kDefaultModeCount || kPlanesOfMode[mode] < 0) return defaultPlanes;
    return kPlanesOfMode[mode];
}

int16_t CSModeToSpace(int16_t mode) {
    if (mode < 0 || mode >= kDefaultModeCount) return -1;
    return kSpaceOfMode[mode];
}

OSErr HostReportError(Str255* errorString, const char* message) {
    if (errorString) {
        size_t n = message ? std::strlen(message) : 0;
        if (n > size_t(kMaxErrorText)) n = kMaxErrorText;
        (*errorString)[0] = uint8_t(n);
        if (n) std::memcpy(*errorString + 1, message, n);
    }
    return errReportString;
}

std::string ReportedErrorText() {
    if (!gResult || *gResult != errReportString || !gFilterRecord || !gFilterRecord->errorString) return std::string();
    const Str255& said = *gFilterRecord->errorString;
    return std::string(reinterpret_cast<const char*>(said + 1), said[0]);
}

bool IsWindows(int32_t system) { return system >= 10 && system <= 12; }
bool IsMacOS(int32_t system) { return system >= 1 && system <= 3; }

void PIType2Char(OSType type, char* chars) {
    for (int i = 0; i < 4; i++) chars[i] = char((type >> (24 - 8 * i)) & 0xFF);
    chars[4] = 0;
}

OSType PIChar2Type(const char* chars) {
    OSType t = 0;
    for (int i = 0; i < 4; i++) t = (t << 8) | uint8_t(chars[i]);
    return t;
}

void blankout2(void* p, int64_t n) {
    if (p && n > 0) std::memset(p, 0, size_t(n));
}

bool really_nan(float x) { return std::isnan(x); }
bool qev_isInfiniteD(double x) { return std::isinf(x); }

// The process runs on its own architecture here: there is no translation layer to ask.
bool IsRunningNatively() { return true; }
