// JPEG files through libjpeg: grey or colour in, 8-bit grey or RGB out
// (transparent pixels flattened onto white), both for image_files.cpp.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "cli/document.h"

// Reads the JPEG file f within the limits (limits.fileSize set); on failure
// `message` says why.
bool ReadJpegCore(FILE* f, const PictureReadLimits& limits, HostDocument* doc, char (&message)[256]);
bool WriteJpeg(FILE* f, const HostDocument& doc, std::string* error);
// The picture's width and height from its frame header (the first SOF
// segment), leaving the file at its start; false when none is found.
bool JpegPictureSize(FILE* f, uint32_t* width, uint32_t* height);
