#include "shell/settings_files.h"

#include <cstdio>
#include <string>

#include "platform/appkit/notifications.h"
#include "records/data.h"
#include "records/parameters.h"
#include "records/plugin_globals.h"
#include "shell/settings_file.h"

void ResetLateAddedSettings(Parameters* p) {
    if (!p) return;
    p->inputMode = 1;
    p->latitudeDegrees = 0;
    p->spinDegrees = 0;
    p->outputMode = 1;
    p->flip = 0;
    p->hqpr = 0;
    p->graticuleLevel = 0;
    p->longitudeDegrees = 0;
    p->tabsInteger = 33;
    p->sharpenInteger = 30;
    p->fovDegrees = 120;
    p->glueMode = 1;
    p->randomSeed = 21;
    p->latitude = 0;
    p->longitude = 0;
    p->spin = 0;
    p->FOV = 120;
    p->tabs = 33;
    p->sharpen = 30;
    p->transparent_gaps = 1;
    p->indicatrix = 0;
    p->edges = 0;
    p->anamorph = 0;
    p->dehalo = 0;
    p->jpegFlag = 0;
    p->faces = 0;
    p->grid = 1;
    p->previewquality = 3;
    p->lego_layers = 20;
    p->reservedInt16 = 0;
    p->legoBrickMask = 63;
    p->legoFlag1 = 1;
    p->legoFlag2 = 1;
    p->lego_diffuse_colors = 0;
    p->cubemap_pixels = 256;
    p->export_pixels = 500;
    p->line_color = {0, 0, 0};
    p->tab_color = {55255, 44204, 56540};
    p->background_color = {65535, 65535, 65535};
    p->orientationByProgram = 0;
    p->twirlVariant = 6;
}

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
    ResetLateAddedSettings(&read);
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
