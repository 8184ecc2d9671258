// The HTML galleries: every output mode on the current picture, the memory
// dots, the presets of a folder and the nets of the solids, each a page
// beside a folder "web_images" of JPEG thumbnails.
#pragma once

#include <cstdint>
#include <string>

#include "shell/mode_catalogue.h"

struct ExportFailure;
struct TIPTCThing;

enum GalleryKind : int64_t {
    kGalleryPresets = 0,
    kGalleryOutputModes = 2,
    kGalleryMemoryDots = 3,
    kGalleryPolyhedra = 4,
};

// The highest output mode the galleries may show: every mode the dialog's
// menu offers (the modes a user may choose, shell/mode_catalogue.h).
inline constexpr int64_t kGalleryLastMode = kLastOutputMode;

// The page's file name in the gallery's folder ("output modes.html"...).
const char* GalleryPageName(GalleryKind kind);

// Writes the gallery of kind as page path, its pictures into "web_images"
// beside it (the presets page shows the settings files of folder; the
// polyhedra page one cell per exportable solid, whose net thumbnail goes
// into "web_images" and its OBJ files into "web_images/solids"). The output
// modes are those the dialog's menu offers; those outside
// firstMode..lastMode are left out. Each cell renders its own copy of the
// settings, which stay as they are; the preview is as before afterwards.
// Progress goes to the host as a render's does.
//
// The page and everything it shows are written as one set (files/file_set.h):
// a thumbnail that cannot be made leaves its cell's caption without a
// picture, but the first write the system refuses stops the gallery, and
// nothing of it stays (a "web_images" it made goes too). 0, or the failure
// (kPSDExportWriteFailed for a refused write, with the file and the reason
// in *failure).
int WriteGallery(GalleryKind kind, const std::string& pagePath, const std::string& folder, int64_t firstMode = 1,
                 int64_t lastMode = kGalleryLastMode, ExportFailure* failure = nullptr);

// The net of every exportable solid of the output modes firstMode..lastMode
// (193 and 194 excepted) as a PSD of one 300-pixel page per piece, in
// folder (made when missing), named by the mode, a comma,
// a space and the number of pieces (an older file of that name is
// replaced). The settings are left as they were but the export kind (2) and
// the export size (300). 0, or the first failure.
int WriteAllExportablePolyhedra(const std::string& folder, int64_t firstMode = 1,
                                int64_t lastMode = kGalleryLastMode);
