#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "model/file_store.h"

namespace {

FileStatus StatusOf(int code) {
    switch (code) {
        case 0:
            return {};
        case ENOENT:
        case ENOTDIR:
            return {FileError::NotFound, code};
        case EACCES:
        case EPERM:
            return {FileError::Denied, code};
        case EWOULDBLOCK:
        case ETXTBSY:
            return {FileError::InUse, code};
        case EISDIR:
            return {FileError::NotAFile, code};
        case ENOSPC:
        case EDQUOT:
            return {FileError::NoSpace, code};
        case EROFS:
            return {FileError::ReadOnly, code};
        case ENAMETOOLONG:
            return {FileError::NameTooLong, code};
        default:
            return {FileError::Other, code};
    }
}

FileStatus Injected(FileError error) {
    return {error, 0};
}

// Reads until size bytes arrived or the file ends.
bool ReadUpTo(int fd, uint8_t* data, size_t size, size_t& received, int& code) {
    received = 0;
    while (received < size) {
        ssize_t got = ::read(fd, data + received, size - received);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            code = errno;
            return false;
        }
        if (got == 0) break;
        received += static_cast<size_t>(got);
    }
    return true;
}

bool WriteAll(int fd, const uint8_t* data, size_t size) {
    while (size > 0) {
        ssize_t written = ::write(fd, data, size);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        data += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

// A file that exists but refuses writing keeps its contents, as it would with an in-place write.
bool ExistingFileIsWritable(const std::string& path) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd >= 0) {
        ::close(fd);
        return true;
    }
    return errno == ENOENT;
}

// The folder entry of the renamed file reaches the disk too.
void SyncFolderOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

// Writes path itself, flushed: the way left when no temporary file can be created beside it.
bool StoreInPlace(const std::string& path, const uint8_t* data, size_t size) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    bool ok = WriteAll(fd, data, size);
    ok = (::fsync(fd) == 0) && ok;
    ok = (::close(fd) == 0) && ok;
    return ok;
}

}  // namespace

std::string SystemErrorText(int code) {
    return std::strerror(code);
}

FileContents ReadFileContents(const std::string& path, size_t maxSize) {
    FileContents contents;
    if (path.empty()) {
        contents.status = {FileError::NotFound, ENOENT};
        return contents;
    }
    if (InjectedFileFaults().read != FileError::None) {
        contents.status = Injected(InjectedFileFaults().read);
        return contents;
    }
    int fd = ::open(path.c_str(), O_RDONLY | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        contents.status = StatusOf(errno);
        return contents;
    }
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
        ::close(fd);
        contents.status = StatusOf(EISDIR);
        return contents;
    }
    contents.bytes.resize(maxSize + 1);
    size_t received = 0;
    int code = 0;
    if (!ReadUpTo(fd, contents.bytes.data(), contents.bytes.size(), received, code)) {
        contents.status = StatusOf(code);
        received = 0;
    }
    ::close(fd);
    contents.longer = received > maxSize;
    contents.bytes.resize(received > maxSize ? maxSize : received);
    return contents;
}

bool StoreFileAtomically(const std::string& path, const uint8_t* data, size_t size,
                         const std::function<bool()>& beforeReplace) {
    if (path.empty() || !ExistingFileIsWritable(path)) return false;
    const std::string temporary = TemporaryPathFor(path);
    int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return StoreInPlace(path, data, size);
    bool ok = WriteAll(fd, data, size);
    ok = (::fsync(fd) == 0) && ok;
    ok = (::close(fd) == 0) && ok;
    if (ok && beforeReplace) ok = beforeReplace();
    if (ok) ok = ::rename(temporary.c_str(), path.c_str()) == 0;
    if (!ok) {
        ::unlink(temporary.c_str());
        return false;
    }
    SyncFolderOf(path);
    return true;
}
