// Alerts (NSAlert on QMessageBox) and the workspace's URL opening. An alert
// is application-modal and answers 1000 + the index of the button chosen.
// URLs go to the desktop's default handler, never through a shell. Tests
// answer alerts through a responder that sees the alert built.
// Main thread only.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class QMessageBox;

constexpr int NSAlertFirstButtonReturn = 1000;
constexpr int NSAlertSecondButtonReturn = 1001;

struct AlertSetup {
    int style = 0;                // 0 warning, 1 informational, 2 critical
    QString messageText;
    QString informativeText;
    QStringList buttons;          // first is the default
};

// A message box of the alert, not shown.
QMessageBox* MakeAlertBox(const AlertSetup& setup);
// runModal: 1000 + the button chosen (1000 when closed without a button).
int NSAlert_runModal(const AlertSetup& setup);
// Replaces running the box (tests): the responder gets the built box and answers the response.
using AlertResponder = std::function<int(const AlertSetup& setup, QMessageBox* box)>;
void SetAlertResponder(AlertResponder responder);

// NSWorkspace openURL: true when the desktop took the URL; false for a URL
// that does not parse.
bool NSWorkspace_openURL(const QString& url);
// Replaces the desktop's handler (tests); an empty one restores it.
void SetURLOpener(std::function<bool(const QString& url)> opener);
