#include "common/memory.h"

#include <cstdlib>

void* RobustNewPtr(size_t size, int64_t* status) {
    if (status) *status = -1;
    return std::malloc(size ? size : 1);
}

void* RobustNewPtr_noPS(size_t size) { return std::malloc(size ? size : 1); }

void* RobustNewPtr_main_thread(size_t size) { return std::malloc(size ? size : 1); }

void RobustDisposePtr_untyped(void** ref, int64_t* status) {
    if (status) *status = -1;
    if (ref && *ref) {
        std::free(*ref);
        *ref = nullptr;
    }
}

void RobustDisposePtr_main_thread_untyped(void** ref) {
    std::free(*ref);
    *ref = nullptr;
}
