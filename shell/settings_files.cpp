#include "shell/settings_files.h"

#include <cstdio>
#include <string>

#include "platform/appkit/notifications.h"
#include "records/data.h"
#include "records/parameters.h"
#include "records/plugin_globals.h"
#include "shell/defaults.h"
#include "shell/settings_file.h"

int16_t FileZerp_WriteSettingsFile_path(const std::string& path, int32_t previewType) {
    const int error = FileZerp_WriteFileAtPath(path, "the settings", [previewType](int fd) {
        return int(ParametersOut(gData, fd, 1, nullptr, previewType));
    });
    return error == 0 ? 0 : int16_t(error >= -32768 && error <= 32767 ? error : kFileFailed);
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

int16_t FileZerp_ReadSettingsFileQuietly(const std::string& path) { return FileZerp_ReadSettingsFileInto(path, gParams); }

int16_t FileZerp_ReadSettingsFileInto(const std::string& path, Parameters* into) {
    if (!into) return kFileFailed;
    int16_t error = 0;
    const int fd = FileZerp_OpenAFilePath(path, 0, 0, &error);
    if (fd < 0) return error ? error : kFileFailed;
    // What the file lacks starts at its default; a refused file changes nothing.
    Parameters read = *into;
    GrabDefaultSettings(&read);
    uint8_t hasPreview = 0;
    if (ReadSettingsFileInto(gData, fd, &read, 0, &hasPreview) != kSettingsFileOK) {
        std::fprintf(stderr, "Vornesk 2: %s: %s\n", path.c_str(), LastSettingsFileError());
        return kFileFailed;
    }
    *into = read;
    return 0;
}

int16_t FileZerp_saveToMemoryDot(int64_t n, Data*) {
    return FileZerp_WriteSettingsFile_path(FileZerp_Get2019MemoryDotsFilePathForIndex(n), 1);
}

int16_t FileZerp_loadFromMemoryDot(int64_t n, Data*) { return FileZerp_readMemoryDotInto(n, gParams); }

int16_t FileZerp_readMemoryDotInto(int64_t n, Parameters* into) {
    const std::string newPath = FileZerp_Get2019MemoryDotsFilePathForIndex(n);
    FileZerp_ifNoFileExistsAtNewPathThenTryMovingItFromOldPath(newPath, FileZerp_GetLegacyMemoryDotsFilePathForIndex(n));
    return FileZerp_ReadSettingsFileInto(newPath, into);
}
