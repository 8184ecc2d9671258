#include "shell/galleries.h"

#include <dirent.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "files/export_entry.h"
#include "files/file_layer.h"
#include "files/html_page.h"
#include "files/psd_export.h"
#include "host_access/FilterBigDocument.h"
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
constexpr int kPresetSide = 88;
constexpr long kThumbnailQuality = 50;

struct Cell {
    std::string caption;
    int64_t index = 0;  // the mode or the dot
};

// Writes one thumbnail into the page's image folder and its cell; a
// thumbnail that cannot be made keeps its caption without a picture.
void ThumbnailCell(HTMLStatus* page, const Cell& cell, int64_t what, bool renderable) {
    const std::string image = CleanedImageName(cell.caption + ".x");
    int16_t rect[4] = {0, 0, 0, kThumbnailSide};
    int result = -1;
    if (renderable) {
        result = FileZerp_WriteFileAtPath(page->imageFolder + "/" + image + ".jpg", "the thumbnail", [&](int fd) {
            return paint_one_output_or_memdot_gallery_image_Thingie(cell.index, gData, fd, 0, rect, what, kThumbnailQuality,
                                                                    [](int64_t dot) { return int(FileZerp_loadFromMemoryDot(dot, gData)); });
        });
    }
    if (result == 0) StartCell((image + ".jpg").c_str(), cell.caption.c_str(), page, rect[3], rect[2], ".jpg", nullptr);
    else StartCell(nullptr, cell.caption.c_str(), page, 0, 0, nullptr, nullptr);
    ConcludeCell(page);
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
    if (fd >= 0) ReadSettingsFileSwitchably_Thingie(gData, fd, nullptr, 1, &found);
    const std::string image = CleanedImageName(name);
    int result = -1;
    if (found && preview->tiles)
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
        {"modes", kGalleryOutputModes}, {"dots", kGalleryMemoryDots}, {"presets", kGalleryPresets}};
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

int WriteGallery(GalleryKind kind, const std::string& pagePath, const std::string& folder) {
    if (!gParams || !gData) return kFileFailed;
    const std::string imageFolder = FileZerp_getParentPathOf(pagePath) + "/" + kWebImagesFolderName;
    FileZerp_createDirectoryAtPath(imageFolder);
    // Settings and preview come back as they were, whatever the cells did.
    const Parameters savedParams = *gParams;
    PyramidDescriptor savedPreview{};
    const bool havePreview = gData->previewPyramid.tiles != nullptr;
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

    std::vector<Cell> cells;
    if (kind == kGalleryOutputModes) {
        for (int64_t m = 1; m <= kGalleryModeCount; ++m) cells.push_back({VorneskOutputModeName(m), m});
    } else if (kind == kGalleryMemoryDots) {
        for (int64_t dot = 0; dot < 25; ++dot)
            if (FileZerp_fileExistsAtPath(FileZerp_Get2019MemoryDotsFilePathForIndex(dot)))
                cells.push_back({"dot " + std::to_string(dot + 1), dot});
    }
    std::vector<std::string> presets;
    if (kind == kGalleryPresets)
        for (const std::string& name : SortedEntries(folder))
            if (FileZerp_file_hasExtension(name, "q2q")) presets.push_back(name);
    const int64_t total = int64_t(cells.size() + presets.size());
    int64_t done = 0;
    for (const Cell& cell : cells) {
        UpdateProgress_qev(0, int32_t(done++), int32_t(total));
        const bool renderable = kind == kGalleryMemoryDots || OutputModeIsRenderable(cell.index);
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
    return result;
}
