#include "common/filenames.h"

#include <cstdio>
#include <cstring>
#include <ctime>

#include "common/strings.h"

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

void LocalYearMonthDayHourMinutesSeconds(int32_t* year, int32_t* month, int32_t* day, int32_t* hour,
                                         int32_t* minute, int32_t* second) {
    const std::time_t t = std::time(nullptr);
    std::tm tm {};
    if (!localtime_r(&t, &tm)) return;
    StoreDateAndHour(tm, year, month, day, hour);
    Store(minute, tm.tm_min);
    Store(second, tm.tm_sec);
}
