// The host's buffer procedures: blocks of memory the host lends a plug-in
// (pyramid tiles, row buffers), counted against a limit the host sets.
#pragma once

#include <cstdint>

#include "platform/host/filter_record.h"

BufferProcs* HostServicesBufferProcs();

// The most the buffers may hold together; allocations beyond it fail with
// memFullErr. The default is half the physical memory, at most 2 GB - 1; a
// negative limit restores it.
void SetHostBufferLimit(int64_t bytes);
int32_t HostBuffersAlive();
