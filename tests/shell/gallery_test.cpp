// Galleries in the plug-in: thumbnails' sizes, skipped dots, preset pages,
// and the settings as they were afterwards.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "files/file_layer.h"
#include "files/psd_export.h"
#include "shell/galleries.h"
#include "shell/settings_files.h"
#include "tests/files/export_rig.h"
#include "tests/shell/plugin_fixture.h"

namespace {

namespace fs = std::filesystem;

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

int Count(const std::string& text, const std::string& what) {
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

TEST(Gallery, ThumbnailSizeAndSettingsComeBack) {
    const SupportFolder support;
    exporttest::ExportRig rig(8);
    rig.SetInput(64, 32);
    rig.params->outputMode = 12;
    rig.params->latitude = 10;
    const Parameters before = *rig.params;
    int16_t rect[4] = {0, 0, 0, 400};
    const std::string jpeg = support / "t.jpg";
    ASSERT_EQ(FileZerp_WriteFileAtPath(jpeg, "t", [&](int fd) {
                  return paint_one_output_or_memdot_gallery_image_Thingie(1, rig.data.get(), fd, 0, rect, kGalleryOutputMode,
                                                                          50, nullptr);
              }),
              0);
    EXPECT_EQ(rect[0], 0);
    EXPECT_EQ(rect[1], 0);
    EXPECT_EQ(rect[2], 200);
    EXPECT_EQ(rect[3], 400);
    EXPECT_EQ(std::memcmp(&before, rig.params.get(), sizeof before), 0);
    // A dot that cannot be read writes nothing and changes nothing.
    int16_t rect2[4] = {0, 0, 0, 400};
    EXPECT_NE(FileZerp_WriteFileAtPath(support / "d.jpg", "d", [&](int fd) {
                  return paint_one_output_or_memdot_gallery_image_Thingie(
                      4, rig.data.get(), fd, 0, rect2, kGalleryMemoryDot, 50,
                      [](int64_t dot) { return int(FileZerp_loadFromMemoryDot(dot, gData)); });
              }),
              0);
    EXPECT_FALSE(fs::exists(support / "d.jpg"));
    EXPECT_EQ(std::memcmp(&before, rig.params.get(), sizeof before), 0);
}

TEST(Gallery, MemoryDotsAndPresets) {
    const SupportFolder support;
    exporttest::ExportRig rig(8);
    rig.SetInput(64, 32);
    rig.params->outputMode = 16;
    ASSERT_EQ(FileZerp_saveToMemoryDot(2, gData), 0);
    const std::string presets = support / "presets";
    fs::create_directories(presets);
    ASSERT_EQ(FileZerp_WriteSettingsFile_path(presets + "/b \"\xC3\xA9t\xC3\xA9\" & <co>.Q2Q", 0), 0);
    rig.params->outputMode = 3;
    ASSERT_EQ(FileZerp_WriteSettingsFile_path(presets + "/a.q2q", 0), 0);
    std::ofstream(presets + "/notes.txt") << "text";
    rig.params->outputMode = 12;
    const Parameters before = *rig.params;

    const std::string dots = support / "dots/memory dots.html";
    fs::create_directories(support / "dots");
    ASSERT_EQ(WriteGallery(kGalleryMemoryDots, dots, ""), 0);
    const std::string dotPage = Slurp(dots);
    EXPECT_EQ(Count(dotPage, "<img "), 1);  // only dot 3 was saved
    EXPECT_NE(dotPage.find("src=\"web_images/dot%203.jpg\""), std::string::npos);
    EXPECT_TRUE(fs::exists(support / "dots/web_images/dot 3.jpg"));
    EXPECT_EQ(Count(dotPage, "<p><font face="), 3);  // padded to a row of 4
    EXPECT_EQ(std::memcmp(&before, rig.params.get(), sizeof before), 0);

    const std::string page = presets + "/presets.html";
    ASSERT_EQ(WriteGallery(kGalleryPresets, page, presets), 0);
    const std::string presetPage = Slurp(page);
    EXPECT_EQ(Count(presetPage, "<font size=\"3\""), 2);  // two presets, the text file left out
    EXPECT_EQ(Count(presetPage, "<p><font face="), 3);    // padded to a row of 5
    EXPECT_NE(presetPage.find("b &quot;&eacute;t&eacute;&quot; &amp; &lt;co&gt;"), std::string::npos);
    EXPECT_LT(presetPage.find(">a</font>"), presetPage.find(">b &quot;"));
    EXPECT_EQ(std::memcmp(&before, rig.params.get(), sizeof before), 0);
    if (system("tidy -v >/dev/null 2>&1") == 0) {
        for (const std::string& p : {dots, page})
            EXPECT_EQ(system(("tidy -q -e '" + p + "' 2>&1 | grep -v summary | grep -q .").c_str()) == 0, false) << p;
    }
}

}  // namespace
