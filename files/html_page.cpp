#include "files/html_page.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <iterator>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "common/byte_io.h"
#include "common/strings.h"

namespace {

constexpr char CR = '\r';
constexpr char kProduct[] = "Vornesk 2";
constexpr char kCellStart[] = "<td align=\"center\" valign=\"top\" width=\"20%\">";

// Mac OS Roman bytes written as a numeric reference rather than by name:
// those the page always numbered, and those HTML 4 has no name for.
constexpr uint8_t kNumbered[] = {160, 165, 170, 173, 176, 178, 179, 182, 183, 184, 185, 186, 189, 195, 196, 197,
                                 198, 201, 206, 207, 208, 209, 210, 211, 212, 213, 215, 217, 218, 220, 221, 222,
                                 223, 224, 225, 226, 227, 228, 240, 245, 246, 247, 248, 249, 250, 251, 253, 254, 255};

const HTMLEntity* Find(const HTMLEntity* table, size_t n, int32_t c) {
    const HTMLEntity* end = table + n;
    const HTMLEntity* e =
        std::lower_bound(table, end, c, [](const HTMLEntity& a, int32_t ch) { return a.character < ch; });
    return e != end && e->character == c ? e : nullptr;
}

void Put(HTMLStatus* page, const std::string& s) { page->text += s; }
void PutNumber(HTMLStatus* page, int64_t v) { page->text += std::to_string(v); }

// Decodes one UTF-8 character at text[i]; a byte that starts none is read
// as Mac OS Roman. Advances i.
int32_t NextCharacter(std::string_view text, size_t* i) {
    const uint8_t b = uint8_t(text[*i]);
    int length = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
    if (length > 1 && *i + length <= text.size()) {
        int32_t c = b & (0x7F >> length);
        bool ok = true;
        for (int k = 1; k < length && ok; ++k) {
            const uint8_t t = uint8_t(text[*i + k]);
            ok = (t & 0xC0) == 0x80;
            c = (c << 6) | (t & 0x3F);
        }
        const int32_t least[5] = {0, 0, 0x80, 0x800, 0x10000};
        if (ok && c >= least[length] && c <= 0x10FFFF && !(c >= 0xD800 && c <= 0xDFFF)) {
            *i += length;
            return c;
        }
    }
    *i += 1;
    return b < 0x80 ? b : MacRomanToUnicode(b);
}

std::string Numbered(int32_t c) { return "&#" + std::to_string(c) + ";"; }

// One character of page text as ASCII HTML.
std::string HTMLCharacter(int32_t c) {
    switch (c) {
        case '"': return "&quot;";
        case '&': return "&amp;";
        case '<': return "&lt;";
        case '>': return "&gt;";
        default: break;
    }
    if (c < 0x80) return std::string(1, char(c));
    const int32_t mac = c <= 0xFFFF ? UnicodeToMacRoman(uint16_t(c)) : -1;
    if (mac >= 128 && std::find(std::begin(kNumbered), std::end(kNumbered), uint8_t(mac)) == std::end(kNumbered))
        if (const HTMLEntity* e = Find(kHTMLEntitiesFull, std::size(kHTMLEntitiesFull), c)) return e->entity;
    return Numbered(c);
}

// The text up to its last ".", through the HTML escaping.
void PutCutAtLastDot(HTMLStatus* page, std::string_view text) {
    const size_t dot = text.rfind('.');
    WriteHTMLText(dot == std::string_view::npos ? text : text.substr(0, dot), page);
}

void OpenRowIfFirst(HTMLStatus* page) {
    if (page->column == 1) {
        Put(page, "<tr>");
        page->cellFlag = 0;
    }
}

}  // namespace

void WriteHTMLText(std::string_view text, HTMLStatus* page) {
    for (size_t i = 0; i < text.size();) page->text += HTMLCharacter(NextCharacter(text, &i));
}

std::string PercentEncodedFileName(std::string_view name) {
    std::string out;
    char hex[4];
    for (unsigned char b : name) {
        if ((b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9')) {
            out += char(b);
        } else {
            std::snprintf(hex, sizeof hex, "%%%02x", b);
            out += hex;
        }
    }
    return out;
}

std::string CleanedImageName(std::string_view name) {
    std::string out;
    for (size_t i = 0; i < name.size();) {
        const int32_t c = NextCharacter(name, &i);
        const int32_t mac = c < 0x80 ? c : c <= 0xFFFF ? UnicodeToMacRoman(uint16_t(c)) : -1;
        if (mac < 0) {
            // No Mac OS Roman byte to fold: the character's number keeps it apart.
            char hex[16];
            std::snprintf(hex, sizeof hex, "_%x", unsigned(c));
            out += hex;
            continue;
        }
        int32_t b = mac;
        if (b < 32) b = ' ';
        // A high byte folds to (byte AND 127) + 32, again while that is high;
        // the fold is no extension dot.
        while (b >= 128) {
            b = (b & 127) + 32;
            if (b == '.') b = '_';
        }
        if (b == ':' || b == '\\' || b == '/') b = '_';
        out += char(b);
    }
    const size_t dot = out.rfind('.');
    return dot == std::string::npos ? out : out.substr(0, dot);
}

int OpenAndStartWebPageCore(HTMLStatus* page, int64_t kind, int64_t columns) {
    page->column = page->row = 1;
    page->columns = page->nameColumns = std::clamp<int64_t>(columns, 1, kMaxPageColumns);
    page->kind = kind;
    page->spareWord = 1;
    page->captionFontSize = 3;
    page->cells = page->frames = 0;
    page->stashCount = 0;
    page->text.clear();
    static const char* const kTitles[] = {" presets", " images", " output modes", " memory dots", " polyhedra"};
    const char* title = kind >= 0 && kind <= 4 ? kTitles[kind] : "";
    Put(page, std::string("<!DOCTYPE html PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">") + CR + CR + "<html>" +
                  CR + "<head>" + CR);
    Put(page, std::string("<meta http-equiv=\"content-type\" content=\"text/html;charset=ISO-8859-1\">") + CR);
    Put(page, std::string("<meta name=\"generator\" content=\"Tarnwhistle ") + kProduct + "\"><title>" + kProduct +
                  title + "</title>" + CR + "</head>" + CR + CR);
    Put(page, std::string("<body bgcolor=\"#ffffff\">") + CR + "<p><br>" + CR + CR +
                  "<font size=\"4\" color=\"#000000\" face=\"Gill Sans,Verdana,Helvetica,Arial,Geneva\"><b>" + kProduct);
    if (!page->extraPath.empty()) {
        Put(page, kind == kPagePresets ? " presets from " : " images from ");
        std::string folder = page->extraPath;
        while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
        WriteHTMLText(folder.substr(folder.rfind('/') + 1).substr(0, 259), page);
    }
    if (kind == kPageOutputModes) Put(page, " output modes ");
    if (kind == kPageMemoryDots) Put(page, " memory dots ");
    if (kind == kPagePolyhedra) Put(page, " polyhedra ");
    Put(page, std::string("<br>") + CR + "</b></font></p>" + CR + CR + "<!--  cut here  -->" + CR + CR +
                  "<table width=\"100%\" border=\"0\" cellspacing=\"12\" cellpadding=\"0\" align=\"center\">");
    return 0;
}

void StartCell(const char* imageName, const char* caption, HTMLStatus* page, int64_t width, int64_t height,
               const char* suffix, const char* link) {
    OpenRowIfFirst(page);
    ++page->cells;
    const std::string name = imageName ? imageName : "";
    const std::string ext = suffix ? suffix : "";
    Put(page, std::string(kCellStart) + CR);
    if (imageName) {
        char id[32];
        std::snprintf(id, sizeof id, "Table_%02lld", (long long)++page->frames);
        Put(page, std::string("<table id=\"") + id + "\" width=\"");
        PutNumber(page, width + 6);
        Put(page, std::string("\" border=\"0\" cellspacing=\"0\" cellpadding=\"0\">") + CR + "<tr>" + CR +
                      "<td colspan=\"3\"></td>" + CR + "</tr>" + CR + "<tr>" + CR + "<td></td>" + CR + "<td>");
        if (link) Put(page, std::string("<div class=\"wsite-image wsite-image-border-none\"><a href='") + link + "'>");
        const std::string cleaned = CleanedImageName(name);
        Put(page, "<img src=\"" + page->imageFolderName + "/" + PercentEncodedFileName(cleaned) + ext + "\" alt=\"");
        WriteHTMLText(cleaned + ext, page);
        Put(page, "\" width=\"");
        PutNumber(page, width);
        Put(page, "\" height=\"");
        PutNumber(page, height);
        Put(page, "\" border=\"0\">");
        if (link) Put(page, "</a> </div>");
        Put(page, std::string("</td>") + CR + "<td></td>" + CR + "</tr>" + CR + "<tr>" + CR + "<td colspan=\"3\"></td>" +
                      CR + "</tr>" + CR + "</table>" + CR);
    }
    Put(page, std::string("<div align=\"center\">") + CR + "<br><font size=\"");
    PutNumber(page, page->captionFontSize);
    Put(page, "\" color=\"#000000\" face=\"Gill Sans,Verdana,Helvetica,Arial\">");
    PutCutAtLastDot(page, caption ? caption : "");
    Put(page, std::string("</font></div></td>") + CR + CR);
}

void ConcludeCell(HTMLStatus* page) {
    if (page->column++ >= page->columns) {
        Put(page, "</tr>");
        FlushTheStash(page);
        ++page->row;
        page->column = 1;
    }
}

void emit_empty_web_page_item(HTMLStatus* page) {
    OpenRowIfFirst(page);
    ++page->cells;
    Put(page, std::string(kCellStart) + "<p>&nbsp;</p>" + CR + "<div align=\"center\">" + CR +
                  "<p><font face=\"Hoefler Text,Times New Roman,Georgia,Times\"><b>&nbsp;");
    StashName(" ", page);
    StashName(" ", page);
    Put(page, std::string("</b></font></p>") + CR + "</div>" + CR + "</td>" + CR + CR);
    ConcludeCell(page);
}

void StashName(const char* name, HTMLStatus* page) {
    page->stashCount = std::clamp<int64_t>(page->stashCount, 0, kNameStashSlots - 1);
    page->nameStash[size_t(page->stashCount)] = std::string(name ? name : "").substr(0, 255);
    if (page->stashCount < kNameStashSlots - 1) ++page->stashCount;
}

void FlushTheStash(HTMLStatus* page) {
    if (page->nameRowFlag == 1) {
        Put(page, "<tr>");
        for (int64_t k = 1; k <= page->nameColumns; ++k) {
            Put(page, std::string(kCellStart) +
                          "<i><font size=\"-1\" color=\"#a6a6a6\" face=\"Hoefler Text, Times New Roman,Georgia,Times\">");
            const int64_t a = std::min<int64_t>(2 * k - 2, kNameStashSlots - 1);
            const int64_t b = std::min<int64_t>(2 * k - 1, kNameStashSlots - 1);
            PutCutAtLastDot(page, page->nameStash[size_t(a)]);
            Put(page, std::string("<br>") + CR + CR);
            PutCutAtLastDot(page, page->nameStash[size_t(b)]);
            Put(page, "</font></i></td>");
        }
        Put(page, "</tr>");
    }
    Put(page, std::string(1, CR) + "<tr>");
    for (int64_t k = 0; k < page->nameColumns; ++k) Put(page, std::string(kCellStart) + "<p>&nbsp;</p></td>");
    Put(page, "</tr>");
    for (std::string& s : page->nameStash) s.clear();
    page->stashCount = 0;
}

int FinishAndCloseWebPage(HTMLStatus* page) {
    if (page->column >= 2 && page->column <= page->columns) {
        const int64_t pad = page->columns - page->column + 1;
        for (int64_t k = 0; k < pad; ++k) emit_empty_web_page_item(page);
    }
    // A table needs a row: a page without cells gets one empty one.
    if (page->cells == 0) Put(page, std::string("<tr><td></td></tr>") + CR);
    Put(page, std::string("</table>") + CR + CR + "<!--  cut here  -->" + CR + CR + "<br>" + CR + "</body></html>");
    int error = page->fd < 0 ? EBADF : WriteBytes(page->fd, page->text.data(), int64_t(page->text.size()));
    if (page->fd >= 0) {
        if (!error && TruncateFile(page->fd) != 0) error = EIO;
        if (close(page->fd) != 0 && !error) error = errno;
    }
    page->fd = -1;
    return error;
}
