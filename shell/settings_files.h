// Settings files and memory-dot files through the file layer: reading one
// into the settings, writing the settings whole or not at all.
#pragma once

#include <cstdint>
#include <string>

#include "files/file_layer.h"

struct Data;
struct Parameters;

inline constexpr char kNewPresetNameNotification[] = "kNewPresetNameNotification";
inline constexpr char kPresetNameKey[] = "kPresetNameKey";

// Writes the settings to path whole or not at all; 0, else the writer's
// error or -1 (the old file untouched).
int16_t FileZerp_WriteSettingsFile_path(const std::string& path, int32_t previewType);
// Reads path as a settings file. Only once it is open are the settings
// older files lack set to the factory defaults; a file that cannot be opened changes nothing and
// answers -43 (missing) or -1, and a file the reader refuses leaves the
// settings as they were (-1). A file read posts kNewPresetNameNotification
// with the file's name under kPresetNameKey: the user's chosen file names
// the preset.
int16_t FileZerp_ReadSettingsFile_path(const std::string& path);
// The same for the plug-in's own files (cached settings, undo slots, memory
// dots), whose names are not the preset's: nothing is posted.
int16_t FileZerp_ReadSettingsFileQuietly(const std::string& path);
// Reads path quietly into *into instead of the current settings.
int16_t FileZerp_ReadSettingsFileInto(const std::string& path, Parameters* into);
// Writes the settings with preview to dot n's file in the
// application-support folder; 0 or the write's error.
int16_t FileZerp_saveToMemoryDot(int64_t n, Data* data);
// Moves dot n's file from the older folder when only that has it, then reads
// it; the read's error (-43 for a dot in neither folder, nothing changed).
int16_t FileZerp_loadFromMemoryDot(int64_t n, Data* data);
// The same into *into instead of the current settings.
int16_t FileZerp_readMemoryDotInto(int64_t n, Parameters* into);
