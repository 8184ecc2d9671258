// In-place operations on zero-terminated strings and length-prefixed Str255
// buffers. Every length scan stops at the first zero byte or after 32,767
// bytes; buffers belong to the caller and nothing here keeps state.
#pragma once

#include <cstdint>

// Str255: byte 0 is the length (0 to 255), bytes 1 to 255 the characters.
#include "platform/host/host_types.h"

constexpr int16_t kMaxCStringScan = 32767;

int16_t qev_PIstrlen(const char* s);
char* PIstrcpy(char* dst, const char* src);
char* PIstrcat(char* dst, const char* src);
void AppendCharToCString(char* s, char c);

// Keeps only '0'..'9', '+', '-' (and '.' when keepPoint), in order.
void deSpaceCString_core(char* s, int keepPoint);
void deSpaceCString(char* s);
void deSpaceCString_keeping_decimal(char* s);
void constrain_string_to_hex_characters(char* s);

int32_t MacCStringToNum(const char* s);
double MacCStringToFloat(const char* s);

int8_t lowercase(char c);
int8_t qev_UpperToLower(char c);
char* MakeLower(char* s);
bool IsWhitespaceOrCrap(char c);
char* SpacesToScores(char* s);

// Make a name safe to show in a page or to use as a file or object name:
// control bytes become spaces, '/', '\' and ':' become '_'. The result is
// always valid UTF-8: well-formed UTF-8 characters are kept, any other byte
// of 128 or more is folded to a printable ASCII character.
char* MakeCFilenameNonWeirdForHTMLDisplay(char* s);
char* MakeNameNonWeirdForOBJ(char* s);

bool AMatchesB(const char* a, const char* b, int64_t n, int64_t offset);
bool AMatchesB_nocase(const char* a, const char* b, int64_t n, int64_t offset);
int64_t findAinB(const char* a, const char* b, bool nocase);

// Windows-1252 bytes to their Mac Roman counterparts (1 where none exists).
extern const unsigned char kWindowsToMacTable[256];
void TranslatePlatformAscii(int doIt, char* s);

void Cstring2Str255(char* s);
void QevStr2552Cstring(unsigned char* s);
const unsigned char* Copy255(const unsigned char* src, unsigned char* dst);
const unsigned char* Copy255b(const unsigned char* src, unsigned char* dst);
void AppendBreak(char* s);

// Parses an optionally signed decimal integer held in a Str255; rewrites the
// string as the digits it kept. Returns 1 when a number was stored.
int qev_StringToNumber(unsigned char* p, int64_t* out);

// Mac Roman: a byte as its Unicode character, and a character as its byte
// (-1 when Mac Roman has none).
uint16_t MacRomanToUnicode(uint8_t byte);
int32_t UnicodeToMacRoman(uint16_t character);
