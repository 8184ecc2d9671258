// The output-mode table against a second transcription of it, and the ranged
// output-mode predicates against the shape-code predicates.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>

#include "polyhedra/polyhedron_params.h"
#include "records/warpy_basis.h"

namespace {

TEST(PolyhedronParams, TableMatchesTheTranscription) {
    std::ifstream in(std::string(VORNESK_TEST_DATA) + "/polyhedron_modes.txt");
    ASSERT_TRUE(in.good());
    std::map<int64_t, polyhedron_params> expected;
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream s(line);
        int64_t mode;
        polyhedron_params p;
        s >> mode >> p.shapeCode >> p.setupMode >> p.secondParameter >> p.floatParameter >> p.kind;
        expected[mode] = p;
    }
    EXPECT_EQ(expected.size(), 372u);
    for (int64_t mode = -2; mode <= 4100; ++mode) {
        polyhedron_params got;
        get_polyhedron_params_from_output_mode(mode, &got);
        auto it = expected.find(mode);
        if (it == expected.end()) {
            // Outside the table only florets on a polyhedral basis have a shape: their basis's.
            WarpyBasis basis;
            GetBasisOfWarpyPolyprojection(mode, &basis);
            EXPECT_EQ(got.shapeCode, basis.basisShape) << mode;
            EXPECT_EQ(IsPolyhedron(mode), basis.basisShape != -1) << mode;
            if (basis.basisShape != -1) EXPECT_EQ(got.setupMode, basis.basisShapeParameter) << mode;
            continue;
        }
        EXPECT_EQ(got.shapeCode, it->second.shapeCode) << mode;
        EXPECT_EQ(got.setupMode, it->second.setupMode) << mode;
        EXPECT_EQ(got.secondParameter, it->second.secondParameter) << mode;
        EXPECT_FLOAT_EQ(got.floatParameter, it->second.floatParameter) << mode;
        EXPECT_EQ(got.kind, it->second.kind) << mode;
    }
}

int64_t Shape(int64_t mode) {
    polyhedron_params p;
    get_polyhedron_params_from_output_mode(mode, &p);
    return p.shapeCode;
}

TEST(PolyhedronParams, RangedPredicatesAgreeWithShapePredicates) {
    for (int64_t m = 1; m <= 1050; ++m) {
        const int64_t s = Shape(m);
        if (m == 420 || m == 421) {
            // The Goldberg tetrahedra of order 1 and 2: shape predicates say
            // Goldberg, the mode range starts at 422.
            EXPECT_TRUE(ShapecodeIsAGoldberg(s));
            EXPECT_FALSE(OutputModeIsAGoldberg(m));
            continue;
        }
        EXPECT_EQ(OutputModeIsAGoldberg(m), ShapecodeIsAGoldberg(s)) << m;
        EXPECT_EQ(OutputModeIsAQuadClass1(m), ShapecodeIsAQuadClass1(s)) << m;
        EXPECT_EQ(OutputModeIsAQuadClass2_or_3(m), ShapecodeIsAQuadClass2_or_3(s)) << m;
        EXPECT_EQ(OutputModeIsAQuad(m), ShapecodeIsAQuad(s)) << m;
    }
}

TEST(PolyhedronParams, EdgeCases) {
    EXPECT_EQ(Shape(1), -1);
    EXPECT_EQ(Shape(371), 41);
    EXPECT_EQ(Shape(393), 304);
    polyhedron_params p;
    get_polyhedron_params_from_output_mode(420, &p);
    EXPECT_EQ(p.shapeCode, 313);
    EXPECT_EQ(p.kind, 2);
    EXPECT_EQ(Companion_of_Truchet_dual(300), 266);
    EXPECT_EQ(Companion_of_Truchet_dual(250), 250);
    EXPECT_EQ(Companion_of_Truchet_dual(217), 197);
    EXPECT_EQ(TruchetCodeFromShapecode(197), 560);
    EXPECT_EQ(TruchetCodeFromShapecode(236), 48);
    EXPECT_EQ(TruchetCodeFromShapecode(237), 0);
    EXPECT_EQ(MonofragVersion_of_shapecode(187), 188);
    EXPECT_EQ(MonofragVersion_of_shapecode(194), 196);
    EXPECT_EQ(MonofragVersion_of_projection(296), 4043);
    // Every standard curved-origami code has a single-fragment twin.
    for (int64_t c = 171; c <= 196; ++c) {
        if (ShapecodeIsACurvedOrigamiStandard(c)) {
            EXPECT_TRUE(ShapecodeIsACurvedOrigamiMonofrag(MonofragVersion_of_shapecode(c))) << c;
        }
    }
    EXPECT_FALSE(IsExportablePolyhedron(21));
    EXPECT_TRUE(IsExportablePolyhedron(7));
    EXPECT_TRUE(obey_flopping_for_shapecode(403));
    EXPECT_FALSE(obey_flopping_for_shapecode(402));
}

}  // namespace
