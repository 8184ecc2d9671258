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
// The parameter handle when the host has none yet (and allocate is non-zero);
// a failed allocation gives the host result -108 and diagnostic 220.
void ValidateParameters(int32_t allocate);
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
void GetRandomName(Parameters* params);

// ---- randomisers (the system's random(), seeded once per invocation) ----
void RandomizeSettings(Parameters* params);
void RandomizeSettingsConstrained(Parameters* params);
double getRandom1();
// hsl: hue, saturation, lightness, each 0..1.
float jigglehue(float hue, float amount);
void jigglesat(float* hsl, float amount);
void jigglelum(float* hsl, float amount);
void jiggleHSL(float* hsl, float dh, float ds, float dl);
// A unit vector drawn from a table of 2,048 random 8-byte entries (the first
// byte of each); *cursor advances by 3 per try. After 16 rejected tries the
// answer is (0, 0, 1). The plain form reads the work area's table.
void RandomPointOnUnitSphere_core(const uint64_t* table, double* x, double* y, double* z, int64_t* cursor);
void RandomPointOnUnitSphere(double* x, double* y, double* z, int64_t* cursor);
int32_t MapBackwardsQuadradticForumula(double x);
