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
#include <memory>
#include <string>
#include <vector>

#include "platform/appkit/controls.h"

class QLabel;
class QPushButton;
class ProxyView_Tarnwhistle_pano;
struct ProgressivePreviewManager;

constexpr int kMemoryDots = 25;
constexpr int kHighestProjection = 547;

// Whether this build can render the current settings; why not when it cannot.
bool PreviewCanRender(std::string* why);

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
    Slider *latitude = nullptr, *longitude = nullptr, *spin = nullptr, *FOV = nullptr, *tabs = nullptr,
           *sharpen = nullptr;
    TextField *latitude_text = nullptr, *longitude_text = nullptr, *spin_text = nullptr, *FOV_text = nullptr,
              *tabs_text = nullptr, *sharpen_text = nullptr;
    QCheckBox *flip = nullptr, *transparent_gaps = nullptr, *indicatrix = nullptr, *faces = nullptr,
              *anamorph = nullptr, *dehalo = nullptr, *edges = nullptr;
    ColorWell *line_color = nullptr, *tab_color = nullptr, *background_color = nullptr;
    QComboBox *previewquality = nullptr, *grid = nullptr, *input_popup = nullptr, *output_popup = nullptr,
              *glue_all = nullptr;
    Stepper *previewquality_stepper = nullptr, *grid_stepper = nullptr, *input_stepper = nullptr,
            *output_stepper = nullptr, *glue_stepper_all = nullptr;
    QPushButton *ok = nullptr, *cancel = nullptr, *undo = nullptr, *dice = nullptr, *constrained = nullptr,
                *randomseed = nullptr, *factory = nullptr, *little_planet = nullptr, *export_faces = nullptr,
                *iphoto = nullptr;
    QLabel* preset_name = nullptr;
    QFrame *MemdotContainer = nullptr, *MemdotThumbnailBox = nullptr;
    QPushButton* MemdotThumbnail = nullptr;

    // ---- fields ----
    bool nowActive = false;
    bool gNeverDrewProxy = true;
    int32_t gPSDWithSize_state = 1;
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
    void changeDisplayedPresetName(const QString& name);
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
    // The lowest empty dot, or -1.
    int GetEmptyMemdot() const;
    void DoTotalMemoryDotSave(int slot);
    void DoTotalMemoryDotLoad(int slot);
    void StashFirstMemdot();
    void finishedDrawingProxy();
    void ReactToClickOnMemoryDot(int slot, uint32_t modifiers);
    void ReactToMemdotThumbnailPressed(uint32_t modifiers);
    void ReactToHoverOverMemoryDot(int slot, bool full);
    void ReactToHoverOverEmptyMemoryDot();
    // The image name of a dot's look.
    static const char* MemdotImageName(uint16_t state, bool persistent);

    static QString myLocalizedStringFor(const QString& key);

private:
    Controller_Tarnwhistle_pano();
    void init_further();
    void findOutlets();
    void connectActions();
};

// A fixed number per memory dot (slot clamped to 0..24).
uint16_t MemDotEntity(int64_t slot);

// Entries of the dialog for plain callers; each logs its name first.
int initializeCocoaDissolve();
int orderWindowFrontDissolve();
int releaseCocoaDissolve();
