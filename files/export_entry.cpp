#include "files/export_entry.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <memory>
#include <vector>

#include "files/brick_files.h"
#include "files/file_names.h"
#include "files/file_layer.h"
#include "files/file_set.h"
#include "files/poly_export.h"
#include "files/psd_export.h"
#include "files/psd_layers.h"
#include "host_access/host_rects.h"
#include "host_access/host_result.h"
#include "host_access/host_utilities.h"
#include "platform/host/filter_record.h"
#include "platform/workspace.h"
#include "pyramid/pixels.h"
#include "pyramid/pyramid.h"
#include "polyhedra/polyhedron_params.h"
#include "records/data.h"
#include "records/parameters.h"
#include "records/plugin_globals.h"
#include "records/work_area.h"


namespace {

constexpr long kJPEGQuality = 50;
constexpr int kPathBytes = 260;

// Why a writer failed, when a render said so.
std::function<std::string()> RenderWords() {
    const int16_t before = HostResult();
    return [before] { return HostResult() != before ? ReportedErrorText() : std::string(); };
}

// The entry point's answer for a set that did not stand: cancelled, a
// failed write (kPSDExportWriteFailed), or the writer's own code.
int SetResult(const FileSet& set, ExportFailure* failure) {
    if (set.result == 0 && !set.cancelled) return 0;
    if (failure) {
        failure->file = set.failedFile;
        failure->reason = set.cancelled ? "the export was cancelled" : set.reason;
        failure->writeFailed = set.writeFailed;
    }
    if (set.cancelled) return kPSDExportCancelled;
    return set.writeFailed ? int(kPSDExportWriteFailed) : set.result;
}

// Whether the user asked the host to stop.
bool HostAborts() { return gFilterRecord && gFilterRecord->abortProc && gFilterRecord->abortProc(); }

// One member of a set, a render's failure said in its words.
int WriteMember(FileSet* set, const std::string& path, const std::function<int(int fd)>& writer) {
    return WriteFileSetMember(set, path, "the export", writer, RenderWords());
}

// Writes path whole or not at all, as a set of one.
int Write(const std::string& path, const std::function<int(int fd)>& writer, ExportFailure* failure = nullptr) {
    FileSet set;
    StartFileSet(&set, path);
    WriteMember(&set, path, writer);
    FinishFileSet(&set, HostAborts);
    return SetResult(set, failure);
}

const char* ModeName(const ExportHooks& hooks, int64_t mode) {
    return hooks.modeWords.name ? hooks.modeWords.name(mode) : "";
}

const char* GenericWord(const ExportHooks& hooks, int64_t mode) {
    return hooks.genericWord ? hooks.genericWord(mode) : "";
}

// Hands the writer its descriptor and the file's own name.
int WriteNamedMember(FileSet* set, const std::string& path, int (*writer)(int fd, const char* name)) {
    char name[kPathBytes];
    FileZerp_MacPath_toCString(path.c_str(), name, sizeof name);
    return WriteMember(set, path, [&](int fd) { return writer(fd, name); });
}

}  // namespace

const char* ExportEntryMessage(int result) {
    switch (result) {
        case kExportNoSolid: return "This output mode has no solid that this build can export as 3D geometry.";
        default: return PSDExportMessage(result);
    }
}

std::string ExportFailureReason(int result) {
    const std::string said = ReportedErrorText();
    return said.empty() ? ExportEntryMessage(result) : said;
}

int FileZerp_WriteImageFileWithGlobals(Data* data, const Parameters& settings, const std::string& path, bool* cancel,
                                       int32_t format, const ExportHooks& hooks, ExportFailure* failure) {
    if (format != kImageFormatPSD && format != kImageFormatJPEG) return 0;
    if (hooks.showProgress) hooks.showProgress();
    const int result = format == kImageFormatJPEG
                           ? FileZerp_ReallyWriteJPEGFileAtPath(settings, path, cancel, failure)
                           : FileZerp_ReallyWritePSDFileWithGlobals(data, settings, path, cancel, hooks, failure);
    if (hooks.hideProgress) hooks.hideProgress();
    if (data) data->progressTotal = data->progressDone = 0;
    return result;
}

int FileZerp_ReallyWriteJPEGFileAtPath(const Parameters& settings, const std::string& path, bool*,
                                       ExportFailure* failure) {
    return Write(path, [&](int fd) { return ReallyWriteJPEGFile_Thingie(settings, fd, kJPEGQuality); }, failure);
}

int FileZerp_ReallyWritePSDFileWithGlobals(Data* data, const Parameters& settings, const std::string& path,
                                           bool* cancel, const ExportHooks& hooks, ExportFailure* failure) {
    if (!data || !data->storage) return kPSDExportNoData;
    RectState saved{};
    PushRectAndPreviewState(&saved, data);
    PSDdoc doc;
    GrabPSDMetrics(data, settings, &doc);
    doc.modeWords = hooks.modeWords;
    InitMondoProgressParams(data, doc.layerCount);
    int result = 0;
    if (doc.exportKind == kExportFaces && doc.layerCount < 1) {
        result = kExportNoSolid;  // no net to put on pages: nothing is written
    } else {
        // The faces of a cube map go one a file beside the chosen one, as one
        // set: all six replace the old ones, or none does. The chosen file
        // itself is not the export's and stays as it is.
        const bool cube = doc.exportKind == kExportCubeMap;
        const int64_t files = cube ? doc.layerCount : 1;
        if (cube) doc.layerCount = 1;
        std::vector<std::string> names;
        for (int64_t i = 1; i <= files; ++i) {
            if (!cube) {
                names.push_back(path);
                continue;
            }
            PSDdoc face = doc;
            face.cubeFace = i;
            char name[kPSDLayerNameBytes];
            CNameOfLayer(&face, i, name);
            names.push_back(FileZerp_generateRenumberedFilePath(path, i, files, nullptr, 0, name, false));
        }
        FileSet set;
        StartFileSet(&set, path);
        CheckFileSetTargets(&set, names);
        for (int64_t i = 1; i <= files && set.result == 0; ++i) {
            if (cube) doc.cubeFace = i;
            WriteMember(&set, names[size_t(i - 1)],
                        [&](int fd) { return ReallyWritePSDFile_core_thingie(data, settings, fd, cancel, &doc); });
        }
        FinishFileSet(&set, [cancel] { return (cancel && *cancel) || HostAborts(); });
        result = SetResult(set, failure);
    }
    PopRectAndPreviewState(&saved, data);
    return result;
}

int FileZerp_launchFileInBrowser_path(const std::string& path) { return openWithPreviewThisFile(path) ? 0 : 1; }

int FileZerp_writeLDRAWFileWithGlobals_atPath(Data* data, const std::string& path, ExportFailure* failure) {
    return Write(path, [data](int fd) { return WriteLDRAWFileWithGlobals(data, fd); }, failure);
}

namespace {

// The polyhedron files of output mode `mode`.
int WriteOBJMember(FileSet* set, const std::string& path, int64_t mode) {
    char name[kPathBytes];
    FileZerp_MacPath_toCString(path.c_str(), name, sizeof name);
    return WriteMember(set, path, [&](int fd) { return WriteOBJFile_polyhedron_Thingie(fd, name, mode); });
}

int WriteSTLMember(FileSet* set, const std::string& path, int64_t mode, const ExportHooks& hooks) {
    return WriteMember(set, path, [&](int fd) { return WriteSTLFile_polyhedron_Thingie(fd, ModeName(hooks, mode)); });
}

int WriteDXFMember(FileSet* set, const std::string& path, int64_t mode, const ExportHooks& hooks) {
    return WriteMember(set, path, [&](int fd) {
        return WriteDXFFile_polyhedron_Thingie(fd, ModeName(hooks, mode), GenericWord(hooks, mode));
    });
}

int WriteMathematicaMember(FileSet* set, const std::string& path, int64_t mode, const ExportHooks& hooks) {
    return WriteMember(set, path, [&](int fd) {
        return WriteMathematicaTextFile_polyhedron_Thingie(fd, mode, ModeName(hooks, mode), GenericWord(hooks, mode));
    });
}

}  // namespace

int FileZerp_WriteOBJFileAndItsHandmaidensAtPath(const Parameters& settings, const std::string& path,
                                                 const ExportHooks& hooks, ExportFailure* failure, FileSet* into) {
    if (!gData) return kPSDExportNoData;
    // The solid without glue tabs, in its one-fragment version where it has one.
    Parameters solid = settings;
    solid.tabs = 0.0f;
    solid.outputMode = int32_t(MonofragVersion_of_projection(settings.outputMode));
    solid.exportPurpose = kExportGeometry;
    const int64_t mode = solid.outputMode;

    const std::string texture = FileZerp_makeClonedPathWithNewExtender(".jpg", path, true);
    const std::string material = FileZerp_makeClonedPathWithNewExtender(".mtl", path, true);
    const std::string stl = FileZerp_makeClonedPathWithNewExtender(".stl", path, false);
    const std::string text = FileZerp_makeClonedPathWithNewExtender(".txt", path, false);
    const std::string dxf = FileZerp_makeClonedPathWithNewExtender(".dxf", path, false);

    // Nothing is written for a mode without a solid to export.
    if (!BuildSolidForExport(mode)) return kExportNoSolid;
    // The six files are one set: they replace the old ones together, or
    // none does. A set handed in takes them among its own members.
    FileSet own;
    FileSet* set = &own;
    StartFileSet(set, path);
    CheckFileSetTargets(set, {path, stl, material, text, dxf, texture});
    // The geometry first, from the solid just built; the texture's render
    // comes last, since a render lets its solid go when it ends and the
    // writers after it would build the solid again.
    gData->progressTotal = gData->progressDone = 0;
    WriteOBJMember(set, path, mode);
    WriteSTLMember(set, stl, mode, hooks);
    WriteNamedMember(set, material, WriteMTLFile_Thingie);
    WriteMathematicaMember(set, text, mode, hooks);
    WriteDXFMember(set, dxf, mode, hooks);
    if (set->result == 0 && !set->cancelled) {
        gData->progressTotal = gData->progressDone = 0;
        if (hooks.showProgress) hooks.showProgress();
        WriteMember(set, texture, [&](int fd) { return ReallyWriteJPEGFile_Thingie(solid, fd, kJPEGQuality); });
        if (hooks.hideProgress) hooks.hideProgress();
        gData->progressTotal = gData->progressDone = 0;
    }
    const int result = SetResult(*set, failure);
    if (into) JoinFileSet(into, set);
    else FinishFileSet(set, HostAborts);
    return into ? result : SetResult(*set, failure);
}

int FileZerp_writeEquiPolyMapFileAtPath(const std::string& path, const ExportHooks& hooks, ExportFailure* failure) {
    if (!gParams) return kPSDExportNoData;
    gParams->exportPurpose = kExportEquirectangularMap;
    bool cancel = false;
    return FileZerp_WriteImageFileWithGlobals(gData, *gParams, path, &cancel, kImageFormatPSD, hooks, failure);
}
