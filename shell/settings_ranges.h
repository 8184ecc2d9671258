// The ranges of the settings, one policy for every reader: settings files,
// scripting descriptors and the host's command line accept a value exactly
// when it lies in its range here, so a value the rest of the program cannot
// use is refused where it enters, not later inside a render.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/host/descriptor_procs.h"

struct Parameters;

// The twirl angles (degrees) are finite and at most this far from zero.
constexpr double kLargestSettingMagnitude = 1e9;

// Colour components, wherever they come from (a settings file's word, an
// option's R,G,B, a descriptor's component / 256), lie in 0..65535.
constexpr double kLargestColourComponent = 65535;

enum class SettingKind : uint8_t {
    Real,     // a float field
    Whole,    // a 32-bit integer field
    Colour,   // a 16-bit colour component, checked before it is narrowed
};

struct SettingRange {
    DescriptorKeyID key;   // its scripting key
    const char* name;      // in messages
    size_t offset;         // of the field in Parameters
    SettingKind kind;
    double low;
    double high;
    bool aboveLow;         // low itself is out of range
};

// The range of the setting under a scripting key; null for keys without one
// (switches, modes).
const SettingRange* SettingRangeOfKey(DescriptorKeyID key);

// Finite and within low..high (above low, for aboveLow).
bool SettingInRange(const SettingRange& range, double value);

// "from 2 to 30000", "above 0 and at most 360"
std::string SettingRangeText(const SettingRange& range);

// Refuses settings outside their ranges and modes outside the catalogue,
// with the first reason. The preview quality, which no reader takes from
// the user, is clamped to 1..3.
bool CheckSettingsRanges(Parameters* params, std::string* error);
