// The mode catalogue: names, synonyms, validity, class questions and keywords.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "files/iptc.h"
#include "shell/mode_catalogue.h"
#include "shell/scripting_codes.h"

namespace {

TEST(ModeCatalogue, Names) {
    EXPECT_STREQ(VorneskInputModeName(1), "equirectangular");
    EXPECT_STREQ(VorneskInputModeName(17), "Robinson");
    EXPECT_STREQ(VorneskInputModeName(41), "Equal Earth");
    EXPECT_STREQ(VorneskInputModeName(0), "");
    EXPECT_STREQ(VorneskInputModeName(42), "");
    // The degree sign is stored as UTF-8.
    EXPECT_EQ(std::string(VorneskInputModeName(8)), "circular 180\xC2\xB0");
    EXPECT_EQ(std::string(VorneskOutputModeName(359)), "Larriv\xC3\xA9" "e");

    const std::pair<int64_t, const char*> outputs[] = {
        {1, "equirectangular"}, {16, "stereographic"}, {94, "Peirce quincunx"}, {420, "Goldberg I tet (1,0)"},
        {425, "Goldberg I tet (6,0)"}, {489, "Goldberg III ico (1,3)"}, {545, "quad III ico (3,4)"},
        {546, "van der Grinten I"}, {547, "equal earth"}, {686, "glass marble"}, {900, "Lambert azimuthal"},
        {1041, "6-floret"}, {1050, "squirclecube"}, {0, "***"}, {548, "***"}, {1043, "***"}, {1051, "***"},
        {-1, "***"}};
    for (auto [code, name] : outputs) EXPECT_STREQ(VorneskOutputModeName(code), name) << code;

    int named = 0;
    for (int64_t m = -5; m <= 1200; ++m) named += VorneskOutputModeName(m)[0] != '*';
    EXPECT_EQ(named, 559);
    EXPECT_STREQ(GlueCaption(69), "contrast negate");
    EXPECT_STREQ(GlueCaption(70), "");
}

TEST(ModeCatalogue, Synonyms) {
    EXPECT_STREQ(VorneskOutputModeNameSynonym(3), "azimuthal");
    EXPECT_STREQ(VorneskOutputModeNameSynonym(375), "tessellation");
    EXPECT_STREQ(VorneskOutputModeNameSynonym(518), "rhombic dodecahedron");
    EXPECT_STREQ(VorneskOutputModeNameSynonym(1), "");
    int with = 0;
    for (int64_t m = 0; m <= 1100; ++m) with += VorneskOutputModeNameSynonym(m)[0] != 0;
    EXPECT_EQ(with, 58);
}

// Every named output mode, and only a valid one, has a scripting code, so
// every setting the dialog can make survives a recorded action.
TEST(ModeCatalogue, ValidModesHaveCodes) {
    int valid = 0;
    for (int64_t m = -2; m <= 1100; ++m) {
        DescriptorEnumID code = 0;
        qev_ValueToEnum(int32_t(m), MakeFourCC("Foty"), &code);
        bool named = VorneskOutputModeName(m)[0] != '*';
        if (named) {
            EXPECT_NE(code, kNoScriptingCode) << m;
        }
        EXPECT_EQ(IsValidOutputMode(m), code != kNoScriptingCode) << m;
        valid += IsValidOutputMode(m);
    }
    EXPECT_EQ(valid, 562);  // the named modes and 1042, 1043, 1046
    EXPECT_TRUE(IsValidInputMode(41));
    EXPECT_FALSE(IsValidInputMode(42));
    EXPECT_FALSE(IsValidInputMode(0));
    EXPECT_TRUE(IsValidGlueMode(69));
    EXPECT_FALSE(IsValidGlueMode(70));
}

// The predicates with code lists are true for exactly the listed codes.
TEST(ModeCatalogue, PredicatesWithCodeLists) {
    struct Case {
        const char* name;
        bool (*test)(int64_t);
        std::vector<int64_t> codes;
    };
    auto span = [](std::vector<int64_t> v, int64_t a, int64_t b) {
        for (int64_t c = a; c <= b; ++c) v.push_back(c);
        return v;
    };
    std::vector<int64_t> conformal = {16, 51, 62, 83, 84, 87, 162, 163, 251, 252, 302, 303, 402, 417, 418, 800};
    for (auto [a, b] : std::vector<std::pair<int64_t, int64_t>>{{65, 69}, {89, 133}, {135, 137}, {144, 158},
                                                               {166, 168}, {351, 353}, {368, 387}, {410, 413},
                                                               {1038, 1041}})
        conformal = span(conformal, a, b);
    const Case cases[] = {
        {"cubemap", OutputModeIsACubemap, {7, 172, 173, 337, 338, 339}},
        {"misc curved", OutputModeIsAMiscellaneousCurvedPoly, {175, 176}},
        {"shaded", OutputModeIsShaded, {45, 139, 143, 299, 342, 344, 348, 350, 361, 363, 365, 367, 394, 395, 396}},
        {"oceans", OutputModeIsAboutOceans, {345, 410, 416}},
        {"interrupted", IsInterruptedWorldMap, {36, 37, 38, 53, 61, 63, 73, 74, 345, 356, 414, 415, 416, 419, 1044}},
        {"equal-area", OutputModeIsEqualArea,
         {2, 11, 12, 13, 46, 138, 140, 345, 346, 356, 357, 397, 398, 399, 414, 416, 900}},
        {"gnomonic", OutputModeIsGnomonic, {14, 57, 58, 60}},
        {"rind", OutputModeIsARind, {70, 71, 72, 253, 254}},
        {"cylindrical", OutputModeIsCylindrical, {1, 17, 18, 81, 138, 159, 160, 299}},
        {"Steinmetz", OutputModeIsSteinmetz, {159, 160}},
        {"gores", projectionIsGlobeGores, {36, 37, 38, 53, 61, 1044}},
        {"orthoapsidal", projectionIsOrthoapsidal, span(span({134, 143, 409}, 341, 344), 360, 367)},
        {"circle", projectionIsACircle,
         {2, 3, 5, 19, 39, 59, 69, 134, 139, 143, 300, 301, 347, 348, 371, 375, 379, 401, 900}},
        {"ellipse", projectionIsAnEllipse, {11, 46, 121}},
        {"square", projectionIsASquare, {41, 42, 75, 90, 91, 94, 140, 141, 142, 372, 376, 380, 410}},
        {"conformal", projectionIsConformal, conformal},
    };
    for (const Case& c : cases) {
        std::set<int64_t> listed(c.codes.begin(), c.codes.end());
        for (int64_t m = -3; m <= 1100; ++m) EXPECT_EQ(c.test(m), listed.count(m) == 1) << c.name << " " << m;
    }
    // Modes named outright, whatever their solid.
    for (int64_t m : {159, 160, 288, 300, 301}) EXPECT_TRUE(OutputModeIsDevelopable(m)) << m;
    for (int64_t m : {288, 300, 301}) EXPECT_TRUE(OutputModeIsACurvedOrigami(m)) << m;
    EXPECT_FALSE(OutputModeIsDevelopable(0));
    EXPECT_FALSE(OutputModeIsASimplePolyhedron(0));
}

std::vector<std::string> Keywords(int64_t mode) {
    TIPTCThing block;
    InitIPTC(&block);
    addVorneskKeywords(&block, mode);
    std::vector<std::string> words;
    for (int64_t i = 0; i < block.keywordCount; ++i) words.emplace_back(block.keywords[i]);
    dispose_IPTC_resource_memory(&block, 0);
    return words;
}

TEST(ModeCatalogue, KeywordsInOrder) {
    using W = std::vector<std::string>;
    EXPECT_EQ(Keywords(2), (W{"azimuthal", "equal-area", "circle"}));
    // The synonym "azimuthal" already stands, so the class word is not repeated.
    EXPECT_EQ(Keywords(3), (W{"azimuthal", "circle"}));
    EXPECT_EQ(Keywords(371), (W{"tessellation", "hyperbolic tiling", "conformal", "circle"}));
    EXPECT_EQ(Keywords(36), (W{"globe gores", "interrupted"}));
    EXPECT_EQ(Keywords(159), (W{"developable", "cylindrical", "Steinmetz solid"}));
    EXPECT_EQ(Keywords(345), (W{"equal-area", "oceans", "interrupted"}));
    EXPECT_EQ(Keywords(396), (W{"flat earth", "shaded"}));
    EXPECT_EQ(Keywords(1), (W{"cylindrical"}));
    EXPECT_EQ(Keywords(0), W{});
}

}  // namespace
