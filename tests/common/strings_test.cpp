#include "common/strings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string Cleaned(std::string s, bool obj) {
    std::vector<char> buf(s.begin(), s.end());
    buf.push_back(0);
    if (obj) MakeNameNonWeirdForOBJ(buf.data());
    else MakeCFilenameNonWeirdForHTMLDisplay(buf.data());
    return buf.data();
}

// Independent check of well-formed UTF-8 (RFC 3629), by code point decoding.
bool IsValidUtf8(const std::string& s) {
    size_t i = 0;
    while (i < s.size()) {
        const unsigned char b = s[i];
        int n;
        uint32_t cp;
        if (b < 0x80) { i++; continue; }
        else if ((b & 0xE0) == 0xC0) { n = 2; cp = b & 0x1F; }
        else if ((b & 0xF0) == 0xE0) { n = 3; cp = b & 0x0F; }
        else if ((b & 0xF8) == 0xF0) { n = 4; cp = b & 0x07; }
        else return false;
        if (i + n > s.size()) return false;
        for (int k = 1; k < n; k++) {
            const unsigned char c = s[i + k];
            if ((c & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (c & 0x3F);
        }
        const uint32_t minimum[] = {0, 0, 0x80, 0x800, 0x10000};
        if (cp < minimum[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        i += n;
    }
    return true;
}

TEST(Strings, LengthScanIsCapped) {
    EXPECT_EQ(qev_PIstrlen(nullptr), 0);
    EXPECT_EQ(qev_PIstrlen("abc"), 3);
    std::string big(40000, 'x');
    EXPECT_EQ(qev_PIstrlen(big.c_str()), 32767);
}

TEST(Strings, CopyAppendAndFold) {
    char buf[64] = "abc d!";
    EXPECT_STREQ(SpacesToScores(buf), "abc_d!");
}

TEST(Strings, NameCleaning) {
    EXPECT_EQ(Cleaned("a b:c", true), "a_b_c");
    EXPECT_EQ(Cleaned("a b:c", false), "a b_c");
    EXPECT_EQ(Cleaned("x\x8Ey", true), "x_y");  // 0x0E + 32 is '.'
    EXPECT_EQ(Cleaned("a\tb/c\\d", false), "a b_c_d");
    EXPECT_EQ(Cleaned("\xC1", false), "a");      // (0xC1 & 127) + 32
    // Well-formed UTF-8 names survive as they are.
    EXPECT_EQ(Cleaned("Caf\xC3\xA9 \xE2\x82\xAC", false), "Caf\xC3\xA9 \xE2\x82\xAC");
}

// Every byte value, alone and in pairs, cleans to valid UTF-8.
TEST(Strings, NameCleaningAlwaysGivesValidUtf8) {
    for (int a = 1; a < 256; a++) {
        ASSERT_TRUE(IsValidUtf8(Cleaned(std::string(1, char(a)), false))) << a;
        for (int b = 1; b < 256; b += 3) {
            std::string s = {char(a), char(b), 'z', char(b)};
            ASSERT_TRUE(IsValidUtf8(Cleaned(s, true))) << a << " " << b;
        }
    }
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));  // the checker itself rejects surrogates
    EXPECT_TRUE(IsValidUtf8(Cleaned("\xED\xA0\x80\xF4\x90\x80\x80\xE0\x80\xAF", false)));
}

}  // namespace
