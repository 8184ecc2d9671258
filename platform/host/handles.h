// Relocatable memory blocks ("handles") as the system keeps them, and the
// host's handle procedures, which hand out exactly these handles: a handle
// from the host's newProc may also be freed with DisposeHandle.
#pragma once

#include <cstdint>

#include "platform/host/filter_record.h"

// A new handle of size bytes, all zero; null when size is negative or
// memory runs out.
Handle NewHandle(int32_t size);
// Frees the handle; null is ignored.
void DisposeHandle(Handle h);
// The handle's size in bytes; 0 for null.
int32_t GetHandleSize(Handle h);
// Grows (new bytes zero) or shrinks the block. A locked handle keeps its
// address, so it cannot be resized: memLockedErr.
OSErr SetHandleSize(Handle h, int32_t newSize);
// The block's address; locks nest.
Ptr HLock(Handle h);
void HUnlock(Handle h);
// The block's current address without locking it (null for null).
Ptr HandleAddress(Handle h);

// A number no other handle of this process has had (addresses are reused
// once a handle is freed); 0 for null or a freed handle.
uint64_t HandleSerial(Handle h);

// The host's handle procedures over the handles above.
HandleProcs* HostServicesHandleProcs();

// Handles alive now: what a plug-in has left behind.
int32_t HostHandlesAlive();
