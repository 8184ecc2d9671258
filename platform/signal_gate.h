// Orders the code that makes, renames or removes temporary files against a
// handler of a signal that ends the program (which removes them), whichever
// threads each runs on. Blocking the signals on the writing thread alone
// does not hold them off: the kernel hands a signal sent to the program to
// any thread that does not block it, whose handler then runs beside the
// writer and may miss a temporary just made, or take one away mid-rename.
//
// The writer opens a section around each such step, with the ending signals
// blocked on its own thread. A handler that finds a section open leaves its
// signal to the last thread leaving one, which raises it again; a section
// asked for once a handler has begun is refused, and the step is not taken.
#pragma once

// Opens a section: false (nothing opened) once a caught signal is ending or
// cancelling the work.
bool EnterSignalGate();

// Closes a section; the last to close raises a signal that waited for it.
void LeaveSignalGate();

// From a handler: true when it may remove the temporaries now; false when
// its signal was left to a section still open (the handler returns at once).
bool SignalGateLets(int signal);

// Whether a handler has begun since the gate was last reopened.
bool SignalGateClosed();

// Opens the gate again once no work is left that the signal cancelled.
void ReopenSignalGate();
