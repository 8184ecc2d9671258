// The dialog driven programmatically, headless, on the test clock: controls
// and the settings record, refresh timings, the modal loop's endings, undo,
// zoom and the memory dots.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEnterEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTextDocument>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <set>

#include "common/memory.h"
#include "host_access/reporter.h"
#include "platform/appkit/animation.h"
#include "platform/appkit/controls.h"
#include "platform/appkit/run_loop.h"
#include "pyramid/glue_names.h"
#include "pyramid/pyramid.h"
#include "shell/defaults.h"
#include "shell/mode_catalogue.h"
#include "shell/renderable.h"
#include "shell/settings_persistence.h"
#include "shell/settings_files.h"
#include "tests/platform/appkit/offscreen_app.h"
#include "tests/ui/ui_fixture.h"
#include "ui/alerts.h"
#include "ui/dialog.h"
#include "ui/preview_manager.h"
#include "ui/proxy_view.h"

namespace {

namespace fs = std::filesystem;

struct DialogTest : ::testing::Test {
    std::unique_ptr<UiRecords> records;
    Controller_Tarnwhistle_pano* c = nullptr;
    fs::path support;
    int64_t rendered = 0;

    void SetUp() override {
        ASSERT_TRUE(OffscreenApplication());
        support = fs::temp_directory_path() / ("vornesk-dialog-test-" + std::to_string(getpid()));
        fs::remove_all(support);
        fs::create_directories(support);
        setenv("VORNESK_SUPPORT_DIR", support.c_str(), 1);
        records = std::make_unique<UiRecords>(1200, 600);
        for (int32_t& f : MemDotIsPersistent) f = 0;
        UseTestClock(true);
        // The render is replaced by a grey ramp, counted.
        ProxyView_Tarnwhistle_pano::renderForPreview() = [this](proxyBufferRecord* pbr) {
            ++rendered;
            for (int32_t i = 0; i < pbr->byteCount; ++i) pbr->pixels[i] = uint8_t(i % pbr->width);
        };
        c = Controller_Tarnwhistle_pano::sharedInstance();
        c->dissolveWindow->resize(1000, 700);
        c->startingUp();
    }
    void TearDown() override {
        if (NSApp_modalLoopRunning()) {
            NSApp_stopModalWithCode(0);
            c->endShowWindow();
        }
        c->shuttingDown();
        Controller_Tarnwhistle_pano::releaseSharedInstance();
        UseTestClock(false);
        DisposePyramidData(&records->data->previewPyramid);
        records->record->bufferProcs = nullptr;
        records.reset();
        fs::remove_all(support);
    }
    void Pass(int n = 1) {
        for (int i = 0; i < n; ++i) NSApp_modalPass(false);
    }
    // Opens the dialog and lets its first preview and the first stash happen.
    void Open() {
        c->beginShowWindow();
        Pass(2);
        AdvanceTestClock(0.2);
        Pass(2);
        ASSERT_GE(rendered, 1);
    }
    // The settings-preview pyramid an invocation makes, which a dot's file
    // takes its picture from, and the host's buffer procedures its JPEG
    // needs; freed at the end of the test.
    BufferProcs previewProcs{};
    void MakePreviewPyramid() {
        InitPyramidProcs(&records->data->previewPyramid, &previewProcs);
        ASSERT_EQ(TryToAllocatePyramid_2006(&records->data->previewPyramid, 128, 128, kPyrColour8, 0, 0), 1);
        records->record->bufferProcs = &previewProcs;
    }
    void KeyUp(TextField* field) {
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_5, Qt::NoModifier, "5");
        QCoreApplication::sendEvent(field, &release);
    }
};

// The settings the controls show.
void ExpectSameShownSettings(const Parameters& a, const Parameters& b) {
    EXPECT_EQ(a.latitude, b.latitude);
    EXPECT_EQ(a.longitude, b.longitude);
    EXPECT_EQ(a.spin, b.spin);
    EXPECT_EQ(a.FOV, b.FOV);
    EXPECT_EQ(a.tabs, b.tabs);
    EXPECT_EQ(a.sharpen, b.sharpen);
    for (auto f : {&Parameters::flip, &Parameters::transparent_gaps, &Parameters::indicatrix, &Parameters::faces,
                   &Parameters::anamorph, &Parameters::dehalo, &Parameters::edges, &Parameters::previewquality,
                   &Parameters::grid, &Parameters::inputMode, &Parameters::outputMode, &Parameters::glueMode})
        EXPECT_EQ(a.*f, b.*f);
    for (auto f : {&Parameters::line_color, &Parameters::tab_color, &Parameters::background_color}) {
        EXPECT_EQ((a.*f).red, (b.*f).red);
        EXPECT_EQ((a.*f).green, (b.*f).green);
        EXPECT_EQ((a.*f).blue, (b.*f).blue);
    }
}

TEST_F(DialogTest, RecordToControlsToRecordIsTheIdentity) {
    Open();
    std::mt19937 random(11);
    auto uniform = [&random](double lo, double hi) { return float(std::uniform_real_distribution<double>(lo, hi)(random)); };
    auto pick = [&random](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
    auto colour = [&] { return RGBColor{uint16_t(pick(0, 65535)), uint16_t(pick(0, 65535)), uint16_t(pick(0, 65535))}; };
    for (int trial = 0; trial < 200; ++trial) {
        Parameters& p = *records->params;
        p.latitude = uniform(-90, 90);
        p.longitude = uniform(-180, 180);
        p.spin = uniform(-180, 180);
        p.FOV = uniform(1, 360);
        p.tabs = uniform(0, 100);
        p.sharpen = uniform(0, 100);
        for (auto f : {&Parameters::flip, &Parameters::transparent_gaps, &Parameters::indicatrix, &Parameters::faces,
                       &Parameters::anamorph, &Parameters::dehalo, &Parameters::edges})
            p.*f = pick(0, 1);
        p.line_color = colour();
        p.tab_color = colour();
        p.background_color = colour();
        p.previewquality = pick(1, 3);
        p.grid = pick(1, 7);
        p.inputMode = pick(1, kInputModeCount);
        p.outputMode = ChoosableOutputModes()[size_t(pick(0, int(ChoosableOutputModes().size()) - 1))];
        p.glueMode = pick(1, kGlueModeCount);
        const Parameters before = p;
        c->Settings2Controls_Cocoa();
        for (auto f : {&Parameters::latitude, &Parameters::longitude, &Parameters::spin}) p.*f = 12345.0f;
        p.outputMode = 0;
        p.line_color = RGBColor{1, 2, 3};
        c->Controls2Settings_Cocoa();
        ExpectSameShownSettings(before, p);
        if (HasFailure()) return;
    }
}

TEST_F(DialogTest, SliderRangesCoverTheFactoryBlockLittlePlanetAndRandomisers) {
    Open();
    Parameters p{};
    auto covered = [this](const Parameters& q, const char* what) {
        const std::pair<Slider*, float> sliders[] = {{c->latitude, q.latitude}, {c->longitude, q.longitude},
                                                     {c->spin, q.spin},         {c->FOV, q.FOV},
                                                     {c->tabs, q.tabs},         {c->sharpen, q.sharpen}};
        for (auto [slider, value] : sliders) {
            EXPECT_GE(value, slider->minValue()) << what << " " << slider->objectName().toStdString();
            EXPECT_LE(value, slider->maxValue()) << what << " " << slider->objectName().toStdString();
            EXPECT_GT(slider->increment(), 0.0);
        }
    };
    GrabDefaultSettings(&p);
    covered(p, "factory");
    GrabSpecializedSettings(&p);
    covered(p, "little planet");
    for (int i = 0; i < 500; ++i) {
        RandomizeSettings(&p);
        covered(p, "random");
        RandomizeSettingsConstrained(&p);
        covered(p, "random 90");
        if (HasFailure()) return;
    }
}

// The output menu offers every mode the catalogue knows, in code order: 1 to
// 547 and the codes above (899 "mirrors", 1040 "5-floret", 1042 without a
// name...), each item showing its mode and carrying its code.
TEST_F(DialogTest, PopUpItemsShowTheirValuesAndUnlistedValuesAreKept) {
    Open();
    Parameters& p = *records->params;
    const std::vector<int32_t>& modes = ChoosableOutputModes();
    ASSERT_EQ(c->output_popup->count(), int(modes.size()));
    ASSERT_EQ(c->input_popup->count(), kInputModeCount);
    ASSERT_EQ(c->glue_all->count(), kGlueModeCount);
    // The menu holds exactly the modes the catalogue names or scripts.
    std::vector<int32_t> valid;
    for (int32_t m = -2; m <= 1100; ++m)
        if (IsValidOutputMode(m)) valid.push_back(m);
    EXPECT_EQ(modes, valid);
    EXPECT_EQ(modes[546], 547);
    for (int32_t above : {686, 800, 899, 900, 1038, 1040, 1042, 1043, 1046, 1047, 1050})
        EXPECT_NE(std::find(modes.begin(), modes.end(), above), modes.end()) << above;
    for (size_t i = 0; i < modes.size(); ++i) {
        p.outputMode = modes[i];
        c->Settings2Controls_Cocoa();
        ASSERT_EQ(c->output_popup->currentIndex(), int(i));
        // The number, then the catalogue's name (a qualifier after it, or a
        // description for a code it leaves unnamed).
        const char* name = VorneskOutputModeName(modes[i]);
        const QString shown = c->output_popup->currentText();
        ASSERT_TRUE(shown.startsWith(QString("%1  ").arg(modes[i]))) << shown.toStdString();
        if (IsModeName(name)) ASSERT_TRUE(shown.mid(shown.indexOf("  ") + 2).startsWith(QString::fromUtf8(name)));
        p.outputMode = 0;
        c->Controls2Settings_Cocoa();
        ASSERT_EQ(p.outputMode, modes[i]);
    }
    EXPECT_EQ(c->output_popup->itemText(c->output_popup->findData(1040)), "1040  5-floret");
    // No two modes read alike, even without their numbers: the twins of one
    // name are told apart, and the codes without a name are described.
    std::set<QString> names;
    for (int i = 0; i < c->output_popup->count(); ++i) {
        const QString text = c->output_popup->itemText(i);
        EXPECT_TRUE(names.insert(text.mid(text.indexOf("  ") + 2)).second) << text.toStdString();
        EXPECT_FALSE(text.contains("mode ")) << text.toStdString();
    }
    for (int32_t twin : {289, 1047}) {
        const QStandardItem* item =
            qobject_cast<QStandardItemModel*>(c->output_popup->model())->item(c->output_popup->findData(twin));
        EXPECT_FALSE(item->toolTip().isEmpty()) << twin;   // what sets it apart
    }
    for (int32_t m = 1; m <= kInputModeCount; ++m)
        EXPECT_EQ(c->input_popup->itemText(m - 1), QString::fromUtf8(VorneskInputModeName(m)));
    EXPECT_EQ(c->grid->itemText(1), QString::fromUtf8("5°"));
    // A code without a mode shows no item and survives the way back.
    for (int32_t unlisted : {548, 1044, 1051, 0, -3}) {
        p.outputMode = unlisted;
        c->Settings2Controls_Cocoa();
        EXPECT_EQ(c->output_popup->currentIndex(), -1);
        c->Controls2Settings_Cocoa();
        EXPECT_EQ(p.outputMode, unlisted);
    }
}

TEST_F(DialogTest, SteppersWrapAroundTheirPopUps) {
    Open();
    Parameters& p = *records->params;
    p.grid = 1;
    c->Settings2Controls_Cocoa();
    c->grid_stepper->stepUp();   // up arrow: the previous item, from the first to the last
    EXPECT_EQ(p.grid, 7);
    c->grid_stepper->stepDown();
    EXPECT_EQ(p.grid, 1);
    // From the last mode of the menu (1050) round to the first.
    p.outputMode = ChoosableOutputModes().back();
    c->Settings2Controls_Cocoa();
    c->output_stepper->stepDown();
    EXPECT_EQ(p.outputMode, 1);
    // From 547 the stepper goes on into the modes above it, over those refused.
    p.outputMode = 547;
    c->Settings2Controls_Cocoa();
    c->output_stepper->stepDown();
    EXPECT_GT(p.outputMode, 547);
    EXPECT_TRUE(OutputModeIsRenderable(p.outputMode)) << p.outputMode;
    EXPECT_EQ(c->output_stepper->intValue(), 0);
}

TEST_F(DialogTest, TenKeyReleasesInOneSecondGiveOnePreviewASecondAfterTheLast) {
    Open();
    const int64_t start = rendered;
    for (int key = 0; key < 10; ++key) {
        c->latitude_text->setText(QString::number(10 + key));
        KeyUp(c->latitude_text);
        Pass();
        if (key < 9) AdvanceTestClock(0.1);
    }
    EXPECT_EQ(c->latitude->floatValue(), 19.0f);   // typed numbers move the slider at once
    AdvanceTestClock(0.99);
    Pass(3);
    EXPECT_EQ(rendered, start);
    AdvanceTestClock(0.02);
    Pass(3);
    EXPECT_EQ(rendered, start + 1);
    EXPECT_EQ(records->params->latitude, 19.0f);
    AdvanceTestClock(5.0);
    Pass(3);
    EXPECT_EQ(rendered, start + 1);
}

TEST_F(DialogTest, ASliderBurstGivesOnePreview) {
    Open();
    const int64_t start = rendered;
    for (int i = 0; i < 8; ++i) c->spin->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(c->spin_text->text(), "0.8");   // the field follows at once
    EXPECT_EQ(rendered, start);
    Pass(3);
    EXPECT_EQ(rendered, start + 1);
    EXPECT_FLOAT_EQ(records->params->spin, 0.8f);
}

TEST_F(DialogTest, OkWithARefreshPendingRendersNothingAfter) {
    Open();
    const int64_t start = rendered;
    c->background_color->userChose(RGBColor{1, 2, 3});
    c->ok->click();
    EXPECT_FALSE(NSApp_modalPass(false));
    EXPECT_EQ(c->endShowWindow(), 1);
    AdvanceTestClock(3.0);
    Pass(3);
    EXPECT_EQ(rendered, start);
    EXPECT_EQ(NSObject_pendingPerformRequests(nullptr), 0);
}

// A change asks the preview manager, whose request reaches the pane in the
// next pass: running while it renders, waiting until the pane has painted,
// then ready.
TEST_F(DialogTest, RefreshesGoThroughThePreviewManager) {
    Open();
    ProgressivePreviewManager* ppm = c->ppm.get();
    Pass(2);
    EXPECT_EQ(ppm->state, kProgressivePreviewState_ready);
    const int64_t start = rendered;
    int32_t stateWhileRendering = -1;
    ProxyView_Tarnwhistle_pano::renderForPreview() = [&](proxyBufferRecord* pbr) {
        ++rendered;
        stateWhileRendering = ppm->state;
        std::fill(pbr->pixels, pbr->pixels + pbr->byteCount, uint8_t(90));
    };
    c->flip->click();
    c->indicatrix->click();
    EXPECT_FALSE(c->proxyPreview->needsDisplay());
    EXPECT_EQ(rendered, start);
    Pass();
    EXPECT_EQ(rendered, start + 1);   // two requests, one preview
    EXPECT_EQ(stateWhileRendering, kProgressivePreviewState_running);
    EXPECT_EQ(ppm->proxyGUIItem, c->proxyPreview);
    EXPECT_EQ(ppm->state, kProgressivePreviewState_waiting_for_UI_to_draw);
    c->proxyPreview->repaint();
    EXPECT_EQ(ppm->state, kProgressivePreviewState_ready);
}

// OK pressed while a preview renders (as from the render's pump) waits for
// the render to end, then ends the loop with 1.
TEST_F(DialogTest, OkDuringARenderEndsTheLoopOnceTheRenderHasStopped) {
    Open();
    bool loopRanDuringRender = false;
    ProxyView_Tarnwhistle_pano::renderForPreview() = [&](proxyBufferRecord* pbr) {
        ++rendered;
        c->ok->click();
        loopRanDuringRender = NSApp_modalLoopRunning();
        std::fill(pbr->pixels, pbr->pixels + pbr->byteCount, uint8_t(90));
    };
    c->flip->click();
    EXPECT_FALSE(NSApp_modalPass(false));
    EXPECT_TRUE(loopRanDuringRender);
    EXPECT_EQ(c->endShowWindow(), 1);
    EXPECT_EQ(c->ppm->state, kProgressivePreviewState_ready);
}

TEST_F(DialogTest, CancelAndCloseGiveZeroAndCloseTheColourPanel) {
    for (int way = 0; way < 2; ++way) {
        Open();
        c->tab_color->click();
        ASSERT_TRUE(SharedColorPanel()->isVisible());
        if (way == 0) c->cancel->click();
        else c->dissolveWindow->close();
        EXPECT_FALSE(NSApp_modalPass(false));
        EXPECT_EQ(c->endShowWindow(), 0) << way;
        EXPECT_FALSE(SharedColorPanel()->isVisible()) << way;
        EXPECT_FALSE(c->dissolveWindow->isVisible()) << way;
    }
}

TEST_F(DialogTest, ATypedNumberBeforeTheFirstDrawEndsKeepsTheFirstStash) {
    c->beginShowWindow();
    Pass(2);   // the first preview is drawn; its end comes 0.1 s later
    KeyUp(c->sharpen_text);
    AdvanceTestClock(0.2);
    Pass(2);
    EXPECT_FALSE(c->gNeverDrewProxy);
    EXPECT_EQ(c->MemDotStatus[0], 2);
}

TEST_F(DialogTest, NoPreviewBufferRendersNothingAndKeepsTheLastPicture) {
    Open();
    const QImage last = c->proxyPreview->mostRecentPreview;
    ASSERT_FALSE(last.isNull());
    const int64_t before = rendered;
    SetRobustNewPtrFailures(1);
    c->updateProxy();
    Pass(2);
    SetRobustNewPtrFailures(0);
    EXPECT_EQ(rendered, before);
    EXPECT_EQ(c->proxyPreview->mostRecentPreview, last);
    c->updateProxy();   // memory back: the next draw renders
    Pass(2);
    EXPECT_EQ(rendered, before + 1);
}

TEST_F(DialogTest, AModeThisBuildCannotRenderShowsWhyInThePane) {
    Open();
    Parameters& p = *records->params;
    int32_t refused = 0;
    for (int32_t m : ChoosableOutputModes())
        if (!refused && !WhatThisBuildCannotRender([&] { Parameters q = p; q.outputMode = m; return q; }()).empty())
            refused = m;
    ASSERT_NE(refused, 0);
    const int64_t before = rendered;
    c->output_popup->setCurrentIndex(c->output_popup->findData(refused));
    emit c->output_popup->activated(c->output_popup->currentIndex());
    Pass(2);
    EXPECT_EQ(rendered, before);   // nothing is rendered
    EXPECT_TRUE(c->proxyPreview->mostRecentPreview.isNull());
    EXPECT_EQ(c->proxyPreview->refusal.toStdString(), WhatThisBuildCannotRender(p));
    EXPECT_FALSE(c->proxyPreview->refusal.isEmpty());
    // Back to a mode it renders: the picture returns.
    c->output_popup->setCurrentIndex(0);
    emit c->output_popup->activated(0);
    Pass(2);
    EXPECT_EQ(rendered, before + 1);
    EXPECT_TRUE(c->proxyPreview->refusal.isEmpty());
    EXPECT_FALSE(c->proxyPreview->mostRecentPreview.isNull());
}

// A render's warning (a net drawn with seams that have no glue tab) shows
// along the foot of the pane with the picture, until a pass without one;
// given outside a preview pass it goes to standard error.
TEST_F(DialogTest, ARenderWarningShowsUnderThePreviewUntilThePassWithout) {
    Open();
    Reporter r;
    r.warning = ShowRenderWarning;
    const Reporter* saved = InstalledReporter();
    InstallReporter(&r);
    const char* said = "9 seams of output mode 425 have no glue tab: no tab fits beside them in the net.";
    bool warn = true;
    ProxyView_Tarnwhistle_pano::renderForPreview() = [&](proxyBufferRecord* pbr) {
        ++rendered;
        if (warn) ReportWarning(said);
        std::fill(pbr->pixels, pbr->pixels + pbr->byteCount, uint8_t(90));
    };
    c->flip->click();
    Pass(2);
    EXPECT_EQ(c->proxyPreview->notice.toStdString(), said);
    EXPECT_TRUE(c->proxyPreview->refusal.isEmpty());
    EXPECT_FALSE(c->proxyPreview->mostRecentPreview.isNull());
    const QImage pane = c->proxyPreview->grab().toImage();
    // The band at the foot is dark, with the text in it.
    const QRgb foot = pane.pixel(pane.width() - 3, pane.height() - 3);
    EXPECT_LT(qGray(foot), 40);
    warn = false;
    c->flip->click();
    Pass(2);
    EXPECT_TRUE(c->proxyPreview->notice.isEmpty());
    testing::internal::CaptureStderr();
    ReportWarning(said);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), std::string("Vornesk 2: ") + said + "\n");
    EXPECT_TRUE(c->proxyPreview->notice.isEmpty());
    InstallReporter(saved);
}

TEST_F(DialogTest, UndoAfterDiceRestoresEveryField) {
    Open();
    Parameters& p = *records->params;
    p.latitude = 12.5f;
    p.longitude = -33.25f;
    p.spin = 7.0f;
    c->Settings2Controls_Cocoa();
    c->controlsChangedSoUpdatePreview();   // the state before the dice, with its snapshot
    const Parameters before = p;
    c->dice->click();
    ASSERT_FALSE(p.latitude == before.latitude && p.longitude == before.longitude && p.spin == before.spin);
    EXPECT_EQ(c->preset_name->text(), "random settings");
    SetPresetName(&p, "my name");
    c->undo->click();
    EXPECT_STREQ(p.presetName, "my name");   // an undo does not rename the preset
    ExpectSameShownSettings(before, p);
    EXPECT_EQ(std::memcmp(&before, &p, offsetof(Parameters, presetName)), 0);
    EXPECT_EQ(c->longitude_text->text(), "-33.25");
    EXPECT_EQ(c->latitude->floatValue(), 12.5f);
}

TEST_F(DialogTest, FactoryResetsOnlyTheOrientationAndLittlePlanetItsBlock) {
    Open();
    Parameters& p = *records->params;
    p.latitude = 10;
    p.inputMode = 5;
    p.outputMode = 33;
    p.FOV = 77;
    c->Settings2Controls_Cocoa();
    c->factory->click();
    EXPECT_EQ(p.latitude, 0.0f);
    EXPECT_EQ(p.inputMode, 5);
    EXPECT_EQ(p.outputMode, 33);
    EXPECT_EQ(p.FOV, 77.0f);
    c->little_planet->click();
    EXPECT_EQ(p.outputMode, 16);
    EXPECT_EQ(p.latitude, -90.0f);
    EXPECT_EQ(p.FOV, 110.0f);
    EXPECT_EQ(c->preset_name->text(), "little planet");
    for (int i = 0; i < 50; ++i) {
        c->randomseed->click();
        ASSERT_GE(p.randomSeed, 0);
        ASSERT_LE(p.randomSeed, 2047);
    }
}

TEST_F(DialogTest, FacesAndFieldOfViewFollowTheOutputMode) {
    Open();
    Parameters& p = *records->params;
    p.outputMode = 1;   // no polyhedron
    c->Settings2Controls_Cocoa();
    EXPECT_FALSE(c->faces->isEnabled());
    p.outputMode = 396;
    c->Settings2Controls_Cocoa();
    EXPECT_FALSE(c->FOV->isEnabled());
    EXPECT_FALSE(c->FOV_text->isEnabled());
}

TEST_F(DialogTest, ZoomButtonsChangeTheDivisorAndTheLabelShowsIt) {
    records.reset();
    records = std::make_unique<UiRecords>(6000, 3000);
    Open();
    Parameters& p = *records->params;
    const int32_t fit = p.proxyScale;
    ASSERT_GE(fit, 2);   // 1200 x 600 in a smaller pane
    EXPECT_FALSE(c->zoom_out->isEnabled());
    c->zoom_in->click();
    EXPECT_EQ(p.proxyScale, fit - 1);
    c->zoom_100->click();
    EXPECT_EQ(p.proxyScale, 1);
    EXPECT_EQ(c->zoom_percent->text(), "100%");
    EXPECT_FALSE(c->zoom_in->isEnabled());
    const int64_t before = rendered;
    c->zoom_100->click();   // at 100 % it still refreshes
    Pass(2);
    EXPECT_EQ(rendered, before + 1);
    p.proxyScale = 3;
    c->fixZoomersHilitesEasy();
    EXPECT_EQ(c->zoom_percent->text(), "33%");
    // The button says what it does, whatever the zoom.
    EXPECT_EQ(c->zoom_100->text(), "100%");
}

// The host that asks panes to draw after their window was dismissed gets
// nothing drawn while the dialog is not active; other hosts are not affected.
TEST_F(DialogTest, AnInactiveDialogDrawsNothingOnTheHostThatDrawsTooLate) {
    Open();
    ProxyView_Tarnwhistle_pano* pane = c->proxyPreview;
    for (OSType host : {MakeFourCC("AffP"), MakeFourCC("8BIM")}) {
        records->record->hostSig = host;
        const int64_t before = rendered;
        c->shuttingDown();
        pane->setNeedsDisplay();
        pane->displayIfNeeded();
        EXPECT_EQ(rendered, before + (host == MakeFourCC("AffP") ? 0 : 1));
        c->startingUp();
        pane->setNeedsDisplay();
        pane->displayIfNeeded();
        EXPECT_EQ(rendered, before + (host == MakeFourCC("AffP") ? 1 : 2));
    }
}

TEST_F(DialogTest, DraggingPansTheZoomedPreviewAndTheReleaseRefreshesIt) {
    records.reset();
    records = std::make_unique<UiRecords>(6000, 3000);
    Open();
    Parameters& p = *records->params;
    ProxyView_Tarnwhistle_pano* pane = c->proxyPreview;
    // The whole image shows: no drag starts.
    ASSERT_EQ(p.proxyScale, records->data->zoomDivisor);
    pane->viewMouseDown(10, 10, 0);
    EXPECT_EQ(gButtonIsPressed, 0);
    c->zoom_100->click();
    Pass(2);
    const int64_t before = rendered;
    const PreviewOffset start = p.previewOffset;
    pane->viewMouseDown(10, 10, 0);
    EXPECT_EQ(gButtonIsPressed, 1);
    pane->viewMouseDragged(0, 0);   // no movement: nothing
    EXPECT_EQ(gDraggedYet, 0);
    pane->viewMouseDragged(30, 20);
    EXPECT_EQ(gDraggedYet, 1);
    ASSERT_GE(start.x, 30);
    ASSERT_GE(start.y, 20);
    EXPECT_EQ(p.previewOffset.x, start.x - 30);
    EXPECT_EQ(p.previewOffset.y, start.y - 20);
    Pass(2);
    EXPECT_EQ(rendered, before);   // while dragging the input is shown as it is
    pane->viewMouseUp();
    EXPECT_EQ(gDraggedYet, 0);
    Pass(2);
    EXPECT_EQ(rendered, before + 1);
}

// ---- memory dots ----

TEST_F(DialogTest, MemoryDotFramesAndTheFirstStash) {
    MemDotIsPersistent[0] = MemDotIsPersistent[1] = 1;
    Open();
    ASSERT_EQ(c->MemoryDotArray.size(), size_t(kMemoryDots));
    const int expected[][3] = {{0, 8, 0}, {7, 4, 88}, {13, 70, 136}, {24, 124, 23}};
    for (auto [slot, x, y] : expected) {
        const QRect g = c->MemoryDotArray[slot]->geometry();
        EXPECT_EQ(g, QRect(8 + x, 8 + y, 8, 8)) << slot;
        EXPECT_EQ(c->MemoryDotArray[slot]->tag, slot);
    }
    // Dots 0 and 1 persistent: the first preview is stashed into dot 2.
    EXPECT_EQ(c->MemDotStatus[0], 1);
    EXPECT_EQ(c->MemDotStatus[1], 1);
    EXPECT_EQ(c->MemDotStatus[2], 2);
    EXPECT_EQ(c->MemoryDotArray[2]->property("imageName").toString(), "memdot-orange-square");
    EXPECT_EQ(c->MemoryDotArray[0]->property("imageName").toString(), "memdot-blue-circle");
    EXPECT_EQ(c->MemoryDotArray[3]->property("imageName").toString(), "memdot-clear-circle");
    EXPECT_TRUE(fs::exists(FileZerp_Get2019MemoryDotsFilePathForIndex(2)));
}

TEST_F(DialogTest, EveryDotStateWithEveryModifier) {
    Open();
    Parameters& p = *records->params;
    enum Start { kEmpty, kFilledPersistent, kFilledTemporary, kCurrent };
    struct Expect {
        uint16_t state;
        int32_t persistent;
        bool loaded;
    };
    const uint32_t modifiers[3] = {0, NSEventModifierFlagOption, NSEventModifierFlagControl};
    // [start][modifier]: state after, persistent after, whether the dot was loaded.
    const Expect table[4][3] = {
        {{2, 1, false}, {2, 1, false}, {2, 0, false}},
        {{2, 1, true}, {0, 0, false}, {1, 0, false}},
        {{2, 0, true}, {0, 0, false}, {1, 0, false}},
        {{2, 1, true}, {0, 0, false}, {2, 0, false}},
    };
    const int slot = 9;
    for (int start = 0; start < 4; ++start)
        for (int m = 0; m < 3; ++m) {
            // Make the dot: saved with latitude 40, then the settings move to latitude 5.
            c->MemDotStatus[slot] = 0;
            MemDotIsPersistent[slot] = 0;
            if (start != kEmpty) {
                p.latitude = 40.0f;
                c->ReactToClickOnMemoryDot(slot, start == kFilledTemporary ? NSEventModifierFlagControl : 0);
                if (start != kCurrent) c->MakeNoMemoryDotCurrent();
            }
            p.latitude = 5.0f;
            c->Settings2Controls_Cocoa();
            c->ReactToClickOnMemoryDot(slot, modifiers[m]);
            const Expect& e = table[start][m];
            EXPECT_EQ(c->MemDotStatus[slot], e.state) << start << " " << m;
            EXPECT_EQ(MemDotIsPersistent[slot], e.persistent) << start << " " << m;
            EXPECT_EQ(p.latitude, e.loaded ? 40.0f : 5.0f) << start << " " << m;
            EXPECT_EQ(c->MemoryDotArray[slot]->property("imageName").toString(),
                      Controller_Tarnwhistle_pano::MemdotImageName(e.state, e.persistent != 0));
            if (e.loaded) {
                EXPECT_EQ(c->preset_name->text(), "dot 10");
                EXPECT_STREQ(p.presetName, "dot 10");
            }
        }
    // Slots outside 0..24 are ignored.
    c->ReactToClickOnMemoryDot(25, 0);
    c->DoTotalMemoryDotLoad(-1);
    c->DoTotalMemoryDotSave(99);
}

TEST_F(DialogTest, HoveringAFilledDotTwiceTakesItOnce) {
    Open();
    c->ReactToClickOnMemoryDot(11, 0);
    c->ReactToHoverOverEmptyMemoryDot(false);
    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
    QCoreApplication::sendEvent(c->MemoryDotArray[11], &enter);
    EXPECT_EQ(c->CurrentlyHoveringOverMemoryDot, 11);
    EXPECT_EQ(c->RecentlyHoveringOverMemoryDot, 11);
    QCoreApplication::sendEvent(c->MemoryDotArray[12], &enter);   // empty: the thumbnail clears
    EXPECT_EQ(c->CurrentlyHoveringOverMemoryDot, -1);
    // The thumbnail loads the most recently hovered filled dot; with a modifier, nothing.
    QCoreApplication::sendEvent(c->MemoryDotArray[11], &enter);
    records->params->latitude = 3.0f;
    c->ReactToMemdotThumbnailPressed(NSEventModifierFlagOption);
    EXPECT_EQ(records->params->latitude, 3.0f);
    c->ReactToMemdotThumbnailPressed(0);
    EXPECT_EQ(c->preset_name->text(), "dot 12");
}

TEST_F(DialogTest, ASecondInvocationReusesTheWindowAndIsActiveOnlyInBetween) {
    Open();
    Window* window = c->dissolveWindow;
    c->cancel->click();
    c->endShowWindow();
    c->shuttingDown();
    EXPECT_FALSE(c->nowActive);
    EXPECT_EQ(Controller_Tarnwhistle_pano::sharedInstance(), c);
    c->startingUp();
    EXPECT_TRUE(c->nowActive);
    Open();
    EXPECT_EQ(c->dissolveWindow, window);
    EXPECT_EQ(c->MemoryDotArray.size(), size_t(kMemoryDots));
    EXPECT_EQ(c->output_popup->count(), int(ChoosableOutputModes().size()));
}

TEST_F(DialogTest, ClickedDotsAreFilled) {
    Open();   // the stash fills dot 0
    const auto filled = [this] {
        int n = 0;
        for (int slot = 0; slot < kMemoryDots; ++slot) n += c->MemDotStatus[slot] != 0;
        return n;
    };
    EXPECT_NE(c->MemDotStatus[0], 0);
    EXPECT_EQ(filled(), 1);
    for (int slot = 1; slot < kMemoryDots; ++slot) c->ReactToClickOnMemoryDot(slot, 0);
    EXPECT_EQ(filled(), kMemoryDots);
    EXPECT_EQ(c->GetNonpersistentMemdot(), 0);
}

TEST_F(DialogTest, AFilledDotWhoseFileIsGoneKeepsTheSettingsAndEmpties) {
    Open();
    Parameters& p = *records->params;
    p.latitude = 40.0f;
    c->ReactToClickOnMemoryDot(4, 0);
    fs::remove(FileZerp_Get2019MemoryDotsFilePathForIndex(4));
    p.latitude = 5.0f;
    p.outputMode = 33;
    c->ReactToClickOnMemoryDot(4, 0);
    EXPECT_EQ(p.latitude, 5.0f);
    EXPECT_EQ(p.outputMode, 33);
    EXPECT_EQ(c->MemDotStatus[4], 0);
    EXPECT_EQ(MemDotIsPersistent[4], 0);
}

TEST_F(DialogTest, PersistentDotsSurviveIntoTheNextInvocation) {
    gMemDotFlagsKnown = true;
    Open();
    c->ReactToClickOnMemoryDot(6, 0);                            // persistent
    c->ReactToClickOnMemoryDot(7, NSEventModifierFlagControl);  // temporary
    WriteInvocationBracketingSettingsFile(kMemDotMapName);
    c->ok->click();
    c->endShowWindow();
    for (int32_t& f : MemDotIsPersistent) f = 0;
    ReadInvocationBracketingSettingsFileCocoa(kMemDotMapName);
    Open();
    EXPECT_EQ(c->MemDotStatus[6], 1);
    EXPECT_EQ(c->MemoryDotArray[6]->property("imageName").toString(), "memdot-blue-circle");
    EXPECT_NE(c->MemDotStatus[7], 1);   // temporary dots start empty (or take the stash)
    EXPECT_EQ(c->GetNonpersistentMemdot(), 0);
}

TEST_F(DialogTest, PresetNamesAreTerminatedCutAndMacRoman) {
    Open();
    c->SetCurrentPresetFilenameToNSString(QString::fromUtf8("caf\u00e9 \u2192 \u03c0"));
    // é and π exist in Mac Roman, the arrow does not.
    EXPECT_STREQ(records->params->presetName, "caf\x8e ? \xb9");
    c->SetCurrentPresetFilenameToNSString(QString(400, QChar('x')));
    EXPECT_EQ(std::strlen(records->params->presetName), size_t(kPresetNameLength - 1));
    EXPECT_EQ(Controller_Tarnwhistle_pano::myLocalizedStringFor("no such key"), "no such key");
}

// The preset-name label cross-fades in half a second, the dot thumbnail in
// a quarter when animated and 0.08 s when not; on the test clock.
TEST_F(DialogTest, PresetNameAndThumbnailFadeOnTheClock) {
    Open();
    QLabel* label = c->preset_name;
    const QPoint inLabel = label->mapTo(c->dissolveWindow, QPoint(0, 0));
    const QImage before = c->dissolveWindow->grab().toImage();
    c->dice_pressed();
    EXPECT_EQ(label->text(), Controller_Tarnwhistle_pano::myLocalizedStringFor("RandomSettings"));
    // Ease-in-ease-out is symmetric: half the fade at half the time.
    const auto oldLook = [label] { return CATransitionFade_oldLookOpacity(label, "changeTextTransition"); };
    EXPECT_EQ(oldLook(), 1.0);
    AdvanceTestClock(0.1);
    const double early = oldLook();
    AdvanceTestClock(0.15);
    EXPECT_NEAR(oldLook(), 0.5, 1e-9);
    AdvanceTestClock(0.15);
    const double late = oldLook();
    EXPECT_GT(early, 0.5);
    EXPECT_LT(late, 0.5);
    EXPECT_NEAR(early, 1.0 - late, 1e-9);
    AdvanceTestClock(0.1);
    EXPECT_EQ(oldLook(), 0.0);
    const std::pair<double, double> thumbnail[] = {{0.0, 1.0}, {0.125, 0.5}, {0.125, 0.0}};
    // Over: the label shows only the new name.
    Pass();
    const QImage after = c->dissolveWindow->grab().toImage();
    bool changed = false;
    for (int y = 0; y < label->height(); ++y)
        for (int x = 0; x < label->width(); ++x)
            changed |= before.pixel(inLabel + QPoint(x, y)) != after.pixel(inLabel + QPoint(x, y));
    EXPECT_TRUE(changed);

    c->ReactToHoverOverEmptyMemoryDot(true);
    for (auto [advance, opacity] : thumbnail) {
        AdvanceTestClock(advance);
        EXPECT_NEAR(CATransitionFade_oldLookOpacity(c->MemdotThumbnail, "changeImage"), opacity, 1e-9);
    }
    c->ReactToHoverOverEmptyMemoryDot(false);
    AdvanceTestClock(0.04);
    EXPECT_NEAR(CATransitionFade_oldLookOpacity(c->MemdotThumbnail, "changeImage"), 0.5, 1e-9);
    AdvanceTestClock(0.04);
    EXPECT_EQ(CATransitionFade_oldLookOpacity(c->MemdotThumbnail, "changeImage"), 0.0);
}

// The pictures kept with dots and settings files show the middle of the
// preview: a preview wider than tall is cut to its centre square, not its
// left end, both as taken and as the dot's thumbnail shows it.
TEST_F(DialogTest, SavedPreviewsShowTheMiddleOfThePicture) {
    // A ramp from black on the left to white on the right.
    ProxyView_Tarnwhistle_pano::renderForPreview() = [this](proxyBufferRecord* pbr) {
        ++rendered;
        for (int32_t i = 0; i < pbr->byteCount; ++i)
            pbr->pixels[i] = uint8_t(255 * (i % pbr->width) / std::max(pbr->width - 1, 1));
    };
    MakePreviewPyramid();
    Open();
    const QImage& shown = c->proxyPreview->mostRecentPreview;
    const double W = shown.width(), H = shown.height();
    ASSERT_GT(W, 1.5 * H);
    // The square's left and right columns lie (W - H) / 2 from the picture's sides.
    const double left = 255 * (W - H) / 2 / (W - 1), right = 255 * (W + H) / 2 / (W - 1);
    const QImage square = c->proxyPreview->previewWithPointSize(240);
    ASSERT_EQ(square.size(), QSize(240, 240));
    EXPECT_NEAR(qRed(square.pixel(1, 120)), left, 8);
    EXPECT_NEAR(qRed(square.pixel(238, 120)), right, 8);
    // The first preview's dot (0) as its thumbnail shows it.
    c->ShowThumbnailForMemdot(0, false);
    const QImage thumbnail = c->MemdotThumbnail->icon().pixmap(128, 128).toImage();
    ASSERT_FALSE(thumbnail.isNull());
    const int y = thumbnail.height() / 2;
    EXPECT_NEAR(qRed(thumbnail.pixel(2, y)), left, 12);
    EXPECT_NEAR(qRed(thumbnail.pixel(thumbnail.width() - 3, y)), right, 12);
}

// A first preview this build refuses (a refused output mode) still leaves
// its session dot a thumbnail: the pane's grey with the reason, not black.
TEST_F(DialogTest, ARefusedFirstPreviewLeavesItsDotAThumbnailThatSaysWhy) {
    Parameters& p = *records->params;
    for (int32_t m : ChoosableOutputModes())
        if (!OutputModeIsRenderable(m)) {
            p.outputMode = m;
            break;
        }
    ASSERT_FALSE(OutputModeIsRenderable(p.outputMode));
    MakePreviewPyramid();
    c->beginShowWindow();
    Pass(2);
    AdvanceTestClock(0.2);
    Pass(2);
    ASSERT_FALSE(c->proxyPreview->refusal.isEmpty());
    ASSERT_EQ(c->MemDotStatus[0], 2);
    c->ReactToHoverOverEmptyMemoryDot(false);
    c->ShowThumbnailForMemdot(0, false);
    const QImage thumbnail = c->MemdotThumbnail->icon().pixmap(128, 128).toImage();
    ASSERT_FALSE(thumbnail.isNull());
    int grey = 0, light = 0;
    for (int yy = 0; yy < thumbnail.height(); ++yy)
        for (int xx = 0; xx < thumbnail.width(); ++xx) {
            const int g = qGray(thumbnail.pixel(xx, yy));
            grey += std::abs(g - 0x40) <= 6;
            light += g > 160;
        }
    const int n = thumbnail.width() * thumbnail.height();
    EXPECT_GT(grey, n / 2);   // the pane's grey, not black
    EXPECT_GT(light, 20);     // and the reason's letters on it
}

// A switch this build refuses (de-haloing) is greyed with the reason, as
// refused modes are; settings that turn it on leave it usable, to turn off.
TEST_F(DialogTest, TheDeHaloSwitchIsGreyedWithItsReason) {
    Open();
    Parameters& p = *records->params;
    Parameters probe = p;
    probe.dehalo = 1;
    const std::string why = WhatThisBuildCannotRender(probe);
    ASSERT_FALSE(why.empty());
    EXPECT_FALSE(c->dehalo->isEnabled());
    EXPECT_EQ(c->dehalo->toolTip().toStdString(), why);
    p.dehalo = 1;   // from a settings file
    c->Settings2Controls_Cocoa();
    EXPECT_TRUE(c->dehalo->isEnabled());
    c->dehalo->click();
    EXPECT_EQ(p.dehalo, 0);
    EXPECT_FALSE(c->dehalo->isEnabled());
}

// Every memory dot's tooltip names its slot and what it holds: empty, or
// the output and input modes of its settings, for how long, and in use.
TEST_F(DialogTest, EveryDotsTooltipSaysItsSlotAndWhatItHolds) {
    Open();
    Parameters& p = *records->params;
    p.outputMode = 62;   // Mercator
    c->Settings2Controls_Cocoa();
    c->ReactToClickOnMemoryDot(4, 0);
    p.outputMode = 46;   // Mollweide
    c->Settings2Controls_Cocoa();
    c->ReactToClickOnMemoryDot(6, NSEventModifierFlagControl);
    const auto tip = [this](int slot) { return c->MemoryDotArray[size_t(slot)]->toolTip().toStdString(); };
    EXPECT_EQ(tip(4).rfind("dot 5: Mercator from equirectangular, kept across runs.", 0), 0u) << tip(4);
    EXPECT_EQ(tip(6).rfind("dot 7: Mollweide from equirectangular, kept for this session, in use.", 0), 0u) << tip(6);
    EXPECT_EQ(tip(9).rfind("dot 10: empty.", 0), 0u) << tip(9);
    // Emptied, it says so.
    c->ReactToClickOnMemoryDot(4, NSEventModifierFlagOption);
    EXPECT_EQ(tip(4).rfind("dot 5: empty.", 0), 0u) << tip(4);
    std::set<std::string> tips;
    for (int slot = 0; slot < kMemoryDots; ++slot) tips.insert(tip(slot));
    EXPECT_EQ(tips.size(), size_t(kMemoryDots));
}

// The help sheet names every zoom button and every export and gallery
// command by the caption its button shows.
TEST_F(DialogTest, TheHelpSheetNamesTheZoomAndEveryExport) {
    Open();
    auto* help = c->dissolveWindow->findChild<QLabel*>("help_text");
    ASSERT_NE(help, nullptr);
    QTextDocument text;
    text.setHtml(help->text());
    const QString said = text.toPlainText();
    for (const char* name : {"zoom_out", "zoom_100", "zoom_in", "psdexport", "PSDWithSize", "cube_export",
                             "export_faces", "lego", "extra_actions", "output_gallery", "voronoi", "polyhedra_gallery",
                             "all_exportable_polyhedra"}) {
        auto* button = c->dissolveWindow->findChild<QPushButton*>(name);
        ASSERT_NE(button, nullptr) << name;
        EXPECT_TRUE(said.contains(button->text())) << name << ": " << button->text().toStdString();
    }
}

// Hovering a filled dot whose file is gone leaves the thumbnail as it was.
TEST_F(DialogTest, AThumbnailWithoutItsDotFileStaysAsItWas) {
    Open();
    c->DoTotalMemoryDotSave(7);
    fs::remove(FileZerp_Get2019MemoryDotsFilePathForIndex(7));
    c->ReactToHoverOverEmptyMemoryDot(false);
    c->MemdotThumbnail->setIcon(c->MemoryDotArray[0]->icon());
    const qint64 before = c->MemdotThumbnail->icon().cacheKey();
    c->ReactToHoverOverMemoryDot(7, true, false);
    EXPECT_EQ(c->MemdotThumbnail->icon().cacheKey(), before);
    EXPECT_EQ(c->RecentlyHoveringOverMemoryDot, 7);
}

// Modes this build cannot render stay in the menus, greyed, with the reason
// as their tooltip; chosen anyway (by a settings file, say), they disable OK
// and the exports, which say why; the steppers step over them.
TEST_F(DialogTest, RefusedModesAreGreyedWithTheirReasonAndDisableOkAndTheExports) {
    Open();
    struct Menu {
        QComboBox* popup;
        int count;
        bool (*renders)(int64_t);
        int32_t Parameters::*field;
    };
    const Menu menus[] = {{c->output_popup, int(ChoosableOutputModes().size()), OutputModeIsRenderable,
                           &Parameters::outputMode},
                          {c->input_popup, kInputModeCount, InputModeIsRenderable, &Parameters::inputMode}};
    for (const Menu& m : menus) {
        auto* model = qobject_cast<QStandardItemModel*>(m.popup->model());
        ASSERT_NE(model, nullptr);
        ASSERT_EQ(m.popup->count(), m.count);
        int refused = 0;
        for (int i = 0; i < m.count; ++i) {
            const int32_t code = m.popup->itemData(i).toInt();
            const bool renders = m.renders(code);
            QStandardItem* item = model->item(i);
            EXPECT_EQ(item->isEnabled(), renders) << code;
            if (renders) continue;
            ++refused;
            Parameters probe{};
            GrabDefaultSettings(&probe);
            probe.*m.field = code;
            EXPECT_EQ(item->toolTip().toStdString(), WhatThisBuildCannotRender(probe)) << code;
        }
        if (m.popup == c->output_popup) EXPECT_GT(refused, 0);
    }
    Parameters& p = *records->params;
    auto* psd = c->dissolveWindow->findChild<QPushButton*>("psdexport");
    auto* cube = c->dissolveWindow->findChild<QPushButton*>("cube_export");
    int32_t refusedMode = 0, before = 0;
    for (int32_t mode = 2; mode <= 547 && !refusedMode; ++mode)
        if (!OutputModeIsRenderable(mode) && OutputModeIsRenderable(mode - 1)) refusedMode = mode, before = mode - 1;
    ASSERT_GT(refusedMode, 0);
    p.outputMode = refusedMode;
    c->Settings2Controls_Cocoa();
    for (QPushButton* b : {c->ok, psd, cube}) {
        EXPECT_FALSE(b->isEnabled()) << b->objectName().toStdString();
        EXPECT_EQ(b->toolTip().toStdString(), WhatThisBuildCannotRender(p));
    }
    // The stepper from the mode before lands on the next mode that renders.
    p.outputMode = before;
    c->Settings2Controls_Cocoa();
    for (QPushButton* b : {c->ok, psd, cube}) EXPECT_TRUE(b->isEnabled());
    c->nudgePopupsIndexBy(1, c->output_popup);
    EXPECT_GT(p.outputMode, refusedMode);
    EXPECT_TRUE(OutputModeIsRenderable(p.outputMode));
    for (int32_t mode = refusedMode; mode < p.outputMode; ++mode) EXPECT_FALSE(OutputModeIsRenderable(mode));
}

}  // namespace
