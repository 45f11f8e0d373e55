#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "base/base_object.h"

// Read and write time-outs of a serial line, in milliseconds, with the meaning of the Win32
// COMMTIMEOUTS record.
struct LineTimeouts {
    uint32_t ReadIntervalTimeout = 0;
    uint32_t ReadTotalTimeoutMultiplier = 0;
    uint32_t ReadTotalTimeoutConstant = 0;
    uint32_t WriteTotalTimeoutMultiplier = 0;
    uint32_t WriteTotalTimeoutConstant = 0;
};

// Purge flags, the values of the Win32 PURGE_ constants.
enum PurgeFlags : uint32_t {
    PurgeTxAbort = 0x0001,
    PurgeRxAbort = 0x0002,
    PurgeTxClear = 0x0004,
    PurgeRxClear = 0x0008,
};

// DCB flag word: fBinary, DTR_CONTROL_ENABLE, RTS_CONTROL_ENABLE, nothing else.
constexpr uint32_t LineFlagsBinaryDtrRts = 0x1011;

// Why the last Open failed, as far as the system told.
enum class OpenFailure : uint8_t {
    None,          // the last Open succeeded, or none failed yet
    NoSuchDevice,  // nothing by that name
    NoPermission,  // the system refused access to it
    NotATerminal,  // the name is no serial line (a file, a disk, /dev/null); nothing was written
    InUse,         // another program holds the port
    Other,         // detail tells the system's words
};

struct OpenProblem {
    OpenFailure failure = OpenFailure::None;
    std::string detail;  // the system's words for it, e.g. "No such file or directory"
};

// The serial line to the converter: the owner of the operating system's handle of one port.
// Backends: Win32 (CreateFileA and the comm functions), POSIX termios, and test doubles.
// Every operation does nothing, or returns false or 0, while the port is closed, except Open.
class SerialPort : public BaseObject {
  public:
    virtual bool Open(const char* path) = 0;
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;
    // Results of the underlying calls are not reported: a driver that refuses is ignored.
    virtual void Configure(uint32_t flags, uint32_t baudRate, uint8_t byteSize, uint8_t parity,
                           uint8_t stopBits) = 0;
    virtual bool SetTimeouts(const LineTimeouts& timeouts) = 0;
    // Returns the number of bytes read; fewer than count means the read time-out passed.
    virtual size_t Read(uint8_t* buffer, size_t count) = 0;
    // Sends a request; the system backends first drop input nobody has read (a late answer).
    virtual size_t Write(const uint8_t* buffer, size_t count) = 0;
    virtual void Purge(uint32_t flags) = 0;
    // The device itself has gone (an adapter pulled out, a closed pseudo-terminal), as the system
    // reported it on a read, write or purge; a time-out never counts. Cleared by Open.
    virtual bool LineGone() const { return false; }
    // Why the last Open failed; None after a successful one.
    virtual OpenProblem LastOpenProblem() const { return {}; }
};

// The platform's serial port (Win32 on Windows, termios elsewhere), closed.
std::unique_ptr<SerialPort> CreateSystemSerialPort();
