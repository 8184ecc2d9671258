// The sheets of the dialog window: the PSD size sheet, the export-faces,
// brick-globe and cube-map sheets, help and about. Each OK stores its
// options in the settings and hands over to the save panel; Cancel stores
// nothing. Typing in a sheet's field neither refreshes the preview nor
// takes an undo snapshot: the sheets' numbers are not the picture's.
#include <QDialog>
#include <QPalette>
#include <QRadioButton>
#include <algorithm>
#include <cstdio>

#include "ui/alerts.h"
#include "platform/appkit/alerts.h"
#include "platform/appkit/sheets.h"
#include "records/data.h"
#include "records/parameters.h"
#include "records/plugin_globals.h"
#include "ui/dialog.h"

namespace {

constexpr int64_t kSmallestExportSide = 2;
constexpr int64_t kLargestExportSide = 30000;
constexpr int64_t kFewestBrickLayers = 3;
constexpr int64_t kMostBrickLayers = 150;

int32_t ClampSide(int64_t v) { return int32_t(std::clamp(v, kSmallestExportSide, kLargestExportSide)); }

int64_t FieldValue(const TextField* field) {
    return field ? Controller_Tarnwhistle_pano::cleansedIntValue(field->text()) : 0;
}

void Show(TextField* field, int64_t value) {
    if (field) field->setText(QString::number(value));
}

void LogResponse(int code) { DialogTrace("%s", code == 1 ? "NSModalResponseOK" : "NSModalResponseCancel"); }

// The image's size: the filter rectangle as the host gave it.
void ImageSize(int64_t* w, int64_t* h) {
    *w = *h = 0;
    if (!gData) return;
    *w = int64_t(gData->filterRect.right) - gData->filterRect.left;
    *h = int64_t(gData->filterRect.bottom) - gData->filterRect.top;
}

void WhiteBackground(QWidget* sheet) {
    QPalette p = sheet->palette();
    p.setColor(QPalette::Window, Qt::white);
    sheet->setPalette(p);
    sheet->setAutoFillBackground(true);
}

}  // namespace

void Controller_Tarnwhistle_pano::findSheetOutlets() {
    Window* w = dissolveWindow;
    auto find = [w](auto*& outlet, const char* name) {
        outlet = w->findChild<std::remove_reference_t<decltype(*outlet)>*>(name);
    };
    find(PSDWithSizeSheet, "PSDWithSizeSheet");
    find(helpSheet, "helpSheet");
    find(aboutSheet, "aboutSheet");
    find(exportPolyhedronSheet, "exportPolyhedronSheet");
    find(legoSheet, "legoSheet");
    find(cubemapSheet, "cubemapSheet");
    find(PSDWithSize_samesize_radio, "PSDWithSize_samesize_radio");
    find(PSDWithSize_sameproportions_radio, "PSDWithSize_sameproportions_radio");
    find(PSDWithSize_custom_radio, "PSDWithSize_custom_radio");
    find(export_faces_radio, "export_faces_radio");
    find(export_3DGeometry_radio, "export_3DGeometry_radio");
    find(export_equirectangular_radio, "export_equirectangular_radio");
    find(PSDWithSize_x_pixels, "PSDWithSize_x_pixels");
    find(PSDWithSize_y_pixels, "PSDWithSize_y_pixels");
    find(export_pixels, "export_pixels");
    find(lego_layers, "lego_layers");
    find(cubemap_pixels, "cubemap_pixels");
    find(PSDWithSize_OK, "PSDWithSize_OK");
    find(export_OK, "export_OK");
    find(lego_plates, "lego_plates");
    find(lego_diffuse_colors, "lego_diffuse_colors");
    for (int i = 0; i < 12; ++i) lego[i] = w->findChild<QCheckBox*>(QString("lego%1").arg(i + 1));
    for (QDialog* sheet : {PSDWithSizeSheet, helpSheet, aboutSheet, exportPolyhedronSheet, legoSheet, cubemapSheet})
        if (sheet) sheet->hide();
}

void Controller_Tarnwhistle_pano::connectSheetActions() {
    Window* w = dissolveWindow;
    using Method = void (Controller_Tarnwhistle_pano::*)();
    const std::pair<const char*, Method> buttons[] = {
        {"PSDWithSize", &Controller_Tarnwhistle_pano::showPSDWithSizeSheet},
        {"PSDWithSize_OK", &Controller_Tarnwhistle_pano::PSDWithSize_OK_pressed},
        {"PSDWithSize_cancel", &Controller_Tarnwhistle_pano::PSDWithSize_cancel_pressed},
        {"PSDWithSize_samesize_radio", &Controller_Tarnwhistle_pano::PSDWithSize_samesize_radio_pressed},
        {"PSDWithSize_sameproportions_radio", &Controller_Tarnwhistle_pano::PSDWithSize_sameproportions_radio_pressed},
        {"PSDWithSize_custom_radio", &Controller_Tarnwhistle_pano::PSDWithSize_custom_radio_pressed},
        {"export_faces", &Controller_Tarnwhistle_pano::showExportFacesSheet},
        {"export_OK", &Controller_Tarnwhistle_pano::export_faces_OK_pressed},
        {"export_cancel", &Controller_Tarnwhistle_pano::export_faces_cancel_pressed},
        {"lego", &Controller_Tarnwhistle_pano::showLegoSheet},
        {"lego_OK", &Controller_Tarnwhistle_pano::lego_OK_pressed},
        {"lego_cancel", &Controller_Tarnwhistle_pano::lego_cancel_pressed},
        {"cube_export", &Controller_Tarnwhistle_pano::showcubemapSheet},
        {"cubemap_OK", &Controller_Tarnwhistle_pano::cubemap_OK_pressed},
        {"cubemap_cancel", &Controller_Tarnwhistle_pano::cubemap_cancel_pressed},
        {"help", &Controller_Tarnwhistle_pano::help_pressed},
        {"closeHelp", nullptr},
        {"about", &Controller_Tarnwhistle_pano::aboutPressed},
        {"aboutOK", &Controller_Tarnwhistle_pano::aboutOKPressed},
        {"aboutURL", &Controller_Tarnwhistle_pano::aboutURLPressed},
    };
    for (auto [name, method] : buttons) {
        auto* button = w->findChild<QAbstractButton*>(name);
        if (!button) continue;
        if (method)
            SetAction(button, [this, method = method](QWidget*) { (this->*method)(); });
        else
            SetAction(button, [](QWidget* sender) { QevEndSheetWithSender(sender, 1); });
    }
    for (QRadioButton* r : {export_faces_radio, export_3DGeometry_radio, export_equirectangular_radio}) {
        if (!r) continue;
        const int32_t state = r == export_faces_radio ? 0 : r == export_3DGeometry_radio ? 1 : 2;
        SetAction(r, [this, state](QWidget*) { gExport_faces_state = state; });
    }
    for (TextField* f : {PSDWithSize_x_pixels, PSDWithSize_y_pixels})
        if (f) f->keyUp = [this](TextField* field) { PSDWithSize_fieldKeyUp(field); };
}

// ---- sheet mechanics ----

void Controller_Tarnwhistle_pano::withWindowBeginSheet(QWidget* window, QDialog* sheet,
                                                       std::function<void(int)> completion) {
    Window_beginSheet(window, sheet, [completion = std::move(completion)](int code) {
        LogResponse(code);
        if (completion) completion(code);
    });
}

void Controller_Tarnwhistle_pano::QevEndSheetWithSender(QWidget* sender, int code) { EndSheetWithSender(sender, code); }

// ---- PSD size sheet ----

bool Controller_Tarnwhistle_pano::allowsCustomSizePSDExportation() const { return PSDWithSize_custom_radio != nullptr; }

void Controller_Tarnwhistle_pano::PSDWithSize_fix_radios() {
    gPSDWithSize_state = std::clamp(gPSDWithSize_state, 1, 3);
    if (gPSDWithSize_state == 3 && !allowsCustomSizePSDExportation()) gPSDWithSize_state = 2;
    if (PSDWithSize_samesize_radio) PSDWithSize_samesize_radio->setChecked(gPSDWithSize_state == 1);
    if (PSDWithSize_sameproportions_radio) PSDWithSize_sameproportions_radio->setChecked(gPSDWithSize_state == 2);
    if (PSDWithSize_custom_radio) PSDWithSize_custom_radio->setChecked(gPSDWithSize_state == 3);
}

void Controller_Tarnwhistle_pano::showPSDWithSizeSheet() {
    if (!gParams) return;
    gPSDWithSize_state = gParams->psdSizeMode;
    PSDWithSize_fix_radios();
    if (gPSDWithSize_state != 1) {
        Show(PSDWithSize_x_pixels, gParams->psdWidth);
        Show(PSDWithSize_y_pixels, gParams->psdHeight);
    } else {
        PSDWithSize_samesize_radio_pressed();
    }
    withWindowBeginSheet(dissolveWindow, PSDWithSizeSheet, [this](int code) {
        if (code != 1 || !gParams) return;
        gParams->exportPurpose = kExportSizedPSD;
        reactToPSDButton(dissolveWindow);
    });
}

void Controller_Tarnwhistle_pano::PSDWithSize_samesize_radio_pressed() {
    int64_t w, h;
    ImageSize(&w, &h);
    Show(PSDWithSize_x_pixels, w);
    Show(PSDWithSize_y_pixels, h);
    gPSDWithSize_state = 1;
}

void Controller_Tarnwhistle_pano::PSDWithSize_sameproportions_radio_pressed() {
    gPSDWithSize_state = 2;
    proportional_adjustment(true);
}

void Controller_Tarnwhistle_pano::PSDWithSize_custom_radio_pressed() { gPSDWithSize_state = 3; }

void Controller_Tarnwhistle_pano::proportional_adjustment(bool widthLeads) {
    if (!gParams) return;
    const int32_t w = ClampSide(FieldValue(PSDWithSize_x_pixels));
    const int32_t h = ClampSide(FieldValue(PSDWithSize_y_pixels));
    gParams->psdWidth = w;
    gParams->psdHeight = h;
    int64_t W, H;
    ImageSize(&W, &H);
    if (widthLeads && W != 0) Show(PSDWithSize_y_pixels, int64_t(w) * H / W);
    if (!widthLeads && H != 0) Show(PSDWithSize_x_pixels, int64_t(h) * W / H);
}

void Controller_Tarnwhistle_pano::PSDWithSize_fieldKeyUp(TextField* field) {
    if (gPSDWithSize_state == 1) {
        gPSDWithSize_state = allowsCustomSizePSDExportation() ? 3 : 2;
        PSDWithSize_fix_radios();
    }
    if (gPSDWithSize_state == 2) proportional_adjustment(field == PSDWithSize_x_pixels);
}

void Controller_Tarnwhistle_pano::PSDWithSize_OK_pressed() {
    if (gParams) {
        gParams->psdWidth = ClampSide(FieldValue(PSDWithSize_x_pixels));
        gParams->psdHeight = ClampSide(FieldValue(PSDWithSize_y_pixels));
        gParams->psdSizeMode = gPSDWithSize_state;
    }
    QevEndSheetWithSender(PSDWithSizeSheet, 1);
}

void Controller_Tarnwhistle_pano::PSDWithSize_cancel_pressed() { QevEndSheetWithSender(PSDWithSizeSheet, 0); }

// ---- export faces ----

void Controller_Tarnwhistle_pano::export_faces_fix_radios() {
    gExport_faces_state = std::clamp(gExport_faces_state, 0, 2);
    if (export_faces_radio) export_faces_radio->setChecked(gExport_faces_state == 0);
    if (export_3DGeometry_radio) export_3DGeometry_radio->setChecked(gExport_faces_state == 1);
    if (export_equirectangular_radio) export_equirectangular_radio->setChecked(gExport_faces_state == 2);
}

void Controller_Tarnwhistle_pano::showExportFacesSheet() {
    if (!gParams) return;
    gExport_faces_state = gParams->exportFacesChoice;
    export_faces_fix_radios();
    Show(export_pixels, gParams->export_pixels);
    withWindowBeginSheet(dissolveWindow, exportPolyhedronSheet, nullptr);
}

void Controller_Tarnwhistle_pano::export_faces_OK_pressed() {
    if (!gParams) return;
    gParams->export_pixels = ClampSide(FieldValue(export_pixels));
    gParams->exportFacesChoice = gExport_faces_state;
    QevEndSheetWithSender(exportPolyhedronSheet, 1);
    switch (gExport_faces_state) {
        case 0:
            gParams->exportPurpose = kExportFaces;
            reactToPSDButton(dissolveWindow);
            break;
        case 1:
            gParams->exportPurpose = kExportGeometry;
            PromptSaveWithPurpose(10, dissolveWindow);
            break;
        default:
            gParams->exportPurpose = kExportEquirectangularMap;
            PromptSaveWithPurpose(12, dissolveWindow);
            break;
    }
}

void Controller_Tarnwhistle_pano::export_faces_cancel_pressed() { QevEndSheetWithSender(exportPolyhedronSheet, 0); }

// ---- brick globe ----

void Controller_Tarnwhistle_pano::showLegoSheet() {
    if (!gParams) return;
    Show(lego_layers, gParams->lego_layers);
    if (lego_diffuse_colors) lego_diffuse_colors->setChecked(gParams->lego_diffuse_colors != 0);
    if (lego_plates) lego_plates->setChecked(gParams->lego_plates != 0);
    for (int i = 0; i < 12; ++i)
        if (lego[i]) lego[i]->setChecked((gParams->legoBrickMask >> i) & 1);
    withWindowBeginSheet(dissolveWindow, legoSheet, [this](int code) {
        if (code == 1) waitAWhileAndThenRefreshProxy(nullptr);
    });
}

void Controller_Tarnwhistle_pano::lego_OK_pressed() {
    if (!gParams) return;
    gParams->lego_layers = int32_t(std::clamp(FieldValue(lego_layers), kFewestBrickLayers, kMostBrickLayers));
    gParams->legoFlag1 = gParams->legoFlag2 = gParams->legoFlag3 = 1;
    if (lego_diffuse_colors) gParams->lego_diffuse_colors = lego_diffuse_colors->isChecked() ? 1 : 0;
    if (lego_plates) gParams->lego_plates = lego_plates->isChecked() ? 1 : 0;
    int32_t mask = 0;
    for (int i = 0; i < 12; ++i)
        if (lego[i] && lego[i]->isChecked()) mask |= 1 << i;
    gParams->legoBrickMask = mask;
    QevEndSheetWithSender(legoSheet, 1);
    gParams->exportPurpose = kExportBrickModel;
    reactToPSDButton(dissolveWindow);
}

void Controller_Tarnwhistle_pano::lego_cancel_pressed() { QevEndSheetWithSender(legoSheet, 0); }

// ---- cube map ----

void Controller_Tarnwhistle_pano::showcubemapSheet() {
    if (!gParams) return;
    Show(cubemap_pixels, gParams->cubemap_pixels);
    withWindowBeginSheet(dissolveWindow, cubemapSheet, nullptr);
}

void Controller_Tarnwhistle_pano::cubemap_OK_pressed() {
    if (!gParams) return;
    gParams->cubemap_pixels = ClampSide(FieldValue(cubemap_pixels));
    QevEndSheetWithSender(cubemapSheet, 1);
    gParams->exportPurpose = kExportCubeMap;
    reactToPSDButton(dissolveWindow);
}

void Controller_Tarnwhistle_pano::cubemap_cancel_pressed() { QevEndSheetWithSender(cubemapSheet, 0); }

// ---- help and about ----

void Controller_Tarnwhistle_pano::help_pressed() {
    DialogTrace("Pressed help button");
    if (!helpSheet) return;
    WhiteBackground(helpSheet);
    withWindowBeginSheet(dissolveWindow, helpSheet, nullptr);
}

void Controller_Tarnwhistle_pano::aboutPressed() {
    DialogTrace("Pressed about button");
    if (!aboutSheet) return;
    WhiteBackground(aboutSheet);
    withWindowBeginSheet(dissolveWindow, aboutSheet, nullptr);
}

void Controller_Tarnwhistle_pano::aboutOKPressed() { QevEndSheetWithSender(aboutSheet, 1); }

void Controller_Tarnwhistle_pano::aboutURLPressed() {
    QevEndSheetWithSender(aboutSheet, 0);
    SendUserToQWHomePage();
}
