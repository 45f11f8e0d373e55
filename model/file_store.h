#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

// Reads up to size bytes of an existing file opened for reading and writing, so that a file
// that may not be written counts as unopenable. Returns false when it cannot be opened so;
// otherwise received tells how many bytes arrived.
bool ReadFileForUpdate(const std::string& path, uint8_t* data, size_t size, size_t& received);

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
