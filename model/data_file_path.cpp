#include "model/data_file_path.h"

std::string DataFilePath(std::string_view programPath) {
    const size_t dot = programPath.rfind('.');
    if (dot == std::string_view::npos) return std::string(programPath) + ".dat";
    return std::string(programPath.substr(0, dot + 1)) + "dat";
}
