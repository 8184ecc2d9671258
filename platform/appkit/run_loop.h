// The dialog's run loop on Qt: the application (the host's, or one made and
// kept), the modal loop of one window, delayed calls by (target, selector,
// object), and blocks posted to the loop. Delayed calls and posted blocks run
// only in a pass of the modal loop: never in a render's pump, never once the
// loop has ended (what is pending then is dropped). Time comes from a clock
// that tests take over and advance by hand. Main thread only.
#pragma once

#include <functional>
#include <string>

class QWidget;

// The application: the one the host made, or one made now and kept for the
// life of the process. False, with a reason, when there is no display to
// show windows on (Qt would abort).
bool NSApplicationLoad(std::string* why);

// ---- clock ----
// Seconds; the test clock starts at 0 and moves only by AdvanceTestClock.
double AppKitNow();
void UseTestClock(bool on);
void AdvanceTestClock(double seconds);

// ---- delayed calls (performSelector:withObject:afterDelay:) ----
// A call is known by its target, selector name and object; the object is
// only compared, never used.
void NSObject_performSelectorAfterDelay(const void* target, const char* selector, const void* object,
                                        double delay, std::function<void()> call);
// cancelPreviousPerformRequestsWithTarget: every call to the target.
void NSObject_cancelPreviousPerformRequests(const void* target);
// cancelPreviousPerformRequestsWithTarget:selector:object:.
void NSObject_cancelPreviousPerformRequests(const void* target, const char* selector, const void* object);
// Pending calls to target (all targets when null).
int NSObject_pendingPerformRequests(const void* target);

// ---- blocks posted to the dialog's loop (dispatch_async to the main queue) ----
void DispatchToDialogLoop(std::function<void()> block);

// ---- modal loop ----
// What the loop does at the end of every pass while it runs (the dialog
// renders a requested preview there).
void NSApp_setIdleWork(std::function<void()> work);
// The same in steps, for tests: begin, drive passes, end.
void NSApp_beginModal(QWidget* window);
// One pass: window-system events, due delayed calls, posted blocks, the idle
// work. waitForEvents blocks until an event or the next due call (real clock
// only). False once the loop was stopped.
bool NSApp_modalPass(bool waitForEvents);
int NSApp_endModal();
void NSApp_stopModalWithCode(int code);
bool NSApp_modalLoopRunning();
