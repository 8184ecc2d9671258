// PSD files read back by independent readers: psd-tools (every layer's
// channels and the merged image, byte for byte), ImageMagick (size, depth,
// layers and pixels) and exiftool (profile, keywords, resolution).
#include <gtest/gtest.h>

#include "files/iptc.h"
#include "files/psd_export.h"
#include "tests/files/psd_test_support.h"

namespace {

using namespace psdtest;

// Channel id of a layer to its plane code: -1 alpha, 0..2 the colours.
int PlaneOfChannel(int id) { return id < 0 ? 0 : id + 1; }

// Writes a file of the shape, each layer painted with its own seed, and
// checks what psd-tools reads.
void CheckWithPsdTools(const Folder& folder, int64_t w, int64_t h, int64_t layers, int64_t bytes, int64_t kind) {
    SCOPED_TRACE(::testing::Message() << w << "x" << h << " layers " << layers << " bytes " << bytes);
    PyrHolder pyr(w, h, KindOfBytes(bytes));
    PSDdoc doc = Doc(w, h, layers, bytes, kind);
    const std::string name = "f" + std::to_string(layers) + "_" + std::to_string(bytes);
    const std::string path = folder / (name + ".psd");
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    std::vector<std::vector<uint8_t>> expected(size_t(layers) * 4);
    WriteSections(fd, false, pyr.get(), doc, {}, [&](int64_t i) {
        PaintPicture(pyr.get(), int(i));
        for (int plane = 0; plane < 4; ++plane) expected[size_t(i) * 4 + plane] = ExpectedPlane(pyr.get(), plane, false);
    });
    close(fd);

    const ReadBack r = ReadWithPsdTools(path, folder / name);
    EXPECT_TRUE(r.warnings.empty()) << r.text;
    EXPECT_EQ(r.facts.at("size"), std::to_string(w) + " " + std::to_string(h));
    EXPECT_EQ(r.facts.at("depth"), std::to_string(bytes * 8));
    EXPECT_EQ(r.facts.at("channels"), bytes == 2 ? "4" : "3");
    EXPECT_EQ(r.facts.at("mode"), "3");
    ASSERT_EQ(r.facts.at("layers"), std::to_string(layers)) << r.text;
    for (int64_t i = 0; i < layers; ++i) {
        const std::string L = "layer " + std::to_string(i) + " ";
        char layerName[kPSDLayerNameBytes];
        CNameOfLayer(&doc, i + 1, layerName);
        EXPECT_EQ(r.facts.at(L + "name"), layerName);
        EXPECT_EQ(r.facts.at(L + "opacity"), std::to_string(OpacityOfLayer(&doc, i + 1)));
        EXPECT_EQ(r.facts.at(L + "blend"), "norm");
        EXPECT_EQ(r.facts.at(L + "bbox"), "0 0 " + std::to_string(w) + " " + std::to_string(h));
        EXPECT_EQ(r.facts.at(L + "channels"), "-1 0 1 2");
        for (int id = -1; id <= 2; ++id)
            EXPECT_EQ(r.Raw("layer" + std::to_string(i) + "_" + std::to_string(id) + ".raw"),
                      expected[size_t(i) * 4 + PlaneOfChannel(id)])
                << "layer " << i << " channel " << id;
    }
    // The merged image: the last layer over the checkerboard; floats as they are.
    for (int plane = 0; plane < (bytes == 2 ? 4 : 3); ++plane)
        EXPECT_EQ(r.Raw("merged_" + std::to_string(plane) + ".raw"),
                  ExpectedPlane(pyr.get(), plane == 3 ? 0 : plane + 1, bytes != 4))
            << "merged plane " << plane;
}

TEST(PSDReadBack, PsdToolsReadsEveryLayerAndTheMergedImage) {
    Folder folder;
    struct Case {
        int64_t w, h, layers, kind;
    } cases[] = {{13, 7, 1, 3}, {13, 7, 2, 2}, {9, 20, 5, 0}};
    for (const Case& c : cases)
        for (int64_t bytes : {1, 2, 4}) CheckWithPsdTools(folder, c.w, c.h, c.layers, bytes, c.kind);
}

// ImageMagick: size, depth, one image per layer after the merged one, and
// each layer's pixels (8 and 16 bits; floats are checked through psd-tools).
TEST(PSDReadBack, ImageMagickReadsLayersAndPixels) {
    Folder folder;
    for (int64_t bytes : {1, 2, 4}) {
        SCOPED_TRACE(::testing::Message() << "bytes " << bytes);
        const int64_t w = 11, h = 9, layers = 2;
        PyrHolder pyr(w, h, KindOfBytes(bytes));
        PSDdoc doc = Doc(w, h, layers, bytes, 2);
        const std::string path = folder / ("im" + std::to_string(bytes) + ".psd");
        const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        std::vector<std::vector<uint8_t>> rgba(layers);
        WriteSections(fd, false, pyr.get(), doc, {}, [&](int64_t i) {
            PaintPicture(pyr.get(), int(i) + 3);
            rgba[size_t(i)] = InterleavedRGBA(pyr.get());
        });
        close(fd);
        const std::string id = Shell("identify -format '%w %h %z\\n' '" + path + "'");
        const std::string line = std::to_string(w) + " " + std::to_string(h) + " " + std::to_string(bytes == 4 ? 32 : bytes * 8) + "\n";
        std::string all;
        for (int i = 0; i <= layers; ++i) all += line;
        EXPECT_EQ(id, all);
        if (bytes == 4) continue;
        for (int64_t i = 0; i < layers; ++i)
            EXPECT_EQ(MagickRGBA(folder.path, path, int(i) + 1, bytes), rgba[size_t(i)]) << "layer " << i;
        // The merged image: the last layer over the checkerboard, opaque.
        std::vector<uint8_t> planes[3], merged;
        for (int p = 0; p < 3; ++p) planes[p] = ExpectedPlane(pyr.get(), p + 1, true);
        for (size_t k = 0; k < planes[0].size(); k += size_t(bytes)) {
            for (int p = 0; p < 3; ++p) merged.insert(merged.end(), planes[p].begin() + long(k), planes[p].begin() + long(k) + bytes);
            merged.insert(merged.end(), size_t(bytes), 0xFF);
        }
        EXPECT_EQ(MagickRGBA(folder.path, path, 0, bytes), merged);
    }
}

// exiftool: the odd-sized profile byte for byte, the keywords and 72 dpi.
TEST(PSDReadBack, ExiftoolReadsProfileKeywordsAndResolution) {
    Folder folder;
    // A profile of one copyright tag, 153 bytes: odd on purpose.
    std::vector<uint8_t> icc(153, 0);
    icc[3] = 153;                                  // profile size
    std::memcpy(&icc[36], "acsp", 4);              // signature
    icc[131] = 1;                                  // one tag
    std::memcpy(&icc[132], "cprt", 4);
    icc[139] = 144;                                // its offset
    icc[143] = 9;                                  // its size
    std::memcpy(&icc[144], "text\0\0\0\0x", 9);
    TIPTCThing iptc;
    InitIPTC(&iptc);
    for (const char* k : {"panorama", "texturemap", "3D"}) AddIPTCKeyword(&iptc, k);
    ASSERT_GT(build_IPTC_resource(&iptc, false, false), 0);
    const uint8_t exif[36] = {'M', 'M', 0, 42, 0, 0, 0, 8, 0, 0};
    PyrHolder pyr(5, 3, kPyrColour8);
    PaintPicture(pyr.get(), 0);
    PSDdoc doc = Doc(5, 3, 1, 1, 3);
    PSDResourceExtras extras{icc.data(), int64_t(icc.size()), iptc.buffer, iptc.length, exif, 36};
    const std::string path = folder / "tags.psd";
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    WriteSections(fd, false, pyr.get(), doc, extras, nullptr);
    close(fd);
    dispose_IPTC_resource_memory(&iptc, 0);

    Shell("exiftool -q -b -ICC_Profile '" + path + "' > '" + folder / "icc.bin" + "'");
    EXPECT_EQ(ReadAll(folder / "icc.bin"), icc);
    EXPECT_EQ(Shell("exiftool -s3 -sep , -IPTC:Keywords '" + path + "'"), "Vornesk 2,panorama,texturemap,3D\n");
    EXPECT_EQ(Shell("exiftool -s3 -XResolution -YResolution '" + path + "'"), "72\n72\n");
    const std::string warnings = Shell("exiftool -s -Warning '" + path + "'");
    EXPECT_EQ(warnings, "") << warnings;
    const ReadBack r = ReadWithPsdTools(path, folder / "tags");
    EXPECT_TRUE(r.warnings.empty()) << r.text;
    for (const char* id : {"1039", "1028", "1058", "1005", "1035"}) EXPECT_TRUE(r.facts.count(std::string("resource ") + id)) << id << "\n" << r.text;
}

}  // namespace
