#include <windows.h>

#include "model/file_store.h"

namespace {

bool WriteAll(HANDLE file, const uint8_t* data, size_t size) {
    while (size > 0) {
        DWORD chunk = size > 0x10000 ? 0x10000 : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!WriteFile(file, data, chunk, &written, nullptr) || written == 0) return false;
        data += written;
        size -= written;
    }
    return true;
}

// A file that exists but refuses writing (read-only) keeps its contents.
bool ExistingFileIsWritable(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return true;
    return (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) == 0;
}

// Writes path itself, flushed: the way left when no temporary file can be created beside it.
bool StoreInPlace(const std::string& path, const uint8_t* data, size_t size) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    bool ok = WriteAll(file, data, size);
    ok = FlushFileBuffers(file) && ok;
    ok = CloseHandle(file) && ok;
    return ok;
}

}  // namespace

bool ReadFileForUpdate(const std::string& path, uint8_t* data, size_t size, size_t& received) {
    received = 0;
    // The attribute is checked as well: a process with every right may still open such a file.
    if (path.empty() || !ExistingFileIsWritable(path)) return false;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    while (received < size) {
        DWORD chunk = size - received > 0x10000 ? 0x10000 : static_cast<DWORD>(size - received);
        DWORD got = 0;
        if (!ReadFile(file, data + received, chunk, &got, nullptr) || got == 0) break;
        received += got;
    }
    CloseHandle(file);
    return true;
}

bool StoreFileAtomically(const std::string& path, const uint8_t* data, size_t size,
                         const std::function<bool()>& beforeReplace) {
    if (path.empty() || !ExistingFileIsWritable(path)) return false;
    const std::string temporary = TemporaryPathFor(path);
    HANDLE file = CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return StoreInPlace(path, data, size);
    bool ok = WriteAll(file, data, size);
    ok = FlushFileBuffers(file) && ok;
    ok = CloseHandle(file) && ok;
    if (ok && beforeReplace) ok = beforeReplace();
    if (ok)
        ok = MoveFileExA(temporary.c_str(), path.c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    if (!ok) {
        DeleteFileA(temporary.c_str());
        return false;
    }
    return true;
}
