// The HTML text of the galleries: unescaping takes back every named entity
// and every numeric reference from 1 to 65,534 and from 65,536 to 1,114,111
// (surrogates excepted) in a piece of 4 to 10 characters, and leaves
// anything else as it is; escaping gives ASCII (or UTF-8 text without markup
// characters) that unescapes to the text; image names come out cleaned and
// percent-encoded to letters, digits and escapes that decode to the name.
#include <cctype>
#include <cstdio>
#include <cstring>
#include <iterator>
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

// One reference within text free of ampersands: taken back when its number
// is one a character has, left as it is otherwise.
void CheckReference(uint32_t number, int zeros, int form, const std::string& before, const std::string& after) {
    std::string digits;
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, form == 0 ? "%u" : form == 1 ? "%x" : "%X", number);
    digits = std::string(size_t(zeros), '0') + buffer;
    const std::string piece = std::string(form == 0 ? "&#" : form == 1 ? "&#x" : "&#X") + digits + ";";
    const bool character = number >= 1 && number <= 0x10FFFF && number != 0xFFFF && !(number >= 0xD800 && number <= 0xDFFF);
    const bool taken = character && piece.size() >= 4 && piece.size() <= 10;
    const std::string expected = before + (taken ? UTF8(number) : piece) + after;
    const std::string got = UnescapeFromHTML(before + piece + after);
    FUZZ_CHECK(got == expected, Shown(piece) + " gave " + Shown(got));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);

    // Any text: a piece never grows as it is taken back, and text without an
    // ampersand stays as it is.
    const std::string back = UnescapeFromHTML(text);
    FUZZ_CHECK(back.size() <= text.size(), "unescaping grew the text: " + Shown(text));
    if (text.find('&') == std::string::npos) FUZZ_CHECK(back == text, "text without references changed");

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
    // text and unescapes to itself.
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
    FUZZ_CHECK(UnescapeFromHTML(charsPage.text) == chars, "page text does not come back: " + Shown(charsPage.text));

    // One numeric reference and one named entity between stretches of the
    // text without ampersands.
    if (size >= 6) {
        std::string before, after;
        for (size_t i = 6; i < size; ++i)
            if (data[i] != '&') (i % 2 ? before : after) += char(data[i]);
        uint32_t number;
        std::memcpy(&number, data, 4);
        // Mostly numbers near the limits; sometimes any 32-bit number.
        if (data[4] & 0x80) number %= 0x120000;
        CheckReference(number, data[4] & 3, (data[4] >> 2) % 3, before, after);
        const HTMLEntity& e = kHTMLEntitiesFull[data[5] % std::size(kHTMLEntitiesFull)];
        FUZZ_CHECK(UnescapeFromHTML(before + e.entity + after) == before + UTF8(uint32_t(e.character)) + after,
                   std::string(e.entity) + " was not taken back");
    }
    return 0;
}
