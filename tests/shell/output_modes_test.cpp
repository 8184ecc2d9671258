// The table of output modes against what the rest of the system does with a
// code: the scripting codes name the same modes, each row's road is the one
// its samples take, a mode the table lets render has its road built, a
// refused one says why in one line, and the named series and families hold
// the modes their names say.
#include <gtest/gtest.h>

#include <cctype>
#include <set>
#include <string>

#include "polyhedra/polyhedron_params.h"
#include "polyhedra/rollouts.h"
#include "projections/caches.h"
#include "projections/dispatcher.h"
#include "projections/simplex.h"
#include "records/output_modes.h"
#include "records/warpy_basis.h"
#include "render/globes/globe_render.h"
#include "shell/mode_catalogue.h"
#include "shell/renderable.h"
#include "shell/scripting_codes.h"
#include "solids/origami.h"

namespace {

bool StartsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

// Whether the mode's solid is a rollout.
bool IsRollout(int64_t mode) {
    polyhedron_params p;
    get_polyhedron_params_from_output_mode(mode, &p);
    RolloutForm form;
    return RolloutOfShapecode(p.shapeCode, &form) != 0;
}

// The codes a recorded action can carry are the table's: every mode a user
// can choose survives an action, and an action names no mode the menus lack.
TEST(OutputModes, TheScriptingCodesNameTheSameModes) {
    std::set<int64_t> scripted, rows;
    for (int32_t m = -2; m <= kLastOutputMode + 100; ++m) {
        DescriptorEnumID code = kNoScriptingCode;
        qev_ValueToEnum(m, MakeFourCC("Foty"), &code);
        if (code != kNoScriptingCode) scripted.insert(m);
    }
    for (const OutputModeRow& row : OutputModeRows()) rows.insert(row.code);
    EXPECT_EQ(rows, scripted);
    EXPECT_EQ(rows.size(), 562u);
    EXPECT_EQ(FindOutputMode(0), nullptr);
    EXPECT_EQ(FindOutputMode(kModeGores18), nullptr);
    EXPECT_EQ(FindOutputMode(kLastOutputMode + 1), nullptr);
    EXPECT_EQ(FindOutputMode(kModeMercator)->code, 62);
}

// Each row's road is the one the renderer takes for the code: a ray-marched
// globe, a floret on a basis net, a solid's net, or a projection the
// dispatcher has (or awaits).
TEST(OutputModes, EachRoadIsTheOneTheRendererTakes) {
    for (const OutputModeRow& row : OutputModeRows()) {
        const int64_t m = row.code;
        ModeRoad taken = ModeRoad::kNone;
        if (IsGlobeMode(long(m))) taken = ModeRoad::kGlobe;
        else if (IsFloretWithPolyhedronBasis(m)) taken = ModeRoad::kFloretOnNet;
        else if (IsPolyhedron(m)) taken = ModeRoad::kNet;
        else if (OutputModeHasProjection(long(m)) || OutputModeAwaitsProjection(long(m))) taken = ModeRoad::kProjection;
        EXPECT_EQ(int(row.road), int(taken)) << m << " " << row.name;
    }
}

// A mode the table renders has its road built: the dispatcher's projection
// with its tables, or the solid its net or floret is laid on. A refused mode
// says why in one line that follows "... is not available in this build: ".
TEST(OutputModes, ARenderedModeHasItsRoadAndARefusedOneSaysWhy) {
    SetOrigamiHingeSearch(SimplexHingeSearch);  // as the plug-in's entry does
    int refused = 0;
    for (const OutputModeRow& row : OutputModeRows()) {
        const int64_t m = row.code;
        if (row.refusal) {
            ++refused;
            const std::string why = row.refusal;
            EXPECT_FALSE(why.empty()) << m;
            EXPECT_EQ(why.find('\n'), std::string::npos) << m;
            EXPECT_TRUE(std::islower(static_cast<unsigned char>(why[0]))) << m << ": " << why;
            EXPECT_NE(why.back(), '.') << m << ": " << why;
            EXPECT_LE(why.size(), 100u) << m << ": " << why;
            EXPECT_FALSE(OutputModeIsRenderable(m)) << m;
            continue;
        }
        EXPECT_TRUE(OutputModeIsRenderable(m)) << m;
        switch (row.road) {
            case ModeRoad::kProjection:
                EXPECT_TRUE(OutputModeHasProjection(long(m))) << m << " " << row.name;
                EXPECT_TRUE(ProjectionTablesAreBuiltForMode(m)) << m << " " << row.name;
                break;
            case ModeRoad::kNet:
            case ModeRoad::kFloretOnNet:
                EXPECT_TRUE(PolyhedralShapeIsBuilt(m)) << m << " " << row.name;
                break;
            case ModeRoad::kGlobe:
                break;
            case ModeRoad::kNone:
                ADD_FAILURE() << m << " renders with nothing to draw it";
                break;
        }
    }
    EXPECT_GT(refused, 0);
    EXPECT_FALSE(OutputModeIsRenderable(kModeGores18));  // not in the menus, so not rendered
}

// The series the constants bound hold exactly the modes named for them, and
// the grids of views are the modes named "... views".
TEST(OutputModes, TheSeriesHoldTheModesTheirNamesSay) {
    struct Series {
        int32_t first, last;
        const char* prefix;
    } series[] = {{kModeGeodesicFirst, kModeGeodesicLast, "geodesic "},
                  {kModeSphericonFirst, kModeSphericonLast, "sphericon "},
                  {kModeCurlicueFirst, kModeCurlicueLast, "curlicue "},
                  {kModeGoldbergFirst, kModeGoldbergLast, "Goldberg "},
                  {kModeQuadFirst, kModeQuadLast, "quad "}};
    for (const Series& s : series) {
        int members = 0;
        for (const OutputModeRow& row : OutputModeRows()) {
            const bool inside = row.code >= s.first && row.code <= s.last;
            EXPECT_EQ(inside, StartsWith(row.name, s.prefix)) << row.code << " " << row.name;
            members += inside;
        }
        EXPECT_EQ(members, s.last - s.first + 1) << s.prefix;
    }
    for (const OutputModeRow& row : OutputModeRows()) {
        const std::string name = row.name;
        EXPECT_EQ(IsViewGrid(row.code), name.size() > 6 && name.substr(name.size() - 6) == " views") << row.code;
    }
}

// The families the menus group by: each has a heading and members, and the
// ones a name or a class question settles hold what they say.
TEST(OutputModes, FamiliesHoldWhatTheirNamesSay) {
    std::set<std::string> headings;
    int members[kModeFamilyCount] = {};
    for (const OutputModeRow& row : OutputModeRows()) {
        const std::string name = row.name, synonym = row.synonym;
        members[int(row.family)]++;
        const bool geodesic =
            StartsWith(name, "geodesic ") || StartsWith(name, "Goldberg ") || StartsWith(name, "quad ");
        EXPECT_EQ(row.family == ModeFamily::kGeodesic, geodesic) << row.code << " " << name;
        EXPECT_EQ(row.family == ModeFamily::kTiling, synonym == "tessellation") << row.code << " " << name;
        if (OutputModeIsACubemap(row.code)) EXPECT_EQ(int(row.family), int(ModeFamily::kCubeLayout)) << row.code;
        if (row.road == ModeRoad::kGlobe) EXPECT_EQ(int(row.family), int(ModeFamily::kGlobe)) << row.code;
        if (row.road == ModeRoad::kFloretOnNet || IsProjectionAFloret(row.code))
            EXPECT_EQ(int(row.family), int(ModeFamily::kFloret)) << row.code << " " << name;
        if (OutputModeIsSteinmetz(row.code) || OutputModeIsACurvedOrigami(row.code) || IsRollout(row.code))
            EXPECT_EQ(int(row.family), int(ModeFamily::kSolid)) << row.code << " " << name;
    }
    for (int f = 0; f < kModeFamilyCount; ++f) {
        EXPECT_GT(members[f], 0) << f;
        EXPECT_TRUE(headings.insert(ModeFamilyName(ModeFamily(f))).second) << f;
        EXPECT_STRNE(ModeFamilyName(ModeFamily(f)), "") << f;
    }
}

// The output menu's items: every row once, in code order, captioned by name
// (or number), refused ones with the same words the plug-in refuses with.
TEST(OutputModes, TheMenuEntriesComeFromTheTable) {
    const std::vector<OutputMenuEntry> entries = OutputMenuEntries();
    ASSERT_EQ(entries.size(), OutputModeRows().size());
    for (size_t i = 0; i < entries.size(); ++i) {
        const OutputModeRow& row = OutputModeRows()[i];
        EXPECT_EQ(entries[i].code, row.code);
        EXPECT_EQ(entries[i].caption, row.name[0] ? std::string(row.name) : "mode " + std::to_string(row.code));
        EXPECT_EQ(int(entries[i].family), int(row.family));
        EXPECT_EQ(entries[i].refusal.empty(), row.refusal == nullptr) << row.code;
    }
    EXPECT_EQ(OutputModeRefusal(kModeBalloon),
              "output mode 41 (balloon) is not available in this build: " + std::string(FindOutputMode(41)->refusal));
    EXPECT_EQ(OutputModeRefusal(kModeMercator), "");
    EXPECT_EQ(OutputModeRefusal(kModeGores18),
              "output mode 1044 is not available in this build: the catalogue has no such mode");
}

}  // namespace
