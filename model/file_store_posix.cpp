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

constexpr int MaxLinks = 40;
constexpr int NameAttempts = 100;

FileStatus WriteAll(int fd, const uint8_t* data, size_t size) {
    FileStatus status;
    if (InjectedFileFaults().write != FileError::None) {
        status = Injected(InjectedFileFaults().write);
    } else {
        while (size > 0) {
            ssize_t written = ::write(fd, data, size);
            if (written < 0 && errno == EINTR) continue;
            if (written <= 0) {
                status = StatusOf(written < 0 ? errno : EIO);
                break;
            }
            data += written;
            size -= static_cast<size_t>(written);
        }
    }
    status.duringWrite = !status.ok();
    return status;
}

// Writes, flushes and closes fd; the first failure counts.
FileStatus FinishFile(int fd, const uint8_t* data, size_t size, bool flush) {
    FileStatus status = WriteAll(fd, data, size);
    if (status.ok() && flush && ::fsync(fd) != 0) status = StatusOf(errno);
    if (::close(fd) != 0 && status.ok()) status = StatusOf(errno);
    return status;
}

// The folder part of a path with its slash ("" for a bare name).
std::string FolderOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// The name a path ends at once its symbolic links are followed (a link's relative target counts
// from the link's folder); the end may not exist yet.
FileStatus FollowLinks(const std::string& path, std::string& target) {
    target = path;
    for (int hop = 0; hop < MaxLinks; ++hop) {
        struct stat info {};
        if (::lstat(target.c_str(), &info) != 0)
            return errno == ENOENT ? FileStatus{} : StatusOf(errno);
        if (!S_ISLNK(info.st_mode)) return {};
        std::string link(4096, '\0');
        const ssize_t length = ::readlink(target.c_str(), link.data(), link.size());
        if (length < 0) return StatusOf(errno);
        if (static_cast<size_t>(length) >= link.size()) return StatusOf(ENAMETOOLONG);
        link.resize(static_cast<size_t>(length));
        target = (!link.empty() && link[0] == '/') ? link : FolderOf(target) + link;
    }
    return StatusOf(ELOOP);
}

// The folder entry of the renamed file reaches the disk too.
FileStatus SyncFolderOf(const std::string& path) {
    const std::string folder = FolderOf(path);
    int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return StatusOf(errno);
    FileStatus status;
    // Some file systems cannot flush a folder; they keep their entries without being asked.
    if (::fsync(fd) != 0 && errno != EINVAL && errno != EROFS) status = StatusOf(errno);
    ::close(fd);
    return status;
}

// Writes the file itself, flushed: the way left where no temporary file can be made beside it.
FileStatus StoreInPlace(const std::string& target, const uint8_t* data, size_t size) {
    int fd = ::open(target.c_str(),
                    O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, 0666);
    if (fd < 0) return StatusOf(errno);
    return FinishFile(fd, data, size, true);
}

// The folder refuses new files, or the temporary name is too long for it.
bool OnlyInPlace(FileError error) {
    return error == FileError::Denied || error == FileError::ReadOnly ||
           error == FileError::NameTooLong;
}

// The existing file's mode and owner, as the replacement gets them.
struct Existing {
    bool exists = false;
    struct stat info {};
};

// A fresh temporary file beside target, created exclusively.
int CreateTemporary(const std::string& target, const Existing& existing, std::string& temporary,
                    FileStatus& status) {
    if (InjectedFileFaults().create != FileError::None) {
        status = Injected(InjectedFileFaults().create);
        return -1;
    }
    const mode_t mode = existing.exists ? (existing.info.st_mode & 0777) : 0666;
    for (int attempt = 0; attempt < NameAttempts; ++attempt) {
        temporary = FreshTemporaryName(target);
        int fd = ::open(temporary.c_str(),
                        O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, mode);
        if (fd >= 0) return fd;
        if (errno != EEXIST) break;
    }
    status = StatusOf(errno);
    return -1;
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

FileStatus StoreFile(const std::string& path, const uint8_t* data, size_t size,
                     const BeforeReplace& beforeReplace) {
    if (path.empty()) return StatusOf(ENOENT);
    Existing existing;
    // The file as the name leads to it, opened for writing: refused when it may not be written.
    // Non-blocking, so that a pipe nobody reads refuses rather than waits.
    existing.exists = ::stat(path.c_str(), &existing.info) == 0;
    if (existing.exists && S_ISDIR(existing.info.st_mode)) return StatusOf(EISDIR);
    if (existing.exists && InjectedFileFaults().update != FileError::None)
        return Injected(InjectedFileFaults().update);
    int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0 && errno != ENOENT) return StatusOf(errno);
    if (fd >= 0) {
        existing.exists = ::fstat(fd, &existing.info) == 0;
        if (existing.exists && !S_ISREG(existing.info.st_mode)) {
            // A device or a pipe: nothing to replace, the bytes go to it.
            ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
            return FinishFile(fd, data, size, false);
        }
        ::close(fd);
    }
    std::string target;
    FileStatus status = FollowLinks(path, target);
    if (!status.ok()) return status;
    if (existing.exists) {
        // Where the links lead must be the very file that was opened.
        struct stat info {};
        if (::stat(target.c_str(), &info) != 0 || info.st_dev != existing.info.st_dev ||
            info.st_ino != existing.info.st_ino)
            return StatusOf(ESTALE);
    }

    std::string temporary;
    fd = CreateTemporary(target, existing, temporary, status);
    if (fd < 0) return OnlyInPlace(status.error) ? StoreInPlace(target, data, size) : status;
    if (existing.exists) {
        // The owner where the process may give it, at least the group; then the mode bits, which
        // a change of owner may have cleared.
        if (::fchown(fd, existing.info.st_uid, existing.info.st_gid) != 0)
            (void)!::fchown(fd, static_cast<uid_t>(-1), existing.info.st_gid);
        ::fchmod(fd, existing.info.st_mode & 07777);
    }
    status = FinishFile(fd, data, size, true);
    if (status.ok() && beforeReplace && !beforeReplace(temporary)) status = StatusOf(ECANCELED);
    if (status.ok() && ::rename(temporary.c_str(), target.c_str()) != 0) status = StatusOf(errno);
    if (!status.ok()) {
        ::unlink(temporary.c_str());
        return status;
    }
    return SyncFolderOf(target);
}

bool SameFile(const std::string& a, const std::string& b) {
    struct stat first {};
    struct stat second {};
    return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}
