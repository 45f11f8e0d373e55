#include <time.h>

#include "ctl/time_stamp.h"

LocalTime LocalTimeOf(std::time_t t) {
    LocalTime local;
    localtime_r(&t, &local.fields);
    local.offsetSeconds = local.fields.tm_gmtoff;
    return local;
}
