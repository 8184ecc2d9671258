#include "common/filenames.h"

#include <cstdio>
#include <cstring>
#include <ctime>

#include "common/strings.h"

int16_t FindAnyExtender(const char* s) {
    if (!s) return -1;
    for (int16_t i = static_cast<int16_t>(qev_PIstrlen(s) - 1); i >= 0; i--)
        if (s[i] == '.') return i;
    return -1;
}

void StripAnyExtender(char* s) {
    const int16_t i = FindAnyExtender(s);
    if (i >= 0) s[i] = 0;
}
void StripAnyBMPExtender(char* s) { StripAnyExtender(s); }

void get_extender_with_dot(char* out, const char* s) {
    if (!out) return;
    out[0] = 0;
    if (!s || qev_PIstrlen(s) < 2) return;
    const int16_t i = FindAnyExtender(s);
    if (i >= 0) PIstrcpy(out, s + i);
}

void EnsureBMPExtender(char* s) {
    if (!s) return;
    MakeLower(s);
    StripAnyExtender(s);
    PIstrcat(s, ".bmp");
}
void AppendGIF(char* s) { PIstrcat(s, ".gif"); }
void AppendJPG(char* s) { PIstrcat(s, ".jpg"); }
void AppendPSD(char* s) { PIstrcat(s, ".psd"); }

static bool NameContains(const char* s, const char* ext) {
    if (!s || qev_PIstrlen(s) < 4) return false;
    return findAinB(ext, s, true) >= 0;
}

bool IsGIFFile(const char* s) { return NameContains(s, ".gif"); }
bool IsPNGFile(const char* s) { return NameContains(s, ".png"); }
bool IsJPEGFile(const char* s) { return NameContains(s, ".jpg") || NameContains(s, ".jpeg"); }
bool IsBMPFile(const char* s) { return NameContains(s, ".bmp"); }
bool IsPSDFile(const char* s) { return NameContains(s, ".psd"); }
bool IsTIFFFile(const char* s) { return NameContains(s, ".tif"); }
bool isImageFilename(const char* s) {
    return IsPSDFile(s) || IsBMPFile(s) || IsJPEGFile(s) || IsPNGFile(s) || IsGIFFile(s) || IsTIFFFile(s);
}

void GenerateRenumbered_C_Filename(char* dst, const char* src, int64_t n) {
    if (!dst || !src) return;
    constexpr int kMaxName = 259;
    constexpr int kMaxExtension = 64;
    const int len = qev_PIstrlen(src);
    const int dot = FindAnyExtender(src);
    // Text after the last point too long to be an extension belongs to the stem.
    const char* ext = src + (dot >= 0 && len - dot <= kMaxExtension ? dot : len);
    int stemLength = static_cast<int>(ext - src);
    const int extLength = len - stemLength;
    char number[32];
    std::snprintf(number, sizeof number, " %lld", static_cast<long long>(n));
    // An over-long name gives up the end of its stem, never the number or the
    // extension: renumbered copies must stay distinct and keep their type.
    const int numberLength = static_cast<int>(std::strlen(number));
    if (stemLength > kMaxName - numberLength - extLength) {
        stemLength = kMaxName - numberLength - extLength;
        // Cut before a whole UTF-8 character, not inside one.
        while (stemLength > 0 && (static_cast<unsigned char>(src[stemLength]) & 0xC0) == 0x80) stemLength--;
    }
    std::snprintf(dst, kMaxName + 1, "%.*s%s%.*s", stemLength, src, number, extLength, ext);
}

bool MacFileKindMatches(const char* kind, uint32_t type, const char* wantedKind, uint32_t wantedType) {
    if (type == wantedType) return true;
    if (!kind || !wantedKind) return false;
    const int16_t lw = qev_PIstrlen(wantedKind);
    if (lw < 1 || lw > qev_PIstrlen(kind)) return false;
    return findAinB(wantedKind, kind, true) >= 0;
}

uint32_t DateTimeCountFromUnixTime(int64_t unixSeconds) {
    return static_cast<uint32_t>(unixSeconds + kDateTimeCountMinusUnixTime);
}

uint32_t QevReturnDateTime() { return DateTimeCountFromUnixTime(static_cast<int64_t>(std::time(nullptr))); }
void GetOldFashionedDateTime(uint32_t* out) {
    if (out) *out = QevReturnDateTime();
}
void GetSecondsNow(uint32_t* out) { GetOldFashionedDateTime(out); }
void GetUTCSecondsNow(uint32_t* out) { GetOldFashionedDateTime(out); }

template <class T>
static void Store(T* p, int32_t v) {
    if (p) *p = v;
}

static void StoreDateAndHour(const std::tm& tm, int32_t* year, int32_t* month, int32_t* day, int32_t* hour) {
    Store(year, tm.tm_year + 1900);
    Store(month, tm.tm_mon + 1);
    Store(day, tm.tm_mday);
    Store(hour, tm.tm_hour);
}

void UTCYearMonthDayHour(int32_t* year, int32_t* month, int32_t* day, int32_t* hour, int64_t offset) {
    const std::time_t t = static_cast<std::time_t>(std::time(nullptr) + offset);
    std::tm tm {};
    if (gmtime_r(&t, &tm)) StoreDateAndHour(tm, year, month, day, hour);
}
void UTCYearMonthDayHour_mac_new(int32_t* year, int32_t* month, int32_t* day, int32_t* hour, int64_t offset) {
    UTCYearMonthDayHour(year, month, day, hour, offset);
}

void LocalYearMonthDayHourMinutesSeconds(int32_t* year, int32_t* month, int32_t* day, int32_t* hour,
                                         int32_t* minute, int32_t* second) {
    const std::time_t t = std::time(nullptr);
    std::tm tm {};
    if (!localtime_r(&t, &tm)) return;
    StoreDateAndHour(tm, year, month, day, hour);
    Store(minute, tm.tm_min);
    Store(second, tm.tm_sec);
}
void LocalYearMonthDayHourMinutesSeconds_mac_new(int32_t* year, int32_t* month, int32_t* day, int32_t* hour,
                                                 int32_t* minute, int32_t* second) {
    LocalYearMonthDayHourMinutesSeconds(year, month, day, hour, minute, second);
}

void MakeSnug(int64_t* w, int64_t* h, int64_t size) {
    if (size < 1) return;
    int64_t m = *w > *h ? *w : *h;
    if (m < 1) m = 1;
    *w = *w * size / m;
    *h = *h * size / m;
    if (*w < 1) *w = 1;
    if (*h < 1) *h = 1;
}

void MatchProportions(int64_t w, int64_t h, int64_t* W, int64_t* H, bool fromWidth) {
    if (fromWidth) {
        if (w != 0) *H = *W * h / w;
    } else if (h != 0)
        *W = *H * w / h;
}
