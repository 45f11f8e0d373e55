#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "link/serial_port.h"

class FuzzedDataProvider;

// A serial line whose arriving bytes come from the fuzzer's input. Each read takes a count from
// the input (so reads come back short as the input says), then that many bytes; once the input
// has run out every read returns 0, as a silent converter does at its time-out. A read that
// completes a positive answer takes one more choice: whether to make its checksum right.
//
// The line knows the frame buffer of the link that uses it and stops the program on any write
// that reaches outside it. Reads into the frame belong to the answer; reads into another buffer
// are the link's wait for a quiet line before a request (at most a frame's size each), and the
// purge that follows them is that wait's. It records what one exchange did: the request written,
// the bytes handed over, the purges and the number of reads, the wait's apart.
class FuzzLine : public SerialPort {
  public:
    explicit FuzzLine(FuzzedDataProvider& input) : input(input) {}

    // The 64-byte buffer every read and write must stay within.
    void Guard(const uint8_t* frame, size_t size);
    // Forgets the record of the previous exchange.
    void BeginExchange();

    const std::vector<uint8_t>& Written() const { return written; }
    int WriteCount() const { return writeCount; }
    const std::vector<uint8_t>& Delivered() const { return delivered; }
    const std::vector<uint32_t>& Purges() const { return purges; }
    int ReadCount() const { return readCount; }
    int QuietWaitReads() const { return quietWaitReads; }
    const std::vector<uint32_t>& QuietWaitPurges() const { return quietWaitPurges; }

    bool Open(const char* path) override;
    void Close() override { open = false; }
    bool IsOpen() const override { return open; }
    void Configure(uint32_t, uint32_t, uint8_t, uint8_t, uint8_t) override {}
    bool SetTimeouts(const LineTimeouts&) override { return open; }
    size_t Read(uint8_t* buffer, size_t count) override;
    size_t Write(const uint8_t* buffer, size_t count) override;
    void Purge(uint32_t flags) override;

  private:
    void CheckWithinFrame(const uint8_t* buffer, size_t count) const;

    FuzzedDataProvider& input;
    const uint8_t* frameStart = nullptr;
    size_t frameSize = 0;
    bool open = false;
    std::vector<uint8_t> written;
    int writeCount = 0;
    std::vector<uint8_t> delivered;
    std::vector<uint32_t> purges;
    int readCount = 0;
    int quietWaitReads = 0;
    std::vector<uint32_t> quietWaitPurges;
};
