// Helpers of the JPEG tests: pictures, our encoder on plain buffers, outside
// tools and temporary files.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "common/memory.h"
#include "files/jpeg_codec.h"

namespace jpegtest {

struct RGBPicture {
    long width = 0, height = 0;
    std::vector<uint8_t> rgb;  // three bytes a pixel, rows top to bottom
    const uint8_t* at(long x, long y) const { return &rgb[size_t(y * width + x) * 3]; }
};

// Smooth colour ramps with a few flat patches: easy to compress, so the
// decoded colours stay close to the originals.
inline RGBPicture MakeTestPicture(long width, long height) {
    RGBPicture p;
    p.width = width;
    p.height = height;
    p.rgb.resize(size_t(width * height) * 3);
    for (long y = 0; y < height; ++y) {
        for (long x = 0; x < width; ++x) {
            uint8_t* q = &p.rgb[size_t(y * width + x) * 3];
            q[0] = uint8_t(255 * x / (width > 64 ? width - 1 : 63));
            q[1] = uint8_t(255 * y / (height > 64 ? height - 1 : 63));
            q[2] = uint8_t(128 + 100 * ((x / 32 + y / 32) % 2 ? 1 : -1) / 2);
        }
    }
    return p;
}

// Random bytes: the worst case for the encoder's output size.
inline RGBPicture MakeNoisePicture(long width, long height, uint32_t seed = 1) {
    RGBPicture p;
    p.width = width;
    p.height = height;
    p.rgb.resize(size_t(width * height) * 3);
    for (uint8_t& c : p.rgb) {
        seed = seed * 1664525u + 1013904223u;
        c = uint8_t(seed >> 24);
    }
    return p;
}

// Row source over a plain picture; positions past the edge repeat the edge.
inline void PictureRows(void* context, long y, long width, uint8_t* out) {
    const auto* p = static_cast<const RGBPicture*>(context);
    const long yy = y < p->height ? y : p->height - 1;
    for (long x = 0; x < width; ++x) {
        const long xx = x < p->width ? x : p->width - 1;
        std::memcpy(out + x * 3, p->at(xx, yy), 3);
    }
}

inline std::vector<uint8_t> Encode(const RGBPicture& p, long quality,
                                   const JPEGMetadata& metadata = JPEGMetadata{},
                                   int* result = nullptr) {
    JPEGOutput out;
    out.growable = true;
    const int r = CompressJPEGRows(p.width, p.height, PictureRows, const_cast<RGBPicture*>(&p), &out,
                                   quality, false, metadata);
    if (result) *result = r;
    std::vector<uint8_t> bytes(out.bytes, out.bytes + out.delivered);
    RobustDisposePtr(&out.bytes);
    return bytes;
}

// Decoded rows collected into an RGB picture (grey expanded).
struct Collected {
    RGBPicture picture;
    long rowsSeen = 0;
    long stopAfter = -1;  // rows wanted; -1 all
};
inline bool CollectRows(void* context, long y, long width, int components, const uint8_t* row) {
    auto* c = static_cast<Collected*>(context);
    RGBPicture& p = c->picture;
    if (p.width != width) {
        p.width = width;
        p.rgb.clear();
    }
    p.height = y + 1;
    p.rgb.resize(size_t(p.height * width) * 3);
    for (long x = 0; x < width; ++x) {
        for (int k = 0; k < 3; ++k)
            p.rgb[size_t(y * width + x) * 3 + k] = row[x * components + (components == 3 ? k : 0)];
    }
    ++c->rowsSeen;
    return c->stopAfter < 0 || c->rowsSeen < c->stopAfter;
}

inline bool ToolAvailable(const char* name) {
    const std::string cmd = std::string("command -v ") + name + " >/dev/null 2>&1";
    return std::system(cmd.c_str()) == 0;
}

inline std::string RunTool(const std::string& cmd, int* status = nullptr) {
    std::string out;
    FILE* f = popen(cmd.c_str(), "r");
    if (!f) return out;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
    const int st = pclose(f);
    if (status) *status = st;
    return out;
}

class TempDir {
public:
    TempDir() {
        char pattern[] = "/tmp/vk_jpeg_XXXXXX";
        const char* made = mkdtemp(pattern);
        path_ = made ? made : "/tmp";
    }
    ~TempDir() { std::system(("rm -rf '" + path_ + "'").c_str()); }
    std::string File(const std::string& name) const { return path_ + "/" + name; }
private:
    std::string path_;
};

inline bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

inline std::vector<uint8_t> ReadFile(const std::string& path) {
    std::vector<uint8_t> bytes;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return bytes;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.insert(bytes.end(), buf, buf + n);
    std::fclose(f);
    return bytes;
}

// Parses a binary PPM (P6, maxval 255) as djpeg writes it.
inline bool ParsePPM(const std::string& data, RGBPicture* out) {
    long w = 0, h = 0, maxval = 0;
    int consumed = 0;
    if (std::sscanf(data.c_str(), "P6 %ld %ld %ld%n", &w, &h, &maxval, &consumed) != 3) return false;
    if (maxval != 255 || w <= 0 || h <= 0) return false;
    const size_t start = size_t(consumed) + 1;
    if (data.size() < start + size_t(w * h * 3)) return false;
    out->width = w;
    out->height = h;
    out->rgb.assign(data.begin() + long(start), data.begin() + long(start) + w * h * 3);
    return true;
}

// Mean and largest absolute difference over the area both pictures cover.
struct Difference {
    double mean = 0;
    int largest = 0;
};
inline Difference Compare(const RGBPicture& a, const RGBPicture& b, long width, long height) {
    Difference d;
    double sum = 0;
    for (long y = 0; y < height; ++y)
        for (long x = 0; x < width; ++x)
            for (int k = 0; k < 3; ++k) {
                const int e = std::abs(int(a.at(x, y)[k]) - int(b.at(x, y)[k]));
                sum += e;
                if (e > d.largest) d.largest = e;
            }
    d.mean = sum / double(width * height * 3);
    return d;
}

// The markers of a stream up to the first scan, in order: code and data.
struct Marker {
    int code;
    std::vector<uint8_t> data;
};
inline std::vector<Marker> ListMarkers(const std::vector<uint8_t>& s) {
    std::vector<Marker> markers;
    size_t i = 2;  // past SOI
    while (i + 4 <= s.size() && s[i] == 0xFF) {
        const int code = s[i + 1];
        const size_t length = size_t(s[i + 2]) << 8 | s[i + 3];
        if (length < 2 || i + 2 + length > s.size()) break;
        markers.push_back({code, std::vector<uint8_t>(s.begin() + long(i + 4),
                                                      s.begin() + long(i + 2 + length))});
        if (code == 0xDA) break;
        i += 2 + length;
    }
    return markers;
}

}  // namespace jpegtest
