// In-place operations on zero-terminated strings and length-prefixed Str255
// buffers. Every length scan stops at the first zero byte or after 32,767
// bytes; buffers belong to the caller and nothing here keeps state.
#pragma once

#include <cstdint>

// Str255: byte 0 is the length (0 to 255), bytes 1 to 255 the characters.
#include "platform/host/host_types.h"

constexpr int16_t kMaxCStringScan = 32767;

int16_t qev_PIstrlen(const char* s);

char* SpacesToScores(char* s);

// Make a name safe to show in a page or to use as a file or object name:
// control bytes become spaces, '/', '\' and ':' become '_'. The result is
// always valid UTF-8: well-formed UTF-8 characters are kept, any other byte
// of 128 or more is folded to a printable ASCII character.
char* MakeCFilenameNonWeirdForHTMLDisplay(char* s);
char* MakeNameNonWeirdForOBJ(char* s);


// Mac Roman: a byte as its Unicode character, and a character as its byte
// (-1 when Mac Roman has none).
uint16_t MacRomanToUnicode(uint8_t byte);
int32_t UnicodeToMacRoman(uint16_t character);
