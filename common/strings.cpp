#include "common/strings.h"

#include <charconv>
#include <climits>
#include <cstring>

int16_t qev_PIstrlen(const char* s) {
    if (!s) return 0;
    int16_t n = 0;
    while (n < kMaxCStringScan && s[n] != 0) n++;
    return n;
}

// Compacts s in place, keeping the bytes `keep` accepts. Working in place
// needs no bounded copy, so strings of any scanned length are safe.
template <class Keep>
static void FilterCString(char* s, Keep keep) {
    const int16_t n = qev_PIstrlen(s);
    if (n < 1) return;
    int16_t w = 0;
    for (int16_t r = 0; r < n; r++)
        if (keep(s[r])) s[w++] = s[r];
    s[w] = 0;
}

char* SpacesToScores(char* s) {
    const int16_t n = qev_PIstrlen(s);
    for (int16_t i = 0; i < n; i++)
        if (s[i] == ' ') s[i] = '_';
    return s;
}

// Length of the well-formed UTF-8 character starting at p (at most `left`
// bytes available), or 0 when p does not start one.
static int Utf8SequenceLength(const unsigned char* p, int left) {
    const unsigned char b = p[0];
    int len;
    unsigned char lo = 0x80, hi = 0xBF;  // allowed range of the second byte
    if (b >= 0xC2 && b <= 0xDF) len = 2;
    else if (b >= 0xE0 && b <= 0xEF) {
        len = 3;
        if (b == 0xE0) lo = 0xA0;  // no overlong forms
        if (b == 0xED) hi = 0x9F;  // no surrogates
    } else if (b >= 0xF0 && b <= 0xF4) {
        len = 4;
        if (b == 0xF0) lo = 0x90;
        if (b == 0xF4) hi = 0x8F;  // nothing above U+10FFFF
    } else
        return 0;
    if (left < len) return 0;
    if (p[1] < lo || p[1] > hi) return 0;
    for (int i = 2; i < len; i++)
        if (p[i] < 0x80 || p[i] > 0xBF) return 0;
    return len;
}

char* MakeCFilenameNonWeirdForHTMLDisplay(char* s) {
    const int16_t n = qev_PIstrlen(s);
    unsigned char* u = reinterpret_cast<unsigned char*>(s);
    for (int16_t i = 0; i < n;) {
        if (const int len = Utf8SequenceLength(u + i, n - i)) {
            i = static_cast<int16_t>(i + len);
            continue;
        }
        unsigned b = u[i];
        if (b < 33) b = ' ';
        else if (b >= 128) {
            b = (b & 127) + 32;
            // A stray byte must not become a byte that is invalid UTF-8 (or DEL).
            if (b == '.' || b >= 127) b = '_';
        }
        if (b == '/' || b == '\\' || b == ':') b = '_';
        u[i++] = static_cast<unsigned char>(b);
    }
    return s;
}

char* MakeNameNonWeirdForOBJ(char* s) {
    if (!s) return s;
    return MakeCFilenameNonWeirdForHTMLDisplay(SpacesToScores(s));
}

namespace {

// A Mac Roman byte of 128 or more as its Unicode character.
constexpr uint16_t kMacRomanHigh[128] = {
    0x00C4, 0x00C5, 0x00C7, 0x00C9, 0x00D1, 0x00D6, 0x00DC, 0x00E1, 0x00E0, 0x00E2, 0x00E4, 0x00E3,
    0x00E5, 0x00E7, 0x00E9, 0x00E8, 0x00EA, 0x00EB, 0x00ED, 0x00EC, 0x00EE, 0x00EF, 0x00F1, 0x00F3,
    0x00F2, 0x00F4, 0x00F6, 0x00F5, 0x00FA, 0x00F9, 0x00FB, 0x00FC, 0x2020, 0x00B0, 0x00A2, 0x00A3,
    0x00A7, 0x2022, 0x00B6, 0x00DF, 0x00AE, 0x00A9, 0x2122, 0x00B4, 0x00A8, 0x2260, 0x00C6, 0x00D8,
    0x221E, 0x00B1, 0x2264, 0x2265, 0x00A5, 0x00B5, 0x2202, 0x2211, 0x220F, 0x03C0, 0x222B, 0x00AA,
    0x00BA, 0x03A9, 0x00E6, 0x00F8, 0x00BF, 0x00A1, 0x00AC, 0x221A, 0x0192, 0x2248, 0x2206, 0x00AB,
    0x00BB, 0x2026, 0x00A0, 0x00C0, 0x00C3, 0x00D5, 0x0152, 0x0153, 0x2013, 0x2014, 0x201C, 0x201D,
    0x2018, 0x2019, 0x00F7, 0x25CA, 0x00FF, 0x0178, 0x2044, 0x20AC, 0x2039, 0x203A, 0xFB01, 0xFB02,
    0x2021, 0x00B7, 0x201A, 0x201E, 0x2030, 0x00C2, 0x00CA, 0x00C1, 0x00CB, 0x00C8, 0x00CD, 0x00CE,
    0x00CF, 0x00CC, 0x00D3, 0x00D4, 0xF8FF, 0x00D2, 0x00DA, 0x00DB, 0x00D9, 0x0131, 0x02C6, 0x02DC,
    0x00AF, 0x02D8, 0x02D9, 0x02DA, 0x00B8, 0x02DD, 0x02DB, 0x02C7,
};

}  // namespace

uint16_t MacRomanToUnicode(uint8_t byte) { return byte < 128 ? byte : kMacRomanHigh[byte - 128]; }

int32_t UnicodeToMacRoman(uint16_t character) {
    if (character < 128) return character;
    for (int32_t i = 0; i < 128; i++)
        if (kMacRomanHigh[i] == character) return 128 + i;
    return -1;
}
