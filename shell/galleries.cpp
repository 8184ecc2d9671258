#include "shell/galleries.h"

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <set>
#include <vector>

#include "files/export_entry.h"
#include "files/file_layer.h"
#include "files/file_set.h"
#include "files/html_page.h"
#include "files/iptc.h"
#include "files/psd_doc.h"
#include "files/psd_export.h"
#include "host_access/FilterBigDocument.h"
#include "host_access/host_result.h"
#include "host_access/host_utilities.h"
#include "platform/host/filter_record.h"
#include "polyhedra/polyhedron_params.h"
#include "pyramid/pixels.h"
#include "pyramid/pyramid.h"
#include "records/data.h"
#include "records/parameters.h"
#include "records/plugin_globals.h"
#include "records/work_area.h"
#include "shell/mode_catalogue.h"
#include "shell/renderable.h"
#include "shell/settings_file.h"
#include "shell/settings_files.h"

namespace {

constexpr int kThumbnailSide = 400;
constexpr int kSolidSide = 140;
constexpr int kPresetSide = 88;
constexpr int kNetPixels = 300;
constexpr char kSolidsFolderName[] = "solids";
constexpr long kThumbnailQuality = 50;
constexpr int32_t kNormalGlue = 1;

struct Cell {
    std::string caption;
    int64_t index = 0;  // the mode or the dot
    std::string file;   // the stem of its files, unique on the page
};

// Gives every cell the stem of its files: its caption cleaned, and for a
// caption an earlier cell has (two modes share some names) the code after it.
void NameCellFiles(std::vector<Cell>* cells) {
    std::set<std::string> taken;
    for (Cell& cell : *cells) {
        cell.file = CleanedImageName(cell.caption + ".x");
        if (!taken.insert(cell.file).second) {
            cell.file = CleanedImageName(cell.caption + " " + std::to_string(cell.index) + ".x");
            taken.insert(cell.file);
        }
    }
}

// What a cell shows: output mode `mode` on the settings in plain glue.
Parameters ModeCellSettings(const Parameters& settings, int64_t mode) {
    Parameters cell = settings;
    cell.glueMode = kNormalGlue;
    cell.outputMode = int32_t(mode);
    return cell;
}

// Writes the thumbnail of `settings` (null: they could not be had, for the
// reason `unread`) into the page's image folder and its cell; a thumbnail
// that cannot be made keeps its caption without a picture.
void ThumbnailCell(FileSet* set, HTMLStatus* page, const Cell& cell, const Parameters* settings, const char* unread,
                   bool renderable, int side = kThumbnailSide) {
    const std::string& image = cell.file;
    int16_t rect[4] = {0, 0, 0, int16_t(side)};
    int result = -1;
    if (renderable) {
        // A thumbnail whose render fails (a net whose glue tabs do not fit)
        // fails its own cell: the run's result stays as it was, so the other
        // cells still render and the gallery ends as a success.
        const int16_t runResult = HostResult(), runDiagnostic = diagnosticResult;
        int painted = 0;
        const auto paint = [&](int fd) {
            if (!settings) {
                close(fd);
                return painted = kPSDExportNoData;
            }
            return painted = paint_one_output_or_memdot_gallery_image_Thingie(*settings, gData, fd, rect,
                                                                                kThumbnailQuality);
        };
        // A thumbnail that could not be made says why, as its render said.
        const auto why = [&]() -> std::string {
            if (!settings) return unread;
            const std::string said = HostResult() != runResult ? ReportedErrorText() : std::string();
            if (!said.empty()) return said;
            return painted != kPSDExportWriteFailed ? PSDExportMessage(painted) : "";
        };
        // One of the gallery's set: a thumbnail that cannot be made is left
        // out, a failed write fails the gallery.
        result = WriteFileSetMember(set, page->imageFolder + "/" + image + ".jpg", "the thumbnail", paint, why, true);
        if (HostResult() != runResult) SetHostResult(runResult, runDiagnostic);
    }
    if (result == 0) StartCell((image + ".jpg").c_str(), cell.caption.c_str(), page, rect[3], rect[2], ".jpg", nullptr);
    else StartCell(nullptr, cell.caption.c_str(), page, 0, 0, nullptr, nullptr);
    ConcludeCell(page);
}

// A cell of the polyhedra page: the solid's net on the picture as its
// thumbnail, and the solid's OBJ with its companions in the subfolder
// "solids" of the image folder (their texture would otherwise take the
// thumbnail's name).
void SolidCell(FileSet* set, HTMLStatus* page, const Cell& cell, const Parameters& settings) {
    const bool renderable = OutputModeIsRenderable(cell.index);
    const Parameters solid = ModeCellSettings(settings, cell.index);
    ThumbnailCell(set, page, cell, &solid, nullptr, renderable, kSolidSide);
    if (!renderable || set->result != 0) return;
    Parameters exported = settings;
    exported.outputMode = int32_t(cell.index);
    const std::string solids = page->imageFolder + "/" + kSolidsFolderName;
    if (!FileZerp_pathisDirectory(solids) && !MakeFileSetFolder(set, solids)) return;
    // The solid's six files join the gallery's set when all are written.
    FileZerp_WriteOBJFileAndItsHandmaidensAtPath(exported, solids + "/" + cell.file + ".obj", CatalogueExportHooks(),
                                                 nullptr, set);
}

// The fill of a preset's thumbnail when its file holds no preview: grey
// from white at the top, one level a row, over the top-left 128 x 128.
void PaintGreyRamp(PyramidDescriptor* preview) {
    const int64_t w = std::min<int64_t>(128, preview->width[0]), h = std::min<int64_t>(128, preview->height[0]);
    for (int64_t r = 0; r < h; ++r) {
        const float grey = float(255 - r) / 255.0f;
        const float c[4] = {grey, grey, grey, 1.0f};
        for (int64_t x = 0; x < w; ++x) set_intcoord_unitary_color(x, r, preview, 0, c);
    }
}

std::vector<std::string> SortedEntries(const std::string& folder) {
    std::vector<std::string> names;
    if (DIR* d = opendir(folder.c_str())) {
        while (dirent* e = readdir(d))
            if (e->d_name[0] != '.') names.push_back(e->d_name);
        closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// One preset's cell: the file read for its preview, the preview as its
// thumbnail.
void PresetCell(FileSet* set, HTMLStatus* page, const std::string& folder, const std::string& name,
                const std::string& image, const Parameters& settings) {
    PyramidDescriptor* preview = &gData->previewPyramid;
    int16_t error = 0;
    const int fd = FileZerp_OpenAFilePath(folder + "/" + name, 0, 0, &error);
    uint8_t found = 0;
    if (preview->tiles) PaintGreyRamp(preview);
    Parameters file = settings;
    const bool read = fd >= 0 && ReadSettingsFileInto(gData, fd, &file, 1, &found) == 0;
    // A preset that cannot be read keeps its caption, and the user is told why.
    if (!read)
        std::fprintf(stderr, "Vornesk 2: %s: %s\n", (folder + "/" + name).c_str(),
                     fd < 0 ? "the settings file could not be opened" : LastSettingsFileError());
    int result = -1;
    if (read && preview->tiles)
        result = WriteFileSetMember(
            set, page->imageFolder + "/" + image + ".jpg", "the thumbnail",
            [&](int out) { return TagAndWritePyr(preview, out, kExportGalleryImage, true, kThumbnailQuality); },
            nullptr, true);
    if (result == 0)
        StartCell((image + ".jpg").c_str(), name.c_str(), page, kPresetSide, kPresetSide, ".jpg", nullptr);
    else StartCell(nullptr, name.c_str(), page, 0, 0, nullptr, nullptr);
    ConcludeCell(page);
}

}  // namespace

const char* GalleryPageName(GalleryKind kind) {
    switch (kind) {
        case kGalleryPresets: return "presets.html";
        case kGalleryMemoryDots: return "memory dots.html";
        case kGalleryPolyhedra: return "polyhedra.html";
        default: return "output modes.html";
    }
}

int WriteGallery(GalleryKind kind, const std::string& pagePath, const std::string& folder, int64_t firstMode,
                 int64_t lastMode, ExportFailure* failure) {
    if (!gParams || !gData) return kFileFailed;
    const std::string imageFolder = FileZerp_getParentPathOf(pagePath) + "/" + kWebImagesFolderName;
    // The page, its pictures and its solids' files are one set: they stand
    // together or, at the first write the system refuses, none does, and
    // the picture folder goes again when the gallery made it.
    FileSet set;
    StartFileSet(&set, pagePath);
    MakeFileSetFolder(&set, imageFolder);
    // Each cell works on its own copy of the settings; the preview comes
    // back as it was, whatever the cells painted into it.
    const Parameters settings = *gParams;
    PyramidDescriptor savedPreview{};
    // The presets page paints each preset's preview; without a preview image
    // yet, one is made for the page and let go afterwards.
    bool madePreview = false;
    if (kind == kGalleryPresets && !gData->previewPyramid.tiles) {
        InitPyramidProcs(&gData->previewPyramid, GetBufferProcs());
        madePreview = TryToAllocatePyramid_2006(&gData->previewPyramid, kPreviewPyramidSide, kPreviewPyramidSide,
                                                kPyrColour8, 0, 0) == 1;
    }
    const bool havePreview = gData->previewPyramid.tiles != nullptr && !madePreview;
    if (havePreview) {
        InitPyramidProcs_from_another_pyr(&savedPreview, &gData->previewPyramid);
        if (TryToAllocatePyramid_2006(&savedPreview, gData->previewPyramid.width[0], gData->previewPyramid.height[0],
                                      gData->previewPyramid.kind, 0, 0) == 1)
            CopyPyrAToB(&gData->previewPyramid, &savedPreview);
    }
    HTMLStatus page;
    page.imageFolder = imageFolder;
    if (kind == kGalleryPresets) page.extraPath = folder;
    const int64_t columns = kind == kGalleryPresets ? 5 : kind == kGalleryMemoryDots ? 4 : 3;
    OpenAndStartWebPageCore(&page, kind, columns);
    if (kind == kGalleryPolyhedra) page.captionFontSize = 2;

    std::vector<Cell> cells;
    firstMode = std::max<int64_t>(firstMode, 1);
    if (kind == kGalleryOutputModes || kind == kGalleryPolyhedra) {
        for (int64_t m : ChoosableOutputModes())
            if (m >= firstMode && m <= lastMode && (kind == kGalleryOutputModes || IsExportablePolyhedron(m)))
                cells.push_back({OutputModeCaption(m), m});
    } else if (kind == kGalleryMemoryDots) {
        for (int64_t dot = 0; dot < 25; ++dot)
            if (FileZerp_fileExistsAtPath(FileZerp_Get2019MemoryDotsFilePathForIndex(dot)))
                cells.push_back({"dot " + std::to_string(dot + 1), dot});
    }
    NameCellFiles(&cells);
    std::vector<std::string> presets;
    if (kind == kGalleryPresets)
        for (const std::string& name : SortedEntries(folder))
            if (FileZerp_file_hasExtension(name, "q2q")) presets.push_back(name);
    // Preset names that clean alike (é and è both give "_") get a number.
    std::vector<std::string> presetImages;
    std::set<std::string> taken;
    for (const std::string& name : presets) {
        std::string image = CleanedImageName(name);
        for (int n = 2; !taken.insert(image).second; ++n) image = CleanedImageName(name) + " " + std::to_string(n);
        presetImages.push_back(image);
    }
    const int64_t total = int64_t(cells.size() + presets.size());
    int64_t done = 0;
    const auto going = [&set] { return set.result == 0 && !set.cancelled; };
    for (size_t i = 0; i < cells.size() && going(); ++i) {
        const Cell& cell = cells[i];
        UpdateProgress_qev(0, int32_t(done++), int32_t(total));
        if (kind == kGalleryPolyhedra) {
            SolidCell(&set, &page, cell, settings);
        } else if (kind == kGalleryMemoryDots) {
            Parameters dot = settings;
            const bool read = FileZerp_readMemoryDotInto(cell.index, &dot) == 0;
            ThumbnailCell(&set, &page, cell, read ? &dot : nullptr, "the memory dot's settings could not be read",
                          true);
        } else {
            const Parameters mode = ModeCellSettings(settings, cell.index);
            ThumbnailCell(&set, &page, cell, &mode, nullptr, OutputModeRendersWith(settings, cell.index));
        }
    }
    for (size_t i = 0; i < presets.size() && going(); ++i) {
        UpdateProgress_qev(0, int32_t(done++), int32_t(total));
        PresetCell(&set, &page, folder, presets[i], presetImages[i], settings);
    }
    WriteFileSetMember(&set, pagePath, "the gallery", [&](int fd) {
        page.fd = fd;
        return FinishAndCloseWebPage(&page);
    });
    FinishFileSet(&set, [] { return gFilterRecord && gFilterRecord->abortProc && gFilterRecord->abortProc(); });
    int result = 0;
    if (set.result != 0 || set.cancelled) {
        result = set.cancelled ? kPSDExportCancelled : set.writeFailed ? int(kPSDExportWriteFailed) : set.result;
        if (failure) {
            failure->file = set.failedFile;
            failure->reason = set.cancelled ? "the gallery was cancelled" : set.reason;
            failure->writeFailed = set.writeFailed;
        }
    }
    if (havePreview) {
        if (savedPreview.tiles) CopyPyrAToB(&savedPreview, &gData->previewPyramid);
        DisposePyramidData(&savedPreview);
    }
    if (madePreview) DisposePyramidData(&gData->previewPyramid);
    return result;
}

int WriteAllExportablePolyhedra(const std::string& folder, int64_t firstMode, int64_t lastMode) {
    if (!gParams || !gData || !gData->storage) return kFileFailed;
    if (!FileZerp_createDirectoryAtPath(folder)) return kFileFailed;
    firstMode = std::max<int64_t>(firstMode, 1);
    lastMode = std::min(lastMode, kGalleryLastMode);
    int result = 0;
    for (int64_t m : ChoosableOutputModes()) {
        if (m < firstMode || m > lastMode) continue;
        UpdateProgress_qev(0, int32_t(m - firstMode), int32_t(lastMode - firstMode + 1));
        if (m == 193 || m == 194 || !IsExportablePolyhedron(m) || !OutputModeIsRenderable(m)) continue;
        Parameters net = *gParams;
        net.outputMode = int32_t(m);
        net.exportPurpose = kExportFaces;
        net.export_pixels = kNetPixels;
        // The pieces are counted first, so the file is written under its
        // final name at once, replacing an older one of that name.
        PSDdoc doc;
        GrabPSDMetrics(gData, net, &doc);
        if (doc.layerCount <= 0) continue;
        const std::string name = CleanedImageName(OutputModeCaption(m).substr(0, 255) + ".x") + ", " +
                                 std::to_string(doc.layerCount) + ".psd";
        bool cancel = false;
        // A solid whose net fails to render fails its own file, which the
        // answer reports; the next solids are still written.
        const int16_t runResult = HostResult(), runDiagnostic = diagnosticResult;
        const int r = FileZerp_WriteImageFileWithGlobals(gData, net, folder + "/" + name, &cancel, kImageFormatPSD,
                                                         CatalogueExportHooks());
        if (HostResult() != runResult) SetHostResult(runResult, runDiagnostic);
        if (r != 0 && result == 0) result = r;
    }
    // The export kind and size are left as the nets' pages, as the dialog's
    // faces export leaves them.
    gParams->exportPurpose = kExportFaces;
    gParams->export_pixels = kNetPixels;
    return result;
}
