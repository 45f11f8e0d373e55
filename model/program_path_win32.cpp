#include <windows.h>

#include "model/data_file_path.h"

std::string ProgramPath() {
    char buffer[MAX_PATH + 1] = {};
    // At most 259 characters and the zero fit; a longer path fills the buffer, cut.
    DWORD length = GetModuleFileNameA(nullptr, buffer, MAX_PATH);
    return UncutPath(buffer, length, MAX_PATH);
}
