#include "files/psd_export.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <algorithm>
#include <memory>

#include "common/byte_io.h"
#include "files/exif.h"
#include "files/iptc.h"
#include "files/jpeg_pyramid.h"
#include "files/psd_doc.h"
#include "files/psd_layers.h"
#include "files/poly_export.h"
#include "files/psd_sections.h"
#include "host_access/FilterBigDocument.h"
#include "host_access/host_rects.h"
#include "solids/cramming.h"
#include "solids/poly_setup.h"
#include "polyhedra/polyhedron_params.h"
#include "pyramid/level_paint.h"
#include "pyramid/push_pull.h"
#include "pyramid/pyramid.h"
#include "records/data.h"
#include "records/output_modes.h"
#include "records/parameters.h"
#include "host_access/host_result.h"
#include "records/plugin_globals.h"
#include "records/work_area.h"
#include "render/globes/brick_exports.h"
#include "render/render_drivers.h"

namespace {

constexpr int32_t kNormalGlue = 1;
constexpr double kDegreesPerRadian = 57.2957795129;
constexpr int64_t kPushPullPasses = 2;

// Twirl angles (latitude, longitude, spin) that turn the view onto cube faces 1..6.
constexpr float kCubeFaceAngles[6][3] = {{-90, -90, -90}, {90, 90, -90}, {0, -90, 0},
                                         {0, 180, 0},     {0, 90, 0},    {0, 0, 0}};

int64_t KindForBytesPerComponent(int64_t bytes) {
    return bytes == 2 ? kPyrColour16 : bytes == 4 ? kPyrColourFloat : kPyrColour8;
}

// The host's colour profile, locked while an export uses it.
struct HostProfile {
    Handle handle = nullptr;
    const uint8_t* bytes = nullptr;
    int64_t size = 0;
};

HostProfile LockHostProfile() {
    HostProfile p;
    HandleProcs* procs = GetHandleProcs();
    const int32_t size = GetiCCprofileSize();
    p.handle = GetiCCprofileData();
    if (!p.handle || size <= 0 || !procs || !procs->lockProc || !procs->unlockProc) {
        p.handle = nullptr;
        return p;
    }
    p.bytes = reinterpret_cast<const uint8_t*>(procs->lockProc(p.handle, false));
    p.size = p.bytes ? size : 0;
    if (!p.bytes) p.handle = nullptr;
    return p;
}

void UnlockHostProfile(HostProfile* p) {
    if (p->handle) GetHandleProcs()->unlockProc(p->handle);
    *p = HostProfile{};
}

// The IPTC and EXIF blocks of one file, built before anything is measured.
struct Tags {
    TIPTCThing iptc;
    TEXIFThing exif;
    Tags() {
        InitIPTC(&iptc);
        InitEXIF(&exif);
    }
    ~Tags() {
        dispose_IPTC_resource_memory(&iptc, 0);
        dispose_EXIF_resource_memory(&exif, 0);
    }
    bool Build(bool jpegForm, bool withExif = true) {
        return build_IPTC_resource(&iptc, jpegForm, false) > 0 &&
               (!withExif || build_EXIF_resource(&exif, jpegForm, false) > 0);
    }
};

// Truncates a regular file at the current offset and closes the descriptor;
// the first failure, or the result so far.
int FinishFile(int fd, int result) {
    struct stat st;
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && TruncateFile(fd) != 0 && result == kPSDExportOK)
        result = kPSDExportWriteFailed;
    if (close(fd) != 0 && result == kPSDExportOK) result = kPSDExportWriteFailed;
    return result;
}

// Zeroes every pixel of every level.
void ClearPyramid(PyramidDescriptor* pyr) {
    if (!pyr->tiles) return;
    for (int64_t i = 0; i < pyr->tileCount; ++i)
        if (pyr->tiles[i].pixels) std::memset(pyr->tiles[i].pixels, 0, size_t(BytesInTile(pyr, i)));
}

// The export pyramid afresh, cleared, in the kind of the document's depth.
bool AllocateExportPyramid(PyramidDescriptor* pyr, const PSDdoc* doc, int64_t kind) {
    DisposePyramidData(pyr);
    InitPyramidProcs(pyr, GetBufferProcs());
    pyr->status = kPSDExportNoMemory;
    if (TryToAllocatePyramid_2006(pyr, doc->width, doc->height, kind, 0, 0) != 1) return false;
    ClearPyramid(pyr);
    pyr->status = 0;
    return true;
}

// The layers and the sections around them, into the sink; the render of
// each layer when render is set.
int WriteDocument(Data* data, const PyramidDescriptor* pyr, PSDdoc* doc, const PSDResourceExtras& extras,
                  const bool* cancel, bool render, PSDSink* sink) {
    WrPSD_file_header_section(pyr, doc, sink);
    WrPSD_color_mode_data_section(pyr, doc, sink);
    WrPSD_image_resources_section(pyr, doc, extras, sink);
    WrPSD_layer_and_mask_section_parts(pyr, doc, sink, cancel, 1);
    for (int64_t i = 0; i < doc->layerCount; ++i) {
        if (cancel && *cancel) return kPSDExportCancelled;
        if (render && !DontPaintPyrWithinPSDWriter(doc)) {
            const int r = GenerateOneLayer(data, const_cast<PyramidDescriptor*>(pyr), i + doc->firstLayerNumber,
                                           cancel, doc);
            if (r != noErr) return r;
        }
        if (cancel && *cancel) return kPSDExportCancelled;
        WrPSD_layer_and_mask_section_parts(pyr, doc, sink, cancel, 2);
        if (data) ++data->progressDone;
        if (PSDSinkError(sink)) return kPSDExportWriteFailed;
    }
    WrPSD_layer_and_mask_section_parts(pyr, doc, sink, cancel, 3);
    WrPSD_image_data_section(pyr, doc, sink);
    return PSDSinkFlush(sink) ? kPSDExportWriteFailed : kPSDExportOK;
}

int64_t ExtraResourceBytes(const PSDResourceExtras& e) {
    return 12 + e.iccSize + (e.iccSize & 1) + e.iptcLength + 12 + e.exifLength + (e.exifLength & 1);
}

// The shared frame of the layer generators: the export pyramid as the
// render's whole output, the layer's own settings, the render, and every
// setting, rectangle and the render target as they were.
template <class Settings>
int RenderLayer(Data* data, PyramidDescriptor* pyr, Settings settings) {
    if (!pyr || !data || !data->storage || !gParams) return kPSDExportNoData;
    RectState saved{};
    PushRectAndPreviewState(&saved, data);
    const Parameters snapshot = *gParams;
    const VRect savedTotal = GetProcessableRect();
    PyramidDescriptor* const savedTarget = data->storage->targetPyramid;

    settings();
    const int64_t w = pyr->width[0], h = pyr->height[0];
    SetProcessableRect(VRect{0, 0, int32_t(h), int32_t(w)});
    data->outputWidth = w;
    data->outputHeight = h;
    data->outputFirstRow = 0;
    data->outputLastRow = h - 1;
    data->outputLastColumn = w - 1;
    gParams->previewOffset = PreviewOffset{0, 0};
    gParams->proxyScale = 1;
    gParams->renderDestination = kRenderToOffscreen;
    gParams->progressPhaseCount = 1;
    gParams->progressPhase = 1;
    data->storage->targetPyramid = pyr;

    render_roundup(nullptr, &saved, &snapshot, nullptr, nullptr);

    data->storage->targetPyramid = savedTarget;
    SetProcessableRect(savedTotal);
    return HostResult();
}

}  // namespace

const char* PSDExportMessage(int result) {
    switch (result) {
        case kPSDExportOK: return "The file was written.";
        case kPSDExportNoData: return "Nothing to export: the filter is not running.";
        case kPSDExportNotBuilt: return "This build cannot export these layers yet.";
        case kPSDExportTooLarge:
            return "The picture is too large for a PSD file: at most 30,000 pixels a side and 4 GB of layer data.";
        case kPSDExportDepthMismatch: return "The picture's depth does not match the document's.";
        case kPSDExportEmpty: return "The picture to export has no pixels.";
        case kPSDExportEncoderFailed: return "The JPEG encoder refused the picture.";
        case kPSDExportNotRGBA: return "Only 8, 16 and 32-bit colour pictures with transparency can be written as PSD.";
        case kPSDExportWriteFailed: return "The file could not be written completely (is the disk full?).";
        case kPSDExportNoMemory: return "There is not enough memory for the export.";
        case kPSDExportCancelled: return "The export was cancelled; the file is incomplete.";
        default: return "The export failed while rendering.";
    }
}

void GrabPSDMetrics(Data* data, PSDdoc* doc) {
    initPSDdoc(doc);
    if (!gParams) return;
    const Parameters& p = *gParams;
    doc->exportKind = p.exportPurpose;
    doc->outputModeForTags = -1;
    doc->layerCount = 1;
    doc->bytesPerComponent = BytesPerComponent_for_current_color_mode();
    doc->firstLayerNumber = 1;
    const int64_t S = p.export_pixels;
    switch (p.exportPurpose) {
        case kExportCubeMap:
            doc->channelsPerLayer = 4;
            doc->layerCount = 6;
            doc->width = doc->height = p.cubemap_pixels;
            break;
        case kExportBrickModel:
            // The page fits the model's own grid: plates make it narrower.
            doc->channelsPerLayer = 4;
            doc->layerCount = p.lego_layers;
            doc->width = doc->height = LegoPageSide(p.lego_layers, BrickSettingsOf(&p).plates);
            break;
        case kExportResult:
        case kExportGeometry:
        case kExportSizedPSD:
        case kExportEquirectangularMap: {
            doc->channelsPerLayer = 4;
            doc->cubeFace = -1;
            const VRect f = data ? data->filterRect : VRect{};
            doc->width = int64_t(f.right) - f.left;
            doc->height = int64_t(f.bottom) - f.top;
            if (p.exportPurpose == kExportSizedPSD) {
                doc->width = p.psdWidth;
                doc->height = p.psdHeight;
            } else if (p.exportPurpose == kExportGeometry) {
                doc->width = doc->height = S;
            } else if (p.exportPurpose == kExportEquirectangularMap) {
                doc->width = 2 * S;
                doc->height = S;
            }
            break;
        }
        case kExportFaces: {
            // One page per piece of the net (a face or a fragment), all of the
            // size of the widest piece; no solid, no pages.
            doc->channelsPerLayer = 4;
            doc->layerCount = 0;
            polyhedron* poly = ExportPolyhedron();
            if (!poly || !data || !data->storage || !IsExportablePolyhedron(p.outputMode)) break;
            const CrammingBuild build{0, nullptr, 1, kExportPageNetSettingA, p.tabs * 0.005f};
            HooBoyPolySetup(p.outputMode, poly, build.setupParameter, 1, 0, build.hostValue, build.flag,
                            build.netSettingA, build.netSettingB, 0.0f);
            if (poly->unbuilt || poly->netTriangleCount <= 0) break;
            int64_t pieces = 0;
            exportationUnitOfPoly(poly, &pieces);
            pieces = std::min(pieces, kCrammingPieces);
            const double r = PlanCrammingForExportation(data->storage, p.outputMode, pieces, build, poly);
            if (!(r > 0.0)) break;
            doc->layerCount = pieces;
            doc->width = r > 1.0 ? int64_t(std::floor(double(S) / r)) + 1 : S;
            doc->height = r > 1.0 ? S : int64_t(std::floor(r * double(S))) + 1;
            break;
        }
        default:
            break;
    }
}

void GrabPSDMetricsForBasicResult(Data* data, PSDdoc* doc) {
    initPSDdoc(doc);
    doc->channelsPerLayer = 4;
    doc->layerCount = 1;
    const VRect f = data ? data->filterRect : VRect{};
    doc->width = int64_t(f.right) - f.left;
    doc->height = int64_t(f.bottom) - f.top;
    if (gParams && gParams->exportPurpose == kExportSizedPSD) {
        doc->width = gParams->psdWidth;
        doc->height = gParams->psdHeight;
    }
    doc->firstLayerNumber = 1;
    doc->exportKind = gParams ? gParams->exportPurpose : kExportResult;
    doc->outputModeForTags = -1;
    doc->bytesPerComponent = BytesPerComponent_for_current_color_mode();
    doc->cubeFace = -1;
}

void GrabPSDMetricsForPyr(const PyramidDescriptor* pyr, PSDdoc* doc) {
    initPSDdoc(doc);
    doc->channelsPerLayer = 4;
    doc->layerCount = 1;
    doc->width = pyr ? pyr->width[0] : 0;
    doc->height = pyr ? pyr->height[0] : 0;
    doc->firstLayerNumber = 1;
    doc->exportKind = kExportResult;
    doc->outputModeForTags = -1;
    doc->bytesPerComponent = pyr ? pyr->bytesPerComponent : 1;
    doc->pyramidHoldsPicture = 1;
    doc->separateFiles = 0;
    doc->cubeFace = -1;
}

void InitMondoProgressParams(Data* data, int64_t count) {
    if (!data) return;
    data->progressTotal = count;
    data->progressDone = 0;
}

bool DontPaintPyrWithinPSDWriter(const PSDdoc* doc) { return doc->pyramidHoldsPicture && doc->layerCount == 1; }

int PSDDocumentProblem(const PSDdoc* doc, int64_t pixelKind, int64_t extraResourceBytes) {
    if (pixelKind != kPyrColour8 && pixelKind != kPyrColour16 && pixelKind != kPyrColourFloat) return kPSDExportNotRGBA;
    if (doc->width < 1 || doc->height < 1 || doc->layerCount < 1) return kPSDExportEmpty;
    if (doc->width > kPSDMaxSide || doc->height > kPSDMaxSide) return kPSDExportTooLarge;
    if (doc->bytesPerComponent != bytes_per_component_from_kind(pixelKind)) return kPSDExportDepthMismatch;
    // A stand-in pyramid record carrying only the kind: the measures read no pixels.
    const auto stand_in = std::make_unique<PyramidDescriptor>();
    PyramidDescriptor* pyr = stand_in.get();
    pyr->kind = pixelKind;
    pyr->bytesPerComponent = bytes_per_component_from_kind(pixelKind);
    pyr->componentsPerPixel = components_per_pixel_from_kind(pixelKind);
    PSDSink m;
    PSDSinkStart(&m, -1, true);
    const int64_t layerSection = WrPSD_layer_and_mask_section_parts(pyr, doc, &m, nullptr, 1) +
                                 doc->layerCount * WrPSD_layer_and_mask_section_parts(pyr, doc, &m, nullptr, 2) +
                                 WrPSD_layer_and_mask_section_parts(pyr, doc, &m, nullptr, 3);
    const int64_t resources = WrPSD_image_resources_section(pyr, doc, PSDResourceExtras{}, &m) + extraResourceBytes;
    const int64_t channel = 2 + doc->width * doc->height * doc->bytesPerComponent;
    if (layerSection - 4 > kPSDMaxLength || resources - 4 > kPSDMaxLength || channel > kPSDMaxLength)
        return kPSDExportTooLarge;
    return kPSDExportOK;
}

int ReallyWritePSDFile_core_thingie(Data* data, int fd, const bool* cancel, PSDdoc* doc) {
    if (!data || !data->storage || !gParams || !doc) return FinishFile(fd, kPSDExportNoData);
    const int64_t kind = KindForBytesPerComponent(doc->bytesPerComponent);

    Tags tags;
    AddTaskSpecificKeywords(&tags.iptc, doc, doc->exportKind);
    AddSettingsSpecificKeywords(&tags.iptc, doc->exportKind, &doc->modeWords, gParams->outputMode,
                                gParams->lego_plates != 0, gParams->grid, gParams->anamorph != 0, gParams->glueMode);
    if (!tags.Build(false)) return FinishFile(fd, kPSDExportNoMemory);
    HostProfile profile = LockHostProfile();
    PSDResourceExtras extras;
    extras.icc = profile.bytes;
    extras.iccSize = profile.size;
    extras.iptc = tags.iptc.buffer;
    extras.iptcLength = tags.iptc.length;
    extras.exif = tags.exif.buffer;
    extras.exifLength = tags.exif.length;

    int result = PSDDocumentProblem(doc, kind, ExtraResourceBytes(extras));
    PyramidDescriptor* pyr = &data->storage->exportPyramid;
    if (result == kPSDExportOK && !AllocateExportPyramid(pyr, doc, kind)) result = kPSDExportNoMemory;
    if (result == kPSDExportOK) {
        const int32_t savedDestination = gParams->renderDestination;
        PyramidDescriptor* const savedTarget = data->storage->targetPyramid;
        gParams->renderDestination = kRenderToOffscreen;
        data->storage->targetPyramid = pyr;
        PSDSink sink;
        PSDSinkStart(&sink, fd, false);
        result = WriteDocument(data, pyr, doc, extras, cancel, true, &sink);
        if (result != kPSDExportOK) PSDSinkFlush(&sink);
        data->storage->targetPyramid = savedTarget;
        gParams->renderDestination = savedDestination;
        DisposePyramidData(pyr);
    }
    UnlockHostProfile(&profile);
    return FinishFile(fd, result);
}

int TagAndWritePyrToPSD(const PyramidDescriptor* pyr, int fd, int64_t exportKind) {
    if (!pyr || !pyr->tiles) return FinishFile(fd, kPSDExportEmpty);
    PSDdoc doc;
    GrabPSDMetricsForPyr(pyr, &doc);
    Tags tags;
    AddTaskSpecificKeywords(&tags.iptc, nullptr, exportKind);
    if (!tags.Build(false, false)) return FinishFile(fd, kPSDExportNoMemory);
    PSDResourceExtras extras;
    extras.iptc = tags.iptc.buffer;
    extras.iptcLength = tags.iptc.length;
    int result = PSDDocumentProblem(&doc, pyr->kind, ExtraResourceBytes(extras));
    if (result == kPSDExportOK) {
        PSDSink sink;
        PSDSinkStart(&sink, fd, false);
        const bool notCancelled = false;
        result = WriteDocument(nullptr, pyr, &doc, extras, &notCancelled, false, &sink);
    }
    return FinishFile(fd, result);
}

int TagAndWritePyr(const PyramidDescriptor* pyr, int fd, int64_t exportKind, bool closeFile, long quality) {
    Tags tags;
    AddTaskSpecificKeywords(&tags.iptc, nullptr, exportKind);
    int result = kPSDExportOK;
    if (!pyr || !pyr->tiles) result = kPSDExportEmpty;
    else if (!tags.Build(true)) result = kPSDExportNoMemory;
    if (result == kPSDExportOK) {
        HostProfile profile = LockHostProfile();
        const int r = WritePyrToJFIF(pyr, fd, false, quality, size_t(profile.size), profile.bytes, &tags.iptc,
                                     &tags.exif);
        UnlockHostProfile(&profile);
        result = r == kJPEGOK ? kPSDExportOK
                 : r == kJPEGWriteFailed ? kPSDExportWriteFailed
                 : r == kJPEGNoMemory ? kPSDExportNoMemory
                 : r == kJPEGBadSize ? kPSDExportTooLarge
                                     : kPSDExportEncoderFailed;
    }
    return closeFile ? FinishFile(fd, result) : result;
}

int ReallyWriteJPEGFile_Thingie(int fd, void*, long quality) {
    Data* data = gData;
    if (!data || !data->storage || !gParams) return FinishFile(fd, kPSDExportNoData);
    RectState saved{};
    PushRectAndPreviewState(&saved, data);
    const int32_t savedProxyScale = gParams->proxyScale;
    gParams->proxyScale = 1;
    gParams->renderDestination = kRenderToOffscreen;
    PSDdoc doc;
    GrabPSDMetrics(data, &doc);
    InitMondoProgressParams(data, doc.layerCount);

    int result = kPSDExportOK;
    if (doc.width < 1 || doc.height < 1) result = kPSDExportEmpty;
    PyramidDescriptor* pyr = &data->storage->exportPyramid;
    doc.bytesPerComponent = 1;
    if (result == kPSDExportOK && !AllocateExportPyramid(pyr, &doc, kPyrColour8)) result = kPSDExportNoMemory;
    if (result != kPSDExportOK) {
        PopRectAndPreviewState(&saved, data);
        gParams->proxyScale = savedProxyScale;
        return FinishFile(fd, result);
    }
    if (doc.exportKind == kExportGeometry) {
        const int32_t savedOption = gParams->textureMapOption;
        gParams->textureMapOption = 1;
        result = GenerateOneLayerOfBasicResult(data, pyr);
        gParams->textureMapOption = savedOption;
        if (result == kPSDExportOK) paint_pushpull_of_pyramid_above(pyr, kPushPullPasses);
    } else {
        result = GenerateOneLayer(data, pyr, 1, nullptr, &doc);
    }
    ++data->progressDone;
    if (result == kPSDExportOK) result = TagAndWritePyr(pyr, fd, doc.exportKind, true, quality);
    else result = FinishFile(fd, result);
    DisposePyramidData(pyr);
    PopRectAndPreviewState(&saved, data);
    gParams->proxyScale = savedProxyScale;
    return result;
}

int paint_one_output_or_memdot_gallery_image_Thingie(int64_t index, Data* data, int fd, int64_t, int16_t rect[4],
                                                      int64_t what, long quality,
                                                      const std::function<int(int64_t dot)>& loadDot) {
    if (!data || !data->storage || !gParams || !rect) return FinishFile(fd, kPSDExportNoData);
    // Everything the thumbnail changes comes back from this copy, whatever fails.
    const Parameters saved = *gParams;
    RectState rects{};
    PushRectAndPreviewState(&rects, data);
    PyramidDescriptor* const savedTarget = data->storage->targetPyramid;
    int result = kPSDExportOK;
    if (what == kGalleryOutputMode) {
        gParams->glueMode = kNormalGlue;
        gParams->outputMode = int32_t(index);
    } else if (!loadDot || loadDot(index) != 0) {
        result = kPSDExportNoData;
    }
    gParams->proxyScale = 1;
    gParams->renderDestination = kRenderToOffscreen;
    gParams->exportPurpose = kExportResult;
    PSDdoc doc;
    GrabPSDMetrics(data, &doc);
    const int64_t side = int64_t(rect[3]) - rect[1];
    if (side >= 1) {
        const int64_t m = std::max<int64_t>({doc.width, doc.height, 1});
        doc.width = std::max<int64_t>(1, doc.width * side / m);
        doc.height = std::max<int64_t>(1, doc.height * side / m);
    }
    rect[0] = rect[1] = 0;
    rect[2] = int16_t(std::min<int64_t>(doc.height, INT16_MAX));
    rect[3] = int16_t(std::min<int64_t>(doc.width, INT16_MAX));
    PyramidDescriptor* pyr = &data->storage->exportPyramid;
    if (result == kPSDExportOK && !AllocateExportPyramid(pyr, &doc, kPyrColour8)) result = kPSDExportNoMemory;
    if (result == kPSDExportOK) result = GenerateOneLayerOfBasicResult(data, pyr);
    if (result == kPSDExportOK) result = TagAndWritePyr(pyr, fd, -1, true, quality);
    else result = FinishFile(fd, result);
    DisposePyramidData(pyr);
    data->storage->targetPyramid = savedTarget;
    PopRectAndPreviewState(&rects, data);
    *gParams = saved;
    return result;
}

int GenerateOneLayer(Data* data, PyramidDescriptor* pyr, int64_t layer, const bool*, const PSDdoc* doc) {
    int result = kPSDExportOK;
    switch (doc->exportKind) {
        case kExportResult:
        case kExportSizedPSD:
        case kExportGeometry:
            result = GenerateOneLayerOfBasicResult(data, pyr);
            break;
        case kExportCubeMap:
            result = GenerateOneLayerOfCube(data, pyr, doc->cubeFace);
            break;
        case kExportBrickModel: {
            bool aborted = false;
            switch (GenerateOneLayerOfLego(data, pyr, layer, &aborted)) {
                case kBrickExportOK: break;
                case kBrickExportCancelled: return kPSDExportCancelled;
                default: return kPSDExportNoMemory;  // the model's cells could not be had
            }
            break;
        }
        case kExportEquirectangularMap:
            result = GenerateOneLayerOfEquiPolyMap(data, pyr);
            break;
        case kExportFaces:
            result = GenerateOneLayerOfExportFaces(data, pyr, layer);
            break;
        default:
            return kPSDExportOK;
    }
    return result;
}

int GenerateOneLayerOfBasicResult(Data* data, PyramidDescriptor* pyr) {
    if (!pyr || !data) return kPSDExportNoData;
    // The result is glued over the untouched picture; a layer of another
    // size starts cleared.
    CopyPyrAToB(&data->pyramids[kMainInputPyramid], pyr);
    return RenderLayer(data, pyr, [] {});
}

int GenerateOneLayerOfExportFaces(Data* data, PyramidDescriptor* pyr, int64_t layer) {
    if (!pyr || !data) return kPSDExportNoData;
    const int result = RenderLayer(data, pyr, [&] {
        gParams->glueMode = kNormalGlue;
        data->storage->exportedPage = layer - 1;
    });
    data->storage->exportedPage = -1;
    return result;
}

int GenerateOneLayerOfEquiPolyMap(Data* data, PyramidDescriptor* pyr) {
    if (!pyr || !data) return kPSDExportNoData;
    data->storage->exportedPage = -1;
    const int result = RenderLayer(data, pyr, [] {
        gParams->glueMode = kNormalGlue;
        gParams->savedOutputMode = gParams->outputMode;
        gParams->basePolyhedralMode = gParams->outputMode;
        gParams->outputMode = kModeEquiPolyMap;
    });
    data->storage->exportedPage = -1;
    return result;
}

int GenerateOneLayerOfCube(Data* data, PyramidDescriptor* pyr, int64_t face) {
    if (!pyr || !data) return kPSDExportNoData;
    const int64_t f = face < 1 ? 1 : face > 6 ? 6 : face;
    return RenderLayer(data, pyr, [&] {
        gParams->glueMode = kNormalGlue;
        gParams->outputMode = kModeRectilinear;
        gParams->latitude = kCubeFaceAngles[f - 1][0];
        gParams->longitude = kCubeFaceAngles[f - 1][1];
        gParams->spin = kCubeFaceAngles[f - 1][2];
        PaintTestPattern(pyr);
        const double w = double(pyr->width[0]);
        gParams->FOV = float(2.0 * std::atan(w / w) * kDegreesPerRadian);
    });
}
