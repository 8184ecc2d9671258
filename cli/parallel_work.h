// The host's work spread over the processors, on the threads the process
// keeps (platform/worker_pool.h): resizing, reading and writing pictures.
// Work asked for while the pool is busy runs on the calling thread alone.
#pragma once

#include <cstdint>
#include <functional>

// The threads the run may use (--threads sets the limit through the
// environment): at least 1.
int32_t ProcessorsForWork();

// Calls work(0) .. work(count - 1) on all processors, the calling thread
// among them, and returns when every call has returned.
void RunOnAllProcessors(int32_t count, const std::function<void(int32_t)>& work);

// Makes items 0 .. count - 1 on all processors but the calling thread, at
// most `ahead` items beyond the one in use, and hands each to use(i) on the
// calling thread in order as soon as it is made, so that writing a file
// overlaps the making of what follows. make(i, worker) runs on worker
// 0 .. ProcessorsForWork() - 1, for state kept per worker. Once use answers
// false no further item is made or used, and RunInOrder returns false.
bool RunInOrder(int32_t count, int32_t ahead, const std::function<void(int32_t, int32_t)>& make,
                const std::function<bool(int32_t)>& use);
