// The host's basic suite: the door to the host's named procedure tables
// ("suites"), each acquired by name and version and released after use.
#pragma once

#include <cstdint>

#include "platform/host/host_types.h"

using SPErr = int32_t;

enum : SPErr {
    kSPNoError = 0,
    kSPOutOfMemoryError = -108,
    kSPBadParameterError = MakeFourCC("Parm"),
    // The host does not offer a suite of that name and version.
    kSPSuiteNotFoundError = MakeFourCC("S!Su"),
};

struct SPBasicSuite {
    // On success *suite points to the suite's procedure table.
    SPErr (*AcquireSuite)(const char* name, int32_t version, const void** suite);
    SPErr (*ReleaseSuite)(const char* name, int32_t version);
    Boolean (*IsEqual)(const char* a, const char* b);
    SPErr (*AllocateBlock)(size_t size, void** block);
    SPErr (*FreeBlock)(void* block);
    SPErr (*ReallocateBlock)(void* block, size_t newSize, void** newBlock);
    SPErr (*Undefined)();
};
