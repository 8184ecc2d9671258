// PNG files: the reader (8 and 16-bit, grey or colour, with or without
// alpha; palettes and small bit depths expanded) and the writer (8-bit for
// 8-bit documents, else 16-bit), both for image_files.cpp.
#pragma once

#include <cstdio>
#include <string>

#include "cli/document.h"

// Reads the PNG file f within the limits (limits.fileSize set); on failure
// `message` says why.
bool ReadPngCore(FILE* f, const PictureReadLimits& limits, HostDocument* doc, char (&message)[256]);
bool WritePng(FILE* f, const HostDocument& doc, std::string* error);
