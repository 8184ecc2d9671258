// The plug-in's own JPEG decoder (previews of settings files, memory dots):
// a stream it accepts hands over exactly the rows of the size its frame
// header claims, in order, in grey or RGB; a refused stream too large on a
// side hands over nothing, and a Huffman-coded stream too short for its
// frame nothing either.
#include <algorithm>
#include <cstring>

#include "files/jpeg_codec.h"
#include "fuzz/fuzz_support.h"
#include "fuzz/picture_headers.h"

namespace {

struct Rows {
    long expected = 0;   // next row
    long wanted = -1;    // rows taken before the decoder is stopped; -1 all
    long width = -1;
    int components = 0;
    unsigned sum = 0;
};

bool TakeRow(void* context, long y, long width, int components, const uint8_t* row) {
    auto* r = static_cast<Rows*>(context);
    FUZZ_CHECK(y == r->expected, "rows out of order");
    FUZZ_CHECK(components == 1 || components == 3, "components " + std::to_string(components));
    FUZZ_CHECK(width > 0 && (r->width < 0 || width == r->width), "the row width changed");
    r->width = width;
    r->components = components;
    // The row is there to read (AddressSanitizer watches): every byte of the
    // first rows, the ends of the others.
    unsigned sum = row[0] + row[width * components - 1];
    if (y < 64)
        for (long i = 0; i < width * components; ++i) sum += row[i];
    r->sum += sum;
    ++r->expected;
    return r->wanted < 0 || r->expected < r->wanted;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Rows rows;
    JPEGImageInfo info;
    char message[JMSG_LENGTH_MAX];
    const ClaimedSize claim = JPEGClaim(data, size);
    // Huffman coding takes a bit a block, so within 64 KB only an
    // arithmetic-coded stream can be a whole picture of more than 2^25
    // pixels (a flat one of 32,767 x 32,767 takes a few hundred bytes): of
    // those, the first rows are taken and the decoder stopped.
    constexpr long kRowsOfHugePictures = 64;
    const bool huge = claim.known && claim.width * claim.height > (uint64_t(1) << 25);
    if (huge) rows.wanted = kRowsOfHugePictures;
    const int r = DecompressJPEGRows(data, size, TakeRow, &rows, &info, message);
    if (std::strstr(message, "is too short for")) {
        FUZZ_CHECK(r == kJPEGLibraryError && rows.expected == 0, "rows handed over from a stream too short for its frame");
        return 0;
    }
    if (r == kJPEGBadSize) {
        FUZZ_CHECK(rows.expected == 0, "rows handed over from a stream too large");
        FUZZ_CHECK(claim.known && (claim.width > kJPEGLargestSide || claim.height > kJPEGLargestSide),
                   "refused as too large: " + std::string(message));
        return 0;
    }
    if (r != kJPEGOK) {
        FUZZ_CHECK(r == kJPEGLibraryError || r == kJPEGNoMemory, "result " + std::to_string(r));
        FUZZ_CHECK(message[0] != 0, "a refused stream without a reason");
        return 0;
    }
    FUZZ_CHECK(claim.known, "a picture without a frame header");
    FUZZ_CHECK(uint64_t(info.width) == claim.width && uint64_t(info.height) == claim.height,
               "decoded " + std::to_string(info.width) + " x " + std::to_string(info.height) + ", the header says " +
                   std::to_string(claim.width) + " x " + std::to_string(claim.height));
    FUZZ_CHECK(rows.expected == (huge ? std::min(info.height, kRowsOfHugePictures) : info.height) &&
                   rows.width == info.width,
               "rows missing");
    FUZZ_CHECK(rows.components == info.components, "components");
    return 0;
}
