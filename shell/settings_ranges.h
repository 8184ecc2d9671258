// The ranges of the settings, one policy for every reader: settings files,
// scripting descriptors and the host's command line accept a value exactly
// when it lies in its range here, so a value the rest of the program cannot
// use is refused where it enters, not later inside a render.
#pragma once

#include <cstddef>
#include <string>

#include "platform/host/descriptor_procs.h"

struct Parameters;

// Float settings (angles in degrees, tab size, sharpening) are finite and
// at most this far from zero.
constexpr double kLargestSettingMagnitude = 1e9;

struct SettingRange {
    DescriptorKeyID key;   // its scripting key
    const char* name;      // in messages
    size_t offset;         // of the field in Parameters
    bool real;             // a float field, else a 32-bit integer
    double low;
    double high;
};

// The range of the setting under a scripting key; null for keys without one
// (colours, switches, modes).
const SettingRange* SettingRangeOfKey(DescriptorKeyID key);

// Finite and within low..high.
bool SettingInRange(const SettingRange& range, double value);

// "from 2 to 30000"
std::string SettingRangeText(const SettingRange& range);

// Refuses settings outside their ranges and modes outside the catalogue,
// with the first reason. The preview quality, which no reader takes from
// the user, is clamped to 1..3.
bool CheckSettingsRanges(Parameters* params, std::string* error);
