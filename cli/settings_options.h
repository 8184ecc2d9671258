// Settings on the command line: modes by catalogue name or number, the named
// settings (angles, sizes, switches, colours) and settings files, each turned
// into the scripting-descriptor items the plug-in reads.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/host/descriptors.h"

struct Parameters;

enum class ModeKind { Input, Output, Glue };

// A mode by number or by name (letter case, spaces and punctuation aside).
// Unknown names fail with the nearest catalogue names (or, with none near,
// a pointer to --list-modes, as unknown numbers and empty names do); a name
// two modes share fails with both numbers.
bool ModeFromText(ModeKind kind, const std::string& text, int32_t* mode, std::string* error);

// Up to `count` catalogue names nearest to text, as "\"name\" (number)";
// names far from it are left out.
std::vector<std::string> NearestModeNames(ModeKind kind, const std::string& text, size_t count);

// The closest of the candidates to text, or "" when none is close.
std::string NearestWord(const std::string& text, const std::vector<std::string>& candidates);

// The item of a mode option: "Fiky", "Foky" or "GLUE" with its code.
bool ModeToItem(ModeKind kind, const std::string& text, DescriptorItem* item, std::string* error);

// The input mode the items give the plug-in: the last "Fiky" item's, else
// the default, 1.
int32_t InputModeOfItems(const std::vector<DescriptorItem>& items);

// The output mode the items give the plug-in: the last "Foky" item's, else
// 0 (the plug-in's own choice, not known here).
int32_t OutputModeOfItems(const std::vector<DescriptorItem>& items);

// Named settings: "--latitude 12.5", "--flip", "--tab-color 65535,0,0".
struct NamedSetting {
    const char* name;    // option name without the dashes
    const char* help;
};
const std::vector<NamedSetting>& NamedSettings();
bool IsNamedSetting(const std::string& name);
bool IsSwitchSetting(const std::string& name);   // may stand without a value
// The item (or, for colours, three items) of a named setting.
bool NamedSettingToItems(const std::string& name, const std::string& value, std::vector<DescriptorItem>* items,
                         std::string* error);

// The settings of a settings file as descriptor items (every key the
// plug-in records); on failure the reason.
bool SettingsFileToItems(const std::string& path, std::vector<DescriptorItem>* items, std::string* error);

// The settings a run of these items has: the defaults, changed by the items
// as the plug-in's own descriptor reader reads them (the same ranges, types
// and codes it holds a run's settings to). False, with the reason, when the
// reader refuses them.
bool SettingsOfItems(const std::vector<DescriptorItem>& items, Parameters* settings, std::string* error);

// Whether the plug-in's own descriptor reader takes these items.
bool CheckSettingsItems(const std::vector<DescriptorItem>& items, std::string* error);
