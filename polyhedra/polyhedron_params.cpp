#include "polyhedra/polyhedron_params.h"

#include "polyhedra/poly_storage.h"
#include "records/warpy_basis.h"

namespace {

// A run of output modes: the first maps to `shape`, each following mode to
// the next shape code.
struct ModeRow {
    int32_t firstMode, lastMode;
    int32_t shape;
    int32_t setupMode, secondParameter;
    float floatParameter;
    int32_t kind;
};

constexpr ModeRow kModeRows[] = {
    {6, 6, 16, 0, 0, 0.0f, 0},
    {7, 8, 18, 0, 0, 0.0f, 0},
    {9, 9, 9, 0, 0, 0.0f, 0},
    {10, 10, 23, 0, 0, 0.0f, 0},
    {21, 21, 28, 0, 0, 0.0f, 1},
    {25, 25, 7, 0, 0, 0.0f, 0},
    {26, 26, 0, 0, 0, 0.0f, 0},
    {27, 27, 12, 0, 0, 0.0f, 0},
    {28, 28, 1, 0, 0, 0.0f, 0},
    {29, 29, 8, 0, 0, 0.0f, 0},
    {30, 34, 2, 0, 0, 0.0f, 0},
    {41, 42, 10, 0, 0, 0.0f, 1},
    {44, 44, 13, 0, 0, 0.0f, 0},
    {47, 47, 17, 0, 0, 0.0f, 0},
    {54, 55, 20, 0, 0, 0.0f, 0},
    {64, 64, 24, 5, 0, 0.0f, 1},
    {70, 70, 25, 2, 0, 3.092724f, 1},
    {71, 71, 26, 2, 0, 4.194026f, 1},
    {72, 72, 27, 2, 0, 5.078908f, 1},
    {86, 86, 29, 0, 0, 0.0f, 1},
    {97, 98, 30, 0, 0, 0.0f, 1},
    {100, 105, 34, 0, 0, 0.0f, 1},
    {106, 107, 41, 0, 0, 0.0f, 1},
    {113, 116, 43, 0, 0, 0.0f, 1},
    {117, 117, 60, 0, 0, 0.0f, 1},
    {122, 126, 55, 0, 0, 0.0f, 1},
    {127, 127, 49, 0, 0, 0.0f, 1},
    {129, 129, 50, 0, 0, 0.0f, 1},
    {137, 137, 61, 0, 0, 0.0f, 1},
    {144, 144, 62, 0, 0, 0.0f, 1},
    {150, 150, 63, 0, 0, 0.0f, 1},
    {167, 167, 76, 0, 0, 0.0f, 1},
    {168, 168, 77, 0, 0, 0.0f, 0},
    {169, 169, 78, 2, 0, 0.349066f, 1},
    {170, 170, 79, 2, 0, 0.139626f, 1},
    {172, 172, 18, 6, 0, 0.0f, 1},
    {173, 173, 80, 6, 0, 0.0f, 1},
    {174, 174, 81, 0, 0, 0.392699f, 2},
    {175, 175, 85, 2, 0, -0.03927f, 1},
    {176, 176, 86, 2, 0, 5.40354f, 1},
    {177, 177, 89, 0, 0, 0.958186f, 2},
    {178, 178, 90, 0, 0, 1.350885f, 2},
    {179, 179, 91, 0, 0, 1.193805f, 2},
    {180, 180, 92, 0, 0, 1.790708f, 2},
    {181, 181, 93, 0, 0, 2.670354f, 2},
    {182, 182, 94, 0, 0, 0.298451f, 2},
    {183, 183, 95, 0, 0, 1.350885f, 2},
    {184, 184, 96, 0, 0, 2.403318f, 2},
    {185, 185, 97, 0, 0, 2.38761f, 2},
    {186, 186, 98, 0, 0, 1.822124f, 2},
    {187, 187, 99, 0, 0, 1.743584f, 2},
    {188, 188, 100, 0, 0, 1.712168f, 2},
    {189, 189, 101, 0, 0, 1.680752f, 2},
    {190, 190, 102, 0, 0, 2.120575f, 2},
    {191, 191, 103, 0, 0, 2.38761f, 2},
    {192, 192, 104, 0, 0, 2.371902f, 2},
    {193, 193, 105, 0, 0, 2.293363f, 2},
    {194, 194, 106, 0, 0, 0.0f, 2},
    {195, 195, 107, 0, 0, 1.555088f, 2},
    {196, 196, 108, 0, 0, 1.869248f, 2},
    {197, 197, 109, 0, 0, 1.743584f, 2},
    {198, 198, 110, 0, 0, 2.010619f, 2},
    {199, 199, 111, 2, 0, 2.513274f, 1},
    {200, 200, 112, 2, 0, 4.712389f, 1},
    {201, 201, 113, 2, 0, 5.340708f, 1},
    {202, 202, 115, 2, 0, 0.0f, 1},
    {203, 203, 145, 2, 0, 1.518439f, 1},
    {204, 204, 114, 2, 0, 1.570796f, 1},
    {205, 205, 116, 2, 0, 1.0472f, 1},
    {206, 206, 117, 2, 0, 0.471239f, 1},
    {207, 207, 118, 2, 0, 0.994836f, 1},
    {208, 208, 119, 2, 0, 1.738348f, 1},
    {209, 209, 120, 2, 0, 0.0f, 1},
    {210, 210, 122, 2, 0, 4.017582f, 1},
    {211, 211, 146, 2, 0, 1.361353f, 1},
    {212, 212, 121, 2, 0, 4.712389f, 1},
    {213, 213, 123, 2, 0, 1.151915f, 1},
    {214, 214, 147, 2, 0, 1.570796f, 1},
    {215, 215, 124, 2, 0, 0.452389f, 1},
    {216, 216, 125, 2, 0, 1.151917f, 1},
    {217, 217, 126, 2, 0, 1.466077f, 1},
    {218, 218, 127, 2, 0, 1.780236f, 1},
    {219, 219, 128, 2, 0, 3.874631f, 1},
    {220, 220, 131, 2, 0, 0.0f, 1},
    {221, 221, 148, 2, 0, 4.502949f, 1},
    {222, 222, 129, 2, 0, 1.570796f, 1},
    {223, 223, 132, 2, 0, 1.099557f, 1},
    {224, 224, 149, 2, 0, 4.50295f, 1},
    {225, 225, 130, 2, 0, 1.570796f, 1},
    {226, 226, 133, 2, 0, 0.005862f, 1},
    {227, 227, 134, 2, 0, 0.55292f, 1},
    {228, 228, 135, 2, 0, 1.151917f, 1},
    {229, 229, 136, 2, 0, 1.530654f, 1},
    {230, 230, 137, 2, 0, 1.570796f, 1},
    {231, 231, 138, 2, 0, 4.921828f, 1},
    {232, 232, 139, 2, 0, 0.0f, 1},
    {233, 233, 142, 2, 0, 0.628319f, 1},
    {234, 234, 150, 2, 0, 4.502908f, 1},
    {235, 235, 140, 2, 0, 1.570796f, 1},
    {236, 236, 143, 2, 0, 1.151915f, 1},
    {237, 237, 151, 2, 0, 1.727876f, 1},
    {238, 238, 141, 2, 0, 1.570796f, 1},
    {239, 239, 144, 2, 0, 1.361353f, 1},
    {240, 240, 152, 2, 0, 0.785398f, 1},
    {241, 241, 153, 2, 0, 0.575954f, 1},
    {242, 242, 154, 2, 0, 1.106846f, 1},
    {243, 243, 155, 2, 0, 1.518436f, 1},
    {244, 244, 156, 2, 0, 1.884956f, 1},
    {245, 245, 157, 2, 0, 1.727876f, 1},
    {246, 246, 158, 2, 0, 1.780236f, 1},
    {248, 248, 160, 6, 0, 0.0f, 1},
    {249, 250, 162, 6, 0, 0.0f, 1},
    {253, 253, 161, 6, 0, -2.399828f, 1},
    {254, 254, 164, 6, 0, -2.687807f, 1},
    {256, 256, 171, 2, 0, 0.0f, 1},
    {257, 257, 179, 2, 0, 0.0f, 1},
    {258, 258, 175, 2, 0, 0.0f, 1},
    {259, 260, 189, 2, 0, 0.0f, 1},
    {261, 262, 193, 2, 0, 0.0f, 1},
    {263, 263, 165, 6, 0, -0.148353f, 1},
    {264, 264, 167, 6, 0, -0.523599f, 1},
    {265, 265, 168, 6, 0, -0.352557f, 1},
    {266, 266, 169, 6, 0, 0.628319f, 1},
    {267, 267, 170, 6, 0, -1.944297f, 1},
    {268, 287, 217, 6, 0, 0.0f, 1},
    {289, 289, 181, 2, 0, 0.0f, 1},
    {290, 290, 185, 2, 0, 0.0f, 1},
    {291, 291, 187, 2, 0, 0.0f, 1},
    {292, 293, 82, 1, 0, 0.0f, 1},
    {294, 294, 177, 2, 0, 0.0f, 1},
    {295, 295, 183, 2, 0, 0.0f, 1},
    {296, 296, 173, 2, 0, 0.0f, 1},
    {304, 336, 271, 6, 0, 0.0f, 1},
    {368, 368, 42, 0, 0, 0.0f, 1},
    {370, 370, 34, 0, 0, 0.0f, 1},
    {371, 371, 41, 0, 0, 0.0f, 1},
    {372, 372, 41, 0, 0, 0.0f, 1},
    {373, 373, 41, 0, 0, 0.0f, 1},
    {374, 374, 41, 0, 0, 0.0f, 1},
    {379, 379, 33, 0, 0, 0.0f, 1},
    {380, 380, 33, 0, 0, 0.0f, 1},
    {381, 381, 33, 0, 0, 0.0f, 1},
    {382, 382, 33, 0, 0, 0.0f, 1},
    {392, 392, 166, 6, 0, -0.148353f, 1},
    {393, 393, 304, 6, 0, 0.0f, 1},
    {402, 402, 74, 0, 0, 0.0f, 0},
    {403, 404, 305, 1, 0, 0.0f, 1},
    {405, 408, 308, 1, 0, 0.0f, 1},
    {418, 418, 40, 0, 0, 0.0f, 1},
    {419, 419, 312, 0, 0, 0.0f, 1},
    {420, 545, 313, 0, 0, 0.0f, 2},
    {800, 800, 66, 0, 0, 0.0f, 1},
    {1043, 1043, 52, 2, 0, 3.092724f, 1},
    {1046, 1046, 22, 0, 0, 0.0f, 0},
    {1047, 1047, 182, 2, 0, 0.0f, 1},
    {1048, 1048, 186, 2, 0, 0.0f, 1},
    {1049, 1049, 188, 2, 0, 0.0f, 1},
    {1050, 1050, 184, 2, 0, 0.0f, 1},
    {4035, 4035, 172, 2, 0, 0.0f, 1},
    {4036, 4036, 176, 2, 0, 0.0f, 1},
    {4037, 4037, 180, 2, 0, 0.0f, 1},
    {4038, 4039, 191, 2, 0, 0.0f, 1},
    {4040, 4041, 195, 2, 0, 0.0f, 1},
    {4042, 4042, 178, 2, 0, 0.0f, 1},
    {4043, 4043, 174, 2, 0, 0.0f, 1},
};

const ModeRow* FindRow(int64_t mode) {
    for (const ModeRow& r : kModeRows)
        if (mode >= r.firstMode && mode <= r.lastMode) return &r;
    return nullptr;
}

bool In(int64_t v, int64_t a, int64_t b) { return v >= a && v <= b; }

// Rows that stand whatever a floret basis says: the overrides and the final
// layer of the table.
bool RowOverridesFloret(int64_t m) {
    return m == 64 || m == 106 || m == 107 || In(m, 122, 126) || m == 368 || m == 370 || m == 418 ||
           In(m, 371, 374) || In(m, 379, 382) || In(m, 70, 296) || In(m, 4035, 4043) || In(m, 1047, 1050) ||
           In(m, 195, 545) || m == 1043;
}

}  // namespace

void get_polyhedron_params_from_output_mode(int64_t mode, polyhedron_params* params) {
    if (!params) return;
    *params = polyhedron_params{-1, 0, 0, 0.0f, 0};
    const ModeRow* row = FindRow(mode);
    if (row && RowOverridesFloret(mode)) {
        *params = polyhedron_params{row->shape + (mode - row->firstMode), row->setupMode, row->secondParameter,
                                    row->floatParameter, row->kind};
        return;
    }
    WarpyBasis basis;
    GetBasisOfWarpyPolyprojection(mode, &basis);
    if (basis.basisShape != -1) {
        *params = polyhedron_params{basis.basisShape, basis.basisShapeParameter, 0, 0.0f, 1};
        return;
    }
    if (row)
        *params = polyhedron_params{row->shape + (mode - row->firstMode), row->setupMode, row->secondParameter,
                                    row->floatParameter, row->kind};
}

bool IsPolyhedron(int64_t mode) {
    polyhedron_params params;
    get_polyhedron_params_from_output_mode(mode, &params);
    return params.shapeCode != -1;
}

bool IsExportablePolyhedron(int64_t m) {
    // Flat tilings, florets and maps drawn through a solid that has no
    // sensible 3D form of its own.
    if (m == 21 || m == 41 || m == 42 || m == 64 || m == 86 || m == 97 || m == 98 || In(m, 100, 107) ||
        In(m, 113, 117) || In(m, 122, 129) || m == 137 || m == 144 || m == 150 || m == 167 || m == 168 ||
        m == 351 || m == 352 || In(m, 368, 382) || m == 418 || m == 419)
        return false;
    if (IsFloretWithPolyhedronBasis(m)) return false;
    return IsPolyhedron(m);
}

bool obey_flopping_for_shapecode(int64_t code) { return code > 402; }

bool ShapecodeIsARind(int64_t c) { return In(c, 25, 27); }
bool ShapecodeIsAGeodesic(int64_t c) { return In(c, 89, 110); }
bool ShapecodeIsARollout(int64_t c) { return In(c, 111, 158); }
bool ShapecodeIsATruchetNonDual(int64_t c) { return In(c, 197, 216) || In(c, 237, 270); }
bool ShapecodeIsAVoronoi(int64_t c) { return In(c, 160, 170) || ShapecodeIsATruchetNonDual(c); }
bool ShapecodeIsATruchetDual(int64_t c) { return In(c, 217, 236) || In(c, 271, 304); }
bool ShapecodeIsADual(int64_t c) { return ShapecodeIsATruchetDual(c); }
bool ShapecodeIsAGoldbergClass1(int64_t c) { return In(c, 313, 336); }
bool ShapecodeIsAGoldbergClass2(int64_t c) { return In(c, 337, 360); }
bool ShapecodeIsAGoldbergClass3(int64_t c) { return In(c, 361, 390); }
bool ShapecodeIsAGoldberg(int64_t c) { return In(c, 313, 390); }
bool ShapecodeIsAQuadClass1(int64_t c) { return In(c, 391, 405); }
bool ShapecodeIsAQuadClass2(int64_t c) { return In(c, 406, 420); }
bool ShapecodeIsAQuadClass3(int64_t c) { return In(c, 421, 438); }
bool ShapecodeIsAQuadClass2_or_3(int64_t c) { return In(c, 406, 438); }
bool ShapecodeIsAQuad(int64_t c) { return In(c, 391, 438); }

bool ShapecodeIsABendy(int64_t c) {
    return c == 32 || In(c, 51, 54) || c == 64 || c == 65 || In(c, 67, 73) || c == 75 || c == 159 || c == 166 ||
           c == 270 || c == 304;
}

bool ShapecodeNeedsLegacyPointCollider(int64_t c) {
    return c == 25 || c == 27 || c == 51 || c == 53 || c == 78 || c == 79 || c == 159 || c == 161 ||
           In(c, 179, 184) || c == 190 || In(c, 192, 196);
}

bool ShapecodeNeedsLegacy2DCollider(int64_t) { return false; }

bool ShapecodeIsACurvedOrigamiStandard(int64_t c) {
    return (In(c, 171, 187) && c % 2 == 1) || c == 189 || c == 190 || c == 193 || c == 194;
}

bool ShapecodeIsACurvedOrigamiMonofrag(int64_t c) {
    return (In(c, 172, 188) && c % 2 == 0) || c == 191 || c == 192 || c == 195 || c == 196;
}

bool PolyhedronIsBuiltOnTheFly(int64_t c) {
    return In(c, 25, 27) || In(c, 51, 53) || c == 78 || c == 79 || In(c, 81, 87) || In(c, 89, 311) ||
           In(c, 313, 440);
}

int64_t Companion_of_Truchet_dual(int64_t c) {
    if (In(c, 217, 236)) return c - 20;
    if (In(c, 271, 304)) return c - 34;
    return c;
}

int64_t TruchetCodeFromShapecode(int64_t c) {
    static constexpr int16_t kPatterns[20] = {560,  1514, 2756, 3841, 3,    3938, 454,  3552, 2756, 3938,
                                              1312, 548,  817,  976,  1315, 3664, 3795, 3978, 4074, 48};
    if (In(c, 197, 216)) return kPatterns[c - 197];
    if (In(c, 217, 236)) return kPatterns[c - 217];
    return 0;
}

int64_t MonofragVersion_of_shapecode(int64_t c) {
    if (In(c, 171, 187) && c % 2 == 1) return c + 1;
    switch (c) {
        case 189: return 191;
        case 190: return 192;
        case 193: return 195;
        case 194: return 196;
        default: return c;
    }
}

int64_t MonofragVersion_of_projection(int64_t m) {
    switch (m) {
        case 256: return 4035;
        case 257: return 4037;
        case 258: return 4036;
        case 259: return 4038;
        case 260: return 4039;
        case 261: return 4040;
        case 262: return 4041;
        case 289: return 1047;
        case 290: return 1048;
        case 291: return 1049;
        case 294: return 4042;
        case 295: return 1050;
        case 296: return 4043;
        default: return m;
    }
}

namespace {
int64_t ShapeOf(int64_t mode) {
    polyhedron_params params;
    get_polyhedron_params_from_output_mode(mode, &params);
    return params.shapeCode;
}
}  // namespace

bool OutputModeIsAGoldberg(int64_t m) { return In(m, 422, 497); }
bool OutputModeIsAQuadClass1(int64_t m) { return In(m, 498, 512); }
bool OutputModeIsAQuadClass2_or_3(int64_t m) { return In(m, 513, 545); }
bool OutputModeIsAQuad(int64_t m) { return In(m, 498, 545); }
bool OutputModeIsAGeodesic(int64_t m) { return In(m, 177, 198) || In(m, 422, 497); }
bool OutputModeIsARollout(int64_t m) { return ShapecodeIsARollout(ShapeOf(m)); }
bool OutputModeIsAVoronoi(int64_t m) { return ShapecodeIsAVoronoi(ShapeOf(m)); }
bool OutputModeIsATruchetDual(int64_t m) { return ShapecodeIsATruchetDual(ShapeOf(m)); }
