// The export a host asks for travels in the scripting descriptor beside the
// settings it plays, and nowhere else: a host that inherits an environment
// naming exports still gets its picture rendered and no file written, a
// descriptor's order writes the file (its path however long) in place of
// the picture, and an order the plug-in cannot follow is refused with the
// reason, nothing written.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/document.h"
#include "cli/host_session.h"
#include "cli/options.h"
#include "platform/host/result_codes.h"
#include "shell/host_export.h"
#include "tests/files/psd_test_support.h"
#include "tests/shell/plugin_fixture.h"

namespace {

namespace fs = std::filesystem;

// A 64 x 32 RGB picture with something on it.
HostDocument Picture() {
    HostDocument doc;
    std::string error;
    EXPECT_TRUE(AllocateDocument(&doc, 64, 32, 3, false, 8, &error)) << error;
    for (size_t i = 0; i < doc.SampleCount(); ++i) doc.samples[i] = uint8_t((i * 37) % 251);
    return doc;
}

HostRunSettings Settings(const std::vector<std::string>& items) {
    const char* const argv[] = {"vornesk", "--output-mode", "Mercator", "in.png", "-o", "out.png"};
    HostOptions options;
    std::string error;
    EXPECT_TRUE(ParseHostOptions(6, argv, &options, &error)) << error;
    HostRunSettings settings;
    settings.haveSettings = true;
    settings.settings = options.settings;
    for (const std::string& text : items) {
        DescriptorItem item;
        EXPECT_TRUE(ParseDescriptorItem(text, &item, &error)) << text << ": " << error;
        settings.settings.push_back(item);
    }
    return settings;
}

std::vector<std::string> FilesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& e : fs::recursive_directory_iterator(folder)) names.push_back(e.path().string());
    return names;
}

// Variables an older build took export orders from.
struct ExportEnvironment {
    explicit ExportEnvironment(const std::string& folder) {
        setenv("VORNESK_EXPORT", (folder + "/asked.psd").c_str(), 1);
        setenv("VORNESK_GALLERY", "dots", 1);
        setenv("VORNESK_EXPORT_CUBE_MAP", "1", 1);
    }
    ~ExportEnvironment() {
        unsetenv("VORNESK_EXPORT");
        unsetenv("VORNESK_GALLERY");
        unsetenv("VORNESK_EXPORT_CUBE_MAP");
    }
};

TEST(ExportOrder, AnInheritedEnvironmentChangesNothing) {
    PluginMainProc entry = LoadPlugin();
    ASSERT_NE(entry, nullptr) << dlerror();
    SupportFolder support;
    const psdtest::Folder folder;
    HostDocument plain = Picture();
    HostRunReport report;
    ASSERT_TRUE(RunFilter(entry, &plain, Settings({}), &report)) << report.pluginMessage;

    HostDocument inherited = Picture();
    {
        const ExportEnvironment environment(folder.path);
        ASSERT_TRUE(RunFilter(entry, &inherited, Settings({}), &report)) << report.pluginMessage;
    }
    // The picture is rendered, as without the variables, and nothing is written.
    EXPECT_TRUE(inherited.samples == plain.samples);
    EXPECT_FALSE(inherited.samples == Picture().samples);
    EXPECT_TRUE(FilesIn(folder.path).empty());
}

TEST(ExportOrder, ThePlayedDescriptorWritesThePSDInPlaceOfThePicture) {
    PluginMainProc entry = LoadPlugin();
    ASSERT_NE(entry, nullptr) << dlerror();
    SupportFolder support;
    const psdtest::Folder folder;
    // Deeper than a 255-byte string could name.
    const std::string deep = folder.path + "/" + std::string(120, 'd') + "/" + std::string(120, 'e');
    fs::create_directories(deep);
    const std::string path = deep + "/the \"result\".psd";
    ASSERT_GT(path.size(), 255u);
    HostDocument doc = Picture();
    const HostDocument before = doc;
    HostRunReport report;
    ASSERT_TRUE(RunFilter(entry, &doc, Settings({"Exky=Exty:ExPS", "Exfl=alis:\"" + path + "\""}), &report))
        << report.pluginMessage;
    EXPECT_TRUE(doc.samples == before.samples) << "the export takes the picture's place";
    const psdtest::ReadBack back = psdtest::ReadWithPsdTools(path, folder / "read");
    EXPECT_TRUE(back.warnings.empty()) << back.text;
    ASSERT_EQ(back.facts.count("size"), 1u) << back.text;
    EXPECT_EQ(back.facts.at("size"), "64 32");
    // The order is the run's own: the settings the plug-in records hold none.
    ASSERT_TRUE(report.descriptorWritten);
    for (const DescriptorItem& item : report.descriptor) {
        EXPECT_NE(item.key, kExportKindKey);
        EXPECT_NE(item.key, kExportFileKey);
    }
}

TEST(ExportOrder, AnOrderThePluginCannotFollowIsRefusedAndWritesNothing) {
    PluginMainProc entry = LoadPlugin();
    ASSERT_NE(entry, nullptr) << dlerror();
    SupportFolder support;
    const psdtest::Folder folder;
    const std::string file = "Exfl=alis:\"" + folder / "x.psd" + "\"";
    const struct {
        std::vector<std::string> items;
        const char* reason;
    } cases[] = {
        {{"Exky=Exty:ExPS"}, "names no file"},
        {{file}, "without an export"},
        {{"Exky=Exty:ExZZ", file}, "the code ExZZ under Exky names no export"},
        {{"Exky=Foty:Fo01", file}, "names no export"},
        {{"Exky=Exty:ExPS", "Exfl=\"" + folder / "x.psd" + "\""}, "is no file path"},
        {{"Exky=1", file}, "the value under Exky has the wrong type"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reason);
        HostDocument doc = Picture();
        HostRunReport report;
        EXPECT_FALSE(RunFilter(entry, &doc, Settings(c.items), &report));
        EXPECT_EQ(report.result, errReportString);
        EXPECT_NE(report.pluginMessage.find("cannot use these settings"), std::string::npos) << report.pluginMessage;
        EXPECT_NE(report.pluginMessage.find(c.reason), std::string::npos) << report.pluginMessage;
        EXPECT_TRUE(FilesIn(folder.path).empty());
    }
}

TEST(ExportOrder, CodesAndGalleryWords) {
    for (ExportOrderKind kind : {kExportOrderPSD, kExportOrderCubeMap, kExportOrderGeometry, kExportOrderBrickModel,
                                 kExportOrderModesGallery, kExportOrderDotsGallery, kExportOrderPresetsGallery,
                                 kExportOrderPolyhedraGallery}) {
        ExportOrderKind back = kExportOrderNone;
        ASSERT_TRUE(ExportOrderKindOfCode(ExportOrderCode(kind), &back)) << kind;
        EXPECT_EQ(back, kind);
    }
    ExportOrderKind none = kExportOrderNone;
    EXPECT_FALSE(ExportOrderKindOfCode(ExportOrderCode(kExportOrderNone), &none));
    for (const char* word : {"modes", "dots", "presets", "polyhedra"}) {
        ExportOrderKind kind = kExportOrderNone;
        EXPECT_TRUE(ExportOrderKindOfGalleryWord(word, &kind)) << word;
    }
    EXPECT_FALSE(ExportOrderKindOfGalleryWord("everything", &none));
}

}  // namespace
