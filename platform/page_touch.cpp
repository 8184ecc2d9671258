#include "platform/page_touch.h"

#include <cstdint>

#if defined(__linux__)
#include <sys/mman.h>
#include <unistd.h>
#endif

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
