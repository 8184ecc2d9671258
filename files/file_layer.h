// The file layer: where the plug-in keeps its files, moving them from the
// older folder, opening, writing whole or not at all, and small path
// utilities. Every file the plug-in keeps or exports is written through
// FileZerp_WriteFileAtPath.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "files/file_open.h"

// Opening and writing errors (16-bit): 0, -43 the file to read does not
// exist, -1 any other failure.
inline constexpr int16_t kFileMissing = -43;
inline constexpr int16_t kFileFailed = -1;

// The application-support folder "com.tarnwhistle.Vornesk 2": the
// VORNESK_SUPPORT_DIR environment variable when set, else
// $XDG_DATA_HOME/com.tarnwhistle.Vornesk 2, else
// ~/.local/share/com.tarnwhistle.Vornesk 2. Made when missing (a failure is
// left to the later open).
std::string ApplicationSupportFolder();
// The older folder the plug-in kept its files in: $XDG_CONFIG_HOME, else
// ~/.config.
std::string PreferencesFolder();
std::string FileZerp_GetApplicationSupportFilePathForName(const char* name);
std::string FileZerp_GetUndoFilePathForName(const char* name);
std::string FileZerp_GetPrefsFilePathForName(const char* name);
// Memory dot n: "Vornesk 2 A memory dot n.q2q" in either folder.
std::string FileZerp_Get2019MemoryDotsFilePathForIndex(int64_t n);
std::string FileZerp_GetLegacyMemoryDotsFilePathForIndex(int64_t n);

// True when newPath exists; else moves the file at oldPath there and answers
// whether it did. Never replaces a file (one that appears at newPath
// meanwhile stays), and works across file systems (copied whole, then the
// old one removed).
bool FileZerp_ifNoFileExistsAtNewPathThenTryMovingItFromOldPath(const std::string& newPath,
                                                                 const std::string& oldPath);

// Writes path whole or not at all, as a set of one file (files/file_set.h):
// the writer fills a new file in the same folder through the descriptor it
// is handed, and closes that descriptor (as the plain writers do) or leaves
// it open; the new file replaces path only when the writer answered 0 and
// the flush, the close and the rename succeeded. Else it is removed, path
// keeps what it held, a line on the standard error names what could not be
// written where, and the answer is the writer's nonzero code, or -1 for a
// failure of the layer itself. A writer that makes what it writes (a render)
// can say why it failed through `whyWriterFailed`: its answer, when not
// empty, is the line's reason.
int FileZerp_WriteFileAtPath(const std::string& path, const char* what, const std::function<int(int fd)>& writer,
                             const std::function<std::string()>& whyWriterFailed = nullptr);

bool FileZerp_createDirectoryAtPath(const std::string& path);
bool FileZerp_fileExistsAtPath(const std::string& path);
std::string FileZerp_getParentPathOf(const std::string& path);
// Case-insensitive comparison of the path's extension with extension.
bool FileZerp_file_hasExtension(const std::string& path, const std::string& extension);
bool FileZerp_pathisDirectory(const std::string& path);
