// NSFileManager(DirectoryLocations) on Qt: the user's standard folders (the
// XDG folders through QStandardPaths), created on request.
#pragma once

#include <QStandardPaths>
#include <QString>

// An error as NSError holds it: domain, code and description.
struct DirectoryLocationError {
    QString domain;
    int code = 0;
    QString description;
};

// The first folder of the kind, with component appended when not empty.
// Without a folder, or when creation is not asked and nothing is there:
// empty, and the error "DirectoryLocationDomain" 0 "No path found for
// directory in domain.". A folder that cannot be created: empty and why.
QString findOrCreateDirectory(QStandardPaths::StandardLocation directory, const QString& appendComponent,
                              bool createIfMissing, DirectoryLocationError* error);
