#include "common/filenames.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <ctime>

namespace {

// The calendar fields agree with the standard library's own civil calendar.
TEST(Dates, UTCCalendarMatchesChrono) {
    using namespace std::chrono;
    for (int64_t offset : {int64_t(0), int64_t(-86400) * 400, int64_t(3600) * 5000}) {
        int32_t y = 0, m = 0, d = 0, h = 0;
        const int64_t before = system_clock::to_time_t(system_clock::now());
        UTCYearMonthDayHour(&y, &m, &d, &h, offset);
        const int64_t after = system_clock::to_time_t(system_clock::now());
        if (before != after) continue;  // a second boundary passed; the date may differ
        const sys_seconds t {seconds(before + offset)};
        const sys_days day = floor<days>(t);
        const year_month_day ymd {day};
        EXPECT_EQ(y, int(ymd.year()));
        EXPECT_EQ(m, int(unsigned(ymd.month())));
        EXPECT_EQ(d, int(unsigned(ymd.day())));
        EXPECT_EQ(h, duration_cast<hours>(t - day).count());
    }
}

TEST(Dates, LocalCalendarIsPlausible) {
    int32_t y = 0, mo = 0, d = 0, h = -1, mi = -1, s = -1;
    LocalYearMonthDayHourMinutesSeconds(&y, &mo, &d, &h, &mi, &s);
    EXPECT_GE(y, 2024);
    EXPECT_TRUE(mo >= 1 && mo <= 12);
    EXPECT_TRUE(d >= 1 && d <= 31);
    EXPECT_TRUE(h >= 0 && h <= 23);
    EXPECT_TRUE(mi >= 0 && mi <= 59);
    EXPECT_TRUE(s >= 0 && s <= 60);
    int32_t uy = 0;
    UTCYearMonthDayHour(&uy, nullptr, nullptr, nullptr, 0);
    EXPECT_LE(std::abs(uy - y), 1);
}

}  // namespace
