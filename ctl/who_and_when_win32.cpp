#include <windows.h>

#include "ctl/who_and_when.h"

std::string UserName() {
    char name[257] = {};
    DWORD size = sizeof name;
    if (!GetUserNameA(name, &size) || name[0] == '\0') return "?";
    return name;
}

std::string HostName() {
    char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = sizeof name;
    if (!GetComputerNameA(name, &size) || name[0] == '\0') return "?";
    return name;
}

bool LocalCalendarTime(std::time_t t, std::tm& local) {
    return localtime_s(&local, &t) == 0;
}
