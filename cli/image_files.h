// Picture files in and out of the host's document.
//
// In: PNG (8 and 16-bit, grey or colour, with or without alpha; palettes and
// small bit depths expanded), JPEG (grey or colour), PFM (32-bit float, no
// alpha) and TIFF (8, 16 or 32-bit float, grey or RGB, with or without alpha,
// any compression libtiff reads; see tiff_file.h), recognised by their first
// bytes. A header claiming more than its file can hold is refused before
// memory is taken. Out: by the name's extension, ".png" (8-bit for 8-bit
// documents, else 16-bit), ".jpg"/".jpeg" (8-bit, no alpha), ".pfm" (32-bit
// float) and ".tif"/".tiff" (the document's depth). ".psd" is known, but
// the plug-in writes it (as the dialog's "PSD…" does), not this file.
//
// 16-bit files hold 0..65535; documents hold 0..32768. Float samples are
// written as they are, without clamping.
#pragma once

#include <cstdint>
#include <string>

#include "cli/document.h"

enum class ImageFormat { Unknown, PNG, JPEG, PFM, TIFF, PSD };

ImageFormat ImageFormatFromName(const std::string& path);

// On failure *error holds one line saying why (without the file name).
// memoryLimit bounds the picture's samples in bytes (0: half this machine's
// memory); whatever the file claims, a read takes about that much at most.
// check, when given, is asked about the shape the header declares before
// anything is allocated (see PictureShapeCheck).
bool ReadImageFile(const std::string& path, HostDocument* doc, std::string* error, double memoryLimit = 0,
                   const PictureShapeCheck& check = nullptr);
bool WriteImageFile(const std::string& path, ImageFormat format, const HostDocument& doc, std::string* error);

// The picture's width and height from its header, without decoding it;
// false when the file cannot be opened or its header does not say (a read
// then tells why).
bool ReadImageSize(const std::string& path, int32_t* width, int32_t* height);

// Reads a picture resized to width x height, as ReadImageFile then
// ResizeDocument would, without holding the full-size picture where the
// file allows (see ReadTiffFileResized). *readFailed tells a failed read
// from a failed resize.
bool ReadImageFileResized(const std::string& path, int32_t width, int32_t height, HostDocument* doc,
                          std::string* error, bool* readFailed, const PictureShapeCheck& check = nullptr);

// A grey picture of exactly width x height as a selection mask (8-bit:
// 16-bit and float masks are scaled, colour is taken as luminance, alpha
// is ignored). Its size is compared from its header, before decoding.
bool ReadMaskFile(const std::string& path, int32_t width, int32_t height, std::vector<uint8_t>* mask,
                  std::string* error);

// 16-bit conversions between files (0..65535) and documents (0..32768).
inline uint16_t Document16FromFile(uint16_t v) { return uint16_t((uint32_t(v) * 32768u + 32767u) / 65535u); }
inline uint16_t File16FromDocument(uint16_t v) {
    if (v >= 32768) return 65535;
    return uint16_t((uint32_t(v) * 65535u + 16384u) / 32768u);
}

// zlib's level for the rows of a PNG file too large to be deflated in one
// call (over a gigabyte of rows; smaller ones go through libdeflate): nearly
// the default level's size for photographs at about twice its speed.
constexpr int kOutputDeflateLevel = 4;
