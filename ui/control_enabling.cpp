#include "ui/control_enabling.h"

#include <algorithm>
#include <initializer_list>

#include "polyhedra/polyhedron_params.h"
#include "records/warpy_basis.h"
#include "records/data.h"
#include "records/parameters.h"
#include "records/plugin_globals.h"
#include "records/work_area.h"

namespace {

bool In(int64_t m, int64_t first, int64_t last) { return m >= first && m <= last; }

bool OneOf(int64_t m, std::initializer_list<int64_t> set) {
    return std::find(set.begin(), set.end(), m) != set.end();
}

// The shape allows a plain net.
bool AllowsPlainNet(int64_t sc) { return !In(sc, 111, 158) && !In(sc, 160, 170) && !In(sc, 197, 304); }

bool ExportableNetOrFaceFamily(int64_t m, bool exportable) {
    if (In(m, 177, 198) || In(m, 422, 545)) return true;
    return (exportable || m == 77) &&
           !OneOf(m, {70, 71, 72, 175, 176, 256, 257, 258, 259, 260, 261, 262, 289, 290, 291, 294, 295, 296, 1047,
                      1048, 1049, 1050}) &&
           !In(m, 4035, 4043);
}

bool CurvedFamily(int64_t m) { return OneOf(m, {159, 160, 172, 173}); }

// View projections: plain membership.
bool ViewProjection(int64_t m) {
    return OneOf(m, {369, 88, 85, 38, 82, 73, 74, 14, 15, 16, 18, 52, 56, 57, 58, 59, 60, 63, 64, 65, 66, 67, 68,
                     135, 136, 255, 297, 298, 368, 370, 100335}) &&
           (m == 369 || !OneOf(m, {89, 94, 417, 418}));
}

// Plain single-piece modes.
bool PlainSinglePiece(int64_t m, int64_t sc) {
    return !In(m, 177, 198) && !In(m, 422, 545) &&
           !OneOf(m, {257, 4037, 4038, 4039, 4040, 4041, 260, 261, 262, 258, 259, 291, 294, 1049, 4036, 4042, 176,
                      256, 296, 4035, 4043, 289, 290, 295, 1047, 1048, 1050, 77, 72, 175, 70, 71, 137, 91, 90, 410,
                      99}) &&
           AllowsPlainNet(sc) && ViewProjection(m);
}

}  // namespace

HiliteInputs HiliteInputsForMode(int64_t m) {
    polyhedron_params pp{};
    get_polyhedron_params_from_output_mode(m, &pp);
    WarpyBasis basis{};
    GetBasisOfWarpyPolyprojection(m, &basis);
    return HiliteInputs{m, pp.shapeCode, basis.kind != 0 ? basis.basisShape : -1, IsExportablePolyhedron(m)};
}

void HiliteLogic_core(int64_t* table, const HiliteInputs& in) {
    if (!table) return;
    const int64_t m = in.outputMode, sc = in.shapeCode, wb = in.warpyBasis;
    const bool s = AllowsPlainNet(sc);
    const bool k = CurvedFamily(m);
    const bool tabs = wb == -1 && (OneOf(m, {402, 168}) ||
                                   (!In(m, 337, 339) && !k &&
                                    (OneOf(m, {300, 301}) ||
                                     (m != 288 && s && ExportableNetOrFaceFamily(m, in.exportable)))));
    const bool fov = m != 396 && (OneOf(m, {394, 395}) || In(m, 75, 79) || In(m, 347, 350) || m == 686 ||
                                  (m != 402 && wb == -1 && !OneOf(m, {168, 337, 338, 339}) && !k &&
                                   (m == 288 || OneOf(m, {300, 301}) || PlainSinglePiece(m, sc))));
    table[kItemTabsA] = table[kItemTabs] = table[kItemTabsB] = tabs;
    table[kItemFieldOfViewA] = table[kItemFieldOfView] = table[kItemFieldOfViewB] = fov;
    table[kItemGlueA] = table[kItemGlueB] = table[kItemGlueC] = 1;
    table[kItemExportFaces] = in.exportable;
    table[kItemPolyhedronA] = table[kItemPolyhedronB] = sc != -1;
}

void HiliteLogic(int64_t outputMode) {
    if (!gData || !gData->storage) return;
    HiliteLogic_core(gData->storage->controlEnabling, HiliteInputsForMode(outputMode));
}
