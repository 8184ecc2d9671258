// The metadata the plug-in writes into its JPEG files from outside data: the
// document's ICC profile (any bytes) and IPTC keywords. The input is the
// keywords, one a line, up to the first zero byte, then the profile. The
// written file decodes to its picture, carries the profile whole in its
// numbered APP2 chunks, the EXIF block as built and every stored keyword.
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "files/exif.h"
#include "files/iptc.h"
#include "files/jpeg_codec.h"
#include "fuzz/fuzz_support.h"

namespace {

void Grey(void*, long y, long width, uint8_t* rgb) {
    for (long x = 0; x < width; ++x) rgb[3 * x] = rgb[3 * x + 1] = rgb[3 * x + 2] = uint8_t(x * 16 + y);
}

struct Markers {
    std::vector<std::vector<uint8_t>> app1, app2, app13;
    long width = 0, height = 0;
};

// libjpeg reads the file back on its own, keeping the markers.
bool ReadBack(const std::vector<uint8_t>& file, Markers* m) {
    jpeg_decompress_struct cinfo;
    VorneskJPEGError err;
    cinfo.err = InitVorneskJPEGError(&err);
    if (setjmp(err.escape)) return false;
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, file.data(), static_cast<unsigned long>(file.size()));
    for (int code : {JPEG_APP0 + 1, JPEG_APP0 + 2, JPEG_APP0 + 13}) jpeg_save_markers(&cinfo, code, 0xFFFF);
    jpeg_read_header(&cinfo, TRUE);
    for (jpeg_saved_marker_ptr s = cinfo.marker_list; s; s = s->next) {
        std::vector<uint8_t> data(s->data, s->data + s->data_length);
        (s->marker == JPEG_APP0 + 1 ? m->app1 : s->marker == JPEG_APP0 + 2 ? m->app2 : m->app13).push_back(data);
    }
    jpeg_start_decompress(&cinfo);
    std::vector<uint8_t> row(size_t(cinfo.output_width) * size_t(cinfo.output_components));
    JSAMPROW rows[1] = {row.data()};
    while (cinfo.output_scanline < cinfo.output_height) jpeg_read_scanlines(&cinfo, rows, 1);
    m->width = long(cinfo.output_width);
    m->height = long(cinfo.output_height);
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

bool Contains(const std::vector<uint8_t>& hay, const char* needle) {
    const size_t n = std::strlen(needle);
    for (size_t i = 0; i + n <= hay.size(); ++i)
        if (std::memcmp(hay.data() + i, needle, n) == 0) return true;
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const uint8_t* zero = static_cast<const uint8_t*>(std::memchr(data, 0, size));
    const size_t textBytes = zero ? size_t(zero - data) : size;
    const std::string text(reinterpret_cast<const char*>(data), textBytes);
    const uint8_t* icc = zero ? zero + 1 : nullptr;
    const size_t iccSize = zero ? size - textBytes - 1 : 0;

    TIPTCThing iptc;
    InitIPTC(&iptc);
    for (size_t at = 0; at <= text.size();) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        AddIPTCKeyword(&iptc, text.substr(at, end - at).c_str());
        at = end + 1;
    }
    FUZZ_CHECK(iptc.keywordCount >= 0 && iptc.keywordCount <= kIPTCKeywordsStored, "keyword count");
    TEXIFThing exif;
    InitEXIF(&exif);

    const int fd = MemoryFile(nullptr, 0);
    if (fd < 0) std::abort();
    const JPEGMetadata metadata{iccSize, icc, &iptc, &exif};
    const int r = WriteJPEGRowsToFile(20, 16, Grey, nullptr, fd, false, 80, metadata);
    FUZZ_CHECK(r == kJPEGOK, "the file was not written: " + std::to_string(r));
    std::vector<uint8_t> file(size_t(lseek(fd, 0, SEEK_END)));
    lseek(fd, 0, SEEK_SET);
    FUZZ_CHECK(read(fd, file.data(), file.size()) == ssize_t(file.size()), "the file could not be read back");
    close(fd);

    Markers m;
    FUZZ_CHECK(ReadBack(file, &m), "libjpeg refused the file");
    FUZZ_CHECK(m.width == 20 && m.height == 16, "the picture's size");

    // The profile, from its chunks in sequence order.
    std::vector<uint8_t> profile;
    for (size_t i = 0; i < m.app2.size(); ++i) {
        const std::vector<uint8_t>& c = m.app2[i];
        FUZZ_CHECK(c.size() > 14 && std::memcmp(c.data(), "ICC_PROFILE", 12) == 0, "an APP2 marker that is no chunk");
        FUZZ_CHECK(c[12] == i + 1 && c[13] == m.app2.size(), "chunk numbers");
        profile.insert(profile.end(), c.begin() + 14, c.end());
    }
    FUZZ_CHECK(profile.size() == iccSize && (iccSize == 0 || std::memcmp(profile.data(), icc, iccSize) == 0),
               "the profile came back as " + std::to_string(profile.size()) + " bytes of " + std::to_string(iccSize));

    FUZZ_CHECK(m.app1.size() == 1 && exif.buffer && int64_t(m.app1[0].size()) == exif.length &&
                   std::memcmp(m.app1[0].data(), exif.buffer, m.app1[0].size()) == 0,
               "the EXIF block");
    FUZZ_CHECK(m.app13.size() == 1, "the IPTC block");
    for (int64_t i = 0; i < iptc.keywordCount; ++i)
        FUZZ_CHECK(Contains(m.app13[0], iptc.keywords[i]), std::string("the keyword ") + iptc.keywords[i]);
    dispose_IPTC_resource_memory(&iptc, 0);
    dispose_EXIF_resource_memory(&exif, 0);
    return 0;
}
