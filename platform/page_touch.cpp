#include "platform/page_touch.h"

#include <cstdint>
#include <cstdlib>

#if defined(__linux__)
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace {
// Huge pages are 2 MiB; a block below one stays with malloc, which serves
// small blocks from memory it already holds.
constexpr size_t kHugePage = size_t{2} << 20;
constexpr size_t kMappedFrom = kHugePage;
}  // namespace

void PrefaultForWriting(void* bytes, size_t size) {
#if defined(__linux__) && defined(MADV_POPULATE_WRITE)
    static const uintptr_t page = uintptr_t(sysconf(_SC_PAGESIZE));
    if (!bytes || page == 0 || size < page) return;
    const uintptr_t first = (uintptr_t(bytes) + page - 1) & ~(page - 1);
    const uintptr_t end = (uintptr_t(bytes) + size) & ~(page - 1);
    // An older kernel refuses the request: the writes take the pages as before.
    if (end > first) madvise(reinterpret_cast<void*>(first), end - first, MADV_POPULATE_WRITE);
#else
    (void)bytes, (void)size;
#endif
}

void* NewPictureBlock(size_t size) {
#if defined(__linux__)
    if (size >= kMappedFrom && size <= SIZE_MAX - kHugePage) {
        // Mapped with a huge page's slack, then trimmed to start on a huge page.
        const size_t length = (size + kHugePage - 1) & ~(kHugePage - 1);
        void* p = mmap(nullptr, length + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED) return nullptr;
        const uintptr_t start = (uintptr_t(p) + kHugePage - 1) & ~uintptr_t(kHugePage - 1);
        const size_t head = start - uintptr_t(p);
        if (head) munmap(p, head);
        if (kHugePage - head) munmap(reinterpret_cast<void*>(start + length), kHugePage - head);
#if defined(MADV_HUGEPAGE)
        madvise(reinterpret_cast<void*>(start), length, MADV_HUGEPAGE);
#endif
        return reinterpret_cast<void*>(start);
    }
#endif
    return std::malloc(size ? size : 1);
}

bool PictureBlockStartsZeroed(size_t size) {
#if defined(__linux__)
    return size >= kMappedFrom && size <= SIZE_MAX - kHugePage;
#else
    (void)size;
    return false;
#endif
}

void DisposePictureBlock(void* block, size_t size) {
    if (!block) return;
#if defined(__linux__)
    if (size >= kMappedFrom && size <= SIZE_MAX - kHugePage) {
        munmap(block, (size + kHugePage - 1) & ~(kHugePage - 1));
        return;
    }
#endif
    std::free(block);
}
