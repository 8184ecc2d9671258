#include "platform/cpu_features.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
bool ProcessorHasWideLanes() {
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}
bool ProcessorHasByteShuffles() {
    static const bool has = __builtin_cpu_supports("ssse3");
    return has;
}
#else
bool ProcessorHasWideLanes() { return false; }
bool ProcessorHasByteShuffles() { return false; }
#endif
