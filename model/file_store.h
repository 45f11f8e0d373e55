#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Why a file could not be read or stored, as the system reported it.
enum class FileError {
    None,
    NotFound,     // no file of that name, or no such folder
    Denied,       // no right to open it so, or to create a file in its folder
    InUse,        // another program holds it: a sharing violation or a lock
    NotAFile,     // a folder, or something else that is no file, stands at the name
    NoSpace,      // the disk (or the user's quota) is full
    ReadOnly,     // the file system or the medium takes no writes
    NameTooLong,  // the name is longer than the system takes
    Other,        // anything else; systemCode tells which
};

struct FileStatus {
    FileError error = FileError::None;
    int systemCode = 0;  // errno, or the Win32 error code; 0 when the failure was injected
    bool ok() const { return error == FileError::None; }
};

// The words for a failure: "permission denied", "in use by another program", ...
std::string FileStatusText(const FileStatus& status);

// The contents of an existing file, opened for reading only.
struct FileContents {
    FileStatus status;           // NotFound when there is no file of that name
    std::vector<uint8_t> bytes;  // the first maxSize bytes at most
    bool longer = false;         // the file holds more than maxSize bytes
};

// Reads a file of at most maxSize bytes (a byte more is read to tell a longer one).
FileContents ReadFileContents(const std::string& path, size_t maxSize);

// Replaces the file at path with the given bytes without ever leaving it half written: the bytes
// go to a temporary file in the same folder, which is flushed to the disk, closed and then moved
// over path in one step. beforeReplace (if set) runs between closing and moving; returning false
// abandons the store there. An existing file at path that cannot be written is not replaced.
// Where the temporary file cannot be created (no right to create files in the folder, a path too
// long for the extra ".tmp"), path is written in place and flushed instead.
// Returns true when path holds the new bytes; on false after the temporary file was made the old
// file is as it was and the temporary file is gone.
bool StoreFileAtomically(const std::string& path, const uint8_t* data, size_t size,
                         const std::function<bool()>& beforeReplace);

// The temporary file StoreFileAtomically writes for path.
std::string TemporaryPathFor(const std::string& path);

// Test seam: failures the file store meets in place of the system's answer, as a file without
// read or write rights, a locked file, a folder refusing new files or a full disk give them
// (tests run with rights that no mode bit stops). FileFaults{} gives the system back.
struct FileFaults {
    FileError read = FileError::None;    // opening a file to read it
    FileError update = FileError::None;  // opening an existing file to write it
    FileError create = FileError::None;  // creating the temporary file beside it
    FileError write = FileError::None;   // writing the new contents
};
void InjectFileFaults(const FileFaults& faults);
const FileFaults& InjectedFileFaults();
