// Where a run's processor time goes, for benchmarks: with the environment
// variable VORNESK_PHASE_TIMES set, NotePhaseEnd(name) prints one line to
// stderr, "phase NAME CPU WALL PEAK", the process's processor seconds (user
// and system, all threads), its monotonic clock in seconds and its peak
// resident memory in KiB so far, when the phase named ended. All are running
// totals, so the host and the plug-in note their phases without sharing any
// state; a reader takes differences.
// Without the variable it does nothing.
#pragma once

void NotePhaseEnd(const char* name);
