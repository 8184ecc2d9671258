// A window of ours captured by title as a picture of its size; other
// programs' windows and unknown titles fail with the reason.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QImage>
#include <QLabel>
#include <filesystem>

#include "platform/appkit/window_capture.h"
#include "tests/platform/appkit/offscreen_app.h"

namespace {

namespace fs = std::filesystem;

TEST(WindowCapture, OurTitledWindowBecomesAPictureOfItsSize) {
    ASSERT_TRUE(OffscreenApplication());
    const fs::path folder = fs::temp_directory_path() / ("vornesk-capture-" + std::to_string(getpid()));
    fs::create_directories(folder);
    QLabel window("Vornesk capture");
    window.setWindowTitle("Gallery \"maker\"");
    window.setStyleSheet("background: #3060c0");
    window.setFixedSize(321, 123);
    window.show();
    QCoreApplication::processEvents();
    const QString png = QString::fromStdString((folder / "shot.png").string());
    std::string why;
    ASSERT_TRUE(screencaptureFromApp("", "Gallery \"maker\"", png.toStdString(), &why)) << why;
    ASSERT_TRUE(screencaptureFromApp(QCoreApplication::applicationName().toStdString(), "Gallery \"maker\"", png.toStdString(), &why));
    QImage shot;
    ASSERT_TRUE(shot.load(png, "PNG"));
    EXPECT_EQ(shot.width() / shot.devicePixelRatio(), 321);
    EXPECT_EQ(shot.height() / shot.devicePixelRatio(), 123);
    EXPECT_EQ(QColor(shot.pixel(2, 2)), QColor("#3060c0"));
    // The file is a PNG by its signature, not just by name.
    FILE* f = std::fopen(png.toUtf8().constData(), "rb");
    ASSERT_NE(f, nullptr);
    unsigned char sig[8] = {};
    EXPECT_EQ(std::fread(sig, 1, 8, f), 8u);
    std::fclose(f);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(sig + 1), 3), "PNG");

    const struct {
        std::string application, title;
        const char* reason;
    } failures[] = {
        {"Finder", "Gallery \"maker\"", "another application"},
        {"", "Nobody's window", "no window of ours"},
    };
    for (const auto& k : failures) {
        why.clear();
        EXPECT_FALSE(screencaptureFromApp(k.application, k.title, (folder / "other.png").string(), &why));
        EXPECT_NE(why.find(k.reason), std::string::npos) << why;
        EXPECT_FALSE(fs::exists(folder / "other.png"));
    }
    window.hide();
    fs::remove_all(folder);
}

}  // namespace
