#include "cli/image_files.h"

#include <unistd.h>

#include <cctype>
#include <climits>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "cli/jpeg_file.h"
#include "cli/pfm_file.h"
#include "cli/picture_file_support.h"
#include "cli/png_file.h"
#include "cli/tiff_file.h"
#include "platform/phase_clock.h"

namespace {

std::string Lower(std::string s) {
    for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool EndsWith(const std::string& s, const char* tail) {
    size_t n = std::strlen(tail);
    return s.size() >= n && s.compare(s.size() - n, n, tail) == 0;
}

ImageFormat SniffFormat(FILE* f) {
    uint8_t magic[8] = {};
    size_t n = std::fread(magic, 1, sizeof magic, f);
    std::rewind(f);
    if (n >= 8 && std::memcmp(magic, "\x89PNG\r\n\x1a\n", 8) == 0) return ImageFormat::PNG;
    if (n >= 3 && magic[0] == 0xFF && magic[1] == 0xD8 && magic[2] == 0xFF) return ImageFormat::JPEG;
    if (n >= 3 && magic[0] == 'P' && (magic[1] == 'F' || magic[1] == 'f') && std::isspace(magic[2]))
        return ImageFormat::PFM;
    if (n >= 4 && (std::memcmp(magic, "II*\0", 4) == 0 || std::memcmp(magic, "MM\0*", 4) == 0))
        return ImageFormat::TIFF;
    return ImageFormat::Unknown;
}

// Reads the picture of an open file, of any format, within the limits
// (limits.fileSize 0: the file's own size). The readers fill a document of
// their own, handed over only when the whole picture was read: a file that
// fails half-way leaves *doc as it was.
bool ReadOpenFile(FILE* f, PictureReadLimits limits, HostDocument* doc, std::string* error) {
    if (limits.fileSize == 0) limits.fileSize = FileSize(f);
    char message[256] = {};
    HostDocument read;
    bool ok = false;
    switch (SniffFormat(f)) {
        case ImageFormat::PNG:
            ok = ReadPngCore(f, limits, &read, message);
            if (!ok) *error = message;
            break;
        case ImageFormat::JPEG:
            ok = ReadJpegCore(f, limits, &read, message);
            if (!ok) *error = message;
            break;
        case ImageFormat::PFM: ok = ReadPfm(f, limits, &read, error); break;
        case ImageFormat::TIFF: ok = ReadTiffFile(fileno(f), limits, &read, error); break;
        default: *error = "not a PNG, JPEG, PFM or TIFF file"; return false;
    }
    if (ok) *doc = std::move(read);
    return ok;
}

}  // namespace
ImageFormat ImageFormatFromName(const std::string& path) {
    std::string s = Lower(path);
    if (EndsWith(s, ".png")) return ImageFormat::PNG;
    if (EndsWith(s, ".jpg") || EndsWith(s, ".jpeg")) return ImageFormat::JPEG;
    if (EndsWith(s, ".pfm")) return ImageFormat::PFM;
    if (EndsWith(s, ".tif") || EndsWith(s, ".tiff")) return ImageFormat::TIFF;
    if (EndsWith(s, ".psd")) return ImageFormat::PSD;
    return ImageFormat::Unknown;
}

bool ReadImageFile(const std::string& path, HostDocument* doc, std::string* error, double memoryLimit,
                   const PictureShapeCheck& check) {
    FilePtr f = OpenFile(path, "rb", error);
    if (!f) return false;
    PictureReadLimits limits;
    limits.memory = memoryLimit;
    limits.check = check;
    return ReadOpenFile(f.get(), limits, doc, error);
}

bool ReadImageFileResized(const std::string& path, int32_t width, int32_t height, HostDocument* doc,
                          std::string* error, bool* readFailed, const PictureShapeCheck& check) {
    *readFailed = true;
    {
        FilePtr f = OpenFile(path, "rb", error);
        if (!f) return false;
        if (SniffFormat(f.get()) == ImageFormat::TIFF) {
            bool plain = false;
            PictureReadLimits limits;
            limits.fileSize = FileSize(f.get());
            limits.check = check;
            const bool ok = ReadTiffFileResized(fileno(f.get()), limits, width, height, doc, error, &plain);
            if (plain) {
                NotePhaseEnd("decode+resize");
                return ok;
            }
        }
    }
    if (!ReadImageFile(path, doc, error, 0, check)) return false;
    NotePhaseEnd("decode");
    *readFailed = false;
    const bool ok = ResizeDocument(doc, width, height, error);
    NotePhaseEnd("resize");
    return ok;
}

bool WriteImageFile(const std::string& path, ImageFormat format, const HostDocument& doc, std::string* error) {
    FilePtr f = OpenFile(path, "wb", error);
    if (!f) return false;
    errno = 0;
    bool ok = false;
    switch (format) {
        case ImageFormat::PNG: ok = WritePng(f.get(), doc, error); break;
        case ImageFormat::JPEG: ok = WriteJpeg(f.get(), doc, error); break;
        case ImageFormat::PFM: ok = WritePfm(f.get(), doc, error); break;
        case ImageFormat::TIFF: ok = WriteTiffFile(fileno(f.get()), doc, error); break;
        default: *error = "unknown output format"; break;
    }
    // The system's reason beats the library's "write error".
    if (!ok && std::ferror(f.get()) && errno != 0) *error = std::strerror(errno);
    // A full disk may only show when the buffers are flushed.
    if (ok && (std::fflush(f.get()) != 0 || std::ferror(f.get()))) {
        *error = std::strerror(errno);
        ok = false;
    }
    if (std::fclose(f.release()) != 0) {
        if (ok) *error = std::strerror(errno);
        ok = false;
    }
    return ok;
}

bool ReadMaskFile(const std::string& path, int32_t width, int32_t height, std::vector<uint8_t>* mask,
                  std::string* error) {
    HostDocument m;
    FilePtr f = OpenFile(path, "rb", error);
    if (!f) return false;
    // The size is compared from the header, before anything is decoded.
    PictureReadLimits limits;
    limits.width = width;
    limits.height = height;
    if (!ReadOpenFile(f.get(), limits, &m, error)) return false;
    mask->resize(size_t(width) * height);
    const int planes = m.Planes();
    for (size_t i = 0; i < mask->size(); ++i) {
        double v = GetUnitSample(m, i * planes);
        if (m.colourPlanes == 3)
            v = 0.3 * v + 0.59 * GetUnitSample(m, i * planes + 1) + 0.11 * GetUnitSample(m, i * planes + 2);
        (*mask)[i] = uint8_t(std::lround(std::clamp(v, 0.0, 1.0) * 255.0));
    }
    return true;
}

bool ReadImageSize(const std::string& path, int32_t* width, int32_t* height) {
    std::string error;
    FilePtr f = OpenFile(path, "rb", &error);
    if (!f) return false;
    uint32_t w = 0, h = 0;
    bool ok = false;
    switch (SniffFormat(f.get())) {
        case ImageFormat::PNG: {
            // The signature, then the IHDR chunk's length and type, then width and height.
            uint8_t head[24];
            ok = std::fread(head, 1, sizeof head, f.get()) == sizeof head && std::memcmp(head + 12, "IHDR", 4) == 0;
            w = BigEndian32(head + 16), h = BigEndian32(head + 20);
            break;
        }
        case ImageFormat::JPEG: ok = JpegPictureSize(f.get(), &w, &h); break;
        case ImageFormat::PFM: {
            char kind[3] = {};
            long pw = 0, ph = 0;
            ok = std::fscanf(f.get(), "%2s %ld %ld", kind, &pw, &ph) == 3 && pw > 0 && ph > 0 && pw <= INT32_MAX &&
                 ph <= INT32_MAX;
            w = uint32_t(pw), h = uint32_t(ph);
            break;
        }
        case ImageFormat::TIFF: ok = TiffPictureSize(fileno(f.get()), &w, &h); break;
        default: break;
    }
    if (!ok || w < 1 || h < 1 || w > INT32_MAX || h > INT32_MAX) return false;
    *width = int32_t(w);
    *height = int32_t(h);
    return true;
}
