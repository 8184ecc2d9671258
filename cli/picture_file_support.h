// What the picture files' readers and writers share: opening a file, its
// size, the bound on what compressed data can expand to, a header's checks
// against the caller's limits, and big-endian words.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "cli/document.h"

struct FileCloser {
    void operator()(FILE* f) const {
        if (f) std::fclose(f);
    }
};
using FilePtr = std::unique_ptr<FILE, FileCloser>;

// Null, with *error, when the file cannot be opened or is a folder.
FilePtr OpenFile(const std::string& path, const char* mode, std::string* error);

// The size of an open file; 0 when it cannot be told.
uint64_t FileSize(FILE* f);

// A header can claim any size. What a file's compressed data can expand to
// is bounded, so a claim beyond that is refused before memory is taken.
inline bool FileCanHold(double bytesNeeded, uint64_t fileSize, double largestExpansion) {
    return bytesNeeded <= double(fileSize) * largestExpansion;
}

// Deflate turns at most 2 bits into a 258-byte match: 1032 bytes per byte.
constexpr double kLargestDeflateExpansion = 1032;

// The header's checks and the allocation for the readers that report errors
// by longjmp, kept out of line so that the functions holding setjmp own no
// C++ objects that a longjmp could skip. On failure `message` says why.
bool HeaderWithinLimits(const PictureReadLimits& limits, uint32_t width, uint32_t height, int channels, int depth,
                        char* message, size_t size);
// The caller's own check of the shape (PictureShapeAccepted), once the file
// is found to hold what it claims and before the picture's memory is taken.
bool ShapeAcceptedForReader(const PictureReadLimits& limits, uint32_t width, uint32_t height, int channels, int depth,
                            char* message, size_t size);
// The samples are left unset: every one is decoded before the picture is
// used, and a file that fails early has touched only the rows it reached.
bool AllocateForReader(HostDocument* doc, uint32_t width, uint32_t height, int channels, int depth, char* message,
                       size_t size);

inline uint32_t BigEndian32(const uint8_t* at) {
    return uint32_t(at[0]) << 24 | uint32_t(at[1]) << 16 | uint32_t(at[2]) << 8 | at[3];
}

inline void PutBigEndian32(uint8_t* at, uint32_t v) {
    at[0] = uint8_t(v >> 24), at[1] = uint8_t(v >> 16), at[2] = uint8_t(v >> 8), at[3] = uint8_t(v);
}
