// The HTML text of the galleries: escaping gives ASCII (or UTF-8 text
// without markup characters) whose references decode to the text; image
// names come out cleaned and percent-encoded to letters, digits and escapes
// that decode to the name.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>

#include "files/html_page.h"
#include "fuzz/fuzz_support.h"

namespace {

// UTF-8 of a code point, written here rather than taken from the page writer.
std::string UTF8(uint32_t c) {
    std::string s;
    if (c < 0x80) {
        s += char(c);
    } else if (c < 0x800) {
        s += char(0xC0 | c >> 6);
        s += char(0x80 | (c & 63));
    } else if (c < 0x10000) {
        s += char(0xE0 | c >> 12);
        s += char(0x80 | (c >> 6 & 63));
        s += char(0x80 | (c & 63));
    } else {
        s += char(0xF0 | c >> 18);
        s += char(0x80 | (c >> 12 & 63));
        s += char(0x80 | (c >> 6 & 63));
        s += char(0x80 | (c & 63));
    }
    return s;
}

bool Ascii(const std::string& s) {
    for (unsigned char b : s)
        if (b >= 0x80) return false;
    return true;
}

bool NoMarkup(const std::string& s) { return s.find_first_of("<>\"") == std::string::npos; }

std::string Shown(std::string_view s) {
    std::string out;
    char hex[5];
    for (unsigned char b : s.substr(0, 80)) {
        if (b >= 32 && b < 127) {
            out += char(b);
        } else {
            std::snprintf(hex, sizeof hex, "\\x%02X", b);
            out += hex;
        }
    }
    return out;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;  // upper case is not what the encoder writes
}

// Page text back to characters: each "&...;" a named entity of the full
// table or a decimal or hexadecimal reference; null when a reference is
// neither, or an "&" has no ";".
std::optional<std::string> Decoded(const std::string& page) {
    std::string out;
    for (size_t i = 0; i < page.size(); ++i) {
        if (page[i] != '&') {
            out += page[i];
            continue;
        }
        const size_t end = page.find(';', i);
        if (end == std::string::npos) return std::nullopt;
        const std::string piece = page.substr(i, end + 1 - i);
        i = end;
        const auto named = std::find_if(std::begin(kHTMLEntitiesFull), std::end(kHTMLEntitiesFull),
                                        [&piece](const HTMLEntity& e) { return piece == e.entity; });
        if (named != std::end(kHTMLEntitiesFull)) {
            out += UTF8(uint32_t(named->character));
            continue;
        }
        const bool hex = piece.size() > 3 && (piece[2] == 'x' || piece[2] == 'X');
        char* stop = nullptr;
        const std::string digits = piece.substr(hex ? 3 : 2, piece.size() - (hex ? 4 : 3));
        const unsigned long n = std::strtoul(digits.c_str(), &stop, hex ? 16 : 10);
        if (piece[1] != '#' || digits.empty() || *stop != 0 || n == 0 || n > 0x10FFFF) return std::nullopt;
        out += UTF8(uint32_t(n));
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);

    // Any bytes as page text: ASCII, free of markup characters.
    HTMLStatus page;
    WriteHTMLText(text, &page);
    FUZZ_CHECK(Ascii(page.text) && NoMarkup(page.text), "page text: " + Shown(page.text));

    // Image names: no control byte, colon or slash survives cleaning, and
    // the percent-encoding decodes to the cleaned name.
    // A character with no Mac OS Roman byte keeps its number ("_658" for
    // the two bytes of U+0658): at most twice its bytes.
    const std::string cleaned = CleanedImageName(text);
    FUZZ_CHECK(cleaned.size() <= 2 * text.size(), "a cleaned name grew more than twice");
    for (unsigned char b : cleaned) FUZZ_CHECK(b >= 32 && b != ':' && b != '/' && b != '\\', Shown(cleaned));
    const std::string encoded = PercentEncodedFileName(cleaned);
    std::string decoded;
    for (size_t i = 0; i < encoded.size(); ++i) {
        const char c = encoded[i];
        if (c != '%') {
            FUZZ_CHECK(std::isalnum(uint8_t(c)) && uint8_t(c) < 128, "an unencoded byte: " + Shown(encoded));
            decoded += c;
            continue;
        }
        FUZZ_CHECK(i + 2 < encoded.size() && HexValue(encoded[i + 1]) >= 0 && HexValue(encoded[i + 2]) >= 0,
                   "a broken escape: " + Shown(encoded));
        decoded += char(HexValue(encoded[i + 1]) * 16 + HexValue(encoded[i + 2]));
        i += 2;
    }
    FUZZ_CHECK(decoded == cleaned, "percent-decoding gave another name");

    // Text of characters drawn from the bytes (ASCII as it is, others from
    // three bytes; U+FFFF has no reference that comes back) escapes as page
    // text that decodes to itself.
    std::string chars;
    for (size_t i = 0; i < size;) {
        if (data[i] < 0x80) {
            chars += char(data[i++]);
            continue;
        }
        uint32_t c = uint32_t(data[i] & 0x7F) << 16;
        if (i + 1 < size) c |= uint32_t(data[i + 1]) << 8;
        if (i + 2 < size) c |= data[i + 2];
        i += 3;
        c %= 0x110000;
        if ((c >= 0xD800 && c <= 0xDFFF) || c == 0xFFFF) continue;
        chars += UTF8(c);
    }
    HTMLStatus charsPage;
    WriteHTMLText(chars, &charsPage);
    FUZZ_CHECK(Decoded(charsPage.text) == chars, "page text does not come back: " + Shown(charsPage.text));
    return 0;
}
