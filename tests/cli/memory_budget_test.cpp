// The memory a run will take, judged before the picture is read: runs too
// large for the memory they may take are refused at once, in one line with
// the estimate and the limit, as bad settings (exit 2) or a picture too
// large (exit 3), having taken next to nothing; smaller runs go on.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include <zlib.h>

#include "cli/memory_budget.h"
#include "tests/cli/spawn_host.h"

namespace {

// A run's peak memory where nothing is read: the program and its libraries,
// and a sanitizer's own share under one.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr long kRefusalKilobytes = 512 * 1024;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || __has_feature(memory_sanitizer)
constexpr long kRefusalKilobytes = 512 * 1024;
#else
constexpr long kRefusalKilobytes = 64 * 1024;
#endif
#else
constexpr long kRefusalKilobytes = 64 * 1024;
#endif

TEST(MemoryBudget, SizesInWords) {
    const std::pair<const char*, double> good[] = {
        {"4G", 4.0 * (1 << 30)}, {"4GB", 4.0 * (1 << 30)}, {"4GiB", 4.0 * (1 << 30)}, {"1.5g", 1.5 * (1 << 30)},
        {"512M", 512.0 * (1 << 20)}, {"300K", 300.0 * 1024}, {"1T", 1024.0 * (1 << 30)}, {"300000000", 3e8}};
    for (const auto& [text, bytes] : good) {
        double parsed = 0;
        EXPECT_TRUE(ParseMemorySize(text, &parsed)) << text;
        EXPECT_DOUBLE_EQ(parsed, bytes) << text;
    }
    for (const char* bad : {"", "G", "-4G", "0", "4X", "4 G", "nan", "inf", "4GG", " 4G", "0.5"}) {
        double parsed = 0;
        EXPECT_FALSE(ParseMemorySize(bad, &parsed)) << bad;
    }
    EXPECT_EQ(MemoryInWords(4.0 * (1 << 30)), "4.0 GB");
    EXPECT_EQ(MemoryInWords(300.0 * (1 << 20)), "300 MB");
}

// The 12000 x 12000 PNG that renders in 1.64 GB (its measured peak) is
// estimated near that, so a machine with that much to spare still renders
// it; and what this machine has available is some of what it has.
TEST(MemoryBudget, EstimatesNearWhatARunTakes) {
    RunShape png;
    png.fileWidth = png.fileHeight = 12000;
    png.planes = 3;
    png.bytesPerSample = 1;
    const double gigabyte = 1e9;
    EXPECT_NEAR(EstimateRun(png).Total() / gigabyte, 1.64, 0.15);
    // Twice the pixels take about twice the memory; a resize holds both pictures.
    RunShape doubled = png;
    doubled.width = 24000;
    doubled.height = 12000;
    EXPECT_GT(EstimateRun(doubled).Total(), 1.9 * (EstimateRun(png).Total() - EstimateRun(RunShape{}).Total()));
    std::ifstream info("/proc/meminfo");
    std::string key;
    double totalKilobytes = 0;
    while (info >> key && key != "MemTotal:") info.ignore(1 << 10, '\n');
    info >> totalKilobytes;
    const double available = AvailableMemory();
    EXPECT_GT(available, 0.0);
    EXPECT_LE(available, totalKilobytes * 1024);
}

// A valid PNG that declares a 30000 x 30000 picture at one bit a pixel,
// all black: 109 KB of deflated rows.
std::string BlackPngClaiming(uint32_t side) {
    auto big = [](uint32_t v) {
        return std::string{char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
    };
    auto chunk = [&](const char* type, const std::string& data) {
        const std::string typed = std::string(type, 4) + data;
        return big(uint32_t(data.size())) + typed +
               big(uint32_t(crc32(0, reinterpret_cast<const Bytef*>(typed.data()), uInt(typed.size()))));
    };
    z_stream z{};
    deflateInit(&z, 9);
    const std::string row(1 + (side + 7) / 8, '\0');
    std::string deflated;
    std::vector<unsigned char> out(1 << 16);
    for (uint32_t y = 0; y <= side; ++y) {
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(row.data()));
        z.avail_in = y < side ? uInt(row.size()) : 0;
        do {
            z.next_out = out.data();
            z.avail_out = uInt(out.size());
            deflate(&z, y < side ? Z_NO_FLUSH : Z_FINISH);
            deflated.append(reinterpret_cast<char*>(out.data()), out.size() - z.avail_out);
        } while (z.avail_out == 0);
    }
    deflateEnd(&z);
    const std::string header = big(side) + big(side) + std::string{1, 0, 0, 0, 0};
    return std::string("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", header) + chunk("IDAT", deflated) + chunk("IEND", "");
}

struct Oversized {
    std::vector<std::string> args;  // IN: the Earth; BOMB: the PNG above; OUT: a file of the test's folder
    int status;
    const char* said;
};

TEST(MemoryBudget, OversizedRunsAreRefusedBeforeAnyWork) {
    TempDir dir;
    std::ofstream(dir / "bomb.png") << BlackPngClaiming(30000);
    ASSERT_LT(ReadAll(dir / "bomb.png").size(), 200u * 1024);
    const std::string limit = "more than the 4.0 GB --max-memory allows\n";
    const Oversized cases[] = {
        {{"IN", "-o", "OUT.png", "--size", "40000x40000"}, 2, "vornesk: --size 40000x40000 of the 2048 x 1024 picture"},
        // The result and the plug-in's layer of it, the picture at its own size.
        {{"IN", "-o", "OUT.png", "--size", "30000x30000"}, 2, "vornesk: --size 30000x30000 of the 2048 x 1024 picture"},
        {{"IN", "-o", "OUT.png", "--size", "40000x20000"}, 2, "vornesk: --size 40000x20000 of the 2048 x 1024 picture"},
        {{"BOMB", "-o", "OUT.png"}, 3, "its 30000 x 30000 picture would need about"},
        {{"IN", "-o", "OUT.obj", "--export-pixels", "30000"}, 2,
         "vornesk: a texture of 30000 x 30000 pixels (export-pixels) would need about"},
        {{"IN", "-o", "OUT.psd", "--cube-faces", "30000"}, 2, "vornesk: --cube-faces 30000 would need about"},
        {{"IN", "-o", "OUT.psd", "--size", "30000x15000"}, 2, "vornesk: --size 30000x15000 of the 2048 x 1024 picture"},
    };
    for (const Oversized& c : cases) {
        std::vector<std::string> args = {VORNESK_HOST_PROGRAM, "--plugin", VORNESK_TEST_PLUGIN, "--quiet",
                                         "--max-memory", "4G"};
        std::string what;
        for (const std::string& a : c.args) {
            what += a + " ";
            args.push_back(a == "IN"     ? std::string(VORNESK_SOURCE_DIR) + "/samples/earth-2048x1024.jpg"
                           : a == "BOMB" ? dir / "bomb.png"
                           : a.rfind("OUT", 0) == 0 ? dir / a
                                                    : a);
        }
        const HostResult r = SpawnHost(dir.path, args, {"VORNESK_SUPPORT_DIR=" + dir.path});
        EXPECT_EQ(r.status, c.status) << what << r.err;
        EXPECT_NE(r.err.find(c.said), std::string::npos) << what << r.err;
        EXPECT_NE(r.err.find(limit), std::string::npos) << what << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << what << r.err;
        EXPECT_LT(r.peakKilobytes, kRefusalKilobytes) << what;
        for (const std::string& f : dir.Files()) EXPECT_EQ(f, "bomb.png") << what;
    }
    // Within the limit the run goes on.
    const HostResult fits =
        SpawnHost(dir.path,
                  {VORNESK_HOST_PROGRAM, "--plugin", VORNESK_TEST_PLUGIN, "--quiet", "--max-memory", "300M",
                   std::string(VORNESK_SOURCE_DIR) + "/samples/earth-2048x1024.jpg", "-o", dir / "small.png", "--size",
                   "64x32"},
                  {"VORNESK_SUPPORT_DIR=" + dir.path});
    EXPECT_EQ(fits.status, 0) << fits.err;
    EXPECT_EQ(access((dir / "small.png").c_str(), R_OK), 0);
    const HostResult bad = SpawnHost(dir.path, {VORNESK_HOST_PROGRAM, "IN", "-o", "OUT.png", "--max-memory", "lots"});
    EXPECT_EQ(bad.status, 2);
    EXPECT_EQ(bad.err, "vornesk: --max-memory takes a size such as 4G or 512M, not \"lots\"\n");
}

}  // namespace
