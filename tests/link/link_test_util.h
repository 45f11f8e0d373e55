#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/hex_text.h"
#include "tests/support/scripted_serial_port.h"

// The requests written, each as "01 21 00 DE".
inline std::vector<std::string> WrittenFrames(const ScriptedSerialPort& port) {
    std::vector<std::string> frames;
    for (const auto& write : port.Writes())
        frames.push_back(ScriptedSerialPort::Hex(write));
    return frames;
}
