// Names of files the system writes and recognises, the date and time in the
// forms written into files, and fitting a width and height to a size.
#pragma once

#include <cstdint>


// The calendar date and hour in UTC of now plus offset seconds (month 1-12).
void UTCYearMonthDayHour(int32_t* year, int32_t* month, int32_t* day, int32_t* hour, int64_t offset);
// The current calendar date and time in the system time zone.
void LocalYearMonthDayHourMinutesSeconds(int32_t* year, int32_t* month, int32_t* day, int32_t* hour,
                                         int32_t* minute, int32_t* second);
