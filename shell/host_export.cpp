#include "shell/host_export.h"

#include <string>

#include "files/brick_files.h"
#include "files/export_entry.h"
#include "files/file_layer.h"
#include "files/psd_export.h"
#include "host_access/host_result.h"
#include "host_access/host_utilities.h"
#include "platform/host/filter_record.h"
#include "platform/host/result_codes.h"
#include "pyramid/render_storage.h"
#include "records/output_modes.h"
#include "records/parameters.h"
#include "records/plugin_globals.h"
#include "render/render_drivers.h"
#include "shell/galleries.h"
#include "shell/mode_catalogue.h"
#include "shell/scripting_codes.h"
#include "shell/result_at_size.h"

namespace {

struct KindCode {
    ExportOrderKind kind;
    char code[5];
    const char* galleryWord;  // the command line's word for a gallery
    GalleryKind gallery;
};

constexpr KindCode kKindCodes[] = {
    {kExportOrderPSD, "ExPS", nullptr, kGalleryOutputModes},
    {kExportOrderCubeMap, "ExCb", nullptr, kGalleryOutputModes},
    {kExportOrderGeometry, "ExOb", nullptr, kGalleryOutputModes},
    {kExportOrderBrickModel, "ExLd", nullptr, kGalleryOutputModes},
    {kExportOrderModesGallery, "ExGm", "modes", kGalleryOutputModes},
    {kExportOrderDotsGallery, "ExGd", "dots", kGalleryMemoryDots},
    {kExportOrderPresetsGallery, "ExGp", "presets", kGalleryPresets},
    {kExportOrderPolyhedraGallery, "ExGy", "polyhedra", kGalleryPolyhedra},
    {kExportOrderPolyhedronNets, "ExGn", "nets", kGalleryPolyhedra},
};

const KindCode* CodeOfKind(ExportOrderKind kind) {
    for (const KindCode& k : kKindCodes)
        if (k.kind == kind) return &k;
    return nullptr;
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
        Refuse("cannot write " + (failure.file.empty() ? path : failure.file) + ": " + ExportFailureReason(result));
        return;
    }
    const std::string text = "cannot write " + failure.file + ": " + failure.reason;
    HostReportError(gFilterRecord ? gFilterRecord->errorString : nullptr, text.c_str());
    SetHostResult(writErr, kDiagNotInThisBuild);
}

// The brick globe's LDRAW model, coloured from the picture as a render
// reads it; the other output modes are refused.
bool RunLDRAWExport(const std::string& path) {
    const int32_t mode = gParams->outputMode;
    if (mode != kModeBrickPreview && mode != kModeVoxelGlobe) {
        Refuse("an LDRAW model is written only for the brick globe (output mode 45 or 394), not for output mode " +
               std::to_string(mode));
        return false;
    }
    MaybeAllocatePyramids(gData);
    if (HostResult() != noErr || !PrerollManipulation(gData, *gParams)) return false;
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
// size and depth; or the cube map as the dialog's "cube map…" writes it: one
// file a face beside path, named by the face, at the face size setting, and
// none at path itself.
bool RunPSDExport(const std::string& path, bool cubeMap) {
    MaybeAllocatePyramids(gData);
    if (HostResult() != noErr) return false;
    Parameters settings = *gParams;
    settings.exportPurpose = cubeMap ? kExportCubeMap : kExportResult;
    // A result at a size of the host's own is the PSD at a size of the user's choosing.
    if (!cubeMap && HostWantsResultAtItsOwnSize(settings, *gData)) {
        settings.exportPurpose = kExportSizedPSD;
        settings.psdWidth = settings.resultWidth;
        settings.psdHeight = settings.resultHeight;
    }
    bool cancel = false;
    ExportFailure failure;
    const int result =
        FileZerp_ReallyWritePSDFileWithGlobals(gData, settings, path, &cancel, CatalogueExportHooks(), &failure);
    if (result != 0) {
        RefuseExport(path, result, failure);
        return false;
    }
    return true;
}

// The 3D geometry as the dialog's "export faces…" writes it.
bool RunGeometryExport(const std::string& path) {
    const int32_t mode = gParams->outputMode;
    // The texture is rendered from the picture: read it first.
    MaybeAllocatePyramids(gData);
    if (HostResult() != noErr) return false;
    ExportFailure failure;
    const int result = FileZerp_WriteOBJFileAndItsHandmaidensAtPath(*gParams, path, CatalogueExportHooks(), &failure);
    if (result == kExportNoSolid) {
        Refuse(OutputModeInWords(mode) + " has no solid this build can export as OBJ");
        return false;
    }
    if (result != 0) {
        RefuseExport(path, result, failure);
        return false;
    }
    return true;
}

bool RunGalleryExport(GalleryKind kind, const std::string& folder) {
    MaybeAllocatePyramids(gData);
    if (HostResult() != noErr || !PrerollManipulation(gData, *gParams)) return false;
    const std::string page = folder + "/" + GalleryPageName(kind);
    ExportFailure failure;
    if (const int result = WriteGallery(kind, page, folder, 1, kGalleryLastMode, &failure); result != 0) {
        RefuseExport(page, result, failure);
        return false;
    }
    return true;
}

// The net of every exportable solid as a PSD of its own, into the folder at
// the path, as the dialog's "polyhedron nets" writes them.
bool RunNetsExport(const std::string& folder) {
    MaybeAllocatePyramids(gData);
    if (HostResult() != noErr || !PrerollManipulation(gData, *gParams)) return false;
    if (const int result = WriteAllExportablePolyhedra(folder); result != 0) {
        RefuseExport(folder, result, ExportFailure{});
        return false;
    }
    return true;
}

}  // namespace

DescriptorEnumID ExportOrderCode(ExportOrderKind kind) {
    const KindCode* k = CodeOfKind(kind);
    return k ? MakeFourCC(k->code) : kNoScriptingCode;
}

bool ExportOrderKindOfCode(DescriptorEnumID code, ExportOrderKind* kind) {
    for (const KindCode& k : kKindCodes)
        if (MakeFourCC(k.code) == code) {
            *kind = k.kind;
            return true;
        }
    return false;
}

bool ExportOrderKindOfGalleryWord(const std::string& word, ExportOrderKind* kind) {
    for (const KindCode& k : kKindCodes)
        if (k.galleryWord && word == k.galleryWord) {
            *kind = k.kind;
            return true;
        }
    return false;
}

bool RunHostExport(const ExportOrder& order) {
    if (!gParams || !gData || order.path.empty()) return false;
    switch (order.kind) {
        case kExportOrderPSD: return RunPSDExport(order.path, false);
        case kExportOrderCubeMap: return RunPSDExport(order.path, true);
        case kExportOrderGeometry: return RunGeometryExport(order.path);
        case kExportOrderBrickModel: return RunLDRAWExport(order.path);
        case kExportOrderModesGallery:
        case kExportOrderDotsGallery:
        case kExportOrderPresetsGallery:
        case kExportOrderPolyhedraGallery: return RunGalleryExport(CodeOfKind(order.kind)->gallery, order.path);
        case kExportOrderPolyhedronNets: return RunNetsExport(order.path);
        case kExportOrderNone: break;
    }
    return false;
}
