// The cube-map export through build/vornesk, as a user runs it:
// --cube-faces SIZE with an OUTPUT ending in .psd writes the six faces the
// dialog's "cube map…" writes, one PSD a face named after OUTPUT, which
// psd-tools reads without a warning; a bad size or another OUTPUT is refused
// in one line with exit status 2 and nothing written.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "tests/files/psd_test_support.h"
#include "tests/cli/spawn_host.h"

namespace {

const char* const kFaces[] = {"_d", "_u", "_l", "_b", "_r", "_f"};

HostResult Vornesk(const std::string& folder, const std::string& support, std::vector<std::string> args) {
    args.insert(args.begin(), {VORNESK_HOST_PROGRAM, std::string(VORNESK_SOURCE_DIR) + "/samples/earth-2048x1024.jpg",
                               "--plugin", VORNESK_PLUGIN_MODULE, "--quiet"});
    return SpawnHost(folder, args, {"VORNESK_SUPPORT_DIR=" + support});
}

std::set<std::string> Visible(const TempDir& dir) {
    std::set<std::string> names;
    for (const std::string& f : dir.Files())
        if (f[0] != '.') names.insert(f);
    return names;
}

TEST(CubeFacesCommandLine, WritesSixFacesNamedByFaceAndNoFileAtOutput) {
    const TempDir folder, support;
    const HostResult r = Vornesk(folder.path, support.path, {"-o", folder / "Globe.psd", "--cube-faces", "48"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    std::set<std::string> expected;
    for (const char* face : kFaces) expected.insert(std::string("Globe") + face + ".psd");
    EXPECT_EQ(Visible(folder), expected);
    EXPECT_FALSE(folder.HasTemporaryFile());

    std::vector<std::vector<uint8_t>> pictures;
    for (const char* face : kFaces) {
        SCOPED_TRACE(face);
        const psdtest::ReadBack back =
            psdtest::ReadWithPsdTools(folder / (std::string("Globe") + face + ".psd"), support / face);
        EXPECT_TRUE(back.warnings.empty()) << back.text;
        ASSERT_EQ(back.facts.count("size"), 1u) << back.text;
        EXPECT_EQ(back.facts.at("size"), "48 48");
        EXPECT_EQ(back.facts.at("layers"), "1");
        std::vector<uint8_t> picture;
        for (int plane = 0; plane < 3; ++plane) {
            const std::vector<uint8_t> raw = back.Raw("layer0_" + std::to_string(plane) + ".raw");
            ASSERT_FALSE(raw.empty()) << back.text;
            picture.insert(picture.end(), raw.begin(), raw.end());
        }
        pictures.push_back(picture);
    }
    // Each face looks another way: no two pictures are the same.
    for (size_t i = 0; i < pictures.size(); ++i)
        for (size_t j = i + 1; j < pictures.size(); ++j)
            EXPECT_NE(pictures[i], pictures[j]) << kFaces[i] << " and " << kFaces[j];
}

TEST(CubeFacesCommandLine, HelpNamesTheOption) {
    const TempDir folder;
    const HostResult r = SpawnHost(folder.path, {VORNESK_HOST_PROGRAM, "--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("--cube-faces SIZE"), std::string::npos) << r.out;
}

TEST(CubeFacesCommandLine, BadSizeOrOtherOutputIsRefusedWithNothingWritten) {
    const struct {
        const char* output;
        const char* size;
    } cases[] = {{"Globe.psd", "1"},   {"Globe.psd", "0"},     {"Globe.psd", "-64"},     {"Globe.psd", "30001"},
                 {"Globe.psd", "abc"}, {"Globe.psd", "64px"},  {"Globe.psd", "99999999999"},
                 {"Globe.png", "64"},  {"Globe.obj", "64"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.output) + " " + c.size);
        const TempDir folder, support;
        const HostResult r =
            Vornesk(folder.path, support.path, {"-o", folder / c.output, std::string("--cube-faces=") + c.size});
        EXPECT_EQ(r.status, 2) << r.err;
        EXPECT_NE(r.err.find("--cube-faces"), std::string::npos) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_TRUE(Visible(folder).empty());
        EXPECT_FALSE(folder.HasTemporaryFile());
    }
    // A gallery writes no faces: the two together are refused too.
    const TempDir folder, support;
    const HostResult r =
        Vornesk(folder.path, support.path, {"--gallery", "modes", folder / "pages", "--cube-faces", "64"});
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_TRUE(Visible(folder).empty());
}

}  // namespace
