// The host-utility layer: availability tests of the host's callbacks,
// handle, buffer and descriptor wrappers, image-mode tables, error strings
// and small numeric checks. Callers test availability before they use a
// callback table.
#pragma once

#include <cstdint>
#include <string>

#include "platform/host/filter_record.h"

bool HostAdvanceStateAvailable();
bool HostColorServicesAvailable();
bool HostDisplayPixelsAvailable();
bool HostBufferProcsAvailable();
bool HostResourceProcsAvailable();
bool HostHandleProcsAvailable();
bool HostPropertyAvailable();
bool HostChannelPortAvailable();
bool HostDescriptorAvailable();
bool WarnHostAdvanceStateAvailable();
bool WarnHostColorServicesAvailable();
bool WarnHostDisplayPixelsAvailable();
bool WarnHostBufferProcsAvailable();
bool WarnHostResourceProcsAvailable();
bool WarnHostHandleProcsAvailable();
bool WarnHostPropertyAvailable();
bool WarnHostChannelPortAvailable();
bool WarnHostDescriptorAvailable();

int32_t HostBufferSpace();
OSErr HostAllocateBuffer(int32_t size, BufferID* id);
void HostFreeBuffer(BufferID id);
Ptr HostLockBuffer(BufferID id, Boolean moveHigh);
void HostUnlockBuffer(BufferID id);
// A strip of rows of rowBytes each: tries *rows, then smaller strips down to
// one row; *rows receives the rows granted. -108 when nothing is granted or
// the host has no buffer procedures.
OSErr HostAllocateStripBuffer(int32_t rowBytes, int32_t* rows, BufferID* id);

Handle HostNewHandle(int32_t size);
void HostDisposeHandle(Handle h);
// The text a host handle holds, up to its first zero byte, read through the
// host's handle procedures; false when there are none to read it with.
bool HostHandleText(Handle h, std::string* text);
// Disposes a scripting descriptor's handle (through the host's handle
// procedures) and clears the caller's handle.
void HostDisposeDescriptor(PIDescriptorHandle* descriptor);
// True when the host's play information asks for the dialog.
bool HostPlayDialog();

// Planes and colour space of an image mode; modes 7, 14 and above 17 give
// the default planes; modes above 17 give space -1.
int16_t CSPlanesFromMode(int16_t mode, int16_t defaultPlanes);
int16_t CSModeToSpace(int16_t mode);

// Copies message (at most 254 characters) into the host's error string and
// returns errReportString, by which the host shows it.
OSErr HostReportError(Str255* errorString, const char* message);
// The message the plug-in left in the host's error string, when the host
// result says one was left (errReportString); else empty.
std::string ReportedErrorText();

// The host's system codes: 10 to 12 Windows, 1 to 3 macOS.
bool IsWindows(int32_t system);
bool IsMacOS(int32_t system);

// Four-character codes to and from four characters (first in the high byte).
void PIType2Char(OSType type, char* chars);
OSType PIChar2Type(const char* chars);

void blankout2(void* p, int64_t n);
bool really_nan(float x);
bool qev_isInfiniteD(double x);
// False only when the system says the process runs translated.
bool IsRunningNatively();
