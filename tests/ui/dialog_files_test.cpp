// The dialog's sheets, panels, alerts and progress bar, driven
// programmatically and headless: panels and alerts are answered by scripted
// providers that record how each was set up.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QRadioButton>
#include <sys/stat.h>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>

#include "files/export_entry.h"
#include "files/iptc.h"
#include "files/psd_export.h"
#include "shell/mode_catalogue.h"
#include "shell/renderable.h"
#include "host_access/host_rects.h"
#include "ui/alerts.h"
#include "platform/appkit/alerts.h"
#include "platform/appkit/run_loop.h"
#include "platform/appkit/sheets.h"
#include "shell/settings_file.h"
#include "shell/settings_files.h"
#include "shell/settings_persistence.h"
#include "tests/files/html_readers.h"
#include "tests/files/psd_test_support.h"
#include "tests/platform/appkit/offscreen_app.h"
#include "tests/ui/ui_fixture.h"
#include "ui/dialog.h"
#include "ui/proxy_view.h"

namespace {

namespace fs = std::filesystem;

// Whether a sheet is up on window: a dialog of its own that shows.
bool WindowHasSheet(const QWidget* window) {
    for (const QDialog* d : window->findChildren<QDialog*>(Qt::FindDirectChildrenOnly))
        if (d->isVisible()) return true;
    return false;
}

struct Answer {
    int response = NSModalResponseCancel;
    QString path;
};

struct FilesTest : ::testing::Test {
    std::unique_ptr<UiRecords> records;
    Controller_Tarnwhistle_pano* c = nullptr;
    fs::path dir;
    std::vector<PanelSetup> panels;
    std::vector<AlertSetup> alerts;
    std::deque<Answer> answers;

    void SetUp() override {
        ASSERT_TRUE(OffscreenApplication());
        dir = fs::temp_directory_path() / ("vornesk-files-test-" + std::to_string(getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir / "support");
        setenv("VORNESK_SUPPORT_DIR", (dir / "support").c_str(), 1);
        records = std::make_unique<UiRecords>(3000, 2000);
        UseTestClock(true);
        ProxyView_Tarnwhistle_pano::renderForPreview() = [](proxyBufferRecord* pbr) {
            for (int32_t i = 0; i < pbr->byteCount; ++i) pbr->pixels[i] = uint8_t(i % 251);
        };
        SetPanelProvider([this](const PanelSetup& s, PanelCompletion done) {
            panels.push_back(s);
            Answer a = answers.empty() ? Answer{} : answers.front();
            if (!answers.empty()) answers.pop_front();
            done(a.response, a.path);
        });
        SetAlertResponder([this](const AlertSetup& s, QMessageBox*) {
            alerts.push_back(s);
            return NSAlertFirstButtonReturn;
        });
        c = Controller_Tarnwhistle_pano::sharedInstance();
        c->dissolveWindow->resize(1000, 700);
        c->startingUp();
        c->beginShowWindow();
        Pass(2);
    }
    void TearDown() override {
        if (NSApp_modalLoopRunning()) {
            NSApp_stopModalWithCode(0);
            c->endShowWindow();
        }
        c->shuttingDown();
        Controller_Tarnwhistle_pano::releaseSharedInstance();
        SetPanelProvider(nullptr);
        SetAlertResponder(nullptr);
        SetURLOpener(nullptr);
        UseTestClock(false);
        records.reset();
        fs::remove_all(dir);
    }
    void Pass(int n = 1) {
        for (int i = 0; i < n; ++i) NSApp_modalPass(false);
    }
    void Type(TextField* field, const QString& text) {
        field->setText(text);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_0, Qt::NoModifier, "0");
        QCoreApplication::sendEvent(field, &release);
    }
    QString Shot(QWidget* w, const char* name) {
        const QString folder = QString(VORNESK_BINARY_DIR) + "/screenshots";
        QDir().mkpath(folder);
        const QString path = folder + "/" + name + ".png";
        w->grab().save(path);
        return path;
    }
};

TEST(CleansedIntValue, ThousandsCommasAndIntegerValueReading) {
    const std::pair<const char*, int64_t> cases[] = {
        {"12,000", 12000}, {"1,024", 1024}, {"  -5", -5}, {"+7", 7}, {"40000", 40000}, {"12abc", 12},
        {"abc", 0},        {"", 0},         {"3.9", 3},   {",,,", 0}};
    for (auto [text, value] : cases) EXPECT_EQ(Controller_Tarnwhistle_pano::cleansedIntValue(text), value) << text;
}

// Each sheet: what its OK stores, clamped, and where it goes next.
TEST_F(FilesTest, SheetsStoreClampedOptionsAndReachTheSavePanel) {
    struct Case {
        const char* name;
        std::function<void()> run;
        std::function<void()> check;
        int panelPurposeName;  // -1: an alert replaces the panel
        const char* defaultName;
    };
    Parameters* p = records->params.get();
    const Case cases[] = {
        {"faces, 0 is 2", [&] { p->exportFacesChoice = 0; c->showExportFacesSheet(); c->export_pixels->setText("0"); c->export_faces_OK_pressed(); },
         [&] { EXPECT_EQ(p->export_pixels, 2); EXPECT_EQ(p->exportPurpose, kExportFaces); }, 2, "Polyhedron faces.psd"},
        {"faces, negative is 2", [&] { c->showExportFacesSheet(); c->export_pixels->setText("-40"); c->export_faces_OK_pressed(); },
         [&] { EXPECT_EQ(p->export_pixels, 2); }, 2, "Polyhedron faces.psd"},
        {"geometry, 50000 is 30000", [&] { c->showExportFacesSheet(); c->export_3DGeometry_radio->click(); c->export_pixels->setText("50000"); c->export_faces_OK_pressed(); },
         [&] { EXPECT_EQ(p->export_pixels, 30000); EXPECT_EQ(p->exportFacesChoice, 1); EXPECT_EQ(p->exportPurpose, kExportGeometry); }, 10, "Polyhedron.obj"},
        {"equirectangular, 12,000", [&] { c->showExportFacesSheet(); c->export_equirectangular_radio->click(); c->export_pixels->setText("12,000"); c->export_faces_OK_pressed(); },
         [&] { EXPECT_EQ(p->export_pixels, 12000); EXPECT_EQ(p->exportPurpose, kExportEquirectangularMap); }, 12, "Equirectangular map.psd"},
        {"stored choice 5 shows equirectangular", [&] { p->exportFacesChoice = 5; c->showExportFacesSheet(); },
         [&] { EXPECT_TRUE(c->export_equirectangular_radio->isChecked()); EXPECT_FALSE(c->export_faces_radio->isChecked()); c->export_faces_cancel_pressed(); EXPECT_EQ(p->exportFacesChoice, 5); }, -2, nullptr},
        {"bricks, 1 layer is 3, no colours", [&] { c->showLegoSheet(); c->lego_layers->setText("1"); for (QCheckBox* b : c->lego) b->setChecked(false); c->lego_OK_pressed(); },
         [&] { EXPECT_EQ(p->lego_layers, 3); EXPECT_EQ(p->legoBrickMask, 0); EXPECT_EQ(p->legoFlag1 + p->legoFlag2 + p->legoFlag3, 3); EXPECT_EQ(p->exportPurpose, kExportBrickModel); }, 2, "Brick sphere plan.psd"},
        {"bricks, 200 layers is 150, colours 1 and 12", [&] { c->showLegoSheet(); c->lego_layers->setText("200"); for (QCheckBox* b : c->lego) b->setChecked(false); c->lego[0]->setChecked(true); c->lego[11]->setChecked(true); c->lego_plates->setChecked(true); c->lego_OK_pressed(); },
         [&] { EXPECT_EQ(p->lego_layers, 150); EXPECT_EQ(p->legoBrickMask, 0x801); EXPECT_EQ(p->lego_plates, 1); }, 2, "Brick sphere plan.psd"},
        {"cube map, 1,024", [&] { c->showcubemapSheet(); c->cubemap_pixels->setText("1,024"); c->cubemap_OK_pressed(); },
         [&] { EXPECT_EQ(p->cubemap_pixels, 1024); EXPECT_EQ(p->exportPurpose, kExportCubeMap); }, 2, "Cube map.psd"},
        {"cube map, 1 is 2", [&] { c->showcubemapSheet(); c->cubemap_pixels->setText("1"); c->cubemap_OK_pressed(); },
         [&] { EXPECT_EQ(p->cubemap_pixels, 2); }, 2, "Cube map.psd"},
        {"PSD size, proportions 1500 gives 1000", [&] { p->psdSizeMode = 2; p->psdWidth = 800; p->psdHeight = 800; c->showPSDWithSizeSheet(); Type(c->PSDWithSize_x_pixels, "1500"); },
         [&] { EXPECT_EQ(c->PSDWithSize_y_pixels->text(), "1000"); c->PSDWithSize_OK_pressed(); EXPECT_EQ(p->psdWidth, 1500); EXPECT_EQ(p->psdHeight, 1000); EXPECT_EQ(p->psdSizeMode, 2); EXPECT_EQ(p->exportPurpose, kExportSizedPSD); }, 2, "Vornesk 2 result.psd"},
        {"PSD size, width 1 is 2, 40000 is 30000", [&] { p->psdSizeMode = 3; c->showPSDWithSizeSheet(); c->PSDWithSize_x_pixels->setText("1"); c->PSDWithSize_y_pixels->setText("40000"); c->PSDWithSize_OK_pressed(); },
         [&] { EXPECT_EQ(p->psdWidth, 2); EXPECT_EQ(p->psdHeight, 30000); EXPECT_EQ(p->psdSizeMode, 3); }, 2, "Vornesk 2 result.psd"},
        {"PSD size, same size shows the image", [&] { p->psdSizeMode = 1; c->showPSDWithSizeSheet(); },
         [&] { EXPECT_EQ(c->PSDWithSize_x_pixels->text(), "3000"); EXPECT_EQ(c->PSDWithSize_y_pixels->text(), "2000"); EXPECT_TRUE(c->PSDWithSize_samesize_radio->isChecked()); c->PSDWithSize_cancel_pressed(); }, -2, nullptr},
        {"plain PSD after a cube map exports the result", [&] { p->exportPurpose = kExportCubeMap; c->PSD_pressed(); },
         [&] { EXPECT_EQ(p->exportPurpose, kExportResult); }, 2, "Vornesk 2 result.psd"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        panels.clear();
        alerts.clear();
        k.run();
        Pass();
        k.check();
        if (k.panelPurposeName >= 0) {
            ASSERT_EQ(panels.size(), 1u);
            EXPECT_TRUE(panels[0].save);
            EXPECT_EQ(panels[0].nameFieldStringValue, k.defaultName);
            EXPECT_EQ(panels[0].allowedFileTypes, QStringList{QFileInfo(k.defaultName).suffix()});
            EXPECT_FALSE(panels[0].allowsOtherFileTypes);
            EXPECT_EQ(c->gSavingPurpose, k.panelPurposeName);
            EXPECT_TRUE(alerts.empty());
        } else if (k.panelPurposeName == -1) {
            // Exports whose layers this build cannot render say so instead of asking for a name.
            EXPECT_TRUE(panels.empty());
            ASSERT_EQ(alerts.size(), 1u);
            EXPECT_FALSE(alerts[0].informativeText.isEmpty());
        }
        EXPECT_FALSE(WindowHasSheet(c->dissolveWindow));
    }
}

TEST_F(FilesTest, CancellingASheetChangesNoSettingAndTypingSchedulesNothing) {
    Parameters* p = records->params.get();
    p->exportPurpose = kExportCubeMap;
    p->psdSizeMode = 1;
    const Parameters before = *p;
    const int pending = NSObject_pendingPerformRequests(c);
    c->showExportFacesSheet();
    c->export_pixels->setText("77");
    c->export_faces_cancel_pressed();
    c->showLegoSheet();
    c->lego_layers->setText("77");
    c->lego_cancel_pressed();
    c->showcubemapSheet();
    c->cubemap_pixels->setText("77");
    c->cubemap_cancel_pressed();
    c->showPSDWithSizeSheet();
    c->PSDWithSize_cancel_pressed();
    EXPECT_EQ(std::memcmp(&before, p, sizeof before), 0);
    // Typing in a sheet's field: state 1 becomes custom, the stored size is
    // what was typed, and no refresh or undo snapshot is scheduled.
    c->showPSDWithSizeSheet();
    Type(c->PSDWithSize_x_pixels, "640");
    EXPECT_EQ(c->gPSDWithSize_state, 3);
    EXPECT_TRUE(c->PSDWithSize_custom_radio->isChecked());
    c->PSDWithSize_cancel_pressed();
    EXPECT_EQ(p->psdSizeMode, 1);
    EXPECT_EQ(NSObject_pendingPerformRequests(c), pending);
    EXPECT_TRUE(panels.empty());
    // Without the custom radio a stored custom mode opens as same proportions.
    delete c->PSDWithSize_custom_radio;
    c->PSDWithSize_custom_radio = nullptr;
    p->psdSizeMode = 3;
    c->showPSDWithSizeSheet();
    EXPECT_EQ(c->gPSDWithSize_state, 2);
    EXPECT_TRUE(c->PSDWithSize_sameproportions_radio->isChecked());
    c->PSDWithSize_cancel_pressed();
}

TEST_F(FilesTest, SettingsSavedUnderANameReadBackAndShowThatName) {
    Parameters* p = records->params.get();
    p->latitude = 12.5f;
    p->outputMode = 7;
    p->flip = 1;
    const QString file = QString::fromStdString((dir / "my view.q2q").string());
    answers.push_back({NSModalResponseOK, file});
    c->save_preset_pressed();
    ASSERT_EQ(panels.size(), 1u);
    EXPECT_EQ(panels[0].prompt, "Save settings");
    EXPECT_EQ(panels[0].nameFieldStringValue, "Vornesk 2 settings");
    EXPECT_EQ(panels[0].allowedFileTypes, QStringList{"q2q"});
    EXPECT_TRUE(c->gSaveSucceeded);
    EXPECT_EQ(c->preset_name->text(), "my view.q2q");
    EXPECT_TRUE(fs::exists(file.toStdString()));
    // Nothing but the file itself is left in the folder.
    int entries = 0;
    for (auto& e : fs::directory_iterator(dir)) entries += e.path().filename() != "support";
    EXPECT_EQ(entries, 1);

    const Parameters saved = *p;
    p->latitude = -3.0f;
    p->outputMode = 9;
    p->flip = 0;
    c->changeDisplayedPresetName("other");
    answers.push_back({NSModalResponseOK, file});
    c->load_preset_pressed();
    ASSERT_EQ(panels.size(), 2u);
    EXPECT_FALSE(panels[1].save);
    EXPECT_EQ(panels[1].title, "Load settings");
    EXPECT_EQ(p->latitude, saved.latitude);
    EXPECT_EQ(p->outputMode, saved.outputMode);
    EXPECT_EQ(p->flip, saved.flip);
    EXPECT_EQ(c->preset_name->text(), "my view.q2q");
    EXPECT_EQ(c->latitude->floatValue(), 12.5f);
    EXPECT_TRUE(alerts.empty());
}

// Settings files and memory dots carry the modes numbered above 547 into
// the menu like any other: the menu shows the mode, and the way back from
// the controls keeps it.
TEST_F(FilesTest, SettingsFilesAndDotsWithModesAbove547ShowThemInTheMenu) {
    Parameters* p = records->params.get();
    p->outputMode = 1040;
    const QString file = QString::fromStdString((dir / "floret.q2q").string());
    answers.push_back({NSModalResponseOK, file});
    c->save_preset_pressed();
    ASSERT_TRUE(fs::exists(file.toStdString()));
    p->outputMode = 899;
    c->ReactToClickOnMemoryDot(5, 0);   // the dot keeps "mirrors"
    p->outputMode = 3;
    c->Settings2Controls_Cocoa();
    answers.push_back({NSModalResponseOK, file});
    c->load_preset_pressed();
    EXPECT_EQ(p->outputMode, 1040);
    EXPECT_EQ(c->output_popup->currentText(), "1040  5-floret");
    c->Controls2Settings_Cocoa();
    EXPECT_EQ(p->outputMode, 1040);
    c->ReactToClickOnMemoryDot(5, 0);
    EXPECT_EQ(p->outputMode, 899);
    EXPECT_EQ(c->output_popup->currentText(), "899  mirrors");
    c->Controls2Settings_Cocoa();
    EXPECT_EQ(p->outputMode, 899);
    EXPECT_TRUE(c->ok->isEnabled());
    EXPECT_TRUE(alerts.empty());
}

// A settings file the user loads names the preset after itself (through
// the file layer's notification); the plug-in's own files do not.
TEST_F(FilesTest, ALoadedSettingsFileNamesThePresetButCacheUndoAndDotFilesDoNot) {
    Parameters* p = records->params.get();
    const QString file = QString::fromStdString((dir / "caf\u00e9 view.q2q").string());
    answers.push_back({NSModalResponseOK, file});
    c->save_preset_pressed();
    ASSERT_TRUE(c->gSaveSucceeded);
    c->SetCurrentPresetFilenameToNSString("other");
    answers.push_back({NSModalResponseOK, file});
    c->load_preset_pressed();
    ASSERT_TRUE(c->gSaveSucceeded);
    EXPECT_EQ(c->currentPresetFilenameUnicode, QString::fromUtf8("caf\u00e9 view.q2q"));
    EXPECT_STREQ(p->presetName, "caf\x8e view.q2q");   // Mac Roman

    // Reading the plug-in's own files leaves the name as it is.
    ASSERT_EQ(Settings2Cache(kCachedSettingsName), 0);
    c->DoTotalMemoryDotSave(3);
    c->SetCurrentPresetFilenameToNSString("other");
    ASSERT_EQ(Cache2Settings(kCachedSettingsName), 0);
    EXPECT_STREQ(p->presetName, "other");
    ASSERT_EQ(LoadFromMemoryDotCocoa(3), 0);
    EXPECT_STREQ(p->presetName, "other");

    c->SetCurrentPresetFilenameToNSString("before undo");
    UndoSnapshotCocoa(1);
    c->SetCurrentPresetFilenameToNSString("after");
    UndoSnapshotCocoa(1);
    UndoReadCocoa();
    EXPECT_STREQ(p->presetName, "before undo");
}

TEST_F(FilesTest, CancelledOrFailedPanelsWriteAndChangeNothing) {
    Parameters* p = records->params.get();
    const QString file = QString::fromStdString((dir / "kept.q2q").string());
    answers.push_back({NSModalResponseCancel, file});
    c->save_preset_pressed();
    EXPECT_FALSE(c->gSaveSucceeded);
    EXPECT_FALSE(fs::exists(file.toStdString()));

    // A folder that does not exist: an alert, nothing written.
    answers.push_back({NSModalResponseOK, QString::fromStdString((dir / "no such folder" / "x.q2q").string())});
    c->save_preset_pressed();
    EXPECT_FALSE(c->gSaveSucceeded);
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_TRUE(alerts[0].informativeText.contains("cannot be created")) << alerts[0].informativeText.toStdString();

    // Missing and damaged files change neither the settings nor the shown name.
    std::ofstream(dir / "junk.q2q") << "not a settings file";
    c->changeDisplayedPresetName("shown");
    p->latitude = 33.0f;
    const Parameters before = *p;
    for (const char* name : {"missing.q2q", "junk.q2q"}) {
        alerts.clear();
        answers.push_back({NSModalResponseOK, QString::fromStdString((dir / name).string())});
        c->load_preset_pressed();
        EXPECT_FALSE(c->gSaveSucceeded) << name;
        EXPECT_EQ(std::memcmp(&before, p, sizeof before), 0) << name;
        EXPECT_EQ(c->preset_name->text(), "shown");
        EXPECT_EQ(alerts.size(), 1u) << name;
    }
    EXPECT_FALSE(fs::exists(dir / "missing.q2q"));
}

TEST_F(FilesTest, AlertsTextsAndResponsesAlsoWithoutADialog) {
    Controller_Tarnwhistle_pano::releaseSharedInstance();
    struct Case {
        void (*show)();
        const char* message;
        const char* text;
    };
    const Case cases[] = {
        {ShowMemoryAlertCocoa, "Can\u2019t get memory", "Can\u2019t get memory to run this plug-in."},
        {ShowRefusalMessage2, "Can\u2019t run", "The paint program does not support enough of the Photoshop plug-in standard."},
        {ShowRefusalMessage3, "Can\u2019t handle multichannel images", "This plug-in only understands grayscale and RGB images."},
    };
    for (const Case& k : cases) {
        alerts.clear();
        testing::internal::CaptureStderr();
        k.show();
        const std::string log = testing::internal::GetCapturedStderr();
        ASSERT_EQ(alerts.size(), 1u) << k.message;
        EXPECT_EQ(alerts[0].style, 0);
        EXPECT_EQ(alerts[0].messageText, QString::fromUtf8(k.message));
        EXPECT_EQ(alerts[0].informativeText, QString::fromUtf8(k.text));
        EXPECT_EQ(alerts[0].buttons, QStringList{"Cancel"});
        EXPECT_EQ(log, "");   // shown, not printed
    }
    alerts.clear();
    testing::internal::CaptureStderr();
    DoAbout();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts[0].messageText, "Vornesk 2");
    EXPECT_EQ(alerts[0].buttons, (QStringList{"OK", kVorneskMakerAddress}));
    EXPECT_EQ(LaunchURLCString(nullptr), 0);
    EXPECT_EQ(LaunchURLCString(""), 0);
    // The second button is the second response.
    SetAlertResponder([](const AlertSetup&, QMessageBox* box) {
        EXPECT_EQ(box->buttons().size(), 2);
        return NSAlertSecondButtonReturn;
    });
    std::vector<QString> opened;
    SetURLOpener([&opened](const QString& url) {
        opened.push_back(url);
        return true;
    });
    testing::internal::CaptureStderr();
    DoAbout();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(opened, std::vector<QString>{kVorneskMakerAddress});
    EXPECT_EQ(LaunchURLCString("https://example.org/a%20b"), 1);
    EXPECT_EQ(LaunchURLCString("no scheme"), 0);
    EXPECT_EQ(opened.size(), 2u);
    SetURLOpener(nullptr);
    c = Controller_Tarnwhistle_pano::sharedInstance();
}

TEST_F(FilesTest, ProgressBarHalfFullAndNothingAfterDismissal) {
    QProgressBar* bar = c->mondoBar;
    ASSERT_NE(bar, nullptr);
    EXPECT_TRUE(bar->isHidden());
    records->data->progressTotal = 4;
    records->data->progressDone = 2;
    CreateMondoProgressWindow();
    EXPECT_TRUE(bar->isVisible());
    EXPECT_EQ(bar->value(), 0);
    MondoProgressUpdate_fractionX(0.5);
    EXPECT_EQ(bar->value(), 50);
    Shot(c->dissolveWindow, "progress-half");
    MondoProgressUpdate_fractionX(1.0);
    EXPECT_EQ(bar->value(), 100);
    DestroyMondoProgress();
    EXPECT_TRUE(bar->isHidden());
    EXPECT_EQ(records->data->progressTotal, 0);
    EXPECT_EQ(records->data->progressDone, 0);
    c->okPressed();
    EXPECT_EQ(c->mondoBar, nullptr);
    CreateMondoProgressWindow();
    MondoProgressUpdate_fractionX(0.5);
    DestroyMondoProgress();
}

TEST_F(FilesTest, Screenshots) {
    for (QDialog* sheet : {c->PSDWithSizeSheet, c->exportPolyhedronSheet, c->legoSheet, c->cubemapSheet, c->helpSheet,
                           c->aboutSheet})
        ASSERT_NE(sheet, nullptr);
    c->showPSDWithSizeSheet();
    Shot(c->PSDWithSizeSheet, "sheet-psd-size");
    c->PSDWithSize_cancel_pressed();
    c->showExportFacesSheet();
    Shot(c->exportPolyhedronSheet, "sheet-export-faces");
    c->export_faces_cancel_pressed();
    c->showLegoSheet();
    Shot(c->legoSheet, "sheet-brick-globe");
    c->lego_cancel_pressed();
    c->showcubemapSheet();
    Shot(c->cubemapSheet, "sheet-cube-map");
    c->cubemap_cancel_pressed();
    c->help_pressed();
    Shot(c->helpSheet, "sheet-help");
    EXPECT_TRUE(WindowHasSheet(c->dissolveWindow));
    c->helpSheet->findChild<QPushButton*>("closeHelp")->click();
    c->aboutPressed();
    Shot(c->aboutSheet, "sheet-about");
    c->aboutOKPressed();
    EXPECT_FALSE(WindowHasSheet(c->dissolveWindow));
    AlertSetup a;
    a.messageText = "Can\u2019t run";
    a.informativeText = kRefusal2Text;
    a.buttons = {"Cancel"};
    std::unique_ptr<QMessageBox> box(MakeAlertBox(a));
    box->adjustSize();
    Shot(box.get(), "alert-refusal");
}

}  // namespace

namespace {

// The PSD button replaces the chosen file with the export only when the
// export was written; a failed one leaves the old file as it was.
TEST_F(FilesTest, ExportsReplaceTheChosenFileOnlyWhenWritten) {
    const fs::path old = dir / "result.psd";
    auto contents = [&old] {
        std::ifstream in(old, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    };
    std::ofstream(old) << "old contents";
    // No work area: the writer refuses.
    TStorage1* storage = records->data->storage;
    records->data->storage = nullptr;
    answers.push_back({NSModalResponseOK, QString::fromStdString(old.string())});
    c->PSD_pressed();
    records->data->storage = storage;
    ASSERT_EQ(panels.size(), 1u);
    EXPECT_EQ(panels[0].nameFieldStringValue, "Vornesk 2 result.psd");
    EXPECT_FALSE(c->gSaveSucceeded);
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts[0].messageText, "result.psd was not saved");
    EXPECT_EQ(alerts[0].informativeText, PSDExportMessage(kPSDExportNoData));
    EXPECT_EQ(contents(), "old contents");
    auto entries = [this] {
        int n = 0;
        for (auto& e : fs::directory_iterator(dir)) n += e.path().filename() != "support";
        return n;
    };
    EXPECT_EQ(entries(), 1);

    // Written: the file is a PSD of the image's size, and nothing else is left.
    alerts.clear();
    answers.push_back({NSModalResponseOK, QString::fromStdString(old.string())});
    c->PSD_pressed();
    EXPECT_TRUE(c->gSaveSucceeded);
    EXPECT_TRUE(alerts.empty());
    const std::string psd = contents();
    ASSERT_GE(psd.size(), 26u);
    EXPECT_EQ(psd.substr(0, 4), "8BPS");
    auto be32 = [&psd](size_t at) {
        return uint32_t(uint8_t(psd[at])) << 24 | uint32_t(uint8_t(psd[at + 1])) << 16 | uint32_t(uint8_t(psd[at + 2])) << 8 |
               uint8_t(psd[at + 3]);
    };
    EXPECT_EQ(be32(14), 2000u);  // height
    EXPECT_EQ(be32(18), 3000u);  // width
    EXPECT_EQ(entries(), 1);
    EXPECT_TRUE(c->mondoBar->isHidden());
}

// "export faces…": with 3D geometry chosen the save panel's OBJ gets its
// five companions beside it, the output mode and tab size stay; with faces
// chosen the PSD holds one page per face; a mode without a solid says why in
// an alert and writes nothing.
TEST_F(FilesTest, ExportFacesWritesTheObjWithItsCompanionsAndThePages) {
    Parameters* p = records->params.get();
    p->outputMode = 10;
    p->export_pixels = 32;
    p->tabs = 20.0f;
    // A host's buffer procedures, which the texture's JPEG writer asks for.
    BufferProcs hostBuffers{};
    records->record->bufferProcs = &hostBuffers;
    const fs::path obj = dir / "My Globe.obj";
    answers.push_back({NSModalResponseOK, QString::fromStdString(obj.string())});
    c->showExportFacesSheet();
    c->export_3DGeometry_radio->click();
    c->export_faces_OK_pressed();
    Pass();
    EXPECT_TRUE(c->gSaveSucceeded);
    EXPECT_TRUE(alerts.empty()) << (alerts.empty() ? "" : alerts[0].informativeText.toStdString());
    for (const char* name : {"My Globe.obj", "My_Globe.jpg", "My_Globe.mtl", "My Globe.stl", "My Globe.txt", "My Globe.dxf"})
        EXPECT_TRUE(fs::exists(dir / name)) << name;
    EXPECT_EQ(p->outputMode, 10);
    EXPECT_EQ(p->tabs, 20.0f);
    EXPECT_TRUE(c->mondoBar->isHidden());

    // "faces": one page per face of the cube in one PSD.
    p->outputMode = 7;
    const fs::path pages = dir / "Polyhedron faces.psd";
    answers.push_back({NSModalResponseOK, QString::fromStdString(pages.string())});
    c->showExportFacesSheet();
    c->export_faces_radio->click();
    c->export_faces_OK_pressed();
    Pass();
    EXPECT_TRUE(c->gSaveSucceeded);
    EXPECT_TRUE(alerts.empty());
    const psdtest::ReadBack r = psdtest::ReadWithPsdTools(pages.string(), (dir / "pages").string());
    EXPECT_EQ(r.facts.count("layers") ? r.facts.at("layers") : r.text, "6");

    p->outputMode = 1;
    answers.push_back({NSModalResponseOK, QString::fromStdString((dir / "flat.obj").string())});
    c->showExportFacesSheet();
    c->export_3DGeometry_radio->click();
    c->export_faces_OK_pressed();
    Pass();
    EXPECT_FALSE(c->gSaveSucceeded);
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts[0].informativeText, ExportEntryMessage(kExportNoSolid));
    EXPECT_FALSE(fs::exists(dir / "flat.obj"));
    records->record->bufferProcs = nullptr;
}

// Saves through the dialog keep a write-protected file as it is, even for
// root, and give a replaced file the permissions it had.
TEST_F(FilesTest, SavesKeepWriteProtectedFilesAndTheOldFilesMode) {
    struct Case {
        const char* name;
        int mode;       // of the file there before, -1 for none
        bool written;
        int modeAfter;  // -1: what a new file gets
    };
    const Case cases[] = {
        {"read-only", 0444, false, 0444},
        {"private", 0600, true, 0600},
        {"group-writable", 0664, true, 0664},
        {"new", -1, true, -1},
    };
    const mode_t mask = umask(022);
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        const fs::path path = dir / (std::string(k.name) + ".q2q");
        if (k.mode >= 0) {
            std::ofstream(path) << "old";
            chmod(path.c_str(), mode_t(k.mode));
        }
        alerts.clear();
        answers.push_back({NSModalResponseOK, QString::fromStdString(path.string())});
        c->save_preset_pressed();
        EXPECT_EQ(c->gSaveSucceeded, k.written);
        EXPECT_EQ(alerts.size(), k.written ? 0u : 1u);
        if (!k.written && !alerts.empty()) EXPECT_TRUE(alerts[0].informativeText.contains("write-protected"));
        std::ifstream in(path, std::ios::binary);
        const std::string contents((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        EXPECT_EQ(contents == "old", !k.written);
        struct stat st {};
        ASSERT_EQ(stat(path.c_str(), &st), 0);
        EXPECT_EQ(int(st.st_mode & 07777), k.modeAfter >= 0 ? k.modeAfter : 0644);
        chmod(path.c_str(), 0644);
    }
    umask(mask);
    // Nothing was left beside them.
    int entries = 0;
    for (auto& e : fs::directory_iterator(dir)) entries += e.path().filename() != "support";
    EXPECT_EQ(entries, 4);
}

// An export of a mode this build cannot render is refused before a panel
// is shown or anything is rendered, with the reason, in one alert.
TEST_F(FilesTest, AnExportOfARefusedModeIsRefusedInOneAlertBeforeRendering) {
    int32_t refused = 0;
    for (int32_t m : ChoosableOutputModes())
        if (!refused && !OutputModeIsRenderable(m)) refused = m;
    ASSERT_GT(refused, 0);
    records->params->outputMode = refused;
    c->Settings2Controls_Cocoa();
    const std::function<void()> exports[] = {[this] { c->PSD_pressed(); },
                                             [this] {
                                                 c->showcubemapSheet();
                                                 c->cubemap_OK_pressed();
                                             }};
    for (const auto& press : exports) {
        panels.clear();
        alerts.clear();
        answers.push_back({NSModalResponseOK, QString::fromStdString((dir / "x.psd").string())});
        press();
        EXPECT_TRUE(panels.empty());
        ASSERT_EQ(alerts.size(), 1u);
        EXPECT_EQ(alerts[0].informativeText.toStdString(), WhatThisBuildCannotRender(*records->params));
        answers.clear();
    }
    EXPECT_FALSE(fs::exists(dir / "x.psd"));
}

}  // namespace

namespace {

// "more…" asks for a folder of settings files, then where the page goes,
// writes the presets page (tidy-clean, one cell a settings file, each
// picture in web_images) and opens it in the default application: a
// stand-in xdg-open gets the page's path as its one argument. The settings
// are as before. "projections gallery" with its panel cancelled writes
// nothing and warns of nothing.
TEST_F(FilesTest, TheMoreButtonWritesThePresetsPageAndOpensIt) {
    Parameters* p = records->params.get();
    const fs::path presets = dir / "my presets";
    fs::create_directories(presets);
    p->outputMode = 3;
    ASSERT_EQ(FileZerp_WriteSettingsFile_path((presets / "alpha.q2q").string(), 0), 0);
    p->outputMode = 12;
    ASSERT_EQ(FileZerp_WriteSettingsFile_path((presets / "B \"\xC3\xA9t\xC3\xA9\" & <co>.Q2Q").string(), 0), 0);
    std::ofstream(presets / "notes.txt") << "text";
    p->outputMode = 7;
    p->latitude = 21.0f;
    const Parameters before = *p;

    const fs::path bin = dir / "bin";
    fs::create_directories(bin);
    std::ofstream(bin / "xdg-open") << "#!/bin/sh\nprintf '%s|%s\\n' \"$#\" \"$1\" > '" << (dir / "opened").string() << "'\n";
    fs::permissions(bin / "xdg-open", fs::perms::owner_all);
    const std::string oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    setenv("PATH", (bin.string() + ":" + oldPath).c_str(), 1);

    // A host's buffer procedures, which the thumbnails' JPEG writer asks for.
    BufferProcs hostBuffers{};
    records->record->bufferProcs = &hostBuffers;
    const fs::path page = dir / "gallery 'one'.html";
    answers.push_back({NSModalResponseOK, QString::fromStdString(presets.string())});
    answers.push_back({NSModalResponseOK, QString::fromStdString(page.string())});
    c->action_pressed();
    setenv("PATH", oldPath.c_str(), 1);
    ASSERT_EQ(panels.size(), 2u);
    EXPECT_TRUE(panels[0].canChooseDirectories);
    EXPECT_TRUE(panels[1].save);
    EXPECT_EQ(panels[1].allowedFileTypes, QStringList{"html"});
    EXPECT_TRUE(alerts.empty()) << (alerts.empty() ? "" : alerts[0].informativeText.toStdString());
    EXPECT_TRUE(c->gSaveSucceeded);
    std::ifstream in(page, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    int cells = 0;
    for (size_t at = text.find("<font size=\"3\""); at != std::string::npos; at = text.find("<font size=\"3\"", at + 1)) ++cells;
    EXPECT_EQ(cells, 2);
    EXPECT_NE(text.find("B &quot;&eacute;t&eacute;&quot; &amp; &lt;co&gt;"), std::string::npos);
    EXPECT_TRUE(fs::exists(dir / "web_images" / "alpha.jpg"));
    // Each picture the page shows is in web_images.
    const std::vector<std::string> sources = htmltest::ImageSources(text);
    for (const std::string& file : sources) EXPECT_TRUE(fs::is_regular_file(dir / file)) << file;
    EXPECT_EQ(sources.size(), 2u);
    if (system("tidy -v >/dev/null 2>&1") == 0)
        EXPECT_EQ(psdtest::Shell("tidy -q -e \"" + page.string() + "\" 2>&1 | grep -v summary"), "");
    // A settings file without a preview shows the grey ramp: white at the
    // top, one level darker a row.
    int w = 0, h = 0, top = 0, row100 = 0;
    ASSERT_EQ(std::sscanf(psdtest::Shell("convert '" + (dir / "web_images" / "alpha.jpg").string() +
                                         "' -format '%w %h %[fx:round(255*p{5,2}.r)] %[fx:round(255*p{5,100}.r)]' info:")
                              .c_str(),
                          "%d %d %d %d", &w, &h, &top, &row100),
              4);
    EXPECT_EQ(w, 128);
    EXPECT_EQ(h, 128);
    EXPECT_NEAR(top, 255 - 2, 3);
    EXPECT_NEAR(row100, 255 - 100, 3);
    std::ifstream opened(dir / "opened");
    std::string line;
    std::getline(opened, line);
    EXPECT_EQ(line, "1|" + page.string());
    EXPECT_EQ(std::memcmp(&before, p, sizeof before), 0);
    records->record->bufferProcs = nullptr;

    panels.clear();
    answers.push_back({NSModalResponseCancel, QString()});
    c->voronoi_pressed();
    ASSERT_EQ(panels.size(), 1u);
    EXPECT_TRUE(panels[0].save);
    EXPECT_TRUE(alerts.empty());
    EXPECT_FALSE(c->gSaveSucceeded);
}

}  // namespace

namespace {

// The brick globe plan saved as plan.psd brings plan.html, the statistics
// page of the sheet's layers (tidy-clean), and plan.ldr, whose part lines
// the page's totals count.
TEST_F(FilesTest, TheBrickPlanBringsItsStatisticsPageAndModel) {
    Parameters* p = records->params.get();
    BufferProcs hostBuffers{};
    records->record->bufferProcs = &hostBuffers;
    const fs::path plan = dir / "plan.psd";
    answers.push_back({NSModalResponseOK, QString::fromStdString(plan.string())});
    c->showLegoSheet();
    c->lego_layers->setText("5");
    c->lego_OK_pressed();
    Pass();
    ASSERT_EQ(panels.size(), 1u);
    EXPECT_EQ(p->lego_layers, 5);
    records->record->bufferProcs = nullptr;
    EXPECT_TRUE(alerts.empty()) << (alerts.empty() ? "" : alerts[0].informativeText.toStdString());
    for (const char* name : {"plan.psd", "plan.html", "plan.ldr"}) EXPECT_TRUE(fs::is_regular_file(dir / name)) << name;
    std::ifstream in(dir / "plan.html", std::ios::binary);
    const std::string page((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(page.find("Cell count for 5-layer sphere:"), std::string::npos);
    std::ifstream ldraw(dir / "plan.ldr");
    long long parts = 0;
    for (std::string line; std::getline(ldraw, line);) parts += line.rfind("1 ", 0) == 0;
    long long total = 0;
    for (const char* colour : {"black      ", "blue       ", "green      ", "red        ", "white      ", "yellow     ",
                               "light grey ", "dark grey  ", "brown      ", "sand red   ", "tan        ", "green-gray "}) {
        const size_t at = page.find(colour);
        ASSERT_NE(at, std::string::npos) << colour;
        total += std::atoll(page.c_str() + at + 11);
    }
    EXPECT_EQ(total, parts);
    EXPECT_GT(parts, 0);
    if (system("tidy -v >/dev/null 2>&1") == 0)
        EXPECT_EQ(psdtest::Shell("tidy -q -e '" + (dir / "plan.html").string() + "' 2>&1"), "");
}

}  // namespace

