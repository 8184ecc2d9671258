// Mode numbers and their scripting codes, both ways.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "shell/scripting_codes.h"

namespace {

constexpr DescriptorEnumTypeID kOut = MakeFourCC("Foty");
constexpr DescriptorEnumTypeID kIn = MakeFourCC("Fity");

std::string Text(DescriptorEnumID c) {
    return {char(c >> 24), char(c >> 16), char(c >> 8), char(c)};
}

std::string CodeOf(int32_t mode, DescriptorEnumTypeID type) {
    DescriptorEnumID c = 0;
    qev_ValueToEnum(mode, type, &c);
    return Text(c);
}

TEST(ScriptingCodes, KnownCodes) {
    const std::pair<int32_t, const char*> outputs[] = {
        {1, "Fo01"}, {15, "Fo15"}, {16, "Fo70"}, {17, "Fo16"}, {35, "QW46"}, {70, "Fo71"}, {99, "Fp00"},
        {105, "Fp06"}, {137, "QW45"}, {300, "Fs02"}, {404, "Fu06"}, {512, "Fv92"}, {547, "Fw34"},
        {1043, "Fp##"}, {1047, "Fp87"}, {351, "Ft51"}, {352, "Ft52"}, {546, "Fw33"}, {1048, "Fy48"},
        {1050, "Fy50"}, {548, "<NO>"}, {1044, "<NO>"}, {1051, "<NO>"}, {0, "<NO>"}, {-3, "<NO>"}};
    for (auto [mode, code] : outputs) EXPECT_EQ(CodeOf(mode, kOut), code) << mode;
    EXPECT_EQ(CodeOf(17, kIn), "Fi18");
    EXPECT_EQ(CodeOf(31, kIn), "Fi33");
    EXPECT_EQ(CodeOf(41, kIn), "Fi44");
    EXPECT_EQ(CodeOf(42, kIn), "<NO>");
    EXPECT_EQ(CodeOf(7, MakeFourCC("Fgty")), "Fgr7");
    EXPECT_EQ(CodeOf(69, MakeFourCC("GLty")), "GL69");
    EXPECT_EQ(CodeOf(5, MakeFourCC("what")), "<NO>");
}

// Every mode with a code reads back as itself; codes are unique.
TEST(ScriptingCodes, EveryCodeReadsBack) {
    struct Kind {
        const char* type;
        int32_t last;
        size_t coded;
    };
    for (Kind k : {Kind{"Foty", 1100, 562}, Kind{"Fity", 50, 41}, Kind{"GLty", 80, 69}, Kind{"Fgty", 9, 7}}) {
        std::set<DescriptorEnumID> seen;
        DescriptorEnumTypeID type = MakeFourCC(*reinterpret_cast<const char(*)[5]>(k.type));
        for (int32_t m = 0; m <= k.last; ++m) {
            DescriptorEnumID c = 0;
            qev_ValueToEnum(m, type, &c);
            int32_t back = -1;
            if (c == kNoScriptingCode) {
                EXPECT_EQ(qev_EnumToValue(type, c, &back), 0);
                EXPECT_EQ(back, 0);
                continue;
            }
            EXPECT_TRUE(seen.insert(c).second) << k.type << " " << m;
            EXPECT_EQ(qev_EnumToValue(type, c, &back), 1) << k.type << " " << m;
            EXPECT_EQ(back, m);
        }
        EXPECT_EQ(seen.size(), k.coded) << k.type;
    }
    int32_t v = 5;
    EXPECT_EQ(qev_EnumToValue(kIn, MakeFourCC("Fi17"), &v), 0);
    EXPECT_EQ(v, 0);
}

}  // namespace
