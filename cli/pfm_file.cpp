#include "cli/pfm_file.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <vector>

// "PF" (colour) or "Pf" (grey), width, height, scale (negative: little
// endian), one whitespace byte, then rows of floats from the bottom up.
bool ReadPfm(FILE* f, const PictureReadLimits& limits, HostDocument* doc, std::string* error) {
    char kind[3] = {};
    long width = 0, height = 0;
    double scale = 0;
    if (std::fscanf(f, "%2s %ld %ld %lf", kind, &width, &height, &scale) != 4 || std::fgetc(f) == EOF ||
        (std::strcmp(kind, "PF") != 0 && std::strcmp(kind, "Pf") != 0)) {
        *error = "damaged PFM header";
        return false;
    }
    // The scale's sign gives the byte order: nan or an infinity gives none.
    if (scale == 0 || !std::isfinite(scale)) {
        *error = "damaged PFM header: its scale is not a finite number other than 0";
        return false;
    }
    const int colour = kind[1] == 'F' ? 3 : 1;
    // The samples must be in the file before memory is taken for them.
    long start = std::ftell(f);
    std::fseek(f, 0, SEEK_END);
    long size = std::ftell(f);
    std::fseek(f, start, SEEK_SET);
    if (width <= 0 || height <= 0 || width > INT32_MAX || height > INT32_MAX) {
        *error = "damaged PFM header";
        return false;
    }
    if (!PictureWithinLimits(limits, uint32_t(width), uint32_t(height), colour, 32, error)) return false;
    if (double(width) * height * colour * 4 > double(size - start)) {
        *error = "PFM file is shorter than its header says";
        return false;
    }
    if (!PictureShapeAccepted(limits, uint32_t(width), uint32_t(height), colour, 32, error)) return false;
    if (!AllocateDocument(doc, int32_t(width), int32_t(height), int16_t(colour), false, 32, error, false))
        return false;
    const bool swap = scale > 0;   // big-endian file on this little-endian machine
    const size_t rowSamples = size_t(width) * colour;
    for (long y = height - 1; y >= 0; --y) {
        uint8_t* row = doc->samples.data() + size_t(y) * rowSamples * 4;
        if (std::fread(row, 4, rowSamples, f) != rowSamples) {
            *error = "PFM file is shorter than its header says";
            return false;
        }
        if (swap)
            for (size_t i = 0; i < rowSamples; ++i) std::reverse(row + i * 4, row + i * 4 + 4);
    }
    return true;
}

bool WritePfm(FILE* f, const HostDocument& doc, std::string* error) {
    const int colour = doc.colourPlanes, planes = doc.Planes();
    std::fprintf(f, "%s\n%d %d\n-1.0\n", colour == 3 ? "PF" : "Pf", int(doc.width), int(doc.height));
    std::vector<float> row(size_t(doc.width) * colour);
    for (int32_t y = doc.height - 1; y >= 0; --y) {
        for (int32_t x = 0; x < doc.width; ++x)
            for (int p = 0; p < colour; ++p)
                row[size_t(x) * colour + p] = float(GetUnitSample(doc, (size_t(y) * doc.width + x) * planes + p));
        if (std::fwrite(row.data(), sizeof(float), row.size(), f) != row.size()) {
            *error = std::strerror(errno);
            return false;
        }
    }
    return true;
}
