// The cube corpus: a cube-map input (a cross, a strip of six frames or a
// 3 x 2 grid of square faces) cut into six face pyramids of Data before the
// tiles of a render start, each with its own smaller levels and kernel, so
// that sampling a face never bleeds across a face border or a layout's join.
// Face F is Data::pyramids[kFirstCubeFacePyramid + F]; the numbering by cube
// side is the input mapping's (SphereToCubeFaceCoords). The faces are plain
// block copies of the input: no face is turned or mirrored here. A face
// reads the pixels beyond its edges from the faces across them (the cube
// unfolded about each edge), at every level, so sampling by a face edge sees
// the picture continue rather than the edge pixels repeated.
//
// Main thread, before the tiles. The smaller levels are built, one level of
// all six faces after another, by the first read that wants one
// (pyr_want_smaller_levels): a render that reads level 0 alone never pays
// for them. A reduced preview, sure to read them, has them built before its
// tiles on all cores (BuildCubeLevelsNow).
#pragma once

#include <cstdint>
#include <string>

#include "pyramid/pyramid.h"

struct Data;

// Layout tags, kept in every face's contentTag; face 5's tag is the corpus's
// key.
enum : int64_t {
    kCubeTagHorizontalCross = 101,
    kCubeTagVerticalCross = 102,
    kCubeTagUnity6Frames = 103,
    kCubeTagNvidia6Frames = 104,
    kCubeTagFacebook3x2 = 105,
    kCubeTagPano2VR3x2 = 106,
};

// Results of the fills.
enum : int64_t {
    kCubeCutDone = 0,          // the corpus holds the layout (cut now or earlier)
    kCubeCutOutOfMemory = 1,   // a face could not be allocated: no face is kept
    kCubeCutTooSmall = 2,      // the input gives faces 0 pixels wide or high
    kCubeCutNoInput = 3,       // no input picture to cut
};

// One layout: the grid of cells and the cell (column, row) of each face.
struct CubeLayout {
    int64_t tag;
    int64_t columns, rows;
    int64_t cell[6][2];
};
// The layout of a tag; null for any other value.
const CubeLayout* CubeLayoutOfTag(int64_t tag);
// The layout tag an input mode is cut by (27, 28, 33, 34, 35); 0 for others.
int64_t CubeLayoutTagOfInputMode(int64_t inputMode);
// Whether a picture of width x height is of the layout's shape: its cells
// square within a pixel or a hundredth (true for a picture too small to cut,
// which the cut reports itself).
bool CubeCellsFitPicture(const CubeLayout& layout, int64_t width, int64_t height);
// The one line that refuses a picture of width x height, called `picture`,
// for input mode `inputMode` cut by `layout` ("input mode 27 needs a picture
// of 4:3 (4 square cube faces across, 3 down); in.png is 256 x 128"); empty
// when the picture is of the layout's shape. The host and the plug-in both
// refuse with it.
std::string CubeShapeRefusal(const CubeLayout& layout, int64_t inputMode, int64_t width, int64_t height,
                             const std::string& picture);

// Allocates all six faces (width x height, the input's kind, edge mode 0,
// overhang mode 3, the kernel the settings ask for), links them to each
// other for reading across their edges (the layout's turns), after freeing any old ones; 1 on success. When any face fails,
// all six are freed and 0 returned. The faces' tags stay 0 until a fill
// completes.
int64_t AllocateCubeCorpus(Data* data, long width, long height, long tag);
// Copies the face-sized block of the input's level 0 from (x0, y0) into the
// face's level 0 (same pixel kind: bytes as they are), then builds its
// smaller levels (task -1001 when the face is high quality, else -1000)
// unless its edge mode is -1; mipmapState 2. A face linked into a corpus gets
// level 0 only (mipmapState 1): its levels read its neighbours', so the
// corpus builds them for all six faces at once.
void FillCubeFace(PyramidDescriptor* face, const PyramidDescriptor* input, long x0, long y0);

// A whole corpus from Data's main input pyramid by the layout: the six blocks,
// then each level of all six faces in turn. Returns at once (kCubeCutDone)
// when face 5 already holds this layout; the key is written only once all six faces and their levels are done.
int64_t FillCubeCorpus(Data* data, const CubeLayout& layout);
// The faces' smaller levels built now, each level one job on all cores, for
// a render that is sure to read them (a reduced preview); nothing when they
// are built already. Main thread only. A job that fails or is stopped leaves
// them to the first read (the engine's result tells why).
void BuildCubeLevelsNow(Data* data);
