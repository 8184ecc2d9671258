// Helpers of the PSD tests: pictures of every depth, files written section by
// section, the expected bytes of a plane computed here from the format's
// rules, and the outside readers (psd-tools, ImageMagick, exiftool).
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "files/psd_doc.h"
#include "files/psd_layers.h"
#include "files/psd_sections.h"
#include "pyramid/pixels.h"
#include "pyramid/pyramid.h"

namespace psdtest {

struct Folder {
    std::string path;
    Folder() {
        char tmpl[] = "/tmp/vornesk-psd-XXXXXX";
        path = mkdtemp(tmpl);
    }
    ~Folder() {
        if (!std::getenv("VORNESK_KEEP_PSD")) std::system(("rm -rf '" + path + "'").c_str());
    }
    std::string operator/(const std::string& name) const { return path + "/" + name; }
};

inline std::vector<uint8_t> ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Standard output of a shell command (its standard error joins it).
inline std::string Shell(const std::string& command) {
    std::string out;
    FILE* p = popen((command + " 2>&1").c_str(), "r");
    if (!p) return out;
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, p)) > 0;) out.append(buffer, n);
    pclose(p);
    return out;
}

inline uint32_t BE32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }
inline uint16_t BE16(const uint8_t* p) { return uint16_t(p[0] << 8 | p[1]); }

struct PyrHolder {
    std::unique_ptr<PyramidDescriptor> pyr{new PyramidDescriptor{}};
    PyrHolder(int64_t w, int64_t h, int64_t kind, BufferProcs* procs = nullptr) {
        InitPyramidProcs(pyr.get(), procs);
        TryToAllocatePyramid_2006(pyr.get(), w, h, kind, 0, 0);
    }
    ~PyrHolder() { DisposePyramidData(pyr.get()); }
    PyramidDescriptor* operator->() { return pyr.get(); }
    PyramidDescriptor* get() { return pyr.get(); }
};

// A picture with every alpha from clear to opaque, values at both ends of
// the scale and a seed that tells layers apart. Kind 3, 4 or 9.
inline void PaintPicture(PyramidDescriptor* pyr, int seed) {
    const int64_t w = pyr->width[0], h = pyr->height[0];
    for (int64_t y = 0; y < h; ++y)
        for (int64_t x = 0; x < w; ++x) {
            const int64_t i = y * w + x + seed * 37;
            uint8_t* p = pyr_pixel_address(pyr, 0, x, y, pyr->bytesPerPixel);
            if (pyr->kind == kPyrColour8) {
                const uint32_t word = uint32_t((i * 7) & 255) << 24 | uint32_t((i * 13 + 5) & 255) << 16 |
                                      uint32_t((x * 255) / (w > 1 ? w - 1 : 1)) << 8 | uint32_t((i * 29) & 255);
                std::memcpy(p, &word, 4);
            } else if (pyr->kind == kPyrColour16) {
                const uint16_t v[4] = {uint16_t((i * 997) % 32769), uint16_t(x == 0 ? 32768 : (i * 331) % 32769),
                                       uint16_t(y == 0 ? 16384 : (i * 71) % 32769), uint16_t((i * 1237) % 32769)};
                std::memcpy(p, v, 8);
            } else {
                const float v[4] = {float(std::sin(double(i)) * 0.5 + 0.5), float((i % 97) / 96.0 * 1.7),
                                    float(-0.25 + (i % 5) * 0.125 + 1e-7 * seed), float((i % 41) / 40.0)};
                std::memcpy(p, v, 16);
            }
        }
}

// Expected bytes of one plane written from the pyramid, from the format's
// rules: plane 1..3 a colour component, 0 or 4 alpha; composited over the
// checkerboard of 8 x 8 squares (white, grey) when asked.
inline std::vector<uint8_t> ExpectedPlane(const PyramidDescriptor* pyr, int plane, bool composite) {
    std::vector<uint8_t> out;
    const int c = plane >= 1 && plane <= 3 ? plane - 1 : 3;
    const int64_t w = pyr->width[0], h = pyr->height[0];
    for (int64_t y = 0; y < h; ++y)
        for (int64_t x = 0; x < w; ++x) {
            const bool grey = ((x ^ y) & 8) != 0;
            const uint8_t* p = pyr_pixel_address(pyr, 0, x, y, pyr->bytesPerPixel);
            if (pyr->kind == kPyrColour8) {
                uint32_t word;
                std::memcpy(&word, p, 4);
                const int64_t comps[4] = {word >> 24, (word >> 16) & 255, (word >> 8) & 255, word & 255};
                int64_t b = comps[c];
                if (composite) b = ((255 - comps[3]) * (grey ? 204 : 255) + b * comps[3]) / 255;
                out.push_back(uint8_t(b));
            } else if (pyr->kind == kPyrColour16) {
                uint16_t v[4];
                std::memcpy(v, p, 8);
                int64_t s = v[c];
                if (composite) s = c == 3 ? 32768 : ((32768 - v[3]) * (grey ? 26112 : 32640) + s * v[3]) >> 15;
                const uint32_t wide = s == 32768 ? 65535 : uint32_t(2 * s);
                out.push_back(uint8_t(wide >> 8));
                out.push_back(uint8_t(wide));
            } else {
                float v[4];
                std::memcpy(v, p, 16);
                float f = v[c];
                if (composite) f = c == 3 ? 1.0f : std::fma(f, v[3], (grey ? 0.8f : 1.0f) * (1.0f - v[3]));
                uint32_t bits;
                std::memcpy(&bits, &f, 4);
                for (int k = 3; k >= 0; --k) out.push_back(uint8_t(bits >> (8 * k)));
            }
        }
    return out;
}

// A whole file, section by section, into fd; before each layer's channel data
// paint(layer index) may change the pyramid. Returns the sink's count.
inline int64_t WriteSections(int fd, bool measure, PyramidDescriptor* pyr, const PSDdoc& doc,
                             const PSDResourceExtras& extras, const std::function<void(int64_t)>& paint,
                             int* error = nullptr) {
    PSDSink sink;
    PSDSinkStart(&sink, fd, measure);
    WrPSD_file_header_section(pyr, &doc, &sink);
    WrPSD_color_mode_data_section(pyr, &doc, &sink);
    WrPSD_image_resources_section(pyr, &doc, extras, &sink);
    WrPSD_layer_and_mask_section_parts(pyr, &doc, &sink, nullptr, 1);
    for (int64_t i = 0; i < doc.layerCount; ++i) {
        if (paint) paint(i);
        WrPSD_layer_and_mask_section_parts(pyr, &doc, &sink, nullptr, 2);
    }
    WrPSD_layer_and_mask_section_parts(pyr, &doc, &sink, nullptr, 3);
    WrPSD_image_data_section(pyr, &doc, &sink);
    const int e = PSDSinkFlush(&sink);
    if (error) *error = e;
    return sink.count;
}

inline PSDdoc Doc(int64_t w, int64_t h, int64_t layers, int64_t bytes, int64_t kind = 3) {
    PSDdoc d;
    initPSDdoc(&d);
    d.channelsPerLayer = 4;
    d.layerCount = layers;
    d.width = w;
    d.height = h;
    d.firstLayerNumber = 1;
    d.exportKind = kind;
    d.outputModeForTags = -1;
    d.bytesPerComponent = bytes;
    d.cubeFace = -1;
    return d;
}

inline int64_t KindOfBytes(int64_t bytes) { return bytes == 1 ? kPyrColour8 : bytes == 2 ? kPyrColour16 : kPyrColourFloat; }

// ImageMagick with its picture-size limits raised to the format's 30,000
// pixels a side (the system policy stops at 16,384).
inline std::string Magick(const std::string& folder, const std::string& command) {
    const std::string policy = folder + "/policy.xml";
    if (ReadAll(policy).empty()) {
        std::ofstream out(policy);
        out << "<policymap><policy domain=\"resource\" name=\"width\" value=\"64KP\"/>"
               "<policy domain=\"resource\" name=\"height\" value=\"64KP\"/></policymap>\n";
    }
    return Shell("MAGICK_CONFIGURE_PATH='" + folder + "' " + command);
}

// Image index of a PSD file (0 the merged image, then the layers) as
// ImageMagick decodes it: RGBA values big-endian at the given bytes each.
inline std::vector<uint8_t> MagickRGBA(const std::string& folder, const std::string& psd, int index, int64_t bytes) {
    const std::string raw = folder + "/magick.rgba";
    std::remove(raw.c_str());
    Magick(folder, "convert '" + psd + "[" + std::to_string(index) + "]' -endian MSB -depth " +
                       std::to_string(bytes * 8) + " 'rgba:" + raw + "'");
    return ReadAll(raw);
}

// The four planes of a layer (alpha, then the colours) interleaved as RGBA.
inline std::vector<uint8_t> InterleavedRGBA(const PyramidDescriptor* pyr) {
    std::vector<uint8_t> planes[4], out;
    for (int p = 0; p < 4; ++p) planes[p] = ExpectedPlane(pyr, p == 3 ? 0 : p + 1, false);
    const size_t b = size_t(pyr->bytesPerComponent);
    for (size_t k = 0; k < planes[0].size(); k += b)
        for (int p = 0; p < 4; ++p) out.insert(out.end(), planes[p].begin() + long(k), planes[p].begin() + long(k + b));
    return out;
}

// What psd-tools read: the fact lines by their first words, raw files in the folder.
struct ReadBack {
    std::string text;
    std::map<std::string, std::string> facts;  // "size" -> "10 20", "layer 0 name" -> "face 1"
    std::vector<std::string> warnings;
    std::string folder;
    std::vector<uint8_t> Raw(const std::string& name) const { return ReadAll(folder + "/" + name); }
};

inline ReadBack ReadWithPsdTools(const std::string& psd, const std::string& folder) {
    ReadBack r;
    r.folder = folder;
    std::system(("mkdir -p '" + folder + "'").c_str());
    r.text = Shell("/usr/bin/python3 '" VORNESK_SOURCE_DIR "/tests/files/psd_readback.py' '" + psd + "' '" + folder + "'");
    std::istringstream in(r.text);
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("warning ", 0) == 0 || line.find("Traceback") != std::string::npos ||
            line.find("Error") != std::string::npos) {
            r.warnings.push_back(line);
            continue;
        }
        std::istringstream words(line);
        std::string a, b, c;
        words >> a;
        std::string key = a;
        if (a == "layer") {
            words >> b >> c;
            key = a + " " + b + " " + c;
        } else if (a == "resource") {
            words >> b;
            key = a + " " + b;
        }
        std::string rest;
        std::getline(words, rest);
        if (!rest.empty() && rest[0] == ' ') rest.erase(0, 1);
        r.facts[key] = rest;
    }
    return r;
}

}  // namespace psdtest
