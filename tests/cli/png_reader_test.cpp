// The host's PNG reader against libpng itself: every kind of PNG file, and
// files damaged in the ways the reader's own checks are about, must read as
// libpng reads them (the same pixels, or a failure where libpng fails).
#include <gtest/gtest.h>

#include <png.h>
#include <zlib.h>

#include <csetjmp>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "cli/document.h"
#include "cli/image_files.h"
#include "tests/cli/spawn_host.h"

namespace {

struct Bytes {
    std::string data;
    size_t at = 0;
};

void WriteToBytes(png_structp png, png_bytep data, png_size_t size) {
    static_cast<Bytes*>(png_get_io_ptr(png))->data.append(reinterpret_cast<const char*>(data), size);
}

void ReadFromBytes(png_structp png, png_bytep data, png_size_t size) {
    auto* b = static_cast<Bytes*>(png_get_io_ptr(png));
    if (size > b->data.size() - b->at) png_error(png, "read past the end");
    std::memcpy(data, b->data.data() + b->at, size);
    b->at += size;
}

void Quiet(png_structp, png_const_charp) {}
void QuietError(png_structp png, png_const_charp) { png_longjmp(png, 1); }

// A picture whose rows give every filter something to do: smooth ramps,
// edges and noise, in every channel.
uint16_t SampleAt(uint32_t x, uint32_t y, int c, int depth) {
    uint32_t h = x * 2654435761u ^ y * 2246822519u ^ uint32_t(c) * 3266489917u;
    h ^= h >> 15;
    const uint32_t smooth = (x * 7 + y * 3 + uint32_t(c) * 50) & 0xff;
    const uint32_t v = (x / 5 + y / 3) % 3 == 0 ? h & 0xff : smooth;
    return depth == 16 ? uint16_t(v << 8 | (h >> 8 & 0xff)) : uint16_t(v >> (8 - depth));
}

struct Kind {
    int colourType, depth, filters;
    bool interlaced = false, transparency = false;
    uint32_t width = 37, height = 11;
};

// The file libpng writes for the kind, its IDAT cut into chunks of 100 bytes.
std::string WritePng(const Kind& k) {
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, QuietError, Quiet);
    png_infop info = png_create_info_struct(png);
    const int channels = k.colourType == PNG_COLOR_TYPE_GRAY_ALPHA ? 2
                         : k.colourType == PNG_COLOR_TYPE_RGB      ? 3
                         : k.colourType == PNG_COLOR_TYPE_RGBA     ? 4
                                                                   : 1;
    const size_t rowBytes = (size_t(k.width) * channels * k.depth + 7) / 8;
    std::vector<std::vector<uint8_t>> rows(k.height, std::vector<uint8_t>(rowBytes, 0));
    for (uint32_t y = 0; y < k.height; ++y)
        for (uint32_t x = 0; x < k.width; ++x)
            for (int c = 0; c < channels; ++c) {
                const uint16_t v = SampleAt(x, y, c, k.depth);
                const size_t i = size_t(x) * channels + size_t(c);
                if (k.depth == 16) {
                    rows[y][i * 2] = uint8_t(v >> 8), rows[y][i * 2 + 1] = uint8_t(v);
                } else if (k.depth == 8) {
                    rows[y][i] = uint8_t(v);
                } else {
                    const size_t bit = i * size_t(k.depth);
                    rows[y][bit / 8] |= uint8_t(v << (8 - k.depth - bit % 8));
                }
            }
    std::vector<png_bytep> pointers;
    for (auto& r : rows) pointers.push_back(r.data());
    if (setjmp(png_jmpbuf(png)) == 0) {
        png_set_write_fn(png, &out, WriteToBytes, nullptr);
        png_set_IHDR(png, info, k.width, k.height, k.depth, k.colourType,
                     k.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                     PNG_FILTER_TYPE_DEFAULT);
        if (k.colourType == PNG_COLOR_TYPE_PALETTE) {
            png_color palette[256];
            for (int i = 0; i < 256; ++i) palette[i] = png_color{uint8_t(i), uint8_t(255 - i), uint8_t(i * 7)};
            png_set_PLTE(png, info, palette, 1 << k.depth);
        }
        if (k.transparency) {
            png_byte alpha[16];
            for (int i = 0; i < 16; ++i) alpha[i] = uint8_t(i * 16);
            png_color_16 colour{};
            colour.gray = colour.red = colour.green = colour.blue = SampleAt(0, 0, 0, k.depth);
            png_set_tRNS(png, info, alpha, k.colourType == PNG_COLOR_TYPE_PALETTE ? 16 : 0, &colour);
        }
        png_set_filter(png, 0, k.filters);
        png_set_compression_buffer_size(png, 100);
        png_write_info(png, info);
        png_write_image(png, pointers.data());
        png_write_end(png, nullptr);
    } else {
        ADD_FAILURE() << "libpng could not write the test file";
    }
    png_destroy_write_struct(&png, &info);
    return out.data;
}

// libpng's own reading of a file, with the transformations the host asks
// for (palettes and transparency to channels, small depths to 8 bits),
// 16-bit samples taken to the document's 0..32768. False when libpng fails.
bool LibpngRead(Bytes* file, std::vector<uint8_t>* samples, int* channels, int* depth) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, QuietError, Quiet);
    png_infop info = png_create_info_struct(png);
    // Changed between setjmp and a longjmp: kept in memory.
    png_bytepp volatile rows = nullptr;
    volatile png_uint_32 height = 0;
    volatile bool ok = false;
    if (setjmp(png_jmpbuf(png)) == 0) {
        png_set_read_fn(png, file, ReadFromBytes);
        png_read_info(png, info);
        const int colourType = png_get_color_type(png, info), bitDepth = png_get_bit_depth(png, info);
        if (colourType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
        if (colourType == PNG_COLOR_TYPE_GRAY && bitDepth < 8) png_set_expand_gray_1_2_4_to_8(png);
        if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
        png_set_interlace_handling(png);
        png_read_update_info(png, info);
        height = png_get_image_height(png, info);
        *channels = png_get_channels(png, info);
        *depth = png_get_bit_depth(png, info);
        const size_t rowBytes = png_get_rowbytes(png, info);
        rows = static_cast<png_bytepp>(png_calloc(png, height * sizeof(png_bytep)));
        for (png_uint_32 y = 0; y < height; ++y) rows[y] = static_cast<png_bytep>(png_malloc(png, rowBytes));
        png_read_image(png, rows);
        png_read_end(png, nullptr);
        samples->clear();
        for (png_uint_32 y = 0; y < height; ++y) samples->insert(samples->end(), rows[y], rows[y] + rowBytes);
        ok = true;
    }
    if (rows) {
        for (png_uint_32 y = 0; y < height; ++y) png_free(png, rows[y]);
        png_free(png, rows);
    }
    png_destroy_read_struct(&png, &info, nullptr);
    if (ok && *depth == 16) {
        for (size_t i = 0; i + 1 < samples->size(); i += 2) {
            const uint16_t v = Document16FromFile(uint16_t((*samples)[i] << 8 | (*samples)[i + 1]));
            std::memcpy(&(*samples)[i], &v, 2);
        }
    }
    return ok;
}

// The host's reading of `file` agrees with libpng's.
void ExpectReadAsLibpng(const std::string& file, const std::string& what) {
    SCOPED_TRACE(what);
    Bytes bytes{file, 0};
    std::vector<uint8_t> theirs;
    int channels = 0, depth = 0;
    const bool theyRead = LibpngRead(&bytes, &theirs, &channels, &depth);
    const TempDir folder;
    std::ofstream(folder / "in.png", std::ios::binary) << file;
    HostDocument doc;
    std::string error;
    const bool weRead = ReadImageFile(folder / "in.png", &doc, &error);
    ASSERT_EQ(weRead, theyRead) << error;
    if (!weRead) {
        EXPECT_NE(error.find("PNG"), std::string::npos) << error;
        return;
    }
    EXPECT_EQ(doc.Planes(), channels);
    EXPECT_EQ(doc.depth, depth);
    ASSERT_EQ(doc.samples.size(), theirs.size());
    EXPECT_TRUE(std::memcmp(doc.samples.data(), theirs.data(), theirs.size()) == 0);
}

TEST(PngReader, EveryKindReadsAsLibpngReadsIt) {
    std::vector<Kind> kinds;
    for (int type : {PNG_COLOR_TYPE_GRAY, PNG_COLOR_TYPE_GRAY_ALPHA, PNG_COLOR_TYPE_RGB, PNG_COLOR_TYPE_RGBA})
        for (int depth : {8, 16})
            for (int filters : {PNG_FILTER_NONE, PNG_FILTER_SUB, PNG_FILTER_UP, PNG_FILTER_AVG, PNG_FILTER_PAETH,
                                PNG_ALL_FILTERS})
                kinds.push_back({type, depth, filters});
    // One pixel wide, one row high: the filters' edges.
    kinds.push_back({PNG_COLOR_TYPE_RGB, 8, PNG_ALL_FILTERS, false, false, 1, 9});
    kinds.push_back({PNG_COLOR_TYPE_RGBA, 16, PNG_FILTER_PAETH, false, false, 13, 1});
    // Paeth rows are made two or four at a time: counts that leave a pair
    // and a single row after the fours, rows wider than the small kinds, of
    // every pixel size, and Paeth rows among rows of other filters.
    for (int type : {PNG_COLOR_TYPE_GRAY, PNG_COLOR_TYPE_GRAY_ALPHA, PNG_COLOR_TYPE_RGB, PNG_COLOR_TYPE_RGBA})
        for (int depth : {8, 16}) kinds.push_back({type, depth, PNG_FILTER_PAETH, false, false, 300, 12});
    kinds.push_back({PNG_COLOR_TYPE_RGB, 8, PNG_FILTER_PAETH, false, false, 77, 7});
    for (int type : {PNG_COLOR_TYPE_RGB, PNG_COLOR_TYPE_RGBA})
        kinds.push_back({type, 8, PNG_ALL_FILTERS, false, false, 160, 64});
    kinds.push_back({PNG_COLOR_TYPE_RGB, 8, PNG_FILTER_PAETH, false, false, 1, 6});
    kinds.push_back({PNG_COLOR_TYPE_RGBA, 8, PNG_FILTER_PAETH, false, false, 2, 5});
    // The kinds libpng reads for us: small depths, palettes, transparency,
    // interlacing.
    for (int depth : {1, 2, 4}) kinds.push_back({PNG_COLOR_TYPE_GRAY, depth, PNG_ALL_FILTERS});
    kinds.push_back({PNG_COLOR_TYPE_PALETTE, 4, PNG_ALL_FILTERS});
    kinds.push_back({PNG_COLOR_TYPE_PALETTE, 8, PNG_ALL_FILTERS, false, true});
    kinds.push_back({PNG_COLOR_TYPE_GRAY, 8, PNG_ALL_FILTERS, false, true});
    kinds.push_back({PNG_COLOR_TYPE_RGB, 16, PNG_ALL_FILTERS, false, true});
    kinds.push_back({PNG_COLOR_TYPE_RGB, 8, PNG_ALL_FILTERS, true});
    kinds.push_back({PNG_COLOR_TYPE_GRAY_ALPHA, 16, PNG_ALL_FILTERS, true});
    for (const Kind& k : kinds)
        ExpectReadAsLibpng(WritePng(k), "colour type " + std::to_string(k.colourType) + ", depth " +
                                            std::to_string(k.depth) + ", filters " + std::to_string(k.filters) +
                                            (k.interlaced ? ", interlaced" : "") + (k.transparency ? ", tRNS" : ""));
}

// A PNG file put together chunk by chunk.
std::string Chunk(const char* type, const std::string& data) {
    auto be32 = [](uint32_t v) {
        return std::string{char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
    };
    const std::string body = std::string(type, 4) + data;
    return be32(uint32_t(data.size())) + body +
           be32(uint32_t(crc32(0, reinterpret_cast<const Bytef*>(body.data()), uInt(body.size()))));
}

std::string Header(uint32_t width, uint32_t height, int depth, int colourType) {
    std::string h(13, '\0');
    for (int i = 0; i < 4; ++i) h[size_t(i)] = char(width >> (24 - 8 * i)), h[size_t(4 + i)] = char(height >> (24 - 8 * i));
    h[8] = char(depth), h[9] = char(colourType);
    return Chunk("IHDR", h);
}

std::string Deflated(const std::string& raw) {
    uLongf size = compressBound(uLong(raw.size()));
    std::string out(size, '\0');
    compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(raw.data()), uLong(raw.size()), 6);
    out.resize(size);
    return out;
}

// Files damaged where the reader's checks look (the chunk walk, the CRCs, the
// stream's length and checksum, the filter bytes): read as libpng reads them.
TEST(PngReader, DamagedFilesFailWhereLibpngFails) {
    const uint32_t width = 5, height = 4;
    std::string rows;   // RGB, 8-bit, one row of each filter but Paeth, then Paeth
    for (uint32_t y = 0; y < height; ++y) {
        rows += char(y == 3 ? 4 : y % 4);
        for (uint32_t i = 0; i < width * 3; ++i) rows += char(SampleAt(i, y, 0, 8));
    }
    const std::string signature("\x89PNG\r\n\x1a\n", 8), ihdr = Header(width, height, 8, 2);
    const std::string idat = Deflated(rows), iend = Chunk("IEND", "");
    auto file = [&](const std::string& stream) { return signature + ihdr + Chunk("IDAT", stream) + iend; };
    std::string badFilter = rows;
    badFilter[1 + width * 3] = 5;
    std::string paethThenBad = rows;   // rows 2 and 3 would be made together were both Paeth
    paethThenBad[2 * (1 + width * 3)] = 4;
    paethThenBad[3 * (1 + width * 3)] = 5;
    std::string badCrc = file(idat);
    badCrc[signature.size() + ihdr.size() + 8 + 3] ^= 1;   // a byte of the IDAT's data
    std::string badAdler = idat;
    badAdler.back() ^= 1;
    std::string lowerCrcText = Chunk("tEXt", std::string("Comment\0x", 9));
    lowerCrcText[lowerCrcText.size() - 1] ^= 1;
    const std::pair<std::string, std::string> cases[] = {
        {"sound", file(idat)},
        {"IDAT in three chunks", signature + ihdr + Chunk("IDAT", idat.substr(0, 3)) + Chunk("IDAT", idat.substr(3, 9)) +
                                      Chunk("IDAT", idat.substr(12)) + iend},
        {"a text chunk between IDAT chunks",
         signature + ihdr + Chunk("IDAT", idat.substr(0, 7)) + Chunk("tEXt", std::string("Comment\0x", 9)) +
             Chunk("IDAT", idat.substr(7)) + iend},
        {"an ancillary chunk with a bad CRC", signature + ihdr + lowerCrcText + Chunk("IDAT", idat) + iend},
        {"an unknown critical chunk", signature + ihdr + Chunk("QRST", "xy") + Chunk("IDAT", idat) + iend},
        {"no IEND", signature + ihdr + Chunk("IDAT", idat)},
        {"filter type 5", file(Deflated(badFilter))},
        {"filter type 5 under a Paeth row", file(Deflated(paethThenBad))},
        {"IDAT CRC wrong", badCrc},
        {"Adler-32 wrong", file(badAdler)},
        {"a row short", file(Deflated(rows.substr(0, rows.size() - 1)))},
        {"a row too many", file(Deflated(rows + rows.substr(0, 1 + width * 3)))},
        {"bytes after the stream", file(idat + "junk")},
        {"the stream cut", file(idat.substr(0, idat.size() / 2))},
    };
    for (const auto& [what, bytes] : cases) ExpectReadAsLibpng(bytes, what);
}

}  // namespace
