#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "ctl/log_file.h"

namespace {

class PosixLogFile : public LogFile {
  public:
    explicit PosixLogFile(int fd) : fd(fd) {}
    ~PosixLogFile() override { ::close(fd); }

    bool Append(const std::string& line, std::string& why) override {
        while (::flock(fd, LOCK_EX) != 0) {
            if (errno != EINTR) return Fail("cannot lock the log", why);
        }
        const bool ok = AppendLocked(line, why);
        ::flock(fd, LOCK_UN);
        return ok;
    }

  private:
    bool Fail(const char* what, std::string& why) {
        why = std::string(what) + ": " + std::strerror(errno);
        return false;
    }

    bool AppendLocked(const std::string& line, std::string& why) {
        struct stat state {};
        if (::fstat(fd, &state) != 0) return Fail("cannot read the log", why);
        std::string text;
        char last = '\n';
        if (state.st_size > 0 && ::pread(fd, &last, 1, state.st_size - 1) != 1)
            return Fail("cannot read the log", why);
        if (last != '\n') text = "\n";
        text += line + "\n";
        // O_APPEND: every write goes to the end, whoever wrote before.
        const char* data = text.data();
        size_t left = text.size();
        while (left > 0) {
            const ssize_t written = ::write(fd, data, left);
            if (written < 0 && errno == EINTR) continue;
            if (written <= 0) {
                if (written == 0) errno = EIO;
                return Fail("cannot write the log", why);
            }
            data += written;
            left -= static_cast<size_t>(written);
        }
        if (::fsync(fd) != 0) return Fail("cannot flush the log to the disk", why);
        return true;
    }

    int fd = -1;
};

}  // namespace

std::unique_ptr<LogFile> OpenLogFile(const std::string& path, std::string& why) {
    // Read access too: the last byte tells whether the file ends with a line end.
    const int fd = ::open(path.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        why = std::strerror(errno);
        return nullptr;
    }
    return std::make_unique<PosixLogFile>(fd);
}
