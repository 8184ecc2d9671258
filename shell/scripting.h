// Scripting descriptors: the settings as a keyed list of typed values that a
// host records with an action and hands back when the action is played.
//
// 45 four-character keys ("Vers", "0001".."0042", "Fiky", "Foky", "GLUE",
// "Fgky", "hqpr"); modes travel as enumerations (shell/scripting_codes.h).
// Colour components travel as floats holding component / 256, so a 16-bit
// component survives exactly while an older integer value (the high byte)
// still reads as value x 256.
#pragma once

#include <cstdint>
#include <string>

#include "platform/host/descriptor_procs.h"

struct Data;
struct Parameters;

constexpr int kSettingsKeyCount = 45;
// The keys offered to the host, in order, ending with 0.
extern const DescriptorKeyID kSettingsKeys[kSettingsKeyCount + 1];

// Puts the settings into an open writer, in key order. Returns the first
// error a put procedure gave, or 0.
int32_t PutSettingsToDescriptor(const Parameters* params, const WriteDescriptorProcs* procs,
                                PIWriteDescriptor writer);
// Reads key after key of an open reader into *params, on top of what it holds
// (the caller fills the factory block first); unknown keys are skipped. A
// descriptor without "Vers" counts as the current version. Ends with the
// legacy-angle copy for versions 1..46 and the range check. On failure
// *params is unchanged and *error says why.
bool GetSettingsFromDescriptor(Parameters* params, const ReadDescriptorProcs* procs, PIReadDescriptor reader,
                               std::string* error);

// The host's write procedures, for ParametersOut's descriptor mode.
const WriteDescriptorProcs* GetWriteDescriptorProcsForSettings();

// Whether the host will hand over scripting parameters.
bool ScriptingParamsAreComing();
// Reads the host's descriptor into the settings (the factory block first);
// the result (and the show-dialog flag of Data) says whether the dialog is
// wanted. A descriptor the settings cannot take leaves them as they were and
// reports the reason to the host (errReportString).
int32_t ReadScriptParams_qev();
// Records the settings as the host's new descriptor.
int32_t WriteScriptParams_qev(Data* data);
