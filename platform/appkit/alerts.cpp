#include "platform/appkit/alerts.h"

#include <QAbstractButton>
#include <QDesktopServices>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>
#include <memory>

namespace {

AlertResponder& Responder() {
    static AlertResponder responder;
    return responder;
}

std::function<bool(const QString&)>& Opener() {
    static std::function<bool(const QString&)> opener;
    return opener;
}

}  // namespace

QMessageBox* MakeAlertBox(const AlertSetup& setup) {
    auto* box = new QMessageBox();
    box->setIcon(setup.style == 1 ? QMessageBox::Information
                 : setup.style == 2 ? QMessageBox::Critical
                                     : QMessageBox::Warning);
    box->setWindowTitle(setup.messageText);
    box->setText(setup.messageText);
    box->setInformativeText(setup.informativeText);
    const QStringList buttons = setup.buttons.isEmpty() ? QStringList{"OK"} : setup.buttons;
    for (int i = 0; i < buttons.size(); ++i) {
        // The first button is the default, as AppKit places it.
        QPushButton* b = box->addButton(buttons[i], i == 0 ? QMessageBox::AcceptRole : QMessageBox::ActionRole);
        b->setProperty("alertIndex", i);
        if (i == 0) box->setDefaultButton(b);
    }
    return box;
}

int NSAlert_runModal(const AlertSetup& setup) {
    std::unique_ptr<QMessageBox> box(MakeAlertBox(setup));
    if (Responder()) return Responder()(setup, box.get());
    box->exec();
    QAbstractButton* chosen = box->clickedButton();
    const QVariant index = chosen ? chosen->property("alertIndex") : QVariant();
    return NSAlertFirstButtonReturn + (index.isValid() ? index.toInt() : 0);
}

void SetAlertResponder(AlertResponder responder) { Responder() = std::move(responder); }

bool NSWorkspace_openURL(const QString& url) {
    const QUrl u(url, QUrl::StrictMode);
    if (!u.isValid() || u.isEmpty() || u.scheme().isEmpty()) return false;
    return Opener() ? Opener()(u.toString()) : QDesktopServices::openUrl(u);
}

void SetURLOpener(std::function<bool(const QString& url)> opener) { Opener() = std::move(opener); }
