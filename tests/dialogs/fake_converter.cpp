#include "tests/dialogs/fake_converter.h"

#include <bit>

FakeConverter::FakeConverter(uint16_t firmware) {
    auto scripted = std::make_unique<ScriptedSerialPort>();
    port = scripted.get();
    ownedLink = std::make_unique<ConverterLink>(std::move(scripted));
    link = ownedLink.get();
    link->Open("COM1");
    Port().SetResponder([this](const Bytes& request) { return Respond(request); });
    SetData(0x22, {static_cast<uint8_t>(firmware & 0xFF), static_cast<uint8_t>(firmware >> 8)});
    uint16_t version = 0;
    Link().ReadFirmwareVersion(version);
    ForgetRequests();
}

FakeConverter::Bytes FakeConverter::FloatBytes(float value) {
    const uint32_t bits = std::bit_cast<uint32_t>(value);
    return {static_cast<uint8_t>(bits), static_cast<uint8_t>(bits >> 8),
            static_cast<uint8_t>(bits >> 16), static_cast<uint8_t>(bits >> 24)};
}

void FakeConverter::SetFloat(uint8_t code, float value) {
    stored[code] = FloatBytes(value);
}

void FakeConverter::SetFloats(uint8_t code, std::initializer_list<float> values) {
    Bytes& data = stored[code];
    data.clear();
    for (float value : values) {
        const Bytes one = FloatBytes(value);
        data.insert(data.end(), one.begin(), one.end());
    }
}

void FakeConverter::QueueReadings(uint8_t code, const std::vector<std::optional<float>>& values) {
    auto& queue = readings[code];
    queue.insert(queue.end(), values.begin(), values.end());
}

void FakeConverter::Silence(uint8_t code, bool on) {
    if (on)
        silent.insert(code);
    else
        silent.erase(code);
}

FakeConverter::Bytes FakeConverter::Respond(const Bytes& request) {
    if (request.size() < 4 || request[0] != 0x01) return {};
    const uint8_t code = request[1];
    const uint8_t length = request[2];
    if (silent.count(code) != 0 || request.size() != 4u + length) return {};
    if (length > 0) {
        // A write: the converter keeps the value and answers it.
        Bytes data(request.begin() + 3, request.begin() + 3 + length);
        stored[code] = data;
        return ScriptedSerialPort::AnswerFrame(data);
    }
    auto queued = readings.find(code);
    if (queued != readings.end() && !queued->second.empty()) {
        std::optional<float> next = queued->second.front();
        queued->second.pop_front();
        if (!next) return {};
        return ScriptedSerialPort::AnswerFrame(FloatBytes(*next));
    }
    auto value = stored.find(code);
    if (value == stored.end()) return {};
    return ScriptedSerialPort::AnswerFrame(value->second);
}

std::vector<std::string> FakeConverter::Requests() {
    std::vector<std::string> texts;
    for (const Bytes& request : Port().Writes())
        texts.push_back(ScriptedSerialPort::Hex(request));
    return texts;
}

std::vector<std::string> FakeConverter::Writes() {
    std::vector<std::string> texts;
    for (const Bytes& request : Port().Writes())
        if (request.size() > 4) texts.push_back(ScriptedSerialPort::Hex(request));
    return texts;
}

size_t FakeConverter::CountOf(uint8_t code) {
    size_t count = 0;
    for (const Bytes& request : Port().Writes())
        if (request.size() > 1 && request[1] == code) ++count;
    return count;
}
