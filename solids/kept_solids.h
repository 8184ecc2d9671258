// Built solids kept by what shapes them. A render asks for the solid of its
// set-up arguments in its record's slot: the record there when it already
// holds that build, else one built before and kept (the slot's own build is
// kept in its place), else a new build. While a waiter is set (the dialog,
// during its preview), a new build runs on the engine's background thread and
// the asking thread calls the waiter until it is done, so that the window is
// served meanwhile; a waiter that stops waiting leaves the build to finish
// and be kept for the next ask.
#pragma once

#include <cstdint>

struct polyhedron;

// The set-up's arguments (solids/poly_setup.h: HooBoyPolySetup).
struct SolidSetUp {
    int64_t mode = 0;
    int64_t secondParameter = 0;
    int64_t setupMode = 1;
    uint8_t optionByte = 0;
    uint8_t flag = 0;
    float netSettingA = 0.0f;
    float netSettingB = 0.0f;
    float angle = 0.0f;
    void* hostValue = nullptr;
    // The same solid is asked for under other angles next (an export's
    // pages): its build before the turn is kept, and each angle is turned
    // from it instead of built anew.
    bool turnedPerPage = false;
};

// Built solids kept besides the one in a render's slot; each is a whole
// polyhedron record, so this (with one spare record, reused for the next
// build rather than made afresh) bounds the memory they take.
constexpr int kKeptSolids = 3;

// While on (the dialog's life), a solid built without a waiter (an
// export's, the final render's) goes into a record of its own, so that the
// slot's build is kept for the previews to come; off, it is built in the
// slot's record, as a run without a dialog wants.
void KeepSolidsBuilt(bool on);

// Puts the solid of setUp into *slot (which holds a record). What the caller
// set on the record before the set-up (its Data record, the exported piece)
// stays with the slot. False when the waiter stopped waiting for the build:
// *slot is then as it was.
bool SetUpSolidInSlot(polyhedron** slot, const SolidSetUp& setUp);

// While set, SetUpSolidInSlot builds off the asking thread and calls
// waiter(context) on it until the build is done; the waiter serves what must
// be served and answers false to stop waiting. Null ends it.
void SetSolidBuildWaiter(bool (*waiter)(void* context), void* context);

// Whether a build asked for off the asking thread has not ended yet.
bool SolidBuildUnderWay();
// How many solids are kept now, and how many builds SetUpSolidInSlot has
// made (kept or in the slot) since the process began.
int KeptSolidCount();
int64_t SolidsBuiltForSlots();

// Waits for a build under way and frees every kept solid, the unturned one
// of the pages too (the end of an invocation).
void ForgetKeptSolids();
