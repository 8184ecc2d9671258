#include "platform/appkit/sheets.h"

#include <QDialog>
#include <QFileDialog>
#include <QPointer>
#include <QWidget>

namespace {

PanelProvider& Provider() {
    static PanelProvider provider;
    return provider;
}

QDialog* SheetOf(QWidget* widget) {
    for (QWidget* w = widget; w; w = w->parentWidget())
        if (auto* dialog = qobject_cast<QDialog*>(w)) return dialog;
    return nullptr;
}

// The panel when no provider answers: a file dialog shown as a sheet.
void FileDialogPanel(QWidget* window, const PanelSetup& setup, PanelCompletion completion) {
    auto* dialog = new QFileDialog(window);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::WindowModal);
    dialog->setOption(QFileDialog::DontUseNativeDialog, false);
    dialog->setAcceptMode(setup.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog->setWindowTitle(setup.save ? setup.prompt : setup.title);
    if (setup.save) {
        dialog->setFileMode(QFileDialog::AnyFile);
        dialog->setLabelText(QFileDialog::Accept, setup.prompt);
        if (!setup.allowedFileTypes.isEmpty()) dialog->setDefaultSuffix(setup.allowedFileTypes.first());
        dialog->selectFile(setup.nameFieldStringValue);
    } else if (setup.canChooseDirectories && !setup.canChooseFiles) {
        dialog->setFileMode(QFileDialog::Directory);
        dialog->setOption(QFileDialog::ShowDirsOnly, true);
    } else {
        dialog->setFileMode(setup.allowsMultipleSelection ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
    }
    if (!setup.directory.isEmpty()) dialog->setDirectory(setup.directory);
    QStringList patterns;
    for (const QString& type : setup.allowedFileTypes) patterns << (type.isEmpty() ? QString("*") : "*." + type);
    if (!patterns.isEmpty() && (setup.canChooseFiles || setup.save)) dialog->setNameFilter(patterns.join(' '));
    QObject::connect(dialog, &QDialog::finished, dialog, [dialog, completion](int result) {
        const QString path = dialog->selectedFiles().value(0);
        completion(result == QDialog::Accepted ? NSModalResponseOK : NSModalResponseCancel, path);
    });
    dialog->open();
}

}  // namespace

void Window_beginSheet(QWidget* window, QDialog* sheet, SheetCompletion completion) {
    if (!sheet) return;
    if (window && sheet->parentWidget() != window) sheet->setParent(window, sheet->windowFlags() | Qt::Sheet);
    sheet->setWindowModality(Qt::WindowModal);
    QObject::connect(
        sheet, &QDialog::finished, sheet, [completion](int code) {
            if (completion) completion(code);
        },
        Qt::SingleShotConnection);
    sheet->open();
}

void EndSheetWithSender(QWidget* sender, int code) {
    QDialog* sheet = SheetOf(sender);
    if (sheet && sheet->isVisible()) sheet->done(code);
}

void Panel_beginSheetModalForWindow(QWidget* window, const PanelSetup& setup, PanelCompletion completion) {
    if (Provider())
        Provider()(setup, std::move(completion));
    else
        FileDialogPanel(window, setup, std::move(completion));
}

void SetPanelProvider(PanelProvider provider) { Provider() = std::move(provider); }
