// Threads kept for the life of the process (or of the module holding this
// code) that run the parallel part of one job at a time, so that a job does
// not pay for making and ending its threads.
#pragma once

#include <cstdint>
#include <functional>

// Runs body(0) .. body(n - 1) at once on n pooled threads, n at most count
// (fewer when no more threads can be made), and returns n; returns 0 without
// running anything when the pool is busy with another job's work or no
// thread can be made. Each call that returned n > 0 is followed by one call
// of WaitForPooledWork.
int32_t StartPooledWork(int32_t count, const std::function<void(int32_t)>& body);

// Returns once every body of the work started last has returned.
void WaitForPooledWork();
