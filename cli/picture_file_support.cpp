#include "cli/picture_file_support.h"

#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

FilePtr OpenFile(const std::string& path, const char* mode, std::string* error) {
    FILE* f = std::fopen(path.c_str(), mode);
    if (!f) *error = std::strerror(errno);
    // A folder opens for reading on some systems, and then reads as nothing.
    struct stat st {};
    if (f && fstat(fileno(f), &st) == 0 && S_ISDIR(st.st_mode)) {
        std::fclose(f);
        *error = "it is a folder, not a picture";
        return FilePtr(nullptr);
    }
    return FilePtr(f);
}

uint64_t FileSize(FILE* f) {
    struct stat st {};
    return fstat(fileno(f), &st) == 0 && st.st_size > 0 ? uint64_t(st.st_size) : 0;
}

[[gnu::noinline]] bool HeaderWithinLimits(const PictureReadLimits& limits, uint32_t width, uint32_t height,
                                          int channels, int depth, char* message, size_t size) {
    std::string why;
    if (PictureWithinLimits(limits, width, height, channels, depth, &why)) return true;
    std::snprintf(message, size, "%s", why.c_str());
    return false;
}

[[gnu::noinline]] bool ShapeAcceptedForReader(const PictureReadLimits& limits, uint32_t width, uint32_t height,
                                              int channels, int depth, char* message, size_t size) {
    std::string why;
    if (PictureShapeAccepted(limits, width, height, channels, depth, &why)) return true;
    std::snprintf(message, size, "%s", why.c_str());
    return false;
}

[[gnu::noinline]] bool AllocateForReader(HostDocument* doc, uint32_t width, uint32_t height, int channels,
                                         int depth, char* message, size_t size) {
    std::string why;
    if (width <= INT32_MAX && height <= INT32_MAX &&
        AllocateDocument(doc, int32_t(width), int32_t(height), channels >= 3 ? 3 : 1, channels == 2 || channels == 4,
                         depth, &why, false))
        return true;
    std::snprintf(message, size, "%s", why.empty() ? "picture too large" : why.c_str());
    return false;
}
