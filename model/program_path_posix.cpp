#include <unistd.h>

#include "model/data_file_path.h"

std::string ProgramPath() {
    char buffer[4096];
    ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer);
    // A path that fills the buffer may have been cut: no path rather than a wrong one.
    if (length <= 0) return std::string();
    return UncutPath(buffer, static_cast<size_t>(length), sizeof buffer);
}
