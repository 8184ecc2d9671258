// The host's dialog path in process, headless: the plug-in shows its dialog,
// the test finds it by name, looks at the preview, changes the output mode
// and presses OK (or Cancel); the host gets the picture and the descriptor.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QMouseEvent>
#include <QPushButton>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <functional>

#include "platform/appkit/run_loop.h"
#include "platform/host/filter_record.h"
#include "cli/document.h"
#include "cli/host_session.h"
#include "cli/image_files.h"
#include "cli/options.h"
#include "ui/dialog.h"
#include "ui/preview_manager.h"
#include "ui/proxy_view.h"

namespace {

namespace fs = std::filesystem;

// The bundled Earth, reduced to 512 x 256 by 4 x 4 box averages.
HostDocument SmallEarth() {
    HostDocument earth, small;
    std::string error;
    EXPECT_TRUE(ReadImageFile(std::string(VORNESK_SOURCE_DIR) + "/samples/earth-2048x1024.jpg", &earth, &error))
        << error;
    EXPECT_TRUE(AllocateDocument(&small, 512, 256, 3, false, 8, &error));
    for (int32_t y = 0; y < 256; ++y)
        for (int32_t x = 0; x < 512; ++x)
            for (int c = 0; c < 3; ++c) {
                int sum = 0;
                for (int dy = 0; dy < 4; ++dy)
                    for (int dx = 0; dx < 4; ++dx) sum += earth.samples[(size_t(y * 4 + dy) * 2048 + x * 4 + dx) * 3 + c];
                small.samples[(size_t(y) * 512 + x) * 3 + c] = uint8_t((sum + 8) / 16);
            }
    return small;
}

QWidget* FindWindow(const char* name) {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == name && w->isVisible()) return w;
    return nullptr;
}

// Runs step in every pass of the dialog's loop until it answers true.
struct Repeater {
    std::function<bool()> step;
    void operator()() const {
        if (!step()) DispatchToDialogLoop(*this);
    }
};
void EveryPassUntil(std::function<bool()> step) { DispatchToDialogLoop(Repeater{std::move(step)}); }

struct DialogHostTest : ::testing::Test {
    fs::path support;
    void SetUp() override {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        support = fs::temp_directory_path() / ("vornesk-dialog-host-" + std::to_string(getpid()));
        fs::create_directories(support);
        setenv("VORNESK_SUPPORT_DIR", support.c_str(), 1);
    }
    void TearDown() override { fs::remove_all(support); }
};

TEST_F(DialogHostTest, PreviewShowsTheEarthThenOkRendersTheChosenMode) {
    const HostDocument earth = SmallEarth();
    HostDocument doc = earth;
    // Hammer: a mode this build renders (unbuilt modes are refused).
    const int32_t chosenMode = 11;
    double meanError = -1;
    int32_t divisor = 0;
    const std::string shots = std::string(VORNESK_BINARY_DIR) + "/dialog-";
    int stage = 0;
    int64_t renderedBefore = 0;
    EveryPassUntil([&]() -> bool {
        QWidget* window = FindWindow("dissolveWindow");
        auto* pane = window ? window->findChild<ProxyView_Tarnwhistle_pano*>("proxyPreview") : nullptr;
        // Each stage waits for the preview and the end of its drawing (the first stash).
        Controller_Tarnwhistle_pano* controller = Controller_Tarnwhistle_pano::sharedInstance();
        if (!pane || pane->mostRecentPreview.isNull() || pane->needsDisplay() ||
            pane->previewsRendered <= renderedBefore || controller->gNeverDrewProxy ||
            controller->ppm->state != kProgressivePreviewState_ready || NSObject_pendingPerformRequests(pane) > 0)
            return false;
        renderedBefore = pane->previewsRendered;
        if (stage == 0) {
            // Equirectangular in and out: the Earth reduced by the divisor.
            const QImage& image = pane->mostRecentPreview;
            divisor = (512 + image.width() - 1) / image.width();
            double sum = 0;
            int64_t n = 0;
            for (int32_t y = 0; y + 1 < image.height(); ++y)
                for (int32_t x = 0; x + 1 < image.width(); ++x) {
                    const QRgb p = image.pixel(x, y);
                    const int shown[3] = {qRed(p), qGreen(p), qBlue(p)};
                    for (int c = 0; c < 3; ++c) {
                        int box = 0;
                        for (int dy = 0; dy < divisor; ++dy)
                            for (int dx = 0; dx < divisor; ++dx)
                                box += earth.samples[(size_t(y * divisor + dy) * 512 + x * divisor + dx) * 3 + c];
                        sum += std::abs(double(box) / (divisor * divisor) - shown[c]);
                        ++n;
                    }
                }
            meanError = sum / double(n);
            window->grab().save(QString::fromStdString(shots + "start.png"));
            window->findChild<QPushButton*>("zoom_in")->click();
            stage = 1;
            return false;
        }
        if (stage == 1) {
            window->grab().save(QString::fromStdString(shots + "zoomed.png"));
            for (const char* dot : {"memdot5", "memdot9", "memdot14"}) window->findChild<HoverButton*>(dot)->click();
            HoverButton* dot = window->findChild<HoverButton*>("memdot20");
            const QPointF at(dot->width() / 2.0, dot->height() / 2.0);
            QMouseEvent press(QEvent::MouseButtonPress, at, dot->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                              Qt::ControlModifier);
            QMouseEvent release(QEvent::MouseButtonRelease, at, dot->mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                                Qt::ControlModifier);
            QCoreApplication::sendEvent(dot, &press);
            QCoreApplication::sendEvent(dot, &release);
            window->grab().save(QString::fromStdString(shots + "dots.png"));
            stage = 2;
        }
        auto* output = window->findChild<QComboBox*>("output_popup");
        output->setCurrentIndex(chosenMode - 1);
        emit output->activated(chosenMode - 1);
        window->findChild<QPushButton*>("ok")->click();
        return true;
    });
    HostRunSettings settings;
    settings.haveSettings = true;
    settings.showDialog = true;
    HostRunReport report;
    ASSERT_TRUE(RunFilter(PluginMain, &doc, settings, &report)) << report.result << " " << report.pluginMessage;
    std::printf("pane against the box-filtered Earth: divisor %d, mean error %.3f of 255\n", divisor, meanError);
    EXPECT_GE(divisor, 1);
    EXPECT_GE(meanError, 0.0);
    EXPECT_LT(meanError, 6.0);
    EXPECT_EQ(report.descriptorWritten, true);

    // The descriptor names the chosen mode, and the picture is that mode's
    // render without a dialog.
    const std::string chosenText = std::to_string(chosenMode);
    const char* const argv[] = {"vornesk", "--output-mode", chosenText.c_str(), "in.png", "-o", "out.png"};
    HostOptions options;
    std::string error;
    ASSERT_TRUE(ParseHostOptions(6, argv, &options, &error)) << error;
    ASSERT_EQ(options.settings.size(), 1u);
    const DescriptorItem chosen = options.settings[0];
    bool found = false;
    for (const DescriptorItem& item : report.descriptor)
        if (item.key == chosen.key) {
            found = true;
            EXPECT_EQ(item.enumValue, chosen.enumValue);
        }
    EXPECT_TRUE(found);
    HostDocument direct = earth;
    HostRunSettings plain;
    plain.haveSettings = true;
    plain.settings = {chosen};
    ASSERT_TRUE(RunFilter(PluginMain, &direct, plain, &report));
    EXPECT_TRUE(doc.samples == direct.samples);
    EXPECT_FALSE(doc.samples == earth.samples);
}

TEST_F(DialogHostTest, CancelWritesNothing) {
    HostDocument doc = SmallEarth();
    const SampleBytes before = doc.samples;
    EveryPassUntil([]() -> bool {
        QWidget* window = FindWindow("dissolveWindow");
        if (!window) return false;
        window->findChild<QPushButton*>("cancel")->click();
        return true;
    });
    HostRunSettings settings;
    settings.haveSettings = true;
    settings.showDialog = true;
    HostRunReport report;
    EXPECT_FALSE(RunFilter(PluginMain, &doc, settings, &report));
    EXPECT_EQ(report.result, userCanceledErr);
    EXPECT_TRUE(doc.samples == before);
}

}  // namespace
