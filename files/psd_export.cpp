#include "files/psd_export.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstring>
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
    bool Build(bool jpegForm) {
        return build_IPTC_resource(&iptc, jpegForm, false) > 0 && build_EXIF_resource(&exif, jpegForm, false) > 0;
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

// The layers, each rendered in turn, and the sections around them, into the sink.
int WriteDocument(Data* data, const Parameters& settings, const PyramidDescriptor* pyr, PSDdoc* doc,
                  const PSDResourceExtras& extras, const bool* cancel, PSDSink* sink) {
    WrPSD_file_header_section(pyr, doc, sink);
    WrPSD_color_mode_data_section(pyr, doc, sink);
    WrPSD_image_resources_section(pyr, doc, extras, sink);
    WrPSD_layer_and_mask_section_parts(pyr, doc, sink, cancel, 1);
    for (int64_t i = 0; i < doc->layerCount; ++i) {
        if (cancel && *cancel) return kPSDExportCancelled;
        const int r = GenerateOneLayer(data, settings, const_cast<PyramidDescriptor*>(pyr),
                                       i + doc->firstLayerNumber, cancel, doc);
        if (r != noErr) return r;
        if (cancel && *cancel) return kPSDExportCancelled;
        WrPSD_layer_and_mask_section_parts(pyr, doc, sink, cancel, 2);
        ++data->progressDone;
        if (PSDSinkError(sink)) return kPSDExportWriteFailed;
    }
    WrPSD_layer_and_mask_section_parts(pyr, doc, sink, cancel, 3);
    WrPSD_image_data_section(pyr, doc, sink);
    return PSDSinkFlush(sink) ? kPSDExportWriteFailed : kPSDExportOK;
}

int64_t ExtraResourceBytes(const PSDResourceExtras& e) {
    return 12 + e.iccSize + (e.iccSize & 1) + e.iptcLength + 12 + e.exifLength + (e.exifLength & 1);
}

// The shared frame of the layer generators: the layer's settings rendered
// into the export pyramid as the render's whole output, and the rectangles
// and the render target as they were.
int RenderLayer(Data* data, PyramidDescriptor* pyr, const Parameters& layer) {
    if (!pyr || !data || !data->storage) return kPSDExportNoData;
    RectState saved{};
    PushRectAndPreviewState(&saved, data);
    const VRect savedTotal = GetProcessableRect();
    PyramidDescriptor* const savedTarget = data->storage->targetPyramid;

    const int64_t w = pyr->width[0], h = pyr->height[0];
    SetProcessableRect(VRect{0, 0, int32_t(h), int32_t(w)});
    data->outputWidth = w;
    data->outputHeight = h;
    data->outputFirstRow = 0;
    data->outputLastRow = h - 1;
    data->outputLastColumn = w - 1;
    Parameters own = layer;
    own.previewOffset = PreviewOffset{0, 0};
    own.proxyScale = 1;
    own.renderDestination = kRenderToOffscreen;
    own.progressPhaseCount = 1;
    own.progressPhase = 1;
    data->storage->targetPyramid = pyr;

    render_roundup(own, nullptr, &saved, nullptr, nullptr);

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
        case kPSDExportCancelled: return "The export was cancelled; no file was written.";
        default: return "The export failed while rendering.";
    }
}

void GrabPSDMetrics(Data* data, const Parameters& p, PSDdoc* doc) {
    initPSDdoc(doc);
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

void InitMondoProgressParams(Data* data, int64_t count) {
    if (!data) return;
    data->progressTotal = count;
    data->progressDone = 0;
}

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

int ReallyWritePSDFile_core_thingie(Data* data, const Parameters& settings, int fd, const bool* cancel, PSDdoc* doc) {
    if (!data || !data->storage || !doc) return FinishFile(fd, kPSDExportNoData);
    const int64_t kind = KindForBytesPerComponent(doc->bytesPerComponent);

    Tags tags;
    AddTaskSpecificKeywords(&tags.iptc, doc, doc->exportKind);
    AddSettingsSpecificKeywords(&tags.iptc, doc->exportKind, &doc->modeWords, settings.outputMode,
                                settings.lego_plates != 0, settings.grid, settings.anamorph != 0, settings.glueMode);
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
        PyramidDescriptor* const savedTarget = data->storage->targetPyramid;
        data->storage->targetPyramid = pyr;
        PSDSink sink;
        PSDSinkStart(&sink, fd, false);
        result = WriteDocument(data, settings, pyr, doc, extras, cancel, &sink);
        if (result != kPSDExportOK) PSDSinkFlush(&sink);
        data->storage->targetPyramid = savedTarget;
        DisposePyramidData(pyr);
    }
    UnlockHostProfile(&profile);
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

int ReallyWriteJPEGFile_Thingie(const Parameters& settings, int fd, long quality) {
    Data* data = gData;
    if (!data || !data->storage) return FinishFile(fd, kPSDExportNoData);
    PSDdoc doc;
    GrabPSDMetrics(data, settings, &doc);
    InitMondoProgressParams(data, doc.layerCount);

    int result = kPSDExportOK;
    if (doc.width < 1 || doc.height < 1) result = kPSDExportEmpty;
    PyramidDescriptor* pyr = &data->storage->exportPyramid;
    doc.bytesPerComponent = 1;
    if (result == kPSDExportOK && !AllocateExportPyramid(pyr, &doc, kPyrColour8)) result = kPSDExportNoMemory;
    if (result != kPSDExportOK) return FinishFile(fd, result);
    if (doc.exportKind == kExportGeometry) {
        Parameters texture = settings;
        texture.textureMapOption = 1;
        result = GenerateOneLayerOfBasicResult(data, texture, pyr);
        if (result == kPSDExportOK) paint_pushpull_of_pyramid_above(pyr, kPushPullPasses);
    } else {
        result = GenerateOneLayer(data, settings, pyr, 1, nullptr, &doc);
    }
    ++data->progressDone;
    if (result == kPSDExportOK) result = TagAndWritePyr(pyr, fd, doc.exportKind, true, quality);
    else result = FinishFile(fd, result);
    DisposePyramidData(pyr);
    return result;
}

int paint_one_output_or_memdot_gallery_image_Thingie(const Parameters& settings, Data* data, int fd, int16_t rect[4],
                                                      long quality) {
    if (!data || !data->storage || !rect) return FinishFile(fd, kPSDExportNoData);
    Parameters thumbnail = settings;
    thumbnail.exportPurpose = kExportResult;
    PSDdoc doc;
    GrabPSDMetrics(data, thumbnail, &doc);
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
    int result = kPSDExportOK;
    if (!AllocateExportPyramid(pyr, &doc, kPyrColour8)) result = kPSDExportNoMemory;
    if (result == kPSDExportOK) result = GenerateOneLayerOfBasicResult(data, thumbnail, pyr);
    if (result == kPSDExportOK) result = TagAndWritePyr(pyr, fd, -1, true, quality);
    else result = FinishFile(fd, result);
    DisposePyramidData(pyr);
    return result;
}

int GenerateOneLayer(Data* data, const Parameters& settings, PyramidDescriptor* pyr, int64_t layer, const bool*,
                     const PSDdoc* doc) {
    int result = kPSDExportOK;
    switch (doc->exportKind) {
        case kExportResult:
        case kExportSizedPSD:
        case kExportGeometry:
            result = GenerateOneLayerOfBasicResult(data, settings, pyr);
            break;
        case kExportCubeMap:
            result = GenerateOneLayerOfCube(data, settings, pyr, doc->cubeFace);
            break;
        case kExportBrickModel: {
            bool aborted = false;
            switch (GenerateOneLayerOfLego(data, settings, pyr, layer, &aborted)) {
                case kBrickExportOK: break;
                case kBrickExportCancelled: return kPSDExportCancelled;
                default: return kPSDExportNoMemory;  // the model's cells could not be had
            }
            break;
        }
        case kExportEquirectangularMap:
            result = GenerateOneLayerOfEquiPolyMap(data, settings, pyr);
            break;
        case kExportFaces:
            result = GenerateOneLayerOfExportFaces(data, settings, pyr, layer);
            break;
        default:
            return kPSDExportOK;
    }
    return result;
}

int GenerateOneLayerOfBasicResult(Data* data, const Parameters& settings, PyramidDescriptor* pyr) {
    if (!pyr || !data) return kPSDExportNoData;
    // The result is glued over the untouched picture; a layer of another
    // size starts cleared.
    CopyPyrAToB(&data->pyramids[kMainInputPyramid], pyr);
    return RenderLayer(data, pyr, settings);
}

int GenerateOneLayerOfExportFaces(Data* data, const Parameters& settings, PyramidDescriptor* pyr, int64_t layer) {
    if (!pyr || !data) return kPSDExportNoData;
    Parameters page = settings;
    page.glueMode = kNormalGlue;
    data->storage->exportedPage = layer - 1;
    const int result = RenderLayer(data, pyr, page);
    data->storage->exportedPage = -1;
    return result;
}

int GenerateOneLayerOfEquiPolyMap(Data* data, const Parameters& settings, PyramidDescriptor* pyr) {
    if (!pyr || !data) return kPSDExportNoData;
    data->storage->exportedPage = -1;
    Parameters map = settings;
    map.glueMode = kNormalGlue;
    map.savedOutputMode = settings.outputMode;
    map.basePolyhedralMode = settings.outputMode;
    map.outputMode = kModeEquiPolyMap;
    const int result = RenderLayer(data, pyr, map);
    data->storage->exportedPage = -1;
    return result;
}

int GenerateOneLayerOfCube(Data* data, const Parameters& settings, PyramidDescriptor* pyr, int64_t face) {
    if (!pyr || !data) return kPSDExportNoData;
    const int64_t f = face < 1 ? 1 : face > 6 ? 6 : face;
    Parameters view = settings;
    view.glueMode = kNormalGlue;
    view.outputMode = kModeRectilinear;
    view.latitude = kCubeFaceAngles[f - 1][0];
    view.longitude = kCubeFaceAngles[f - 1][1];
    view.spin = kCubeFaceAngles[f - 1][2];
    PaintTestPattern(pyr);
    const double w = double(pyr->width[0]);
    view.FOV = float(2.0 * std::atan(w / w) * kDegreesPerRadian);
    return RenderLayer(data, pyr, view);
}
