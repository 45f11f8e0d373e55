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

constexpr int NameAttempts = 100;

FileStatus WriteAll(HANDLE file, const uint8_t* data, size_t size) {
    FileStatus status;
    if (InjectedFileFaults().write != FileError::None) {
        status = Injected(InjectedFileFaults().write);
    } else {
        while (size > 0) {
            DWORD chunk = size > 0x10000 ? 0x10000 : static_cast<DWORD>(size);
            DWORD written = 0;
            if (!WriteFile(file, data, chunk, &written, nullptr) || written == 0) {
                status = StatusOf(GetLastError());
                if (status.ok()) status = StatusOf(ERROR_WRITE_FAULT);
                break;
            }
            data += written;
            size -= written;
        }
    }
    status.duringWrite = !status.ok();
    return status;
}

// Writes, flushes and closes the file; the first failure counts.
FileStatus FinishFile(HANDLE file, const uint8_t* data, size_t size, bool flush) {
    FileStatus status = WriteAll(file, data, size);
    if (status.ok() && flush && !FlushFileBuffers(file)) status = StatusOf(GetLastError());
    if (!CloseHandle(file) && status.ok()) status = StatusOf(GetLastError());
    return status;
}

// Writes the file itself, flushed: the way left where no temporary file can be made beside it.
FileStatus StoreInPlace(const std::string& target, const uint8_t* data, size_t size) {
    HANDLE file = CreateFileA(target.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return StatusOf(GetLastError());
    if (!SetEndOfFile(file)) {
        const FileStatus status = StatusOf(GetLastError());
        CloseHandle(file);
        return status;
    }
    return FinishFile(file, data, size, true);
}

// The folder refuses new files, or the temporary name is too long for it.
bool OnlyInPlace(FileError error) {
    return error == FileError::Denied || error == FileError::ReadOnly ||
           error == FileError::NameTooLong;
}

// The name of the file a handle was opened on, links followed; empty when the system cannot
// tell it.
std::string FinalName(HANDLE file) {
    char buffer[MAX_PATH * 4];
    const DWORD length = GetFinalPathNameByHandleA(file, buffer, sizeof buffer,
                                                   FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (length == 0 || length >= sizeof buffer) return std::string();
    // In the usual form: "\\?\C:\dir" as "C:\dir", "\\?\UNC\server" as "\\server".
    std::string name(buffer, length);
    if (name.rfind("\\\\?\\UNC\\", 0) == 0) return "\\\\" + name.substr(8);
    if (name.rfind("\\\\?\\", 0) == 0 && name.size() > 5 && name[5] == ':') return name.substr(4);
    return name;
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

FileStatus StoreFile(const std::string& path, const uint8_t* data, size_t size,
                     const BeforeReplace& beforeReplace) {
    if (path.empty()) return StatusOf(ERROR_FILE_NOT_FOUND);
    const DWORD attributes = GetFileAttributesA(path.c_str());
    // The attribute is checked as well: a process with every right may still open such a file.
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0 &&
        (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
        return StatusOf(ERROR_ACCESS_DENIED);
    std::string target = path;
    // The file as the name leads to it, opened for writing: refused when it is read-only or held
    // by another program. Only a name that leads nowhere makes a new file.
    HANDLE existing = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    const bool exists = existing != INVALID_HANDLE_VALUE;
    if (!exists) {
        const DWORD error = GetLastError();
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
            return {FileError::NotAFile, 0};
        if (error != ERROR_FILE_NOT_FOUND) return StatusOf(error);
    } else {
        if (InjectedFileFaults().update != FileError::None) {
            CloseHandle(existing);
            return Injected(InjectedFileFaults().update);
        }
        // A device or a pipe: nothing to replace, the bytes go to it.
        if (GetFileType(existing) != FILE_TYPE_DISK) return FinishFile(existing, data, size, false);
        // Through a link, its target is replaced.
        const std::string final = FinalName(existing);
        if (!final.empty()) target = final;
        CloseHandle(existing);
    }

    std::string temporary;
    HANDLE file = INVALID_HANDLE_VALUE;
    FileStatus status;
    if (InjectedFileFaults().create != FileError::None) {
        status = Injected(InjectedFileFaults().create);
    } else {
        for (int attempt = 0; attempt < NameAttempts; ++attempt) {
            temporary = FreshTemporaryName(target);
            // CREATE_NEW: never an existing file or link.
            file = CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
            if (file != INVALID_HANDLE_VALUE) break;
            const DWORD error = GetLastError();
            if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
                status = StatusOf(error);
                break;
            }
        }
        if (file == INVALID_HANDLE_VALUE && status.ok()) status = StatusOf(ERROR_FILE_EXISTS);
    }
    if (file == INVALID_HANDLE_VALUE)
        return OnlyInPlace(status.error) ? StoreInPlace(target, data, size) : status;
    status = FinishFile(file, data, size, true);
    if (status.ok() && beforeReplace && !beforeReplace(temporary))
        status = StatusOf(ERROR_CANCELLED);
    if (status.ok()) {
        // The replaced file's attributes (hidden, archive...) stay its own.
        if (exists && attributes != INVALID_FILE_ATTRIBUTES)
            SetFileAttributesA(temporary.c_str(), attributes & ~FILE_ATTRIBUTE_REPARSE_POINT);
        // A new file never replaces something that appeared meanwhile.
        const DWORD flags =
            MOVEFILE_WRITE_THROUGH | (exists ? static_cast<DWORD>(MOVEFILE_REPLACE_EXISTING) : 0);
        if (!MoveFileExA(temporary.c_str(), target.c_str(), flags))
            status = StatusOf(GetLastError());
    }
    if (!status.ok()) DeleteFileA(temporary.c_str());
    return status;
}

bool SameFile(const std::string& a, const std::string& b) {
    auto identify = [](const std::string& path, BY_HANDLE_FILE_INFORMATION& info) {
        HANDLE file = CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (file == INVALID_HANDLE_VALUE) return false;
        const bool ok = GetFileInformationByHandle(file, &info) != 0;
        CloseHandle(file);
        return ok;
    };
    BY_HANDLE_FILE_INFORMATION first{};
    BY_HANDLE_FILE_INFORMATION second{};
    return identify(a, first) && identify(b, second) &&
           first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
           first.nFileIndexHigh == second.nFileIndexHigh &&
           first.nFileIndexLow == second.nFileIndexLow;
}
