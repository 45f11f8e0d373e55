#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "sim/model/converter_state.h"
#include "sim/model/fault_injector.h"
#include "sim/model/measurement.h"
#include "sim/model/request_parser.h"

// The simulated ZR3 converter: it stores a value for every parameter, answers request frames as
// the converter does, measures through its stored settings and passes its answers through the
// faults that are switched on. It does not share any frame code with the tool's link.
namespace sim {

struct DeviceOptions {
    // The 8 identity bytes: this text, cut at 8 characters, padded with zero bytes.
    std::string identity = "ZR3";
    uint16_t firmwareVersion = 0x0103;
    int32_t serialNumber = 123456;
    uint8_t outputVariant = 0;
    uint8_t relayVariant = 1;
    ProcessOptions process;
};

// One request taken off the line and what went back for it.
struct Exchange {
    Request request;
    Transmission answer;   // no bytes: the converter stayed silent
    bool ignored = false;  // a request the converter does not answer (not a fault's silence)
};

// The request frame as it was on the line.
std::vector<uint8_t> RequestBytes(const Request& request);

class DeviceModel {
  public:
    explicit DeviceModel(const DeviceOptions& options = {});

    // One complete request frame in, the answer as the line carries it (faults applied) out;
    // empty when the converter stays silent.
    std::vector<uint8_t> Handle(const uint8_t* request, size_t count);
    // The same, with the pauses of a slow answer.
    Transmission Respond(const uint8_t* request, size_t count);
    // Bytes as they arrive on the line, in any pieces: one exchange per request completed.
    std::vector<Exchange> Receive(const uint8_t* bytes, size_t count);
    // The converter's own answer to a parsed request, before any fault; empty for no answer.
    std::vector<uint8_t> Answer(const Request& request);

    const ConverterState& state() const { return converter; }
    // Direct access for tests and the control channel (firmware, variants, a preset table).
    ConverterState& mutableState() { return converter; }
    Measurement& measurement() { return process; }
    const Measurement& measurement() const { return process; }
    FaultInjector& faults() { return injector; }
    const FaultInjector& faults() const { return injector; }
    RequestParser& parser() { return lineParser; }

    void SetTemperature(double celsius) { process.SetTemperature(celsius); }
    void SetConductivity(double microSiemensPerCm) { process.SetConductivity(microSiemensPerCm); }
    void SetSensorBroken(bool broken) { process.SetSensorBroken(broken); }
    void SetIdentity(const std::string& text);
    void Advance(uint64_t ms) { process.Advance(ms); }

    // Requests answered and requests left unanswered (malformed, unknown or not for this
    // firmware); silence from a fault counts as answered.
    uint64_t answeredCount() const { return answered; }
    uint64_t ignoredCount() const { return ignored; }

  private:
    std::vector<uint8_t> AnswerRead(uint8_t code);
    std::vector<uint8_t> AnswerWrite(const Request& request);
    Transmission Send(const std::vector<uint8_t>& answer, uint8_t code);

    ConverterState converter;
    Measurement process;
    FaultInjector injector;
    RequestParser lineParser;
    uint64_t answered = 0;
    uint64_t ignored = 0;
};

}  // namespace sim
