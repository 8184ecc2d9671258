// The dialog, the about box and the alerts the plug-in shows through the
// host (ui/alerts.cpp, ui/dialog_entry.cpp). Alerts and the about box start
// the window system when it is not running yet; where there is no display
// they write their texts to standard error instead.
#pragma once

#include <cstdint>

// ---- dialog entry ----
// Runs the dialog: 1 on OK, 0 on cancel, and 0 when there is no display to
// show it on (said on standard error).
int32_t DoUI();
// Tells the dialog side that the invocation is ending.
void ControllerShuttingDown();

// ---- about box and alerts ----
void DoAbout();
// A render's warning (one line, UTF-8): along the foot of the preview pane
// while a preview pass runs there (and in the dialog's trace), otherwise on
// standard error after "Vornesk 2: ".
void ShowRenderWarning(const char* text);
void ShowMemoryAlertCocoa();
void ShowRefusalMessage2();
void ShowRefusalMessage3();
// Refuses an image mode the plug-in cannot read (same style as the above).
void ShowRefusalMessageForMode();
// Opens url with the desktop's default handler: 1 when it was taken, 0 on
// failure and for a null or unusable string.
int32_t LaunchURLCString(const char* url);
// Opens the maker's web site (the address the exported files name).
void SendUserToQWHomePage();

// ---- the dialog's progress bar (ui/mondo_progress.cpp); nothing without a dialog ----
void CreateMondoProgressWindow();
void MondoProgressShowCancelling();
// Hides the bar and clears the export progress counts of Data.
void DestroyMondoProgress();
// The progress of renders to an offscreen pyramid (the reporter's progress).
void MondoProgressUpdate_fractionX(double fraction);

// The texts of the alerts.
extern const char kRefusal2Title[];
extern const char kRefusal2Text[];
extern const char kRefusal3Title[];
extern const char kRefusal3Text[];
extern const char kRefusalModeTitle[];
extern const char kRefusalModeText[];
extern const char kMemoryAlertTitle[];
extern const char kMemoryAlertText[];
