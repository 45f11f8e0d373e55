#include <pwd.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>

#include "ctl/who_and_when.h"

std::string UserName() {
    if (const passwd* entry = ::getpwuid(::geteuid()); entry && entry->pw_name)
        return entry->pw_name;
    if (const char* name = std::getenv("USER"); name && *name) return name;
    return "?";
}

std::string HostName() {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0 || name[0] == '\0') return "?";
    return name;
}

bool LocalCalendarTime(std::time_t t, std::tm& local) {
    return ::localtime_r(&t, &local) != nullptr;
}
