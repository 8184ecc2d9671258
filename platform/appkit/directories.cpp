#include "platform/appkit/directories.h"

#include <QDir>
#include <QFileInfo>

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
