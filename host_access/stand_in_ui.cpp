// Stand-in for the alerts until they land: every alert and the about box go
// to standard error with their texts. The dialog itself is ui/dialog.h.
#include <cstdio>

#include "host_access/alerts.h"

const char kRefusal2Title[] = "Can\u2019t run";
const char kRefusal2Text[] = "The paint program does not support enough of the Photoshop plug-in standard.";
const char kRefusal3Title[] = "Can\u2019t handle multichannel images";
const char kRefusal3Text[] = "This plug-in only understands grayscale and RGB images.";
const char kRefusalModeTitle[] = "Can\u2019t handle this kind of image";
const char kRefusalModeText[] = "This plug-in only understands grayscale and RGB images.";
const char kMemoryAlertTitle[] = "Can\u2019t get memory";
const char kMemoryAlertText[] = "Can\u2019t get memory to run this plug-in.";

namespace {

void Alert(const char* title, const char* text) {
    std::fprintf(stderr, "%s\n%s\n[Cancel]\n", title, text);
    std::fflush(stderr);
}

}  // namespace

void DoAbout() {
    std::fprintf(stderr, "Vornesk 2\nRemaps a picture from one projection of the sphere to another.\n");
    std::fflush(stderr);
}

void DoDebugMessages(const char* text) {
    std::fprintf(stderr, "debugInfo: %s\n", text ? text : "");
    std::fflush(stderr);
}

void ShowRefusalMessage2() { Alert(kRefusal2Title, kRefusal2Text); }
void ShowRefusalMessage3() { Alert(kRefusal3Title, kRefusal3Text); }
void ShowRefusalMessageForMode() { Alert(kRefusalModeTitle, kRefusalModeText); }
void ShowMemoryAlertCocoa() { Alert(kMemoryAlertTitle, kMemoryAlertText); }
