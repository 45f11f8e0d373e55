#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Faults a line or a converter produces, switched on for the next answer, the next N answers or
// until cleared, and applied to the answer frames as they leave the converter.
namespace sim {

enum class FaultKind : uint8_t {
    None,
    Silence,        // no answer at all
    BadChecksum,    // last byte one too high
    NegativeStart,  // first byte 0x15, checksum made right again
    WrongLength,    // one data byte more than asked for, checksum right
    CutShort,       // only the first `parameter` bytes
    LongHeader,     // length byte `parameter` (62 or more) in front of the real data
    Garbage,        // `parameter` line-noise bytes in front of the answer
    Slow,           // a pause of `parameter` ms before every byte after the first
};

// Spoil answers until cleared.
constexpr int FaultAlways = -1;

struct Fault {
    FaultKind kind = FaultKind::None;
    uint32_t parameter = 0;
    int remaining = 0;   // answers still to spoil, FaultAlways for no end
    int code = AnyCode;  // only answers to requests with this code, or AnyCode
    int passing = 0;     // answers that still go out untouched before the first spoiled one
    static constexpr int AnyCode = -1;
};

// An answer as it goes out: its bytes and the pause before each of them.
struct Transmission {
    std::vector<uint8_t> bytes;
    std::vector<uint32_t> gapMs;  // same size as bytes
    FaultKind fault = FaultKind::None;
};

// Names on the control channel: silence, checksum, nak, length, cut, header, garbage, slow.
std::string_view FaultKindName(FaultKind kind);
std::optional<FaultKind> FaultKindFromName(std::string_view name);
// The parameter a fault takes when none is given, and whether it takes one at all.
uint32_t DefaultFaultParameter(FaultKind kind);
bool FaultTakesParameter(FaultKind kind);

class FaultInjector {
  public:
    // count > 0: the next `count` answers; FaultAlways: until Clear. A new fault replaces the old.
    // code: only answers to requests with this code count and are spoiled (Fault::AnyCode: all).
    // The first `after` answers that count still go out untouched.
    void Set(FaultKind kind, uint32_t parameter, int count, int code = Fault::AnyCode,
             int after = 0);
    void Clear() { fault = Fault{}; }
    const Fault& current() const { return fault; }
    bool Active() const { return fault.kind != FaultKind::None; }
    // One answer (to a request with `code`) through the fault, which uses up one of its answers.
    Transmission Apply(const std::vector<uint8_t>& answer, int code = Fault::AnyCode);
    // "silence next 2", "checksum on 3C always", "silence next 1 after 5", "none".
    std::string Describe() const;

  private:
    Fault fault;
};

}  // namespace sim
