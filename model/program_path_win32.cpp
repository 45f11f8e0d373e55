#include <windows.h>

#include "model/data_file_path.h"

std::string ProgramPath() {
    char buffer[MAX_PATH + 1] = {};
    // At most 259 characters are taken; a longer path comes back cut.
    DWORD length = GetModuleFileNameA(nullptr, buffer, MAX_PATH);
    if (length > MAX_PATH - 1) length = MAX_PATH - 1;
    return std::string(buffer, length);
}
