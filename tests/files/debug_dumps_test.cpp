// Debugging dumps: the slapdash dumps land on the desktop (the XDG desktop
// folder), one PSD a level the size of that level, the home-folder dumps in
// the home folder. Sizes are read from the PSD header.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "files/debug_dumps.h"
#include "pyramid/pixels.h"
#include "pyramid/pyramid.h"
#include "tests/files/export_rig.h"
#include "tests/files/psd_test_support.h"

namespace {

namespace fs = std::filesystem;
using exporttest::ExportRig;
using psdtest::Folder;

// Width and height from a PSD header; 0 0 when the file is not a PSD.
std::pair<long, long> PSDSize(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    unsigned char h[26] = {};
    in.read(reinterpret_cast<char*>(h), 26);
    if (!in || std::string(reinterpret_cast<char*>(h), 4) != "8BPS") return {0, 0};
    auto be = [&](int at) { return long(h[at]) << 24 | long(h[at + 1]) << 16 | long(h[at + 2]) << 8 | long(h[at + 3]); };
    return {be(18), be(14)};
}

struct Home {
    Folder folder;
    std::string oldHome, oldConfig;
    Home() {
        oldHome = std::getenv("HOME") ? std::getenv("HOME") : "";
        oldConfig = std::getenv("XDG_CONFIG_HOME") ? std::getenv("XDG_CONFIG_HOME") : "";
        setenv("HOME", folder.path.c_str(), 1);
        fs::create_directories(folder / "cfg");
        setenv("XDG_CONFIG_HOME", (folder / "cfg").c_str(), 1);
        std::ofstream(folder / "cfg/user-dirs.dirs") << "XDG_DESKTOP_DIR=\"$HOME/Pult\"\n";
    }
    ~Home() {
        setenv("HOME", oldHome.c_str(), 1);
        if (oldConfig.empty()) unsetenv("XDG_CONFIG_HOME");
        else setenv("XDG_CONFIG_HOME", oldConfig.c_str(), 1);
    }
    std::vector<std::string> Desktop() const {
        std::vector<std::string> names;
        if (fs::is_directory(folder / "Pult"))
            for (const auto& e : fs::directory_iterator(folder / "Pult")) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST(DebugDumps, LevelsNamesAndClamps) {
    ExportRig rig(8);
    Home home;
    PyramidDescriptor pyr{};
    InitPyramidProcs(&pyr);
    ASSERT_EQ(TryToAllocatePyramid_2006(&pyr, 160, 48, kPyrColour8, 0, 0), 1);
    const float c[4] = {0.2f, 0.5f, 0.8f, 1.0f};
    for (int64_t y = 0; y < 48; ++y)
        for (int64_t x = 0; x < 160; ++x) set_intcoord_unitary_color(x, y, &pyr, 0, c);
    const int64_t top = pyr.topLevel;
    ASSERT_GE(top, 2);

    // Every level, each the size of its level.
    ASSERT_EQ(slapdashSavePyrCocoaAllLevels(&pyr, "grid"), 0);
    std::vector<std::string> expected;
    for (int64_t L = 0; L <= top; ++L) {
        char name[32];
        std::snprintf(name, sizeof name, "grid %02lld.psd", (long long)L);
        expected.push_back(name);
        EXPECT_EQ(PSDSize(home.folder / ("Pult/" + std::string(name))), std::make_pair(long(pyr.width[L]), long(pyr.height[L])))
            << name;
    }
    EXPECT_EQ(home.Desktop(), expected);
    fs::remove_all(home.folder / "Pult");

    // One level: below 0 is level 0, past the top the top level.
    const struct {
        const char* name;
        int64_t level;
        std::string file;
        int64_t sizeOf;
    } levels[] = {
        {"x", -3, "x 00.psd", 0},
        {"x", 1, "x 01.psd", 1},
        {"x", top + 1, "x " + std::string(top < 10 ? "0" : "") + std::to_string(top) + ".psd", top},
        {"x", 99, "x " + std::string(top < 10 ? "0" : "") + std::to_string(top) + ".psd", top},
        {nullptr, 0, "slapdash 00.psd", 0},
        {"caf\x8E", 0, "caf\xC3\xA9 00.psd", 0},  // Mac OS Roman é
    };
    for (const auto& k : levels) {
        fs::remove_all(home.folder / "Pult");
        ASSERT_EQ(FileZerp_slapdashSavePyrOneLevel_cname_level(&pyr, k.name, k.level), 0) << k.file;
        EXPECT_EQ(home.Desktop(), std::vector<std::string>{k.file});
        EXPECT_EQ(PSDSize(home.folder / ("Pult/" + k.file)), std::make_pair(long(pyr.width[k.sizeOf]), long(pyr.height[k.sizeOf])))
            << k.file;
    }

    // The whole pyramid under a name, or "slapdash" without one; an
    // extension becomes "psd".
    const struct {
        const char* name;
        std::string file;
    } whole[] = {{nullptr, "slapdash.psd"}, {"dump.tif", "dump.psd"}, {"plain", "plain.psd"}};
    for (const auto& k : whole) {
        fs::remove_all(home.folder / "Pult");
        ASSERT_EQ(slapdashSavePyrCocoa(&pyr, k.name), 0);
        EXPECT_EQ(home.Desktop(), std::vector<std::string>{k.file});
        EXPECT_EQ(PSDSize(home.folder / ("Pult/" + k.file)), std::make_pair(160L, 48L));
    }
    DisposePyramidData(&pyr);
}

TEST(DebugDumps, HomeFolderDumpsAndNormalisedFloats) {
    ExportRig rig(8);
    Home home;
    EXPECT_EQ(PSDHelp_homePath(), home.folder.path);
    EXPECT_EQ(PSDHelp_homePathForFilename("a.psd"), home.folder / "a.psd");
    PyramidDescriptor floats{};
    InitPyramidProcs(&floats);
    ASSERT_EQ(TryToAllocatePyramid_2006(&floats, 30, 20, kPyrGreyFloat, 0, 0), 1);
    for (int64_t y = 0; y < 20; ++y)
        for (int64_t x = 0; x < 30; ++x) set_intcoord_unitary_grey(x, y, &floats, 0, float(x) * 7.0f);
    // A stand-in normaliser: a colour pyramid of the same size.
    int normalised = 0;
    const FloatPyrNormaliser normalise = [&](const PyramidDescriptor* p) {
        ++normalised;
        return AllocateDynamicPyramid(p->width[0], p->height[0], kPyrColour8, 0, 0);
    };
    ASSERT_EQ(stashFloatNormalizedCName(&floats, "heights.raw", normalise), 0);
    EXPECT_EQ(normalised, 1);
    EXPECT_EQ(PSDSize(home.folder / "heights.psd"), std::make_pair(30L, 20L));
    ASSERT_EQ(stashFloatNormalizedCName(&floats, nullptr, normalise), 0);
    EXPECT_EQ(PSDSize(home.folder / "slapdash.psd"), std::make_pair(30L, 20L));
    // Nothing to dump: nothing written.
    EXPECT_EQ(PSDHelp_stashFloatNormalized_name(&floats, "none", [](const PyramidDescriptor*) { return nullptr; }), -1);
    EXPECT_FALSE(fs::exists(home.folder / "none.psd"));
    ASSERT_EQ(PSDHelp_writePyrToPSDtoHomeDir_name(&floats, "f.dat"), 0);
    EXPECT_EQ(PSDSize(home.folder / "f.psd"), std::make_pair(30L, 20L));
    DisposePyramidData(&floats);
}

}  // namespace
