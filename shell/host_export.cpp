#include "shell/host_export.h"

#include <fcntl.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <cstdlib>
#include <string>

#include "files/file_layer.h"
#include "files/brick_files.h"
#include "files/export_entry.h"
#include "files/psd_export.h"
#include "host_access/FilterBigDocument.h"
#include "host_access/host_utilities.h"
#include "platform/host/filter_record.h"
#include "platform/host/result_codes.h"
#include "pyramid/render_storage.h"
#include "render/render_drivers.h"
#include "records/parameters.h"
#include "host_access/host_result.h"
#include "records/plugin_globals.h"
#include "shell/galleries.h"
#include "shell/mode_catalogue.h"

namespace {

bool EndsWithNoCase(const std::string& s, const std::string& tail) {
    if (s.size() < tail.size()) return false;
    for (size_t i = 0; i < tail.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(s[s.size() - tail.size() + i])) != tail[i]) return false;
    return true;
}

// Why an export failed: the words of the render that failed it, when it
// left some, else the export's own.
std::string ExportWords(int result) {
    const std::string said = ReportedErrorText();
    return said.empty() ? ExportEntryMessage(result) : said;
}

void Refuse(const std::string& message) {
    SetHostResult(HostReportError(gFilterRecord ? gFilterRecord->errorString : nullptr, message.c_str()),
                  kDiagNotInThisBuild);
}

// An export that did not stand: a file the system refused is answered
// writErr, with "cannot write FILE: REASON" in the record's error string
// for a host that shows it; a cancel as a cancel; anything else (a render
// that failed) in the export's words.
void RefuseExport(const std::string& path, int result, const ExportFailure& failure) {
    if (result == kPSDExportCancelled) {
        SetHostResult(userCanceledErr, kDiagAbortDuringRender);
        return;
    }
    if (!failure.writeFailed) {
        Refuse("cannot write " + (failure.file.empty() ? path : failure.file) + ": " + ExportWords(result));
        return;
    }
    const std::string text = "cannot write " + failure.file + ": " + failure.reason;
    HostReportError(gFilterRecord ? gFilterRecord->errorString : nullptr, text.c_str());
    SetHostResult(writErr, kDiagNotInThisBuild);
}

// The brick globe's LDRAW model, coloured from the picture as a render
// reads it; the other output modes are refused.
bool RunLDRAWExport(const char* path) {
    const int32_t mode = gParams->outputMode;
    if (mode != 45 && mode != 394) {
        Refuse("an LDRAW model is written only for the brick globe (output mode 45 or 394), not for output mode " +
               std::to_string(mode));
        return false;
    }
    MaybeAllocatePyramids(gData);
    if (HostResult() != noErr || !PrerollManipulation(gData)) return false;
    // Written whole or not at all: a failed write leaves the old model.
    ExportFailure failure;
    const int result = FileZerp_writeLDRAWFileWithGlobals_atPath(gData, path, &failure);
    if (result != kPSDExportOK) {
        RefuseExport(path, result, failure);
        return false;
    }
    return true;
}

// The result as the dialog's "PSD…" writes it: one layer, the document's
// size and depth; or, asked in VORNESK_EXPORT_CUBE_MAP, the cube map as the
// dialog's "cube map…" writes it: one file a face beside path, named by the
// face, at the face size setting, and none at path itself.
bool RunPSDExport(const char* path) {
    MaybeAllocatePyramids(gData);
    if (HostResult() != noErr) return false;
    const int32_t savedKind = gParams->exportPurpose;
    const char* cube = std::getenv("VORNESK_EXPORT_CUBE_MAP");
    gParams->exportPurpose = cube && *cube ? kExportCubeMap : kExportResult;
    bool cancel = false;
    ExportFailure failure;
    const int result = FileZerp_ReallyWritePSDFileWithGlobals(gData, path, &cancel, CatalogueExportHooks(), &failure);
    gParams->exportPurpose = savedKind;
    if (result != 0) {
        RefuseExport(path, result, failure);
        return false;
    }
    return true;
}

}  // namespace

const char* HostExportRequest() {
    const char* path = std::getenv("VORNESK_EXPORT");
    return path && *path ? path : nullptr;
}

bool RunHostExport(const char* path) {
    if (!gParams || !path) return false;
    const std::string file = path;
    if (const char* word = std::getenv("VORNESK_GALLERY"); word && *word) {
        GalleryKind kind;
        if (!GalleryKindFromWord(word, &kind)) {
            Refuse(std::string("no gallery is called ") + word + " (modes, dots, presets or polyhedra)");
            return false;
        }
        MaybeAllocatePyramids(gData);
        if (HostResult() != noErr || !PrerollManipulation(gData)) return false;
        const std::string page = file + "/" + GalleryPageName(kind);
        if (WriteGallery(kind, page, file) != 0) {
            Refuse("cannot write " + page);
            return false;
        }
        return true;
    }
    if (EndsWithNoCase(file, ".ldr")) return RunLDRAWExport(path);
    if (EndsWithNoCase(file, ".psd")) return RunPSDExport(path);
    if (!EndsWithNoCase(file, ".obj")) {
        Refuse("this build exports only .obj, .ldr and .psd files from the command line, not " + file);
        return false;
    }
    const int32_t mode = gParams->outputMode;
    // The texture is rendered from the picture: read it first.
    MaybeAllocatePyramids(gData);
    if (HostResult() != noErr) return false;
    ExportFailure failure;
    const int result = FileZerp_WriteOBJFileAndItsHandmaidensAtPath(file, CatalogueExportHooks(), &failure);
    if (result == kExportNoSolid) {
        Refuse(OutputModeInWords(mode) + " has no solid this build can export as OBJ");
        return false;
    }
    if (result != 0) {
        RefuseExport(file, result, failure);
        return false;
    }
    return true;
}
