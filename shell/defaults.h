// The settings' defaults, preset names and randomisers over the Parameters
// record (records/parameters.h).
#pragma once

#include <cstdint>

struct Data;
struct Parameters;

// ---- defaults ----

// Fills both records with defaults: the Data buffers cleared, the record's
// pointer to data, version -999, the default preset name and the factory block.
void FillInTheParametersAndDataForQevan(Parameters* params, Data* data);
// A new Parameters handle in the filter record; -108 as the result when the
// host gives none.
void CreateParametersHandle();
// The factory block (also the dialog's factory button).
void GrabDefaultSettings(Parameters* params);
// The "little planet" block.
void GrabSpecializedSettings(Parameters* params);
// Settings of versions 1..46 carried the angles only as integers: copy them
// into the float fields.
void FixRedefinedParameters(Parameters* params);

// ---- preset name ----
void SetPresetName(Parameters* params, const char* name);
void CloneCPresetNameToUnicodePresetName(Parameters* params);

// ---- randomisers (the system's random(), seeded once per invocation) ----
void RandomizeSettings(Parameters* params);
void RandomizeSettingsConstrained(Parameters* params);
