// The dialog and the alerts the plug-in shows through the host. Not built
// yet: each has the least stand-in behind its own name, in
// host_access/stand_in_ui.cpp; when the dialog lands, its owner replaces it.
#pragma once

#include <cstdint>

// ---- dialog and alerts (host_access/stand_in_ui.cpp) ----
// Alerts and the about box are written to standard error.
void DoAbout();
// A debug text for the developer: written to standard error.
void DoDebugMessages(const char* text);
// Runs the dialog (ui/dialog_entry.cpp): 1 on OK, 0 on cancel, and 0 when
// there is no display to show it on (said on standard error).
int32_t DoUI();
void ShowRefusalMessage2();
void ShowRefusalMessage3();
// Refuses an image mode the plug-in cannot read (same style as the above).
void ShowRefusalMessageForMode();
void ShowMemoryAlertCocoa();
// Tells the dialog side that the invocation is ending (ui/dialog_entry.cpp).
void ControllerShuttingDown();

// The texts of the alerts, for tests and for the stand-ins above.
extern const char kRefusal2Title[];
extern const char kRefusal2Text[];
extern const char kRefusal3Title[];
extern const char kRefusal3Text[];
extern const char kRefusalModeTitle[];
extern const char kRefusalModeText[];
extern const char kMemoryAlertTitle[];
extern const char kMemoryAlertText[];
