// File-name rules of the exports that write several files from one chosen
// name: one file per layer numbered "%03ld" or named by the layer, companion
// files with other extensions, and names cleaned so that OBJ and MTL files
// can name each other. Names are UTF-8 and stay whole through the cleaning.
#pragma once

#include <cstdint>
#include <string>

// The path with its stem suffixed and its extension replaced:
// - newExtension (punctuation trimmed from both ends: ".jpg" is jpg) replaces
//   the path's own extension when given and not empty;
// - with no new extension, no custom suffix and allLayers <= 1 the path
//   comes back unchanged;
// - the suffix is the separator (" " with useSpaceSeparator) and thisLayer in
//   at least three digits when allLayers > 1; a non-empty custom suffix takes
//   its place (separator and the custom text);
// - clean 1 passes the stem through FileZerp_makeNameNonWeirdForOBJ.
// /a/b/Globe.psd, layer 2 of 12: /a/b/Globe002.psd; with the space
// separator /a/b/Globe 002.psd; custom "_d": /a/b/Globe_d.psd.
std::string FileZerp_generateRenumberedFilePath(const std::string& path, int64_t thisLayer, int64_t allLayers,
                                               const char* newExtension, int64_t clean, const char* custom,
                                               bool useSpaceSeparator);
// The model path with its extension replaced (and its stem cleaned when asked).
std::string FileZerp_makeClonedPathWithNewExtender(const char* extension, const std::string& model, bool clean);
std::string FileZerp_spacesToScores(const std::string& s);
// Spaces and control bytes to "_", ":", "/" and "\" to "_", at most 259
// bytes (whole characters): a name an OBJ's "mtllib" reads as one.
std::string FileZerp_makeNameNonWeirdForOBJ(const std::string& s);
// The path's last component into buffer as a terminated string of at most
// size - 1 bytes; empty when it does not fit. Nothing without path or buffer.
void FileZerp_MacPath_toCString(const char* path, char* buffer, int64_t size);

// The stem and extension of a path's last component: the extension follows
// the last "." that is not the name's first byte.
void SplitFileName(const std::string& path, std::string* folder, std::string* stem, std::string* extension);
