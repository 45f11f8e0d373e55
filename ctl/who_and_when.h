#pragma once

#include <ctime>
#include <string>

// Who runs zr3ctl, where and when, for the records it files.

// The user's login name ("?" when the system does not tell).
std::string UserName();
// The host's name ("?" when the system does not tell).
std::string HostName();
// The local calendar time of t; false when the system cannot tell it.
bool LocalCalendarTime(std::time_t t, std::tm& local);

// ISO 8601 local time with the UTC offset: 2026-12-10T14:05:09+01:00.
std::string Iso8601Time(std::time_t t);
// The date part of it: 2026-12-10.
std::string Iso8601Date(std::time_t t);
