#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "sim/model/device_model.h"

// Frames written as the hexadecimal text a line monitor shows: "06 01 05 F4".
using Bytes = std::vector<uint8_t>;

inline Bytes Hex(std::string_view text) {
    Bytes bytes;
    int nibbles = 0;
    uint8_t value = 0;
    for (char c : text) {
        int digit = -1;
        if (c >= '0' && c <= '9') digit = c - '0';
        if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
        if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
        if (digit < 0) continue;
        value = static_cast<uint8_t>(value * 16 + digit);
        if (++nibbles == 2) {
            bytes.push_back(value);
            nibbles = 0;
            value = 0;
        }
    }
    return bytes;
}

inline std::string HexText(const Bytes& bytes) {
    static const char Digits[] = "0123456789ABCDEF";
    std::string text;
    for (uint8_t b : bytes) {
        if (!text.empty()) text += ' ';
        text += Digits[b >> 4];
        text += Digits[b & 0xF];
    }
    return text;
}

// A request frame for codes whose bytes no outside example gives.
inline Bytes RequestFrame(uint8_t code, const Bytes& data = {}) {
    Bytes frame = {0x01, code, static_cast<uint8_t>(data.size())};
    frame.insert(frame.end(), data.begin(), data.end());
    uint8_t sum = 0;
    for (uint8_t b : frame)
        sum = static_cast<uint8_t>(sum + b);
    frame.push_back(static_cast<uint8_t>(0x100 - sum));
    return frame;
}

inline Bytes Ask(sim::DeviceModel& model, const Bytes& request) {
    return model.Handle(request.data(), request.size());
}

inline std::string AskText(sim::DeviceModel& model, std::string_view request) {
    return HexText(Ask(model, Hex(request)));
}
