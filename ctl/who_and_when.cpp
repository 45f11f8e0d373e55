#include "ctl/who_and_when.h"

#include "base/number_text.h"

namespace {

std::string Digits(int value, size_t width) {
    std::string text = FormatInteger(value < 0 ? -value : value);
    if (text.size() < width) text.insert(0, width - text.size(), '0');
    return text;
}

// Days from 1970-01-01 to a calendar date (proleptic Gregorian).
long long DaysFromCivil(long long year, unsigned month, unsigned day) {
    year -= month <= 2;
    const long long era = (year >= 0 ? year : year - 399) / 400;
    const unsigned yearOfEra = static_cast<unsigned>(year - era * 400);
    const unsigned dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + static_cast<long long>(dayOfEra) - 719468;
}

}  // namespace

std::string Iso8601Date(std::time_t t) {
    std::tm local{};
    if (!LocalCalendarTime(t, local)) return "?";
    return Digits(local.tm_year + 1900, 4) + "-" + Digits(local.tm_mon + 1, 2) + "-" +
           Digits(local.tm_mday, 2);
}

std::string Iso8601Time(std::time_t t) {
    std::tm local{};
    if (!LocalCalendarTime(t, local)) return "?";
    // The offset is the local calendar time read as if it were UTC, less the moment itself.
    const long long localSeconds =
        DaysFromCivil(local.tm_year + 1900LL, static_cast<unsigned>(local.tm_mon + 1),
                      static_cast<unsigned>(local.tm_mday)) *
            86400 +
        local.tm_hour * 3600LL + local.tm_min * 60LL + local.tm_sec;
    const long long offsetMinutes = (localSeconds - static_cast<long long>(t)) / 60;
    const int hours = static_cast<int>(offsetMinutes / 60);
    const int minutes = static_cast<int>(offsetMinutes % 60);
    return Iso8601Date(t) + "T" + Digits(local.tm_hour, 2) + ":" + Digits(local.tm_min, 2) + ":" +
           Digits(local.tm_sec, 2) + (offsetMinutes < 0 ? "-" : "+") + Digits(hours, 2) + ":" +
           Digits(minutes, 2);
}
