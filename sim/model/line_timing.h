#pragma once

#include <cstddef>

// Time a 9600-baud line with 8 data bits, no parity and one stop bit takes per byte: a start bit,
// eight data bits and a stop bit.
namespace sim {

constexpr double LineBaudRate = 9600.0;
constexpr double BitsPerByte = 10.0;
constexpr double ByteTimeMs = BitsPerByte * 1000.0 / LineBaudRate;

constexpr double LineTimeMs(size_t bytes) {
    return static_cast<double>(bytes) * ByteTimeMs;
}

}  // namespace sim
