#include "platform/host/host_services.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "platform/host/result_codes.h"

namespace {

// No named suites are offered: plug-ins fall back to the record's tables.
SPErr AcquireSuite(const char*, int32_t, const void** suite) {
    if (suite) *suite = nullptr;
    return kSPSuiteNotFoundError;
}

SPErr ReleaseSuite(const char*, int32_t) { return kSPSuiteNotFoundError; }

Boolean IsEqual(const char* a, const char* b) { return a && b && std::strcmp(a, b) == 0; }

SPErr AllocateBlock(size_t size, void** block) {
    if (!block) return kSPBadParameterError;
    *block = std::malloc(size ? size : 1);
    return *block ? kSPNoError : kSPOutOfMemoryError;
}

SPErr FreeBlock(void* block) {
    std::free(block);
    return kSPNoError;
}

SPErr ReallocateBlock(void* block, size_t newSize, void** newBlock) {
    if (!newBlock) return kSPBadParameterError;
    void* p = std::realloc(block, newSize ? newSize : 1);
    if (!p) return kSPOutOfMemoryError;
    *newBlock = p;
    return kSPNoError;
}

SPErr Undefined() { return kSPBadParameterError; }

SPBasicSuite gBasicSuite = {AcquireSuite, ReleaseSuite, IsEqual, AllocateBlock,
                            FreeBlock, ReallocateBlock, Undefined};

// Conversions between RGB and grey (components 0..255); grey is the
// luminance 0.3 R + 0.59 G + 0.11 B. Other spaces and the picker: not offered.
OSErr ColorServices(ColorServicesInfo* info) {
    if (!info) return paramErr;
    if (info->selector != colorServicesConvertColor) return errPlugInHostInsufficient;
    auto known = [](int16_t space) { return space == colorSpaceRGB || space == colorSpaceGrey; };
    if (!known(info->sourceSpace) || !known(info->resultSpace)) return errPlugInHostInsufficient;
    int16_t* c = info->colorComponents;
    if (info->sourceSpace == colorSpaceRGB && info->resultSpace == colorSpaceGrey) {
        c[0] = int16_t(std::lround(0.3 * c[0] + 0.59 * c[1] + 0.11 * c[2]));
        c[1] = c[2] = c[3] = 0;
    } else if (info->sourceSpace == colorSpaceGrey && info->resultSpace == colorSpaceRGB) {
        c[1] = c[2] = c[0];
        c[3] = 0;
    }
    info->resultGamutInfoValid = 1;
    info->resultInGamut = 1;
    return noErr;
}

}  // namespace

SPBasicSuite* HostServicesBasicSuite() { return &gBasicSuite; }
ColorServicesProc HostServicesColorServices() { return ColorServices; }
