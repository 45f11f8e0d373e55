#include "model/file_store.h"

#include <atomic>
#include <chrono>
#include <random>

namespace {

FileFaults faults;

}  // namespace

// The system's own words for an error code without words of ours.
std::string SystemErrorText(int code);

std::string FileStatusText(const FileStatus& status) {
    switch (status.error) {
        case FileError::None:
            return "no error";
        case FileError::NotFound:
            return "no such file";
        case FileError::Denied:
            return "permission denied";
        case FileError::InUse:
            return "in use by another program";
        case FileError::NotAFile:
            return "not a file";
        case FileError::NoSpace:
            return "no space left on the disk";
        case FileError::ReadOnly:
            return "read-only file system";
        case FileError::NameTooLong:
            return "the name is too long";
        case FileError::Other:
            break;
    }
    return SystemErrorText(status.systemCode);
}

std::string FreshTemporaryName(const std::string& path) {
    static constexpr char symbols[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    static std::atomic<uint64_t> serial{0};
    // The system's randomness, mixed with a clock and a count in case it repeats itself.
    std::seed_seq seed{
        static_cast<uint64_t>(std::random_device{}()),
        static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()),
        serial.fetch_add(1)};
    std::mt19937 random(seed);
    std::string name = path + ".";
    for (int i = 0; i < 8; ++i)
        name += symbols[random() % (sizeof symbols - 1)];
    return name + ".tmp";
}

void InjectFileFaults(const FileFaults& injected) {
    faults = injected;
}

const FileFaults& InjectedFileFaults() {
    return faults;
}
