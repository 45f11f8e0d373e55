// The serial line on POSIX systems: a termios device in raw mode, time-outs done with poll.
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#ifdef __linux__
#include <linux/serial.h>
#endif

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <string>

#include "link/serial_port.h"

namespace {

using Clock = std::chrono::steady_clock;

// DCB flag bits that have a termios counterpart.
constexpr uint32_t FlagParity = 0x0002;
constexpr uint32_t FlagOutxCtsFlow = 0x0004;
constexpr uint32_t FlagDtrControlMask = 0x0030;
constexpr uint32_t FlagDtrControlEnable = 0x0010;
constexpr uint32_t FlagOutX = 0x0100;
constexpr uint32_t FlagInX = 0x0200;
constexpr uint32_t FlagRtsControlMask = 0x3000;
constexpr uint32_t FlagRtsControlEnable = 0x1000;
constexpr uint32_t FlagRtsControlHandshake = 0x2000;

constexpr uint32_t NoTimeout = 0xFFFFFFFF;

// "\\.\NAME" names a device below /dev unless NAME is already an absolute path.
std::string DevicePath(const char* path) {
    std::string text = path;
    if (text.rfind("\\\\.\\", 0) != 0) return text;
    text.erase(0, 4);
    if (!text.empty() && text[0] == '/') return text;
    return "/dev/" + text;
}

speed_t SpeedOf(uint32_t baudRate) {
    switch (baudRate) {
        case 1200:
            return B1200;
        case 2400:
            return B2400;
        case 4800:
            return B4800;
        case 9600:
            return B9600;
        case 19200:
            return B19200;
        case 38400:
            return B38400;
        case 57600:
            return B57600;
        case 115200:
            return B115200;
        default:
            return B9600;
    }
}

tcflag_t CharacterSize(uint8_t byteSize) {
    switch (byteSize) {
        case 5:
            return CS5;
        case 6:
            return CS6;
        case 7:
            return CS7;
        default:
            return CS8;
    }
}

// The system's word that the device itself has gone: the line hung up, the adapter was pulled out.
bool GoneError(int code) {
    return code == EIO || code == ENXIO || code == ENODEV || code == EBADF;
}

constexpr short GoneEvents = POLLHUP | POLLERR | POLLNVAL;

// Milliseconds left until the deadline, for poll; -1 waits without limit.
int MillisecondsLeft(bool limited, Clock::time_point deadline) {
    if (!limited) return -1;
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) return 0;
    return left.count() > INT_MAX ? INT_MAX : static_cast<int>(left.count());
}

// Asks the driver to pass each received byte on at once (a USB adapter otherwise holds a short
// answer for its latency timer). True when the flag was off and is now on, so that Close gives it
// back; a driver that refuses (a pseudo-terminal) leaves the port as it was.
bool TurnOnLowLatency(int descriptor) {
#if defined(__linux__) && defined(ASYNC_LOW_LATENCY)
    serial_struct serial{};
    if (ioctl(descriptor, TIOCGSERIAL, &serial) != 0) return false;
    if ((serial.flags & ASYNC_LOW_LATENCY) != 0) return false;
    serial.flags |= ASYNC_LOW_LATENCY;
    return ioctl(descriptor, TIOCSSERIAL, &serial) == 0;
#else
    (void)descriptor;
    return false;
#endif
}

// Gives back the driver's latency as it was before TurnOnLowLatency.
void TurnOffLowLatency(int descriptor) {
#if defined(__linux__) && defined(ASYNC_LOW_LATENCY)
    serial_struct serial{};
    if (ioctl(descriptor, TIOCGSERIAL, &serial) != 0) return;
    serial.flags &= ~ASYNC_LOW_LATENCY;
    ioctl(descriptor, TIOCSSERIAL, &serial);
#else
    (void)descriptor;
#endif
}

class PosixSerialPort : public SerialPort {
  public:
    ~PosixSerialPort() override { Close(); }

    bool Open(const char* path) override {
        if (path == nullptr) return false;
        Close();
        problem = {};
        const std::string device = DevicePath(path);
        // Only a character device can be a serial line: a file or a disk is never opened for
        // writing, so a wrong name cannot have its first bytes overwritten.
        struct stat status {};
        if (::stat(device.c_str(), &status) != 0) return Fail(ProblemOf(errno));
        if (!S_ISCHR(status.st_mode)) return Fail({OpenFailure::NotATerminal, ""});
        // Non-blocking, so that neither the open nor a later read or write can hang: every wait
        // goes through poll with the line's time-outs.
        descriptor = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (descriptor < 0) return Fail(ProblemOf(errno));
        termios settings{};
        if (!isatty(descriptor) || tcgetattr(descriptor, &settings) != 0)
            return Fail({OpenFailure::NotATerminal, ""});
        // One user at a time: the lock binds every program that takes it (root too), TIOCEXCL
        // refuses other opens of the device (except root's).
        if (::flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
            const int error = errno;
            return Fail(error == EWOULDBLOCK ? OpenProblem{OpenFailure::InUse, ""}
                                             : ProblemOf(error));
        }
        ioctl(descriptor, TIOCEXCL);
        lowLatencyTurnedOn = TurnOnLowLatency(descriptor);
        return true;
    }

    void Close() override {
        gone = false;
        if (descriptor < 0) return;
        if (lowLatencyTurnedOn) TurnOffLowLatency(descriptor);
        lowLatencyTurnedOn = false;
        // A pseudo-terminal may stay open on the other side: its next user must not be refused.
        ioctl(descriptor, TIOCNXCL);
        ::close(descriptor);
        descriptor = -1;
    }

    OpenProblem LastOpenProblem() const override { return problem; }

    bool IsOpen() const override { return descriptor >= 0; }

    void Configure(uint32_t flags, uint32_t baudRate, uint8_t byteSize, uint8_t parity,
                   uint8_t stopBits) override {
        if (descriptor < 0) return;
        termios settings{};
        if (tcgetattr(descriptor, &settings) != 0) return;
        cfmakeraw(&settings);
        settings.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
        settings.c_cflag |= CLOCAL | CREAD | CharacterSize(byteSize);
        if (parity == 1) settings.c_cflag |= PARENB | PARODD;
        if (parity == 2) settings.c_cflag |= PARENB;
        if (parity != 0 && (flags & FlagParity) != 0) settings.c_iflag |= INPCK;
        if (stopBits != 0) settings.c_cflag |= CSTOPB;
        if ((flags & FlagOutxCtsFlow) != 0 ||
            (flags & FlagRtsControlMask) == FlagRtsControlHandshake)
            settings.c_cflag |= CRTSCTS;
        settings.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
        if ((flags & FlagOutX) != 0) settings.c_iflag |= IXON;
        if ((flags & FlagInX) != 0) settings.c_iflag |= IXOFF;
        settings.c_cc[VMIN] = 0;
        settings.c_cc[VTIME] = 0;
        cfsetispeed(&settings, SpeedOf(baudRate));
        cfsetospeed(&settings, SpeedOf(baudRate));
        tcsetattr(descriptor, TCSANOW, &settings);

        // A pseudo-terminal has no modem lines: a refusal here is expected and harmless.
        int lines = 0;
        if ((flags & FlagDtrControlMask) == FlagDtrControlEnable) lines |= TIOCM_DTR;
        if ((flags & FlagRtsControlMask) == FlagRtsControlEnable) lines |= TIOCM_RTS;
        if (lines != 0) ioctl(descriptor, TIOCMBIS, &lines);
    }

    bool SetTimeouts(const LineTimeouts& newTimeouts) override {
        if (descriptor < 0) return false;
        timeouts = newTimeouts;
        return true;
    }

    size_t Read(uint8_t* buffer, size_t count) override {
        if (descriptor < 0 || buffer == nullptr || count == 0) return 0;
        const uint32_t interval = timeouts.ReadIntervalTimeout;
        const uint64_t total = static_cast<uint64_t>(timeouts.ReadTotalTimeoutMultiplier) * count +
                               timeouts.ReadTotalTimeoutConstant;
        // Both total terms zero: no total limit, as with the Win32 time-outs.
        const bool totalLimited = total != 0;
        // The largest interval with no total limit: return at once with what has arrived.
        if (interval == NoTimeout && !totalLimited) return ReadAvailable(buffer, count);
        const bool intervalLimited = interval != 0 && interval != NoTimeout;

        const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(total);
        size_t received = 0;
        while (received < count) {
            int wait = MillisecondsLeft(totalLimited, deadline);
            if (intervalLimited && received > 0 &&
                (wait < 0 || static_cast<uint32_t>(wait) > interval))
                wait = static_cast<int>(interval);
            pollfd entry{descriptor, POLLIN, 0};
            int ready = ::poll(&entry, 1, wait);
            if (ready < 0) {
                if (errno == EINTR) continue;
                NoteError(errno);
                break;
            }
            if (ready == 0) break;
            // Hang-up or error without data: nothing more comes.
            if ((entry.revents & POLLIN) == 0) {
                if ((entry.revents & GoneEvents) != 0) gone = true;
                break;
            }
            ssize_t n = ::read(descriptor, buffer + received, count - received);
            if (n > 0) {
                received += static_cast<size_t>(n);
            } else if (n == 0) {
                // Readable, yet nothing: the end of a line that hung up.
                if ((entry.revents & GoneEvents) != 0) gone = true;
                break;
            } else if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
                NoteError(errno);
                break;
            }
        }
        return received;
    }

    size_t Write(const uint8_t* buffer, size_t count) override {
        if (descriptor < 0 || buffer == nullptr || count == 0) return 0;
        // Whatever is unread when a request goes out is a late answer to an earlier one; left
        // there, it would be taken as the answer to this request and every later one.
        if (tcflush(descriptor, TCIFLUSH) != 0) NoteError(errno);
        const uint64_t total = static_cast<uint64_t>(timeouts.WriteTotalTimeoutMultiplier) * count +
                               timeouts.WriteTotalTimeoutConstant;
        const bool limited = total != 0;
        const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(total);
        size_t written = 0;
        while (written < count) {
            ssize_t n = ::write(descriptor, buffer + written, count - written);
            if (n > 0) {
                written += static_cast<size_t>(n);
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
                NoteError(errno);
                break;
            }
            // The output queue is full: wait until it takes more or the write time-out passes.
            int wait = MillisecondsLeft(limited, deadline);
            if (wait == 0) break;
            pollfd entry{descriptor, POLLOUT, 0};
            int ready = ::poll(&entry, 1, wait);
            if (ready < 0 && errno == EINTR) continue;
            if (ready > 0 && (entry.revents & GoneEvents) != 0) gone = true;
            if (ready <= 0 || (entry.revents & POLLOUT) == 0) break;
        }
        return written;
    }

    void Purge(uint32_t flags) override {
        if (descriptor < 0) return;
        // Aborts have nothing to cancel: every read and write here has finished when it returns.
        const bool input = (flags & PurgeRxClear) != 0;
        const bool output = (flags & PurgeTxClear) != 0;
        int result = 0;
        if (input && output) {
            result = tcflush(descriptor, TCIOFLUSH);
        } else if (input) {
            result = tcflush(descriptor, TCIFLUSH);
        } else if (output) {
            result = tcflush(descriptor, TCOFLUSH);
        }
        if (result != 0) NoteError(errno);
    }

    bool LineGone() const override { return descriptor >= 0 && gone; }

  private:
    static OpenProblem ProblemOf(int error) {
        switch (error) {
            case ENOENT:
            case ENXIO:
            case ENODEV:
            case ENOTDIR:
                return {OpenFailure::NoSuchDevice, std::strerror(error)};
            case EACCES:
            case EPERM:
            case EROFS:
                return {OpenFailure::NoPermission, std::strerror(error)};
            case EBUSY:
                return {OpenFailure::InUse, std::strerror(error)};
            default:
                return {OpenFailure::Other, std::strerror(error)};
        }
    }

    bool Fail(const OpenProblem& why) {
        if (descriptor >= 0) ::close(descriptor);
        descriptor = -1;
        problem = why;
        return false;
    }

    size_t ReadAvailable(uint8_t* buffer, size_t count) {
        ssize_t n;
        do {
            n = ::read(descriptor, buffer, count);
        } while (n < 0 && errno == EINTR);
        if (n < 0) NoteError(errno);
        return n > 0 ? static_cast<size_t>(n) : 0;
    }

    void NoteError(int code) {
        if (GoneError(code)) gone = true;
    }

    int descriptor = -1;
    bool lowLatencyTurnedOn = false;
    LineTimeouts timeouts;
    OpenProblem problem;
    bool gone = false;  // the system said the device has gone
};

}  // namespace

std::unique_ptr<SerialPort> CreateSystemSerialPort() {
    return std::make_unique<PosixSerialPort>();
}
