// The export entry points: the door every export of the dialog, the
// galleries and the command line goes through. Each names and opens its
// files (FileZerp_OpenAFilePath) and calls the writer. Those handed settings
// export them as they are (the export kind among them) and change no
// settings; the dialog's own commands set the kind they write in the
// current settings, as the dialog's sheets do, and export those.
//
// Every entry point answers 0, or the failure: kPSDExportWriteFailed when
// the file system refused a file (a full disk, a protected file, a folder in
// its place), kPSDExportCancelled, or the writer's own code. Each writes
// whole or not at all; an export of several files writes them as one set
// (files/file_set.h), so a failure leaves every old file as it was. An
// ExportFailure, when given, says which file failed, as named, and why.
#pragma once

#include <cstdint>
#include <string>

#include "files/psd_doc.h"

struct Data;
struct FileSet;
struct Parameters;
struct PyramidDescriptor;

struct ExportFailure {
    std::string file;          // the file that failed, as named
    std::string reason;        // the system's words (or the render's)
    bool writeFailed = false;  // the file system refused it
};

// What the exports need from the layers above: the mode names and keywords
// of the catalogue, and the dialog's progress bar (none when null).
struct ExportHooks {
    ModeWordsSource modeWords;
    const char* (*genericWord)(int64_t mode) = nullptr;  // "" when the mode has none
    void (*showProgress)() = nullptr;
    void (*hideProgress)() = nullptr;
};

enum : int {
    kExportNoSolid = -37,     // the output mode has no solid this build can export
};
// An entry point's result in words, for the user; never null.
const char* ExportEntryMessage(int result);
// Why an export failed as the user is told: the words of the render that
// failed it, when it said why (a cube layout of the wrong shape), else
// ExportEntryMessage's.
std::string ExportFailureReason(int result);

// Image file formats of FileZerp_WriteImageFileWithGlobals.
enum : int32_t { kImageFormatPSD = 2, kImageFormatJPEG = 5 };

// Shows the progress bar, writes format 5 (JPEG) or 2 (layered PSD) of the
// settings, hides the bar and clears the progress counts. Other formats
// write nothing (0).
int FileZerp_WriteImageFileWithGlobals(Data* data, const Parameters& settings, const std::string& path, bool* cancel,
                                       int32_t format, const ExportHooks& hooks, ExportFailure* failure = nullptr);
// The result (or the texture map for export kind 4) as JPEG, quality 50.
int FileZerp_ReallyWriteJPEGFileAtPath(const Parameters& settings, const std::string& path, bool* cancel,
                                       ExportFailure* failure = nullptr);
// The PSD of the settings' export kind. Cube faces go one per file beside
// the chosen one, named by face (Cube_d.psd .. Cube_f.psd), as one set; the
// chosen file itself is not touched. Every other kind writes the chosen file.
int FileZerp_ReallyWritePSDFileWithGlobals(Data* data, const Parameters& settings, const std::string& path,
                                           bool* cancel, const ExportHooks& hooks, ExportFailure* failure = nullptr);
// Opens the file in its default application (xdg-open, run without a
// shell, the path one argument): 0, or 1 when that failed.
int FileZerp_launchFileInBrowser_path(const std::string& path);

// The whole polyhedron export of the settings' output mode's solid (the one-fragment
// version of a mode that has one), without glue tabs: beside the chosen OBJ
// its texture and material (names cleaned: My Globe.obj gives My_Globe.jpg
// and My_Globe.mtl) and the STL, Mathematica text and DXF (My Globe.stl,
// .txt, .dxf), as one set. With `into` the six files, once all are
// written, join that set instead, which its owner finishes (JoinFileSet:
// a solid whose files cannot be made leaves `into` as it was).
int FileZerp_WriteOBJFileAndItsHandmaidensAtPath(const Parameters& settings, const std::string& path,
                                                 const ExportHooks& hooks, ExportFailure* failure = nullptr,
                                                 FileSet* into = nullptr);
// The brick globe's LDRAW model (export kind 7) at path.
int FileZerp_writeLDRAWFileWithGlobals_atPath(Data* data, const std::string& path, ExportFailure* failure = nullptr);
// The equirectangular map of the solid (export kind 7) as PSD.
int FileZerp_writeEquiPolyMapFileAtPath(const std::string& path, const ExportHooks& hooks,
                                        ExportFailure* failure = nullptr);
