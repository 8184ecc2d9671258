#include "platform/host/handles.h"

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unordered_set>

#include "platform/host/result_codes.h"

struct HostHandleBlock {
    char* data;
    int32_t size;
    int32_t locks;
    uint64_t serial;
};

namespace {

// Every live handle, so that a stale or foreign handle is refused rather
// than freed twice, and the host can sweep up at the end.
std::mutex gHandleLock;
uint64_t gLastSerial = 0;
std::unordered_set<Handle>& LiveHandles() {
    static std::unordered_set<Handle> live;
    return live;
}

// Callers hold gHandleLock: a handle's fields change only under it.
bool IsLiveLocked(Handle h) { return h && LiveHandles().count(h) != 0; }

}  // namespace

Handle NewHandle(int32_t size) {
    if (size < 0) return nullptr;
    Handle h = static_cast<Handle>(std::calloc(1, sizeof(HostHandleBlock)));
    if (!h) return nullptr;
    // calloc(1, 0) may give null; keep one byte so a live handle always has an address.
    h->data = static_cast<char*>(std::calloc(size > 0 ? size_t(size) : 1, 1));
    if (!h->data) {
        std::free(h);
        return nullptr;
    }
    h->size = size;
    std::lock_guard<std::mutex> guard(gHandleLock);
    h->serial = ++gLastSerial;
    LiveHandles().insert(h);
    return h;
}

void DisposeHandle(Handle h) {
    {
        std::lock_guard<std::mutex> guard(gHandleLock);
        if (!h || LiveHandles().erase(h) == 0) return;
    }
    std::free(h->data);
    std::free(h);
}

int32_t GetHandleSize(Handle h) {
    std::lock_guard<std::mutex> guard(gHandleLock);
    return IsLiveLocked(h) ? h->size : 0;
}

OSErr SetHandleSize(Handle h, int32_t newSize) {
    std::lock_guard<std::mutex> guard(gHandleLock);
    if (!IsLiveLocked(h)) return nilHandleErr;
    if (newSize < 0) return paramErr;
    if (newSize == h->size) return noErr;
    if (h->locks > 0) return memLockedErr;
    char* grown = static_cast<char*>(std::realloc(h->data, newSize > 0 ? size_t(newSize) : 1));
    if (!grown) return memFullErr;
    if (newSize > h->size) std::memset(grown + h->size, 0, size_t(newSize - h->size));
    h->data = grown;
    h->size = newSize;
    return noErr;
}

Ptr HLock(Handle h) {
    std::lock_guard<std::mutex> guard(gHandleLock);
    if (!IsLiveLocked(h)) return nullptr;
    ++h->locks;
    return h->data;
}

void HUnlock(Handle h) {
    std::lock_guard<std::mutex> guard(gHandleLock);
    if (IsLiveLocked(h) && h->locks > 0) --h->locks;
}

uint64_t HandleSerial(Handle h) {
    std::lock_guard<std::mutex> guard(gHandleLock);
    return IsLiveLocked(h) ? h->serial : 0;
}

Ptr HandleAddress(Handle h) {
    std::lock_guard<std::mutex> guard(gHandleLock);
    return IsLiveLocked(h) ? h->data : nullptr;
}

int32_t HostHandlesAlive() {
    std::lock_guard<std::mutex> guard(gHandleLock);
    return int32_t(LiveHandles().size());
}

namespace {

Ptr LockHandleProc(Handle h, Boolean) { return HLock(h); }
// The host's memory is the system's: nothing to recover.
void RecoverSpaceProc(int32_t) {}

HandleProcs gHandleProcs = {
    kCurrentHandleProcsVersion, kCurrentHandleProcsCount,
    NewHandle, DisposeHandle, GetHandleSize, SetHandleSize,
    LockHandleProc, HUnlock, RecoverSpaceProc, DisposeHandle,
};

}  // namespace

HandleProcs* HostServicesHandleProcs() { return &gHandleProcs; }
