#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/hex_text.h"
#include "sim/model/device_model.h"

// Frames; the tests write them as hex text, "06 01 05 F4".
using Bytes = std::vector<uint8_t>;

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
    return HexText(Ask(model, HexBytes(request)));
}
