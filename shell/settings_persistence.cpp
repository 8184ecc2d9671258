#include "shell/settings_persistence.h"

#include <unistd.h>

#include <cstring>

#include "common/byte_io.h"
#include "records/data.h"
#include "records/parameters.h"
#include "shell/defaults.h"
#include "records/plugin_globals.h"
#include "shell/stand_ins.h"
#include "records/work_area.h"

int32_t MemDotIsPersistent[kMemDotCount] = {};
bool gMemDotFlagsKnown = false;

void CopySnapshotFields(const Parameters* from, Parameters* to) {
    if (!from || !to || from == to) return;
    std::memcpy(to->presetName, from->presetName, sizeof to->presetName);
    to->presetName[kPresetNameLength - 1] = 0;
#define COPY(f) to->f = from->f
    COPY(line_color); COPY(tab_color); COPY(background_color);
    COPY(auxColor4); COPY(auxColor5); COPY(auxColor6); COPY(auxColor7); COPY(auxColor8); COPY(auxColor9);
    COPY(inputMode); COPY(reservedInt1); COPY(reservedInt2); COPY(reservedInt3);
    COPY(latitudeDegrees); COPY(spinDegrees);
    COPY(reservedInt4); COPY(reservedInt5); COPY(reservedInt6); COPY(reservedInt7);
    COPY(outputMode); COPY(flip); COPY(hqpr); COPY(graticuleLevel); COPY(reservedInt8);
    COPY(longitudeDegrees); COPY(tabsInteger); COPY(sharpenInteger); COPY(renderIntA); COPY(fovDegrees);
    COPY(reservedInt9); COPY(renderIntB); COPY(reservedInt10); COPY(reservedInt11); COPY(reservedInt12);
    COPY(reservedInt13); COPY(faces); COPY(renderIntC); COPY(reservedInt14);
    COPY(randomSeed);
    std::memcpy(to->reservedFloats, from->reservedFloats, sizeof to->reservedFloats);
    COPY(glueMode);
    COPY(transparent_gaps); COPY(indicatrix); COPY(edges); COPY(anamorph); COPY(dehalo); COPY(grid);
    COPY(latitude); COPY(longitude); COPY(spin); COPY(FOV); COPY(tabs); COPY(sharpen);
#undef COPY
}

void Ferreting(Parameters* copy) { CopySnapshotFields(gParams, copy); }

void UnFerreting(const Parameters* copy) {
    CopySnapshotFields(copy, gParams);
    if (gParams) CloneCPresetNameToUnicodePresetName(gParams);
}

void DoTheFerret(Parameters* copy, int64_t toParameters) {
    if (toParameters) {
        UnFerreting(copy);
    } else {
        Ferreting(copy);
    }
}

int16_t Settings2Cache(const char* name) {
    return FileZerp_WriteSettingsFile_path(FileZerp_GetApplicationSupportFilePathForName(name), 0);
}

int16_t Cache2Settings(const char* name) {
    const std::string newPath = FileZerp_GetApplicationSupportFilePathForName(name);
    FileZerp_ifNoFileExistsAtNewPathThenTryMovingItFromOldPath(newPath, FileZerp_GetPrefsFilePathForName(name));
    return FileZerp_ReadSettingsFile_path(newPath);
}

int16_t Settings2CacheCocoa(const char* name) { return Settings2Cache(name); }
int16_t Cache2SettingsCocoa(const char* name) { return Cache2Settings(name); }

int WriteMemDotPersistency(int fd) {
    int first = 0;
    for (int32_t flag : MemDotIsPersistent) {
        const int e = wrSInt32(flag, fd);
        if (e && !first) first = e;
    }
    return first;
}

int ReadMemDotPersistency(int fd) {
    // A short map keeps the flags it has; the rest stay as they were.
    for (int32_t& flag : MemDotIsPersistent)
        if (const int e = NewRdSInt32(&flag, fd)) return e;
    return 0;
}

void ReadInvocationBracketingSettingsFileCocoa(const char* name) {
    const std::string newPath = FileZerp_GetApplicationSupportFilePathForName(name);
    FileZerp_ifNoFileExistsAtNewPathThenTryMovingItFromOldPath(newPath, FileZerp_GetPrefsFilePathForName(name));
    int16_t error = 0;
    const int fd = FileZerp_OpenAFilePath(newPath, 0, 11, &error);
    // Read or missing, the flags are now what is known, and shut-down writes
    // them back whole.
    gMemDotFlagsKnown = true;
    if (fd < 0) return;
    int32_t version = 0;
    if (NewRdSInt32(&version, fd) == 0) ReadMemDotPersistency(fd);
    close(fd);
}

void ReadInvocationBracketingSettingsFile(const char* name) { ReadInvocationBracketingSettingsFileCocoa(name); }

void WriteInvocationBracketingSettingsFileCocoa(const char* name) {
    // Flags that were never read would overwrite the saved map with zeros.
    if (!gMemDotFlagsKnown) return;
    int16_t error = 0;
    const int fd = FileZerp_OpenAFilePath(FileZerp_GetApplicationSupportFilePathForName(name), 1, 11, &error);
    if (fd < 0) return;
    wrSInt32(kSettingsVersion, fd);
    WriteMemDotPersistency(fd);
    close(fd);
}

void WriteInvocationBracketingSettingsFile(const char* name) { WriteInvocationBracketingSettingsFileCocoa(name); }

int16_t SaveToMemoryDotCocoa(int64_t index) { return FileZerp_saveToMemoryDot(index, gData); }
int16_t SaveToMemoryDot(int64_t index) { return SaveToMemoryDotCocoa(index); }
int16_t LoadFromMemoryDotCocoa(int64_t index) { return FileZerp_loadFromMemoryDot(index, gData); }

void UndoSnapshotCocoa(int64_t toFile) {
    if (!gData || !gData->storage || !gParams) return;
    TStorage1* s = gData->storage;
    const int32_t slot = gData->undoSlot = gData->undoSlot ? 0 : 1;
    CopySnapshotFields(gParams, &s->undoSlots[slot]);
    s->undoOnFile[slot] = 0;
    if (toFile &&
        FileZerp_WriteSettingsFile_path(FileZerp_GetUndoFilePathForName(kUndoFileNames[slot]), 0) == 0)
        s->undoOnFile[slot] = 1;
    s->undoFilled[slot] = 1;
}

void UndoSnapshot(int64_t toFile) { UndoSnapshotCocoa(toFile); }

void UndoReadCocoa() {
    if (!gData || !gData->storage || !gParams) return;
    TStorage1* s = gData->storage;
    const int32_t other = gData->undoSlot ? 0 : 1;
    if (!s->undoFilled[other]) return;
    UnFerreting(&s->undoSlots[other]);
    // The file holds every setting, not only the snapshot's; a file that
    // cannot be read leaves the snapshot's settings in place.
    if (s->undoOnFile[other]) {
        const Parameters restored = *gParams;
        if (FileZerp_ReadSettingsFile_path(FileZerp_GetUndoFilePathForName(kUndoFileNames[other])) != 0)
            *gParams = restored;
    }
    gData->undoSlot = other;
}

void UndoRead() { UndoReadCocoa(); }
