// The export drivers: layers rendered into the export pyramid and written as
// PSD and JPEG files, read back by psd-tools, ImageMagick and exiftool;
// refusals, failures and cancels; settings left as they were.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <sstream>

#include "common/memory.h"
#include "engine/task_engine_globals.h"
#include "files/brick_files.h"
#include "files/jpeg_pyramid.h"
#include "files/psd_export.h"
#include "host_access/host_rects.h"
#include "platform/host/filter_record.h"
#include "records/data.h"
#include "records/parameters.h"
#include "records/plugin_globals.h"
#include "records/work_area.h"
#include "render/render_drivers.h"
#include "shell/defaults.h"
#include "shell/mode_catalogue.h"
#include "tests/files/export_rig.h"
#include "tests/files/psd_test_support.h"
#include "tests/projections/earth_fixture.h"
#include "tests/render/ldraw_checker.h"
#include "render/globes/brick_globe.h"

namespace {

using namespace psdtest;
using exporttest::ExportRig;

int OpenFile(const std::string& path) { return open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644); }
bool Closed(int fd) { return fcntl(fd, F_GETFD) == -1 && errno == EBADF; }

// The layer the generator makes, rendered again into a pyramid of our own.
struct Reference {
    PyrHolder pyr;
    Reference(ExportRig& rig, const PSDdoc& doc) : pyr(doc.width, doc.height, KindOfBytes(doc.bytesPerComponent)) {
        for (int64_t i = 0; i < pyr->tileCount; ++i)
            std::memset(pyr->tiles[i].pixels, 0, size_t(BytesInTile(pyr.get(), i)));
        EXPECT_EQ(GenerateOneLayer(rig.data.get(), *rig.params, pyr.get(), 1, nullptr, &doc), 0);
    }
};

// A written export read back: one layer, its name, its pixels equal to the
// reference render, the merged image from it, ImageMagick's size and depth.
void CheckOneLayerFile(const std::string& path, const std::string& folder, const PSDdoc& doc,
                       const PyramidDescriptor* reference, const char* layerName) {
    const ReadBack r = ReadWithPsdTools(path, folder);
    EXPECT_TRUE(r.warnings.empty()) << r.text;
    ASSERT_EQ(r.facts.count("size"), 1u) << r.text;
    EXPECT_EQ(r.facts.at("size"), std::to_string(doc.width) + " " + std::to_string(doc.height));
    EXPECT_EQ(r.facts.at("depth"), std::to_string(doc.bytesPerComponent * 8));
    ASSERT_EQ(r.facts.at("layers"), "1");
    EXPECT_EQ(r.facts.at("layer 0 name"), layerName);
    EXPECT_EQ(r.facts.at("layer 0 opacity"), "255");
    EXPECT_EQ(r.facts.at("layer 0 blend"), "norm");
    EXPECT_EQ(r.facts.at("layer 0 channels"), "-1 0 1 2");
    for (int id = -1; id <= 2; ++id)
        EXPECT_EQ(r.Raw("layer0_" + std::to_string(id) + ".raw"), ExpectedPlane(reference, id + 1, false)) << id;
    for (int plane = 0; plane < 3; ++plane)
        EXPECT_EQ(r.Raw("merged_" + std::to_string(plane) + ".raw"),
                  ExpectedPlane(reference, plane + 1, doc.bytesPerComponent != 4));
    const std::string size = std::to_string(doc.width) + " " + std::to_string(doc.height) + " " +
                             std::to_string(doc.bytesPerComponent * 8) + "\n";
    EXPECT_EQ(Magick(folder, "identify -format '%w %h %z\\n' '" + path + "'"), size + size);
    if (doc.bytesPerComponent < 4) EXPECT_EQ(MagickRGBA(folder, path, 1, doc.bytesPerComponent), InterleavedRGBA(reference));
}

TEST(PSDExport, ResultKindsAtEveryDepth) {
    Folder folder;
    struct Case {
        int32_t kind;
        int32_t w, h;   // the document's size for kinds 6 and 4
        const char* name;
    } cases[] = {{kExportResult, 0, 0, "Layer 1"}, {kExportSizedPSD, 37, 21, "Layer 1"}, {kExportGeometry, 24, 24, "face 1"}};
    for (int depth : {8, 16, 32})
        for (const Case& c : cases) {
            SCOPED_TRACE(::testing::Message() << "depth " << depth << " kind " << c.kind);
            ExportRig rig(depth);
            rig.SetInput(40, 20);
            rig.params->outputMode = 62;  // Mercator
            rig.params->exportPurpose = c.kind;
            rig.params->psdWidth = c.w;
            rig.params->psdHeight = c.h;
            rig.params->export_pixels = c.w;
            PSDdoc doc;
            GrabPSDMetrics(rig.data.get(), *rig.params, &doc);
            ASSERT_EQ(doc.bytesPerComponent, depth / 8);
            const Parameters before = *rig.params;
            const std::string name = "k" + std::to_string(c.kind) + "_" + std::to_string(depth);
            const std::string path = folder / (name + ".psd");
            const int fd = OpenFile(path);
            InitMondoProgressParams(rig.data.get(), doc.layerCount);
            EXPECT_EQ(ReallyWritePSDFile_core_thingie(rig.data.get(), *rig.params, fd, nullptr, &doc), kPSDExportOK);
            EXPECT_TRUE(Closed(fd));
            EXPECT_EQ(rig.data->progressDone, 1);
            EXPECT_EQ(std::memcmp(&before, rig.params.get(), sizeof before), 0);
            EXPECT_EQ(rig.storage->targetPyramid, nullptr);
            EXPECT_EQ(rig.storage->exportPyramid.tiles, nullptr);
            Reference ref(rig, doc);
            CheckOneLayerFile(path, folder / name, doc, ref.pyr.get(), c.name);
            if (c.kind == kExportResult) {
                // The same picture as the plug-in's own render of the result.
                PyramidDescriptor* off = &rig.storage->offscreenPyramid;
                ASSERT_EQ(TryToAllocatePyramid_2006(off, doc.width, doc.height, ref.pyr->kind, 0, 0), 1);
                rig.storage->offscreenPixelKind = ref.pyr->kind;
                rig.params->proxyScale = 1;
                PFFOWFR_by_anything(nullptr, kRenderToOffscreen, nullptr, nullptr);
                for (int plane = 0; plane < 4; ++plane)
                    EXPECT_EQ(ExpectedPlane(off, plane, false), ExpectedPlane(ref.pyr.get(), plane, false)) << plane;
                DisposePyramidData(off);
            }
        }
}

// The cube map as the file layer writes it: one one-layer file per face. The
// faces are also left as PNG files for a person to look at.
TEST(PSDExport, CubeFacesOfTheEarthOneFilePerFace) {
    Folder folder;
    std::unique_ptr<Reference> faces[6];
    for (int depth : {8, 16, 32}) {
        ExportRig rig(depth);
        rig.SetEarthInput();
        rig.params->exportPurpose = kExportCubeMap;
        rig.params->cubemap_pixels = depth == 8 ? 256 : 40;
        const Parameters before = *rig.params;
        PSDdoc doc;
        GrabPSDMetrics(rig.data.get(), *rig.params, &doc);
        EXPECT_EQ(doc.layerCount, 6);
        doc.layerCount = 1;
        const char* names[] = {"_d", "_u", "_l", "_b", "_r", "_f"};
        for (int face = 1; face <= 6; ++face) {
            SCOPED_TRACE(::testing::Message() << "depth " << depth << " face " << face);
            doc.cubeFace = face;
            const std::string name = "Globe" + std::to_string(depth) + names[face - 1];
            const std::string path = folder / (name + ".psd");
            const int fd = OpenFile(path);
            EXPECT_EQ(ReallyWritePSDFile_core_thingie(rig.data.get(), *rig.params, fd, nullptr, &doc), kPSDExportOK);
            EXPECT_TRUE(Closed(fd));
            EXPECT_EQ(std::memcmp(&before, rig.params.get(), sizeof before), 0);
            auto ref = std::make_unique<Reference>(rig, doc);
            CheckOneLayerFile(path, folder / name, doc, ref->pyr.get(), names[face - 1]);
            if (depth == 8) {
                Shell("convert '" + path + "[0]' '" + folder / (name + ".png") + "'");
                faces[face - 1] = std::move(ref);
            }
        }
    }
    // Neighbouring faces meet without seams: the pixels along a shared edge
    // differ little, far less than along edges that do not meet.
    enum { d, u, l, b, r, f };
    enum Edge { Left, Right, Top, Bottom };
    auto edgeDifference = [&](int fa, Edge ea, int fb, Edge eb) {
        const PyramidDescriptor* A = faces[fa]->pyr.get();
        const PyramidDescriptor* B = faces[fb]->pyr.get();
        const int64_t n = A->width[0];
        double sum = 0;
        auto at = [n](Edge e, int64_t i, int64_t* x, int64_t* y) {
            *x = e == Left ? 0 : e == Right ? n - 1 : i;
            *y = e == Top ? 0 : e == Bottom ? n - 1 : i;
        };
        for (int64_t i = 0; i < n; ++i) {
            int64_t ax, ay, bx, by;
            at(ea, i, &ax, &ay);
            at(eb, i, &bx, &by);
            const uint32_t wa = get_pyramid_sample_point4_raw(ax, ay, A, 0), wb = get_pyramid_sample_point4_raw(bx, by, B, 0);
            for (int k = 0; k < 3; ++k) sum += std::abs(double(int((wa >> (24 - 8 * k)) & 255) - int((wb >> (24 - 8 * k)) & 255)));
        }
        return sum / double(3 * n);
    };
    const double seams[] = {edgeDifference(l, Right, f, Left), edgeDifference(f, Right, r, Left),
                            edgeDifference(r, Right, b, Left), edgeDifference(b, Right, l, Left),
                            edgeDifference(u, Bottom, f, Top), edgeDifference(f, Bottom, d, Top)};
    const double unrelated = edgeDifference(l, Left, r, Left) + edgeDifference(u, Top, d, Bottom);
    for (double seam : seams) {
        EXPECT_LT(seam, 6.0);
        EXPECT_LT(seam * 4, unrelated / 2);
    }
    if (const char* keep = std::getenv("VORNESK_KEEP_PSD")) {
        (void)keep;
        std::printf("cube faces in %s\n", folder.path.c_str());
    }
}

// A small colour profile of one copyright tag, of the given size (at least 153).
std::vector<uint8_t> ColourProfile(size_t size) {
    std::vector<uint8_t> icc(size, 0);
    icc[2] = uint8_t(size >> 8);
    icc[3] = uint8_t(size);
    std::memcpy(&icc[36], "acsp", 4);
    icc[131] = 1;
    std::memcpy(&icc[132], "cprt", 4);
    icc[139] = 144;
    icc[143] = uint8_t(size - 144);
    std::memcpy(&icc[144], "text", 4);
    for (size_t i = 152; i < size; ++i) icc[i] = uint8_t('a' + i % 26);
    return icc;
}

// The host's handles stand for their own bytes.
Ptr LockBytes(Handle h, Boolean) { return reinterpret_cast<Ptr>(h); }
void UnlockBytes(Handle) {}

// The host document's colour profile, even or odd in size, travels into PSD
// and JPEG exports byte for byte, beside the keywords and 72 dpi.
TEST(PSDExport, HostProfileKeywordsAndResolution) {
    Folder folder;
    for (size_t size : {160, 161}) {
        SCOPED_TRACE(::testing::Message() << "profile of " << size);
        ExportRig rig(8);
        rig.SetInput(24, 12);
        std::vector<uint8_t> icc = ColourProfile(size);
        HandleProcs procs{};
        procs.lockProc = LockBytes;
        procs.unlockProc = UnlockBytes;
        rig.record->handleProcs = &procs;
        rig.record->iCCprofileData = reinterpret_cast<Handle>(icc.data());
        rig.record->iCCprofileSize = int32_t(size);
        rig.params->exportPurpose = kExportResult;
        rig.params->outputMode = 62;
        PSDdoc doc;
        GrabPSDMetrics(rig.data.get(), *rig.params, &doc);
        doc.modeWords = CatalogueModeWords();
        const std::string psd = folder / ("icc" + std::to_string(size) + ".psd");
        EXPECT_EQ(ReallyWritePSDFile_core_thingie(rig.data.get(), *rig.params, OpenFile(psd), nullptr, &doc), kPSDExportOK);
        const std::string jpg = folder / ("icc" + std::to_string(size) + ".jpg");
        EXPECT_EQ(ReallyWriteJPEGFile_Thingie(*rig.params, OpenFile(jpg), 50), kPSDExportOK);
        for (const std::string& path : {psd, jpg}) {
            SCOPED_TRACE(path);
            const std::string out = folder / "profile.icc";
            std::remove(out.c_str());
            Shell("exiftool -q -b -ICC_Profile '" + path + "' > '" + out + "'");
            EXPECT_EQ(ReadAll(out), icc);
            EXPECT_EQ(Shell("exiftool -s -Warning '" + path + "'"), "");
        }
        const std::string keywords = Shell("exiftool -s3 -sep , -IPTC:Keywords '" + psd + "'");
        EXPECT_NE(keywords.find("panorama"), std::string::npos) << keywords;
        EXPECT_NE(keywords.find("Mercator"), std::string::npos) << keywords;
        EXPECT_EQ(Shell("exiftool -s3 -XResolution -YResolution '" + psd + "'"), "72\n72\n");
        const ReadBack r = ReadWithPsdTools(psd, folder / "icc");
        EXPECT_TRUE(r.warnings.empty()) << r.text;
        EXPECT_TRUE(r.facts.count("resource 1039") && r.facts.count("resource 1058") && r.facts.count("resource 1028"))
            << r.text;
    }
}

// A 30,000 x 8 file, the widest version 1 allows, read back by both readers.
TEST(PSDExport, WidestFile) {
    Folder folder;
    ExportRig rig(8);
    rig.SetInput(64, 32);
    rig.params->exportPurpose = kExportSizedPSD;
    rig.params->psdWidth = 30000;
    rig.params->psdHeight = 8;
    PSDdoc doc;
    GrabPSDMetrics(rig.data.get(), *rig.params, &doc);
    const std::string path = folder / "wide.psd";
    EXPECT_EQ(ReallyWritePSDFile_core_thingie(rig.data.get(), *rig.params, OpenFile(path), nullptr, &doc), kPSDExportOK);
    Reference ref(rig, doc);
    CheckOneLayerFile(path, folder / "wide", doc, ref.pyr.get(), "Layer 1");
}

// Documents too large for version 1, judged on measured lengths alone.
TEST(PSDExport, LimitsOfVersionOne) {
    struct Case {
        int64_t w, h, layers, bytes;
        int expected;
    } cases[] = {
        {30000, 8, 1, 1, kPSDExportOK},
        {30001, 8, 1, 1, kPSDExportTooLarge},
        {8, 30001, 1, 1, kPSDExportTooLarge},
        {30000, 30000, 1, 1, kPSDExportOK},           // 3.6 GB of layer data
        {30000, 30000, 1, 2, kPSDExportTooLarge},     // a 16-bit cube face: 7.2 GB
        {30000, 30000, 1, 4, kPSDExportTooLarge},
        {20000, 20000, 2, 1, kPSDExportOK},
        {20000, 20000, 3, 1, kPSDExportTooLarge},
        {23170, 23170, 1, 2, kPSDExportOK},           // 4 x 1.07 GB: just fits
        {23171, 23171, 1, 2, kPSDExportTooLarge},
        {16384, 16384, 1, 2, kPSDExportOK},
        {0, 8, 1, 1, kPSDExportEmpty},
        {8, 8, 0, 1, kPSDExportEmpty},
    };
    for (const Case& c : cases) {
        PSDdoc doc = Doc(c.w, c.h, c.layers, c.bytes);
        EXPECT_EQ(PSDDocumentProblem(&doc, KindOfBytes(c.bytes), 0), c.expected) << c.w << "x" << c.h << " " << c.bytes;
    }
    PSDdoc doc = Doc(10, 10, 1, 2);
    EXPECT_EQ(PSDDocumentProblem(&doc, kPyrColour8, 0), kPSDExportDepthMismatch);
    // Grey pixels would give a header and planes that disagree: refused.
    doc = Doc(8, 8, 1, 1);
    EXPECT_EQ(PSDDocumentProblem(&doc, kPyrGrey8, 0), kPSDExportNotRGBA);

    // A 16-bit document of 30,000 x 30,000 is refused before anything renders.
    ExportRig rig(16);
    rig.SetInput(16, 8);
    rig.params->exportPurpose = kExportSizedPSD;
    rig.params->psdWidth = 30000;
    rig.params->psdHeight = 30000;
    GrabPSDMetrics(rig.data.get(), *rig.params, &doc);
    Folder folder;
    const int fd = OpenFile(folder / "big.psd");
    EXPECT_EQ(ReallyWritePSDFile_core_thingie(rig.data.get(), *rig.params, fd, nullptr, &doc), kPSDExportTooLarge);
    EXPECT_TRUE(Closed(fd));
    EXPECT_TRUE(ReadAll(folder / "big.psd").empty());
}

// The brick-globe layers are squares of nine cells per layer step.
TEST(PSDExport, BrickLayerSizeFollowsTheLayerCount) {
    ExportRig rig(8);
    rig.params->exportPurpose = kExportBrickModel;
    rig.params->lego_layers = 5;
    PSDdoc doc;
    GrabPSDMetrics(rig.data.get(), *rig.params, &doc);
    EXPECT_EQ(doc.width, 9 * 6 + 1);   // floor(1.2 x 5) = 6
    rig.params->brickSmallScale = 1;
    GrabPSDMetrics(rig.data.get(), *rig.params, &doc);
    EXPECT_EQ(doc.width, 9 * 2 + 1);
}

// A full disk, a cancel and a failed allocation: each its own error, the
// descriptor closed, the settings as they were.
TEST(PSDExport, FailuresReturnTheirOwnErrors) {
    Folder folder;
    ExportRig rig(8);
    rig.SetInput(24, 12);
    rig.params->exportPurpose = kExportResult;
    const Parameters before = *rig.params;
    PSDdoc doc;
    GrabPSDMetrics(rig.data.get(), *rig.params, &doc);

    int fd = open("/dev/full", O_WRONLY);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(ReallyWritePSDFile_core_thingie(rig.data.get(), *rig.params, fd, nullptr, &doc), kPSDExportWriteFailed);
    EXPECT_TRUE(Closed(fd));

    fd = open("/dev/full", O_WRONLY);
    PyrHolder pyr(20, 20, kPyrColour8, &rig.bufferProcs);
    EXPECT_EQ(TagAndWritePyr(pyr.get(), fd, 3, true, 50), kPSDExportWriteFailed);
    EXPECT_TRUE(Closed(fd));

    const bool cancelled = true;
    fd = OpenFile(folder / "cancel.psd");
    EXPECT_EQ(ReallyWritePSDFile_core_thingie(rig.data.get(), *rig.params, fd, &cancelled, &doc), kPSDExportCancelled);
    EXPECT_TRUE(Closed(fd));

    for (int64_t failures : {1, 2, 3}) {
        fd = OpenFile(folder / "memory.psd");
        SetRobustNewPtrFailures(failures);
        const int r = ReallyWritePSDFile_core_thingie(rig.data.get(), *rig.params, fd, nullptr, &doc);
        SetRobustNewPtrFailures(0);
        EXPECT_TRUE(r == kPSDExportNoMemory || r == kPSDExportOK || r == memFullErr) << r;
        EXPECT_TRUE(Closed(fd));
        rig.result = 0;
    }
    fd = OpenFile(folder / "memory.psd");
    SetRobustNewPtrFailures(1);
    EXPECT_EQ(ReallyWritePSDFile_core_thingie(rig.data.get(), *rig.params, fd, nullptr, &doc), kPSDExportNoMemory);
    SetRobustNewPtrFailures(0);
    EXPECT_TRUE(Closed(fd));
    EXPECT_EQ(std::memcmp(&before, rig.params.get(), sizeof before), 0);
    EXPECT_EQ(rig.storage->exportPyramid.tiles, nullptr);

    EXPECT_EQ(ReallyWritePSDFile_core_thingie(nullptr, *rig.params, OpenFile(folder / "none.psd"), nullptr, &doc), kPSDExportNoData);
}

// A texture map JPEG: the transparent corners of a Mollweide map filled from
// their surroundings, and the texture-map keywords. A JPEG of the same map at
// another size than the input keeps its corners dark.
TEST(PSDExport, TextureMapJPEG) {
    Folder folder;
    ExportRig rig(8);
    ASSERT_EQ(TryToAllocatePyramid_2006(rig.input(), 40, 20, kPyrColour8, 0, 0), 1);
    const float red[4] = {0.8f, 0.1f, 0.1f, 1.0f};
    for (int64_t y = 0; y < 20; ++y)
        for (int64_t x = 0; x < 40; ++x) set_intcoord_unitary_color(x, y, rig.input(), 0, red);
    rig.Filled(40, 20);
    rig.params->outputMode = 46;  // Mollweide
    rig.params->transparent_gaps = 1;
    rig.params->export_pixels = 64;
    rig.params->psdWidth = 50;
    rig.params->psdHeight = 30;
    const Parameters before = *rig.params;
    struct Case {
        int32_t kind;
        const char* size;
        bool filled;
        const char* keywords;
    } cases[] = {{kExportGeometry, "64 64\n", true, "Vornesk 2,panorama,texturemap,3D,obj\n"},
                 {kExportSizedPSD, "50 30\n", false, "Vornesk 2,panorama\n"}};
    for (const Case& c : cases) {
        rig.params->exportPurpose = c.kind;
        const std::string path = folder / ("texture" + std::to_string(c.kind) + ".jpg");
        const int fd = OpenFile(path);
        InitMondoProgressParams(rig.data.get(), 1);
        EXPECT_EQ(ReallyWriteJPEGFile_Thingie(*rig.params, fd, 90), kPSDExportOK);
        EXPECT_TRUE(Closed(fd));
        rig.params->exportPurpose = before.exportPurpose;
        EXPECT_EQ(std::memcmp(&before, rig.params.get(), sizeof before), 0);
        EXPECT_EQ(rig.data->progressDone, 1);
        EXPECT_EQ(Shell("identify -format '%w %h\\n' '" + path + "'"), c.size);
        EXPECT_EQ(Shell("exiftool -s3 -sep , -IPTC:Keywords '" + path + "'"), c.keywords);
        const std::vector<uint8_t> corner =
            ReadAll((Shell("convert '" + path + "' -crop 1x1+0+0 'rgb:" + folder / "corner.rgb" + "'"), folder / "corner.rgb"));
        ASSERT_EQ(corner.size(), 3u);
        if (c.filled) {
            EXPECT_GT(corner[0], 150);
            EXPECT_LT(corner[1], 80);
            EXPECT_LT(corner[2], 80);
        } else {
            // What is transparent lies on white, as in every JPEG the
            // product writes.
            EXPECT_GT(corner[0], 195);
            EXPECT_GT(corner[1], 195);
            EXPECT_GT(corner[2], 195);
        }
    }
}

// ---- the brick globe: instruction layers, LDRAW model, tallies ----

constexpr int kLDRAWOfCode[13] = {16, 0, 1, 2, 4, 15, 14, 7, 8, 6, 12, 13, 10};
constexpr int kCoreOfCode[13][3] = {{255, 255, 255}, {50, 50, 50},    {0, 0, 255},     {0, 150, 80},  {255, 0, 0},
                                    {250, 250, 250}, {255, 223, 0},   {210, 210, 210}, {128, 128, 128}, {102, 51, 0},
                                    {203, 149, 137}, {204, 170, 102}, {139, 172, 150}};

std::string ReadText(const std::string& path) {
    const std::vector<uint8_t> b = ReadAll(path);
    return std::string(b.begin(), b.end());
}

// One model, four readings: the tallies of the build, the cells counted
// here, the LDRAW part lines per colour and the filled blocks of each
// instruction layer as psd-tools reads them.
TEST(BrickExports, OneModelFourReadingsAgree) {
    Folder folder;
    for (int64_t size = 1; size <= 5; ++size)
        for (bool plates : {false, true})
            for (bool diffuse : {false, true}) {
                SCOPED_TRACE(::testing::Message() << "size " << size << " plates " << plates << " diffusion " << diffuse);
                ExportRig rig(8);
                rig.SetInput(64, 32);
                Parameters& p = *rig.params;
                p.lego_layers = int32_t(size);
                p.lego_plates = plates;
                p.lego_diffuse_colors = diffuse;
                p.legoBrickMask = 0xFFF;
                // Cells counted here from a model of the same settings.
                int64_t counted[13] = {};
                {
                    LegoStructure ball{};
                    const BrickSettings set = BrickSettingsOf(&p);
                    CreateLegoBall(&ball, set.size, set.plates, set.dithering, set.colourSet);
                    float table[400];
                    const BrickPicture pic = BrickPictureOf(rig.data.get(), &p, table);
                    tumbletype t;
                    BrickTumble(&t, set.tumbleDegrees);
                    BuildLegoball(&ball, &pic, &t, false);
                    for (int64_t z = 0; z < ball.nz; ++z)
                        for (int64_t y = 0; y < ball.ny; ++y)
                            for (int64_t x = 0; x < ball.nx; ++x) ++counted[GetLegoColor(&ball, x, y, z)];
                    DestroyLegoBall(&ball);
                }
                // The LDRAW model.
                const std::string ldr = folder / "m.ldr";
                ASSERT_EQ(WriteLDRAWFileWithGlobals(rig.data.get(), OpenFile(ldr)), kPSDExportOK);
                const LDRAWReading model = CheckLDRAW(ReadText(ldr), size, plates);
                ASSERT_EQ(model.error, "");
                // The tallies the build left in the work area.
                for (int k = 1; k < 13; ++k) {
                    EXPECT_EQ(rig.storage->brickCellsPerColour[k], counted[k]) << "code " << k;
                    const auto it = model.partsPerColour.find(kLDRAWOfCode[k]);
                    EXPECT_EQ(it == model.partsPerColour.end() ? 0 : it->second, counted[k]) << "code " << k;
                }
                // The instruction layers, read back by psd-tools.
                p.exportPurpose = kExportBrickModel;
                PSDdoc doc;
                GrabPSDMetrics(rig.data.get(), *rig.params, &doc);
                const int64_t w = int64_t((plates ? 0.4 : 1.2) * double(size));
                ASSERT_EQ(doc.width, 9 * w + 1);
                ASSERT_EQ(doc.layerCount, size);
                const std::string psd = folder / "m.psd";
                ASSERT_EQ(ReallyWritePSDFile_core_thingie(rig.data.get(), *rig.params, OpenFile(psd), nullptr, &doc), kPSDExportOK);
                const ReadBack r = ReadWithPsdTools(psd, folder / "m");
                ASSERT_EQ(r.facts.at("layers"), std::to_string(size)) << r.text;
                int64_t blocks[13] = {};
                for (int64_t L = 0; L < size; ++L) {
                    std::vector<uint8_t> rgb[3];
                    for (int c = 0; c < 3; ++c) rgb[c] = r.Raw("layer" + std::to_string(L) + "_" + std::to_string(c) + ".raw");
                    for (int64_t y = 0; y < w; ++y)
                        for (int64_t x = 0; x < w; ++x) {
                            const size_t at = size_t((9 * y + 2) * doc.width + 9 * x + 2);
                            ASSERT_LT(at, rgb[0].size());
                            const int colour[3] = {rgb[0][at], rgb[1][at], rgb[2][at]};
                            if (colour[0] == 255 && colour[1] == 255 && colour[2] == 255) continue;  // empty
                            int code = -1;
                            for (int k = 1; k < 13; ++k)
                                if (colour[0] == kCoreOfCode[k][0] && colour[1] == kCoreOfCode[k][1] &&
                                    colour[2] == kCoreOfCode[k][2])
                                    code = k;
                            ASSERT_GT(code, 0) << "block " << x << "," << y << " of layer " << L + 1;
                            ++blocks[code];
                        }
                }
                for (int k = 1; k < 13; ++k) EXPECT_EQ(blocks[k], counted[k]) << "code " << k;
            }
}

// The file ends with "0" CR LF and nothing after, even over a longer file;
// a size-1 ball of bricks is one cell at the origin.
TEST(BrickExports, LDRAWOverALongerFileAndTheSmallestBall) {
    Folder folder;
    ExportRig rig(8);
    rig.SetInput(32, 16);
    rig.params->lego_layers = 1;
    rig.params->lego_plates = 0;
    const std::string ldr = folder / "one.ldr";
    {
        const std::string junk(100000, 'x');
        const int fd = OpenFile(ldr);
        ASSERT_EQ(write(fd, junk.data(), junk.size()), ssize_t(junk.size()));
        close(fd);
    }
    const int fd = open(ldr.c_str(), O_WRONLY);
    ASSERT_EQ(WriteLDRAWFileWithGlobals(rig.data.get(), fd), kPSDExportOK);
    EXPECT_TRUE(Closed(fd));
    const std::string text = ReadText(ldr);
    const LDRAWReading model = CheckLDRAW(text, 1, false);
    ASSERT_EQ(model.error, "") << text;
    EXPECT_EQ(model.steps, 0);
    EXPECT_EQ(model.parts, 1);
    EXPECT_NE(text.find(" 0 0 0  1 0 0 0 1 0 0 0 1 3005.DAT\r\n"), std::string::npos) << text;
    EXPECT_EQ(rig.params->exportPurpose, kExportEquirectangularMap);  // export kind 7
}

// A write that fails is reported, not answered with success; the
// descriptor is closed either way.
TEST(BrickExports, FailedWritesAreReported) {
    ExportRig rig(8);
    rig.SetInput(32, 16);
    rig.params->lego_layers = 6;
    const int fd = open("/dev/full", O_WRONLY);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(WriteLDRAWFileWithGlobals(rig.data.get(), fd), kPSDExportWriteFailed);
    EXPECT_TRUE(Closed(fd));
    const int stats = open("/dev/full", O_WRONLY);
    EXPECT_EQ(WriteLegoStatsFile_Thingie(rig.data.get(), stats), kPSDExportWriteFailed);
    EXPECT_TRUE(Closed(stats));
}

// The statistics page counts the model the settings make now, whatever an
// earlier build left in the tallies: its totals are the part lines of an
// LDRAW model of the same settings, colour by colour. The page is HTML 4.01
// that tidy passes, and ends at "</html>".
TEST(BrickExports, StatisticsPageCountsTheCurrentModel) {
    Folder folder;
    ExportRig rig(8);
    rig.SetInput(32, 16);
    rig.params->lego_layers = 7;
    rig.params->legoBrickMask = 0xFFF;
    ASSERT_EQ(WriteLDRAWFileWithGlobals(rig.data.get(), OpenFile(folder / "a.ldr")), kPSDExportOK);
    rig.params->lego_layers = 9;
    for (int k = 0; k < 13; ++k) rig.storage->brickCellsPerColour[k] = rig.storage->brickSurfaceCellsPerColour[k] = 77777;
    const std::string html = folder / "a.html";
    ASSERT_EQ(WriteLegoStatsFile_Thingie(rig.data.get(), OpenFile(html)), kPSDExportOK);
    const std::string text = ReadText(html);
    ASSERT_EQ(WriteLDRAWFileWithGlobals(rig.data.get(), OpenFile(folder / "b.ldr")), kPSDExportOK);
    std::map<int, long long> parts;  // LDRAW colour -> part lines
    std::istringstream ldraw(ReadText(folder / "b.ldr"));
    for (std::string line; std::getline(ldraw, line);) {
        int colour = 0;
        if (std::sscanf(line.c_str(), "1 %d", &colour) == 1) ++parts[colour];
    }
    const std::string doctype = "<!DOCTYPE html PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">\r";
    EXPECT_EQ(text.rfind(doctype + "<html><head><title>Sphere statistics</title></head><body><pre>\r", 0), 0u);
    EXPECT_NE(text.find("Cell count for 9-layer sphere:<br>\r"), std::string::npos);
    EXPECT_EQ(text.find("77777"), std::string::npos);
    const std::string tail = "</pre></body></html>";
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
    const char* names[12] = {"black      ", "blue       ", "green      ", "red        ", "white      ", "yellow     ",
                             "light grey ", "dark grey  ", "brown      ", "sand red   ", "tan        ", "green-gray "};
    long long total = 0, visible = 0;
    for (int k = 1; k <= 12; ++k) {
        const size_t at = text.find(std::string(names[k - 1]));
        ASSERT_NE(at, std::string::npos) << names[k - 1];
        long long all = -1, seen = -1;
        ASSERT_EQ(std::sscanf(text.c_str() + at + 11, "%lld %lld", &all, &seen), 2) << names[k - 1];
        EXPECT_EQ(all, parts[MyLegoColorToLDRAWColor(k)]) << names[k - 1];
        EXPECT_LE(seen, all);
        total += all;
        visible += seen;
    }
    EXPECT_GT(visible, 0);
    EXPECT_LT(visible, total);
    if (system("tidy -v >/dev/null 2>&1") == 0)
        EXPECT_EQ(Shell("tidy -q -e '" + html + "' 2>&1"), "");
}

}  // namespace
