// Work that must not hold up the thread that asks for it (a solid the
// dialog's preview needs): it runs on one thread the engine keeps for the
// life of the process, one piece after another in the order asked, while the
// asker goes on and looks now and then whether it is done. Work asked for
// and then no longer waited for still runs to its end.
#pragma once

#include <memory>

// One piece of work: a plain function and its context, and whether it has
// run (set once the function has returned; read from any thread).
struct BackgroundWork;

// Queues work(context) behind the work already asked for. The handle tells
// when it is done; dropping it does not stop the work.
std::shared_ptr<BackgroundWork> RunInBackground(void (*work)(void* context), std::shared_ptr<void> context);
// Whether the work has run to its end.
bool BackgroundWorkDone(const BackgroundWork& work);
// Waits until the work is done or the seconds have passed; true when done.
bool WaitForBackgroundWork(const BackgroundWork& work, double seconds);
