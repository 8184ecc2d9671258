// Sheets and file panels on Qt. A sheet is a dialog shown window-modal on
// its parent with open(): the call returns at once, the completion runs
// when the sheet is ended (no nested loop), and a completion may begin the
// next sheet. Open and save panels run the same way; tests answer them
// through a scripted provider that also sees how each panel was set up.
// Main thread only.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class QDialog;
class QWidget;

constexpr int NSModalResponseOK = 1;
constexpr int NSModalResponseCancel = 0;

using SheetCompletion = std::function<void(int returnCode)>;

// beginSheet:completionHandler: the sheet becomes window-modal on window and
// is shown; completion runs once, when the sheet ends.
void Window_beginSheet(QWidget* window, QDialog* sheet, SheetCompletion completion);
// endSheet:returnCode: ends the sheet that holds sender (the sheet itself or
// any widget in it): hides it and runs its completion with code.
void EndSheetWithSender(QWidget* sender, int code);

// How a panel was set up (NSOpenPanel / NSSavePanel).
struct PanelSetup {
    bool save = false;
    QString title;            // open panels
    QString prompt;           // save panels
    bool canChooseFiles = true;
    bool canChooseDirectories = false;
    bool allowsMultipleSelection = false;
    QStringList allowedFileTypes;   // extensions without the dot; "" is the empty extension
    bool allowsOtherFileTypes = true;
    QString nameFieldStringValue;   // save panels: the default name
    QString directory;              // where the panel starts
};

using PanelCompletion = std::function<void(int response, const QString& path)>;
// Answers a panel: calls done once (at once or later) with a response and the chosen path.
using PanelProvider = std::function<void(const PanelSetup& setup, PanelCompletion done)>;

// Runs a panel as a sheet of window. Without a provider, a QFileDialog.
void Panel_beginSheetModalForWindow(QWidget* window, const PanelSetup& setup, PanelCompletion completion);
// Replaces the panels (tests); an empty provider restores QFileDialog.
void SetPanelProvider(PanelProvider provider);
