#include "platform/host/buffers.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <unordered_set>

#include "platform/host/result_codes.h"

struct HostBufferBlock {
    char* data;
    int32_t size;
    int32_t locks;
};

namespace {

int64_t DefaultLimit() {
    long pages = sysconf(_SC_PHYS_PAGES), pageSize = sysconf(_SC_PAGE_SIZE);
    int64_t half = (pages > 0 && pageSize > 0) ? int64_t(pages) * pageSize / 2 : (int64_t(1) << 30);
    return std::min<int64_t>(half, INT32_MAX);
}

// Buffers may be taken and returned from worker threads: one lock guards
// the accounting.
std::mutex gBufferLock;
int64_t gLimit = -1;
int64_t gInUse = 0;
std::unordered_set<BufferID>& LiveBuffers() {
    static std::unordered_set<BufferID> live;
    return live;
}

int64_t LimitLocked() {
    if (gLimit < 0) gLimit = DefaultLimit();
    return gLimit;
}

OSErr AllocateProc(int32_t size, BufferID* id) {
    if (!id) return paramErr;
    *id = nullptr;
    if (size < 0) return paramErr;
    {
        std::lock_guard<std::mutex> guard(gBufferLock);
        if (gInUse + size > LimitLocked()) return memFullErr;
        gInUse += size;
    }
    BufferID b = static_cast<BufferID>(std::malloc(sizeof(HostBufferBlock)));
    char* data = b ? static_cast<char*>(std::malloc(size > 0 ? size_t(size) : 1)) : nullptr;
    std::lock_guard<std::mutex> guard(gBufferLock);
    if (!data) {
        std::free(b);
        gInUse -= size;
        return memFullErr;
    }
    *b = HostBufferBlock{data, size, 0};
    LiveBuffers().insert(b);
    *id = b;
    return noErr;
}

Ptr LockProc(BufferID id, Boolean) {
    std::lock_guard<std::mutex> guard(gBufferLock);
    if (!id || !LiveBuffers().count(id)) return nullptr;
    ++id->locks;
    return id->data;
}

void UnlockProc(BufferID id) {
    std::lock_guard<std::mutex> guard(gBufferLock);
    if (id && LiveBuffers().count(id) && id->locks > 0) --id->locks;
}

void FreeProc(BufferID id) {
    {
        std::lock_guard<std::mutex> guard(gBufferLock);
        if (!id || LiveBuffers().erase(id) == 0) return;
        gInUse -= id->size;
    }
    std::free(id->data);
    std::free(id);
}

int32_t SpaceProc() {
    std::lock_guard<std::mutex> guard(gBufferLock);
    return int32_t(std::clamp<int64_t>(LimitLocked() - gInUse, 0, INT32_MAX));
}

BufferProcs gBufferProcs = {
    kCurrentBufferProcsVersion, kCurrentBufferProcsCount,
    AllocateProc, LockProc, UnlockProc, FreeProc, SpaceProc,
};

}  // namespace

BufferProcs* HostServicesBufferProcs() { return &gBufferProcs; }

void SetHostBufferLimit(int64_t bytes) {
    std::lock_guard<std::mutex> guard(gBufferLock);
    gLimit = std::max<int64_t>(bytes, -1);
}

int32_t HostBuffersAlive() {
    std::lock_guard<std::mutex> guard(gBufferLock);
    return int32_t(LiveBuffers().size());
}
