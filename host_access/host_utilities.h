// The host-utility layer: availability tests of the host's handle and
// descriptor callbacks, the handle wrappers and the host's error string.
// Callers test availability before they use a callback table.
#pragma once

#include <string>

#include "platform/host/filter_record.h"

bool HostHandleProcsAvailable();
bool HostDescriptorAvailable();

void HostDisposeHandle(Handle h);
// The text a host handle holds, up to its first zero byte, read through the
// host's handle procedures; false when there are none to read it with.
bool HostHandleText(Handle h, std::string* text);
// Disposes a scripting descriptor's handle (through the host's handle
// procedures) and clears the caller's handle.
void HostDisposeDescriptor(PIDescriptorHandle* descriptor);

// Copies message (at most 254 characters) into the host's error string and
// returns errReportString, by which the host shows it.
OSErr HostReportError(Str255* errorString, const char* message);
// The message the plug-in left in the host's error string, when the host
// result says one was left (errReportString); else empty.
std::string ReportedErrorText();
