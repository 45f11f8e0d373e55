#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "link/serial_port.h"
#include "sim/model/device_model.h"

// A serial port with the simulated converter on the other end, in the same process. Time is
// virtual: a read that times out returns at once, but the port keeps a clock that moves on by the
// time-outs a real line would have waited, and a slow answer is split between reads exactly where
// the pauses exceed the read time-out. Use it under the tool's own link:
//     sim::DeviceModel model;
//     ConverterLink link(std::make_unique<sim::SimulatedSerialPort>(model));
// and look at model.state() to see what the converter now holds.
namespace sim {

class SimulatedSerialPort : public SerialPort {
  public:
    struct LineSettings {
        uint32_t flags = 0;
        uint32_t baudRate = 0;
        uint8_t byteSize = 0;
        uint8_t parity = 0;
        uint8_t stopBits = 0;
    };

    // The model is borrowed and must outlive the port.
    explicit SimulatedSerialPort(DeviceModel& model);
    explicit SimulatedSerialPort(std::shared_ptr<DeviceModel> model);
    ~SimulatedSerialPort() override;

    bool Open(const char* path) override;
    void Close() override;
    bool IsOpen() const override { return open; }
    void Configure(uint32_t flags, uint32_t baudRate, uint8_t byteSize, uint8_t parity,
                   uint8_t stopBits) override;
    bool SetTimeouts(const LineTimeouts& timeouts) override;
    size_t Read(uint8_t* buffer, size_t count) override;
    size_t Write(const uint8_t* buffer, size_t count) override;
    void Purge(uint32_t flags) override;

    // A port that does not exist: Open fails.
    void SetMissing(bool missing) { this->missing = missing; }
    // Bytes take the time of a 9600-baud line, and the converter `reactionMs` to start answering.
    void SetLineTiming(bool on, double reactionMs = 0.0);
    // The converter's clock (drift) follows the port's virtual clock.
    void SetDriveModelClock(bool on) { driveModelClock = on; }

    DeviceModel& model() { return *device; }
    // Every Write, one entry each, as written.
    const std::vector<std::vector<uint8_t>>& requests() const { return writes; }
    // The flag word of every Purge.
    const std::vector<uint32_t>& purges() const { return purgeFlags; }
    const std::string& openedPath() const { return path; }
    int openCount() const { return opens; }
    const LineSettings& lineSettings() const { return settings; }
    const LineTimeouts& timeouts() const { return readTimeouts; }
    // Virtual milliseconds since construction.
    double elapsedMs() const { return now; }
    // Answer bytes sent by the converter and not yet read (some may still be on the way).
    size_t pendingBytes() const { return incoming.size(); }
    void ClearRecords();

  private:
    struct ArrivingByte {
        uint8_t value = 0;
        double arrivalMs = 0.0;
    };

    void SyncModelClock();

    std::shared_ptr<DeviceModel> device;
    bool open = false;
    bool missing = false;
    bool lineTiming = false;
    double reactionMs = 0.0;
    bool driveModelClock = false;
    double now = 0.0;
    double modelSyncedMs = 0.0;
    double lineFreeMs = 0.0;  // when the converter's transmitter is free again
    std::deque<ArrivingByte> incoming;
    std::vector<std::vector<uint8_t>> writes;
    std::vector<uint32_t> purgeFlags;
    std::string path;
    int opens = 0;
    LineSettings settings;
    LineTimeouts readTimeouts;
};

}  // namespace sim

// The in-process simulator under short names.
using sim::DeviceModel;
using sim::DeviceOptions;
using sim::SimulatedSerialPort;
