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
    int systemCode = 0;        // errno, or the Win32 error code; 0 when the failure was injected
    bool duringWrite = false;  // it came while the contents were written, after the file was made
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

// Called with the temporary file's name once it holds the new contents, flushed and closed,
// before it replaces the file; returning false abandons the store there.
using BeforeReplace = std::function<bool(const std::string& temporary)>;

// Replaces the file at path with the given bytes without ever leaving it half written. The bytes
// go to a fresh temporary file beside the file, created exclusively (never an existing file or
// link), with the file's permission bits (and owner where the process may give it); it is flushed
// to the disk, closed and moved over the file in one step, and the folder is flushed. A symbolic
// link at path is kept: its target is replaced. An existing file that cannot be written is not
// replaced; something that is no regular file (a device, a pipe) is written as it is. Only where
// the folder refuses new files (no right, a read-only medium) or the temporary name is too long is
// the file written in place. On any failure the temporary file is gone and, unless the file was
// being written in place, the file is as it was (save a failure to flush the folder, which comes
// after the move).
FileStatus StoreFile(const std::string& path, const uint8_t* data, size_t size,
                     const BeforeReplace& beforeReplace = nullptr);

// A name for a new temporary file beside path: path, ".", eight random letters and digits, ".tmp".
std::string FreshTemporaryName(const std::string& path);

// Both names lead (through links) to one existing file.
bool SameFile(const std::string& a, const std::string& b);

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
