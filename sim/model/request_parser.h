#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

// The converter's side of the request frame: 01, code, length, data, checksum.
namespace sim {

constexpr uint8_t RequestStart = 0x01;
// No parameter takes more than 20 data bytes; a longer length byte marks a broken frame.
constexpr size_t MaxRequestData = 20;
constexpr size_t MaxRequestFrame = MaxRequestData + 4;

struct Request {
    uint8_t code = 0;
    uint8_t length = 0;
    std::array<uint8_t, MaxRequestData> data{};
};

enum class FrameCheck { Complete, BadStart, BadLength, BadChecksum, Incomplete, TrailingBytes };

// Checks that bytes[0..count) is exactly one well-formed request frame.
FrameCheck ParseRequest(const uint8_t* bytes, size_t count, Request& request);

// Byte-wise reception as on the line: bytes before a start byte are skipped, and a frame with a
// bad length or checksum gives up its start byte so that a request behind it is still found.
class RequestParser {
  public:
    // Appends every request completed by these bytes to `requests`.
    void Feed(const uint8_t* bytes, size_t count, std::vector<Request>& requests);
    // Forgets a partly received frame (the line was quiet for too long).
    void Reset();
    bool Idle() const { return pending.empty(); }
    // The bytes skipped since the last call, for the trace.
    std::vector<uint8_t> TakeSkipped();

  private:
    bool ScanOne(Request& request);
    void SkipFirst();

    std::vector<uint8_t> pending;
    std::vector<uint8_t> skipped;
};

}  // namespace sim
