// Names of files the system writes and recognises, the date and time in the
// forms written into files, and fitting a width and height to a size.
#pragma once

#include <cstdint>

// Extension: from the last '.' of a name to its end, the point included.
int16_t FindAnyExtender(const char* s);
void StripAnyExtender(char* s);
void StripAnyBMPExtender(char* s);
void get_extender_with_dot(char* out, const char* s);
void EnsureBMPExtender(char* s);
void AppendGIF(char* s);
void AppendJPG(char* s);
void AppendPSD(char* s);

// Type tests look for the extension anywhere in the name, ignoring case.
bool IsGIFFile(const char* s);
bool IsPNGFile(const char* s);
bool IsJPEGFile(const char* s);
bool IsBMPFile(const char* s);
bool IsPSDFile(const char* s);
bool IsTIFFFile(const char* s);
bool isImageFilename(const char* s);

// dst (at least 260 bytes) = src's stem, " n", src's extension.
void GenerateRenumbered_C_Filename(char* dst, const char* src, int64_t n);
bool MacFileKindMatches(const char* kind, uint32_t type, const char* wantedKind, uint32_t wantedType);

// Date-time count: seconds of the current time counted the way older files
// store dates, as an unsigned 32-bit number.
constexpr int64_t kDateTimeCountMinusUnixTime = 2082816000;
uint32_t DateTimeCountFromUnixTime(int64_t unixSeconds);
void GetOldFashionedDateTime(uint32_t* out);
void GetSecondsNow(uint32_t* out);
void GetUTCSecondsNow(uint32_t* out);
uint32_t QevReturnDateTime();

// The calendar date and hour in UTC of now plus offset seconds (month 1-12).
void UTCYearMonthDayHour(int32_t* year, int32_t* month, int32_t* day, int32_t* hour, int64_t offset);
void UTCYearMonthDayHour_mac_new(int32_t* year, int32_t* month, int32_t* day, int32_t* hour, int64_t offset);
// The current calendar date and time in the system time zone.
void LocalYearMonthDayHourMinutesSeconds(int32_t* year, int32_t* month, int32_t* day, int32_t* hour,
                                         int32_t* minute, int32_t* second);
void LocalYearMonthDayHourMinutesSeconds_mac_new(int32_t* year, int32_t* month, int32_t* day, int32_t* hour,
                                                 int32_t* minute, int32_t* second);

// The longer side becomes size, proportions kept, neither side below 1.
void MakeSnug(int64_t* w, int64_t* h, int64_t size);
// H from W (fromWidth) or W from H so that W:H = w:h.
void MatchProportions(int64_t w, int64_t h, int64_t* W, int64_t* H, bool fromWidth);
