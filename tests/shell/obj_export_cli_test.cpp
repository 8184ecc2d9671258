// The OBJ export through build/vornesk, as a user runs it: an OUTPUT ending
// in .obj writes the output mode's solid with its companions, which admesh,
// ezdxf and our OBJ parser accept; a mode without a solid is refused in one
// line and writes nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <set>

#include "tests/files/export_readers.h"
#include "tests/tools/spawn_host.h"

namespace {

using namespace polytest;

HostResult Host(const std::string& folder, std::vector<std::string> args) {
    args.insert(args.begin(), {VORNESK_HOST_PROGRAM, std::string(VORNESK_SOURCE_DIR) + "/samples/earth-2048x1024.jpg",
                               "--plugin", VORNESK_PLUGIN_MODULE, "--quiet"});
    return SpawnHost(folder, args, {"VORNESK_SUPPORT_DIR=" + folder});
}

std::set<std::string> FilesIn(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(folder))
        if (e.is_regular_file() && e.path().extension() != ".q2q" && e.path().filename().string().rfind("Vornesk 2", 0))
            names.insert(e.path().filename().string());
    return names;
}

TEST(ObjExportCommandLine, IcosahedronWritesSixFilesThatToolsAccept) {
    const TempFolder folder;
    const HostResult r = Host(folder.path, {"-o", folder / "globe.obj", "--output-mode", "icosahedron"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(FilesIn(folder.path),
              (std::set<std::string>{"globe.obj", "globe.jpg", "globe.mtl", "globe.stl", "globe.txt", "globe.dxf"}));

    const ObjFile o = ParseObj(folder / "globe.obj");
    ASSERT_TRUE(o.wellFormed) << o.problem;
    EXPECT_EQ(o.v.size(), 12u);
    EXPECT_EQ(o.f.size(), 20u);
    EXPECT_EQ(o.mtllib, "globe.mtl");
    for (const auto& f : o.f)
        for (const ObjCorner& c : f) {
            EXPECT_TRUE(c.v >= 1 && c.v <= long(o.v.size()));
            EXPECT_TRUE(c.vt >= 1 && c.vt <= long(o.vt.size()));
            EXPECT_TRUE(c.vn >= 1 && c.vn <= long(o.vn.size()));
        }

    const std::string admesh = Shell("admesh '" + (folder / "globe.stl") + "'");
    auto figure = [&admesh](const std::string& label) {
        std::smatch m;
        return std::regex_search(admesh, m, std::regex(label + R"(\s*:\s*(-?[0-9.]+))")) ? std::stod(m[1]) : -1.0;
    };
    EXPECT_EQ(figure("Number of facets"), 20.0) << admesh;
    EXPECT_EQ(figure("Number of parts"), 1.0) << admesh;
    for (const char* label : {"Edges fixed", "Facets removed", "Facets reversed", "Backwards edges"})
        EXPECT_EQ(figure(label), 0.0) << label << "\n" << admesh;

    const std::string dxf = Shell("/usr/bin/python3 -c \"import sys, ezdxf\n"
                                  "doc = ezdxf.readfile(sys.argv[1])\n"
                                  "print(doc.dxfversion, len(doc.audit().errors), len(doc.modelspace().query('3DFACE')))"
                                  "\" '" + (folder / "globe.dxf") + "'");
    EXPECT_EQ(dxf, "AC1009 0 20\n");
    EXPECT_EQ(Shell("djpeg '" + (folder / "globe.jpg") + "' | head -c 2"), "P6");
}

TEST(ObjExportCommandLine, ModeWithoutASolidIsRefusedInOneLine) {
    const TempFolder folder;
    const HostResult r = Host(folder.path, {"-o", folder / "map.obj", "--output-mode", "Mercator"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("has no solid"), std::string::npos) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_TRUE(FilesIn(folder.path).empty());
}

}  // namespace
