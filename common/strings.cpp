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

char* PIstrcpy(char* dst, const char* src) {
    const int16_t n = qev_PIstrlen(src);
    std::memmove(dst, src, n);
    dst[n] = 0;
    return dst;
}

char* PIstrcat(char* dst, const char* src) {
    PIstrcpy(dst + qev_PIstrlen(dst), src);
    return dst;
}

void AppendCharToCString(char* s, char c) {
    if (!s || c == 0) return;
    const int16_t n = qev_PIstrlen(s);
    s[n] = c;
    s[n + 1] = 0;
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

static bool IsDigit(char c) { return c >= '0' && c <= '9'; }

void deSpaceCString_core(char* s, int keepPoint) {
    FilterCString(s, [keepPoint](char c) {
        return IsDigit(c) || c == '+' || c == '-' || (keepPoint && c == '.');
    });
}
void deSpaceCString(char* s) { deSpaceCString_core(s, 0); }
void deSpaceCString_keeping_decimal(char* s) { deSpaceCString_core(s, 1); }

void constrain_string_to_hex_characters(char* s) {
    FilterCString(s, [](char c) {
        return IsDigit(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
    });
}

static const char* SkipBlanks(const char* s) {
    while (*s == ' ' || (*s >= '\t' && *s <= '\r')) s++;
    return s;
}

// Leading blanks and a '+' are accepted; text that is no number gives 0, and
// out-of-range integers saturate, as the platform's string parser does.
int32_t MacCStringToNum(const char* s) {
    if (!s) return 0;
    s = SkipBlanks(s);
    if (*s == '+') s++;
    int64_t v = 0;
    const char* end = s + qev_PIstrlen(s);
    auto r = std::from_chars(s, end, v);
    if (r.ec == std::errc::result_out_of_range) return *s == '-' ? INT32_MIN : INT32_MAX;
    if (r.ec != std::errc()) return 0;
    if (v > INT32_MAX) return INT32_MAX;
    if (v < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(v);
}

double MacCStringToFloat(const char* s) {
    if (!s) return 0.0;
    s = SkipBlanks(s);
    if (*s == '+') s++;
    double v = 0.0;
    const char* end = s + qev_PIstrlen(s);
    auto r = std::from_chars(s, end, v);
    if (r.ec != std::errc()) return 0.0;
    return v;
}

int8_t lowercase(char c) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    return static_cast<int8_t>(c);
}
int8_t qev_UpperToLower(char c) { return lowercase(c); }

char* MakeLower(char* s) {
    const int16_t n = qev_PIstrlen(s);
    for (int16_t i = 0; i < n; i++) s[i] = static_cast<char>(lowercase(s[i]));
    return s;
}

bool IsWhitespaceOrCrap(char c) { return static_cast<unsigned char>(c) < 33; }

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

static bool MatchBytes(const char* a, const char* b, int64_t n, int64_t offset, bool nocase) {
    if (n < 1) return true;
    if (!a || !b) return false;
    for (int64_t i = 0; i < n; i++) {
        char x = a[i], y = b[offset + i];
        if (nocase) {
            x = static_cast<char>(lowercase(x));
            y = static_cast<char>(lowercase(y));
        }
        if (x != y) return false;
    }
    return true;
}

bool AMatchesB(const char* a, const char* b, int64_t n, int64_t offset) {
    return MatchBytes(a, b, n, offset, false);
}
bool AMatchesB_nocase(const char* a, const char* b, int64_t n, int64_t offset) {
    return MatchBytes(a, b, n, offset, true);
}

int64_t findAinB(const char* a, const char* b, bool nocase) {
    if (!a || !b) return -1;
    const int64_t la = qev_PIstrlen(a), lb = qev_PIstrlen(b);
    if (la < 1 || lb < 1 || lb < la) return -1;
    for (int64_t i = 0; i <= lb - la; i++)
        if (MatchBytes(a, b, la, i, nocase)) return i;
    return -1;
}

const unsigned char kWindowsToMacTable[256] = {
    0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0a, 0x0b, 0x0c, 0x0d, 0x0e, 0x0f,
    0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18, 0x19, 0x1a, 0x1b, 0x1c, 0x1d, 0x1e, 0x1f,
    0x20, 0x21, 0x22, 0x23, 0x24, 0x25, 0x26, 0x27, 0x28, 0x29, 0x2a, 0x2b, 0x2c, 0x2d, 0x2e, 0x2f,
    0x30, 0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39, 0x3a, 0x3b, 0x3c, 0x3d, 0x3e, 0x3f,
    0x40, 0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x49, 0x4a, 0x4b, 0x4c, 0x4d, 0x4e, 0x4f,
    0x50, 0x51, 0x52, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59, 0x5a, 0x5b, 0x5c, 0x5d, 0x5e, 0x5f,
    0x60, 0x61, 0x62, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x69, 0x6a, 0x6b, 0x6c, 0x6d, 0x6e, 0x6f,
    0x70, 0x71, 0x72, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7a, 0x7b, 0x7c, 0x7d, 0x7e, 0x7f,
    0x01, 0x01, 0x2c, 0xc4, 0x2c, 0xc9, 0xa0, 0xa0, 0x5e, 0xe4, 0x01, 0x01, 0xce, 0x01, 0x01, 0x01,
    0x01, 0xd4, 0xd5, 0xd2, 0xd3, 0xa5, 0x01, 0x01, 0x7e, 0xaa, 0x01, 0x3e, 0xcf, 0x01, 0x01, 0x01,
    0x01, 0xc1, 0xa2, 0xa3, 0xdb, 0xb4, 0x7c, 0xa4, 0xac, 0xa9, 0xbb, 0xc7, 0xc2, 0xad, 0xa8, 0x01,
    0xa1, 0xb1, 0x01, 0x01, 0x01, 0xb5, 0xa6, 0xa5, 0xfc, 0x01, 0xbc, 0xc8, 0x01, 0x01, 0x01, 0xc0,
    0xcb, 0xe7, 0xe5, 0xcc, 0x80, 0x81, 0xae, 0x82, 0xe9, 0x83, 0xe6, 0xe8, 0xed, 0xea, 0xeb, 0xec,
    0x01, 0x84, 0xf1, 0xee, 0xef, 0xcd, 0x85, 0xd7, 0xaf, 0xf4, 0xf2, 0xf3, 0x86, 0x01, 0x01, 0xa7,
    0x88, 0x87, 0x89, 0x8b, 0x8a, 0x8c, 0xbe, 0x8d, 0x8f, 0x8e, 0x90, 0x91, 0x93, 0x92, 0x94, 0x95,
    0xb6, 0x96, 0x98, 0x97, 0x99, 0x9b, 0x9a, 0xd6, 0xbf, 0x9d, 0x9c, 0x9e, 0x9f, 0x01, 0x01, 0xd8,
};

void TranslatePlatformAscii(int doIt, char* s) {
    if (!doIt || !s) return;
    const int16_t n = qev_PIstrlen(s);
    for (int16_t i = 0; i < n; i++)
        s[i] = static_cast<char>(kWindowsToMacTable[static_cast<unsigned char>(s[i])]);
}

void Cstring2Str255(char* s) {
    if (!s) return;
    int16_t n = qev_PIstrlen(s);
    if (n > 255) n = 255;
    std::memmove(s + 1, s, n);
    s[0] = static_cast<char>(static_cast<unsigned char>(n));
}

void QevStr2552Cstring(unsigned char* s) {
    if (!s) return;
    const unsigned n = s[0];
    std::memmove(s, s + 1, 255);
    s[n] = 0;
}

const unsigned char* Copy255(const unsigned char* src, unsigned char* dst) {
    if (src && dst) std::memmove(dst, src, 256);
    return src;
}
const unsigned char* Copy255b(const unsigned char* src, unsigned char* dst) { return Copy255(src, dst); }

void AppendBreak(char* s) { PIstrcat(s, "<br>\r"); }

int qev_StringToNumber(unsigned char* p, int64_t* out) {
    if (!p) return 0;
    const int len = p[0];
    int digits = 0;
    bool negative = false, ended = false, valid = true;
    for (int i = 1; i <= len; i++) {
        const unsigned char c = p[i];
        if (c == ' ') {
            if (digits > 0) ended = true;
            continue;
        }
        if (ended) {
            valid = false;
            break;
        }
        if (c == '-' && digits == 0 && !negative) {
            negative = true;
            continue;
        }
        if (c < '0' || c > '9') {
            valid = false;
            break;
        }
        p[1 + digits] = c;
        digits++;
    }
    if (digits > 0) {
        p[0] = static_cast<unsigned char>(digits);
        if (digits < 255) p[digits + 1] = 0;
    }
    if (!valid || digits == 0) return 0;
    int64_t v;
    if (digits > 10) v = 0x7FFFFFFF;
    else {
        v = 0;
        for (int i = 1; i <= digits; i++) v = v * 10 + (p[i] - '0');
    }
    if (out) *out = negative ? -v : v;
    return 1;
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
