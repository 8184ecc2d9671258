#include "platform/appkit/window_capture.h"

#include <QApplication>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>
#include <QPixmap>
#include <QWidget>

namespace {

bool Fail(std::string* why, const QString& text) {
    if (why) *why = text.toStdString();
    return false;
}

}  // namespace

bool screencaptureFromApp(const std::string& applicationName, const std::string& windowTitle,
                          const std::string& resultFile, std::string* why) {
    const QString application = QString::fromStdString(applicationName);
    const QString windowName = QString::fromStdString(windowTitle);
    const QString resultPath = QString::fromStdString(resultFile);
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return Fail(why, "there are no windows to capture without the window system");
    if (!application.isEmpty() && application != QCoreApplication::applicationName())
        return Fail(why, "capturing a window of another application (" + application +
                             ") is not supported on this system");
    QWidget* window = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->windowTitle() == windowName) {
            window = w;
            break;
        }
    if (!window) return Fail(why, "no window of ours is called \"" + windowName + "\"");
    const QImage image = window->grab().toImage();
    if (image.isNull()) return Fail(why, "the window \"" + windowName + "\" could not be drawn");
    const QByteArray suffix = QFileInfo(resultPath).suffix().toLower().toLatin1();
    const QByteArray format = QImageWriter::supportedImageFormats().contains(suffix) ? suffix : QByteArray("png");
    if (!image.save(resultPath, format.constData())) return Fail(why, "cannot write " + resultPath);
    return true;
}
