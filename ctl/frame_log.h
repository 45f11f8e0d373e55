#pragma once

#include <memory>
#include <ostream>
#include <vector>

#include "link/serial_port.h"

// zr3ctl --verbose: a serial port that writes every frame to a stream (stderr) as it passes,
// "2026-01-31T14:05:09.120+01:00 > 01 21 00 DE" for a request and "... < 06 08 ..." for what came
// back, one line per answer.
class FrameLogPort : public SerialPort {
  public:
    FrameLogPort(std::unique_ptr<SerialPort> port, std::ostream& log);
    ~FrameLogPort() override;

    bool Open(const char* path) override;
    void Close() override;
    bool IsOpen() const override;
    void Configure(uint32_t flags, uint32_t baudRate, uint8_t byteSize, uint8_t parity,
                   uint8_t stopBits) override;
    bool SetTimeouts(const LineTimeouts& timeouts) override;
    size_t Read(uint8_t* buffer, size_t count) override;
    size_t Write(const uint8_t* buffer, size_t count) override;
    void Purge(uint32_t flags) override;
    bool LineGone() const override;
    OpenProblem LastOpenProblem() const override;

  private:
    // Writes the bytes received since the last line, if any.
    void FlushAnswer();
    void Line(char direction, const uint8_t* bytes, size_t count);

    std::unique_ptr<SerialPort> port;
    std::ostream* log = nullptr;
    std::vector<uint8_t> answer;
};
