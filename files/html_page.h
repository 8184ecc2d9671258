// HTML 4.01 pages of thumbnail cells with captions (the galleries): the page
// skeleton, cells and rows, escaping of text into ASCII HTML and
// percent-encoding of image names. A page is gathered in its record and
// written whole by FinishAndCloseWebPage. Lines end in a carriage return.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Page kinds; each names the page's title.
enum : int64_t { kPagePresets = 0, kPageImages = 1, kPageOutputModes = 2, kPageMemoryDots = 3, kPagePolyhedra = 4 };

inline constexpr int kMaxPageColumns = 10;
inline constexpr int kNameStashSlots = 20;
inline constexpr char kWebImagesFolderName[] = "web_images";

struct HTMLStatus {
    int64_t column = 1;          // column (from 1) the next cell takes
    int64_t row = 1;
    int64_t columns = 1;         // cells per row, at most kMaxPageColumns
    int64_t nameColumns = 1;
    std::string imageFolder;     // full path of the page's image folder
    std::string extraPath;       // the folder the page shows, or empty
    std::string imageFolderName = kWebImagesFolderName;  // written into image sources
    int fd = -1;                 // the page file, closed by FinishAndCloseWebPage
    std::vector<std::string> nameStash = std::vector<std::string>(kNameStashSlots);
    int64_t stashCount = 0;
    int64_t kind = kPageImages;
    uint8_t cellFlag = 0;
    uint8_t nameRowFlag = 0;     // 1: a finished row also writes the stashed names under it
    int64_t spareWord = 0;
    int64_t captionFontSize = 3;
    int64_t cells = 0;           // cells written, empty ones included
    int64_t frames = 0;          // image frames written; each gets its own id
    std::string text;            // the page so far
};

// One entity of the HTML 4.01 tables.
struct HTMLEntity {
    const char* entity;  // "&eacute;"
    int32_t character;   // its Unicode code point
};
// Every named entity of HTML 4.01 plus &apos; (253), and the markup
// characters with the special set (33); sorted by character.
extern const HTMLEntity kHTMLEntitiesFull[253];
extern const HTMLEntity kHTMLEntitiesShort[33];

// Starts the page: record reset for kind and columns, the head written.
int OpenAndStartWebPageCore(HTMLStatus* page, int64_t kind, int64_t columns);
// One cell with a framed image and a caption (UTF-8); link may be null. A
// null image name gives the caption alone.
void StartCell(const char* imageName, const char* caption, HTMLStatus* page, int64_t width, int64_t height,
               const char* suffix, const char* link);
// Advances the column; after the last column of a row ends the row.
void ConcludeCell(HTMLStatus* page);
void emit_empty_web_page_item(HTMLStatus* page);
void FlushTheStash(HTMLStatus* page);
void StashName(const char* name, HTMLStatus* page);
// Pads the last row, writes the tail, writes the page to its descriptor and
// closes it: 0, or the system error number of a failed write or close.
int FinishAndCloseWebPage(HTMLStatus* page);

// Text into ASCII HTML: UTF-8 text; a byte that starts no UTF-8 character
// is read as Mac OS Roman.
void WriteHTMLText(std::string_view text, HTMLStatus* page);
// The percent-encoding of image names: ASCII letters and digits as they are,
// every other byte "%" and two lower-case hexadecimal digits.
std::string PercentEncodedFileName(std::string_view name);
// An image name as it is written into the page and the image folder, in
// ASCII: a UTF-8 character (or a byte that starts none, read as Mac OS
// Roman) in Mac OS Roman folds from its byte b to (b AND 127) + 32 (again
// while that is 128 or more), a fold to "." giving "_"; a character Mac OS
// Roman lacks becomes "_" and its number in hexadecimal; control characters
// spaces, ":", "\" and "/" underscores; cut at its last ".". Names that
// fold alike are told apart by the caller.
std::string CleanedImageName(std::string_view name);
