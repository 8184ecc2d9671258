#include "host_access/host_utilities.h"

#include <algorithm>
#include <cstring>

#include "platform/host/result_codes.h"
#include "host_access/FilterBigDocument.h"
#include "records/plugin_globals.h"

namespace {

constexpr int32_t kMaxErrorText = 254;

const FilterRecord* R() { return gFilterRecord; }

}  // namespace

bool HostHandleProcsAvailable() {
    const HandleProcs* h = R() ? R()->handleProcs : nullptr;
    return h && h->handleProcsVersion >= kCurrentHandleProcsVersion && h->numHandleProcs >= 4 && h->newProc &&
           h->disposeProc && h->getSizeProc && h->setSizeProc;
}

bool HostDescriptorAvailable() {
    const PIDescriptorParameters* d = R() ? R()->descriptorParameters : nullptr;
    if (!d) return false;
    const ReadDescriptorProcs* r = d->readDescriptorProcs;
    const WriteDescriptorProcs* w = d->writeDescriptorProcs;
    return r && w && r->openReadDescriptorProc && r->closeReadDescriptorProc && r->getKeyProc &&
           w->openWriteDescriptorProc && w->closeWriteDescriptorProc;
}

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
