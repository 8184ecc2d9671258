// Stand-in for the settings files, the scripting descriptors, the cached
// settings and undo until they land: a settings file carries only its version
// word, scripting reads only whether the host wants the dialog, and undo keeps
// its snapshots in memory. The memory-dot map is complete. Delete each piece
// here when the real one lands.
#include <unistd.h>

#include <cstring>

#include "common/byte_io.h"
#include "shell/FilterBigDocument.h"
#include "shell/data.h"
#include "shell/host_utilities.h"
#include "shell/parameters.h"
#include "shell/plugin_globals.h"
#include "shell/stand_ins.h"
#include "shell/work_area.h"

int32_t MemDotIsPersistent[kMemDotCount] = {};
bool gMemDotFlagsKnown = false;

namespace {

constexpr OSType kPhotoshop8 = MakeFourCC("PSP8");
constexpr OSType kPhotoshop9 = MakeFourCC("PSP9");

bool HostFumblesScripting() {
    OSType sig = GetHostSig();
    return sig == kPhotoshop8 || sig == kPhotoshop9;
}

const DescriptorKeyID kNoKeys[] = {0};

}  // namespace

int32_t ParametersOut(Data*, int fd, int64_t mode, void*, int64_t) {
    if (gParams) gParams->version = kSettingsVersion;
    if (mode == 1) wrSInt32(kSettingsVersion, fd);
    return 0;
}

int32_t ReadSettingsFileSwitchably_Thingie(Data*, int fd, void*, int64_t, uint8_t* hasPreview) {
    int32_t version = 0;
    if (NewRdSInt32(&version, fd) == 0 && gParams) gParams->version = version;
    if (hasPreview) *hasPreview = 0;
    close(fd);
    return 0;
}

bool ScriptingParamsAreComing() {
    if (HostFumblesScripting() || !HostDescriptorAvailable()) return false;
    PIDescriptorParameters* d = GetDescriptorParameters();
    PIReadDescriptor reader = d->readDescriptorProcs->openReadDescriptorProc(d->descriptor, kNoKeys);
    if (!reader) return false;
    d->readDescriptorProcs->closeReadDescriptorProc(reader);
    return true;
}

int32_t ReadScriptParams_qev() {
    if (HostFumblesScripting()) return 0;
    if (!HostDescriptorAvailable()) return 1;
    PIDescriptorParameters* d = GetDescriptorParameters();
    PIReadDescriptor reader = d->readDescriptorProcs->openReadDescriptorProc(d->descriptor, kNoKeys);
    if (reader) {
        if (gParams) GrabDefaultSettings(gParams);
        DescriptorKeyID key;
        DescriptorTypeID type;
        int32_t flags;
        while (d->readDescriptorProcs->getKeyProc(reader, &key, &type, &flags)) {
        }
        d->readDescriptorProcs->closeReadDescriptorProc(reader);
        // The host's own procedures: its handles are not this module's.
        HostDisposeDescriptor(&d->descriptor);
    }
    if (gParams) FixRedefinedParameters(gParams);
    const int32_t wanted = d->playInfo == plugInDialogDisplay ? 1 : 0;
    if (gData) gData->showDialog = uint8_t(wanted);
    return wanted;
}

int32_t WriteScriptParams_qev(Data*) { return 0; }

void UndoSnapshotCocoa(int32_t toFile) {
    if (!gData || !gData->storage || !gParams) return;
    TStorage1* s = gData->storage;
    gData->undoSlot = gData->undoSlot ? 0 : 1;
    std::memcpy(static_cast<void*>(&s->undoSlots[gData->undoSlot]), gParams, sizeof(Parameters));
    s->undoOnFile[gData->undoSlot] = 0;
    (void)toFile;
    s->undoFilled[gData->undoSlot] = 1;
}

int16_t Settings2Cache(const char* name) {
    return FileZerp_WriteSettingsFile_path(FileZerp_GetApplicationSupportFilePathForName(name), 0);
}

int16_t Cache2Settings(const char* name) {
    std::string newPath = FileZerp_GetApplicationSupportFilePathForName(name);
    FileZerp_ifNoFileExistsAtNewPathThenTryMovingItFromOldPath(newPath, FileZerp_GetPrefsFilePathForName(name));
    return FileZerp_ReadSettingsFile_path(newPath);
}

void WriteMemDotPersistency(int fd) {
    for (int32_t flag : MemDotIsPersistent) wrSInt32(flag, fd);
}

void ReadMemDotPersistency(int fd) {
    for (int32_t& flag : MemDotIsPersistent) NewRdSInt32(&flag, fd);
}

void ReadInvocationBracketingSettingsFileCocoa(const char* name) {
    std::string newPath = FileZerp_GetApplicationSupportFilePathForName(name);
    FileZerp_ifNoFileExistsAtNewPathThenTryMovingItFromOldPath(newPath, FileZerp_GetPrefsFilePathForName(name));
    int16_t error = 0;
    int fd = FileZerp_OpenAFilePath(newPath, 0, 11, &error);
    // A missing map leaves the flags as they are: they are then what is known.
    gMemDotFlagsKnown = true;
    if (fd < 0) return;
    int32_t version = 0;
    NewRdSInt32(&version, fd);
    ReadMemDotPersistency(fd);
    close(fd);
}

void WriteInvocationBracketingSettingsFile(const char* name) {
    // Flags that were never read would overwrite the saved map with zeros.
    if (!gMemDotFlagsKnown) return;
    int16_t error = 0;
    int fd = FileZerp_OpenAFilePath(FileZerp_GetApplicationSupportFilePathForName(name), 1, 11, &error);
    if (fd < 0) return;
    wrSInt32(kSettingsVersion, fd);
    WriteMemDotPersistency(fd);
    close(fd);
}
