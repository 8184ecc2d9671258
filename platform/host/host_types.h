// Scalar and geometry types shared by the plug-in and its host.
//
// The host hands pixels and settings over in these forms: 16-bit rectangles
// and points for ordinary documents, 32-bit ones for big documents, 16.16
// fixed-point rates, four-character codes and length-prefixed strings.
#pragma once

#include <cstdint>

using OSErr = int16_t;      // host result codes (result_codes.h)
using OSType = uint32_t;    // four-character code, first character in the high byte
using Boolean = uint8_t;
using Fixed = int32_t;      // 16.16 fixed point
using Ptr = char*;

// A host handle: a relocatable block owned by the host, reached through the
// handle procedures (lock it to get its address). Opaque to the plug-in.
struct HostHandleBlock;
using Handle = HostHandleBlock*;

// Length-prefixed string: byte 0 holds the length (0..255), the text follows.
using Str255 = unsigned char[256];
using StringPtr = unsigned char*;
using ConstStr255Param = const unsigned char*;

// The host's 16-bit forms: point (v, h) and rectangle (top, left, bottom,
// right). A rectangle covers [left, right) x [top, bottom).
struct Point {
    int16_t v;
    int16_t h;
};

struct Rect {
    int16_t top;
    int16_t left;
    int16_t bottom;
    int16_t right;
};

// The 32-bit forms used for big documents and throughout the system.
struct VPoint {
    int32_t v;
    int32_t h;
};

struct VRect {
    int32_t top;
    int32_t left;
    int32_t bottom;
    int32_t right;
};

// Colour as the host keeps foreground and background: 16 bits per channel.
struct RGBColor {
    uint16_t red;
    uint16_t green;
    uint16_t blue;
};

// A colour in the document's own mode, one byte per plane.
using FilterColor = uint8_t[4];

// 'abcd' as a code: the first character in the most significant byte.
constexpr OSType MakeFourCC(const char (&s)[5]) {
    return (OSType(uint8_t(s[0])) << 24) | (OSType(uint8_t(s[1])) << 16) |
           (OSType(uint8_t(s[2])) << 8) | OSType(uint8_t(s[3]));
}

constexpr Fixed FixedFromInt(int32_t n) { return Fixed(uint32_t(n) << 16); }
