// Galleries in the plug-in: thumbnails' sizes, skipped dots, preset pages,
// and the settings as they were afterwards.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "files/file_layer.h"
#include "files/html_page.h"
#include "files/iptc.h"
#include "files/psd_export.h"
#include "polyhedra/polyhedron_params.h"
#include "shell/mode_catalogue.h"
#include "tests/files/psd_test_support.h"
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
    Parameters equirectangular = before;
    equirectangular.outputMode = 1;
    ASSERT_EQ(FileZerp_WriteFileAtPath(jpeg, "t", [&](int fd) {
                  return paint_one_output_or_memdot_gallery_image_Thingie(equirectangular, rig.data.get(), fd, rect, 50);
              }),
              0);
    EXPECT_EQ(rect[0], 0);
    EXPECT_EQ(rect[1], 0);
    EXPECT_EQ(rect[2], 200);
    EXPECT_EQ(rect[3], 400);
    EXPECT_EQ(std::memcmp(&before, rig.params.get(), sizeof before), 0);
    // A dot that cannot be read changes nothing.
    Parameters dot = before;
    EXPECT_NE(FileZerp_readMemoryDotInto(4, &dot), 0);
    EXPECT_EQ(std::memcmp(&before, &dot, sizeof before), 0);
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

namespace {

// The polyhedra page: one cell per exportable solid in the range, its net on
// the picture as a JPEG in web_images (the cell's picture), the solid's OBJ
// in web_images/solids, and the settings as before. The nets folder: one PSD per
// exportable solid named by the mode and its number of pieces (an older
// file of that name replaced, no scratch file left), never for 193 and 194.
TEST(Gallery, PolyhedraPageAndNets) {
    const SupportFolder support;
    exporttest::ExportRig rig(8);
    rig.SetInput(64, 32);
    rig.params->outputMode = 16;
    const Parameters before = *rig.params;
    const std::string out = support / "solids";
    fs::create_directories(out);
    ASSERT_EQ(WriteGallery(kGalleryPolyhedra, out + "/polyhedra.html", "", 5, 8), 0);
    const std::string text = Slurp(out + "/polyhedra.html");
    int solids = 0;
    for (int64_t m = 5; m <= 8; ++m) solids += IsExportablePolyhedron(m);
    ASSERT_GT(solids, 2);
    EXPECT_EQ(Count(text, "<font size=\"2\""), solids);
    EXPECT_EQ(Count(text, "<img "), solids);
    EXPECT_EQ(text.find(".png"), std::string::npos);
    for (int64_t m = 5; m <= 8; ++m) {
        if (!IsExportablePolyhedron(m)) continue;
        const std::string name = CleanedImageName(std::string(VorneskOutputModeName(m)) + ".x");
        EXPECT_NE(text.find("src=\"web_images/" + PercentEncodedFileName(name) + ".jpg\""), std::string::npos) << name;
        EXPECT_TRUE(fs::is_regular_file(out + "/web_images/" + name + ".jpg")) << name;
        EXPECT_TRUE(fs::is_regular_file(out + "/web_images/solids/" + name + ".obj")) << name;
        // The picture is the net at its cell's size, not the solid's texture.
        const std::string size = psdtest::Shell("identify -format '%w %h' '" + out + "/web_images/" + name + ".jpg'");
        EXPECT_NE(text.find("alt=\"" + name + ".jpg\" width=\"" + size.substr(0, size.find(' ')) + "\" height=\"" +
                            size.substr(size.find(' ') + 1) + "\""),
                  std::string::npos)
            << name << " " << size;
    }
    // The heading names what the page shows.
    EXPECT_NE(text.find("<b>Vornesk 2 polyhedra"), std::string::npos);
    // A net's thumbnail lies on white where the net leaves the picture
    // clear, as the command line flattens a result: the corner of the
    // tetrahedron's net, outside its triangles.
    {
        const std::string name = CleanedImageName(std::string(VorneskOutputModeName(6)) + ".x");
        const std::string corner =
            psdtest::Shell("convert '" + out + "/web_images/" + name + ".jpg' -format '%[fx:int(255*p{0,0}.r)] "
                           "%[fx:int(255*p{0,0}.g)] %[fx:int(255*p{0,0}.b)]' info:");
        int r = 0, g = 0, b = 0;
        ASSERT_EQ(std::sscanf(corner.c_str(), "%d %d %d", &r, &g, &b), 3) << corner;
        EXPECT_GT(std::min({r, g, b}), 240) << corner;
    }
    EXPECT_EQ(std::memcmp(&before, rig.params.get(), sizeof before), 0);
    if (system("tidy -v >/dev/null 2>&1") == 0) {
        EXPECT_NE(system(("tidy -q -e '" + out + "/polyhedra.html' 2>&1 | grep -v summary | grep -q .").c_str()), 0);
    }

    // Nets: a stale file of the final name is replaced.
    ASSERT_TRUE(IsExportablePolyhedron(193) && IsExportablePolyhedron(194));
    const std::string nets = out + "/exportable polyhedra";
    fs::create_directories(nets);
    const std::string cube = VorneskOutputModeName(7);
    ASSERT_EQ(cube, "cube");
    ASSERT_EQ(WriteAllExportablePolyhedra(nets, 7, 7), 0);
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(nets)) names.push_back(e.path().filename().string());
    ASSERT_EQ(names.size(), 1u);
    EXPECT_EQ(names[0].rfind(cube + ", ", 0), 0u) << names[0];
    std::ofstream(nets + "/" + names[0]) << "old";
    ASSERT_EQ(WriteAllExportablePolyhedra(nets, 7, 7), 0);
    EXPECT_EQ(Slurp(nets + "/" + names[0]).substr(0, 4), "8BPS");
    const psdtest::ReadBack r = psdtest::ReadWithPsdTools(nets + "/" + names[0], support / "net");
    EXPECT_EQ(names[0], cube + ", " + r.facts.at("layers") + ".psd");
    ASSERT_EQ(WriteAllExportablePolyhedra(nets, 193, 194), 0);
    int files = 0;
    for (const auto& e : fs::directory_iterator(nets)) files += e.is_regular_file();
    EXPECT_EQ(files, 1);
    EXPECT_EQ(rig.params->exportPurpose, kExportFaces);
    EXPECT_EQ(rig.params->export_pixels, 300);
    EXPECT_EQ(rig.params->outputMode, 16);
}

}  // namespace
