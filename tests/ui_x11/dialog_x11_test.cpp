// The dialog as a user meets it: a real X server, real mouse and keyboard
// input at the widgets' screen positions, the real renderer behind the
// preview, and the exports through the dialog's own buttons and sheets (the
// save panel answered by the test).
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QWindow>
#include <QAbstractItemView>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <iterator>
#include <optional>
#include <thread>

#include "platform/appkit/alerts.h"
#include "platform/appkit/run_loop.h"
#include "platform/appkit/sheets.h"
#include "platform/host/filter_record.h"
#include "records/parameters.h"
#include "records/plugin_globals.h"
#include "shell/mode_catalogue.h"
#include "shell/renderable.h"
#include "pyramid/picture_reading.h"
#include "solids/kept_solids.h"
#include "tests/files/psd_test_support.h"
#include "tests/ui_x11/x11_fixture.h"
#include "cli/document.h"
#include "cli/host_session.h"
#include "cli/image_files.h"
#include "cli/settings_options.h"
#include "ui/dialog.h"
#include "ui/mode_menu.h"
#include "ui/preview_manager.h"
#include "ui/proxy_view.h"

namespace {

namespace fs = std::filesystem;

double Seconds() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

// The modes the open mode list shows now, in its order: the number each
// shown row's caption starts with.
std::vector<int32_t> ShownModes(const QTreeWidget* list) {
    std::vector<int32_t> modes;
    if (!list) return modes;
    for (int f = 0; f < list->topLevelItemCount(); ++f) {
        const QTreeWidgetItem* family = list->topLevelItem(f);
        if (family->isHidden()) continue;
        for (int i = 0; i < family->childCount(); ++i)
            if (!family->child(i)->isHidden()) modes.push_back(family->child(i)->text(0).section(' ', 0, 0).toInt());
    }
    return modes;
}

HostDocument Earth() {
    HostDocument earth;
    std::string error;
    EXPECT_TRUE(ReadImageFile(std::string(VORNESK_SOURCE_DIR) + "/samples/earth-2048x1024.jpg", &earth, &error))
        << error;
    return earth;
}

// Runs step in every pass of the dialog's loop until it answers true.
struct Repeater {
    std::function<bool()> step;
    void operator()() const {
        if (!step()) DispatchToDialogLoop(*this);
    }
};
void EveryPassUntil(std::function<bool()> step) { DispatchToDialogLoop(Repeater{std::move(step)}); }

Controller_Tarnwhistle_pano* C();

// The same once the dialog is up, for a test's own sequence; after `seconds`
// it gives up, fails the test and cancels the dialog.
void EveryPassOfTheDialogUntil(double seconds, std::function<bool()> step) {
    const double giveUp = Seconds() + seconds;
    EveryPassUntil([giveUp, step = std::move(step)]() -> bool {
        if (!Controller_Tarnwhistle_pano::exists()) return false;
        if (Seconds() > giveUp) {
            ADD_FAILURE() << "stuck";
            C()->cancel->click();
            return true;
        }
        return step();
    });
}

// A step that clicks the middle of the widget `find` gives.
std::function<bool()> ClickStep(XInput& x, std::function<QWidget*()> find) {
    return [&x, find] {
        x.Click(OnScreen(find()));
        return true;
    };
}

// A setting of the host's run, by its mode's name or number.
DescriptorItem Setting(ModeKind kind, const std::string& mode) {
    DescriptorItem item;
    std::string error;
    EXPECT_TRUE(ModeToItem(kind, mode, &item, &error)) << error;
    return item;
}

Controller_Tarnwhistle_pano* C() { return Controller_Tarnwhistle_pano::sharedInstance(); }

// The preview is on screen and nothing is pending: no pass runs or waits.
bool PreviewSettled(int64_t renderedBefore) {
    if (!Controller_Tarnwhistle_pano::exists()) return false;
    Controller_Tarnwhistle_pano* c = C();
    ProxyView_Tarnwhistle_pano* pane = c->proxyPreview;
    return pane && !pane->mostRecentPreview.isNull() && !pane->needsDisplay() &&
           pane->previewsRendered > renderedBefore && !c->gNeverDrewProxy &&
           c->ppm->state == kProgressivePreviewState_ready && NSObject_pendingPerformRequests(pane) == 0;
}

template <class T>
T* Child(const char* name) {
    return C()->dissolveWindow->findChild<T*>(name);
}

// The down arrow of a stepper: the next item of its pop-up.
QPoint StepperDown(const char* name) {
    auto* stepper = Child<QWidget>(name);
    QList<QToolButton*> arrows = stepper->findChildren<QToolButton*>();
    return OnScreen(arrows.size() == 2 ? arrows[1] : static_cast<QWidget*>(stepper));
}

double MeanAbsoluteDifference(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) return 255.0;
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q));
        }
    return sum / (3.0 * a.width() * a.height());
}

// Steps, each run in every pass of the dialog's loop until it answers true,
// one after the other once the preview has settled; a step that never
// finishes cancels the dialog after a while.
struct Steps {
    std::vector<std::function<bool()>> steps;
    size_t next = 0;
    int64_t rendered = 0;
    double giveUp = 0;
    void Start() {
        giveUp = Seconds() + 60;
        EveryPassUntil([this]() -> bool {
            if (Seconds() > giveUp && Controller_Tarnwhistle_pano::exists()) {
                ADD_FAILURE() << "stuck at step " << next;
                C()->cancel->click();
                return true;
            }
            if (next == 0 && !PreviewSettled(rendered)) return false;
            if (next >= steps.size()) return true;
            if (steps[next]()) {
                ++next;
                // The next wait for the preview waits for one rendered after this step.
                if (Controller_Tarnwhistle_pano::exists()) rendered = C()->proxyPreview->previewsRendered;
            }
            return next >= steps.size();
        });
    }
    // Waits for the preview to settle after the last change.
    std::function<bool()> Settled() {
        return [this] {
            if (!PreviewSettled(rendered)) return false;
            rendered = C()->proxyPreview->previewsRendered;
            return true;
        };
    }
};

// Whether the sheet is up and on screen; it then has the keyboard (as the
// window manager would give it).
bool SheetShown(QDialog* sheet) {
    if (!sheet || !sheet->isVisible() || !sheet->windowHandle() || !sheet->windowHandle()->isExposed()) return false;
    if (!sheet->isActiveWindow()) {
        sheet->activateWindow();
        return false;
    }
    return true;
}

// The RGB planes of a PSD's first layer, read by psd-tools.
struct PsdLayer {
    std::string name;
    int width = 0, height = 0;
    std::vector<uint8_t> planes[3];
    bool clean = false;   // no warnings
    // Sample (x, y) of plane k, 8-bit.
    int At(int k, int x, int y) const { return planes[k][size_t(y) * width + x]; }
};

PsdLayer ReadPsdLayer(const std::string& path, const std::string& folder) {
    PsdLayer layer;
    const psdtest::ReadBack r = psdtest::ReadWithPsdTools(path, folder);
    layer.clean = r.warnings.empty() && r.facts.count("layers");
    if (!layer.clean) return layer;
    layer.name = r.facts.at("layer 0 name");
    std::istringstream size(r.facts.at("size"));
    size >> layer.width >> layer.height;
    for (int k = 0; k < 3; ++k) layer.planes[k] = r.Raw("layer0_" + std::to_string(k) + ".raw");
    return layer;
}

// One side of a square face, as RGB samples from one corner to the other.
std::vector<int> Side(const PsdLayer& f, int side, bool reversed) {
    const int n = f.width;
    std::vector<int> out;
    for (int i = 0; i < n; ++i) {
        const int j = reversed ? n - 1 - i : i;
        const int x = side == 0 ? j : side == 1 ? n - 1 : side == 2 ? j : 0;
        const int y = side == 0 ? 0 : side == 1 ? j : side == 2 ? n - 1 : j;
        for (int k = 0; k < 3; ++k) out.push_back(f.At(k, x, y));
    }
    return out;
}

double MeanDifference(const std::vector<int>& a, const std::vector<int>& b) {
    double sum = 0;
    for (size_t i = 0; i < a.size(); ++i) sum += std::abs(a[i] - b[i]);
    return sum / double(a.size());
}

// A step: once the sheet shows, the user types text over what its field held.
std::function<bool()> TypeIntoSheet(XInput& x, QDialog* Controller_Tarnwhistle_pano::*sheet,
                                    TextField* Controller_Tarnwhistle_pano::*field, const char* text) {
    return [&x, sheet, field, text] {
        if (!SheetShown(C()->*sheet)) return false;
        x.Click(OnScreen(C()->*field));
        x.Key("End");
        for (int i = 0; i < 8; ++i) x.Key("BackSpace");
        x.Type(text);
        return true;
    };
}

// A step: once the field says text, the user presses the sheet's button.
std::function<bool()> PressSheetButton(XInput& x, TextField* Controller_Tarnwhistle_pano::*field, const char* text,
                                       const char* button) {
    return [&x, field, text, button] {
        if ((C()->*field)->text() != text) return false;
        x.Click(OnScreen(C()->dissolveWindow->findChild<QPushButton*>(button)));
        return true;
    };
}

struct DialogX11Test : ::testing::Test {
    fs::path dir;
    std::vector<AlertSetup> alerts;
    std::vector<PanelSetup> panels;
    QString panelAnswer;
    void SetUp() override {
        dir = fs::temp_directory_path() / ("vornesk-x11-" + std::to_string(getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir / "support");
        setenv("VORNESK_SUPPORT_DIR", (dir / "support").c_str(), 1);
        SetPanelProvider([this](const PanelSetup& s, PanelCompletion done) {
            panels.push_back(s);
            done(panelAnswer.isEmpty() ? NSModalResponseCancel : NSModalResponseOK, panelAnswer);
        });
        SetAlertResponder([this](const AlertSetup& s, QMessageBox*) {
            alerts.push_back(s);
            return NSAlertFirstButtonReturn;
        });
    }
    void TearDown() override {
        SetPanelProvider(nullptr);
        SetAlertResponder(nullptr);
        fs::remove_all(dir);
    }
    // Runs the host's dialog path over doc; the steps drive the dialog.
    HostRunReport RunDialog(HostDocument* doc, std::vector<DescriptorItem> settings = {}) {
        HostRunSettings run;
        run.haveSettings = true;
        run.showDialog = true;
        run.settings = std::move(settings);
        HostRunReport report;
        RunFilter(PluginMain, doc, run, &report);
        return report;
    }
};

// Passes of the preview as the pane saw them, sampled by a timer that fires
// inside the passes too (the window is served while tiles render).
struct PassWatch {
    struct Pass {
        double start = 0, end = 0;
        bool stopped = false;
        bool partialSeen = false;   // tiles shown before the pass ended
    };
    std::vector<Pass> passes;
    QTimer timer;
    QImage before;   // the picture when the pass began
    std::atomic<double> runningSince{0};
    bool running = false;
    int64_t shownAtStart = 0;
    int64_t stoppedAtStart = 0;
    // Once the application exists.
    void Start() {
        timer.setInterval(1);
        QObject::connect(&timer, &QTimer::timeout, [this] { Sample(); });
        timer.start();
    }
    void Sample() {
        if (!Controller_Tarnwhistle_pano::exists()) return;
        Controller_Tarnwhistle_pano* c = C();
        ProxyView_Tarnwhistle_pano* pane = c->proxyPreview;
        const bool now = c->ppm->state == kProgressivePreviewState_running ||
                         c->ppm->state == kProgressivePreviewState_aborting;
        if (now && !running) {
            passes.push_back(Pass{Seconds()});
            before = pane->mostRecentPreview;
            shownAtStart = pane->tilesShownDuringPasses;
            stoppedAtStart = pane->passesStopped;
            runningSince = passes.back().start;
        }
        if (now && pane->tilesShownDuringPasses > shownAtStart && !passes.back().partialSeen &&
            MeanAbsoluteDifference(before, pane->mostRecentPreview) > 0.5)
            passes.back().partialSeen = true;
        if (!now && running) {
            passes.back().end = Seconds();
            passes.back().stopped = pane->passesStopped > stoppedAtStart;
            runningSince = 0;
        }
        running = now;
    }
};

// Whether a press on a widget reached the dialog while a pass ran, when it
// can stop the pass, or only once the pass had ended. Installed after the
// dialog's own filter, it sees the press first.
struct PressArrival : QObject {
    const QWidget* widget = nullptr;
    bool arrived = false;
    bool duringAPass = false;
    bool eventFilter(QObject* target, QEvent* e) override {
        if (arrived || !widget || !target->isWindowType() || e->type() != QEvent::MouseButtonPress) return false;
        const QPoint at = widget->mapFromGlobal(static_cast<QMouseEvent*>(e)->globalPosition().toPoint());
        if (!widget->rect().contains(at)) return false;
        arrived = true;
        duringAPass = C()->ppm->state == kProgressivePreviewState_running ||
                      C()->ppm->state == kProgressivePreviewState_aborting;
        return false;
    }
};

TEST_F(DialogX11Test, ThePreviewRendersInTheBackgroundAndShowsItsTilesAsTheyCome) {
    HostDocument doc = Earth();
    XInput x;
    ASSERT_TRUE(x.ok());
    PassWatch watch;
    int stage = 0;
    int64_t rendered = 0;
    int32_t modeBefore = 0;
    float latitudeBefore = 0;
    size_t passesBefore = 0;
    size_t firstChange = 0;   // the first pass after the settings first changed
    std::thread clicker;
    int attempts = 0;
    std::atomic<double> clickSent{0}, clickHandled{0};
    QMetaObject::Connection handled;
    PressArrival press;
    const double giveUp = Seconds() + 120;
    EveryPassUntil([&]() -> bool {
        if (Seconds() > giveUp && Controller_Tarnwhistle_pano::exists()) {
            ADD_FAILURE() << "stuck at stage " << stage;
            C()->cancel->click();
            return true;
        }
        if (!PreviewSettled(rendered)) return false;
        Controller_Tarnwhistle_pano* c = C();
        rendered = c->proxyPreview->previewsRendered;
        switch (stage++) {
            case 0:
                watch.Start();
                // A bigger pane and the best quality, so that a pass takes long enough to click into.
                c->dissolveWindow->resize(1400, 1000);
                x.Click(StepperDown("previewquality_stepper"));
                x.Click(StepperDown("previewquality_stepper"));
                return false;
            case 1:
                // The output mode by its stepper.
                modeBefore = gParams->outputMode;
                firstChange = watch.passes.size();
                x.Click(StepperDown("output_stepper"));
                return false;
            case 2: {
                EXPECT_NE(gParams->outputMode, modeBefore);
                // The latitude by dragging its slider's handle.
                latitudeBefore = gParams->latitude;
                const QPoint handle = OnScreen(c->latitude);
                x.MoveTo(handle);
                x.Button(true);
                for (int dx = 4; dx <= 60; dx += 4) x.MoveTo(handle + QPoint(dx, 0));
                x.Button(false);
                return false;
            }
            case 3: {
                if (attempts++ == 0) EXPECT_NE(gParams->latitude, latitudeBefore);
                // A click on "flip" while a pass runs: sent from a thread of its
                // own, 0.1 s into the pass (or half way through a short one).
                double lastPass = 0.2;
                for (const auto& p : watch.passes)
                    if (p.end > p.start && !p.stopped) lastPass = p.end - p.start;
                const double into = std::min(0.1, lastPass / 2);
                // On its box: the rest of its cell is no part of the button.
                const QPoint flip = OnScreen(c->flip, QPoint(8, c->flip->height() / 2));
                handled = QObject::connect(c->flip, &QCheckBox::toggled, [&] {
                    if (clickHandled == 0) clickHandled = Seconds();
                });
                press.widget = c->flip;
                press.arrived = press.duringAPass = false;
                if (attempts == 1) QCoreApplication::instance()->installEventFilter(&press);
                passesBefore = watch.passes.size();
                clicker = std::thread([&, flip, into] {
                    XInput own;
                    const double give_up = Seconds() + 20;
                    while (watch.runningSince == 0 && Seconds() < give_up) std::this_thread::sleep_for(std::chrono::milliseconds(1));
                    const double start = watch.runningSince;
                    while (Seconds() < start + into) std::this_thread::sleep_for(std::chrono::microseconds(200));
                    own.MoveTo(flip);
                    clickSent = Seconds();
                    own.Button(true);
                    own.Button(false);
                });
                // A new pass: the next output mode.
                x.Click(StepperDown("output_stepper"));
                return false;
            }
            case 4: {
                if (clickHandled == 0) {
                    --stage;   // the pass after the flip may still come
                    return false;
                }
                clicker.join();
                // A click that missed the pass (a short one, on a busy
                // machine), or was sent into it but reached the dialog only
                // after its last tiles, is sent again into the next.
                bool inAPass = false;
                for (size_t i = passesBefore; i < watch.passes.size(); ++i)
                    inAPass = inAPass || (watch.passes[i].start <= clickSent &&
                                          (watch.passes[i].end == 0 || clickSent < watch.passes[i].end));
                if (!(inAPass && press.duringAPass) && attempts < 5) {
                    QObject::disconnect(handled);
                    clickSent = 0;
                    clickHandled = 0;
                    stage = 3;
                    // The click's own pass has come and gone and nothing
                    // else will render: the next attempt waits only for the
                    // preview to be settled, not for a picture after this one.
                    rendered = -1;
                    return false;
                }
                QCoreApplication::instance()->removeEventFilter(&press);
                c->cancel->click();
                return true;
            }
        }
        return true;
    });
    RunDialog(&doc);
    if (clicker.joinable()) clicker.join();
    QObject::disconnect(handled);
    ASSERT_GT(clickSent.load(), 0.0);
    ASSERT_GT(clickHandled.load(), 0.0);
    // The click fell into a pass, which it stopped, and was handled as soon as
    // the pass had stopped: before the next pass began. (How soon is a
    // figure, printed here, not a test.)
    bool stopped = false, beforeTheNext = false;
    double passStart = clickSent;
    for (size_t i = passesBefore; i < watch.passes.size(); ++i) {
        const auto& p = watch.passes[i];
        if (!(p.start <= clickSent && (p.end == 0 || clickSent < p.end))) continue;
        stopped = p.stopped;
        passStart = p.start;
        beforeTheNext = i + 1 == watch.passes.size() || clickHandled < watch.passes[i + 1].start;
    }
    std::printf("a click %.0f ms into a pass was handled after %.1f ms\n",
                (clickSent - passStart) * 1000, (clickHandled - clickSent) * 1000);
    for (const auto& p : watch.passes)
        std::printf("pass of %.0f ms%s%s\n", (p.end - p.start) * 1000, p.stopped ? ", stopped" : "",
                    p.partialSeen ? ", tiles shown before its end" : "");
    EXPECT_TRUE(stopped);
    EXPECT_TRUE(beforeTheNext);
    // The passes since the first change showed tiles before they ended (a
    // short pass on a busy machine may end before its first tiles are shown,
    // so all of them count). A pass of a few tens of milliseconds ends before
    // the pane has shown a tenth of it: where every pass is that short (an
    // optimised build on an idle machine) there is nothing to see.
    int partial = 0;
    bool aPassLongEnoughToWatch = false;
    for (size_t i = firstChange; i < watch.passes.size(); ++i) {
        const auto& p = watch.passes[i];
        partial += p.partialSeen;
        aPassLongEnoughToWatch = aPassLongEnoughToWatch || p.end - p.start >= 0.035;
    }
    if (aPassLongEnoughToWatch)
        EXPECT_GE(partial, 1);
    else
        std::printf("every pass ended within 35 ms, before any of its tiles could be watched\n");
}

// Clicks on "flip" sent from a thread of their own while a condition holds
// (a solid being built, a picture being read), and whether the dialog
// handled each while it still held: the window was not waiting for that
// work. How long each took is printed, a figure and not a test.
struct ClicksDuring {
    std::function<bool()> busy;   // main thread
    std::atomic<bool> busyNow{false};
    std::atomic<int> handledCount{0};
    std::vector<double> waits;    // main thread
    int duringTheWork = 0, afterIt = 0;
    std::atomic<double> sent{0};
    QTimer watch;
    QMetaObject::Connection handled;
    std::thread clicker;
    std::atomic<bool> stop{false};

    void Start(QCheckBox* flip, int clicks) {
        watch.setInterval(1);
        QObject::connect(&watch, &QTimer::timeout, [this] { busyNow = busy(); });
        watch.start();
        handled = QObject::connect(flip, &QCheckBox::toggled, [this] {
            if (sent == 0) return;
            waits.push_back((Seconds() - sent) * 1000);
            (busy() ? duringTheWork : afterIt)++;
            sent = 0;
            ++handledCount;
        });
        const QPoint at = OnScreen(flip, QPoint(8, flip->height() / 2));
        clicker = std::thread([this, at, clicks] {
            XInput own;
            for (int i = 0; i < clicks && !stop; ++i) {
                const double giveUp = Seconds() + 30;
                while (!busyNow && !stop && Seconds() < giveUp) std::this_thread::sleep_for(std::chrono::milliseconds(1));
                if (!busyNow) return;
                std::this_thread::sleep_for(std::chrono::milliseconds(30));
                own.MoveTo(at);
                const int before = handledCount;
                sent = Seconds();
                own.Button(true);
                own.Button(false);
                while (handledCount == before && !stop && Seconds() < giveUp)
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        });
    }
    void Finish() {
        stop = true;
        if (clicker.joinable()) clicker.join();
        QObject::disconnect(handled);
        watch.stop();
    }
    void Print(const char* what) const {
        std::printf("clicks during %s:", what);
        for (double w : waits) std::printf(" %.1f ms", w);
        std::printf(" (%d while it ran, %d after)\n", duringTheWork, afterIt);
    }
};

// The slowest solid to build (Goldberg III ico (4,5)) is built off the
// dialog's thread: clicks sent while it is being built are handled while
// it is still being built, each stopping the pass that waits for it; once
// built, the solid is kept, and a change that does not reshape it ("flip")
// does not build it again.
TEST_F(DialogX11Test, ClicksDuringASolidsBuildAreHandledWhileItIsBuilt) {
    HostDocument doc = Earth();
    ClicksDuring clicks;
    clicks.busy = [] { return SolidBuildUnderWay(); };
    int64_t builtBefore = 0;
    bool started = false;
    int stage = 0;
    int64_t rendered = 0;
    EveryPassOfTheDialogUntil(120, [&]() -> bool {
        if (!started) {
            started = true;
            clicks.Start(C()->flip, 3);
        }
        if (!PreviewSettled(rendered) || clicks.handledCount < 3) return false;
        rendered = C()->proxyPreview->previewsRendered;
        switch (stage++) {
            case 0:
                builtBefore = SolidsBuiltForSlots();
                C()->flip->click();
                return false;
            default:
                // "flip" does not reshape the solid: nothing was built for it.
                EXPECT_EQ(SolidsBuiltForSlots(), builtBefore);
                C()->cancel->click();
                return true;
        }
    });
    RunDialog(&doc, {Setting(ModeKind::Output, "497")});
    clicks.Finish();
    clicks.Print("the build of output mode 497");
    EXPECT_EQ(clicks.waits.size(), 3u);
    EXPECT_GE(clicks.duringTheWork, 1);
    EXPECT_EQ(clicks.afterIt, 0);
}

// A picture large enough to be read in steps (4096 x 2048, the Earth twice
// over): its first preview comes from the coarse copy while the picture is
// still read, clicks sent while it is read are handled while it is read,
// and once read the preview is made again from the whole picture.
TEST_F(DialogX11Test, ALargePictureIsReadWhileTheWindowAnswers) {
    const HostDocument earth = Earth();
    HostDocument doc = earth;
    doc.width = earth.width * 2;
    doc.height = earth.height * 2;
    doc.samples.resize(doc.SampleCount());
    for (int32_t y = 0; y < doc.height; ++y)
        for (int32_t x = 0; x < doc.width; ++x)
            for (int k = 0; k < 3; ++k)
                doc.samples[(size_t(y) * doc.width + x) * 3 + k] = earth.samples[(size_t(y / 2) * earth.width + x / 2) * 3 + k];
    ASSERT_GE(int64_t(doc.width) * doc.height, kPictureReadInStepsFrom);
    ClicksDuring clicks;
    clicks.busy = [] { return PictureBeingRead(); };
    bool started = false, readAtAll = false, coarseFirst = false;
    int64_t renderedWhileRead = 0;
    EveryPassOfTheDialogUntil(120, [&]() -> bool {
        ProxyView_Tarnwhistle_pano* pane = C()->proxyPreview;
        if (!started) {
            started = true;
            readAtAll = PictureBeingRead();
            clicks.Start(C()->flip, 2);
        }
        if (PictureBeingRead()) {
            if (!pane->mostRecentPreview.isNull()) coarseFirst = true;
            renderedWhileRead = pane->previewsRendered;
            return false;
        }
        // The preview made again once the picture is read, and the clicks done.
        if (clicks.handledCount < 2 || !PreviewSettled(renderedWhileRead)) return false;
        C()->cancel->click();
        return true;
    });
    RunDialog(&doc);
    clicks.Finish();
    clicks.Print("the reading of a 4096 x 2048 picture");
    EXPECT_TRUE(readAtAll);
    EXPECT_TRUE(coarseFirst);
    EXPECT_GE(clicks.duringTheWork, 1);
}

// The modes numbered above 547 are chosen as any other: "mirrors" picked
// from the output menu by typing its name into the open list, the stepper
// on to "Lambert azimuthal" and over the modes this build refuses (the 3-
// and 4-florets) to the next it renders ("5-floret"), which OK renders. The
// refused modes show greyed in the list, the others not.
TEST_F(DialogX11Test, ModesAboveTheFirstFiveHundredAreChosenFromTheMenuAndRender) {
    // A quarter of the picture keeps the final render short.
    const HostDocument earth = Earth();
    ASSERT_EQ(earth.Planes(), 3);
    ASSERT_EQ(earth.depth, 8);
    HostDocument doc = earth;
    doc.width = earth.width / 4;
    doc.height = earth.height / 4;
    doc.samples.resize(doc.SampleCount());
    for (int32_t y = 0; y < doc.height; ++y)
        for (int32_t x = 0; x < doc.width; ++x)
            for (int k = 0; k < 3; ++k)
                doc.samples[(size_t(y) * doc.width + x) * 3 + k] =
                    earth.samples[(size_t(y) * 4 * earth.width + x * 4) * 3 + k];
    const HostDocument before = doc;
    XInput x;
    ASSERT_TRUE(x.ok());
    std::vector<int32_t> chosen;
    bool greyed = false, listed = false;
    // The mode the stepper reaches after "Lambert azimuthal".
    int32_t third = 0;
    for (int32_t m : ChoosableOutputModes())
        if (!third && m > 900 && OutputModeIsRenderable(m)) third = m;
    ASSERT_GT(third, 0);
    // The stepper's down arrow, and the mode it moved to.
    const std::function<bool()> stepDown = [&] {
        x.Click(StepperDown("output_stepper"));
        return true;
    };
    const std::function<bool()> stepped = [&] {
        if (gParams->outputMode == chosen.back()) return false;
        chosen.push_back(gParams->outputMode);
        return true;
    };
    Steps s;
    s.steps = {
        ClickStep(x, [] { return C()->output_popup; }),
        [&] {
            QTreeWidget* list = C()->output_popup->list();
            if (!list || !list->isVisible()) return false;
            // What the open list shows: every mode above 547, greyed when refused.
            listed = greyed = true;
            for (int32_t m : ChoosableOutputModes()) {
                if (m <= 547) continue;
                const QList<QTreeWidgetItem*> items = list->findItems(QString("%1  ").arg(m), Qt::MatchStartsWith | Qt::MatchRecursive);
                listed = listed && items.size() == 1;
                greyed = greyed && items.size() == 1 &&
                         bool(items[0]->flags() & Qt::ItemIsSelectable) == OutputModeIsRenderable(m);
            }
            x.Type("mirrors");
            return true;
        },
        [&] {
            if (!C()->output_popup->list() || ShownModes(C()->output_popup->list()) != std::vector<int32_t>{899}) return false;
            x.Key("Return");
            return true;
        },
        [&] {
            if (gParams->outputMode != 899) return false;
            chosen.push_back(gParams->outputMode);
            return true;
        },
        s.Settled(),
        stepDown,
        stepped,
        s.Settled(),
        stepDown,
        stepped,
        s.Settled(),
        [&] {
            EXPECT_EQ(C()->output_popup->currentText(),
                      QString("%1  %2").arg(third).arg(QString::fromStdString(OutputModeCaption(third))));
            EXPECT_TRUE(C()->ok->isEnabled());
            EXPECT_TRUE(C()->proxyPreview->refusal.isEmpty()) << C()->proxyPreview->refusal.toStdString();
            x.Click(OnScreen(C()->ok));
            return true;
        },
    };
    s.Start();
    const HostRunReport report = RunDialog(&doc);
    EXPECT_TRUE(listed);
    EXPECT_TRUE(greyed);
    EXPECT_EQ(chosen, (std::vector<int32_t>{899, 900, third}));
    EXPECT_EQ(report.result, noErr) << report.pluginMessage;
    EXPECT_TRUE(alerts.empty());
    // The picture (five lobes): not the input, and not one flat colour.
    double changed = 0;
    int lo = 255, hi = 0;
    for (size_t i = 0; i < doc.samples.size(); ++i) {
        changed += std::abs(int(doc.samples[i]) - int(before.samples[i]));
        lo = std::min<int>(lo, doc.samples[i]);
        hi = std::max<int>(hi, doc.samples[i]);
    }
    EXPECT_GT(changed / double(doc.samples.size()), 5.0);
    EXPECT_GT(hi - lo, 100);
}

// The output menu as a person uses it: opened, it lists the modes under
// their families with their numbers, at most its visible rows high; typing
// filters it by name and number ("goldberg 4,5" finds the three Goldberg
// III solids (4,5), "497" the one of them), and Return chooses the one
// shown, which the preview then renders.
TEST_F(DialogX11Test, TheOutputMenuGroupsNumbersAndFinds) {
    HostDocument doc = Earth();
    XInput x;
    ASSERT_TRUE(x.ok());
    std::vector<QString> families;
    int rows = 0, rowHeight = 0, shownRows = 0;
    std::vector<int32_t> goldberg;
    Steps s;
    s.steps = {
        ClickStep(x, [] { return C()->output_popup; }),
        [&] {
            QTreeWidget* list = C()->output_popup->list();
            if (!list || !list->isVisible() || !C()->output_popup->searchField()->hasFocus()) return false;
            for (int f = 0; f < list->topLevelItemCount(); ++f) {
                families.push_back(list->topLevelItem(f)->text(0));
                rows += 1 + list->topLevelItem(f)->childCount();
            }
            rowHeight = list->visualItemRect(list->topLevelItem(0)).height();
            shownRows = list->viewport()->height() / std::max(rowHeight, 1);
            x.Type("goldberg 4,5");
            return true;
        },
        [&] {
            if (C()->output_popup->searchField()->text() != "goldberg 4,5") return false;
            goldberg = ShownModes(C()->output_popup->list());
            for (int i = 0; i < 12; ++i) x.Key("BackSpace");
            x.Type("497");
            return true;
        },
        [&] {
            if (ShownModes(C()->output_popup->list()) != std::vector<int32_t>{497}) return false;
            x.Key("Return");
            return true;
        },
        [&] { return gParams->outputMode == 497 && !C()->output_popup->list(); },
        s.Settled(),
        [&] {
            EXPECT_TRUE(C()->proxyPreview->refusal.isEmpty());
            x.Click(OnScreen(C()->cancel));
            return true;
        },
    };
    s.Start();
    RunDialog(&doc);
    // The families, each heading its modes, in the order their first mode comes.
    const std::vector<QString> expected = {"maps", "polyhedra and nets", "views", "cube layouts", "globes",
                                           "solids", "florets", "tilings", "geodesic, Goldberg and quad"};
    std::vector<QString> sorted = families, want = expected;
    std::sort(sorted.begin(), sorted.end());
    std::sort(want.begin(), want.end());
    EXPECT_EQ(sorted, want);
    EXPECT_EQ(rows, int(ChoosableOutputModes().size()) + int(families.size()));
    EXPECT_GT(rowHeight, 0);
    EXPECT_LE(shownRows, C()->output_popup->maxVisibleItems());
    EXPECT_EQ(goldberg, (std::vector<int32_t>{477, 487, 497}));
}

// "cube map…", a size typed into its sheet and "Export…": six files, one
// a face, each named by its face, six different pictures whose sides meet
// the sides of their neighbours.
TEST_F(DialogX11Test, ACubeMapExportWritesSixFacesThatMeetAtTheirEdges) {
    HostDocument doc = Earth();
    XInput x;
    ASSERT_TRUE(x.ok());
    panelAnswer = QString::fromStdString((dir / "Globe.psd").string());
    Steps s;
    s.steps = {
        [&] {
            x.Click(OnScreen(Child<QPushButton>("cube_export")));
            return true;
        },
        TypeIntoSheet(x, &Controller_Tarnwhistle_pano::cubemapSheet, &Controller_Tarnwhistle_pano::cubemap_pixels, "96"),
        PressSheetButton(x, &Controller_Tarnwhistle_pano::cubemap_pixels, "96", "cubemap_OK"),
        [&] { return !panels.empty() && fs::exists(dir / "Globe_f.psd"); },
        [&] {
            x.Click(OnScreen(C()->cancel));
            return true;
        },
    };
    s.Start();
    RunDialog(&doc);
    EXPECT_TRUE(alerts.empty());
    EXPECT_FALSE(fs::exists(dir / "Globe.psd"));
    const char* names[6] = {"_d", "_u", "_l", "_b", "_r", "_f"};
    std::vector<PsdLayer> faces;
    for (const char* name : names) {
        const std::string path = (dir / (std::string("Globe") + name + ".psd")).string();
        ASSERT_TRUE(fs::exists(path)) << path;
        faces.push_back(ReadPsdLayer(path, (dir / (std::string("read") + name)).string()));
        ASSERT_TRUE(faces.back().clean) << path;
        EXPECT_EQ(faces.back().name, name);
        ASSERT_EQ(faces.back().width, 96);
        ASSERT_EQ(faces.back().height, 96);
    }
    // Six different pictures.
    for (int a = 0; a < 6; ++a)
        for (int b = a + 1; b < 6; ++b) {
            double sum = 0;
            for (int k = 0; k < 3; ++k)
                for (size_t i = 0; i < faces[a].planes[k].size(); ++i)
                    sum += std::abs(int(faces[a].planes[k][i]) - int(faces[b].planes[k][i]));
            EXPECT_GT(sum / (3.0 * 96 * 96), 4.0) << names[a] << " and " << names[b];
        }
    // Every side of every face continues a side of another face: the best
    // match among the other faces' sides, either way round, is close, and
    // far closer than sides matched at random.
    double all = 0;
    int count = 0;
    for (int a = 0; a < 6; ++a)
        for (int side = 0; side < 4; ++side) {
            double best = 1e9;
            std::string bestName;
            for (int b = 0; b < 6; ++b) {
                if (b == a) continue;
                for (int other = 0; other < 4; ++other)
                    for (bool reversed : {false, true}) {
                        const double d = MeanDifference(Side(faces[a], side, false), Side(faces[b], other, reversed));
                        all += d;
                        ++count;
                        if (d < best) {
                            best = d;
                            bestName = std::string(names[b]) + " side " + std::to_string(other);
                        }
                    }
            }
            EXPECT_LT(best, 12.0) << names[a] << " side " << side << " best " << bestName;
        }
    std::printf("cube faces: sides matched at random differ by %.1f on average\n", all / count);
}

// What the progress bar and the preview pane looked like each time they
// were painted.
struct PaintLog : QObject {
    bool busyBarPainted = false;        // the bar with no fraction, moving
    bool cancellingOnPanePainted = false;
    bool eventFilter(QObject* target, QEvent* e) override {
        if (e->type() != QEvent::Paint || !Controller_Tarnwhistle_pano::exists()) return false;
        Controller_Tarnwhistle_pano* c = C();
        if (target == c->mondoBar && c->mondoBar->maximum() == 0) busyBarPainted = true;
        if (target == c->proxyPreview && c->proxyPreview->notice == Controller_Tarnwhistle_pano::CancellingWords())
            cancellingOnPanePainted = true;
        return false;
    }
};

// The user stops a brick sphere plan on its way (the host's cancel, as a
// terminal's Ctrl-C gives it): while the running layer ends, the bar turns
// busy and the pane says it is cancelling; then both are as before, and no
// plan is left on the disk.
TEST_F(DialogX11Test, StoppingAnExportShowsTheCancelUnderWay) {
    HostDocument doc = Earth();
    XInput x;
    ASSERT_TRUE(x.ok());
    const fs::path plan = dir / "Plan.psd";
    panelAnswer = QString::fromStdString(plan.string());
    // The user asks to stop as the export starts, once the file is chosen.
    SetPanelProvider([this](const PanelSetup& s, PanelCompletion done) {
        panels.push_back(s);
        RequestHostAbort();
        done(NSModalResponseOK, panelAnswer);
    });
    PaintLog log;
    QString noticeAfter = "unset";
    bool barHiddenAfter = false;
    Steps s;
    s.steps = {
        [&] {
            C()->mondoBar->installEventFilter(&log);
            C()->proxyPreview->installEventFilter(&log);
            x.Click(OnScreen(Child<QPushButton>("lego")));
            return true;
        },
        TypeIntoSheet(x, &Controller_Tarnwhistle_pano::legoSheet, &Controller_Tarnwhistle_pano::lego_layers, "12"),
        PressSheetButton(x, &Controller_Tarnwhistle_pano::lego_layers, "12", "lego_OK"),
        [&] {
            if (panels.empty() || !HostAbortRequested()) return false;
            ClearHostAbort();
            noticeAfter = C()->proxyPreview->notice;
            barHiddenAfter = C()->mondoBar->isHidden();
            x.Click(OnScreen(C()->cancel));
            return true;
        },
    };
    s.Start();
    RunDialog(&doc);
    ClearHostAbort();
    ASSERT_EQ(panels.size(), 1u);
    EXPECT_TRUE(log.busyBarPainted);
    EXPECT_TRUE(log.cancellingOnPanePainted);
    EXPECT_TRUE(noticeAfter.isEmpty()) << noticeAfter.toStdString();
    EXPECT_TRUE(barHiddenAfter);
    EXPECT_FALSE(fs::exists(plan));
    // And the user is told it was cancelled, not that it failed, and that
    // nothing was left half-written.
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_TRUE(alerts[0].informativeText.contains("cancelled")) << alerts[0].informativeText.toStdString();
    EXPECT_TRUE(alerts[0].informativeText.contains("no file was written")) << alerts[0].informativeText.toStdString();
}

// "PSD at size…" at half the picture's size with the blend "difference":
// the result is blended with the picture resized, as the host's own resize
// and the same blend give it.
TEST_F(DialogX11Test, APsdAtSizeBlendsWithThePictureResized) {
    HostDocument doc = Earth();
    XInput x;
    ASSERT_TRUE(x.ok());
    panelAnswer = QString::fromStdString((dir / "half.psd").string());
    DescriptorItem glue;
    std::string error;
    ASSERT_TRUE(ModeToItem(ModeKind::Glue, "difference", &glue, &error)) << error;
    Steps s;
    s.steps = {
        [&] {
            x.Click(OnScreen(Child<QPushButton>("PSDWithSize")));
            return true;
        },
        [&] {
            if (!SheetShown(C()->PSDWithSizeSheet)) return false;
            // Same proportions, and the width: the height follows.
            x.Click(OnScreen(C()->PSDWithSize_sameproportions_radio, QPoint(8, C()->PSDWithSize_sameproportions_radio->height() / 2)));
            x.Click(OnScreen(C()->PSDWithSize_x_pixels));
            x.Key("End");
            for (int i = 0; i < 8; ++i) x.Key("BackSpace");
            x.Type("1024");
            return true;
        },
        [&] {
            if (C()->PSDWithSize_y_pixels->text() != "512") return false;
            x.Click(OnScreen(C()->PSDWithSize_OK));
            return true;
        },
        [&] { return !panels.empty() && fs::exists(dir / "half.psd"); },
        [&] {
            x.Click(OnScreen(C()->cancel));
            return true;
        },
    };
    s.Start();
    testing::internal::CaptureStdout();
    RunDialog(&doc, {glue});
    // The export prints nothing.
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_TRUE(alerts.empty());
    const PsdLayer psd = ReadPsdLayer((dir / "half.psd").string(), (dir / "read").string());
    ASSERT_TRUE(psd.clean);
    ASSERT_EQ(psd.width, 1024);
    ASSERT_EQ(psd.height, 512);

    // The host: the picture resized to 1024 x 512, then the same blend.
    const std::string png = (dir / "half.png").string();
    const std::string command = std::string("'") + VORNESK_HOST_PROGRAM + "' '" + VORNESK_SOURCE_DIR +
                                "/samples/earth-2048x1024.jpg' -o '" + png +
                                "' --glue-mode difference --size 1024x512 --quiet";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    HostDocument host;
    ASSERT_TRUE(ReadImageFile(png, &host, &error)) << error;
    ASSERT_EQ(host.width, 1024);
    double squares = 0;
    for (int y = 0; y < 512; ++y)
        for (int xx = 0; xx < 1024; ++xx)
            for (int k = 0; k < 3; ++k) {
                const double d = psd.At(k, xx, y) - double(host.samples[(size_t(y) * 1024 + xx) * 3 + k]);
                squares += d * d;
            }
    const double psnr = 10 * std::log10(255.0 * 255.0 / (squares / (3.0 * 1024 * 512)));
    std::printf("PSD at size against the host's resize: %.1f dB\n", psnr);
    EXPECT_GT(psnr, 30.0);
}

// Dragging the zoomed preview: while the button is held the pane shows the
// untransformed picture at the dragged offsets, not its top-left corner.
TEST_F(DialogX11Test, DraggingShowsTheDraggedView) {
    HostDocument doc = Earth();
    XInput x;
    ASSERT_TRUE(x.ok());
    PreviewOffset before{};
    double shown = -1, corner = -1;
    int64_t draws = 0;
    int quiet = 0;
    Steps s;
    QPoint grip;
    s.steps = {
        [&] {
            x.Click(OnScreen(C()->zoom_100));
            return true;
        },
        s.Settled(),
        [&] {
            EXPECT_EQ(gParams->proxyScale, 1);
            before = gParams->previewOffset;
            grip = OnScreen(C()->proxyPreview);
            x.MoveTo(grip);
            x.Button(true);
            for (int d = 10; d <= 200; d += 10) x.MoveTo(grip - QPoint(d, d / 2));
            return true;
        },
        [&] {
            // Held: the offsets moved and the pane drew the picture there.
            const PreviewOffset o = gParams->previewOffset;
            const QImage& image = C()->proxyPreview->mostRecentPreview;
            if (!gDraggedYet || (o.x == before.x && o.y == before.y) || C()->proxyPreview->needsDisplay()) return false;
            // Drawn since the last move, and no more drawing for a few passes.
            if (C()->proxyPreview->draws != draws) {
                draws = C()->proxyPreview->draws;
                quiet = 0;
                return false;
            }
            if (++quiet < 5) return false;
            auto diff = [&](int ox, int oy) {
                double sum = 0;
                int64_t n = 0;
                for (int y = 0; y < image.height(); y += 3)
                    for (int xx = 0; xx < image.width(); xx += 3) {
                        const int ix = ox + xx, iy = oy + y;
                        if (ix >= doc.width || iy >= doc.height) continue;
                        const QRgb p = image.pixel(xx, y);
                        const uint8_t* q = &doc.samples[(size_t(iy) * doc.width + ix) * 3];
                        sum += std::abs(qRed(p) - q[0]) + std::abs(qGreen(p) - q[1]) + std::abs(qBlue(p) - q[2]);
                        n += 3;
                    }
                return n ? sum / double(n) : 255.0;
            };
            shown = diff(o.x, o.y);
            corner = diff(0, 0);
            x.Button(false);
            return true;
        },
        s.Settled(),
        [&] {
            x.Click(OnScreen(C()->cancel));
            return true;
        },
    };
    s.Start();
    RunDialog(&doc);
    std::printf("while dragging: %.1f from the dragged view, %.1f from the top-left corner\n", shown, corner);
    EXPECT_GE(shown, 0.0);
    EXPECT_LT(shown, 3.0);
    EXPECT_GT(corner, 10.0);
}

// A larger window gives its room to the preview, not to OK and Cancel; an
// export's progress bar does not make the window grow.
TEST_F(DialogX11Test, ThePreviewTakesTheRoomAndAnExportDoesNotGrowTheWindow) {
    HostDocument doc = Earth();
    XInput x;
    ASSERT_TRUE(x.ok());
    panelAnswer = QString::fromStdString((dir / "result.psd").string());
    QSize pane, window, ok;
    Steps s;
    s.steps = {
        [&] {
            pane = C()->proxyPreview->size();
            ok = C()->ok->size();
            C()->dissolveWindow->resize(C()->dissolveWindow->size() + QSize(300, 200));
            return true;
        },
        s.Settled(),
        [&] {
            const QSize grown = C()->proxyPreview->size();
            EXPECT_GE(grown.width() - pane.width(), 290);
            EXPECT_GE(grown.height() - pane.height(), 190);
            EXPECT_LE(std::abs(C()->ok->width() - ok.width()), 2);
            EXPECT_LT(C()->ok->width(), 200);
            window = C()->dissolveWindow->size();
            x.Click(OnScreen(Child<QPushButton>("psdexport")));
            return true;
        },
        [&] { return !panels.empty() && fs::exists(dir / "result.psd"); },
        [&] {
            // Laid out again after the export.
            QCoreApplication::sendPostedEvents();
            EXPECT_EQ(C()->dissolveWindow->size(), window);
            x.Click(OnScreen(C()->cancel));
            return true;
        },
    };
    s.Start();
    RunDialog(&doc);
    EXPECT_TRUE(alerts.empty());
}

// An export whose render fails for a reason of its own (a cube layout read
// from a picture of another shape) says that reason, the one the preview
// shows, not a general message; nothing is written.
TEST_F(DialogX11Test, AFailedExportSaysTheRendersOwnReason) {
    HostDocument doc = Earth();
    XInput x;
    ASSERT_TRUE(x.ok());
    panelAnswer = QString::fromStdString((dir / "cross.psd").string());
    QString shown;
    int stage = 0;
    // The preview refuses (there is no picture to settle on): the steps wait
    // for its reason instead.
    EveryPassOfTheDialogUntil(60, [&]() -> bool {
        switch (stage) {
            case 0:
                if (C()->proxyPreview->refusal.isEmpty() || C()->ppm->state != kProgressivePreviewState_ready) return false;
                shown = C()->proxyPreview->refusal;
                x.Click(OnScreen(Child<QPushButton>("psdexport")));
                ++stage;
                return false;
            case 1:
                if (panels.empty() || alerts.empty()) return false;
                x.Click(OnScreen(C()->cancel));
                ++stage;
                return false;
            default: return true;
        }
    });
    RunDialog(&doc, {Setting(ModeKind::Input, "horizontal cross")});
    ASSERT_FALSE(shown.isEmpty());
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts[0].informativeText, shown);
    EXPECT_FALSE(fs::exists(dir / "cross.psd"));
}

// The two gallery buttons write what `vornesk INPUT --gallery modes|polyhedra
// DIR` writes, into their Desktop folders, and open the page: the page the
// command line names, tidy-clean, a cell a mode with its thumbnail JPEG of
// 400 pixels at its longest side (the Earth as the host itself renders the
// mode at that size), and for the solids their OBJ files with an STL that
// admesh reads as a closed surface. The settings are as before.
// A home of the test's own, whose Desktop the galleries write into, and an
// xdg-open that lists what it was asked to open in dir/"opened"; the
// environment is as it was once it goes.
struct DesktopAndBrowser {
    fs::path home, opened;
    std::string oldHome, oldPath, oldConfig;
    bool hadConfig = false;
    explicit DesktopAndBrowser(const fs::path& dir) : home(dir / "home"), opened(dir / "opened") {
        const fs::path bin = dir / "bin";
        fs::create_directories(home);
        fs::create_directories(bin);
        std::ofstream(bin / "xdg-open") << "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" << opened.string() << "'\n";
        fs::permissions(bin / "xdg-open", fs::perms::owner_all);
        oldHome = std::getenv("HOME") ? std::getenv("HOME") : "";
        oldPath = std::getenv("PATH");
        const char* config = std::getenv("XDG_CONFIG_HOME");
        hadConfig = config != nullptr;
        oldConfig = config ? config : "";
        unsetenv("XDG_CONFIG_HOME");   // the desktop is then $HOME/Desktop
        setenv("HOME", home.c_str(), 1);
        setenv("PATH", (bin.string() + ":" + oldPath).c_str(), 1);
    }
    ~DesktopAndBrowser() {
        setenv("HOME", oldHome.c_str(), 1);
        setenv("PATH", oldPath.c_str(), 1);
        if (hadConfig) setenv("XDG_CONFIG_HOME", oldConfig.c_str(), 1);
    }
    std::vector<std::string> Opened() const {
        std::ifstream in(opened);
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }
};

// Runs the dialog through the steps with the desktop's stand-ins, which go
// afterwards; what was opened, in order. No alert came.
std::vector<std::string> RunOnTheDesktop(DialogX11Test* test, HostDocument* doc, Steps* steps,
                                         std::optional<DesktopAndBrowser>* desktop) {
    steps->Start();
    test->RunDialog(doc);
    const std::vector<std::string> opened = (*desktop)->Opened();
    desktop->reset();
    EXPECT_TRUE(test->alerts.empty()) << (test->alerts.empty() ? "" : test->alerts[0].informativeText.toStdString());
    return opened;
}

std::string FileBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST_F(DialogX11Test, TheGalleryButtonsWriteTheCommandLinesGalleriesAndOpenThem) {
    HostDocument doc = Earth();
    XInput x;
    ASSERT_TRUE(x.ok());
    std::optional<DesktopAndBrowser> desktop(std::in_place, dir);
    const fs::path home = desktop->home;
    Parameters before{};
    Steps s;
    s.steps = {
        [&] {
            before = *gParams;
            C()->galleryModes = {60, 64};
            x.Click(OnScreen(Child<QPushButton>("output_gallery")));
            return true;
        },
        [&] { return fs::exists(dir / "opened"); },
        [&] {
            C()->galleryModes = {6, 10};
            x.Click(OnScreen(Child<QPushButton>("polyhedra_gallery")));
            return true;
        },
        [&] { return desktop->Opened().size() == 2; },
        [&] {
            EXPECT_EQ(gParams->outputMode, before.outputMode);
            EXPECT_EQ(gParams->latitude, before.latitude);
            x.Click(OnScreen(C()->cancel));
            return true;
        },
    };
    const std::vector<std::string> opened = RunOnTheDesktop(this, &doc, &s, &desktop);
    const fs::path modes = home / "Desktop" / "Vornesk modes", solids = home / "Desktop" / "exportable polyhedra";
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[0], (modes / "output modes.html").string());
    EXPECT_EQ(opened[1], (solids / "polyhedra.html").string());
    for (const fs::path& page : {modes / "output modes.html", solids / "polyhedra.html"}) {
        ASSERT_TRUE(fs::is_regular_file(page)) << page;
        EXPECT_EQ(psdtest::Shell("tidy -q -e \"" + page.string() + "\" 2>&1 | grep -v summary"), "") << page;
    }
    // A thumbnail a mode; for those whose picture fills its frame (no
    // transparent gaps, which the two files fill otherwise), the host's own
    // render of the mode at that size beside it.
    for (int32_t m = 60; m <= 64; ++m) {
        if (!OutputModeIsRenderable(m)) continue;
        const fs::path jpeg = modes / "web_images" / (OutputModeCaption(m) + ".jpg");
        ASSERT_TRUE(fs::is_regular_file(jpeg)) << jpeg;
        int w = 0, h = 0;
        ASSERT_EQ(std::sscanf(psdtest::Shell("identify -format '%w %h' '" + jpeg.string() + "'").c_str(), "%d %d", &w, &h), 2);
        EXPECT_EQ(std::max(w, h), 400) << m;
        if (m == 61 || m == 63) continue;   // gores and umbrella: gaps between their parts
        const std::string png = (dir / ("host" + std::to_string(m) + ".png")).string();
        const std::string command = std::string("'") + VORNESK_HOST_PROGRAM + "' '" + VORNESK_SOURCE_DIR +
                                    "/samples/earth-2048x1024.jpg' -o '" + png + "' --output-mode " + std::to_string(m) +
                                    " --size " + std::to_string(w) + "x" + std::to_string(h) + " --quiet";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        const double psnr = std::atof(
            psdtest::Shell("compare -metric PSNR '" + jpeg.string() + "' '" + png + "' null: 2>&1").c_str());
        EXPECT_GT(psnr, 20.0) << "mode " << m;
    }
    // The solids: an OBJ a solid with its STL, a closed surface.
    int objs = 0;
    for (const auto& f : fs::directory_iterator(solids / "web_images" / "solids")) {
        if (f.path().extension() != ".obj") continue;
        ++objs;
        fs::path stl = f.path();
        stl.replace_extension(".stl");
        ASSERT_TRUE(fs::is_regular_file(stl)) << stl;
        const std::string report = psdtest::Shell("admesh '" + stl.string() + "' 2>&1");
        int facets = 0, open = -1;
        const size_t at = report.find("Number of facets");
        if (at != std::string::npos) std::sscanf(report.c_str() + report.find(':', at) + 1, "%d", &facets);
        const size_t edges = report.find("Edges fixed");
        if (edges != std::string::npos) std::sscanf(report.c_str() + report.find(':', edges) + 1, "%d", &open);
        EXPECT_GE(facets, 4) << stl;
        EXPECT_EQ(open, 0) << stl;
    }
    EXPECT_EQ(objs, 5);
}

// "projections gallery as…" asks where to put the page (the name offered
// is "file") and writes there what "projections gallery" writes on the
// Desktop: the same page and the same thumbnails, from the picture read
// whole, and opens it. Cancelling its panel writes nothing.
TEST_F(DialogX11Test, TheProjectionsGalleryAsAPageTheUserNames) {
    HostDocument doc = Earth();
    XInput x;
    ASSERT_TRUE(x.ok());
    std::optional<DesktopAndBrowser> desktop(std::in_place, dir);
    const fs::path chosen = dir / "chosen" / "My modes.html", home = desktop->home;
    fs::create_directories(chosen.parent_path());
    Steps s;
    s.steps = {
        [&] {
            C()->galleryModes = {60, 62};
            panelAnswer.clear();   // cancelled first
            x.Click(OnScreen(Child<QPushButton>("voronoi")));
            return true;
        },
        [&] {
            if (panels.empty()) return false;
            panelAnswer = QString::fromStdString(chosen.string());
            x.Click(OnScreen(Child<QPushButton>("voronoi")));
            return true;
        },
        [&] { return desktop->Opened().size() == 1; },
        [&] {
            x.Click(OnScreen(Child<QPushButton>("output_gallery")));
            return true;
        },
        [&] { return desktop->Opened().size() == 2; },
        [&] {
            x.Click(OnScreen(C()->cancel));
            return true;
        },
    };
    const std::vector<std::string> opened = RunOnTheDesktop(this, &doc, &s, &desktop);
    ASSERT_EQ(panels.size(), 2u);
    EXPECT_EQ(panels[0].nameFieldStringValue, "file");
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[0], chosen.string());
    const fs::path desk = home / "Desktop" / "Vornesk modes";
    // The same page but for its own name, and the same pictures.
    ASSERT_TRUE(fs::is_regular_file(chosen));
    EXPECT_EQ(psdtest::Shell("tidy -q -e \"" + chosen.string() + "\" 2>&1 | grep -v summary"), "");
    EXPECT_EQ(FileBytes(chosen), FileBytes(desk / "output modes.html"));
    int pictures = 0;
    for (const auto& f : fs::directory_iterator(desk / "web_images")) {
        const fs::path mine = chosen.parent_path() / "web_images" / f.path().filename();
        ASSERT_TRUE(fs::is_regular_file(mine)) << mine;
        EXPECT_EQ(FileBytes(mine), FileBytes(f.path())) << mine;
        ++pictures;
    }
    EXPECT_GE(pictures, 2);
    // The cancelled panel left nothing beside the page but its pictures.
    int entries = 0;
    for ([[maybe_unused]] const auto& f : fs::directory_iterator(chosen.parent_path())) ++entries;
    EXPECT_EQ(entries, 2);
}

// "polyhedron nets" writes the net of each exportable solid on the picture
// as a PSD into the Desktop folder "exportable polyhedra", named by the mode
// and its number of pieces, a layer a piece as psd-tools reads it, with
// pages of 300 pixels; the output mode is as before.
TEST_F(DialogX11Test, ThePolyhedronNetsButtonWritesEachSolidsNetAsAPsd) {
    // A small Earth: the pages are 300 pixels whatever the picture.
    const std::string small = (dir / "earth.png").string();
    psdtest::Shell(std::string("convert '") + VORNESK_SOURCE_DIR + "/samples/earth-2048x1024.jpg' -resize 256x128 '" +
                   small + "'");
    HostDocument doc;
    std::string error;
    ASSERT_TRUE(ReadImageFile(small, &doc, &error)) << error;
    XInput x;
    ASSERT_TRUE(x.ok());
    std::optional<DesktopAndBrowser> desktop(std::in_place, dir);
    const fs::path nets = desktop->home / "Desktop" / "exportable polyhedra";
    int32_t modeBefore = 0;
    Steps s;
    s.steps = {
        [&] {
            modeBefore = gParams->outputMode;
            C()->galleryModes = {7, 7};
            x.Click(OnScreen(Child<QPushButton>("all_exportable_polyhedra")));
            return true;
        },
        [&] {
            if (!fs::is_directory(nets) || C()->ppm->state != kProgressivePreviewState_ready) return false;
            EXPECT_EQ(gParams->outputMode, modeBefore);
            x.Click(OnScreen(C()->cancel));
            return true;
        },
    };
    const std::vector<std::string> opened = RunOnTheDesktop(this, &doc, &s, &desktop);
    EXPECT_TRUE(opened.empty());
    std::vector<fs::path> files;
    for (const auto& f : fs::directory_iterator(nets)) files.push_back(f.path());
    ASSERT_EQ(files.size(), 1u);
    const psdtest::ReadBack r = psdtest::ReadWithPsdTools(files[0].string(), (dir / "read").string());
    EXPECT_EQ(files[0].filename().string(), "cube, " + r.facts.at("layers") + ".psd");
    EXPECT_GE(std::stoi(r.facts.at("layers")), 1);
    int w = 0, h = 0;
    ASSERT_EQ(std::sscanf(r.facts.at("size").c_str(), "%d %d", &w, &h), 2);
    EXPECT_EQ(std::max(w, h), 300);
}

// Escape is Cancel, as in the platform's dialogs: with a sheet up it ends
// the sheet alone, and then the dialog, which writes nothing.
TEST_F(DialogX11Test, EscapeEndsASheetAndThenTheDialog) {
    HostDocument doc = Earth();
    const HostDocument before = doc;
    XInput x;
    ASSERT_TRUE(x.ok());
    bool sheetEnded = false;
    Steps s;
    s.steps = {
        ClickStep(x, [] { return Child<QPushButton>("cube_export"); }),
        [&] {
            if (!SheetShown(C()->cubemapSheet)) return false;
            x.Key("Escape");
            return true;
        },
        [&] {
            if (C()->cubemapSheet->isVisible()) return false;
            sheetEnded = NSApp_modalLoopRunning();
            C()->dissolveWindow->activateWindow();
            return true;
        },
        [&] {
            if (!C()->dissolveWindow->isActiveWindow()) return false;
            x.Key("Escape");
            return true;
        },
    };
    s.Start();
    const HostRunReport report = RunDialog(&doc);
    EXPECT_TRUE(sheetEnded);
    EXPECT_EQ(report.result, userCanceledErr);
    EXPECT_TRUE(panels.empty());
    EXPECT_EQ(doc.samples, before.samples);
}

// The zoom buttons leave the window's size as it is, whatever the zoom
// label says ("100%" is its widest).
TEST_F(DialogX11Test, ZoomingDoesNotResizeTheWindow) {
    HostDocument doc = Earth();
    XInput x;
    ASSERT_TRUE(x.ok());
    QSize window;
    std::vector<QSize> sizes;
    Steps s;
    const auto press = [&](const char* name) {
        return [&, name] {
            x.Click(OnScreen(Child<QPushButton>(name)));
            return true;
        };
    };
    const auto measure = [&] {
        QCoreApplication::sendPostedEvents();
        sizes.push_back(C()->dissolveWindow->size());
        return true;
    };
    s.steps = {
        [&] {
            window = C()->dissolveWindow->size();
            return true;
        },
        press("zoom_100"), s.Settled(), measure,
        press("zoom_out"), s.Settled(), measure,
        press("zoom_in"), s.Settled(), measure,
        [&] {
            x.Click(OnScreen(C()->cancel));
            return true;
        },
    };
    s.Start();
    RunDialog(&doc);
    ASSERT_EQ(sizes.size(), 3u);
    for (const QSize& size : sizes) EXPECT_EQ(size, window);
}

// The main window at its start, zoomed in, and with memory dots filled and
// one hovered (its thumbnail shown), as the screen shows them; saved where
// VORNESK_SCREENSHOTS says (tools/dialog-screenshots.sh), else only taken.
TEST_F(DialogX11Test, Screenshots) {
    HostDocument doc = Earth();
    XInput x;
    ASSERT_TRUE(x.ok());
    const char* folder = std::getenv("VORNESK_SCREENSHOTS");
    std::map<std::string, QImage> shots;
    QRect thumbnail;
    auto shoot = [&](const std::string& name) {
        QWidget* w = C()->dissolveWindow;
        thumbnail = QRect(C()->MemdotThumbnail->mapTo(w, QPoint(0, 0)), C()->MemdotThumbnail->size());
        shots[name] = QGuiApplication::primaryScreen()->grabWindow(0, w->x(), w->y(), w->frameGeometry().width(),
                                                                   w->frameGeometry().height()).toImage();
        if (folder) shots[name].save(QString::fromStdString(std::string(folder) + "/" + name + ".png"));
    };
    double fadeDone = 0;
    Steps s;
    s.steps = {
        [&] {
            shoot("start");
            x.Click(OnScreen(C()->zoom_in));
            return true;
        },
        s.Settled(),
        [&] {
            shoot("zoomed");
            for (const char* dot : {"memdot5", "memdot9", "memdot14"}) x.Click(OnScreen(Child<QWidget>(dot)));
            return true;
        },
        [&] {
            if (C()->MemDotStatus[14] == 0) return false;
            x.MoveTo(OnScreen(Child<QWidget>("memdot9")));
            fadeDone = Seconds() + 0.6;
            return true;
        },
        [&] {
            if (Seconds() < fadeDone) return false;
            shoot("dots");
            x.Click(OnScreen(C()->output_popup));
            return true;
        },
        [&] {
            if (!C()->output_popup->list() || !C()->output_popup->searchField()->hasFocus()) return false;
            x.Type("goldberg");
            return true;
        },
        [&] {
            if (C()->output_popup->searchField()->text() != "goldberg") return false;
            // The filtered list drawn on the screen before it is taken.
            C()->output_popup->popupFrame()->repaint();
            fadeDone = Seconds() + 0.3;
            return true;
        },
        [&] {
            if (Seconds() < fadeDone) return false;
            // The window with the open menu over it: the whole screen's part.
            QWidget* w = C()->dissolveWindow;
            const QRect menu = C()->output_popup->popupFrame()->frameGeometry();
            const QRect both = w->frameGeometry().united(menu);
            shots["menu"] = QGuiApplication::primaryScreen()->grabWindow(0, both.x(), both.y(), both.width(), both.height()).toImage();
            if (folder) shots["menu"].save(QString::fromStdString(std::string(folder) + "/menu.png"));
            x.Key("Escape");
            return true;
        },
        [&] {
            if (C()->output_popup->list()) return false;
            // The galleries, a few modes each, for the script to show as a browser does.
            if (folder) {
                setenv("HOME", folder, 1);
                C()->galleryModes = {60, 75};
                C()->output_gallery_pressed();
                C()->galleryModes = {6, 10};
                C()->polyhedra_gallery_pressed();
            }
            x.Click(OnScreen(C()->cancel));
            return true;
        },
    };
    const std::string oldHome = std::getenv("HOME") ? std::getenv("HOME") : "";
    s.Start();
    RunDialog(&doc);
    setenv("HOME", oldHome.c_str(), 1);
    ASSERT_EQ(shots.size(), 4u);
    // The thumbnail of the hovered dot shows a picture: not one flat colour.
    const QImage dots = shots["dots"].copy(thumbnail.adjusted(10, 10, -10, -10));
    ASSERT_FALSE(dots.isNull());
    double sum = 0, squares = 0;
    for (int y = 0; y < dots.height(); ++y)
        for (int xx = 0; xx < dots.width(); ++xx) {
            const double g = qGray(dots.pixel(xx, y));
            sum += g;
            squares += g * g;
        }
    const double n = double(dots.width()) * dots.height();
    const double spread = std::sqrt(std::max(0.0, squares / n - (sum / n) * (sum / n)));
    std::printf("the hovered dot's thumbnail: grey levels spread by %.1f\n", spread);
    EXPECT_GT(spread, 20.0);
    EXPECT_NE(shots["start"], shots["zoomed"]);
}

}  // namespace
