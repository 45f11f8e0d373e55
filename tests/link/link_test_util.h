#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/scripted_serial_port.h"

// "01 21 00 DE" to bytes, for writing known frames as they are printed.
inline std::vector<uint8_t> HexBytes(const std::string& text) {
    std::vector<uint8_t> bytes;
    int value = -1;
    for (char c : text) {
        int digit = (c >= '0' && c <= '9')   ? c - '0'
                    : (c >= 'A' && c <= 'F') ? c - 'A' + 10
                    : (c >= 'a' && c <= 'f') ? c - 'a' + 10
                                             : -1;
        if (digit < 0) continue;
        if (value < 0) {
            value = digit;
        } else {
            bytes.push_back(static_cast<uint8_t>(value * 16 + digit));
            value = -1;
        }
    }
    return bytes;
}

// The requests written, each as "01 21 00 DE".
inline std::vector<std::string> WrittenFrames(const ScriptedSerialPort& port) {
    std::vector<std::string> frames;
    for (const auto& write : port.Writes())
        frames.push_back(ScriptedSerialPort::Hex(write));
    return frames;
}
