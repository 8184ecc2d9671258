// Services of the file layer the shell calls but that are not built yet. Each
// has the least stand-in behind its own name, in shell/stand_in_files.cpp;
// when the real service lands, its owner deletes the stand-in (and moves the
// declaration to the owner's header).
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "files/file_open.h"
#include "platform/host/host_types.h"

struct Data;
struct PyramidDescriptor;
struct PerTaskStuffType;
struct TileTracker;
struct polyhedron;
struct proxyBufferRecord;
struct ProgressivePreviewManager;

// ---- file layer (shell/stand_in_files.cpp) ----
// The application-support folder "com.tarnwhistle.Vornesk 2": the
// VORNESK_SUPPORT_DIR environment variable when set, else
// $XDG_DATA_HOME/com.tarnwhistle.Vornesk 2, else
// ~/.local/share/com.tarnwhistle.Vornesk 2. Made when missing.
std::string ApplicationSupportFolder();
std::string FileZerp_GetApplicationSupportFilePathForName(const char* name);
// The older preferences folder (files moved from there to the new place).
std::string FileZerp_GetPrefsFilePathForName(const char* name);
void FileZerp_ifNoFileExistsAtNewPathThenTryMovingItFromOldPath(const std::string& newPath,
                                                                 const std::string& oldPath);
// Writes path whole or not at all (WriteFileWhole); 0, or writErr after a
// line on the standard error naming what could not be written where and why.
int16_t FileZerp_WriteFileWhole(const std::string& path, const char* what, const std::function<int(int fd)>& write);
// Writes the settings to path, whole or not at all; 0 or writErr.
int16_t FileZerp_WriteSettingsFile_path(const std::string& path, int32_t previewType);
// Reads path as a settings file on top of the factory block. A file that
// cannot be opened leaves the factory block (its open error: -43 missing, -1
// other); a file the reader refuses leaves the settings as they were (-1).
// A file read posts kNewPresetNameNotification with the file's name under
// kPresetNameKey: the user's chosen file names the preset.
int16_t FileZerp_ReadSettingsFile_path(const std::string& path);
// The same for the plug-in's own files (cached settings, undo slots, memory
// dots), whose names are not the preset's: nothing is posted.
int16_t FileZerp_ReadSettingsFileQuietly(const std::string& path);
inline constexpr char kNewPresetNameNotification[] = "kNewPresetNameNotification";
inline constexpr char kPresetNameKey[] = "kPresetNameKey";
// Where the undo files live: the application-support folder.
std::string FileZerp_GetUndoFilePathForName(const char* name);
// Memory dot n: "Vornesk 2 A memory dot n.q2q" in the application-support
// folder (moved there from the preferences folder when only that has it).
std::string FileZerp_Get2019MemoryDotsFilePathForIndex(int64_t n);
std::string FileZerp_GetLegacyMemoryDotsFilePathForIndex(int64_t n);
// Writes the settings with preview to dot n's file; the open error.
int16_t FileZerp_saveToMemoryDot(int64_t n, Data* data);
// Reads dot n's file (a missing file leaves the factory block); always 0.
int16_t FileZerp_loadFromMemoryDot(int64_t n, Data* data);
