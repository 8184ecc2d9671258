// How the dialog answers across every output mode this build renders, under
// an X server of its own (Xvfb) with real input: the dialog at its default
// window over the Earth, each mode chosen in turn by the output stepper's
// down arrow, and a click on "flip" sent 20 ms into the pass the mode
// started. For each mode: how long from the stepper's click until the
// pane first shows tiles of the new mode (or the whole preview, for a pass
// too short to show any before its end; a pass the click stopped shows
// nothing), how long the flip's click waited
// until the dialog handled it, and how long from then until the first
// tiles of the flipped preview. Prints a line a mode, then the worst and
// the medians; figures, not a test.
// Usage: bench_dialog_sweep [FIRST_MODE [LAST_MODE]]
#include <QApplication>
#include <QCheckBox>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "cli/document.h"
#include "cli/host_session.h"
#include "cli/image_files.h"
#include "cli/settings_options.h"
#include "platform/host/filter_record.h"
#include "platform/appkit/run_loop.h"
#include "records/parameters.h"
#include "records/plugin_globals.h"
#include "shell/mode_catalogue.h"
#include "shell/renderable.h"
#include "tests/ui_x11/x11_fixture.h"
#include "ui/dialog.h"
#include "ui/mode_menu.h"
#include "ui/preview_manager.h"
#include "ui/proxy_view.h"

namespace {

double Seconds() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

Controller_Tarnwhistle_pano* C() { return Controller_Tarnwhistle_pano::sharedInstance(); }

struct Row {
    int32_t mode = 0;
    double firstTiles = -1;      // ms from the mode's click to its first tiles
    double clickWait = -1;       // ms the flip's click waited
    double flipTiles = -1;       // ms from the flip's handling to its first tiles
};

// The pane's picture changed since the mark: tiles shown during a pass, or
// a pass that ran to its end (one stopped by the click shows nothing new).
struct PaneWatch {
    int64_t shown = 0, finished = 0;
    static int64_t Finished() { return C()->proxyPreview->previewsRendered - C()->proxyPreview->passesStopped; }
    void Mark() {
        shown = C()->proxyPreview->tilesShownDuringPasses;
        finished = Finished();
    }
    bool Changed() const { return C()->proxyPreview->tilesShownDuringPasses > shown || Finished() > finished; }
};

bool Settled() {
    ProxyView_Tarnwhistle_pano* pane = C()->proxyPreview;
    return !pane->needsDisplay() && C()->ppm->state == kProgressivePreviewState_ready &&
           NSObject_pendingPerformRequests(pane) == 0 && !C()->gNeverDrewProxy;
}

double Median(std::vector<double> v) {
    if (v.empty()) return -1;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const int32_t first = argc > 1 ? std::atoi(argv[1]) : 1;
    const int32_t last = argc > 2 ? std::atoi(argv[2]) : kLastOutputMode;
    if (!StartTestDisplay()) return 1;
    HostDocument earth;
    std::string error;
    if (!ReadImageFile(std::string(VORNESK_SOURCE_DIR) + "/samples/earth-2048x1024.jpg", &earth, &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    std::vector<int32_t> modes;
    for (int32_t m : ChoosableOutputModes())
        if (m >= first && m <= last && OutputModeIsRenderable(m)) modes.push_back(m);
    if (modes.empty()) return 1;

    std::vector<Row> rows;
    XInput* x = nullptr;
    // The sweep, a step a pass of the dialog's loop.
    enum Stage { kStart, kChoose, kAwaitMode, kAwaitClick, kAwaitFlipTiles, kSettle, kDone };
    Stage stage = kStart;
    size_t next = 0;
    Row row;
    PaneWatch watch;
    std::atomic<double> clickSent{0}, clickHandled{0}, modeSent{0};
    std::atomic<double> passStart{0};
    std::thread clicker;
    QTimer timer;   // samples inside passes too: the window is served while tiles render
    double deadline = 0;
    std::function<void()> step;
    step = [&] {
        if (!Controller_Tarnwhistle_pano::exists() || !C()->proxyPreview) {
            DispatchToDialogLoop(step);
            return;
        }
        switch (stage) {
            case kStart:
                if (!Settled()) break;
                x = new XInput();
                QObject::connect(C()->flip, &QCheckBox::toggled, [&] {
                    if (clickSent > 0 && clickHandled == 0) clickHandled = Seconds();
                });
                QObject::connect(&timer, &QTimer::timeout, [&] {
                    const int s = C()->ppm->state;
                    if ((s == kProgressivePreviewState_running || s == kProgressivePreviewState_aborting) && passStart == 0)
                        passStart = Seconds();
                    // A mode whose first pass the click stopped before any tile
                    // showed first shows in the flipped pass.
                    if ((stage == kAwaitMode || stage == kAwaitFlipTiles) && row.firstTiles < 0 && watch.Changed())
                        row.firstTiles = (Seconds() - modeSent) * 1000;
                });
                timer.start(1);
                // The sweep starts from the mode before the first.
                C()->output_popup->setCurrentIndex(C()->output_popup->findData(modes[0]) - 1 >= 0
                                                       ? C()->output_popup->findData(modes[0]) - 1
                                                       : C()->output_popup->count() - 1);
                stage = kChoose;
                break;
            case kChoose: {
                if (next >= modes.size()) {
                    stage = kDone;
                    C()->cancel->click();
                    return;
                }
                row = Row{};
                watch.Mark();
                passStart = 0;
                clickSent = clickHandled = 0;
                // The stepper's down arrow: the next mode this build renders.
                QList<QToolButton*> arrows = C()->output_stepper->findChildren<QToolButton*>();
                const QPoint down = OnScreen(arrows.size() == 2 ? arrows[1] : static_cast<QWidget*>(C()->output_stepper));
                const QPoint flip = OnScreen(C()->flip, QPoint(8, C()->flip->height() / 2));
                modeSent = Seconds();
                x->Click(down);
                if (clicker.joinable()) clicker.join();
                clicker = std::thread([&, flip] {
                    XInput own;
                    const double giveUp = Seconds() + 30;
                    while (passStart == 0 && Seconds() < giveUp) std::this_thread::sleep_for(std::chrono::microseconds(200));
                    while (Seconds() < passStart + 0.02) std::this_thread::sleep_for(std::chrono::microseconds(200));
                    own.MoveTo(flip);
                    clickSent = Seconds();
                    own.Button(true);
                    own.Button(false);
                });
                deadline = Seconds() + 120;
                stage = kAwaitMode;
                break;
            }
            case kAwaitMode:
                row.mode = gParams->outputMode;
                if (clickHandled == 0 && Seconds() < deadline) break;
                row.clickWait = (clickHandled - clickSent) * 1000;
                watch.Mark();
                stage = kAwaitFlipTiles;
                break;
            case kAwaitFlipTiles:
                if (!watch.Changed() && Seconds() < deadline) break;
                row.flipTiles = (Seconds() - clickHandled) * 1000;
                stage = kSettle;
                break;
            case kSettle:
                if (!Settled() && Seconds() < deadline) break;
                std::printf("mode %4d  first tiles %7.1f ms  click waited %6.1f ms  flipped tiles %7.1f ms  %s\n",
                            row.mode, row.firstTiles, row.clickWait, row.flipTiles, OutputModeCaption(row.mode).c_str());
                std::fflush(stdout);
                rows.push_back(row);
                ++next;
                stage = kChoose;
                break;
            default:
                return;
        }
        DispatchToDialogLoop(step);
    };
    DispatchToDialogLoop(step);
    HostRunSettings run;
    run.haveSettings = true;
    run.showDialog = true;
    std::string setError;
    DescriptorItem item;
    if (ModeToItem(ModeKind::Output, std::to_string(modes[0]), &item, &setError)) run.settings.push_back(item);
    HostRunReport report;
    RunFilter(PluginMain, &earth, run, &report);
    if (clicker.joinable()) clicker.join();
    delete x;
    StopTestDisplay();

    std::vector<double> tiles, waits, flips;
    const Row* worstWait = nullptr;
    const Row* worstTiles = nullptr;
    const Row* worstFlip = nullptr;
    int over50 = 0, over100 = 0, flipsOver100 = 0;
    for (const Row& r : rows) {
        tiles.push_back(r.firstTiles);
        waits.push_back(r.clickWait);
        flips.push_back(r.flipTiles);
        over50 += r.clickWait > 50;
        over100 += r.firstTiles > 100;
        flipsOver100 += r.flipTiles > 100;
        if (!worstWait || r.clickWait > worstWait->clickWait) worstWait = &r;
        if (!worstTiles || r.firstTiles > worstTiles->firstTiles) worstTiles = &r;
        if (!worstFlip || r.flipTiles > worstFlip->flipTiles) worstFlip = &r;
    }
    if (rows.empty()) return 1;
    std::printf("\n%zu modes\n", rows.size());
    std::printf("click wait:      worst %.1f ms (mode %d), median %.1f ms, %d over 50 ms\n", worstWait->clickWait,
                worstWait->mode, Median(waits), over50);
    std::printf("first tiles after choosing a mode: worst %.1f ms (mode %d), median %.1f ms, %d over 100 ms\n",
                worstTiles->firstTiles, worstTiles->mode, Median(tiles), over100);
    std::printf("first tiles after flip:           worst %.1f ms (mode %d), median %.1f ms, %d over 100 ms\n",
                worstFlip->flipTiles, worstFlip->mode, Median(flips), flipsOver100);
    return 0;
}
