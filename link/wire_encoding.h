#pragma once

#include <bit>
#include <cstdint>

// Little-endian wire values, built and taken apart byte by byte.

inline void PutWord(uint8_t* bytes, uint16_t value) {
    bytes[0] = static_cast<uint8_t>(value & 0xFF);
    bytes[1] = static_cast<uint8_t>(value >> 8);
}

inline uint16_t GetWord(const uint8_t* bytes) {
    return static_cast<uint16_t>(bytes[0] | (bytes[1] << 8));
}

inline void PutUint32(uint8_t* bytes, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        bytes[i] = static_cast<uint8_t>(value >> (8 * i));
}

inline uint32_t GetUint32(const uint8_t* bytes) {
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | bytes[i];
    return value;
}

// Floats travel as their IEEE single-precision bit pattern, least significant byte first.
inline void PutFloat(uint8_t* bytes, float value) {
    PutUint32(bytes, std::bit_cast<uint32_t>(value));
}

inline float GetFloat(const uint8_t* bytes) {
    return std::bit_cast<float>(GetUint32(bytes));
}

inline void PutInt32(uint8_t* bytes, int32_t value) {
    PutUint32(bytes, static_cast<uint32_t>(value));
}

inline int32_t GetInt32(const uint8_t* bytes) {
    return static_cast<int32_t>(GetUint32(bytes));
}
