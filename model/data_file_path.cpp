#include "model/data_file_path.h"

std::string DataFilePath(std::string_view programPath) {
    const size_t dot = programPath.rfind('.');
    if (dot == std::string_view::npos) return std::string(programPath) + ".dat";
    return std::string(programPath.substr(0, dot + 1)) + "dat";
}

std::string UncutPath(const char* buffer, size_t length, size_t capacity) {
    // A cut path ends anywhere: its last "." could name an unrelated file.
    if (buffer == nullptr || length == 0 || length >= capacity) return std::string();
    return std::string(buffer, length);
}
