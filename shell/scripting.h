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
struct ExportOrder;
struct Parameters;

constexpr int kSettingsKeyCount = 45;

// Not settings but a request of the host for this run, read and never
// written back: the size it wants the result at, two positive integers
// (without both, the filter rectangle's size). See Parameters::resultWidth.
constexpr DescriptorKeyID kResultWidthKey = MakeFourCC("RsWd");
constexpr DescriptorKeyID kResultHeightKey = MakeFourCC("RsHt");
// The keys offered to the host, in order, ending with 0.
extern const DescriptorKeyID kSettingsKeys[kSettingsKeyCount + 1];

// Whether the reader takes a value under the key: false for keys it skips,
// the offered key that carries nothing ("0015") and the written-only
// preview quality ("0032") among them.
bool SettingsKeyIsRead(DescriptorKeyID key);

// Puts the settings into an open writer, in key order. Returns the first
// error a put procedure gave, or 0.
int32_t PutSettingsToDescriptor(const Parameters* params, const WriteDescriptorProcs* procs,
                                PIWriteDescriptor writer);
// Reads key after key of an open reader into *params, on top of what it holds
// (on top of the factory block with overFactoryBlock); unknown keys are
// skipped. A descriptor without "Vers" counts as the current version. Ends
// with the legacy-angle copy for versions 1..46 and the range check. With
// order, the export a host asks for beside the settings (shell/host_export.h)
// is read into it, none when the descriptor asks for none. On failure
// *params and *order are unchanged and *error says why.
bool GetSettingsFromDescriptor(Parameters* params, const ReadDescriptorProcs* procs, PIReadDescriptor reader,
                               std::string* error, ExportOrder* order = nullptr, bool overFactoryBlock = false);

// The host's write procedures, for ParametersOut's descriptor mode.
const WriteDescriptorProcs* GetWriteDescriptorProcsForSettings();

// Whether the host will hand over scripting parameters.
bool ScriptingParamsAreComing();
// Reads the host's descriptor into the settings (the factory block first),
// and into *order (may be null) the export it asks for; the result (and the
// show-dialog flag of Data) says whether the dialog is wanted. A descriptor
// the settings cannot take leaves them as they were, asks for no export and
// reports the reason to the host (errReportString).
int32_t ReadScriptParams_qev(ExportOrder* order = nullptr);
// Records the settings as the host's new descriptor.
int32_t WriteScriptParams_qev(Data* data);
