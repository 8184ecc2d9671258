// The HTML page writer: the entity tables against the W3C sets, the
// escaping both ways, and whole pages checked by tidy.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "files/file_layer.h"
#include "files/html_page.h"
#include "tests/generated_source.h"

namespace {

namespace fs = std::filesystem;

TEST(HTMLPage, EntityTablesAreTheGeneratorsOutput) {
    ExpectGeneratedSourceIsCurrent("gen_html_entities", "files/generated/html_entities.cpp");
}

std::string Escaped(const std::string& text) {
    HTMLStatus page;
    WriteHTMLText(text, &page);
    return page.text;
}

TEST(HTMLPage, Escaping) {
    struct Case {
        std::string in, out;
    } page[] = {
        {"a\"b&c<d>e'", "a&quot;b&amp;c&lt;d&gt;e'"},
        {"caf\xC3\xA9", "caf&eacute;"},         // UTF-8 e acute
        {"caf\x8E", "caf&eacute;"},             // the Mac OS Roman byte of it
        {"\xA0", "&#8224;"},                    // dagger: numbered by its Unicode number
        {"\xAD", "&#8800;"},                    // not equal: no HTML 4 name
        {"\x80\xA1\xCA\xDB\xFC", "&Auml;&deg;&nbsp;&euro;&cedil;"},
        {"\xC4\x81", "&#257;"},                 // not in Mac OS Roman
        {"\xF0\x9F\x98\x80", "&#128512;"},
    };
    for (const Case& c : page) EXPECT_EQ(Escaped(c.in), c.out) << c.in;
    // No reference names a C1 control or a private Mac number.
    std::string all;
    for (int b = 128; b < 256; ++b) all += char(b);
    const std::string escaped = Escaped(all);
    EXPECT_EQ(escaped.find("&Mac"), std::string::npos);
    for (size_t at = escaped.find("&#1"); at != std::string::npos; at = escaped.find("&#1", at + 1))
        EXPECT_FALSE(at + 6 <= escaped.size() && escaped[at + 3] >= '2' && escaped[at + 3] <= '5' &&
                     std::isdigit((unsigned char)escaped[at + 4]) && escaped[at + 5] == ';')
            << escaped.substr(at, 6);
}

TEST(HTMLPage, ImageNames) {
    EXPECT_EQ(PercentEncodedFileName(CleanedImageName("My Map.png")), "My%20Map");
    EXPECT_EQ(CleanedImageName("a:b/c\\d\te.f.psd"), "a_b_c_d e.f");
    EXPECT_EQ(CleanedImageName("\x8E.png"), "_");  // (0x8E & 127) + 32 is ".": no dot
    // UTF-8 names fold a character at a time, through its Mac OS Roman byte:
    // é is 0x8E as above, ü 0x9F gives "?", ï 0x95 gives "5"; a character
    // Mac OS Roman lacks keeps its number. The bytes of a character are never
    // folded one by one (which made "cI" of é).
    EXPECT_EQ(CleanedImageName("\xC3\xA9.q2q"), "_");
    EXPECT_EQ(CleanedImageName("\xC3\xBCn\xC3\xAF \xE6\x97\xA5\xE6\x9C\xAC.q2q"), "?n5 _65e5_672c");
    // A byte high enough to fold high again folds again (0xE0 to 0x80 to " ").
    EXPECT_EQ(CleanedImageName("\xE0x.psd"), " x");
    // Whatever the name, what comes out is ASCII without control characters.
    for (const char* name : {"\xC3\xA9\xC3\xA8\xE2\x82\xAC\xF0\x9F\x98\x80.q2q", "\xFF\xFE\x80.x", "a\x01b.c"})
        for (unsigned char c : CleanedImageName(name)) EXPECT_TRUE(c >= 32 && c < 128) << name;
}

struct Page {
    std::string text;
    std::string tidy;  // what tidy -q -e says, lines but the table summary advisory
};

// Writes a page through the file layer into folder/name and runs tidy on it.
Page WritePage(const fs::path& folder, const std::string& name, int64_t columns, int cells,
               const std::vector<std::string>& captions) {
    const fs::path path = folder / name;
    EXPECT_EQ(FileZerp_WriteFileAtPath(path.string(), "the page", [&](int fd) {
                  HTMLStatus page;
                  page.fd = fd;
                  page.extraPath = (folder / "Photos & \"Maps\" <\xC3\xA9t\xC3\xA9>").string();
                  OpenAndStartWebPageCore(&page, kPageImages, columns);
                  for (int i = 0; i < cells; ++i) {
                      const std::string& caption = captions[size_t(i) % captions.size()];
                      StartCell(caption.c_str(), caption.c_str(), &page, 120, 60, ".jpg", i % 2 ? "link.html" : nullptr);
                      ConcludeCell(&page);
                  }
                  return FinishAndCloseWebPage(&page);
              }),
              0);
    Page p;
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    p.text = s.str();
    FILE* t = popen(("tidy -q -e '" + path.string() + "' 2>&1").c_str(), "r");
    char line[1024];
    while (t && fgets(line, sizeof line, t))
        if (!std::strstr(line, "summary")) p.tidy += line;
    if (t) pclose(t);
    return p;
}

int Count(const std::string& text, const std::string& what) {
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

TEST(HTMLPage, PagesPassTidy) {
    if (system("tidy -v >/dev/null 2>&1") != 0) GTEST_SKIP() << "tidy is not installed (tools/install-deps.sh)";
    char tmpl[] = "/tmp/vornesk-html-XXXXXX";
    const fs::path folder = mkdtemp(tmpl);
    fs::create_directories(folder / kWebImagesFolderName);
    const std::vector<std::string> captions = {"Caf\xC3\xA9 \"Noir\" & <Blanc>.psd", "My Map.png", "Mollweide",
                                               "\xE2\x80\xA0 dagger's.jpg"};
    struct Case {
        const char* name;
        int64_t columns;
        int cells;
        int rows;       // rows of cells written
        int emptyCells;  // padding
    } cases[] = {{"empty.html", 3, 0, 1, 0},   {"one.html", 3, 1, 1, 2},   {"row.html", 4, 4, 1, 0},
                 {"padded.html", 4, 6, 2, 2},  {"wide.html", 12, 11, 2, 9}};
    for (const Case& c : cases) {
        const Page p = WritePage(folder, c.name, c.columns, c.cells, captions);
        EXPECT_EQ(p.tidy, "") << c.name;
        EXPECT_EQ(p.text.find('\n'), std::string::npos) << c.name;
        EXPECT_EQ(p.text.substr(p.text.size() - 7), "</html>") << c.name;
        EXPECT_EQ(Count(p.text, "<img "), c.cells) << c.name;
        EXPECT_EQ(Count(p.text, "<p><font face="), c.emptyCells) << c.name;
        EXPECT_EQ(Count(p.text, "id=\"Table_01\""), c.cells ? 1 : 0) << c.name;
        // Each image source, percent-decoded, names a file of web_images.
        for (size_t at = p.text.find("src=\""); at != std::string::npos; at = p.text.find("src=\"", at)) {
            const size_t from = at + 5, to = p.text.find('"', from);
            if (to == std::string::npos) break;
            at = to + 1;
            std::string decoded;
            const std::string src = p.text.substr(from, to - from);
            for (size_t i = 0; i < src.size(); ++i)
                if (src[i] == '%') {
                    decoded += char(std::stoi(src.substr(i + 1, 2), nullptr, 16));
                    i += 2;
                } else {
                    decoded += src[i];
                }
            EXPECT_EQ(decoded.rfind(std::string(kWebImagesFolderName) + "/", 0), 0u) << src;
            std::ofstream(folder / decoded) << "";
            EXPECT_TRUE(fs::exists(folder / decoded)) << src;
        }
    }
    const Page one = WritePage(folder, "names.html", 12, 1, {"My Map.png"});
    EXPECT_NE(one.text.find("src=\"web_images/My%20Map.jpg\""), std::string::npos);
    EXPECT_NE(one.text.find(">My Map</font>"), std::string::npos);
    EXPECT_NE(one.text.find("images from Photos &amp; &quot;Maps&quot; &lt;&eacute;t&eacute;&gt;"), std::string::npos);
    fs::remove_all(folder);
}

}  // namespace
