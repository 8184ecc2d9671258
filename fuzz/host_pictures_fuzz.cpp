// The host's picture readers (PNG, JPEG, PFM, TIFF) through the entry it
// reads files with, under the memory bound it applies. A refused file leaves
// the document as it was and says why; an accepted one has the size its
// header claims, a kind of samples the document knows and every sample.
#include <string>

#include "fuzz/fuzz_support.h"
#include "fuzz/picture_headers.h"
#include "cli/image_files.h"

namespace {

// Pictures beyond this many bytes of samples are refused, as a host with
// little memory would; it keeps a run inside libFuzzer's memory limit.
constexpr double kMemoryBound = 64.0 * 1024 * 1024;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    HostDocument doc;
    doc.width = 3;
    doc.height = 2;
    doc.colourPlanes = 1;
    doc.depth = 16;
    doc.samples.assign(12, 0x5A);
    std::string error;
    // The bytes as a file, read by the entry the host reads its INPUT with.
    const int fd = MemoryFile(data, size);
    if (fd < 0) return 0;
    const bool read = ReadImageFile("/proc/self/fd/" + std::to_string(fd), &doc, &error, kMemoryBound);
    close(fd);
    if (!read) {
        FUZZ_CHECK(!error.empty(), "a refused picture without a reason");
        FUZZ_CHECK(doc.width == 3 && doc.height == 2 && doc.colourPlanes == 1 && !doc.hasAlpha && doc.depth == 16 &&
                       doc.samples.size() == 12 && doc.mask.empty(),
                   "a refused picture changed the document: " + error);
        for (uint8_t b : doc.samples) FUZZ_CHECK(b == 0x5A, "a refused picture wrote samples: " + error);
        return 0;
    }
    FUZZ_CHECK(doc.width > 0 && doc.height > 0, "an empty picture");
    FUZZ_CHECK(doc.colourPlanes == 1 || doc.colourPlanes == 3, "colour planes");
    FUZZ_CHECK(doc.depth == 8 || doc.depth == 16 || doc.depth == 32, "depth");
    FUZZ_CHECK(doc.samples.size() == doc.SampleCount() * size_t(doc.BytesPerSample()), "sample bytes");
    FUZZ_CHECK(double(doc.samples.size()) <= kMemoryBound, "a picture beyond the memory bound");
    FUZZ_CHECK(doc.mask.empty(), "a mask from a picture file");
    ClaimedSize claim;
    if (size >= 8 && data[0] == 0x89) claim = PNGClaim(data, size);
    else if (size >= 3 && data[0] == 0xFF) claim = JPEGClaim(data, size);
    else if (size >= 3 && data[0] == 'P') claim = PFMClaim(data, size);
    else claim = TIFFClaim(data, size);
    FUZZ_CHECK(claim.known, "a picture whose header names no size");
    FUZZ_CHECK(uint64_t(doc.width) == claim.width && uint64_t(doc.height) == claim.height,
               "read " + std::to_string(doc.width) + " x " + std::to_string(doc.height) + ", the header says " +
                   std::to_string(claim.width) + " x " + std::to_string(claim.height));
    return 0;
}
