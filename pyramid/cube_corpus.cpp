#include "pyramid/cube_corpus.h"

#include <cstring>

#include "pyramid/kernels.h"
#include "pyramid/mipmap.h"
#include "pyramid/overhang.h"
#include "pyramid/pixels.h"
#include "engine/task_engine_globals.h"
#include "records/data.h"
#include "records/parameters.h"
#include "records/plugin_globals.h"

namespace {

// Cells (column, row) of faces 0 to 5; a cell (c, r) is the block whose
// top-left pixel is (c * faceWidth, r * faceHeight). Face 3 is the centre of
// both crosses, face 5 the cell above it and face 2 the cell below.
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

}  // namespace

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
    }
    (void)tag;  // written by the fill once every face is complete
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
    if (face->edgeMode == -1) return;
    paint_mipmap_of_pyramid(face);
    face->mipmapState = 2;
}

int64_t FillCubeCorpus(Data* data, const CubeLayout& layout) {
    if (!data) return kCubeCutNoInput;
    if (Face(data, kKeyFace)->tiles && Face(data, kKeyFace)->contentTag == layout.tag) return kCubeCutDone;
    const PyramidDescriptor* input = &data->pyramids[kMainInputPyramid];
    if (!input->tiles) return kCubeCutNoInput;
    const int64_t n = input->width[0] / layout.columns, m = input->height[0] / layout.rows;
    if (n < 1 || m < 1) {
        FreeCorpus(data);
        return kCubeCutTooSmall;
    }
    if (!AllocateCubeCorpus(data, long(n), long(m), long(layout.tag))) return kCubeCutOutOfMemory;
    for (int64_t f = 0; f < kCubeFaceCount; ++f)
        FillCubeFace(Face(data, f), input, long(layout.cell[f][0] * n), long(layout.cell[f][1] * m));
    // A level job that was stopped leaves faces without all their levels.
    if (gTaskEngine.hostResult != 0) {
        FreeCorpus(data);
        return kCubeCutAborted;
    }
    for (int64_t f = 0; f < kCubeFaceCount; ++f) Face(data, f)->contentTag = layout.tag;
    return kCubeCutDone;
}

int64_t Fill_horizontal_cubecross(Data* data) { return FillCubeCorpus(data, *CubeLayoutOfTag(kCubeTagHorizontalCross)); }
int64_t Fill_vertical_cubecross(Data* data) { return FillCubeCorpus(data, *CubeLayoutOfTag(kCubeTagVerticalCross)); }
int64_t Fill_Unity6Frames_cube(Data* data) { return FillCubeCorpus(data, *CubeLayoutOfTag(kCubeTagUnity6Frames)); }
int64_t Fill_Nvidia6Frames_cube(Data* data) { return FillCubeCorpus(data, *CubeLayoutOfTag(kCubeTagNvidia6Frames)); }
int64_t Fill_Facebook_3x2_cube(Data* data) { return FillCubeCorpus(data, *CubeLayoutOfTag(kCubeTagFacebook3x2)); }
int64_t Fill_Pano2VR_3x2_cube(Data* data) { return FillCubeCorpus(data, *CubeLayoutOfTag(kCubeTagPano2VR3x2)); }
