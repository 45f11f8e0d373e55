#include "tests/support/scripted_serial_port.h"

#include <algorithm>
#include <cstring>

#include "base/hex_text.h"

void ScriptedSerialPort::QueueAnswer(Bytes bytes) {
    if (bytes.empty()) return;
    input.push_back(Chunk{std::move(bytes), false});
}

void ScriptedSerialPort::QueueFrame(const Bytes& data) {
    QueueAnswer(AnswerFrame(data));
}

void ScriptedSerialPort::QueueSilence() {
    input.push_back(Chunk{{}, true});
}

uint8_t ScriptedSerialPort::Checksum(const Bytes& bytes) {
    uint8_t sum = 0;
    for (uint8_t b : bytes)
        sum = static_cast<uint8_t>(sum + b);
    return static_cast<uint8_t>(-sum);
}

ScriptedSerialPort::Bytes ScriptedSerialPort::AnswerFrame(const Bytes& data) {
    Bytes frame{0x06, static_cast<uint8_t>(data.size())};
    frame.insert(frame.end(), data.begin(), data.end());
    frame.push_back(Checksum(frame));
    return frame;
}

ScriptedSerialPort::Bytes ScriptedSerialPort::RequestFrame(uint8_t code, const Bytes& data) {
    Bytes frame{0x01, code, static_cast<uint8_t>(data.size())};
    frame.insert(frame.end(), data.begin(), data.end());
    frame.push_back(Checksum(frame));
    return frame;
}

size_t ScriptedSerialPort::PendingInput() const {
    size_t pending = 0;
    for (const Chunk& chunk : input)
        pending += chunk.bytes.size();
    return pending - frontOffset;
}

void ScriptedSerialPort::ClearRecord() {
    writes.clear();
    purges.clear();
    openedPaths.clear();
    configurations.clear();
    timeouts.clear();
    events.clear();
    closeCount = 0;
    readCount = 0;
}

std::string ScriptedSerialPort::Hex(const Bytes& bytes) {
    return HexText(bytes);
}

bool ScriptedSerialPort::Open(const char* path) {
    std::string name = path != nullptr ? path : "";
    openedPaths.push_back(name);
    events.push_back("Open " + name);
    lineGone = false;
    if (failOpen || deviceGone) return false;
    open = true;
    return true;
}

void ScriptedSerialPort::Close() {
    if (!open) return;
    open = false;
    ++closeCount;
    events.push_back("Close");
}

void ScriptedSerialPort::Configure(uint32_t flags, uint32_t baudRate, uint8_t byteSize,
                                   uint8_t parity, uint8_t stopBits) {
    if (!open) return;
    configurations.push_back(Configuration{flags, baudRate, byteSize, parity, stopBits});
    events.push_back("Configure");
}

bool ScriptedSerialPort::SetTimeouts(const LineTimeouts& newTimeouts) {
    if (!open) return false;
    timeouts.push_back(newTimeouts);
    events.push_back("SetTimeouts");
    return true;
}

size_t ScriptedSerialPort::Read(uint8_t* buffer, size_t count) {
    if (!open || deviceGone) return 0;
    ++readCount;
    size_t received = 0;
    while (received < count && !input.empty()) {
        Chunk& front = input.front();
        if (front.silence) {
            input.pop_front();
            break;
        }
        size_t take = std::min(count - received, front.bytes.size() - frontOffset);
        std::memcpy(buffer + received, front.bytes.data() + frontOffset, take);
        received += take;
        frontOffset += take;
        if (frontOffset == front.bytes.size()) {
            input.pop_front();
            frontOffset = 0;
            if (oneChunkPerRead) break;
        }
    }
    events.push_back("Read " + std::to_string(received) + "/" + std::to_string(count));
    return received;
}

size_t ScriptedSerialPort::Write(const uint8_t* buffer, size_t count) {
    if (!open || failWrites) return 0;
    if (deviceGone) {
        lineGone = true;
        return 0;
    }
    Bytes request(buffer, buffer + count);
    writes.push_back(request);
    events.push_back("Write " + Hex(request));
    if (responder) QueueAnswer(responder(request));
    return count;
}

void ScriptedSerialPort::Purge(uint32_t flags) {
    if (!open) return;
    purges.push_back(flags);
    static const char digits[] = "0123456789ABCDEF";
    std::string text = "Purge ";
    for (int shift = 12; shift >= 0; shift -= 4)
        text.push_back(digits[(flags >> shift) & 0x0F]);
    events.push_back(text);
    if (dropInputOnPurge && (flags & PurgeRxClear) != 0) {
        input.clear();
        frontOffset = 0;
    }
}
