#include "model/file_store.h"

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

std::string TemporaryPathFor(const std::string& path) {
    return path + ".tmp";
}

void InjectFileFaults(const FileFaults& injected) {
    faults = injected;
}

const FileFaults& InjectedFileFaults() {
    return faults;
}
