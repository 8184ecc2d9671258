// Result codes that pass between the plug-in and its host through the
// 16-bit result word and the procedures' return values.
#pragma once

#include "platform/host/host_types.h"

enum : OSErr {
    noErr = 0,
    // The plug-in already told the user (an alert); the host shows nothing more.
    errAlreadyReported = 1,
    // The plug-in's invocation storage could not be allocated.
    errStorageFailed = 3,
    // The plug-in's input pyramid could not be allocated.
    errInputPyramidFailed = 999,

    readErr = -19,
    writErr = -20,
    eofErr = -39,
    paramErr = -50,
    memFullErr = -108,
    nilHandleErr = -109,
    memLockedErr = -117,
    userCanceledErr = -128,

    // Descriptor procedures: the value under the key has another type.
    errWrongDescriptorType = -1708,

    filterBadParameters = -30100,
    filterBadMode = -30101,
    errPlugInHostInsufficient = -30900,
    errPlugInPropertyUndefined = -30901,
    // The host shows the text the plug-in left in the record's error string.
    errReportString = -30904,
    // A requested rectangle or plane range is outside what the host can give.
    errBadRequest = -30905,
};

// The code in words, for messages: "out of memory (-108)". Never null.
const char* HostResultInWords(OSErr result);
