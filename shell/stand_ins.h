// Services of the subsystems the shell calls but that are not built yet: the
// dialog and alerts, the file layer, the settings files and scripting, and
// the renderer. Each has the least stand-in behind its own name, in
// shell/stand_in_*.cpp; when the real service lands, its owner deletes the
// stand-in (and moves the declaration to the owner's header).
#pragma once

#include <cstdint>
#include <string>

#include "platform/host/host_types.h"

struct Data;
struct PyramidDescriptor;
struct PerTaskStuffType;
struct TileTracker;
struct polyhedron;
struct proxyBufferRecord;
struct ProgressivePreviewManager;

// ---- dialog and alerts (shell/stand_in_ui.cpp) ----
// Alerts and the about box are written to standard error.
void DoAbout();
// Runs the dialog: non-zero on OK, 0 on cancel. The stand-in has no dialog.
int32_t DoUI();
void ShowRefusalMessage2();
void ShowRefusalMessage3();
// Refuses an image mode the plug-in cannot read (same style as the above).
void ShowRefusalMessageForMode();
void ShowMemoryAlertCocoa();
// Tells the dialog side that the invocation is ending.
void ControllerShuttingDown();

// The texts of the alerts, for tests and for the stand-ins above.
extern const char kRefusal2Title[];
extern const char kRefusal2Text[];
extern const char kRefusal3Title[];
extern const char kRefusal3Text[];
extern const char kRefusalModeTitle[];
extern const char kRefusalModeText[];
extern const char kMemoryAlertTitle[];
extern const char kMemoryAlertText[];

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
// A file descriptor (-1 on failure) opened for reading (0) or writing (1,
// created or truncated); *error 0 on success.
int FileZerp_OpenAFilePath(const std::string& path, int32_t readWrite, int32_t purpose, int16_t* error);
// Writes the settings to path; the open error (0 on success).
int16_t FileZerp_WriteSettingsFile_path(const std::string& path, int32_t previewType);
// Fills the factory block, then reads path as a settings file when it opens.
int16_t FileZerp_ReadSettingsFile_path(const std::string& path);

// ---- settings files, scripting, cache, memory dots, undo (shell/stand_in_settings.cpp) ----
constexpr int32_t kMemDotCount = 25;
extern int32_t MemDotIsPersistent[kMemDotCount];
// True once the memory-dot flags reflect the saved map (it was read, or
// found missing); only then does shut-down write the map back.
extern bool gMemDotFlagsKnown;
constexpr char kCachedSettingsName[] = "Vornesk 2 cached settings D";
constexpr char kMemDotMapName[] = "Vornesk 2 memdot map 2";

int32_t ParametersOut(Data* data, int fd, int64_t mode, void* descriptor, int64_t withPreview);
int32_t ReadSettingsFileSwitchably_Thingie(Data* data, int fd, void* buffer, int64_t mode, uint8_t* hasPreview);
// Reads the scripting parameters; the result says whether the dialog is wanted.
int32_t ReadScriptParams_qev();
int32_t WriteScriptParams_qev(Data* data);
// Whether the host will hand over scripting parameters.
bool ScriptingParamsAreComing();
void UndoSnapshotCocoa(int32_t toFile);
int16_t Settings2Cache(const char* name);
int16_t Cache2Settings(const char* name);
void ReadInvocationBracketingSettingsFileCocoa(const char* name);
void WriteInvocationBracketingSettingsFile(const char* name);
void WriteMemDotPersistency(int fd);
void ReadMemDotPersistency(int fd);

// ---- renderer, pyramid fill and polyhedron model (shell/stand_in_render.cpp) ----
// Renders the whole filter rectangle (proxy null) or the preview; returns the
// time at its end in seconds.
double PFFOWFR_by_anything(void* ignored, int64_t purpose, ProgressivePreviewManager* ppm,
                           proxyBufferRecord* proxy);
// Fills the main input pyramid from the host's input.
void FillPyramids(Data* data);
void DumpPolyStorage(polyhedron* store);
// One pixel of the host's input at job position (x, y) as four floats, and
// one colour written to the destination of the tracker.
void GrabNovelInputPixel(int64_t x, int64_t y, float* colour, int64_t rowMode, TileTracker* tracker);
void SetNovelOutputPixel(int64_t x, int64_t y, float* colour, int64_t rowMode, TileTracker* tracker,
                         proxyBufferRecord* proxy);
