// The storage of one filter invocation: what Data holds, which storage is
// taken when, the once-per-invocation set-up and the freeing of everything
// at the end. Main thread only.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/host/host_types.h"

struct Data;

// Where the invocation's blocks come from: RobustNewPtr unless set (tests
// make allocations fail through it).
extern void* (*gInvocationAllocate)(size_t size);

// Row-buffer records of a filter rectangle w x h: max(3w + 2184, 2 max(w, h) + 8), at least 4.
int64_t RowBufferRecordCount(int64_t w, int64_t h);

// Clears the work-area pointer, every buffer pointer and host buffer
// identifier, and prepares all twelve pyramids as empty, so that freeing
// later is safe.
void Nullify_buffers(Data* data);
void OncePerInvocationTasksWithoutMemory(Data* data);
void PreBufferRequest_new_way(Data* data);
void CalcTemporaryDimensions(Data* data, const VRect& rect, int32_t scale);
void CalcPermanentDimensions(Data* data);
void MakeBufferRequest(Data* data);
// Takes the row buffer, the small buffers and the work area; false (result
// 3, everything freed, host rectangles empty) when they cannot be had.
bool DoGrabbing(Data* data);
void OncePerInvocationTasksNeedingMemory(Data* data);
void die();
// Frees everything the invocation holds; safe to run twice.
void dump_Storage(Data* data);
// Writes the memory-dot map and frees everything.
void DoShutDown(Data* data);
