// The export entry points: file names derived from the chosen one, the
// whole polyhedron export with its companions and mode remap, cube faces one
// per file, and opening a file through a stand-in xdg-open.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <csignal>
#include <functional>

#include <cstdlib>
#include <map>
#include <sstream>
#include <set>

#include "common/byte_io.h"
#include "files/export_entry.h"
#include "files/file_names.h"
#include "files/poly_export.h"
#include "files/psd_export.h"
#include "pyramid/pixels.h"
#include "pyramid/pyramid.h"
#include "solids/origami.h"
#include "tests/files/poly_export_support.h"
#include "tests/projections/earth_fixture.h"

namespace {

using namespace polytest;

struct NameCase {
    const char* path;
    int64_t n, t;
    const char* extension;
    int64_t clean;
    const char* custom;
    bool space;
    const char* expected;
};

const NameCase kNames[] = {
    {"/a/b/Globe.psd", 2, 12, nullptr, 0, nullptr, false, "/a/b/Globe002.psd"},
    {"/a/b/Globe.psd", 2, 12, nullptr, 0, nullptr, true, "/a/b/Globe 002.psd"},
    {"/a/b/Globe.psd", 1, 6, nullptr, 0, "_d", false, "/a/b/Globe_d.psd"},
    {"/a/b/Globe.psd", 0, 0, ".jpg", 1, nullptr, true, "/a/b/Globe.jpg"},
    // One layer and nothing else asked: the path as it is, even with cleaning.
    {"/a/b/My Globe.psd", 1, 1, nullptr, 1, nullptr, true, "/a/b/My Globe.psd"},
    {"/a/b/My Globe.psd", 1, 1, "", 1, "", true, "/a/b/My Globe.psd"},
    // A custom suffix wins over the number.
    {"/a/Globe.psd", 7, 12, nullptr, 0, "_u", true, "/a/Globe _u.psd"},
    {"/a/Globe.psd", 1234, 2000, nullptr, 0, nullptr, false, "/a/Globe1234.psd"},
    // Cleaning: spaces to underscores, ":" and "\" to "_"; two dots cut at the last.
    {"/a/My Globe.obj", 0, 0, ".mtl", 1, nullptr, true, "/a/My_Globe.mtl"},
    {"/a/My Globe.obj", 0, 0, ".stl", 0, nullptr, true, "/a/My Globe.stl"},
    {"/a/my.big globe.obj", 0, 0, "jpg", 1, nullptr, true, "/a/my.big_globe.jpg"},
    {"/a/Ti:me\\x.obj", 0, 0, ".jpg", 1, nullptr, true, "/a/Ti_me_x.jpg"},
    {"/a/Erdkugel groß.obj", 0, 0, ".jpg", 1, nullptr, true, "/a/Erdkugel_groß.jpg"},
    {"/a/Globe", 0, 0, ".jpg", 1, nullptr, true, "/a/Globe.jpg"},
    {"/a/.obj", 0, 0, ".jpg", 1, nullptr, true, "/a/.obj.jpg"},
    {"Globe.psd", 3, 4, nullptr, 0, nullptr, false, "Globe003.psd"},
    {"/Globe.psd", 3, 4, nullptr, 0, nullptr, false, "/Globe003.psd"},
    {"/a/Globe.psd", 0, 0, "..dxf..", 0, nullptr, true, "/a/Globe.dxf"},
};

TEST(FileNames, RenumberedAndClonedPaths) {
    for (const NameCase& c : kNames)
        EXPECT_EQ(FileZerp_generateRenumberedFilePath(c.path, c.n, c.t, c.extension, c.clean, c.custom, c.space),
                  c.expected)
            << c.path << " " << c.n << "/" << c.t;
    EXPECT_EQ(FileZerp_makeClonedPathWithNewExtender(".jpg", "/x/My Globe.obj", true), "/x/My_Globe.jpg");
    EXPECT_EQ(FileZerp_makeNameNonWeirdForOBJ("a b:c/d\\e"), "a_b_c_d_e");
    char name[260];
    FileZerp_MacPath_toCString("/x/y/Été 2026.obj", name, sizeof name);
    EXPECT_STREQ(name, "Été 2026.obj");
    FileZerp_MacPath_toCString("/x/y/abcdef", name, 4);
    EXPECT_STREQ(name, "") << "a name that does not fit";
}

// The material the OBJ names, the texture the MTL names and the companion
// files agree for any name.
TEST(FileNames, ObjMaterialAndCompanionsAgree) {
    for (const char* chosen : {"My Globe.obj", "a.b.c.obj", "Ti:me.obj", "Été à Zürich.obj", ".obj", "plain",
                               "quote\"and$(x).obj", "tab\there.obj"}) {
        const std::string path = std::string("/f/") + chosen;
        const std::string stem = ObjMaterialStem(chosen);
        EXPECT_FALSE(stem.empty()) << chosen;
        EXPECT_EQ(stem.find_first_of(" \t"), std::string::npos) << chosen;
        EXPECT_EQ(FileZerp_makeClonedPathWithNewExtender(".mtl", path, true), "/f/" + stem + ".mtl") << chosen;
        EXPECT_EQ(FileZerp_makeClonedPathWithNewExtender(".jpg", path, true), "/f/" + stem + ".jpg") << chosen;
    }
}

// A stand-in xdg-open first on PATH records its arguments.
TEST(LaunchFile, XdgOpenGetsThePathAsOneArgument) {
    const TempFolder folder;
    const std::string record = folder / "args";
    const std::string script = folder / "xdg-open";
    {
        std::ofstream out(script);
        out << "#!/bin/sh\nprintf '%s\\n' \"$#\" > '" << record << "'\nfor a in \"$@\"; do printf '%s' \"$a\" >> '"
            << record << "'; done\n[ -e \"$1\" ] || exit 2\n";
    }
    chmod(script.c_str(), 0755);
    const char* oldPath = std::getenv("PATH");
    const std::string saved = oldPath ? oldPath : "";
    setenv("PATH", (folder.path + ":" + saved).c_str(), 1);
    const std::string odd = folder / "it's \"a\" $(touch pwned) `x` name.psd";
    std::ofstream(odd) << "x";
    EXPECT_EQ(FileZerp_launchFileInBrowser_path(odd), 0);
    EXPECT_EQ(ReadText(record), "1\n" + odd);
    EXPECT_FALSE(fs::exists(folder / "pwned"));
    EXPECT_FALSE(fs::exists("pwned"));
    // The opener fails: 1.
    EXPECT_EQ(FileZerp_launchFileInBrowser_path(folder / "missing.psd"), 1);
    // No opener at all: 1.
    setenv("PATH", (folder / "nowhere").c_str(), 1);
    EXPECT_EQ(FileZerp_launchFileInBrowser_path(odd), 1);
    setenv("PATH", saved.c_str(), 1);
}

struct EarthRig : PolyRig {
    EarthRig() {
        SetEarthInput();
        params->export_pixels = 128;
        params->cubemap_pixels = 16;
    }
};

ExportHooks Hooks() {
    ExportHooks h;
    h.modeWords.name = [](int64_t) { return "Yang cube"; };
    h.genericWord = [](int64_t) { return ""; };
    return h;
}

// A binary PPM as decoded by djpeg.
struct Picture {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;
    const uint8_t* At(double u, double v) const {
        const int x = std::clamp(int(u * width), 0, width - 1), y = std::clamp(int(v * height), 0, height - 1);
        return &rgb[size_t(y * width + x) * 3];
    }
};

Picture DecodeJPEG(const std::string& path) {
    const std::string ppm = Shell("djpeg -pnm '" + path + "'");
    Picture p;
    int maxValue = 0, used = 0;
    if (std::sscanf(ppm.c_str(), "P6 %d %d %d%n", &p.width, &p.height, &maxValue, &used) != 3) return p;
    p.rgb.assign(ppm.begin() + used + 1, ppm.end());
    if (p.rgb.size() != size_t(p.width) * p.height * 3) p.width = p.height = 0;
    return p;
}

TEST(ExportEntry, ObjExportWritesSixFilesWithTextureAndUVsFromOneNet) {
    const TempFolder folder;
    EarthRig rig;
    rig.params->outputMode = 10;
    rig.params->export_pixels = 256;
    rig.params->tabs = 40.0f;
    ExportFailure failed;
    ASSERT_EQ(FileZerp_WriteOBJFileAndItsHandmaidensAtPath(*rig.params, folder / "My Globe.obj", Hooks(), &failed), 0)
        << failed.file << ": " << failed.reason;
    // The export works on its own copy of the settings.
    EXPECT_EQ(rig.params->outputMode, 10);
    EXPECT_EQ(rig.params->tabs, 40.0f);
    std::set<std::string> files;
    for (const auto& e : fs::directory_iterator(fs::path(folder.path))) files.insert(e.path().filename().string());
    EXPECT_EQ(files, (std::set<std::string>{"My Globe.obj", "My_Globe.jpg", "My_Globe.mtl", "My Globe.stl",
                                            "My Globe.txt", "My Globe.dxf"}));
    const ObjFile o = ParseObj(folder / "My Globe.obj");
    ASSERT_TRUE(o.wellFormed) << o.problem;
    EXPECT_EQ(o.mtllib, "My_Globe.mtl");
    EXPECT_EQ(o.usemtl, "My_Globe_material");
    const std::string mtl = ReadText(folder / "My_Globe.mtl");
    EXPECT_NE(mtl.find("\nnewmtl My_Globe_material\n"), std::string::npos) << mtl;
    EXPECT_NE(mtl.find("\nmap_Kd My_Globe.jpg\n"), std::string::npos) << mtl;
    const Picture texture = DecodeJPEG(folder / "My_Globe.jpg");
    ASSERT_EQ(texture.width, 256);
    ASSERT_EQ(texture.height, 256);

    // Texture and UVs come from one net: at the UV centroid of every face
    // line the texture shows the Earth where that face's centre points
    // (longitude and latitude of the direction, y up, the map's top north;
    // the sphere is seen from inside the solid's x axis, so x runs west).
    // Paired with the wrong faces the colours disagree far more.
    ASSERT_EQ(o.f.size(), 20u);
    // The texture's render, the export's last step, let the solid go as
    // every render does: built again as the export built it.
    ASSERT_TRUE(BuildSolidForExport(rig.params->outputMode));
    std::vector<std::array<int, 3>> seen, expected;
    for (const auto& f : o.f) {
        double u = 0, v = 0;
        Vec d{0, 0, 0};
        for (const ObjCorner& c : f) {
            u += o.vt[c.vt - 1][0] / 3;
            v += (1.0 - o.vt[c.vt - 1][1]) / 3;
            const triplex& r = rig.poly()->coords3D[c.v - 1];
            d = {d[0] + r.x, d[1] + r.y, d[2] + r.z};
        }
        const double len = Length(d);
        const double lon = std::atan2(-d[0] / len, d[2] / len), lat = std::asin(d[1] / len);
        int64_t earth[4];
        EarthColour(rig.input(), float(lon / (2 * M_PI) + 0.5), float(0.5 - lat / M_PI), earth);
        const uint8_t* t = texture.At(u, v);
        seen.push_back({t[0], t[1], t[2]});
        expected.push_back({int(earth[0]), int(earth[1]), int(earth[2])});
    }
    auto difference = [&](size_t shift) {
        double sum = 0;
        for (size_t i = 0; i < seen.size(); ++i)
            for (int k = 0; k < 3; ++k) sum += std::abs(seen[i][k] - expected[(i + shift) % seen.size()][k]);
        return sum / double(seen.size() * 3);
    };
    const double matched = difference(0);
    double shuffled = 1e9;
    for (size_t shift = 1; shift < seen.size(); ++shift) shuffled = std::min(shuffled, difference(shift));
    std::printf("texture against the Earth: %.1f levels matched, %.1f at best shuffled\n", matched, shuffled);
    EXPECT_LT(matched, 12.0);
    EXPECT_LT(matched * 2.0, shuffled);

    // The texture is rendered without glue tabs: the same export with the
    // tab size already 0 shows the same picture.
    rig.params->tabs = 0.0f;
    fs::create_directory(folder / "flat");
    ASSERT_EQ(FileZerp_WriteOBJFileAndItsHandmaidensAtPath(*rig.params, folder / "flat/My Globe.obj", Hooks(), &failed),
              0)
        << failed.file << ": " << failed.reason;
    EXPECT_TRUE(DecodeJPEG(folder / "flat/My_Globe.jpg").rgb == texture.rgb);
}

// The dialog exports while the settings still say "preview". A rind ball
// (output mode 70) is built finer for a final render than for the preview:
// its files are those of a final render, as its texture is, whatever the
// last render was.
TEST(ExportEntry, AnObjExportAfterAPreviewWritesTheSolidItsTextureShows) {
    const TempFolder folder;
    std::map<std::string, std::string> first;
    for (const int32_t destination : {kRenderToHost, kRenderToPreview}) {
        EarthRig rig;
        rig.params->outputMode = 70;
        rig.params->renderDestination = destination;
        const std::string where = folder / std::to_string(destination);
        fs::create_directory(where);
        const std::string stem = where + "/rind";
        ExportFailure failed;
        ASSERT_EQ(FileZerp_WriteOBJFileAndItsHandmaidensAtPath(*rig.params, stem + ".obj", Hooks(), &failed), 0)
            << failed.file << ": " << failed.reason;
        for (const char* extension : {".obj", ".stl", ".txt", ".dxf"}) {
            // The dates aside.
            std::string text;
            std::istringstream lines(ReadText(stem + extension));
            for (std::string line; std::getline(lines, line);)
                if (line.find(" at ") == std::string::npos) text += line + "\n";
            if (destination == kRenderToHost) first[extension] = text;
            else EXPECT_TRUE(text == first[extension]) << extension;
        }
        const Picture texture = DecodeJPEG(stem + ".jpg");
        const std::string pixels(texture.rgb.begin(), texture.rgb.end());
        if (destination == kRenderToHost) first[".jpg"] = pixels;
        else EXPECT_TRUE(pixels == first[".jpg"]);
    }
}

// A mode whose one-fragment version this build cannot make writes nothing
// and says so; the output mode and tab size come back. 257's is 4037, a
// folded solid, which cannot be built without the hinge search the
// projections hand down: whether a test program has it depends on what it
// links, so the test takes it away itself.
TEST(ExportEntry, ObjExportOfAnUnbuiltSolidIsRefused) {
    const HingeSearch search = OrigamiHingeSearch();
    SetOrigamiHingeSearch(nullptr);
    const std::shared_ptr<void> restore(nullptr, [search](void*) { SetOrigamiHingeSearch(search); });
    const TempFolder folder;
    for (int32_t mode : {257, 1}) {
        EarthRig rig;
        rig.params->outputMode = mode;
        rig.params->tabs = 33.0f;
        EXPECT_EQ(FileZerp_WriteOBJFileAndItsHandmaidensAtPath(*rig.params, folder / "Cube.obj", Hooks()),
                  kExportNoSolid);
        if (mode == 257) {
            EXPECT_EQ(rig.poly()->outputMode, 4037) << "257 is exported as 4037";
        }
        EXPECT_EQ(rig.params->outputMode, mode);
        EXPECT_EQ(rig.params->tabs, 33.0f);
        EXPECT_TRUE(fs::is_empty(fs::path(folder.path)));
    }
    EXPECT_STRNE(ExportEntryMessage(kExportNoSolid), "");
}

// The files of an export are one set. Each member of the OBJ export and of
// the cube map breaks in turn: a write-protected file, a folder in its
// place, a full disk while it is written, a signal the program lives
// through (a first Ctrl-C). Each time the export is refused naming that
// file, every old file stays byte for byte, and nothing is left beside them.
enum class Break { kProtected, kFolder, kFullDisk, kSignal };
int gBreakAt = -1;
int gWrites = 0;
int gSignals = 0;
int BreakTheWrite(WriteStep step) {
    if (step != WriteStep::kWrite || gWrites++ != gBreakAt) return 0;
    return ENOSPC;
}
int SignalTheWrite(WriteStep step) {
    if (step == WriteStep::kWrite && gWrites++ == gBreakAt) raise(SIGUSR1);
    return 0;
}
void Counted(int) { ++gSignals; }

TEST(ExportEntry, EachFileOfAnExportBrokenInTurnLeavesTheOldSet) {
    struct Export {
        const char* name;
        std::vector<std::string> members;  // in the order they are written
        std::function<int(EarthRig&, const std::string& folder, ExportFailure*)> run;
    };
    const Export exports[] = {
        {"the OBJ export",
         {"Globe.obj", "Globe.stl", "Globe.mtl", "Globe.txt", "Globe.dxf", "Globe.jpg"},
         [](EarthRig& rig, const std::string& folder, ExportFailure* failure) {
             rig.params->outputMode = 10;
             rig.params->export_pixels = 32;
             return FileZerp_WriteOBJFileAndItsHandmaidensAtPath(*rig.params, folder + "/Globe.obj", Hooks(),
                                                                 failure);
         }},
        {"the cube map",
         {"Cube_d.psd", "Cube_u.psd", "Cube_l.psd", "Cube_b.psd", "Cube_r.psd", "Cube_f.psd"},
         [](EarthRig& rig, const std::string& folder, ExportFailure* failure) {
             rig.params->exportPurpose = kExportCubeMap;
             bool cancel = false;
             return FileZerp_ReallyWritePSDFileWithGlobals(rig.data.get(), *rig.params, folder + "/Cube.psd", &cancel,
                                                           ExportHooks{}, failure);
         }},
    };
    struct sigaction counted {}, before {};
    counted.sa_handler = Counted;
    sigemptyset(&counted.sa_mask);
    sigaction(SIGUSR1, &counted, &before);
    for (const Export& e : exports) {
        EarthRig rig;
        for (Break fault : {Break::kProtected, Break::kFolder, Break::kFullDisk, Break::kSignal})
            for (size_t k = 0; k < e.members.size(); ++k) {
                SCOPED_TRACE(std::string(e.name) + ", fault " + std::to_string(int(fault)) + " at " + e.members[k]);
                const TempFolder folder;
                for (size_t i = 0; i < e.members.size(); ++i)
                    if (!(i == k && fault == Break::kFolder)) std::ofstream(folder / e.members[i]) << "old " << i;
                const std::string broken = folder / e.members[k];
                if (fault == Break::kProtected) chmod(broken.c_str(), 0444);
                if (fault == Break::kFolder) fs::create_directory(broken);
                std::set<std::string> before;
                for (const auto& f : fs::directory_iterator(fs::path(folder.path)))
                    before.insert(f.path().filename().string());
                gBreakAt = int(k);
                gWrites = 0;
                gSignals = 0;
                if (fault == Break::kFullDisk) SetWriteFailureHook(BreakTheWrite);
                if (fault == Break::kSignal) SetWriteFailureHook(SignalTheWrite);
                ExportFailure failure;
                const int result = e.run(rig, folder.path, &failure);
                SetWriteFailureHook(nullptr);
                if (fault == Break::kSignal) {
                    EXPECT_EQ(result, kPSDExportCancelled);
                    EXPECT_EQ(gSignals, 1);
                } else {
                    EXPECT_EQ(result, kPSDExportWriteFailed);
                    EXPECT_TRUE(failure.writeFailed);
                    EXPECT_EQ(failure.file, broken);
                    EXPECT_EQ(failure.reason, fault == Break::kProtected ? "the file is write-protected"
                                              : fault == Break::kFolder  ? "it is a folder"
                                                                         : "No space left on device");
                }
                std::set<std::string> after;
                for (const auto& f : fs::directory_iterator(fs::path(folder.path)))
                    after.insert(f.path().filename().string());
                EXPECT_EQ(after, before);
                for (size_t i = 0; i < e.members.size(); ++i)
                    if (!(i == k && fault == Break::kFolder))
                        EXPECT_EQ(ReadText(folder / e.members[i]), "old " + std::to_string(i)) << e.members[i];
            }
    }
    sigaction(SIGUSR1, &before, nullptr);
}

// The cube map's six files go beside the chosen one, which is only their
// name: a file of that name is not the export's, and stays.
TEST(ExportEntry, CubeFacesGoOnePerFile) {
    const TempFolder folder;
    EarthRig rig;
    rig.params->exportPurpose = kExportCubeMap;
    std::ofstream(folder / "Cube.psd") << "an older file";
    bool cancel = false;
    ASSERT_EQ(FileZerp_ReallyWritePSDFileWithGlobals(rig.data.get(), *rig.params, folder / "Cube.psd", &cancel, ExportHooks{}), 0);
    std::set<std::string> files;
    for (const auto& e : fs::directory_iterator(fs::path(folder.path))) files.insert(e.path().filename().string());
    EXPECT_EQ(files, (std::set<std::string>{"Cube.psd", "Cube_d.psd", "Cube_u.psd", "Cube_l.psd", "Cube_b.psd",
                                            "Cube_r.psd", "Cube_f.psd"}));
    EXPECT_EQ(ReadText(folder / "Cube.psd"), "an older file");
    files.erase("Cube.psd");
    for (const std::string& f : files) EXPECT_EQ(ReadText(folder / f).substr(0, 4), "8BPS") << f;
}

// The solid's pieces one per page: the cube's six faces, each alone and
// centred on a page of the widest face's size, named "face 1".."face 6";
// an output mode without a solid gets no pages and no file.
TEST(ExportEntry, FacePagesOfTheCube) {
    const TempFolder folder;
    EarthRig rig;
    rig.params->outputMode = 7;
    rig.params->export_pixels = 64;
    rig.params->exportPurpose = kExportFaces;
    bool cancel = false;
    const std::string path = folder / "faces.psd";
    ASSERT_EQ(FileZerp_ReallyWritePSDFileWithGlobals(rig.data.get(), *rig.params, path, &cancel, ExportHooks{}), 0);
    EXPECT_EQ(rig.storage->exportedPage, -1);
    EXPECT_EQ(rig.params->outputMode, 7);
    const psdtest::ReadBack r = psdtest::ReadWithPsdTools(path, folder / "faces");
    EXPECT_TRUE(r.warnings.empty()) << r.text;
    ASSERT_EQ(r.facts.at("layers"), "6") << r.text;
    int width = 0, height = 0;
    std::sscanf(r.facts.at("size").c_str(), "%d %d", &width, &height);
    EXPECT_EQ(std::max(width, height), 64);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(r.facts.at("layer " + std::to_string(i) + " name"), "face " + std::to_string(i + 1));
        // The page's opaque pixels: one square face, centred, and its tabs.
        const std::vector<uint8_t> alpha = r.Raw("layer" + std::to_string(i) + "_-1.raw");
        ASSERT_EQ(alpha.size(), size_t(width) * height);
        double sx = 0, sy = 0, n = 0;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                if (alpha[size_t(y) * width + x] > 128) sx += x, sy += y, ++n;
        EXPECT_GT(n, 0.3 * width * height) << "page " << i;
        EXPECT_NEAR(sx / n, 0.5 * (width - 1), 0.12 * width) << "page " << i;
        EXPECT_NEAR(sy / n, 0.5 * (height - 1), 0.12 * height) << "page " << i;
    }
    rig.params->outputMode = 1;
    EXPECT_EQ(FileZerp_ReallyWritePSDFileWithGlobals(rig.data.get(), *rig.params, folder / "none.psd", &cancel, ExportHooks{}),
              kExportNoSolid);
    EXPECT_FALSE(fs::exists(folder / "none.psd"));
}

// The map of the solid over the sphere: one layer of 2S x S; the output
// mode comes back.
TEST(ExportEntry, EquirectangularMapOfTheSolid) {
    const TempFolder folder;
    EarthRig rig;
    rig.params->outputMode = 10;
    rig.params->export_pixels = 48;
    ASSERT_EQ(FileZerp_writeEquiPolyMapFileAtPath(folder / "map.psd", ExportHooks{}), 0);
    EXPECT_EQ(rig.params->outputMode, 10);
    EXPECT_EQ(rig.params->exportPurpose, kExportEquirectangularMap);
    const psdtest::ReadBack r = psdtest::ReadWithPsdTools(folder / "map.psd", folder / "map");
    EXPECT_TRUE(r.warnings.empty()) << r.text;
    EXPECT_EQ(r.facts.at("size"), "96 48");
    EXPECT_EQ(r.facts.at("layers"), "1");
}

}  // namespace
