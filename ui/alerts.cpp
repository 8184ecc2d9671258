// The about box and the alerts with which the plug-in refuses to run. Each
// is a modal alert whose texts pass through the string table with the
// English text as key. They may come before any dialog exists: the window
// system is started if needed, and without a display the texts go to
// standard error.
#include <QApplication>
#include <QUrl>
#include <cstdio>
#include <string>

#include "common/strings.h"
#include "files/iptc.h"
#include "ui/alerts.h"
#include "platform/appkit/alerts.h"
#include "platform/appkit/run_loop.h"
#include "ui/dialog.h"
#include "ui/proxy_view.h"

const char kRefusal2Title[] = "Can\u2019t run";
const char kRefusal2Text[] = "The paint program does not support enough of the Photoshop plug-in standard.";
const char kRefusal3Title[] = "Can\u2019t handle multichannel images";
const char kRefusal3Text[] = "This plug-in only understands grayscale and RGB images.";
const char kRefusalModeTitle[] = "Can\u2019t handle this kind of image";
const char kRefusalModeText[] = "This plug-in only understands grayscale and RGB images.";
const char kMemoryAlertTitle[] = "Can\u2019t get memory";
const char kMemoryAlertText[] = "Can\u2019t get memory to run this plug-in.";

namespace {

constexpr int kAlertLogNumber = 16000;

QString L(const char* english) { return Controller_Tarnwhistle_pano::myLocalizedStringFor(QString::fromUtf8(english)); }

// Runs the alert, or writes it to standard error where no window can show:
// the response then is the first button's. Only the selectors' alerts start
// the window system; others show only while it runs (a dialog is up).
int RunAlert(const AlertSetup& setup, bool startWindowSystem = true) {
    std::string why;
    const bool running = qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr;
    if (!(running || (startWindowSystem && NSApplicationLoad(&why)))) {
        std::fprintf(stderr, "%s\n%s\n[%s]\n", setup.messageText.toUtf8().constData(),
                     setup.informativeText.toUtf8().constData(), setup.buttons.value(0).toUtf8().constData());
        std::fflush(stderr);
        return NSAlertFirstButtonReturn;
    }
    return NSAlert_runModal(setup);
}

void Refusal(const char* title, const char* text) {
    DialogTrace("ShowMemoryAlertCocoa is: %d", kAlertLogNumber);
    AlertSetup a;
    a.messageText = L(title);
    a.informativeText = L(text);
    a.buttons = {L("Cancel")};
    if (RunAlert(a) == NSAlertFirstButtonReturn) DialogTrace("ShowMemoryAlertCocoa cancel clicked.");
}

}  // namespace

void DoAbout() {
    DialogTrace("DoAbout is: %d", kAlertLogNumber);
    AlertSetup a;
    a.messageText = L("AboutTitle");
    a.informativeText = L("AboutText");
    a.buttons = {L("OK"), QString::fromUtf8(kVorneskMakerAddress)};
    const int response = RunAlert(a);
    if (response == NSAlertFirstButtonReturn) DialogTrace("DoAbout ok clicked.");
    if (response == NSAlertSecondButtonReturn) SendUserToQWHomePage();
}

void ShowRenderWarning(const char* text) {
    if (ProxyView_Tarnwhistle_pano::TakeRenderWarning(text)) return;
    std::fprintf(stderr, "Vornesk 2: %s\n", text ? text : "");
    std::fflush(stderr);
}

void ShowMemoryAlertCocoa() { Refusal(kMemoryAlertTitle, kMemoryAlertText); }
void ShowRefusalMessage2() { Refusal(kRefusal2Title, kRefusal2Text); }
void ShowRefusalMessage3() { Refusal(kRefusal3Title, kRefusal3Text); }
void ShowRefusalMessageForMode() { Refusal(kRefusalModeTitle, kRefusalModeText); }

int32_t LaunchURLCString(const char* url) {
    if (!url) return 0;
    std::string why;
    if (!NSApplicationLoad(&why)) return 0;
    // The string is Mac Roman, as the callers keep their texts.
    QString s;
    for (const char* p = url; *p; ++p) s += QChar(MacRomanToUnicode(uint8_t(*p)));
    return NSWorkspace_openURL(s) ? 1 : 0;
}

void SendUserToQWHomePage() { LaunchURLCString(kVorneskMakerAddress); }
