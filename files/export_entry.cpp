#include "files/export_entry.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <memory>

#include "files/brick_files.h"
#include "files/file_names.h"
#include "files/file_layer.h"
#include "files/poly_export.h"
#include "files/psd_export.h"
#include "files/psd_layers.h"
#include "host_access/host_rects.h"
#include "host_access/host_result.h"
#include "host_access/host_utilities.h"
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

// Writes path whole or not at all through the file layer; the writer's
// result, kExportOpenFailed when no new file could be made, or
// kPSDExportWriteFailed when the finished file could not be put in place.
int Write(const std::string& path, const std::function<int(int fd)>& writer) {
    bool ran = false;
    const int16_t before = HostResult();
    // A render that fails says why; the line gives its words.
    const int result = FileZerp_WriteFileAtPath(
        path, "the export",
        [&](int fd) {
            ran = true;
            return writer(fd);
        },
        [before] { return HostResult() != before ? ReportedErrorText() : std::string(); });
    if (result != kFileFailed) return result;
    return ran ? int(kPSDExportWriteFailed) : int(kExportOpenFailed);
}

const char* ModeName(const ExportHooks& hooks, int64_t mode) {
    return hooks.modeWords.name ? hooks.modeWords.name(mode) : "";
}

const char* GenericWord(const ExportHooks& hooks, int64_t mode) {
    return hooks.genericWord ? hooks.genericWord(mode) : "";
}

int64_t OutputMode() { return gParams ? gParams->outputMode : 0; }

// Opens path and hands the writer its descriptor and the file's own name.
int WriteNamedFile(const std::string& path, int (*writer)(int fd, const char* name)) {
    char name[kPathBytes];
    FileZerp_MacPath_toCString(path.c_str(), name, sizeof name);
    return Write(path, [&](int fd) { return writer(fd, name); });
}

// The first failure of several.
void Keep(int* first, int result) {
    if (*first == 0 && result != 0) *first = result;
}

}  // namespace

const char* ExportEntryMessage(int result) {
    switch (result) {
        case kExportOpenFailed: return "The file could not be opened for writing.";
        case kExportNoSolid: return "This output mode has no solid that this build can export as 3D geometry.";
        default: return PSDExportMessage(result);
    }
}

int FileZerp_WriteImageFileWithGlobals(Data* data, const std::string& path, bool* cancel, int32_t format,
                                       const ExportHooks& hooks) {
    if (format != kImageFormatPSD && format != kImageFormatJPEG) return 0;
    if (hooks.showProgress) hooks.showProgress();
    const int result = format == kImageFormatJPEG ? FileZerp_ReallyWriteJPEGFileAtPath(path, cancel)
                                                  : FileZerp_ReallyWritePSDFileWithGlobals(data, path, cancel, hooks);
    if (hooks.hideProgress) hooks.hideProgress();
    if (data) data->progressTotal = data->progressDone = 0;
    return result;
}

int FileZerp_ReallyWriteJPEGFileAtPath(const std::string& path, bool*) {
    return Write(path, [](int fd) { return ReallyWriteJPEGFile_Thingie(fd, nullptr, kJPEGQuality); });
}

int FileZerp_ReallyWritePSDFileWithGlobals(Data* data, const std::string& path, bool* cancel,
                                           const ExportHooks& hooks) {
    if (!data || !data->storage || !gParams) return kPSDExportNoData;
    RectState saved{};
    PushRectAndPreviewState(&saved, data);
    const int32_t savedScale = gParams->proxyScale;
    gParams->proxyScale = 1;
    PSDdoc doc;
    GrabPSDMetrics(data, &doc);
    doc.modeWords = hooks.modeWords;
    InitMondoProgressParams(data, doc.layerCount);
    int result = 0;
    if (doc.exportKind == kExportFaces && doc.layerCount < 1) {
        result = kExportNoSolid;  // no net to put on pages: nothing is written
    } else if (doc.exportKind == kExportCubeMap) {
        const int64_t faces = doc.layerCount;
        doc.layerCount = 1;
        bool allWritten = true;
        for (int64_t i = 1; i <= faces; ++i) {
            doc.cubeFace = i;
            char name[kPSDLayerNameBytes];
            CNameOfLayer(&doc, i, name);
            const std::string facePath = FileZerp_generateRenumberedFilePath(path, i, faces, nullptr, 0, name, false);
            const int r = Write(facePath, [&](int fd) { return ReallyWritePSDFile_core_thingie(data, fd, cancel, &doc); });
            allWritten = allWritten && r == 0;
            Keep(&result, r);
        }
        // The faces replace the chosen file; it goes only when they all stand.
        if (faces >= 2 && allWritten) unlink(path.c_str());
    } else {
        result = Write(path, [&](int fd) { return ReallyWritePSDFile_core_thingie(data, fd, cancel, &doc); });
    }
    gParams->proxyScale = savedScale;
    PopRectAndPreviewState(&saved, data);
    return result;
}

int FileZerp_writePyr_withTags_toPath(const PyramidDescriptor* pyr, int64_t exportKind, const std::string& path) {
    if (!pyr || !pyr->tiles) return kPSDExportEmpty;
    std::unique_ptr<PyramidDescriptor> copy;
    const PyramidDescriptor* source = pyr;
    if (pyr->kind != kPyrColour8 && pyr->kind != kPyrColour16 && pyr->kind != kPyrColourFloat) {
        copy = std::make_unique<PyramidDescriptor>();
        InitPyramidProcs_from_another_pyr(copy.get(), pyr);
        if (TryToAllocatePyramid_2006(copy.get(), pyr->width[0], pyr->height[0], kPyrColour8, 0, 0) != 1)
            return kPSDExportNoMemory;
        float c[4];
        for (int64_t y = 0; y < pyr->height[0]; ++y)
            for (int64_t x = 0; x < pyr->width[0]; ++x) {
                get_intcoord_unitary_color(x, y, pyr, 0, c);
                set_intcoord_unitary_color(x, y, copy.get(), 0, c);
            }
        source = copy.get();
    }
    const int result = Write(path, [&](int fd) { return TagAndWritePyrToPSD(source, fd, exportKind); });
    if (copy) DisposePyramidData(copy.get());
    return result;
}

int FileZerp_writePyr_toDesktopUsingName(const PyramidDescriptor* pyr, const std::string& name) {
    const std::string desktop = DesktopFolder();
    FileZerp_createDirectoryAtPath(desktop);
    return FileZerp_writePyr_withTags_toPath(pyr, kExportBrickModel, desktop + "/" + name + ".psd");
}

int FileZerp_launchFileInBrowser_path(const std::string& path) { return openWithPreviewThisFile(path) ? 0 : 1; }

int FileZerp_writeLegoStatsFileAtPath(const std::string& path) {
    return Write(path, [](int fd) { return WriteLegoStatsFile_Thingie(gData, fd); });
}

int FileZerp_writeLDRAWFileWithGlobals_atPath(Data* data, const std::string& path) {
    return Write(path, [data](int fd) { return WriteLDRAWFileWithGlobals(data, fd); });
}

int FileZerp_writeOBJFile_polyhedronAtPath(const std::string& path) {
    return WriteNamedFile(path, WriteOBJFile_polyhedron_Thingie);
}

int FileZerp_writeMTLFileAtPath(const std::string& path) { return WriteNamedFile(path, WriteMTLFile_Thingie); }

int FileZerp_writeSTLFile_polyhedronAtPath(const std::string& path, const ExportHooks& hooks) {
    return Write(path, [&](int fd) { return WriteSTLFile_polyhedron_Thingie(fd, ModeName(hooks, OutputMode())); });
}

int FileZerp_writeDXFFile_polyhedronAtPath(const std::string& path, const ExportHooks& hooks) {
    return Write(path, [&](int fd) {
        return WriteDXFFile_polyhedron_Thingie(fd, ModeName(hooks, OutputMode()), GenericWord(hooks, OutputMode()));
    });
}

int FileZerp_writeMathematicaTextFile_polyhedronAtPath(const std::string& path, const ExportHooks& hooks) {
    return Write(path, [&](int fd) {
        return WriteMathematicaTextFile_polyhedron_Thingie(fd, ModeName(hooks, OutputMode()),
                                                           GenericWord(hooks, OutputMode()));
    });
}

int FileZerp_WriteOBJFileAndItsHandmaidensAtPath(const std::string& path, const ExportHooks& hooks,
                                                 std::string* failed) {
    if (!gParams || !gData) return kPSDExportNoData;
    const float savedTabs = gParams->tabs;
    const int32_t savedMode = gParams->outputMode;
    gParams->tabs = 0.0f;
    gParams->outputMode = int32_t(MonofragVersion_of_projection(savedMode));

    const std::string texture = FileZerp_makeClonedPathWithNewExtender(".jpg", path, true);
    const std::string material = FileZerp_makeClonedPathWithNewExtender(".mtl", path, true);
    const std::string stl = FileZerp_makeClonedPathWithNewExtender(".stl", path, false);
    const std::string text = FileZerp_makeClonedPathWithNewExtender(".txt", path, false);
    const std::string dxf = FileZerp_makeClonedPathWithNewExtender(".dxf", path, false);

    gParams->exportPurpose = kExportGeometry;
    int result = 0;
    // Nothing is written for a mode without a solid to export.
    if (!BuildSolidForExport()) {
        gParams->tabs = savedTabs;
        gParams->outputMode = savedMode;
        return kExportNoSolid;
    }
    auto step = [&](const std::string& file, int r) {
        if (r != 0 && result == 0 && failed) *failed = file;
        Keep(&result, r);
    };
    // The geometry first, from the solid just built; the texture's render
    // comes last, since a render lets its solid go when it ends and the
    // writers after it would build the solid again.
    gData->progressTotal = gData->progressDone = 0;
    step(path, FileZerp_writeOBJFile_polyhedronAtPath(path));
    step(stl, FileZerp_writeSTLFile_polyhedronAtPath(stl, hooks));
    step(material, FileZerp_writeMTLFileAtPath(material));
    step(text, FileZerp_writeMathematicaTextFile_polyhedronAtPath(text, hooks));
    step(dxf, FileZerp_writeDXFFile_polyhedronAtPath(dxf, hooks));
    bool cancel = false;
    gData->progressTotal = gData->progressDone = 0;
    if (hooks.showProgress) hooks.showProgress();
    step(texture, FileZerp_ReallyWriteJPEGFileAtPath(texture, &cancel));
    if (hooks.hideProgress) hooks.hideProgress();
    gData->progressTotal = gData->progressDone = 0;

    gParams->tabs = savedTabs;
    gParams->outputMode = savedMode;
    return result;
}

int FileZerp_writeEquiPolyMapFileAtPath(const std::string& path, const ExportHooks& hooks) {
    if (!gParams) return kPSDExportNoData;
    gParams->exportPurpose = kExportEquirectangularMap;
    bool cancel = false;
    return FileZerp_WriteImageFileWithGlobals(gData, path, &cancel, kImageFormatPSD, hooks);
}

std::string FileZerp_tempPath() {
    const char* folder = std::getenv("TMPDIR");
    std::string path = folder && *folder ? folder : "/tmp";
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

std::string FileZerp_dated_exportation_filename_using_extender(const char* extension) {
    const std::time_t now = std::time(nullptr);
    std::tm t{};
    localtime_r(&now, &t);
    char name[64];
    std::snprintf(name, sizeof name, "%04d-%02d-%02d at %02d:%02d:%02d", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday,
                  t.tm_hour, t.tm_min, t.tm_sec);
    std::string file = name;
    if (extension && *extension) file += *extension == '.' ? extension : "." + std::string(extension);
    const std::string folder = FileZerp_tempPath();
    return folder == "/" ? "/" + file : folder + "/" + file;
}

int FileZerp_writeImageFileAndSendtoPhotosApp(const ExportHooks& hooks, std::string* written) {
    if (!gParams) return kPSDExportNoData;
    gParams->exportPurpose = kExportResult;
    const std::string path = FileZerp_dated_exportation_filename_using_extender("psd");
    bool cancel = false;
    const int result = FileZerp_WriteImageFileWithGlobals(gData, path, &cancel, kImageFormatPSD, hooks);
    if (written) *written = path;
    if (!cancel) PhotoEditorBridge_exportImageFile(path.c_str());
    return result;
}
