// The size a picture file's header claims, read here on its own so the
// targets can hold a decoder to it.
#pragma once

#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

struct ClaimedSize {
    bool known = false;
    uint64_t width = 0;
    uint64_t height = 0;
};

inline uint32_t Big16(const uint8_t* p) { return uint32_t(p[0]) << 8 | p[1]; }
inline uint32_t Big32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }

// The first frame header (SOF0..SOF15 but DHT, JPG and DAC) of a JPEG stream;
// bytes between segments are passed over to the next 0xFF, as libjpeg does.
inline ClaimedSize JPEGClaim(const uint8_t* d, size_t n) {
    ClaimedSize c;
    if (n < 4 || d[0] != 0xFF || d[1] != 0xD8) return c;
    size_t at = 2;
    while (at + 4 <= n) {
        if (d[at] != 0xFF) {
            ++at;
            continue;
        }
        const uint8_t m = d[at + 1];
        if (m == 0xFF) {
            ++at;
            continue;
        }
        if (m == 0x00) {   // a stuffed zero is no marker
            at += 2;
            continue;
        }
        if (m == 0xD8 || m == 0x01 || (m >= 0xD0 && m <= 0xD7)) {
            at += 2;
            continue;
        }
        const uint32_t len = Big16(d + at + 2);
        if (m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC) {
            if (at + 9 > n) return c;
            c.known = true;
            c.height = Big16(d + at + 5);
            c.width = Big16(d + at + 7);
            return c;
        }
        if (m == 0xDA || m == 0xD9) return c;
        at += len < 2 ? 4 : 2 + len;   // libjpeg skips nothing after a length below 2
    }
    return c;
}

// IHDR of a PNG file.
inline ClaimedSize PNGClaim(const uint8_t* d, size_t n) {
    ClaimedSize c;
    if (n < 24 || std::string(reinterpret_cast<const char*>(d + 12), 4) != "IHDR") return c;
    c.known = true;
    c.width = Big32(d + 16);
    c.height = Big32(d + 20);
    return c;
}

// "PF\n<width> <height>\n<scale>\n" and its grey form "Pf".
inline ClaimedSize PFMClaim(const uint8_t* d, size_t n) {
    ClaimedSize c;
    const std::string s(reinterpret_cast<const char*>(d), n);
    if (s.size() < 3 || s[0] != 'P' || (s[1] != 'F' && s[1] != 'f')) return c;
    size_t at = 2;
    uint64_t v[2];
    for (uint64_t& x : v) {
        while (at < s.size() && std::isspace(static_cast<unsigned char>(s[at]))) ++at;
        if (at < s.size() && s[at] == '+') ++at;   // the reader's scanf takes a plus sign
        if (at >= s.size() || !std::isdigit(static_cast<unsigned char>(s[at]))) return c;
        x = 0;
        while (at < s.size() && std::isdigit(static_cast<unsigned char>(s[at]))) {
            x = x * 10 + uint64_t(s[at++] - '0');
            if (x > 0xFFFFFFFFull) return c;
        }
    }
    c.known = true;
    c.width = v[0];
    c.height = v[1];
    return c;
}

// ImageWidth and ImageLength of a classic TIFF's first directory (the first
// of repeated tags, as libtiff keeps).
inline ClaimedSize TIFFClaim(const uint8_t* d, size_t n) {
    ClaimedSize c;
    if (n < 8) return c;
    const bool little = d[0] == 'I';
    auto u16 = [&](size_t at) { return little ? uint32_t(d[at]) | uint32_t(d[at + 1]) << 8 : Big16(d + at); };
    auto u32 = [&](size_t at) {
        return little ? uint32_t(d[at]) | uint32_t(d[at + 1]) << 8 | uint32_t(d[at + 2]) << 16 | uint32_t(d[at + 3]) << 24
                      : Big32(d + at);
    };
    const uint64_t ifd = u32(4);
    if (ifd + 2 > n) return c;
    const uint32_t count = u16(size_t(ifd));
    bool w = false, h = false;
    for (uint32_t i = 0; i < count; ++i) {
        const uint64_t e = ifd + 2 + uint64_t(i) * 12;
        if (e + 12 > n) return c;
        const uint32_t tag = u16(size_t(e)), type = u16(size_t(e + 2));
        if (tag != 256 && tag != 257) continue;
        // Any integer type, as libtiff takes them: bytes, shorts and longs,
        // signed or not, in the entry; 64-bit ones where it points.
        uint64_t value = ~0ull;
        if (type == 1 || type == 6) value = d[e + 8];
        if (type == 3 || type == 8) value = u16(size_t(e + 8));
        if (type == 4 || type == 9) value = u32(size_t(e + 8));
        if ((type == 16 || type == 17) && uint64_t(u32(size_t(e + 8))) + 8 <= n) {
            const size_t at = u32(size_t(e + 8));
            value = uint64_t(u32(at + (little ? 0 : 4))) | uint64_t(u32(at + (little ? 4 : 0))) << 32;
        }
        if (tag == 256 && !w) c.width = value, w = true;
        if (tag == 257 && !h) c.height = value, h = true;
    }
    c.known = w && h && c.width != ~0ull && c.height != ~0ull;
    return c;
}
