#include "model/file_store.h"

std::string TemporaryPathFor(const std::string& path) {
    return path + ".tmp";
}
