// The dialog: one shared controller that owns the window (the Designer file
// "panoDialog", whose widgets are found by object name; a missing one is
// null and ignored), shows Parameters in the projection controls and writes
// them back, refreshes the preview on its timings, zooms, keeps the memory
// dots and runs the modal loop. Everything runs on the main thread while
// the host waits in the start selector.
#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/appkit/controls.h"
#include "shell/galleries.h"
#include "ui/mode_menu.h"

class QDialog;
class QLabel;
class QProgressBar;
class QPushButton;
class QRadioButton;
class ProxyView_Tarnwhistle_pano;
struct ProgressivePreviewManager;

constexpr int kMemoryDots = 25;

// Whether this build can render the current settings; why not when it cannot.
bool PreviewCanRender(std::string* why);

// The dialog's traces: written to standard error only when the environment
// variable VORNESK_TRACE is set, so that a run prints nothing but errors.
void DialogTrace(const char* format, ...) __attribute__((format(printf, 1, 2)));

class Controller_Tarnwhistle_pano {
public:
    static Controller_Tarnwhistle_pano* sharedInstance();
    // Drops the shared controller and its window (tests, and the end of the process).
    static void releaseSharedInstance();
    static bool exists();
    ~Controller_Tarnwhistle_pano();

    // ---- outlets ----
    Window* dissolveWindow = nullptr;
    ProxyView_Tarnwhistle_pano* proxyPreview = nullptr;
    QPushButton *zoom_in = nullptr, *zoom_out = nullptr, *zoom_100 = nullptr;
    QLabel* zoom_percent = nullptr;
    Slider *latitude = nullptr, *longitude = nullptr, *spin = nullptr, *FOV = nullptr, *tabs = nullptr,
           *sharpen = nullptr;
    TextField *latitude_text = nullptr, *longitude_text = nullptr, *spin_text = nullptr, *FOV_text = nullptr,
              *tabs_text = nullptr, *sharpen_text = nullptr;
    QCheckBox *flip = nullptr, *transparent_gaps = nullptr, *indicatrix = nullptr, *faces = nullptr,
              *anamorph = nullptr, *dehalo = nullptr, *edges = nullptr;
    ColorWell *line_color = nullptr, *tab_color = nullptr, *background_color = nullptr;
    QComboBox *previewquality = nullptr, *grid = nullptr, *input_popup = nullptr, *glue_all = nullptr;
    ModeMenu* output_popup = nullptr;
    Stepper *previewquality_stepper = nullptr, *grid_stepper = nullptr, *input_stepper = nullptr,
            *output_stepper = nullptr, *glue_stepper_all = nullptr;
    QPushButton *ok = nullptr, *cancel = nullptr, *undo = nullptr, *dice = nullptr, *constrained = nullptr,
                *randomseed = nullptr, *factory = nullptr, *little_planet = nullptr, *export_faces = nullptr;
    QLabel* preset_name = nullptr;
    QFrame *MemdotContainer = nullptr, *MemdotThumbnailBox = nullptr;
    QPushButton* MemdotThumbnail = nullptr;
    // Sheets of the window and their controls.
    QDialog *PSDWithSizeSheet = nullptr, *helpSheet = nullptr, *aboutSheet = nullptr,
            *exportPolyhedronSheet = nullptr, *legoSheet = nullptr, *cubemapSheet = nullptr;
    QRadioButton *PSDWithSize_samesize_radio = nullptr, *PSDWithSize_sameproportions_radio = nullptr,
                 *PSDWithSize_custom_radio = nullptr;
    QRadioButton *export_faces_radio = nullptr, *export_3DGeometry_radio = nullptr,
                 *export_equirectangular_radio = nullptr;
    TextField *PSDWithSize_x_pixels = nullptr, *PSDWithSize_y_pixels = nullptr, *export_pixels = nullptr,
              *lego_layers = nullptr, *cubemap_pixels = nullptr;
    QPushButton *PSDWithSize_OK = nullptr, *export_OK = nullptr;
    QCheckBox *lego_plates = nullptr, *lego_diffuse_colors = nullptr;
    std::array<QCheckBox*, 12> lego{};
    // The progress bar under the preview; null before the controls are built and after the dialog ended.
    QProgressBar* mondoBar = nullptr;
    // While a cancel is under way: the pane says so, its notice kept aside.
    bool cancellingShown = false;
    QString noticeBeforeCancelling;

    // ---- fields ----
    bool nowActive = false;
    bool gNeverDrewProxy = true;
    int32_t gPSDWithSize_state = 1;
    int32_t gExport_faces_state = 0;
    // The panel in progress: its purpose, and whether the user confirmed the last one.
    int32_t gOpeningPurpose = 0;
    int32_t gSavingPurpose = 0;
    bool gSaveSucceeded = false;
    QString clumsy_folder_path;
    std::unique_ptr<ProgressivePreviewManager> ppm;
    std::vector<HoverButton*> MemoryDotArray;
    QString nameForSaving;
    QString currentPresetFilenameUnicode;
    std::array<uint16_t, kMemoryDots> MemDotStatus{};
    int32_t CurrentlyHoveringOverMemoryDot = -1;
    int32_t RecentlyHoveringOverMemoryDot = -1;

    // ---- lifecycle and modal loop ----
    void startingUp();
    void shuttingDown();
    void warmup();
    // Runs the modal loop: 1 OK, 0 Cancel or closed.
    int showWindow();
    // The steps of showWindow, for tests that drive the loop themselves.
    void beginShowWindow();
    // The next band of a picture being read in steps, in the loop's next
    // pass, and so on to the last.
    void ReadPictureBands();
    int endShowWindow();
    void okPressed();
    void cancelPressed();
    void mainCloseButtonClicked();
    void dismissTheMainGUI();
    void killPendingRequests();

    // ---- controls and settings ----
    void prepareControls();
    void Settings2Controls_Cocoa();
    void Controls2Settings_Cocoa();
    void adjustHilites();
    // OK and the export buttons: enabled only while this build renders the settings.
    std::vector<QPushButton*> RenderingButtons() const;
    void copySlidersToText();
    void copyTextToSliders();
    void slidersMoved(Slider* sender);
    void nudgePopupsIndexBy(int increment, QComboBox* popup);
    static int getIncrementFromStepper(Stepper* stepper);
    void textFieldKeyUp(TextField* field);

    // ---- refresh and commands ----
    void controlsChangedSoUpdatePreview();
    void gSettings_ChangedSoUpdatePreview();
    void updateProxy();
    void waitAWhileAndThenRefreshProxy(const void* sender);
    void undo_pressed();
    void dice_pressed();
    void constrained_pressed();
    void randomseed_pressed();
    void factory_pressed();
    void little_planet_pressed();
    // The label cross-fades to the new name; a null name changes nothing.
    void changeDisplayedPresetName(const QString& name);
    static void makeLabelAnimatable(QWidget* view);
    // Observer of "kNewPresetNameNotification": the name under "kPresetNameKey".
    void presetNameChanged(const QString& name);
    void SetCurrentPresetFilenameToNSString(const QString& name);
    void CloneUnicodePresetNameToCPresetName();

    // ---- zoom ----
    void zoom_in_pressed();
    void zoom_out_pressed();
    void zoom_100_pressed();
    void fixZoomersHilitesEasy();
    void prepareProxyMetrics(double width, double height, double scale);

    // ---- memory dots ----
    void InitMemoryDots();
    void buildMemdots();
    void TouchPersistentMemdots();
    void MakeMemoryDotItemLookDifferent(int slot);
    void MakeNoMemoryDotCurrent();
    void ANewMemdotBecomesCurrent(int slot);
    int GetNonpersistentMemdot() const;
    void DoTotalMemoryDotSave(int slot);
    void DoTotalMemoryDotLoad(int slot);
    void StashFirstMemdot();
    void finishedDrawingProxy();
    void ReactToClickOnMemoryDot(int slot, uint32_t modifiers);
    void ReactToMemdotThumbnailPressed(uint32_t modifiers);
    void ReactToHoverOverMemoryDot(int slot, bool full, bool animated);
    void ReactToHoverOverEmptyMemoryDot(bool animated);
    void ShowThumbnailForMemdot(int slot, bool animated);
    // The dot file's preview as the thumbnail; a file without one changes nothing.
    void LoadMemoryDotGraphicsIntoMemdotThumbnail(int slot, bool animated);
    // The slot's tooltip: its number, what it holds (its output and input
    // modes, for how long, whether in use) and what a click does.
    QString MemdotTooltip(int slot) const;
    // The image name of a dot's look.
    static const char* MemdotImageName(uint16_t state, bool persistent);

    // ---- file commands and panels (ui/dialog_files.cpp) ----
    void save_preset_pressed();
    void load_preset_pressed();
    void PSD_pressed();
    void action_pressed();
    // The projections gallery (what "projections gallery" writes) as a page
    // the user names in a save panel; opened once written.
    void voronoi_pressed();
    // The galleries of every exportable solid and of every output mode on
    // the picture, written as `vornesk INPUT --gallery polyhedra|modes DIR`
    // writes them, into the Desktop folders "exportable polyhedra" and
    // "Vornesk modes", and opened in the default application.
    void polyhedra_gallery_pressed();
    // The net of every exportable solid on the picture as a PSD of its own
    // in the Desktop folder "exportable polyhedra" (WriteAllExportablePolyhedra).
    void all_exportable_polyhedra_pressed();
    void output_gallery_pressed();
    // The output modes the galleries and the nets show (all of them, but for tests).
    std::pair<int64_t, int64_t> galleryModes{1, kLastOutputMode};
    // Writes the gallery of kind as page, its pictures beside it, from the
    // picture read whole as the command line reads it, and opens it; says
    // why and answers false when it could not.
    bool WriteGalleryPage(GalleryKind kind, const std::string& page);
    QString WriteFromThePicture(const std::function<QString()>& write);
    void PromptOpen(QWidget* window);
    bool PromptSaveAtopWindow(QWidget* window);
    void PromptSaveWithPurpose(int32_t purpose, QWidget* window);
    void reactToPSDButton(QWidget* window);
    void didEndOpenSheet(int returnCode, const QString& path);
    void didEndSaveSheet(int returnCode, const QString& path);
    // Purpose 0 reads the settings; true for the purposes that need no reading.
    // A file that cannot be read or is refused changes nothing and is reported.
    bool doOpenThingsWithFilePath(const QString& path, int32_t purpose);
    // Writes beside path and renames over it on success; false, with an
    // alert saying why, when nothing was written.
    bool doSaveThingsWithFilePath(const QString& path, const QString& folder, int32_t purpose);
    static int64_t cleansedIntValue(const QString& text);

    // ---- sheets (ui/dialog_sheets.cpp) ----
    void withWindowBeginSheet(QWidget* window, QDialog* sheet, std::function<void(int)> completion);
    static void QevEndSheetWithSender(QWidget* sender, int code);
    void showPSDWithSizeSheet();
    void PSDWithSize_fix_radios();
    bool allowsCustomSizePSDExportation() const;
    void PSDWithSize_samesize_radio_pressed();
    void PSDWithSize_sameproportions_radio_pressed();
    void PSDWithSize_custom_radio_pressed();
    void proportional_adjustment(bool widthLeads);
    void PSDWithSize_fieldKeyUp(TextField* field);
    void PSDWithSize_OK_pressed();
    void PSDWithSize_cancel_pressed();
    void showExportFacesSheet();
    void export_faces_fix_radios();
    void export_faces_OK_pressed();
    void export_faces_cancel_pressed();
    void showLegoSheet();
    void lego_OK_pressed();
    void lego_cancel_pressed();
    void showcubemapSheet();
    void cubemap_OK_pressed();
    void cubemap_cancel_pressed();
    void help_pressed();
    void aboutPressed();
    void aboutOKPressed();
    void aboutURLPressed();

    // ---- progress bar (ui/mondo_progress.cpp) ----
    void addMondoProgress();
    void CreateMondoProgressWindowX();
    void MondoProgressUpdate_fractionX(double fraction);
    void MondoProgressShowCancellingX();
    static QString CancellingWords();
    void DestroyMondoProgressX();
    void ShowCancellingOnPane(bool on);

    static QString myLocalizedStringFor(const QString& key);

private:
    Controller_Tarnwhistle_pano();
    void init_further();
    void findOutlets();
    void connectActions();
    void findSheetOutlets();
    void connectSheetActions();
    void connectFileActions();
};

// The dialog's entry for plain callers; logs its name first.
int initializeCocoaDissolve();
