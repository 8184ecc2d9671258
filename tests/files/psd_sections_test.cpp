// PSD sections byte for byte: the format's worked numbers, and over a table
// of shapes every measure equals the bytes written.
#include <gtest/gtest.h>

#include <sys/mman.h>

#include "files/iptc.h"
#include "files/psd_doc.h"
#include "files/psd_layers.h"
#include "files/psd_sections.h"
#include "tests/files/psd_test_support.h"

namespace {

using namespace psdtest;

// What a writer puts into a fresh in-memory file, and its count.
template <class Writer>
std::vector<uint8_t> Written(Writer write, int64_t* count = nullptr) {
    const int fd = memfd_create("psd", 0);
    PSDSink sink;
    PSDSinkStart(&sink, fd, false);
    const int64_t n = write(&sink);
    EXPECT_EQ(PSDSinkFlush(&sink), 0);
    EXPECT_EQ(n, sink.count);
    if (count) *count = n;
    const off_t size = lseek(fd, 0, SEEK_END);
    std::vector<uint8_t> bytes(size_t(size > 0 ? size : 0));
    pread(fd, bytes.data(), bytes.size(), 0);
    close(fd);
    return bytes;
}

template <class Writer>
int64_t Measured(Writer write) {
    PSDSink sink;
    PSDSinkStart(&sink, -1, true);
    return write(&sink);
}

TEST(PSDSections, TwoLayerExample) {
    PyrHolder pyr(10, 10, kPyrColour8);
    PSDdoc doc = Doc(10, 10, 2, 1, 2);
    EXPECT_EQ(Measured([&](PSDSink* s) { return WrPSD_layer_record(&doc, 1, s); }), 114);
    EXPECT_EQ(Measured([&](PSDSink* s) { return WrPSD_layer_record(&doc, 2, s); }), 114);
    int64_t n = 0;
    const auto part1 = Written([&](PSDSink* s) { return WrPSD_layer_and_mask_section_parts(pyr.get(), &doc, s, nullptr, 1); }, &n);
    // Each part measures what it writes; the three parts together make X + 12.
    const auto part = [&](int k) {
        return Measured([&](PSDSink* s) { return WrPSD_layer_and_mask_section_parts(pyr.get(), &doc, s, nullptr, k); });
    };
    EXPECT_EQ(n, part(1));
    EXPECT_EQ(part(1) + 2 * part(2) + part(3), 1046 + 12);
    EXPECT_EQ(BE32(&part1[0]), 1054u);
    EXPECT_EQ(BE32(&part1[4]), 1046u);
    EXPECT_EQ(BE16(&part1[8]), 2u);
    // The first record: bounds, four channels -1, 0, 1, 2 of 102 bytes, "8BIM" "norm", opacity 255.
    const uint8_t* r = &part1[10];
    EXPECT_EQ(BE32(r + 8), 10u);
    EXPECT_EQ(BE32(r + 12), 10u);
    EXPECT_EQ(BE16(r + 16), 4u);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(int16_t(BE16(r + 18 + 6 * i)), i - 1);
        EXPECT_EQ(BE32(r + 20 + 6 * i), 102u);
    }
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(r + 42), 8), "8BIMnorm");
    EXPECT_EQ(r[50], 255);
    EXPECT_EQ(r[52], 0x28);
    EXPECT_EQ(BE32(r + 54), 56u);
    EXPECT_EQ(r[106], 6);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(r + 107), 6), "face 1");
    EXPECT_EQ(Measured([&](PSDSink* s) { return WrPSD_layer_and_mask_section_parts(pyr.get(), &doc, s, nullptr, 2); }),
              408);
}

// 16-bit and float layers live in "Lr16" and "Lr32" blocks rounded up to a
// multiple of 4; floats end with the "LMsk" and "Pat3" trailer.
TEST(PSDSections, SixteenBitAndFloatLayerBlocks) {
    struct Case {
        int64_t bytes;
        const char* tag;
        uint32_t sectionOverR;
        int64_t part3;
    } cases[] = {{2, "Mt16", 32, 2}, {4, "Mt32", 72, 2 + 40}};
    for (const Case& c : cases) {
        PyrHolder pyr(10, 10, KindOfBytes(c.bytes));
        PSDdoc doc = Doc(10, 10, 2, c.bytes, 2);
        const int64_t X = 2 + 2 * 114 + 2 * 4 * (2 + 100 * c.bytes);
        const int64_t R = (X + 3) / 4 * 4;
        ASSERT_NE(X, R);
        const auto part1 =
            Written([&](PSDSink* s) { return WrPSD_layer_and_mask_section_parts(pyr.get(), &doc, s, nullptr, 1); });
        EXPECT_EQ(BE32(&part1[0]), uint32_t(R + c.sectionOverR));
        EXPECT_EQ(BE32(&part1[4]), 0u);
        EXPECT_EQ(BE32(&part1[8]), 0u);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(&part1[12]), 8), std::string("8BIM") + c.tag);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(&part1[24]), 8), c.bytes == 2 ? "8BIMLr16" : "8BIMLr32");
        EXPECT_EQ(BE32(&part1[32]), uint32_t(X));
        const auto part3 =
            Written([&](PSDSink* s) { return WrPSD_layer_and_mask_section_parts(pyr.get(), &doc, s, nullptr, 3); });
        ASSERT_EQ(int64_t(part3.size()), c.part3);
        EXPECT_EQ(part3[0] | part3[1], 0);
        if (c.bytes == 4) {
            EXPECT_EQ(std::string(reinterpret_cast<const char*>(&part3[2]), 8), "8BIMLMsk");
            EXPECT_EQ(BE32(&part3[10]), 14u);
            EXPECT_EQ(std::string(reinterpret_cast<const char*>(&part3[30]), 8), "8BIMPat3");
            EXPECT_EQ(BE32(&part3[38]), 0u);
        }
        // Section length = everything after it.
        const int64_t all = int64_t(part1.size()) + 2 * 4 * (2 + 100 * c.bytes) + c.part3;
        EXPECT_EQ(int64_t(BE32(&part1[0])), all - 4);
    }
}

TEST(PSDSections, ResourcesWithoutExtras) {
    PyrHolder pyr(4, 4, kPyrColour8);
    PSDdoc doc = Doc(4, 4, 1, 1);
    doc.separateFiles = 1;
    const int64_t L = int64_t(std::strlen(kVorneskMakerAddress));
    const int64_t url = 12 + L + (L & 1);
    int64_t n = 0;
    const auto bytes = Written([&](PSDSink* s) { return WrPSD_image_resources_section(pyr.get(), &doc, {}, s); }, &n);
    EXPECT_EQ(n, 4 + 306 + url);
    EXPECT_EQ(BE32(&bytes[0]), uint32_t(306 + url));
    // 1005: 72 dpi both ways in 16.16.
    const uint8_t* res = &bytes[4 + 132];
    EXPECT_EQ(BE16(res + 4), 1005u);
    EXPECT_EQ(BE32(res + 12), 0x00480000u);
    EXPECT_EQ(BE32(res + 20), 0x00480000u);
}

TEST(PSDSections, LayerResourcesAndTheTargetLayer) {
    PyrHolder pyr(4, 4, kPyrColourFloat);
    PSDdoc doc = Doc(4, 4, 3, 4);
    const auto r1072 = Written([&](PSDSink* s) { return WrPSD_1072_resource(&doc, s); });
    ASSERT_EQ(r1072.size(), 16u);
    EXPECT_EQ(BE32(&r1072[8]), 3u);
    EXPECT_EQ(std::vector<uint8_t>(r1072.begin() + 12, r1072.end()), (std::vector<uint8_t>{1, 1, 1, 0}));
    // The whole section ends with 1024 (the top layer's index) and 1026.
    const auto bytes = Written([&](PSDSink* s) { return WrPSD_image_resources_section(pyr.get(), &doc, {}, s); });
    const size_t end = bytes.size();
    const uint8_t* r1024 = &bytes[end - (14 + 12 + 6)];
    EXPECT_EQ(BE16(r1024 + 4), 1024u);
    EXPECT_EQ(BE16(r1024 + 12), 2u);
    EXPECT_EQ(BE16(r1024 + 14 + 4), 1026u);
    EXPECT_EQ(BE32(r1024 + 14 + 8), 6u);
}

TEST(PSDSections, SixteenBitWideningAndColourModeData) {
    PyrHolder pyr(2, 1, kPyrColour16);
    const uint16_t a[4] = {32768, 0, 0, 32768}, b[4] = {16384, 1, 2, 0};
    std::memcpy(pyr_pixel_address(pyr.get(), 0, 0, 0, 8), a, 8);
    std::memcpy(pyr_pixel_address(pyr.get(), 0, 1, 0, 8), b, 8);
    PSDdoc doc = Doc(2, 1, 1, 2);
    EXPECT_EQ(Written([&](PSDSink* s) { return WrPSD_channel_image_data_fast(1, false, pyr.get(), &doc, s, false); }),
              (std::vector<uint8_t>{0xFF, 0xFF, 0x80, 0x00}));

    PyrHolder f(2, 2, kPyrColourFloat), e(2, 2, kPyrColour8);
    const auto floatData = Written([&](PSDSink* s) { return WrPSD_color_mode_data_section(f.get(), &doc, s); });
    ASSERT_EQ(floatData.size(), 78u);
    EXPECT_EQ(std::vector<uint8_t>(floatData.begin(), floatData.begin() + 8),
              (std::vector<uint8_t>{0, 0, 0, 0x4A, 'h', 'd', 'r', 't'}));
    // The toning record: version 3, gamma 0.5, preset "Default" in UTF-16 with
    // its count 8, exposure range 16 and 1.
    const uint8_t* hdr = &floatData[4];
    EXPECT_EQ(BE32(hdr + 4), 3u);
    EXPECT_EQ(BE32(hdr + 8), 0x3F000000u);
    EXPECT_EQ(BE32(hdr + 16), 8u);
    std::string preset;
    for (int i = 0; i < 7; ++i) preset += char(BE16(hdr + 20 + 2 * i));
    EXPECT_EQ(preset, "Default");
    EXPECT_EQ(BE32(hdr + 58), 0x41800000u);
    EXPECT_EQ(BE32(hdr + 70), 0x3F800000u);
    EXPECT_EQ(Written([&](PSDSink* s) { return WrPSD_color_mode_data_section(e.get(), &doc, s); }),
              (std::vector<uint8_t>{0, 0, 0, 0}));
}

TEST(PSDSections, StringsAndLayerNames) {
    struct Case {
        const char* text;
        bool padTo2;
        int64_t bytes;
    } cases[] = {{"abcdefgh", false, 12}, {"abcdefgh", true, 10}, {nullptr, false, 4}, {nullptr, true, 2},
                 {"", false, 4},         {"abc", false, 4},     {"abc", true, 4}};
    for (const Case& c : cases) {
        const auto bytes = Written([&](PSDSink* s) { return WrCstringToPSDFile(c.text, s, c.padTo2); });
        EXPECT_EQ(int64_t(bytes.size()), c.bytes) << (c.text ? c.text : "null");
        EXPECT_EQ(bytes[0], c.text ? std::strlen(c.text) : 0);
    }
    const std::string longName(300, 'x');
    EXPECT_EQ(Measured([&](PSDSink* s) { return WrCstringToPSDFile(longName.c_str(), s, false); }), 256);

    char name[kPSDLayerNameBytes];
    PSDdoc brick = Doc(10, 10, 5, 1, 0);
    const char* brickNames[] = {"1 bottom", "2", "3", "4", "5 top"};
    for (int i = 1; i <= 5; ++i) {
        CNameOfLayer(&brick, i, name);
        EXPECT_STREQ(name, brickNames[i - 1]);
        EXPECT_EQ(OpacityOfLayer(&brick, i), i == 1 ? 255 : 230);
    }
    brick.layerCount = 1;
    CNameOfLayer(&brick, 1, name);
    EXPECT_STREQ(name, "1 top");
    PSDdoc cube = Doc(10, 10, 1, 1, 1);
    const char* faces[] = {"Layer 1", "_d", "_u", "_l", "_b", "_r", "_f", "Layer 1"};
    for (int f = 0; f <= 7; ++f) {
        cube.cubeFace = f;
        CNameOfLayer(&cube, 1, name);
        EXPECT_STREQ(name, faces[f]);
        EXPECT_EQ(OpacityOfLayer(&cube, 1), 255);
    }
}

// Every section's measure equals what it writes, over shapes, depths and extras.
TEST(PSDSections, MeasuresEqualTheBytesWritten) {
    std::vector<uint8_t> icc(133, 7), iptc, exif(36, 3);
    TIPTCThing block;
    InitIPTC(&block);
    AddIPTCKeyword(&block, "panorama");
    ASSERT_GT(build_IPTC_resource(&block, false, false), 0);
    iptc.assign(block.buffer, block.buffer + block.length);
    dispose_IPTC_resource_memory(&block, 0);

    struct Shape {
        int64_t w, h, layers;
    } shapes[] = {{1, 1, 1}, {13, 7, 2}, {3, 17, 5}, {10, 10, 2}};
    for (const Shape& shape : shapes)
        for (int64_t bytes : {1, 2, 4})
            for (int extrasOn = 0; extrasOn < 2; ++extrasOn)
                for (int flat = 0; flat < 2; ++flat) {
                    SCOPED_TRACE(::testing::Message() << shape.w << "x" << shape.h << " layers " << shape.layers
                                                      << " bytes " << bytes << " extras " << extrasOn << " flat " << flat);
                    PyrHolder pyr(shape.w, shape.h, KindOfBytes(bytes));
                    PaintPicture(pyr.get(), 1);
                    PSDdoc doc = Doc(shape.w, shape.h, shape.layers, bytes, 2);
                    doc.separateFiles = uint8_t(flat);
                    PSDResourceExtras extras;
                    if (extrasOn) extras = {icc.data(), int64_t(icc.size()), iptc.data(), int64_t(iptc.size()),
                                            exif.data(), int64_t(exif.size())};
                    using W = std::function<int64_t(PSDSink*)>;
                    const W writers[] = {
                        [&](PSDSink* s) { return WrPSD_file_header_section(pyr.get(), &doc, s); },
                        [&](PSDSink* s) { return WrPSD_color_mode_data_section(pyr.get(), &doc, s); },
                        [&](PSDSink* s) { return WrPSD_image_resources_section(pyr.get(), &doc, extras, s); },
                        [&](PSDSink* s) { return WrPSD_layer_and_mask_section_parts(pyr.get(), &doc, s, nullptr, 1); },
                        [&](PSDSink* s) { return WrPSD_layer_and_mask_section_parts(pyr.get(), &doc, s, nullptr, 2); },
                        [&](PSDSink* s) { return WrPSD_layer_and_mask_section_parts(pyr.get(), &doc, s, nullptr, 3); },
                        [&](PSDSink* s) { return WrPSD_image_data_section(pyr.get(), &doc, s); },
                        [&](PSDSink* s) { return WrPSD_4channels_image_data(pyr.get(), &doc, s); },
                    };
                    for (const W& w : writers) EXPECT_EQ(Measured(w), int64_t(Written(w).size()));
                    // The whole file, and the lengths it declares.
                    const int64_t measured = WriteSections(-1, true, pyr.get(), doc, extras, nullptr);
                    const int fd = memfd_create("psd", 0);
                    int error = -1;
                    EXPECT_EQ(WriteSections(fd, false, pyr.get(), doc, extras, nullptr, &error), measured);
                    EXPECT_EQ(error, 0);
                    EXPECT_EQ(lseek(fd, 0, SEEK_END), measured);
                    close(fd);
                }
}

// Resources stay aligned after an odd-sized profile: each starts with "8BIM".
TEST(PSDSections, OddProfileIsPadded) {
    PyrHolder pyr(4, 4, kPyrColour8);
    PSDdoc doc = Doc(4, 4, 2, 1);
    std::vector<uint8_t> icc(133, 0x5A);
    PSDResourceExtras extras;
    extras.icc = icc.data();
    extras.iccSize = 133;
    const auto bytes = Written([&](PSDSink* s) { return WrPSD_image_resources_section(pyr.get(), &doc, extras, s); });
    std::vector<int> ids;
    size_t at = 4;
    while (at + 12 <= bytes.size()) {
        ASSERT_EQ(std::string(reinterpret_cast<const char*>(&bytes[at]), 4), "8BIM") << "at " << at;
        ids.push_back(BE16(&bytes[at + 4]));
        const uint32_t length = BE32(&bytes[at + 8]);
        if (ids.back() == 1039) EXPECT_EQ(length, 133u);
        at += 12 + length + (length & 1);
    }
    EXPECT_EQ(at, bytes.size());
    EXPECT_EQ(BE32(&bytes[0]), uint32_t(bytes.size() - 4));
    EXPECT_EQ(ids, (std::vector<int>{1001, 1005, 1011, 1016, 1035, 1039, 1024, 1026}));
}

}  // namespace
