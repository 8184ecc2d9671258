#include "platform/appkit/directories.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QWidget>
#include <cstdio>

QString findOrCreateDirectory(QStandardPaths::StandardLocation directory, const QString& appendComponent,
                              bool createIfMissing, DirectoryLocationError* error) {
    QString path = QStandardPaths::writableLocation(directory);
    if (!path.isEmpty() && !appendComponent.isEmpty()) path += "/" + appendComponent;
    const bool exists = !path.isEmpty() && QFileInfo(path).isDir();
    if (path.isEmpty() || (!createIfMissing && !exists)) {
        if (error) *error = {"DirectoryLocationDomain", 0, "No path found for directory in domain."};
        return QString();
    }
    if (!exists && !QDir().mkpath(path)) {
        if (error) *error = {"NSCocoaErrorDomain", 513, QString("The folder %1 could not be created.").arg(path)};
        return QString();
    }
    return path;
}

QString applicationSupportDirectory() {
    DirectoryLocationError error;
    const QString path =
        findOrCreateDirectory(QStandardPaths::GenericDataLocation, QCoreApplication::applicationName(), true, &error);
    if (path.isEmpty())
        std::fprintf(stderr, "Unable to find or create application support directory:\n%s\n",
                     error.description.toUtf8().constData());
    return path;
}

QString desktopDirectory() { return QStandardPaths::writableLocation(QStandardPaths::DesktopLocation); }

QString documentsDirectory() { return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation); }

QString preferencesDirectory() {
    DirectoryLocationError error;
    return findOrCreateDirectory(QStandardPaths::GenericConfigLocation, QString(), true, &error);
}

QImage imageWithSubviews(QWidget* view) { return view ? view->grab().toImage() : QImage(); }
