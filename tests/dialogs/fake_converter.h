#pragma once

#include <cstdint>
#include <deque>
#include <initializer_list>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "link/converter_link.h"
#include "tests/support/scripted_serial_port.h"

// A converter behind a scripted port, for the dialog tests: it answers every read from stored
// data, answers a write with the data written (and keeps it), can be silent for chosen codes and
// can serve a sequence of readings for a code (for the timed measurements).
class FakeConverter {
  public:
    using Bytes = ScriptedSerialPort::Bytes;

    // Connected, with the given firmware version already read by the link.
    explicit FakeConverter(uint16_t firmware = 0x0103);

    ConverterLink& Link() { return *link; }
    ScriptedSerialPort& Port() { return *port; }
    // Hands the link to an owner (a main window); the fake goes on answering through it, and must
    // not be used after the owner has released the link.
    std::unique_ptr<ConverterLink> TakeLink() { return std::move(ownedLink); }

    void SetData(uint8_t code, Bytes data) { stored[code] = std::move(data); }
    void SetFloat(uint8_t code, float value);
    // Several floats in one answer, in the order given (coefficient sets).
    void SetFloats(uint8_t code, std::initializer_list<float> values);
    void SetByte(uint8_t code, uint8_t value) { stored[code] = {value}; }
    // Readings served one per read of `code`; nothing (nullopt) is a read left unanswered. When
    // they run out the stored value is answered again.
    void QueueReadings(uint8_t code, const std::vector<std::optional<float>>& readings);
    // No answer at all to requests with this code.
    void Silence(uint8_t code, bool silent = true);

    // Every request written since construction (or ForgetRequests), as hex text.
    std::vector<std::string> Requests();
    // Requests that carry data (writes), as hex text.
    std::vector<std::string> Writes();
    // The number of requests with this code.
    size_t CountOf(uint8_t code);
    void ForgetRequests() { Port().ClearRecord(); }

    static Bytes FloatBytes(float value);

  private:
    Bytes Respond(const Bytes& request);

    ScriptedSerialPort* port = nullptr;
    ConverterLink* link = nullptr;
    std::unique_ptr<ConverterLink> ownedLink;
    std::map<uint8_t, Bytes> stored;
    std::map<uint8_t, std::deque<std::optional<float>>> readings;
    std::set<uint8_t> silent;
};
