#include "common/memory.h"

#include <atomic>
#include <cstdlib>

#include "platform/page_touch.h"

namespace {
std::atomic<int64_t> gFailuresToCome{0};
std::atomic<int64_t> gSuccessesFirst{0};

bool FailThisOne() {
    int64_t n = gFailuresToCome.load(std::memory_order_relaxed);
    if (n <= 0) return false;
    for (int64_t skip = gSuccessesFirst.load(std::memory_order_relaxed); skip > 0;)
        if (gSuccessesFirst.compare_exchange_weak(skip, skip - 1, std::memory_order_relaxed)) return false;
    while (n > 0)
        if (gFailuresToCome.compare_exchange_weak(n, n - 1, std::memory_order_relaxed)) return true;
    return false;
}
}  // namespace

void SetRobustNewPtrFailures(int64_t count, int64_t after) {
    gSuccessesFirst.store(after > 0 ? after : 0);
    gFailuresToCome.store(count > 0 ? count : 0);
}

void* RobustNewPtr(size_t size, int64_t* status) {
    if (status) *status = -1;
    if (FailThisOne()) return nullptr;
    return std::malloc(size ? size : 1);
}

void* RobustNewClearedPtr(size_t size) {
    if (FailThisOne()) return nullptr;
    return std::calloc(size ? size : 1, 1);
}

void* RobustNewPictureBlock(size_t size) {
    if (FailThisOne()) return nullptr;
    return NewPictureBlock(size);
}

void RobustDisposePictureBlock(void** ref, size_t size) {
    if (!ref || !*ref) return;
    DisposePictureBlock(*ref, size);
    *ref = nullptr;
}

void RobustDisposePtr_untyped(void** ref, int64_t* status) {
    if (status) *status = -1;
    if (ref && *ref) {
        std::free(*ref);
        *ref = nullptr;
    }
}
