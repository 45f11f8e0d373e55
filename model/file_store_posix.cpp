#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include "model/file_store.h"

namespace {

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

bool ReadFileForUpdate(const std::string& path, uint8_t* data, size_t size, size_t& received) {
    received = 0;
    if (path.empty()) return false;
    int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) return false;
    while (received < size) {
        ssize_t got = ::read(fd, data + received, size - received);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        received += static_cast<size_t>(got);
    }
    ::close(fd);
    return true;
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
