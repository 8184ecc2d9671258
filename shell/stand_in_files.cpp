// Stand-in for the file layer until the files subsystem lands: where the
// application-support and older preferences folders are, moving a file from
// the old place, opening files, the settings-file calls and memory-dot
// files. Delete this file when the real file layer lands.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common/byte_io.h"
#include "platform/appkit/notifications.h"
#include "records/data.h"
#include "records/parameters.h"
#include "shell/defaults.h"
#include "records/plugin_globals.h"
#include "shell/settings_file.h"
#include "shell/stand_ins.h"

namespace {

constexpr char kSupportFolderName[] = "com.tarnwhistle.Vornesk 2";

std::string HomeFolder() {
    const char* home = std::getenv("HOME");
    return home && *home ? home : ".";
}

// Makes every folder of path (mode 0755); existing ones are fine.
void MakeFolders(const std::string& path) {
    for (size_t i = 1; i <= path.size(); i++) {
        if (i == path.size() || path[i] == '/') {
            std::string part = path.substr(0, i);
            mkdir(part.c_str(), 0755);
        }
    }
}

bool FileExists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

}  // namespace

std::string ApplicationSupportFolder() {
    std::string folder;
    const char* over = std::getenv("VORNESK_SUPPORT_DIR");
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (over && *over) folder = over;
    else if (xdg && *xdg) folder = std::string(xdg) + "/" + kSupportFolderName;
    else folder = HomeFolder() + "/.local/share/" + kSupportFolderName;
    MakeFolders(folder);
    return folder;
}

std::string FileZerp_GetApplicationSupportFilePathForName(const char* name) {
    return ApplicationSupportFolder() + "/" + (name ? name : "");
}

std::string FileZerp_GetPrefsFilePathForName(const char* name) {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::string folder = config && *config ? std::string(config) : HomeFolder() + "/.config";
    return folder + "/" + (name ? name : "");
}

void FileZerp_ifNoFileExistsAtNewPathThenTryMovingItFromOldPath(const std::string& newPath,
                                                                 const std::string& oldPath) {
    if (FileExists(newPath) || !FileExists(oldPath)) return;
    std::rename(oldPath.c_str(), newPath.c_str());
}

int16_t FileZerp_WriteFileWhole(const std::string& path, const char* what, const std::function<int(int fd)>& write) {
    const int error = WriteFileWhole(path.c_str(), write);
    if (!error) return 0;
    std::fprintf(stderr, "Vornesk 2: could not write %s to %s: %s\n", what, path.c_str(),
                 error > 0 ? std::strerror(error) : "write failed");
    return writErr;
}

int16_t FileZerp_WriteSettingsFile_path(const std::string& path, int32_t previewType) {
    return FileZerp_WriteFileWhole(path, "the settings",
                                   [previewType](int fd) { return int(ParametersOut(gData, fd, 1, nullptr, previewType)); });
}

int16_t FileZerp_ReadSettingsFile_path(const std::string& path) {
    const int16_t error = FileZerp_ReadSettingsFileQuietly(path);
    if (error == 0) {
        const size_t slash = path.find_last_of('/');
        NSNotificationCenter_postNotificationName(
            kNewPresetNameNotification, {{kPresetNameKey, slash == std::string::npos ? path : path.substr(slash + 1)}});
    }
    return error;
}

int16_t FileZerp_ReadSettingsFileQuietly(const std::string& path) {
    if (!gParams) return -1;
    const Parameters before = *gParams;
    GrabDefaultSettings(gParams);
    int16_t error = 0;
    int fd = FileZerp_OpenAFilePath(path, 0, 0, &error);
    if (fd < 0) return error ? error : int16_t(-1);
    uint8_t hasPreview = 0;
    if (ReadSettingsFileSwitchably_Thingie(gData, fd, nullptr, 0, &hasPreview) != kSettingsFileOK) {
        std::fprintf(stderr, "Vornesk 2: %s: %s\n", path.c_str(), LastSettingsFileError());
        *gParams = before;
        return -1;
    }
    return 0;
}

std::string FileZerp_GetUndoFilePathForName(const char* name) {
    return FileZerp_GetApplicationSupportFilePathForName(name);
}

namespace {

std::string MemoryDotFileName(int64_t n) { return "Vornesk 2 A memory dot " + std::to_string(n) + ".q2q"; }

}  // namespace

std::string FileZerp_Get2019MemoryDotsFilePathForIndex(int64_t n) {
    return FileZerp_GetApplicationSupportFilePathForName(MemoryDotFileName(n).c_str());
}

std::string FileZerp_GetLegacyMemoryDotsFilePathForIndex(int64_t n) {
    return FileZerp_GetPrefsFilePathForName(MemoryDotFileName(n).c_str());
}

int16_t FileZerp_saveToMemoryDot(int64_t n, Data*) {
    return FileZerp_WriteSettingsFile_path(FileZerp_Get2019MemoryDotsFilePathForIndex(n), 1);
}

int16_t FileZerp_loadFromMemoryDot(int64_t n, Data*) {
    const std::string newPath = FileZerp_Get2019MemoryDotsFilePathForIndex(n);
    FileZerp_ifNoFileExistsAtNewPathThenTryMovingItFromOldPath(newPath, FileZerp_GetLegacyMemoryDotsFilePathForIndex(n));
    FileZerp_ReadSettingsFileQuietly(newPath);
    return 0;
}
