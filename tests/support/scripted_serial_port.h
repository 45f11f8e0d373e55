#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "link/serial_port.h"

// A serial line for tests: the bytes "arriving" from the converter are scripted, everything the
// code under test does to the line is recorded.
//
// Input is a queue of chunks. A Read takes bytes from the queue up to its count and returns short
// when the queue runs dry, as a real read does at its time-out. A silence marker in the queue ends
// the read that reaches it (the bytes behind it arrive "later", for the next read). A responder,
// when set, sees every written request and may queue the answer, so a device model can stand
// behind the port.
//
// Like a real port, a closed one does nothing: reads and writes return 0 and are not recorded.
class ScriptedSerialPort : public SerialPort {
  public:
    using Bytes = std::vector<uint8_t>;
    // Given one written request, returns the bytes the converter sends back (empty: silence).
    using Responder = std::function<Bytes(const Bytes& request)>;

    struct Configuration {
        uint32_t flags = 0;
        uint32_t baudRate = 0;
        uint8_t byteSize = 0;
        uint8_t parity = 0;
        uint8_t stopBits = 0;
        bool operator==(const Configuration&) const = default;
    };

    // --- Script ---
    // Raw bytes that arrive on the line, in order.
    void QueueAnswer(Bytes bytes);
    void QueueAnswer(std::initializer_list<uint8_t> bytes) { QueueAnswer(Bytes(bytes)); }
    // A correct answer frame 06, length, data, checksum.
    void QueueFrame(const Bytes& data);
    void QueueFrame(std::initializer_list<uint8_t> data) { QueueFrame(Bytes(data)); }
    // Ends the read that reaches this point short, like a pause longer than the time-out.
    void QueueSilence();
    void SetResponder(Responder newResponder) { responder = std::move(newResponder); }
    // Open refuses while set, as for a missing or busy port.
    void FailOpen(bool fail = true) { failOpen = fail; }
    // Writes take nothing while set (returns 0, nothing recorded, no responder).
    void FailWrites(bool fail = true) { failWrites = fail; }
    // The device goes away (an adapter pulled out) while set: a write fails and reports the line
    // gone, a read only times out, an open fails. Cleared, the device is back for the next open.
    void GoAway(bool away = true) { deviceGone = away; }
    // A purge with the receive flag drops the queued input, as on a real line (off by default,
    // so that answers queued ahead for several exchanges survive a failed one).
    void DropInputOnPurge(bool drop = true) { dropInputOnPurge = drop; }

    // Each read hands over at most one queued chunk, like a driver passing on what has arrived
    // so far: an answer queued in pieces then takes several reads.
    void OneChunkPerRead(bool one = true) { oneChunkPerRead = one; }

    // --- Frame builders ---
    // The checksum byte that makes the 8-bit sum of bytes and checksum zero.
    static uint8_t Checksum(const Bytes& bytes);
    static Bytes AnswerFrame(const Bytes& data);
    static Bytes RequestFrame(uint8_t code, const Bytes& data = {});

    // --- Record ---
    const std::vector<Bytes>& Writes() const { return writes; }
    // The last request written, empty if none.
    Bytes LastWrite() const { return writes.empty() ? Bytes() : writes.back(); }
    const std::vector<uint32_t>& Purges() const { return purges; }
    // Every path handed to Open, also the refused ones.
    const std::vector<std::string>& OpenedPaths() const { return openedPaths; }
    const std::vector<Configuration>& Configurations() const { return configurations; }
    const std::vector<LineTimeouts>& Timeouts() const { return timeouts; }
    // What happened to the line in order: "Open \\.\COM1", "Configure", "SetTimeouts",
    // "Write 01 21 00 DE", "Read 2/2", "Purge 000F", "Close".
    const std::vector<std::string>& Events() const { return events; }
    int CloseCount() const { return closeCount; }
    size_t ReadCount() const { return readCount; }
    // Scripted bytes not read yet.
    size_t PendingInput() const;
    // Forgets what was recorded (not the script, not the open state).
    void ClearRecord();

    // --- SerialPort ---
    bool Open(const char* path) override;
    void Close() override;
    bool IsOpen() const override { return open; }
    void Configure(uint32_t flags, uint32_t baudRate, uint8_t byteSize, uint8_t parity,
                   uint8_t stopBits) override;
    bool SetTimeouts(const LineTimeouts& newTimeouts) override;
    size_t Read(uint8_t* buffer, size_t count) override;
    size_t Write(const uint8_t* buffer, size_t count) override;
    void Purge(uint32_t flags) override;
    bool LineGone() const override { return lineGone; }

    // "01 21 00 DE": bytes as upper-case hex pairs separated by blanks.
    static std::string Hex(const Bytes& bytes);

  private:
    struct Chunk {
        Bytes bytes;
        bool silence = false;
    };

    std::deque<Chunk> input;
    size_t frontOffset = 0;  // bytes of the first chunk already read
    Responder responder;
    bool open = false;
    bool failOpen = false;
    bool failWrites = false;
    bool deviceGone = false;
    bool lineGone = false;
    bool dropInputOnPurge = false;
    bool oneChunkPerRead = false;

    std::vector<Bytes> writes;
    std::vector<uint32_t> purges;
    std::vector<std::string> openedPaths;
    std::vector<Configuration> configurations;
    std::vector<LineTimeouts> timeouts;
    std::vector<std::string> events;
    int closeCount = 0;
    size_t readCount = 0;
};
