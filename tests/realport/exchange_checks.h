#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "link/converter_link.h"

// The exchanges both real-port tests run against zr3sim, natively on a pseudo-terminal and under
// Wine on COM1: each side brings its line and its way to the simulator's control input.
//
//     RecordedLink line;
//     ASSERT_TRUE(line.Open(name));
//     CheckEveryTransferType(*line.link, {0x0103, 123456});
//     CheckFaultsAndRecovery(line, [&](const std::string& command) { return Send(command); });

// The system's port with every purge noted on the way through.
class RecordingPort : public SerialPort {
  public:
    explicit RecordingPort(std::unique_ptr<SerialPort> inner) : inner(std::move(inner)) {}
    bool Open(const char* path) override { return inner->Open(path); }
    void Close() override { inner->Close(); }
    bool IsOpen() const override { return inner->IsOpen(); }
    void Configure(uint32_t flags, uint32_t baudRate, uint8_t byteSize, uint8_t parity,
                   uint8_t stopBits) override {
        inner->Configure(flags, baudRate, byteSize, parity, stopBits);
    }
    bool SetTimeouts(const LineTimeouts& timeouts) override { return inner->SetTimeouts(timeouts); }
    size_t Read(uint8_t* buffer, size_t count) override { return inner->Read(buffer, count); }
    size_t Write(const uint8_t* buffer, size_t count) override {
        return inner->Write(buffer, count);
    }
    void Purge(uint32_t flags) override {
        purges.push_back(flags);
        inner->Purge(flags);
    }
    std::vector<uint32_t> purges;

  private:
    std::unique_ptr<SerialPort> inner;
};

// The tool's link on the system's serial port, its purges recorded.
struct RecordedLink {
    RecordedLink();
    // Opens the port; the purge of the close that every open starts with is forgotten.
    bool Open(const std::string& name);
    // Lets late bytes of a spoiled answer arrive, then drops them.
    void Settle();

    RecordingPort* port = nullptr;
    std::unique_ptr<ConverterLink> link;
};

// What the simulator was started with.
struct SimulatedIdentity {
    uint16_t firmware = 0x0103;
    int32_t serial = 123456;
};

// Sends one control command to the simulator; true when it was taken.
using SimControl = std::function<bool(const std::string& command)>;

double MillisecondsSince(std::chrono::steady_clock::time_point start);

// Identity and every transfer type: bytes, words, integers, floats, blocks, both coefficient sets.
void CheckEveryTransferType(ConverterLink& link, const SimulatedIdentity& expected);
// A closed link opens again on the same port, three times.
void CheckCloseAndReopen(ConverterLink& link, const std::string& name,
                         const SimulatedIdentity& expected);
// Each answer fault once: silence, checksum, garbage, length, refusal, slow within and beyond the
// time-out; the purges each one costs, and a clean exchange after it.
void CheckFaultsAndRecovery(RecordedLink& line, const SimControl& control);
