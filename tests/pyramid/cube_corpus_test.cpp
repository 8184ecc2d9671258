// Cutting cube-map inputs into the six face pyramids: which block becomes
// which face, for every layout and pixel kind; reuse of a cut corpus; and the
// failures (too small, out of memory) that must leave no face behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

#include "common/memory.h"
#include "pyramid/cube_corpus.h"
#include "pyramid/pixels.h"
#include "pyramid_fixture.h"
#include "records/data.h"

namespace {

struct CorpusRig {
    std::unique_ptr<Data> data{new Data{}};
    CorpusRig() {
        for (PyramidDescriptor& p : data->pyramids) InitPyramidProcs(&p);
    }
    ~CorpusRig() {
        for (PyramidDescriptor& p : data->pyramids) DisposePyramidData(&p);
    }
    PyramidDescriptor* input() { return &data->pyramids[kMainInputPyramid]; }
    PyramidDescriptor* face(int64_t f) { return &data->pyramids[kFirstCubeFacePyramid + f]; }
    // A picture whose unit colour codes the position (hashed, so a block
    // read from a wrong offset differs).
    bool SetInput(int64_t w, int64_t h, int64_t kind) {
        if (TryToAllocatePyramid_2006(input(), w, h, kind, 0, 0) != 1) return false;
        FillLevel(input(), 0, [](int64_t x, int64_t y, float* c) {
            const uint32_t k = uint32_t(x * 73856093) ^ uint32_t(y * 19349663);
            for (int i = 0; i < 4; ++i) c[i] = float((k >> (5 * i)) % 211) / 210.0f;
        });
        return true;
    }
    bool SamePixel(int64_t f, int64_t i, int64_t j, int64_t x, int64_t y) {
        const int64_t b = input()->bytesPerPixel;
        return std::memcmp(pyr_pixel_address(face(f), 0, i, j, b), pyr_pixel_address(input(), 0, x, y, b),
                           size_t(b)) == 0;
    }
    // Every face pixel (i, j) is input (x0 + i, y0 + j) of its layout cell,
    // which starts at (c W / columns, r H / rows) rounded down.
    void ExpectBlocks(const CubeLayout& l, const char* what) {
        const int64_t W = input()->width[0], H = input()->height[0], n = W / l.columns, m = H / l.rows;
        for (int64_t f = 0; f < 6; ++f) {
            ASSERT_TRUE(face(f)->tiles) << what;
            ASSERT_EQ(face(f)->width[0], n) << what;
            ASSERT_EQ(face(f)->height[0], m) << what;
            EXPECT_EQ(face(f)->contentTag, l.tag) << what;
            EXPECT_EQ(face(f)->mipmapState, 2) << what;
            EXPECT_EQ(face(f)->edgeMode, 0) << what;
            EXPECT_EQ(face(f)->overhangMode, 3) << what;
            const int64_t x0 = l.cell[f][0] * W / l.columns, y0 = l.cell[f][1] * H / l.rows;
            int64_t bad = 0;
            for (int64_t j = 0; j < m; ++j)
                for (int64_t i = 0; i < n; ++i) bad += !SamePixel(f, i, j, x0 + i, y0 + j);
            EXPECT_EQ(bad, 0) << what << " face " << f;
        }
    }
};

// The corpus of a layout cut from the rig's input.
int64_t Cut(Data* data, int64_t tag) { return FillCubeCorpus(data, *CubeLayoutOfTag(tag)); }

struct LayoutCase {
    int64_t tag;
    // face (column, row) cells, written out here rather than read back
    int64_t cells[6][2];
    int64_t columns, rows;
};

const LayoutCase kCases[] = {
    {101, {{3, 1}, {2, 1}, {1, 2}, {1, 1}, {0, 1}, {1, 0}}, 4, 3},
    {102, {{1, 3}, {2, 1}, {1, 2}, {1, 1}, {0, 1}, {1, 0}}, 3, 4},
    {103, {{5, 0}, {0, 0}, {3, 0}, {4, 0}, {1, 0}, {2, 0}}, 6, 1},
    {104, {{5, 0}, {0, 0}, {3, 0}, {4, 0}, {1, 0}, {2, 0}}, 6, 1},
    {105, {{2, 1}, {0, 0}, {0, 1}, {1, 1}, {1, 0}, {2, 0}}, 3, 2},
    {106, {{2, 0}, {1, 0}, {2, 1}, {0, 0}, {0, 1}, {1, 1}}, 3, 2},
};

TEST(CubeCorpus, EveryLayoutAndKindCopiesItsBlocks) {
    for (const LayoutCase& c : kCases) {
        const CubeLayout* l = CubeLayoutOfTag(c.tag);
        ASSERT_NE(l, nullptr);
        EXPECT_EQ(l->columns, c.columns);
        EXPECT_EQ(l->rows, c.rows);
        for (int f = 0; f < 6; ++f) EXPECT_EQ(l->cell[f][0] * 10 + l->cell[f][1], c.cells[f][0] * 10 + c.cells[f][1]);
        // Every kind on the first layout; each other layout with one kind.
        static constexpr int64_t kKinds[] = {kPyrGrey8, kPyrGrey16, kPyrGreyFloat, kPyrColour8, kPyrColour16,
                                             kPyrColourFloat};
        const size_t index = size_t(&c - kCases);
        for (int64_t kind : kKinds) {
            if (index != 0 && kind != kKinds[index % 6]) continue;
            CorpusRig rig;
            // Faces of 37 x 29 with two spare columns and one spare row.
            ASSERT_TRUE(rig.SetInput(37 * c.columns + 2, 29 * c.rows + 1, kind));
            ASSERT_EQ(Cut(rig.data.get(), c.tag), kCubeCutDone);
            const std::string what = "tag " + std::to_string(c.tag) + " kind " + std::to_string(kind);
            rig.ExpectBlocks(*l, what.c_str());
            EXPECT_EQ(rig.face(0)->kind, kind);
        }
    }
}

TEST(CubeCorpus, FaceSizesByIntegerDivisionAndBlocksOfALargeCross) {
    // 4000 x 3000 gives 1000 x 1000 faces; 4003 gives the same faces, its
    // three spare columns spread between the cells so that each starts where
    // a quarter of the width puts it (the last column of cells at 3002).
    for (int64_t w : {4000, 4003}) {
        CorpusRig rig;
        ASSERT_TRUE(rig.SetInput(w, 3000, kPyrGrey8));
        ASSERT_EQ(Cut(rig.data.get(), kCubeTagHorizontalCross), kCubeCutDone);
        for (int64_t f = 0; f < 6; ++f) {
            EXPECT_EQ(rig.face(f)->width[0], 1000);
            EXPECT_EQ(rig.face(f)->height[0], 1000);
        }
        // Face 5 from (1000, 0), face 0 from (3000, 1000) or (3002, 1000):
        // corners and middle.
        const int64_t x0 = 3 * w / 4;
        for (int64_t k : {0, 499, 999}) {
            EXPECT_TRUE(rig.SamePixel(5, k, k, 1000 + k, k));
            EXPECT_TRUE(rig.SamePixel(0, k, 999 - k, x0 + k, 1000 + 999 - k));
        }
        // The smaller levels are built: the top level is 1 x 1 (or 2 x 2).
        EXPECT_GE(rig.face(0)->topLevel, 9);
    }
}

TEST(CubeCorpus, TheSameLayoutIsCutOnceAnotherLayoutRefillsAll) {
    CorpusRig rig;
    ASSERT_TRUE(rig.SetInput(120, 90, kPyrColour8));
    ASSERT_EQ(Cut(rig.data.get(), kCubeTagHorizontalCross), kCubeCutDone);
    const uint32_t kMark = 0x01020304;
    for (int64_t f = 0; f < 6; ++f) set_pyramid_sample_point4_raw(0, 0, rig.face(f), 0, kMark);
    ASSERT_EQ(Cut(rig.data.get(), kCubeTagHorizontalCross), kCubeCutDone);
    for (int64_t f = 0; f < 6; ++f) EXPECT_EQ(get_pyramid_sample_point4_raw(0, 0, rig.face(f), 0), kMark) << f;

    // The vertical cross of the same picture: 40 x 22 faces, all new.
    ASSERT_EQ(Cut(rig.data.get(), kCubeTagVerticalCross), kCubeCutDone);
    rig.ExpectBlocks(*CubeLayoutOfTag(102), "vertical after horizontal");
    // The two six-frame layouts share their blocks but not their key.
    ASSERT_EQ(Cut(rig.data.get(), kCubeTagUnity6Frames), kCubeCutDone);
    for (int64_t f = 0; f < 6; ++f) set_pyramid_sample_point4_raw(0, 0, rig.face(f), 0, kMark);
    ASSERT_EQ(Cut(rig.data.get(), kCubeTagNvidia6Frames), kCubeCutDone);
    rig.ExpectBlocks(*CubeLayoutOfTag(104), "second six-frame layout");
}

// A face reads on past its edge into the face across it, between that
// face's pixels, for every pixel kind: the pixels left of face 3 of a
// horizontal cross come from face 4 (the block left of it) where the cube
// puts them. Face 3 looks along +z with its columns along -x and rows along
// -y, face 4 along +x with columns along +z: the point a = -1 - d, b of face
// 3's plane is the direction (1 + d, -b, 1), at a = 1 / (1 + d) and
// b / (1 + d) on face 4. The picture is a ramp, so the value there is known.
TEST(CubeCorpus, FacesReadPastTheirEdgesFromTheirNeighbours) {
    constexpr int64_t n = 32;
    auto ramp = [](double x, double y, float* c) {
        c[0] = float((x + 2.0 * y) / (12.0 * n));
        c[1] = 1.0f - c[0];
        c[2] = float(x / (4.0 * n));
        c[3] = 1.0f;
    };
    static constexpr int64_t kKinds[] = {kPyrGrey8, kPyrGrey16, kPyrGreyFloat, kPyrColour8, kPyrColour16,
                                         kPyrColourFloat};
    for (int64_t kind : kKinds) {
        SCOPED_TRACE(testing::Message() << "kind " << kind);
        CorpusRig rig;
        ASSERT_EQ(TryToAllocatePyramid_2006(rig.input(), 4 * n, 3 * n, kind, 0, 0), 1);
        FillLevel(rig.input(), 0, [&](int64_t x, int64_t y, float* c) { ramp(double(x), double(y), c); });
        ASSERT_EQ(Cut(rig.data.get(), kCubeTagHorizontalCross), kCubeCutDone);
        const bool grey = kind == kPyrGrey8 || kind == kPyrGrey16 || kind == kPyrGreyFloat;
        // Storing the ramp truncates, mixing rounds: a step and a half.
        const double tolerance = kind == kPyrGrey8 || kind == kPyrColour8 ? 1.5 / 255.0 : 1e-4;
        double worst = 0.0;
        for (int64_t out : {1, 2})
            for (int64_t j = 0; j < n; ++j) {
                const double d = (2.0 * double(out) - 1.0) / n, b = (2.0 * double(j) + 1.0) / n - 1.0;
                const double X = (1.0 / (1.0 + d) + 1.0) * 0.5 * n - 0.5, Y = (b / (1.0 + d) + 1.0) * 0.5 * n - 0.5;
                float want[4], got[4];
                ramp(X, n + Y, want);  // face 4 is the block at (0, n)
                get_intcoord_unitary_color(-out, j, rig.face(3), 0, got);
                for (int k = 0; k < (grey ? 1 : 3); ++k) worst = std::max(worst, double(std::fabs(got[k] - want[k])));
            }
        EXPECT_LE(worst, tolerance);
    }
}

TEST(CubeCorpus, FailuresLeaveNoFace) {
    struct Case {
        int64_t w, h;
        int64_t tag;
        bool outOfMemory;
        int64_t expected;
    };
    const Case cases[] = {
        {3, 30, kCubeTagHorizontalCross, false, kCubeCutTooSmall},   // faces 0 wide
        {40, 2, kCubeTagHorizontalCross, false, kCubeCutTooSmall},   // faces 0 high
        {5, 100, kCubeTagUnity6Frames, false, kCubeCutTooSmall},
        {60, 1, kCubeTagFacebook3x2, false, kCubeCutTooSmall},
        {120, 90, kCubeTagHorizontalCross, true, kCubeCutOutOfMemory},
        {120, 90, kCubeTagPano2VR3x2, true, kCubeCutOutOfMemory},
    };
    for (const Case& c : cases) {
        CorpusRig rig;
        ASSERT_TRUE(rig.SetInput(c.w, c.h, kPyrColour8));
        // A corpus cut before from another layout (where the picture allows
        // one) must go as well: no render may read it for this layout.
        if (c.w >= 4 && c.h >= 3) {
            ASSERT_EQ(Cut(rig.data.get(), kCubeTagUnity6Frames) == kCubeCutDone, c.w >= 6);
        }
        if (c.outOfMemory) SetRobustNewPtrFailures(1);
        EXPECT_EQ(Cut(rig.data.get(), c.tag), c.expected) << c.w << " x " << c.h;
        SetRobustNewPtrFailures(0);
        for (int64_t f = 0; f < 6; ++f) {
            EXPECT_EQ(rig.face(f)->tiles, nullptr) << c.w << " x " << c.h << " face " << f;
            EXPECT_EQ(rig.face(f)->contentTag, 0);
        }
        // The next attempt with memory to spare cuts the corpus.
        if (c.outOfMemory) {
            EXPECT_EQ(Cut(rig.data.get(), c.tag), kCubeCutDone);
        }
    }
    // No input picture at all.
    CorpusRig empty;
    EXPECT_EQ(Cut(empty.data.get(), kCubeTagHorizontalCross), kCubeCutNoInput);
}

}  // namespace
