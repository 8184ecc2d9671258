#include "shell/galleries.h"

#include <dirent.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <set>
#include <vector>

#include "files/export_entry.h"
#include "files/file_layer.h"
#include "files/html_page.h"
#include "files/iptc.h"
#include "files/psd_doc.h"
#include "files/psd_export.h"
#include "host_access/FilterBigDocument.h"
#include "host_access/host_result.h"
#include "host_access/host_utilities.h"
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

// Writes one thumbnail into the page's image folder and its cell; a
// thumbnail that cannot be made keeps its caption without a picture.
void ThumbnailCell(HTMLStatus* page, const Cell& cell, int64_t what, bool renderable, int side = kThumbnailSide) {
    const std::string& image = cell.file;
    int16_t rect[4] = {0, 0, 0, int16_t(side)};
    int result = -1;
    if (renderable) {
        // A thumbnail whose render fails (a net whose glue tabs do not fit)
        // fails its own cell: the run's result stays as it was, so the other
        // cells still render and the gallery ends as a success.
        const int16_t runResult = HostResult(), runDiagnostic = diagnosticResult;
        int painted = 0;
        bool dotUnread = false;
        const auto paint = [&](int fd) {
            painted = paint_one_output_or_memdot_gallery_image_Thingie(
                cell.index, gData, fd, 0, rect, what, kThumbnailQuality, [&](int64_t dot) {
                    const int read = FileZerp_loadFromMemoryDot(dot, gData);
                    dotUnread = read != 0;
                    return read;
                });
            return painted;
        };
        // A thumbnail that could not be made says why, as its render said.
        const auto why = [&]() -> std::string {
            if (dotUnread) return "the memory dot's settings could not be read";
            const std::string said = HostResult() != runResult ? ReportedErrorText() : std::string();
            if (!said.empty()) return said;
            return painted != kPSDExportWriteFailed ? PSDExportMessage(painted) : "";
        };
        result = FileZerp_WriteFileAtPath(page->imageFolder + "/" + image + ".jpg", "the thumbnail", paint, why);
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
void SolidCell(HTMLStatus* page, const Cell& cell) {
    const bool renderable = OutputModeIsRenderable(cell.index);
    ThumbnailCell(page, cell, kGalleryOutputMode, renderable, kSolidSide);
    if (!renderable) return;
    const int32_t savedMode = gParams->outputMode;
    gParams->outputMode = int32_t(cell.index);
    const std::string solids = page->imageFolder + "/" + kSolidsFolderName;
    FileZerp_createDirectoryAtPath(solids);
    FileZerp_WriteOBJFileAndItsHandmaidensAtPath(solids + "/" + cell.file + ".obj",
                                                 CatalogueExportHooks());
    gParams->outputMode = savedMode;
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

// One preset's cell: the file's settings and preview read, the preview as
// its thumbnail.
void PresetCell(HTMLStatus* page, const std::string& folder, const std::string& name) {
    PyramidDescriptor* preview = &gData->previewPyramid;
    int16_t error = 0;
    const int fd = FileZerp_OpenAFilePath(folder + "/" + name, 0, 0, &error);
    uint8_t found = 0;
    if (preview->tiles) PaintGreyRamp(preview);
    const bool read = fd >= 0 && ReadSettingsFileSwitchably_Thingie(gData, fd, nullptr, 1, &found) == 0;
    // A preset that cannot be read keeps its caption, and the user is told why.
    if (!read)
        std::fprintf(stderr, "Vornesk 2: %s: %s\n", (folder + "/" + name).c_str(),
                     fd < 0 ? "the settings file could not be opened" : LastSettingsFileError());
    const std::string image = CleanedImageName(name);
    int result = -1;
    if (read && preview->tiles)
        result = FileZerp_WriteFileAtPath(page->imageFolder + "/" + image + ".jpg", "the thumbnail", [&](int out) {
            return TagAndWritePyr(preview, out, kExportGalleryImage, true, kThumbnailQuality);
        });
    if (result == 0) StartCell(name.c_str(), name.c_str(), page, kPresetSide, kPresetSide, ".jpg", nullptr);
    else StartCell(nullptr, name.c_str(), page, 0, 0, nullptr, nullptr);
    ConcludeCell(page);
}

}  // namespace

bool GalleryKindFromWord(const std::string& word, GalleryKind* kind) {
    const std::pair<const char*, GalleryKind> words[] = {
        {"modes", kGalleryOutputModes},
        {"dots", kGalleryMemoryDots},
        {"presets", kGalleryPresets},
        {"polyhedra", kGalleryPolyhedra}};
    for (const auto& [w, k] : words)
        if (word == w) {
            *kind = k;
            return true;
        }
    return false;
}

const char* GalleryPageName(GalleryKind kind) {
    switch (kind) {
        case kGalleryPresets: return "presets.html";
        case kGalleryMemoryDots: return "memory dots.html";
        case kGalleryPolyhedra: return "polyhedra.html";
        default: return "output modes.html";
    }
}

int WriteGallery(GalleryKind kind, const std::string& pagePath, const std::string& folder, int64_t firstMode,
                 int64_t lastMode) {
    if (!gParams || !gData) return kFileFailed;
    const std::string imageFolder = FileZerp_getParentPathOf(pagePath) + "/" + kWebImagesFolderName;
    FileZerp_createDirectoryAtPath(imageFolder);
    // Settings and preview come back as they were, whatever the cells did.
    const Parameters savedParams = *gParams;
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
    const int64_t total = int64_t(cells.size() + presets.size());
    int64_t done = 0;
    for (const Cell& cell : cells) {
        UpdateProgress_qev(0, int32_t(done++), int32_t(total));
        if (kind == kGalleryPolyhedra) {
            SolidCell(&page, cell);
            continue;
        }
        const bool renderable = kind == kGalleryMemoryDots || OutputModeRendersWith(*gParams, cell.index);
        ThumbnailCell(&page, cell, kind == kGalleryMemoryDots ? kGalleryMemoryDot : kGalleryOutputMode, renderable);
    }
    for (const std::string& name : presets) {
        UpdateProgress_qev(0, int32_t(done++), int32_t(total));
        PresetCell(&page, folder, name);
        *gParams = savedParams;
    }
    const int result =
        FileZerp_WriteFileAtPath(pagePath, "the gallery", [&](int fd) {
            page.fd = fd;
            return FinishAndCloseWebPage(&page);
        });
    *gParams = savedParams;
    if (havePreview) {
        if (savedPreview.tiles) CopyPyrAToB(&savedPreview, &gData->previewPyramid);
        DisposePyramidData(&savedPreview);
    }
    if (madePreview) DisposePyramidData(&gData->previewPyramid);
    return result;
}

int WriteAllExportablePolyhedra(const std::string& folder, int64_t firstMode, int64_t lastMode) {
    if (!gParams || !gData || !gData->storage) return kFileFailed;
    const std::string nets = folder + "/exportable polyhedra";
    if (!FileZerp_createDirectoryAtPath(nets)) return kFileFailed;
    const Parameters saved = *gParams;
    firstMode = std::max<int64_t>(firstMode, 1);
    lastMode = std::min(lastMode, kGalleryLastMode);
    int result = 0;
    for (int64_t m : ChoosableOutputModes()) {
        if (m < firstMode || m > lastMode) continue;
        UpdateProgress_qev(0, int32_t(m - firstMode), int32_t(lastMode - firstMode + 1));
        if (m == 193 || m == 194 || !IsExportablePolyhedron(m) || !OutputModeIsRenderable(m)) continue;
        gParams->outputMode = int32_t(m);
        gParams->exportPurpose = kExportFaces;
        gParams->export_pixels = kNetPixels;
        // The pieces are counted first, so the file is written under its
        // final name at once, replacing an older one of that name.
        PSDdoc doc;
        GrabPSDMetrics(gData, &doc);
        if (doc.layerCount <= 0) continue;
        const std::string name = CleanedImageName(OutputModeCaption(m).substr(0, 255) + ".x") + ", " +
                                 std::to_string(doc.layerCount) + ".psd";
        bool cancel = false;
        // A solid whose net fails to render fails its own file, which the
        // answer reports; the next solids are still written.
        const int16_t runResult = HostResult(), runDiagnostic = diagnosticResult;
        const int r = FileZerp_WriteImageFileWithGlobals(gData, nets + "/" + name, &cancel, kImageFormatPSD,
                                                         CatalogueExportHooks());
        if (HostResult() != runResult) SetHostResult(runResult, runDiagnostic);
        if (r != 0 && result == 0) result = r;
    }
    // The output mode comes back; the export kind and size stay as the
    // nets left them.
    *gParams = saved;
    gParams->exportPurpose = kExportFaces;
    gParams->export_pixels = kNetPixels;
    return result;
}

std::string relative_pagepathForMode(int64_t mode, int64_t option) {
    char name[64];
    std::snprintf(name, sizeof name, "big-gallery-%03lld%s.html", (long long)mode, option == 1 ? "worldmap" : "");
    return name;
}

std::string listOfKeywordsInIPTC(const TIPTCThing* iptc, int64_t mode) {
    std::string list;
    if (!iptc) return list;
    const char* separator = mode == 1 ? " \xE2\x88\x99 " : mode == 0 ? "," : "";
    const int64_t count = std::clamp<int64_t>(iptc->keywordCount, 0, kIPTCKeywordSlots);
    for (int64_t k = 0; k < count; ++k) {
        char keyword[kIPTCKeywordBytes + 1] = {};
        std::memcpy(keyword, iptc->keywords[k], kIPTCKeywordBytes);
        if (k > 0) list += separator;
        list += EscapeForHTML(keyword);
    }
    return list;
}
