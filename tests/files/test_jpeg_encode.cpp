#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <ctime>
#include <sstream>
#include <string>
#include <vector>

#include "files/exif.h"
#include "files/iptc.h"
#include "files/jpeg_codec.h"
#include "jpeg_test_support.h"

using namespace jpegtest;

namespace {

#define REQUIRE_TOOL(name)                                                              \
    if (!ToolAvailable(name)) GTEST_SKIP() << name " is not installed (tools/install-deps.sh)"

struct DjpegReport {
    std::vector<std::vector<int>> tables;   // tables in the order defined
    std::vector<std::pair<int, int>> sampling;  // per component, h and v
};

DjpegReport ReadWithDjpegVerbose(const std::string& path) {
    DjpegReport report;
    const std::string text = RunTool("djpeg -verbose -verbose -pnm '" + path + "' 2>&1 >/dev/null");
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (line.find("Define Quantization Table") != std::string::npos) {
            std::vector<int> values;
            for (int row = 0; row < 8 && std::getline(in, line); ++row) {
                std::istringstream r(line);
                int v;
                while (r >> v) values.push_back(v);
            }
            report.tables.push_back(values);
        }
        int c, h, v;
        if (std::sscanf(line.c_str(), " Component %d: %dhx%dv", &c, &h, &v) == 3)
            report.sampling.emplace_back(h, v);
    }
    return report;
}

std::vector<int> Row(const unsigned int (&table)[64]) { return std::vector<int>(table, table + 64); }

// A stream's pixels as djpeg decodes them.
bool DecodeWithDjpeg(const std::string& path, RGBPicture* out) {
    return ParsePPM(RunTool("djpeg -pnm '" + path + "' 2>/dev/null"), out);
}

TEST(JPEGEncoder, ToolsReadBackSizeAndColours) {
    REQUIRE_TOOL("djpeg");
    REQUIRE_TOOL("identify");
    TempDir dir;
    struct Case {
        long width, height, quality;
    };
    for (const Case c : {Case{128, 128, 90}, Case{37, 21, 90}, Case{10, 10, 90}, Case{1, 1, 60},
                         Case{200, 3, 40}, Case{64, 64, 100}, Case{50, 30, 0}}) {
        SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height) + " q " +
                     std::to_string(c.quality));
        const RGBPicture picture = MakeTestPicture(c.width, c.height);
        int result = -1;
        const std::vector<uint8_t> stream = Encode(picture, c.quality, JPEGMetadata{}, &result);
        ASSERT_EQ(result, kJPEGOK);
        const std::string path = dir.File("picture.jpg");
        ASSERT_TRUE(WriteFile(path, stream));

        const long w = c.width < 16 ? 16 : c.width, h = c.height < 16 ? 16 : c.height;
        EXPECT_EQ(RunTool("identify -format '%w %h' '" + path + "'"),
                  std::to_string(w) + " " + std::to_string(h));
        RGBPicture decoded;
        ASSERT_TRUE(DecodeWithDjpeg(path, &decoded));
        ASSERT_EQ(decoded.width, w);
        ASSERT_EQ(decoded.height, h);
        const Difference d = Compare(picture, decoded, c.width, c.height);
        // Smooth pictures come back within a few levels on average even at
        // the lowest quality; no pixel strays far.
        EXPECT_LT(d.mean, c.quality >= 50 ? 2.0 : 4.0);
        EXPECT_LT(d.largest, 48);
        // The padding repeats the edge, as the row source supplies it.
        const Difference edge = Compare(
            [&] {
                RGBPicture padded;
                padded.width = w;
                padded.height = h;
                padded.rgb.resize(size_t(w * h) * 3);
                for (long y = 0; y < h; ++y) PictureRows(const_cast<RGBPicture*>(&picture), y, w,
                                                         &padded.rgb[size_t(y * w) * 3]);
                return padded;
            }(),
            decoded, w, h);
        EXPECT_LT(edge.mean, c.quality >= 50 ? 2.0 : 4.0);
    }
}

TEST(JPEGEncoder, QuantisationTablesAndSamplingFollowTheQuality) {
    REQUIRE_TOOL("djpeg");
    TempDir dir;
    const RGBPicture picture = MakeTestPicture(24, 24);
    struct Case {
        long quality;
        int row;
        int lumaSampling;
    };
    for (const Case c : {Case{-20, 0, 2}, Case{0, 0, 2}, Case{9, 0, 2}, Case{10, 1, 2},
                         Case{49, 4, 2}, Case{50, 5, 1}, Case{75, 7, 1}, Case{99, 9, 1},
                         Case{100, 9, 1}, Case{1000, 9, 1}}) {
        SCOPED_TRACE("quality " + std::to_string(c.quality));
        const std::string path = dir.File("q.jpg");
        ASSERT_TRUE(WriteFile(path, Encode(picture, c.quality)));
        const DjpegReport report = ReadWithDjpegVerbose(path);
        ASSERT_EQ(report.tables.size(), 2u);
        EXPECT_EQ(report.tables[0], Row(kVorneskLuminanceQuant[c.row]));
        EXPECT_EQ(report.tables[1], Row(kVorneskChrominanceQuant[c.row]));
        ASSERT_EQ(report.sampling.size(), 3u);
        EXPECT_EQ(report.sampling[0], std::make_pair(c.lumaSampling, c.lumaSampling));
        EXPECT_EQ(report.sampling[1], std::make_pair(1, 1));
        EXPECT_EQ(report.sampling[2], std::make_pair(1, 1));
    }
    // Two rows written out here so a slip in the table itself shows too.
    EXPECT_EQ(std::vector<int>(kVorneskLuminanceQuant[4], kVorneskLuminanceQuant[4] + 8),
              (std::vector<int>{8, 6, 6, 8, 12, 14, 16, 17}));
    EXPECT_EQ(std::vector<int>(kVorneskChrominanceQuant[9] + 56, kVorneskChrominanceQuant[9] + 64),
              (std::vector<int>(8, 8)));
}

TEST(JPEGEncoder, LinearQualityUsesTheLibraryScaling) {
    REQUIRE_TOOL("djpeg");
    TempDir dir;
    const RGBPicture picture = MakeTestPicture(16, 16);
    JPEGOutput out;
    out.growable = true;
    ASSERT_EQ(CompressJPEGRows(16, 16, PictureRows, const_cast<RGBPicture*>(&picture), &out, 50,
                               true, JPEGMetadata{}),
              kJPEGOK);
    const std::string path = dir.File("linear.jpg");
    ASSERT_TRUE(WriteFile(path, std::vector<uint8_t>(out.bytes, out.bytes + out.delivered)));
    RobustDisposePtr(&out.bytes);
    const DjpegReport report = ReadWithDjpegVerbose(path);
    ASSERT_EQ(report.tables.size(), 2u);
    // Quality 50 is scale 100: the standard tables of the JPEG standard's annex K.
    EXPECT_EQ(report.tables[0][0], 16);
    EXPECT_EQ(report.tables[0][1], 11);
    EXPECT_EQ(report.tables[1][0], 17);
}

// An ICC profile with a plausible header, so tools accept it as one.
std::vector<uint8_t> MakeProfile(size_t size) {
    std::vector<uint8_t> p(size);
    for (size_t i = 0; i < size; ++i) p[i] = uint8_t(i * 7 + i / 251);
    p[0] = uint8_t(size >> 24);
    p[1] = uint8_t(size >> 16);
    p[2] = uint8_t(size >> 8);
    p[3] = uint8_t(size);
    std::memcpy(&p[12], "mntrRGB XYZ ", 12);
    std::memcpy(&p[36], "acsp", 4);
    for (size_t i = 128; i < 132; ++i) p[i] = 0;  // empty tag table
    return p;
}

TEST(JPEGEncoder, MetadataMarkersInOrderAndReadByExiftool) {
    TempDir dir;
    TIPTCThing iptc;
    InitIPTC(&iptc);
    AddIPTCKeyword(&iptc, "panorama");
    AddIPTCKeyword(&iptc, "cube");
    TEXIFThing exif;
    InitEXIF(&exif);
    const std::vector<uint8_t> profile = MakeProfile(70000);
    JPEGMetadata m;
    m.iptc = &iptc;
    m.exif = &exif;
    m.icc = profile.data();
    m.iccSize = profile.size();

    // WriteJPEGRowsToFile builds both blocks in their JPEG form.
    const std::string path = dir.File("tagged.jpg");
    const RGBPicture picture = MakeTestPicture(40, 30);
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(WriteJPEGRowsToFile(40, 30, PictureRows, const_cast<RGBPicture*>(&picture), fd, false,
                                  80, m),
              kJPEGOK);
    close(fd);
    ASSERT_NE(iptc.buffer, nullptr);
    ASSERT_NE(exif.buffer, nullptr);

    const std::vector<uint8_t> stream = ReadFile(path);
    ASSERT_GT(stream.size(), 70000u);
    EXPECT_EQ(stream[0], 0xFF);
    EXPECT_EQ(stream[1], 0xD8);
    const std::vector<Marker> markers = ListMarkers(stream);
    ASSERT_GE(markers.size(), 7u);
    EXPECT_EQ(markers[0].code, 0xE0);
    EXPECT_EQ(std::string(markers[0].data.begin(), markers[0].data.begin() + 5), std::string("JFIF\0", 5));
    EXPECT_EQ(markers[1].code, 0xFE);
    EXPECT_EQ(std::string(markers[1].data.begin(), markers[1].data.end()),
              std::string(kVorneskMakerAddress) + '\0');
    EXPECT_EQ(markers[2].code, 0xE1);
    EXPECT_EQ(markers[2].data, std::vector<uint8_t>(exif.buffer, exif.buffer + exif.length));
    // The profile in two chunks, 65,519 and 4,481 bytes, numbered 1 and 2 of 2.
    for (int chunk = 0; chunk < 2; ++chunk) {
        const Marker& app2 = markers[3 + chunk];
        EXPECT_EQ(app2.code, 0xE2);
        ASSERT_EQ(app2.data.size(), (chunk == 0 ? 65519u : 4481u) + 14u);
        EXPECT_EQ(std::string(app2.data.begin(), app2.data.begin() + 12), std::string("ICC_PROFILE\0", 12));
        EXPECT_EQ(app2.data[12], chunk + 1);
        EXPECT_EQ(app2.data[13], 2);
        EXPECT_TRUE(std::equal(app2.data.begin() + 14, app2.data.end(),
                               profile.begin() + chunk * 65519));
    }
    EXPECT_EQ(markers[5].code, 0xED);
    EXPECT_EQ(markers[5].data, std::vector<uint8_t>(iptc.buffer, iptc.buffer + iptc.length));
    EXPECT_EQ(markers[6].code, 0xDB);  // then the library's own tables and frame

    if (!ToolAvailable("exiftool")) {
        dispose_IPTC_resource_memory(&iptc, 0);
        dispose_EXIF_resource_memory(&exif, 0);
        GTEST_SKIP() << "exiftool is not installed (tools/install-deps.sh)";
    }
    const std::string tags = RunTool(
        "exiftool -s -s -s -Software -Keywords -Caption-Abstract -Source -Comment "
        "-ApplicationRecordVersion '" + path + "'");
    EXPECT_EQ(tags, std::string("Vornesk 2\nVornesk 2, panorama, cube\nMade with Vornesk 2\n") +
                        kVorneskMakerAddress + "\n" + kVorneskMakerAddress + "\n2\n");
    char today[16];
    const time_t now = time(nullptr);
    struct tm utc {};
    gmtime_r(&now, &utc);
    strftime(today, sizeof today, "%Y:%m:%d\n", &utc);
    EXPECT_EQ(RunTool("exiftool -s -s -s -DateCreated '" + path + "'"), today);
    const std::string icc = RunTool("exiftool -b -ICC_Profile '" + path + "'");
    EXPECT_EQ(icc.size(), profile.size());
    EXPECT_TRUE(icc == std::string(profile.begin(), profile.end()));
    dispose_IPTC_resource_memory(&iptc, 0);
    dispose_EXIF_resource_memory(&exif, 0);
}

// Keywords are UTF-8 and the block says so: exiftool gives back the same
// characters, not their bytes taken one by one as Latin-1 ("LarrivÃ©e").
TEST(JPEGEncoder, AccentedKeywordsReadBackAsWritten) {
    REQUIRE_TOOL("exiftool");
    TempDir dir;
    TIPTCThing iptc;
    InitIPTC(&iptc);
    const std::string accented = "Larriv\xc3\xa9" "e";
    const std::string greek = "\xce\xb3\xce\xb7";  // two letters of two bytes each
    AddIPTCKeyword(&iptc, accented.c_str());
    AddIPTCKeyword(&iptc, greek.c_str());
    JPEGMetadata m;
    m.iptc = &iptc;
    const std::string path = dir.File("accents.jpg");
    const RGBPicture picture = MakeTestPicture(16, 16);
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(WriteJPEGRowsToFile(16, 16, PictureRows, const_cast<RGBPicture*>(&picture), fd, false, 80, m),
              kJPEGOK);
    close(fd);
    dispose_IPTC_resource_memory(&iptc, 0);
    EXPECT_EQ(RunTool("exiftool -s -s -s -CodedCharacterSet '" + path + "'"), "UTF8\n");
    // Asked for UTF-8 output, exiftool converts from the block's own set.
    EXPECT_EQ(RunTool("exiftool -charset UTF8 -s -s -s -Keywords '" + path + "'"),
              "Vornesk 2, " + accented + ", " + greek + "\n");
}

// A block too long for one marker is left out; the stream stays whole.
TEST(JPEGEncoder, OversizedMarkerIsLeftOutNotCorrupted) {
    REQUIRE_TOOL("djpeg");
    TempDir dir;
    std::vector<uint8_t> big(70000, 0x41);
    TEXIFThing exif;
    InitEXIF(&exif);
    exif.buffer = big.data();
    exif.length = int64_t(big.size());
    JPEGMetadata m;
    m.exif = &exif;
    int result = -1;
    const std::vector<uint8_t> stream = Encode(MakeTestPicture(20, 20), 80, m, &result);
    ASSERT_EQ(result, kJPEGOK);
    for (const Marker& marker : ListMarkers(stream)) EXPECT_NE(marker.code, 0xE1);
    const std::string path = dir.File("big.jpg");
    ASSERT_TRUE(WriteFile(path, stream));
    RGBPicture decoded;
    EXPECT_TRUE(DecodeWithDjpeg(path, &decoded));
    EXPECT_EQ(decoded.width, 20);
}

TEST(JPEGEncoder, FullFixedBufferIsRefusedNeverOverrun) {
    const RGBPicture picture = MakeNoisePicture(64, 64);
    for (size_t capacity : {size_t(0), size_t(100), size_t(4095), size_t(4096), size_t(5000)}) {
        SCOPED_TRACE(capacity);
        std::vector<uint8_t> block(capacity + 64, 0xA5);
        JPEGOutput out;
        out.bytes = block.data();
        out.capacity = capacity;
        char message[JMSG_LENGTH_MAX];
        EXPECT_EQ(CompressJPEGRows(64, 64, PictureRows, const_cast<RGBPicture*>(&picture), &out, 99,
                                   false, JPEGMetadata{}, message),
                  kJPEGLibraryError);
        EXPECT_EQ(out.delivered, 0u);
        EXPECT_STREQ(message, "Output file write error --- out of disk space?");
        for (size_t i = capacity; i < block.size(); ++i) ASSERT_EQ(block[i], 0xA5) << i;
    }
    // The same picture fits a buffer of its own size exactly.
    const std::vector<uint8_t> whole = Encode(picture, 99);
    std::vector<uint8_t> exact(whole.size());
    JPEGOutput out;
    out.bytes = exact.data();
    out.capacity = exact.size();
    EXPECT_EQ(CompressJPEGRows(64, 64, PictureRows, const_cast<RGBPicture*>(&picture), &out, 99, false,
                               JPEGMetadata{}),
              kJPEGOK);
    EXPECT_EQ(exact, whole);
}

// A growable output starting tiny ends with the same stream as a large one.
TEST(JPEGEncoder, GrowableOutputGrows) {
    const RGBPicture picture = MakeTestPicture(100, 90);
    JPEGOutput out;
    out.growable = true;
    out.capacity = 16;
    out.bytes = static_cast<uint8_t*>(RobustNewPtr(16));
    ASSERT_EQ(CompressJPEGRows(100, 90, PictureRows, const_cast<RGBPicture*>(&picture), &out, 95,
                               false, JPEGMetadata{}),
              kJPEGOK);
    EXPECT_EQ(std::vector<uint8_t>(out.bytes, out.bytes + out.delivered), Encode(picture, 95));
    RobustDisposePtr(&out.bytes);
}

uint32_t BigEndian32(const uint8_t* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

TEST(JPEGEncoder, PreviewFrameAndFailures) {
    TempDir dir;
    const RGBPicture picture = MakeTestPicture(10, 10);
    const std::string path = dir.File("preview.bin");
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(WriteJPEGRowsToFile(10, 10, PictureRows, const_cast<RGBPicture*>(&picture), fd, true, 70,
                                  JPEGMetadata{}),
              kJPEGOK);
    close(fd);
    std::vector<uint8_t> bytes = ReadFile(path);
    ASSERT_GE(bytes.size(), 16u);
    EXPECT_EQ(BigEndian32(&bytes[0]), 1u);
    EXPECT_EQ(BigEndian32(&bytes[4]), 16u);
    EXPECT_EQ(BigEndian32(&bytes[8]), 16u);
    EXPECT_EQ(BigEndian32(&bytes[12]), bytes.size() - 16);
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 16, bytes.end()), Encode(picture, 70));
    if (ToolAvailable("identify")) {
        const std::string jpg = dir.File("preview.jpg");
        ASSERT_TRUE(WriteFile(jpg, std::vector<uint8_t>(bytes.begin() + 16, bytes.end())));
        EXPECT_EQ(RunTool("identify -format '%w %h' '" + jpg + "'"), "16 16");
    }

    // Without the frame only the stream is written.
    fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_EQ(WriteJPEGRowsToFile(10, 10, PictureRows, const_cast<RGBPicture*>(&picture), fd, false, 70,
                                  JPEGMetadata{}),
              kJPEGOK);
    close(fd);
    EXPECT_EQ(ReadFile(path), Encode(picture, 70));

    // A picture JPEG cannot hold: no stream, and in preview form the single
    // word 0 that says "no preview".
    fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    char message[JMSG_LENGTH_MAX];
    EXPECT_EQ(WriteJPEGRowsToFile(70000, 16, PictureRows, const_cast<RGBPicture*>(&picture), fd, true,
                                  70, JPEGMetadata{}, message),
              kJPEGBadSize);
    close(fd);
    EXPECT_EQ(ReadFile(path), std::vector<uint8_t>(4, 0));
    EXPECT_NE(std::string(message), "");

    // A descriptor that refuses the bytes is reported.
    fd = open(path.c_str(), O_RDONLY);
    EXPECT_EQ(WriteJPEGRowsToFile(10, 10, PictureRows, const_cast<RGBPicture*>(&picture), fd, true, 70,
                                  JPEGMetadata{}),
              kJPEGWriteFailed);
    close(fd);
}

}  // namespace

namespace {

TEST(JPEGEncoder, HuffmanOptimisationOnlyWithinTheMemoryLimit) {
    struct Case {
        long width, height, quality;
        bool optimised;
    };
    // Coefficients: pixels x (1 + 2 x chroma share) x 2 bytes against 50,000,000.
    for (const Case c : {Case{128, 128, 90, true}, Case{1, 1, 0, true}, Case{4000, 2000, 90, true},
                         Case{4100, 2100, 90, false}, Case{4000, 4000, 30, true},
                         Case{6000, 5000, 30, false}, Case{30000, 30000, 99, false}}) {
        EXPECT_EQ(EncoderOptimisesHuffman(c.width, c.height, c.quality), c.optimised)
            << c.width << " x " << c.height << " q " << c.quality;
    }
    // A picture past the limit still encodes to a stream that decodes.
    const long w = 4100, h = 2100;
    RGBPicture flat;
    flat.width = 1;
    flat.height = 1;
    flat.rgb = {200, 100, 50};
    JPEGOutput out;
    out.growable = true;
    ASSERT_EQ(CompressJPEGRows(w, h, PictureRows, &flat, &out, 90, false, JPEGMetadata{}), kJPEGOK);
    long rows = 0;
    const auto count = [](void* context, long, long width, int, const uint8_t* row) {
        ++*static_cast<long*>(context);
        return width == 4100 && row[0] > 190 && row[0] < 210;
    };
    EXPECT_EQ(DecompressJPEGRows(out.bytes, out.delivered, count, &rows), kJPEGOK);
    EXPECT_EQ(rows, h);
    RobustDisposePtr(&out.bytes);
}

}  // namespace
