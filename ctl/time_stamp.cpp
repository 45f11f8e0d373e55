#include "ctl/time_stamp.h"

#include <cstdio>
#include <cstdlib>

std::string IsoTimeText(const std::tm& fields, long offsetSeconds, int milliseconds) {
    char text[96];
    const long offsetMinutes = std::labs(offsetSeconds) / 60;
    char fraction[8] = "";
    if (milliseconds >= 0) std::snprintf(fraction, sizeof fraction, ".%03d", milliseconds % 1000);
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d%s%c%02ld:%02ld",
                  fields.tm_year + 1900, fields.tm_mon + 1, fields.tm_mday, fields.tm_hour,
                  fields.tm_min, fields.tm_sec, fraction, offsetSeconds < 0 ? '-' : '+',
                  offsetMinutes / 60, offsetMinutes % 60);
    return text;
}

std::string IsoTimeStamp(std::chrono::system_clock::time_point when, bool milliseconds) {
    using namespace std::chrono;
    const std::time_t seconds = system_clock::to_time_t(
        time_point_cast<system_clock::duration>(floor<std::chrono::seconds>(when)));
    const LocalTime local = LocalTimeOf(seconds);
    const auto millis =
        duration_cast<std::chrono::milliseconds>(when - floor<std::chrono::seconds>(when)).count();
    return IsoTimeText(local.fields, local.offsetSeconds,
                       milliseconds ? static_cast<int>(millis) : -1);
}
