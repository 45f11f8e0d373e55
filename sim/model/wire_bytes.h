#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <vector>

// Little-endian values as the converter puts them on the line, built byte by byte.
namespace sim {

inline void AppendWord(std::vector<uint8_t>& out, uint16_t value) {
    out.push_back(static_cast<uint8_t>(value & 0xFF));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

inline void AppendUint32(std::vector<uint8_t>& out, uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(static_cast<uint8_t>((value >> shift) & 0xFF));
    }
}

inline void AppendFloat(std::vector<uint8_t>& out, float value) {
    AppendUint32(out, std::bit_cast<uint32_t>(value));
}

inline uint16_t WordAt(const uint8_t* bytes) {
    return static_cast<uint16_t>(bytes[0] | (bytes[1] << 8));
}

inline uint32_t Uint32At(const uint8_t* bytes) {
    return static_cast<uint32_t>(bytes[0]) | (static_cast<uint32_t>(bytes[1]) << 8) |
           (static_cast<uint32_t>(bytes[2]) << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
}

inline float FloatAt(const uint8_t* bytes) {
    return std::bit_cast<float>(Uint32At(bytes));
}

// The byte that makes the 8-bit sum of a frame zero.
inline uint8_t ChecksumOf(const uint8_t* bytes, size_t count) {
    uint8_t sum = 0;
    for (size_t i = 0; i < count; ++i)
        sum = static_cast<uint8_t>(sum + bytes[i]);
    return static_cast<uint8_t>(0x100 - sum);
}

// Bit pattern a converter answers for a failed measurement.
constexpr uint32_t FailedMeasurementBits = 0xFFFFFFFFu;

}  // namespace sim
