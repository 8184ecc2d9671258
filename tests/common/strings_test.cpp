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
    char buf[64];
    PIstrcpy(buf, "Ab");
    PIstrcat(buf, "C d");
    AppendCharToCString(buf, '!');
    AppendCharToCString(buf, 0);
    EXPECT_STREQ(buf, "AbC d!");
    EXPECT_STREQ(MakeLower(buf), "abc d!");
    EXPECT_STREQ(SpacesToScores(buf), "abc_d!");
    AppendBreak(buf);
    EXPECT_STREQ(buf, "abc_d!<br>\r");
    EXPECT_EQ(lowercase('Z'), 'z');
    EXPECT_EQ(qev_UpperToLower('['), '[');
    EXPECT_TRUE(IsWhitespaceOrCrap(' '));
    EXPECT_TRUE(IsWhitespaceOrCrap('\t'));
    EXPECT_FALSE(IsWhitespaceOrCrap('!'));
}

TEST(Strings, DeSpaceKeepsNumberCharacters) {
    char a[] = "x = -1.5e3";
    deSpaceCString_keeping_decimal(a);
    EXPECT_STREQ(a, "-1.53");
    char b[] = "x = -1.5e3";
    deSpaceCString(b);
    EXPECT_STREQ(b, "-153");
    char c[] = "0xFfG9z";
    constrain_string_to_hex_characters(c);
    EXPECT_STREQ(c, "0Ff9");
    char empty[] = "";
    deSpaceCString(empty);
    EXPECT_STREQ(empty, "");
}

// A string far longer than the old 256-byte work copy is filtered whole.
TEST(Strings, DeSpaceLongStringIsSafe) {
    std::string s;
    for (int i = 0; i < 1000; i++) s += "a1 ";
    std::vector<char> buf(s.begin(), s.end());
    buf.push_back(0);
    deSpaceCString(buf.data());
    EXPECT_EQ(std::string(buf.data()), std::string(1000, '1'));
}

TEST(Strings, NumberParsers) {
    EXPECT_EQ(MacCStringToNum(" 42"), 42);
    EXPECT_EQ(MacCStringToNum("-17x"), -17);
    EXPECT_EQ(MacCStringToNum("+8"), 8);
    EXPECT_EQ(MacCStringToNum("abc"), 0);
    EXPECT_EQ(MacCStringToNum(nullptr), 0);
    EXPECT_EQ(MacCStringToNum("99999999999"), 2147483647);
    EXPECT_DOUBLE_EQ(MacCStringToFloat(" 2.5e2"), 250.0);
    EXPECT_DOUBLE_EQ(MacCStringToFloat("-0.125"), -0.125);
    EXPECT_DOUBLE_EQ(MacCStringToFloat("zz"), 0.0);
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

TEST(Strings, Matching) {
    EXPECT_EQ(findAinB("b", "abc", false), 1);
    EXPECT_EQ(findAinB("abcd", "abc", false), -1);
    EXPECT_EQ(findAinB("", "abc", false), -1);
    EXPECT_EQ(findAinB("x", nullptr, false), -1);
    EXPECT_EQ(findAinB("BC", "abcbc", false), -1);
    EXPECT_EQ(findAinB("BC", "abcbc", true), 1);
    EXPECT_TRUE(AMatchesB("cd", "abcde", 2, 2));
    EXPECT_FALSE(AMatchesB("cD", "abcde", 2, 2));
    EXPECT_TRUE(AMatchesB_nocase("cD", "abcde", 2, 2));
    EXPECT_TRUE(AMatchesB("q", "abc", 0, 0));
}

TEST(Strings, WindowsToMacTranslation) {
    char s[] = "a\x80\xE9\x85\xFF";
    TranslatePlatformAscii(1, s);
    EXPECT_STREQ(s, "a\x01\x8E\xC9\xD8");
    char t[] = "\xE9";
    TranslatePlatformAscii(0, t);
    EXPECT_STREQ(t, "\xE9");
    for (int i = 0; i < 128; i++) EXPECT_EQ(kWindowsToMacTable[i], i);
}

TEST(Strings, Str255Conversions) {
    std::vector<char> buf(400, 0);
    for (int i = 0; i < 300; i++) buf[i] = char('a' + i % 26);
    Cstring2Str255(buf.data());
    EXPECT_EQ(static_cast<unsigned char>(buf[0]), 255);
    for (int i = 0; i < 255; i++) ASSERT_EQ(buf[1 + i], char('a' + i % 26));

    Str255 p = {3, 'x', 'y', 'z'};
    Str255 q;
    EXPECT_EQ(Copy255(p, q), p);
    QevStr2552Cstring(q);
    EXPECT_STREQ(reinterpret_cast<char*>(q), "xyz");
}

TEST(Strings, StringToNumber) {
    struct Case {
        const char* text;
        int result;
        int64_t value;
        const char* after;  // the string as rewritten
    } cases[] = {
        {" -42 ", 1, -42, "42"},
        {"4 2", 0, 7, "4"},
        {"12345678901", 1, 2147483647, "12345678901"},
        {"-12345678901", 1, -2147483647, "12345678901"},
        {"9999999999", 1, 9999999999LL, "9999999999"},
        {"", 0, 7, ""},
        {"--5", 0, 7, "--5"},
        {"5-", 0, 7, "5"},
        {"  ", 0, 7, "  "},
    };
    for (const Case& c : cases) {
        Str255 p = {};
        p[0] = static_cast<unsigned char>(strlen(c.text));
        memcpy(p + 1, c.text, p[0]);
        int64_t out = 7;
        EXPECT_EQ(qev_StringToNumber(p, &out), c.result) << c.text;
        EXPECT_EQ(out, c.value) << c.text;
        EXPECT_EQ(std::string(reinterpret_cast<char*>(p + 1), p[0]), c.after) << c.text;
    }
}

}  // namespace
