// Our stand-ins for the thread services of Foundation that the task engine
// uses: the active processor count, "perform on the main
// thread" and the main run loop.
//
// The main thread is the thread that loaded this code (the host's main
// thread). Closures posted to it wait in one queue, guarded by a mutex and a
// condition variable, until the main thread runs its run loop: the run loop
// blocks until something is posted, never polls.
#pragma once

#include <cstdint>
#include <functional>

// The number of processors the system lets this process use, at least 1.
// The environment variable VORNESK_ACTIVE_PROCESSORS, when set to a positive
// number, overrides it (tests force 1 or 2 processors with it).
int64_t NSProcessInfo_activeProcessorCount();

bool NSThread_isMainThread();

// Queues work for the main thread. With waitUntilDone the caller blocks until
// the main thread has run it; called on the main thread with waitUntilDone,
// the work runs at once.
void NSObject_performOnMainThread(std::function<void()> work, bool waitUntilDone);

// A limit date: seconds on the steady clock; NSDate_distantFuture() never comes.
double NSDate_now();
double NSDate_distantFuture();

// Runs the current thread's run loop once: on the main thread it waits until
// closures have been posted and runs them, or until limitDate passes. Returns
// false at once when the run loop has no sources: on any other thread, or on
// the main thread when nothing is pending and no source is registered.
bool NSRunLoop_runModeBeforeDate(double limitDate);

// A source of the main run loop: something that will post to the main thread
// later (a running job's workers). While any is registered, the run loop waits.
void NSRunLoop_addSource();
void NSRunLoop_removeSource();
