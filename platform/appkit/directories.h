// NSFileManager(DirectoryLocations) and NSView(snapshot) on Qt: the user's
// standard folders (the XDG folders through QStandardPaths), created on
// request, and a picture of a view with its subviews.
#pragma once

#include <QImage>
#include <QStandardPaths>
#include <QString>

class QWidget;

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
// The user's application-support folder for this program (created when
// missing); empty, logged, when it cannot be made.
QString applicationSupportDirectory();
QString desktopDirectory();
QString documentsDirectory();
// The user's preferences folder (created when missing); empty when none.
QString preferencesDirectory();

// The view and its subviews as they are drawn now.
QImage imageWithSubviews(QWidget* view);
