#pragma once

#include <chrono>
#include <ctime>
#include <string>

// Time stamps of zr3ctl's output: ISO 8601 in the extended form, local time with its offset from
// UTC, "2026-01-31T14:05:09+01:00" (with milliseconds "2026-01-31T14:05:09.120+01:00").

// The calendar time of t in the local time zone, and that zone's offset from UTC in seconds.
struct LocalTime {
    std::tm fields{};
    long offsetSeconds = 0;
};
LocalTime LocalTimeOf(std::time_t t);

std::string IsoTimeStamp(std::chrono::system_clock::time_point when, bool milliseconds = false);
// The same text from calendar fields and an offset, for fixed times.
std::string IsoTimeText(const std::tm& fields, long offsetSeconds, int milliseconds = -1);
