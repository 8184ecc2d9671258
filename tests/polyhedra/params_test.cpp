// What an output mode asks of the polyhedron model, checked against what the
// mode's name says of its solid: the face count of "tetrahedron" or "38
// faces", the base and frequency of "geodesic 6 | 3", the polygon and twist
// of "sphericon 8/1+", the class, base and pair of "Goldberg III oct (1,4)"
// and "quad II ico (2,2)"; a floret's solid is its basis's, a solid's
// single-fragment twin is the twin of its shape, a Truchet dual's companion
// is a non-dual of its own.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <map>
#include <string>

#include "poly_fixture.h"
#include "polyhedra/geodesic.h"
#include "polyhedra/goldberg.h"
#include "polyhedra/polyhedron_params.h"
#include "polyhedra/rollouts.h"
#include "records/output_modes.h"
#include "records/warpy_basis.h"

namespace {

int64_t Shape(int64_t mode) {
    polyhedron_params p;
    get_polyhedron_params_from_output_mode(mode, &p);
    return p.shapeCode;
}

// Faces of the solid the shape code builds (set-up mode 7, no net), in one
// record kept for the whole test program.
int64_t FacesOfShape(int64_t shape) {
    static PolyPtr p = MakePoly();
    if (!p) return -1;
    SetUpReallyGeneralPolyhedron(p.get(), shape, 7, 0, 0, nullptr, 1, 0.0f);
    return p->status == kPolyStatusGood ? p->faceCount3D : -1;
}

// The faces of a base the names call "tet", "cube", "oct", "ico".
const std::map<std::string, int64_t> kBaseFaces = {{"tet", 4}, {"cube", 6}, {"oct", 8}, {"ico", 20}};

// The standard curved-origami shapes and their single-fragment twins.
const std::map<int64_t, int64_t> kOrigamiTwins = {
    {171, 172}, {173, 174}, {175, 176}, {177, 178}, {179, 180}, {181, 182}, {183, 184}, {185, 186},
    {187, 188}, {189, 191}, {190, 192}, {193, 195}, {194, 196}};

// A mode named for its solid's faces builds a solid of that many faces.
TEST(PolyhedronParams, SolidsNamedForTheirFacesHaveThem) {
    const std::map<std::string, int64_t> named = {{"tetrahedron", 4},   {"cube", 6},         {"octahedron", 8},
                                                  {"dodecahedron", 12}, {"icosahedron", 20}, {"soccer ball", 32}};
    int checked = 0;
    for (const OutputModeRow& row : OutputModeRows()) {
        const std::string name = row.name;
        long long faces = -1;
        int end = 0;
        if (named.count(name)) faces = named.at(name);
        else if (std::sscanf(row.name, "%lld faces%n", &faces, &end) < 1 || end == 0) continue;
        if (row.refusal) continue;
        EXPECT_EQ(FacesOfShape(Shape(row.code)), faces) << row.code << " " << name;
        ++checked;
    }
    EXPECT_EQ(checked, 15);
}

// "geodesic F | N": the base solid of F faces cut at frequency N.
TEST(PolyhedronParams, GeodesicModesHaveTheBaseAndFrequencyOfTheirNames) {
    std::map<int64_t, int64_t> facesOfBase;
    for (int32_t m = kModeGeodesicFirst; m <= kModeGeodesicLast; ++m) {
        const OutputModeRow* row = FindOutputMode(m);
        ASSERT_NE(row, nullptr);
        long long faces = 0, frequency = 0;
        ASSERT_EQ(std::sscanf(row->name, "geodesic %lld | %lld", &faces, &frequency), 2) << row->name;
        int64_t base = 0, f = 0;
        ASSERT_TRUE(GeodesicOfShapecode(Shape(m), &base, &f)) << m;
        EXPECT_EQ(f, frequency) << row->name;
        if (!facesOfBase.count(base)) facesOfBase[base] = FacesOfShape(base);
        EXPECT_EQ(facesOfBase[base], faces) << row->name;
    }
}

// "sphericon n/k": the n-gon twisted by k steps; "+" stands it on a vertex,
// "/H" twists it half a step more.
TEST(PolyhedronParams, SphericonModesHaveThePolygonAndTwistOfTheirNames) {
    for (int32_t m = kModeSphericonFirst; m <= kModeSphericonLast; ++m) {
        const std::string name = FindOutputMode(m)->name;
        long long n = 0, k = 0;
        ASSERT_EQ(std::sscanf(name.c_str(), "sphericon %lld/%lld", &n, &k), 2) << name;
        const bool plus = name.back() == '+', half = name.size() > 2 && name.substr(name.size() - 2) == "/H";
        RolloutForm form;
        ASSERT_TRUE(RolloutOfShapecode(Shape(m), &form)) << name;
        EXPECT_EQ(form.n, n) << name;
        EXPECT_EQ(form.k, k) << name;
        EXPECT_EQ(form.vertexUp != 0, plus) << name;
        EXPECT_EQ(form.halfStep != 0, half) << name;
    }
}

// "Goldberg II oct (3,3)", "quad III cube (1,4)": the family and class, the
// symmetry of the base, and the pair.
TEST(PolyhedronParams, GoldbergAndQuadModesHaveTheClassBaseAndPairOfTheirNames) {
    const std::map<std::string, int32_t> families = {{"Goldberg I", kGoldbergClass1}, {"Goldberg II", kGoldbergClass2},
                                                     {"Goldberg III", kGoldbergClass3}, {"quad I", kQuadClass1},
                                                     {"quad II", kQuadClass2},         {"quad III", kQuadClass3}};
    std::map<int64_t, int64_t> facesOfSymmetry;
    for (int32_t m = kModeGoldbergFirst; m <= kModeQuadLast; ++m) {
        const std::string name = FindOutputMode(m)->name;
        char kind[16], roman[8], base[8];
        long long a = 0, b = 0;
        ASSERT_EQ(std::sscanf(name.c_str(), "%15s %7s %7s (%lld,%lld)", kind, roman, base, &a, &b), 5) << name;
        GoldbergForm form;
        ASSERT_TRUE(GoldbergFormOfShapecode(Shape(m), &form)) << name;
        EXPECT_EQ(form.family, families.at(std::string(kind) + " " + roman)) << name;
        EXPECT_EQ(form.m, a) << name;
        EXPECT_EQ(form.n, b) << name;
        if (!facesOfSymmetry.count(form.symmetry)) facesOfSymmetry[form.symmetry] = FacesOfShape(form.symmetry);
        EXPECT_EQ(facesOfSymmetry[form.symmetry], kBaseFaces.at(base)) << name;
    }
}

// A mode the table sends down a solid's road has a shape, every other mode
// none; a floret on a solid has its basis's shape, and the codes outside the
// table have a shape only when they are such a floret or the single-fragment
// form of a menu mode's solid.
TEST(PolyhedronParams, ShapesFollowTheRoadsAndTheFloretBases) {
    for (int64_t m = -2; m <= 4100; ++m) {
        const OutputModeRow* row = FindOutputMode(m);
        WarpyBasis basis;
        GetBasisOfWarpyPolyprojection(m, &basis);
        if (row) {
            const bool solid = row->road == ModeRoad::kNet || row->road == ModeRoad::kFloretOnNet;
            EXPECT_EQ(IsPolyhedron(m), solid) << m << " " << row->name;
        }
        if (IsFloretWithPolyhedronBasis(m)) {
            // The basis's solid, or (for a mode with a row of its own) its Truchet dual.
            EXPECT_TRUE(Shape(m) == basis.basisShape || Companion_of_Truchet_dual(Shape(m)) == basis.basisShape) << m;
        } else if (!row && Shape(m) != -1) {
            // Not in the menus: the single-fragment form of a menu mode's solid.
            bool twin = false;
            for (const OutputModeRow& r : OutputModeRows())
                twin |= IsPolyhedron(r.code) && kOrigamiTwins.count(Shape(r.code)) &&
                    kOrigamiTwins.at(Shape(r.code)) == Shape(m);
            EXPECT_TRUE(twin) << m;
            EXPECT_TRUE(ShapecodeIsACurvedOrigamiMonofrag(Shape(m))) << m;
        }
        // A solid exported as 3D geometry is a solid of its own, not a floret's basis.
        if (IsExportablePolyhedron(m)) {
            EXPECT_TRUE(IsPolyhedron(m)) << m;
            EXPECT_FALSE(IsFloretWithPolyhedronBasis(m)) << m;
        }
    }
}

// A curved-origami mode's single-fragment twin is the mode whose shape is
// the twin of its shape; where the menus offer the twin, under the same name.
// Every mode of a standard curved-origami solid has its twin, and every twin
// mode is some mode's (the boxes B, 260 and 262, once had none: 4039 and
// 4041 were reached by nothing).
TEST(PolyhedronParams, SingleFragmentTwinsAgreeByModeAndByShape) {
    int twins = 0;
    std::set<int64_t> reached;
    for (const OutputModeRow& row : OutputModeRows()) {
        const int64_t twin = MonofragVersion_of_projection(row.code);
        if (kOrigamiTwins.count(Shape(row.code))) {
            EXPECT_NE(twin, row.code) << row.code;
        }
        reached.insert(twin);
        if (twin == row.code) continue;
        ++twins;
        const int64_t shape = Shape(row.code);
        ASSERT_TRUE(kOrigamiTwins.count(shape)) << row.code;
        EXPECT_EQ(Shape(twin), kOrigamiTwins.at(shape)) << row.code;
        EXPECT_TRUE(ShapecodeIsACurvedOrigamiMonofrag(Shape(twin))) << row.code;
        if (const OutputModeRow* t = FindOutputMode(twin)) {
            EXPECT_STREQ(t->name, row.name) << row.code;
        }
    }
    EXPECT_GT(twins, 0);
    for (int64_t m = 4035; m <= 4043; ++m) EXPECT_TRUE(reached.count(m)) << m;
    // Every standard curved-origami code has a single-fragment twin.
    for (const auto& [standard, twin] : kOrigamiTwins) {
        EXPECT_FALSE(ShapecodeIsACurvedOrigamiMonofrag(standard)) << standard;
        EXPECT_TRUE(ShapecodeIsACurvedOrigamiMonofrag(twin)) << standard;
    }
}

// A Truchet dual's companion is a non-dual Truchet solid of its own.
TEST(PolyhedronParams, TruchetDualsHaveNonDualCompanionsOfTheirOwn) {
    std::set<int64_t> companions;
    for (int64_t c = 0; c <= 440; ++c) {
        const int64_t companion = Companion_of_Truchet_dual(c);
        if (!ShapecodeIsATruchetDual(c)) {
            EXPECT_EQ(companion, c) << c;
            continue;
        }
        EXPECT_FALSE(ShapecodeIsATruchetDual(companion)) << c;
        EXPECT_TRUE((companion >= 197 && companion <= 216) || (companion >= 237 && companion <= 270)) << c;
        EXPECT_TRUE(companions.insert(companion).second) << c;
    }
}

TEST(PolyhedronParams, EdgeCases) {
    EXPECT_EQ(Shape(kModeEquirectangular), -1);
    EXPECT_FALSE(IsPolyhedron(kModeEquirectangular));
    // The hyperbolic disc has a shape though the base layer gives it none.
    EXPECT_EQ(Shape(kModeHyperbolic3_9Disc), 41);
    // The caller's two integers replace the row's.
    polyhedron_params p;
    get_polyhedron_params_from_output_mode(kModeGoldbergFirst, &p);
    EXPECT_EQ(p.shapeCode, 313);
    EXPECT_EQ(p.kind, 2);
    EXPECT_EQ(Companion_of_Truchet_dual(300), 266);
    EXPECT_EQ(Companion_of_Truchet_dual(250), 250);
}

}  // namespace
