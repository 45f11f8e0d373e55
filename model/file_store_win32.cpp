#include <windows.h>

#include "model/file_store.h"

namespace {

FileStatus StatusOf(DWORD code) {
    const int number = static_cast<int>(code);
    switch (code) {
        case ERROR_SUCCESS:
            return {};
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
            return {FileError::NotFound, number};
        case ERROR_ACCESS_DENIED:
            return {FileError::Denied, number};
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
            return {FileError::InUse, number};
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return {FileError::NoSpace, number};
        case ERROR_WRITE_PROTECT:
            return {FileError::ReadOnly, number};
        case ERROR_FILENAME_EXCED_RANGE:
        case ERROR_BUFFER_OVERFLOW:
            return {FileError::NameTooLong, number};
        default:
            return {FileError::Other, number};
    }
}

FileStatus Injected(FileError error) {
    return {error, 0};
}

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

std::string SystemErrorText(int code) {
    return "system error " + std::to_string(code);
}

FileContents ReadFileContents(const std::string& path, size_t maxSize) {
    FileContents contents;
    if (path.empty()) {
        contents.status = StatusOf(ERROR_FILE_NOT_FOUND);
        return contents;
    }
    if (InjectedFileFaults().read != FileError::None) {
        contents.status = Injected(InjectedFileFaults().read);
        return contents;
    }
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        contents.status = {FileError::NotAFile, 0};
        return contents;
    }
    // Nobody may write it while it is read.
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        contents.status = StatusOf(GetLastError());
        return contents;
    }
    contents.bytes.resize(maxSize + 1);
    size_t received = 0;
    while (received < contents.bytes.size()) {
        const size_t left = contents.bytes.size() - received;
        DWORD chunk = left > 0x10000 ? 0x10000 : static_cast<DWORD>(left);
        DWORD got = 0;
        if (!ReadFile(file, contents.bytes.data() + received, chunk, &got, nullptr)) {
            contents.status = StatusOf(GetLastError());
            received = 0;
            break;
        }
        if (got == 0) break;
        received += got;
    }
    CloseHandle(file);
    contents.longer = received > maxSize;
    contents.bytes.resize(received > maxSize ? maxSize : received);
    return contents;
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
