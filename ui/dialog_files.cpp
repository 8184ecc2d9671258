// The dialog's file commands: the open and save panels by purpose, what is
// read or written when the user confirms, and the galleries written to fixed
// places. A save writes a file beside the chosen one and renames it over the
// chosen one only when the writer succeeded; a failed or refused load
// changes nothing. The web pages open in the default application once
// written.
#include <fcntl.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "common/byte_io.h"
#include "common/strings.h"
#include "files/brick_files.h"
#include "files/export_entry.h"
#include "files/file_layer.h"
#include "files/file_set.h"
#include "files/psd_doc.h"
#include "files/file_names.h"
#include "files/psd_export.h"
#include "files/psd_layers.h"
#include "ui/alerts.h"
#include "platform/appkit/alerts.h"
#include "platform/appkit/sheets.h"
#include "platform/workspace.h"
#include "records/data.h"
#include "records/parameters.h"
#include "records/plugin_globals.h"
#include "host_access/host_result.h"
#include "host_access/host_utilities.h"
#include "pyramid/render_storage.h"
#include "render/render_drivers.h"
#include "shell/galleries.h"
#include "shell/mode_catalogue.h"
#include "shell/settings_file.h"
#include "shell/settings_files.h"
#include "ui/dialog.h"
#include "ui/preview_manager.h"
#include "ui/proxy_view.h"
#include "ui/pyramid_images.h"

namespace {

void Log(const char* text) { DialogTrace("%s", text); }

void Warn(const QString& message, const QString& informative) {
    AlertSetup a;
    a.messageText = message;
    a.informativeText = informative;
    a.buttons = {Controller_Tarnwhistle_pano::myLocalizedStringFor("OK")};
    NSAlert_runModal(a);
}

// The catalogue's names and the dialog's progress bar, for the export entry points.
ExportHooks DialogExportHooks() {
    ExportHooks hooks = CatalogueExportHooks();
    hooks.showProgress = CreateMondoProgressWindow;
    hooks.hideProgress = DestroyMondoProgress;
    return hooks;
}

// Why a gallery was not written: the file the system refused and why
// (nothing of the gallery was left), else the page's folder.
QString GalleryFailure(const ExportFailure& failure, const std::string& page) {
    return failure.writeFailed ? QString("%1 could not be written: %2. Nothing of the gallery was kept.")
                                     .arg(QString::fromStdString(failure.file), QString::fromStdString(failure.reason))
                               : QString("The page cannot be written in %1.")
                                     .arg(QString::fromStdString(FileZerp_getParentPathOf(page)));
}

// Writes a gallery with the preview stopped and the progress bar shown; an
// alert says what failed.
bool WriteGalleryFromDialog(ProgressivePreviewManager* ppm, GalleryKind kind, const std::string& page, const std::string& folder) {
    int result = 0;
    ExportFailure failure;
    auto write = [&] {
        CreateMondoProgressWindow();
        result = WriteGallery(kind, page, folder, 1, kGalleryLastMode, &failure);
        DestroyMondoProgress();
    };
    if (ppm) ppm->abortAnyPreviewAndThenDoBlockSynchronously(write);
    else write();
    if (result != 0)
        Warn(QString("%1 was not written").arg(QFileInfo(QString::fromStdString(page)).fileName()),
             GalleryFailure(failure, page));
    return result == 0;
}

// Why an export failed: the render's own words when it said why; the host's
// result is cleared, as a preview's is, for the renders to come.
QString ExportReason(int result) {
    const QString why = QString::fromStdString(ExportFailureReason(result));
    if (gResult) *gResult = noErr;
    return why;
}

// Purposes whose files hold a render of the settings.
bool PurposeRenders(int32_t purpose) { return purpose == 2 || purpose == 10 || purpose == 12; }

// Runs writer on a new file beside path; on success the file replaces path
// (a set of one, files/file_set.h). The writer returns 0 or a failure code;
// it may close the descriptor or leave it to the layer. False, with *why,
// when nothing was replaced.
template <typename Writer>
bool WriteBeside(const QString& path, Writer writer, QString* why) {
    FileSet set;
    StartFileSet(&set, path.toStdString());
    WriteFileSetMember(&set, path.toStdString(), "the file", [&](int fd) { return int(writer(fd)); });
    if (FinishFileSet(&set) == 0) return true;
    // The file system's reason, or the writer's own.
    if (set.systemError == EACCES && QFileInfo::exists(path))
        *why = QString("%1 is write-protected; it was left as it is.").arg(QFileInfo(path).fileName());
    else
        *why = set.writeFailed ? QString("The file cannot be created in %1: %2.")
                                     .arg(QFileInfo(path).absolutePath(), QString::fromStdString(set.reason))
                               : ExportReason(set.result);
    return false;
}

// The PSD export of the current export kind at path: one file, or for a
// cube map one file a face beside it (and none at path itself). False, with
// *why, at the first file not written.
bool WritePSDExport(const QString& path, QString* why) {
    if (!gParams) {
        *why = QString::fromUtf8(PSDExportMessage(kPSDExportNoData));
        return false;
    }
    // Through the export entry point: the cube map's six files as one set.
    bool cancel = false;
    ExportFailure failure;
    const int result = FileZerp_WriteImageFileWithGlobals(gData, *gParams, path.toStdString(), &cancel,
                                                          kImageFormatPSD, DialogExportHooks(), &failure);
    if (result == 0) return true;
    *why = failure.writeFailed ? QString("%1 could not be written: %2; no file of the export was replaced.")
                                     .arg(QFileInfo(QString::fromStdString(failure.file)).fileName(),
                                          QString::fromStdString(failure.reason))
                               : ExportReason(result);
    return false;
}

}  // namespace

int64_t Controller_Tarnwhistle_pano::cleansedIntValue(const QString& text) {
    // integerValue: leading blanks, a sign, the digits up to the first other
    // character; no digits is 0. Thousands commas are dropped first.
    const QString s = QString(text).remove(',').trimmed();
    int i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
    int64_t value = 0;
    for (; i < s.size() && s[i].isDigit() && s[i].unicode() < 128; ++i) {
        value = value * 10 + (s[i].unicode() - '0');
        if (value > (int64_t(1) << 40)) break;  // far beyond any field's range
    }
    return negative ? -value : value;
}

void Controller_Tarnwhistle_pano::connectFileActions() {
    Window* w = dissolveWindow;
    using Method = void (Controller_Tarnwhistle_pano::*)();
    const std::pair<const char*, Method> buttons[] = {
        {"save", &Controller_Tarnwhistle_pano::save_preset_pressed},
        {"load", &Controller_Tarnwhistle_pano::load_preset_pressed},
        {"psdexport", &Controller_Tarnwhistle_pano::PSD_pressed},
        {"extra_actions", &Controller_Tarnwhistle_pano::action_pressed},
        {"output_gallery", &Controller_Tarnwhistle_pano::output_gallery_pressed},
        {"polyhedra_gallery", &Controller_Tarnwhistle_pano::polyhedra_gallery_pressed},
        {"all_exportable_polyhedra", &Controller_Tarnwhistle_pano::all_exportable_polyhedra_pressed},
        {"voronoi", &Controller_Tarnwhistle_pano::voronoi_pressed},
    };
    for (auto [name, method] : buttons)
        if (auto* button = w->findChild<QAbstractButton*>(name))
            SetAction(button, [this, method = method](QWidget*) { (this->*method)(); });
}

// ---- buttons ----

void Controller_Tarnwhistle_pano::save_preset_pressed() {
    Log("Pressed save button");
    PromptSaveWithPurpose(0, dissolveWindow);
}

void Controller_Tarnwhistle_pano::load_preset_pressed() {
    gOpeningPurpose = 0;
    PromptOpen(dissolveWindow);
}

void Controller_Tarnwhistle_pano::PSD_pressed() {
    // The plain PSD button exports the result, whatever the last sheet chose.
    if (gParams) gParams->exportPurpose = kExportResult;
    reactToPSDButton(dissolveWindow);
}

void Controller_Tarnwhistle_pano::action_pressed() {
    Log("Pressed action button");
    gOpeningPurpose = 4;
    PromptOpen(dissolveWindow);
}

void Controller_Tarnwhistle_pano::voronoi_pressed() {
    Log("Pressed save button");
    PromptSaveWithPurpose(13, dissolveWindow);
}

// Runs write with the preview stopped and the progress bar shown, over the
// picture read whole and ready as the command line reads it; what write or
// the reading said went wrong, empty when nothing did.
QString Controller_Tarnwhistle_pano::WriteFromThePicture(const std::function<QString()>& write) {
    QString why;
    ppm->abortAnyPreviewAndThenDoBlockSynchronously([&] {
        CreateMondoProgressWindow();
        MaybeAllocatePyramids(gData);
        if (HostResult() != noErr || !PrerollManipulation(gData, *gParams)) {
            why = QString::fromStdString(ReportedErrorText());
            if (why.isEmpty()) why = QString("The picture cannot be read (error %1).").arg(HostResult());
            if (gResult) *gResult = noErr;
        } else {
            why = write();
        }
        DestroyMondoProgress();
    });
    return why;
}

bool Controller_Tarnwhistle_pano::WriteGalleryPage(GalleryKind kind, const std::string& page) {
    const std::string folder = FileZerp_getParentPathOf(page);
    const QString why = FileZerp_createDirectoryAtPath(folder)
                            ? WriteFromThePicture([&] {
                                  ExportFailure failure;
                                  return WriteGallery(kind, page, folder, galleryModes.first, galleryModes.second,
                                                      &failure) != 0
                                             ? GalleryFailure(failure, page)
                                             : QString();
                              })
                            : QString("The folder %1 cannot be made.").arg(QString::fromStdString(folder));
    if (!why.isEmpty()) {
        Warn(QString("%1 was not written").arg(QFileInfo(QString::fromStdString(page)).fileName()), why);
        return false;
    }
    FileZerp_launchFileInBrowser_path(page);
    return true;
}

void Controller_Tarnwhistle_pano::polyhedra_gallery_pressed() {
    Log("Pressed polyhedra gallery button");
    WriteGalleryPage(kGalleryPolyhedra, DesktopFolder() + "/exportable polyhedra/" + GalleryPageName(kGalleryPolyhedra));
}

void Controller_Tarnwhistle_pano::all_exportable_polyhedra_pressed() {
    Log("Pressed polyhedron nets button");
    const QString why = WriteFromThePicture([&] {
        const int r = WriteAllExportablePolyhedra(DesktopFolder() + "/exportable polyhedra", galleryModes.first, galleryModes.second);
        return r == 0 ? QString() : ExportReason(r);
    });
    if (!why.isEmpty()) Warn("The polyhedron nets were not all written", why);
}

void Controller_Tarnwhistle_pano::output_gallery_pressed() {
    Log("Pressed projections gallery button");
    WriteGalleryPage(kGalleryOutputModes, DesktopFolder() + "/Vornesk modes/" + GalleryPageName(kGalleryOutputModes));
}

void Controller_Tarnwhistle_pano::reactToPSDButton(QWidget* window) { PromptSaveWithPurpose(2, window); }

// ---- panels ----

void Controller_Tarnwhistle_pano::PromptOpen(QWidget* window) {
    PanelSetup s;
    switch (gOpeningPurpose) {
        case 0:
            s.title = myLocalizedStringFor("LoadSettings");
            s.allowedFileTypes = {"q2q"};
            break;
        case 4:
        case 22:
            s.title = myLocalizedStringFor(gOpeningPurpose == 4 ? "ChoosePresetFolder" : "ChooseEnvironmentFolder");
            s.canChooseFiles = false;
            s.canChooseDirectories = true;
            break;
        default: break;
    }
    Panel_beginSheetModalForWindow(window, s, [this](int response, const QString& path) {
        if (response != NSModalResponseOK) return;
        Log("open panel OK");
        didEndOpenSheet(1, path);
    });
}

bool Controller_Tarnwhistle_pano::PromptSaveAtopWindow(QWidget* window) {
    PanelSetup s;
    s.save = true;
    s.nameFieldStringValue = myLocalizedStringFor("file");
    switch (gSavingPurpose) {
        case 0:
            s.prompt = myLocalizedStringFor("SaveSettings");
            s.allowedFileTypes = {"q2q"};
            s.nameFieldStringValue = myLocalizedStringFor("DefaultSettingsName");
            break;
        case 2: {
            s.prompt = myLocalizedStringFor("SavePSD");
            s.allowedFileTypes = {"psd"};
            s.allowsOtherFileTypes = false;
            const int32_t kind = gParams ? gParams->exportPurpose : kExportResult;
            s.nameFieldStringValue = kind == kExportBrickModel           ? QString("Brick sphere plan.psd")
                                     : kind == kExportCubeMap            ? QString("Cube map.psd")
                                     : kind == kExportFaces              ? QString("Polyhedron faces.psd")
                                     : kind == kExportEquirectangularMap ? QString("Equirectangular face map.psd")
                                                                         : myLocalizedStringFor("DefaultPSDName");
            break;
        }
        case 4:
            s.prompt = myLocalizedStringFor("SaveHTML");
            s.allowedFileTypes = {"html"};
            s.nameFieldStringValue = myLocalizedStringFor("SettingsGalleryName");
            break;
        case 10:
            s.prompt = myLocalizedStringFor("SaveOBJ");
            s.allowedFileTypes = {"obj"};
            s.allowsOtherFileTypes = false;
            s.nameFieldStringValue = "Polyhedron.obj";
            break;
        case 12:
            s.prompt = myLocalizedStringFor("SavePSD");
            s.allowedFileTypes = {"psd"};
            s.allowsOtherFileTypes = false;
            s.nameFieldStringValue = "Equirectangular map.psd";
            break;
        default: break;
    }
    // An export of settings this build cannot render is refused before
    // anything is asked or rendered, with the reason.
    std::string why;
    if (PurposeRenders(gSavingPurpose) && !PreviewCanRender(&why)) {
        Warn(s.prompt.isEmpty() ? s.nameFieldStringValue : s.prompt, QString::fromStdString(why));
        gSaveSucceeded = false;
        return true;
    }
    Panel_beginSheetModalForWindow(window, s, [this](int response, const QString& path) {
        if (response == NSModalResponseOK) didEndSaveSheet(1, path);
        else gSaveSucceeded = false;
    });
    return true;
}

void Controller_Tarnwhistle_pano::PromptSaveWithPurpose(int32_t purpose, QWidget* window) {
    gSavingPurpose = purpose;
    PromptSaveAtopWindow(window);
}

// ---- results ----

void Controller_Tarnwhistle_pano::didEndOpenSheet(int returnCode, const QString& path) {
    if (returnCode != 1) {
        gSaveSucceeded = false;
        return;
    }
    gSaveSucceeded = true;
    if (!doOpenThingsWithFilePath(path, gOpeningPurpose)) {
        gSaveSucceeded = false;
        return;
    }
    if (gOpeningPurpose == 0) {
        changeDisplayedPresetName(QFileInfo(path).fileName());
        gSettings_ChangedSoUpdatePreview();
    } else if (gOpeningPurpose == 4) {
        gSavingPurpose = 4;
        clumsy_folder_path = path;
        PromptSaveAtopWindow(dissolveWindow);
    }
}

bool Controller_Tarnwhistle_pano::doOpenThingsWithFilePath(const QString& path, int32_t purpose) {
    if (purpose != 0) return purpose == 4 || purpose == 18 || purpose == 19 || purpose == 20 || purpose == 21;
    if (!gParams) return false;
    const std::string p = path.toStdString();
    const int fd = open(p.c_str(), O_RDONLY);
    if (fd < 0) {
        Warn(myLocalizedStringFor("LoadSettings"),
             QString("%1 cannot be read: %2.").arg(QFileInfo(path).fileName(), std::strerror(errno)));
        return false;
    }
    close(fd);
    // A file the reader refuses leaves the settings as they were.
    if (FileZerp_ReadSettingsFile_path(p) != 0) {
        Warn(myLocalizedStringFor("LoadSettings"), QString("%1 is not a settings file this plug-in reads: %2.")
                                                       .arg(QFileInfo(path).fileName(), LastSettingsFileError()));
        return false;
    }
    return true;
}

void Controller_Tarnwhistle_pano::didEndSaveSheet(int returnCode, const QString& path) {
    if (returnCode != 1) {
        gSaveSucceeded = false;
        return;
    }
    if (gSavingPurpose == 0 && proxyPreview) BuildPreviewFromNSImage(proxyPreview->previewWithPointSize(240));
    gSaveSucceeded = doSaveThingsWithFilePath(path, clumsy_folder_path, gSavingPurpose);
    if (!gSaveSucceeded) return;
    if (gSavingPurpose == 0) {
        nameForSaving = QFileInfo(path).fileName();
        changeDisplayedPresetName(nameForSaving);
    }
    if (gSavingPurpose == 2 && gParams && gParams->exportPurpose == kExportBrickModel) {
        const QString stem = QFileInfo(path).path() + "/" + QFileInfo(path).completeBaseName();
        doSaveThingsWithFilePath(stem + ".html", clumsy_folder_path, 3);
        doSaveThingsWithFilePath(stem + ".ldr", clumsy_folder_path, 7);
    }
}

bool Controller_Tarnwhistle_pano::doSaveThingsWithFilePath(const QString& path, const QString& folder, int32_t purpose) {
    QString why;
    bool ok = false;
    switch (purpose) {
        case 0:
            ok = WriteBeside(path, [](int fd) { return int(ParametersOut(gData, fd, 1, nullptr, 1)); }, &why);
            if (ok) SetCurrentPresetFilenameToNSString(QFileInfo(path).fileName());
            break;
        case 2:
            ppm->abortAnyPreviewAndThenDoBlockSynchronously([&] {
                ok = WritePSDExport(path, &why);
                fixZoomersHilitesEasy();
            });
            break;
        case 3:
            ok = WriteBeside(path, [](int fd) { return WriteLegoStatsFile_Thingie(gData, fd); }, &why);
            break;
        case 4:
            // The presets of the chosen folder; the page opens in the default application.
            if (!WriteGalleryFromDialog(ppm.get(), kGalleryPresets, path.toStdString(), folder.toStdString()))
                return false;
            FileZerp_launchFileInBrowser_path(path.toStdString());
            return true;
        case 13:
            // Every output mode on the picture, as the projections gallery writes it, at the chosen path.
            return WriteGalleryPage(kGalleryOutputModes, path.toStdString());
        case 7:
            ok = WriteBeside(path, [](int fd) { return WriteLDRAWFileWithGlobals(gData, fd); }, &why);
            break;
        case 10:
        case 12:
            // The polyhedron's files (the OBJ and its companions, or the map)
            // through the export entry points, with the preview stopped.
            ppm->abortAnyPreviewAndThenDoBlockSynchronously([&] {
                ExportFailure failed;
                const std::string file = path.toStdString();
                const int r = purpose == 10 ? FileZerp_WriteOBJFileAndItsHandmaidensAtPath(*gParams, file, DialogExportHooks(), &failed)
                                            : FileZerp_writeEquiPolyMapFileAtPath(file, DialogExportHooks(), &failed);
                ok = r == 0;
                // The file that failed and the system's reason, when a file failed.
                if (!ok)
                    why = failed.writeFailed ? QString("%1 could not be written: %2.")
                                                   .arg(QFileInfo(QString::fromStdString(failed.file)).fileName(),
                                                        QString::fromStdString(failed.reason))
                                             : ExportReason(r);
                fixZoomersHilitesEasy();
            });
            break;
        default: return false;  // purposes that write nothing create nothing
    }
    if (!ok) Warn(QString("%1 was not saved").arg(QFileInfo(path).fileName()), why);
    return ok;
}

