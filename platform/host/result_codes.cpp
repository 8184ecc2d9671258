#include "platform/host/result_codes.h"

#include <cstdio>

const char* HostResultInWords(OSErr result) {
    switch (result) {
        case noErr: return "success (0)";
        case errAlreadyReported: return "error already reported to the user (1)";
        case errStorageFailed: return "the plug-in's working storage could not be allocated (3)";
        case errInputPyramidFailed: return "the plug-in could not allocate its copy of the picture (999)";
        case readErr: return "read error (-19)";
        case writErr: return "write error (-20)";
        case eofErr: return "unexpected end of file (-39)";
        case paramErr: return "bad parameter (-50)";
        case memFullErr: return "out of memory (-108)";
        case nilHandleErr: return "missing handle (-109)";
        case memLockedErr: return "block is locked (-117)";
        case userCanceledErr: return "cancelled (-128)";
        case errWrongDescriptorType: return "setting has the wrong type (-1708)";
        case filterBadParameters: return "bad parameters (-30100)";
        case filterBadMode: return "the plug-in does not support this image mode (-30101)";
        case errPlugInHostInsufficient: return "the host lacks something the plug-in needs (-30900)";
        case errPlugInPropertyUndefined: return "undefined host property (-30901)";
        case errReportString: return "error reported by the plug-in (-30904)";
        case errBadRequest: return "the plug-in asked for pixels outside the picture (-30905)";
        default: break;
    }
    // One buffer per thread keeps the result valid until the next call.
    static thread_local char unknown[48];
    std::snprintf(unknown, sizeof unknown, "unknown error (%d)", int(result));
    return unknown;
}
