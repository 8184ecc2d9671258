// The progress bar under the preview pane. It is built hidden with the
// controls; the exports and the task engine show, advance and hide it.
// Advancing repaints the bar at once, without dispatching any input, so it
// moves during a job that holds the main thread.
#include <QGridLayout>
#include <QProgressBar>

#include "ui/alerts.h"
#include "records/data.h"
#include "records/plugin_globals.h"
#include "ui/dialog.h"
#include "ui/proxy_view.h"

namespace {

constexpr int kMondoBarHeight = 10;

Controller_Tarnwhistle_pano* Shared() {
    return Controller_Tarnwhistle_pano::exists() ? Controller_Tarnwhistle_pano::sharedInstance() : nullptr;
}

}  // namespace

void Controller_Tarnwhistle_pano::addMondoProgress() {
    if (mondoBar || !dissolveWindow) return;
    auto* bar = new QProgressBar(dissolveWindow);
    bar->setObjectName("mondoBar");
    bar->setRange(0, 100);
    bar->setValue(0);
    bar->setTextVisible(false);
    bar->setFixedHeight(kMondoBarHeight);
    // Its room is kept while it is hidden, so the window does not grow when it shows.
    QSizePolicy policy = bar->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    bar->setSizePolicy(policy);
    // Under the preview pane, as wide as it.
    if (auto* grid = qobject_cast<QGridLayout*>(dissolveWindow->layout())) {
        const int index = proxyPreview ? grid->indexOf(proxyPreview) : -1;
        int row = 0, column = 0, rows = 1, columns = 1;
        if (index >= 0) grid->getItemPosition(index, &row, &column, &rows, &columns);
        grid->addWidget(bar, grid->rowCount(), column, 1, columns);
    }
    bar->hide();
    mondoBar = bar;
}

void Controller_Tarnwhistle_pano::CreateMondoProgressWindowX() {
    if (!mondoBar) return;
    ShowCancellingOnPane(false);
    mondoBar->setRange(0, 100);
    mondoBar->setToolTip(QString());
    mondoBar->setValue(0);
    mondoBar->show();
    mondoBar->repaint();
}

// The job goes on until its running part ends: the bar stops saying how far
// it got and moves as a busy bar, and the preview pane says the job is being
// cancelled, both painted at once as the job holds the main thread.
void Controller_Tarnwhistle_pano::MondoProgressShowCancellingX() {
    if (!mondoBar) return;
    mondoBar->setRange(0, 0);
    mondoBar->setToolTip(CancellingWords());
    mondoBar->show();
    mondoBar->repaint();
    ShowCancellingOnPane(true);
}

QString Controller_Tarnwhistle_pano::CancellingWords() { return QStringLiteral("Cancelling\u2026"); }

// The pane's notice band says so while a cancel is under way; what it said
// before comes back afterwards.
void Controller_Tarnwhistle_pano::ShowCancellingOnPane(bool on) {
    if (!proxyPreview || on == cancellingShown) return;
    cancellingShown = on;
    if (on) {
        noticeBeforeCancelling = proxyPreview->notice;
        proxyPreview->notice = CancellingWords();
    } else {
        proxyPreview->notice = noticeBeforeCancelling;
        noticeBeforeCancelling.clear();
    }
    proxyPreview->repaint();
}

void Controller_Tarnwhistle_pano::MondoProgressUpdate_fractionX(double fraction) {
    if (!mondoBar) return;
    mondoBar->setValue(int(std::lround(std::clamp(fraction, 0.0, 1.0) * 100.0)));
    mondoBar->repaint();
}

void Controller_Tarnwhistle_pano::DestroyMondoProgressX() {
    if (!mondoBar) return;
    mondoBar->hide();
    mondoBar->setRange(0, 100);
    mondoBar->setToolTip(QString());
    ShowCancellingOnPane(false);
}

void CreateMondoProgressWindow() {
    if (auto* c = Shared()) c->CreateMondoProgressWindowX();
}

void MondoProgressShowCancelling() {
    if (auto* c = Shared()) c->MondoProgressShowCancellingX();
}

void DestroyMondoProgress() {
    if (auto* c = Shared()) c->DestroyMondoProgressX();
    if (gData) gData->progressTotal = gData->progressDone = 0;
}

// The progress of renders to an offscreen pyramid, through the reporter.
void MondoProgressUpdate_fractionX(double fraction) {
    if (auto* c = Shared()) c->MondoProgressUpdate_fractionX(fraction);
}
