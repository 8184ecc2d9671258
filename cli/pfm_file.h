// PFM files: 32-bit float grey or colour, no alpha, rows from the bottom up;
// for image_files.cpp.
#pragma once

#include <cstdio>
#include <string>

#include "cli/document.h"

bool ReadPfm(FILE* f, const PictureReadLimits& limits, HostDocument* doc, std::string* error);
bool WritePfm(FILE* f, const HostDocument& doc, std::string* error);
