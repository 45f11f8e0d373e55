#include <time.h>

#include "ctl/time_stamp.h"

LocalTime LocalTimeOf(std::time_t t) {
    LocalTime local;
    localtime_s(&local.fields, &t);
    // The local fields read as UTC give the offset, daylight saving time included.
    std::tm copy = local.fields;
    local.offsetSeconds = static_cast<long>(_mkgmtime(&copy) - t);
    return local;
}
