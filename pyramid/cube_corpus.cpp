#include "pyramid/cube_corpus.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>

#include "platform/foundation_threads.h"
#include "pyramid/kernels.h"
#include "pyramid/mipmap.h"
#include "pyramid/overhang.h"
#include "pyramid/pixels.h"
#include "engine/task_engine_globals.h"
#include "engine/task_records.h"
#include "engine/task_runner.h"
#include "records/data.h"
#include "records/parameters.h"
#include "records/plugin_globals.h"

namespace {

// Cells (column, row) of faces 0 to 5; a cell (c, r) is the face-sized block
// whose top-left pixel is (c * width / columns, r * height / rows), rounded
// down. Face 3 is the centre of both crosses, face 5 the cell above it and
// face 2 the cell below.
constexpr CubeLayout kLayouts[] = {
    {kCubeTagHorizontalCross, 4, 3, {{3, 1}, {2, 1}, {1, 2}, {1, 1}, {0, 1}, {1, 0}}},
    {kCubeTagVerticalCross, 3, 4, {{1, 3}, {2, 1}, {1, 2}, {1, 1}, {0, 1}, {1, 0}}},
    {kCubeTagUnity6Frames, 6, 1, {{5, 0}, {0, 0}, {3, 0}, {4, 0}, {1, 0}, {2, 0}}},
    {kCubeTagNvidia6Frames, 6, 1, {{5, 0}, {0, 0}, {3, 0}, {4, 0}, {1, 0}, {2, 0}}},
    {kCubeTagFacebook3x2, 3, 2, {{2, 1}, {0, 0}, {0, 1}, {1, 1}, {1, 0}, {2, 0}}},
    {kCubeTagPano2VR3x2, 3, 2, {{2, 0}, {1, 0}, {2, 1}, {0, 0}, {0, 1}, {1, 1}}},
};

constexpr int64_t kKeyFace = 5;

PyramidDescriptor* Face(Data* data, int64_t f) { return &data->pyramids[kFirstCubeFacePyramid + f]; }

void FreeCorpus(Data* data) {
    for (int64_t f = 0; f < kCubeFaceCount; ++f) DisposePyramidData(Face(data, f));
}

// The cube as the input mapping reads its faces: for face F its outward
// axis, then the directions of its picture's columns (a, left to right) and
// rows (b, top to bottom); a face pixel shows the direction axis + a A + b B
// with a and b from -1 to 1 across the picture.
constexpr int kCubeAxes[kCubeFaceCount][3][3] = {
    {{0, 0, -1}, {1, 0, 0}, {0, -1, 0}},  {{-1, 0, 0}, {0, 0, -1}, {0, -1, 0}}, {{0, -1, 0}, {-1, 0, 0}, {0, 0, -1}},
    {{0, 0, 1}, {-1, 0, 0}, {0, -1, 0}},  {{1, 0, 0}, {0, 0, 1}, {0, -1, 0}},   {{0, 1, 0}, {-1, 0, 0}, {0, 0, 1}},
};
enum : int64_t { kMirrorAcross = 1, kMirrorDown = 2 };

// How face F's picture is turned against the cube: the vertical cross holds
// face 0 turned half round. (A flip mirrors the directions looked up, not the
// faces: the faces stay as the picture has them.)
int64_t FaceMirror(int64_t tag, int64_t f) {
    return tag == kCubeTagVerticalCross && f == 0 ? kMirrorAcross | kMirrorDown : 0;
}

struct Axes {
    double n[3], a[3], b[3];
};
Axes AxesOf(int64_t f, int64_t mirror) {
    Axes x;
    const double sa = (mirror & kMirrorAcross) ? -1.0 : 1.0, sb = (mirror & kMirrorDown) ? -1.0 : 1.0;
    for (int k = 0; k < 3; ++k) {
        x.n[k] = kCubeAxes[f][0][k];
        x.a[k] = sa * kCubeAxes[f][1][k];
        x.b[k] = sb * kCubeAxes[f][2][k];
    }
    return x;
}
double Dot(const double p[3], const double q[3]) { return p[0] * q[0] + p[1] * q[1] + p[2] * q[2]; }

// Rows top..bottom - 1 of level L + 1 of a face, from level L of all six.
void ReduceFaceRows(PyramidDescriptor* face, int64_t L, int64_t top, int64_t bottom) {
    const VRect rows{int32_t(top), 0, int32_t(bottom), int32_t(face->width[L + 1])};
    if (face->highQuality) UpdateNextSmallerLevel_high_quality_core(face, L, rows);
    else UpdateNextSmallerLevel_core(face, L, rows);
}

// Level L + 1 of every face from the level L of all six.
void ReduceFacesToNextLevel(PyramidDescriptor* faces, int64_t L) {
    for (int64_t f = 0; f < kCubeFaceCount; ++f) ReduceFaceRows(faces + f, L, 0, faces[f].height[L + 1]);
}

// The same as one job of the task engine on all cores: the faces' rows of
// L + 1 in bands of kBandRows, band t of the job being band t % bands of
// face t / bands. A level too small to be worth a job is worked out here.
constexpr int64_t kBandRows = 32;
constexpr int64_t kSmallLevelPixels = 6 * 128 * 128;

void ReduceFaceBand(PerTaskStuffType* task) {
    PyramidDescriptor* faces = task->guidance.source;
    const int64_t L = task->guidance.level, bands = task->guidance.count;
    const int64_t t = task->tracker.whole_job_rect.top + task->tracker.current_tile_rect.top;
    PyramidDescriptor* face = faces + t / bands;
    const int64_t top = (t % bands) * kBandRows;
    ReduceFaceRows(face, L, top, std::min(top + kBandRows, face->height[L + 1]));
}

void ReduceFacesToNextLevelAsJob(PyramidDescriptor* faces, int64_t L) {
    if (kCubeFaceCount * faces->width[L + 1] * faces->height[L + 1] <= kSmallLevelPixels) {
        ReduceFacesToNextLevel(faces, L);
        return;
    }
    static const TileWork work = [] {
        TileWork w;
        w.work = ReduceFaceBand;
        return w;
    }();
    const int64_t bands = (faces->height[L + 1] + kBandRows - 1) / kBandRows;
    TaskGuidance guidance;
    initTaskGuidance(&guidance);
    guidance.source = faces;
    guidance.level = L;
    guidance.count = bands;
    guidance.jobRect = VRect{0, 0, int32_t(kCubeFaceCount * bands), 1};
    RunTiles(faces->highQuality ? kPurposeReduceLevelHighQuality : kPurposeReduceLevel, kPartitionRows, &guidance, work,
             nullptr);
}

std::mutex gCubeLevelsBuilding;

}  // namespace

// A pixel beyond face F's edge is the point of F's plane extended past the
// edge; the face that holds its direction (the largest component) shows that
// direction between four of its pixels. Exact up to beyond the face's
// corners: the grids of two faces do not line up across their edge, so the
// nearest pixel would be off by up to half a pixel along it.
PyrCubeTexel pyr_cube_face_across_edge(const PyramidDescriptor* face, int64_t L, int64_t x, int64_t y) {
    PyrCubeTexel t{face, x, y, 0.0f, 0.0f};
    pyr_clamp_to_level(face, L, t.x, t.y);
    const int64_t F = face->cubeFace;
    if (F < 0 || F >= kCubeFaceCount) return t;
    const double a = (2.0 * double(x) + 1.0) / double(face->width[L]) - 1.0;
    const double b = (2.0 * double(y) + 1.0) / double(face->height[L]) - 1.0;
    const Axes here = AxesOf(F, face->cubeMirror);
    double d[3];
    for (int k = 0; k < 3; ++k) d[k] = here.n[k] + a * here.a[k] + b * here.b[k];
    int64_t G = -1;
    double best = 0.0;
    for (int64_t f = 0; f < kCubeFaceCount; ++f) {
        const double h = d[0] * kCubeAxes[f][0][0] + d[1] * kCubeAxes[f][0][1] + d[2] * kCubeAxes[f][0][2];
        if (h > best) best = h, G = f;
    }
    if (G < 0) return t;
    const PyramidDescriptor* next = face->cubeFaces + G;
    if (!next->tiles || next->topLevel < L) return t;
    const Axes there = AxesOf(G, next->cubeMirror);
    // Pixel positions on G, pixel centres at whole numbers.
    const double X = (Dot(d, there.a) / best + 1.0) * 0.5 * double(next->width[L]) - 0.5;
    const double Y = (Dot(d, there.b) / best + 1.0) * 0.5 * double(next->height[L]) - 0.5;
    const double i = std::floor(X), j = std::floor(Y);
    return PyrCubeTexel{next, int64_t(i), int64_t(j), float(X - i), float(Y - j)};
}

void BuildPendingCubeLevels(const PyramidDescriptor* face) {
    if (!face || !face->cubeFaces) return;
    // The corpus's own records, which the faces point to as const.
    auto* faces = const_cast<PyramidDescriptor*>(face->cubeFaces);
    std::lock_guard<std::mutex> building(gCubeLevelsBuilding);
    if (!__atomic_load_n(&faces->cubeLevelsPending, __ATOMIC_ACQUIRE)) return;
    // Level by level, every face: the border pixels of a level come from the
    // neighbours' level below, already complete.
    for (int64_t L = 0; L < faces->topLevel; ++L) ReduceFacesToNextLevel(faces, L);
    __atomic_store_n(&faces->cubeLevelsPending, int64_t{0}, __ATOMIC_RELEASE);
}

void BuildCubeLevelsNow(Data* data) {
    if (!data || !NSThread_isMainThread()) return;
    PyramidDescriptor* faces = Face(data, 0);
    if (!faces->tiles || !__atomic_load_n(&faces->cubeLevelsPending, __ATOMIC_ACQUIRE)) return;
    const auto before = gTaskEngine.hostResult;
    for (int64_t L = 0; L < faces->topLevel; ++L) {
        ReduceFacesToNextLevelAsJob(faces, L);
        // A job that did not run (or was stopped) leaves the levels to the
        // first read that wants them, which builds them all again.
        if (before == 0 && gTaskEngine.hostResult != 0) return;
    }
    __atomic_store_n(&faces->cubeLevelsPending, int64_t{0}, __ATOMIC_RELEASE);
}

bool CubeCellsFitPicture(const CubeLayout& layout, int64_t width, int64_t height) {
    if (width < layout.columns || height < layout.rows) return true;
    const double cellW = double(width) / double(layout.columns), cellH = double(height) / double(layout.rows);
    return std::fabs(cellW - cellH) <= std::max(1.0, 0.01 * std::max(cellW, cellH));
}

std::string CubeShapeRefusal(const CubeLayout& layout, int64_t inputMode, int64_t width, int64_t height,
                             const std::string& picture) {
    if (CubeCellsFitPicture(layout, width, height)) return {};
    const std::string across = std::to_string(layout.columns), down = std::to_string(layout.rows);
    return "input mode " + std::to_string(inputMode) + " needs a picture of " + across + ":" + down + " (" + across +
           " square cube faces across, " + down + " down); " + picture + " is " + std::to_string(width) + " x " +
           std::to_string(height);
}

const CubeLayout* CubeLayoutOfTag(int64_t tag) {
    for (const CubeLayout& l : kLayouts)
        if (l.tag == tag) return &l;
    return nullptr;
}

int64_t CubeLayoutTagOfInputMode(int64_t inputMode) {
    switch (inputMode) {
        case 27: return kCubeTagHorizontalCross;
        case 28: return kCubeTagVerticalCross;
        case 33: return kCubeTagUnity6Frames;
        case 34: return kCubeTagFacebook3x2;
        case 35: return kCubeTagPano2VR3x2;
        default: return 0;
    }
}

int64_t AllocateCubeCorpus(Data* data, long width, long height, long tag) {
    if (!data) return 0;
    FreeCorpus(data);
    const PyramidDescriptor* input = &data->pyramids[kMainInputPyramid];
    for (int64_t f = 0; f < kCubeFaceCount; ++f) {
        PyramidDescriptor* face = Face(data, f);
        if (TryToAllocatePyramid_2006(face, width, height, input->kind, 0, 0) != 1) {
            FreeCorpus(data);
            return 0;
        }
        face->overhangMode = kOverhangClamp;
        face->highQuality = input->highQuality;
        if (gParams && gParams->hqpr) initGaussianPyrTable_gauss(&face->kernel);
        else initGaussianPyrTable_sinc(&face->kernel);
        face->cubeFaces = Face(data, 0);
        face->cubeFace = f;
        face->cubeMirror = FaceMirror(tag, f);
    }
    // The tag is written by the fill once every face is complete.
    return 1;
}

void FillCubeFace(PyramidDescriptor* face, const PyramidDescriptor* input, long x0, long y0) {
    if (!face || !face->tiles || !input || !input->tiles || face->kind != input->kind) return;
    const int64_t w = face->width[0], h = face->height[0], bpp = face->bytesPerPixel;
    if (x0 < 0 || y0 < 0 || x0 + w > input->width[0] || y0 + h > input->height[0]) return;
    // Row runs that stay inside one tile of both pyramids.
    for (int64_t j = 0; j < h; ++j)
        for (int64_t i = 0; i < w;) {
            const int64_t sx = x0 + i;
            int64_t n = w - i;
            if (n > kTileSide - (sx & (kTileSide - 1))) n = kTileSide - (sx & (kTileSide - 1));
            if (n > kTileSide - (i & (kTileSide - 1))) n = kTileSide - (i & (kTileSide - 1));
            std::memcpy(pyr_pixel_address(face, 0, i, j, bpp), pyr_pixel_address(input, 0, sx, y0 + j, bpp),
                        size_t(n * bpp));
            i += n;
        }
    face->mipmapState = 1;
    // A face of a corpus reads across its edges from its neighbours' levels:
    // the corpus builds the levels of all six together.
    if (face->edgeMode == -1 || face->cubeFaces) return;
    paint_mipmap_of_pyramid(face);
    face->mipmapState = 2;
}

int64_t FillCubeCorpus(Data* data, const CubeLayout& layout) {
    if (!data) return kCubeCutNoInput;
    const PyramidDescriptor* key = Face(data, kKeyFace);
    if (key->tiles && key->contentTag == layout.tag) return kCubeCutDone;
    const PyramidDescriptor* input = &data->pyramids[kMainInputPyramid];
    if (!input->tiles) return kCubeCutNoInput;
    // Cell (c, r) starts at (c W / columns, r H / rows) rounded down, so that
    // a picture whose side is not a multiple of its cells keeps every face
    // within a pixel of where it lies, the last as well as the first.
    const int64_t W = input->width[0], H = input->height[0];
    const int64_t n = W / layout.columns, m = H / layout.rows;
    if (n < 1 || m < 1) {
        FreeCorpus(data);
        return kCubeCutTooSmall;
    }
    if (!AllocateCubeCorpus(data, long(n), long(m), long(layout.tag))) return kCubeCutOutOfMemory;
    for (int64_t f = 0; f < kCubeFaceCount; ++f)
        FillCubeFace(Face(data, f), input, long(layout.cell[f][0] * W / layout.columns),
                     long(layout.cell[f][1] * H / layout.rows));
    // The smaller levels wait for a read that wants them.
    const bool levels = Face(data, 0)->edgeMode != -1 && Face(data, 0)->topLevel > 0;
    __atomic_store_n(&Face(data, 0)->cubeLevelsPending, int64_t(levels), __ATOMIC_RELEASE);
    for (int64_t f = 0; f < kCubeFaceCount; ++f) {
        Face(data, f)->mipmapState = Face(data, f)->edgeMode == -1 ? 1 : 2;
        Face(data, f)->contentTag = layout.tag;
    }
    return kCubeCutDone;
}
