#include "shell/settings_persistence.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include <cstring>

#include "common/byte_io.h"
#include "records/data.h"
#include "records/parameters.h"
#include "shell/defaults.h"
#include "records/plugin_globals.h"
#include "shell/settings_files.h"
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

void UnFerreting(const Parameters* copy) {
    CopySnapshotFields(copy, gParams);
    if (gParams) CloneCPresetNameToUnicodePresetName(gParams);
}

int16_t Settings2Cache(const char* name) {
    return FileZerp_WriteSettingsFile_path(FileZerp_GetApplicationSupportFilePathForName(name), 0);
}

int16_t Cache2Settings(const char* name) {
    const std::string newPath = FileZerp_GetApplicationSupportFilePathForName(name);
    FileZerp_ifNoFileExistsAtNewPathThenTryMovingItFromOldPath(newPath, FileZerp_GetPrefsFilePathForName(name));
    return FileZerp_ReadSettingsFileQuietly(newPath);
}

int WriteMemDotPersistency(int fd) {
    int first = 0;
    for (int32_t flag : MemDotIsPersistent) {
        const int e = wrSInt32(flag, fd);
        if (e && !first) first = e;
    }
    return first;
}

int ReadMemDotPersistency(int fd) {
    // All 25 flags, each 0 or 1, or none of them.
    int32_t flags[kMemDotCount];
    for (int32_t& flag : flags)
        if (const int e = NewRdSInt32(&flag, fd)) return e;
    for (int32_t flag : flags)
        if (flag != 0 && flag != 1) return paramErr;
    std::memcpy(MemDotIsPersistent, flags, sizeof flags);
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
    // The map is applied only when it is exactly the version word and 25
    // flags of 0 or 1; anything else leaves the flags as they were (and
    // shut-down writes a sound map in its place).
    struct stat st;
    int32_t version = 0;
    const char* fault = nullptr;
    if (fstat(fd, &st) != 0 || st.st_size != kMemDotMapBytes) fault = "its length is not 104 bytes";
    else if (NewRdSInt32(&version, fd) != 0 || version != kSettingsVersion) fault = "its version word is not 48";
    else if (ReadMemDotPersistency(fd) != 0) fault = "a flag is not 0 or 1";
    close(fd);
    if (fault) std::fprintf(stderr, "Vornesk 2: %s: not a memory-dot map (%s); its flags are not used\n", newPath.c_str(), fault);
}

int16_t WriteInvocationBracketingSettingsFileCocoa(const char* name) {
    // Flags that were never read would overwrite the saved map with zeros.
    if (!gMemDotFlagsKnown) return 0;
    return FileZerp_WriteFileAtPath(FileZerp_GetApplicationSupportFilePathForName(name), "the memory-dot map", [](int fd) {
        const int e = wrSInt32(kSettingsVersion, fd);
        return e ? e : WriteMemDotPersistency(fd);
    });
}

int16_t WriteInvocationBracketingSettingsFile(const char* name) {
    return WriteInvocationBracketingSettingsFileCocoa(name);
}

int16_t SaveToMemoryDotCocoa(int64_t index) { return FileZerp_saveToMemoryDot(index, gData); }
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

void UndoReadCocoa() {
    if (!gData || !gData->storage || !gParams) return;
    TStorage1* s = gData->storage;
    const int32_t other = gData->undoSlot ? 0 : 1;
    if (!s->undoFilled[other]) return;
    UnFerreting(&s->undoSlots[other]);
    // The file holds every setting, not only the snapshot's; a file that
    // cannot be read leaves the snapshot's settings in place.
    if (s->undoOnFile[other]) FileZerp_ReadSettingsFileQuietly(FileZerp_GetUndoFilePathForName(kUndoFileNames[other]));
    gData->undoSlot = other;
}
