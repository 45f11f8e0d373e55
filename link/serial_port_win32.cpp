// The serial line on Windows: a COM port opened for blocking I/O with the Win32 comm functions.
#include <windows.h>

#include <climits>
#include <cstddef>
#include <cstring>
#include <string>

#include "link/serial_port.h"

namespace {

// The flag word is the bitfield DWORD right after BaudRate; it is copied whole.
constexpr size_t FlagWordOffset = offsetof(DCB, BaudRate) + sizeof(DWORD);
static_assert(sizeof(DCB) == 28, "the comm state record has its documented layout");
static_assert(FlagWordOffset == 8 && offsetof(DCB, wReserved) == 12,
              "the flag word lies between BaudRate and wReserved");

// Why CreateFileA refused the port. A COM port held by another program answers "access denied".
OpenProblem ProblemOf(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_NAME:
            return {OpenFailure::NoSuchDevice, ""};
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
            return {OpenFailure::InUse, ""};
        default:
            return {OpenFailure::Other, "system error " + std::to_string(error)};
    }
}

DWORD Clamp(size_t count) {
    return count > MAXDWORD ? MAXDWORD : static_cast<DWORD>(count);
}

// The errors with which a call on the handle of a device that has gone fails: a USB adapter
// pulled out (access denied, bad command, general failure, removed, aborted), or under Wine a
// pseudo-terminal closed at its far end (not ready). A time-out is no error at all.
bool MeansDeviceGone(DWORD error) {
    switch (error) {
        case ERROR_ACCESS_DENIED:
        case ERROR_BAD_COMMAND:
        case ERROR_GEN_FAILURE:
        case ERROR_DEVICE_REMOVED:
        case ERROR_OPERATION_ABORTED:
        case ERROR_NOT_READY:
            return true;
        default:
            return false;
    }
}

class Win32SerialPort : public SerialPort {
  public:
    ~Win32SerialPort() override { Close(); }

    bool Open(const char* path) override {
        if (path == nullptr) return false;
        Close();
        gone = false;
        handle =
            CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        problem = handle != INVALID_HANDLE_VALUE ? OpenProblem{} : ProblemOf(GetLastError());
        return handle != INVALID_HANDLE_VALUE;
    }

    OpenProblem LastOpenProblem() const override { return problem; }

    void Close() override {
        if (handle == INVALID_HANDLE_VALUE) return;
        CloseHandle(handle);
        handle = INVALID_HANDLE_VALUE;
    }

    bool IsOpen() const override { return handle != INVALID_HANDLE_VALUE; }

    void Configure(uint32_t flags, uint32_t baudRate, uint8_t byteSize, uint8_t parity,
                   uint8_t stopBits) override {
        if (handle == INVALID_HANDLE_VALUE) return;
        DCB state;
        std::memset(&state, 0, sizeof state);
        state.DCBlength = sizeof(DCB);
        // Neither result is reported: a driver that refuses some setting (Wine on a
        // pseudo-terminal cannot set the modem lines) still leaves a usable port.
        GetCommState(handle, &state);
        state.BaudRate = baudRate;
        std::memcpy(reinterpret_cast<unsigned char*>(&state) + FlagWordOffset, &flags,
                    sizeof flags);
        state.ByteSize = byteSize;
        state.Parity = parity;
        state.StopBits = stopBits;
        SetCommState(handle, &state);
    }

    bool SetTimeouts(const LineTimeouts& timeouts) override {
        if (handle == INVALID_HANDLE_VALUE) return false;
        COMMTIMEOUTS values;
        values.ReadIntervalTimeout = timeouts.ReadIntervalTimeout;
        values.ReadTotalTimeoutMultiplier = timeouts.ReadTotalTimeoutMultiplier;
        values.ReadTotalTimeoutConstant = timeouts.ReadTotalTimeoutConstant;
        values.WriteTotalTimeoutMultiplier = timeouts.WriteTotalTimeoutMultiplier;
        values.WriteTotalTimeoutConstant = timeouts.WriteTotalTimeoutConstant;
        return SetCommTimeouts(handle, &values) != 0;
    }

    size_t Read(uint8_t* buffer, size_t count) override {
        if (handle == INVALID_HANDLE_VALUE || buffer == nullptr || count == 0) return 0;
        DWORD received = 0;
        if (!ReadFile(handle, buffer, Clamp(count), &received, nullptr)) return Failed(0);
        return received;
    }

    size_t Write(const uint8_t* buffer, size_t count) override {
        if (handle == INVALID_HANDLE_VALUE || buffer == nullptr || count == 0) return 0;
        // Whatever is unread when a request goes out is a late answer to an earlier one; left
        // there, it would be taken as the answer to this request and every later one.
        if (!PurgeComm(handle, PURGE_RXCLEAR)) Failed(0);
        DWORD written = 0;
        if (!WriteFile(handle, buffer, Clamp(count), &written, nullptr)) return Failed(0);
        return written;
    }

    void Purge(uint32_t flags) override {
        if (handle == INVALID_HANDLE_VALUE) return;
        if (!PurgeComm(handle, flags)) Failed(0);
    }

    bool LineGone() const override { return gone; }

  private:
    // Notes whether the call that just failed found the device gone; returns `result`.
    size_t Failed(size_t result) {
        if (MeansDeviceGone(GetLastError())) gone = true;
        return result;
    }

    HANDLE handle = INVALID_HANDLE_VALUE;
    OpenProblem problem;
    bool gone = false;
};

}  // namespace

std::unique_ptr<SerialPort> CreateSystemSerialPort() {
    return std::make_unique<Win32SerialPort>();
}
